#include "core/barcode/BarcodeEncoder.h"
#include "core/barcode/QRCode.h"

#include "core/common/DocumentIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace kestrivane;

namespace {

// The three 7 × 7 finder patterns: a dark ring, a light ring and a dark 3 × 3 core.
void expectFinder(const QRCodeMatrix &matrix, int top, int left)
{
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 7; ++column) {
            const int ring = std::max(std::abs(row - 3), std::abs(column - 3));
            EXPECT_EQ(matrix.isDark(top + row, left + column), ring != 2)
                << "finder at " << top << "," << left << " module " << row << "," << column;
        }
    }
}

} // namespace

TEST(QRCodeMatrix, ModulesFormAValidSymbolOfTheRightVersion)
{
    const QRCodeMatrix small = QRCode::matrix(QStringLiteral("01234567890123"));
    EXPECT_EQ(small.moduleCount, 21);
    ASSERT_EQ(small.modules.size(), 21 * 21);
    const int n = small.moduleCount;
    expectFinder(small, 0, 0);
    expectFinder(small, 0, n - 7);
    expectFinder(small, n - 7, 0);
    for (int i = 8; i < n - 8; ++i) {
        EXPECT_EQ(small.isDark(6, i), i % 2 == 0) << "horizontal timing " << i;
        EXPECT_EQ(small.isDark(i, 6), i % 2 == 0) << "vertical timing " << i;
    }
    EXPECT_TRUE(small.isDark(n - 8, 8)) << "the dark module";

    // Correction level M over raw bytes: 512 bytes need version 18.
    EXPECT_EQ(QRCode::matrix(QString(QRCode::maximumTextBytes, QLatin1Char('a'))).moduleCount, 89);
    // Non-Latin text is taken as its UTF-8 bytes (12 bytes here fit version 1).
    EXPECT_EQ(QRCode::matrix(QStringLiteral("Привет")).moduleCount, 21);
    EXPECT_EQ(QRCode::matrix(QStringLiteral("日本語")).moduleCount, 21);
}

TEST(QRCodeMatrix, DarkRunsCoverExactlyTheDarkModules)
{
    const QRCodeMatrix matrix = QRCode::matrix(QStringLiteral("https://example.com/p?id=7"));
    QList<bool> painted(matrix.modules.size(), false);
    for (const QRect &run : matrix.darkRuns()) {
        ASSERT_EQ(run.height(), 1);
        ASSERT_GT(run.width(), 0);
        // Runs are maximal: the modules on either side are light or outside.
        if (run.left() > 0) {
            EXPECT_FALSE(matrix.isDark(run.top(), run.left() - 1));
        }
        if (run.right() < matrix.moduleCount - 1) {
            EXPECT_FALSE(matrix.isDark(run.top(), run.right() + 1));
        }
        for (int column = run.left(); column <= run.right(); ++column) {
            const qsizetype index = qsizetype(run.top()) * matrix.moduleCount + column;
            EXPECT_FALSE(painted[index]) << "modules painted twice";
            painted[index] = true;
        }
    }
    EXPECT_EQ(painted, matrix.modules);
}

TEST(QRCodeMatrix, RefusesEmptyAndOverlongText)
{
    EXPECT_ISSUE(QRCode::matrix(QString()), DocumentIssue, DocumentIssue::invalidContent);
    EXPECT_ISSUE(QRCode::matrix(QString(513, QLatin1Char('a'))), DocumentIssue, DocumentIssue::invalidContent);
    // 256 two-byte letters are 512 bytes; one more is over.
    EXPECT_NO_THROW(QRCode::matrix(QString(256, QChar(0x0436))));
    EXPECT_ISSUE(QRCode::matrix(QString(257, QChar(0x0436))), DocumentIssue, DocumentIssue::invalidContent);
}

TEST(BarcodeConcurrency, EncodersRunInParallelWithSameResults)
{
    const QList<BarcodeSymbology> &all = allBarcodeSymbologies();
    QList<BarcodeDrawing> expected;
    for (BarcodeSymbology symbology : all)
        expected << BarcodeEncoder::drawing(example(symbology), BarcodeOptions(symbology, true));
    const QRCodeMatrix expectedMatrix = QRCode::matrix(QStringLiteral("Молоко"));

    std::atomic<int> mismatches = 0;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 8; ++thread) {
        threads.emplace_back([&] {
            for (int round = 0; round < 20; ++round) {
                for (qsizetype i = 0; i < all.size(); ++i) {
                    if (BarcodeEncoder::drawing(example(all[i]), BarcodeOptions(all[i], true)) != expected[i])
                        ++mismatches;
                }
                if (QRCode::matrix(QStringLiteral("Молоко")) != expectedMatrix)
                    ++mismatches;
                try {
                    BarcodeEncoder::drawing(QStringLiteral("12345"), BarcodeOptions(BarcodeSymbology::ean13, false));
                    ++mismatches;
                } catch (const DocumentError &) {
                }
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}
