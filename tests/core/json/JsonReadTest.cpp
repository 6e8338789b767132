#include "core/json/JsonRead.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrivane;

namespace {
QJsonObject parse(const char *text)
{
    return json::parseObject(QByteArray(text));
}
} // namespace

TEST(JsonRead, NullAndMissingMeanAbsentButRequiredKeysMustHoldAValue)
{
    const QJsonObject o = parse(R"({"a": null, "b": "x"})");
    EXPECT_FALSE(json::optionalString(o, "a").has_value());
    EXPECT_FALSE(json::optionalString(o, "zz").has_value());
    EXPECT_EQ(json::optionalString(o, "b"), QStringLiteral("x"));
    EXPECT_THROW(json::requireString(o, "a"), JsonError);
    EXPECT_THROW(json::requireString(o, "zz"), JsonError);
    // A present value of the wrong type is an error, also for optional keys.
    EXPECT_THROW(json::optionalBool(o, "b"), JsonError);
    EXPECT_THROW(json::requireDouble(o, "b"), JsonError);
}

TEST(JsonRead, IntegersAreExactAndIntegral)
{
    const QJsonObject o = parse(R"({"max": 9223372036854775807, "min": -9223372036854775808,
        "big": 9223372036854775808, "whole": 5.0, "half": 5.5, "odd": 9007199254740993,
        "exp": 1e18, "text": "5"})");
    EXPECT_EQ(json::requireInt64(o, "max"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(json::requireInt64(o, "min"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(json::requireInt64(o, "odd"), 9007199254740993LL);
    EXPECT_EQ(json::requireInt64(o, "whole"), 5);
    EXPECT_EQ(json::requireInt64(o, "exp"), 1000000000000000000LL);
    EXPECT_THROW(json::requireInt64(o, "big"), JsonError);
    EXPECT_THROW(json::requireInt64(o, "half"), JsonError);
    EXPECT_THROW(json::requireInt64(o, "text"), JsonError);
    // Integers read as doubles where a double is wanted.
    EXPECT_EQ(json::requireDouble(o, "max"), 9223372036854775807.0);
}

TEST(JsonRead, Base64IsStrict)
{
    EXPECT_EQ(json::decodeBase64(QStringLiteral("YWI=")), QByteArray("ab"));
    EXPECT_EQ(json::decodeBase64(QString()), QByteArray());
    for (const char *bad : {"YWI", "YW I=", "YW=I", "Y===", "YWI=\n", "****", "YWI\xc3\xa9"})
        EXPECT_FALSE(json::decodeBase64(QString::fromUtf8(bad)).has_value()) << bad;
    EXPECT_EQ(json::base64Text(QByteArray("ab")), QStringLiteral("YWI="));
}

TEST(JsonRead, UuidsAreCanonicalOnReadAndUpperCaseOnWrite)
{
    const QString lower = QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e");
    const auto uuid = json::parseUuid(lower);
    ASSERT_TRUE(uuid.has_value());
    EXPECT_EQ(json::parseUuid(lower.toUpper()), uuid);
    EXPECT_EQ(json::uuidText(*uuid), lower.toUpper());
    // The nil UUID is a valid value, not a failure.
    EXPECT_EQ(json::parseUuid(QStringLiteral("00000000-0000-0000-0000-000000000000")), QUuid());
    for (const QString &bad :
         {QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"), QStringLiteral("0f8fad5bd9cb469fa16570867728950e"),
          QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950"), QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950g"),
          QStringLiteral(" 0f8fad5b-d9cb-469f-a165-70867728950e"), QString()})
        EXPECT_FALSE(json::parseUuid(bad).has_value()) << bad.toStdString();
}

TEST(JsonWrite, RefusesNonFiniteNumbersAnywhere)
{
    EXPECT_THROW(json::number(std::numeric_limits<double>::quiet_NaN()), JsonError);
    EXPECT_THROW(json::number(std::numeric_limits<double>::infinity()), JsonError);
    EXPECT_EQ(json::number(0.3).toDouble(), 0.3);
    QJsonObject nested{{"a", QJsonArray{1, QJsonObject{{"b", std::numeric_limits<double>::infinity()}}}}};
    EXPECT_THROW(json::requireFinite(nested), JsonError);
    EXPECT_NO_THROW(json::requireFinite(QJsonObject{{"a", QJsonArray{1, 2.5, "x"}}}));
}

TEST(JsonWrite, PrettyOutputSortsKeysAndKeepsSlashes)
{
    const QByteArray text = json::indented(QJsonObject{{"b", "a/b"}, {"a", 5.0}, {"B", 0.3}});
    EXPECT_LT(text.indexOf("\"B\""), text.indexOf("\"a\""));
    EXPECT_LT(text.indexOf("\"a\""), text.indexOf("\"b\""));
    EXPECT_TRUE(text.contains("\"a/b\""));
    EXPECT_TRUE(text.contains(": 5"));
    EXPECT_TRUE(text.contains("0.3"));
    EXPECT_THROW(json::parseObject("[1]"), JsonError);
    EXPECT_THROW(json::parseObject("{"), JsonError);
}
