#pragma once

#include "app/table/BackgroundWork.h"
#include "core/table/CSVImporter.h"
#include "core/table/ImportedSheet.h"
#include "core/table/LabelTable.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <exception>
#include <optional>

namespace kestrivane {

// The state of the table import sheet, without widgets: the chosen file, its reading and
// parsing off the main thread, and the table the chosen sheet makes. Each read or parse
// gets a new generation; a result is applied only while its generation is the latest, so a
// slow first file never overwrites a second one and nothing arrives after the sheet closed.
class TableImportDraft final : public QObject {
    Q_OBJECT

public:
    // Largest table file read (32 MiB); one byte more is TableIssue::large.
    static constexpr qint64 maximumFileBytes = 0x2000000;

    explicit TableImportDraft(QObject *parent = nullptr);

    const QList<ImportedSheet> &sheets() const { return m_sheets; }
    int sheet() const { return m_sheet; }
    void setSheet(int sheet);
    bool header() const { return m_header; }
    void setHeader(bool header);
    // A change of either text-file setting parses again.
    CSVSeparator separator() const { return m_separator; }
    void setSeparator(CSVSeparator separator);
    CSVEncoding encoding() const { return m_encoding; }
    void setEncoding(CSVEncoding encoding);
    bool loading() const { return m_loading; }
    const std::optional<QString> &issue() const { return m_issue; }
    // The view shows a refused attachment here too.
    void setIssue(const std::optional<QString> &issue);
    const QString &source() const { return m_source; }
    bool csv() const { return m_csv; }
    bool hasBytes() const { return m_bytes.has_value(); }
    quint64 generation() const { return m_generation; }

    // The chosen sheet's table, kept from the last change of sheets, sheet or header (a
    // sheet may hold half a million cells: it is never rebuilt per paint). Absent when the
    // index is not valid or the sheet cannot become a table.
    const std::optional<LabelTable> &table() const { return m_table; }

    // Starts reading the file at `path` and then parsing it; returns at once.
    void load(const QString &path);
    // Starts parsing the bytes read with the current settings; nothing without bytes.
    void parse();
    // Drops whatever read or parse is still running.
    void invalidate() { ++m_generation; }

    // Where background work starts (the thread pool unless replaced).
    void setLauncher(background::Launcher launcher) { m_launch = std::move(launcher); }

    // Reads a table file of at most 32 MiB: only a regular file is read, and never more
    // than one byte past the limit. TableIssue::large for a larger file, FileError for
    // anything that cannot be read.
    static QByteArray readFile(const QString &path);
    // The key shown for a failed read or parse: "mac.data_error_" + raw value for a table
    // error, else "mac.data_error_file".
    static QString issueKey(std::exception_ptr error);

Q_SIGNALS:
    // After each of the signals below.
    void changed();
    void sheetsChanged();
    void sheetChanged();
    void headerChanged();
    void separatorChanged();
    void encodingChanged();
    void loadingChanged();
    void issueChanged();
    void sourceChanged();
    void tableChanged();

private:
    template <typename Signal> void announce(Signal signal);
    void setLoading(bool loading);
    void setSheets(QList<ImportedSheet> sheets);
    void recomputeTable();

    QList<ImportedSheet> m_sheets;
    int m_sheet = 0;
    bool m_header = true;
    CSVSeparator m_separator = CSVSeparator::automatic;
    CSVEncoding m_encoding = CSVEncoding::automatic;
    bool m_loading = false;
    std::optional<QString> m_issue;
    QString m_source;
    std::optional<QByteArray> m_bytes;
    bool m_csv = false;
    quint64 m_generation = 0;
    std::optional<LabelTable> m_table;
    background::Launcher m_launch;
};

} // namespace kestrivane
