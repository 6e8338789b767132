#include "app/catalog/TemplateCatalogStore.h"

#include "app/common/Delivery.h"
#include "app/shell/WorkspaceStore.h"
#include "core/render/WebFonts.h"
#include "core/webimport/WebTemplateImporter.h"

#include <QSet>
#include <QUnhandledException>
#include <QtConcurrent/QtConcurrent>

namespace kestrivane {

QString rawValue(CatalogDisplayMode mode)
{
    return mode == CatalogDisplayMode::list ? QStringLiteral("list") : QStringLiteral("previews");
}

std::optional<CatalogDisplayMode> catalogDisplayModeFromRaw(const QString &raw)
{
    if (raw == QLatin1String("list"))
        return CatalogDisplayMode::list;
    if (raw == QLatin1String("previews"))
        return CatalogDisplayMode::previews;
    return std::nullopt;
}

namespace {

// The value of a finished future whose failure does not matter (a cache read never fails).
template <typename T> std::optional<T> valueOf(QFuture<std::optional<T>> &future)
{
    try {
        return future.result();
    } catch (...) {
        return std::nullopt;
    }
}

// Whether a finished write failed.
bool failed(QFuture<void> &future)
{
    try {
        future.waitForFinished();
        return false;
    } catch (...) {
        return true;
    }
}

// What a failed piece of work shows: its catalog issue, else `other`.
CatalogIssue issueOf(const std::exception_ptr &failure, CatalogIssue::Kind other)
{
    try {
        std::rethrow_exception(failure);
    } catch (const CatalogError &error) {
        return error.issue();
    } catch (const CancellationError &) {
        return CatalogIssue::Kind::cancelled;
    } catch (const QUnhandledException &wrapped) {
        // How QtConcurrent hands on an exception that is not a QException.
        return wrapped.exception() ? issueOf(wrapped.exception(), other) : other;
    } catch (...) {
        return other;
    }
}

CatalogSnapshot emptySnapshot()
{
    return CatalogSnapshot({}, {}, {}, 0, 0, QDateTime::currentDateTimeUtc());
}

// The three lists of a refresh, fetched together.
struct ListResult {
    CatalogPage page;
    QList<CatalogCategory> categories;
    QList<CatalogSize> sizes;
};

struct Conversion {
    QString id;
    std::optional<QString> updatedAt;
    ImportedWebTemplate result;
};

} // namespace

TemplateCatalogStore::TemplateCatalogStore(std::shared_ptr<const TemplateCatalogService> service,
                                           std::shared_ptr<TemplateCache> cache, QSettings *preferences,
                                           QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_cache(std::move(cache)), m_preferences(preferences),
      m_snapshot(emptySnapshot())
{
    m_pool.setMaxThreadCount(8);
    if (!m_cache)
        m_cache = std::make_shared<TemplateCache>(TemplateCache::defaultRoot(), m_service->baseURL());
    if (m_preferences)
        m_displayMode = m_preferences->value(displayModeKey).toString() == QLatin1String("list")
                            ? CatalogDisplayMode::list
                            : CatalogDisplayMode::previews;
}

TemplateCatalogStore::~TemplateCatalogStore()
{
    // Requests in flight end now instead of running into their time-outs while the pool
    // waits for them.
    if (m_catalogTask)
        m_catalogTask->token.cancel();
    if (m_detailTask)
        m_detailTask->token.cancel();
    for (const ThumbnailTask &task : std::as_const(m_thumbnailTasks))
        task.token.cancel();
    m_pool.waitForDone();
}

bool TemplateCatalogStore::canLoadMore() const
{
    return m_snapshot.nextPage < m_snapshot.totalPages && m_snapshot.nextPage < TemplateCatalogService::maximumPage + 1;
}

// --- published properties

#define KESTRIVANE_PUBLISH(signal)                                                                                     \
    Q_EMIT signal();                                                                                                   \
    Q_EMIT changed()

void TemplateCatalogStore::setSnapshot(const CatalogSnapshot &snapshot)
{
    // A catalog may have thousands of categories, and every sidebar row asks for its path.
    if (snapshot.categories != m_snapshot.categories || m_categoryIndex.isEmpty()) {
        m_categoryIndex.clear();
        for (qsizetype i = snapshot.categories.size() - 1; i >= 0; --i) // the first of an id wins
            m_categoryIndex.insert(snapshot.categories.at(i).id, i);
    }
    m_snapshot = snapshot;
    KESTRIVANE_PUBLISH(snapshotChanged);
}

void TemplateCatalogStore::setCategory(const std::optional<QString> &category)
{
    m_category = category;
    KESTRIVANE_PUBLISH(categoryChanged);
}

void TemplateCatalogStore::setSelected(const std::optional<CatalogItem> &item)
{
    m_selected = item;
    KESTRIVANE_PUBLISH(selectedChanged);
}

void TemplateCatalogStore::setPrepared(const std::optional<CachedTemplate> &prepared)
{
    m_prepared = prepared;
    KESTRIVANE_PUBLISH(preparedChanged);
}

void TemplateCatalogStore::setPreviewImage(const QImage &image)
{
    m_previewImage = image;
    KESTRIVANE_PUBLISH(previewImageChanged);
}

void TemplateCatalogStore::setThumbnail(const QString &id, const LabelDocument &document)
{
    m_thumbnailDocuments.insert(id, document);
    Q_EMIT thumbnailDocumentsChanged(id);
    Q_EMIT changed();
}

void TemplateCatalogStore::setLoading(bool value)
{
    m_loading = value;
    KESTRIVANE_PUBLISH(loadingChanged);
}

void TemplateCatalogStore::setPreparing(bool value)
{
    m_preparing = value;
    KESTRIVANE_PUBLISH(preparingChanged);
}

void TemplateCatalogStore::setUsingCachedCatalog(bool value)
{
    m_usingCachedCatalog = value;
    KESTRIVANE_PUBLISH(usingCachedCatalogChanged);
}

void TemplateCatalogStore::setUsingCachedTemplate(bool value)
{
    m_usingCachedTemplate = value;
    KESTRIVANE_PUBLISH(usingCachedTemplateChanged);
}

void TemplateCatalogStore::setIssue(const std::optional<CatalogIssue> &issue)
{
    m_issue = issue;
    KESTRIVANE_PUBLISH(issueChanged);
}

void TemplateCatalogStore::setDetailIssue(const std::optional<CatalogIssue> &issue)
{
    m_detailIssue = issue;
    KESTRIVANE_PUBLISH(detailIssueChanged);
}

void TemplateCatalogStore::setCacheIssue(bool value)
{
    m_cacheIssue = value;
    KESTRIVANE_PUBLISH(cacheIssueChanged);
}

#undef KESTRIVANE_PUBLISH

void TemplateCatalogStore::selectDisplayMode(CatalogDisplayMode mode)
{
    m_displayMode = mode;
    Q_EMIT displayModeChanged();
    Q_EMIT changed();
    if (m_preferences)
        m_preferences->setValue(displayModeKey, rawValue(mode));
}

// --- the list

void TemplateCatalogStore::refresh(const std::optional<QString> &category, bool changingCategory)
{
    if (m_catalogTask)
        m_catalogTask->token.cancel();
    ++m_generation;
    if (changingCategory) {
        clearSelection();
        resetThumbnails();
        setCategory(category);
        setSnapshot(emptySnapshot());
    }
    const std::optional<QString> c = m_category;
    setLoading(true);
    setIssue(std::nullopt);
    setCacheIssue(false);

    const Task task{CancelToken(), m_generation};
    m_catalogTask = task;
    deliver(this, m_cache->snapshot(c), [this, task, c](QFuture<std::optional<CatalogSnapshot>> future) {
        const std::optional<CatalogSnapshot> cached = valueOf(future);
        if (!listCurrent(task))
            return;
        if (cached) {
            setSnapshot(*cached);
            setUsingCachedCatalog(true);
        }
        fetchLists(task, c);
    });
}

void TemplateCatalogStore::fetchLists(Task task, std::optional<QString> category)
{
    auto service = m_service;
    QThreadPool *pool = &m_pool;
    const CancelToken token = task.token;
    const QFuture<ListResult> work = QtConcurrent::run(pool, [service, pool, token, category] {
        // The three requests run at once; their results are taken in a fixed order, so the
        // first failure in that order is the one reported, whichever failed first.
        const CancelToken children;
        const CancelCallbackScope link(token, [children] { children.cancel(); });
        QFuture<CatalogPage> page =
            QtConcurrent::run(pool, [service, children, category] { return service->page(0, category, children); });
        QFuture<QList<CatalogCategory>> categories =
            QtConcurrent::run(pool, [service, children] { return service->categories(children); });
        QFuture<QList<CatalogSize>> sizes =
            QtConcurrent::run(pool, [service, children] { return service->sizes(children); });
        ListResult result;
        try {
            result.page = page.result();
            result.categories = categories.result();
            result.sizes = sizes.result();
        } catch (...) {
            children.cancel();
            const auto settle = [](auto &future) {
                try {
                    future.waitForFinished();
                } catch (...) {
                }
            };
            settle(page);
            settle(categories);
            settle(sizes);
            throw;
        }
        return result;
    });
    deliver(this, work, [this, task, category](QFuture<ListResult> future) {
        ListResult lists;
        try {
            lists = future.result();
        } catch (...) {
            if (!listCurrent(task))
                return;
            setIssue(issueOf(std::current_exception(), CatalogIssue::Kind::network));
            setLoading(false);
            applySelectionRule();
            return;
        }
        if (!listCurrent(task))
            return;
        CatalogSnapshot fresh({}, lists.categories, lists.sizes, 0, 0, QDateTime::currentDateTimeUtc());
        fresh.append(lists.page);
        setSnapshot(fresh);
        setUsingCachedCatalog(false);
        deliver(this, m_cache->saveSnapshot(fresh, category), [this, task](QFuture<void> saved) {
            if (failed(saved) && m_generation == task.generation)
                setCacheIssue(true);
            finishRefresh(task);
        });
    });
}

void TemplateCatalogStore::finishRefresh(Task task)
{
    if (!listCurrent(task))
        return;
    setLoading(false);
    applySelectionRule();
}

void TemplateCatalogStore::applySelectionRule()
{
    const QList<CatalogItem> &items = m_snapshot.items();
    if (m_selected) {
        const auto same = std::find_if(items.begin(), items.end(),
                                       [this](const CatalogItem &item) { return item.id == m_selected->id; });
        if (same != items.end() && (!m_prepared || same->updatedAt != m_selected->updatedAt))
            select(*same);
    } else if (!items.isEmpty()) {
        select(items.first());
    }
}

void TemplateCatalogStore::loadMore()
{
    if (!canLoadMore() || m_loading)
        return;
    setLoading(true);
    setIssue(std::nullopt);
    const Task task{CancelToken(), m_generation};
    const std::optional<QString> category = m_category;
    const qint64 number = m_snapshot.nextPage;
    // The handle of the work before it is replaced, not cancelled: a page load starts only
    // while no list work runs.
    m_catalogTask = task;
    auto service = m_service;
    const QFuture<CatalogPage> work = QtConcurrent::run(
        &m_pool, [service, number, category, token = task.token] { return service->page(number, category, token); });
    deliver(this, work, [this, task, category](QFuture<CatalogPage> future) {
        CatalogPage page;
        try {
            page = future.result();
        } catch (...) {
            if (m_generation == task.generation && !task.token.isCancelled()) {
                setIssue(issueOf(std::current_exception(), CatalogIssue::Kind::network));
                setLoading(false);
            }
            return;
        }
        if (!listCurrent(task))
            return;
        CatalogSnapshot grown = m_snapshot;
        grown.append(page);
        setSnapshot(grown);
        deliver(this, m_cache->saveSnapshot(grown, category), [this, task](QFuture<void> saved) {
            if (failed(saved))
                setCacheIssue(true);
            if (m_generation == task.generation)
                setLoading(false);
        });
    });
}

// --- the selection

void TemplateCatalogStore::select(const CatalogItem &item)
{
    if (auto running = m_thumbnailTasks.find(item.id); running != m_thumbnailTasks.end()) {
        running->token.cancel();
        m_thumbnailTasks.erase(running);
    }
    clearSelection();
    setSelected(item);
    setPreparing(true);
    setUsingCachedTemplate(false);

    const Task task{CancelToken(), m_selectionGeneration};
    m_detailTask = task;
    deliver(this, m_cache->template_(item.id), [this, task, item](QFuture<std::optional<CachedTemplate>> future) {
        const std::optional<CachedTemplate> cached = valueOf(future);
        if (!selectionCurrent(task))
            return;
        if (cached) {
            setPrepared(cached);
            setThumbnail(item.id, cached->document);
            setUsingCachedTemplate(true);
        }
        const bool upToDate = cached && item.updatedAt && cached->updatedAt && *item.updatedAt == *cached->updatedAt;
        deliver(this, m_cache->previewImage(item.id, item.updatedAt),
                [this, task, item, upToDate](QFuture<std::optional<QByteArray>> image) {
                    const std::optional<QByteArray> bytes = valueOf(image);
                    if (bytes && m_selectionGeneration == task.generation)
                        setPreviewImage(QImage::fromData(*bytes));
                    if (!selectionCurrent(task))
                        return;
                    if (upToDate) {
                        setPreparing(false);
                        return;
                    }
                    requestPreview(task, item);
                });
    });
}

void TemplateCatalogStore::requestPreview(Task task, CatalogItem item)
{
    auto service = m_service;
    const QFuture<CatalogJSON> work =
        QtConcurrent::run(&m_pool, [service, item, token = task.token] { return service->preview(item, token); });
    deliver(this, work, [this, task, item](QFuture<CatalogJSON> future) {
        CatalogJSON preview;
        try {
            preview = future.result();
        } catch (...) {
            // The preview only feeds the cache: the template is what matters.
            prepare(task, item);
            return;
        }
        if (!selectionCurrent(task))
            return;
        deliver(this, m_cache->savePreview(preview, item.id, item.updatedAt), [this, task, item](QFuture<void> saved) {
            (void)failed(saved);
            if (selectionCurrent(task))
                prepare(task, item);
        });
    });
}

void TemplateCatalogStore::prepare(Task task, CatalogItem item)
{
    // The converter measures text with the web fonts; Qt's font database is filled on the
    // main thread.
    WebFonts::registerFonts();
    auto service = m_service;
    const QFuture<Conversion> work = QtConcurrent::run(&m_pool, [service, item, token = task.token] {
        const CatalogDesign design = service->design(item, token);
        const WebImageLoader loader = [service](const QString &src, const CancelToken &cancel) {
            return service->image(src, cancel);
        };
        return Conversion{design.id, design.updatedAt, WebTemplateImporter::convert(design, loader, token)};
    });
    deliver(this, work, [this, task, item](QFuture<Conversion> future) {
        Conversion conversion;
        try {
            conversion = future.result();
        } catch (...) {
            finishPreparing(task, item, std::current_exception());
            return;
        }
        if (!selectionCurrent(task))
            return;
        const CachedTemplate prepared(conversion.id, conversion.updatedAt, conversion.result.document,
                                      conversion.result.warnings);
        deliver(this, m_cache->saveTemplate(prepared), [this, task, item, prepared](QFuture<void> saved) {
            if (failed(saved))
                setCacheIssue(true);
            if (!selectionCurrent(task))
                return;
            setPrepared(prepared);
            setThumbnail(item.id, prepared.document);
            setUsingCachedTemplate(false);
            setPreparing(false);
        });
    });
}

void TemplateCatalogStore::finishPreparing(Task task, const CatalogItem &, std::exception_ptr failure)
{
    if (!selectionCurrent(task))
        return;
    const CatalogIssue issue = issueOf(failure, CatalogIssue::Kind::invalid);
    setDetailIssue(issue);
    // A saved copy stays ready to open while the catalog is out of reach.
    if (!issue.permitsCachedFallback() && issue.kind() != CatalogIssue::Kind::access)
        setPrepared(std::nullopt);
    if (!m_prepared)
        setUsingCachedTemplate(false);
    setPreparing(false);
}

void TemplateCatalogStore::clearSelection()
{
    if (m_selected && m_prepared)
        setThumbnail(m_selected->id, m_prepared->document);
    if (m_detailTask) {
        m_detailTask->token.cancel();
        m_detailTask.reset();
    }
    ++m_selectionGeneration;
    setSelected(std::nullopt);
    setPrepared(std::nullopt);
    setPreviewImage(QImage());
    setDetailIssue(std::nullopt);
    setPreparing(false);
}

void TemplateCatalogStore::open(WorkspaceStore &workspace)
{
    if (!canOpen())
        return;
    const LabelDocument document = m_prepared->independentDocument();
    try {
        document.validate();
    } catch (...) {
        setDetailIssue(CatalogIssue::Kind::invalid);
        return;
    }
    workspace.add(document, std::nullopt, true);
}

void TemplateCatalogStore::cancel()
{
    if (m_catalogTask) {
        m_catalogTask->token.cancel();
        m_catalogTask.reset();
    }
    if (m_detailTask) {
        m_detailTask->token.cancel();
        m_detailTask.reset();
    }
    ++m_generation;
    ++m_selectionGeneration;
    for (const ThumbnailTask &task : std::as_const(m_thumbnailTasks))
        task.token.cancel();
    m_thumbnailTasks.clear();
    setLoading(false);
    setPreparing(false);
}

QString TemplateCatalogStore::categoryTitle(const CatalogCategory &category) const
{
    QStringList names{category.name};
    QSet<QString> visited{category.id};
    std::optional<QString> parent = category.parentId;
    const QList<CatalogCategory> &all = m_snapshot.categories;
    while (parent && !visited.contains(*parent)) {
        const auto found = m_categoryIndex.constFind(*parent);
        if (found == m_categoryIndex.constEnd())
            break;
        const CatalogCategory &next = all.at(*found);
        visited.insert(*parent);
        names.prepend(next.name);
        parent = next.parentId;
    }
    return names.join(QStringLiteral(" \u203A "));
}

// --- thumbnails

std::optional<LabelDocument> TemplateCatalogStore::thumbnailDocument(const CatalogItem &item) const
{
    if (m_selected && m_selected->id == item.id && m_prepared)
        return m_prepared->document;
    const auto found = m_thumbnailDocuments.constFind(item.id);
    if (found == m_thumbnailDocuments.constEnd())
        return std::nullopt;
    return *found;
}

void TemplateCatalogStore::loadCachedThumbnail(const CatalogItem &item)
{
    if ((m_selected && m_selected->id == item.id) || m_thumbnailDocuments.contains(item.id) ||
        m_thumbnailTasks.contains(item.id))
        return;
    const quint64 generation = m_generation;
    const ThumbnailTask task{++m_thumbnailSerial, CancelToken()};
    m_thumbnailTasks.insert(item.id, task);
    const QString id = item.id;
    deliver(this, m_cache->template_(id), [this, id, generation, task](QFuture<std::optional<CachedTemplate>> future) {
        const std::optional<CachedTemplate> found = valueOf(future);
        // The task's own entry goes whatever the generation: a refresh that keeps the
        // category must not leave the card without a way to ask again.
        if (auto entry = m_thumbnailTasks.find(id); entry != m_thumbnailTasks.end() && entry->serial == task.serial)
            m_thumbnailTasks.erase(entry);
        if (m_generation != generation || task.token.isCancelled() || !found)
            return;
        setThumbnail(id, found->document);
    });
}

void TemplateCatalogStore::resetThumbnails()
{
    for (const ThumbnailTask &task : std::as_const(m_thumbnailTasks))
        task.token.cancel();
    m_thumbnailTasks.clear();
    m_thumbnailDocuments.clear();
    Q_EMIT thumbnailDocumentsChanged(QString());
    Q_EMIT changed();
}

} // namespace kestrivane
