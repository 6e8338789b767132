#pragma once

// A graphic library panel over fixture folders: a small sign folder made of real sign
// files with titles from the real string tables, a user library in a temporary folder,
// and an editor store whose dialogs the test answers.

#include "tests/app/io/IoTestSupport.h"
#include "tests/core/graphics/PictureSamples.h"

#include "app/library/GraphicLibraryModel.h"
#include "app/library/GraphicLibraryView.h"
#include "core/library/GraphicLibrary.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

namespace librarytest {

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// The fixture signs in manifest order: id, title key, category key, file. The last file
// is not there.
inline const QList<QStringList> fixtureSigns = {
    {"sign_01", "mac.sign_fragile", "mac.sign_cat_handling", "fragile.svg"},
    {"sign_02", "mac.sign_keep_from_heat", "mac.sign_cat_handling", "keep_from_heat.svg"},
    {"sign_03", "mac.sign_vegetarian", "mac.sign_cat_food", "vegetarian.svg"},
    {"sign_04", "mac.sign_warning", "mac.sign_cat_safety", "warning.svg"},
    {"sign_05", "mac.sign_recycle", "mac.sign_cat_recycling", "recycle.svg"},
    {"sign_06", "mac.sign_arrow_up", "mac.sign_cat_marks", "arrow_up.svg"},
    {"sign_07", "mac.sign_cross", "mac.sign_cat_marks", "missing.svg"},
};

inline QString makeSignFolder(const QString &folder)
{
    QDir().mkpath(folder);
    QJsonArray manifest;
    for (const QStringList &sign : fixtureSigns) {
        QFile::copy(kestrivane::GraphicLibrary::directory() + u'/' + sign[3], folder + u'/' + sign[3]);
        manifest.append(QJsonObject{{"id", sign[0]},
                                    {"titleKey", sign[1]},
                                    {"categoryKey", sign[2]},
                                    {"filename", sign[3]},
                                    {"sha256", QString(64, u'0')}});
    }
    writeFile(folder + QStringLiteral("/manifest.json"), QJsonDocument(manifest).toJson());
    return folder;
}

// Stores pictures in a library folder directly, as an import would have left them (an
// import lists the folder every time, far too slow for hundreds).
inline QList<kestrivane::UserGraphic> storePictures(const QString &folder, const QList<QByteArray> &pngs,
                                                    const QStringList &names)
{
    QDir().mkpath(folder);
    QList<kestrivane::UserGraphic> graphics;
    for (qsizetype i = 0; i < pngs.size(); ++i) {
        kestrivane::UserGraphic graphic{
            QUuid::createUuid(), names.value(i, QStringLiteral("picture %1.png").arg(i)), double(pngs.size() - i),
            QString::fromLatin1(QCryptographicHash::hash(pngs[i], QCryptographicHash::Sha256).toHex())};
        const QString stem = folder + u'/' + graphic.id.toString(QUuid::WithoutBraces).toLower();
        writeFile(stem + QStringLiteral(".png"), pngs[i]);
        writeFile(stem + QStringLiteral(".json"), graphic.encoded());
        graphics.append(graphic);
    }
    return graphics;
}

// The panel and everything it stands on. `open()` makes a new panel each time.
class Panel {
public:
    explicit Panel(const QString &signFolder = QString(), int limit = 3)
        : signs(signFolder.isEmpty() ? makeSignFolder(dir.filePath(QStringLiteral("signs"))) : signFolder),
          library(dir.filePath(QStringLiteral("library")), 1 << 30, limit)
    {
        store = env.makeStore(kestrivane::LabelDocument(QStringLiteral("Doc"), 100, 50, {}));
        iotest::answeredBy(*store, dialogs);
    }

    kestrivane::GraphicLibraryView &open(int thumbnailSide = 88)
    {
        view.reset();
        store->setShowsLibrary(true);
        // The listing ends before the panel is made: the panel must show what is already there.
        auto model = std::make_unique<kestrivane::GraphicLibraryModel>(library, thumbnailSide, signs);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !model->loadingUploaded(); }, 10000));
        view = std::make_unique<kestrivane::GraphicLibraryView>(store.get(), &env.localization, std::move(model));
        view->open();
        QCoreApplication::processEvents();
        return *view;
    }

    template <typename T> T *child(const char *name) const { return view->findChild<T *>(QLatin1String(name)); }
    QTabBar *tabs() const { return child<QTabBar>("libraryTabs"); }
    QListView *grid(bool uploaded) const { return child<QListView>(uploaded ? "uploadedGrid" : "signGrid"); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    // The text of a label while it is shown.
    QString lineText(const char *name) const
    {
        const QLabel *label = child<QLabel>(name);
        return label->isVisible() ? label->text() : QString();
    }
    void showTab(int index)
    {
        tabs()->setCurrentIndex(index);
        QCoreApplication::processEvents();
    }
    void search(const QString &query) { child<QLineEdit>("signSearch")->setText(query); }
    void chooseCategory(const QString &key)
    {
        auto *box = child<QComboBox>("signCategory");
        box->setCurrentIndex(box->findData(key));
    }
    // Clicks a cell of the current tab's grid, once the view has laid it out.
    void clickCell(int row)
    {
        QListView *view = grid(tabs()->currentIndex() == 1);
        const QModelIndex index = view->model()->index(row, 0);
        const auto cell = [&] { return view->visualRect(index); };
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !cell().isEmpty() && view->indexAt(cell().center()) == index; }, 5000));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell().center());
    }

    QTemporaryDir dir;
    QString signs;
    kestrivane::UserGraphicLibrary library;
    editortest::StoreEnvironment env;
    iotest::ScriptedDialogs dialogs;
    std::unique_ptr<kestrivane::EditorStore> store;
    std::unique_ptr<kestrivane::GraphicLibraryView> view;
};

} // namespace librarytest
