#include "tests/app/io/IoTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/core/graphics/PictureSamples.h"

#include "core/catalog/CatalogIssue.h"
#include "core/catalog/TemplateCache.h"
#include "core/common/DocumentIssue.h"
#include "core/library/UserGraphicLibrary.h"
#include "core/print/LabelPrintJob.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace kestrivane;
using editortest::StoreEnvironment;
using iotest::answeredBy;
using iotest::ScriptedDialogs;
using testsupport::readFile;

namespace {

// Makes every write past `bytes` fail as a full disk does, without needing a small file
// system: past the file size limit write() fails with EFBIG (SIGXFSZ, which would end the
// process, is ignored meanwhile). Small writes are buffered, so only the final flush sees
// the failure.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

constexpr rlim_t limitBytes = 256;

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

LabelDocument sampleDocument()
{
    return LabelDocument(QStringLiteral("Shelf"), 60, 40,
                         {LabelElement(QUuid::createUuid(), ElementKind::text, QStringLiteral("Kept"), 5, 5, 20, 8, 12)});
}

template <typename T> T wait(QFuture<T> future)
{
    if constexpr (std::is_void_v<T>)
        future.waitForFinished();
    else
        return future.result();
}

} // namespace

// A write that did not reach the disk whole is never reported as done and never replaces
// what was there: each caller of the atomic write refuses, and the previous file (or no
// file) is left behind.
TEST(FailedWrite, NothingIsLostOrReportedAsDone)
{
    struct Case {
        const char *name;
        std::function<void(StoreEnvironment &)> check;
    };
    const QList<Case> cases{
        {"document save",
         [](StoreEnvironment &env) {
             ScriptedDialogs dialogs;
             const QString file = env.dir.filePath(QStringLiteral("kept.ksv"));
             auto store = env.makeStore(sampleDocument(), true);
             store->saveTo(file);
             const QByteArray before = readFile(file);
             ASSERT_GT(before.size(), qsizetype(limitBytes));
             store->setStatusKey(std::nullopt);
             store->apply([](LabelDocument &d) { d.name = QStringLiteral("Edited"); });
             {
                 FileSizeLimit limit(limitBytes);
                 EXPECT_FALSE(answeredBy(*store, dialogs).save(false));
             }
             ASSERT_EQ(env.alerts->alerts.size(), 1);
             EXPECT_EQ(env.alerts->alerts[0].informativeText, env.localization.text(QStringLiteral("mac.error_io")));
             EXPECT_TRUE(store->dirty());
             EXPECT_FALSE(store->statusKey().has_value());
             EXPECT_EQ(readFile(file), before);
             EXPECT_EQ(filesIn(env.dir.path()), QStringList({QStringLiteral("kept.ksv")}));
         }},
        {"PDF export",
         [](StoreEnvironment &env) {
             ScriptedDialogs dialogs;
             auto store = env.makeStore(sampleDocument());
             dialogs.saveAnswer = env.dir.filePath(QStringLiteral("out.pdf"));
             {
                 FileSizeLimit limit(limitBytes);
                 answeredBy(*store, dialogs).exportPrepared(
                     LabelPrintJob(store->document(), BatchOptions(), QDateTime::currentDateTimeUtc()));
             }
             ASSERT_EQ(env.alerts->alerts.size(), 1);
             EXPECT_EQ(env.alerts->alerts[0].informativeText, env.localization.text(QStringLiteral("mac.error_io")));
             EXPECT_FALSE(store->statusKey().has_value());
             EXPECT_TRUE(filesIn(env.dir.path()).isEmpty());
         }},
        // The picture itself does not fit.
        {"image import, picture",
         [](StoreEnvironment &env) {
             const UserGraphicLibrary library(env.dir.filePath(QStringLiteral("lib")), 1 << 30, 10);
             const QByteArray jpeg = samples::jpeg(120, 80);
             {
                 FileSizeLimit limit(limitBytes);
                 EXPECT_ISSUE(library.importRaster(jpeg, "a.jpg", QUuid::createUuid(), 0), DocumentIssue,
                              DocumentIssue::io);
             }
             EXPECT_TRUE(library.load().isEmpty());
             EXPECT_TRUE(filesIn(library.directory()).isEmpty());
         }},
        // The picture fits, its side file does not: the picture goes again.
        {"image import, side file",
         [](StoreEnvironment &env) {
             const UserGraphicLibrary library(env.dir.filePath(QStringLiteral("lib")), 1 << 30, 10);
             const QByteArray png = samples::png(1, 1);
             ASSERT_LT(png.size(), qsizetype(limitBytes));
             {
                 FileSizeLimit limit(limitBytes);
                 EXPECT_ISSUE(library.importRaster(png, QString(200, u'n'), QUuid::createUuid(), 0), DocumentIssue,
                              DocumentIssue::io);
             }
             EXPECT_TRUE(library.load().isEmpty());
             EXPECT_TRUE(filesIn(library.directory()).isEmpty());
         }},
        {"template cache",
         [](StoreEnvironment &env) {
             const TemplateCache cache(env.dir.filePath(QStringLiteral("cache")),
                                       QUrl(QStringLiteral("https://catalog.example/")));
             wait(cache.saveTemplate(CachedTemplate(QStringLiteral("t"), QStringLiteral("r1"), sampleDocument(), {})));
             {
                 FileSizeLimit limit(limitBytes);
                 LabelDocument changed = sampleDocument();
                 changed.name = QStringLiteral("Newer");
                 EXPECT_ISSUE(
                     wait(cache.saveTemplate(CachedTemplate(QStringLiteral("t"), QStringLiteral("r2"), changed, {}))),
                     CatalogIssue, CatalogIssue::Kind::storage);
             }
             const std::optional<CachedTemplate> kept = wait(cache.template_(QStringLiteral("t")));
             ASSERT_TRUE(kept.has_value());
             EXPECT_EQ(kept->updatedAt, std::optional<QString>(QStringLiteral("r1")));
             EXPECT_EQ(kept->document.name, QStringLiteral("Shelf"));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        StoreEnvironment env;
        c.check(env);
    }
}
