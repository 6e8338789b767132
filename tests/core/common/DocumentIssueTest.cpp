#include "core/common/DocumentIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace kestrivane;

TEST(DocumentIssue, EveryCaseHasItsOwnKey)
{
    const QList<std::pair<DocumentIssue, const char *>> expected = {
        {DocumentIssue::unsupportedVersion, "mac.error_version"}, {DocumentIssue::invalidDocument, "mac.error_document"},
        {DocumentIssue::invalidGeometry, "mac.error_geometry"},   {DocumentIssue::invalidContent, "mac.error_content"},
        {DocumentIssue::tooLarge, "mac.error_large"},             {DocumentIssue::io, "mac.error_io"},
        {DocumentIssue::invalidBarcode, "mac.error_barcode"},     {DocumentIssue::invalidImage, "mac.error_image"},
    };
    QSet<QString> keys;
    for (const auto &[issue, text] : expected) {
        EXPECT_EQ(key(issue), QLatin1String(text));
        keys.insert(key(issue));
    }
    EXPECT_EQ(keys.size(), expected.size());
}

TEST(DocumentIssue, ThrownErrorCarriesCaseAndKeyOnly)
{
    try {
        throwIssue(DocumentIssue::invalidBarcode);
    } catch (const Error &error) {
        EXPECT_EQ(error.key(), QStringLiteral("mac.error_barcode"));
        EXPECT_STREQ(error.what(), "mac.error_barcode");
        EXPECT_EQ(dynamic_cast<const DocumentError &>(error).issue(), DocumentIssue::invalidBarcode);
        return;
    }
    FAIL() << "nothing thrown";
}

TEST(DocumentIssue, FileErrorsShowAsIoFailures)
{
    EXPECT_ISSUE(throwIssue(DocumentIssue::io), DocumentIssue, DocumentIssue::io);
    EXPECT_EQ(FileError(QStringLiteral("disk full")).key(), QStringLiteral("mac.error_io"));
}
