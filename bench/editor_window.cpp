// The editor window's own costs, without the canvas's redraw (bench_canvas_redraw):
// - a tab switch: a window built for a 200-element document and painted once (50 ms);
// - one keystroke's store change: the menu's enabled states, the toolbar, the canvas bar,
//   the status bar and the label card read again (0.3 ms);
// - the main menu built anew in the current language (5 ms).
#include "app/editor/EditorGridPreferences.h"
#include "app/editor/EditorStore.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/MainMenu.h"
#include "app/shell/WorkspaceStore.h"
#include "app/window/ContentView.h"
#include "bench/BenchMain.h"
#include "core/l10n/Localization.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

// A 200-element document of every drawn kind, spread over a 100 × 70 mm label.
LabelDocument bigDocument()
{
    LabelDocument document(QStringLiteral("Two hundred"), 100, 70, {});
    const ElementKind kinds[] = {ElementKind::text,      ElementKind::barcode, ElementKind::qr,
                                 ElementKind::rectangle, ElementKind::line,    ElementKind::counter};
    for (int i = 0; i < 200; ++i) {
        const ElementKind kind = kinds[i % 6];
        const bool code = kind == ElementKind::barcode || kind == ElementKind::qr;
        document.elements.append(LabelElement(QUuid::createUuid(), kind,
                                              code ? QStringLiteral("0123456789") : QStringLiteral("Item %1").arg(i),
                                              (i % 10) * 9, (i / 10) * 3, 12, code ? 12 : 4, 8));
    }
    return document;
}

struct Environment {
    Environment()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          localization(&settings, {QStringLiteral("en-US")}), grid(settings)
    {
    }
    QTemporaryDir dir;
    QSettings settings;
    Localization localization;
    EditorGridPreferences grid;
};

void BM_EditorTabSwitch(benchmark::State &state)
{
    Environment env;
    EditorStore store(&env.localization, bigDocument(), std::nullopt, false, &env.grid);
    for (auto _ : state) {
        ContentView view(&store, &env.localization, {}, {}, {});
        view.resize(1280, 760);
        benchmark::DoNotOptimize(view.grab());
    }
}
BENCHMARK(BM_EditorTabSwitch)->Unit(benchmark::kMillisecond);

void BM_EditorStoreChange(benchmark::State &state)
{
    Environment env;
    AppDelegate delegate(&env.localization, &env.settings);
    delegate.setTerminate([] {});
    delegate.launch();
    EditorStore *store = delegate.workspace()->add(bigDocument(), std::nullopt, false);
    QCoreApplication::processEvents();
    ContentView view(store, &env.localization, {}, {}, {});
    view.resize(1280, 760);
    store->select(store->document().elements.first().id, false);
    for (auto _ : state) {
        delegate.menu()->refreshEnabled();
        view.refresh();
    }
}
BENCHMARK(BM_EditorStoreChange)->Unit(benchmark::kMicrosecond);

void BM_RebuildMenus(benchmark::State &state)
{
    Environment env;
    AppDelegate delegate(&env.localization, &env.settings);
    delegate.setTerminate([] {});
    delegate.launch();
    for (auto _ : state) {
        delegate.rebuildMenus();
        state.PauseTiming();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RebuildMenus)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
