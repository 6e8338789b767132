// Contact sheets of the inspector on a private X server (real fonts), for a person to
// look at: every kind of element, several selected, nothing selected and a warning, in
// English and in German. The child program is this test binary, started with a role.

#include "tests/app/inspector/InspectorTestSupport.h"
#include "tests/common/PrivateDisplay.h"
#include "tests/common/TestSupport.h"

#include "app/inspector/EditorInspector.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace kestrivane;
using namespace inspectortest;

namespace {

const char *const roleVariable = "KESTRIVANE_INSPECTOR_ROLE";
const char *const outputVariable = "KESTRIVANE_INSPECTOR_OUTPUT";

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

int screensProgram()
{
    const bool saved = contactSheet(AppLanguage::english, QStringLiteral("inspector-en.png")) &&
                       contactSheet(AppLanguage::german, QStringLiteral("inspector-de.png"));
    QFile file(qEnvironmentVariable(outputVariable));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(saved ? "saved" : "not saved");
    return 0;
}

class ScreensRole final : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qgetenv(roleVariable) != "screens")
            return;
        const int code = screensProgram();
        std::fflush(stdout);
        std::_Exit(code);
    }
};

[[maybe_unused]] ::testing::Environment *const screensRole = ::testing::AddGlobalTestEnvironment(new ScreensRole);

} // namespace

TEST(InspectorScreensProcess, ContactSheetsOfTheInspector)
{
    testsupport::PrivateDisplay display;
    if (!display.start(QSize(1600, 1200)))
        GTEST_SKIP() << "No Xvfb to show the windows on; install the xvfb package";
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("role-output.txt"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), display.display());
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QString::fromLatin1(roleVariable), QStringLiteral("screens"));
    environment.insert(QString::fromLatin1(outputVariable), output);
    QProcess child;
    child.setProcessEnvironment(environment);
    testsupport::endWithThisProgram(child);
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QStringLiteral("--gtest_filter=InspectorScreensProcess.*")});
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.start();
    if (!child.waitForFinished(60000))
        testsupport::stopProcess(child);
    QFile file(output);
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "The program could not open the private display " << qPrintable(display.display());
    EXPECT_EQ(file.readAll(), QByteArrayLiteral("saved"));
}
