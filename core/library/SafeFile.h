#pragma once

// Reading files whose kind and size are not trusted: a symbolic link, a FIFO or a file that
// grows while it is read must never make a reader block or read without bound.

#include <QByteArray>
#include <QString>

#include <optional>

namespace kestrivane::library {

enum class Links { refuse, follow };

struct BoundedRead {
    enum Status { ok, unreadable, tooLarge };
    Status status = unreadable;
    QByteArray bytes;
};

// Opens `path` once (without following a final symbolic link when `links` refuses them, and
// never blocking on a FIFO), requires a regular file of at most `limit` bytes and reads at
// most `limit` + 1 bytes: a file larger than announced is `tooLarge` as well.
BoundedRead readBounded(const QString &path, qint64 limit, Links links);

// The bytes of a regular file of at most `limit` bytes, or nothing.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 limit, Links links);

// What lies at `path` without following a symbolic link there.
enum class EntryKind { missing, folder, other, unknown };
EntryKind entryKind(const QString &path);

// The size of a regular file that is not a symbolic link, or nothing.
std::optional<qint64> regularFileSize(const QString &path);

// Every entry of a folder except "." and "..", hidden ones included, sorted by name (byte
// order) so that every listing of the same folder walks it the same way. Nothing when the
// folder cannot be listed.
std::optional<QStringList> listFolder(const QString &path);

} // namespace kestrivane::library
