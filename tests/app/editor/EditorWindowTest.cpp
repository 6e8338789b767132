#include "tests/app/editor/EditorTestSupport.h"
#include "tests/app/io/IoTestSupport.h"

#include "app/canvas/CanvasRulerView.h"
#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/LabelCanvas.h"
#include "app/editor/ContentView.h"
#include "app/editor/EditorSidebar.h"
#include "app/editor/EditorWindowText.h"
#include "app/table/BatchView.h"
#include "app/table/TableSheets.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetricsF>
#include <QLabel>
#include <QPdfDocument>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
namespace ew = kestrivane::editorwindow;

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// A document shown in an editor window, English texts, with recorded alerts and dialogs.
class EditorWindowTest : public ::testing::Test {
protected:
    void open(const LabelDocument &document)
    {
        store = env.makeStore(document, true);
        store->setDialogs(dialogs);
        view = std::make_unique<ContentView>(
            store.get(), &env.localization, [this] { ++newDocuments; }, [this] { ++openPanels; },
            [this] { ++parameterSheets; });
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
    int newDocuments = 0;
    int openPanels = 0;
    int parameterSheets = 0;
};

LabelDocument plain(double width = 60, double height = 40)
{
    return LabelDocument(QStringLiteral("Shelf"), width, height, {});
}

} // namespace

TEST(EditorWindowRules, ZoomCommandsClampAndRecoverFromNonFiniteValues)
{
    struct Case {
        double (*command)(double);
        double from;
        double expected;
    };
    for (const Case &c : std::initializer_list<Case>{{ew::zoomedIn, 8, 8},
                                                     {ew::zoomedOut, 0.2, 0.2},
                                                     {ew::zoomedIn, 0.2, 0.25},
                                                     {ew::zoomedOut, 1.5, 1.2},
                                                     {ew::zoomedIn, 7, 8},
                                                     {ew::zoomedIn, notANumber, 1},
                                                     {ew::zoomedOut, infinity, 1}}) {
        EXPECT_DOUBLE_EQ(c.command(c.from), c.expected) << c.from;
    }
    struct Fit {
        double width, height, widthMm, heightMm, expected;
    };
    for (const Fit &f : std::initializer_list<Fit>{{836, 624, 100, 50, 2.46944},
                                                   {0, 0, 100, 50, 0.2},
                                                   {135, 624, 100, 50, 0.2},
                                                   {836, 123, 100, 50, 0.2},
                                                   {10000, 10000, 1, 1, 8},
                                                   {836, 624, 0, 0, 1}}) {
        EXPECT_NEAR(ew::zoomToFit(f.width, f.height, f.widthMm, f.heightMm), f.expected, 1e-5)
            << f.width << " × " << f.height;
    }
}

TEST(EditorWindowRules, PercentFollowsEachLanguageAndRoundsTiesToEven)
{
    const QString nbsp(QChar(0x00A0));
    for (const auto &[code, text] : std::initializer_list<std::pair<const char *, QString>>{
             {"en-US", QStringLiteral("150%")},
             {"zh-CN", QStringLiteral("150%")},
             {"pt-BR", QStringLiteral("150%")},
             {"ru-RU", QStringLiteral("150") + nbsp + QStringLiteral("%")},
             {"de-DE", QStringLiteral("150") + nbsp + QStringLiteral("%")},
             {"es-ES", QStringLiteral("150") + nbsp + QStringLiteral("%")},
             {"fr-FR", QStringLiteral("150") + nbsp + QStringLiteral("%")},
             {"tr-TR", QStringLiteral("%150")}})
        EXPECT_EQ(ew::percentText(1.5, QString::fromLatin1(code)), text) << code;
    for (const auto &[zoom, text] : std::initializer_list<std::pair<double, const char *>>{
             {1.125, "112%"}, {0.2, "20%"}, {8, "800%"}, {1.2345, "123%"}, {0.125, "12%"}})
        EXPECT_EQ(ew::percentText(zoom, QStringLiteral("en-US")), QLatin1String(text)) << zoom;
}

TEST(EditorWindowRules, NumbersStepsAndStatusTexts)
{
    editortest::StoreEnvironment env;
    struct Case {
        AppLanguage language;
        double step;
        const char *stepText;
        double size;
        const char *sizeText;
    };
    for (const Case &c : std::initializer_list<Case>{{AppLanguage::english, 2.5, "2.5 mm", 62.5, "62.5"},
                                                     {AppLanguage::german, 2.5, "2,5 mm", 62.5, "62,5"},
                                                     {AppLanguage::russian, 10, "10 мм", 30.126, "30,13"},
                                                     {AppLanguage::english, 1, "1 mm", 60, "60"}}) {
        env.localization.select(c.language);
        EXPECT_EQ(ew::gridStepText(c.step, env.localization), QString::fromUtf8(c.stepText));
        EXPECT_EQ(ew::decimalText(c.size, 2, QLocale(rawValue(c.language))), QString::fromUtf8(c.sizeText));
    }
    env.localization.select(AppLanguage::english);
    const auto status = [&](std::optional<QString> key, const QString &argument, bool dirty) {
        return ew::statusText(key, argument, dirty, env.localization);
    };
    EXPECT_EQ(status(QStringLiteral("mac.print_submitted"), {}, true), env.localization.text("mac.print_submitted"));
    EXPECT_EQ(status(QStringLiteral("mac.pdf_saved"), QStringLiteral("a.pdf"), false),
              env.localization.format(QStringLiteral("mac.pdf_saved"), {QStringLiteral("a.pdf")}));
    EXPECT_TRUE(status(QStringLiteral("mac.pdf_saved"), QStringLiteral("%@ 100%.pdf"), false)
                    .contains(QStringLiteral("%@ 100%.pdf")));
    EXPECT_EQ(status(std::nullopt, {}, true), env.localization.text("mac.unsaved"));
    EXPECT_EQ(status(std::nullopt, QStringLiteral("ignored"), false), env.localization.text("mac.saved"));
}

TEST(EditorWindowRules, LongNamesKeepBothEndsInTwoLines)
{
    const QFont font = QApplication::font();
    const QString name = QStringLiteral("Begin ") + QString(200, QLatin1Char('x')) + QStringLiteral(" 🇩🇪 End");
    const QString shown = middleElided(name, font, 140, 2);
    ASSERT_NE(shown, name);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Begin "))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("🇩🇪 End"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("…")));
    EXPECT_LE(wrappedLines(shown, font, 140, 3).size(), 2);
    // One more character on each side would not fit.
    const qsizetype side = shown.indexOf(QStringLiteral("…"));
    const QString longer = name.left(side + 1) + QStringLiteral("…") + name.right(shown.size() - side);
    EXPECT_GT(wrappedLines(longer, font, 140, 3).size(), 2);
    EXPECT_EQ(middleElided(QStringLiteral("Short"), font, 140, 2), QStringLiteral("Short"));
    // A flag is one character: never split between its halves.
    const QString flags = QString(60, QLatin1Char(' ')).replace(QLatin1Char(' '), QStringLiteral("🇩🇪"));
    const QString cut = middleElided(flags, font, 60, 1);
    EXPECT_EQ(cut.indexOf(QStringLiteral("…")) % 4, 0);
}

TEST_F(EditorWindowTest, ToolbarFollowsEditsUndoAndRedo)
{
    open(plain());
    EXPECT_FALSE(view->undoButton()->isEnabled());
    EXPECT_FALSE(view->redoButton()->isEnabled());
    EXPECT_FALSE(view->printButton()->isEnabled());
    EXPECT_EQ(view->countLabel()->text(), QStringLiteral("0 items"));
    store->add(ElementKind::text);
    EXPECT_TRUE(view->undoButton()->isEnabled());
    EXPECT_TRUE(view->printButton()->isEnabled());
    EXPECT_EQ(view->countLabel()->text(), QStringLiteral("1 item"));
    view->undoButton()->click();
    EXPECT_FALSE(view->undoButton()->isEnabled());
    EXPECT_TRUE(view->redoButton()->isEnabled());
    EXPECT_FALSE(view->printButton()->isEnabled());
    view->redoButton()->click();
    EXPECT_EQ(store->document().elements.size(), 1);
    EXPECT_FALSE(view->redoButton()->isEnabled());
    for (QToolButton *button : {view->newButton(), view->openButton(), view->parametersButton()})
        button->click();
    EXPECT_EQ(std::tuple(newDocuments, openPanels, parameterSheets), std::tuple(1, 1, 1));
    view->labelCard()->click();
    EXPECT_EQ(parameterSheets, 2);
}

TEST_F(EditorWindowTest, HintShowsOnlyWithoutElementsAndLetsClicksThrough)
{
    open(plain());
    QLabel *hint = view->addHint();
    ASSERT_TRUE(hint->isVisible());
    QWidget *area = hint->parentWidget();
    const QPoint centre = hint->geometry().center();
    QWidget *underHint = area->childAt(centre);
    ASSERT_NE(underHint, nullptr);
    EXPECT_TRUE(view->canvasWorkspace()->isAncestorOf(underHint));
    store->add(ElementKind::rectangle);
    EXPECT_FALSE(hint->isVisible());
    store->undo();
    EXPECT_TRUE(hint->isVisible());
}

TEST_F(EditorWindowTest, SidebarRowsAddTheirKindsAndTheLibraryRowWaitsForItsSheet)
{
    open(plain());
    QList<ElementKind> added;
    for (EditorComponentButton *row : view->componentButtons()) {
        if (!row->isEnabled()) {
            EXPECT_EQ(row->kind(), ElementKind::image);
            continue;
        }
        row->click();
        added.append(store->document().elements.last().kind);
        EXPECT_EQ(row->accessibleName(), row->toolTip());
    }
    EXPECT_EQ(added, (QList<ElementKind>{ElementKind::text, ElementKind::barcode, ElementKind::dateTime,
                                         ElementKind::line, ElementKind::rectangle, ElementKind::counter}));
    // Without a library sheet the raised flag is lowered at once, so it can rise again.
    store->add(ElementKind::image);
    EXPECT_FALSE(store->showsLibrary());
}

TEST_F(EditorWindowTest, AnInstalledSheetShowsWhileItsFlagIsRaised)
{
    int made = 0;
    ContentView::installSheet(EditorSheet::library, [&made](EditorStore *, Localization *, QWidget *parent) {
        ++made;
        return new QDialog(parent);
    });
    open(plain());
    EXPECT_TRUE(view->componentButtons().last()->isEnabled());
    view->componentButtons().last()->click();
    QApplication::processEvents();
    ASSERT_NE(view->sheet(EditorSheet::library), nullptr);
    EXPECT_EQ(view->sheet(EditorSheet::library)->windowModality(), Qt::WindowModal);
    view->sheet(EditorSheet::library)->reject();
    EXPECT_FALSE(store->showsLibrary());
    store->setShowsLibrary(true);
    QApplication::processEvents();
    EXPECT_EQ(made, 2);
    store->setShowsLibrary(false);
    QApplication::processEvents();
    EXPECT_EQ(view->sheet(EditorSheet::library), nullptr);
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
    auto confirmSheet = [this]() -> BatchView * {
        QApplication::processEvents();
        auto *sheet = qobject_cast<BatchView *>(view->sheet(EditorSheet::batch));
        if (!sheet)
            return nullptr;
        for (int i = 0; i < 1000 && !sheet->primaryButton()->isEnabled() && !sheet->errorLabel()->isVisible(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        return sheet;
    };

    QTemporaryDir dir;
    dialogs->saveAnswer = dir.filePath(QStringLiteral("out.pdf"));
    view->exportButton()->click();
    EXPECT_TRUE(store->batchExport());
    BatchView *sheet = confirmSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    sheet->primaryButton()->click();
    QApplication::processEvents();
    EXPECT_FALSE(store->showsBatch());
    QPdfDocument pdf;
    ASSERT_EQ(pdf.load(*dialogs->saveAnswer), QPdfDocument::Error::None);
    EXPECT_EQ(pdf.pageCount(), 2);
    constexpr double points = 72 / 25.4;
    EXPECT_NEAR(pdf.pagePointSize(0).width(), 127 * points, 0.5);
    EXPECT_NEAR(pdf.pagePointSize(0).height(), 40 * points, 0.5);
    EXPECT_EQ(store->statusKey(), QStringLiteral("mac.pdf_saved"));
    EXPECT_TRUE(view->statusLabel()->text().contains(QStringLiteral("out.pdf")));

    view->printButton()->click();
    EXPECT_FALSE(store->batchExport());
    sheet = confirmSheet();
    ASSERT_NE(sheet, nullptr);
    sheet->primaryButton()->click();
    QApplication::processEvents();
    EXPECT_EQ(dialogs->printDialogs, 1);
    EXPECT_FALSE(store->showsBatch());
    EXPECT_TRUE(env.alerts->alerts.isEmpty());
}

TEST_F(EditorWindowTest, CardCanvasBarAndLanguageFollowTheStore)
{
    LabelDocument document = plain(62.5, 30.126);
    document.name = QString();
    document.layout.shape = LabelShape::ellipse;
    open(document);
    EXPECT_EQ(view->labelCard()->accessibleDescription(),
              QStringLiteral(", 62.5 × 30.13 mm, Oval, Direct thermal").replace(QStringLiteral("×"), QChar(0xD7)));
    EXPECT_EQ(view->labelCard()->content().width, QStringLiteral("62.5"));
    view->zoomInButton()->click();
    EXPECT_EQ(view->zoomLabel()->text(), QStringLiteral("188%"));
    view->gridToggle()->click();
    EXPECT_TRUE(store->showsGrid());

    env.localization.select(AppLanguage::russian);
    EXPECT_EQ(view->labelCard()->content().width, QStringLiteral("62,5"));
    EXPECT_EQ(view->canvasWorkspace()->canvas()->accessibleName(), env.localization.text("mac.access_canvas"));
    EXPECT_EQ(view->canvasWorkspace()->corner()->unit(), QStringLiteral("мм"));
    EXPECT_EQ(view->gridStepPicker()->itemText(2), QStringLiteral("2,5 мм"));
    EXPECT_EQ(view->locale().name(), QStringLiteral("ru_RU"));
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
