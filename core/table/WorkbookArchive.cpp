#include "core/table/WorkbookArchive.h"

#include "core/common/TableIssue.h"

#include <QStringDecoder>

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace kestrivane {

namespace {

constexpr quint32 endSignature = 0x06054b50;
constexpr quint32 centralSignature = 0x02014b50;
constexpr quint32 localSignature = 0x04034b50;
constexpr qint64 endRecordBytes = 22;
constexpr qint64 centralRecordBytes = 46;
constexpr qint64 localHeaderBytes = 30;
constexpr qint64 maximumCommentBytes = 65535;
constexpr qint64 zip64Marker = 0xFFFFFFFF;

[[noreturn]] void malformed()
{
    throwIssue(TableIssue::workbook);
}

// Every read of the archive goes through these two, so no field or range can lie
// outside the data. Positions and lengths are 64-bit: the sums of 32-bit fields the
// callers form (offset + size, offset + 30 + n + e) cannot wrap, and a range that
// ends past the data is refused instead of being read.
quint16 readU16(const QByteArray &data, qint64 position)
{
    if (position < 0 || position + 2 > data.size())
        malformed();
    return quint16(quint8(data.at(position)) | (quint8(data.at(position + 1)) << 8));
}

quint32 readU32(const QByteArray &data, qint64 position)
{
    const quint32 low = readU16(data, position);
    const quint32 high = readU16(data, position + 2);
    return low | (high << 16);
}

QByteArrayView range(const QByteArray &data, qint64 position, qint64 length)
{
    if (position < 0 || length < 0 || position > data.size() || length > data.size() - position)
        malformed();
    return QByteArrayView(data.constData() + position, length);
}

// Names stay inside the archive: no absolute paths, no backslashes, no way up.
bool isSafeName(const QString &name)
{
    if (name.startsWith(u'/') || name.contains(u'\\'))
        return false;
    for (QStringView component : QStringView(name).split(u'/', Qt::SkipEmptyParts)) {
        if (component == u"..")
            return false;
    }
    return true;
}

void inflateExactly(QByteArrayView input, char *output, qint64 size)
{
    // One call into a buffer of exactly the declared size: a stream that would write
    // more fails instead of growing the buffer, which is what stops a ZIP bomb.
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        malformed();
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    stream.avail_in = uInt(input.size());
    stream.next_out = reinterpret_cast<Bytef *>(output);
    stream.avail_out = uInt(std::max<qint64>(size, 1));
    const int result = inflate(&stream, Z_FINISH);
    const qint64 written = qint64(stream.total_out);
    const qint64 consumed = qint64(stream.total_in);
    inflateEnd(&stream);
    if (result != Z_STREAM_END || written != size || consumed != input.size())
        malformed();
}

} // namespace

WorkbookArchive::WorkbookArchive(const QByteArray &data) : m_data(data)
{
    const qint64 length = data.size();
    if (length < minimumBytes || length > maximumBytes)
        throwIssue(TableIssue::large);

    // The end record is searched from the back; its comment must end the file exactly.
    qint64 end = -1;
    const qint64 lowest = std::max<qint64>(0, length - endRecordBytes - maximumCommentBytes);
    for (qint64 p = length - endRecordBytes; p >= lowest; --p) {
        if (readU32(data, p) == endSignature && p + endRecordBytes + readU16(data, p + 20) == length) {
            end = p;
            break;
        }
    }
    if (end < 0)
        malformed();

    const int disk = readU16(data, end + 4);
    const int directoryDisk = readU16(data, end + 6);
    const int recordsOnDisk = readU16(data, end + 8);
    const int records = readU16(data, end + 10);
    const qint64 directorySize = readU32(data, end + 12);
    const qint64 directoryOffset = readU32(data, end + 16);
    if (disk != 0 || directoryDisk != 0 || records < 1 || records > maximumEntries || recordsOnDisk != records ||
        directoryOffset + directorySize > end)
        malformed();

    const qint64 directoryEnd = directoryOffset + directorySize;
    qint64 position = directoryOffset;
    qint64 total = 0;
    m_entries.reserve(records);
    for (int i = 0; i < records; ++i) {
        if (readU32(data, position) != centralSignature)
            malformed();
        const qint64 nameBytes = readU16(data, position + 28);
        const qint64 extraBytes = readU16(data, position + 30);
        const qint64 commentBytes = readU16(data, position + 32);
        const qint64 recordEnd = position + centralRecordBytes + nameBytes + extraBytes + commentBytes;
        if (recordEnd > directoryEnd || (readU16(data, position + 8) & 1) != 0)
            malformed();
        Entry entry;
        entry.method = readU16(data, position + 10);
        if (entry.method != 0 && entry.method != 8)
            malformed();
        entry.size = readU32(data, position + 24);
        // A part declared over the limit may be perfectly sound, only too big, so it is
        // refused as too large, as an oversized file is. The all-ones value is no size but
        // the mark of a ZIP64 archive, which is not read: that stays a damaged workbook.
        if (entry.size == zip64Marker)
            malformed();
        if (entry.size > maximumEntryBytes)
            throwIssue(TableIssue::large);
        // UTF-8 whatever the record's flags claim.
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString name = decoder.decode(range(data, position + centralRecordBytes, nameBytes));
        if (decoder.hasError() || !isSafeName(name) || m_entries.contains(name))
            malformed();
        total += entry.size;
        if (total > maximumTotalBytes)
            throwIssue(TableIssue::large);
        entry.checksum = readU32(data, position + 16);
        entry.compressed = readU32(data, position + 20);
        entry.offset = readU32(data, position + 42);
        m_entries.insert(name, entry);
        position = recordEnd;
    }
    if (position != directoryEnd)
        malformed();
}

const WorkbookArchive::Entry &WorkbookArchive::entry(const QString &name) const
{
    const auto found = m_entries.constFind(name);
    if (found == m_entries.cend())
        malformed();
    return found.value();
}

qint64 WorkbookArchive::sizeOf(const QString &name) const
{
    return entry(name).size;
}

QByteArray WorkbookArchive::read(const QString &name) const
{
    const qint64 size = sizeOf(name);
    QByteArray output(std::max<qint64>(size, 1), Qt::Uninitialized);
    read(name, output.data());
    output.truncate(size);
    return output;
}

void WorkbookArchive::read(const QString &name, char *output) const
{
    const Entry &entry = this->entry(name);
    if (readU32(m_data, entry.offset) != localSignature || readU16(m_data, entry.offset + 8) != entry.method ||
        (readU16(m_data, entry.offset + 6) & 1) != 0)
        malformed();
    // The local header's sizes are not read: entries written with a data descriptor
    // leave them zero, and the central directory's are the ones checked.
    const qint64 nameBytes = readU16(m_data, entry.offset + 26);
    const qint64 extraBytes = readU16(m_data, entry.offset + 28);
    const QByteArrayView input =
        range(m_data, entry.offset + localHeaderBytes + nameBytes + extraBytes, entry.compressed);

    if (entry.method == 0) {
        if (input.size() != entry.size)
            malformed();
        if (!input.isEmpty())
            std::memcpy(output, input.data(), std::size_t(input.size()));
    } else {
        inflateExactly(input, output, entry.size);
    }
    const uLong checksum = crc32(0, reinterpret_cast<const Bytef *>(output), uInt(entry.size));
    if (quint32(checksum) != entry.checksum)
        malformed();
}

} // namespace kestrivane
