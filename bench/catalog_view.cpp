// The catalog screen: painting the preview grid whose thumbnails are drawn already, the
// first drawing of those thumbnails, and how soon a refresh shows a long cached list.

#include "app/catalog/TemplateCatalogStore.h"
#include "app/catalog/TemplateCatalogView.h"
#include "app/shell/WorkspaceStore.h"
#include "bench/BenchMain.h"
#include "core/l10n/Localization.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>

namespace {

using namespace kestrivane;

const QUrl base("https://catalog.test/api/v1/desktop/templates");

// A catalog that answers nothing but a failure, after `delayMs`.
class SilentTransport final : public CatalogTransport {
public:
    explicit SilentTransport(qint64 delayMs) : m_delayMs(delayMs) {}
    QByteArray get(const QUrl &, qint64, const CancelToken &token) override
    {
        token.waitFor(m_delayMs);
        throwCatalog(CatalogIssue::Kind::network);
    }

private:
    qint64 m_delayMs;
};

QList<CatalogItem> items(int count)
{
    QList<CatalogItem> result;
    for (int i = 0; i < count; ++i) {
        CatalogItem item;
        item.id = QString("tpl-%1").arg(i);
        item.name = QString("Template number %1").arg(i);
        item.categoryName = QString("Shipping");
        item.widthMm = 60;
        item.heightMm = 40;
        item.updatedAt = QString("r1");
        item.downloadUrl = base.toString() + "/" + item.id + "/design";
        item.previewUrl = base.toString() + "/" + item.id + "/preview";
        result.append(item);
    }
    return result;
}

struct Screen {
    explicit Screen(int count, qint64 delayMs = 0)
        : settings(folder.path() + "/settings.ini", QSettings::IniFormat), l10n(&settings, {"en-US"}),
          cache(std::make_shared<TemplateCache>(folder.path() + "/cache", base)),
          service(std::make_shared<const TemplateCatalogService>(base, std::make_shared<SilentTransport>(delayMs),
                                                                 RetryPolicy{0, 0})),
          workspace(&l10n, settings)
    {
        cache->saveSnapshot(CatalogSnapshot(items(count), {}, {}, 1, 1, QDateTime::currentDateTimeUtc()), std::nullopt)
            .waitForFinished();
        for (const CatalogItem &item : items(std::min(count, 30)))
            cache->saveTemplate(CachedTemplate(item.id, item.updatedAt, LabelDocument::example(), {}))
                .waitForFinished();
    }
    QTemporaryDir folder;
    QSettings settings;
    Localization l10n;
    std::shared_ptr<TemplateCache> cache;
    std::shared_ptr<const TemplateCatalogService> service;
    WorkspaceStore workspace;
};

void wait(const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// 30 cards in view: six columns of five rows.
void gridOf30(benchmark::State &state, bool firstDrawing)
{
    Screen screen(30);
    TemplateCatalogStore store(screen.service, screen.cache, nullptr);
    TemplateCatalogView view(&store, &screen.workspace, &screen.l10n);
    view.resize(1900, 1450);
    view.show();
    wait([&] { return !store.snapshot().items().isEmpty() && !store.loading() && !store.preparing(); });
    wait([&] { return store.thumbnailDocuments().size() >= 30; });
    QWidget *viewport = view.itemView()->viewport();
    QImage frame(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    viewport->render(&frame);
    for (auto _ : state) {
        if (firstDrawing)
            Q_EMIT store.thumbnailDocumentsChanged(QString());
        viewport->render(&frame);
    }
    state.counters["thumbnails"] = double(store.thumbnailDocuments().size());
}

void BM_PaintGridOf30CachedThumbnails(benchmark::State &state)
{
    gridOf30(state, false);
}
BENCHMARK(BM_PaintGridOf30CachedThumbnails)->Unit(benchmark::kMillisecond);

void BM_FirstDrawingOf30Thumbnails(benchmark::State &state)
{
    gridOf30(state, true);
}
BENCHMARK(BM_FirstDrawingOf30Thumbnails)->Unit(benchmark::kMillisecond);

// From the call to the cached list on screen, while the catalog takes 500 ms to fail.
void BM_RefreshShowsCachedListOf5000(benchmark::State &state)
{
    Screen screen(5000, 500);
    TemplateCatalogStore store(screen.service, screen.cache, nullptr);
    for (auto _ : state) {
        store.cancel();
        QElapsedTimer timer;
        timer.start();
        store.refresh(std::nullopt, false);
        wait([&] { return store.snapshot().items().size() == 5000; });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        state.PauseTiming();
        store.cancel();
        store.refresh(std::nullopt, true); // empties the list for the next round
        store.cancel();
        // That refresh's read of the cached list is not cancelled, and the cache reads one
        // entry at a time: wait until it is done, or the next round would time it as well.
        screen.cache->snapshot(std::nullopt).waitForFinished();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RefreshShowsCachedListOf5000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
