#pragma once

#include "tests/app/canvas/CanvasTestSupport.h"

#include "app/canvas/CanvasInteraction.h"
#include "app/canvas/InlineTextEditor.h"
#include "app/canvas/LabelCanvas.h"
#include "core/common/Units.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace canvastest {

// A shown, active window holding one canvas of a store, for driving the canvas with real
// mouse and key events.
class InteractionFixture : public ::testing::Test {
protected:
    void open(const kestrivane::LabelDocument &document, double zoom)
    {
        canvas = nullptr;
        window = std::make_unique<QWidget>();
        window->resize(900, 600);
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        store = env.makeStore(document, zoom);
        canvas = new kestrivane::LabelCanvas;
        layout->addWidget(canvas);
        canvas->setStore(store.get());
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        canvas->setFocus();
    }

    void TearDown() override
    {
        window.reset();
        store.reset();
    }

    // The view point of a label point, rounded to the pixel the event carries.
    QPoint at(QPointF mm) const
    {
        const QRectF paper = canvas->paperRect();
        const double s = canvas->scale();
        return QPointF(paper.left() + mm.x() * s, paper.top() + mm.y() * s).toPoint();
    }
    QPoint at(double xMm, double yMm) const { return at(QPointF(xMm, yMm)); }
    // The label point under a view point.
    QPointF mm(QPoint viewPoint) const { return canvas->localPoint(QPointF(viewPoint)); }

    void press(QPoint p, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mousePress(canvas, Qt::LeftButton, modifiers, p);
    }
    void moveTo(QPoint p) { QTest::mouseMove(canvas, p); }
    void release(QPoint p, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseRelease(canvas, Qt::LeftButton, modifiers, p);
    }
    void click(QPoint p, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(canvas, Qt::LeftButton, modifiers, p);
    }
    // Qt delivers the second press of a double click as its own event type.
    void doubleClick(QPoint p, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(canvas, Qt::LeftButton, modifiers, p);
        QTest::mouseDClick(canvas, Qt::LeftButton, modifiers, p);
        QTest::mouseRelease(canvas, Qt::LeftButton, modifiers, p);
    }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {})
    {
        press(from, modifiers);
        const QPoint middle = (from + to) / 2;
        moveTo(middle);
        moveTo(to);
        release(to, modifiers);
    }

    const kestrivane::LabelElement &element(qsizetype index) const { return store->document().elements.at(index); }

    StoreEnvironment env;
    std::unique_ptr<kestrivane::EditorStore> store;
    std::unique_ptr<QWidget> window;
    kestrivane::LabelCanvas *canvas = nullptr;
};

inline kestrivane::LabelElement text(double x, double y, double w, double h, const QString &content,
                                     double rotation = 0)
{
    kestrivane::LabelElement element = box(x, y, w, h, rotation, kestrivane::ElementKind::text);
    element.content = content;
    element.fontSizePt = 12;
    return element;
}

// A point turned about a centre by `degrees`, clockwise on screen (y down).
inline QPointF turned(QPointF point, QPointF centre, double degrees)
{
    const double r = degrees * M_PI / 180;
    const QPointF d = point - centre;
    return centre + QPointF(d.x() * std::cos(r) - d.y() * std::sin(r), d.x() * std::sin(r) + d.y() * std::cos(r));
}

} // namespace canvastest
