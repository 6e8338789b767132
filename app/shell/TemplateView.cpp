#include "app/shell/TemplateView.h"

#include "app/artwork/WindowsArtwork.h"
#include "app/common/ShellStyle.h"
#include "app/shell/SheetPreview.h"
#include "app/shell/TemplateDraft.h"
#include "app/window/EditorWindowText.h"
#include "core/l10n/AppLanguage.h"
#include "core/l10n/Localization.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <exception>

namespace kestrivane {

using shellstyle::FontStyle;

QString sheetLengthText(double millimetres, const QLocale &locale)
{
    return editorwindow::decimalText(millimetres, 2, locale);
}

TemplateView::TemplateView(TemplateDraft *draft, Localization *localization, std::function<void()> cancel,
                           std::function<void()> commit, QWidget *parent)
    : QDialog(parent), m_draft(draft), m_localization(localization), m_cancelAction(std::move(cancel)),
      m_commitAction(std::move(commit))
{
    setFixedSize(fixedSize);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    const auto keep = [this](QLabel *label, const QString &key) {
        m_texts.append({label, key});
        return label;
    };

    // Header.
    auto *header = new QHBoxLayout;
    header->setContentsMargins(22, 14, 22, 14);
    header->setSpacing(12);
    header->addWidget(new WindowsArtwork(QStringLiteral("setup"), 26, this));
    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto *title = shellstyle::label(FontStyle::title2, false, this);
    title->setFont(shellstyle::font(FontStyle::title2, true));
    titles->addWidget(keep(title, QStringLiteral("mac.template_parameters")));
    m_subtitle = shellstyle::label(FontStyle::body, true, this);
    titles->addWidget(m_subtitle);
    header->addLayout(titles);
    header->addStretch();
    root->addLayout(header);
    root->addWidget(shellstyle::horizontalDivider(this));

    // The form.
    auto *content = new QHBoxLayout;
    content->setContentsMargins(22, 16, 22, 16);
    content->setSpacing(24);
    auto *scroll = new QScrollArea(this);
    // Tab goes from field to field of the form, never to the area around them.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setFixedWidth(410);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *form = new QWidget;
    form->setBackgroundRole(QPalette::Window);
    auto *column = new QVBoxLayout(form);
    column->setContentsMargins(0, 0, 14, 0);
    column->setSpacing(12);
    column->addWidget(keep(shellstyle::label(FontStyle::headline, false, form), QStringLiteral("mac.label")));
    column->addWidget(field(QStringLiteral("mac.name"), &TemplateDraft::name, &TemplateDraft::setName, false));
    column->addWidget(
        fieldRow(field(QStringLiteral("mac.width"), &TemplateDraft::width, &TemplateDraft::setWidth, true),
                 field(QStringLiteral("mac.height"), &TemplateDraft::height, &TemplateDraft::setHeight, true)));

    const auto picker = [&](QLabel *&titleLabel, QComboBox *&box, const QString &key) {
        auto *holder = new QWidget(form);
        auto *lines = new QVBoxLayout(holder);
        lines->setContentsMargins(0, 0, 0, 0);
        lines->setSpacing(4);
        titleLabel = keep(shellstyle::label(FontStyle::body, true, holder), key);
        box = new QComboBox(holder);
        lines->addWidget(titleLabel);
        lines->addWidget(box);
        return holder;
    };
    column->addWidget(picker(m_shapeTitle, m_shape, QStringLiteral("mac.shape")));
    for (LabelShape shape : allLabelShapes)
        m_shape->addItem(QString(), QVariant::fromValue(static_cast<int>(shape)));
    connect(m_shape, &QComboBox::activated, this, [this](int index) {
        if (m_draft && index >= 0)
            m_draft->setShape(allLabelShapes[static_cast<size_t>(index)]);
    });
    m_radiusField = field(QStringLiteral("mac.corner_radius"), &TemplateDraft::radius, &TemplateDraft::setRadius, true);
    column->addWidget(m_radiusField);
    column->addWidget(picker(m_mediumTitle, m_medium, QStringLiteral("mac.medium")));
    for (LabelMedium medium : allLabelMedia)
        m_medium->addItem(QString(), QVariant::fromValue(static_cast<int>(medium)));
    connect(m_medium, &QComboBox::activated, this, [this](int index) {
        if (m_draft && index >= 0)
            m_draft->setMedium(allLabelMedia[static_cast<size_t>(index)]);
    });
    column->addWidget(shellstyle::horizontalDivider(form));
    column->addWidget(keep(shellstyle::label(FontStyle::headline, false, form), QStringLiteral("mac.sheet_layout")));
    column->addWidget(
        fieldRow(field(QStringLiteral("mac.columns"), &TemplateDraft::columns, &TemplateDraft::setColumns, false),
                 field(QStringLiteral("mac.rows"), &TemplateDraft::rows, &TemplateDraft::setRows, false)));
    column->addWidget(
        fieldRow(field(QStringLiteral("mac.left_margin"), &TemplateDraft::left, &TemplateDraft::setLeft, true),
                 field(QStringLiteral("mac.top_margin"), &TemplateDraft::top, &TemplateDraft::setTop, true)));
    column->addWidget(fieldRow(
        field(QStringLiteral("mac.column_gap"), &TemplateDraft::horizontalGap, &TemplateDraft::setHorizontalGap, true),
        field(QStringLiteral("mac.row_gap"), &TemplateDraft::verticalGap, &TemplateDraft::setVerticalGap, true)));
    auto *limits = keep(shellstyle::label(FontStyle::caption, true, form), QStringLiteral("mac.layout_limits"));
    limits->setWordWrap(true);
    column->addWidget(limits);
    column->addStretch();
    scroll->setWidget(form);
    content->addWidget(scroll);

    // The preview.
    auto *previewColumn = new QVBoxLayout;
    previewColumn->setSpacing(12);
    previewColumn->addWidget(keep(shellstyle::label(FontStyle::headline, false, this), QStringLiteral("mac.preview")));
    m_previewArea = new QStackedWidget(this);
    auto *valid = new QWidget(m_previewArea);
    auto *validLines = new QVBoxLayout(valid);
    validLines->setContentsMargins(0, 0, 0, 0);
    validLines->setSpacing(8);
    auto *backdrop = new QFrame(valid);
    backdrop->setObjectName(QStringLiteral("previewBackdrop"));
    backdrop->setStyleSheet(
        QStringLiteral("#previewBackdrop { background: rgba(142, 142, 147, 28); border-radius: 10px; }"));
    backdrop->setFixedHeight(260);
    auto *backdropLayout = new QVBoxLayout(backdrop);
    backdropLayout->setContentsMargins(0, 0, 0, 0);
    m_preview = new SheetPreview(backdrop);
    backdropLayout->addWidget(m_preview);
    validLines->addWidget(backdrop);
    auto *sizeLine = new QHBoxLayout;
    sizeLine->setSpacing(4);
    sizeLine->addWidget(keep(shellstyle::label(FontStyle::caption, true, valid), QStringLiteral("mac.sheet_size")));
    sizeLine->addStretch();
    m_sheetWidth = shellstyle::label(FontStyle::caption, false, valid);
    auto *times = shellstyle::label(FontStyle::caption, false, valid);
    times->setText(QStringLiteral("×"));
    m_sheetHeight = shellstyle::label(FontStyle::caption, false, valid);
    m_sheetUnit = keep(shellstyle::label(FontStyle::caption, false, valid), QStringLiteral("mac.unit_mm"));
    for (QLabel *part : {m_sheetWidth, times, m_sheetHeight, m_sheetUnit})
        sizeLine->addWidget(part);
    validLines->addLayout(sizeLine);
    validLines->addStretch();
    m_invalidPreview =
        keep(shellstyle::label(FontStyle::body, false, m_previewArea), QStringLiteral("mac.invalid_parameters"));
    shellstyle::setTextColor(m_invalidPreview, shellstyle::orange);
    m_invalidPreview->setAlignment(Qt::AlignCenter);
    m_invalidPreview->setWordWrap(true);
    m_invalidPreview->setMinimumHeight(260);
    m_previewArea->addWidget(valid);
    m_previewArea->addWidget(m_invalidPreview);
    previewColumn->addWidget(m_previewArea);
    previewColumn->addWidget(shellstyle::horizontalDivider(this));
    auto *printRow = new QHBoxLayout;
    printRow->setSpacing(8);
    printRow->addWidget(new WindowsArtwork(QStringLiteral("print"), 20, this));
    printRow->addWidget(keep(shellstyle::label(FontStyle::headline, false, this), QStringLiteral("mac.system_print")));
    printRow->addStretch();
    previewColumn->addLayout(printRow);
    auto *printHint = keep(shellstyle::label(FontStyle::body, true, this), QStringLiteral("mac.print_settings_hint"));
    printHint->setWordWrap(true);
    previewColumn->addWidget(printHint);
    previewColumn->addStretch(1);
    content->addLayout(previewColumn, 1);
    root->addLayout(content, 1);
    root->addWidget(shellstyle::horizontalDivider(this));

    // Footer.
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(22, 12, 22, 12);
    footer->setSpacing(10);
    m_footerError = keep(shellstyle::label(FontStyle::caption, false, this), QStringLiteral("mac.invalid_parameters"));
    shellstyle::setTextColor(m_footerError, shellstyle::orange);
    footer->addWidget(m_footerError);
    footer->addStretch();
    m_cancel = new QPushButton(this);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &TemplateView::reject);
    m_apply = new QPushButton(this);
    m_apply->setDefault(true);
    connect(m_apply, &QPushButton::clicked, this, &TemplateView::apply);
    footer->addWidget(m_cancel);
    footer->addWidget(m_apply);
    root->addLayout(footer);

    if (m_draft)
        connect(m_draft, &TemplateDraft::changed, this, &TemplateView::refresh);
    if (m_localization)
        connect(m_localization, &Localization::languageChanged, this, &TemplateView::refresh);
    refresh();
    // The sheet opens on the name, selected, so that what is typed at once replaces it.
    nameField()->setFocus();
    nameField()->selectAll();
}

QWidget *TemplateView::field(const QString &key, const QString &(TemplateDraft::*read)() const,
                             void (TemplateDraft::*write)(const QString &), bool unit)
{
    auto *holder = new QWidget;
    auto *lines = new QVBoxLayout(holder);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(4);
    Field entry{key, shellstyle::label(FontStyle::body, true, holder), new QLineEdit(holder), nullptr, read, write};
    lines->addWidget(entry.title);
    auto *row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(entry.edit, 1);
    if (unit) {
        entry.unit = shellstyle::label(FontStyle::body, true, holder);
        row->addWidget(entry.unit);
    }
    lines->addLayout(row);
    // Only what the user types is written: the draft keeps every text, readable or not.
    connect(entry.edit, &QLineEdit::textEdited, this, [this, write](const QString &text) {
        if (m_draft)
            (m_draft->*write)(text);
    });
    m_fields.append(entry);
    return holder;
}

QWidget *TemplateView::fieldRow(QWidget *first, QWidget *second)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->setAlignment(Qt::AlignTop);
    layout->addWidget(first, 1);
    layout->addWidget(second, 1);
    return row;
}

void TemplateView::refresh()
{
    if (!m_draft || !m_localization)
        return;
    const Localization &l10n = *m_localization;
    const QLocale locale(rawValue(l10n.language()));
    setLocale(locale);
    for (const auto &[label, key] : std::as_const(m_texts))
        label->setText(l10n.text(key));
    const bool isNew = !m_draft->tabID().has_value();
    m_subtitle->setText(
        l10n.text(isNew ? QStringLiteral("mac.before_creation") : QStringLiteral("mac.edit_parameters_hint")));
    m_cancel->setText(l10n.text(QStringLiteral("btn_canc")));
    m_apply->setText(l10n.text(isNew ? QStringLiteral("tmenu_create_tooltip") : QStringLiteral("mac.apply")));
    setWindowTitle(l10n.text(QStringLiteral("mac.template_parameters")));

    for (const Field &entry : std::as_const(m_fields)) {
        const QString name = l10n.text(entry.key);
        entry.title->setText(name);
        entry.edit->setAccessibleName(name);
        if (entry.unit)
            entry.unit->setText(l10n.text(QStringLiteral("mac.unit_mm")));
        // Writing the same text back would move the cursor of the field being typed in.
        const QString &text = (m_draft->*entry.read)();
        if (entry.edit->text() != text) {
            const QSignalBlocker blocker(entry.edit);
            entry.edit->setText(text);
        }
    }
    {
        const QSignalBlocker shapeBlocker(m_shape);
        for (int i = 0; i < m_shape->count(); ++i)
            m_shape->setItemText(i, l10n.text(titleKey(allLabelShapes[static_cast<size_t>(i)])));
        m_shape->setCurrentIndex(m_draft->shape() == LabelShape::ellipse ? 1 : 0);
        const QSignalBlocker mediumBlocker(m_medium);
        for (int i = 0; i < m_medium->count(); ++i)
            m_medium->setItemText(i, l10n.text(titleKey(allLabelMedia[static_cast<size_t>(i)])));
        m_medium->setCurrentIndex(m_draft->medium() == LabelMedium::thermalTransfer ? 1 : 0);
    }
    m_radiusField->setVisible(m_draft->shape() != LabelShape::ellipse);

    // One reading of the draft decides everything the sheet shows.
    std::optional<LabelDocument> document;
    try {
        document = m_draft->document();
    } catch (const std::exception &) {
    }
    if (document) {
        m_preview->setDocument(*document);
        m_sheetWidth->setText(sheetLengthText(document->layout.width(document->widthMm), locale));
        m_sheetHeight->setText(sheetLengthText(document->layout.height(document->heightMm), locale));
        m_previewArea->setCurrentIndex(0);
    } else {
        m_previewArea->setCurrentIndex(1);
    }
    m_footerError->setVisible(m_attempted && !document);
    m_apply->setEnabled(document.has_value());
}

void TemplateView::apply()
{
    m_attempted = true;
    try {
        if (m_commitAction)
            m_commitAction();
    } catch (...) {
        // The parameters show as invalid in the sheet itself; there is nothing more to say.
    }
    refresh();
}

void TemplateView::reject()
{
    if (!m_dismissed) {
        m_dismissed = true;
        if (m_cancelAction)
            m_cancelAction();
    }
    QDialog::reject();
}

void TemplateView::dismiss()
{
    m_dismissed = true;
    done(QDialog::Accepted);
}

} // namespace kestrivane
