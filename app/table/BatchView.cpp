#include "app/table/BatchView.h"

#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/table/BatchDraft.h"
#include "app/table/BatchPreviewView.h"
#include "app/table/TableStyle.h"
#include "core/l10n/Localization.h"
#include "core/table/ImportedSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrivane {

using shellstyle::FontStyle;
using tablestyle::wrappingLabel;

namespace {

constexpr int previewHeight = 210;
constexpr double previewRadius = 10;
constexpr int copiesWidth = 100;

// A row of widgets without margins.
QWidget *row(QWidget *parent, std::initializer_list<QWidget *> widgets, bool stretch = true)
{
    auto *holder = new QWidget(parent);
    auto *layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *widget : widgets) {
        widget->setParent(holder);
        layout->addWidget(widget);
    }
    if (stretch)
        layout->addStretch(1);
    return holder;
}

bool hasCounter(const LabelDocument &document)
{
    return std::any_of(document.elements.begin(), document.elements.end(),
                       [](const LabelElement &element) { return element.kind == ElementKind::counter; });
}

} // namespace

BatchView::BatchView(EditorStore *store, Localization *localization, QWidget *parent)
    : QDialog(parent), m_store(store), m_localization(localization),
      m_draft(new BatchDraft(store ? store->document() : LabelDocument(), this))
{
    setFixedSize(fixedSize);
    setWindowModality(Qt::WindowModal);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(tablestyle::padding, tablestyle::padding, tablestyle::padding, tablestyle::padding);
    layout->setSpacing(tablestyle::spacing);

    m_title = tablestyle::titleLabel();
    layout->addWidget(m_title);

    QWidget *content = nullptr;
    QVBoxLayout *stack = nullptr;
    QScrollArea *scroll = tablestyle::scrollingContent(this, &content, &stack);

    m_tableSummary = wrappingLabel(FontStyle::body);
    m_rowsLabel = new QLabel;
    m_rows = new QLineEdit;
    m_rows->setClearButtonEnabled(false);
    m_rowsRow = row(content, {m_rowsLabel, m_rows}, false);
    m_rowsHint = wrappingLabel(FontStyle::caption, true);
    m_columnLabel = new QLabel;
    m_copiesColumn = new QComboBox;
    m_copiesColumn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_columnRow = row(content, {m_columnLabel, m_copiesColumn});
    m_copiesLabel = new QLabel;
    m_copies = new QLineEdit;
    m_copies->setFixedWidth(copiesWidth);
    m_copiesRow = row(content, {m_copiesLabel, m_copies});
    m_zeroHint = wrappingLabel(FontStyle::caption);
    m_advance = new QCheckBox(content);
    m_progressLabel = new QLabel;
    m_progress = new QProgressBar;
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progressRow = row(content, {m_progressLabel, m_progress}, false);
    m_error = wrappingLabel(FontStyle::body);
    shellstyle::setTextColor(m_error, tablestyle::red);
    m_jobSummary = wrappingLabel(FontStyle::body);
    m_preview = new BatchPreviewView(content);
    m_preview->setFixedHeight(previewHeight);
    m_preview->setCornerRadius(previewRadius);
    m_pageLabel = new QLabel;
    m_page = new QSpinBox;
    m_page->setMinimum(1);
    m_pageRow = row(content, {m_pageLabel, m_page});
    m_hint = wrappingLabel(FontStyle::caption, true);

    for (QWidget *widget : std::initializer_list<QWidget *>{m_tableSummary, m_rowsRow, m_rowsHint, m_columnRow,
                                                            m_copiesRow, m_zeroHint, m_advance, m_progressRow, m_error,
                                                            m_jobSummary, m_preview, m_pageRow, m_hint})
        stack->addWidget(widget);
    stack->addStretch(1);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);

    auto *buttons = new QHBoxLayout;
    m_cancel = new QPushButton(this);
    m_cancel->setAutoDefault(false);
    m_primary = new QPushButton(this);
    m_primary->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_primary);
    layout->addLayout(buttons);

    // The user's edits change the options; filling the controls does not (signals are
    // blocked while they are filled).
    connect(m_rows, &QLineEdit::textEdited, this, [this](const QString &text) {
        BatchOptions options = m_draft->options();
        options.rows = text;
        m_draft->setOptions(options);
    });
    connect(m_copiesColumn, &QComboBox::currentIndexChanged, this, [this](int index) {
        BatchOptions options = m_draft->options();
        const qint64 column = m_copiesColumn->itemData(index).toLongLong();
        options.copiesColumn = column < 0 ? std::nullopt : std::optional<qint64>(column);
        m_draft->setOptions(options);
    });
    connect(m_copies, &QLineEdit::textEdited, this, &BatchView::copiesEdited);
    connect(m_copies, &QLineEdit::editingFinished, this,
            [this] { m_copies->setText(QLocale::system().toString(m_draft->options().copies)); });
    connect(m_advance, &QCheckBox::toggled, this, [this](bool on) {
        BatchOptions options = m_draft->options();
        options.advanceEveryCopy = on;
        m_draft->setOptions(options);
    });
    connect(m_page, &QSpinBox::valueChanged, this, [this](int page) { m_draft->setPage(page); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_primary, &QPushButton::clicked, this, &BatchView::confirm);
    connect(m_draft, &BatchDraft::changed, this, &BatchView::refresh);
    if (m_store) {
        connect(m_store, &EditorStore::batchExportChanged, this, &BatchView::refresh);
        connect(m_store, &EditorStore::showsBatchChanged, this, [this] {
            if (m_store && !m_store->showsBatch() && isVisible())
                reject();
        });
    }
    if (m_localization)
        connect(m_localization, &Localization::languageChanged, this, &BatchView::refresh);

    m_copies->setText(QLocale::system().toString(m_draft->options().copies));
    refresh();
    // The sheet opens on its first option shown (the rows with a table, else the count),
    // its text selected, so that what is typed at once replaces it.
    for (QWidget *option : std::initializer_list<QWidget *>{m_rows, m_copiesColumn, m_copies, m_advance}) {
        if (option->isVisibleTo(this)) {
            option->setFocus();
            if (auto *field = qobject_cast<QLineEdit *>(option))
                field->selectAll();
            break;
        }
    }
}

BatchView::~BatchView()
{
    // A sheet destroyed while shown hides in QDialog's destructor, after this one: the field
    // that has the focus then finishes its editing, and must no longer reach this view.
    disconnect(m_copies, nullptr, this, nullptr);
    m_draft->invalidate();
}

QString BatchView::text(const QString &key) const
{
    return m_localization ? m_localization->text(key) : key;
}

void BatchView::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        m_draft->prepare();
    }
}

void BatchView::copiesEdited(const QString &typed)
{
    bool ok = false;
    const qlonglong value = QLocale::system().toLongLong(typed.trimmed(), &ok);
    // Text that is no number leaves the copies as they were.
    if (!ok)
        return;
    BatchOptions options = m_draft->options();
    options.copies = value;
    m_draft->setOptions(options);
}

void BatchView::refresh()
{
    const BatchDraft &draft = *m_draft;
    const LabelDocument &document = draft.document();
    const BatchOptions &options = draft.options();
    const bool hasTable = document.table.has_value();

    setWindowTitle(text(QStringLiteral("mac.batch_title")));
    m_title->setText(text(QStringLiteral("mac.batch_title")));

    m_tableSummary->setVisible(hasTable);
    m_rowsRow->setVisible(hasTable);
    m_rowsHint->setVisible(hasTable);
    m_columnRow->setVisible(hasTable);
    if (hasTable && m_localization)
        m_tableSummary->setText(
            m_localization->format(QStringLiteral("mac.data_summary"),
                                   {qint64(document.table->rows.size()), qint64(document.table->columns.size())}));
    m_rowsLabel->setText(text(QStringLiteral("mac.batch_rows")));
    if (m_rows->text() != options.rows) {
        const QSignalBlocker block(m_rows);
        m_rows->setText(options.rows);
    }
    m_rowsHint->setText(text(QStringLiteral("mac.batch_rows_hint")));
    m_columnLabel->setText(text(QStringLiteral("mac.batch_copies_column")));
    {
        const QSignalBlocker block(m_copiesColumn);
        // Filled again only when a text changed (the language): an open list stays open.
        QStringList choices{text(QStringLiteral("mac.batch_fixed"))};
        if (hasTable)
            for (qsizetype i = 0; i < document.table->columns.size(); ++i)
                choices.append(ImportedSheet::columnName(i) + QStringLiteral(" \u00b7 ") + document.table->columns[i]);
        QStringList shown;
        for (int i = 0; i < m_copiesColumn->count(); ++i)
            shown.append(m_copiesColumn->itemText(i));
        if (shown != choices) {
            m_copiesColumn->clear();
            for (qsizetype i = 0; i < choices.size(); ++i)
                m_copiesColumn->addItem(choices[i], qint64(i - 1));
        }
        const int at = options.copiesColumn ? m_copiesColumn->findData(*options.copiesColumn) : 0;
        m_copiesColumn->setCurrentIndex(std::max(at, 0));
    }

    const bool fixedCopies = !options.copiesColumn.has_value();
    m_copiesRow->setVisible(fixedCopies);
    m_copiesLabel->setText(text(hasTable ? QStringLiteral("mac.batch_copies") : QStringLiteral("mac.batch_count")));
    // Writing the same text back would drop its selection.
    const QString copies = QLocale::system().toString(options.copies);
    if (!m_copies->hasFocus() && m_copies->text() != copies) {
        const QSignalBlocker block(m_copies);
        m_copies->setText(copies);
    }
    m_zeroHint->setVisible(!fixedCopies);
    m_zeroHint->setText(text(QStringLiteral("mac.batch_zero_hint")));

    m_advance->setVisible(hasCounter(document));
    m_advance->setText(text(QStringLiteral("mac.batch_advance")));
    {
        const QSignalBlocker block(m_advance);
        m_advance->setChecked(options.advanceEveryCopy);
    }

    m_progressRow->setVisible(draft.preparing());
    m_progressLabel->setText(text(QStringLiteral("mac.batch_preparing")));
    m_error->setVisible(bool(draft.error()));
    if (draft.error() && m_store) {
        try {
            std::rethrow_exception(draft.error());
        } catch (const std::exception &error) {
            m_error->setText(m_store->errorText(error));
        } catch (...) {
            m_error->setText(text(QStringLiteral("mac.error_io")));
        }
    }

    const std::shared_ptr<const LabelPrintJob> &job = draft.job();
    m_jobSummary->setVisible(bool(job));
    m_preview->setVisible(bool(job));
    m_pageRow->setVisible(bool(job));
    if (job) {
        const qint64 pages = job->pages();
        if (m_localization)
            m_jobSummary->setText(
                m_localization->format(QStringLiteral("mac.batch_summary"), {qint64(job->entries().size()), pages}));
        {
            const QSignalBlocker block(m_page);
            m_page->setRange(1, int(std::min<qint64>(pages, INT_MAX)));
            m_page->setValue(int(draft.page()));
        }
        if (m_localization)
            m_pageLabel->setText(m_localization->format(QStringLiteral("mac.batch_page"), {draft.page(), pages}));
        m_preview->setJob(job, draft.page() - 1);
    } else {
        m_preview->setJob(nullptr, 0);
    }
    m_hint->setText(text(QStringLiteral("mac.batch_hint")));

    m_cancel->setText(text(QStringLiteral("btn_canc")));
    const bool exports = m_store && m_store->batchExport();
    m_primary->setText(text(exports ? QStringLiteral("mac.export_pdf") : QStringLiteral("tmenu_print")));
    m_primary->setEnabled(job && !draft.preparing());
}

void BatchView::confirm()
{
    const std::shared_ptr<const LabelPrintJob> job = m_draft->job();
    if (!m_store || !job || m_draft->preparing())
        return;
    const BatchOptions options = m_draft->options();
    m_store->apply([&options](LabelDocument &document) { document.batch = options; });
    EditorStore *store = m_store;
    accept();
    // After the sheet has gone; nothing runs when the tab closed meanwhile.
    QTimer::singleShot(0, store, [store, job] {
        if (store->batchExport())
            store->exportPrepared(*job);
        else
            store->printPrepared(*job);
    });
}

void BatchView::done(int result)
{
    // Every way the sheet ends passes here: buttons, Escape, the close button, the flag.
    m_draft->invalidate();
    if (m_store && m_store->showsBatch())
        m_store->setShowsBatch(false);
    QDialog::done(result);
}

} // namespace kestrivane
