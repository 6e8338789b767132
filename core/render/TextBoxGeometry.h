#pragma once

#include "core/model/LabelElement.h"

#include <QRectF>

#include <algorithm>

namespace kestrivane {

// Where the lines of a text element go inside its box. Template texts (elements with a web
// appearance) keep a margin from the box's edges, a fixed distance between lines and their
// vertical placement in the height the lines leave free; plain texts fill the box from its
// top with the font's own line spacing. The renderer draws by it, and every editor that
// shows the text in place lays its field out by it, so the two cover each other.
struct TextBoxGeometry {
    // Margin of the text from the box's left and right edges, and from its top and bottom,
    // points (scale by the zoom for a canvas).
    double insetX = 0;
    double insetY = 0;
    // Share of the free height that goes above the lines: 0 top, 0.5 centred, 1 bottom.
    double verticalShare = 0;
    // Distance between lines as a multiple of the font size; 0: the font's own spacing.
    double lineHeightFactor = 0;

    // The area the lines are laid out in: `box` less the margins.
    QRectF textArea(const QRectF &box) const { return box.adjusted(insetX, insetY, -insetX, -insetY); }
    // The fixed distance between lines for a font of `fontSize`, in the font size's unit.
    double lineHeight(double fontSize) const { return lineHeightFactor * fontSize; }
    // How far the lines move down in an area `areaHeight` high that they fill to `textHeight`.
    double verticalOffset(double areaHeight, double textHeight) const
    {
        return verticalShare * std::max(areaHeight - textHeight, 0.0);
    }
};

// The geometry of `element`'s text; meaningful for text, date and counter elements.
TextBoxGeometry textBoxGeometry(const LabelElement &element);

} // namespace kestrivane
