#pragma once

#include "core/model/LabelDocument.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QStringList>
#include <QTranslator>

#include <functional>
#include <memory>
#include <optional>

class QEvent;
class QSessionManager;
class QWidget;

namespace kestrivane {

class ApplicationView;
class EditorStore;
class Localization;
class MainMenu;
class MainWindow;
class WorkspaceStore;

// The application controller: owns the workspace of open documents and the two windows
// (the main window and the settings window, made on first use), decides whether the main
// window may close and the program may quit, and follows the interface language.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    // `localization` and `settings` must outlive the delegate.
    AppDelegate(Localization *localization, QSettings *settings, QObject *parent = nullptr);
    ~AppDelegate() override;

    Localization *localization() const { return m_localization; }
    // Made on first use and kept for the life of the delegate.
    WorkspaceStore *workspace();
    MainWindow *window() const { return m_window.get(); }
    QWidget *settingsWindow() const { return m_settingsWindow.get(); }
    // The answer of the last close request of the main window; when true, quitting does
    // not ask again.
    bool closingMainWindow() const { return m_closingMainWindow; }

    // Ends the program; tests install their own so that they never end the test program.
    // The program's own ends the event loop, which first closes the main window.
    void setTerminate(std::function<void()> terminate) { m_terminate = std::move(terminate); }

    // Builds and shows the main window, then opens `files` (absolute paths) on the next
    // turn of the event loop, in the given order. Before them, each of `refused` (arguments
    // that name no file the program can address) gets the alert of an unreadable file.
    void launch(const QStringList &files = {}, const QList<QByteArray> &refused = {});

    // Shows the one settings window, in front and centred.
    void settings();
    void about();
    void help();
    // The menu's Quit: asks for the unsaved documents, then ends the program.
    void quit();

    // Whether the main window may close: the save prompt for every changed document.
    bool windowShouldClose();
    // The main window closed: the settings window closes, the program ends on the next turn.
    void windowWillClose();
    // Whether the program may end now.
    bool applicationShouldTerminate();
    // Files handed over by the desktop.
    void openFiles(const QStringList &paths);
    // Logout: the save prompt when the session allows it, else nothing is decided here.
    void commitDataRequest(QSessionManager &manager);

    // Rebuilds the main menu in the current language.
    void rebuildMenus();
    // The main menu of the main window, made by the first rebuild.
    MainMenu *menu() const { return m_menu; }

Q_SIGNALS:
    // After every rebuild of the main menu.
    void menusRebuilt();

protected:
    // Watches the program's input while a quit answer is kept.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The documents as they were when the user agreed to quit: the tabs and each one's
    // document. The answer holds while nothing of it has changed and the user has not
    // pressed a key or a mouse button since.
    struct QuitAnswer {
        QList<QPointer<EditorStore>> tabs;
        QList<LabelDocument> documents;
    };

    void languageChanged();
    void loadQtTexts();
    void applyLocale();
    // The save prompt for every changed document, unless the user has already agreed to
    // quit with the documents as they are now.
    bool confirmQuit();
    QuitAnswer currentDocuments();
    void keepQuitAnswer();
    void forgetQuitAnswer();
    void end();

    QPointer<Localization> m_localization;
    QSettings *m_settings;
    WorkspaceStore *m_workspace = nullptr;
    MainMenu *m_menu = nullptr;
    bool m_closingMainWindow = false;
    std::optional<QuitAnswer> m_quitAnswer;
    // Qt's own texts (standard dialogs, key names) in the interface language.
    QTranslator m_qtTranslator;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QWidget> m_settingsWindow;
    std::function<void()> m_terminate;
};

} // namespace kestrivane
