#pragma once

#include <QByteArray>
#include <QString>

namespace kestrivane {

// Writes `bytes` to `path` through a temporary file that replaces the old one only when
// everything was written, so a failed write leaves the old file as it was. Throws
// FileError with the system's reason.
void writeFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace kestrivane
