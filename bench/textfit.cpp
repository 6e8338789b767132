// Shrink-to-fit of long web texts, the work a canvas repaint does for every fitted
// element. Compares WebTextFit with the same line filling measured the plain way
// (every candidate line measured whole), which grows with the square of the line.
#include "bench/BenchMain.h"
#include "core/render/WebFonts.h"
#include "core/render/WebTextFit.h"
#include "core/common/TextRules.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <algorithm>
#include <cmath>

using namespace kestrivane;

namespace {

QString paragraph(int words)
{
    static const QStringList vocabulary = {
        QStringLiteral("Organic"),  QStringLiteral("apples"),       QStringLiteral("from"),   QStringLiteral("the"),
        QStringLiteral("valley,"),  QStringLiteral("picked"),       QStringLiteral("fresh"),  QStringLiteral("every"),
        QStringLiteral("morning;"), QStringLiteral("keep"),         QStringLiteral("cool"),   QStringLiteral("and"),
        QStringLiteral("dry."),     QStringLiteral("Яблоки"),       QStringLiteral("свежие"), QStringLiteral("AVATAR"),
        QStringLiteral("office"),   QStringLiteral("4601234567893")};
    QString text;
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            text += u' ';
        text += vocabulary[(i * 7 + i / 3) % vocabulary.size()];
    }
    return text;
}

bool isSpace(QStringView g)
{
    return QChar::isSpace(g.toUcs4().value(0));
}

QList<QStringView> graphemes(QStringView text)
{
    QList<QStringView> result;
    const QString whole = text.toString();
    text::GraphemeWalk walk(whole);
    qsizetype start = 0;
    for (qsizetype end = walk.next(); end != -1; end = walk.next()) {
        if (end > start)
            result << text.sliced(start, end - start);
        start = end;
    }
    return result;
}

// The line filling with whole-string measurements, for comparison only.
int plainLineCount(const PointFont &font, const QString &text, double width)
{
    int lines = 0;
    for (const QString &p : text.split(u'\n')) {
        if (p.isEmpty()) {
            ++lines;
            continue;
        }
        QStringList tokens;
        bool previous = false;
        for (QStringView g : graphemes(p)) {
            if (!tokens.isEmpty() && isSpace(g) == previous)
                tokens.last() += g;
            else
                tokens << g.toString();
            previous = isSpace(g);
        }
        int n = lines;
        QString c;
        for (const QString &t : tokens) {
            if (!c.isEmpty() && font.width(c + t) <= width) {
                c += t;
            } else if (c.isEmpty() && font.width(t) <= width) {
                c = isSpace(t) ? QString() : t;
            } else {
                if (!c.trimmed().isEmpty())
                    ++n;
                c.clear();
                if (isSpace(t))
                    continue;
                for (QStringView g : graphemes(t)) {
                    if (!c.isEmpty() && font.width(c + g.toString()) > width) {
                        ++n;
                        c = g.toString();
                    } else {
                        c += g;
                    }
                }
            }
        }
        lines = c.isEmpty() ? n : n + 1;
    }
    return std::max(lines, 1);
}

double plainFit(const PointFont &font, const QString &text, QSizeF box, double lineHeight)
{
    auto fits = [&](double size) {
        return std::max(lineHeight, 0.8) * size * plainLineCount(font.withPointSize(size), text, box.width()) <=
               box.height() + 0.0075;
    };
    double hi = font.pointSize();
    double lo = std::min(hi, 3.0);
    if (fits(hi))
        return hi;
    if (!fits(lo))
        return lo;
    for (int i = 0; i < 12; ++i) {
        const double mid = (lo + hi) / 2;
        (fits(mid) ? lo : hi) = mid;
    }
    return std::max(std::floor(lo / 0.75 * 10) / 10 * 0.75, 0.075);
}

void fitArguments(benchmark::internal::Benchmark *b)
{
    // Words of one paragraph; the box is sized so the result lands between 3 and 24 pt.
    for (int words : {50, 200, 800})
        b->Arg(words);
}

QSizeF boxFor(int words)
{
    return QSizeF(400, 2.0 * words);
}

void BM_WebTextFit(benchmark::State &state)
{
    const int words = int(state.range(0));
    const QString text = paragraph(words);
    const PointFont font = WebFonts::systemFont(24);
    double size = 0;
    for (auto _ : state) {
        size = WebTextFit::font(font, text, boxFor(words), 1.2).pointSize();
        benchmark::DoNotOptimize(size);
    }
    state.counters["size_pt"] = size;
    state.SetItemsProcessed(state.iterations() * words);
}
BENCHMARK(BM_WebTextFit)->Apply(fitArguments)->Unit(benchmark::kMillisecond);

void BM_WholeStringFit(benchmark::State &state)
{
    const int words = int(state.range(0));
    const QString text = paragraph(words);
    const PointFont font = WebFonts::systemFont(24);
    double size = 0;
    for (auto _ : state) {
        size = plainFit(font, text, boxFor(words), 1.2);
        benchmark::DoNotOptimize(size);
    }
    state.counters["size_pt"] = size;
    state.SetItemsProcessed(state.iterations() * words);
}
BENCHMARK(BM_WholeStringFit)->Apply(fitArguments)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
