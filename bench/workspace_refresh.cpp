// One edit in one tab as the workspace screens see it with 50 documents open: the editor
// store's change, republished by the workspace, updates the tab strip, the menu of all tabs
// and the home screen's list in place. Target: 0.5 ms.
#include "app/editor/EditorStore.h"
#include "app/shell/WorkspaceStore.h"
#include "app/shell/WorkspaceView.h"
#include "bench/BenchMain.h"
#include "core/l10n/Localization.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

void BM_WorkspaceRefreshFiftyTabs(benchmark::State &state)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    Localization localization(&settings, {QStringLiteral("en-US")});
    WorkspaceStore workspace(&localization, settings);
    for (int i = 0; i < 50; ++i)
        workspace.add(LabelDocument(QStringLiteral("Document %1").arg(i), 60, 40, {}), std::nullopt, true);
    workspace.setRoute(WorkspaceStore::Route::home);
    WorkspaceView view(&workspace, &localization, {});
    view.resize(1280, 800);
    view.show();
    QCoreApplication::processEvents();
    EditorStore *tab = workspace.tabs().at(25);
    const LabelDocument document = tab->document();
    for (auto _ : state) {
        // A published change of one tab, as every keystroke in its editor makes.
        Q_EMIT tab->changed();
    }
    benchmark::DoNotOptimize(document);
}
BENCHMARK(BM_WorkspaceRefreshFiftyTabs)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
