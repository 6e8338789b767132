#include "core/catalog/TemplateCache.h"
#include "core/common/DocumentIssue.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <numeric>

using namespace kestrivane;

namespace {

const QUrl base("https://catalog.test/api/v1/desktop/templates");

CatalogItem item(const QString &id)
{
    return CatalogItem::fromJson(
        QJsonObject{{"id", id}, {"widthMm", 50}, {"heightMm", 25}, {"downloadUrl", ""}, {"previewUrl", ""}});
}

CatalogSnapshot snapshotOf(QList<CatalogItem> items, qint64 nextPage = 1, qint64 totalPages = 2)
{
    return CatalogSnapshot(std::move(items), {}, {}, nextPage, totalPages, QDateTime::currentDateTimeUtc());
}

QByteArray png(int side = 8)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

template <typename T> T wait(QFuture<T> future)
{
    if constexpr (std::is_void_v<T>)
        future.waitForFinished();
    else
        return future.result();
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void age(const QString &path, qint64 secondsAgo)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-secondsAgo), QFileDevice::FileModificationTime));
}

QStringList folder(const TemplateCache &cache)
{
    return QDir(cache.directory()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

CachedTemplate templateOf(const QString &id, LabelDocument document = LabelDocument::example())
{
    return CachedTemplate(id, QStringLiteral("r1"), std::move(document), {});
}

} // namespace

TEST(TemplateCache, DamagedEntriesReadAsAbsent)
{
    QTemporaryDir root;
    const TemplateCache cache(root.path(), base);
    QList<CatalogItem> many;
    for (int i = 0; i <= 100000; ++i)
        many.append(item(QString::number(i)));
    QJsonObject oldConverter = templateOf("t").toJson();
    oldConverter.insert("converterRevision", 2);
    LabelDocument broken = LabelDocument::example();
    broken.widthMm = -5;
    const auto json = [](const QJsonObject &o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); };

    struct Case {
        std::string name;
        QString key;
        QByteArray bytes;
    };
    const QList<Case> cases{
        {"duplicate ids", "catalog:", snapshotOf({item("a"), item("a")}).encoded()},
        {"100001 items", "catalog:", snapshotOf(many).encoded()},
        {"next page 10002", "catalog:", snapshotOf({item("a")}, 10002, 10002).encoded()},
        {"not JSON", "catalog:", "{not json"},
        {"16 MiB + 1", "catalog:", QByteArray(TemplateCache::maximumEntryBytes + 1, ' ')},
        {"converter revision 2", "document:t", json(oldConverter)},
        {"another id", "document:t", templateOf("u").encoded()},
        {"invalid document", "document:t", json(templateOf("t", broken).toJson())},
        {"not a PNG", "preview-image:t:", "\"" + QByteArray("GIF89a....").toBase64() + "\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write(cache.fileOfKey(c.key), c.bytes);
        if (c.key.startsWith("catalog:"))
            EXPECT_FALSE(wait(cache.snapshot(std::nullopt)).has_value());
        else if (c.key.startsWith("document:"))
            EXPECT_FALSE(wait(cache.template_("t")).has_value());
        else
            EXPECT_FALSE(wait(cache.previewImage("t", std::nullopt)).has_value());
    }
    // And the same keys hold good entries again.
    wait(cache.saveSnapshot(snapshotOf({item("a")}), QString()));
    wait(cache.saveTemplate(templateOf("t")));
    wait(cache.savePreviewImage(png(), "t", std::nullopt));
    EXPECT_EQ(wait(cache.snapshot(std::nullopt))->items().size(), 1);
    EXPECT_EQ(wait(cache.template_("t"))->id, "t");
    EXPECT_EQ(*wait(cache.previewImage("t", QString())), png());
    EXPECT_ISSUE(wait(cache.savePreviewImage("GIF89a", "t", std::nullopt)), DocumentIssue, DocumentIssue::invalidImage);
}

TEST(TemplateCache, KeysAndFolders)
{
    QTemporaryDir root;
    const TemplateCache cache(root.path(), base);
    EXPECT_FALSE(wait(cache.template_("x")).has_value());
    EXPECT_FALSE(QDir(cache.directory()).exists()) << "a read creates nothing";
    // No category and the empty one are the same entry.
    wait(cache.saveSnapshot(snapshotOf({item("a")}), std::nullopt));
    EXPECT_TRUE(wait(cache.snapshot(QString())).has_value());
    EXPECT_EQ(folder(cache).size(), 1);
    const TemplateCache other(root.path(), QUrl("https://other.test/api/v1/desktop/templates"));
    EXPECT_NE(other.directory(), cache.directory());
    EXPECT_FALSE(wait(other.snapshot(std::nullopt)).has_value());
    // Without a cache folder nothing is kept and nothing fails silently.
    const TemplateCache none(QString(), base);
    EXPECT_ISSUE(wait(none.saveSnapshot(snapshotOf({}), std::nullopt)), CatalogIssue, CatalogIssue::Kind::storage);
    EXPECT_FALSE(wait(none.snapshot(std::nullopt)).has_value());
}

TEST(TemplateCache, OversizedWriteChangesNothing)
{
    QTemporaryDir root;
    const TemplateCache cache(root.path(), base, 4096);
    wait(cache.saveSnapshot(snapshotOf({item("a")}), std::nullopt));
    const QStringList before = folder(cache);
    QList<CatalogItem> items;
    for (int i = 0; i < 100; ++i)
        items.append(item(QString::number(i)));
    EXPECT_ISSUE(wait(cache.saveSnapshot(snapshotOf(items), std::nullopt)), CatalogIssue, CatalogIssue::Kind::tooLarge);
    EXPECT_EQ(folder(cache), before);
    EXPECT_EQ(wait(cache.snapshot(std::nullopt))->items().size(), 1);
}

TEST(TemplateCache, EvictsLeastRecentlyUsedAndKeepsTheNewEntry)
{
    QTemporaryDir root;
    const QByteArray image = png(64);
    const qint64 entry = image.toBase64().size() + 2;
    QStringList refused;
    const TemplateCache cache(root.path(), base, entry * 3, [&refused](const QString &path) {
        return !refused.contains(QFileInfo(path).fileName()) && QFile::remove(path);
    });
    const auto file = [&](const QString &id) { return cache.fileOfKey(TemplateCache::previewImageKey(id, {})); };
    for (const QString id : {"a", "b", "c"})
        wait(cache.savePreviewImage(image, id, std::nullopt));
    age(file("a"), 300);
    age(file("b"), 200);
    age(file("c"), 100);
    // Reading "a" makes it the most recently used: "b" goes first.
    EXPECT_TRUE(wait(cache.previewImage("a", std::nullopt)).has_value());
    wait(cache.savePreviewImage(image, "d", std::nullopt));
    EXPECT_FALSE(QFile::exists(file("b")));
    EXPECT_TRUE(QFile::exists(file("a")) && QFile::exists(file("c")) && QFile::exists(file("d")));

    // The entry just written stays even when it is the oldest (the others dated ahead).
    for (const QString id : {"a", "c", "d"})
        age(file(id), -1000);
    wait(cache.savePreviewImage(image, "e", std::nullopt));
    EXPECT_TRUE(QFile::exists(file("e")));
    EXPECT_EQ(folder(cache).size(), 3);

    // A file that refuses removal is passed over: the write fails with `storage` only while
    // the folder stays over the budget, and the new entry stays written either way.
    refused = folder(cache);
    EXPECT_ISSUE(wait(cache.savePreviewImage(image, "f", std::nullopt)), CatalogIssue, CatalogIssue::Kind::storage);
    EXPECT_TRUE(QFile::exists(file("f")));
    refused = QStringList{QFileInfo(file("f")).fileName()};
    wait(cache.savePreviewImage(image, "g", std::nullopt));
    EXPECT_TRUE(QFile::exists(file("f")) && QFile::exists(file("g")));
    EXPECT_EQ(folder(cache).size(), 3);
}

TEST(TemplateCache, StrayFilesGoOnlyWhenOld)
{
    QTemporaryDir root;
    const QByteArray image = png(64);
    const qint64 entry = image.toBase64().size() + 2;
    const TemplateCache cache(root.path(), base, entry * 2);
    wait(cache.savePreviewImage(image, "a", std::nullopt));
    const QString fresh = cache.directory() + "/.entry.json.XYZ";
    const QString old = cache.directory() + "/leftover.tmp";
    // A temporary file of a write in progress elsewhere is passed over, though older than
    // the entry that goes instead; one left for more than an hour goes first.
    for (const QString &path : {fresh, old})
        write(path, QByteArray(entry, 'x'));
    age(old, 7200);
    age(fresh, 1800);
    age(cache.fileOfKey(TemplateCache::previewImageKey("a", {})), 100);
    wait(cache.savePreviewImage(image, "b", std::nullopt));
    EXPECT_TRUE(QFile::exists(fresh));
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_FALSE(QFile::exists(cache.fileOfKey(TemplateCache::previewImageKey("a", {}))));
}

TEST(TemplateCache, RunsOperationsInTheOrderAsked)
{
    QTemporaryDir root;
    const TemplateCache cache(root.path(), base);
    QMutex mutex;
    QList<QList<int>> order(4);
    QList<QThread *> threads;
    for (int t = 0; t < 4; ++t) {
        threads.append(QThread::create([&, t] {
            for (int i = 0; i < 50; ++i) {
                // A read asked after a write of the same thread sees that write.
                const QString id = QString("%1-%2").arg(t).arg(i);
                (void)cache.saveTemplate(templateOf(id));
                (void)cache.enqueue<void>([&, t, i] {
                    const QMutexLocker lock(&mutex);
                    order[t].append(i);
                });
                EXPECT_TRUE(cache.template_(id).result().has_value());
            }
        }));
        threads.last()->start();
    }
    for (QThread *thread : threads) {
        thread->wait();
        delete thread;
    }
    QList<int> expected(50);
    std::iota(expected.begin(), expected.end(), 0);
    for (const QList<int> &mine : order)
        EXPECT_EQ(mine, expected);
}
