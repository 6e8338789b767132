#include "core/catalog/TemplateCache.h"

#include "core/common/AtomicFile.h"
#include "core/graphics/ImageAsset.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThreadPool>

#include <algorithm>

namespace kestrivane {

namespace {

// A file that is not an entry (a temporary file of an interrupted write, or anything else)
// may belong to a write running in another process; it goes only once it is this old.
constexpr qint64 strayFileAgeSeconds = 3600;

bool isEntryName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{64}\\.json$"));
    return pattern.match(name).hasMatch();
}

[[noreturn]] void failStorage()
{
    throwCatalog(CatalogIssue::Kind::storage);
}

} // namespace

TemplateCache::TemplateCache(const QString &root, const QUrl &baseURL, qint64 budget, RemoveFile remove)
    : m_directory(root.isEmpty() ? QString() : root + QLatin1Char('/') + hash(baseURL.toString(QUrl::FullyEncoded))),
      m_budget(budget),
      m_remove(remove ? std::move(remove) : RemoveFile([](const QString &path) { return QFile::remove(path); })),
      m_executor(std::make_unique<QThreadPool>())
{
    m_executor->setMaxThreadCount(1);
}

TemplateCache::~TemplateCache()
{
    m_executor->waitForDone();
}

QString TemplateCache::defaultRoot()
{
    const QString caches = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (caches.isEmpty())
        return {};
    return caches + QStringLiteral("/com.morvathsoftware.kestrivane/templates-v1");
}

QString TemplateCache::hash(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString TemplateCache::fileOfKey(const QString &key) const
{
    return m_directory + QLatin1Char('/') + hash(key) + QStringLiteral(".json");
}

QString TemplateCache::snapshotKey(const std::optional<QString> &category)
{
    return QStringLiteral("catalog:") + category.value_or(QString());
}

QString TemplateCache::templateKey(const QString &id)
{
    return QStringLiteral("document:") + id;
}

QString TemplateCache::previewKey(const QString &id, const std::optional<QString> &revision)
{
    return QStringLiteral("preview:") + id + QLatin1Char(':') + revision.value_or(QString());
}

QString TemplateCache::previewImageKey(const QString &id, const std::optional<QString> &revision)
{
    return QStringLiteral("preview-image:") + id + QLatin1Char(':') + revision.value_or(QString());
}

void TemplateCache::start(std::function<void()> task) const
{
    m_executor->start(std::move(task));
}

std::optional<QByteArray> TemplateCache::read(const QString &key) const
{
    if (m_directory.isEmpty())
        return std::nullopt;
    QFile file(fileOfKey(key));
    const QFileInfo info(file.fileName());
    if (!info.exists() || !info.isFile() || info.size() > maximumEntryBytes)
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The size may have changed since it was asked for: read no more than the cap.
    QByteArray bytes = file.read(maximumEntryBytes + 1);
    if (bytes.size() > maximumEntryBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// Marks a decoded entry as used now; eviction goes by this date.
static void touch(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
}

void TemplateCache::write(const QByteArray &bytes, const QString &key) const
{
    if (bytes.size() > maximumEntryBytes || bytes.size() > m_budget)
        throwCatalog(CatalogIssue::Kind::tooLarge);
    if (m_directory.isEmpty() || !QDir().mkpath(m_directory))
        failStorage();
    const QString path = fileOfKey(key);
    try {
        writeFileAtomically(path, bytes);
    } catch (const FileError &) {
        failStorage();
    }
    evict(path);
}

void TemplateCache::evict(const QString &written) const
{
    struct Entry {
        QString path;
        qint64 size;
        QDateTime modified;
        bool entry;
    };
    const QDir folder(m_directory);
    if (!folder.exists())
        failStorage();
    const QFileInfoList infos =
        folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QList<Entry> entries;
    entries.reserve(infos.size());
    qint64 total = 0;
    for (const QFileInfo &info : infos) {
        if (!info.exists())
            continue;
        const QDateTime modified = info.lastModified();
        entries.append({info.absoluteFilePath(), std::max<qint64>(0, info.size()),
                        modified.isValid() ? modified : QDateTime::fromMSecsSinceEpoch(0, Qt::UTC),
                        isEntryName(info.fileName())});
        total += entries.last().size;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.modified < b.modified; });
    const QString writtenPath = QFileInfo(written).absoluteFilePath();
    const QDateTime strayLimit = QDateTime::currentDateTimeUtc().addSecs(-strayFileAgeSeconds);
    for (const Entry &entry : std::as_const(entries)) {
        if (total <= m_budget)
            break;
        if (entry.path == writtenPath)
            continue;
        // Another process may be writing this temporary file right now.
        if (!entry.entry && entry.modified > strayLimit)
            continue;
        // A file that will not go is passed over: the entry just written is in place
        // either way, and only a folder left over the budget is worth reporting.
        if (m_remove(entry.path))
            total -= entry.size;
    }
    if (total > m_budget)
        failStorage();
}

QFuture<std::optional<CatalogSnapshot>> TemplateCache::snapshot(const std::optional<QString> &category) const
{
    const QString key = snapshotKey(category);
    return enqueue<std::optional<CatalogSnapshot>>([this, key]() -> std::optional<CatalogSnapshot> {
        const std::optional<QByteArray> bytes = read(key);
        if (!bytes)
            return std::nullopt;
        CatalogSnapshot value;
        try {
            value = CatalogSnapshot::decode(*bytes);
        } catch (...) {
            return std::nullopt;
        }
        touch(fileOfKey(key));
        const auto pageOk = [](qint64 page) { return page >= 0 && page <= maximumPageNumber; };
        if (value.items().size() > maximumSnapshotItems || !value.hasUniqueIds() || !pageOk(value.nextPage) ||
            !pageOk(value.totalPages))
            return std::nullopt;
        return value;
    });
}

QFuture<void> TemplateCache::saveSnapshot(const CatalogSnapshot &snapshot, const std::optional<QString> &category) const
{
    const QString key = snapshotKey(category);
    return enqueue<void>([this, key, snapshot] {
        QByteArray bytes;
        try {
            bytes = snapshot.encoded();
        } catch (...) {
            failStorage();
        }
        write(bytes, key);
    });
}

QFuture<std::optional<CachedTemplate>> TemplateCache::template_(const QString &id) const
{
    const QString key = templateKey(id);
    return enqueue<std::optional<CachedTemplate>>([this, key, id]() -> std::optional<CachedTemplate> {
        const std::optional<QByteArray> bytes = read(key);
        if (!bytes)
            return std::nullopt;
        CachedTemplate value;
        try {
            value = CachedTemplate::decode(*bytes);
        } catch (...) {
            return std::nullopt;
        }
        touch(fileOfKey(key));
        if (value.id != id || value.converterRevision != CachedTemplate::currentConverterRevision)
            return std::nullopt;
        try {
            value.document.validate();
        } catch (...) {
            return std::nullopt;
        }
        return value;
    });
}

QFuture<void> TemplateCache::saveTemplate(const CachedTemplate &value) const
{
    return enqueue<void>([this, value] {
        // Only a document that could be saved as a file is kept; its own error tells why.
        (void)value.document.encoded();
        QByteArray bytes;
        try {
            bytes = value.encoded();
        } catch (...) {
            failStorage();
        }
        write(bytes, templateKey(value.id));
    });
}

QFuture<std::optional<CatalogJSON>> TemplateCache::preview(const QString &id,
                                                           const std::optional<QString> &revision) const
{
    const QString key = previewKey(id, revision);
    return enqueue<std::optional<CatalogJSON>>([this, key]() -> std::optional<CatalogJSON> {
        const std::optional<QByteArray> bytes = read(key);
        if (!bytes)
            return std::nullopt;
        std::optional<CatalogJSON> value = CatalogJSON::parse(*bytes);
        if (value)
            touch(fileOfKey(key));
        return value;
    });
}

QFuture<void> TemplateCache::savePreview(const CatalogJSON &value, const QString &id,
                                         const std::optional<QString> &revision) const
{
    const QString key = previewKey(id, revision);
    return enqueue<void>([this, key, value] {
        QByteArray bytes;
        try {
            bytes = value.toJson();
        } catch (...) {
            failStorage();
        }
        write(bytes, key);
    });
}

QFuture<std::optional<QByteArray>> TemplateCache::previewImage(const QString &id,
                                                               const std::optional<QString> &revision) const
{
    const QString key = previewImageKey(id, revision);
    return enqueue<std::optional<QByteArray>>([this, key]() -> std::optional<QByteArray> {
        const std::optional<QByteArray> bytes = read(key);
        if (!bytes)
            return std::nullopt;
        QJsonParseError error{};
        const QJsonDocument json = QJsonDocument::fromJson("[" + *bytes + "]", &error);
        if (error.error != QJsonParseError::NoError || json.array().size() != 1 || !json.array().at(0).isString())
            return std::nullopt;
        const auto decoded = QByteArray::fromBase64Encoding(json.array().at(0).toString().toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        touch(fileOfKey(key));
        try {
            ImageAsset::validate(*decoded);
        } catch (...) {
            return std::nullopt;
        }
        return *decoded;
    });
}

QFuture<void> TemplateCache::savePreviewImage(const QByteArray &bytes, const QString &id,
                                              const std::optional<QString> &revision) const
{
    const QString key = previewImageKey(id, revision);
    return enqueue<void>([this, key, bytes] {
        ImageAsset::validate(bytes);
        write(QByteArray("\"") + bytes.toBase64() + QByteArray("\""), key);
    });
}

} // namespace kestrivane
