#include "app/library/GraphicLibraryModel.h"

#include "core/common/DocumentIssue.h"
#include "tests/common/TestSupport.h"
#include "tests/core/graphics/PictureSamples.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kestrivane;

namespace {

constexpr int side = 64;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

template <typename T> bool finishes(const QFuture<T> &future)
{
    return QTest::qWaitFor([&] { return future.isFinished(); }, 10000);
}

// The issue that reading a finished future throws, or nothing.
template <typename T> std::optional<DocumentIssue> failureOf(QFuture<T> future)
{
    try {
        future.result();
    } catch (const DocumentError &error) {
        return error.issue();
    }
    return std::nullopt;
}

struct Fixture {
    QTemporaryDir dir;
    UserGraphicLibrary library{dir.filePath(QStringLiteral("lib")), 1 << 30, 3};

    std::unique_ptr<GraphicLibraryModel> model(const QString &signs = GraphicLibrary::directory())
    {
        auto model = std::make_unique<GraphicLibraryModel>(library, side, signs);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !model->loadingUploaded(); }, 10000));
        return model;
    }

    QString picture(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        writeFile(path, bytes);
        return path;
    }
};

} // namespace

TEST(GraphicLibraryModel, ListsSignsAndAnEmptyFolder)
{
    Fixture fixture;
    const auto model = fixture.model();
    EXPECT_FALSE(model->failed());
    ASSERT_FALSE(model->signs().isEmpty());
    EXPECT_TRUE(model->uploaded().isEmpty());
    EXPECT_FALSE(model->uploadedFailed());

    const QImage sign = model->image(model->signs().first());
    EXPECT_EQ(std::max(sign.width(), sign.height()), side);
    EXPECT_EQ(model->image(model->signs().first()).cacheKey(), sign.cacheKey());

    // A missing sign folder shows the list as failed; the user's pictures still work.
    const auto broken = fixture.model(fixture.dir.filePath(QStringLiteral("no-signs")));
    EXPECT_TRUE(broken->failed());
    EXPECT_TRUE(broken->signs().isEmpty());
    EXPECT_FALSE(broken->uploadedFailed());
}

TEST(GraphicLibraryModel, ImportListsThePictureFirstWithItsThumbnailBeforeItCompletes)
{
    Fixture fixture;
    fixture.library.importRaster(samples::png(4, 4), "older.png", QUuid::createUuid(), 1);
    const auto model = fixture.model();
    ASSERT_EQ(model->uploaded().size(), 1);

    const auto future = model->importImage(fixture.picture("photo.jpg", samples::jpeg(400, 200)));
    ASSERT_TRUE(finishes(future));
    const UserGraphic graphic = future.result();
    EXPECT_EQ(graphic.displayName, QStringLiteral("photo.jpg"));
    ASSERT_EQ(model->uploaded().size(), 2);
    EXPECT_EQ(model->uploaded().first(), graphic);
    EXPECT_EQ(model->image(graphic).size(), QSize(side, side / 2));

    const auto bytes = model->data(graphic);
    ASSERT_TRUE(finishes(bytes));
    EXPECT_EQ(samples::decoded(bytes.result()).size(), QSize(400, 200));

    // A file in the folder's place: the listing fails and so do imports.
    Fixture broken;
    writeFile(broken.library.directory(), "x");
    const auto failed = broken.model();
    EXPECT_TRUE(failed->uploadedFailed());
    const auto refused = failed->importImage(fixture.picture("a.png", samples::png(4, 4)));
    ASSERT_TRUE(finishes(refused));
    EXPECT_EQ(failureOf(refused), DocumentIssue::io);

    // The library holds three at most: the next import fails where the future is read.
    ASSERT_TRUE(finishes(model->importImage(fixture.picture("third.png", samples::png(3, 3)))));
    const auto full = model->importImage(fixture.picture("fourth.png", samples::png(3, 3)));
    ASSERT_TRUE(finishes(full));
    EXPECT_EQ(failureOf(full), DocumentIssue::tooLarge);
    EXPECT_EQ(model->uploaded().size(), 3);
}

TEST(GraphicLibraryModel, RefusesChosenFilesThatAreTooLargeOrNotFiles)
{
    Fixture fixture;
    const auto model = fixture.model();
    // A sparse file: refused by its size, before a byte is read.
    const QString sparse = fixture.dir.filePath(QStringLiteral("big.png"));
    {
        QFile file(sparse);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(21'000'000));
    }
    const QString fifo = fixture.dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QList<std::pair<QString, DocumentIssue>> cases = {
        {sparse, DocumentIssue::tooLarge},
        {fifo, DocumentIssue::io},
        {fixture.dir.path(), DocumentIssue::io},
        {fixture.dir.filePath(QStringLiteral("missing.png")), DocumentIssue::io},
        {fixture.picture("text.png", "not a picture"), DocumentIssue::invalidImage},
    };
    for (const auto &[path, issue] : cases) {
        SCOPED_TRACE(path.toStdString());
        const auto future = model->importImage(path);
        ASSERT_TRUE(finishes(future));
        EXPECT_EQ(failureOf(future), issue);
    }
    EXPECT_TRUE(model->uploaded().isEmpty());
}

TEST(GraphicLibraryModel, LoadsEachThumbnailOnceAndRemembersFailures)
{
    Fixture fixture;
    const UserGraphic good = fixture.library.importRaster(samples::png(2048, 1024), "good.png", QUuid::createUuid(), 2);
    const UserGraphic altered = fixture.library.importRaster(samples::png(8, 8), "bad.png", QUuid::createUuid(), 1);
    writeFile(fixture.library.directory() + u'/' + altered.id.toString(QUuid::WithoutBraces) + ".png",
              samples::png(9, 9));
    const auto model = fixture.model();
    ASSERT_EQ(model->uploaded().size(), 1); // the altered picture is not even listed

    QSignalSpy images(model.get(), &GraphicLibraryModel::userImagesChanged);
    QSignalSpy failures(model.get(), &GraphicLibraryModel::failedImagesChanged);
    model->loadImage(good);
    model->loadImage(good);
    model->loadImage(altered);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !model->image(good).isNull() && model->failedImages().contains(altered.id); }, 10000));
    model->loadImage(good);
    model->loadImage(altered);
    QTest::qWait(50);
    EXPECT_EQ(images.count(), 1);
    EXPECT_EQ(failures.count(), 1);
    EXPECT_EQ(model->image(good).size(), QSize(side, side / 2));
    EXPECT_TRUE(model->image(altered).isNull());
}

TEST(GraphicLibraryModel, ResultsArrivingAfterTheModelIsGoneChangeNothing)
{
    Fixture fixture;
    auto model = std::make_unique<GraphicLibraryModel>(fixture.library, side);
    const auto future = model->importImage(fixture.picture("late.png", samples::png(5, 5)));
    model.reset();
    QThreadPool::globalInstance()->waitForDone();
    QTest::qWait(20);
    // The work was not cancelled: the picture is stored and listed next time.
    EXPECT_EQ(fixture.library.load().size(), 1);
}
