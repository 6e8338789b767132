// One change of the parameters sheet's draft as the sheet sees it: reading the draft into
// a document, then painting the whole sheet into the preview's 400 × 260 frame. Within
// one frame (16 ms) for a 10 × 10 sheet of labels with a text, a Code 128 and a counter;
// within 3 ms for the single label of a new document.
#include "app/shell/SheetPreview.h"
#include "app/shell/TemplateDraft.h"
#include "bench/BenchMain.h"
#include "core/model/LabelDocument.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

LabelDocument sheetOf(qint64 columns, qint64 rows, bool content)
{
    QList<LabelElement> elements;
    if (content) {
        elements.append(
            LabelElement(QUuid::createUuid(), ElementKind::text, QStringLiteral("Batch 42"), 2, 2, 40, 8, 10));
        elements.append(
            LabelElement(QUuid::createUuid(), ElementKind::barcode, QStringLiteral("K0012345"), 2, 12, 50, 14, 8));
        elements.append(LabelElement(QUuid::createUuid(), ElementKind::counter, QStringLiteral("1"), 2, 30, 30, 7, 9));
    }
    LabelDocument document(QStringLiteral("Bench"), 60, 40, elements);
    document.layout.columns = columns;
    document.layout.rows = rows;
    document.layout.columnGapMm = document.layout.rowGapMm = columns > 1 ? 2 : 0;
    return document;
}

void draftChange(benchmark::State &state, const LabelDocument &original)
{
    TemplateDraft draft(original, std::nullopt);
    QImage image(400, 260, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        const LabelDocument document = draft.document();
        image.fill(Qt::transparent);
        QPainter painter(&image);
        SheetPreview::paint(painter, QRectF(0, 0, 400, 260), document);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_SheetPreviewTenByTen(benchmark::State &state)
{
    draftChange(state, sheetOf(10, 10, true));
}
BENCHMARK(BM_SheetPreviewTenByTen)->Unit(benchmark::kMillisecond);

void BM_SheetPreviewNewDocument(benchmark::State &state)
{
    draftChange(state, sheetOf(1, 1, false));
}
BENCHMARK(BM_SheetPreviewNewDocument)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
