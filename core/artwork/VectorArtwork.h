#pragma once

// The program's own vector icon format: one JSON object per file with a drawing area
// ("width", "height") and shapes drawn in order. Each shape is a path of absolute
// commands, filled and/or stroked with colour words:
//   "M" x y | "L" x y | "C" x1 y1 x2 y2 x y | "E" x y w h (closed ellipse)
//   "A" cx cy r a0 a1 d (circular arc in radians; d = 0 through decreasing angles)
//   "R" x y w h cw ch (closed rounded rectangle) | "Z" (close)
// Coordinates run from the top left, y downward. Colour words: "none", "black" (the
// caller's foreground, which follows light and dark), "white", or a first character
// followed by hexadecimal 0xRRGGBB (anything unreadable is plain black).

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <optional>

class QPainter;

namespace kestrivane {

struct VectorArtwork {
    struct Command {
        QString kind;
        QList<double> values;
    };

    struct Shape {
        QList<Command> commands;
        QString fill;
        QString stroke;
        double lineWidth = 0;
        bool evenOdd = false;
        double opacity = 1;

        // The shape's commands in order, starting from an empty path.
        QPainterPath path() const;
    };

    double width = 0;
    double height = 0;
    QList<Shape> shapes;

    // Strict decoding: every key is required, every value must have its JSON type, and
    // every command must be one of the seven kinds with the values it needs. Keys that
    // are not part of the format are ignored. Throws JsonError naming the first fault.
    static VectorArtwork decode(const QByteArray &json);

    // Draws the artwork aspect-fit and centred in `target`, each shape at its own opacity
    // times the painter's opacity on entry. "black" is drawn in `foreground`.
    void draw(QPainter &painter, const QRectF &target, const QColor &foreground) const;

    // The number of values each command kind needs, or nothing for a kind the format lacks.
    static std::optional<int> valueCount(const QString &kind);
};

// The colour a colour word names; nothing for "none".
std::optional<QColor> artworkColor(const QString &word, const QColor &foreground);

// The value of a word read as "one character, then hexadecimal digits": 0 when the word is
// empty, the rest is empty, holds anything but hexadecimal digits or does not fit 64 bits.
quint64 artworkColorValue(const QString &word);

} // namespace kestrivane
