#pragma once

// A catalog store over a scripted transport, a cache and settings in a temporary folder.

#include "app/catalog/TemplateCatalogStore.h"
#include "tests/common/FakeCatalogTransport.h"
#include "tests/common/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace catalogtest {

using namespace kestrivane;
using Reply = testsupport::FakeCatalogTransport::Reply;

inline const QString base = QStringLiteral("https://catalog.test/api/v1/desktop/templates");

inline QJsonObject itemJson(const QString &id, const QString &updatedAt = QStringLiteral("r1"),
                            const QString &categoryName = {})
{
    QJsonObject item{{"id", id},
                     {"name", "Template " + id},
                     {"widthMm", 50},
                     {"heightMm", 25},
                     {"downloadUrl", base + "/" + id + "/design"},
                     {"previewUrl", base + "/" + id + "/preview"}};
    if (!updatedAt.isEmpty())
        item.insert("updatedAt", updatedAt);
    if (!categoryName.isEmpty())
        item.insert("categoryName", categoryName);
    return item;
}

inline CatalogItem item(const QString &id, const QString &updatedAt = QStringLiteral("r1"))
{
    return CatalogItem::fromJson(itemJson(id, updatedAt));
}

inline QByteArray pageJson(qint64 page, const QList<QJsonObject> &items, qint64 totalPages)
{
    QJsonArray array;
    for (const QJsonObject &item : items)
        array.append(item);
    return QJsonDocument(QJsonObject{{"schemaVersion", 1},
                                     {"items", array},
                                     {"page", page},
                                     {"size", 50},
                                     {"total", 50 * totalPages},
                                     {"totalPages", totalPages}})
        .toJson(QJsonDocument::Compact);
}

inline QString pageURL(qint64 page, const QString &category = {})
{
    return base + QString("?page=%1&size=50").arg(page) + (category.isEmpty() ? QString() : "&categoryId=" + category);
}

// The converter's small design fixture under another id.
inline QByteArray designJson(const QString &id, const QString &updatedAt = QStringLiteral("r1"))
{
    QJsonObject design =
        QJsonDocument::fromJson(testsupport::readFile(testsupport::dataPath("webimport/layout.json"))).object();
    design.insert("id", id);
    design.insert("updatedAt", updatedAt);
    return QJsonDocument(design).toJson(QJsonDocument::Compact);
}

struct Rig {
    QTemporaryDir folder;
    std::shared_ptr<testsupport::FakeCatalogTransport> transport =
        std::make_shared<testsupport::FakeCatalogTransport>();
    std::shared_ptr<const TemplateCatalogService> service =
        std::make_shared<const TemplateCatalogService>(QUrl(base), transport, RetryPolicy{0, 0});
    std::shared_ptr<TemplateCache> cache = std::make_shared<TemplateCache>(folder.path() + "/cache", QUrl(base));
    QSettings settings{folder.path() + "/settings.ini", QSettings::IniFormat};

    // Page 0 of `items`, empty categories and sizes, and a design and preview for each item.
    void scriptCatalog(const QList<QJsonObject> &items, qint64 totalPages = 1, qint64 delayMs = 0)
    {
        transport->script(pageURL(0), {Reply{pageJson(0, items, totalPages), std::nullopt, delayMs}});
        transport->script(base + "/categories", {Reply::ok("[]")});
        transport->script(base + "/sizes", {Reply::ok("[]")});
        for (const QJsonObject &item : items)
            scriptDesign(item.value("id").toString(), item.value("updatedAt").toString());
    }
    void scriptDesign(const QString &id, const QString &updatedAt = QStringLiteral("r1"), qint64 delayMs = 0)
    {
        transport->script(base + "/" + id + "/design", {Reply{designJson(id, updatedAt), std::nullopt, delayMs}});
        transport->script(base + "/" + id + "/preview", {Reply::ok("{}")});
    }
    int requests(const QString &url) const
    {
        int count = 0;
        for (const auto &call : transport->calls())
            count += call.url == QUrl(url);
        return count;
    }
    std::unique_ptr<TemplateCatalogStore> store()
    {
        return std::make_unique<TemplateCatalogStore>(service, cache, &settings);
    }
    // A store after one refresh of the whole list has settled.
    std::unique_ptr<TemplateCatalogStore> refreshed()
    {
        auto made = store();
        made->refresh(std::nullopt, false);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !made->loading() && !made->preparing(); }, 5000));
        return made;
    }
    void cacheTemplate(const QString &id, const QString &updatedAt = QStringLiteral("r1"))
    {
        cache->saveTemplate(CachedTemplate(id, updatedAt, LabelDocument::example(), {})).waitForFinished();
    }
};

// Waits for the store to settle: no list or selection work showing.
inline bool idle(const TemplateCatalogStore &store, int timeoutMs = 5000)
{
    return QTest::qWaitFor([&] { return !store.loading() && !store.preparing(); }, timeoutMs);
}

} // namespace catalogtest
