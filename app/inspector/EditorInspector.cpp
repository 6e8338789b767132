#include "app/inspector/EditorInspector.h"

#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/inspector/InspectorControls.h"
#include "app/inspector/InspectorSymbol.h"
#include "core/l10n/Localization.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

// The inspector's life cycle: following the store, rebuilding its tree, keeping focus, and
// the pane that swaps inspectors. The cards are built in the EditorInspector*.cpp files
// beside this one.

namespace kestrivane {

using shellstyle::FontStyle;
namespace style = shellstyle;

namespace {

// The key of the control in `tree` that holds its window's keyboard focus: the object
// name of the focused widget or of its nearest named ancestor below `tree` (empty when
// none is named); nothing when that focus is outside `tree`. The window's own focus widget
// is asked, not the application's: while a sheet is open the application's is a widget of
// the sheet, yet the window still names the control it gives focus back to.
std::optional<QString> focusedKey(const QWidget *tree)
{
    const QWidget *focused = tree ? tree->window()->focusWidget() : nullptr;
    if (!tree || !focused || !tree->isAncestorOf(focused))
        return std::nullopt;
    for (const QWidget *widget = focused; widget && widget != tree; widget = widget->parentWidget())
        if (!widget->objectName().isEmpty())
            return widget->objectName();
    return QString();
}

// Focus onto the control named `key` in `tree`, or onto `fallback` when the tree has no
// such control that can take focus. In a window that is not active (a sheet is open) this
// only sets the widget the window gives focus to when it is active again.
void restoreFocus(QWidget *tree, const QString &key, QWidget *fallback)
{
    QWidget *target = key.isEmpty() ? nullptr : tree->findChild<QWidget *>(key);
    if (target && target->isEnabled() && target->isVisibleTo(tree) &&
        (target->focusPolicy() != Qt::NoFocus || target->focusProxy())) {
        target->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (fallback)
        fallback->setFocus(Qt::OtherFocusReason);
}

} // namespace

EditorInspector::EditorInspector(EditorStore *store, Localization *localization, QWidget *parent)
    : QScrollArea(parent), m_store(store), m_localization(localization), m_id(store->selectedID())
{
    setObjectName(QStringLiteral("editorInspector"));
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // Only the controls are Tab stops; focusing one scrolls it into view.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    m_seenSelection = store->selectedIDs();
    m_seenPreviewRow = store->previewRow();
    connect(store, &EditorStore::documentChanged, this, &EditorInspector::refresh);
    connect(store, &EditorStore::selectedIDsChanged, this, &EditorInspector::storeChanged);
    connect(store, &EditorStore::previewRowChanged, this, &EditorInspector::storeChanged);
    connect(localization, &Localization::languageChanged, this, [this] {
        if (m_retired)
            return;
        m_built = false;
        refresh();
    });
    refresh();
}

EditorInspector::~EditorInspector() = default;

QString EditorInspector::text(const QString &key) const
{
    return m_localization ? m_localization->text(key) : key;
}

QString EditorInspector::warningText() const
{
    return m_warning && !m_warning->isHidden() ? m_warningText->text() : QString();
}

void EditorInspector::retire()
{
    m_retired = true;
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
}

bool EditorInspector::mayWrite() const
{
    return !m_retired && !m_building && m_store && m_store->selectedID() == m_id;
}

void EditorInspector::edit(const std::function<void(EditorStore &)> &write)
{
    if (mayWrite())
        write(*m_store);
}

// An apply step announces the document, the selection and the preview row in turn; the
// last two are looked at only when they really changed, so one edit is one refresh.
void EditorInspector::storeChanged()
{
    if (!m_store || (m_store->selectedIDs() == m_seenSelection && m_store->previewRow() == m_seenPreviewRow))
        return;
    refresh();
}

void EditorInspector::refresh()
{
    if (m_retired || m_building || !m_store || !m_localization)
        return;
    m_seenSelection = m_store->selectedIDs();
    m_seenPreviewRow = m_store->previewRow();
    m_element = m_store->selected();
    InspectorModel model = InspectorModel::make(m_store->document(), m_store->selection());
    const bool rebuilding = !m_built || model.layout != m_model.layout || m_store->selectedID() != m_id;
    m_model = std::move(model);
    m_id = m_store->selectedID();
    if (rebuilding)
        rebuild();
    for (const Refresher &refresher : std::as_const(m_refreshers))
        refresher();
    const std::optional<QString> issue = validationText(*m_store, *m_localization);
    m_warningText->setText(issue.value_or(QString()));
    m_warning->setVisible(issue.has_value());
}

void EditorInspector::rebuild()
{
    m_building = true;
    m_built = true;
    m_refreshers.clear();
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("inspectorColumn"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(14);

    layout->addWidget(header());
    layout->addSpacing(2);
    const InspectorLayout &shape = m_model.layout;
    switch (shape.body) {
    case InspectorBody::empty: {
        QLabel *label = secondaryLabel(FontStyle::body);
        label->setText(text(QStringLiteral("mac.empty_selection")));
        layout->addWidget(infoCard(label));
        break;
    }
    case InspectorBody::single:
        if (shape.showsData)
            layout->addWidget(dataSection());
        if (shape.showsElementCard)
            layout->addWidget(sectionCard(text(titleKey(*shape.kind)), elementSection()));
        layout->addWidget(sectionCard(text(QStringLiteral("mac.inspector_geometry")), geometrySection()));
        break;
    case InspectorBody::multiple: {
        QLabel *label = secondaryLabel(FontStyle::caption);
        label->setText(text(QStringLiteral("mac.multi_hint")));
        layout->addWidget(infoCard(label));
        break;
    }
    }

    // The warning card exists in every tree; the refresh shows or hides it.
    m_warning = new InspectorCard(InspectorCard::Look::warning);
    m_warning->setObjectName(QStringLiteral("warningCard"));
    auto *warningRow = new QHBoxLayout(m_warning);
    warningRow->setContentsMargins(10, 10, 10, 10);
    warningRow->setSpacing(8);
    auto *sign = new QLabel;
    sign->setPixmap(symbolPixmap(QStringLiteral("exclamationmark.triangle.fill"), 14, m_warning, style::orange));
    m_warningText = style::label(FontStyle::caption);
    m_warningText->setObjectName(QStringLiteral("warningText"));
    m_warningText->setWordWrap(true);
    m_warningText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    warningRow->addWidget(sign, 0, Qt::AlignTop);
    warningRow->addWidget(m_warningText, 1, Qt::AlignTop);
    m_warning->hide();
    layout->addWidget(m_warning);

    if (shape.body != InspectorBody::empty) {
        layout->addWidget(sectionCard(text(QStringLiteral("mac.inspector_arrangement")), arrangementSection()));
        layout->addWidget(actionButtons());
    }
    layout->addStretch(1);

    // The old tree may hold the control whose click brought this change: it goes once
    // control has returned to the event loop. Focus in it is parked on the inspector
    // first: taking the tree away would pass it on along the focus chain or, behind a
    // sheet, leave the window nothing to give focus back to; either way it would land
    // out of the editor (the top bar's Home button).
    const std::optional<QString> focus = focusedKey(widget());
    if (focus)
        setFocus(Qt::OtherFocusReason);
    if (QWidget *old = takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    setWidget(content);
    if (focus)
        restoreFocus(content, *focus, m_focusFallback);
    colourSecondaryTexts();
    m_building = false;
}

// --- Header -------------------------------------------------------------------------

QWidget *EditorInspector::header()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(11);

    auto *tile = new InspectorCard(InspectorCard::Look::tile);
    tile->setFixedSize(30, 30);
    auto *tileLayout = new QVBoxLayout(tile);
    tileLayout->setContentsMargins(0, 0, 0, 0);
    auto *symbol = new QLabel;
    symbol->setObjectName(QStringLiteral("inspectorSymbol"));
    symbol->setProperty("symbolName", m_model.layout.symbol);
    symbol->setPixmap(symbolPixmap(m_model.layout.symbol, 19, tile, secondaryColor()));
    symbol->setAlignment(Qt::AlignCenter);
    tileLayout->addWidget(symbol);
    tile->setAccessibleName(QString());
    tile->setFocusPolicy(Qt::NoFocus);

    QLabel *title = style::label(FontStyle::title3);
    title->setFont(style::font(FontStyle::title3, true));
    title->setText(text(QStringLiteral("mac.properties")));
    QLabel *subtitle = secondaryLabel(FontStyle::subheadline);
    subtitle->setObjectName(QStringLiteral("inspectorSubtitle"));
    auto *titles = column(1, {title, subtitle});
    m_refreshers.append([this, subtitle] {
        const QString shown = m_model.subtitle(*m_localization);
        subtitle->setText(shown);
        subtitle->setVisible(!shown.isEmpty());
    });

    layout->addWidget(tile, 0, Qt::AlignVCenter);
    layout->addWidget(titles, 1, Qt::AlignVCenter);
    return row;
}

// --- InspectorPane ------------------------------------------------------------------

InspectorPane::InspectorPane(EditorStore *store, Localization *localization, QWidget *parent)
    : QWidget(parent), m_store(store), m_localization(localization), m_layout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("inspectorHost"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    // Connected before any inspector exists, so the pane swaps inspectors before the old
    // one would react to the same change.
    connect(store, &EditorStore::documentChanged, this, &InspectorPane::followSelection);
    connect(store, &EditorStore::selectedIDsChanged, this, &InspectorPane::followSelection);
    followSelection();
}

void InspectorPane::setFocusFallback(QWidget *widget)
{
    m_focusFallback = widget;
    if (m_inspector)
        m_inspector->setFocusFallback(widget);
}

void InspectorPane::followSelection()
{
    if (!m_store)
        return;
    if (m_inspector && m_inspector->elementID() == m_store->selectedID())
        return;
    QPointer<EditorInspector> old = m_inspector;
    const std::optional<QString> focus = focusedKey(old);
    if (old)
        old->retire();
    m_inspector = new EditorInspector(m_store, m_localization, this);
    m_inspector->setFocusFallback(m_focusFallback);
    m_layout->addWidget(m_inspector);
    // The new inspector takes the focus before the old one is hidden, which would pass it
    // on along the focus chain.
    if (focus) {
        m_inspector->show();
        restoreFocus(m_inspector, *focus, m_focusFallback);
    }
    if (old) {
        old->hide();
        old->deleteLater();
    }
}

} // namespace kestrivane
