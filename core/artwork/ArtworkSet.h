#pragma once

// The program's icon set in the resource folder's "Artwork/": sixteen vector icons, any
// number of bitmap icons ("<name>.png") and the symbols of "Artwork/Symbols/" that stand in
// for the platform's system symbols. Broken files never stop the program: a vector file
// that cannot be read or decoded is left out of its table with one line on stderr naming
// it, and its name falls back to the bitmap of that name, then to nothing.

#include "core/artwork/VectorArtwork.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

class QPainter;

namespace kestrivane {

using ArtworkTable = QHash<QString, VectorArtwork>;

namespace artwork {

// The sixteen names of the vector table, in their fixed order.
const QList<QString> &vectorIconNames();
// The names of the symbol files in "Artwork/Symbols/".
const QList<QString> &symbolNames();

// The vector table and the symbol table, each read once per process (thread-safe) at
// first use and kept for its life.
const ArtworkTable &vectorIcons();
const ArtworkTable &symbols();

// Reads "<folder>/<name>.json" for every name. A file that is missing or invalid is left
// out and reported on stderr; the others still load.
ArtworkTable loadTable(const QString &folder, const QList<QString> &names);

// The artwork of one file, or nothing (with the reason) when it cannot be read or decoded.
std::optional<VectorArtwork> loadFile(const QString &path, QString *problem = nullptr);

// An image of side × side pixels (transparent background) with the artwork drawn into it.
QImage render(const VectorArtwork &artwork, int side, const QColor &foreground, qreal devicePixelRatio = 1);

// One PNG the artwork tool writes: a vector source drawn at a side into an output file,
// both relative to the repository root.
struct RenderJob {
    QString source;
    int side = 0;
    QString output;
};

// The plan of the artwork tool: a JSON array of {"source", "side", "output"} objects.
// Throws JsonError when the text is not such an array.
QList<RenderJob> readRenderPlan(const QByteArray &json);

} // namespace artwork

// The content of one named icon: the vector artwork when the table holds the name, else
// the bitmap "<name>.png" of the folder, else nothing. Bitmaps are read when the content
// is made and kept only by it, never process-wide.
class ArtworkImage {
public:
    ArtworkImage() = default;

    // A name of the program's icon set, from the process tables and resource folder.
    static ArtworkImage named(const QString &name);
    static ArtworkImage named(const QString &name, const ArtworkTable &vectors, const QString &folder);
    // A symbol of "Artwork/Symbols/" (no bitmap fallback).
    static ArtworkImage symbol(const QString &name);

    bool isNull() const { return !m_vector && m_bitmap.isNull(); }
    bool isVector() const { return m_vector.has_value(); }

    // Draws aspect-fit and centred in `target`; "black" of a vector is `foreground`.
    // Nothing is drawn for a null content.
    void draw(QPainter &painter, const QRectF &target, const QColor &foreground) const;

private:
    std::optional<VectorArtwork> m_vector;
    QImage m_bitmap;
};

} // namespace kestrivane
