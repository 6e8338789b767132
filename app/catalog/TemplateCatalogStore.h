#pragma once

#include "core/catalog/CatalogModel.h"
#include "core/catalog/TemplateCache.h"
#include "core/catalog/TemplateCatalogService.h"
#include "core/common/CancelToken.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSettings>
#include <QThreadPool>

#include <memory>
#include <optional>

namespace kestrivane {

class WorkspaceStore;

enum class CatalogDisplayMode { list, previews };

QString rawValue(CatalogDisplayMode mode);
std::optional<CatalogDisplayMode> catalogDisplayModeFromRaw(const QString &raw);

// The state behind the template catalog screen: the listed items of one category (page by
// page), the selected item with its converted template, card thumbnails and the status the
// screen shows. It lives on the main thread; requests, decoding and conversion run on its
// own thread pool and the disk cache on the cache's thread, and every result comes back to
// the main thread, where it is applied only while the work that asked for it is current.
//
// Every published property has a getter and a signal emitted on every write, and changed().
class TemplateCatalogStore final : public QObject {
    Q_OBJECT

public:
    static inline const QString displayModeKey = QStringLiteral("Kestrivane.TemplateCatalogDisplayMode");

    // Without a cache the store makes its own in the user's cache folder; `preferences`
    // must outlive the store.
    TemplateCatalogStore(std::shared_ptr<const TemplateCatalogService> service, std::shared_ptr<TemplateCache> cache,
                         QSettings *preferences, QObject *parent = nullptr);
    ~TemplateCatalogStore() override;

    const CatalogSnapshot &snapshot() const { return m_snapshot; }
    const std::optional<QString> &category() const { return m_category; }
    const std::optional<CatalogItem> &selected() const { return m_selected; }
    const std::optional<CachedTemplate> &prepared() const { return m_prepared; }
    const QImage &previewImage() const { return m_previewImage; }
    CatalogDisplayMode displayMode() const { return m_displayMode; }
    const QHash<QString, LabelDocument> &thumbnailDocuments() const { return m_thumbnailDocuments; }
    bool loading() const { return m_loading; }
    bool preparing() const { return m_preparing; }
    bool usingCachedCatalog() const { return m_usingCachedCatalog; }
    bool usingCachedTemplate() const { return m_usingCachedTemplate; }
    const std::optional<CatalogIssue> &issue() const { return m_issue; }
    const std::optional<CatalogIssue> &detailIssue() const { return m_detailIssue; }
    bool cacheIssue() const { return m_cacheIssue; }

    bool canLoadMore() const;
    bool canOpen() const { return m_prepared.has_value() && !m_preparing; }

    const TemplateCatalogService &service() const { return *m_service; }
    const std::shared_ptr<TemplateCache> &cache() const { return m_cache; }

    void refresh(const std::optional<QString> &category, bool changingCategory);
    void loadMore();
    void select(const CatalogItem &item);
    void open(WorkspaceStore &workspace);
    void cancel();
    QString categoryTitle(const CatalogCategory &category) const;
    void selectDisplayMode(CatalogDisplayMode mode);
    std::optional<LabelDocument> thumbnailDocument(const CatalogItem &item) const;
    void loadCachedThumbnail(const CatalogItem &item);
    void clearSelection();
    void resetThumbnails();

Q_SIGNALS:
    void changed();
    void snapshotChanged();
    void categoryChanged();
    void selectedChanged();
    void preparedChanged();
    void previewImageChanged();
    void displayModeChanged();
    // The item whose thumbnail document changed; empty when all of them may have.
    void thumbnailDocumentsChanged(const QString &id);
    void loadingChanged();
    void preparingChanged();
    void usingCachedCatalogChanged();
    void usingCachedTemplateChanged();
    void issueChanged();
    void detailIssueChanged();
    void cacheIssueChanged();

private:
    // A running piece of work: its cancellation and the generation it belongs to.
    struct Task {
        CancelToken token;
        quint64 generation = 0;
    };
    struct ThumbnailTask {
        quint64 serial = 0;
        CancelToken token;
    };
    struct Lists;

    bool listCurrent(const Task &task) const { return m_generation == task.generation && !task.token.isCancelled(); }
    bool selectionCurrent(const Task &task) const
    {
        return m_selectionGeneration == task.generation && !task.token.isCancelled();
    }

    void setSnapshot(const CatalogSnapshot &snapshot);
    void setCategory(const std::optional<QString> &category);
    void setSelected(const std::optional<CatalogItem> &item);
    void setPrepared(const std::optional<CachedTemplate> &prepared);
    void setPreviewImage(const QImage &image);
    void setThumbnail(const QString &id, const LabelDocument &document);
    void setLoading(bool value);
    void setPreparing(bool value);
    void setUsingCachedCatalog(bool value);
    void setUsingCachedTemplate(bool value);
    void setIssue(const std::optional<CatalogIssue> &issue);
    void setDetailIssue(const std::optional<CatalogIssue> &issue);
    void setCacheIssue(bool value);

    void fetchLists(Task task, std::optional<QString> category);
    void finishRefresh(Task task);
    void applySelectionRule();
    void requestPreview(Task task, CatalogItem item);
    void prepare(Task task, CatalogItem item);
    void finishPreparing(Task task, const CatalogItem &item, std::exception_ptr failure);

    std::shared_ptr<const TemplateCatalogService> m_service;
    std::shared_ptr<TemplateCache> m_cache;
    QSettings *m_preferences;

    CatalogSnapshot m_snapshot;
    QHash<QString, qsizetype> m_categoryIndex; // id → position of its first category
    std::optional<QString> m_category;
    std::optional<CatalogItem> m_selected;
    std::optional<CachedTemplate> m_prepared;
    QImage m_previewImage;
    CatalogDisplayMode m_displayMode = CatalogDisplayMode::previews;
    QHash<QString, LabelDocument> m_thumbnailDocuments;
    bool m_loading = false;
    bool m_preparing = false;
    bool m_usingCachedCatalog = false;
    bool m_usingCachedTemplate = false;
    std::optional<CatalogIssue> m_issue;
    std::optional<CatalogIssue> m_detailIssue;
    bool m_cacheIssue = false;

    std::optional<Task> m_catalogTask;
    std::optional<Task> m_detailTask;
    QHash<QString, ThumbnailTask> m_thumbnailTasks;
    quint64 m_generation = 1;
    quint64 m_selectionGeneration = 1;
    quint64 m_thumbnailSerial = 0;

    // Requests and conversions; declared last so that it finishes its work first.
    QThreadPool m_pool;
};

} // namespace kestrivane
