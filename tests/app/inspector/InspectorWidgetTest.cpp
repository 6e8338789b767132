// The inspector's widgets on the offscreen platform, driven with keys and clicks.

#include "tests/app/inspector/InspectorTestSupport.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/app/table/TableTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/canvas/LabelCanvas.h"
#include "app/inspector/EditorInspector.h"
#include "app/inspector/InspectorControls.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/MainMenu.h"
#include "app/shell/MainWindow.h"
#include "app/shell/WorkspaceStore.h"
#include "app/table/BatchDraft.h"
#include "app/table/BatchView.h"
#include "app/table/TableImportView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrivane;
using namespace inspectortest;

namespace {

// The inspector in a window of its own.
struct Window {
    explicit Window(Fixture &fixture, int width = 300) : pane(fixture.store.get(), &fixture.env.localization)
    {
        pane.resize(width, 1400);
        pane.show();
        QApplication::setActiveWindow(&pane);
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <typename T> T *find(const QString &name) const { return pane.inspector()->findChild<T *>(name); }

    InspectorPane pane;
};

void type(QWidget *field, const QString &text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

} // namespace

TEST(InspectorWidgets, TabbingThroughNumbersChangesNothing)
{
    LabelElement text = element(ElementKind::text);
    text.xMm = 12.3456;
    text.yMm = 0.005;
    text.widthMm = 40.129;
    text.rotationDegrees = -0.001;
    text.fontSizePt = 9.999;
    Fixture fixture({text});
    Window window(fixture);
    auto *x = window.find<NumberField>(QStringLiteral("mac.x"));
    ASSERT_TRUE(x);
    EXPECT_EQ(x->text(), QStringLiteral("12.35"));
    x->setFocus();
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), x);
    window.find<NumberField>(QStringLiteral("mac.font_size"))->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(fixture.store->undoStack().isEmpty());
    EXPECT_EQ(fixture.first(), text);
}

// Text is read in the user's locale: "12,5" is no number in the C locale of the tests, 12.5 in German.
TEST(InspectorWidgets, ReturnOrLeavingCommitsOnlyANumberInRangeInTheUsersLocale)
{
    const struct {
        const char *typed;
        double stored;
        bool german = false;
    } cases[] = {
        {"600", 5},  {"-400", 5}, {"inf", 5},     {"nan", 5},   {"1e999", 5},
        {"12,5", 5}, {"abc", 5},  {"-360", -360}, {"500", 500}, {"12,5", 12.5, true},
    };
    Fixture fixture({element(ElementKind::text)});
    Window window(fixture);
    auto *x = window.find<NumberField>(QStringLiteral("mac.x"));
    for (const auto &item : cases) {
        if (item.german)
            setNumberLocaleProvider([] { return QLocale(QLocale::German, QLocale::Germany); });
        fixture.store->changeElement([](LabelElement &e) { e.xMm = 5; });
        type(x, QString::fromLatin1(item.typed));
        QTest::keyClick(x, Qt::Key_Return);
        EXPECT_EQ(fixture.first().xMm, item.stored) << item.typed;
        EXPECT_EQ(x->text(), x->displayText(item.stored)) << item.typed;
    }
    EXPECT_EQ(x->text(), QStringLiteral("12,5"));
    setNumberLocaleProvider(nullptr);
    EXPECT_EQ(fixture.store->undoStack().size(), 5); // -360, 5 again, 500, 5 again, 12.5

    // Leaving the field commits too, and the field shows the value rounded, stored exactly.
    type(x, QStringLiteral("20.125"));
    window.find<NumberField>(QStringLiteral("mac.y"))->setFocus();
    EXPECT_EQ(fixture.first().xMm, 20.125);
    EXPECT_EQ(x->text(), QStringLiteral("20.13"));
}

TEST(InspectorWidgets, ShowingAndFocusingContentKeepsItsCharacters)
{
    const QString content = QStringLiteral("a\u00A0b\u2028c\u001Dd\r\ne");
    Fixture fixture({element(ElementKind::text, content)});
    Window window(fixture);
    auto *editor = window.find<ContentEditor>(QStringLiteral("mac.content"));
    ASSERT_TRUE(editor);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(fixture.first().content, content);
    EXPECT_TRUE(fixture.store->undoStack().isEmpty());

    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("xy"));
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(fixture.first().content, QStringLiteral("a\u00A0b\u2028c\u001Dd\nexy\n"));
    EXPECT_EQ(window.find<ContentEditor>(QStringLiteral("mac.content")), editor); // refreshed in place
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->textCursor().position(), editor->document()->characterCount() - 1);
    EXPECT_EQ(fixture.store->undoStack().size(), 3);
}

// Tab leaves the content box for the next control and types nothing; Shift+Tab comes back.
TEST(InspectorWidgets, TabLeavesTheContentBoxWithoutTyping)
{
    const std::pair<ElementKind, std::string> cases[] = {{ElementKind::text, "mac.font"},
                                                         {ElementKind::barcode, "mac.bar_example"}};
    for (const auto &[kind, next] : cases) {
        SCOPED_TRACE(next);
        Fixture fixture({element(kind)});
        Window window(fixture);
        const LabelElement before = fixture.first();
        auto *editor = window.find<ContentEditor>(QStringLiteral("mac.content"));
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_Tab);
        EXPECT_TRUE(fixture.first() == before && fixture.store->undoStack().isEmpty());
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), next);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), editor);
    }
}

TEST(InspectorWidgets, ColumnPickerNamesColumnsByLetterAndTitle)
{
    Fixture fixture({element(ElementKind::text)}, false, priceTable());
    Window window(fixture);
    auto *picker = window.find<QComboBox>(QStringLiteral("mac.data_column"));
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->itemText(2), QStringLiteral("B \u00B7 Price"));
    EXPECT_EQ(picker->currentIndex(), 0);
    // Choosing a column replaces the tree the picker lives in.
    QPointer<QComboBox> old = picker;
    picker->activated(2);
    Window::settle();
    EXPECT_EQ(fixture.first().tableBinding, TableBinding(1));
    EXPECT_FALSE(old);
    auto *resolved = window.find<QLabel>(QStringLiteral("resolvedContent"));
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->text(), QStringLiteral("4.20"));
}

TEST(InspectorWidgets, ChoicesStackInANarrowPaneOnly)
{
    Fixture fixture({element(ElementKind::text)});
    fixture.env.localization.select(AppLanguage::russian);
    for (const int width : {270, 380}) {
        Window window(fixture, width);
        for (const char *name : {"textStyleToggles", "layerButtons"}) {
            auto *fit = window.find<FitLayout>(QString::fromLatin1(name));
            ASSERT_TRUE(fit) << name;
            EXPECT_EQ(fit->isRow(), width == 380)
                << name << " at " << width << ": row " << fit->rowWidth() << " in " << fit->width();
        }
    }
}

TEST(InspectorWidgets, DeleteRemovesTheWholeSelectionInOneStep)
{
    Fixture fixture({element(ElementKind::text), element(ElementKind::line), element(ElementKind::counter)}, true);
    Window window(fixture);
    EditorInspector *before = window.pane.inspector();
    window.find<QPushButton>(QStringLiteral("mac.delete"))->click();
    Window::settle();
    EXPECT_TRUE(fixture.store->document().elements.isEmpty());
    EXPECT_TRUE(fixture.store->selectedIDs().isEmpty());
    EXPECT_EQ(fixture.store->undoStack().size(), 1);
    EXPECT_NE(window.pane.inspector(), before);
}

TEST(InspectorWidgets, WarningCardNamesABindingWithoutTable)
{
    LabelElement text = element(ElementKind::text);
    text.tableBinding = TableBinding(0);
    Fixture fixture({text});
    Window window(fixture);
    EXPECT_EQ(window.pane.inspector()->warningText(),
              fixture.env.localization.text(QStringLiteral("mac.data_error_binding")));
    fixture.store->changeElement([](LabelElement &e) { e.tableBinding.reset(); });
    EXPECT_EQ(window.pane.inspector()->warningText(), QString());
}

TEST(InspectorWidgets, FontFamiliesAreCleanedAndSortedByCodePoint)
{
    const QStringList families = {QStringLiteral("b"),           QStringLiteral("C059 [urw]"),
                                  QStringLiteral("C059 [UKWN]"), QStringLiteral("\U0001F600 Emoji"),
                                  QStringLiteral("\uFF21 Wide"), QStringLiteral("A")};
    EXPECT_EQ(cleanFontFamilies(families),
              QStringList({QStringLiteral("A"), QStringLiteral("C059"), QStringLiteral("b"),
                           QStringLiteral("\uFF21 Wide"), QStringLiteral("\U0001F600 Emoji")}));
}

// The font picker measures its widest family once for all pickers, yet sizes itself as a
// plain pop-up of the same entries does, also when its font changes after a first layout.
TEST(InspectorWidgets, FontPickerIsSizedAsAPlainPopUpOfItsEntries)
{
    QFont large = QApplication::font();
    large.setPointSizeF(large.pointSizeF() * 2);
    large.setBold(true);
    for (const QFont &font : {QApplication::font(), large, QApplication::font()}) {
        FontPicker picker(QStringLiteral("System font"));
        picker.sizeHint();
        picker.setFont(font);
        QComboBox plain;
        plain.setFont(font);
        for (int i = 0; i < picker.count(); ++i)
            plain.addItem(picker.itemText(i));
        EXPECT_EQ(picker.sizeHint(), plain.sizeHint());
        EXPECT_EQ(picker.minimumSizeHint(), plain.minimumSizeHint());
    }
}

// In the real window the main menu's Undo runs, not the field's own.
TEST(InspectorWidgets, CtrlZInAFieldIsTheMenusUndo)
{
    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate(&env.localization, &env.settings);
    delegate.setTerminate([] {});
    delegate.launch();
    LabelElement text = element(ElementKind::text, QStringLiteral("Tea"));
    delegate.workspace()->add(LabelDocument(QStringLiteral("Doc"), 60, 40, {text}), std::nullopt, true);
    EditorStore &store = *delegate.workspace()->tabs().first();
    store.setSelectedIDs({text.id});
    QApplication::setActiveWindow(delegate.window());
    Window::settle();
    auto *editor = delegate.window()->findChild<ContentEditor *>(QStringLiteral("mac.content"));
    ASSERT_TRUE(editor);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("s"));
    ASSERT_EQ(store.document().elements.first().content, QStringLiteral("Teas"));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(store.document().elements.first().content, QStringLiteral("Tea"));
    EXPECT_EQ(editor->content(), QStringLiteral("Tea"));
    EXPECT_EQ(store.redoStack().size(), 1);
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor->content(), QStringLiteral("Teas"));
}

// In the real window, an edit that gives the inspector a new tree keeps keyboard focus on
// the same field, or on the canvas once the field is gone; a selection made on the canvas
// leaves focus there. Space afterwards must not reach the top bar's Home button.
TEST(InspectorWidgets, FocusStaysInTheEditorWhenTheInspectorIsRebuilt)
{
    const struct {
        const char *control;
        Qt::Key key;         // pressed on the control; none: the canvas is clicked instead
        const char *focused; // null: the canvas
    } cases[] = {
        {"mac.data_column", Qt::Key_Down, "mac.data_column"},      // column A: prefix and suffix appear
        {"mac.show_bar_text", Qt::Key_Space, "mac.show_bar_text"}, // the caption size appears
        {"mac.delete", Qt::Key_Space, nullptr},
        {"mac.x", Qt::Key_unknown, nullptr}, // an empty spot, then the barcode
    };
    for (const auto &item : cases) {
        SCOPED_TRACE(item.control);
        shelltest::WorkspaceEnvironment env;
        AppDelegate delegate(&env.localization, &env.settings);
        delegate.setTerminate([] {});
        delegate.launch();
        const LabelElement code = element(ElementKind::barcode);
        LabelDocument document(QStringLiteral("Doc"), 60, 40, {code});
        document.table = priceTable();
        delegate.workspace()->add(document, std::nullopt, true);
        EditorStore &store = *delegate.workspace()->tabs().first();
        store.setSelectedIDs({code.id});
        QApplication::setActiveWindow(delegate.window());
        Window::settle();
        auto *canvas = delegate.window()->findChild<LabelCanvas *>();
        auto *control = delegate.window()->findChild<QWidget *>(QString::fromLatin1(item.control));
        ASSERT_TRUE(canvas && control);
        const QPointer<QWidget> old = control;
        control->setFocus();
        if (item.key != Qt::Key_unknown) {
            QTest::keyClick(control, item.key);
        } else {
            const auto at = [&](double x, double y) {
                return (canvas->paperRect().topLeft() + QPointF(x, y) * canvas->scale()).toPoint();
            };
            QTest::mouseClick(canvas, Qt::LeftButton, {}, at(55, 35));
            Window::settle();
            QTest::mouseClick(canvas, Qt::LeftButton, {}, at(20, 12));
            ASSERT_EQ(store.selectedIDs(), QSet<QUuid>{code.id});
        }
        Window::settle();
        EXPECT_FALSE(old) << "the edit made a new tree";
        QWidget *focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        if (item.focused)
            EXPECT_EQ(focus->objectName(), QString::fromLatin1(item.focused));
        else
            EXPECT_EQ(focus, canvas);
        QTest::keyClick(focus, Qt::Key_Space);
        if (auto *picker = qobject_cast<QComboBox *>(QApplication::focusWidget()))
            picker->hidePopup();
        Window::settle();
        EXPECT_EQ(delegate.workspace()->route(), WorkspaceStore::Route::editor);
    }
}

namespace {

// The real window over a text bound to the first column of the price table, the text
// selected, with scripted dialogs.
struct Editor {
    Editor()
    {
        delegate.setTerminate([] {});
        delegate.workspace()->setDialogs(env.dialogs);
        delegate.launch();
        LabelElement text = element(ElementKind::text);
        text.tableBinding = TableBinding(0);
        LabelDocument document(QStringLiteral("Doc"), 60, 40, {text});
        document.table = priceTable();
        store = delegate.workspace()->add(document, std::nullopt, true);
        store->setSelectedIDs({text.id});
        QApplication::setActiveWindow(window());
        Window::settle();
    }

    MainWindow *window() const { return delegate.window(); }
    QWidget *control(const char *name) const { return window()->findChild<QWidget *>(QString::fromLatin1(name)); }

    // Runs a menu command that raises a sheet; the sheet once it is the active window.
    template <typename Sheet> Sheet *open(MenuCommand command)
    {
        delegate.menu()->action(command)->trigger();
        Sheet *sheet = nullptr;
        tabletest::waitUntil([&] {
            sheet = window()->findChild<Sheet *>();
            return sheet && QApplication::activeWindow() == sheet;
        });
        return sheet;
    }

    // File > Import Data, a file of other columns, Apply.
    void attachOtherTable()
    {
        auto *sheet = open<TableImportView>(MenuCommand::importTable);
        ASSERT_TRUE(sheet);
        env.dialogs->openAnswer = {
            tabletest::writeFile(env.dir.filePath(QStringLiteral("stock.csv")), "Item;Stock\nPen;4\n")};
        QTest::mouseClick(sheet->chooseButton(), Qt::LeftButton);
        ASSERT_TRUE(tabletest::waitUntil([&] { return sheet->applyButton()->isEnabled(); }));
        QTest::mouseClick(sheet->applyButton(), Qt::LeftButton);
        ASSERT_EQ(store->document().table->columns.first(), QStringLiteral("Item"));
    }

    // A desktop hands activation back to the window once its sheet is gone; the offscreen
    // platform leaves that to the test.
    void reactivate()
    {
        Window::settle();
        window()->activateWindow();
        ASSERT_TRUE(tabletest::waitUntil([&] { return QApplication::activeWindow() == window(); }));
        Window::settle();
    }

    // Opens the menu holding `command` on the menu bar and clicks the command.
    void choose(MenuCommand command)
    {
        QAction *item = delegate.menu()->action(command);
        QMenuBar *bar = window()->menuBar();
        for (QMenu *menu : delegate.menu()->menus()) {
            if (!menu->actions().contains(item))
                continue;
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
            ASSERT_TRUE(tabletest::waitUntil([&] { return menu->isVisible(); }));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
            return;
        }
        FAIL() << "no menu holds the command";
    }

    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate{&env.localization, &env.settings};
    EditorStore *store = nullptr;
};

} // namespace

// The inspector rebuilt while a sheet holds the keyboard, or by a command chosen from the
// menu bar: once the window is active again, focus is on the control of the same field,
// or on the canvas when the field went, never on the top bar's Home button that Space
// would press. Storing batch settings changes no field, so the tree stays.
TEST(InspectorWidgets, FocusStaysInTheEditorWhenTheInspectorIsRebuiltBehindASheetOrMenu)
{
    const struct {
        const char *what;
        const char *control; // focused before
        std::function<void(Editor &)> act;
        bool rebuilt;
        const char *focused; // null: the canvas
    } cases[] = {
        {"attach another table", "mac.data_column", [](Editor &e) { e.attachOtherTable(); }, true, "mac.data_column"},
        {"remove the table", "mac.prefix",
         [](Editor &e) {
             auto *sheet = e.open<TableImportView>(MenuCommand::importTable);
             ASSERT_TRUE(sheet);
             QTest::mouseClick(sheet->removeButton(), Qt::LeftButton);
             ASSERT_FALSE(e.store->document().table);
         },
         true, nullptr},
        {"store batch settings", "mac.prefix",
         [](Editor &e) {
             auto *sheet = e.open<BatchView>(MenuCommand::exportPDF);
             ASSERT_TRUE(sheet);
             const auto prepared = [&] { return !sheet->draft()->preparing() && sheet->draft()->job(); };
             ASSERT_TRUE(tabletest::waitUntil(prepared));
             sheet->copiesField()->setFocus();
             sheet->copiesField()->selectAll();
             QTest::keyClicks(sheet->copiesField(), QStringLiteral("3"));
             ASSERT_TRUE(tabletest::waitUntil(prepared));
             QTest::mouseClick(sheet->primaryButton(), Qt::LeftButton);
             ASSERT_EQ(e.store->document().batch.copies, 3);
         },
         false, "mac.prefix"},
        {"undo from the Edit menu", "mac.data_column",
         [](Editor &e) {
             e.attachOtherTable();
             e.reactivate();
             e.control("mac.data_column")->setFocus();
             e.choose(MenuCommand::undo);
             ASSERT_EQ(e.store->document().table->columns.first(), QStringLiteral("Name"));
         },
         true, "mac.data_column"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Editor editor;
        QWidget *control = editor.control(c.control);
        auto *canvas = editor.window()->findChild<LabelCanvas *>();
        ASSERT_TRUE(control && canvas);
        const QPointer<QWidget> old = control;
        control->setFocus();
        c.act(editor);
        editor.reactivate();
        EXPECT_EQ(!old, c.rebuilt);
        QWidget *focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        const std::string named = focus == canvas                  ? "canvas"
                                  : !focus->objectName().isEmpty() ? focus->objectName().toStdString()
                                                                   : focus->metaObject()->className();
        EXPECT_EQ(named, c.focused ? c.focused : "canvas");
        if (!c.focused)
            editor.window()->grab().save(testsupport::outputPath(QStringLiteral("inspector-focus-after-sheet.png")));
        QTest::keyClick(focus, Qt::Key_Space);
        if (auto *picker = qobject_cast<QComboBox *>(QApplication::focusWidget()))
            picker->hidePopup();
        Window::settle();
        EXPECT_EQ(editor.delegate.workspace()->route(), WorkspaceStore::Route::editor);
    }
}
