// One snapping resolution runs on every pointer-drag event: it has to stay far below a
// frame's time even for a crowded label.
#include "app/editor/ElementSnapGeometry.h"

#include <benchmark/benchmark.h>

using namespace kestrivane;

static void resolveAgainstStationary(benchmark::State &state)
{
    QList<QRectF> stationary;
    const int count = int(state.range(0));
    for (int i = 0; i < count; ++i)
        stationary.append(QRectF((i * 7) % 180, (i * 13) % 120, 5 + i % 11, 3 + i % 7));
    const QRectF moving(40, 40, 12, 8);
    const QRectF label(0, 0, 200, 140);
    double x = 0;
    for (auto _ : state) {
        x += 0.01;
        if (x > 50)
            x = 0;
        benchmark::DoNotOptimize(ElementSnapGeometry::resolve(moving, stationary, QPointF(x, x / 2), 1.0, 2.5, label));
    }
    state.SetComplexityN(count);
}
BENCHMARK(resolveAgainstStationary)->Arg(10)->Arg(100)->Arg(1000)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
