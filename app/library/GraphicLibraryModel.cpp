#include "app/library/GraphicLibraryModel.h"

#include "app/common/Delivery.h"
#include "core/common/DocumentIssue.h"
#include "core/graphics/RasterReader.h"
#include "core/library/SafeFile.h"

#include <QDateTime>
#include <QException>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrivane {

namespace {

// The result of a finished background task; an exception that the worker threw is
// rethrown as itself (QtConcurrent wraps every exception that is not a QException),
// so that the reader of a future meets the library's DocumentError.
template <typename T> T resultOf(QFuture<T> future)
{
    try {
        return future.result();
    } catch (const QUnhandledException &wrapped) {
        if (wrapped.exception())
            std::rethrow_exception(wrapped.exception());
        throw;
    }
}

// A stored PNG decoded straight to the thumbnail size, so that a 2048-pixel picture never
// sits in memory at full size.
QImage thumbnailOf(const QByteArray &png, int side)
{
    const auto header = raster::readHeader(png);
    if (!header)
        return QImage();
    return raster::decode(png, raster::shrunkToFit(header->size, side));
}

struct ImportResult {
    UserGraphic graphic;
    QImage thumbnail;
    QList<UserGraphic> list;
};

ImportResult importFile(const UserGraphicLibrary &library, const QString &path, int side)
{
    try {
        // The chosen file may be a link to a picture, but never a FIFO or a device, and
        // a file over the limit is refused without being read.
        library::BoundedRead read =
            library::readBounded(path, GraphicLibraryModel::maximumImportBytes, library::Links::follow);
        if (read.status == library::BoundedRead::tooLarge)
            throwIssue(DocumentIssue::tooLarge);
        if (read.status != library::BoundedRead::ok)
            throwIssue(DocumentIssue::io);
        ImportResult result;
        result.graphic = library.importRaster(read.bytes, QFileInfo(path).fileName(), QUuid::createUuid(),
                                              referenceSeconds(QDateTime::currentDateTimeUtc()));
        result.thumbnail = thumbnailOf(library.data(result.graphic), side);
        result.list = library.load();
        return result;
    } catch (const DocumentError &) {
        throw;
    } catch (...) {
        throwIssue(DocumentIssue::io);
    }
}

} // namespace

GraphicLibraryModel::GraphicLibraryModel(UserGraphicLibrary userLibrary, int thumbnailSide, const QString &signFolder,
                                         QObject *parent)
    : QObject(parent), m_userLibrary(std::move(userLibrary)), m_thumbnailSide(std::max(1, thumbnailSide))
{
    try {
        m_signs = GraphicLibrary::load(signFolder);
    } catch (const std::exception &) {
        m_failed = true;
    }
    reloadUploaded();
}

void GraphicLibraryModel::reloadUploaded()
{
    const QFuture<QList<UserGraphic>> work = QtConcurrent::run([library = m_userLibrary] { return library.load(); });
    deliver(this, work, [this](QFuture<QList<UserGraphic>> future) {
        try {
            m_uploaded = resultOf(future);
            m_uploadedFailed = false;
        } catch (...) {
            m_uploaded.clear();
            m_uploadedFailed = true;
        }
        m_loadingUploaded = false;
        Q_EMIT uploadedChanged();
        Q_EMIT uploadedFailedChanged();
        Q_EMIT loadingUploadedChanged();
    });
}

QImage GraphicLibraryModel::image(const GraphicSign &sign)
{
    const auto found = m_signImages.constFind(sign.id);
    if (found != m_signImages.constEnd())
        return *found;
    QImage picture = sign.picture(m_thumbnailSide);
    if (!picture.isNull())
        m_signImages.insert(sign.id, picture);
    return picture;
}

QImage GraphicLibraryModel::image(const UserGraphic &graphic) const
{
    return m_userImages.value(graphic.id);
}

void GraphicLibraryModel::loadImage(const UserGraphic &graphic)
{
    if (m_userImages.contains(graphic.id) || m_failedImages.contains(graphic.id) ||
        m_loadingImages.contains(graphic.id))
        return;
    m_loadingImages.insert(graphic.id);
    const QFuture<QImage> work = QtConcurrent::run([library = m_userLibrary, graphic, side = m_thumbnailSide] {
        return thumbnailOf(library.data(graphic), side);
    });
    deliver(this, work, [this, id = graphic.id](QFuture<QImage> future) {
        m_loadingImages.remove(id);
        QImage thumbnail;
        try {
            thumbnail = resultOf(future);
        } catch (...) {
        }
        if (thumbnail.isNull()) {
            m_failedImages.insert(id);
            Q_EMIT failedImagesChanged();
        } else {
            m_userImages.insert(id, thumbnail);
            Q_EMIT userImagesChanged();
        }
    });
}

QFuture<QByteArray> GraphicLibraryModel::data(const UserGraphic &graphic)
{
    const QFuture<QByteArray> work =
        QtConcurrent::run([library = m_userLibrary, graphic] { return library.data(graphic); });
    return deliverResult(this, work, [](QFuture<QByteArray> future) { return resultOf(future); });
}

QFuture<UserGraphic> GraphicLibraryModel::importImage(const QString &path)
{
    const QFuture<ImportResult> work = QtConcurrent::run(
        [library = m_userLibrary, path, side = m_thumbnailSide] { return importFile(library, path, side); });
    return deliverResult(this, work, [this](QFuture<ImportResult> future) {
        ImportResult result = resultOf(future);
        if (!result.thumbnail.isNull()) {
            m_userImages.insert(result.graphic.id, result.thumbnail);
            Q_EMIT userImagesChanged();
        }
        m_uploaded = result.list;
        m_uploadedFailed = false;
        Q_EMIT uploadedChanged();
        Q_EMIT uploadedFailedChanged();
        return result.graphic;
    });
}

} // namespace kestrivane
