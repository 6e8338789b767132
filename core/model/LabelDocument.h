#pragma once

#include "core/model/LabelElement.h"
#include "core/model/SheetLayout.h"
#include "core/model/WebBackground.h"
#include "core/table/BatchOptions.h"
#include "core/table/LabelTable.h"

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>
#include <QUuid>

#include <optional>

namespace kestrivane {

// A label document: a plain value. Copies are cheap (the element list is implicitly
// shared), which the editor relies on for its whole-document undo history.
struct LabelDocument {
    static constexpr qint64 currentSchemaVersion = 5;
    static constexpr double maximumElementCoordinateMm = 2000.0;
    // Largest document file accepted or written, in bytes (10 MiB).
    static constexpr qsizetype maximumFileBytes = 0xA00000;

    qint64 schemaVersion = currentSchemaVersion;
    QUuid documentID = QUuid::createUuid();
    QString name;
    double widthMm = 0;
    double heightMm = 0;
    QList<LabelElement> elements; // drawing order: first at the bottom
    SheetLayout layout;
    std::optional<QByteArray> webSourceJSON; // the web design the document was converted from
    std::optional<WebBackground> webBackground;
    std::optional<LabelTable> table;
    BatchOptions batch;

    LabelDocument() = default;
    LabelDocument(QString name, double widthMm, double heightMm, QList<LabelElement> elements);

    // Whether a point in millimetres lies on the label, honouring shape and corner radius,
    // with a tolerance of 0.001 mm at the edges.
    bool contains(const QPointF &point) const;
    // Whether the element's (rotated) box lies on the label: all four corners do. The
    // outline is convex, so such an element puts no ink outside the label.
    bool contains(const LabelElement &element) const;
    // Both coordinates finite and within ±2000 mm (inclusive).
    static bool isSafeElementPoint(const QPointF &point);
    // A fixed sample document with three elements (fresh identifiers each time).
    static LabelDocument example();

    // The one gate of a document: throws the first limit it breaks (DocumentError,
    // TableError, or a delegated check's error). Checks run in a fixed order.
    void validate() const;

    // The file bytes of a valid document: pretty-printed JSON with sorted keys.
    // Throws the validation error, DocumentIssue::invalidDocument for a number that
    // cannot be written, DocumentIssue::tooLarge above 10 MiB.
    QByteArray encoded() const;
    // A valid document from file bytes of any version 1 to 5.
    static LabelDocument decode(const QByteArray &data);
    // Reads a regular file (at most 10 MiB) and decodes it. File-system failures throw
    // FileError.
    static LabelDocument load(const QString &path);
    // Encodes and writes atomically: a failed write leaves the old file as it was.
    void saveTo(const QString &path) const;

    // A copy with table row `row` filled into the bound elements (prefix + cell + suffix),
    // their bindings removed and the GS1 GTIN and serial of their web appearance cleared;
    // text elements left empty are dropped; the copy has no table and default batch
    // options. Throws TableIssue::binding when a bound element cannot be resolved.
    LabelDocument resolving(std::optional<qint64> row) const;

    friend bool operator==(const LabelDocument &, const LabelDocument &) = default;
};

} // namespace kestrivane
