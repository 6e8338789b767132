// Pointer gestures of EditorStore. The geometry itself is pure (ElementDragGeometry,
// ElementResizeGeometry); the store supplies its gesture start, selection, zoom and grid,
// and writes the result straight into the document without an undo step: endDrag()
// records the whole gesture once the pointer is released.

#include "app/editor/EditorStore.h"

#include "app/editor/ElementDragGeometry.h"

namespace kestrivane {

std::optional<double> EditorStore::gridStep() const
{
    if (!m_showsGrid)
        return std::nullopt;
    return m_gridPreferences ? m_gridPreferences->stepMm() : EditorGridPreferences::defaultStepMm;
}

bool EditorStore::allowsDraggedGeometry(const LabelDocument &document)
{
    return ElementDragGeometry::allowsDraggedGeometry(document);
}

double EditorStore::nudgedGridValue(double value, int direction, int steps) const
{
    return ElementResizeGeometry::nudgedGridValue(value, direction, steps, gridStep());
}

QList<ElementSnapGuide> EditorStore::drag(QPointF to, double snapTolerancePoints)
{
    if (!m_dragStart)
        return {};
    const std::optional<QUuid> primary = selectedID();
    if (!primary)
        return {};
    const std::optional<ElementDragResult> result =
        ElementDragGeometry::drag(*m_dragStart, m_selectedIDs, *primary, to, snapTolerancePoints, m_zoom, gridStep());
    if (!result)
        return {};
    writeDocument(result->document);
    return result->guides;
}

void EditorStore::resize(QPointF to, ElementResizeHandle handle)
{
    if (m_selectedIDs.size() != 1 || !m_dragStart)
        return;
    const std::optional<QUuid> id = selectedID();
    if (!id)
        return;
    // Read through a const view so that the start keeps sharing its element list.
    const LabelDocument &start = *m_dragStart;
    for (qsizetype i = 0; i < start.elements.size(); ++i) {
        if (start.elements[i].id != *id)
            continue;
        // Only the resized element is checked: the others did not move.
        const std::optional<LabelElement> resized =
            ElementResizeGeometry::resize(start.elements[i], handle, to, gridStep());
        if (!resized)
            return;
        LabelDocument candidate = start;
        candidate.elements[i] = *resized;
        writeDocument(candidate);
        return;
    }
}

} // namespace kestrivane
