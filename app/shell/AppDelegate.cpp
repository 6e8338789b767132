#include "app/shell/AppDelegate.h"

#include "app/shell/ApplicationView.h"
#include "app/shell/MainMenu.h"
#include "app/shell/MainWindow.h"
#include "app/shell/SettingsView.h"
#include "app/shell/WorkspaceStore.h"
#include "app/window/LibrarySheet.h"
#include "app/window/TableSheets.h"
#include "core/common/Issue.h"
#include "core/l10n/Localization.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>
#include <QVBoxLayout>

namespace kestrivane {

namespace {

// Places a window in the middle of the available area of its screen.
void centre(QWidget &window)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = window.frameGeometry();
    frame.moveCenter(area.center());
    window.move(frame.topLeft());
}

void bringToFront(QWidget &window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

AppDelegate::AppDelegate(Localization *localization, QSettings *settings, QObject *parent)
    : QObject(parent), m_localization(localization), m_settings(settings), m_terminate([] { QCoreApplication::quit(); })
{
    TableSheets::install();
    LibrarySheet::install();
}

AppDelegate::~AppDelegate()
{
    // The menu and the windows show the workspace's state: they go first.
    delete m_menu;
    m_menu = nullptr;
    m_settingsWindow.reset();
    m_window.reset();
    delete m_workspace;
}

WorkspaceStore *AppDelegate::workspace()
{
    if (!m_workspace)
        m_workspace = new WorkspaceStore(m_localization, *m_settings);
    return m_workspace;
}

void AppDelegate::launch(const QStringList &files, const QList<QByteArray> &refused)
{
    m_window = std::make_unique<MainWindow>();
    m_window->setShouldClose([this] { return windowShouldClose(); });
    m_window->setWillClose([this] { windowWillClose(); });
    workspace()->setWindow(m_window.get());
    loadQtTexts();
    // The menu bar first: the window is sized for its content plus the bar.
    rebuildMenus();
    m_window->setRootView(new ApplicationView(workspace(), m_localization, [guard = QPointer<AppDelegate>(this)] {
        if (guard)
            guard->settings();
    }));
    centre(*m_window);
    workspace()->updateWindow();
    // Connected once the current language is known: only later changes act.
    if (m_localization)
        connect(m_localization, &Localization::languageChanged, this, &AppDelegate::languageChanged);
    applyLocale();
    bringToFront(*m_window);
    if (!files.isEmpty() || !refused.isEmpty()) {
        QTimer::singleShot(0, this, [guard = QPointer<AppDelegate>(this), files, refused] {
            if (!guard)
                return;
            // Named as well as text can show it: the bytes that cannot be decoded read as
            // U+FFFD here, only in the message.
            for (const QByteArray &argument : refused)
                guard->workspace()->show(FileError(QStringLiteral("not a valid file name: ") +
                                                   QString::fromLatin1(argument.toPercentEncoding("/"))),
                                         QFile::decodeName(argument));
            guard->openFiles(files);
        });
    }
}

void AppDelegate::languageChanged()
{
    QTimer::singleShot(0, this, [guard = QPointer<AppDelegate>(this)] {
        if (!guard)
            return;
        guard->loadQtTexts();
        guard->rebuildMenus();
        guard->workspace()->updateWindow();
        if (guard->m_settingsWindow && guard->m_localization)
            guard->m_settingsWindow->setWindowTitle(guard->m_localization->text(QStringLiteral("mac.settings")));
        guard->applyLocale();
    });
}

void AppDelegate::loadQtTexts()
{
    if (!m_localization)
        return;
    // Qt's own texts: the file and print dialogs, the standard buttons and the key names
    // in menus ("Strg+N"). English is loaded like any other language, so nothing of the
    // previous one stays; a language without a file leaves Qt's English.
    QCoreApplication::removeTranslator(&m_qtTranslator);
    if (m_qtTranslator.load(QLocale(rawValue(m_localization->language())), QStringLiteral("qtbase"),
                            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtTranslator);
}

void AppDelegate::applyLocale()
{
    if (!m_localization)
        return;
    const QLocale locale(rawValue(m_localization->language()));
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isWindow())
            window->setLocale(locale);
}

void AppDelegate::rebuildMenus()
{
    if (m_window) {
        if (!m_menu)
            m_menu = new MainMenu(this);
        m_menu->rebuild(m_window->menuBar());
    }
    Q_EMIT menusRebuilt();
}

void AppDelegate::settings()
{
    if (!m_settingsWindow) {
        m_settingsWindow = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint |
                                                                  Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        m_settingsWindow->setObjectName(QStringLiteral("settingsWindow"));
        auto *layout = new QVBoxLayout(m_settingsWindow.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new SettingsView(m_localization, m_settingsWindow.get()));
        m_settingsWindow->setMinimumSize(500, 312);
        m_settingsWindow->resize(540, 340);
        if (m_localization)
            m_settingsWindow->setLocale(QLocale(rawValue(m_localization->language())));
    }
    m_settingsWindow->setWindowTitle(m_localization ? m_localization->text(QStringLiteral("mac.settings"))
                                                    : QStringLiteral("mac.settings"));
    centre(*m_settingsWindow);
    bringToFront(*m_settingsWindow);
}

void AppDelegate::about()
{
    if (!m_localization)
        return;
    workspace()->alerts()->inform(m_localization->text(QStringLiteral("mac.about")),
                                  m_localization->text(QStringLiteral("mac.about_body")),
                                  m_localization->text(QStringLiteral("mac.close")));
}

void AppDelegate::help()
{
    if (!m_localization)
        return;
    workspace()->alerts()->inform(m_localization->text(QStringLiteral("mac.help")),
                                  m_localization->text(QStringLiteral("mac.help_body")),
                                  m_localization->text(QStringLiteral("mac.close")));
}

bool AppDelegate::windowShouldClose()
{
    m_closingMainWindow = confirmQuit();
    return m_closingMainWindow;
}

void AppDelegate::windowWillClose()
{
    if (m_settingsWindow)
        m_settingsWindow->close();
    QTimer::singleShot(0, this, [guard = QPointer<AppDelegate>(this)] {
        if (guard)
            guard->end();
    });
}

bool AppDelegate::applicationShouldTerminate()
{
    if (m_closingMainWindow)
        return true;
    return confirmQuit();
}

void AppDelegate::quit()
{
    if (!applicationShouldTerminate())
        return;
    if (m_settingsWindow)
        m_settingsWindow->close();
    end();
}

AppDelegate::QuitAnswer AppDelegate::currentDocuments()
{
    QuitAnswer answer;
    for (EditorStore *tab : workspace()->tabs()) {
        answer.tabs.append(tab);
        answer.documents.append(tab->document());
    }
    return answer;
}

bool AppDelegate::confirmQuit()
{
    // Ending the event loop closes the main window, and a desktop log-out ends it some time
    // after the question: neither asks again about documents the user has just answered for.
    if (m_quitAnswer) {
        const QuitAnswer now = currentDocuments();
        if (now.tabs == m_quitAnswer->tabs && now.documents == m_quitAnswer->documents)
            return true;
        forgetQuitAnswer();
    }
    if (!workspace()->confirmCloseAll())
        return false;
    keepQuitAnswer();
    return true;
}

void AppDelegate::keepQuitAnswer()
{
    m_quitAnswer = currentDocuments();
    // A log-out that another program cancels leaves this one running without telling it:
    // the answer then lasts until the user works in the program again. The filter is in
    // place only while an answer is kept, so the running program's events never pass it.
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installEventFilter(this);
}

void AppDelegate::forgetQuitAnswer()
{
    m_quitAnswer.reset();
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    // Only the user's own presses count; the close events of a log-out, and events the
    // program sends itself, leave the answer in place.
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::MouseButtonPress) && event->spontaneous())
        forgetQuitAnswer();
    return QObject::eventFilter(watched, event);
}

void AppDelegate::end()
{
    if (m_terminate)
        m_terminate();
    // The loop has ended, or something refused to close: a later quit asks again.
    forgetQuitAnswer();
}

void AppDelegate::openFiles(const QStringList &paths)
{
    workspace()->openFiles(paths);
}

void AppDelegate::commitDataRequest(QSessionManager &manager)
{
    if (!manager.allowsInteraction())
        return;
    const bool mayEnd = confirmQuit();
    manager.release();
    if (!mayEnd)
        manager.cancel();
}

} // namespace kestrivane
