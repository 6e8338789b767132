#include "app/editor/EditorStore.h"

#include "app/editor/ErrorText.h"

#include "app/editor/EditorGridPreferences.h"
#include "core/l10n/Localization.h"

#include <utility>

namespace kestrivane {

QString rawValue(EditorStore::Alignment alignment)
{
    switch (alignment) {
    case EditorStore::Alignment::left: return QStringLiteral("left");
    case EditorStore::Alignment::center: return QStringLiteral("center");
    case EditorStore::Alignment::right: return QStringLiteral("right");
    case EditorStore::Alignment::top: return QStringLiteral("top");
    case EditorStore::Alignment::middle: return QStringLiteral("middle");
    case EditorStore::Alignment::bottom: return QStringLiteral("bottom");
    }
    return QString();
}

EditorStore::EditorStore(Localization *localization, LabelDocument document, std::optional<QString> fileURL, bool isNew,
                         EditorGridPreferences *gridPreferences, QObject *parent)
    : QObject(parent), m_id(QUuid::createUuid()), m_document(std::move(document)), m_fileURL(std::move(fileURL)),
      m_gridPreferences(gridPreferences), m_localization(localization),
      m_maySaveTo([](const QString &) { return true; }), m_alerts(EditorAlerts::standard())
{
    if (!isNew)
        m_saved = m_document;
    // Every tab follows the one shared grid step; Qt drops the connection when either
    // side is destroyed, so a closed tab is neither kept alive nor called.
    if (gridPreferences)
        connect(gridPreferences, &EditorGridPreferences::changed, this, &EditorStore::changed);
}

EditorStore::~EditorStore() = default;

template <typename Signal> void EditorStore::announce(Signal signal)
{
    Q_EMIT(this->*signal)();
    Q_EMIT changed();
}

// --- Published properties -----------------------------------------------------------

void EditorStore::writeDocument(const LabelDocument &document)
{
    m_document = document;
    announce(&EditorStore::documentChanged);
}

void EditorStore::setDocument(const LabelDocument &document)
{
    writeDocument(document);
}

void EditorStore::setSelectedIDs(const QSet<QUuid> &ids)
{
    m_selectedIDs = ids;
    announce(&EditorStore::selectedIDsChanged);
}

void EditorStore::setShowsLibrary(bool shows)
{
    m_showsLibrary = shows;
    announce(&EditorStore::showsLibraryChanged);
}

void EditorStore::setShowsData(bool shows)
{
    m_showsData = shows;
    announce(&EditorStore::showsDataChanged);
}

void EditorStore::setShowsBatch(bool shows)
{
    m_showsBatch = shows;
    announce(&EditorStore::showsBatchChanged);
}

void EditorStore::setBatchExport(bool exports)
{
    m_batchExport = exports;
    announce(&EditorStore::batchExportChanged);
}

void EditorStore::setPreviewRow(qint64 row)
{
    m_previewRow = row;
    announce(&EditorStore::previewRowChanged);
}

void EditorStore::setZoom(double zoom)
{
    m_zoom = zoom;
    announce(&EditorStore::zoomChanged);
}

void EditorStore::setShowsGrid(bool shows)
{
    m_showsGrid = shows;
    announce(&EditorStore::showsGridChanged);
}

void EditorStore::writeStatusKey(const std::optional<QString> &key)
{
    m_statusKey = key;
    announce(&EditorStore::statusKeyChanged);
}

void EditorStore::setStatusKey(const std::optional<QString> &key)
{
    writeStatusKey(key);
}

void EditorStore::setStatusArgument(const QString &argument)
{
    m_statusArgument = argument;
    announce(&EditorStore::statusArgumentChanged);
}

void EditorStore::setFileURL(const std::optional<QString> &path)
{
    m_fileURL = path;
    announce(&EditorStore::fileURLChanged);
}

void EditorStore::setMaySaveTo(std::function<bool(const QString &)> test)
{
    m_maySaveTo = test ? std::move(test) : [](const QString &) { return true; };
}

void EditorStore::setAlerts(std::shared_ptr<EditorAlerts> alerts)
{
    m_alerts = alerts ? std::move(alerts) : EditorAlerts::standard();
}

// --- Undo -------------------------------------------------------------------------

void EditorStore::pushUndo(const LabelDocument &document)
{
    m_undoStack.append(document);
    // Undo and redo share one budget: redo is emptied right after every push, and
    // undo/redo only move entries between the stacks, so trimming here keeps both.
    while (m_undoStack.size() > historyLimit)
        m_undoStack.removeFirst();
    announce(&EditorStore::undoStackChanged);
    m_redoStack.clear();
    announce(&EditorStore::redoStackChanged);
}

void EditorStore::closeGesture()
{
    // An edit that arrives while the pointer still drags (a shortcut, the inspector)
    // must not be overwritten by the next drag event nor push a stale start later.
    if (m_dragStart)
        endDrag();
}

void EditorStore::apply(const std::function<void(LabelDocument &)> &change)
{
    closeGesture();
    LabelDocument changed = m_document;
    change(changed);
    if (changed == m_document)
        return;
    pushUndo(m_document);
    writeDocument(changed);
    writeStatusKey(std::nullopt);
    normalizeSelection();
}

void EditorStore::undo()
{
    closeGesture();
    if (m_undoStack.isEmpty())
        return;
    LabelDocument previous = m_undoStack.takeLast();
    announce(&EditorStore::undoStackChanged);
    m_redoStack.append(m_document);
    announce(&EditorStore::redoStackChanged);
    writeDocument(previous);
    writeStatusKey(std::nullopt);
    normalizeSelection();
}

void EditorStore::redo()
{
    closeGesture();
    if (m_redoStack.isEmpty())
        return;
    LabelDocument next = m_redoStack.takeLast();
    announce(&EditorStore::redoStackChanged);
    m_undoStack.append(m_document);
    announce(&EditorStore::undoStackChanged);
    writeDocument(next);
    writeStatusKey(std::nullopt);
    normalizeSelection();
}

void EditorStore::beginDrag()
{
    closeGesture();
    m_dragStart = m_document;
}

void EditorStore::endDrag()
{
    std::optional<LabelDocument> start = std::move(m_dragStart);
    m_dragStart.reset();
    if (start && !(*start == m_document)) {
        pushUndo(*start);
        writeStatusKey(std::nullopt);
    }
}

bool EditorStore::dirty() const
{
    return !m_saved || !(*m_saved == m_document);
}

void EditorStore::normalizeSelection()
{
    QSet<QUuid> present;
    // Read through a const view: a non-const loop would detach the element list from the
    // undo entry it shares, giving every history entry its own copy.
    for (const LabelElement &element : std::as_const(m_document.elements))
        if (m_selectedIDs.contains(element.id))
            present.insert(element.id);
    setSelectedIDs(present);

    const qint64 last = m_document.table ? qint64(m_document.table->rows.size()) - 1 : 0;
    setPreviewRow(std::min(std::max(last, qint64(0)), std::max(m_previewRow, qint64(0))));
}

// --- Selection --------------------------------------------------------------------

std::optional<QUuid> EditorStore::selectedID() const
{
    for (const LabelElement &element : m_document.elements)
        if (m_selectedIDs.contains(element.id))
            return element.id;
    return std::nullopt;
}

void EditorStore::setSelectedID(const std::optional<QUuid> &id)
{
    setSelectedIDs(id ? QSet<QUuid>{*id} : QSet<QUuid>{});
}

std::optional<LabelElement> EditorStore::selected() const
{
    for (const LabelElement &element : m_document.elements)
        if (m_selectedIDs.contains(element.id))
            return element;
    return std::nullopt;
}

QList<LabelElement> EditorStore::selection() const
{
    QList<LabelElement> result;
    for (const LabelElement &element : m_document.elements)
        if (m_selectedIDs.contains(element.id))
            result.append(element);
    return result;
}

void EditorStore::select(const std::optional<QUuid> &id, bool extending)
{
    if (!id) {
        if (!extending)
            setSelectedIDs({});
        return;
    }
    const bool isSelected = m_selectedIDs.contains(*id);
    if (!extending) {
        // A press on a member of a multiple selection keeps it, so the drag that
        // follows moves every selected element.
        if (!isSelected)
            setSelectedIDs({*id});
        return;
    }
    QSet<QUuid> ids = m_selectedIDs;
    if (isSelected)
        ids.remove(*id);
    else
        ids.insert(*id);
    setSelectedIDs(ids);
}

void EditorStore::changeElement(const std::function<void(LabelElement &)> &change)
{
    const std::optional<QUuid> id = selectedID();
    if (!id)
        return;
    apply([&](LabelDocument &document) {
        for (LabelElement &element : document.elements) {
            if (element.id != *id)
                continue;
            const LabelElement before = element;
            change(element);
            // A template text that the user aligns by hand no longer lacks an alignment.
            if (element.textStyle.alignment != before.textStyle.alignment && element.webAppearance)
                element.webAppearance->missingAlignment = false;
            return;
        }
    });
}

LabelDocument EditorStore::renderDocument() const
{
    std::optional<qint64> row;
    if (m_document.table) {
        const qint64 count = m_document.table->rows.size();
        row = std::min(count - 1, std::max(m_previewRow, qint64(0)));
    }
    try {
        return m_document.resolving(row);
    } catch (const std::exception &) {
        // Handing the renderer a document that still carries the table would make it
        // bind row 0 itself and fail again, leaving an empty label on the canvas. Without
        // the table the elements draw with the contents they store.
        LabelDocument unresolved = m_document;
        unresolved.table.reset();
        return unresolved;
    }
}

// --- Alerts -----------------------------------------------------------------------

QString EditorStore::localizedText(const QString &key) const
{
    // The workspace owns the service and outlives its tabs; a store left without one
    // still says which message it meant.
    return m_localization ? m_localization->text(key) : key;
}

QString EditorStore::errorText(const std::exception &error) const
{
    return kestrivane::errorText(error, m_localization);
}

void EditorStore::show(const std::exception &error)
{
    m_alerts->alert(localizedText(QStringLiteral("mac.error")), errorText(error),
                    localizedText(QStringLiteral("mac.close")));
}

void EditorStore::showKey(const QString &key)
{
    m_alerts->alert(localizedText(QStringLiteral("mac.error")), localizedText(key),
                    localizedText(QStringLiteral("mac.close")));
}

} // namespace kestrivane
