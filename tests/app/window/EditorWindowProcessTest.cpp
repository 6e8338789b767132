// Screenshots of the editor window on a private X server (real fonts and window sizes),
// for a person to look at: empty with its hint, with one element of each kind, in a dark
// desktop palette, and with the main menu open in English and German. The child program
// is this test binary, started with a role in the environment.

#include "tests/app/shell/ShellTestSupport.h"
#include "tests/common/ScreenshotChild.h"
#include "tests/common/TestSupport.h"

#include "app/shell/AppDelegate.h"
#include "app/shell/MainMenu.h"
#include "app/shell/MainWindow.h"
#include "app/shell/WorkspaceView.h"
#include "app/window/ContentView.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QThread>

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

void settle(int milliseconds = 300)
{
    for (int i = 0; i < milliseconds / 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
}

bool saveWindow(QWidget &window, const QString &name)
{
    settle();
    return window.grab().save(testsupport::outputPath(name));
}

// The screen around the window, so that an open menu shows too.
bool saveScreen(QWidget &window, const QString &name)
{
    settle();
    const QRect frame = window.frameGeometry();
    return window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), 420).save(testsupport::outputPath(name));
}

QByteArray pictureBytes()
{
    QImage picture(64, 64, QImage::Format_ARGB32);
    picture.fill(QColor(0, 122, 255));
    QPainter painter(&picture);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRect(12, 12, 40, 40));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

// One element of each kind, spread over the label.
void fill(EditorStore &store)
{
    for (ElementKind kind : {ElementKind::text, ElementKind::barcode, ElementKind::qr, ElementKind::dateTime,
                             ElementKind::line, ElementKind::rectangle, ElementKind::ellipse, ElementKind::counter})
        store.add(kind);
    store.addImage(pictureBytes(), QStringLiteral("dot.png"), std::nullopt);
    store.apply([](LabelDocument &document) {
        const QList<QPointF> places = {{4, 4},   {4, 16},  {56, 4}, {4, 40}, {56, 44},
                                       {30, 44}, {78, 44}, {4, 52}, {80, 4}};
        for (qsizetype i = 0; i < document.elements.size() && i < places.size(); ++i) {
            document.elements[i].xMm = places[i].x();
            document.elements[i].yMm = places[i].y();
        }
        document.elements.last().widthMm = 14;
        document.elements.last().heightMm = 14;
    });
    store.setSelectedIDs({});
}

bool screenshotProgram()
{
    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate(&env.localization, &env.settings);
    delegate.setTerminate([] {});
    delegate.launch();
    MainWindow &window = *delegate.window();
    delegate.workspace()->setAlerts(env.alerts);
    EditorStore *store =
        delegate.workspace()->add(LabelDocument(QStringLiteral("Shelf label"), 100, 70, {}), std::nullopt, true);
    bool saved = saveWindow(window, QStringLiteral("editor-window-empty.png"));
    fill(*store);
    saved = saveWindow(window, QStringLiteral("editor-window-elements.png")) && saved;

    QMenu *file = delegate.menu()->menus().at(1);
    window.menuBar()->setActiveAction(file->menuAction());
    saved = saveScreen(window, QStringLiteral("editor-menu-en.png")) && saved;
    file->hide();
    env.localization.select(AppLanguage::german);
    settle();
    QMenu *edit = delegate.menu()->menus().at(2);
    store->select(store->document().elements.first().id, false);
    window.menuBar()->setActiveAction(edit->menuAction());
    saved = saveScreen(window, QStringLiteral("editor-menu-de.png")) && saved;
    edit->hide();
    saved = saveWindow(window, QStringLiteral("editor-window-de.png")) && saved;

    // A dark desktop: the sidebar and the inspector pane stay light.
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2E));
    dark.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x20));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3E));
    dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0xA0));
    QApplication::setPalette(dark);
    env.localization.select(AppLanguage::english);
    saved = saveWindow(window, QStringLiteral("editor-window-dark.png")) && saved;

    return saved;
}

[[maybe_unused]] const bool added = testsupport::addScreenshotRole(QStringLiteral("editor-window"), screenshotProgram);

} // namespace

TEST(EditorWindowProcess, ScreenshotsOfTheEditorWindow)
{
    if (!testsupport::takeScreenshots(QStringLiteral("editor-window"), QStringLiteral("EditorWindowProcess.*"),
                                      QSize(1600, 1000)))
        return;
    const QImage empty(testsupport::outputPath(QStringLiteral("editor-window-empty.png")));
    EXPECT_EQ(empty.width(), 1280);
}
