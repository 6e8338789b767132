#pragma once

#include "app/shell/TemplateView.h"

#include <QList>
#include <QPointer>
#include <QToolButton>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QStackedWidget;

namespace kestrivane {

class ContentView;
class HomeView;
class Localization;
class TabStrip;
class WorkspaceStore;

// The Home button of the top bar, with an accent background while the home screen shows.
class HomeButton final : public QToolButton {
    Q_OBJECT

public:
    explicit HomeButton(QWidget *parent = nullptr);

    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_highlighted = false;
};

// The content of the main window: a top bar (Home, the tabs, a menu of all tabs, the
// language menu with the settings entry), a divider, and the screen of the current route —
// the home screen, the active tab's editor or the template catalog. It presents the
// document-parameters sheet while the workspace holds a draft, and gives the window the
// locale of the interface language.
//
// It keeps no state of the workspace: every change of the workspace or of the language is
// shown again, in place, without making widgets anew unless tabs came or went.
class WorkspaceView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int topBarHeight = 52;

    WorkspaceView(WorkspaceStore *workspace, Localization *localization, std::function<void()> showSettings,
                  QWidget *parent = nullptr);

    HomeButton *homeButton() const { return m_home; }
    TabStrip *tabStrip() const { return m_strip; }
    QToolButton *allTabsButton() const { return m_allTabs; }
    QToolButton *languageButton() const { return m_language; }
    HomeView *homeView() const { return m_homeView; }
    // The catalog screen once made, else the placeholder that stands for it.
    QWidget *catalogPage() const { return m_catalog; }
    // Makes the catalog screen the first time the catalog route is shown; registered by the
    // catalog screens at start-up. Null (or a null result) keeps the placeholder.
    using CatalogPageFactory = std::function<QWidget *(WorkspaceStore &, Localization *, QWidget *parent)>;
    static void setCatalogPageFactory(CatalogPageFactory factory);
    // The active tab's editor page; null on the other screens.
    ContentView *editorPage() const { return m_editor; }
    QWidget *currentPage() const;
    // The parameters sheet on screen, if any.
    TemplateView *sheet() const { return m_sheet; }

    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showRoute();
    void refreshMenus();
    void activeIDChanged();
    void presentDraft();

    QPointer<WorkspaceStore> m_workspace;
    QPointer<Localization> m_localization;
    std::function<void()> m_showSettings;

    HomeButton *m_home;
    TabStrip *m_strip;
    QToolButton *m_allTabs;
    QMenu *m_allTabsMenu;
    QList<std::pair<QUuid, QAction *>> m_tabActions;
    QToolButton *m_language;
    QMenu *m_languageMenu;
    QActionGroup *m_languageGroup;
    QList<QAction *> m_languageActions;
    QAction *m_settingsAction;

    QStackedWidget *m_pages;
    HomeView *m_homeView;
    QWidget *m_catalog;
    bool m_catalogMade = false;
    QLabel *m_catalogTitle;
    ContentView *m_editor = nullptr;
    std::optional<QUuid> m_editorID;

    std::optional<QUuid> m_seenActiveID;
    QPointer<TemplateView> m_sheet;
    QUuid m_sheetDraftID;
    bool m_presentPending = false;
};

} // namespace kestrivane
