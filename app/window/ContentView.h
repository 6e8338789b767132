#pragma once

#include "app/editor/EditorStore.h"
#include "app/window/ElidedLabel.h"
#include "core/model/ElementKind.h"

#include <QList>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QScrollArea;
class QSplitter;
class QToolButton;

namespace kestrivane {

class CanvasWorkspaceView;
class EditorComponentButton;
class EditorStore;
class LabelSummaryCard;
class Localization;

// The sheets the editor window presents, each while its store flag is raised.
enum class EditorSheet { library, data, batch };

// The editor of one open document: the toolbar, the component sidebar with the label
// card, the canvas with its grid and zoom bar, the inspector pane and the status bar. It
// keeps nothing of the document: every control reads the store and writes back to it, or
// calls one of the three actions of the workspace. The sheets of the editor (graphic
// library, table import, batch) are shown while their store flags are raised.
class ContentView final : public QWidget {
    Q_OBJECT

public:
    // Makes the dialog of a sheet for a store; the window presents it window-modal and
    // lowers the flag when it closes. Installed once by the module that owns the sheet.
    using SheetFactory = std::function<QDialog *(EditorStore *store, Localization *localization, QWidget *parent)>;
    static void installSheet(EditorSheet sheet, SheetFactory factory);
    static bool hasSheet(EditorSheet sheet);

    static constexpr int toolbarHeight = 48;
    static constexpr int statusBarHeight = 28;
    // The sidebar's limits. A language whose words need more room raises the sidebar's
    // minimum width within them; it starts at the larger of sidebarWidth and that minimum.
    static constexpr int sidebarMinimumWidth = 200;
    static constexpr int sidebarWidth = 220;
    static constexpr int sidebarMaximumWidth = 260;
    static constexpr int canvasMinimumWidth = 400;
    static constexpr int inspectorMinimumWidth = 270;
    static constexpr int inspectorWidth = 300;
    static constexpr int inspectorMaximumWidth = 380;

    ContentView(EditorStore *store, Localization *localization, std::function<void()> newDocument,
                std::function<void()> openDocument, std::function<void()> editParameters, QWidget *parent = nullptr);
    ~ContentView() override;

    EditorStore *store() const { return m_store; }
    CanvasWorkspaceView *canvasWorkspace() const { return m_canvas; }
    // The measured size of the canvas area; empty until first measured.
    QSize viewportSize() const { return m_viewportSize; }

    // Toolbar.
    QToolButton *newButton() const { return m_new; }
    QToolButton *openButton() const { return m_open; }
    QToolButton *saveButton() const { return m_save; }
    QToolButton *undoButton() const { return m_undo; }
    QToolButton *redoButton() const { return m_redo; }
    QToolButton *parametersButton() const { return m_parameters; }
    QToolButton *exportButton() const { return m_export; }
    QToolButton *printButton() const { return m_print; }

    // The three panes and what they hold.
    QSplitter *splitter() const { return m_splitter; }
    QWidget *sidebar() const { return m_sidebar; }
    QWidget *inspectorPane() const { return m_inspector; }
    const QList<EditorComponentButton *> &componentButtons() const { return m_components; }
    LabelSummaryCard *labelCard() const { return m_card; }
    QLabel *addHint() const { return m_hint; }

    // Canvas bar.
    QCheckBox *gridToggle() const { return m_grid; }
    QComboBox *gridStepPicker() const { return m_gridStep; }
    QToolButton *fitButton() const { return m_fit; }
    QToolButton *zoomOutButton() const { return m_zoomOut; }
    QLabel *zoomLabel() const { return m_zoomLabel; }
    QToolButton *zoomInButton() const { return m_zoomIn; }

    // Status bar.
    QLabel *countLabel() const { return m_count; }
    ElidedLabel *statusLabel() const { return m_status; }

    // The dialog of a sheet on screen, if any.
    QDialog *sheet(EditorSheet sheet) const;

    QString gridStepText(double stepMm) const;
    void zoomIn();
    void zoomOut();
    void zoomToFit();

    // Reads the store again: enabled states, the canvas bar, the status bar, the card.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QToolButton *action(const QString &key, const QString &icon, std::function<void()> perform);
    QToolButton *iconButton(const QIcon &icon, int side, std::function<void()> perform);
    QWidget *makeToolbar();
    QWidget *makeSidebar();
    QWidget *makeCanvasPane();
    QWidget *makeStatusBar();
    void languageChanged();
    // Measures the widest words of the sidebar's texts in the current language (with a
    // localization, once the sidebar is built).
    void measureSidebarWords();
    // Makes the sidebar's minimum width the narrowest in which no word of its texts has to
    // be broken, within its limits; as the scroll bar comes and goes, only it is added.
    void fitSidebar();
    // Sets the text styles the editor derives from the application font.
    void applyFonts();
    // After a change of the application font: the styles again, then the sidebar's words
    // measured again and the sidebar fitted to them.
    void followFont();
    void followPalette();
    void placeHint();
    void showSheetFlag(EditorSheet sheet);
    void present(EditorSheet sheet);
    bool flag(EditorSheet sheet) const;
    void lowerFlag(EditorSheet sheet);

    QPointer<EditorStore> m_store;
    QPointer<Localization> m_localization;
    std::function<void()> m_newDocument;
    std::function<void()> m_openDocument;
    std::function<void()> m_editParameters;
    QSize m_viewportSize;

    QToolButton *m_new = nullptr;
    QToolButton *m_open = nullptr;
    QToolButton *m_save = nullptr;
    QToolButton *m_undo = nullptr;
    QToolButton *m_redo = nullptr;
    QToolButton *m_parameters = nullptr;
    QToolButton *m_export = nullptr;
    QToolButton *m_print = nullptr;
    // Buttons whose text (and tooltip) is the text of a key, and icon buttons whose
    // tooltip or accessible name is.
    QList<std::pair<QToolButton *, QString>> m_textButtons;

    QSplitter *m_splitter = nullptr;
    QWidget *m_sidebar = nullptr;
    QScrollArea *m_sidebarScroll = nullptr;
    // Whether the user has moved the sidebar's divider; until then it keeps the language's
    // starting width.
    bool m_sidebarMoved = false;
    // The room the widest words need: in the scrolling rows (without the scroll bar) and
    // in the label card.
    struct {
        double rows = 0;
        double card = 0;
    } m_sidebarWords;
    QLabel *m_componentsTitle = nullptr;
    QLabel *m_componentsHint = nullptr;
    QList<EditorComponentButton *> m_components;
    QLabel *m_cardTitle = nullptr;
    LabelSummaryCard *m_card = nullptr;
    QWidget *m_canvasArea = nullptr;
    CanvasWorkspaceView *m_canvas = nullptr;
    QLabel *m_hint = nullptr;
    QWidget *m_inspector = nullptr;

    QCheckBox *m_grid = nullptr;
    QComboBox *m_gridStep = nullptr;
    QToolButton *m_fit = nullptr;
    QToolButton *m_zoomOut = nullptr;
    QLabel *m_zoomLabel = nullptr;
    QToolButton *m_zoomIn = nullptr;

    QWidget *m_statusBar = nullptr;
    QLabel *m_count = nullptr;
    ElidedLabel *m_status = nullptr;

    std::array<QPointer<QDialog>, 3> m_sheets;
    std::array<bool, 3> m_presentPending{};
};

} // namespace kestrivane
