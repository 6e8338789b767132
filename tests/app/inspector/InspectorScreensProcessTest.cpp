// Contact sheets of the inspector on a private X server (real fonts), for a person to
// look at: every kind of element, several selected, nothing selected and a warning, in
// English and in German. The child program is this test binary, started with a role.

#include "tests/app/inspector/InspectorTestSupport.h"
#include "tests/common/ScreenshotChild.h"
#include "tests/common/TestSupport.h"

#include "app/inspector/EditorInspector.h"

#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QPainter>

#include <gtest/gtest.h>

using namespace kestrivane;
using namespace inspectortest;

namespace {

struct Case {
    QList<LabelElement> elements;
    bool selectAll = false;
    bool table = false; // the price table attached
};

// Every kind as the sidebar adds it, then a bound text, a template GS1 code and date,
// several elements, nothing, and a counter the document refuses.
QList<Case> cases()
{
    QList<Case> result;
    for (ElementKind kind : allElementKinds)
        result.append({{element(kind)}});
    result[2].elements[0].barcode.showsText = true;
    LabelElement bound = element(ElementKind::text);
    bound.tableBinding = TableBinding(1, QStringLiteral("€ "));
    LabelElement gs1 = element(ElementKind::barcode);
    gs1.barcode.symbology = BarcodeSymbology::gs1DataMatrix;
    gs1.content = example(BarcodeSymbology::gs1DataMatrix);
    gs1.webAppearance = WebAppearance();
    LabelElement web = element(ElementKind::dateTime);
    web.webAppearance = webDate(QStringLiteral("calendarPlus"));
    LabelElement refused = element(ElementKind::counter);
    refused.counter.digits = 19;
    result.append({{{bound}, false, true},
                   {{gs1}},
                   {{web}},
                   {{element(ElementKind::text), element(ElementKind::line), element(ElementKind::counter)}, true},
                   {{}},
                   {{refused}}});
    return result;
}

QImage shot(const Case &item, AppLanguage language)
{
    Fixture fixture(item.elements, item.selectAll, item.table ? std::optional(priceTable()) : std::nullopt);
    fixture.env.localization.select(language);
    EditorInspector inspector(fixture.store.get(), &fixture.env.localization);
    inspector.resize(300, 2000);
    inspector.show();
    QApplication::processEvents();
    QLayout *layout = inspector.widget()->layout();
    const int height =
        layout->hasHeightForWidth() ? layout->totalHeightForWidth(300) : layout->totalSizeHint().height();
    inspector.resize(300, height);
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    return inspector.grab().toImage();
}

bool contactSheet(AppLanguage language, const QString &name)
{
    QList<QImage> images;
    for (const Case &item : cases())
        images.append(shot(item, language));
    const int columns = 8;
    const int cellWidth = 310;
    int rowHeights[2] = {0, 0};
    for (qsizetype i = 0; i < images.size(); ++i)
        rowHeights[i / columns] = std::max(rowHeights[i / columns], images.at(i).height());
    QImage sheet(columns * cellWidth, rowHeights[0] + rowHeights[1] + 10, QImage::Format_ARGB32);
    sheet.fill(Qt::lightGray);
    QPainter painter(&sheet);
    for (qsizetype i = 0; i < images.size(); ++i)
        painter.drawImage(int(i % columns) * cellWidth, i / columns == 0 ? 0 : rowHeights[0] + 10, images.at(i));
    painter.end();
    return sheet.save(testsupport::outputPath(name));
}

bool screensProgram()
{
    return contactSheet(AppLanguage::english, QStringLiteral("inspector-en.png")) &&
           contactSheet(AppLanguage::german, QStringLiteral("inspector-de.png"));
}

[[maybe_unused]] const bool added = testsupport::addScreenshotRole(QStringLiteral("inspector-screens"), screensProgram);

} // namespace

TEST(InspectorScreensProcess, ContactSheetsOfTheInspector)
{
    testsupport::takeScreenshots(QStringLiteral("inspector-screens"), QStringLiteral("InspectorScreensProcess.*"),
                                 QSize(1600, 1200));
}
