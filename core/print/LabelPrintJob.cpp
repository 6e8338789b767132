#include "core/print/LabelPrintJob.h"

#include "core/barcode/QRCode.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TableIssue.h"
#include "core/common/TextRules.h"
#include "core/document/DocumentValidation.h"
#include "core/render/LabelRenderer.h"
#include "core/render/PdfPageBoxes.h"
#include "core/render/RenderCache.h"

#include <QPainter>
#include <QPdfWriter>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <exception>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrivane {

namespace {

// The copies a cell asks for: blanks and line breaks around ASCII digits only, 0...10000.
std::optional<qint64> copiesFromCell(const QString &cell)
{
    const QString trimmed = cell.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (QChar c : trimmed) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const auto value = text::parseStrictInt64(trimmed);
    if (!value || *value > BatchOptions::maximumCopies)
        return std::nullopt;
    return value;
}

// The key a row failure is reported with.
QString issueKey(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const TableError &e) {
        return key(e.issue());
    } catch (const DocumentError &e) {
        return key(e.issue());
    } catch (...) {
        return key(TableIssue::file);
    }
}

// Validates one bound label of a job whose document has been validated as a whole, and
// gives the barcodes the check encoded, ready to draw.
// Binding changes only texts and codes, so a picture is the same bytes in every label of
// the job: it was checked with the document, and the render cache checks each distinct
// picture once more before drawing it. Checking it again for every label would re-read
// the same bytes thousands of times. Everything that can differ from label to label is
// checked here.
RenderCache::ProvidedCodes checkLabel(const LabelDocument &label)
{
    RenderCache::ProvidedCodes codes;
    LabelDocument checked = label;
    checked.elements.removeIf([](const LabelElement &element) { return element.kind == ElementKind::image; });
    DocumentValidation::validateKeepingBarcodes(checked, codes.barcodes);
    return codes;
}

qint64 rowKey(const std::optional<qint64> &row)
{
    return row.value_or(-1);
}

using CheckedRows = QHash<qint64, RenderCache::ProvidedCodes>;

// The label of `entry` bound and ready to draw, and its barcodes in `codes`: a row checked
// while the job was built is only bound again; any other is checked too.
LabelDocument boundLabel(const LabelDocument &document, const CheckedRows &checkedRows,
                         const LabelPrintJob::Entry &entry, RenderCache::ProvidedCodes &codes)
{
    LabelDocument label = document.resolving(entry.row);
    const auto checked = checkedRows.constFind(rowKey(entry.row));
    codes = checked != checkedRows.cend() ? *checked : checkLabel(label);
    return label;
}

// Runs `work(i)` for i in [0, count) on the machine's cores. Each call is independent.
template <typename Work> void parallelFor(qsizetype count, Work work)
{
    // Below this, starting threads costs more than it saves.
    constexpr qsizetype perThread = 32;
    const qsizetype threads =
        std::min<qsizetype>(std::max(1u, std::thread::hardware_concurrency()), (count + perThread - 1) / perThread);
    if (threads <= 1) {
        for (qsizetype i = 0; i < count; ++i)
            work(i);
        return;
    }
    std::atomic<qsizetype> next{0};
    auto run = [&] {
        for (qsizetype i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    for (qsizetype t = 1; t < threads; ++t) {
        // Without another thread the work still gets done, by the threads there are.
        try {
            pool.emplace_back(run);
        } catch (const std::system_error &) {
            break;
        }
    }
    run();
    for (auto &thread : pool)
        thread.join();
}

} // namespace

LabelPrintJob::LabelPrintJob(const LabelDocument &source, const BatchOptions &options, const QDateTime &when)
    : m_document(source), m_date(when), m_qrCodes(std::make_shared<EncodedQRCodes>())
{
    m_document.validate();
    if (options.copies < 1 || options.copies > BatchOptions::maximumCopies)
        throwIssue(TableIssue::copies);
    // The options become the document's batch when the sheet stores them: a selection the
    // document could not be saved with is refused here, with validation's measure.
    if (text::exceedsGraphemes(options.rows, BatchOptions::maximumRowsCharacters))
        throwIssue(TableIssue::copies);

    QList<std::optional<qint64>> selection;
    if (m_document.table) {
        for (qint64 row : options.selectedRows(m_document.table->rows.size()))
            selection.append(row);
    } else {
        selection.append(std::nullopt);
    }
    if (options.copiesColumn &&
        (!m_document.table || *options.copiesColumn < 0 || *options.copiesColumn >= m_document.table->columns.size()))
        throwIssue(TableIssue::copies);

    auto rowNumber = [](const std::optional<qint64> &row) { return row ? *row + 1 : 1; };

    // First the copies of every row, in order, up to the first row whose copies are
    // unusable or would pass the label limit: everything after that row is never reached.
    struct Planned {
        qint64 copies = 0;
        std::optional<PrintRowIssue> failure; // the row's copies cell or the label limit
        std::exception_ptr resolveError;      // binding or validation of the resolved row
        RenderCache::ProvidedCodes codes;     // what validating the resolved row encoded
    };
    std::vector<Planned> plan;
    plan.reserve(selection.size());
    qint64 total = 0;
    for (const auto &row : selection) {
        Planned planned;
        if (options.copiesColumn) {
            const QList<QString> &cells = m_document.table->rows[*row];
            const auto copies =
                *options.copiesColumn < cells.size() ? copiesFromCell(cells[*options.copiesColumn]) : std::nullopt;
            if (!copies)
                planned.failure = PrintRowIssue(rowNumber(row), key(TableIssue::copies));
            else
                planned.copies = *copies;
        } else {
            planned.copies = options.copies;
        }
        if (!planned.failure && total + planned.copies > maximumEntries)
            planned.failure = PrintRowIssue(rowNumber(row), key(TableIssue::large));
        const bool stops = planned.failure.has_value();
        total += planned.copies;
        plan.push_back(std::move(planned));
        if (stops)
            break;
    }

    // Binding and validating the rows are independent of one another and the slow part of
    // a large job: they run on every core, and their errors are reported in row order below.
    parallelFor(qsizetype(plan.size()), [&](qsizetype p) {
        Planned &planned = plan[p];
        if (planned.failure || planned.copies == 0)
            return;
        try {
            planned.codes = checkLabel(m_document.resolving(selection[p]));
        } catch (...) {
            planned.resolveError = std::current_exception();
        }
    });

    // Counter elements are never bound or dropped by binding, so the document's own
    // counters are those of every resolved row.
    QList<const LabelElement *> counters;
    for (const LabelElement &element : m_document.elements) {
        if (element.kind == ElementKind::counter)
            counters.append(&element);
    }

    m_entries.reserve(std::min<qint64>(total, maximumEntries));
    for (size_t p = 0; p < plan.size(); ++p) {
        const Planned &planned = plan[p];
        const auto &row = selection[p];
        if (planned.failure)
            throw *planned.failure;
        if (planned.copies == 0)
            continue;
        if (planned.resolveError)
            throw PrintRowIssue(rowNumber(row), issueKey(planned.resolveError));
        for (qint64 copy = 0; copy < planned.copies; ++copy) {
            const qint64 counterIndex = options.advanceEveryCopy ? m_entries.size() : qint64(p);
            for (const LabelElement *counter : counters) {
                try {
                    counter->counter.value(counterIndex, counter->webAppearance.has_value());
                } catch (...) {
                    throw PrintRowIssue(rowNumber(row), issueKey(std::current_exception()));
                }
            }
            m_entries.append(Entry{row, counterIndex});
        }
        m_checkedRows.insert(rowKey(row), std::move(plan[p].codes));
    }
    if (m_entries.isEmpty())
        throwIssue(TableIssue::empty);
}

qint64 LabelPrintJob::slots() const
{
    return m_document.layout.columns * m_document.layout.rows;
}

qint64 LabelPrintJob::pages() const
{
    const qint64 perSheet = slots();
    return perSheet > 0 ? (perSheet + m_entries.size() - 1) / perSheet : 0;
}

LabelDocument LabelPrintJob::label(qint64 index) const
{
    if (index < 0 || index >= m_entries.size())
        throwIssue(TableIssue::range);
    return m_document.resolving(m_entries[index].row);
}

namespace {

// One label of a job bound, with its codes, ready to draw; or the error that binding or
// checking it gave.
struct PreparedLabel {
    std::optional<LabelDocument> label;
    std::exception_ptr error;
    RenderCache::ProvidedCodes codes;
};

PreparedLabel prepareLabel(const LabelDocument &document, const CheckedRows &checkedRows,
                           const LabelPrintJob::Entry &entry)
{
    PreparedLabel prepared;
    try {
        prepared.label = boundLabel(document, checkedRows, entry, prepared.codes);
    } catch (...) {
        prepared.error = std::current_exception();
    }
    return prepared;
}

} // namespace

// QR codes are not encoded by a row's check, only when the job is drawn: building a job
// (again at every change of the batch options) stays quick, and a PDF's codes are encoded
// on other threads while earlier pages are written. Each distinct text is encoded once
// for the job and kept with it; a text that cannot be encoded is remembered as such and
// encoded again only by the drawing that throws its error.
struct LabelPrintJob::EncodedQRCodes {
    std::mutex mutex;
    QHash<QString, std::optional<QRCodeMatrix>> matrices;

    // Adds the QR codes of the prepared labels to their codes, encoding the texts not met
    // before on the machine's cores.
    void provide(std::vector<PreparedLabel> &labels)
    {
        QList<QString> missing;
        {
            const std::lock_guard lock(mutex);
            QSet<QString> seen;
            for (const PreparedLabel &prepared : labels) {
                if (!prepared.label)
                    continue;
                for (const LabelElement &element : prepared.label->elements) {
                    if (element.kind == ElementKind::qr && !matrices.contains(element.content) &&
                        !seen.contains(element.content)) {
                        seen.insert(element.content);
                        missing.append(element.content);
                    }
                }
            }
        }
        std::vector<std::optional<QRCodeMatrix>> encoded(missing.size());
        parallelFor(missing.size(), [&](qsizetype i) {
            try {
                encoded[i] = QRCode::matrix(missing[i]);
            } catch (const Error &) {
            }
        });
        const std::lock_guard lock(mutex);
        for (qsizetype i = 0; i < missing.size(); ++i)
            matrices.insert(missing[i], std::move(encoded[i]));
        for (PreparedLabel &prepared : labels) {
            if (!prepared.label)
                continue;
            for (const LabelElement &element : prepared.label->elements) {
                if (element.kind != ElementKind::qr)
                    continue;
                const auto found = matrices.constFind(element.content);
                if (found != matrices.cend() && found->has_value())
                    prepared.codes.qrCodes.append(RenderCache::ProvidedQRCode{element.content, **found});
            }
        }
    }
};

void LabelPrintJob::draw(qint64 page, QPainter &painter, RenderCache *cache) const
{
    if (page < 0 || page >= pages())
        throwIssue(TableIssue::range);
    std::optional<RenderCache> local;
    RenderCache &codes = cache ? *cache : local.emplace();
    painter.fillRect(QRectF(QPointF(0, 0), LabelRenderer::sheetSize(m_document)), Qt::white);
    const QList<QRectF> frames = LabelRenderer::labelRects(m_document);
    const qint64 perSheet = slots();
    const qint64 first = page * perSheet;
    std::vector<PreparedLabel> labels;
    for (qint64 i = 0; i < perSheet && first + i < m_entries.size(); ++i)
        labels.push_back(prepareLabel(m_document, m_checkedRows, m_entries[first + i]));
    m_qrCodes->provide(labels);
    // A label leaves the painter as it found it; only its origin moves from slot to slot.
    const QTransform sheet = painter.transform();
    try {
        for (size_t i = 0; i < labels.size(); ++i) {
            PreparedLabel &label = labels[i];
            if (label.error)
                std::rethrow_exception(label.error);
            painter.setTransform(QTransform::fromTranslate(frames[i].x(), frames[i].y()) * sheet);
            codes.provide(std::move(label.codes));
            LabelRenderer::drawValidated(*label.label, painter, m_date, m_entries[first + i].counterIndex, &codes,
                                         LabelPaper::sheet);
            codes.clearProvided();
        }
    } catch (...) {
        codes.clearProvided();
        painter.setTransform(sheet);
        throw;
    }
    painter.setTransform(sheet);
}

namespace {

// Labels are prepared a batch ahead of the one being drawn.
constexpr qint64 preparedBatchLabels = 512;

} // namespace

QByteArray LabelPrintJob::pdf() const
{
    return pdf({});
}

QByteArray LabelPrintJob::pdf(const std::function<void(qint64 pagesDone)> &progress) const
{
    ExactPdfWriter writer(LabelRenderer::sheetSize(m_document));
    QPainter painter;
    if (!painter.begin(&writer.device()))
        throwIssue(DocumentIssue::io);
    RenderCache cache;
    const qint64 perSheet = slots();
    const qint64 count = pages();
    const QSizeF sheet = LabelRenderer::sheetSize(m_document);
    const QList<QRectF> frames = LabelRenderer::labelRects(m_document);

    // The PDF writer runs on this thread alone; binding the labels of the next batch runs on
    // the other cores meanwhile. The labels are drawn exactly as `draw(page:)` draws them:
    // bound, with the codes their check encoded, then drawn with element errors thrown.
    const qint64 batch = std::max<qint64>(1, preparedBatchLabels / std::max<qint64>(perSheet, 1)) * perSheet;
    auto prepareBatch = [this, batch](qint64 first) {
        const qint64 end = std::min<qint64>(first + batch, m_entries.size());
        std::vector<PreparedLabel> prepared(std::max<qint64>(end - first, 0));
        parallelFor(qsizetype(prepared.size()),
                    [&](qsizetype i) { prepared[i] = prepareLabel(m_document, m_checkedRows, m_entries[first + i]); });
        m_qrCodes->provide(prepared);
        return prepared;
    };

    try {
        std::future<std::vector<PreparedLabel>> next = std::async(std::launch::async, prepareBatch, 0);
        std::vector<PreparedLabel> current;
        qint64 currentFirst = 0;
        for (qint64 page = 0; page < count; ++page) {
            if (page > 0) {
                if (progress)
                    progress(page);
                if (!writer.device().newPage())
                    throwIssue(DocumentIssue::io);
                // Qt writes a page's content out only when the next page begins: this is
                // the first moment the previous page counts towards the limit.
                if (writer.bytesWritten() > maximumPdfBytes)
                    throwIssue(TableIssue::large);
            }
            painter.fillRect(QRectF(QPointF(0, 0), sheet), Qt::white);
            for (qint64 i = 0; i < perSheet && page * perSheet + i < m_entries.size(); ++i) {
                const qint64 index = page * perSheet + i;
                if (index >= currentFirst + qint64(current.size())) {
                    current = next.get();
                    currentFirst = index;
                    if (index + batch < m_entries.size())
                        next = std::async(std::launch::async, prepareBatch, index + batch);
                }
                PreparedLabel &label = current[index - currentFirst];
                if (label.error)
                    std::rethrow_exception(label.error);
                // The label saves and restores the painter itself; only its origin moves.
                painter.setTransform(QTransform::fromTranslate(frames[i].x(), frames[i].y()));
                cache.provide(std::move(label.codes));
                LabelRenderer::drawValidated(*label.label, painter, m_date, m_entries[index].counterIndex, &cache,
                                             LabelPaper::sheet);
                painter.resetTransform();
                cache.clearProvided();
                label.label.reset();
            }
            if (writer.bytesWritten() > maximumPdfBytes)
                throwIssue(TableIssue::large);
        }
        if (progress && count > 0)
            progress(count);
        // A batch still being prepared is waited for by its future's destructor.
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
    if (writer.bytesWritten() > maximumPdfBytes)
        throwIssue(TableIssue::large);
    QByteArray bytes = writer.finish();
    if (bytes.size() > maximumPdfBytes)
        throwIssue(TableIssue::large);
    return bytes;
}

} // namespace kestrivane
