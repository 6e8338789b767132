#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QWidget;

namespace kestrivane {

class BatchDraft;
class BatchPreviewView;
class EditorStore;
class Localization;

// The batch sheet before printing or a PDF export: which rows, how many copies, whether
// counters advance per copy, how many labels and sheets result, a preview of each sheet,
// and the button that stores the options and hands the prepared job over. Every way the
// sheet ends lowers the store's flag.
class BatchView final : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize fixedSize{760, 640};

    // The draft is made from the store's document as it is now.
    BatchView(EditorStore *store, Localization *localization, QWidget *parent = nullptr);
    ~BatchView() override;

    BatchDraft *draft() const { return m_draft; }

    QLabel *tableSummary() const { return m_tableSummary; }
    QLineEdit *rowsField() const { return m_rows; }
    QComboBox *copiesColumnPicker() const { return m_copiesColumn; }
    QLineEdit *copiesField() const { return m_copies; }
    QLabel *copiesLabel() const { return m_copiesLabel; }
    QLabel *zeroHint() const { return m_zeroHint; }
    QCheckBox *advanceToggle() const { return m_advance; }
    QLabel *errorLabel() const { return m_error; }
    QLabel *jobSummary() const { return m_jobSummary; }
    BatchPreviewView *preview() const { return m_preview; }
    QSpinBox *pageStepper() const { return m_page; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *primaryButton() const { return m_primary; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();
    void confirm();
    void copiesEdited(const QString &text);
    QString text(const QString &key) const;

    QPointer<EditorStore> m_store;
    QPointer<Localization> m_localization;
    BatchDraft *m_draft = nullptr;
    bool m_appeared = false;

    QLabel *m_title = nullptr;
    QLabel *m_tableSummary = nullptr;
    QWidget *m_rowsRow = nullptr;
    QLabel *m_rowsLabel = nullptr;
    QLineEdit *m_rows = nullptr;
    QLabel *m_rowsHint = nullptr;
    QWidget *m_columnRow = nullptr;
    QLabel *m_columnLabel = nullptr;
    QComboBox *m_copiesColumn = nullptr;
    QWidget *m_copiesRow = nullptr;
    QLabel *m_copiesLabel = nullptr;
    QLineEdit *m_copies = nullptr;
    QLabel *m_zeroHint = nullptr;
    QCheckBox *m_advance = nullptr;
    QWidget *m_progressRow = nullptr;
    QLabel *m_progressLabel = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_error = nullptr;
    QLabel *m_jobSummary = nullptr;
    BatchPreviewView *m_preview = nullptr;
    QWidget *m_pageRow = nullptr;
    QLabel *m_pageLabel = nullptr;
    QSpinBox *m_page = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_primary = nullptr;
};

} // namespace kestrivane
