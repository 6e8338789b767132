#include "app/canvas/CanvasWorkspaceView.h"

#include "app/canvas/CanvasInteraction.h"
#include "app/canvas/CanvasRulerView.h"
#include "app/canvas/LabelCanvas.h"
#include "app/editor/EditorStore.h"
#include "core/l10n/Localization.h"
#include "core/model/LabelDocument.h"

#include <QGestureEvent>
#include <QNativeGestureEvent>
#include <QPinchGesture>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kestrivane {

CanvasScrollArea::CanvasScrollArea(QWidget *parent) : QScrollArea(parent)
{
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    // The canvas inside takes the keys; the area around it is no Tab stop of its own.
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
}

QSize CanvasScrollArea::barExtent() const
{
    // The same sums QAbstractScrollArea uses when it lays out its bars.
    const int spacing = style()->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, this)
                            ? style()->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, this)
                            : 0;
    auto extent = [spacing](const QScrollBar *bar, int hint) {
        if (bar->style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, bar))
            return 0;
        return hint + spacing;
    };
    return {extent(verticalScrollBar(), verticalScrollBar()->sizeHint().width()),
            extent(horizontalScrollBar(), horizontalScrollBar()->sizeHint().height())};
}

CanvasWorkspaceView::CanvasWorkspaceView(QWidget *parent)
    : QWidget(parent), m_scrollArea(new CanvasScrollArea), m_canvas(new LabelCanvas),
      m_horizontalRuler(new CanvasRulerView(CanvasRulerView::Axis::horizontal)),
      m_verticalRuler(new CanvasRulerView(CanvasRulerView::Axis::vertical)), m_corner(new CanvasRulerCornerView)
{
    m_scrollArea->setWidget(m_canvas);
    // QScrollArea turns background filling on for its widget; the canvas paints every
    // pixel itself, and nothing at all without a store.
    m_canvas->setAutoFillBackground(false);
    connect(m_scrollArea->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &CanvasWorkspaceView::visibleRectChanged);
    connect(m_scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &CanvasWorkspaceView::visibleRectChanged);
    m_scrollArea->viewport()->installEventFilter(this);
    m_horizontalRuler->setWorkspace(this);
    m_verticalRuler->setWorkspace(this);
    m_canvas->onGeometryChanged = [this] {
        updateCanvasSize();
        visibleRectChanged();
    };
    m_canvas->installEventFilter(this);
    m_canvas->grabGesture(Qt::PinchGesture);
    for (QWidget *child : {static_cast<QWidget *>(m_scrollArea), static_cast<QWidget *>(m_horizontalRuler),
                           static_cast<QWidget *>(m_verticalRuler), static_cast<QWidget *>(m_corner)})
        child->setParent(this);
}

CanvasWorkspaceView::~CanvasWorkspaceView()
{
    // The canvas is destroyed (or hidden) after this body, when the workspace is no longer
    // whole, and its clean-up may commit an edit or close a drag: the canvas's refresh and
    // the scroll bars' last moves must not reach this object any more.
    disconnect(m_scrollArea->horizontalScrollBar(), nullptr, this, nullptr);
    disconnect(m_scrollArea->verticalScrollBar(), nullptr, this, nullptr);
    m_canvas->removeEventFilter(this);
    m_scrollArea->viewport()->removeEventFilter(this);
    m_canvas->onGeometryChanged = nullptr;
}

void CanvasWorkspaceView::bind(EditorStore *store, Localization *localization, std::function<void()> editParameters)
{
    if (m_store && (!store || m_store->id() != store->id())) {
        m_pinchStartZoom.reset();
        m_pinchAnchorMm.reset();
    }
    if (m_store != store)
        m_shownPaper.reset();
    m_store = store;
    m_canvas->setStore(store);
    m_canvas->onEditParameters = std::move(editParameters);
    if (localization) {
        m_canvas->setAccessibleName(localization->text(QStringLiteral("mac.access_canvas")));
        m_corner->setUnit(localization->text(QStringLiteral("mac.unit_mm")));
    }
    // Later changes of the store reach the workspace through the canvas's refresh.
    m_canvas->refresh();
}

QRect CanvasWorkspaceView::visibleRect() const
{
    return {m_scrollArea->horizontalScrollBar()->value(), m_scrollArea->verticalScrollBar()->value(),
            m_scrollArea->viewport()->width(), m_scrollArea->viewport()->height()};
}

void CanvasWorkspaceView::updateCanvasSize()
{
    if (!m_store)
        return;
    const LabelDocument &document = m_store->document();
    const QSizeF label(document.widthMm, document.heightMm);
    const QSizeF overflow = CanvasOverflowGeometry::overflowMm(document);
    const double zoom = m_store->zoom();

    // The margin never shrinks while elements are dragged out and back in, as long as the
    // store, the label size and the zoom stay the same.
    const bool sameKey =
        m_overflowStoreID && *m_overflowStoreID == m_store->id() && m_overflowLabelSize.width() == label.width() &&
        m_overflowLabelSize.height() == label.height() && std::abs(m_overflowZoom - zoom) <= CanvasZoom::tolerance;
    if (sameKey) {
        m_retainedOverflowMm = QSizeF(std::max(m_retainedOverflowMm.width(), overflow.width()),
                                      std::max(m_retainedOverflowMm.height(), overflow.height()));
    } else {
        m_retainedOverflowMm = overflow;
    }
    m_overflowStoreID = m_store->id();
    m_overflowLabelSize = label;
    m_overflowZoom = zoom;

    m_layout = CanvasWorkspaceGeometry::canvasSize(label, m_retainedOverflowMm, zoom,
                                                   m_scrollArea->largestViewportSize(), m_scrollArea->barExtent());
    if (m_canvas->size() == m_layout.canvas) {
        m_shownPaper = m_canvas->paperRect();
        return;
    }
    // The paper as it was last shown: asking the canvas now would place the old size at
    // the new zoom, which is off-centre once the label outgrows the old canvas.
    const QRectF oldPaper = m_shownPaper ? *m_shownPaper : m_canvas->paperRect();
    const QRectF oldVisible = visibleRect();
    m_canvas->resize(m_layout.canvas);
    m_shownPaper = m_canvas->paperRect();
    m_canvas->updateInlineEditorFrame();
    m_canvas->update();
    scrollTo(CanvasWorkspaceGeometry::centredOrigin(oldPaper, oldVisible, *m_shownPaper, m_layout.canvas,
                                                    m_layout.viewport));
}

void CanvasWorkspaceView::scrollTo(std::optional<QPoint> origin)
{
    QScrollBar *horizontal = m_scrollArea->horizontalScrollBar();
    QScrollBar *vertical = m_scrollArea->verticalScrollBar();
    horizontal->setRange(0, std::max(m_layout.canvas.width() - m_layout.viewport.width(), 0));
    horizontal->setPageStep(m_layout.viewport.width());
    vertical->setRange(0, std::max(m_layout.canvas.height() - m_layout.viewport.height(), 0));
    vertical->setPageStep(m_layout.viewport.height());
    if (origin) {
        horizontal->setValue(origin->x());
        vertical->setValue(origin->y());
    }
}

void CanvasWorkspaceView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int innerWidth = std::max(w - verticalRulerWidth, 0);
    const int innerHeight = std::max(h - horizontalRulerHeight, 0);
    m_corner->setGeometry(0, 0, verticalRulerWidth, horizontalRulerHeight);
    m_horizontalRuler->setGeometry(verticalRulerWidth, 0, innerWidth, horizontalRulerHeight);
    m_verticalRuler->setGeometry(0, horizontalRulerHeight, verticalRulerWidth, innerHeight);
    m_scrollArea->setGeometry(verticalRulerWidth, horizontalRulerHeight, innerWidth, innerHeight);
    updateCanvasSize();
    visibleRectChanged();
}

void CanvasWorkspaceView::visibleRectChanged()
{
    m_horizontalRuler->update();
    m_verticalRuler->update();
}

void CanvasWorkspaceView::beginPinch(QPointF canvasPoint)
{
    if (!m_store) {
        cancelPinch();
        return;
    }
    const double zoom = m_store->zoom();
    m_pinchStartZoom = CanvasZoom::effective(zoom);
    const double p = CanvasZoom::pointsPerMillimetre(zoom);
    const QRectF paper = m_canvas->paperRect();
    m_pinchAnchorMm = QPointF((canvasPoint.x() - paper.left()) / p, (canvasPoint.y() - paper.top()) / p);
}

void CanvasWorkspaceView::changePinch(QPointF canvasPoint, double magnification)
{
    applyMagnification(canvasPoint, magnification);
}

void CanvasWorkspaceView::endPinch(QPointF canvasPoint, double magnification)
{
    applyMagnification(canvasPoint, magnification);
    cancelPinch();
}

void CanvasWorkspaceView::cancelPinch()
{
    m_pinchStartZoom.reset();
    m_pinchAnchorMm.reset();
}

void CanvasWorkspaceView::applyMagnification(QPointF canvasPoint, double magnification)
{
    if (!m_store || !m_pinchStartZoom || !m_pinchAnchorMm)
        return;
    const QPointF offsetInView = canvasPoint - QPointF(visibleRect().topLeft());
    const double f = CanvasZoomGeometry::zoom(*m_pinchStartZoom, magnification);
    const double zoom = m_store->zoom();
    if (!std::isfinite(zoom) || std::abs(zoom - f) > CanvasZoom::tolerance) {
        m_store->setZoom(f);
        updateCanvasSize();
    }
    // The label point that was under the fingers when the pinch began stays under them.
    scrollTo(CanvasWorkspaceGeometry::anchoredOrigin(m_canvas->paperRect(), *m_pinchAnchorMm,
                                                     CanvasZoom::pointsPerMillimetre(f), offsetInView, m_layout.canvas,
                                                     m_layout.viewport));
    m_canvas->updateInlineEditorFrame();
    m_canvas->update();
    visibleRectChanged();
}

bool CanvasWorkspaceView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_canvas)
        return handleCanvasEvent(event);
    if (watched == m_scrollArea->viewport() && event->type() == QEvent::Resize)
        visibleRectChanged();
    return QWidget::eventFilter(watched, event);
}

bool CanvasWorkspaceView::handleCanvasEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::NativeGesture: {
        // Touchpad pinch. Qt reports per-event increments and has no cancelled state: a new
        // begin simply replaces a pinch that never ended.
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        const QPointF at = gesture->position();
        switch (gesture->gestureType()) {
        case Qt::BeginNativeGesture:
            m_nativeMagnification = 0;
            beginPinch(at);
            return true;
        case Qt::ZoomNativeGesture:
            m_nativeMagnification += gesture->value();
            changePinch(at, m_nativeMagnification);
            return true;
        case Qt::EndNativeGesture:
            endPinch(at, m_nativeMagnification);
            m_nativeMagnification = 0;
            return true;
        default: return false;
        }
    }
    case QEvent::Gesture: {
        // Touch-screen pinch, reported as a total scale since its start.
        auto *gestures = static_cast<QGestureEvent *>(event);
        auto *pinch = static_cast<QPinchGesture *>(gestures->gesture(Qt::PinchGesture));
        if (!pinch)
            return false;
        const QPointF at = m_canvas->mapFromGlobal(pinch->centerPoint());
        const double magnification = pinch->totalScaleFactor() - 1;
        switch (pinch->state()) {
        case Qt::GestureStarted: beginPinch(at); break;
        case Qt::GestureUpdated: changePinch(at, magnification); break;
        case Qt::GestureFinished: endPinch(at, magnification); break;
        case Qt::GestureCanceled: cancelPinch(); break;
        default: break;
        }
        gestures->accept(pinch);
        return true;
    }
    case QEvent::Wheel: {
        // The mouse path to zoom on Linux, where many users have no touchpad: each notch of
        // Ctrl+wheel is one short pinch about the pointer.
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier))
            return false;
        const QPoint angle = wheel->angleDelta();
        m_wheelRemainder += angle.y() != 0 ? angle.y() : angle.x();
        // The pointer stays where it is in the visible area while every step scrolls the
        // canvas under it, so its canvas point is taken afresh for each call.
        const QPointF inView = wheel->position() - QPointF(visibleRect().topLeft());
        auto at = [&] { return inView + QPointF(visibleRect().topLeft()); };
        while (std::abs(m_wheelRemainder) >= 120) {
            const int direction = m_wheelRemainder > 0 ? 1 : -1;
            m_wheelRemainder -= direction * 120;
            // A notch out undoes a notch in exactly: divide by the factor instead of
            // multiplying by its complement.
            const double magnification = direction > 0 ? wheelMagnification : 1 / (1 + wheelMagnification) - 1;
            beginPinch(at());
            changePinch(at(), magnification);
            endPinch(at(), magnification);
        }
        wheel->accept();
        return true;
    }
    default: return false;
    }
}

} // namespace kestrivane
