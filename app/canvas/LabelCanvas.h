#pragma once

#include "app/editor/ElementResizeGeometry.h"
#include "app/editor/ElementSnapGeometry.h"

#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QDateTime;
class QPainter;

namespace kestrivane {

class CanvasInteraction;
class EditorStore;
class InlineTextEditor;
class RenderCache;
struct LabelDocument;
struct LabelElement;

// The view on which one label of the open document is drawn at the editor's zoom: a grey
// desk, the label as a white sheet with a soft shadow, its elements, the translucent parts
// of elements beyond the label's edge, the dot grid, the snap guides of a running drag,
// the marquee, the outlines of the selected elements and the handles of a single one.
//
// One view point is one Qt logical pixel; the painter maps it to device pixels, so every
// drawing step stays sharp at any device pixel ratio.
class LabelCanvas : public QWidget {
    Q_OBJECT

public:
    // Side of a drawn resize handle and radius of its hit area, in points.
    static constexpr double resizeHandleSize = 8;
    // Movement that turns a click on an empty spot into a marquee, in points.
    static constexpr double marqueeThreshold = 3;

    explicit LabelCanvas(QWidget *parent = nullptr);
    ~LabelCanvas() override;

    EditorStore *store() const { return m_store; }
    // Switching to another store closes the old one's running gesture (so it becomes one
    // undo step there) and forgets the guides and the pending click of that gesture.
    void setStore(EditorStore *store);

    // Called first in the refresh sequence; the workspace follows geometry changes with it.
    std::function<void()> onGeometryChanged;
    // Opens the document-parameters sheet.
    std::function<void()> onEditParameters;

    // Where the label is drawn, in view points; empty without a store.
    QRectF paperRect() const;
    // View points per label millimetre at the store's (effective) zoom.
    double scale() const;
    // A view point in label millimetres.
    QPointF localPoint(QPointF viewPoint) const;

    // Keeps the in-place text editor on its element; nothing to move while none is open.
    void updateInlineEditorFrame();
    // The sequence that ends every action which may have changed what is shown: the
    // geometry callback, the in-place editor's frame, a full redisplay, the cursor.
    void refresh();
    // How many times the sequence has run, so a gesture can tell whether the store's
    // announcement of its edit already refreshed the canvas.
    quint64 refreshCount() const { return m_refreshCount; }

    // Pointer, keyboard and clipboard handling, and the in-place text editor.
    CanvasInteraction *interaction() const { return m_interaction; }
    InlineTextEditor *inlineEditor() const { return m_inlineEditor; }
    void beginInlineEditing(const LabelElement &element);
    // False only when the store refused the text and the editor stayed open.
    bool finishInlineEditing(bool commit, bool keepOpenOnFailure);

    // --- State read by the drawing and written by the pointer handling ----------------
    const std::optional<QUuid> &editingElementID() const { return m_editingElementID; }
    void setEditingElementID(const std::optional<QUuid> &id);

    const std::optional<QPointF> &marqueeStartMm() const { return m_marqueeStartMm; }
    const std::optional<QPointF> &marqueeCurrentMm() const { return m_marqueeCurrentMm; }
    bool marqueeMoved() const { return m_marqueeMoved; }
    void setMarquee(const std::optional<QPointF> &startMm, const std::optional<QPointF> &currentMm, bool moved);

    const QList<ElementSnapGuide> &smartSnapGuides() const { return m_smartSnapGuides; }
    void setSmartSnapGuides(const QList<ElementSnapGuide> &guides);

    const std::optional<QSet<QUuid>> &pendingEmptyClickSelection() const { return m_pendingEmptyClickSelection; }
    void setPendingEmptyClickSelection(const std::optional<QSet<QUuid>> &selection)
    {
        m_pendingEmptyClickSelection = selection;
    }

    // Draws the whole canvas (desk, paper, label, overlays) for the area `dirty`. The
    // widget's paint event and the benchmark both come through here.
    void paint(QPainter &painter, const QRectF &dirty) const;

    QSize sizeHint() const override;

public Q_SLOTS:
    void copy();
    void cut();
    void paste();
    void selectAll();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void drawPaper(QPainter &painter, const QRectF &paper) const;
    bool drawCachedLabel(QPainter &painter, const QRectF &paper, const LabelDocument &document, double zoom,
                         const QDateTime &now, RenderCache &cache) const;
    void drawLabel(QPainter &painter, const QRectF &paper, const LabelDocument &document, double zoom,
                   const QDateTime &now, RenderCache &cache) const;
    void drawOverflow(QPainter &painter, const QRectF &paper, const LabelDocument &document, double zoom,
                      const QDateTime &now, RenderCache &cache) const;
    void drawGrid(QPainter &painter, const QRectF &paper, const QRectF &dirty) const;
    void drawSmartSnapGuides(QPainter &painter, const QRectF &paper) const;
    void drawMarquee(QPainter &painter, const QRectF &paper) const;
    void drawSelectionOutlines(QPainter &painter, const QRectF &paper) const;
    void drawResizeHandles(QPainter &painter, const QRectF &paper, const LabelElement &element) const;

    QPointer<EditorStore> m_store;
    InlineTextEditor *m_inlineEditor = nullptr;
    CanvasInteraction *m_interaction = nullptr;
    std::optional<QUuid> m_editingElementID;
    std::optional<QPointF> m_marqueeStartMm;
    std::optional<QPointF> m_marqueeCurrentMm;
    bool m_marqueeMoved = false;
    std::optional<QSet<QUuid>> m_pendingEmptyClickSelection;
    QList<ElementSnapGuide> m_smartSnapGuides;
    quint64 m_refreshCount = 0;
    // The label as last drawn by the renderer, in device pixels (see drawCachedLabel).
    struct LabelLayer;
    mutable std::unique_ptr<LabelLayer> m_labelLayer;
};

} // namespace kestrivane
