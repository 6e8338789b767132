#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace kestrivane {

// A strict reader of the ZIP archive that holds a workbook's parts, over the whole file
// in memory. It indexes the central directory once, refusing anything unusual, and then
// inflates single entries on demand, each into a buffer of exactly its declared size and
// checked against its CRC-32. Failures are TableError: large for an archive, an entry or
// all entries together over their limits by their declared sizes, workbook for everything
// else (an entry that inflates to other than its declared size among them). Holds no
// resources; safe on any thread.
class WorkbookArchive {
public:
    struct Entry {
        qint64 offset = 0;     // of the entry's local header
        qint64 compressed = 0; // bytes of entry data
        qint64 size = 0;       // bytes once inflated
        int method = 0;        // 0 stored, 8 deflated
        quint32 checksum = 0;  // CRC-32 of the inflated bytes

        friend bool operator==(const Entry &, const Entry &) = default;
    };

    static constexpr qint64 minimumBytes = 22;
    static constexpr qint64 maximumBytes = 33554432;
    static constexpr qint64 maximumEntryBytes = 33554432;
    static constexpr qint64 maximumTotalBytes = 100663296;
    static constexpr int maximumEntries = 9999;

    explicit WorkbookArchive(const QByteArray &data);

    // The inflated bytes of the entry named exactly `name` ("xl/workbook.xml").
    // A failure leaves the archive usable.
    QByteArray read(const QString &name) const;

    // The same read into the caller's buffer of at least max(size, 1) bytes, so that a
    // large part is inflated where it is parsed instead of being copied there. `size` is
    // the entry's inflated size, as sizeOf() gives it.
    void read(const QString &name, char *output) const;
    qint64 sizeOf(const QString &name) const;

    bool contains(const QString &name) const { return m_entries.contains(name); }
    const QHash<QString, Entry> &entries() const { return m_entries; }

private:
    const Entry &entry(const QString &name) const;

    QByteArray m_data;
    QHash<QString, Entry> m_entries;
};

} // namespace kestrivane
