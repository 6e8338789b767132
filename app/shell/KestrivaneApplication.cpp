#include "app/shell/KestrivaneApplication.h"

#include "app/shell/AppDelegate.h"
#include "core/l10n/CoreResources.h"
#include "core/l10n/Localization.h"
#include "core/render/PdfPageBoxes.h"
#include "core/render/WebFonts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QPixmap>
#include <QSessionManager>
#include <QSettings>
#include <QUrl>

#include <cstdlib>
#include <memory>

#include <unistd.h>

namespace kestrivane {

namespace {

// Whether these bytes come back unchanged from the text the program holds names in; what
// the encoding cannot carry becomes U+FFFD.
bool survivesDecoding(const QByteArray &name)
{
    return QFile::encodeName(QFile::decodeName(name)) == name;
}

// The working folder's own bytes; empty when it cannot be read (removed, or below a folder
// the user may no longer enter).
QByteArray workingFolder()
{
    const std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
    return folder ? QByteArray(folder.get()) : QByteArray();
}

} // namespace

KestrivaneApplication::CommandLineFiles KestrivaneApplication::documentPaths(const QList<QByteArray> &arguments)
{
    CommandLineFiles files;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments.at(i);
        bool named = survivesDecoding(argument);
        QString path = QFile::decodeName(argument);
        if (named && path.startsWith(QStringLiteral("file://"), Qt::CaseInsensitive)) {
            const QUrl url(path);
            if (url.isLocalFile()) {
                // The address escapes the name's bytes, which must survive in the same way.
                named = survivesDecoding(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
                path = url.toLocalFile();
            }
        }
        if (named && !path.isEmpty() && QDir::isRelativePath(path)) {
            // Joined to the folder's bytes, not to its decoded name: a folder name outside the
            // encoding would decode to a look-alike folder's, whose file would be opened.
            const QByteArray folder = workingFolder();
            const QByteArray name = folder + (folder.endsWith('/') ? "" : "/") + argument;
            named = !folder.isEmpty() && survivesDecoding(name);
            path = QFile::decodeName(name);
        }
        if (!named) {
            files.refused.append(argument);
            continue;
        }
        if (path.isEmpty())
            continue;
        files.paths.append(QFileInfo(path).absoluteFilePath());
    }
    return files;
}

void KestrivaneApplication::setIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrivane"));
    QCoreApplication::setApplicationName(QStringLiteral("Kestrivane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.morvathsoftware.kestrivane"));
}

int KestrivaneApplication::main(int argc, char **argv)
{
    preparePdfPageBuffers();
    QApplication application(argc, argv);
    setIdentity();
    // The desktop shows this icon where the installed one is not found (a build tree).
    QImageReader reader(CoreResources::path(QStringLiteral("Artwork/appIcon.png")));
    const QImage icon = reader.read();
    if (!icon.isNull())
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    WebFonts::registerFonts();

    QSettings settings;
    Localization localization(&settings, QLocale::system().uiLanguages());
    AppDelegate delegate(&localization, &settings);
    // The program ends when the main window has closed, not when the last window has.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(
        &application, &QGuiApplication::commitDataRequest, &delegate,
        [&delegate](QSessionManager &manager) { delegate.commitDataRequest(manager); }, Qt::DirectConnection);
    // The arguments as given, after Qt took its own options out of them.
    QList<QByteArray> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const CommandLineFiles files = documentPaths(arguments);
    delegate.launch(files.paths, files.refused);
    return QApplication::exec();
}

} // namespace kestrivane
