#include "app/table/TableImportDraft.h"

#include "core/common/Issue.h"
#include "core/common/TableIssue.h"
#include "core/table/WorkbookImporter.h"

#include <QException>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrivane {

namespace {

// Closes a descriptor on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

[[noreturn]] void fail(const QString &what, const QString &path)
{
    throw FileError(what + QStringLiteral(" ") + path + QStringLiteral(": ") +
                    QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

TableImportDraft::TableImportDraft(QObject *parent) : QObject(parent), m_launch(background::standardLauncher()) {}

template <typename Signal> void TableImportDraft::announce(Signal signal)
{
    Q_EMIT(this->*signal)();
    Q_EMIT changed();
}

void TableImportDraft::setSheet(int sheet)
{
    if (sheet == m_sheet)
        return;
    m_sheet = sheet;
    announce(&TableImportDraft::sheetChanged);
    recomputeTable();
}

void TableImportDraft::setHeader(bool header)
{
    if (header == m_header)
        return;
    m_header = header;
    announce(&TableImportDraft::headerChanged);
    recomputeTable();
}

void TableImportDraft::setSeparator(CSVSeparator separator)
{
    if (separator == m_separator)
        return;
    m_separator = separator;
    announce(&TableImportDraft::separatorChanged);
    parse();
}

void TableImportDraft::setEncoding(CSVEncoding encoding)
{
    if (encoding == m_encoding)
        return;
    m_encoding = encoding;
    announce(&TableImportDraft::encodingChanged);
    parse();
}

void TableImportDraft::setIssue(const std::optional<QString> &issue)
{
    m_issue = issue;
    announce(&TableImportDraft::issueChanged);
}

void TableImportDraft::setLoading(bool loading)
{
    m_loading = loading;
    announce(&TableImportDraft::loadingChanged);
}

void TableImportDraft::setSheets(QList<ImportedSheet> sheets)
{
    m_sheets = std::move(sheets);
    m_sheet = 0;
    announce(&TableImportDraft::sheetsChanged);
    announce(&TableImportDraft::sheetChanged);
    recomputeTable();
}

void TableImportDraft::recomputeTable()
{
    m_table.reset();
    if (m_sheet >= 0 && m_sheet < m_sheets.size()) {
        try {
            m_table = m_sheets[m_sheet].table(m_source, m_header);
        } catch (const std::exception &) {
            // The sheet cannot become a table; the sheet says so without the reason.
        }
    }
    announce(&TableImportDraft::tableChanged);
}

void TableImportDraft::load(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    m_source = info.fileName();
    m_csv = suffix == QStringLiteral("csv") || suffix == QStringLiteral("tsv");
    m_separator = suffix == QStringLiteral("tsv") ? CSVSeparator::tab : CSVSeparator::automatic;
    m_encoding = CSVEncoding::automatic;
    m_bytes.reset();
    m_issue.reset();
    announce(&TableImportDraft::sourceChanged);
    announce(&TableImportDraft::separatorChanged);
    announce(&TableImportDraft::encodingChanged);
    announce(&TableImportDraft::issueChanged);
    setLoading(true);
    setSheets({});

    const quint64 token = ++m_generation;
    background::run<QByteArray>(
        m_launch, this, [path] { return readFile(path); },
        [this, token](background::Outcome<QByteArray> &outcome) {
            if (m_generation != token)
                return;
            if (outcome.value) {
                m_bytes = std::move(*outcome.value);
                parse();
                return;
            }
            setIssue(issueKey(outcome.error));
            setLoading(false);
        });
}

void TableImportDraft::parse()
{
    if (!m_bytes)
        return;
    const quint64 token = ++m_generation;
    setLoading(true);
    setIssue(std::nullopt);
    setSheets({});

    const bool csv = m_csv;
    const CSVSeparator separator = m_separator;
    const CSVEncoding encoding = m_encoding;
    const QByteArray bytes = *m_bytes;
    background::run<QList<ImportedSheet>>(
        m_launch, this,
        [csv, separator, encoding, bytes] {
            if (csv)
                return QList<ImportedSheet>{CSVImporter::read(bytes, separator, encoding)};
            return WorkbookImporter::read(bytes);
        },
        [this, token](background::Outcome<QList<ImportedSheet>> &outcome) {
            if (m_generation != token)
                return;
            if (outcome.value)
                setSheets(std::move(*outcome.value));
            else
                setIssue(issueKey(outcome.error));
            setLoading(false);
        });
}

QByteArray TableImportDraft::readFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const Descriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        fail(QStringLiteral("cannot open"), path);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        fail(QStringLiteral("cannot inspect"), path);
    // A FIFO, a device or a directory could be read without end or not at all.
    if (!S_ISREG(status.st_mode))
        throw FileError(QStringLiteral("not a regular file: ") + path);
    if (status.st_size > maximumFileBytes)
        throwIssue(TableIssue::large);

    // The size may have grown since: never more than one byte past the limit is read.
    QByteArray bytes;
    bytes.reserve(qsizetype(status.st_size) + 1);
    constexpr qint64 chunk = 1 << 20;
    for (;;) {
        const qint64 room = maximumFileBytes + 1 - bytes.size();
        if (room <= 0)
            break;
        const qsizetype before = bytes.size();
        const qint64 want = std::min(chunk, room);
        bytes.resize(before + want);
        const ssize_t got = ::read(fd.get(), bytes.data() + before, size_t(want));
        if (got < 0) {
            bytes.resize(before);
            if (errno == EINTR)
                continue;
            fail(QStringLiteral("cannot read"), path);
        }
        bytes.resize(before + got);
        if (got == 0)
            break;
    }
    if (bytes.size() > maximumFileBytes)
        throwIssue(TableIssue::large);
    return bytes;
}

QString TableImportDraft::issueKey(std::exception_ptr error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const TableError &table) {
        return QStringLiteral("mac.data_error_") + rawValue(table.issue());
    } catch (const QUnhandledException &wrapped) {
        return issueKey(wrapped.exception());
    } catch (...) {
    }
    return QStringLiteral("mac.data_error_file");
}

} // namespace kestrivane
