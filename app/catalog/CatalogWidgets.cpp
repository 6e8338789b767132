#include "app/catalog/CatalogWidgets.h"

#include "app/catalog/TemplateCatalogStore.h"
#include "app/common/ShellStyle.h"
#include "app/shell/SheetPreview.h"
#include "core/common/TextRules.h"
#include "core/l10n/Localization.h"

#include <QApplication>
#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <cmath>

namespace kestrivane {

namespace catalogstyle {

QFont font(Text style, QFont::Weight weight)
{
    using shellstyle::FontStyle;
    QFont result;
    switch (style) {
    case Text::caption: result = shellstyle::font(FontStyle::caption); break;
    case Text::callout: {
        result = QApplication::font();
        const double size = result.pointSizeF() > 0 ? result.pointSizeF() : 10;
        result.setPointSizeF(size * 0.92);
        break;
    }
    case Text::headline: result = shellstyle::font(FontStyle::headline); break;
    case Text::title3: result = shellstyle::font(FontStyle::title3, true); break;
    case Text::title2: result = shellstyle::font(FontStyle::title2, true); break;
    }
    if (weight != QFont::Normal)
        result.setWeight(weight);
    return result;
}

QColor secondary(const QPalette &palette)
{
    return palette.color(QPalette::PlaceholderText);
}

QColor accent(const QPalette &palette)
{
    return palette.color(QPalette::Highlight);
}

QColor underPage(const QPalette &palette)
{
    return shellstyle::withAlpha(palette.color(QPalette::Mid), 35);
}

QColor material(const QPalette &palette)
{
    return shellstyle::withAlpha(palette.color(QPalette::Window), 85);
}

QString sizeText(const Localization &l10n, const CatalogItem &item)
{
    return l10n.format(QStringLiteral("mac.catalog_dimensions"), {item.widthMm, item.heightMm});
}

QString wrappedText(const QFont &font, double width, const QString &text, int lines)
{
    const QFontMetricsF metrics(font);
    const double height = metrics.lineSpacing() * lines + 1;
    const auto fits = [&](const QString &shown) {
        return metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, shown).height() <= height;
    };
    if (fits(text))
        return text;
    // Cut between whole characters only, never inside a letter with its marks, an emoji
    // sequence or a surrogate pair: the longest start of at least one character that fits
    // with the ellipsis.
    const QList<qsizetype> ends = text::innerGraphemeBoundaries(text);
    if (ends.isEmpty())
        return text;
    const auto shortened = [&](qsizetype n) { return text.left(ends[n]) + QChar(0x2026); };
    qsizetype low = 0;
    qsizetype high = ends.size() - 1;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (fits(shortened(middle)))
            low = middle;
        else
            high = middle - 1;
    }
    return shortened(low);
}

} // namespace catalogstyle

using namespace catalogstyle;

// --- placeholder

namespace CatalogShapePlaceholder {

Geometry geometry(double widthMm, double heightMm, const QSizeF &box)
{
    double ratio = widthMm / heightMm;
    ratio = ratio >= 0.25 ? std::min(ratio, 4.0) : 0.25; // NaN compares false
    const double w = std::min(box.height() * 0.68 * ratio, box.width() * 0.72);
    const double h = w / ratio;
    const double radius = std::min(std::max(h * 0.06, 2.0), 8.0);
    return {ratio, QSizeF(w, h), radius};
}

void paint(QPainter &painter, const QRectF &box, double widthMm, double heightMm)
{
    const Geometry shape = geometry(widthMm, heightMm, box.size());
    if (!(shape.size.width() > 0) || !(shape.size.height() > 0))
        return;
    QRectF rect(QPointF(), shape.size);
    rect.moveCenter(box.center());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // A soft shadow below: a few widening translucent outlines, 4 down.
    painter.setBrush(Qt::NoBrush);
    for (int step = 1; step <= 4; ++step) {
        painter.setPen(QPen(QColor(0, 0, 0, 9 - 2 * step), 2.0 * step));
        painter.drawRoundedRect(rect.translated(0, 4), shape.cornerRadius + step, shape.cornerRadius + step);
    }
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 46), 1));
    painter.drawRoundedRect(rect, shape.cornerRadius, shape.cornerRadius);
    painter.restore();
}

} // namespace CatalogShapePlaceholder

// --- spinner

ActivitySpinner::ActivitySpinner(QWidget *parent) : QWidget(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(80);
    connect(m_timer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

void ActivitySpinner::paintFrame(QPainter &painter, const QRectF &rect, const QColor &color)
{
    constexpr int spokes = 8;
    const int phase = static_cast<int>((QDateTime::currentMSecsSinceEpoch() / 100) % spokes);
    const double side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center());
    for (int i = 0; i < spokes; ++i) {
        QColor spoke = color;
        spoke.setAlphaF(0.2 + 0.8 * (((i - phase + spokes) % spokes) / double(spokes - 1)));
        painter.setPen(QPen(spoke, std::max(1.5, side / 9), Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, side * 0.22), QPointF(0, side * 0.45));
        painter.rotate(360.0 / spokes);
    }
    painter.restore();
}

void ActivitySpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintFrame(painter, rect(), secondary(palette()));
}

void ActivitySpinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer->start();
}

void ActivitySpinner::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

// --- models

CatalogItemModel::CatalogItemModel(TemplateCatalogStore *store, QObject *parent)
    : QAbstractListModel(parent), m_store(store)
{
    sync();
}

int CatalogItemModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_ids.size());
}

const CatalogItem &CatalogItemModel::item(int row) const
{
    return m_store->snapshot().items().at(row);
}

QVariant CatalogItemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_store->snapshot().items().size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return item(index.row()).name;
    return {};
}

void CatalogItemModel::sync()
{
    const QList<CatalogItem> &items = m_store->snapshot().items();
    QStringList ids;
    ids.reserve(items.size());
    for (const CatalogItem &item : items)
        ids.append(item.id);
    const bool grew = ids.size() >= m_ids.size() && std::equal(m_ids.begin(), m_ids.end(), ids.begin());
    if (grew && ids.size() > m_ids.size()) {
        beginInsertRows({}, static_cast<int>(m_ids.size()), static_cast<int>(ids.size()) - 1);
        m_ids = ids;
        endInsertRows();
        if (!m_ids.isEmpty())
            Q_EMIT dataChanged(index(0), index(static_cast<int>(m_ids.size()) - 1));
    } else if (grew) {
        if (!m_ids.isEmpty())
            Q_EMIT dataChanged(index(0), index(static_cast<int>(m_ids.size()) - 1));
    } else {
        beginResetModel();
        m_ids = ids;
        endResetModel();
    }
}

CatalogCategoryModel::CatalogCategoryModel(TemplateCatalogStore *store, Localization *l10n, QObject *parent)
    : QAbstractListModel(parent), m_store(store), m_l10n(l10n)
{
    sync();
}

int CatalogCategoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_categories.size()) + 1;
}

std::optional<QString> CatalogCategoryModel::categoryID(int row) const
{
    if (row <= 0 || row > m_categories.size())
        return std::nullopt;
    return m_categories.at(row - 1).id;
}

int CatalogCategoryModel::row(const std::optional<QString> &id) const
{
    if (!id)
        return 0;
    for (qsizetype i = 0; i < m_categories.size(); ++i)
        if (m_categories.at(i).id == *id)
            return static_cast<int>(i) + 1;
    return -1;
}

QVariant CatalogCategoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    if (index.row() == 0)
        return m_l10n ? m_l10n->text(QStringLiteral("mac.catalog_all")) : QString();
    return m_store->categoryTitle(m_categories.at(index.row() - 1));
}

void CatalogCategoryModel::sync()
{
    const QList<CatalogCategory> &categories = m_store->snapshot().categories;
    if (categories == m_categories) {
        Q_EMIT dataChanged(index(0), index(rowCount() - 1));
        return;
    }
    beginResetModel();
    m_categories = categories;
    endResetModel();
}

// --- category buttons

CatalogCategoryDelegate::CatalogCategoryDelegate(TemplateCatalogStore *store, QObject *parent)
    : QStyledItemDelegate(parent), m_store(store)
{
}

namespace {
bool categorySelected(const TemplateCatalogStore &store, const QModelIndex &index)
{
    const auto *model = static_cast<const CatalogCategoryModel *>(index.model());
    return model->categoryID(index.row()) == store.category();
}

QRectF textBounds(const QFont &font, const QString &text, double width, int lines)
{
    const QFontMetricsF metrics(font);
    QRectF bounds = metrics.boundingRect(QRectF(0, 0, width, metrics.lineSpacing() * lines),
                                         Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    bounds.setHeight(std::min(bounds.height(), metrics.lineSpacing() * lines));
    return bounds;
}

// The keyboard focus on the cell being painted.
void paintFocusRing(QPainter &painter, const QStyleOptionViewItem &option, const QRectF &rect, double radius)
{
    if (option.state.testFlag(QStyle::State_HasFocus))
        shellstyle::paintFocusRing(painter, option.palette, rect, radius);
}

// Text in at most `lines` lines, the last one cut with an ellipsis.
void drawText(QPainter &painter, const QRectF &rect, const QString &text, int lines)
{
    if (lines == 1) {
        const QFontMetricsF metrics(painter.font());
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop, metrics.elidedText(text, Qt::ElideRight, rect.width()));
        return;
    }
    painter.drawText(rect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                     catalogstyle::wrappedText(painter.font(), rect.width(), text, lines));
}
} // namespace

void CatalogCategoryDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    const bool selected = categorySelected(*m_store, index);
    const QRectF rect = QRectF(option.rect).adjusted(0, 1.5, 0, -1.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(shellstyle::withAlpha(accent(option.palette), 12));
        painter->drawRoundedRect(rect, 7, 7);
    }
    paintFocusRing(*painter, option, rect, 7);
    painter->setFont(font(Text::callout, selected ? QFont::Medium : QFont::Normal));
    painter->setPen(selected ? accent(option.palette) : option.palette.color(QPalette::WindowText));
    drawText(*painter, rect.adjusted(9, 7, -9, -7), index.data().toString(), 2);
    painter->restore();
}

QSize CatalogCategoryDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int width = std::max(60, option.rect.width() > 0 ? option.rect.width() : 160);
    const QRectF text = textBounds(font(Text::callout, QFont::Medium), index.data().toString(), width - 18, 2);
    return {width, static_cast<int>(std::ceil(text.height())) + 14 + 3};
}

// --- the detail's scroll area

namespace {
// Drawn over the scroll area's content, and never in the way of the mouse.
class FocusRing final : public QWidget {
public:
    explicit FocusRing(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        shellstyle::paintFocusRing(painter, palette(), QRectF(rect()), 5);
    }
};
} // namespace

FocusRingScrollArea::FocusRingScrollArea(QWidget *parent) : QScrollArea(parent), m_ring(new FocusRing(this))
{
}

void FocusRingScrollArea::focusInEvent(QFocusEvent *event)
{
    QScrollArea::focusInEvent(event);
    m_ring->setGeometry(rect());
    m_ring->raise();
    m_ring->show();
}

void FocusRingScrollArea::focusOutEvent(QFocusEvent *event)
{
    QScrollArea::focusOutEvent(event);
    m_ring->hide();
}

void FocusRingScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    m_ring->setGeometry(rect());
}

// --- rows and cards

CatalogItemDelegate::CatalogItemDelegate(TemplateCatalogStore *store, Localization *l10n, QObject *parent)
    : QStyledItemDelegate(parent), m_store(store), m_l10n(l10n)
{
}

int CatalogItemDelegate::cardHeight() const
{
    const QFontMetricsF name(font(Text::callout, QFont::Medium));
    const QFontMetricsF caption(font(Text::caption));
    return static_cast<int>(
        std::ceil(9 + cardThumbnailHeight + 9 + 2 * name.lineSpacing() + 4 + caption.lineSpacing() + 9));
}

int CatalogItemDelegate::rowHeight() const
{
    const QFontMetricsF name(font(Text::callout, QFont::Medium));
    const QFontMetricsF caption(font(Text::caption));
    return std::max(58, static_cast<int>(std::ceil(9 + 2 * name.lineSpacing() + 4 + caption.lineSpacing() + 9)));
}

QSize CatalogItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    if (m_cards)
        return {m_cardWidth + gridGap, cardHeight() + gridGap};
    return {std::max(100, option.rect.width()), rowHeight() + 3};
}

void CatalogItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto *model = static_cast<const CatalogItemModel *>(index.model());
    if (index.row() >= m_store->snapshot().items().size())
        return;
    const CatalogItem &item = model->item(index.row());
    const bool selected = m_store->selected() && m_store->selected()->id == item.id;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_cards) {
        // The cell holds half a gap on every side.
        const QRectF cell(option.rect);
        QRectF card(0, 0, std::min<double>(m_cardWidth, cell.width() - gridGap), cardHeight());
        card.moveCenter(cell.center());
        paintCard(*painter, card, item, selected, option.palette);
        // Outside the card, in the gap, so that it stands apart from a selected card's border.
        paintFocusRing(*painter, option, card.adjusted(-4, -4, 4, 4), 14);
    } else {
        const QRectF row = QRectF(option.rect).adjusted(10, 1.5, -10, -1.5);
        paintRow(*painter, row, item, selected, option.palette);
        paintFocusRing(*painter, option, row, 8);
    }
    painter->restore();
}

void CatalogItemDelegate::paintRow(QPainter &painter, const QRectF &rect, const CatalogItem &item, bool selected,
                                   const QPalette &palette) const
{
    if (selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(shellstyle::withAlpha(accent(palette), 12));
        painter.drawRoundedRect(rect, 8, 8);
    }
    const QRectF content = rect.adjusted(11, 9, -11, -9);
    const QFont caption = font(Text::caption);
    const QString size = m_l10n ? sizeText(*m_l10n, item) : QString();
    const double sizeWidth = QFontMetricsF(caption).horizontalAdvance(size);
    painter.setFont(caption);
    painter.setPen(secondary(palette));
    painter.drawText(QRectF(content.right() - sizeWidth, content.top(), sizeWidth, content.height()),
                     Qt::AlignRight | Qt::AlignVCenter, size);

    const double textWidth = std::max(10.0, content.width() - sizeWidth - 12);
    const QFont nameFont = font(Text::callout, QFont::Medium);
    const QRectF name = textBounds(nameFont, item.name, textWidth, 2);
    const bool category = item.categoryName && !item.categoryName->isEmpty();
    const double captionHeight = QFontMetricsF(caption).lineSpacing();
    const double stack = name.height() + (category ? 4 + captionHeight : 0);
    const double top = content.top() + (content.height() - stack) / 2;
    painter.setFont(nameFont);
    painter.setPen(palette.color(QPalette::WindowText));
    drawText(painter, QRectF(content.left(), top, textWidth, name.height() + 1), item.name, 2);
    if (category) {
        painter.setFont(caption);
        painter.setPen(secondary(palette));
        drawText(painter, QRectF(content.left(), top + name.height() + 4, textWidth, captionHeight), *item.categoryName,
                 1);
    }
}

namespace {
QString sizeKey(QSize size, double ratio)
{
    return QString::number(size.width()) + QLatin1Char('x') + QString::number(size.height()) + QLatin1Char('@') +
           QString::number(ratio);
}

QPixmap transparentPixmap(QSize size, double ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}
} // namespace

QPixmap CatalogItemDelegate::thumbnail(const CatalogItem &item, QSize size, double ratio, const QPalette &palette) const
{
    const QString documentKey = item.id + QLatin1Char('@') + sizeKey(size, ratio);
    if (auto found = m_thumbnails.constFind(documentKey); found != m_thumbnails.constEnd())
        return *found;
    const std::optional<LabelDocument> document = m_store->thumbnailDocument(item);
    // Outlines depend only on the proportions, so items of one size share theirs.
    const QString key = document ? documentKey
                                 : QStringLiteral("shape:") + QString::number(item.widthMm) + QLatin1Char('/') +
                                       QString::number(item.heightMm) + QLatin1Char('@') + sizeKey(size, ratio);
    if (auto found = m_thumbnails.constFind(key); found != m_thumbnails.constEnd())
        return *found;
    QPixmap pixmap = transparentPixmap(size, ratio);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF rect{QPointF(), QSizeF(size)};
        QPainterPath clip;
        clip.addRoundedRect(rect, 7, 7);
        painter.setClipPath(clip);
        painter.fillRect(rect, palette.color(QPalette::Base));
        painter.fillRect(rect, underPage(palette));
        if (document)
            SheetPreview::paint(painter, rect, *document);
        else
            CatalogShapePlaceholder::paint(painter, rect, item.widthMm, item.heightMm);
    }
    // A bound on memory for very long sessions of scrolling.
    if (m_thumbnails.size() > 600)
        m_thumbnails.clear();
    m_thumbnails.insert(key, pixmap);
    return pixmap;
}

QPixmap CatalogItemDelegate::frame(QSize size, bool selected, double ratio, const QPalette &palette) const
{
    const QString key = sizeKey(size, ratio) + (selected ? QLatin1Char('s') : QLatin1Char('n')) +
                        palette.color(QPalette::Base).name() + palette.color(QPalette::Highlight).name();
    if (auto found = m_frames.constFind(key); found != m_frames.constEnd())
        return *found;
    QPixmap pixmap = transparentPixmap(size, ratio);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF card = QRectF{QPointF(), QSizeF(size)}.adjusted(1, 1, -1, -2);
        painter.setPen(QPen(QColor(0, 0, 0, 9), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(card.translated(0, 1), 10, 10);
        painter.setBrush(palette.color(QPalette::Base));
        if (selected)
            painter.setPen(QPen(accent(palette), 1.5));
        else
            painter.setPen(QPen(shellstyle::withAlpha(palette.color(QPalette::WindowText), 9), 1));
        painter.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    }
    if (m_frames.size() > 16)
        m_frames.clear();
    m_frames.insert(key, pixmap);
    return pixmap;
}

void CatalogItemDelegate::dropThumbnail(const QString &id)
{
    if (id.isEmpty()) {
        m_thumbnails.clear();
        m_frames.clear();
        m_cardTexts.clear();
        return;
    }
    const QString prefix = id + QLatin1Char('@');
    for (auto it = m_thumbnails.begin(); it != m_thumbnails.end();)
        it = it.key().startsWith(prefix) ? m_thumbnails.erase(it) : std::next(it);
}

void CatalogItemDelegate::paintCard(QPainter &painter, const QRectF &card, const CatalogItem &item, bool selected,
                                    const QPalette &palette) const
{
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    // Both pixmaps are made at the device's pixel ratio and drawn one to one, so smooth scaling
    // has nothing to do; with it on (item views turn it on), Qt's raster engine hands each of
    // them to its thread pool and waits, and every frame then waits for pooled threads to get
    // a core. Without it, they are blended here, and at whole pixels.
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // The frame pixmap holds a point of room on every side for the shadow and the border.
    const QRectF outer = card.adjusted(-1, -1, 1, 2);
    painter.drawPixmap(outer.topLeft(), frame(outer.size().toSize(), selected, ratio, palette));

    const QRectF content = card.adjusted(9, 9, -9, -9);
    const QRectF thumb(content.left(), content.top(), content.width(), cardThumbnailHeight);
    painter.drawPixmap(thumb.topLeft(), thumbnail(item, thumb.size().toSize(), ratio, palette));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    if (selected && m_store->preparing()) {
        QRectF badge(0, 0, 34, 34);
        badge.moveCenter(thumb.center());
        painter.setPen(Qt::NoPen);
        painter.setBrush(material(palette));
        painter.drawRoundedRect(badge, 8, 8);
        ActivitySpinner::paintFrame(painter, badge.adjusted(8, 8, -8, -8), secondary(palette));
    }

    const QFont nameFont = font(Text::callout, QFont::Medium);
    const QFont caption = font(Text::caption);
    const CardTexts &texts = cardTexts(painter, item, content.width(), nameFont, caption);
    painter.setFont(nameFont);
    painter.setPen(palette.color(QPalette::WindowText));
    const double nameTop = thumb.bottom() + 9;
    painter.drawText(QRectF(content.left(), nameTop, content.width(), texts.nameHeight + 1),
                     Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, texts.name);

    painter.setFont(caption);
    painter.setPen(secondary(palette));
    const double lineTop = nameTop + texts.nameHeight + 4;
    const double lineHeight = QFontMetricsF(caption).lineSpacing();
    painter.drawText(QRectF(content.left(), lineTop, texts.sizeWidth + 1, lineHeight), Qt::AlignLeft, texts.size);
    if (!texts.category.isEmpty()) {
        const QRectF rest(content.left() + texts.sizeWidth + 8, lineTop,
                          std::max(0.0, content.width() - texts.sizeWidth - 8), lineHeight);
        painter.drawText(rest, Qt::AlignRight, texts.category);
    }
}

const CatalogItemDelegate::CardTexts &CatalogItemDelegate::cardTexts(QPainter &painter, const CatalogItem &item,
                                                                     double width, const QFont &nameFont,
                                                                     const QFont &caption) const
{
    // Measures hold for one pair of fonts on one kind of device.
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 0;
    if (nameFont != m_cardFonts.first || caption != m_cardFonts.second || dpi != m_cardDpi) {
        m_cardTexts.clear();
        m_cardFonts = {nameFont, caption};
        m_cardDpi = dpi;
    }
    const QString size = m_l10n ? sizeText(*m_l10n, item) : QString();
    const QString category = item.categoryName.value_or(QString());
    const QChar separator(u'\x1f');
    const std::pair<QString, double> key{item.name + separator + size + separator + category, width};
    if (auto found = m_cardTexts.constFind(key); found != m_cardTexts.constEnd())
        return *found;
    CardTexts texts;
    texts.nameHeight = textBounds(nameFont, item.name, width, 2).height();
    painter.save();
    painter.setFont(nameFont);
    texts.name = catalogstyle::wrappedText(painter.font(), width, item.name, 2);
    painter.restore();
    texts.size = size;
    texts.sizeWidth = QFontMetricsF(caption).horizontalAdvance(size);
    if (!category.isEmpty())
        texts.category = QFontMetricsF(caption).elidedText(category, Qt::ElideRight,
                                                           std::max(0.0, width - texts.sizeWidth - 8));
    // A bound on memory, as for the thumbnails.
    if (m_cardTexts.size() > 600)
        m_cardTexts.clear();
    return *m_cardTexts.insert(key, texts);
}

} // namespace kestrivane
