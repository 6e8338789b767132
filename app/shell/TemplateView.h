#pragma once

#include "core/model/LabelDocument.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace kestrivane {

class Localization;
class SheetPreview;
class TemplateDraft;

// The document-parameters sheet: edits a draft's label size, shape, medium and sheet grid
// with a live preview of the sheet. Any text may be typed; a draft that does not read or
// lies outside the limits shows as invalid and cannot be applied, without an alert.
//
// The sheet never closes itself: `cancel` (the cancel button, Escape, the window's close
// button) and a successful `commit` end the draft, and its owner then closes the sheet.
class TemplateView final : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize fixedSize{890, 650};

    // `commit` may throw; its error is dropped and the sheet stays open.
    TemplateView(TemplateDraft *draft, Localization *localization, std::function<void()> cancel,
                 std::function<void()> commit, QWidget *parent = nullptr);

    TemplateDraft *draft() const { return m_draft; }
    // True once apply was pressed in this sheet.
    bool attempted() const { return m_attempted; }

    QLineEdit *nameField() const { return m_fields.first().edit; }
    QPushButton *applyButton() const { return m_apply; }
    QPushButton *cancelButton() const { return m_cancel; }
    SheetPreview *preview() const { return m_preview; }

    // Closes the sheet without calling `cancel`: the draft has already ended.
    void dismiss();

    // Shows the draft and the texts again.
    void refresh();

public Q_SLOTS:
    void reject() override;

private:
    struct Field {
        QString key;
        QLabel *title = nullptr;
        QLineEdit *edit = nullptr;
        QLabel *unit = nullptr;
        const QString &(TemplateDraft::*read)() const = nullptr;
        void (TemplateDraft::*write)(const QString &) = nullptr;
    };

    void apply();
    QWidget *field(const QString &key, const QString &(TemplateDraft::*read)() const,
                   void (TemplateDraft::*write)(const QString &), bool unit);
    QWidget *fieldRow(QWidget *first, QWidget *second);

    QPointer<TemplateDraft> m_draft;
    QPointer<Localization> m_localization;
    std::function<void()> m_cancelAction;
    std::function<void()> m_commitAction;
    bool m_attempted = false;
    bool m_dismissed = false;

    QList<Field> m_fields;
    QList<std::pair<QLabel *, QString>> m_texts;
    QLabel *m_subtitle = nullptr;
    QLabel *m_shapeTitle = nullptr;
    QComboBox *m_shape = nullptr;
    QWidget *m_radiusField = nullptr;
    QLabel *m_mediumTitle = nullptr;
    QComboBox *m_medium = nullptr;
    QStackedWidget *m_previewArea = nullptr;
    SheetPreview *m_preview = nullptr;
    QLabel *m_sheetWidth = nullptr;
    QLabel *m_sheetHeight = nullptr;
    QLabel *m_sheetUnit = nullptr;
    QLabel *m_invalidPreview = nullptr;
    QLabel *m_footerError = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_apply = nullptr;
};

// A length of the sheet-size line: at most two fraction digits, no trailing zeros, with the
// grouping and decimal separator of `locale`.
QString sheetLengthText(double millimetres, const QLocale &locale);

} // namespace kestrivane
