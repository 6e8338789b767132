#include "app/table/TableImportView.h"

#include "app/artwork/WindowsArtwork.h"
#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/io/EditorDialogs.h"
#include "app/table/TableImportDraft.h"
#include "app/table/TableStyle.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TableIssue.h"
#include "core/l10n/Localization.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace kestrivane {

using shellstyle::FontStyle;

// The first rows of a table for the preview grid: a "#" column of one-based row numbers,
// then one column per table column headed by its letters and name.
class TablePreviewModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTable(const std::optional<LabelTable> &table)
    {
        beginResetModel();
        m_columns.clear();
        m_rows.clear();
        if (table) {
            for (qsizetype i = 0; i < table->columns.size(); ++i)
                m_columns.append(ImportedSheet::columnName(i) + QStringLiteral(" \u00b7 ") + table->columns[i]);
            m_rows = table->rows.mid(0, TableImportView::previewRows);
        }
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() || m_columns.isEmpty() ? 0 : int(m_columns.size()) + 1;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
            return {};
        if (index.column() == 0)
            return role == Qt::ToolTipRole ? QVariant() : QVariant(index.row() + 1);
        const QList<QString> &cells = m_rows[index.row()];
        const qsizetype column = index.column() - 1;
        return column < cells.size() ? cells[column] : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? QStringLiteral("#") : m_columns.value(section - 1);
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        // "Editable" only so that a cell opens as read-only text whose words can be
        // selected and copied; nothing is ever written back.
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() > 0)
            flags |= Qt::ItemIsEditable;
        return flags;
    }

private:
    QList<QString> m_columns;
    QList<QList<QString>> m_rows;
};

namespace {

// Opens a cell as read-only text for selecting and copying.
class SelectableCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *editor = new QLineEdit(parent);
        editor->setReadOnly(true);
        editor->setFrame(false);
        return editor;
    }
    void setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const override {}

protected:
    // Tab in an open cell closes it and goes on from the grid to the sheet's next or previous
    // control, as it does from the grid itself, instead of opening the next cell.
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *editor = qobject_cast<QWidget *>(object);
        auto *grid = qobject_cast<QWidget *>(parent());
        if (editor && grid && event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
                Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
                QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers());
                QCoreApplication::sendEvent(grid, &again);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }
};

constexpr int previewHeight = 230;
constexpr int cellWidth = 150;
constexpr int numberWidth = 44;
constexpr int cellLines = 3;

// Fills a picker again only when its texts changed, so that an open list stays open.
void fill(QComboBox *picker, const QStringList &texts)
{
    QStringList shown;
    for (int i = 0; i < picker->count(); ++i)
        shown.append(picker->itemText(i));
    if (shown != texts) {
        picker->clear();
        picker->addItems(texts);
    }
}

// The import sheet's texts can be selected and copied.
QLabel *wrappingLabel(FontStyle style, bool secondary = false)
{
    QLabel *label = tablestyle::wrappingLabel(style, secondary);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TableImportView::TableImportView(EditorStore *store, Localization *localization, QWidget *parent,
                                 TableImportDraft *draft)
    : QDialog(parent), m_store(store), m_localization(localization),
      m_draft(draft ? draft : new TableImportDraft(this)), m_model(new TablePreviewModel(this))
{
    setFixedSize(fixedSize);
    setWindowModality(Qt::WindowModal);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(tablestyle::padding, tablestyle::padding, tablestyle::padding, tablestyle::padding);
    layout->setSpacing(tablestyle::spacing);

    auto *headerRow = new QHBoxLayout;
    headerRow->setSpacing(10);
    m_icon = new WindowsArtwork(QStringLiteral("open"), 32, this);
    m_title = tablestyle::titleLabel();
    m_choose = new QPushButton(this);
    m_choose->setAutoDefault(false);
    headerRow->addWidget(m_icon);
    headerRow->addWidget(m_title);
    headerRow->addStretch(1);
    headerRow->addWidget(m_choose);
    layout->addLayout(headerRow);

    QWidget *content = nullptr;
    QVBoxLayout *stack = nullptr;
    QScrollArea *scroll = tablestyle::scrollingContent(this, &content, &stack);

    m_importHint = wrappingLabel(FontStyle::body);
    m_source = wrappingLabel(FontStyle::headline);

    m_textOptions = new QWidget(content);
    auto *textRow = new QHBoxLayout(m_textOptions);
    textRow->setContentsMargins(0, 0, 0, 0);
    m_separatorLabel = new QLabel(m_textOptions);
    m_separator = new QComboBox(m_textOptions);
    m_encodingLabel = new QLabel(m_textOptions);
    m_encoding = new QComboBox(m_textOptions);
    textRow->addWidget(m_separatorLabel);
    textRow->addWidget(m_separator);
    textRow->addSpacing(20);
    textRow->addWidget(m_encodingLabel);
    textRow->addWidget(m_encoding);
    textRow->addStretch(1);

    m_sheetRow = new QWidget(content);
    auto *sheetRow = new QHBoxLayout(m_sheetRow);
    sheetRow->setContentsMargins(0, 0, 0, 0);
    m_sheetLabel = new QLabel(m_sheetRow);
    m_sheet = new QComboBox(m_sheetRow);
    m_sheet->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_header = new QCheckBox(m_sheetRow);
    sheetRow->addWidget(m_sheetLabel);
    sheetRow->addWidget(m_sheet);
    sheetRow->addSpacing(20);
    sheetRow->addWidget(m_header);
    sheetRow->addStretch(1);

    m_warnings = wrappingLabel(FontStyle::subheadline);
    shellstyle::setTextColor(m_warnings, tablestyle::orange);
    m_progress = new QProgressBar(content);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_issue = wrappingLabel(FontStyle::body);
    shellstyle::setTextColor(m_issue, tablestyle::red);
    m_summary = wrappingLabel(FontStyle::body);

    m_grid = new QTableView(content);
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(new SelectableCellDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    // The arrow keys move between the cells; Tab moves on through the sheet's controls.
    m_grid->setTabKeyNavigation(false);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setDefaultSectionSize(cellWidth);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QFont semibold = m_grid->horizontalHeader()->font();
    semibold.setWeight(QFont::DemiBold);
    m_grid->horizontalHeader()->setFont(semibold);
    m_grid->setWordWrap(true);
    m_grid->setTextElideMode(Qt::ElideRight);
    m_grid->setFixedHeight(previewHeight);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_grid->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    m_empty = wrappingLabel(FontStyle::body);
    shellstyle::setTextColor(m_empty, tablestyle::orange);

    for (QWidget *row : std::initializer_list<QWidget *>{m_importHint, m_source, m_textOptions, m_sheetRow, m_warnings,
                                                         m_progress, m_issue, m_summary, m_grid, m_empty})
        stack->addWidget(row);
    stack->addStretch(1);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);

    m_replaceHint = wrappingLabel(FontStyle::caption);
    layout->addWidget(m_replaceHint);

    auto *buttons = new QHBoxLayout;
    m_remove = new QPushButton(this);
    m_remove->setAutoDefault(false);
    shellstyle::setTextColor(m_remove, tablestyle::red);
    m_cancel = new QPushButton(this);
    m_cancel->setAutoDefault(false);
    m_apply = new QPushButton(this);
    m_apply->setDefault(true);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);
    layout->addLayout(buttons);

    connect(m_choose, &QPushButton::clicked, this, &TableImportView::choose);
    // The sheet opens on its first step, choosing the file.
    m_choose->setFocus();
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, &TableImportView::applyTable);
    connect(m_remove, &QPushButton::clicked, this, &TableImportView::removeTable);
    connect(m_separator, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && size_t(index) < allCSVSeparators.size())
            m_draft->setSeparator(allCSVSeparators[size_t(index)]);
    });
    connect(m_encoding, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && size_t(index) < allCSVEncodings.size())
            m_draft->setEncoding(allCSVEncodings[size_t(index)]);
    });
    connect(m_sheet, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_draft->setSheet(index);
    });
    connect(m_header, &QCheckBox::toggled, m_draft, &TableImportDraft::setHeader);
    connect(m_draft, &TableImportDraft::changed, this, &TableImportView::refresh);
    connect(m_draft, &TableImportDraft::tableChanged, this, [this] {
        m_model->setTable(m_draft->table());
        m_grid->setColumnWidth(0, numberWidth);
        // Each row as high as its tallest cell, up to three lines.
        const int most = m_grid->fontMetrics().lineSpacing() * cellLines + 8;
        m_grid->resizeRowsToContents();
        for (int row = 0; row < m_model->rowCount(); ++row)
            m_grid->setRowHeight(row, std::min(m_grid->rowHeight(row), most));
    });
    if (m_store) {
        connect(m_store, &EditorStore::documentChanged, this, &TableImportView::refresh);
        connect(m_store, &EditorStore::showsDataChanged, this, [this] {
            if (m_store && !m_store->showsData() && isVisible())
                reject();
        });
    }
    if (m_localization)
        connect(m_localization, &Localization::languageChanged, this, &TableImportView::refresh);
    refresh();
}

TableImportView::~TableImportView()
{
    m_draft->invalidate();
}

QString TableImportView::text(const QString &key) const
{
    return m_localization ? m_localization->text(key) : key;
}

void TableImportView::refresh()
{
    const TableImportDraft &draft = *m_draft;
    const bool hasTable = m_store && m_store->document().table.has_value();

    setWindowTitle(text(QStringLiteral("mac.data_title")));
    m_title->setText(text(QStringLiteral("mac.data_title")));
    m_choose->setText(text(QStringLiteral("mac.data_choose")));
    m_choose->setEnabled(!draft.loading());
    m_importHint->setText(text(QStringLiteral("mac.data_import_hint")));
    m_source->setText(draft.source());
    m_source->setVisible(!draft.source().isEmpty());

    m_textOptions->setVisible(draft.csv());
    m_textOptions->setEnabled(!draft.loading());
    m_separatorLabel->setText(text(QStringLiteral("mac.data_separator")));
    m_encodingLabel->setText(text(QStringLiteral("mac.data_encoding")));
    {
        const QSignalBlocker blockSeparator(m_separator);
        const QSignalBlocker blockEncoding(m_encoding);
        QStringList separators;
        for (CSVSeparator separator : allCSVSeparators)
            separators.append(text(QStringLiteral("mac.data_sep_") + rawValue(separator)));
        fill(m_separator, separators);
        m_separator->setCurrentIndex(int(draft.separator()));
        fill(m_encoding, {text(QStringLiteral("mac.data_auto")), QStringLiteral("UTF-8"), QStringLiteral("UTF-16"),
                          QStringLiteral("Windows-1251")});
        m_encoding->setCurrentIndex(int(draft.encoding()));
    }

    const bool hasSheets = !draft.sheets().isEmpty();
    m_sheetRow->setVisible(hasSheets);
    m_sheetLabel->setText(text(QStringLiteral("mac.data_sheet")));
    m_header->setText(text(QStringLiteral("mac.data_header")));
    {
        const QSignalBlocker blockSheet(m_sheet);
        const QSignalBlocker blockHeader(m_header);
        QStringList names;
        for (const ImportedSheet &sheet : draft.sheets())
            names.append(sheet.name);
        fill(m_sheet, names);
        m_sheet->setCurrentIndex(draft.sheet());
        m_header->setChecked(draft.header());
    }
    QStringList warnings;
    if (draft.sheet() >= 0 && draft.sheet() < draft.sheets().size())
        for (const QString &key : draft.sheets()[draft.sheet()].warnings)
            warnings.append(text(key));
    m_warnings->setText(warnings.join(QLatin1Char('\n')));
    m_warnings->setVisible(!warnings.isEmpty());

    m_progress->setVisible(draft.loading());
    m_issue->setVisible(draft.issue().has_value());
    if (draft.issue())
        m_issue->setText(text(*draft.issue()));

    const std::optional<LabelTable> &table = draft.table();
    m_summary->setVisible(table.has_value());
    m_grid->setVisible(table.has_value());
    if (table && m_localization)
        m_summary->setText(m_localization->format(QStringLiteral("mac.data_summary"),
                                                  {qint64(table->rows.size()), qint64(table->columns.size())}));
    m_empty->setText(text(QStringLiteral("mac.data_error_empty")));
    m_empty->setVisible(!table && !draft.loading() && hasSheets);

    m_replaceHint->setText(text(QStringLiteral("mac.data_replace_hint")));
    m_replaceHint->setVisible(hasTable);
    m_remove->setText(text(QStringLiteral("mac.data_remove")));
    m_remove->setVisible(hasTable);
    m_cancel->setText(text(QStringLiteral("btn_canc")));
    m_apply->setText(text(QStringLiteral("mac.data_apply")));
    m_apply->setEnabled(!draft.loading() && table.has_value());
}

void TableImportView::choose()
{
    if (!m_store || m_draft->loading())
        return;
    EditorDialogs::OpenRequest request;
    // Both cases: a desktop's own dialog may match the patterns case by case.
    request.nameFilters = {text(QStringLiteral("mac.data_title")) +
                           QStringLiteral(" (*.xlsx *.xlsm *.csv *.tsv *.XLSX *.XLSM *.CSV *.TSV)")};
    request.multipleSelection = false;
    request.title = text(QStringLiteral("mac.data_choose"));
    request.acceptLabel = text(QStringLiteral("mac.data_choose"));
    const QStringList paths = m_store->dialogs().chooseOpenFiles(request);
    if (paths.size() == 1 && !paths.first().isEmpty())
        m_draft->load(paths.first());
}

void TableImportView::applyTable()
{
    const std::optional<LabelTable> table = m_draft->table();
    if (!m_store || !table || m_draft->loading())
        return;
    try {
        m_store->attachTable(*table);
    } catch (const TableError &error) {
        m_draft->setIssue(QStringLiteral("mac.data_error_") + rawValue(error.issue()));
        return;
    } catch (const DocumentError &error) {
        m_draft->setIssue(error.key());
        return;
    } catch (const std::exception &) {
        m_draft->setIssue(QStringLiteral("mac.data_error_file"));
        return;
    }
    accept();
}

void TableImportView::removeTable()
{
    if (!m_store || !m_store->document().table)
        return;
    m_store->replaceTable(std::nullopt);
    m_store->setPreviewRow(0);
    accept();
}

void TableImportView::done(int result)
{
    // Every way the sheet ends passes here: buttons, Escape, the close button, the flag.
    m_draft->invalidate();
    if (m_store && m_store->showsData())
        m_store->setShowsData(false);
    QDialog::done(result);
}

} // namespace kestrivane
