#pragma once

// The user's own pictures: one folder holding, per picture, a normalised PNG and a small
// JSON side file. Nothing found in the folder is trusted; a foreign, broken or altered
// file is never listed or handed out.

#include "core/library/UserGraphic.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

namespace kestrivane {

class UserGraphicLibrary {
public:
    static constexpr qint64 maximumSideFileBytes = 65'536;
    static constexpr int maximumLimit = 10'000;
    static constexpr int maximumNameLength = 255;

    // A budget below 1 becomes 1; the limit is clamped to 1...10000.
    UserGraphicLibrary(QString directory, qint64 budget, int limit);

    // "com.morvathsoftware.kestrivane/user-images-v1" in the user's data folder, or empty
    // when the system names none (every operation on an empty folder path fails with io).
    static QString defaultDirectory();

    QString directory() const { return m_directory; }
    qint64 budget() const { return m_budget; }
    int limit() const { return m_limit; }

    // The valid stored pictures, newest first (equal times by upper-case UUID text). A
    // missing folder is an empty list. Throws DocumentError: io when something else lies
    // in the folder's place or it cannot be listed, tooLarge when it holds more than
    // 3 × limit entries or more than `limit` valid pictures.
    QList<UserGraphic> load() const;

    // Converts the picture to a PNG and stores it with its side file. Throws DocumentError:
    // invalidImage for a picture that cannot be converted, tooLarge when the library is full
    // or the budget would be exceeded (or the id is taken), io for file-system failures. A
    // failed import leaves the stored pictures as they were.
    UserGraphic importRaster(const QByteArray &data, const QString &name, const QUuid &id, double importedAt) const;

    // The stored PNG of a listed picture, only when its checksum still matches. Throws
    // DocumentError(invalidImage) otherwise.
    QByteArray data(const UserGraphic &graphic) const;

    // A proposed name (usually a file name) in the form shown: the last path piece, without
    // control or format characters, trimmed, at most 255 characters, "image" when nothing
    // remains. safeName(safeName(x)) == safeName(x).
    static QString safeName(const QString &name);

private:
    bool safeDirectoryExists() const;
    void ensureDirectory() const;
    qint64 storedBytes() const;
    QByteArray readPNG(const QUuid &id) const;
    QString filePath(const QUuid &id, const char *extension) const;

    QString m_directory;
    qint64 m_budget;
    int m_limit;
};

} // namespace kestrivane
