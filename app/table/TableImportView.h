#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QWidget;

namespace kestrivane {

class EditorStore;
class Localization;
class TableImportDraft;
class TablePreviewModel;
class WindowsArtwork;

// The table import sheet: choose a CSV, TSV, XLSX or XLSM file, its sheet and how it is
// read, preview the table and attach it to the document, replace the attached one or
// remove it, each as one undo step. Every way the sheet ends lowers the store's flag.
class TableImportView final : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize fixedSize{800, 620};
    // Data rows shown in the preview grid.
    static constexpr int previewRows = 20;

    // Without a draft the sheet makes its own, owned by the sheet.
    TableImportView(EditorStore *store, Localization *localization, QWidget *parent = nullptr,
                    TableImportDraft *draft = nullptr);
    ~TableImportView() override;

    TableImportDraft *draft() const { return m_draft; }

    QPushButton *chooseButton() const { return m_choose; }
    QComboBox *separatorPicker() const { return m_separator; }
    QComboBox *encodingPicker() const { return m_encoding; }
    QComboBox *sheetPicker() const { return m_sheet; }
    QCheckBox *headerToggle() const { return m_header; }
    QLabel *summaryLabel() const { return m_summary; }
    QLabel *issueLabel() const { return m_issue; }
    QLabel *emptyLabel() const { return m_empty; }
    QTableView *previewGrid() const { return m_grid; }
    QPushButton *removeButton() const { return m_remove; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *applyButton() const { return m_apply; }

    // Asks for a file and loads it; nothing on cancel.
    void choose();

    void done(int result) override;

private:
    void refresh();
    void applyTable();
    void removeTable();
    QString text(const QString &key) const;

    QPointer<EditorStore> m_store;
    QPointer<Localization> m_localization;
    TableImportDraft *m_draft = nullptr;
    TablePreviewModel *m_model = nullptr;

    WindowsArtwork *m_icon = nullptr;
    QLabel *m_title = nullptr;
    QPushButton *m_choose = nullptr;
    QLabel *m_importHint = nullptr;
    QLabel *m_source = nullptr;
    QWidget *m_textOptions = nullptr;
    QLabel *m_separatorLabel = nullptr;
    QComboBox *m_separator = nullptr;
    QLabel *m_encodingLabel = nullptr;
    QComboBox *m_encoding = nullptr;
    QWidget *m_sheetRow = nullptr;
    QLabel *m_sheetLabel = nullptr;
    QComboBox *m_sheet = nullptr;
    QCheckBox *m_header = nullptr;
    QLabel *m_warnings = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_issue = nullptr;
    QLabel *m_summary = nullptr;
    QTableView *m_grid = nullptr;
    QLabel *m_empty = nullptr;
    QLabel *m_replaceHint = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_apply = nullptr;
    bool m_ending = false;
};

} // namespace kestrivane
