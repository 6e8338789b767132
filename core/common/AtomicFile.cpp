#include "core/common/AtomicFile.h"

#include "core/common/Issue.h"

#include <QSaveFile>

namespace kestrivane {

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(path + QStringLiteral(": ") + file.errorString());
    // A short write is often only buffered, and commit() in Qt 6.4 renames the temporary
    // file into place even when its last flush failed (a full disk, a file size limit):
    // the flush has to succeed here, before the old file can be replaced.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw FileError(path + QStringLiteral(": ") + reason);
    }
    if (!file.commit())
        throw FileError(path + QStringLiteral(": ") + file.errorString());
}

} // namespace kestrivane
