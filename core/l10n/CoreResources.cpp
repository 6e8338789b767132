#include "core/l10n/CoreResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace kestrivane {

namespace {

bool holdsResources(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(QStringLiteral("Compiled"))).isDir();
}

QString findResourceFolder()
{
    QStringList candidates;
    const QString overridden = qEnvironmentVariable("KESTRIVANE_RESOURCES");
    if (!overridden.isEmpty())
        candidates << overridden;
    // The program's folder is known only once the application object exists.
    if (QCoreApplication::instance()) {
        const QString programDir = QCoreApplication::applicationDirPath();
        candidates << programDir + QStringLiteral("/../share/kestrivane/Resources")
                   << programDir + QStringLiteral("/Resources");
    }
    candidates << QStringLiteral(KESTRIVANE_SOURCE_RESOURCES);
    for (const QString &candidate : std::as_const(candidates)) {
        if (holdsResources(candidate))
            return QDir(candidate).canonicalPath();
    }
    qFatal("Kestrivane cannot find its resource folder (looked in: %s). Set KESTRIVANE_RESOURCES to the "
           "folder that holds Compiled/, WebFonts/, Artwork/ and GraphicSigns/.",
           qPrintable(candidates.join(QStringLiteral(", "))));
}

} // namespace

QString CoreResources::url()
{
    static const QString folder = findResourceFolder();
    return folder;
}

QString CoreResources::path(const QString &relative)
{
    return QDir(url()).filePath(relative);
}

} // namespace kestrivane
