#pragma once

// The panel in which the user picks a built-in sign or one of their own pictures and
// inserts it into the open document as an image element. It holds only its view state:
// signs, pictures, thumbnails and all slow work come from a GraphicLibraryModel, and the
// element is made by the editor store.

#include "core/library/GraphicSign.h"
#include "core/library/UserGraphic.h"
#include "core/library/UserGraphicLibrary.h"

#include <QDialog>
#include <QPointer>
#include <QUuid>

#include <memory>
#include <optional>
#include <variant>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTimer;

namespace kestrivane {

class EditorStore;
class GraphicLibraryModel;
class Localization;

namespace graphiclibrary {
class SignListModel;
class UploadedListModel;
class ItemDelegate;
class Grid;
} // namespace graphiclibrary

class GraphicLibraryView final : public QDialog {
    Q_OBJECT

public:
    // The library the editor window gives the panel: the default folder, 256 MiB, 512 pictures.
    static constexpr qint64 userLibraryBudget = 268'435'456;
    static constexpr int userLibraryLimit = 512;
    static UserGraphicLibrary defaultUserLibrary();

    // A panel over a new model of `userLibrary` and the program's signs, made for the
    // device pixel ratio of `parent`'s screen.
    GraphicLibraryView(EditorStore *store, Localization *l10n, const UserGraphicLibrary &userLibrary,
                       QWidget *parent = nullptr);
    // A panel over a ready model, which it takes over.
    GraphicLibraryView(EditorStore *store, Localization *l10n, std::unique_ptr<GraphicLibraryModel> model,
                       QWidget *parent = nullptr);
    ~GraphicLibraryView() override;

    // What the editor window presents while the store's `showsLibrary` is true: a new
    // window-modal panel over the default library, deleted when it closes. The caller opens it.
    static GraphicLibraryView *makeForEditor(EditorStore *store, Localization *l10n, QWidget *parent);

    GraphicLibraryModel &model() const { return *m_model; }

    // The signs of the sign tab after the category filter and the search, in manifest order.
    QList<GraphicSign> visibleSigns() const;
    // The number the bottom bar shows: the uploaded pictures on the uploaded tab, the
    // visible signs on the sign tab.
    int visibleCount() const;
    // Whether the selection is shown on the current tab and may be inserted.
    bool canInsert() const;

    // Inserts the selected sign (at once) or picture (after reading it in the background);
    // a success closes the panel, a failure shows its error line.
    void insert();
    // Lets the user choose an image file and imports it into the library.
    void upload();

    // True while an upload or the insert of a picture runs; the panel then refuses every
    // other action and cannot be dismissed.
    bool working() const { return m_working; }
    // The localisation key of the error line; empty when none is shown.
    QString errorKey() const { return m_errorKey.value_or(QString()); }

    void done(int result) override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class GraphicLibraryTab { signs, uploaded };
    // A sign's id or a picture's UUID.
    using GraphicLibrarySelection = std::variant<QString, QUuid>;

    void build();
    // The pages of the two tabs, added to m_pages in tab order.
    void buildSignTab();
    void buildUploadedTab();
    void retranslate();
    void refreshSigns();
    void refreshUploaded();
    void refreshControls();
    void changeTab(int index);
    void select(const GraphicLibrarySelection &selection);
    void setWorking(bool working);
    void setErrorKey(const std::optional<QString> &key);
    void finish(int result);
    QString localeCode() const;

    QPointer<EditorStore> m_store;
    QPointer<Localization> m_l10n;
    std::unique_ptr<GraphicLibraryModel> m_model;

    GraphicLibraryTab m_tab = GraphicLibraryTab::signs;
    QString m_category;
    QString m_query;
    std::optional<GraphicLibrarySelection> m_selected;
    std::optional<QString> m_errorKey;
    bool m_working = false;
    // Set once the panel has closed: results that arrive later are dropped.
    bool m_finished = false;

    QLabel *m_title = nullptr;
    QTabBar *m_tabs = nullptr;
    QStackedWidget *m_pages = nullptr;
    QLineEdit *m_search = nullptr;
    QLabel *m_categoryLabel = nullptr;
    QComboBox *m_categories = nullptr;
    graphiclibrary::Grid *m_signGrid = nullptr;
    QPushButton *m_upload = nullptr;
    QStackedWidget *m_uploadedContent = nullptr;
    graphiclibrary::Grid *m_uploadedGrid = nullptr;
    QLabel *m_uploadedEmpty = nullptr;
    QLabel *m_errorLine = nullptr;
    QLabel *m_failedLine = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_insert = nullptr;
    QTimer *m_spinnerTimer = nullptr;

    graphiclibrary::ItemDelegate *m_delegate = nullptr;
    graphiclibrary::SignListModel *m_signItems = nullptr;
    graphiclibrary::UploadedListModel *m_uploadedItems = nullptr;
};

} // namespace kestrivane
