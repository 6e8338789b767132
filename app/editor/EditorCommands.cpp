// The editing commands of EditorStore: everything that adds, removes, moves, restacks or
// rewrites elements, and attaching tables.

#include "app/editor/EditorGridPreferences.h"
#include "app/editor/EditorStore.h"
#include "app/editor/ElementDragGeometry.h"
#include "app/editor/ImagePointSize.h"
#include "core/graphics/ImageAsset.h"

#include "core/common/TextRules.h"

#include <QImage>

#include <cmath>
#include <utility>

namespace kestrivane {

namespace {

// The box around the visible extent of every element, built from "no rectangle" so that
// zero-width lines count.
QRectF enclosing(const QList<LabelElement> &elements)
{
    std::optional<QRectF> result;
    for (const LabelElement &element : elements)
        result = ElementSnapGeometry::unite(result, element.bounds());
    return result.value_or(QRectF());
}

int signOf(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

void EditorStore::add(ElementKind kind)
{
    if (kind == ElementKind::image) {
        // The element is made once the library sheet hands over a picture.
        setShowsLibrary(true);
        return;
    }
    const double w = m_document.widthMm;
    const double h = m_document.heightMm;
    const QString content = (kind == ElementKind::qr || kind == ElementKind::barcode) ? QStringLiteral("01234567890123")
                                                                                      : QStringLiteral("Kestrivane");
    LabelElement element(QUuid::createUuid(), kind, content, 5, 5, 30, 8, 14);
    if (isText(kind)) {
        element.widthMm = std::min(w * 0.65, 40.0);
        element.heightMm = std::min(h * 0.4, 8.0);
    } else if (kind == ElementKind::barcode) {
        element.widthMm = std::min(w * 0.7, 45.0);
        element.heightMm = std::min(h * 0.5, 18.0);
    } else if (kind == ElementKind::line) {
        element.widthMm = std::min({w * 0.65, h * 0.65, 20.0});
        element.heightMm = 2;
    } else {
        element.widthMm = std::min({w * 0.65, h * 0.65, 20.0});
        element.heightMm = element.widthMm;
    }
    element.xMm = (w - element.widthMm) * 0.5;
    element.yMm = (h - element.heightMm) * 0.5;
    if (element.isSquareCode() && element.widthMm < 10) {
        showKey(QStringLiteral("mac.error_geometry"));
        return;
    }
    insert({element}, false);
}

bool EditorStore::insert(const QList<LabelElement> &elements, bool offset)
{
    if (elements.isEmpty())
        return false;
    closeGesture();

    QList<LabelElement> copies = elements;
    for (LabelElement &copy : copies)
        copy.id = QUuid::createUuid();

    if (offset) {
        double maxX = -std::numeric_limits<double>::infinity();
        double maxY = -std::numeric_limits<double>::infinity();
        for (const LabelElement &copy : copies) {
            const QRectF b = copy.bounds();
            maxX = std::max(maxX, b.right());
            maxY = std::max(maxY, b.bottom());
        }
        double dx = m_document.widthMm - maxX;
        dx = dx >= 0 ? std::min(dx, 2.0) : 0;
        double dy = m_document.heightMm - maxY;
        dy = dy >= 0 ? std::min(dy, 2.0) : 0;
        for (LabelElement &copy : copies) {
            copy.xMm += dx;
            copy.yMm += dy;
        }
        bool onLabel = true;
        for (const LabelElement &copy : copies) {
            for (const QPointF &corner : copy.corners())
                if (!m_document.contains(corner)) {
                    onLabel = false;
                    break;
                }
            if (!onLabel)
                break;
        }
        if (!onLabel)
            for (LabelElement &copy : copies) {
                copy.xMm -= dx;
                copy.yMm -= dy;
            }
    }

    LabelDocument candidate = m_document;
    candidate.elements.append(copies);
    try {
        (void)candidate.encoded();
    } catch (const DocumentError &error) {
        writeStatusKey(key(error.issue()));
        return false;
    } catch (const std::exception &) {
        writeStatusKey(QStringLiteral("mac.error_content"));
        return false;
    }

    apply([&](LabelDocument &document) { document = candidate; });
    QSet<QUuid> ids;
    for (const LabelElement &copy : copies)
        ids.insert(copy.id);
    setSelectedIDs(ids);
    return true;
}

void EditorStore::deleteSelection()
{
    const QSet<QUuid> ids = m_selectedIDs;
    apply([&](LabelDocument &document) {
        document.elements.removeIf([&](const LabelElement &element) { return ids.contains(element.id); });
    });
    setSelectedIDs({});
}

void EditorStore::selectAll()
{
    QSet<QUuid> ids;
    for (const LabelElement &element : std::as_const(m_document.elements))
        ids.insert(element.id);
    setSelectedIDs(ids);
}

void EditorStore::nudgeSelection(int horizontal, int vertical, int steps)
{
    closeGesture();
    const QList<LabelElement> selected = selection();
    if (selected.isEmpty() || steps <= 0 || (horizontal == 0 && vertical == 0))
        return;
    m_dragStart = m_document;

    const QRectF u = enclosing(selected);
    double dx = 0;
    double dy = 0;
    if (m_showsGrid) {
        if (horizontal != 0)
            dx = nudgedGridValue(u.left(), signOf(horizontal), steps) - u.left();
        if (vertical != 0)
            dy = nudgedGridValue(u.top(), signOf(vertical), steps) - u.top();
    } else {
        dx = double(steps) * signOf(horizontal);
        dy = double(steps) * signOf(vertical);
    }
    const double w = m_document.widthMm;
    const double h = m_document.heightMm;
    dx = std::min(w - u.right(), std::max(dx, -u.left()));
    dy = std::min(h - u.bottom(), std::max(dy, -u.top()));

    const LabelDocument moved = ElementDragGeometry::moved(*m_dragStart, m_selectedIDs, QPointF(dx, dy));
    if (allowsDraggedGeometry(moved))
        writeDocument(moved);
    endDrag();
}

bool EditorStore::commitInlineText(const QString &text, const QUuid &id)
{
    if (text::exceedsGraphemes(text, 4096))
        return false;
    const QList<LabelElement> &elements = m_document.elements; // const: reading must not detach
    qsizetype index = -1;
    for (qsizetype i = 0; i < elements.size(); ++i)
        if (elements[i].id == id) {
            index = i;
            break;
        }
    if (index < 0)
        return false;
    const LabelElement &element = elements[index];
    if (element.kind != ElementKind::text || element.tableBinding)
        return false;
    // A template text may be emptied (its layout keeps the box); a plain one may not.
    if (text.isEmpty() && !element.webAppearance)
        return false;
    apply([&](LabelDocument &document) { document.elements[index].content = text; });
    return true;
}

void EditorStore::align(Alignment alignment)
{
    closeGesture();
    const QList<LabelElement> selected = selection();
    if (selected.isEmpty())
        return;
    const QRectF r = selected.size() == 1 ? QRectF(0, 0, m_document.widthMm, m_document.heightMm) : enclosing(selected);

    LabelDocument candidate = m_document;
    for (LabelElement &element : candidate.elements) {
        if (!m_selectedIDs.contains(element.id))
            continue;
        const QRectF b = element.bounds();
        switch (alignment) {
        case Alignment::left: element.xMm += r.left() - b.left(); break;
        case Alignment::center: element.xMm += r.center().x() - b.center().x(); break;
        case Alignment::right: element.xMm += r.right() - b.right(); break;
        case Alignment::top: element.yMm += r.top() - b.top(); break;
        case Alignment::middle: element.yMm += r.center().y() - b.center().y(); break;
        case Alignment::bottom: element.yMm += r.bottom() - b.bottom(); break;
        }
    }
    if (allowsDraggedGeometry(candidate))
        apply([&](LabelDocument &document) { document = candidate; });
    else
        writeStatusKey(QStringLiteral("mac.error_geometry"));
}

void EditorStore::changeLayer(bool front)
{
    if (selection().isEmpty())
        return;
    const QSet<QUuid> ids = m_selectedIDs;
    apply([&](LabelDocument &document) {
        QList<LabelElement> chosen;
        QList<LabelElement> others;
        for (const LabelElement &element : std::as_const(document.elements))
            (ids.contains(element.id) ? chosen : others).append(element);
        document.elements = front ? others + chosen : chosen + others;
    });
}

void EditorStore::addImage(const QByteArray &bytes, const QString &name, const std::optional<QString> &graphicID)
{
    ImageAsset::validate(bytes);
    const QImage image = QImage::fromData(bytes);
    if (image.isNull())
        throwIssue(DocumentIssue::invalidImage);
    const QSizeF size = imagePointSize(bytes, image.size());
    const double w = m_document.widthMm;
    const double h = m_document.heightMm;
    const double s = std::min(w * 0.65 / size.width(), h * 0.65 / size.height());

    LabelElement element(QUuid::createUuid(), ElementKind::image, name, 5, 5, size.width() * s, size.height() * s, 14);
    element.xMm = (w - element.widthMm) * 0.5;
    element.yMm = (h - element.heightMm) * 0.5;
    element.imageData = bytes;
    element.graphicID = graphicID;
    if (!insert({element}, false))
        throwIssue(DocumentIssue::invalidGeometry);
}

void EditorStore::attachTable(const LabelTable &table)
{
    closeGesture();
    table.validate();
    LabelDocument candidate = m_document;
    candidate.table = table;
    candidate.batch = BatchOptions();
    for (LabelElement &element : candidate.elements)
        element.tableBinding.reset();
    (void)candidate.encoded();
    apply([&](LabelDocument &document) { document = candidate; });
    setPreviewRow(0);
}

void EditorStore::replaceTable(const std::optional<LabelTable> &table)
{
    apply([&](LabelDocument &document) {
        document.table = table;
        document.batch = BatchOptions();
        for (LabelElement &element : document.elements)
            element.tableBinding.reset();
    });
    setPreviewRow(0);
}

} // namespace kestrivane
