// The inspector's own work: one keystroke in the content editor of a text in a label of 200
// elements (the store write, the in-place refresh and both validations) should take at most
// 2 ms, leaving the canvas its share of a 16 ms frame; a selection change that builds a
// new inspector, font list included, at most 15 ms; cleaning and sorting the font families
// at most 5 ms.
#include "app/editor/EditorGridPreferences.h"
#include "app/editor/EditorStore.h"
#include "app/inspector/EditorInspector.h"
#include "app/inspector/InspectorControls.h"
#include "bench/BenchDocuments.h"
#include "bench/BenchMain.h"
#include "core/l10n/Localization.h"
#include "core/model/LabelDocument.h"

#include <QApplication>
#include <QFontDatabase>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

struct Fixture {
    Fixture()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          localization(&settings, {QStringLiteral("en-US")}), grid(settings),
          store(&localization, benchdocs::crowdedLabel(), std::nullopt, false, &grid)
    {
        store.setSelectedIDs({store.document().elements.at(5).id});
        pane = std::make_unique<InspectorPane>(&store, &localization);
        pane->resize(300, 900);
        pane->show();
        QApplication::processEvents();
    }

    QTemporaryDir dir;
    QSettings settings;
    Localization localization;
    EditorGridPreferences grid;
    EditorStore store;
    std::unique_ptr<InspectorPane> pane;
};

void keystrokeInTheContentEditor(benchmark::State &state)
{
    Fixture fixture;
    auto *editor = fixture.pane->inspector()->findChild<ContentEditor *>(QStringLiteral("mac.content"));
    editor->moveCursor(QTextCursor::End);
    bool typing = true;
    for (auto _ : state) {
        // A typed character and its deletion, in turn: two keystrokes, each one step.
        if (typing)
            editor->insertPlainText(QStringLiteral("x"));
        else
            editor->textCursor().deletePreviousChar();
        typing = !typing;
        QApplication::processEvents();
    }
    if (fixture.store.undoStack().isEmpty())
        state.SkipWithError("the keystrokes wrote nothing");
}

// Argument 1: the pane on screen, so the figure includes laying out and painting it.
void selectionChangeBuildsAnInspector(benchmark::State &state)
{
    Fixture fixture;
    fixture.pane->setVisible(state.range(0) != 0);
    const QUuid first = fixture.store.document().elements.at(5).id;
    const QUuid second = fixture.store.document().elements.at(6).id;
    bool toFirst = false;
    for (auto _ : state) {
        fixture.store.setSelectedIDs({toFirst ? first : second});
        toFirst = !toFirst;
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Argument 0: the families installed here; otherwise that many made-up names, each twice
// with a foundry, as a desktop with many fonts lists them. "families" counts the names
// given, "listed" the entries the font picker shows.
void cleanAndSortFontFamilies(benchmark::State &state)
{
    QStringList families = QFontDatabase::families();
    if (state.range(0) > 0) {
        families.clear();
        for (int i = 0; i < state.range(0); ++i) {
            const QString name = QStringLiteral("Family %1").arg((i * 7919) % state.range(0));
            families << name + QStringLiteral(" [urw]") << name + QStringLiteral(" [UKWN]");
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(cleanFontFamilies(families));
    state.counters["families"] = double(families.size());
    state.counters["listed"] = double(cleanFontFamilies(families).size());
}

BENCHMARK(keystrokeInTheContentEditor)->Unit(benchmark::kMillisecond);
BENCHMARK(selectionChangeBuildsAnInspector)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(cleanAndSortFontFamilies)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
