#include "core/table/WorkbookArchive.h"
#include "core/common/TableIssue.h"

#include "tests/common/TestSupport.h"
#include "tests/common/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kestrivane;
using testsupport::ZipEntry;
using testsupport::ZipWriter;

namespace {

const QByteArray text = QByteArray("<x>hello, hello, hello</x>").repeated(20);

// Two entries: "a.xml" deflated and "b.xml" stored.
ZipWriter twoEntries()
{
    ZipWriter zip;
    zip.add(QStringLiteral("a.xml"), text, true);
    zip.add(QStringLiteral("b.xml"), "stored", false);
    return zip;
}

struct Broken {
    const char *name;
    std::function<void(ZipWriter &)> edit;
    TableIssue issue = TableIssue::workbook;
};

constexpr quint32 mib = 1024 * 1024;

// Entries that declare `sizes` but hold nothing: the directory alone is over the limits.
void addDeclared(ZipWriter &zip, const QList<quint32> &sizes)
{
    for (quint32 size : sizes) {
        ZipEntry entry;
        entry.name = "big" + QByteArray::number(zip.entries.size());
        entry.size = size;
        entry.payload = QByteArray();
        zip.entries.append(entry);
    }
}

} // namespace

TEST(WorkbookArchive, ReadsStoredDeflatedAndDescribedEntries)
{
    ZipWriter zip = twoEntries();
    zip.add(QStringLiteral("empty.xml"), QByteArray(), true);
    zip.add(QStringLiteral("dir//doubled.xml"), "d", false);
    zip.entries.last().extra = QByteArray(8, 'e');
    zip.add(QStringLiteral("described.xml"), text, true);
    zip.entries.last().dataDescriptor = true;
    zip.comment = QByteArray(100, 'c');
    const WorkbookArchive archive(zip.build());
    EXPECT_EQ(archive.entries().size(), 5);
    EXPECT_EQ(archive.read(QStringLiteral("a.xml")), text);
    EXPECT_EQ(archive.read(QStringLiteral("b.xml")), QByteArray("stored"));
    EXPECT_EQ(archive.read(QStringLiteral("empty.xml")), QByteArray());
    EXPECT_EQ(archive.read(QStringLiteral("dir//doubled.xml")), QByteArray("d"));
    EXPECT_EQ(archive.read(QStringLiteral("described.xml")), text);
    EXPECT_ISSUE(archive.read(QStringLiteral("missing.xml")), TableIssue, TableIssue::workbook);
    EXPECT_ISSUE(archive.read(QStringLiteral("/a.xml")), TableIssue, TableIssue::workbook);
}

TEST(WorkbookArchive, RefusesWhatTheDirectoryGetsWrong)
{
    const Broken cases[] = {
        {"end record not at the end", [](ZipWriter &z) { z.trailing = "junk"; }},
        {"junk after the comment",
         [](ZipWriter &z) {
             z.comment = "c";
             z.trailing = "x";
         }},
        {"comment longer than the file", [](ZipWriter &z) { z.commentLength = 5; }},
        {"second disk", [](ZipWriter &z) { z.disk = 1; }},
        {"directory on another disk", [](ZipWriter &z) { z.directoryDisk = 1; }},
        {"records on disk differ", [](ZipWriter &z) { z.recordsOnDisk = 1; }},
        {"no records", [](ZipWriter &z) { z.records = z.recordsOnDisk = 0; }},
        {"10000 records claimed", [](ZipWriter &z) { z.records = z.recordsOnDisk = 10000; }},
        {"directory runs into the end record", [](ZipWriter &z) { z.directorySize = 500; }},
        {"directory offset near 2^32", [](ZipWriter &z) { z.directoryOffset = 0xFFFFFFF0u; }},
        {"directory size near 2^32", [](ZipWriter &z) { z.directorySize = 0xFFFFFFF0u; }},
        {"directory ends after its last record", [](ZipWriter &z) { z.records = z.recordsOnDisk = 1; }},
        {"record passes the directory's end",
         [](ZipWriter &z) {
             z.entries[1].comment = "c";
             z.directorySize = 100;
         }},
        {"directory at a local header", [](ZipWriter &z) { z.directoryOffset = 0; }},
        {"encrypted", [](ZipWriter &z) { z.entries[0].centralFlags = 1; }},
        {"method 12", [](ZipWriter &z) { z.entries[0].centralMethod = 12; }},
        {"entry of 32 MiB and one byte", [](ZipWriter &z) { z.entries[0].size = 32 * mib + 1; }, TableIssue::large},
        {"entry size near 2^32", [](ZipWriter &z) { z.entries[0].size = 0xFFFFFFFFu; }},
        {"entry size one below the ZIP64 mark", [](ZipWriter &z) { z.entries[0].size = 0xFFFFFFFEu; },
         TableIssue::large},
        {"oversized entry of method 12",
         [](ZipWriter &z) {
             z.entries[0].centralMethod = 12;
             z.entries[0].size = 32 * mib + 1;
         }},
        {"name not UTF-8", [](ZipWriter &z) { z.entries[0].name = "a\xFF.xml"; }},
        {"absolute name", [](ZipWriter &z) { z.entries[0].name = "/a.xml"; }},
        {"backslash", [](ZipWriter &z) { z.entries[0].name = "xl\\a.xml"; }},
        {"dot-dot component", [](ZipWriter &z) { z.entries[0].name = "xl/../a.xml"; }},
        {"dot-dot at the end", [](ZipWriter &z) { z.entries[0].name = "xl/.."; }},
        {"repeated name", [](ZipWriter &z) { z.entries[1].name = "a.xml"; }},
        {"four entries of 30 MiB", [](ZipWriter &z) { addDeclared(z, QList<quint32>(4, 30 * mib)); },
         TableIssue::large},
        {"two of 32 MiB and one of 33",
         [](ZipWriter &z) {
             addDeclared(z, {32 * mib, 32 * mib, 33 * mib});
         },
         TableIssue::large},
    };
    for (const Broken &c : cases) {
        SCOPED_TRACE(c.name);
        ZipWriter zip = twoEntries();
        c.edit(zip);
        EXPECT_ISSUE(WorkbookArchive archive(zip.build()), TableIssue, c.issue);
    }
}

TEST(WorkbookArchive, RefusesFilesOfTheWrongSizeAndEntryCount)
{
    EXPECT_ISSUE(WorkbookArchive archive(QByteArray(21, '\0')), TableIssue, TableIssue::large);
    EXPECT_ISSUE(WorkbookArchive archive(QByteArray(32 * mib + 1, '\0')), TableIssue, TableIssue::large);
    EXPECT_ISSUE(WorkbookArchive archive(QByteArray(22, '\0')), TableIssue, TableIssue::workbook);

    ZipWriter many;
    for (int i = 0; i < 9999; ++i)
        many.add(QString::number(i), "x", false);
    EXPECT_EQ(WorkbookArchive(many.build()).entries().size(), 9999);
    many.add(QStringLiteral("one more"), "x", false);
    EXPECT_ISSUE(WorkbookArchive archive(many.build()), TableIssue, TableIssue::workbook);
}

TEST(WorkbookArchive, RefusesEntriesThatDoNotReadAsDeclared)
{
    const QByteArray deflated = testsupport::deflateRaw(text);
    // Declared at the limit, so the directory takes it; inflated, a byte more.
    const QByteArray pastTheLimit = testsupport::deflateRaw(QByteArray(32 * mib + 1, 'x'));
    const Broken cases[] = {
        {"local signature", [](ZipWriter &z) { z.entries[0].localOffset = 1; }},
        {"local offset near 2^32", [](ZipWriter &z) { z.entries[0].localOffset = 0xFFFFFFF0u; }},
        {"local method differs", [](ZipWriter &z) { z.entries[0].localMethod = 0; }},
        {"local encrypted flag", [](ZipWriter &z) { z.entries[0].localFlags = 1; }},
        {"compressed size near 2^32", [](ZipWriter &z) { z.entries[0].compressedSize = 0xFFFFFFF0u; }},
        {"deflated bigger than declared", [](ZipWriter &z) { z.entries[0].size = quint32(text.size() - 1); }},
        {"deflated past a declared 32 MiB",
         [pastTheLimit](ZipWriter &z) {
             z.entries[0].payload = pastTheLimit;
             z.entries[0].size = 32 * mib;
         }},
        {"deflated smaller than declared", [](ZipWriter &z) { z.entries[0].size = quint32(text.size() + 1); }},
        {"bytes after the deflated stream", [deflated](ZipWriter &z) { z.entries[0].payload = deflated + "xx"; }},
        {"deflated stream cut short",
         [deflated](ZipWriter &z) { z.entries[0].payload = deflated.left(deflated.size() - 2); }},
        {"not a deflated stream", [](ZipWriter &z) { z.entries[0].payload = QByteArray(40, '\xFF'); }},
        {"deflated CRC differs", [](ZipWriter &z) { z.entries[0].checksum = 0x12345678; }},
        {"stored length differs",
         [](ZipWriter &z) {
             z.entries[0].deflated = false;
             z.entries[0].size = 9999;
         }},
        {"stored CRC differs",
         [](ZipWriter &z) {
             z.entries[0].deflated = false;
             z.entries[0].checksum = 1;
         }},
    };
    for (const Broken &c : cases) {
        SCOPED_TRACE(c.name);
        ZipWriter zip = twoEntries();
        c.edit(zip);
        const WorkbookArchive archive(zip.build());
        EXPECT_ISSUE(archive.read(QStringLiteral("a.xml")), TableIssue, c.issue);
        // A failed read leaves the archive usable.
        EXPECT_EQ(archive.read(QStringLiteral("b.xml")), QByteArray("stored"));
    }
}
