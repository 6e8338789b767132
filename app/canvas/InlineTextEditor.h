#pragma once

#include "core/render/TextBoxGeometry.h"

#include <QGraphicsView>
#include <QMargins>
#include <QPointer>
#include <QTextEdit>
#include <QUuid>
#include <QWidget>

#include <optional>

class QGraphicsProxyWidget;
class QGraphicsScene;

namespace kestrivane {

class LabelCanvas;
struct LabelElement;

// The text field of the in-place editor. It keeps the text exactly as typed: QTextEdit
// would turn Shift+Return into a line separator and its plain-text reader turns no-break
// spaces into spaces, either of which would silently change the element's content. Every
// way text can come in (keys, paste, drop, input methods) is checked against the length
// limit before it is inserted, since the document refuses longer texts anyway.
class InlineTextEdit final : public QTextEdit {
    Q_OBJECT

public:
    // The most user-perceived characters a text element may hold.
    static constexpr qsizetype maximumCharacters = 4096;

    explicit InlineTextEdit(QWidget *parent = nullptr);

    // The text with every line break as "\n"; no-break spaces and line separators stay.
    QString text() const;
    // The visible text area inside the widget (fractions of a pixel belong to the caller).
    void setTextMargins(const QMargins &margins) { setViewportMargins(margins); }
    QMargins textMargins() const { return viewportMargins(); }

Q_SIGNALS:
    void commitRequested();
    void cancelRequested();
    // A change was dropped because the text would have become too long (after the beep).
    void changeRefused();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // Whether replacing the UTF-16 range [start, end) of text() by `insertion` keeps the
    // text within the limit; beeps and reports when it does not.
    bool allowsReplacement(qsizetype start, qsizetype end, const QString &insertion);
    // Whether the field may hold `result` (its raw text); beeps and reports when not.
    bool allowsResult(const QString &result);
    bool allowsTyping(const QString &insertion);
};

// The rounded, bordered and slightly translucent box that holds the text field.
class InlineEditorBox final : public QWidget {
    Q_OBJECT

public:
    explicit InlineEditorBox(QWidget *parent = nullptr);
    InlineTextEdit *textEdit() const { return m_textEdit; }
    // Canvas pixels per unit of the box's own coordinates (the proxy's scale), so the
    // outline keeps its width on the canvas.
    void setUnitScale(double unitScale);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    InlineTextEdit *m_textEdit;
    double m_unitScale = 1;
};

// A transparent graphics view over the canvas that shows the box turned with its element:
// widgets themselves cannot rotate, so the box lives in a proxy item of a scene whose
// coordinates are the canvas's own. The view is masked to the turned box, so clicks beside
// the box reach the canvas beneath.
class InlineEditorView final : public QGraphicsView {
    Q_OBJECT

public:
    explicit InlineEditorView(QWidget *parent = nullptr);

Q_SIGNALS:
    // Focus left the editor for good (not a window switch, not its own context menu).
    void editingEnded(Qt::FocusReason reason);

protected:
    void focusOutEvent(QFocusEvent *event) override;
};

// Editing a text element in place, hosted by the label canvas: opened by a double click,
// placed, turned and styled like the element at the current zoom on every refresh of the
// canvas, committed through the store with Return, a click outside it or focus leaving it,
// cancelled with Escape. While it is open an application event filter watches mouse
// presses in the canvas's window to commit before a click outside reaches anything.
class InlineTextEditor final : public QObject {
    Q_OBJECT

public:
    // Outline growth of the box around the element, in points; the text keeps its place.
    static constexpr double boxOutset = 2;
    // Smallest side of the element area the box is built around, in points.
    static constexpr double minimumSide = 8;

    explicit InlineTextEditor(LabelCanvas *canvas);
    ~InlineTextEditor() override;

    bool isOpen() const { return m_box != nullptr; }
    const std::optional<QUuid> &editingElementID() const { return m_elementID; }
    InlineTextEdit *textEdit() const;
    InlineEditorBox *box() const { return m_box; }
    InlineEditorView *view() const { return m_view; }
    QGraphicsProxyWidget *proxy() const { return m_proxy; }
    // The field has the keyboard focus (the view is the window's focus widget).
    bool hasFocus() const;

    // Opens the editor on a text element without a table binding; anything else is ignored.
    void begin(const LabelElement &element);
    // Closes the editor, committing its text when `commit` is set. False only when the
    // store refused the text and `keepOpenOnFailure` kept the editor open (after a beep).
    bool finish(bool commit, bool keepOpenOnFailure);
    // Places, turns and restyles the open editor like its element; closes it without
    // committing when the element is gone, no longer a text or bound to a table column.
    void updateFrame();

    // The widget that takes the keys while `focusWidget` has the focus: the field when it
    // is an in-place editor's view (the application's focus widget is then the view, not
    // the field), else `focusWidget` itself. Menu commands such as Copy or Select All that
    // go to the focused text widget find the field through this.
    static QWidget *keyboardWidget(QWidget *focusWidget);

    // A point of the canvas in the box's own (unturned) coordinates.
    QPointF mapFromCanvas(QPointF canvasPoint) const;
    // A point of the box (for instance inside the text field) in canvas coordinates.
    QPointF mapToCanvas(QPointF boxPoint) const;
    // Canvas pixels per unit of the box's own coordinates: the box is laid out at the
    // renderer's reference font size and scaled onto the canvas.
    double unitScale() const { return m_unitScale; }

Q_SIGNALS:
    // The store refused the committed text and the editor stayed open.
    void commitRefused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyStyle(const LabelElement &element, double zoom);
    void placeText(const LabelElement &element);
    void close();
    void endEditingOnFocusLoss();
    void installMonitor();
    void removeMonitor();

    QPointer<LabelCanvas> m_canvas;
    QPointer<InlineEditorView> m_view;
    QPointer<InlineEditorBox> m_box;
    QGraphicsScene *m_scene = nullptr;
    QGraphicsProxyWidget *m_proxy = nullptr;
    std::optional<QUuid> m_elementID;
    // The element's content when the editor opened, and the same with its line breaks as
    // the field reads them back, so an untouched text is committed exactly as it was.
    QString m_originalContent;
    QString m_originalAsEdited;
    bool m_finishing = false;
    bool m_monitoring = false;
    // Inside a focus change, where taking the focus back would recurse.
    bool m_losingFocus = false;
    bool m_placing = false;
    // The text area inside the box, whole box units, and where the box's top-left corner
    // lies in the element's unturned frame (the fractions the integer margins cannot hold).
    QMargins m_margins;
    QPointF m_boxOrigin;
    double m_unitScale = 1;
    // The element's text geometry as last styled; its vertical share places the text.
    TextBoxGeometry m_textBox;
};

} // namespace kestrivane
