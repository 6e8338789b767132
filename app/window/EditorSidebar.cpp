#include "app/window/EditorSidebar.h"

#include "app/common/ShellStyle.h"
#include "core/common/TextRules.h"

#include <QEasingCurve>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace kestrivane {

using shellstyle::FontStyle;

namespace {

// One text laid out in lines of `width`; breaks at words, or anywhere in a word too long.
struct Lines {
    QStringList texts;
    bool complete = true;
    qsizetype lastStart = 0;
};

Lines layoutLines(const QString &text, const QFont &font, double width, int maximumLines)
{
    Lines result;
    if (text.isEmpty())
        return result;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(std::max(1.0, width));
        if (result.texts.size() == maximumLines) {
            result.complete = false;
            break;
        }
        result.lastStart = line.textStart();
        result.texts.append(text.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    return result;
}

bool fits(const QString &text, const QFont &font, double width, int maximumLines)
{
    return layoutLines(text, font, width, maximumLines).complete;
}

double lineHeight(const QFont &font)
{
    return std::ceil(QFontMetricsF(font).height());
}

void drawLines(QPainter &painter, const QStringList &lines, const QFont &font, const QRectF &box, Qt::Alignment align)
{
    painter.setFont(font);
    const double height = lineHeight(font);
    double y = box.top();
    for (const QString &line : lines) {
        painter.drawText(QRectF(box.left(), y, box.width(), height), align | Qt::AlignVCenter | Qt::TextSingleLine,
                         line.trimmed());
        y += height;
    }
}

QFont bodyFont(bool medium = false)
{
    QFont font = shellstyle::font(FontStyle::body);
    if (medium)
        font.setWeight(QFont::Medium);
    return font;
}

} // namespace

// --- Style --------------------------------------------------------------------------

void EditorSidebarButtonStyle::applyPress(QPainter &painter, const QRectF &rect, double pressed)
{
    if (pressed <= 0)
        return;
    painter.setOpacity(painter.opacity() * (1 - (1 - pressedOpacity) * pressed));
    const double scale = 1 - (1 - pressedScale) * pressed;
    const QPointF centre = rect.center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
}

QColor EditorSidebarButtonStyle::primary(const QPalette &palette, double percent)
{
    return shellstyle::withAlpha(palette.color(QPalette::WindowText), percent);
}

QColor EditorSidebarButtonStyle::secondary(const QPalette &palette, double percent)
{
    QColor color = palette.color(QPalette::PlaceholderText);
    color.setAlphaF(color.alphaF() * percent / 100);
    return color;
}

void EditorSidebarButtonStyle::drawIconTile(QPainter &painter, const QRectF &tile, const ArtworkImage &icon,
                                            double iconSide, const QPalette &palette)
{
    QPainterPath path;
    path.addRoundedRect(tile, 8, 8);
    painter.fillPath(path, primary(palette, 4.5));
    const QRectF target(tile.center().x() - iconSide / 2, tile.center().y() - iconSide / 2, iconSide, iconSide);
    icon.draw(painter, target, palette.color(QPalette::WindowText));
}

QPalette lightPanePalette()
{
    QPalette palette(QColor(Qt::white));
    const QColor text(0x1D, 0x1D, 0x1F);
    const QColor secondary(0x86, 0x86, 0x8B);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, Qt::white);
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xF7));
        palette.setColor(group, QPalette::Button, QColor(0xF5, 0xF5, 0xF7));
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::PlaceholderText, secondary);
        palette.setColor(group, QPalette::Highlight, QColor(0, 122, 255));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE8));
        palette.setColor(group, QPalette::ToolTipText, text);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::Base, Qt::white);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0xB0, 0xB0, 0xB5));
    palette.setColor(QPalette::Disabled, QPalette::PlaceholderText, QColor(0xC7, 0xC7, 0xCC));
    return palette;
}

// --- Text ---------------------------------------------------------------------------

QStringList wrappedLines(const QString &text, const QFont &font, double width, int maximumLines)
{
    Lines lines = layoutLines(text, font, width, maximumLines);
    if (!lines.complete && !lines.texts.isEmpty()) {
        // The rest of the text goes into the last line, cut at its end.
        lines.texts.last() = QFontMetricsF(font).elidedText(text.mid(lines.lastStart).trimmed(), Qt::ElideRight, width);
    }
    return lines.texts;
}

QString middleElided(const QString &text, const QFont &font, double width, int maximumLines)
{
    if (fits(text, font, width, maximumLines))
        return text;
    const QList<qsizetype> boundaries = text::innerGraphemeBoundaries(text);
    // Graphemes on each side: the n-th boundary from the start and from the end.
    const auto shortened = [&](qsizetype n) {
        if (n == 0)
            return QStringLiteral("…");
        const qsizetype head = boundaries[n - 1];
        const qsizetype tail = boundaries[boundaries.size() - n];
        return text.left(head) + QStringLiteral("…") + text.mid(tail);
    };
    qsizetype low = 0;
    qsizetype high = boundaries.size() / 2;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (fits(shortened(middle), font, width, maximumLines))
            low = middle;
        else
            high = middle - 1;
    }
    return shortened(low);
}

double widestWord(const QString &text, const QFont &font)
{
    const QFontMetricsF metrics(font);
    double widest = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        QString word = text.mid(start, end - start);
        start = end;
        while (!word.isEmpty() && word.back().isSpace())
            word.chop(1);
        if (word.isEmpty())
            continue;
        // The line layout also keeps room for a last glyph that reaches past its advance.
        const QChar last = word.back();
        const double overhang = last.isSurrogate() ? 0 : std::max(0.0, -metrics.rightBearing(last));
        widest = std::max(widest, metrics.horizontalAdvance(word) + overhang);
    }
    return widest;
}

// --- Button -------------------------------------------------------------------------

EditorSidebarButton::EditorSidebarButton(QWidget *parent)
    : QAbstractButton(parent), m_hoverAnimation(new QVariantAnimation(this)),
      m_pressAnimation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_hoverAnimation->setDuration(EditorSidebarButtonStyle::hoverMilliseconds);
    m_pressAnimation->setDuration(EditorSidebarButtonStyle::pressMilliseconds);
    for (QVariantAnimation *animation : {m_hoverAnimation, m_pressAnimation})
        animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_hover = value.toDouble();
        update();
    });
    connect(m_pressAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_press = value.toDouble();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, [this] { animate(m_pressAnimation, 1); });
    connect(this, &QAbstractButton::released, this, [this] { animate(m_pressAnimation, 0); });
}

QSize EditorSidebarButton::sizeHint() const
{
    const int width = std::max(200, this->width());
    return QSize(width, heightForWidth(width));
}

QSize EditorSidebarButton::minimumSizeHint() const
{
    return QSize(120, heightForWidth(120));
}

void EditorSidebarButton::animate(QVariantAnimation *animation, double target)
{
    double &value = animation == m_hoverAnimation ? m_hover : m_press;
    animation->stop();
    animation->setStartValue(value);
    animation->setEndValue(target);
    animation->start();
}

void EditorSidebarButton::enterEvent(QEnterEvent *event)
{
    animate(m_hoverAnimation, 1);
    QAbstractButton::enterEvent(event);
}

void EditorSidebarButton::leaveEvent(QEvent *event)
{
    animate(m_hoverAnimation, 0);
    QAbstractButton::leaveEvent(event);
}

void EditorSidebarButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    EditorSidebarButtonStyle::applyPress(painter, QRectF(rect()), m_press);
    paintContent(painter);
    if (hasFocus()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 9, 9);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawPath(path);
    }
}

// --- Component row ------------------------------------------------------------------

namespace {
constexpr double rowPaddingX = 7;
constexpr double rowPaddingY = 5;
constexpr double rowSpacing = 10;
constexpr double rowTile = 30;
constexpr double rowBadge = 20;
} // namespace

EditorComponentButton::EditorComponentButton(ElementKind kind, const QString &icon, QWidget *parent)
    : EditorSidebarButton(parent), m_kind(kind), m_iconName(icon), m_icon(ArtworkImage::named(icon)),
      m_plus(ArtworkImage::symbol(QStringLiteral("plus")))
{
}

void EditorComponentButton::setTitle(const QString &title)
{
    if (title == text())
        return;
    setText(title);
    setToolTip(title);
    setAccessibleName(title);
    updateGeometry();
    update();
}

double EditorComponentButton::titleWidth(int width) const
{
    return width - 2 * rowPaddingX - rowTile - 3 * rowSpacing - 4 - rowBadge;
}

QStringList EditorComponentButton::titleLines() const
{
    return wrappedLines(text(), bodyFont(), titleWidth(width()), 2);
}

int EditorComponentButton::widthForWords() const
{
    // The widest word, widened until the title also keeps to its two lines uncut.
    const QFont font = bodyFont();
    double low = std::ceil(widestWord(text(), font));
    double high = std::max(low, std::ceil(QFontMetricsF(font).horizontalAdvance(text())) + 1);
    while (low < high) {
        const double middle = std::floor((low + high) / 2);
        if (fits(text(), font, middle, 2))
            high = middle;
        else
            low = middle + 1;
    }
    return static_cast<int>(low - titleWidth(0));
}

int EditorComponentButton::heightForWidth(int width) const
{
    const QFont font = bodyFont();
    const qsizetype lines = std::max<qsizetype>(1, wrappedLines(text(), font, titleWidth(width), 2).size());
    const double content = std::max(rowTile, lines * lineHeight(font));
    return std::max(minimumHeight, static_cast<int>(std::ceil(content + 2 * rowPaddingY)));
}

void EditorComponentButton::paintContent(QPainter &painter)
{
    const QPalette &colours = palette();
    const QRectF row(rect());
    QPainterPath shape;
    shape.addRoundedRect(row, 9, 9);
    if (hoverAmount() > 0)
        painter.fillPath(shape, EditorSidebarButtonStyle::primary(colours, 5.5 * hoverAmount()));

    const double middle = row.center().y();
    const QRectF tile(rowPaddingX, middle - rowTile / 2, rowTile, rowTile);
    EditorSidebarButtonStyle::drawIconTile(painter, tile, m_icon, 18, colours);

    const QFont font = bodyFont();
    const QStringList lines = titleLines();
    const double textHeight = lines.size() * lineHeight(font);
    painter.setPen(colours.color(QPalette::WindowText));
    drawLines(painter, lines, font,
              QRectF(tile.right() + rowSpacing, middle - textHeight / 2, titleWidth(width()), textHeight),
              Qt::AlignLeft);

    const QRectF badge(row.right() - rowPaddingX - rowBadge, middle - rowBadge / 2, rowBadge, rowBadge);
    painter.setPen(QPen(EditorSidebarButtonStyle::secondary(colours, 22), 1));
    painter.setBrush(colours.color(QPalette::Base));
    painter.drawEllipse(badge.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setBrush(Qt::NoBrush);
    m_plus.draw(painter, QRectF(badge.center() - QPointF(5, 5), QSizeF(10, 10)),
                EditorSidebarButtonStyle::secondary(colours));
}

// --- Label card ---------------------------------------------------------------------

namespace {
constexpr double cardPadding = 11;
constexpr double cardSpacing = 10;
constexpr double cardTile = 32;
constexpr double cardSymbol = 14;
constexpr double rowGap = 8;

QFont captionFont()
{
    return shellstyle::font(FontStyle::caption);
}

// A summary row gives its title at most half the card's inner width (the rest of a longer
// title is cut); the value takes what is left.
double rowTitleWidth(const QString &title, double inner)
{
    return std::min(std::ceil(QFontMetricsF(captionFont()).horizontalAdvance(title)), inner / 2);
}

constexpr double rowValueInset = 2 * rowGap + 4;
} // namespace

struct LabelSummaryCard::Layout {
    QString name;
    QStringList nameLines;
    double columnWidth = 0;
    double headerHeight = 0;
    double shapeTitleWidth = 0;
    double mediumTitleWidth = 0;
    QStringList shapeLines;
    QStringList mediumLines;
    double height = 0;
};

LabelSummaryCard::LabelSummaryCard(QWidget *parent)
    : EditorSidebarButton(parent), m_icon(ArtworkImage::named(QStringLiteral("openedLabel"))),
      m_slider(ArtworkImage::symbol(QStringLiteral("slider.horizontal.3")))
{
}

void LabelSummaryCard::setContent(const Content &content)
{
    const bool same = content.name == m_content.name && content.width == m_content.width &&
                      content.height == m_content.height && content.unit == m_content.unit &&
                      content.shapeTitle == m_content.shapeTitle && content.shape == m_content.shape &&
                      content.mediumTitle == m_content.mediumTitle && content.medium == m_content.medium;
    if (same)
        return;
    m_content = content;
    updateGeometry();
    update();
}

LabelSummaryCard::Layout LabelSummaryCard::layout(int width) const
{
    Layout result;
    const double inner = width - 2 * cardPadding;
    const QFont name = bodyFont(true);
    const QFont caption = captionFont();
    result.columnWidth = std::max(20.0, inner - cardTile - 3 * cardSpacing - 2 - cardSymbol);
    result.name = middleElided(m_content.name, name, result.columnWidth, 2);
    result.nameLines = layoutLines(result.name, name, result.columnWidth, 2).texts;
    const double column = std::max<qsizetype>(1, result.nameLines.size()) * lineHeight(name) + 2 + lineHeight(caption);
    result.headerHeight = std::max(cardTile, column);

    const auto row = [&](const QString &title, const QString &value, double &titleWidth, QStringList &lines) {
        titleWidth = rowTitleWidth(title, inner);
        lines = layoutLines(value, caption, inner - titleWidth - rowValueInset, 1000).texts;
        return std::max<qsizetype>(1, lines.size()) * lineHeight(caption);
    };
    const double shape = row(m_content.shapeTitle, m_content.shape, result.shapeTitleWidth, result.shapeLines);
    const double medium = row(m_content.mediumTitle, m_content.medium, result.mediumTitleWidth, result.mediumLines);
    result.height =
        2 * cardPadding + result.headerHeight + cardSpacing + 1 + cardSpacing + shape + cardSpacing + medium;
    return result;
}

QString LabelSummaryCard::shownName() const
{
    return layout(width()).name;
}

QList<QStringList> LabelSummaryCard::valueLines() const
{
    const Layout shown = layout(width());
    return {shown.shapeLines, shown.mediumLines};
}

int LabelSummaryCard::widthForValue(const QString &title, const QString &value)
{
    const double word = widestWord(value, captionFont());
    const double titleWidth = std::ceil(QFontMetricsF(captionFont()).horizontalAdvance(title));
    // Where the whole title fits beside the word, the word only needs the rest; otherwise
    // the title takes half the width and the word the other half.
    const double inner =
        word + rowValueInset >= titleWidth ? word + titleWidth + rowValueInset : 2 * (word + rowValueInset);
    return static_cast<int>(std::ceil(inner + 2 * cardPadding));
}

int LabelSummaryCard::heightForWidth(int width) const
{
    return static_cast<int>(std::ceil(layout(width).height));
}

void LabelSummaryCard::paintContent(QPainter &painter)
{
    const QPalette &colours = palette();
    const Layout shape = layout(width());
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(card, 11, 11);
    painter.fillPath(path, colours.color(QPalette::Base));
    painter.setPen(QPen(EditorSidebarButtonStyle::secondary(colours, 20 + 18 * hoverAmount()), 1));
    painter.drawPath(path);

    const QFont name = bodyFont(true);
    const QFont caption = captionFont();
    const double left = cardPadding;
    const double right = width() - cardPadding;
    double y = cardPadding;

    // Header: tile, name over size, the sliders mark.
    const double middle = y + shape.headerHeight / 2;
    EditorSidebarButtonStyle::drawIconTile(painter, QRectF(left, middle - cardTile / 2, cardTile, cardTile), m_icon, 18,
                                           colours);
    const double columnLeft = left + cardTile + cardSpacing;
    const double nameHeight = std::max<qsizetype>(1, shape.nameLines.size()) * lineHeight(name);
    const double column = nameHeight + 2 + lineHeight(caption);
    double columnTop = middle - column / 2;
    painter.setPen(colours.color(QPalette::WindowText));
    drawLines(painter, shape.nameLines, name, QRectF(columnLeft, columnTop, shape.columnWidth, nameHeight),
              Qt::AlignLeft);
    columnTop += nameHeight + 2;
    painter.setFont(caption);
    painter.setPen(EditorSidebarButtonStyle::secondary(colours));
    const QFontMetricsF metrics(caption);
    double x = columnLeft;
    for (const QString &piece : {m_content.width, QStringLiteral("\u00D7"), m_content.height, m_content.unit}) {
        const double advance = metrics.horizontalAdvance(piece);
        painter.drawText(QRectF(x, columnTop, advance + 1, lineHeight(caption)), Qt::AlignLeft | Qt::AlignVCenter,
                         piece);
        x += advance + 4;
    }
    m_slider.draw(painter, QRectF(right - cardSymbol, middle - cardSymbol / 2, cardSymbol, cardSymbol),
                  EditorSidebarButtonStyle::secondary(colours));
    y += shape.headerHeight + cardSpacing;

    painter.fillRect(QRectF(left, y, right - left, 1), EditorSidebarButtonStyle::primary(colours, 12));
    y += 1 + cardSpacing;

    // The two summary rows: title on the left, the value on the right, wrapping.
    const auto row = [&](const QString &title, double titleWidth, const QStringList &lines) {
        painter.setPen(EditorSidebarButtonStyle::secondary(colours));
        drawLines(painter, {metrics.elidedText(title, Qt::ElideRight, titleWidth)}, caption,
                  QRectF(left, y, titleWidth, lineHeight(caption)), Qt::AlignLeft);
        const double valueLeft = left + titleWidth + rowValueInset;
        const double height = std::max<qsizetype>(1, lines.size()) * lineHeight(caption);
        painter.setPen(colours.color(QPalette::WindowText));
        drawLines(painter, lines, caption, QRectF(valueLeft, y, right - valueLeft, height), Qt::AlignRight);
        y += height + cardSpacing;
    };
    row(m_content.shapeTitle, shape.shapeTitleWidth, shape.shapeLines);
    row(m_content.mediumTitle, shape.mediumTitleWidth, shape.mediumLines);
}

} // namespace kestrivane
