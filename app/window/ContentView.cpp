#include "app/window/ContentView.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/LabelCanvas.h"
#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/inspector/EditorInspector.h"
#include "app/window/EditorSidebar.h"
#include "app/window/EditorWindowText.h"
#include "core/l10n/AppLanguage.h"
#include "core/l10n/Localization.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kestrivane {

using shellstyle::FontStyle;

namespace {

struct SidebarEntry {
    ElementKind kind;
    const char *title;
    const char *icon;
};

// The order of the sidebar; the image row opens the graphic library.
constexpr std::array<SidebarEntry, 7> sidebarEntries = {{
    {ElementKind::text, "menu_text", "menu_text"},
    {ElementKind::barcode, "mac.barcode", "menu_bar"},
    {ElementKind::dateTime, "mac.dateTime", "editor_date"},
    {ElementKind::line, "mac.line", "editor_line"},
    {ElementKind::rectangle, "mac.element_rectangle", "editor_shape"},
    {ElementKind::counter, "mac.counter", "editor_counter"},
    {ElementKind::image, "mac.library_signs", "editor_image"},
}};

// Left and right padding of the sidebar's content and of its label summary.
constexpr int sidebarPadding = 14;

// A pane that keeps the light look whatever the desktop's theme.
void makeLightPane(QWidget *pane)
{
    pane->setPalette(lightPanePalette());
    pane->setAutoFillBackground(true);
    pane->setBackgroundRole(QPalette::Window);
}

void setSecondary(QWidget *widget)
{
    shellstyle::setTextColor(widget, widget->palette().color(QPalette::PlaceholderText));
}

} // namespace

// --- ContentView --------------------------------------------------------------------

ContentView::ContentView(EditorStore *store, Localization *localization, std::function<void()> newDocument,
                         std::function<void()> openDocument, std::function<void()> editParameters, QWidget *parent)
    : QWidget(parent), m_store(store), m_localization(localization), m_newDocument(std::move(newDocument)),
      m_openDocument(std::move(openDocument)), m_editParameters(std::move(editParameters)), m_viewportSize(0, 0)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(makeToolbar());
    root->addWidget(shellstyle::horizontalDivider(this));

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);
    m_splitter->addWidget(makeSidebar());
    m_splitter->addWidget(makeCanvasPane());
    m_inspector = new QWidget(m_splitter);
    m_inspector->setObjectName(QStringLiteral("inspectorPane"));
    makeLightPane(m_inspector);
    m_inspector->setMinimumWidth(inspectorMinimumWidth);
    m_inspector->setMaximumWidth(inspectorMaximumWidth);
    if (m_store) {
        auto *inspectorLayout = new QVBoxLayout(m_inspector);
        inspectorLayout->setContentsMargins(0, 0, 0, 0);
        auto *pane = new InspectorPane(m_store, m_localization, m_inspector);
        // Focus leaves a vanished inspector control for the canvas, never the top bar.
        pane->setFocusFallback(m_canvas->canvas());
        inspectorLayout->addWidget(pane);
    }
    m_splitter->addWidget(m_inspector);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setStretchFactor(2, 0);
    // The divider counts as moved from its first press: the move itself resizes the pane
    // before the splitter reports it.
    m_splitter->handle(1)->installEventFilter(this);
    root->addWidget(m_splitter, 1);

    root->addWidget(shellstyle::horizontalDivider(this));
    root->addWidget(makeStatusBar());

    if (m_store) {
        m_canvas->bind(m_store, m_localization, m_editParameters);
        connect(m_store, &EditorStore::changed, this, &ContentView::refresh);
        connect(m_store, &EditorStore::showsLibraryChanged, this, [this] { showSheetFlag(EditorSheet::library); });
        connect(m_store, &EditorStore::showsDataChanged, this, [this] { showSheetFlag(EditorSheet::data); });
        connect(m_store, &EditorStore::showsBatchChanged, this, [this] { showSheetFlag(EditorSheet::batch); });
    }
    if (m_localization)
        connect(m_localization, &Localization::languageChanged, this, &ContentView::languageChanged);
    followPalette();
    applyFonts();
    languageChanged();
    m_splitter->setSizes({std::max(sidebarWidth, m_sidebar->minimumWidth()), 760, inspectorWidth});
    // A flag raised before the window existed is shown now.
    for (EditorSheet sheet : {EditorSheet::library, EditorSheet::data, EditorSheet::batch})
        showSheetFlag(sheet);
}

ContentView::~ContentView()
{
    for (const QPointer<QDialog> &dialog : m_sheets) {
        if (dialog) {
            dialog->disconnect(this);
            delete dialog.data();
        }
    }
}

QToolButton *ContentView::action(const QString &key, const QString &icon, std::function<void()> perform)
{
    auto *button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    if (icon.isEmpty()) {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    } else {
        button->setIcon(artworkIcon(icon));
        button->setIconSize(QSize(20, 20));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    connect(button, &QToolButton::clicked, this, [perform = std::move(perform)] { perform(); });
    m_textButtons.append({button, key});
    return button;
}

QToolButton *ContentView::iconButton(const QIcon &icon, int side, std::function<void()> perform)
{
    auto *button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setIcon(icon);
    button->setIconSize(QSize(side, side));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(button, &QToolButton::clicked, this, [perform = std::move(perform)] { perform(); });
    return button;
}

QWidget *ContentView::makeToolbar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("editorToolbar"));
    bar->setFixedHeight(toolbarHeight);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 0, 16, 0);
    row->setSpacing(12);
    QPointer<ContentView> self(this);
    m_new = action(QStringLiteral("tmenu_create_tooltip"), QStringLiteral("create"), [self] {
        if (self && self->m_newDocument)
            self->m_newDocument();
    });
    m_open = action(QStringLiteral("btn_open"), QStringLiteral("open"), [self] {
        if (self && self->m_openDocument)
            self->m_openDocument();
    });
    m_save = action(QStringLiteral("btn_save"), QStringLiteral("save"), [self] {
        if (self && self->m_store)
            self->m_store->save(false);
    });
    m_undo = iconButton(artworkIcon(QStringLiteral("ctrlz")), 20, [self] {
        if (self && self->m_store)
            self->m_store->undo();
    });
    m_redo = iconButton(artworkIcon(QStringLiteral("ctrly")), 20, [self] {
        if (self && self->m_store)
            self->m_store->redo();
    });
    m_parameters = iconButton(artworkIcon(QStringLiteral("setup")), 20, [self] {
        if (self && self->m_editParameters)
            self->m_editParameters();
    });
    // The batch step reads its mode when it opens: the mode is written first.
    m_export = action(QStringLiteral("mac.export_pdf"), QString(), [self] {
        if (self && self->m_store) {
            self->m_store->setBatchExport(true);
            self->m_store->setShowsBatch(true);
        }
    });
    m_print = action(QStringLiteral("tmenu_print"), QStringLiteral("print"), [self] {
        if (self && self->m_store) {
            self->m_store->setBatchExport(false);
            self->m_store->setShowsBatch(true);
        }
    });
    for (QWidget *item :
         {static_cast<QWidget *>(m_new), static_cast<QWidget *>(m_open), static_cast<QWidget *>(m_save)})
        row->addWidget(item);
    row->addWidget(shellstyle::verticalDivider(22, bar));
    row->addWidget(m_undo);
    row->addWidget(m_redo);
    row->addWidget(shellstyle::verticalDivider(22, bar));
    row->addWidget(m_parameters);
    row->addStretch(1);
    row->addWidget(m_export);
    row->addWidget(m_print);
    return bar;
}

QWidget *ContentView::makeSidebar()
{
    m_sidebar = new QWidget(this);
    m_sidebar->setObjectName(QStringLiteral("componentSidebar"));
    makeLightPane(m_sidebar);
    m_sidebar->setMinimumWidth(sidebarMinimumWidth);
    m_sidebar->setMaximumWidth(sidebarMaximumWidth);
    auto *column = new QVBoxLayout(m_sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *scroll = new QScrollArea(m_sidebar);
    m_sidebarScroll = scroll;
    // The scroll bar narrows the rows when it appears: the minimum width follows it.
    scroll->viewport()->installEventFilter(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget(scroll);
    makeLightPane(content);
    auto *items = new QVBoxLayout(content);
    items->setContentsMargins(sidebarPadding, 15, sidebarPadding, 12);
    items->setSpacing(10);
    auto *header = new QVBoxLayout;
    header->setSpacing(2);
    m_componentsTitle = new QLabel(content);
    m_componentsHint = new QLabel(content);
    m_componentsHint->setWordWrap(true);
    setSecondary(m_componentsHint);
    header->addWidget(m_componentsTitle);
    header->addWidget(m_componentsHint);
    items->addLayout(header);
    for (const SidebarEntry &entry : sidebarEntries) {
        auto *button = new EditorComponentButton(entry.kind, QString::fromLatin1(entry.icon), content);
        const ElementKind kind = entry.kind;
        QPointer<EditorStore> store = m_store;
        connect(button, &QAbstractButton::clicked, this, [store, kind] {
            if (store)
                store->add(kind);
        });
        if (kind == ElementKind::image)
            button->setEnabled(hasSheet(EditorSheet::library));
        m_components.append(button);
        items->addWidget(button);
    }
    items->addStretch(1);
    scroll->setWidget(content);
    column->addWidget(scroll, 1);
    column->addWidget(shellstyle::horizontalDivider(m_sidebar));

    auto *summary = new QWidget(m_sidebar);
    summary->setObjectName(QStringLiteral("labelSummary"));
    QPalette tinted = lightPanePalette();
    const QColor ink = tinted.color(QPalette::WindowText);
    const auto blend = [](int paper, int colour) { return qRound(paper + (colour - paper) * 0.015); };
    tinted.setColor(QPalette::Window, QColor(blend(255, ink.red()), blend(255, ink.green()), blend(255, ink.blue())));
    summary->setPalette(tinted);
    summary->setAutoFillBackground(true);
    auto *card = new QVBoxLayout(summary);
    card->setContentsMargins(sidebarPadding, 12, sidebarPadding, 12);
    card->setSpacing(9);
    m_cardTitle = new QLabel(summary);
    m_card = new LabelSummaryCard(summary);
    m_card->setPalette(lightPanePalette());
    QPointer<ContentView> self(this);
    connect(m_card, &QAbstractButton::clicked, this, [self] {
        if (self && self->m_editParameters)
            self->m_editParameters();
    });
    card->addWidget(m_cardTitle);
    card->addWidget(m_card);
    column->addWidget(summary);
    return m_sidebar;
}

QWidget *ContentView::makeCanvasPane()
{
    auto *pane = new QWidget(this);
    pane->setMinimumWidth(canvasMinimumWidth);
    auto *column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_canvasArea = new QWidget(pane);
    auto *area = new QVBoxLayout(m_canvasArea);
    area->setContentsMargins(0, 0, 0, 0);
    m_canvas = new CanvasWorkspaceView(m_canvasArea);
    area->addWidget(m_canvas);
    m_hint = new QLabel(m_canvasArea);
    m_hint->setObjectName(QStringLiteral("addHint"));
    m_hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hint->setContentsMargins(20, 20, 20, 20);
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_hint->raise();
    m_canvasArea->installEventFilter(this);
    m_canvas->installEventFilter(this);
    column->addWidget(m_canvasArea, 1);
    column->addWidget(shellstyle::horizontalDivider(pane));

    auto *bar = new QWidget(pane);
    bar->setObjectName(QStringLiteral("canvasBar"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(12);
    m_grid = new QCheckBox(bar);
    connect(m_grid, &QCheckBox::toggled, this, [this](bool on) {
        if (m_store && m_store->showsGrid() != on)
            m_store->setShowsGrid(on);
    });
    m_gridStep = new QComboBox(bar);
    m_gridStep->setFixedWidth(96);
    for (double step : EditorGridPreferences::allowedSteps())
        m_gridStep->addItem(QString(), step);
    connect(m_gridStep, &QComboBox::activated, this, [this](int row) {
        if (m_store && m_store->gridPreferences() && row >= 0)
            m_store->gridPreferences()->select(m_gridStep->itemData(row).toDouble());
    });
    m_fit = iconButton(artworkIcon(QStringLiteral("scale")), 18, [this] { zoomToFit(); });
    m_zoomOut = iconButton(systemSymbol(QStringLiteral("minus.magnifyingglass")), 16, [this] { zoomOut(); });
    m_zoomLabel = new QLabel(bar);
    m_zoomLabel->setFixedWidth(50);
    m_zoomLabel->setAlignment(Qt::AlignCenter);
    m_zoomIn = iconButton(systemSymbol(QStringLiteral("plus.magnifyingglass")), 16, [this] { zoomIn(); });
    row->addWidget(m_grid);
    row->addWidget(m_gridStep);
    row->addStretch(1);
    row->addWidget(m_fit);
    row->addWidget(m_zoomOut);
    row->addWidget(m_zoomLabel);
    row->addWidget(m_zoomIn);
    column->addWidget(bar);
    return pane;
}

QWidget *ContentView::makeStatusBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setFixedHeight(statusBarHeight);
    m_statusBar = bar;
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 0, 16, 0);
    m_count = new QLabel(bar);
    m_status = new ElidedLabel(bar);
    row->addWidget(m_count);
    row->addStretch(1);
    row->addWidget(m_status, 1);
    return bar;
}

void ContentView::languageChanged()
{
    if (!m_localization)
        return;
    const Localization &l10n = *m_localization;
    setLocale(QLocale(rawValue(l10n.language())));
    for (const auto &[button, key] : m_textButtons) {
        button->setText(l10n.text(key));
        button->setToolTip(l10n.text(key));
    }
    m_undo->setToolTip(l10n.text(QStringLiteral("tmenu_undo_tooltip")));
    m_undo->setAccessibleName(m_undo->toolTip());
    m_redo->setToolTip(l10n.text(QStringLiteral("tmenu_redo_tooltip")));
    m_redo->setAccessibleName(m_redo->toolTip());
    m_parameters->setToolTip(l10n.text(QStringLiteral("mac.template_parameters")));
    m_parameters->setAccessibleName(m_parameters->toolTip());

    m_componentsTitle->setText(l10n.text(QStringLiteral("menu_comp")));
    m_componentsHint->setText(l10n.text(QStringLiteral("mac.add_to_label")));
    for (qsizetype i = 0; i < m_components.size(); ++i)
        m_components[i]->setTitle(l10n.text(QString::fromLatin1(sidebarEntries[static_cast<size_t>(i)].title)));
    m_cardTitle->setText(l10n.text(QStringLiteral("mac.label")));
    m_card->setToolTip(l10n.text(QStringLiteral("mac.template_parameters")));
    m_card->setAccessibleName(m_card->toolTip());
    m_hint->setText(l10n.text(QStringLiteral("mac.add_hint")));
    placeHint();
    measureSidebarWords();
    fitSidebar();

    m_grid->setText(l10n.text(QStringLiteral("mac.grid")));
    m_gridStep->setToolTip(l10n.text(QStringLiteral("mac.grid_step")));
    m_gridStep->setAccessibleName(m_gridStep->toolTip());
    for (int row = 0; row < m_gridStep->count(); ++row)
        m_gridStep->setItemText(row, gridStepText(m_gridStep->itemData(row).toDouble()));
    m_fit->setToolTip(l10n.text(QStringLiteral("mac.fit")));
    m_fit->setAccessibleName(m_fit->toolTip());
    m_zoomOut->setAccessibleName(l10n.text(QStringLiteral("mac.zoom")));
    m_zoomIn->setAccessibleName(l10n.text(QStringLiteral("mac.zoom")));

    // The canvas sets its own accessible texts when bound; binding the same store again
    // keeps its scroll and pinch state.
    if (m_store)
        m_canvas->bind(m_store, m_localization, m_editParameters);
    refresh();
}

void ContentView::refresh()
{
    if (!m_store || !m_localization)
        return;
    const EditorStore &store = *m_store;
    const Localization &l10n = *m_localization;
    const LabelDocument &document = store.document();
    const bool empty = document.elements.isEmpty();
    m_undo->setEnabled(!store.undoStack().isEmpty());
    m_redo->setEnabled(!store.redoStack().isEmpty());
    m_print->setEnabled(!empty);
    if (m_hint->isHidden() == empty) {
        m_hint->setVisible(empty);
        placeHint();
    }

    if (m_grid->isChecked() != store.showsGrid()) {
        const QSignalBlocker blocker(m_grid);
        m_grid->setChecked(store.showsGrid());
    }
    if (store.gridPreferences()) {
        const int row = m_gridStep->findData(store.gridPreferences()->stepMm());
        if (row != m_gridStep->currentIndex()) {
            const QSignalBlocker blocker(m_gridStep);
            m_gridStep->setCurrentIndex(row);
        }
    }
    m_zoomLabel->setText(editorwindow::percentText(store.zoom(), rawValue(l10n.language())));

    m_count->setText(l10n.count(QStringLiteral("mac.items_count"), document.elements.size()));
    m_status->setText(editorwindow::statusText(store.statusKey(), store.statusArgument(), store.dirty(), l10n));

    const QLocale locale(rawValue(l10n.language()));
    m_card->setContent({document.name, editorwindow::decimalText(document.widthMm, 2, locale),
                        editorwindow::decimalText(document.heightMm, 2, locale),
                        l10n.text(QStringLiteral("mac.unit_mm")), l10n.text(QStringLiteral("mac.shape")),
                        l10n.text(titleKey(document.layout.shape)), l10n.text(QStringLiteral("mac.medium")),
                        l10n.text(titleKey(document.layout.medium))});
    const QString summary = editorwindow::labelAccessibilityValue(document, l10n);
    if (m_card->accessibleDescription() != summary)
        m_card->setAccessibleDescription(summary);
}

void ContentView::measureSidebarWords()
{
    const Localization &l10n = *m_localization;
    // The two headings stay on one line; every other text wraps between its words.
    const auto oneLine = [](const QLabel *label) {
        return QFontMetricsF(label->font()).horizontalAdvance(label->text());
    };
    double rows = std::max(oneLine(m_componentsTitle), widestWord(m_componentsHint->text(), m_componentsHint->font()));
    for (const EditorComponentButton *row : m_components)
        rows = std::max<double>(rows, row->widthForWords());
    // Every value the card can show, so that changing the document does not move the pane.
    double card = oneLine(m_cardTitle);
    for (LabelShape shape : allLabelShapes)
        card = std::max<double>(
            card, LabelSummaryCard::widthForValue(l10n.text(QStringLiteral("mac.shape")), l10n.text(titleKey(shape))));
    for (LabelMedium medium : allLabelMedia)
        card = std::max<double>(card, LabelSummaryCard::widthForValue(l10n.text(QStringLiteral("mac.medium")),
                                                                      l10n.text(titleKey(medium))));
    m_sidebarWords = {rows, card};
}

void ContentView::fitSidebar()
{
    const QScrollBar *bar = m_sidebarScroll->verticalScrollBar();
    const double scrolling = m_sidebarWords.rows + (bar->isVisibleTo(m_sidebarScroll) ? bar->sizeHint().width() : 0);
    const int needed = static_cast<int>(std::ceil(std::max(scrolling, m_sidebarWords.card))) + 2 * sidebarPadding;
    // A word too wide even for the widest sidebar is still broken.
    const int minimum = std::clamp(needed, sidebarMinimumWidth, sidebarMaximumWidth);
    if (m_sidebar->minimumWidth() == minimum)
        return;
    m_sidebar->setMinimumWidth(minimum);
    // Until the user moves its divider the sidebar keeps the starting width of the language;
    // after that it only widens to a new minimum, which the splitter does not always do itself.
    QList<int> sizes = m_splitter->sizes();
    const int width = m_sidebarMoved ? std::max(sizes.value(0), minimum) : std::max(sidebarWidth, minimum);
    if (!m_splitter->isVisible() || sizes.size() != 3 || sizes[0] == width)
        return;
    // The canvas gives or takes the difference.
    sizes[1] += sizes[0] - width;
    sizes[0] = width;
    m_splitter->setSizes(sizes);
}

QString ContentView::gridStepText(double stepMm) const
{
    return m_localization ? editorwindow::gridStepText(stepMm, *m_localization) : QString::number(stepMm);
}

void ContentView::zoomIn()
{
    if (m_store)
        m_store->setZoom(editorwindow::zoomedIn(m_store->zoom()));
}

void ContentView::zoomOut()
{
    if (m_store)
        m_store->setZoom(editorwindow::zoomedOut(m_store->zoom()));
}

void ContentView::zoomToFit()
{
    if (!m_store)
        return;
    const LabelDocument &document = m_store->document();
    m_store->setZoom(
        editorwindow::zoomToFit(m_viewportSize.width(), m_viewportSize.height(), document.widthMm, document.heightMm));
}

void ContentView::followPalette()
{
    // The secondary texts outside the light panes follow the desktop's palette.
    if (!m_hint || !m_statusBar)
        return;
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    shellstyle::setTextColor(m_hint, secondary);
    shellstyle::setTextColor(m_statusBar, secondary);
}

void ContentView::applyFonts()
{
    // A font set on a widget stays when the application font changes: these styles are set
    // again from the new one.
    m_componentsTitle->setFont(shellstyle::font(FontStyle::headline));
    m_componentsHint->setFont(shellstyle::font(FontStyle::caption));
    m_cardTitle->setFont(shellstyle::font(FontStyle::headline));
    m_statusBar->setFont(shellstyle::font(FontStyle::caption));
}

void ContentView::followFont()
{
    if (!m_cardTitle || !m_statusBar)
        return;
    applyFonts();
    placeHint();
    if (m_localization) {
        measureSidebarWords();
        fitSidebar();
    }
}

void ContentView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        followPalette();
    // A new application font reaches the windows as ApplicationFontChange and each widget
    // inside as FontChange, after its children have taken the font.
    if (event->type() == QEvent::FontChange)
        followFont();
    QWidget::changeEvent(event);
}

bool ContentView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && watched == m_splitter->handle(1))
        m_sidebarMoved = true;
    if (event->type() == QEvent::Resize) {
        if (watched == m_canvas)
            m_viewportSize = m_canvas->size();
        else if (watched == m_canvasArea)
            placeHint();
        else if (m_sidebarScroll && watched == m_sidebarScroll->viewport())
            fitSidebar();
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::placeHint()
{
    if (m_hint->isHidden())
        return;
    const QRect area = m_canvasArea->rect();
    const QMargins margins = m_hint->contentsMargins();
    const int natural = m_hint->fontMetrics().horizontalAdvance(m_hint->text()) + margins.left() + margins.right() + 2;
    const int width = std::max(0, std::min(area.width(), natural));
    const int height = m_hint->heightForWidth(width);
    m_hint->setGeometry(QRect(area.center().x() - width / 2, area.center().y() - height / 2, width, height));
}

} // namespace kestrivane
