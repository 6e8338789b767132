#include "app/catalog/TemplateCatalogView.h"

#include "app/catalog/CatalogWidgets.h"
#include "app/catalog/TemplateCatalogStore.h"
#include "app/common/ShellStyle.h"
#include "app/shell/SheetPreview.h"
#include "app/shell/WorkspaceStore.h"
#include "core/l10n/Localization.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestrivane {

using namespace catalogstyle;

namespace {

constexpr int namesShown = 20;

void fill(QWidget *widget, const QColor &color)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

QLabel *textLabel(Text style, QFont::Weight weight, bool secondary, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFont(font(style, weight));
    label->setWordWrap(true);
    if (secondary)
        shellstyle::setTextColor(label, catalogstyle::secondary(label->palette()));
    return label;
}

// The detail preview: the prepared document, else the catalog's picture, else the outline,
// with the preparing note on top.
class DetailPreview final : public QWidget {
public:
    DetailPreview(TemplateCatalogStore *store, QWidget *parent) : QWidget(parent), m_store(store)
    {
        setFixedHeight(300);
        m_badge = new QWidget(this);
        auto *lines = new QVBoxLayout(m_badge);
        lines->setContentsMargins(12, 12, 12, 12);
        lines->setSpacing(8);
        lines->addWidget(new ActivitySpinner(m_badge), 0, Qt::AlignHCenter);
        m_note = textLabel(Text::caption, QFont::Normal, true, m_badge);
        m_note->setAlignment(Qt::AlignCenter);
        lines->addWidget(m_note);
        m_badge->hide();
    }

    void setNote(const QString &text) { m_note->setText(text); }

    void refresh()
    {
        m_badge->setVisible(m_store && m_store->preparing());
        placeBadge();
        update();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        placeBadge();
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), 9, 9);
        painter.setClipPath(clip);
        painter.fillRect(rect(), underPage(palette()));
        if (!m_store || !m_store->selected())
            return;
        if (m_store->prepared()) {
            SheetPreview::paint(painter, QRectF(rect()), m_store->prepared()->document);
        } else if (!m_store->previewImage().isNull()) {
            const QRectF box = QRectF(rect()).adjusted(16, 16, -16, -16);
            QSizeF size = QSizeF(m_store->previewImage().size()).scaled(box.size(), Qt::KeepAspectRatio);
            QRectF target(QPointF(), size);
            target.moveCenter(box.center());
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, m_store->previewImage());
        } else {
            CatalogShapePlaceholder::paint(painter, QRectF(rect()), m_store->selected()->widthMm,
                                           m_store->selected()->heightMm);
        }
        if (m_badge->isVisible()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(material(palette()));
            painter.drawRoundedRect(QRectF(m_badge->geometry()), 9, 9);
        }
    }

private:
    void placeBadge()
    {
        m_badge->adjustSize();
        QRect box(QPoint(), m_badge->sizeHint());
        box.moveCenter(rect().center());
        m_badge->setGeometry(box);
    }

    QPointer<TemplateCatalogStore> m_store;
    QWidget *m_badge;
    QLabel *m_note;
};

} // namespace

TemplateCatalogView::TemplateCatalogView(TemplateCatalogStore *store, WorkspaceStore *workspace,
                                         Localization *localization, QWidget *parent)
    : QWidget(parent), m_store(store), m_workspace(workspace), m_l10n(localization)
{
    fill(this, palette().color(QPalette::Window));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(makeHeader());
    root->addWidget(shellstyle::horizontalDivider(this));

    m_status = new QWidget(this);
    fill(m_status, shellstyle::withAlpha(shellstyle::orange, 5.5));
    auto *statusLines = new QVBoxLayout(m_status);
    statusLines->setContentsMargins(20, 10, 20, 10);
    statusLines->setSpacing(6);
    m_issue = textLabel(Text::callout, QFont::Normal, false, m_status);
    shellstyle::setTextColor(m_issue, shellstyle::orange);
    m_issueNames = textLabel(Text::caption, QFont::Normal, false, m_status);
    m_issueNames->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_storage = textLabel(Text::callout, QFont::Normal, false, m_status);
    shellstyle::setTextColor(m_storage, shellstyle::orange);
    statusLines->addWidget(m_issue);
    statusLines->addWidget(m_issueNames);
    statusLines->addWidget(m_storage);
    root->addWidget(m_status);
    m_statusDivider = shellstyle::horizontalDivider(this);
    root->addWidget(m_statusDivider);

    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setChildrenCollapsible(false);
    m_split->setHandleWidth(1);
    m_split->addWidget(makeSidebar());
    m_split->addWidget(makeBrowser());
    m_split->addWidget(makeDetail());
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->setStretchFactor(2, 0);
    m_split->setSizes({180, 520, 360});
    root->addWidget(m_split, 1);
    root->addWidget(shellstyle::horizontalDivider(this));

    m_footer = textLabel(Text::caption, QFont::Normal, true, this);
    m_footer->setContentsMargins(20, 9, 20, 9);
    fill(m_footer, palette().color(QPalette::Base));
    root->addWidget(m_footer);

    // Open is the screen's default action; the lists claim Return where it chooses a cell.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (m_open->isEnabled())
                m_open->click();
        });
    }

    if (m_store) {
        TemplateCatalogStore *s = m_store;
        connect(s, &TemplateCatalogStore::snapshotChanged, this, [this] {
            m_itemModel->sync();
            m_categoryModel->sync();
            scheduleThumbnails();
        });
        connect(s, &TemplateCatalogStore::categoryChanged, m_categories->viewport(), qOverload<>(&QWidget::update));
        connect(s, &TemplateCatalogStore::displayModeChanged, this, &TemplateCatalogView::showMode);
        connect(s, &TemplateCatalogStore::thumbnailDocumentsChanged, this, [this](const QString &id) {
            m_itemDelegate->dropThumbnail(id);
            m_items->viewport()->update();
        });
        connect(s, &TemplateCatalogStore::preparedChanged, this, [this] {
            if (m_store && m_store->selected())
                m_itemDelegate->dropThumbnail(m_store->selected()->id);
        });
        connect(s, &TemplateCatalogStore::changed, this, &TemplateCatalogView::showState);
    }
    if (m_l10n)
        connect(m_l10n, &Localization::languageChanged, this, &TemplateCatalogView::retranslate);

    // While the selected card shows its activity badge, its frames follow the clock.
    auto *ticker = new QTimer(this);
    ticker->setInterval(100);
    connect(ticker, &QTimer::timeout, this, [this] {
        if (m_store && m_store->preparing() && m_itemDelegate->cards() && isVisible())
            m_items->viewport()->update();
    });
    ticker->start();

    retranslate();
    showMode();
}

QWidget *TemplateCatalogView::makeHeader()
{
    auto *header = new QWidget(this);
    fill(header, palette().color(QPalette::Base));
    header->setMinimumHeight(68);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(20, 14, 20, 14);
    row->setSpacing(12);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    m_title = textLabel(Text::title2, QFont::DemiBold, false, header);
    m_subtitle = textLabel(Text::callout, QFont::Normal, true, header);
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);
    row->addLayout(titles, 1);
    m_spinner = new ActivitySpinner(header);
    row->addWidget(m_spinner);
    m_cached = textLabel(Text::caption, QFont::Normal, true, header);
    m_cached->setWordWrap(false);
    row->addWidget(m_cached);
    m_refresh = new QPushButton(header);
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        if (m_store)
            m_store->refresh(std::nullopt, false);
    });
    row->addWidget(m_refresh);
    return header;
}

QWidget *TemplateCatalogView::makeSidebar()
{
    auto *sidebar = new QWidget(this);
    fill(sidebar, shellstyle::withAlpha(palette().color(QPalette::WindowText), 2.5));
    sidebar->setMinimumWidth(160);
    sidebar->setMaximumWidth(220);
    auto *lines = new QVBoxLayout(sidebar);
    lines->setContentsMargins(10, 16, 10, 16);
    lines->setSpacing(10);
    m_categoryHeading = textLabel(Text::caption, QFont::DemiBold, true, sidebar);
    m_categoryHeading->setContentsMargins(8, 0, 8, 0);
    lines->addWidget(m_categoryHeading);

    m_categories = new ChoiceListView(sidebar);
    m_categories->setFrameShape(QFrame::NoFrame);
    m_categories->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_categories->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_categories->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_categories->setResizeMode(QListView::Adjust);
    m_categories->viewport()->setAutoFillBackground(false);
    m_categories->setAutoFillBackground(false);
    m_categoryModel = new CatalogCategoryModel(m_store, m_l10n, this);
    m_categoryDelegate = new CatalogCategoryDelegate(m_store, this);
    m_categories->setModel(m_categoryModel);
    m_categories->setItemDelegate(m_categoryDelegate);
    m_categories->setChosenTest([this](const QModelIndex &index) {
        return m_store && m_categoryModel->categoryID(index.row()) == m_store->category();
    });
    connect(m_categories, &ChoiceListView::chosen, this, [this](const QModelIndex &index) {
        if (!m_store)
            return;
        const std::optional<QString> id = m_categoryModel->categoryID(index.row());
        // Pressing the category already shown asks for nothing.
        if (id != m_store->category())
            m_store->refresh(id, true);
    });
    // Choosing a category empties both lists and fills them again: the keyboard focus comes
    // back to the chosen category once it is listed.
    connect(m_categoryModel, &QAbstractItemModel::modelReset, this, [this] {
        const int row = m_store ? m_categoryModel->row(m_store->category()) : -1;
        if (row >= 0)
            m_categories->setCurrentIndex(m_categoryModel->index(row));
    });
    lines->addWidget(m_categories, 1);
    return sidebar;
}

QWidget *TemplateCatalogView::makeBrowser()
{
    auto *browser = new QWidget(this);
    browser->setMinimumWidth(350);
    auto *lines = new QVBoxLayout(browser);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);

    auto *bar = new QWidget(browser);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(12);
    m_templatesHeading = textLabel(Text::headline, QFont::DemiBold, false, bar);
    m_templatesHeading->setWordWrap(false);
    row->addWidget(m_templatesHeading);
    row->addStretch(1);
    auto *switcher = new QWidget(bar);
    switcher->setFixedWidth(230);
    auto *segments = new QHBoxLayout(switcher);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(0);
    m_modes = new QButtonGroup(this);
    m_modes->setExclusive(true);
    m_listMode = new QToolButton(switcher);
    m_previewMode = new QToolButton(switcher);
    for (QToolButton *button : {m_listMode, m_previewMode}) {
        button->setCheckable(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        segments->addWidget(button);
    }
    m_modes->addButton(m_listMode, int(CatalogDisplayMode::list));
    m_modes->addButton(m_previewMode, int(CatalogDisplayMode::previews));
    connect(m_modes, &QButtonGroup::idClicked, this, [this](int id) {
        if (m_store)
            m_store->selectDisplayMode(static_cast<CatalogDisplayMode>(id));
    });
    row->addWidget(switcher);
    lines->addWidget(bar);
    lines->addWidget(shellstyle::horizontalDivider(browser));

    m_browserPages = new QStackedWidget(browser);
    m_items = new ChoiceListView(m_browserPages);
    m_items->setFrameShape(QFrame::NoFrame);
    m_items->setUniformItemSizes(true);
    m_items->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_items->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_items->setMouseTracking(false);
    m_itemModel = new CatalogItemModel(m_store, this);
    m_itemDelegate = new CatalogItemDelegate(m_store, m_l10n, this);
    m_items->setModel(m_itemModel);
    m_items->setItemDelegate(m_itemDelegate);
    m_items->viewport()->installEventFilter(this);
    m_items->setChosenTest([this](const QModelIndex &index) {
        return m_store && m_store->selected() && index.row() < m_store->snapshot().items().size() &&
               m_store->selected()->id == m_itemModel->item(index.row()).id;
    });
    connect(m_items, &ChoiceListView::chosen, this, [this](const QModelIndex &index) {
        if (m_store && index.row() < m_store->snapshot().items().size())
            m_store->select(m_store->snapshot().items().at(index.row()));
    });
    connect(m_items->verticalScrollBar(), &QScrollBar::valueChanged, this, &TemplateCatalogView::scheduleThumbnails);
    m_browserPages->addWidget(m_items);
    m_emptyText = textLabel(Text::callout, QFont::Normal, true, m_browserPages);
    m_emptyText->setAlignment(Qt::AlignCenter);
    m_emptyText->setContentsMargins(24, 24, 24, 24);
    m_browserPages->addWidget(m_emptyText);
    lines->addWidget(m_browserPages, 1);

    m_moreDivider = shellstyle::horizontalDivider(browser);
    lines->addWidget(m_moreDivider);
    auto *moreRow = new QHBoxLayout;
    moreRow->setContentsMargins(0, 9, 0, 9);
    m_more = new QPushButton(browser);
    connect(m_more, &QPushButton::clicked, this, [this] {
        if (m_store)
            m_store->loadMore();
    });
    moreRow->addStretch();
    moreRow->addWidget(m_more);
    moreRow->addStretch();
    lines->addLayout(moreRow);
    return browser;
}

QWidget *TemplateCatalogView::makeDetail()
{
    auto *panel = new QWidget(this);
    fill(panel, palette().color(QPalette::Base));
    panel->setMinimumWidth(310);
    panel->setMaximumWidth(440);
    auto *lines = new QVBoxLayout(panel);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    m_detailPages = new QStackedWidget(panel);

    m_selectText = textLabel(Text::callout, QFont::Normal, true, m_detailPages);
    m_selectText->setAlignment(Qt::AlignCenter);
    m_selectText->setContentsMargins(24, 24, 24, 24);
    m_detailPages->addWidget(m_selectText);

    auto *selected = new QWidget(m_detailPages);
    auto *selectedLines = new QVBoxLayout(selected);
    selectedLines->setContentsMargins(0, 0, 0, 0);
    selectedLines->setSpacing(0);
    auto *scroll = new FocusRingScrollArea(selected);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget(scroll);
    fill(content, palette().color(QPalette::Base));
    auto *stack = new QVBoxLayout(content);
    stack->setContentsMargins(18, 18, 18, 18);
    stack->setSpacing(12);
    m_name = textLabel(Text::title3, QFont::DemiBold, false, content);
    m_size = textLabel(Text::callout, QFont::Normal, true, content);
    m_preview = new DetailPreview(m_store, content);
    m_description = textLabel(Text::callout, QFont::Normal, false, content);
    m_savedCopy = textLabel(Text::caption, QFont::Normal, true, content);
    m_detailIssue = textLabel(Text::callout, QFont::Normal, false, content);
    shellstyle::setTextColor(m_detailIssue, shellstyle::orange);
    m_detailIssueNames = textLabel(Text::caption, QFont::Normal, false, content);
    m_detailIssueNames->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    for (QWidget *widget : std::initializer_list<QWidget *>{m_name, m_size, m_preview, m_description, m_savedCopy,
                                                            m_detailIssue, m_detailIssueNames})
        stack->addWidget(widget);
    stack->addStretch(1);
    scroll->setWidget(content);
    selectedLines->addWidget(scroll, 1);
    selectedLines->addWidget(shellstyle::horizontalDivider(selected));
    auto *openRow = new QHBoxLayout;
    openRow->setContentsMargins(14, 14, 14, 14);
    openRow->addStretch();
    m_open = new QPushButton(selected);
    m_open->setDefault(true);
    connect(m_open, &QPushButton::clicked, this, [this] {
        if (m_store && m_workspace)
            m_store->open(*m_workspace);
    });
    openRow->addWidget(m_open);
    selectedLines->addLayout(openRow);
    m_detailPages->addWidget(selected);
    lines->addWidget(m_detailPages);
    return panel;
}

void TemplateCatalogView::retranslate()
{
    if (!m_l10n)
        return;
    const Localization &l10n = *m_l10n;
    const auto text = [&](const char *key) { return l10n.text(QString::fromLatin1(key)); };
    m_title->setText(text("mac.from_template"));
    m_subtitle->setText(text("mac.catalog_source"));
    m_cached->setText(text("mac.catalog_cached"));
    m_refresh->setText(text("mac.catalog_refresh"));
    m_storage->setText(text("mac.catalog_storage"));
    m_categoryHeading->setText(text("mac.catalog_category").toUpper());
    m_templatesHeading->setText(text("mac.catalog_templates"));
    m_listMode->setText(text("mac.catalog_view_list"));
    m_previewMode->setText(text("mac.catalog_view_previews"));
    m_listMode->parentWidget()->setAccessibleName(text("mac.catalog_templates"));
    m_more->setText(text("mac.catalog_more"));
    m_selectText->setText(text("mac.catalog_select"));
    m_savedCopy->setText(text("mac.catalog_saved_copy"));
    m_open->setText(text("mac.catalog_open"));
    m_footer->setText(text("mac.catalog_offline_hint"));
    static_cast<DetailPreview *>(m_preview)->setNote(text("mac.catalog_preparing"));
    m_categoryModel->sync();
    m_itemDelegate->dropThumbnail(QString());
    m_items->viewport()->update();
    showState();
}

void TemplateCatalogView::showIssue(QLabel *text, QLabel *names, const CatalogIssue *issue)
{
    text->setVisible(issue != nullptr);
    const bool unsupported = issue && issue->kind() == CatalogIssue::Kind::unsupported;
    names->setVisible(unsupported);
    if (issue && m_l10n)
        text->setText(m_l10n->text(issue->key()));
    if (unsupported)
        names->setText(issue->paths().mid(0, namesShown).join(QStringLiteral(", ")));
}

void TemplateCatalogView::showState()
{
    if (!m_store)
        return;
    const TemplateCatalogStore &store = *m_store;
    m_spinner->setVisible(store.loading());
    m_cached->setVisible(store.usingCachedCatalog());
    m_refresh->setEnabled(!store.loading());

    const bool status = store.issue() || store.cacheIssue();
    m_status->setVisible(status);
    m_statusDivider->setVisible(status);
    showIssue(m_issue, m_issueNames, store.issue() ? &*store.issue() : nullptr);
    m_storage->setVisible(store.cacheIssue());

    const bool empty = store.snapshot().items().isEmpty();
    if (empty && m_l10n)
        m_emptyText->setText(m_l10n->text(store.loading() ? QStringLiteral("mac.catalog_loading")
                                                          : QStringLiteral("mac.catalog_empty")));
    m_browserPages->setCurrentWidget(empty ? static_cast<QWidget *>(m_emptyText) : m_items);
    m_moreDivider->setVisible(store.canLoadMore());
    m_more->setVisible(store.canLoadMore());
    m_more->setEnabled(!store.loading());
    m_categories->viewport()->update();
    m_items->viewport()->update();
    showDetail();
}

void TemplateCatalogView::showDetail()
{
    const TemplateCatalogStore &store = *m_store;
    m_detailPages->setCurrentIndex(store.selected() ? 1 : 0);
    if (store.selected() && m_l10n) {
        const CatalogItem &item = *store.selected();
        m_name->setText(item.name);
        m_size->setText(sizeText(*m_l10n, item));
        const bool description = item.description && !item.description->isEmpty();
        m_description->setVisible(description);
        if (description)
            m_description->setText(*item.description);
    }
    m_savedCopy->setVisible(store.usingCachedTemplate());
    showIssue(m_detailIssue, m_detailIssueNames, store.detailIssue() ? &*store.detailIssue() : nullptr);
    m_open->setEnabled(store.canOpen());
    static_cast<DetailPreview *>(m_preview)->refresh();
}

void TemplateCatalogView::showMode()
{
    if (!m_store)
        return;
    const bool cards = m_store->displayMode() == CatalogDisplayMode::previews;
    (cards ? m_previewMode : m_listMode)->setChecked(true);
    m_itemDelegate->setCards(cards);
    if (cards) {
        m_items->setViewMode(QListView::IconMode);
        m_items->setFlow(QListView::LeftToRight);
        m_items->setWrapping(true);
        m_items->setResizeMode(QListView::Adjust);
        m_items->setMovement(QListView::Static);
        m_items->setSpacing(0);
        m_items->setContentsMargins(6, 6, 6, 6);
    } else {
        m_items->setViewMode(QListView::ListMode);
        m_items->setFlow(QListView::TopToBottom);
        m_items->setWrapping(false);
        m_items->setResizeMode(QListView::Adjust);
        m_items->setGridSize(QSize());
        m_items->setSpacing(0);
        m_items->setContentsMargins(0, 8, 0, 8);
    }
    layoutGrid();
    scheduleThumbnails();
}

void TemplateCatalogView::layoutGrid()
{
    if (!m_itemDelegate->cards())
        return;
    // Adaptive columns: as many of at least the minimum width as fit, widened up to the maximum.
    const int gap = CatalogItemDelegate::gridGap;
    // The view wraps a row before a cell would touch its right edge: leave it a little room.
    const int available = std::max(1, m_items->viewport()->width() - 2 * m_items->spacing() - 2);
    const int columns = std::max(1, available / (CatalogItemDelegate::minimumCardWidth + gap));
    const int width = std::clamp(available / columns - gap - 1, CatalogItemDelegate::minimumCardWidth,
                                 CatalogItemDelegate::maximumCardWidth);
    m_itemDelegate->setCardWidth(width);
    const QSize grid(width + gap, m_itemDelegate->cardHeight() + gap);
    if (m_items->gridSize() != grid)
        m_items->setGridSize(grid);
}

bool TemplateCatalogView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_items->viewport() && event->type() == QEvent::Resize) {
        layoutGrid();
        scheduleThumbnails();
    }
    return QWidget::eventFilter(watched, event);
}

void TemplateCatalogView::scheduleThumbnails()
{
    if (m_thumbnailsPending)
        return;
    m_thumbnailsPending = true;
    QTimer::singleShot(0, this, [this] {
        m_thumbnailsPending = false;
        requestVisibleThumbnails();
    });
}

void TemplateCatalogView::requestVisibleThumbnails()
{
    if (!m_store || !m_itemDelegate->cards() || !isVisible())
        return;
    const QRect viewport = m_items->viewport()->rect();
    const QList<CatalogItem> items = m_store->snapshot().items();
    // The first visible card, then onwards until a card lies below the viewport.
    QModelIndex first = m_items->indexAt(QPoint(viewport.left() + 8, viewport.top() + 8));
    int row = first.isValid() ? first.row() : 0;
    const int columns = std::max(1, viewport.width() / std::max(1, m_items->gridSize().width()));
    row = std::max(0, row - columns);
    for (; row < items.size(); ++row) {
        const QRect rect = m_items->visualRect(m_itemModel->index(row));
        if (rect.top() > viewport.bottom())
            break;
        if (rect.intersects(viewport))
            m_store->loadCachedThumbnail(items.at(row));
    }
}

void TemplateCatalogView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    QTimer::singleShot(0, this, [this] {
        if (m_store && isVisible())
            m_store->refresh(std::nullopt, false);
    });
    scheduleThumbnails();
}

void TemplateCatalogView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A minimised window hides nothing of the screen's work.
    if (!event->spontaneous() && m_store)
        m_store->cancel();
}

} // namespace kestrivane
