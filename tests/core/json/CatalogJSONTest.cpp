#include "core/json/CatalogJSON.h"

#include "core/json/JsonRead.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrivane;

namespace {
CatalogJSON read(const char *text)
{
    auto value = CatalogJSON::parse(QByteArray(text));
    EXPECT_TRUE(value.has_value()) << text;
    return value.value_or(CatalogJSON());
}
} // namespace

TEST(CatalogJSON, ReadsEveryKindAndWritesItBack)
{
    EXPECT_EQ(read("null").kind(), CatalogJSON::Kind::null);
    EXPECT_EQ(read("true").boolean(), true);
    EXPECT_EQ(read("\"a/b\"").string(), QStringLiteral("a/b"));
    EXPECT_EQ(read("[1, 2]").array()->size(), 2);
    EXPECT_EQ(read("{\"k\": {\"n\": 2.5}}")["k"]["n"].number(), 2.5);
    EXPECT_EQ(read("\xEF\xBB\xBF{}").kind(), CatalogJSON::Kind::object);
    for (const char *bad : {"", "1, 2", "[1] [2]", "{", "NaN", "1e400", "]"})
        EXPECT_FALSE(CatalogJSON::parse(QByteArray(bad)).has_value()) << bad;

    // Numbers survive a round trip in their shortest form, integers exactly.
    EXPECT_EQ(read("0.1").toJson(), QByteArray("0.1"));
    EXPECT_EQ(read("9223372036854775807").toJson(), QByteArray("9223372036854775807"));
    EXPECT_EQ(read("9007199254740993").integer(), 9007199254740993LL);
    const CatalogJSON nested = read(R"({"b": [1, "x", null, false], "a": {"c": -0.5}})");
    EXPECT_EQ(CatalogJSON::parse(nested.toJson()), nested);
}

TEST(CatalogJSON, AccessorsNeverFail)
{
    const CatalogJSON array = read("[1]");
    EXPECT_TRUE(array["k"].isNull());
    EXPECT_TRUE(read("{}")["missing"].isNull());
    EXPECT_FALSE(read("\"5\"").number().has_value());
    EXPECT_FALSE(read("5").string().has_value());
    EXPECT_FALSE(read("{}").array().has_value());
    EXPECT_EQ(read("5.0").integer(), 5);
    EXPECT_FALSE(read("5.5").integer().has_value());
}

TEST(CatalogJSON, ComparesByValue)
{
    EXPECT_EQ(read(R"({"a": 1, "b": [true, null]})"), read(R"({"b": [true, null], "a": 1.0})"));
    EXPECT_NE(read("[1, 2]"), read("[2, 1]"));
    EXPECT_NE(read(R"({"a": 1})"), read(R"({"a": 1, "b": 1})"));
    EXPECT_NE(read("1"), read("\"1\""));
    EXPECT_NE(read("0"), read("false"));
    EXPECT_NE(read("null"), read("false"));
    // Exact: 2^53 + 1 as an integer is not the double 2^53.
    EXPECT_NE(read("9007199254740993"), read("9007199254740992.0"));
    EXPECT_EQ(read("9007199254740992"), read("9007199254740992.0"));
    EXPECT_NE(CatalogJSON::fromNumber(std::numeric_limits<double>::quiet_NaN()),
              CatalogJSON::fromNumber(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(CatalogJSON::fromObject({{"x", CatalogJSON::fromInteger(3)}}), read(R"({"x": 3})"));
}

TEST(CatalogJSON, RefusesToWriteNonFiniteNumbers)
{
    const CatalogJSON value = CatalogJSON::fromArray(
        {CatalogJSON::fromObject({{"x", CatalogJSON::fromNumber(std::numeric_limits<double>::infinity())}})});
    EXPECT_THROW(value.toJson(), JsonError);
    EXPECT_THROW(value.toJsonValue(), JsonError);
}
