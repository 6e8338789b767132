// Document bytes and files: validated, size-limited JSON written atomically.

#include "core/document/DocumentJson.h"

#include "core/common/AtomicFile.h"
#include "core/json/JsonRead.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrivane {

QByteArray LabelDocument::encoded() const
{
    validate();
    const QByteArray bytes = json::indented(toJson(*this));
    if (bytes.size() > maximumFileBytes)
        throwIssue(DocumentIssue::tooLarge);
    return bytes;
}

LabelDocument LabelDocument::decode(const QByteArray &data)
{
    if (data.size() > maximumFileBytes)
        throwIssue(DocumentIssue::tooLarge);
    QJsonObject object;
    try {
        object = json::parseObject(data);
    } catch (const JsonError &) {
        throwIssue(DocumentIssue::invalidDocument);
    }
    LabelDocument document = documentFromJson(object);
    document.validate();
    return document;
}

namespace {

[[noreturn]] void systemError(const QString &path, const char *what, int error)
{
    throw FileError(path + QStringLiteral(": ") + QString::fromLatin1(what) + QStringLiteral(": ") +
                    QString::fromLocal8Bit(std::strerror(error)));
}

// Reads at most `limit` + 1 bytes of a regular file. The file is opened without
// blocking and checked through its descriptor, so a FIFO or device put in its place
// after any earlier look can neither hang the reader nor feed it without end.
QByteArray readRegularFile(const QString &path, qsizetype limit)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        systemError(path, "open", errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0)
        systemError(path, "stat", errno);
    if (!S_ISREG(info.st_mode))
        throw FileError(path + QStringLiteral(": not a regular file"));
    if (info.st_size > limit)
        throwIssue(DocumentIssue::tooLarge);

    QByteArray bytes;
    bytes.resize(qsizetype(info.st_size) + 1 > limit + 1 ? limit + 1 : qsizetype(info.st_size) + 1);
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > limit)
                break;
            bytes.resize(std::min<qsizetype>(limit + 1, std::max<qsizetype>(used * 2, 4096)));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, size_t(bytes.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            systemError(path, "read", errno);
        }
        if (n == 0)
            break;
        used += n;
    }
    bytes.truncate(used);
    // The file grew after it was looked at: more than a document may hold.
    if (used > limit)
        throwIssue(DocumentIssue::tooLarge);
    return bytes;
}

} // namespace

LabelDocument LabelDocument::load(const QString &path)
{
    return decode(readRegularFile(path, maximumFileBytes));
}

void LabelDocument::saveTo(const QString &path) const
{
    writeFileAtomically(path, encoded());
}

} // namespace kestrivane
