#include "core/library/GraphicLibrary.h"

#include "core/common/DocumentIssue.h"
#include "core/json/JsonRead.h"
#include "core/l10n/StringTable.h"
#include "core/web/WebImageAsset.h"
#include "tests/common/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <variant>

using namespace kestrivane;

namespace {

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(GraphicLibraryShippedSigns, EverySignIsUsableAndTranslated)
{
    const QList<GraphicSign> signs = GraphicLibrary::load();
    ASSERT_GE(signs.size(), 40);

    QList<StringTable> tables;
    for (AppLanguage language : allAppLanguages)
        tables.append(parseStringTable(testsupport::readFile(stringTablePath(language))).table);
    const StringTable english = parseStringTable(testsupport::readFile(stringTablePath(AppLanguage::english))).table;

    QSet<QString> ids;
    QSet<QString> categories;
    const int cell = 96;
    const int columns = 8;
    const int rows = int((signs.size() + columns - 1) / columns);
    QImage sheet(columns * (cell + 40), rows * (cell + 34), QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);

    for (qsizetype i = 0; i < signs.size(); ++i) {
        const GraphicSign &sign = signs.at(i);
        SCOPED_TRACE(sign.filename.toStdString());
        // Ids are stored in documents: they derive from the file name and never change.
        const QString stem = sign.filename.chopped(4);
        const QByteArray seed = "kestrivane-sign:" + stem.toUtf8();
        EXPECT_EQ(sign.id, QStringLiteral("ms_") + sha256Hex(seed).left(32));
        EXPECT_FALSE(ids.contains(sign.id));
        ids.insert(sign.id);
        EXPECT_TRUE(sign.filename.endsWith(QStringLiteral(".svg")));
        EXPECT_FALSE(sign.filename.contains(u'/') || sign.filename.contains(u'\\') ||
                     sign.filename.contains(QStringLiteral("..")));

        const QByteArray bytes = testsupport::readFile(sign.url());
        EXPECT_EQ(sign.sha256, sha256Hex(bytes)) << "run: cmake -P scripts/update-sign-manifest.cmake";
        EXPECT_LT(bytes.size(), 8 * 1024);
        EXPECT_NO_THROW(WebImageAsset::validate(bytes));
        for (const char *refused :
             {"<text", "<style", "<image", "<use", "href", "<!DOCTYPE", "Gradient", "<pattern", "<mask", "<filter"})
            EXPECT_FALSE(bytes.contains(refused)) << refused;
        EXPECT_TRUE(
            GraphicLibrary::bundledWebSign(QStringLiteral("/static/signs/") + sign.id + QStringLiteral(".svg")));

        const QImage embedded = QImage::fromData(sign.embeddedPNG(), "png");
        EXPECT_EQ(std::max(embedded.width(), embedded.height()), 1024);
        const QImage alpha = embedded.convertToFormat(QImage::Format_Alpha8);
        int inked = 0;
        for (int y = 0; y < alpha.height(); y += 4)
            for (int x = 0; x < alpha.width(); x += 4)
                inked += alpha.constScanLine(y)[x] > 128;
        EXPECT_GT(inked, 200); // a visible drawing, not an empty or nearly empty one

        for (const StringTable &table : tables) {
            EXPECT_TRUE(table.contains(sign.titleKey));
            EXPECT_TRUE(table.contains(sign.categoryKey));
        }
        EXPECT_TRUE(sign.categoryKey.startsWith(QStringLiteral("mac.sign_cat_")));
        categories.insert(sign.categoryKey);

        const QPoint origin(int(i % columns) * (cell + 40) + 20, int(i / columns) * (cell + 34) + 6);
        painter.drawImage(QRect(origin, QSize(cell, cell)), sign.picture(cell));
        painter.drawText(QRect(origin.x() - 20, origin.y() + cell + 2, cell + 40, 24),
                         Qt::AlignHCenter | Qt::TextWordWrap, english.text(sign.titleKey));
    }
    painter.end();
    EXPECT_GE(categories.size(), 2);
    EXPECT_TRUE(sheet.save(testsupport::outputPath(QStringLiteral("signs.png"))));
}

TEST(GraphicLibraryManifest, ChecksIdsAndFileNamesOnly)
{
    struct Case {
        const char *name;
        QByteArray manifest;                                     // empty: no manifest file at all
        std::variant<int, DocumentIssue, const char *> expected; // sign count, issue, or error kind
    };
    auto entry = [](const char *id, const char *filename) {
        return QByteArray(R"({"id":")") + id + R"(","titleKey":"t","categoryKey":"c","filename":")" + filename +
               R"(","sha256":"x","extra":1})";
    };
    const QList<Case> cases = {
        {"empty array", "[]", 0},
        {"two signs", "[" + entry("a", "a.svg") + "," + entry("b", "b.svg") + "]", 2},
        {"ids differing in case", "[" + entry("a", "a.svg") + "," + entry("A", "b.svg") + "]", 2},
        {"duplicate id", "[" + entry("a", "a.svg") + "," + entry("a", "b.svg") + "]", DocumentIssue::invalidImage},
        {"slash", "[" + entry("a", "x/a.svg") + "]", DocumentIssue::invalidImage},
        {"backslash", "[" + entry("a", R"(x\\a.svg)") + "]", DocumentIssue::invalidImage},
        {"dot dot", "[" + entry("a", "../a.svg") + "]", DocumentIssue::invalidImage},
        {"dot dot at start of name", "[" + entry("a", "..x") + "]", DocumentIssue::invalidImage},
        {"missing member", R"([{"id":"a","titleKey":"t","categoryKey":"c","filename":"a.svg"}])", "json"},
        {"number for a string", R"([{"id":1,"titleKey":"t","categoryKey":"c","filename":"a.svg","sha256":"x"}])",
         "json"},
        {"object at top", R"({"id":"a"})", "json"},
        {"not JSON", "[{", "json"},
        {"no file", QByteArray(), "file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        if (!c.manifest.isEmpty())
            writeFile(folder.filePath(QStringLiteral("manifest.json")), c.manifest);
        if (const int *count = std::get_if<int>(&c.expected)) {
            const QList<GraphicSign> signs = GraphicLibrary::load(folder.path());
            ASSERT_EQ(signs.size(), *count);
            if (*count == 2) {
                EXPECT_EQ(signs.at(1).url(), folder.filePath(QStringLiteral("b.svg")));
                EXPECT_ISSUE(signs.at(1).embeddedPNG(), DocumentIssue, DocumentIssue::invalidImage); // no file
            }
        } else if (const DocumentIssue *issue = std::get_if<DocumentIssue>(&c.expected)) {
            EXPECT_ISSUE(GraphicLibrary::load(folder.path()), DocumentIssue, *issue);
        } else if (std::string(std::get<const char *>(c.expected)) == "json") {
            EXPECT_THROW(GraphicLibrary::load(folder.path()), JsonError);
        } else {
            EXPECT_THROW(GraphicLibrary::load(folder.path()), FileError);
        }
    }
}

TEST(GraphicLibraryWebSign, FindsOnlyVerifiedBuiltInSigns)
{
    const QString hex = QStringLiteral("0123456789abcdef0123456789abcdef");
    const QString other = QStringLiteral("ffffffffffffffffffffffffffffffff");
    const QByteArray drawing = R"(<svg xmlns="http://www.w3.org/2000/svg" width="4" height="4"/>)";
    QTemporaryDir folder;
    const QString dir = folder.path();
    auto write = [&](const QString &name, const QByteArray &bytes) { writeFile(QDir(dir).filePath(name), bytes); };
    write(QStringLiteral("plain.svg"), drawing);
    write(QStringLiteral("big.svg"), QByteArray(8'388'608, ' '));
    write(QStringLiteral("huge.svg"), QByteArray(8'388'609, ' '));
    write(QStringLiteral("empty.svg"), QByteArray());
    ASSERT_TRUE(
        QFile::link(QDir(dir).filePath(QStringLiteral("plain.svg")), QDir(dir).filePath(QStringLiteral("link.svg"))));
    const QString big = sha256Hex(QByteArray(8'388'608, ' '));
    const QString huge = sha256Hex(QByteArray(8'388'609, ' '));
    auto sign = [](const QString &id, const QString &file, const QString &sum) {
        return QStringLiteral(R"({"id":"%1","titleKey":"t","categoryKey":"c","filename":"%2","sha256":"%3"})")
            .arg(id, file, sum);
    };
    const QString ids[] = {"ms_" + hex,         "MS_" + hex.toUpper(), "ms_1" + hex.mid(1), "ms_2" + hex.mid(1),
                           "ms_3" + hex.mid(1), "ms_4" + hex.mid(1),   "ms_5" + hex.mid(1), "ms_6" + hex.mid(1)};
    const QStringList entries = {
        sign(ids[0], "plain.svg", sha256Hex(drawing).toUpper()), // upper-case checksum matches
        sign(ids[1], "big.svg", big),                            // same key when lower-cased: never reached
        sign(ids[2], "big.svg", big),
        sign(ids[3], "huge.svg", huge),
        sign(ids[4], "plain.svg", QString(64, u'0')),
        sign(ids[5], "link.svg", sha256Hex(drawing)),
        sign(ids[6], "empty.svg", sha256Hex(QByteArray())),
        sign(ids[7], "gone.svg", sha256Hex(drawing)),
    };
    write(QStringLiteral("manifest.json"), "[" + entries.join(u',').toUtf8() + "]");

    enum Outcome { nothing, drawingBytes, bigBytes, refused };
    const QList<std::pair<QString, Outcome>> cases = {
        {"https://any.example/static/signs/ms_" + hex.toUpper() + ".svg", drawingBytes},
        {"/media/signs/MS_" + hex + ".png", drawingBytes},
        {"/a/signs/ms_" + hex, drawingBytes},
        {"/signs/ms_" + hex + ".svg", nothing},
        {"/static/Signs/ms_" + hex + ".svg", nothing},
        {"/static/signs/ms_" + hex + ".svg?v=2", nothing},
        {"/static/signs/ms_" + hex + ".svg#", nothing},
        {"/static/signs/ms_" + hex.left(31) + "g.svg", nothing},
        {"/static/signs/ms_" + other + ".svg", nothing},
        {"http://[bad/static/signs/ms_" + hex + ".svg", nothing},
        {"/x/signs/" + ids[2], bigBytes},
        {"/x/signs/" + ids[3], refused},
        {"/x/signs/" + ids[4], refused},
        {"/x/signs/" + ids[5], refused},
        {"/x/signs/" + ids[6], refused},
        {"/x/signs/" + ids[7], refused},
    };
    for (const auto &[reference, outcome] : cases) {
        SCOPED_TRACE(reference.toStdString());
        if (outcome == refused) {
            EXPECT_ISSUE(GraphicLibrary::bundledWebSign(reference, dir), DocumentIssue, DocumentIssue::invalidImage);
            continue;
        }
        const std::optional<QByteArray> found = GraphicLibrary::bundledWebSign(reference, dir);
        EXPECT_EQ(found.has_value(), outcome != nothing);
        if (found) {
            EXPECT_EQ(found->size(), outcome == drawingBytes ? drawing.size() : 8'388'608);
        }
    }

    // A reference too long to be a sign is dismissed before the manifest is read.
    QTemporaryDir empty;
    const QString tail = "a/signs/ms_" + hex + ".svg";
    EXPECT_FALSE(GraphicLibrary::bundledWebSign(QString(2049 - tail.size(), u'/') + tail, empty.path()));
    EXPECT_THROW(GraphicLibrary::bundledWebSign(QString(2048 - tail.size(), u'/') + tail, empty.path()), FileError);
}
