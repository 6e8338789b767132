#include "core/catalog/CatalogModel.h"
#include "core/json/JsonRead.h"

#include "tests/common/FakeCatalogTransport.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <functional>

using namespace kestrivane;
using testsupport::catalogIssueOf;
using Kind = CatalogIssue::Kind;

namespace {

QJsonObject item(const QString &id)
{
    return QJsonObject{{"id", id}, {"widthMm", 50}, {"heightMm", 30}, {"downloadUrl", "d"}, {"previewUrl", "p"}};
}

QJsonObject validPage()
{
    return QJsonObject{{"schemaVersion", 1}, {"items", QJsonArray{item("0"), item("1"), item("2")}},
                       {"page", 2},          {"size", 50},
                       {"total", 103},       {"totalPages", 3}};
}

QByteArray text(const QJsonObject &o)
{
    return QJsonDocument(o).toJson();
}

// A design envelope with the given keys replaced or added.
QByteArray design(const QJsonObject &changes)
{
    QJsonObject o =
        QJsonDocument::fromJson(R"({"schemaVersion":1,"format":"kestrivane-web","id":"d","elements":[],"template":{}})")
            .object();
    for (auto it = changes.begin(); it != changes.end(); ++it)
        o[it.key()] = it.value();
    return text(o);
}

} // namespace

TEST(CatalogItem, FallsBackToTheIdForAName)
{
    const std::pair<QJsonValue, std::optional<QString>> rows[] = {
        {"Box", "Box"}, {"", "a"}, {QJsonValue::Undefined, "a"}, {QJsonValue::Null, "a"}, {5, std::nullopt}};
    for (const auto &[name, expected] : rows) {
        QJsonObject json = item("a");
        if (!name.isUndefined())
            json["name"] = name;
        try {
            const CatalogItem read = CatalogItem::fromJson(json);
            EXPECT_EQ(read.name, expected);
            const QJsonObject written = read.toJson(); // the name always, absent fields never
            EXPECT_TRUE(written.contains("name") && !written.contains("description"));
            EXPECT_EQ(CatalogItem::fromJson(written), read);
        } catch (const JsonError &) {
            EXPECT_FALSE(expected);
        }
    }
    QJsonObject wrongType = item("a");
    wrongType["widthMm"] = "50";
    EXPECT_THROW(CatalogItem::fromJson(wrongType), JsonError);
}

TEST(CatalogPage, ValidatesInOrder)
{
    const auto first = [](const QString &key, const QJsonValue &value) {
        return [=](QJsonObject &page) {
            QJsonArray items = page["items"].toArray();
            QJsonObject changed = items[0].toObject();
            changed[key] = value;
            items[0] = changed;
            page["items"] = items;
        };
    };
    const auto set = [](const QString &key, const QJsonValue &value) {
        return [=](QJsonObject &page) { page[key] = value; };
    };
    const std::tuple<const char *, std::function<void(QJsonObject &)>, std::optional<Kind>> rows[] = {
        {"valid", [](QJsonObject &) {}, std::nullopt},
        {"version before all",
         [](QJsonObject &p) {
             p = {{"schemaVersion", 2}, {"items", QJsonArray()}, {"page", -1},
                  {"size", 0},          {"total", -1},           {"totalPages", -1}};
         },
         Kind::version},
        {"other page", set("page", 3), Kind::invalid},
        {"size 0", set("size", 0), Kind::invalid},
        {"size 101", set("size", 101), Kind::invalid},
        {"more items than size", set("size", 2), Kind::invalid},
        {"negative total", set("total", -1), Kind::invalid},
        {"totalPages 10001", set("totalPages", 10001), std::nullopt},
        {"totalPages 10002", set("totalPages", 10002), Kind::invalid},
        {"empty id", first("id", ""), Kind::invalid},
        {"257 characters", first("id", QString(257, 'x')), Kind::invalid},
        {"256 graphemes", first("name", QString::fromUtf8("👩‍👩‍👧").repeated(256)), std::nullopt},
        {"zero width", first("widthMm", 0), Kind::invalid},
        {"negative height", first("heightMm", -1), Kind::invalid},
    };
    for (const auto &[name, change, expected] : rows) {
        QJsonObject json = validPage();
        change(json);
        const CatalogPage page = CatalogPage::decode(text(json));
        EXPECT_EQ(catalogIssueOf([&] { page.validate(2); }), expected) << name;
    }
    EXPECT_EQ(catalogIssueOf([] { CatalogPage::decode("{\"schemaVersion\":1}"); }), Kind::invalid);
}

TEST(CatalogDesign, DecodesTheEnvelopeInOrder)
{
    const std::pair<QByteArray, std::variant<QString, Kind>> rows[] = {
        {"[]", Kind::version},
        {"{}", Kind::version},
        {design({{"schemaVersion", "1"}, {"id", 5}}), Kind::version},
        {design({{"schemaVersion", 2}, {"id", 5}}), Kind::version},
        {design({{"format", "Kestrivane-web"}, {"id", 5}}), Kind::version},
        {design({{"id", 5}}), Kind::invalid},
        {design({{"elements", QJsonObject()}}), Kind::invalid},
        {design({{"template", QJsonArray()}}), Kind::invalid},
        {design({{"schemaVersion", 1.0}, {"name", " Box "}}), QStringLiteral(" Box ")},
        {design({{"name", " \n\t"}, {"template", QJsonObject{{"name", "T"}}}}), QStringLiteral("T")},
        {design({{"name", 7}, {"template", QJsonObject{{"name", "  "}}}}), QStringLiteral("d")},
        {design({{"id", " "}}), QStringLiteral(" ")},
        {design({}).chopped(3), Kind::invalid},
        {"[1e400]", Kind::invalid},
    };
    for (const auto &[bytes, expected] : rows) {
        std::variant<QString, Kind> result;
        try {
            result = CatalogDesign::decode(bytes).name;
        } catch (const CatalogError &error) {
            result = error.issue().kind();
        }
        EXPECT_TRUE(result == expected) << bytes.constData();
    }
}

TEST(CatalogDesign, KeepsTheReceivedBytesUpToTwelveMebibytes)
{
    const QByteArray head = design({{"n", 0.1}});
    QByteArray exact = head;
    exact.insert(1, QByteArray(catalog::maximumJSONBytes - head.size(), ' '));
    EXPECT_EQ(CatalogDesign::decode(exact).archivedJSON(), exact);
    EXPECT_ISSUE(CatalogDesign::decode(exact + ' '), CatalogIssue, Kind::tooLarge);

    CatalogDesign copy = CatalogDesign::decode(head); // without the bytes: compact source
    copy.originalJSON.reset();
    EXPECT_EQ(CatalogJSON::parse(copy.archivedJSON()), CatalogJSON::parse(head));
    EXPECT_FALSE(copy.archivedJSON().contains(' '));
}

TEST(CatalogDesign, ValidatesAgainstTheItem)
{
    const auto check = [](const QJsonObject &changes, const QString &id) {
        return catalogIssueOf([&] { CatalogDesign::decode(design(changes)).validate(id); });
    };
    QJsonArray elements;
    for (int i = 0; i < 500; ++i)
        elements.append(QJsonObject());
    EXPECT_EQ(check({{"elements", elements}}, "d"), std::nullopt);
    elements.append(QJsonObject());
    EXPECT_EQ(check({{"elements", elements}}, "d"), Kind::invalid);
    EXPECT_EQ(check({}, "e"), Kind::invalid);
    EXPECT_EQ(check({{"name", QString(257, 'n')}}, "d"), Kind::invalid);
}

TEST(CatalogSnapshot, MergesPagesByIdAndRoundTrips)
{
    const CatalogPage first = CatalogPage::decode(text(validPage()));
    CatalogSnapshot snapshot({}, {CatalogCategory{"c", "Cat", std::nullopt, "box", 3}}, {CatalogSize{50, 30}}, 0, 0,
                             QDateTime::currentDateTimeUtc());
    snapshot.append(first);
    CatalogPage again = first;
    again.page = 3;
    again.items.append(again.items[0]); // a repeated id keeps one entry, the last one
    again.items.last().name = "last";
    again.items.append(CatalogItem::fromJson(item("new")));
    snapshot.append(again);
    ASSERT_EQ(snapshot.items().size(), 4);
    EXPECT_EQ(snapshot.items()[0].name, "last");
    EXPECT_EQ(snapshot.items()[3].id, "new");
    EXPECT_EQ(snapshot.nextPage, 4);

    EXPECT_EQ(CatalogSnapshot::decode(snapshot.encoded()), snapshot);
    QJsonObject missing = snapshot.toJson();
    missing.remove("sizes");
    EXPECT_ISSUE(CatalogSnapshot::decode(text(missing)), CatalogIssue, Kind::invalid);
}

TEST(CachedTemplate, RoundTripsAndOpensIndependently)
{
    const LabelDocument document = LabelDocument::example();
    const CachedTemplate cached("item", QStringLiteral("2024-01-01"), document, {"mac.web_warning"});
    EXPECT_EQ(CachedTemplate::decode(cached.encoded()), cached);

    LabelDocument opened = cached.independentDocument();
    EXPECT_NE(opened.documentID, document.documentID);
    opened.documentID = document.documentID;
    for (qsizetype i = 0; i < opened.elements.size(); ++i) {
        EXPECT_NE(opened.elements[i].id, document.elements[i].id);
        opened.elements[i].id = document.elements[i].id;
    }
    EXPECT_EQ(opened, document); // nothing else changed
}
