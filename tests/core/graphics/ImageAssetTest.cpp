#include "core/common/DocumentIssue.h"
#include "core/graphics/ImageAsset.h"

#include "tests/common/TestSupport.h"
#include "tests/core/graphics/PictureSamples.h"

#include <QSvgRenderer>
#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

QSize pngSize(const QByteArray &bytes)
{
    return samples::decoded(bytes).size();
}

} // namespace

TEST(ImageAssetValidate, AcceptsPngWithinByteAndSideLimits)
{
    EXPECT_NO_THROW(ImageAsset::validate(samples::png(10, 10)));
    EXPECT_NO_THROW(ImageAsset::validate(samples::png(4096, 1)));
    EXPECT_NO_THROW(ImageAsset::validate(samples::png(1, 4096)));
    EXPECT_ISSUE(ImageAsset::validate(samples::png(4097, 1)), DocumentIssue, DocumentIssue::invalidImage);
    EXPECT_ISSUE(ImageAsset::validate(samples::png(1, 4097)), DocumentIssue, DocumentIssue::invalidImage);

    const QByteArray small = samples::png(8, 8);
    EXPECT_NO_THROW(ImageAsset::validate(samples::paddedTo(small, ImageAsset::maximumBytes)));
    EXPECT_ISSUE(ImageAsset::validate(samples::paddedTo(small, ImageAsset::maximumBytes + 1)), DocumentIssue,
                 DocumentIssue::invalidImage);
}

TEST(ImageAssetValidate, RefusesEverythingButPng)
{
    const QList<QByteArray> others = {
        QByteArray(),
        QByteArray("not a picture at all"),
        samples::png(10, 10).left(20), // signature and a cut header
        samples::jpeg(10, 10),
        samples::gif(),
        samples::encode(samples::filled(10, 10), "bmp"),
        samples::encode(samples::filled(10, 10), "tiff"),
        samples::encode(samples::filled(10, 10), "webp"),
        samples::svg(),
        samples::utf16Svg(),
        samples::gzip(samples::svg()),
    };
    for (const QByteArray &bytes : others) {
        SCOPED_TRACE(bytes.left(16).toHex().constData());
        EXPECT_ISSUE(ImageAsset::validate(bytes), DocumentIssue, DocumentIssue::invalidImage);
    }
}

TEST(ImageAssetImport, ConvertsEveryRasterFormatToAStoredPng)
{
    const QList<std::pair<const char *, QByteArray>> inputs = {
        {"jpeg", samples::jpeg(100, 100)},
        {"png", samples::png(30, 20)},
        {"gif", samples::gif()},
        {"bmp", samples::encode(samples::filled(30, 20), "bmp")},
        {"tiff", samples::encode(samples::filled(30, 20), "tiff")},
        {"webp", samples::encode(samples::filled(30, 20), "webp")},
    };
    for (const auto &[name, bytes] : inputs) {
        SCOPED_TRACE(name);
        QByteArray png;
        ASSERT_NO_THROW(png = ImageAsset::importRaster(bytes));
        EXPECT_NO_THROW(ImageAsset::validate(png));
        const QSize expected = QImage::fromData(bytes).size();
        EXPECT_EQ(pngSize(png), expected);
    }
    // Small pictures are never enlarged.
    EXPECT_EQ(pngSize(ImageAsset::importRaster(samples::jpeg(100, 100))), QSize(100, 100));
}

TEST(ImageAssetImport, ShrinksLargePicturesKeepingTheAspectRatio)
{
    EXPECT_EQ(pngSize(ImageAsset::importRaster(samples::jpeg(3000, 2000))), QSize(2048, 1365));
    EXPECT_EQ(pngSize(ImageAsset::importRaster(samples::png(1000, 5000))), QSize(410, 2048));
    EXPECT_EQ(pngSize(ImageAsset::importRaster(samples::png(2048, 2048))), QSize(2048, 2048));
}

TEST(ImageAssetImport, AppliesTheFileOrientation)
{
    QImage sideways(40, 20, QImage::Format_RGB32);
    sideways.fill(Qt::red);
    {
        QPainter painter(&sideways);
        painter.fillRect(20, 0, 20, 20, Qt::blue);
    }
    const QByteArray tagged = samples::encode(sideways, "tiff", QImageIOHandler::TransformationRotate90);
    const QImage upright = samples::decoded(ImageAsset::importRaster(tagged));
    ASSERT_EQ(upright.size(), QSize(20, 40));
    // Turned a quarter clockwise, the left (red) half is on top.
    EXPECT_EQ(upright.pixelColor(10, 5), QColor(Qt::red));
    EXPECT_EQ(upright.pixelColor(10, 35), QColor(Qt::blue));
}

TEST(ImageAssetImport, EnforcesTheInputLimitAndRefusesNonRasterBytes)
{
    const QByteArray small = samples::jpeg(10, 10);
    EXPECT_NO_THROW(ImageAsset::importRaster(samples::paddedTo(small, ImageAsset::maximumImportBytes)));
    EXPECT_ISSUE(ImageAsset::importRaster(samples::paddedTo(small, ImageAsset::maximumImportBytes + 1)),
                 DocumentIssue, DocumentIssue::invalidImage);

    // Drawings are only ever drawn from their sanitised text, never decoded as pictures,
    // whatever disguise they come in, although Qt's own reader takes every one of them.
    ASSERT_FALSE(QImage::fromData(samples::utf16Svg()).isNull());
    ASSERT_FALSE(QImage::fromData(samples::gzip(samples::svg())).isNull());
    const QList<QByteArray> refused = {
        QByteArray(),
        QByteArray("plain text"),
        samples::svg(),
        samples::utf16Svg(),
        samples::gzip(samples::svg()),
        samples::encode(samples::filled(16, 16), "ico"),
        samples::encode(samples::filled(16, 16), "ppm"),
    };
    for (const QByteArray &bytes : refused) {
        SCOPED_TRACE(bytes.left(16).toHex().constData());
        EXPECT_ISSUE(ImageAsset::importRaster(bytes), DocumentIssue, DocumentIssue::invalidImage);
    }
}

TEST(ImageAssetRasterize, MakesTheLongerSideExactlyTheGivenLength)
{
    EXPECT_EQ(pngSize(ImageAsset::rasterize(samples::filled(16, 8), 1024)), QSize(1024, 512));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(samples::filled(3000, 1), 1024)), QSize(1024, 1));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(samples::filled(8, 16), 100)), QSize(50, 100));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(samples::filled(3, 3), 4096)), QSize(4096, 4096));
    // 3 × 2 at 5: 3.33… rounds to 3; 1 × 2 at 5: 2.5 rounds away from zero to 3.
    EXPECT_EQ(pngSize(ImageAsset::rasterize(samples::filled(3, 2), 5)), QSize(5, 3));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(samples::filled(1, 2), 5)), QSize(3, 5));

    QSvgRenderer wide(samples::svg(400, 100));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(wide, 1024)), QSize(1024, 256));
    QSvgRenderer square(samples::svg(10, 10));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(square, 64)), QSize(64, 64));
}

TEST(ImageAssetRasterize, RefusesEmptyPicturesAndImpossibleSides)
{
    EXPECT_ISSUE(ImageAsset::rasterize(QImage(), 100), DocumentIssue, DocumentIssue::invalidImage);
    EXPECT_ISSUE(ImageAsset::rasterize(samples::filled(10, 10), 5000), DocumentIssue, DocumentIssue::invalidImage);
    EXPECT_ISSUE(ImageAsset::rasterize(samples::filled(10, 10), 4097), DocumentIssue, DocumentIssue::invalidImage);
    EXPECT_ISSUE(ImageAsset::rasterize(samples::filled(10, 10), 0), DocumentIssue, DocumentIssue::invalidImage);

    QSvgRenderer broken(QByteArray("<svg><rect"));
    EXPECT_ISSUE(ImageAsset::rasterize(broken, 100), DocumentIssue, DocumentIssue::invalidImage);
    QSvgRenderer flat(QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" height=\"10\"/>"));
    EXPECT_ISSUE(ImageAsset::rasterize(flat, 100), DocumentIssue, DocumentIssue::invalidImage);
}

TEST(ImageAssetRasterize, KeepsTransparencyAndColours)
{
    QImage half(20, 10, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    {
        QPainter painter(&half);
        painter.fillRect(10, 0, 10, 10, QColor(0, 128, 0));
    }
    const QImage out = samples::decoded(ImageAsset::rasterize(half, 200));
    ASSERT_EQ(out.size(), QSize(200, 100));
    EXPECT_EQ(out.pixelColor(40, 50).alpha(), 0);
    EXPECT_EQ(out.pixelColor(160, 50), QColor(0, 128, 0));

    QSvgRenderer blue(samples::svg(40, 20));
    const QImage drawn = samples::decoded(ImageAsset::rasterize(blue, 80));
    EXPECT_EQ(drawn.pixelColor(40, 20), QColor(0, 0, 255));
}

TEST(ImageAssetRasterize, KeepsTheFractionsOfADrawingsSize)
{
    auto sized = [](const char *root) {
        return QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" ") + root +
               "><rect width=\"100%\" height=\"100%\" fill=\"blue\"/></svg>";
    };
    // Qt's default size is whole pixels (2 × 1 and 3 × 2 here): the aspect ratio would be off.
    QSvgRenderer fractional(sized("width=\"2.5\" height=\"1\""));
    EXPECT_EQ(drawingSize(fractional), QSizeF(2.5, 1));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(fractional, 1000)), QSize(1000, 400));
    QSvgRenderer boxOnly(sized("viewBox=\"0 0 2.6 1.5\""));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(boxOnly, 520)), QSize(520, 300));
    QSvgRenderer tiny(sized("width=\"0.5\" height=\"0.25\""));
    EXPECT_EQ(pngSize(ImageAsset::rasterize(tiny, 64)), QSize(64, 32));

    // A view box in other units than the size is the drawing's coordinates, not its size.
    QSvgRenderer scaled(sized("width=\"40\" height=\"20\" viewBox=\"0 0 10 10\""));
    EXPECT_EQ(drawingSize(scaled), QSizeF(40, 20));
    QSvgRenderer near(sized("width=\"1\" height=\"2\" viewBox=\"0 0 1.9 1.1\""));
    EXPECT_EQ(drawingSize(near), QSizeF(1, 2));
}

// A detailed photograph makes a PNG over the stored limit at 2048 pixels; it must come out
// smaller instead of being refused, still opaque.
TEST(ImageAssetImport, ShrinksPicturesWhosePngWouldBeTooLarge)
{
    QImage noise(2400, 1600, QImage::Format_RGB32);
    quint32 state = 7;
    for (int y = 0; y < noise.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xFF000000u | (state >> 8);
        }
    }
    const QByteArray input = samples::encode(noise, "png");
    ASSERT_LE(input.size(), ImageAsset::maximumImportBytes);
    const QByteArray png = ImageAsset::importRaster(input);
    EXPECT_LE(png.size(), ImageAsset::maximumBytes);
    const QImage stored = samples::decoded(png);
    EXPECT_LT(stored.width(), 2048);
    EXPECT_GE(stored.width(), ImageAsset::importMinimumRetrySide);
    EXPECT_NEAR(double(stored.width()) / stored.height(), 1.5, 0.01);
    EXPECT_FALSE(stored.hasAlphaChannel());
}
