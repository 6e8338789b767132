#include "core/catalog/CatalogModel.h"
#include "core/json/JsonRead.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <functional>
#include <limits>

using namespace kestrivane;
using Kind = CatalogIssue::Kind;

namespace {

QByteArray itemText(const QString &id, const char *extra = "")
{
    return QStringLiteral(R"({"id":"%1","widthMm":50,"heightMm":30,"downloadUrl":"d/%1","previewUrl":"p/%1"%2})")
        .arg(id, QString::fromUtf8(extra))
        .toUtf8();
}

QJsonObject validPage()
{
    QJsonArray items;
    for (int i = 0; i < 3; ++i)
        items.append(QJsonDocument::fromJson(itemText(QString::number(i))).object());
    return QJsonObject{{"schemaVersion", 1}, {"items", items}, {"page", 2},
                       {"size", 50},         {"total", 103},   {"totalPages", 3}};
}

std::optional<Kind> validationIssue(const std::function<void()> &f)
{
    try {
        f();
    } catch (const CatalogError &error) {
        return error.issue().kind();
    }
    return std::nullopt;
}

} // namespace

TEST(CatalogItem, ReadsThroughTheTypedLayer)
{
    struct Row {
        QByteArray text;
        std::optional<QString> name; // empty: refused
    };
    const Row rows[] = {
        {itemText("a", R"(,"name":"Box")"), "Box"},
        {itemText("a", R"(,"name":"")"), "a"},
        {itemText("a"), "a"},
        {itemText("a", R"(,"name":null)"), "a"},
        {itemText("a", R"(,"name":5)"), std::nullopt},
        {R"({"id":"a","widthMm":"50","heightMm":30,"downloadUrl":"d","previewUrl":"p"})", std::nullopt},
        {R"({"id":"a","widthMm":50,"heightMm":30,"previewUrl":"p"})", std::nullopt},
    };
    for (const Row &row : rows) {
        try {
            const CatalogItem item = CatalogItem::fromJson(QJsonDocument::fromJson(row.text).object());
            ASSERT_TRUE(row.name) << row.text.constData();
            EXPECT_EQ(item.name, *row.name);
            // Absent optional fields stay absent; the name is always written.
            const QJsonObject written = item.toJson();
            EXPECT_TRUE(written.contains("name"));
            EXPECT_FALSE(written.contains("description"));
            EXPECT_EQ(CatalogItem::fromJson(written), item);
        } catch (const JsonError &) {
            EXPECT_FALSE(row.name) << row.text.constData();
        }
    }
}

TEST(CatalogPage, ValidatesInOrder)
{
    const QString longId(257, QLatin1Char('x'));
    const QString emojiId = QString::fromUtf8("👩‍👩‍👧").repeated(256); // 256 graphemes
    struct Row {
        const char *name;
        std::function<void(QJsonObject &)> change;
        std::optional<Kind> expected;
    };
    const auto item = [](QJsonObject &page, const QString &key, const QJsonValue &value) {
        QJsonArray items = page["items"].toArray();
        QJsonObject first = items[0].toObject();
        first[key] = value;
        items[0] = first;
        page["items"] = items;
    };
    const Row rows[] = {
        {"valid", [](QJsonObject &) {}, std::nullopt},
        {"version wins over all",
         [](QJsonObject &p) {
             p = {{"schemaVersion", 2}, {"items", QJsonArray()}, {"page", -1},
                  {"size", 0},          {"total", -1},           {"totalPages", -1}};
         },
         Kind::version},
        {"other page", [](QJsonObject &p) { p["page"] = 3; }, Kind::invalid},
        {"size 0", [](QJsonObject &p) { p["size"] = 0; }, Kind::invalid},
        {"size 101", [](QJsonObject &p) { p["size"] = 101; }, Kind::invalid},
        {"more items than size", [](QJsonObject &p) { p["size"] = 2; }, Kind::invalid},
        {"negative total", [](QJsonObject &p) { p["total"] = -1; }, Kind::invalid},
        {"totalPages 10001", [](QJsonObject &p) { p["totalPages"] = 10001; }, std::nullopt},
        {"totalPages 10002", [](QJsonObject &p) { p["totalPages"] = 10002; }, Kind::invalid},
        {"empty id", [&](QJsonObject &p) { item(p, "id", ""); }, Kind::invalid},
        {"257 characters", [&](QJsonObject &p) { item(p, "id", longId); }, Kind::invalid},
        {"256 graphemes", [&](QJsonObject &p) { item(p, "id", emojiId); }, std::nullopt},
        {"zero width", [&](QJsonObject &p) { item(p, "widthMm", 0); }, Kind::invalid},
        {"negative height", [&](QJsonObject &p) { item(p, "heightMm", -1); }, Kind::invalid},
    };
    for (const Row &row : rows) {
        QJsonObject json = validPage();
        row.change(json);
        const CatalogPage page = CatalogPage::decode(QJsonDocument(json).toJson());
        EXPECT_EQ(validationIssue([&] { page.validate(2); }), row.expected) << row.name;
    }
    CatalogPage page = CatalogPage::decode(QJsonDocument(validPage()).toJson());
    page.items[1].heightMm = std::numeric_limits<double>::infinity();
    EXPECT_EQ(validationIssue([&] { page.validate(2); }), Kind::invalid);
    EXPECT_EQ(validationIssue([] { CatalogPage::decode("{\"schemaVersion\":1}"); }), Kind::invalid);
}

TEST(CatalogDesign, DecodesTheEnvelopeInOrder)
{
    struct Row {
        const char *text;
        std::variant<QString, Kind> expected; // the chosen name, or the issue
    };
    const Row rows[] = {
        {"[]", Kind::version},
        {"{}", Kind::version},
        {R"({"schemaVersion":"1","format":"kestrivane-web"})", Kind::version},
        {R"({"schemaVersion":2,"format":"kestrivane-web","id":5})", Kind::version},
        {R"({"schemaVersion":1,"format":"Kestrivane-web","id":5})", Kind::version},
        {R"({"schemaVersion":1,"format":"kestrivane-web","id":5,"elements":[],"template":{}})", Kind::invalid},
        {R"({"schemaVersion":1,"format":"kestrivane-web","id":"d","elements":{},"template":{}})", Kind::invalid},
        {R"({"schemaVersion":1,"format":"kestrivane-web","id":"d","elements":[],"template":[]})", Kind::invalid},
        {R"({"schemaVersion":1.0,"format":"kestrivane-web","id":"d","elements":[],"template":{},"name":" Box "})",
         QStringLiteral(" Box ")},
        {R"({"schemaVersion":1,"format":"kestrivane-web","id":"d","elements":[],"name":" \n\t","template":{"name":"T"}})",
         QStringLiteral("T")},
        {R"({"schemaVersion":1,"format":"kestrivane-web","id":"d","elements":[],"name":7,"template":{"name":"  "}})",
         QStringLiteral("d")},
        {R"({"schemaVersion":1,"format":"kestrivane-web","id":" ","elements":[],"template":{}})", QStringLiteral(" ")},
        {R"({"schemaVersion":1,"format":"kestrivane-web")", Kind::invalid},
        {R"([1e400])", Kind::invalid},
    };
    for (const Row &row : rows) {
        try {
            const CatalogDesign design = CatalogDesign::decode(QByteArray(row.text));
            ASSERT_TRUE(std::holds_alternative<QString>(row.expected)) << row.text;
            EXPECT_EQ(design.name, std::get<QString>(row.expected)) << row.text;
        } catch (const CatalogError &error) {
            ASSERT_TRUE(std::holds_alternative<Kind>(row.expected)) << row.text;
            EXPECT_EQ(error.issue().kind(), std::get<Kind>(row.expected)) << row.text;
        }
    }
}

TEST(CatalogDesign, KeepsTheReceivedBytesUpToTwelveMebibytes)
{
    const QByteArray head =
        R"({"schemaVersion":1,"format":"kestrivane-web","id":"d","elements":[],"template":{},"n":0.10})";
    QByteArray exact = head;
    exact.insert(1, QByteArray(catalog::maximumJSONBytes - head.size(), ' '));
    ASSERT_EQ(exact.size(), catalog::maximumJSONBytes);
    const CatalogDesign design = CatalogDesign::decode(exact);
    EXPECT_EQ(design.archivedJSON(), exact);
    EXPECT_ISSUE(CatalogDesign::decode(exact + ' '), CatalogIssue, Kind::tooLarge);

    // Without the received bytes the source is written compactly.
    CatalogDesign copy = CatalogDesign::decode(head);
    copy.originalJSON.reset();
    EXPECT_EQ(CatalogJSON::parse(copy.archivedJSON()), CatalogJSON::parse(head));
    EXPECT_FALSE(copy.archivedJSON().contains(' '));
}

TEST(CatalogDesign, ValidatesAgainstTheItem)
{
    const auto design = [](const QString &name, int elements) {
        QJsonArray array;
        for (int i = 0; i < elements; ++i)
            array.append(QJsonObject());
        const QJsonObject o{{"schemaVersion", 1}, {"format", "kestrivane-web"}, {"id", "d"},
                            {"name", name},       {"elements", array},          {"template", QJsonObject()}};
        return CatalogDesign::decode(QJsonDocument(o).toJson());
    };
    EXPECT_EQ(validationIssue([&] { design("Box", 500).validate("d"); }), std::nullopt);
    EXPECT_EQ(validationIssue([&] { design("Box", 501).validate("d"); }), Kind::invalid);
    EXPECT_EQ(validationIssue([&] { design("Box", 0).validate("e"); }), Kind::invalid);
    EXPECT_EQ(validationIssue([&] { design(QString(257, 'n'), 0).validate("d"); }), Kind::invalid);
    CatalogDesign other = design("Box", 0);
    other.format = "web";
    EXPECT_EQ(validationIssue([&] { other.validate("e"); }), Kind::version);
}

TEST(CatalogSnapshot, MergesPagesByIdAndRoundTrips)
{
    CatalogPage first = CatalogPage::decode(QJsonDocument(validPage()).toJson());
    CatalogSnapshot snapshot({}, {CatalogCategory{"c", "Cat", std::nullopt, "box", 3}}, {CatalogSize{50, 30}}, 0, 0,
                             QDateTime::currentDateTimeUtc());
    snapshot.append(first);
    CatalogPage again = first;
    again.page = 3;
    again.items[0].name = "renamed";
    again.items.append(again.items[0]); // a repeated id keeps one entry, the last one
    again.items.last().name = "last";
    again.items.append(CatalogItem::fromJson(QJsonDocument::fromJson(itemText("new")).object()));
    snapshot.append(again);
    ASSERT_EQ(snapshot.items().size(), 4);
    EXPECT_EQ(snapshot.items()[0].name, "last");
    EXPECT_EQ(snapshot.items()[3].id, "new");
    EXPECT_EQ(snapshot.nextPage, 4);
    EXPECT_TRUE(snapshot.hasUniqueIds());

    EXPECT_EQ(CatalogSnapshot::decode(snapshot.encoded()), snapshot);
    QJsonObject missing = snapshot.toJson();
    missing.remove("sizes");
    EXPECT_ISSUE(CatalogSnapshot::decode(QJsonDocument(missing).toJson()), CatalogIssue, Kind::invalid);
}

TEST(CachedTemplate, RoundTripsAndOpensIndependently)
{
    LabelDocument document(QStringLiteral("Label"), 60, 40, {});
    LabelDocument sample = LabelDocument::example();
    document.elements = sample.elements;
    const CachedTemplate cached("item", QStringLiteral("2024-01-01"), document, {"mac.web_warning"});
    EXPECT_EQ(cached.converterRevision, 3);
    const CachedTemplate read = CachedTemplate::decode(cached.encoded());
    EXPECT_EQ(read, cached);

    const LabelDocument opened = cached.independentDocument();
    EXPECT_NE(opened.documentID, document.documentID);
    LabelDocument restored = opened;
    restored.documentID = document.documentID;
    for (qsizetype i = 0; i < opened.elements.size(); ++i) {
        EXPECT_NE(opened.elements[i].id, document.elements[i].id);
        restored.elements[i].id = document.elements[i].id;
    }
    EXPECT_EQ(restored, document);
}
