// The catalog from the home screen to open tabs, over HTTPS on the loopback test server,
// with the cache in a temporary folder. The same journey runs offscreen for its checks and
// again in a child program on a private X server for pictures a person looks at.

#include "app/catalog/CatalogScreens.h"
#include "app/catalog/CatalogWidgets.h"
#include "app/catalog/TemplateCatalogStore.h"
#include "app/catalog/TemplateCatalogView.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/MainWindow.h"
#include "app/shell/WorkspaceStore.h"
#include "app/shell/WorkspaceView.h"
#include "core/l10n/Localization.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/common/ScreenshotChild.h"
#include "tests/common/TestCatalogServer.h"
#include "tests/common/TestSupport.h"

#include <QJsonDocument>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

QByteArray fixture(const QString &name)
{
    return testsupport::readFile(testsupport::dataPath("webimport/" + name));
}

const QString revision = QStringLiteral("2026-11-02T09:15:00Z");

// 120 templates in three categories, each with the converter's design of every kind.
testsupport::CatalogFixture catalogFixture(const testsupport::TestCatalogServer &server)
{
    testsupport::CatalogFixture catalog;
    const QString base = server.base().toString();
    const QStringList categories{"Shipping", "Food", "Office"};
    const QStringList names{"Parcel label", "Jam jar lid", "Folder spine", "Price tag", "Name badge"};
    const double sizes[][2] = {{100, 150}, {50.8, 25.4}, {38, 190}, {60, 40}, {70, 70}};
    const QByteArray design = fixture("all-kinds.json").replace("https://photos.test", server.origin().toUtf8());
    for (int i = 0; i < 120; ++i) {
        const QString id = QString("tpl-%1").arg(i, 3, 10, QLatin1Char('0'));
        catalog.items.append(QJsonObject{{"id", id},
                                         {"name", QString("%1 %2").arg(names[i % 5]).arg(i + 1)},
                                         {"description", "A ready-made layout with text, codes and pictures."},
                                         {"categoryId", categories[i % 3].toLower()},
                                         {"categoryName", categories[i % 3]},
                                         {"widthMm", sizes[i % 5][0]},
                                         {"heightMm", sizes[i % 5][1]},
                                         {"updatedAt", revision},
                                         {"downloadUrl", base + "/" + id + "/design"},
                                         {"previewUrl", base + "/" + id + "/preview"}});
        catalog.files.insert(server.basePath() + "/" + id + "/design",
                             QByteArray(design).replace("tpl-all-kinds", id.toUtf8()));
        catalog.files.insert(server.basePath() + "/" + id + "/preview", "{}");
    }
    catalog.categories = R"([{"id":"shipping","name":"Shipping"},{"id":"food","name":"Food"},)"
                         R"({"id":"office","name":"Office"},{"id":"jars","name":"Jars","parentId":"food"}])";
    catalog.sizes = R"([{"widthMm":100,"heightMm":150},{"widthMm":60,"heightMm":40}])";
    for (const char *name : {"shared.png", "background.png", "photo.png"})
        catalog.files.insert(QString("/static/img/") + name, fixture(name));
    catalog.files.insert("/static/signs/ms_0123456789abcdef0123456789abcdef.svg", fixture("signs/caution.svg"));
    return catalog;
}

// The program's catalog, but trusting the test server and never a proxy.
void useTestCatalog(const QUrl &base)
{
    registerCatalogScreens();
    WorkspaceStore::setDefaultCatalogFactory([base](WorkspaceStore &workspace) {
        TransportConfiguration configuration;
        configuration.useSystemProxy = false;
        configuration.diskCacheFolder.clear();
        configuration.caCertificates = testsupport::TestCatalogServer::caCertificates();
        auto service = std::make_shared<const TemplateCatalogService>(
            base, std::make_shared<HTTPCatalogTransport>(configuration), RetryPolicy{0, 0});
        return new TemplateCatalogStore(service, nullptr, &workspace.preferences(), &workspace);
    });
}

// One main window of the program.
struct Program {
    explicit Program(const QString &folder)
        : settings(folder + "/settings.ini", QSettings::IniFormat), l10n(&settings, {"en-US"}),
          delegate(&l10n, &settings)
    {
        delegate.setTerminate([] {});
        delegate.launch();
        delegate.window()->resize(1440, 900);
        workspace().setRoute(WorkspaceStore::Route::catalog);
    }
    WorkspaceStore &workspace() { return *delegate.workspace(); }
    TemplateCatalogStore &store() { return *workspace().catalog(); }
    TemplateCatalogView &view() { return *delegate.window()->findChild<TemplateCatalogView *>(); }
    bool settled(const std::function<bool()> &also = [] { return true; })
    {
        return QTest::qWaitFor([&] { return !store().loading() && !store().preparing() && also(); }, 20000);
    }
    void picture(bool pictures, const QString &name)
    {
        QTest::qWait(150);
        if (pictures)
            delegate.window()->grab().save(testsupport::outputPath(name));
    }

    QSettings settings;
    Localization l10n;
    AppDelegate delegate;
};

void journey(bool pictures)
{
    QTemporaryDir folder;
    qputenv("XDG_CACHE_HOME", folder.filePath("caches").toUtf8());
    auto server = std::make_unique<testsupport::TestCatalogServer>();
    server->setCatalog(catalogFixture(*server));
    const QUrl base = server->base();
    useTestCatalog(base);
    {
        Program program(folder.path());
        TemplateCatalogStore &store = program.store();
        ASSERT_TRUE(program.settled([&] { return store.prepared().has_value(); }));
        EXPECT_EQ(store.snapshot().items().size(), 50);
        EXPECT_EQ(store.selected()->id, "tpl-000");
        EXPECT_TRUE(program.view().openButton()->isEnabled());
        // Every Tab stop shows its focus; the detail's text, which can be taller than its
        // panel, is one of them.
        program.delegate.window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(program.delegate.window()));
        program.view().refreshButton()->setFocus(Qt::TabFocusReason);
        const QList<QWidget *> stops = shelltest::walkTabStops();
        EXPECT_TRUE(std::any_of(stops.begin(), stops.end(),
                                [](QWidget *stop) { return qobject_cast<FocusRingScrollArea *>(stop); }));
        // Thumbnails of the cached templates: prepare a few more, then back to the first.
        for (int i : {4, 2, 0}) {
            store.select(store.snapshot().items().at(i));
            ASSERT_TRUE(program.settled());
        }
        program.picture(pictures, "catalog-previews.png");
        program.view().listModeButton()->click();
        EXPECT_EQ(store.displayMode(), CatalogDisplayMode::list);
        program.picture(pictures, "catalog-list.png");
        program.view().previewModeButton()->click();
        store.select(store.snapshot().items().at(1));
        ASSERT_TRUE(program.settled());
        program.picture(pictures, "catalog-detail.png");

        // Return on the chosen card opens a new unsaved tab with its own identifiers.
        const QUuid cachedID = store.prepared()->document.documentID;
        program.delegate.window()->activateWindow();
        program.view().itemView()->setFocus(Qt::TabFocusReason);
        for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Return})
            QTest::keyClick(program.view().itemView(), key);
        ASSERT_EQ(program.workspace().tabs().size(), 1);
        EXPECT_EQ(program.workspace().route(), WorkspaceStore::Route::editor);
        EXPECT_NE(program.workspace().tabs()[0]->document().documentID, cachedID);
        EXPECT_FALSE(program.workspace().tabs()[0]->fileURL());

        // Coming back refreshes the list (from a queued call) and keeps the selection.
        program.workspace().setRoute(WorkspaceStore::Route::catalog);
        EXPECT_TRUE(QTest::qWaitFor([&] { return store.loading(); }, 2000));
        ASSERT_TRUE(program.settled());
        program.view().openButton()->click();
        EXPECT_EQ(program.workspace().tabs().size(), 2);
        program.workspace().setRoute(WorkspaceStore::Route::catalog);
        EXPECT_TRUE(QTest::qWaitFor([&] { return store.loading(); }, 2000));
        ASSERT_TRUE(program.settled());
        ASSERT_TRUE(program.view().moreButton()->isVisible());
        program.view().moreButton()->click();
        ASSERT_TRUE(program.settled([&] { return store.snapshot().items().size() == 100; }));
        EXPECT_EQ(store.snapshot().items().at(50).id, "tpl-050");
    }

    // Offline: the same catalog address with nobody answering.
    server.reset();
    {
        Program program(folder.path());
        TemplateCatalogStore &store = program.store();
        ASSERT_TRUE(program.settled([&] { return store.issue().has_value() && store.prepared().has_value(); }));
        EXPECT_EQ(store.snapshot().items().size(), 100);
        EXPECT_TRUE(store.usingCachedCatalog());
        EXPECT_TRUE(program.view().cachedLabel()->isVisible());
        EXPECT_TRUE(store.usingCachedTemplate());
        EXPECT_TRUE(program.view().savedCopyLabel()->isVisible());
        program.picture(pictures, "catalog-offline.png");
        program.l10n.select(AppLanguage::german);
        program.picture(pictures, "catalog-offline-de.png");
        program.view().openButton()->click();
        EXPECT_EQ(program.workspace().tabs().size(), 1);
    }

    // A catalog that answers 503.
    testsupport::TestCatalogServer failing;
    failing.route(failing.basePath(), {testsupport::ServerReply::json("{}", 503)});
    useTestCatalog(failing.base());
    {
        Program program(folder.path());
        program.l10n.select(AppLanguage::english);
        ASSERT_TRUE(program.settled([&] { return program.store().issue().has_value(); }));
        EXPECT_TRUE(program.view().statusArea()->isVisible());
        program.picture(pictures, "catalog-issue.png");
    }
    WorkspaceStore::setDefaultCatalogFactory({});
}

// The journey's checks hold on a real desktop too: pictures count as saved only then.
[[maybe_unused]] const bool added = testsupport::addScreenshotRole(QStringLiteral("catalog-pictures"), [] {
    journey(true);
    return !::testing::Test::HasFailure();
});

} // namespace

TEST(CatalogEndToEnd, FromTheHomeScreenToOpenTabsAndOffline)
{
    journey(false);
}

TEST(CatalogEndToEnd, PicturesOnARealDesktop)
{
    if (!testsupport::takeScreenshots(QStringLiteral("catalog-pictures"),
                                      QStringLiteral("CatalogEndToEnd.PicturesOnARealDesktop"), QSize(1600, 1000),
                                      120000))
        return;
    for (const char *name :
         {"catalog-list.png", "catalog-previews.png", "catalog-detail.png", "catalog-offline.png", "catalog-issue.png"})
        EXPECT_FALSE(QImage(testsupport::outputPath(name)).isNull()) << name;
}
