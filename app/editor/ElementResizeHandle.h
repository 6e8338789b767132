#pragma once

#include <QPointF>

#include <array>

namespace kestrivane {

struct LabelElement;

// The eight handles of a selected element, clockwise from the top-left corner. The order
// is the raw value (0 to 7); the opposite handle is four places further on.
enum class ElementResizeHandle { topLeft, top, topRight, right, bottomRight, bottom, bottomLeft, left };

inline constexpr std::array<ElementResizeHandle, 8> allResizeHandles = {
    ElementResizeHandle::topLeft,     ElementResizeHandle::top,    ElementResizeHandle::topRight,
    ElementResizeHandle::right,       ElementResizeHandle::bottomRight, ElementResizeHandle::bottom,
    ElementResizeHandle::bottomLeft,  ElementResizeHandle::left};

inline constexpr int rawValue(ElementResizeHandle handle) { return int(handle); }

// The handle that stays put while `handle` is dragged.
inline constexpr ElementResizeHandle opposite(ElementResizeHandle handle)
{
    return ElementResizeHandle((int(handle) + 4) % 8);
}

inline constexpr bool isCorner(ElementResizeHandle handle)
{
    return handle == ElementResizeHandle::topLeft || handle == ElementResizeHandle::topRight ||
           handle == ElementResizeHandle::bottomRight || handle == ElementResizeHandle::bottomLeft;
}

// The direction the handle pulls along the element's own axes: -1, 0 or +1 on each.
inline constexpr int unitX(ElementResizeHandle handle)
{
    switch (handle) {
    case ElementResizeHandle::topLeft:
    case ElementResizeHandle::bottomLeft:
    case ElementResizeHandle::left: return -1;
    case ElementResizeHandle::topRight:
    case ElementResizeHandle::right:
    case ElementResizeHandle::bottomRight: return 1;
    default: return 0;
    }
}

inline constexpr int unitY(ElementResizeHandle handle)
{
    switch (handle) {
    case ElementResizeHandle::topLeft:
    case ElementResizeHandle::top:
    case ElementResizeHandle::topRight: return -1;
    case ElementResizeHandle::bottomLeft:
    case ElementResizeHandle::bottom:
    case ElementResizeHandle::bottomRight: return 1;
    default: return 0;
    }
}

// Where the handle sits on the element (mm): a corner of the rotated box or the midpoint
// of one of its sides.
QPointF position(ElementResizeHandle handle, const LabelElement &element);

} // namespace kestrivane
