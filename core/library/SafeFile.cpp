#include "core/library/SafeFile.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrivane::library {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

BoundedRead readBounded(const QString &path, qint64 limit, Links links)
{
    BoundedRead result;
    if (path.isEmpty() || limit < 0)
        return result;
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    if (links == Links::refuse)
        flags |= O_NOFOLLOW;
    const QByteArray native = QFile::encodeName(path);
    Descriptor fd(::open(native.constData(), flags));
    if (fd.get() < 0)
        return result;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return result;
    if (info.st_size > limit) {
        result.status = BoundedRead::tooLarge;
        return result;
    }
    // The announced size is only a hint: read until the end or one byte past the limit.
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(std::min<qint64>(info.st_size, limit) + 1));
    qint64 filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > limit)
                break;
            bytes.resize(static_cast<qsizetype>(std::min<qint64>(limit + 1, std::max<qint64>(filled * 2, 4096))));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return result;
        }
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > limit) {
        result.status = BoundedRead::tooLarge;
        return result;
    }
    bytes.resize(static_cast<qsizetype>(filled));
    result.status = BoundedRead::ok;
    result.bytes = std::move(bytes);
    return result;
}

std::optional<QByteArray> readRegularFile(const QString &path, qint64 limit, Links links)
{
    BoundedRead read = readBounded(path, limit, links);
    if (read.status != BoundedRead::ok)
        return std::nullopt;
    return std::move(read.bytes);
}

EntryKind entryKind(const QString &path)
{
    if (path.isEmpty())
        return EntryKind::unknown;
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT ? EntryKind::missing : EntryKind::unknown;
    return S_ISDIR(info.st_mode) ? EntryKind::folder : EntryKind::other;
}

std::optional<qint64> regularFileSize(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<qint64>(info.st_size);
}

std::optional<QStringList> listFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return std::nullopt;
    }
    QList<QByteArray> names;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    const bool failed = errno != 0;
    ::closedir(dir);
    if (failed)
        return std::nullopt;
    std::sort(names.begin(), names.end());
    QStringList list;
    list.reserve(names.size());
    for (const QByteArray &name : std::as_const(names))
        list.append(QFile::decodeName(name));
    return list;
}

} // namespace kestrivane::library
