#pragma once

// What the catalog fetched and converted, kept on disk so that the catalog screen can show
// listings and templates before the network answers or when it fails, and so that no
// template is converted twice. One JSON file per entry in a folder of its own per catalog
// base URL, held under a byte budget by evicting the least recently used files.
//
// Reads never fail: a missing, unreadable, oversized, undecodable or implausible entry is
// absent. Writes throw CatalogError (tooLarge, storage) or the unchanged error of the
// value's own checks. Every operation runs on the cache's one worker thread, in the order
// it was asked for, and returns a future of its result.

#include "core/catalog/CatalogModel.h"

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QThreadPool;

namespace kestrivane {

class TemplateCache {
public:
    static constexpr qint64 defaultBudget = 134217728;    // 128 MiB
    static constexpr qint64 maximumEntryBytes = 16777216; // 16 MiB
    static constexpr qsizetype maximumSnapshotItems = 100000;
    static constexpr qint64 maximumPageNumber = 10001;

    // Removes one file; false when it could not.
    using RemoveFile = std::function<bool(const QString &path)>;

    // No file-system work happens here: the folder is made by the first write. An empty
    // root gives a cache that holds nothing and refuses every write with `storage`.
    TemplateCache(const QString &root, const QUrl &baseURL, qint64 budget = defaultBudget, RemoveFile remove = {});
    ~TemplateCache();
    TemplateCache(const TemplateCache &) = delete;
    TemplateCache &operator=(const TemplateCache &) = delete;

    // The user's cache folder for templates; empty when the system names none.
    static QString defaultRoot();
    // SHA-256 of the UTF-8 text, 64 lower-case hexadecimal digits.
    static QString hash(const QString &text);

    const QString &directory() const { return m_directory; }
    qint64 budget() const { return m_budget; }
    // The file that holds the entry of `key`.
    QString fileOfKey(const QString &key) const;

    static QString snapshotKey(const std::optional<QString> &category);
    static QString templateKey(const QString &id);
    static QString previewKey(const QString &id, const std::optional<QString> &revision);
    static QString previewImageKey(const QString &id, const std::optional<QString> &revision);

    QFuture<std::optional<CatalogSnapshot>> snapshot(const std::optional<QString> &category) const;
    QFuture<void> saveSnapshot(const CatalogSnapshot &snapshot, const std::optional<QString> &category) const;
    QFuture<std::optional<CachedTemplate>> template_(const QString &id) const;
    QFuture<void> saveTemplate(const CachedTemplate &value) const;
    QFuture<std::optional<CatalogJSON>> preview(const QString &id, const std::optional<QString> &revision) const;
    QFuture<void> savePreview(const CatalogJSON &value, const QString &id,
                              const std::optional<QString> &revision) const;
    QFuture<std::optional<QByteArray>> previewImage(const QString &id, const std::optional<QString> &revision) const;
    QFuture<void> savePreviewImage(const QByteArray &bytes, const QString &id,
                                   const std::optional<QString> &revision) const;

    // Runs `work` on the cache's thread after everything asked before it.
    template <typename T> QFuture<T> enqueue(std::function<T()> work) const;

private:
    std::optional<QByteArray> read(const QString &key) const;
    void write(const QByteArray &bytes, const QString &key) const;
    void evict(const QString &written) const;
    void start(std::function<void()> task) const;

    QString m_directory;
    qint64 m_budget;
    RemoveFile m_remove;
    // Last, so that it is gone (and has run every task) before the fields the tasks use.
    std::unique_ptr<QThreadPool> m_executor;
};

} // namespace kestrivane

#include <QPromise>

namespace kestrivane {

template <typename T> QFuture<T> TemplateCache::enqueue(std::function<T()> work) const
{
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    start([promise, work = std::move(work)] {
        try {
            if constexpr (std::is_void_v<T>) {
                work();
            } else {
                promise->addResult(work());
            }
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    return future;
}

} // namespace kestrivane
