// From the application object to the first frame of the main window: the controller, the
// workspace, the main window and its first paint, on the headless platform. The event
// loop's idle time is not part of it; the fonts are registered before timing, as at start.

#include "app/shell/AppDelegate.h"
#include "app/shell/MainWindow.h"
#include "bench/BenchMain.h"
#include "core/l10n/Localization.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kestrivane;

namespace {

void launchToFirstFrame(benchmark::State &state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        Localization localization(&settings, {QStringLiteral("en-US")});
        auto delegate = std::make_unique<AppDelegate>(&localization, &settings);
        delegate->setTerminate([] {});
        delegate->launch();
        // Expose and paint: the first frame.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        benchmark::DoNotOptimize(delegate->window()->grab());
        state.PauseTiming();
        delegate.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
// The first launch of the process also reads the string table and sets up the style; it is
// what a person waits for, so it is measured alone before the warm repetitions.
BENCHMARK(launchToFirstFrame)->Name("firstLaunchToFirstFrame")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(launchToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
