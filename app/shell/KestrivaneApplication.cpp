#include "app/shell/KestrivaneApplication.h"

#include "app/shell/AppDelegate.h"
#include "core/l10n/CoreResources.h"
#include "core/l10n/Localization.h"
#include "core/render/PdfPageBoxes.h"
#include "core/render/WebFonts.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QPixmap>
#include <QSessionManager>
#include <QSettings>
#include <QUrl>

namespace kestrivane {

QStringList KestrivaneApplication::documentPaths(const QStringList &arguments)
{
    QStringList paths;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString path = arguments.at(i);
        if (path.startsWith(QStringLiteral("file://"), Qt::CaseInsensitive)) {
            const QUrl url(path);
            if (url.isLocalFile())
                path = url.toLocalFile();
        }
        if (path.isEmpty())
            continue;
        paths.append(QFileInfo(path).absoluteFilePath());
    }
    return paths;
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
    delegate.launch(documentPaths(QCoreApplication::arguments()));
    return QApplication::exec();
}

} // namespace kestrivane
