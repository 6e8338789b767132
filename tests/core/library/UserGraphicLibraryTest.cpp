#include "core/library/UserGraphicLibrary.h"

#include "core/common/DocumentIssue.h"
#include "core/graphics/ImageAsset.h"
#include "tests/common/TestSupport.h"
#include "tests/core/graphics/PictureSamples.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kestrivane;

namespace {

const QUuid firstId = QUuid::fromString(QStringLiteral("abcdef00-1111-4222-8333-444455556666"));
const QUuid secondId = QUuid::fromString(QStringLiteral("0bcdef00-1111-4222-8333-444455556666"));

QString stem(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toLower();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray replaced(const QByteArray &text, const QByteArray &from, const QByteArray &to)
{
    return QByteArray(text).replace(from, to);
}

UserGraphicLibrary libraryIn(const QTemporaryDir &dir, qint64 budget = 1 << 30, int limit = 10)
{
    return UserGraphicLibrary(dir.filePath(QStringLiteral("lib")), budget, limit);
}

} // namespace

TEST(UserGraphicSafeName, KeepsTheLastPieceWithoutControlsAndStaysStable)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QList<std::pair<QString, QString>> cases = {
        {"photo.png", "photo.png"},
        {R"(C:\Users\me\pic.jpg)", "pic.jpg"},
        {"///", "image"},
        {"a/b/", "b"},
        {"\tA", "A"},
        {QString(300, u'a'), QString(255, u'a')},
        {QStringLiteral("a") + QChar(0) + QStringLiteral("b") + QChar(0x200B) + QStringLiteral("c"), "abc"},
        {QString(QChar(0x00A0)) + "name" + QChar(0x3000) + QChar(0x2028) + QChar(0x85), "name"},
        {" \n\r ", "image"},
        {QString(254, u'a') + QStringLiteral(" b"), QString(254, u'a')},
        {QString(254, u'a') + QChar(0x2028) + QStringLiteral("b"), QString(254, u'a')},
        {QString(254, u'a') + QStringLiteral("\nb"),
         QString(254, u'a') + QStringLiteral("b")}, // line feed is a control
        {emoji.repeated(300), emoji.repeated(255)},
        // The 255th character ends inside an emoji where Qt's own walk would cut it in half.
        {QStringLiteral(u"ङ}👨").repeated(100), QStringLiteral(u"ङ}👨").repeated(85)},
        {QString(255, u' ') + QStringLiteral("x"), "x"},
        {QString(255, QChar(0x2003)) + "\n", "image"},
    };
    for (const auto &[input, expected] : cases) {
        SCOPED_TRACE(input.left(20).toStdString() + " of " + std::to_string(input.size()));
        const QString safe = UserGraphicLibrary::safeName(input);
        EXPECT_EQ(safe, expected);
        EXPECT_EQ(UserGraphicLibrary::safeName(safe), safe);
    }
}

TEST(UserGraphicSideFile, IsWrittenInFixedOrderAndReadBackExactly)
{
    UserGraphic graphic{firstId, QStringLiteral("a\"b\\c\u00e9"), 0.1 + 0.2, QString(64, u'f')};
    const QByteArray text = graphic.encoded();
    EXPECT_EQ(text, QByteArray(R"({"id":"ABCDEF00-1111-4222-8333-444455556666","displayName":"a\"b\\c)") + "\xC3\xA9" +
                        R"(","importedAt":0.30000000000000004,"sha256":")" + QByteArray(64, 'f') + "\"}");
    EXPECT_EQ(UserGraphic::decode(text), graphic);
    EXPECT_EQ(graphic.graphicID(), QStringLiteral("user:abcdef00-1111-4222-8333-444455556666"));
    EXPECT_FALSE(UserGraphic::decode(
        replaced(text, "\"ABCDEF00-1111-4222-8333-444455556666\"", "\"{ABCDEF00-1111-4222-8333-444455556666}\"")));
    EXPECT_FALSE(UserGraphic::decode(replaced(text, "0.30000000000000004", "\"0.3\"")));
}

TEST(UserGraphicLibraryLoad, SkipsEveryTamperedOrForeignPicture)
{
    enum Action { keep, edit, write, rename, link, fifo, remove, twin };
    struct Case {
        const char *name;
        bool png; // which of the two files is changed
        Action action;
        QByteArray from, to; // edit: text replaced; write: new content; rename: new name
        int listed;
    };
    const QByteArray sum =
        QCryptographicHash::hash(ImageAsset::importRaster(samples::jpeg(20, 10)), QCryptographicHash::Sha256).toHex();
    const QByteArray upper = stem(firstId).toUpper().toUtf8();
    const QList<Case> cases = {
        {"untouched", false, keep, {}, {}, 1},
        {"other extension", false, rename, stem(firstId).toUtf8() + ".txt", {}, 0},
        {"side file is a link", false, link, {}, {}, 0},
        {"side file is a FIFO", false, fifo, {}, {}, 0},
        {"side file of 65537 bytes", false, edit, "}", "}" + QByteArray(65'537 - 165, ' '),
         0}, // 165: the side file's own size
        {"not JSON", false, write, "{", {}, 0},
        {"name of another id", false, rename, stem(secondId).toUtf8() + ".json", {}, 0},
        {"name differs in case only", false, rename, upper + ".json", {}, 1},
        {"members reordered, others added",
         false,
         write,
         R"({"x":[1],"sha256":")" + sum + R"(","importedAt":1000,"displayName":"photo.jpg","id":")" + upper + "\"}",
         {},
         1},
        {"id in braces", false, edit, "\"id\":\"", "\"id\":\"{", 0},
        {"empty display name", false, edit, "\"photo.jpg\"", "\"\"", 0},
        {"unsafe display name", false, edit, "\"photo.jpg\"", "\"a/photo.jpg\"", 0},
        {"infinite date", false, edit, "\"importedAt\":1000", "\"importedAt\":1e999", 0},
        {"short checksum", false, edit, sum, sum.left(63), 0},
        {"upper-case checksum", false, edit, sum, sum.toUpper(), 0},
        // Listed by name, the upper-case twin comes first; its id is taken even when it fails later.
        {"same id, first fails later", false, twin, "\"photo.jpg\"", "\"\"", 0},
        {"same id twice", false, twin, "\"photo.jpg\"", "\"photo.jpg\"", 1},
        {"missing PNG", true, remove, {}, {}, 0},
        {"altered PNG", true, write, samples::png(5, 5, Qt::blue), {}, 0},
        {"PNG is a link", true, link, {}, {}, 0},
        {"PNG is a FIFO", true, fifo, {}, {}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const UserGraphicLibrary library = libraryIn(dir);
        const UserGraphic graphic = library.importRaster(samples::jpeg(20, 10), "photo.jpg", firstId, 1000);
        const QString path = library.directory() + u'/' + stem(firstId) + (c.png ? ".png" : ".json");
        const QByteArray text = testsupport::readFile(path);
        if (c.action == edit) {
            ASSERT_TRUE(text.contains(c.from));
            writeFile(path, replaced(text, c.from, c.to));
            ASSERT_TRUE(c.to.size() < 1000 || QFileInfo(path).size() == 65'537);
        } else if (c.action == twin) {
            writeFile(library.directory() + u'/' + QString::fromUtf8(upper) + ".json", replaced(text, c.from, c.to));
        } else if (c.action == write) {
            writeFile(path, c.from);
        } else if (c.action == rename) {
            ASSERT_TRUE(QFile::rename(path, library.directory() + u'/' + QString::fromUtf8(c.from)));
        } else if (c.action == link) {
            ASSERT_TRUE(QFile::rename(path, dir.filePath("copy")) && QFile::link(dir.filePath("copy"), path));
        } else if (c.action == fifo || c.action == remove) {
            QFile::remove(path);
            ASSERT_TRUE(c.action == remove || ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        }
        const QList<UserGraphic> list = library.load();
        ASSERT_EQ(list.size(), c.listed);
        if (c.listed == 1) {
            EXPECT_EQ(list.first(), graphic);
        }
        if (c.png)
            EXPECT_ISSUE(library.data(graphic), DocumentIssue, DocumentIssue::invalidImage);
    }
}

TEST(UserGraphicLibraryLoad, ChecksTheFolderAndItsLimits)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lib"));
    EXPECT_TRUE(UserGraphicLibrary(path, 100, 1).load().isEmpty());
    const UserGraphicLibrary nowhere(QString(), 100, 1);
    EXPECT_ISSUE(nowhere.load(), DocumentIssue, DocumentIssue::io);
    EXPECT_ISSUE(nowhere.data(UserGraphic{firstId, "a", 0, QString(64, u'0')}), DocumentIssue, DocumentIssue::io);

    writeFile(path, "x");
    EXPECT_ISSUE(UserGraphicLibrary(path, 100, 1).load(), DocumentIssue, DocumentIssue::io);
    QFile::remove(path);
    QDir(dir.path()).mkdir(QStringLiteral("real"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("real")), path));
    EXPECT_ISSUE(UserGraphicLibrary(path, 100, 1).load(), DocumentIssue, DocumentIssue::io);
    EXPECT_ISSUE(UserGraphicLibrary(path, 1 << 30, 5).importRaster(samples::png(2, 2), "a", firstId, 0), DocumentIssue,
                 DocumentIssue::io);
    QFile::remove(path);

    // Three entries per allowed picture are listed; one more is refused, hidden ones are free.
    const UserGraphicLibrary small(path, 1 << 30, 2);
    QDir().mkpath(path);
    for (int i = 0; i < 6; ++i)
        writeFile(path + QStringLiteral("/f%1").arg(i), "x");
    writeFile(path + "/.hidden", "x");
    EXPECT_TRUE(small.load().isEmpty());
    writeFile(path + "/f6", "x");
    EXPECT_ISSUE(small.load(), DocumentIssue, DocumentIssue::tooLarge);
}

TEST(UserGraphicLibraryLoad, SortsNewestFirstAndRefusesMoreThanTheLimit)
{
    QTemporaryDir dir;
    const UserGraphicLibrary library = libraryIn(dir, 1 << 30, 3);
    const QUuid thirdId = QUuid::fromString(QStringLiteral("5bcdef00-1111-4222-8333-444455556666"));
    library.importRaster(samples::png(2, 2), "old", thirdId, 10);
    library.importRaster(samples::png(2, 2), "tie a", firstId, 20);
    library.importRaster(samples::png(2, 2), "tie b", secondId, 20);
    const QList<UserGraphic> list = library.load();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.at(0).id, secondId); // "0BCDEF00-..." sorts before "ABCDEF00-..."
    EXPECT_EQ(list.at(1).id, firstId);
    EXPECT_EQ(list.at(2).id, thirdId);
    EXPECT_ISSUE(UserGraphicLibrary(library.directory(), 1 << 30, 2).load(), DocumentIssue, DocumentIssue::tooLarge);
}

TEST(UserGraphicLibraryImport, StoresNormalisedPngsWithinLimitAndBudget)
{
    QTemporaryDir dir;
    const UserGraphicLibrary library = libraryIn(dir, 1 << 30, 2);
    const QByteArray jpeg = samples::jpeg(30, 20);
    const UserGraphic first = library.importRaster(jpeg, "C:\\photos\\holiday.jpg", firstId, 1.5);
    EXPECT_EQ(first.displayName, QStringLiteral("holiday.jpg"));
    const QByteArray png = library.data(first);
    EXPECT_EQ(samples::decoded(png).size(), QSize(30, 20));
    EXPECT_TRUE(png.startsWith("\x89PNG"));
    const UserGraphic second = library.importRaster(jpeg, "holiday.jpg", secondId, 2.5);
    EXPECT_EQ(second.sha256, first.sha256);
    EXPECT_EQ(library.load(), (QList<UserGraphic>{second, first}));
    EXPECT_EQ(QDir(library.directory()).entryList(QDir::Files).size(), 4);

    // Full library, or an id already taken.
    const QUuid thirdId = QUuid::createUuid();
    EXPECT_ISSUE(library.importRaster(jpeg, "x", thirdId, 3), DocumentIssue, DocumentIssue::tooLarge);
    EXPECT_ISSUE(libraryIn(dir, 1 << 30, 5).importRaster(jpeg, "x", firstId, 3), DocumentIssue,
                 DocumentIssue::tooLarge);
    EXPECT_ISSUE(library.importRaster("not a picture", "x", thirdId, 3), DocumentIssue, DocumentIssue::invalidImage);
    EXPECT_EQ(QDir(library.directory()).entryList(QDir::Files).size(), 4);
}

TEST(UserGraphicLibraryImport, AcceptsExactlyTheBudgetAndNotOneByteMore)
{
    const QByteArray picture = samples::png(16, 16);
    QTemporaryDir probe;
    libraryIn(probe).importRaster(picture, "p", firstId, 7);
    const QString base = probe.filePath(QStringLiteral("lib/")) + stem(firstId);
    const qint64 firstBytes = QFileInfo(base + ".png").size() + QFileInfo(base + ".json").size();

    for (qint64 slack : {0, -1}) {
        SCOPED_TRACE(slack);
        QTemporaryDir dir;
        const UserGraphicLibrary library = libraryIn(dir, 2 * firstBytes + 3 + slack);
        QDir().mkpath(library.directory());
        writeFile(library.directory() + "/orphan.png", "abc"); // orphans take budget too
        library.importRaster(picture, "p", firstId, 7);
        if (slack == 0) {
            EXPECT_NO_THROW(library.importRaster(picture, "p", secondId, 7));
        } else {
            EXPECT_ISSUE(library.importRaster(picture, "p", secondId, 7), DocumentIssue, DocumentIssue::tooLarge);
            EXPECT_FALSE(QFile::exists(library.directory() + u'/' + stem(secondId) + ".png"));
        }
    }
}

TEST(UserGraphicLibraryImport, NeverReplacesAFileInItsPlace)
{
    for (const char *extension : {".png", ".json"}) {
        SCOPED_TRACE(extension);
        QTemporaryDir dir;
        const UserGraphicLibrary library = libraryIn(dir);
        QDir().mkpath(library.directory());
        const QString stray = library.directory() + u'/' + stem(firstId) + extension;
        ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nowhere")), stray)); // even a broken link counts
        EXPECT_ISSUE(library.importRaster(samples::png(2, 2), "p", firstId, 0), DocumentIssue, DocumentIssue::io);
        EXPECT_EQ(QDir(library.directory()).entryList(QDir::Files | QDir::System).size(), 1);
    }
}
