#pragma once

// The state behind the graphic library panel: the built-in signs, the user's stored
// pictures and their thumbnails, and the background work that lists, reads and imports
// user pictures without blocking the interface. One model lives per opening of the panel.

#include "core/library/GraphicLibrary.h"
#include "core/library/GraphicSign.h"
#include "core/library/UserGraphic.h"
#include "core/library/UserGraphicLibrary.h"

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

namespace kestrivane {

class GraphicLibraryModel : public QObject {
    Q_OBJECT

public:
    // 88 logical pixels at a device pixel ratio of 2.
    static constexpr int defaultThumbnailSide = 176;
    static constexpr qint64 maximumImportBytes = 20'971'520;

    // Loads the sign manifest of `signFolder` at once and starts listing the user's pictures.
    // `thumbnailSide` is the pixel size the thumbnails are made for.
    explicit GraphicLibraryModel(UserGraphicLibrary userLibrary, int thumbnailSide = defaultThumbnailSide,
                                 const QString &signFolder = GraphicLibrary::directory(), QObject *parent = nullptr);

    const QList<GraphicSign> &signs() const { return m_signs; }
    // The sign manifest could not be read: the panel shows the sign list as unavailable.
    bool failed() const { return m_failed; }
    const UserGraphicLibrary &userLibrary() const { return m_userLibrary; }
    int thumbnailSide() const { return m_thumbnailSide; }

    const QList<UserGraphic> &uploaded() const { return m_uploaded; }
    bool uploadedFailed() const { return m_uploadedFailed; }
    bool loadingUploaded() const { return m_loadingUploaded; }
    const QHash<QUuid, QImage> &userImages() const { return m_userImages; }
    const QSet<QUuid> &failedImages() const { return m_failedImages; }

    // The sign drawn at the thumbnail side, made on first use and kept; a null image when
    // the file cannot be drawn (tried again on the next call).
    QImage image(const GraphicSign &sign);
    // The thumbnail of a user picture when it is ready; never loads.
    QImage image(const UserGraphic &graphic) const;

    // Makes the picture's thumbnail in the background, unless it is ready, failed before or
    // being made. A picture that cannot be read or decoded is put in `failedImages` for good.
    void loadImage(const UserGraphic &graphic);

    // The stored, checksum-verified PNG of a user picture, read in the background. Reading
    // the future throws the library's DocumentError. Both futures below complete on the
    // model's thread, and are cancelled when the model is gone before the work ends.
    QFuture<QByteArray> data(const UserGraphic &graphic);

    // Imports the image file at `path` in the background. On success the thumbnail and the
    // fresh list are applied before the future completes, so the new picture is already
    // listed. Reading the future throws DocumentError (tooLarge for a file over 20 MiB,
    // which is not read, io for a file that cannot be read).
    QFuture<UserGraphic> importImage(const QString &path);

Q_SIGNALS:
    void uploadedChanged();
    void uploadedFailedChanged();
    void loadingUploadedChanged();
    void userImagesChanged();
    void failedImagesChanged();

private:
    void reloadUploaded();

    const UserGraphicLibrary m_userLibrary;
    const int m_thumbnailSide;
    QList<GraphicSign> m_signs;
    bool m_failed = false;

    QList<UserGraphic> m_uploaded;
    bool m_uploadedFailed = false;
    bool m_loadingUploaded = true;
    QHash<QUuid, QImage> m_userImages;
    QSet<QUuid> m_failedImages;

    QHash<QString, QImage> m_signImages;
    QSet<QUuid> m_loadingImages;
};

} // namespace kestrivane
