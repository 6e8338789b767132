#pragma once

#include "app/common/ChoiceListView.h"

#include <QPointer>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace kestrivane {

class ActivitySpinner;
class CatalogCategoryDelegate;
class CatalogCategoryModel;
class CatalogIssue;
class CatalogItemDelegate;
class CatalogItemModel;
class Localization;
class TemplateCatalogStore;
class WorkspaceStore;

// The template catalog screen: a header, the status area, the category sidebar, the list or
// grid of templates and the detail panel of the selected one, and a footer. It keeps no
// state of its own: it shows the store's properties and calls one store operation per
// control. Showing the page starts a refresh; hiding it cancels the store's work.
class TemplateCatalogView final : public QWidget {
    Q_OBJECT

public:
    TemplateCatalogView(TemplateCatalogStore *store, WorkspaceStore *workspace, Localization *localization,
                        QWidget *parent = nullptr);

    // For tests and the benchmark.
    QPushButton *refreshButton() const { return m_refresh; }
    QPushButton *moreButton() const { return m_more; }
    QPushButton *openButton() const { return m_open; }
    QWidget *statusArea() const { return m_status; }
    QLabel *issueLabel() const { return m_issue; }
    QLabel *issueNames() const { return m_issueNames; }
    QLabel *storageLabel() const { return m_storage; }
    ChoiceListView *itemView() const { return m_items; }
    ChoiceListView *categoryView() const { return m_categories; }
    QToolButton *listModeButton() const { return m_listMode; }
    QToolButton *previewModeButton() const { return m_previewMode; }
    QLabel *cachedLabel() const { return m_cached; }
    QLabel *savedCopyLabel() const { return m_savedCopy; }
    QWidget *detailPreview() const { return m_preview; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *makeHeader();
    QWidget *makeSidebar();
    QWidget *makeBrowser();
    QWidget *makeDetail();

    void retranslate();
    void showState();
    void showMode();
    void showDetail();
    void showIssue(QLabel *text, QLabel *names, const CatalogIssue *issue);
    void layoutGrid();
    void requestVisibleThumbnails();
    void scheduleThumbnails();

    QPointer<TemplateCatalogStore> m_store;
    QPointer<WorkspaceStore> m_workspace;
    QPointer<Localization> m_l10n;

    QLabel *m_title;
    QLabel *m_subtitle;
    ActivitySpinner *m_spinner;
    QLabel *m_cached;
    QPushButton *m_refresh;

    QWidget *m_status;
    QWidget *m_statusDivider;
    QLabel *m_issue;
    QLabel *m_issueNames;
    QLabel *m_storage;

    QLabel *m_categoryHeading;
    ChoiceListView *m_categories;
    CatalogCategoryModel *m_categoryModel;
    CatalogCategoryDelegate *m_categoryDelegate;

    QLabel *m_templatesHeading;
    QToolButton *m_listMode;
    QToolButton *m_previewMode;
    QButtonGroup *m_modes;
    QStackedWidget *m_browserPages;
    ChoiceListView *m_items;
    CatalogItemModel *m_itemModel;
    CatalogItemDelegate *m_itemDelegate;
    QLabel *m_emptyText;
    QWidget *m_moreDivider;
    QPushButton *m_more;

    QStackedWidget *m_detailPages;
    QLabel *m_selectText;
    QLabel *m_name;
    QLabel *m_size;
    QWidget *m_preview;
    QLabel *m_description;
    QLabel *m_savedCopy;
    QLabel *m_detailIssue;
    QLabel *m_detailIssueNames;
    QPushButton *m_open;

    QLabel *m_footer;
    QSplitter *m_split;
    bool m_thumbnailsPending = false;
};

} // namespace kestrivane
