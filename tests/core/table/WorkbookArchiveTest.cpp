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
    TableIssue issue;
};

constexpr quint32 mib = 1024 * 1024;

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
        {"end record not at the end", [](ZipWriter &z) { z.trailing = "junk"; }, TableIssue::workbook},
        {"junk after the comment",
         [](ZipWriter &z) {
             z.comment = "c";
             z.trailing = "x";
         },
         TableIssue::workbook},
        {"comment longer than the file", [](ZipWriter &z) { z.commentLength = 5; }, TableIssue::workbook},
        {"second disk", [](ZipWriter &z) { z.disk = 1; }, TableIssue::workbook},
        {"directory on another disk", [](ZipWriter &z) { z.directoryDisk = 1; }, TableIssue::workbook},
        {"records on disk differ", [](ZipWriter &z) { z.recordsOnDisk = 1; }, TableIssue::workbook},
        {"no records",
         [](ZipWriter &z) {
             z.records = 0;
             z.recordsOnDisk = 0;
         },
         TableIssue::workbook},
        {"10000 records claimed",
         [](ZipWriter &z) {
             z.records = 10000;
             z.recordsOnDisk = 10000;
         },
         TableIssue::workbook},
        {"directory runs into the end record", [](ZipWriter &z) { z.directorySize = 500; }, TableIssue::workbook},
        {"directory offset near 2^32", [](ZipWriter &z) { z.directoryOffset = 0xFFFFFFF0u; }, TableIssue::workbook},
        {"directory size near 2^32", [](ZipWriter &z) { z.directorySize = 0xFFFFFFF0u; }, TableIssue::workbook},
        {"directory ends after its last record",
         [](ZipWriter &z) {
             z.records = 1;
             z.recordsOnDisk = 1;
         },
         TableIssue::workbook},
        {"record passes the directory's end",
         [](ZipWriter &z) {
             z.entries[1].comment = "c";
             z.directorySize = 100;
         },
         TableIssue::workbook},
        {"directory at a local header", [](ZipWriter &z) { z.directoryOffset = 0; }, TableIssue::workbook},
        {"encrypted", [](ZipWriter &z) { z.entries[0].centralFlags = 1; }, TableIssue::workbook},
        {"method 12", [](ZipWriter &z) { z.entries[0].centralMethod = 12; }, TableIssue::workbook},
        {"entry of 32 MiB and one byte", [](ZipWriter &z) { z.entries[0].size = 32 * mib + 1; }, TableIssue::workbook},
        {"entry size near 2^32", [](ZipWriter &z) { z.entries[0].size = 0xFFFFFFFFu; }, TableIssue::workbook},
        {"name not UTF-8", [](ZipWriter &z) { z.entries[0].name = "a\xFF.xml"; }, TableIssue::workbook},
        {"absolute name", [](ZipWriter &z) { z.entries[0].name = "/a.xml"; }, TableIssue::workbook},
        {"backslash", [](ZipWriter &z) { z.entries[0].name = "xl\\a.xml"; }, TableIssue::workbook},
        {"dot-dot component", [](ZipWriter &z) { z.entries[0].name = "xl/../a.xml"; }, TableIssue::workbook},
        {"dot-dot at the end", [](ZipWriter &z) { z.entries[0].name = "xl/.."; }, TableIssue::workbook},
        {"repeated name", [](ZipWriter &z) { z.entries[1].name = "a.xml"; }, TableIssue::workbook},
        {"four entries of 30 MiB",
         [](ZipWriter &z) {
             for (int i = 0; i < 4; ++i) {
                 ZipEntry entry;
                 entry.name = "big" + QByteArray::number(i);
                 entry.size = 30 * mib;
                 entry.payload = QByteArray();
                 z.entries.append(entry);
             }
         },
         TableIssue::large},
        {"two of 32 MiB and one of 33",
         [](ZipWriter &z) {
             for (quint32 size : {32 * mib, 32 * mib, 33 * mib}) {
                 ZipEntry entry;
                 entry.name = "big" + QByteArray::number(z.entries.size());
                 entry.size = size;
                 entry.payload = QByteArray();
                 z.entries.append(entry);
             }
         },
         TableIssue::workbook},
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
    const Broken cases[] = {
        {"local signature", [](ZipWriter &z) { z.entries[0].localOffset = 1; }, TableIssue::workbook},
        {"local offset near 2^32", [](ZipWriter &z) { z.entries[0].localOffset = 0xFFFFFFF0u; }, TableIssue::workbook},
        {"local method differs", [](ZipWriter &z) { z.entries[0].localMethod = 0; }, TableIssue::workbook},
        {"local encrypted flag", [](ZipWriter &z) { z.entries[0].localFlags = 1; }, TableIssue::workbook},
        {"compressed size near 2^32", [](ZipWriter &z) { z.entries[0].compressedSize = 0xFFFFFFF0u; },
         TableIssue::workbook},
        {"deflated bigger than declared", [](ZipWriter &z) { z.entries[0].size = quint32(text.size() - 1); },
         TableIssue::workbook},
        {"deflated smaller than declared", [](ZipWriter &z) { z.entries[0].size = quint32(text.size() + 1); },
         TableIssue::workbook},
        {"bytes after the deflated stream", [deflated](ZipWriter &z) { z.entries[0].payload = deflated + "xx"; },
         TableIssue::workbook},
        {"deflated stream cut short",
         [deflated](ZipWriter &z) { z.entries[0].payload = deflated.left(deflated.size() - 2); }, TableIssue::workbook},
        {"not a deflated stream", [](ZipWriter &z) { z.entries[0].payload = QByteArray(40, '\xFF'); },
         TableIssue::workbook},
        {"deflated CRC differs", [](ZipWriter &z) { z.entries[0].checksum = 0x12345678; }, TableIssue::workbook},
        {"stored length differs",
         [](ZipWriter &z) {
             z.entries[0].deflated = false;
             z.entries[0].size = 9999;
         },
         TableIssue::workbook},
        {"stored CRC differs",
         [](ZipWriter &z) {
             z.entries[0].deflated = false;
             z.entries[0].checksum = 1;
         },
         TableIssue::workbook},
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
