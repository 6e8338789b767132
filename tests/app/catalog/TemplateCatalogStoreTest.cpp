#include "app/catalog/TemplateCatalogStore.h"
#include "app/shell/WorkspaceStore.h"
#include "tests/app/catalog/CatalogRig.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

using namespace catalogtest;

TEST(TemplateCatalogStore, DisplayModeFromAndToSettings)
{
    const struct {
        QString stored;
        CatalogDisplayMode mode;
    } cases[] = {{"list", CatalogDisplayMode::list},
                 {"previews", CatalogDisplayMode::previews},
                 {"List", CatalogDisplayMode::previews}};
    for (const auto &c : cases) {
        Rig rig;
        rig.settings.setValue(TemplateCatalogStore::displayModeKey, c.stored);
        auto store = rig.store();
        EXPECT_EQ(store->displayMode(), c.mode) << c.stored.toStdString();
        const CatalogDisplayMode other =
            c.mode == CatalogDisplayMode::list ? CatalogDisplayMode::previews : CatalogDisplayMode::list;
        store->selectDisplayMode(other);
        EXPECT_EQ(rig.settings.value(TemplateCatalogStore::displayModeKey).toString(), rawValue(other));
    }
}

TEST(TemplateCatalogStore, CanLoadMoreFollowsTheCachedPages)
{
    const struct {
        qint64 next, total;
        bool more;
    } cases[] = {{1, 1, false}, {1, 3, true}, {10000, 10001, true}, {10001, 10001, false}};
    for (const auto &c : cases) {
        Rig rig; // nothing answers: the cached list stays
        rig.cache
            ->saveSnapshot(CatalogSnapshot({item("a")}, {}, {}, c.next, c.total, QDateTime::currentDateTimeUtc()),
                           std::nullopt)
            .waitForFinished();
        auto store = rig.refreshed();
        EXPECT_EQ(store->canLoadMore(), c.more) << c.next << "/" << c.total;
    }
}

TEST(TemplateCatalogStore, CategoryTitleFollowsParents)
{
    Rig rig;
    rig.scriptCatalog({});
    rig.transport->script(
        base + "/categories",
        {Reply::ok(R"([{"id":"a","name":"A"},{"id":"b","name":"B","parentId":"a"},{"id":"c","name":"C","parentId":"b"},
                      {"id":"x","name":"X","parentId":"y"},{"id":"y","name":"Y","parentId":"x"},
                      {"id":"d","name":"D","parentId":"gone"}])")});
    auto store = rig.refreshed();
    const QList<CatalogCategory> &all = store->snapshot().categories;
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(store->categoryTitle(all[2]), "A \u203A B \u203A C");
    EXPECT_EQ(store->categoryTitle(all[3]), "Y \u203A X") << "a cycle";
    EXPECT_EQ(store->categoryTitle(all[5]), "D") << "a dangling parent";
}

TEST(TemplateCatalogStore, RefreshShowsTheCacheFirstAndSelectsTheFirstItem)
{
    Rig rig;
    rig.cache->saveSnapshot(CatalogSnapshot({item("old")}, {}, {}, 1, 1, {}), std::nullopt).waitForFinished();
    rig.scriptCatalog({itemJson("a"), itemJson("b")}, 2, 500);
    auto store = rig.store();
    store->refresh(std::nullopt, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store->usingCachedCatalog(); }, 400));
    EXPECT_TRUE(store->loading());
    EXPECT_EQ(store->snapshot().items().first().id, "old");
    ASSERT_TRUE(idle(*store));
    EXPECT_FALSE(store->usingCachedCatalog());
    EXPECT_EQ(store->snapshot().items().size(), 2);
    EXPECT_EQ(store->selected()->id, "a");
    ASSERT_TRUE(store->prepared());
    EXPECT_FALSE(store->usingCachedTemplate());
    EXPECT_TRUE(rig.cache->template_("a").result().has_value()) << "the converted template is kept";
    EXPECT_EQ(rig.cache->snapshot(std::nullopt).result()->items().size(), 2);
}

// Neither a superseded refresh nor a cancelled one publishes anything, even when its
// answer comes in later.
TEST(TemplateCatalogStore, SecondRefreshOrCancelStopsTheFirst)
{
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancel" : "second refresh");
        Rig rig;
        rig.scriptCatalog({itemJson("a")}, 3, 300);
        rig.transport->script(pageURL(0, "c2"), {Reply::ok(pageJson(0, {itemJson("z")}, 1))});
        rig.scriptDesign("z");
        auto store = rig.store();
        QSignalSpy snapshots(store.get(), &TemplateCatalogStore::snapshotChanged);
        store->refresh(std::nullopt, false);
        QTest::qWait(50);
        if (cancel) {
            store->cancel();
            EXPECT_FALSE(store->loading());
        } else {
            store->refresh(QString("c2"), true);
        }
        QTest::qWait(450);
        ASSERT_TRUE(idle(*store));
        EXPECT_FALSE(store->issue());
        EXPECT_EQ(cancel ? snapshots.count() : 0, 0);
        EXPECT_EQ(store->category(), cancel ? std::nullopt : std::make_optional<QString>("c2"));
        const QList<CatalogItem> items = store->snapshot().items();
        EXPECT_EQ(items.isEmpty() ? QString() : items.first().id, cancel ? QString() : "z");
        EXPECT_EQ(items.size(), cancel ? 0 : 1);
        EXPECT_EQ(store->selected() ? store->selected()->id : QString(), cancel ? QString() : "z");
    }
}

TEST(TemplateCatalogStore, LoadMoreAppendsAndIsIgnoredWhileLoading)
{
    Rig rig;
    rig.scriptCatalog({itemJson("a")}, 3);
    rig.transport->script(pageURL(1), {Reply{pageJson(1, {itemJson("b")}, 3), std::nullopt, 200}});
    auto store = rig.refreshed();
    store->loadMore();
    EXPECT_TRUE(store->loading());
    store->loadMore(); // ignored: one page request
    ASSERT_TRUE(idle(*store));
    EXPECT_EQ(rig.requests(pageURL(1)), 1);
    EXPECT_EQ(rig.requests(pageURL(2)), 0);
    EXPECT_EQ(store->snapshot().items().size(), 2);
    EXPECT_EQ(store->snapshot().nextPage, 2);
    EXPECT_EQ(store->selected()->id, "a") << "a further page leaves the selection";
    // A failing page keeps what was listed.
    rig.transport->script(pageURL(2), {Reply::fail(CatalogIssue::Kind::rateLimited)});
    store->loadMore();
    ASSERT_TRUE(idle(*store));
    EXPECT_EQ(store->issue(), CatalogIssue(CatalogIssue::Kind::rateLimited));
    EXPECT_EQ(store->snapshot().items().size(), 2);
}

TEST(TemplateCatalogStore, SelectUsesTheCachedTemplateAgainstEachAnswer)
{
    using Kind = CatalogIssue::Kind;
    const struct {
        std::optional<Kind> answer; // none: the cached revision is current and nothing is asked
        bool keeps;
    } cases[] = {{Kind::disabled, true},  {Kind::rateLimited, true}, {Kind::network, true}, {Kind::access, true},
                 {Kind::notFound, false}, {Kind::invalid, false},    {std::nullopt, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer ? CatalogIssue(*c.answer).key().toStdString() : "current");
        Rig rig;
        rig.cacheTemplate("a", c.answer ? "r0" : "r1");
        if (c.answer)
            rig.transport->script(base + "/a/design", {Reply::fail(*c.answer)});
        auto store = rig.store();
        store->select(item("a", "r1"));
        ASSERT_TRUE(idle(*store));
        EXPECT_EQ(store->detailIssue(), c.answer ? std::make_optional(CatalogIssue(*c.answer)) : std::nullopt);
        EXPECT_EQ(store->prepared().has_value(), c.keeps);
        EXPECT_EQ(store->usingCachedTemplate(), c.keeps);
        EXPECT_EQ(rig.transport->calls().isEmpty(), !c.answer);
    }
}

TEST(TemplateCatalogStore, SelectionRuleAfterARefresh)
{
    const struct {
        const char *name;
        QString listed; // the id in the refreshed list
        QString revision;
        bool reprepared;
    } cases[] = {{"same revision", "a", "r1", false}, {"new revision", "a", "r2", true}, {"gone", "b", "r1", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.scriptCatalog({itemJson("a")});
        auto store = rig.refreshed();
        ASSERT_EQ(store->selected()->id, "a");
        const int designs = rig.requests(base + "/a/design");
        rig.scriptCatalog({itemJson(c.listed, c.revision)});
        store->refresh(std::nullopt, false);
        ASSERT_TRUE(idle(*store));
        EXPECT_EQ(store->selected()->id, "a");
        EXPECT_TRUE(store->prepared());
        EXPECT_EQ(rig.requests(base + "/a/design") - designs, c.reprepared ? 1 : 0);
    }
}

TEST(TemplateCatalogStore, SecondSelectSupersedesTheFirst)
{
    Rig rig;
    rig.scriptDesign("a", "r1", 300);
    rig.scriptDesign("b");
    auto store = rig.store();
    QList<QString> prepared;
    QObject::connect(store.get(), &TemplateCatalogStore::preparedChanged, [&] {
        if (store->prepared())
            prepared.append(store->prepared()->id);
    });
    store->select(item("a"));
    QTest::qWait(50);
    store->select(item("b"));
    ASSERT_TRUE(idle(*store));
    QTest::qWait(350);
    EXPECT_EQ(prepared, QList<QString>{"b"});
    EXPECT_FALSE(store->thumbnailDocument(item("a"))) << "nothing was prepared for the first";
}

TEST(TemplateCatalogStore, ThumbnailReadSurvivesARefreshOfTheSameCategory)
{
    Rig rig;
    rig.scriptCatalog({itemJson("a"), itemJson("b")});
    auto store = rig.refreshed();
    rig.cacheTemplate("b");
    // A read in flight, then a refresh that keeps the category renews the generation.
    rig.cache->enqueue<void>([] { QThread::msleep(100); });
    store->loadCachedThumbnail(item("b"));
    store->refresh(std::nullopt, false);
    ASSERT_TRUE(idle(*store));
    QTest::qWait(150);
    EXPECT_FALSE(store->thumbnailDocument(item("b"))) << "a superseded read publishes nothing";
    store->loadCachedThumbnail(item("b"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return store->thumbnailDocument(item("b")).has_value(); }, 2000))
        << "the card asks again and gets its document";
}

TEST(TemplateCatalogStore, OpenAddsIndependentUnsavedTabs)
{
    Rig rig;
    rig.scriptDesign("a", "r1", 200);
    QSettings preferences(rig.folder.path() + "/workspace.ini", QSettings::IniFormat);
    WorkspaceStore workspace(nullptr, preferences);
    auto store = rig.store();
    store->select(item("a"));
    store->open(workspace); // still preparing
    EXPECT_TRUE(workspace.tabs().isEmpty());
    ASSERT_TRUE(idle(*store));
    store->open(workspace);
    store->open(workspace);
    ASSERT_EQ(workspace.tabs().size(), 2);
    const LabelDocument &first = workspace.tabs()[0]->document();
    const LabelDocument &second = workspace.tabs()[1]->document();
    EXPECT_NE(first.documentID, second.documentID);
    EXPECT_NE(first.documentID, store->prepared()->document.documentID);
    ASSERT_FALSE(first.elements.isEmpty());
    EXPECT_NE(first.elements[0].id, second.elements[0].id);
}

TEST(TemplateCatalogStore, RefreshReportsTheFirstFailureInRequestOrder)
{
    using Kind = CatalogIssue::Kind;
    // Whichever request fails first in time, the page's failure comes before the lists'.
    const struct {
        std::optional<Kind> page, categories, sizes;
        qint64 pageDelayMs;
        Kind reported;
    } cases[] = {{Kind::rateLimited, Kind::access, std::nullopt, 200, Kind::rateLimited},
                 {std::nullopt, Kind::disabled, Kind::access, 0, Kind::disabled},
                 {std::nullopt, std::nullopt, Kind::invalid, 100, Kind::invalid}};
    for (const auto &c : cases) {
        SCOPED_TRACE(CatalogIssue(c.reported).key().toStdString());
        Rig rig;
        const auto reply = [](std::optional<Kind> issue, const QByteArray &bytes, qint64 delay) {
            return issue ? Reply{{}, CatalogIssue(*issue), delay} : Reply{bytes, std::nullopt, delay};
        };
        rig.transport->script(pageURL(0), {reply(c.page, pageJson(0, {itemJson("a")}, 1), c.pageDelayMs)});
        rig.transport->script(base + "/categories", {reply(c.categories, "[]", 0)});
        rig.transport->script(base + "/sizes", {reply(c.sizes, "[]", 0)});
        auto store = rig.refreshed();
        EXPECT_EQ(store->issue(), CatalogIssue(c.reported));
        EXPECT_TRUE(store->snapshot().items().isEmpty()) << "a failed refresh publishes no list";
    }
}

// A store released while the cache still holds its reads (list, selection, thumbnail):
// when the reads end, nothing of the store runs, so no request goes out.
TEST(TemplateCatalogStore, CacheReadsEndingAfterTheStoreIsGoneChangeNothing)
{
    Rig rig;
    rig.scriptCatalog({itemJson("a")});
    rig.cacheTemplate("b");
    QSemaphore gate;
    rig.cache->enqueue<void>([&gate] { gate.acquire(); });
    auto store = rig.store();
    store->refresh(std::nullopt, false);
    store->select(item("a"));
    store->loadCachedThumbnail(item("b"));
    store.reset();
    gate.release();
    rig.cache->enqueue<void>([] {}).waitForFinished();
    QTest::qWait(50);
    EXPECT_TRUE(rig.transport->calls().isEmpty());
    EXPECT_FALSE(rig.cache->snapshot(std::nullopt).result());
}
