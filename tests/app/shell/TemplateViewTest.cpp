#include "tests/app/shell/ShellTestSupport.h"

#include "app/shell/SheetPreview.h"
#include "app/shell/TemplateDraft.h"
#include "app/shell/TemplateView.h"
#include "core/render/LabelRenderer.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrivane;

namespace {

LabelDocument grid(double width, double height, qint64 columns, qint64 rows, double margin = 0, double gap = 0)
{
    LabelDocument document(QStringLiteral("Grid"), width, height, {});
    document.layout.columns = columns;
    document.layout.rows = rows;
    document.layout.leftMarginMm = document.layout.topMarginMm = margin;
    document.layout.columnGapMm = document.layout.rowGapMm = gap;
    return document;
}

// A sheet over a draft, counting its two ends.
struct Sheet {
    explicit Sheet(const LabelDocument &document, std::optional<QUuid> tab = std::nullopt)
        : draft(document, tab), view(
                                    &draft, &env.localization, [this] { ++cancels; }, [this] { ++commits; })
    {
    }

    QLineEdit *edit(const char *name) const
    {
        for (QLineEdit *edit : view.findChildren<QLineEdit *>()) {
            if (edit->accessibleName() == QString::fromUtf8(name))
                return edit;
        }
        return nullptr;
    }
    bool shows(QWidget *widget) const { return widget->isVisibleTo(&view); }
    bool showsLabel(const QString &text) const
    {
        for (QLabel *label : view.findChildren<QLabel *>()) {
            if (label->text() == text && shows(label))
                return true;
        }
        return false;
    }

    shelltest::WorkspaceEnvironment env;
    TemplateDraft draft;
    TemplateView view;
    int cancels = 0;
    int commits = 0;
};

// The share of a pixel's colour that is `color`, by how near its channels are.
bool looksLike(QRgb premultiplied, const QColor &color)
{
    const QRgb pixel = qUnpremultiply(premultiplied);
    return qAlpha(pixel) > 30 && std::abs(qRed(pixel) - color.red()) < 70 &&
           std::abs(qGreen(pixel) - color.green()) < 70 && std::abs(qBlue(pixel) - color.blue()) < 70;
}

bool near(const QImage &image, QPoint at, const QColor &color)
{
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (looksLike(image.pixel(at + QPoint(dx, dy)), color))
                return true;
        }
    }
    return false;
}

const QColor grey(142, 142, 147);
const QColor blue(0, 122, 255);

} // namespace

TEST(SheetPreview, FitsTheSheetWith16PointsFreeAndNothingWhenThereIsNoRoom)
{
    // 2 × 3 labels of 60 × 40 mm make a square sheet: the height decides in 400 × 260.
    const QSizeF square = LabelRenderer::sheetSize(grid(60, 40, 2, 3));
    const auto fitted = SheetPreviewView::fit(QSizeF(400, 260), square);
    ASSERT_TRUE(fitted);
    EXPECT_NEAR(square.height() * fitted->scale, 228, 1e-9);
    EXPECT_NEAR(fitted->offset.x(), (400 - 228) / 2.0, 1e-9);
    EXPECT_NEAR(fitted->offset.y(), 16, 1e-9);

    struct Case {
        QSizeF frame;
        QSizeF sheet;
        bool drawn;
    };
    const QList<Case> cases = {
        {{32, 32}, square, false},
        {{33, 33}, square, true},
        {{400, 260}, QSizeF(0, 100), false},
        {{400, 260}, QSizeF(100, 0), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame.width() << "x" << c.frame.height());
        const auto result = SheetPreviewView::fit(c.frame, c.sheet);
        ASSERT_EQ(result.has_value(), c.drawn);
        if (result) {
            EXPECT_GT(result->scale, 0);
        }
    }

    // A zero-size document and a frame without room leave the image untouched.
    QImage clear(32, 32, QImage::Format_ARGB32_Premultiplied);
    clear.fill(Qt::transparent);
    QImage image = clear;
    QPainter painter(&image);
    SheetPreview::paint(painter, QRectF(image.rect()), grid(60, 40, 2, 3));
    SheetPreview::paint(painter, QRectF(image.rect()), grid(0, 0, 1, 1));
    painter.end();
    EXPECT_EQ(image, clear);
}

TEST(SheetPreview, DrawsTheGreyBorderAndBlueOutlinesOfEachShape)
{
    struct Case {
        const char *name;
        LabelShape shape;
        double radius;
        bool validDocument;
        bool cornerIsBlue;
    };
    const QList<Case> cases = {
        {"square corners", LabelShape::rectangle, 0, true, true},
        {"rounded corners", LabelShape::rectangle, 12, true, false},
        {"ellipses", LabelShape::ellipse, 0, true, false},
        {"radius beyond half the height", LabelShape::rectangle, 25, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LabelDocument document = grid(60, 40, 2, 3, 5, 2);
        document.layout.shape = c.shape;
        document.layout.cornerRadiusMm = c.radius;
        QImage image(400, 260, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        SheetPreview preview;
        preview.resize(400, 260);
        preview.setDocument(document);
        preview.render(&image, QPoint(), QRegion(), {});

        const auto fitted = SheetPreviewView::fit(QSizeF(400, 260), LabelRenderer::sheetSize(document));
        ASSERT_TRUE(fitted);
        const auto onScreen = [&](QPointF point) { return (fitted->offset + point * fitted->scale).toPoint(); };
        const QRectF slot = LabelRenderer::labelRects(document).first();
        const QSizeF sheet = LabelRenderer::sheetSize(document);
        EXPECT_TRUE(near(image, onScreen({0, sheet.height() / 2}), grey));
        EXPECT_TRUE(near(image, onScreen({sheet.width() / 2, 0}), grey));
        EXPECT_TRUE(near(image, onScreen({slot.center().x(), slot.bottom()}), blue));
        EXPECT_TRUE(near(image, onScreen({slot.right(), slot.center().y()}), blue));
        EXPECT_EQ(near(image, onScreen(slot.topLeft()), blue), c.cornerIsBlue);
        // Paper only where the document validated.
        EXPECT_EQ(looksLike(image.pixel(onScreen(slot.center())), Qt::white), c.validDocument);
    }

    SheetPreview empty;
    empty.resize(400, 260);
    QImage blank(400, 260, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    empty.render(&blank, QPoint(), QRegion(), {});
    EXPECT_EQ(blank.pixel(200, 130), 0u);
}

TEST(TemplateView, TitlesTellANewDocumentFromAnOpenOne)
{
    const LabelDocument document = grid(60, 40, 1, 1);
    Sheet create(document);
    Sheet edit(document, QUuid::createUuid());
    EXPECT_EQ(create.view.applyButton()->text(), QStringLiteral("Create"));
    EXPECT_TRUE(create.showsLabel(create.env.localization.text(QStringLiteral("mac.before_creation"))));
    EXPECT_EQ(edit.view.applyButton()->text(), edit.env.localization.text(QStringLiteral("mac.apply")));
    EXPECT_TRUE(edit.showsLabel(edit.env.localization.text(QStringLiteral("mac.edit_parameters_hint"))));
}

TEST(TemplateView, UnreadableTextReplacesThePreviewAndBlocksApplyWithoutAlert)
{
    Sheet sheet(grid(60, 40, 2, 3, 5, 2));
    sheet.view.show();
    const QString invalid = sheet.env.localization.text(QStringLiteral("mac.invalid_parameters"));
    ASSERT_TRUE(sheet.shows(sheet.view.preview()));
    EXPECT_TRUE(sheet.showsLabel(QStringLiteral("127")));
    EXPECT_TRUE(sheet.showsLabel(QStringLiteral("129")));

    QLineEdit *width = sheet.edit("Width");
    ASSERT_NE(width, nullptr);
    width->setFocus();
    width->end(false);
    QTest::keyClick(width, Qt::Key_X);
    EXPECT_EQ(sheet.draft.width(), QStringLiteral("60.0x")); // kept as typed
    EXPECT_FALSE(sheet.shows(sheet.view.preview()));
    EXPECT_FALSE(sheet.view.applyButton()->isEnabled());
    EXPECT_TRUE(sheet.showsLabel(invalid));
    QTest::keyClick(width, Qt::Key_Return); // no default action while invalid
    EXPECT_EQ(sheet.commits, 0);
    QTest::keyClick(width, Qt::Key_Backspace);
    EXPECT_TRUE(sheet.shows(sheet.view.preview()));
    EXPECT_TRUE(sheet.view.applyButton()->isEnabled());

    // The radius only counts for rectangles.
    QLineEdit *radius = sheet.edit("Corner radius");
    ASSERT_NE(radius, nullptr);
    sheet.draft.setRadius(QStringLiteral("round"));
    EXPECT_FALSE(sheet.view.applyButton()->isEnabled());
    EXPECT_TRUE(sheet.shows(radius));
    sheet.draft.setShape(LabelShape::ellipse);
    EXPECT_FALSE(sheet.shows(radius));
    EXPECT_TRUE(sheet.view.applyButton()->isEnabled());
    EXPECT_EQ(sheet.draft.radius(), QStringLiteral("round"));

    // The footer line needs an attempt in this sheet, then follows the draft.
    sheet.draft.setColumns(QStringLiteral("30"));
    QLabel *footer = nullptr;
    for (QLabel *label : sheet.view.findChildren<QLabel *>()) {
        if (label->text() == invalid && label->font().pointSizeF() < sheet.view.font().pointSizeF())
            footer = label;
    }
    ASSERT_NE(footer, nullptr);
    EXPECT_FALSE(sheet.shows(footer));
    sheet.draft.setColumns(QStringLiteral("2"));
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(sheet.commits, 1);
    EXPECT_FALSE(sheet.shows(footer));
    sheet.draft.setColumns(QStringLiteral("30"));
    EXPECT_TRUE(sheet.shows(footer));
    sheet.draft.setColumns(QStringLiteral("2"));
    EXPECT_FALSE(sheet.shows(footer));

    QTest::keyClick(width, Qt::Key_Escape);
    EXPECT_EQ(sheet.cancels, 1);
    EXPECT_TRUE(sheet.env.alerts->alerts.isEmpty());
}

TEST(TemplateView, SheetLengthsUseTheInterfaceLocale)
{
    struct Case {
        const char *locale;
        double value;
        QString text;
    };
    const QList<Case> cases = {
        {"en-US", 127, QStringLiteral("127")},
        {"en-US", 127.5, QStringLiteral("127.5")},
        {"en-US", 62.126, QStringLiteral("62.13")},
        {"en-US", 2000, QStringLiteral("2,000")},
        {"de-DE", 0.004, QStringLiteral("0")},
        {"fr-FR", 2000.5, QStringLiteral("2\u202f000,5")},
        {"ru-RU", 2000.5, QStringLiteral("2\u00a0000,5")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EQ(sheetLengthText(c.value, QLocale(QString::fromLatin1(c.locale))), c.text);
    }
}
