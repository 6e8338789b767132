#include "core/common/AtomicFile.h"

#include "core/common/Issue.h"

#include <QSaveFile>

namespace kestrivane {

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(path + QStringLiteral(": ") + file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw FileError(path + QStringLiteral(": ") + reason);
    }
    if (!file.commit())
        throw FileError(path + QStringLiteral(": ") + file.errorString());
}

} // namespace kestrivane
