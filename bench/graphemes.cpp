// Counting user-perceived characters, which every limit on names, contents and table cells
// does: 1 MiB of plain ASCII (the fast path) and 1 MiB of text mixing Latin with accents,
// Cyrillic, Devanagari, Tamil, Myanmar, Thai and emoji sequences (the break iterator).
#include "core/common/TextRules.h"

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

QString mebibyteOf(const QString &piece)
{
    QString text;
    text.reserve(512 * 1024 + piece.size());
    while (text.size() < 512 * 1024)
        text += piece;
    return text;
}

void BM_GraphemeCount(benchmark::State &state, const QString &piece)
{
    const QString text = mebibyteOf(piece);
    for (auto _ : state)
        benchmark::DoNotOptimize(text::graphemeCount(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}

} // namespace

BENCHMARK_CAPTURE(BM_GraphemeCount, ascii, QStringLiteral("Organic apples, picked fresh.\r\n"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GraphemeCount, mixed,
                  QStringLiteral(u"Café e\u0301 Яблоки नमस्ते क्ष தமிழ் ကျွန်ုပ် สวัสดี 👍🏽 🇩🇪 👨\u200D👩\u200D👧 ok\r\n"))
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
