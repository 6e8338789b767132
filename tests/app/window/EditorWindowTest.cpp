#include "tests/app/editor/EditorTestSupport.h"
#include "tests/app/io/IoTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/canvas/CanvasRulerView.h"
#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/LabelCanvas.h"
#include "app/table/BatchView.h"
#include "app/window/ContentView.h"
#include "app/window/EditorSidebar.h"
#include "app/window/EditorWindowText.h"
#include "app/window/TableSheets.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPdfDocument>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
namespace ew = kestrivane::editorwindow;

namespace {

// A document shown in an editor window, English texts, with recorded alerts and dialogs.
class EditorWindowTest : public ::testing::Test {
protected:
    void open(LabelDocument document)
    {
        store = env.makeStore(document, true);
        store->setDialogs(dialogs);
        view = std::make_unique<ContentView>(
            store.get(), &env.localization, [] {}, [] {}, [] {});
        view->resize(1280, 760);
        view->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        for (EditorSheet sheet : {EditorSheet::library, EditorSheet::data, EditorSheet::batch})
            ContentView::installSheet(sheet, nullptr);
    }

    editortest::StoreEnvironment env;
    std::shared_ptr<iotest::ScriptedDialogs> dialogs = std::make_shared<iotest::ScriptedDialogs>();
    std::unique_ptr<EditorStore> store;
    std::unique_ptr<ContentView> view;
};

LabelDocument plain(double width = 60, double height = 40)
{
    return LabelDocument(QStringLiteral("Shelf"), width, height, {});
}

// Empty when `lines` make up the whole `text` and each ends where a line may break (after a
// space or hyphen, between two CJK characters); else what is wrong, naming the line.
QString wordBrokenIn(const QString &text, const QStringList &lines)
{
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype at = 0;
    for (const QString &line : lines) {
        if (text.mid(at, line.size()) != line)
            return QStringLiteral("not the text's own: ") + line;
        at += line.size();
        breaks.setPosition(at);
        if (at < text.size() && !breaks.isAtBoundary())
            return QStringLiteral("breaks a word: ") + line;
    }
    return at == text.size() ? QString() : QStringLiteral("cut short: ") + text;
}

} // namespace

TEST(EditorWindowRules, ZoomCommandsClampAndRecoverFromNonFiniteValues)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double (*command)(double);
        double from, expected;
    } steps[] = {{ew::zoomedIn, 8, 8}, {ew::zoomedOut, 0.2, 0.2}, {ew::zoomedOut, 1.5, 1.2},
                 {ew::zoomedIn, 7, 8}, {ew::zoomedIn, nan, 1},    {ew::zoomedOut, HUGE_VAL, 1}};
    for (const auto &c : steps)
        EXPECT_DOUBLE_EQ(c.command(c.from), c.expected) << c.from;
    // The first fit is the example of a 100 × 50 mm label; then unmeasured, too narrow, too low,
    // the upper limit and an empty label.
    const struct {
        double width, height, widthMm, heightMm, expected;
    } fits[] = {{836, 624, 100, 50, 2.46944}, {0, 0, 100, 50, 0.2},    {135, 624, 100, 50, 0.2},
                {836, 123, 100, 50, 0.2},     {10000, 10000, 1, 1, 8}, {836, 624, 0, 0, 1}};
    for (const auto &f : fits)
        EXPECT_NEAR(ew::zoomToFit(f.width, f.height, f.widthMm, f.heightMm), f.expected, 1e-5) << f.width;
}

TEST(EditorWindowRules, PercentFollowsEachLanguageAndRoundsTiesToEven)
{
    const QString spaced = QStringLiteral("150\u00A0%");
    for (const auto &[codes, text] : {std::pair(QStringList{"en-US", "zh-CN", "pt-BR"}, QStringLiteral("150%")),
                                      std::pair(QStringList{"ru-RU", "de-DE", "es-ES", "fr-FR"}, spaced),
                                      std::pair(QStringList{"tr-TR"}, QStringLiteral("%150"))})
        for (const QString &code : codes)
            EXPECT_EQ(ew::percentText(1.5, code), text) << qPrintable(code);
    EXPECT_EQ(ew::percentText(1.125, QStringLiteral("en-US")), QStringLiteral("112%"));
    EXPECT_EQ(ew::percentText(1.2345, QStringLiteral("en-US")), QStringLiteral("123%"));
}

TEST(EditorWindowRules, NumbersStepsAndStatusTexts)
{
    editortest::StoreEnvironment env;
    const struct {
        AppLanguage language;
        double step;
        const char *stepText;
        double size;
        const char *sizeText;
    } cases[] = {{AppLanguage::english, 2.5, "2.5 mm", 62.5, "62.5"},
                 {AppLanguage::german, 2.5, "2,5 mm", 62.5, "62,5"},
                 {AppLanguage::russian, 10, "10 мм", 30.126, "30,13"},
                 {AppLanguage::english, 1, "1 mm", 60, "60"}};
    for (const auto &c : cases) {
        env.localization.select(c.language);
        EXPECT_EQ(ew::gridStepText(c.step, env.localization), QString::fromUtf8(c.stepText));
        EXPECT_EQ(ew::decimalText(c.size, 2, QLocale(rawValue(c.language))), QString::fromUtf8(c.sizeText));
    }
    env.localization.select(AppLanguage::english);
    const Localization &l10n = env.localization;
    const auto status = [&](std::optional<QString> key, const QString &argument, bool dirty) {
        return ew::statusText(key, argument, dirty, l10n);
    };
    const QString saved = QStringLiteral("mac.pdf_saved");
    EXPECT_EQ(status(QStringLiteral("mac.print_submitted"), {}, true), l10n.text("mac.print_submitted"));
    EXPECT_EQ(status(saved, QStringLiteral("a.pdf"), false), l10n.format(saved, {QStringLiteral("a.pdf")}));
    EXPECT_TRUE(status(saved, QStringLiteral("%@ 100%.pdf"), false).contains(QStringLiteral("%@ 100%.pdf")));
    EXPECT_EQ(status(std::nullopt, {}, true), l10n.text("mac.unsaved"));
    EXPECT_EQ(status(std::nullopt, QStringLiteral("ignored"), false), l10n.text("mac.saved"));
}

TEST(EditorWindowRules, LongNamesKeepBothEndsInTwoLines)
{
    const QFont font = QApplication::font();
    const QString name = QStringLiteral("Begin ") + QString(200, QLatin1Char('x')) + QStringLiteral(" 🇩🇪 End");
    const QString shown = middleElided(name, font, 140, 2);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Begin "))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("🇩🇪 End"))) << shown.toStdString();
    EXPECT_LE(wrappedLines(shown, font, 140, 3).size(), 2);
    // One more character on each side would not fit.
    const qsizetype side = shown.indexOf(QStringLiteral("…"));
    ASSERT_GT(side, 0);
    const QString longer = name.left(side + 1) + QStringLiteral("…") + name.right(shown.size() - side);
    EXPECT_GT(wrappedLines(longer, font, 140, 3).size(), 2);
    EXPECT_EQ(middleElided(QStringLiteral("Short"), font, 140, 2), QStringLiteral("Short"));
    // A flag is one character: never split between its halves.
    const QString flags = QString(60, QLatin1Char(' ')).replace(QLatin1Char(' '), QStringLiteral("🇩🇪"));
    EXPECT_EQ(middleElided(flags, font, 60, 1).indexOf(QStringLiteral("…")) % 4, 0);
}

// The hint over the canvas shows only without elements and lets a click through to the canvas.
TEST_F(EditorWindowTest, ToolbarAndHintFollowEditsUndoAndRedo)
{
    open(plain());
    QLabel *hint = view->addHint();
    const auto state = [&] {
        return std::tuple(view->undoButton()->isEnabled(), view->redoButton()->isEnabled(),
                          view->printButton()->isEnabled(), view->countLabel()->text(), hint->isVisible());
    };
    EXPECT_EQ(state(), std::tuple(false, false, false, QStringLiteral("0 items"), true));
    QWidget *underHint = hint->parentWidget()->childAt(hint->geometry().center());
    EXPECT_TRUE(underHint && view->canvasWorkspace()->isAncestorOf(underHint));
    store->add(ElementKind::text);
    EXPECT_EQ(state(), std::tuple(true, false, true, QStringLiteral("1 item"), false));
    view->undoButton()->click();
    EXPECT_EQ(state(), std::tuple(false, true, false, QStringLiteral("0 items"), true));
    view->redoButton()->click();
    EXPECT_EQ(state(), std::tuple(true, false, true, QStringLiteral("1 item"), false));
}

TEST_F(EditorWindowTest, SidebarRowsAddTheirKindsAndTheLibraryRowWaitsForItsSheet)
{
    open(plain());
    QList<ElementKind> added;
    for (EditorComponentButton *row : view->componentButtons()) {
        EXPECT_EQ(row->isEnabled(), row->kind() != ElementKind::image);
        if (row->isEnabled()) {
            row->click();
            added.append(store->document().elements.last().kind);
        }
    }
    EXPECT_EQ(added, (QList<ElementKind>{ElementKind::text, ElementKind::barcode, ElementKind::dateTime,
                                         ElementKind::line, ElementKind::rectangle, ElementKind::counter}));
    // Without a library sheet the raised flag is lowered at once, so it can rise again.
    store->add(ElementKind::image);
    EXPECT_FALSE(store->showsLibrary());
}

// Each raise of the flag makes a fresh sheet; lowering the flag closes it.
TEST_F(EditorWindowTest, AnInstalledSheetShowsWhileItsFlagIsRaised)
{
    int made = 0;
    ContentView::installSheet(EditorSheet::library, [&made](EditorStore *, Localization *, QWidget *parent) {
        ++made;
        return new QDialog(parent);
    });
    open(plain());
    for (int i = 1; i <= 2; ++i) {
        store->setShowsLibrary(true);
        QApplication::processEvents();
        ASSERT_NE(view->sheet(EditorSheet::library), nullptr);
        EXPECT_EQ(made, i);
        store->setShowsLibrary(false);
        QApplication::processEvents();
        EXPECT_EQ(view->sheet(EditorSheet::library), nullptr);
    }
}

// Export PDF and Print go through the batch sheet, which opens on the document's stored
// batch settings and hands its prepared job over.
TEST_F(EditorWindowTest, ExportAndPrintGoThroughTheBatchSheet)
{
    TableSheets::install();
    LabelDocument document = plain();
    document.layout.columns = 2;
    document.layout.leftMarginMm = 5;
    document.layout.columnGapMm = 2;
    document.batch.copies = 3;
    open(document);
    store->add(ElementKind::rectangle);
    const auto confirm = [this](QToolButton *button) {
        button->click();
        QApplication::processEvents();
        auto *sheet = qobject_cast<BatchView *>(view->sheet(EditorSheet::batch));
        ASSERT_NE(sheet, nullptr);
        for (int i = 0; i < 1000 && !sheet->primaryButton()->isEnabled() && !sheet->errorLabel()->isVisible(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        sheet->primaryButton()->click();
        QApplication::processEvents();
        EXPECT_FALSE(store->showsBatch());
    };

    QTemporaryDir dir;
    dialogs->saveAnswer = dir.filePath(QStringLiteral("out.pdf"));
    confirm(view->exportButton());
    QPdfDocument pdf;
    ASSERT_EQ(pdf.load(*dialogs->saveAnswer), QPdfDocument::Error::None);
    EXPECT_EQ(pdf.pageCount(), 2);
    constexpr double points = 72 / 25.4;
    EXPECT_NEAR(pdf.pagePointSize(0).width(), 127 * points, 0.5);
    EXPECT_NEAR(pdf.pagePointSize(0).height(), 40 * points, 0.5);
    EXPECT_TRUE(view->statusLabel()->text().contains(QStringLiteral("out.pdf")));

    confirm(view->printButton());
    EXPECT_FALSE(store->batchExport());
    EXPECT_EQ(dialogs->printDialogs, 1);
    EXPECT_TRUE(env.alerts->alerts.isEmpty());
}

TEST_F(EditorWindowTest, CardCanvasBarAndLanguageFollowTheStore)
{
    LabelDocument document = plain(62.5, 30.126);
    document.name = QString();
    document.layout.shape = LabelShape::ellipse;
    open(document);
    EXPECT_EQ(view->labelCard()->accessibleDescription(),
              QStringLiteral(", 62.5 \u00D7 30.13 mm, Oval, Direct thermal"));
    view->zoomInButton()->click();
    EXPECT_EQ(view->zoomLabel()->text(), QStringLiteral("188%"));

    env.localization.select(AppLanguage::russian);
    EXPECT_EQ(view->labelCard()->content().width, QStringLiteral("62,5"));
    EXPECT_EQ(view->canvasWorkspace()->canvas()->accessibleName(), env.localization.text("mac.access_canvas"));
    EXPECT_EQ(view->canvasWorkspace()->corner()->unit(), QStringLiteral("мм"));
    EXPECT_EQ(view->gridStepPicker()->itemText(2), QStringLiteral("2,5 мм"));
}

TEST_F(EditorWindowTest, PanesKeepTheirWidthsAndFitReadsTheMeasuredArea)
{
    open(plain(100, 50));
    for (int width : {900, 2400, 1280}) {
        view->resize(width, 760);
        QApplication::processEvents();
        const QList<int> sizes = view->splitter()->sizes();
        EXPECT_GE(sizes[0], ContentView::sidebarMinimumWidth) << width;
        EXPECT_LE(sizes[0], ContentView::sidebarMaximumWidth) << width;
        EXPECT_GE(sizes[1], ContentView::canvasMinimumWidth) << width;
        EXPECT_GE(sizes[2], ContentView::inspectorMinimumWidth) << width;
        EXPECT_LE(sizes[2], ContentView::inspectorMaximumWidth) << width;
        EXPECT_EQ(view->viewportSize(), view->canvasWorkspace()->size());
    }
    view->fitButton()->click();
    const QSize area = view->viewportSize();
    EXPECT_DOUBLE_EQ(store->zoom(), ew::zoomToFit(area.width(), area.height(), 100, 50));
    // A new window measures afresh.
    EXPECT_EQ(ContentView(store.get(), &env.localization, {}, {}, {}).viewportSize(), QSize(0, 0));
}

// No word of the sidebar's own texts is broken in any language: the sidebar is never
// narrower than its longest word needs, within 200-260 points, and no wider than that
// where the language needs more than 200.
TEST_F(EditorWindowTest, SidebarWordsStayWholeInEveryLanguage)
{
    const auto sidebarWidth = [this] { return view->splitter()->sizes().at(0); };
    const auto dragDivider = [this](int by) {
        QWidget *handle = view->splitter()->handle(1);
        const QPoint from = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        QTest::mouseMove(handle, from + QPoint(by, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, from + QPoint(by, 0));
        QApplication::processEvents();
    };
    // What is wrong at the sidebar's present width, or with every text `narrower` points
    // narrower, for both values of each card row.
    const auto brokenWords = [this](int narrower = 0) {
        QStringList faults;
        const auto check = [&faults](const QString &text, const QStringList &lines) {
            if (const QString fault = wordBrokenIn(text, lines); !fault.isEmpty())
                faults.append(fault);
        };
        for (const auto &[shape, medium] : {std::pair(LabelShape::ellipse, LabelMedium::thermalTransfer),
                                            std::pair(LabelShape::rectangle, LabelMedium::directThermal)}) {
            store->apply([&](LabelDocument &document) {
                document.layout.shape = shape;
                document.layout.medium = medium;
            });
            QApplication::processEvents();
            // The sidebar itself cannot be made narrower than its minimum: its parts can.
            QList<QWidget *> parts{view->labelCard()};
            for (EditorComponentButton *row : view->componentButtons())
                parts.append(row);
            for (QWidget *part : parts)
                part->resize(part->width() - narrower, part->height());
            for (const EditorComponentButton *row : view->componentButtons())
                check(row->title(), row->titleLines());
            const QString hint = env.localization.text(QStringLiteral("mac.add_to_label"));
            const QList<QLabel *> labels = view->sidebar()->findChildren<QLabel *>();
            const QLabel *caption =
                *std::find_if(labels.cbegin(), labels.cend(), [&](QLabel *label) { return label->text() == hint; });
            const int captionWidth = caption->contentsRect().width() - narrower;
            check(caption->text(), wrappedLines(caption->text(), caption->font(), captionWidth, 99));
            const QList<QStringList> values = view->labelCard()->valueLines();
            check(env.localization.text(titleKey(shape)), values.at(0));
            check(env.localization.text(titleKey(medium)), values.at(1));
            for (QWidget *part : parts)
                part->resize(part->width() + narrower, part->height());
        }
        return faults;
    };

    for (AppLanguage language : allAppLanguages) {
        const QString code = rawValue(language);
        // Opened in the language: it starts at 220 or at the wider minimum it needs. In the
        // low window the rows scroll and their scroll bar takes room too.
        int minimum = 0;
        for (int height : {420, 760}) {
            env.localization.select(language);
            open(plain());
            view->resize(1280, height);
            QApplication::processEvents();
            minimum = view->sidebar()->minimumWidth();
            EXPECT_GE(minimum, ContentView::sidebarMinimumWidth) << qPrintable(code);
            EXPECT_LE(minimum, ContentView::sidebarMaximumWidth) << qPrintable(code);
            EXPECT_EQ(sidebarWidth(), std::max(ContentView::sidebarWidth, minimum)) << qPrintable(code);
            dragDivider(-300);
            EXPECT_EQ(sidebarWidth(), minimum) << qPrintable(code) << " " << height;
            EXPECT_EQ(brokenWords(), QStringList()) << qPrintable(code) << " " << height;
            // One point less breaks a word, or the minimum is the lowest allowed.
            if (minimum > ContentView::sidebarMinimumWidth) {
                EXPECT_NE(brokenWords(1), QStringList()) << qPrintable(code) << " " << height;
            }
        }
        view->sidebar()->grab().save(testsupport::outputPath(QStringLiteral("sidebar-%1.png").arg(code)));

        // Switched to while the editor is open, with the sidebar at the other language's minimum.
        env.localization.select(language == AppLanguage::russian ? AppLanguage::english : AppLanguage::russian);
        open(plain());
        dragDivider(-300);
        env.localization.select(language);
        QApplication::processEvents();
        EXPECT_EQ(view->sidebar()->minimumWidth(), minimum) << qPrintable(code);
        EXPECT_GE(sidebarWidth(), minimum) << qPrintable(code);
        EXPECT_LE(sidebarWidth(), ContentView::sidebarMaximumWidth) << qPrintable(code);
        EXPECT_EQ(brokenWords(), QStringList()) << qPrintable(code);
        dragDivider(-300);
        EXPECT_EQ(sidebarWidth(), minimum) << qPrintable(code);
        EXPECT_EQ(brokenWords(), QStringList()) << qPrintable(code);
    }

    // A desktop's font setting changes the application font with the editor open: the sidebar
    // fits as one opened with that font (below 260 with the test's font), and fits back.
    const QFont original = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(original); });
    const std::tuple<AppLanguage, double, QString> fonts[] = {{AppLanguage::russian, 0.5, {}},
                                                              {AppLanguage::english, 3, {}},
                                                              {AppLanguage::russian, 0, "WenQuanYi Micro Hei"}};
    for (const auto &[language, grow, family] : fonts) {
        QFont changed = original;
        changed.setPointSizeF(original.pointSizeF() + grow);
        if (!family.isEmpty())
            changed.setFamilies({family});
        SCOPED_TRACE(rawValue(language).toStdString() + " " + changed.toString().toStdString());
        env.localization.select(language);
        open(plain());
        const int before = view->sidebar()->minimumWidth();
        QApplication::setFont(changed);
        ContentView opened(store.get(), &env.localization, {}, {}, {});
        opened.resize(view->size());
        opened.show();
        QApplication::processEvents();
        const int after = opened.sidebar()->minimumWidth();
        EXPECT_TRUE(after != before && after < ContentView::sidebarMaximumWidth) << before << " " << after;
        dragDivider(-300);
        EXPECT_EQ(sidebarWidth(), after);
        EXPECT_EQ(brokenWords(), QStringList());
        EXPECT_NE(brokenWords(1), QStringList());
        QApplication::setFont(original);
        QApplication::processEvents();
        EXPECT_EQ(view->sidebar()->minimumWidth(), before);
    }
}
