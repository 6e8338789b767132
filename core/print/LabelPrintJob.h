#pragma once

#include "core/model/LabelDocument.h"
#include "core/print/PrintRowIssue.h"
#include "core/render/RenderCache.h"
#include "core/table/BatchOptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

class QPainter;

namespace kestrivane {

// A prepared batch: the document as given (unresolved, with its table), one entry per
// label in print order, and the moment every date element of the job shows. Labels fill
// sheets slot by slot; the job is an immutable value and may be drawn on any thread.
//
// A job is made only by its constructor, which checks every label and keeps what the
// checks encoded. Its parts can be read but not changed afterwards, so nothing can draw a
// label against codes or checks that no longer fit it; a copy (or assignment) takes all
// of them together and shares the caches with the job it came from.
class LabelPrintJob {
public:
    // One label: the 0-based table row it shows (none without a table) and the index its
    // counters are evaluated at.
    struct Entry {
        std::optional<qint64> row;
        qint64 counterIndex = 0;

        friend bool operator==(const Entry &, const Entry &) = default;
    };

    static constexpr qint64 maximumEntries = 10000;
    // Largest PDF a job may produce (128 MiB).
    static constexpr qint64 maximumPdfBytes = 0x8000000;

    // Expands the document, its table and `options` (which stand in for the document's own
    // batch options) into entries. Throws the document's validation error,
    // TableIssue::copies for a copy count outside 1...10000 or an unusable copies column,
    // the row selection's TableIssue::range, a PrintRowIssue for the first row that cannot
    // be printed (its copies cell, the 10000-label limit, its binding, its resolved
    // document or a counter value), and TableIssue::empty when no label remains.
    LabelPrintJob(const LabelDocument &document, const BatchOptions &options, const QDateTime &date);

    // Copying shares the caches and is cheap (the document and entries are implicitly
    // shared). There is no separate move: a job moved from stays the whole job, never one
    // without its caches.
    LabelPrintJob(const LabelPrintJob &) = default;
    LabelPrintJob &operator=(const LabelPrintJob &) = default;

    const LabelDocument &document() const { return m_document; }
    const QList<Entry> &entries() const { return m_entries; }
    const QDateTime &date() const { return m_date; }

    // Labels per sheet, and sheets in the job.
    qint64 slots() const;
    qint64 pages() const;

    // The document of entry `index` with its row bound in; TableIssue::range outside the
    // entries. Counters are not applied here: draw with the entry's counterIndex.
    LabelDocument label(qint64 index) const;

    // Draws sheet `page` (0-based) with its top-left corner at the painter's origin: white
    // paper, then each of its labels bound and drawn with the codes its row's check encoded
    // (a row not checked while the job was built is checked first); slots after the last
    // entry stay white. TableIssue::range for a page outside the job; a label's error is
    // thrown and the labels drawn before it stay drawn. `cache` shares decoded pictures and
    // fonts between calls (see RenderCache).
    void draw(qint64 page, QPainter &painter, RenderCache *cache = nullptr) const;

    // The whole job as a PDF document of one page per sheet, each page exactly the sheet's
    // size. Throws a drawing error, DocumentIssue::io when no PDF can be written and
    // TableIssue::large when the document grows beyond 128 MiB.
    QByteArray pdf() const;
    // The same, calling `progress` on this thread with the number of sheets finished after
    // each sheet.
    QByteArray pdf(const std::function<void(qint64 pagesDone)> &progress) const;

    // Jobs of the same document, entries and date are equal: the caches follow from those,
    // since only the constructor fills the checked rows and the QR codes depend on the
    // texts alone.
    friend bool operator==(const LabelPrintJob &a, const LabelPrintJob &b)
    {
        return a.m_document == b.m_document && a.m_entries == b.m_entries && a.m_date == b.m_date;
    }

private:
    LabelDocument m_document;
    QList<Entry> m_entries;
    QDateTime m_date;
    // The rows checked while the job was built, by row (-1 without a table), each with the
    // barcodes its check encoded. Drawing binds a row again but neither checks it nor encodes
    // its codes a second time; the copies of a row share them. A row missing here is
    // checked when drawn.
    QHash<qint64, RenderCache::ProvidedCodes> m_checkedRows;
    // The job's QR codes, each distinct text encoded once when first drawn (shared by copies
    // of the job).
    struct EncodedQRCodes;
    std::shared_ptr<EncodedQRCodes> m_qrCodes;
};

} // namespace kestrivane
