#include "app/catalog/TemplateCatalogView.h"
#include "app/catalog/CatalogWidgets.h"
#include "app/shell/WorkspaceStore.h"
#include "core/common/TextRules.h"
#include "core/l10n/Localization.h"
#include "tests/app/catalog/CatalogRig.h"
#include "tests/app/shell/ShellTestSupport.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace catalogtest;

namespace {

struct Screen {
    explicit Screen(Rig &rig, std::shared_ptr<TemplateCache> cache = {})
        : l10n(&rig.settings, {"en-US"}), workspace(&l10n, rig.settings),
          store(rig.service, cache ? cache : rig.cache, &rig.settings), view(&store, &workspace, &l10n)
    {
        view.resize(1200, 800);
        view.show();
    }
    Localization l10n;
    WorkspaceStore workspace;
    TemplateCatalogStore store;
    TemplateCatalogView view;
};

void click(QAbstractItemView *list, int row)
{
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

TEST(TemplateCatalogView, ControlsFollowTheStore)
{
    Rig rig;
    rig.scriptCatalog({itemJson("a"), itemJson("b")}, 2, 200);
    Screen screen(rig);
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen.store.loading(); }, 2000)) << "showing the page refreshes";
    EXPECT_FALSE(screen.view.refreshButton()->isEnabled());
    EXPECT_FALSE(screen.view.openButton()->isEnabled());
    ASSERT_TRUE(idle(screen.store));
    EXPECT_TRUE(screen.view.refreshButton()->isEnabled());
    EXPECT_TRUE(screen.view.moreButton()->isVisible());
    EXPECT_TRUE(screen.view.moreButton()->isEnabled());
    EXPECT_TRUE(screen.view.openButton()->isEnabled());
    rig.transport->script(pageURL(1), {Reply{pageJson(1, {itemJson("c")}, 2), std::nullopt, 200}});
    screen.view.moreButton()->click();
    EXPECT_FALSE(screen.view.moreButton()->isEnabled());
    EXPECT_FALSE(screen.view.refreshButton()->isEnabled());
    ASSERT_TRUE(idle(screen.store));
    EXPECT_FALSE(screen.view.moreButton()->isVisible()) << "the last page is listed";
    EXPECT_EQ(screen.view.itemView()->model()->rowCount(), 3);

    click(screen.view.itemView(), 1);
    EXPECT_EQ(screen.store.selected()->id, "b");
    ASSERT_TRUE(idle(screen.store));

    // The mode switch calls the store once; the selection stays.
    QSignalSpy modes(&screen.store, &TemplateCatalogStore::displayModeChanged);
    screen.view.listModeButton()->click();
    EXPECT_EQ(modes.count(), 1);
    EXPECT_EQ(screen.store.displayMode(), CatalogDisplayMode::list);
    EXPECT_EQ(screen.store.selected()->id, "b");

    // Pressing the category already shown asks for nothing.
    const qsizetype calls = rig.transport->calls().size();
    click(screen.view.categoryView(), 0);
    QTest::qWait(50);
    EXPECT_EQ(rig.transport->calls().size(), calls);
    EXPECT_FALSE(screen.store.loading());
}

// Categories and templates are chosen from the keyboard as by a click, in both display modes.
// Return chooses a focused template that is not the chosen one and otherwise presses Open.
TEST(TemplateCatalogView, CategoriesAndTemplatesAreChosenWithTheKeyboard)
{
    const std::pair<CatalogDisplayMode, Qt::Key> modes[] = {{CatalogDisplayMode::list, Qt::Key_Down},
                                                            {CatalogDisplayMode::previews, Qt::Key_Right}};
    for (const auto &[mode, next] : modes) {
        SCOPED_TRACE(int(mode));
        Rig rig;
        rig.scriptCatalog({itemJson("a"), itemJson("b"), itemJson("c")});
        rig.transport->script(base + "/categories",
                              {Reply::ok(R"([{"id":"food","name":"Food"},{"id":"office","name":"Office"}])")});
        rig.transport->script(pageURL(0, "office"), {Reply::ok(pageJson(0, {itemJson("d"), itemJson("e")}, 1))});
        for (const char *id : {"d", "e"})
            rig.scriptDesign(id);
        Screen screen(rig);
        const auto selected = [&] { return screen.store.selected() ? screen.store.selected()->id : QString(); };
        screen.store.selectDisplayMode(mode);
        ASSERT_TRUE(QTest::qWaitFor([&] { return screen.store.loading(); }, 2000));
        ASSERT_TRUE(idle(screen.store));
        QApplication::setActiveWindow(&screen.view);

        ChoiceListView *categories = screen.view.categoryView();
        categories->setFocus(Qt::TabFocusReason);
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Space})
            QTest::keyClick(categories, key);
        EXPECT_EQ(screen.store.category(), QStringLiteral("office"));
        ASSERT_TRUE(idle(screen.store));
        EXPECT_EQ(categories->currentIndex().row(), 2) << "the focus stays on the chosen category";
        EXPECT_TRUE(shelltest::drawsItsFocus(categories));
        EXPECT_EQ(selected(), "d");

        ChoiceListView *items = screen.view.itemView();
        items->setFocus(Qt::TabFocusReason);
        QTest::keyClick(items, next);
        EXPECT_TRUE(shelltest::drawsItsFocus(items));
        // For a person to look at: the focus ring on "e", the chosen "d" beside it.
        screen.view.grab().save(testsupport::outputPath(mode == CatalogDisplayMode::list ? "catalog-keyboard-list.png"
                                                                                          : "catalog-keyboard.png"));
        QTest::keyClick(items, Qt::Key_Space);
        EXPECT_EQ(selected(), "e");
        ASSERT_TRUE(idle(screen.store));
        QTest::keyClick(items, Qt::Key_Return);
        EXPECT_EQ(screen.workspace.tabs().size(), 1) << "Return on the chosen template opens it";
        // Return on a template that is not the chosen one only chooses it.
        for (const Qt::Key key : {mode == CatalogDisplayMode::list ? Qt::Key_Up : Qt::Key_Left, Qt::Key_Return})
            QTest::keyClick(items, key);
        EXPECT_EQ(selected(), "d");
        EXPECT_EQ(screen.workspace.tabs().size(), 1);
    }
}

TEST(TemplateCatalogView, StatusAreaShowsTheIssueThenTheStorageNote)
{
    QStringList names;
    for (int i = 1; i <= 25; ++i)
        names.append(QString("elements[%1]").arg(i));
    const struct {
        const char *name;
        std::optional<CatalogIssue> issue;
        bool storage;
        QString listed;
    } cases[] = {
        {"neither", std::nullopt, false, {}},
        {"both", CatalogIssue::unsupported(names), true, names.mid(0, 20).join(", ")},
        {"storage only", std::nullopt, true, {}},
        {"three names", CatalogIssue::unsupported(names.mid(0, 3)), false, names.mid(0, 3).join(", ")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        // The issue comes from the second page, after the first was saved (or not).
        rig.scriptCatalog({itemJson("a")}, 2);
        rig.transport->script(pageURL(1), {c.issue ? Reply::fail(*c.issue) : Reply::ok(pageJson(1, {}, 2))});
        // A cache too small for any list fails its save.
        Screen screen(rig, c.storage ? std::make_shared<TemplateCache>(rig.folder.path() + "/tiny", QUrl(base), 16)
                                     : nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return screen.store.loading(); }, 2000));
        ASSERT_TRUE(idle(screen.store));
        screen.view.moreButton()->click();
        ASSERT_TRUE(idle(screen.store));
        EXPECT_EQ(screen.view.statusArea()->isVisible(), c.issue || c.storage);
        EXPECT_EQ(screen.view.issueLabel()->isVisible(), c.issue.has_value());
        EXPECT_EQ(screen.view.storageLabel()->isVisible(), c.storage);
        EXPECT_EQ(screen.view.issueNames()->isVisible(), !c.listed.isEmpty());
        EXPECT_EQ(c.listed.isEmpty() ? c.listed : screen.view.issueNames()->text(), c.listed);
    }
}

TEST(TemplateCatalogView, PlaceholderGeometry)
{
    const struct {
        double width, height;
        QSizeF box;
        double ratio, w, h, radius;
    } cases[] = {
        {50, 25, {200, 126}, 2, 144, 72, 4.32}, {10, 100, {200, 126}, 0.25, 21.42, 85.68, 5.1408},
        {10, 0, {200, 126}, 4, 144, 36, 2.16},  {0, 0, {200, 126}, 0.25, 21.42, 85.68, 5.1408},
        {50, 25, {20, 12}, 2, 14.4, 7.2, 2},    {10, 100, {2000, 1260}, 0.25, 214.2, 856.8, 8},
    };
    for (const auto &c : cases) {
        const CatalogShapePlaceholder::Geometry g = CatalogShapePlaceholder::geometry(c.width, c.height, c.box);
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " in " << c.box.width());
        EXPECT_DOUBLE_EQ(g.ratio, c.ratio);
        EXPECT_NEAR(g.size.width(), c.w, 1e-9);
        EXPECT_NEAR(g.size.height(), c.h, 1e-9);
        EXPECT_NEAR(g.cornerRadius, c.radius, 1e-9);
    }
}

// A name too long for a card's two lines is cut between whole characters: no half of an emoji,
// no part of a flag or a joined sequence, no letter without its marks before the ellipsis.
TEST(CatalogItemDelegate, LongNamesAreCutBetweenWholeCharacters)
{
    const QFont font = catalogstyle::font(catalogstyle::Text::callout, QFont::Medium);
    const QString names[] = {
        QStringLiteral(u"🇫🇷👍🏽👨\u200D👩\u200D👧").repeated(40),
        QStringLiteral(u"ஸ்ரீ ക്ഷ e\u0301\u0301 ").repeated(40),
    };
    for (const QString &name : names) {
        for (const double width : {60.0, 97.0, 143.0, 200.0}) {
            SCOPED_TRACE(width);
            const QString shown = catalogstyle::wrappedText(font, width, name, 2);
            ASSERT_TRUE(shown.endsWith(QChar(0x2026)));
            const QString kept = shown.chopped(1);
            EXPECT_TRUE(name.startsWith(kept));
            EXPECT_LT(kept.size(), name.size());
            EXPECT_EQ(text::leadingGraphemes(name, text::graphemeCount(kept)), kept);
        }
    }
    EXPECT_EQ(catalogstyle::wrappedText(font, 200, QStringLiteral("Short"), 2), QStringLiteral("Short"));
}

// A card's texts are measured once and kept; an item renamed, moved to another category or
// resized in a later listing is drawn as by a delegate that never drew it before.
TEST(CatalogItemDelegate, KeptCardTextsFollowTheItem)
{
    Rig rig;
    QJsonObject json = itemJson("a", "r1", "Food");
    rig.scriptCatalog({json});
    const auto store = rig.refreshed();
    Localization l10n(&rig.settings, {"en-US"});
    CatalogItemModel model(store.get());
    const CatalogItemDelegate kept(store.get(), &l10n);
    const auto card = [&](const CatalogItemDelegate &delegate) {
        QImage image(240, 260, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        delegate.paint(&painter, option, model.index(0));
        return image;
    };
    QImage before = card(kept);
    const std::pair<const char *, QJsonValue> changes[] = {
        {"name", "A name long enough to take the two lines of a card and to be cut short at their end"},
        {"categoryName", "Office supplies"},
        {"widthMm", 101.6},
    };
    for (const auto &[key, value] : changes) {
        json.insert(QLatin1String(key), value);
        rig.transport->script(pageURL(0), {Reply::ok(pageJson(0, {json}, 1))});
        store->refresh(std::nullopt, false);
        ASSERT_TRUE(idle(*store));
        model.sync();
        const QImage after = card(kept);
        EXPECT_NE(after, before) << key;
        EXPECT_EQ(after, card(CatalogItemDelegate(store.get(), &l10n))) << key;
        before = after;
    }
}
