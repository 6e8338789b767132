#include "app/library/GraphicLibraryView.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/editor/EditorStore.h"
#include "app/io/EditorDialogs.h"
#include "app/library/GraphicLibraryModel.h"
#include "core/common/Delivery.h"
#include "core/common/DocumentIssue.h"
#include "core/l10n/Localization.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QException>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

namespace kestrivane {

namespace {

// The blue of selections everywhere in the program, and the error red of its sheets.
const QColor accent(0, 122, 255);
QColor errorRed()
{
    return destructiveTint();
}

constexpr int panelWidth = 820;
constexpr int panelHeight = 620;
constexpr int panelInset = 24;
constexpr int panelSpacing = 16;
constexpr int contentSpacing = 12;
constexpr int categoryWidth = 340;
constexpr int uploadIconSide = 18;
constexpr int thumbnailPoints = 88;
constexpr int spinnerInterval = 80;
const QString errorImageKey = QStringLiteral("mac.error_image");

QFont captionFont(QFont font)
{
    const double size = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
    font.setPointSizeF(std::max(6.0, size - 2));
    return font;
}

QFont titleFont(QFont font)
{
    const double size = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
    font.setPointSizeF(size + 5);
    font.setBold(true);
    return font;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

QColor secondaryColor(const QPalette &palette, QPalette::ColorGroup group = QPalette::Active)
{
    return palette.color(group, QPalette::PlaceholderText);
}

// The key the panel shows for a failure: a document error its own, anything else that the
// picture could not be used. The model's futures may carry an error wrapped by the thread
// pool; the original decides.
QString errorKeyOf(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const DocumentError &documentError) {
        return documentError.key();
    } catch (const QUnhandledException &wrapped) {
        if (wrapped.exception())
            return errorKeyOf(wrapped.exception());
    } catch (...) {
    }
    return errorImageKey;
}

// A turning three-quarter circle.
void paintBusyArc(QPainter &painter, const QRectF &square, int phase, const QColor &color)
{
    const double width = std::max(2.0, square.width() / 8);
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF arc = square.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter.drawArc(arc, -phase * 30 * 16, 270 * 16);
    painter.restore();
}

// The busy indicator shown while the user's pictures are listed; it turns only while shown.
class BusyIndicator final : public QWidget {
public:
    explicit BusyIndicator(QWidget *parent = nullptr) : QWidget(parent)
    {
        setFixedSize(24, 24);
        m_timer.setInterval(spinnerInterval);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            ++m_phase;
            update();
        });
    }

protected:
    void showEvent(QShowEvent *) override { m_timer.start(); }
    void hideEvent(QHideEvent *) override { m_timer.stop(); }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        paintBusyArc(painter, rect(), m_phase, secondaryColor(palette()));
    }

private:
    QTimer m_timer;
    int m_phase = 0;
};

QString imageFilter()
{
    return QStringLiteral("*.png *.PNG *.jpg *.jpeg *.JPG *.JPEG *.tif *.tiff *.TIF *.TIFF *.bmp *.BMP");
}

int thumbnailSideFor(const QWidget *parent)
{
    const double ratio = parent ? parent->devicePixelRatioF() : qApp->devicePixelRatio();
    return std::max(1, qRound(thumbnailPoints * ratio));
}

} // namespace

namespace graphiclibrary {

enum Role {
    // ThumbnailState of the cell's picture.
    stateRole = Qt::UserRole + 1,
    selectedRole,
    // The most lines the title takes; 0 for as many as it needs.
    maximumLinesRole,
    // The text shown instead of a picture that could not be made.
    failureTextRole,
};

enum class ThumbnailState { none, ready, loading, failed };

// Lays out and draws one cell: a white tile with the picture fitted into it, or a spinner
// or a failure text in its place, and the title under it, on a highlight when selected.
class ItemDelegate final : public QStyledItemDelegate {
public:
    static constexpr int tile = 104;
    static constexpr int picture = thumbnailPoints;
    static constexpr int inset = 8;
    static constexpr int gap = 8;
    // Half the space between two columns, taken from each side of a cell.
    static constexpr int columnMargin = 4;
    static constexpr int radius = 8;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The lines a title takes at `width`, wrapped at word boundaries or anywhere; at most
    // `maximumLines` (0: no limit), the last one shortened when the text goes on.
    static QStringList titleLines(const QString &text, const QFont &font, int width, int maximumLines)
    {
        QTextLayout layout(text, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        QStringList lines;
        qsizetype lastStart = 0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(1, width));
            if (maximumLines > 0 && lines.size() == maximumLines) {
                const QFontMetrics metrics(font);
                lines.last() = metrics.elidedText(text.mid(lastStart).trimmed(), Qt::ElideRight, width);
                break;
            }
            lastStart = line.textStart();
            lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
        }
        layout.endLayout();
        return lines;
    }

    static int titleWidth(int cellWidth) { return std::max(1, cellWidth - 2 * columnMargin - 2 * inset); }

    // The height of a cell's content whose title takes `lines` lines.
    static int contentHeight(int lines, const QFont &font)
    {
        return inset + tile + gap + std::max(1, lines) * QFontMetrics(font).lineSpacing() + inset;
    }

    void advance() { ++m_phase; }
    // Whether a spinner was drawn since the last call.
    bool takeSpinnerPainted() { return std::exchange(m_spinnerPainted, false); }
    std::function<void()> spinnerPainted;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        const QRect cell = option.rect.adjusted(columnMargin, 0, -columnMargin, 0);
        if (index.data(selectedRole).toBool()) {
            QColor fill = accent;
            fill.setAlphaF(0.16);
            QPainterPath path;
            path.addRoundedRect(QRectF(cell), radius, radius);
            painter->fillPath(path, fill);
        }
        const QRect content = cell.adjusted(inset, inset, -inset, -inset);
        const QRect frame(content.left() + (content.width() - tile) / 2, content.top(), tile, tile);
        const QPalette::ColorGroup group =
            option.state.testFlag(QStyle::State_Enabled) ? QPalette::Active : QPalette::Disabled;
        const QFont caption = captionFont(option.font);

        const auto state = static_cast<ThumbnailState>(index.data(stateRole).toInt());
        if (state == ThumbnailState::ready) {
            const QImage image = index.data(Qt::DecorationRole).value<QImage>();
            painter->fillRect(frame, Qt::white);
            if (!image.isNull()) {
                const QSizeF logical = QSizeF(image.size()).scaled(picture, picture, Qt::KeepAspectRatio);
                const QRectF target(frame.center().x() + 0.5 - logical.width() / 2,
                                    frame.center().y() + 0.5 - logical.height() / 2, logical.width(), logical.height());
                painter->drawImage(target, image);
            }
        } else if (state == ThumbnailState::failed) {
            painter->setFont(caption);
            painter->setPen(secondaryColor(option.palette, group));
            painter->drawText(frame, Qt::AlignCenter | Qt::TextWordWrap, index.data(failureTextRole).toString());
        } else if (state == ThumbnailState::loading) {
            const QRect spinner(frame.center().x() - 10, frame.center().y() - 10, 20, 20);
            paintBusyArc(*painter, spinner, m_phase, secondaryColor(option.palette, group));
            m_spinnerPainted = true;
            if (spinnerPainted)
                spinnerPainted();
        }

        painter->setFont(caption);
        painter->setPen(option.palette.color(group, QPalette::Text));
        const QStringList lines = titleLines(index.data(Qt::DisplayRole).toString(), caption, content.width(),
                                             index.data(maximumLinesRole).toInt());
        const int lineHeight = QFontMetrics(caption).lineSpacing();
        int y = frame.bottom() + 1 + gap;
        for (const QString &line : lines) {
            painter->drawText(QRect(content.left(), y, content.width(), lineHeight),
                              Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, line);
            y += lineHeight;
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override;

private:
    int m_phase = 0;
    mutable bool m_spinnerPainted = false;
};

// A lazy grid of cells: columns of at least 142 pixels sharing the width, every cell as
// tall as the tallest title at that width needs, 12 pixels between rows.
class Grid final : public QListView {
public:
    static constexpr int minimumColumn = 142;
    static constexpr int rowGap = 12;
    static constexpr int gridInset = 4;

    // `lines` gives the most lines a title of the grid takes at a title width.
    Grid(std::function<int(int)> lines, ItemDelegate *delegate, QWidget *parent = nullptr)
        : QListView(parent), m_lines(std::move(lines))
    {
        setViewMode(QListView::IconMode);
        setResizeMode(QListView::Adjust);
        setMovement(QListView::Static);
        setFlow(QListView::LeftToRight);
        setWrapping(true);
        setUniformItemSizes(true);
        setSpacing(0);
        setSelectionMode(QAbstractItemView::NoSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setDragEnabled(false);
        setContextMenuPolicy(Qt::NoContextMenu);
        setFrameShape(QFrame::NoFrame);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        setViewportMargins(gridInset, gridInset, gridInset, gridInset);
        setItemDelegate(delegate);
        // The tiles are white: the grid lies on the window's own background.
        QPalette colors = palette();
        colors.setColor(QPalette::Base, colors.color(QPalette::Window));
        setPalette(colors);
    }

    QSize cellSize() const { return m_cell; }

    // Computes the columns and the cell height again, after a resize or a change of titles.
    void relayout()
    {
        // The view wraps a row as soon as it would reach the last pixel: one pixel stays free.
        const int available = std::max(1, viewport()->width() - 1);
        const int columns = std::max(1, available / minimumColumn);
        const int width = available / columns;
        const QFont caption = captionFont(font());
        const int height = ItemDelegate::contentHeight(m_lines(ItemDelegate::titleWidth(width)), caption);
        const QSize cell(width, height);
        if (cell == m_cell)
            return;
        m_cell = cell;
        setGridSize(QSize(width, height + rowGap));
        verticalScrollBar()->setSingleStep(std::max(1, height / 4));
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QListView::resizeEvent(event);
        relayout();
    }

private:
    std::function<int(int)> m_lines;
    QSize m_cell{minimumColumn, 1};
};

QSize ItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    if (const auto *grid = dynamic_cast<const Grid *>(option.widget))
        return grid->cellSize();
    return {Grid::minimumColumn, contentHeight(1, captionFont(option.font))};
}

// The visible signs of the sign tab.
class SignListModel final : public QAbstractListModel {
public:
    SignListModel(GraphicLibraryModel &model, Localization &l10n, QObject *parent)
        : QAbstractListModel(parent), m_model(model), m_l10n(l10n)
    {
    }

    const QList<GraphicSign> &signs() const { return m_signs; }

    void setSigns(const QList<GraphicSign> &signs)
    {
        beginResetModel();
        m_signs = signs;
        endResetModel();
    }

    void setSelected(const std::optional<QString> &id)
    {
        if (id == m_selected)
            return;
        const std::optional<QString> old = std::exchange(m_selected, id);
        for (qsizetype row = 0; row < m_signs.size(); ++row) {
            if (m_signs[row].id == old || m_signs[row].id == id)
                Q_EMIT dataChanged(index(int(row)), index(int(row)), {selectedRole});
        }
    }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_signs.size()); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_signs.size())
            return {};
        const GraphicSign &sign = m_signs[index.row()];
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: return m_l10n.text(sign.titleKey);
        case Qt::DecorationRole: return m_model.image(sign);
        case stateRole: return int(m_model.image(sign).isNull() ? ThumbnailState::none : ThumbnailState::ready);
        case selectedRole: return m_selected == sign.id;
        case maximumLinesRole: return 0;
        default: return {};
        }
    }

private:
    GraphicLibraryModel &m_model;
    Localization &m_l10n;
    QList<GraphicSign> m_signs;
    std::optional<QString> m_selected;
};

// The user's pictures in list order. A cell's picture is asked for when the view paints
// the cell, so a long list never makes every thumbnail.
class UploadedListModel final : public QAbstractListModel {
public:
    UploadedListModel(GraphicLibraryModel &model, Localization &l10n, QObject *parent)
        : QAbstractListModel(parent), m_model(model), m_l10n(l10n)
    {
        // The first listing may have ended before the panel was made.
        reset();
        connect(&model, &GraphicLibraryModel::uploadedChanged, this, [this] {
            beginResetModel();
            reset();
            endResetModel();
        });
        connect(&model, &GraphicLibraryModel::userImagesChanged, this, [this] { refreshStates(); });
        connect(&model, &GraphicLibraryModel::failedImagesChanged, this, [this] { refreshStates(); });
    }

    void setSelected(const std::optional<QUuid> &id)
    {
        if (id == m_selected)
            return;
        const std::optional<QUuid> old = std::exchange(m_selected, id);
        const QList<UserGraphic> &graphics = m_model.uploaded();
        for (qsizetype row = 0; row < graphics.size(); ++row) {
            if (graphics[row].id == old || graphics[row].id == id)
                Q_EMIT dataChanged(index(int(row)), index(int(row)), {selectedRole});
        }
    }

    void retranslate()
    {
        if (!m_states.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_states.size()) - 1), {failureTextRole});
    }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_states.size()); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_states.size() || index.row() >= m_model.uploaded().size())
            return {};
        const UserGraphic &graphic = m_model.uploaded()[index.row()];
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: return graphic.displayName;
        case Qt::DecorationRole: return m_model.image(graphic);
        case stateRole: {
            const ThumbnailState state = stateOf(graphic);
            // Only painted cells ask: this is where a picture comes into view.
            if (state == ThumbnailState::loading)
                m_model.loadImage(graphic);
            return int(state);
        }
        case selectedRole: return m_selected == graphic.id;
        case maximumLinesRole: return 2;
        case failureTextRole: return m_l10n.text(errorImageKey);
        default: return {};
        }
    }

private:
    ThumbnailState stateOf(const UserGraphic &graphic) const
    {
        if (m_model.userImages().contains(graphic.id))
            return ThumbnailState::ready;
        if (m_model.failedImages().contains(graphic.id))
            return ThumbnailState::failed;
        return ThumbnailState::loading;
    }

    void reset()
    {
        m_states.clear();
        for (const UserGraphic &graphic : m_model.uploaded())
            m_states.append(stateOf(graphic));
    }

    // Tells the view about the cells whose thumbnail arrived or failed.
    void refreshStates()
    {
        const QList<UserGraphic> &graphics = m_model.uploaded();
        for (qsizetype row = 0; row < m_states.size() && row < graphics.size(); ++row) {
            const ThumbnailState state = stateOf(graphics[row]);
            if (state != m_states[row]) {
                m_states[row] = state;
                Q_EMIT dataChanged(index(int(row)), index(int(row)), {stateRole, Qt::DecorationRole});
            }
        }
    }

    GraphicLibraryModel &m_model;
    Localization &m_l10n;
    QList<ThumbnailState> m_states;
    std::optional<QUuid> m_selected;
};

} // namespace graphiclibrary

using namespace graphiclibrary;

UserGraphicLibrary GraphicLibraryView::defaultUserLibrary()
{
    return UserGraphicLibrary(UserGraphicLibrary::defaultDirectory(), userLibraryBudget, userLibraryLimit);
}

GraphicLibraryView::GraphicLibraryView(EditorStore *store, Localization *l10n, const UserGraphicLibrary &userLibrary,
                                       QWidget *parent)
    : GraphicLibraryView(store, l10n, std::make_unique<GraphicLibraryModel>(userLibrary, thumbnailSideFor(parent)),
                         parent)
{
}

GraphicLibraryView::GraphicLibraryView(EditorStore *store, Localization *l10n,
                                       std::unique_ptr<GraphicLibraryModel> model, QWidget *parent)
    : QDialog(parent), m_store(store), m_l10n(l10n), m_model(std::move(model))
{
    Q_ASSERT(store && l10n && m_model);
    build();
    retranslate();
    refreshUploaded();

    connect(m_l10n, &Localization::languageChanged, this, [this] { retranslate(); });
    connect(m_store, &EditorStore::showsLibraryChanged, this, [this] {
        if (m_store && !m_store->showsLibrary())
            finish(QDialog::Rejected);
    });
    connect(m_store, &QObject::destroyed, this, [this] { finish(QDialog::Rejected); });
    connect(m_model.get(), &GraphicLibraryModel::uploadedChanged, this, [this] { refreshUploaded(); });
    connect(m_model.get(), &GraphicLibraryModel::uploadedFailedChanged, this, [this] { refreshControls(); });
    connect(m_model.get(), &GraphicLibraryModel::loadingUploadedChanged, this, [this] { refreshUploaded(); });
}

GraphicLibraryView::~GraphicLibraryView()
{
    // The grids and their item models read the library model: they go first.
    delete m_pages;
    m_pages = nullptr;
}

GraphicLibraryView *GraphicLibraryView::makeForEditor(EditorStore *store, Localization *l10n, QWidget *parent)
{
    auto *view = new GraphicLibraryView(store, l10n, defaultUserLibrary(), parent);
    view->setWindowModality(Qt::WindowModal);
    connect(view, &QDialog::finished, view, &QObject::deleteLater);
    return view;
}

void GraphicLibraryView::build()
{
    setFixedSize(panelWidth, panelHeight);
    setSizeGripEnabled(false);
    setWindowModality(Qt::WindowModal);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(panelInset, panelInset, panelInset, panelInset);
    layout->setSpacing(panelSpacing);

    m_title = new QLabel(this);
    m_title->setFont(titleFont(font()));
    layout->addWidget(m_title);

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("libraryTabs"));
    m_tabs->addTab(QString());
    m_tabs->addTab(QString());
    m_tabs->setExpanding(true);
    m_tabs->setDrawBase(false);
    layout->addWidget(m_tabs);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { changeTab(index); });

    m_delegate = new ItemDelegate(this);
    m_signItems = new SignListModel(*m_model, *m_l10n, this);
    m_uploadedItems = new UploadedListModel(*m_model, *m_l10n, this);

    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages, 1);

    buildSignTab();
    buildUploadedTab();

    m_errorLine = new QLabel(this);
    m_errorLine->setObjectName(QStringLiteral("errorLine"));
    m_errorLine->setWordWrap(true);
    setTextColor(m_errorLine, errorRed());
    layout->addWidget(m_errorLine);
    m_failedLine = new QLabel(this);
    m_failedLine->setObjectName(QStringLiteral("failedLine"));
    m_failedLine->setWordWrap(true);
    setTextColor(m_failedLine, errorRed());
    layout->addWidget(m_failedLine);

    auto *bottom = new QHBoxLayout;
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("countLine"));
    setTextColor(m_count, secondaryColor(palette()));
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    m_insert = new QPushButton(this);
    m_insert->setObjectName(QStringLiteral("insertButton"));
    m_insert->setDefault(true);
    bottom->addWidget(m_count);
    bottom->addStretch(1);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_insert);
    layout->addLayout(bottom);
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_insert, &QPushButton::clicked, this, [this] { insert(); });

    m_search->setFocus();
    refreshSigns();
}

// The sign tab: search and category over the sign grid.
void GraphicLibraryView::buildSignTab()
{
    auto *signPage = new QWidget(m_pages);
    auto *signLayout = new QVBoxLayout(signPage);
    signLayout->setContentsMargins(0, 0, 0, 0);
    signLayout->setSpacing(contentSpacing);
    auto *filters = new QHBoxLayout;
    m_search = new QLineEdit(signPage);
    m_search->setObjectName(QStringLiteral("signSearch"));
    m_categoryLabel = new QLabel(signPage);
    m_categories = new QComboBox(signPage);
    m_categories->setObjectName(QStringLiteral("signCategory"));
    m_categories->setFixedWidth(categoryWidth);
    m_categoryLabel->setBuddy(m_categories);
    filters->addWidget(m_search, 1);
    filters->addWidget(m_categoryLabel);
    filters->addWidget(m_categories);
    signLayout->addLayout(filters);
    m_signGrid = new Grid(
        [this](int width) {
            const QFont caption = captionFont(m_signGrid->font());
            qsizetype lines = 1;
            for (const GraphicSign &sign : m_signItems->signs())
                lines =
                    std::max(lines, ItemDelegate::titleLines(m_l10n->text(sign.titleKey), caption, width, 0).size());
            return int(lines);
        },
        m_delegate, signPage);
    m_signGrid->setObjectName(QStringLiteral("signGrid"));
    m_signGrid->setModel(m_signItems);
    signLayout->addWidget(m_signGrid, 1);
    m_pages->addWidget(signPage);

    QStringList categories;
    for (const GraphicSign &sign : m_model->signs())
        categories.append(sign.categoryKey);
    categories.removeDuplicates();
    // By the keys themselves, so the order is the same in every language.
    std::sort(categories.begin(), categories.end());
    m_categories->addItem(QString(), QString());
    for (const QString &key : std::as_const(categories))
        m_categories->addItem(QString(), key);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_query = text;
        refreshSigns();
    });
    connect(m_categories, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_category = m_categories->itemData(index).toString();
        refreshSigns();
    });
    connect(m_signGrid, &QListView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() < m_signItems->signs().size())
            select(m_signItems->signs()[index.row()].id);
    });
}

// The uploaded tab: the Upload button over the spinner, the grid or the empty text.
void GraphicLibraryView::buildUploadedTab()
{
    auto *uploadedPage = new QWidget(m_pages);
    auto *uploadedLayout = new QVBoxLayout(uploadedPage);
    uploadedLayout->setContentsMargins(0, 0, 0, 0);
    uploadedLayout->setSpacing(contentSpacing);
    m_upload = new QPushButton(uploadedPage);
    m_upload->setObjectName(QStringLiteral("uploadButton"));
    m_upload->setIcon(artworkIcon(QStringLiteral("open")));
    m_upload->setIconSize(QSize(uploadIconSide, uploadIconSide));
    m_upload->setAutoDefault(false);
    uploadedLayout->addWidget(m_upload, 0, Qt::AlignLeft);
    m_uploadedContent = new QStackedWidget(uploadedPage);
    auto *spinnerPage = new QWidget(m_uploadedContent);
    auto *spinnerLayout = new QVBoxLayout(spinnerPage);
    spinnerLayout->addWidget(new BusyIndicator(spinnerPage), 0, Qt::AlignCenter);
    m_uploadedContent->addWidget(spinnerPage);
    m_uploadedGrid = new Grid(
        [this](int width) {
            const QFont caption = captionFont(m_uploadedGrid->font());
            qsizetype lines = 1;
            for (const UserGraphic &graphic : m_model->uploaded()) {
                lines = std::max(lines, ItemDelegate::titleLines(graphic.displayName, caption, width, 2).size());
                if (lines == 2)
                    break;
            }
            return int(lines);
        },
        m_delegate, m_uploadedContent);
    m_uploadedGrid->setObjectName(QStringLiteral("uploadedGrid"));
    m_uploadedGrid->setModel(m_uploadedItems);
    m_uploadedContent->addWidget(m_uploadedGrid);
    m_uploadedEmpty = new QLabel(m_uploadedContent);
    m_uploadedEmpty->setObjectName(QStringLiteral("uploadedEmpty"));
    m_uploadedEmpty->setAlignment(Qt::AlignCenter);
    m_uploadedEmpty->setWordWrap(true);
    setTextColor(m_uploadedEmpty, secondaryColor(palette()));
    m_uploadedContent->addWidget(m_uploadedEmpty);
    uploadedLayout->addWidget(m_uploadedContent, 1);
    m_pages->addWidget(uploadedPage);

    connect(m_upload, &QPushButton::clicked, this, [this] { upload(); });
    connect(m_uploadedGrid, &QListView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() < m_model->uploaded().size())
            select(m_model->uploaded()[index.row()].id);
    });

    // The cells' spinners turn while one of them is in view.
    m_spinnerTimer = new QTimer(this);
    m_spinnerTimer->setInterval(spinnerInterval);
    connect(m_spinnerTimer, &QTimer::timeout, this, [this] {
        if (!m_delegate->takeSpinnerPainted()) {
            m_spinnerTimer->stop();
            return;
        }
        m_delegate->advance();
        m_uploadedGrid->viewport()->update();
    });
    m_delegate->spinnerPainted = [this] {
        if (!m_spinnerTimer->isActive())
            m_spinnerTimer->start();
    };
}

QString GraphicLibraryView::localeCode() const
{
    return rawValue(m_l10n->language());
}

void GraphicLibraryView::retranslate()
{
    const Localization &l10n = *m_l10n;
    setWindowTitle(l10n.text(QStringLiteral("mac.sign_library")));
    m_title->setText(l10n.text(QStringLiteral("mac.sign_library")));
    m_tabs->setTabText(0, l10n.text(QStringLiteral("mac.library_signs")));
    m_tabs->setTabText(1, l10n.text(QStringLiteral("mac.uploaded_images")));
    m_search->setPlaceholderText(l10n.text(QStringLiteral("mac.search")));
    m_categoryLabel->setText(l10n.text(QStringLiteral("mac.category")));
    m_categories->setItemText(0, l10n.text(QStringLiteral("mac.all_signs")));
    for (int index = 1; index < m_categories->count(); ++index)
        m_categories->setItemText(index, l10n.text(m_categories->itemData(index).toString()));
    m_upload->setText(l10n.text(QStringLiteral("mac.upload_image")));
    m_uploadedEmpty->setText(l10n.text(QStringLiteral("mac.uploaded_images_empty")));
    m_cancel->setText(l10n.text(QStringLiteral("btn_canc")));
    m_insert->setText(l10n.text(QStringLiteral("mac.insert")));
    setLocale(QLocale(localeCode()));
    m_uploadedItems->retranslate();
    // The search looks at the titles of the new language.
    refreshSigns();
}

QList<GraphicSign> GraphicLibraryView::visibleSigns() const
{
    const QLocale locale(localeCode());
    const QString needle = locale.toLower(m_query);
    QList<GraphicSign> visible;
    for (const GraphicSign &sign : m_model->signs()) {
        if (!m_category.isEmpty() && sign.categoryKey != m_category)
            continue;
        if (!needle.isEmpty() && !locale.toLower(m_l10n->text(sign.titleKey)).contains(needle))
            continue;
        visible.append(sign);
    }
    return visible;
}

int GraphicLibraryView::visibleCount() const
{
    return int(m_tab == GraphicLibraryTab::uploaded ? m_model->uploaded().size() : m_signItems->signs().size());
}

bool GraphicLibraryView::canInsert() const
{
    if (!m_selected)
        return false;
    if (const auto *id = std::get_if<QString>(&*m_selected)) {
        return m_tab == GraphicLibraryTab::signs &&
               std::any_of(m_signItems->signs().begin(), m_signItems->signs().end(),
                           [&](const GraphicSign &sign) { return sign.id == *id; });
    }
    const QUuid id = std::get<QUuid>(*m_selected);
    return m_tab == GraphicLibraryTab::uploaded &&
           std::any_of(m_model->uploaded().begin(), m_model->uploaded().end(),
                       [&](const UserGraphic &graphic) { return graphic.id == id; });
}

void GraphicLibraryView::refreshSigns()
{
    m_signItems->setSigns(visibleSigns());
    m_signGrid->relayout();
    refreshControls();
}

void GraphicLibraryView::refreshUploaded()
{
    m_uploadedContent->setCurrentIndex(m_model->loadingUploaded() ? 0 : m_model->uploaded().isEmpty() ? 2 : 1);
    m_uploadedGrid->relayout();
    refreshControls();
}

void GraphicLibraryView::refreshControls()
{
    const bool onSigns = m_tab == GraphicLibraryTab::signs;
    m_tabs->setEnabled(!m_working);
    m_pages->setEnabled(!m_working);
    m_upload->setEnabled(!m_working && !m_model->loadingUploaded());
    m_cancel->setEnabled(!m_working);
    m_insert->setEnabled(!m_working && canInsert());

    m_errorLine->setText(m_errorKey ? m_l10n->text(*m_errorKey) : QString());
    m_errorLine->setVisible(m_errorKey.has_value());
    const bool sourceFailed = onSigns ? m_model->failed() : m_model->uploadedFailed();
    m_failedLine->setText(m_l10n->text(errorImageKey));
    m_failedLine->setVisible(sourceFailed);
    m_count->setText(m_l10n->count(QStringLiteral("mac.items_count"), visibleCount()));
}

void GraphicLibraryView::changeTab(int index)
{
    const GraphicLibraryTab tab = index == 1 ? GraphicLibraryTab::uploaded : GraphicLibraryTab::signs;
    if (tab == m_tab)
        return;
    m_tab = tab;
    m_pages->setCurrentIndex(index);
    m_selected.reset();
    m_errorKey.reset();
    m_signItems->setSelected(std::nullopt);
    m_uploadedItems->setSelected(std::nullopt);
    refreshControls();
}

void GraphicLibraryView::select(const GraphicLibrarySelection &selection)
{
    m_selected = selection;
    const auto *sign = std::get_if<QString>(&selection);
    const auto *graphic = std::get_if<QUuid>(&selection);
    m_signItems->setSelected(sign ? std::optional<QString>(*sign) : std::nullopt);
    m_uploadedItems->setSelected(graphic ? std::optional<QUuid>(*graphic) : std::nullopt);
    refreshControls();
}

void GraphicLibraryView::setWorking(bool working)
{
    m_working = working;
    refreshControls();
}

void GraphicLibraryView::setErrorKey(const std::optional<QString> &key)
{
    m_errorKey = key;
    refreshControls();
}

void GraphicLibraryView::insert()
{
    if (m_working || m_finished || !m_store || !canInsert())
        return;
    if (const auto *id = std::get_if<QString>(&*m_selected)) {
        const QList<GraphicSign> &signs = m_signItems->signs();
        const auto sign = std::find_if(signs.begin(), signs.end(), [&](const GraphicSign &s) { return s.id == *id; });
        if (sign == signs.end())
            return;
        try {
            const QByteArray png = sign->embeddedPNG();
            m_store->addImage(png, sign->id, sign->id);
        } catch (...) {
            setErrorKey(errorKeyOf(std::current_exception()));
            return;
        }
        finish(QDialog::Accepted);
        return;
    }

    const QUuid id = std::get<QUuid>(*m_selected);
    const QList<UserGraphic> &graphics = m_model->uploaded();
    const auto found = std::find_if(graphics.begin(), graphics.end(), [&](const UserGraphic &g) { return g.id == id; });
    if (found == graphics.end())
        return;
    const UserGraphic graphic = *found;
    setWorking(true);
    deliver(this, m_model->data(graphic), [this, graphic](QFuture<QByteArray> future) {
        if (m_finished)
            return;
        std::optional<QString> failure;
        try {
            const QByteArray png = future.result();
            if (!m_store)
                throwIssue(DocumentIssue::io);
            m_store->addImage(png, graphic.displayName, graphic.graphicID());
        } catch (...) {
            failure = errorKeyOf(std::current_exception());
        }
        setWorking(false);
        if (failure)
            setErrorKey(failure);
        else
            finish(QDialog::Accepted);
    });
}

void GraphicLibraryView::upload()
{
    if (m_working || m_finished || !m_store || m_model->loadingUploaded())
        return;
    EditorDialogs::OpenRequest request;
    request.nameFilters = {imageFilter()};
    request.multipleSelection = false;
    request.title = m_l10n->text(QStringLiteral("mac.upload_image"));
    request.acceptLabel = request.title;
    const QStringList files = m_store->dialogs().chooseOpenFiles(request);
    if (files.isEmpty() || files.first().isEmpty() || m_finished)
        return;
    setWorking(true);
    deliver(this, m_model->importImage(files.first()), [this](QFuture<UserGraphic> future) {
        if (m_finished)
            return;
        std::optional<UserGraphic> imported;
        std::optional<QString> failure;
        try {
            imported = future.result();
        } catch (...) {
            failure = errorKeyOf(std::current_exception());
        }
        setWorking(false);
        if (!imported) {
            setErrorKey(failure);
            return;
        }
        m_errorKey.reset();
        select(imported->id);
        const QList<UserGraphic> &graphics = m_model->uploaded();
        for (qsizetype row = 0; row < graphics.size(); ++row) {
            if (graphics[row].id == imported->id)
                m_uploadedGrid->scrollTo(m_uploadedItems->index(int(row)));
        }
    });
}

void GraphicLibraryView::finish(int result)
{
    if (m_finished)
        return;
    m_finished = true;
    m_working = false;
    m_spinnerTimer->stop();
    QDialog::done(result);
    if (m_store && m_store->showsLibrary())
        m_store->setShowsLibrary(false);
}

void GraphicLibraryView::done(int result)
{
    if (m_working)
        return;
    finish(result);
}

void GraphicLibraryView::reject()
{
    if (m_working)
        return;
    QDialog::reject();
}

void GraphicLibraryView::closeEvent(QCloseEvent *event)
{
    if (m_working) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void GraphicLibraryView::keyPressEvent(QKeyEvent *event)
{
    if (m_working &&
        (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kestrivane
