#include "app/canvas/InlineTextEditor.h"

#include "app/canvas/CanvasGeometry.h"
#include "app/canvas/LabelCanvas.h"
#include "app/editor/EditorStore.h"
#include "core/common/TextRules.h"
#include "core/model/LabelDocument.h"
#include "core/model/WebAppearance.h"
#include "core/render/WebFonts.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFocusEvent>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

const QColor accent(0, 122, 255);

// QTextDocument separates paragraphs with U+2029 and reads "\r\n", "\r" and U+2029 as
// paragraph breaks on the way in; the field reports all of them as "\n".
QString asEdited(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    text.replace(QChar::ParagraphSeparator, QChar(u'\n'));
    return text;
}

std::optional<LabelElement> findElement(const LabelDocument &document, const QUuid &id)
{
    for (const LabelElement &element : document.elements) {
        if (element.id == id)
            return element;
    }
    return std::nullopt;
}

bool editable(const LabelElement &element)
{
    return element.kind == ElementKind::text && !element.tableBinding;
}

// The pixel size of the field's font, which lays the box out in units of canvasSize / it:
// the renderer's reference size, or the text's own size on the canvas when larger (a box
// scaled up would draw its caret several pixels wide), unless a huge box in tiny text would
// then be millions of units across, where widget sizes and glyph positions run out of
// range. Any whole size is exact on the canvas; the reference size also measures exactly
// like the renderer.
int fieldPixelSize(double canvasSize, double boxSidePixels)
{
    constexpr double largestSide = 1 << 20;
    const double largest = std::max(double(PointFont::referencePixelSize), std::ceil(canvasSize));
    const double fitting = std::floor(largestSide * canvasSize / boxSidePixels);
    if (!std::isfinite(fitting))
        return int(largest);
    return int(std::clamp(fitting, 1.0, largest));
}

} // namespace

// --- InlineTextEdit ------------------------------------------------------------------

InlineTextEdit::InlineTextEdit(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false); // pasted text comes in plain; the element's style applies
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUndoRedoEnabled(true);
    setTabChangesFocus(false);
    viewport()->setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    // Popups of a widget in a graphics proxy are embedded in the scene too, and would take
    // the box's scale onto the canvas: the field's context menu opens as a window of its
    // own instead (positions of a proxied widget map to the screen through the view).
    setWindowFlag(Qt::BypassGraphicsProxyWidget);
}

QString InlineTextEdit::text() const
{
    return asEdited(document()->toRawText());
}

bool InlineTextEdit::allowsReplacement(qsizetype start, qsizetype end, const QString &insertion)
{
    const QString current = document()->toRawText();
    start = std::clamp<qsizetype>(start, 0, current.size());
    end = std::clamp<qsizetype>(end, start, current.size());
    return allowsResult(current.left(start) + insertion + current.mid(end));
}

bool InlineTextEdit::allowsResult(const QString &result)
{
    if (!text::exceedsGraphemes(asEdited(result), maximumCharacters))
        return true;
    QApplication::beep();
    Q_EMIT changeRefused();
    return false;
}

bool InlineTextEdit::allowsTyping(const QString &insertion)
{
    const QTextCursor cursor = textCursor();
    return allowsReplacement(cursor.selectionStart(), cursor.selectionEnd(), insertion);
}

void InlineTextEdit::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (key == Qt::Key_Escape) {
        event->accept();
        Q_EMIT cancelRequested();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->accept();
        if (modifiers & (Qt::ShiftModifier | Qt::AltModifier)) {
            // QTextEdit's own Shift+Return would insert U+2028 into the content.
            if (allowsTyping(QStringLiteral("\n"))) {
                textCursor().insertText(QStringLiteral("\n"));
                ensureCursorVisible();
            }
        } else {
            Q_EMIT commitRequested();
        }
        return;
    }
    // The keys that insert what they carry: the same test the text control applies. Format
    // characters (zero-width space and joiners) go in with any modifier, Ctrl+Alt is AltGr,
    // and a character beyond the basic plane starts with a surrogate, which is no printable
    // character on its own.
    const QString typed = event->text();
    const auto inserts = [&typed, modifiers] {
        if (typed.isEmpty())
            return false;
        const QChar first = typed.at(0);
        if (first.category() == QChar::Other_Format)
            return true;
        if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
            return false;
        return first.isPrint() || first.category() == QChar::Other_PrivateUse || first == u'\t' ||
               (first.isHighSurrogate() && typed.size() > 1 && typed.at(1).isLowSurrogate());
    };
    if (inserts() && !allowsTyping(typed)) {
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void InlineTextEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty()) {
        const QTextCursor cursor = textCursor();
        // The text control first removes the selection, then replaces the given range
        // around the caret left there by the commit string.
        const QString current = document()->toRawText();
        const qsizetype selectionStart = std::clamp<qsizetype>(cursor.selectionStart(), 0, current.size());
        const qsizetype selectionEnd = std::clamp<qsizetype>(cursor.selectionEnd(), selectionStart, current.size());
        const QString remaining = current.left(selectionStart) + current.mid(selectionEnd);
        const qsizetype start =
            std::clamp<qsizetype>(selectionStart + qsizetype(event->replacementStart()), 0, remaining.size());
        const qsizetype end =
            std::clamp<qsizetype>(start + qsizetype(std::max(event->replacementLength(), 0)), start, remaining.size());
        if (!allowsResult(remaining.left(start) + event->commitString() + remaining.mid(end))) {
            // Drop the commit and the composition it ended.
            QInputMethodEvent empty;
            QTextEdit::inputMethodEvent(&empty);
            event->accept();
            return;
        }
    }
    QTextEdit::inputMethodEvent(event);
}

void InlineTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    if (!allowsTyping(source->text()))
        return;
    QTextEdit::insertFromMimeData(source);
}

// --- InlineEditorBox -----------------------------------------------------------------

InlineEditorBox::InlineEditorBox(QWidget *parent) : QWidget(parent), m_textEdit(new InlineTextEdit(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setFocusProxy(m_textEdit);
}

void InlineEditorBox::setUnitScale(double unitScale)
{
    if (unitScale == m_unitScale)
        return;
    m_unitScale = unitScale;
    update();
}

void InlineEditorBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QColor background = QApplication::palette().color(QPalette::Base);
    background.setAlphaF(0.96f);
    // The outline is drawn in canvas pixels, whatever the box's own scale.
    painter.scale(1 / m_unitScale, 1 / m_unitScale);
    const QRectF frame = QRectF(QPointF(0, 0), QSizeF(size()) * m_unitScale).adjusted(0.75, 0.75, -0.75, -0.75);
    painter.setPen(QPen(accent, 1.5));
    painter.setBrush(background);
    painter.drawRoundedRect(frame, 3, 3);
}

void InlineEditorBox::resizeEvent(QResizeEvent *)
{
    m_textEdit->setGeometry(rect());
}

// --- InlineEditorView ----------------------------------------------------------------

InlineEditorView::InlineEditorView(QWidget *parent) : QGraphicsView(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setBackgroundBrush(Qt::NoBrush);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("background: transparent"));
    setFocusPolicy(Qt::StrongFocus);
}

void InlineEditorView::focusOutEvent(QFocusEvent *event)
{
    QGraphicsView::focusOutEvent(event);
    // A window switch or the field's own context menu does not end the editing.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        Q_EMIT editingEnded(event->reason());
}

// --- InlineTextEditor ----------------------------------------------------------------

InlineTextEditor::InlineTextEditor(LabelCanvas *canvas) : QObject(canvas), m_canvas(canvas) {}

InlineTextEditor::~InlineTextEditor()
{
    removeMonitor();
}

InlineTextEdit *InlineTextEditor::textEdit() const
{
    return m_box ? m_box->textEdit() : nullptr;
}

bool InlineTextEditor::hasFocus() const
{
    return m_view && m_view->hasFocus() && m_proxy && m_proxy->hasFocus() && textEdit() &&
           m_box->focusWidget() == textEdit();
}

void InlineTextEditor::begin(const LabelElement &element)
{
    if (!m_canvas || !m_canvas->store() || !editable(element) || m_finishing)
        return;
    if (isOpen() && !finish(true, true))
        return;

    m_view = new InlineEditorView(m_canvas);
    m_scene = new QGraphicsScene(m_view);
    m_view->setScene(m_scene);
    m_box = new InlineEditorBox;
    m_proxy = m_scene->addWidget(m_box);
    m_elementID = element.id;
    m_originalContent = element.content;
    m_originalAsEdited = asEdited(element.content);

    InlineTextEdit *edit = m_box->textEdit();
    if (Localization *localization = m_canvas->store()->localization())
        edit->setAccessibleName(localization->text(QStringLiteral("menu_text")));
    // Restyling is kept out of the field's undo history: the text goes in before the
    // history starts, everything else is document-level state.
    edit->document()->setPlainText(element.content);

    connect(edit, &InlineTextEdit::commitRequested, this, [this] { finish(true, true); });
    connect(edit, &InlineTextEdit::cancelRequested, this, [this] { finish(false, false); });
    connect(m_view, &InlineEditorView::editingEnded, this, [this](Qt::FocusReason reason) {
        if (m_finishing || !isOpen())
            return;
        // A press moves the focus before any event filter sees it; the press itself
        // decides (commit, or refuse and swallow it), so only what it left is looked at.
        if (reason == Qt::MouseFocusReason) {
            QTimer::singleShot(0, this, [this] {
                if (isOpen() && m_view && !m_view->hasFocus())
                    endEditingOnFocusLoss();
            });
            return;
        }
        endEditingOnFocusLoss();
    });
    connect(edit->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this, [this] {
        if (!m_finishing && !m_placing && isOpen() && m_textBox.verticalShare > 0 && m_canvas && m_canvas->store()) {
            if (const auto found = findElement(m_canvas->store()->document(), *m_elementID))
                placeText(*found);
        }
    });

    installMonitor();
    m_canvas->setEditingElementID(element.id);
    updateFrame();
    if (!isOpen())
        return;
    edit->document()->clearUndoRedoStacks();
    m_view->show();
    m_view->raise();
    m_view->setFocus(Qt::OtherFocusReason);
    edit->setFocus(Qt::OtherFocusReason);
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    edit->setTextCursor(cursor);
}

void InlineTextEditor::endEditingOnFocusLoss()
{
    m_losingFocus = true;
    const bool finished = finish(true, true);
    m_losingFocus = false;
    if (finished)
        return;
    // Taking the focus back inside the focus change would recurse.
    QTimer::singleShot(0, this, [this] {
        if (isOpen() && m_view && textEdit()) {
            m_view->setFocus(Qt::OtherFocusReason);
            textEdit()->setFocus(Qt::OtherFocusReason);
        }
    });
}

bool InlineTextEditor::finish(bool commit, bool keepOpenOnFailure)
{
    if (m_finishing || !m_box || !m_elementID)
        return true;
    EditorStore *store = m_canvas ? m_canvas->store() : nullptr;
    if (commit && store) {
        QString text = textEdit()->text();
        // Untouched line breaks go back as they were ("\r\n" stays "\r\n").
        if (text == m_originalAsEdited)
            text = m_originalContent;
        if (!store->commitInlineText(text, *m_elementID) && keepOpenOnFailure) {
            QApplication::beep();
            Q_EMIT commitRefused();
            if (m_view && !m_view->hasFocus() && !m_losingFocus) {
                m_view->setFocus(Qt::OtherFocusReason);
                textEdit()->setFocus(Qt::OtherFocusReason);
            }
            return false;
        }
    }
    close();
    return true;
}

void InlineTextEditor::close()
{
    m_finishing = true;
    removeMonitor();
    if (m_view) {
        m_view->disconnect(this);
        if (m_box)
            m_box->textEdit()->disconnect(this);
        if (m_view->hasFocus() && m_canvas)
            m_canvas->setFocus(Qt::OtherFocusReason);
        m_view->hide();
        // The press that closed the editor may still be on its way through these widgets.
        m_view->deleteLater();
    }
    m_view = nullptr;
    m_box = nullptr;
    m_scene = nullptr;
    m_proxy = nullptr;
    m_elementID.reset();
    if (m_canvas)
        m_canvas->setEditingElementID(std::nullopt);
    m_finishing = false;
    if (m_canvas)
        m_canvas->refresh();
}

void InlineTextEditor::updateFrame()
{
    if (m_finishing || !isOpen())
        return;
    EditorStore *store = m_canvas ? m_canvas->store() : nullptr;
    std::optional<LabelElement> element;
    if (store && m_elementID)
        element = findElement(store->document(), *m_elementID);
    if (!element || !editable(*element)) {
        finish(false, false);
        return;
    }
    const double z = CanvasZoom::effective(store->zoom());
    applyStyle(*element, z);
    placeText(*element);
}

void InlineTextEditor::applyStyle(const LabelElement &element, double zoom)
{
    InlineTextEdit *edit = textEdit();
    const TextStyle &style = element.textStyle;
    const auto &appearance = element.webAppearance;

    // The renderer's face and size rule, so the field's text covers the label's text.
    PointFont font = WebFonts::elementFont(style.fontName, element.fontSizePt, appearance.has_value());
    if (style.bold)
        font = font.withBold(true);
    if (style.italic)
        font = font.withItalic(true);
    font = font.withUnderline(style.underline);
    // Widgets round font sizes to whole pixels, which at 10.5 points and zoom 1 would show
    // the text 5 % too large. The field therefore lays its text out in the renderer's own
    // reference font (or a larger one), and the proxy scales the whole box down to the canvas: the
    // glyphs, advances and line breaks are the ones the label draws. The field's text never
    // goes below one canvas pixel.
    const double pixels = element.fontSizePt * zoom;
    const double canvasSize = std::isfinite(pixels) ? std::clamp(pixels, 1.0, 4096.0) : 1.0;
    const double s = m_canvas->scale();
    const double boxSide = std::max({s * element.widthMm, s * element.heightMm, minimumSide}) + 2 * boxOutset + 2;
    const int pixelSize = fieldPixelSize(canvasSize, boxSide);
    m_unitScale = canvasSize / pixelSize;
    m_box->setUnitScale(m_unitScale);
    QFont fieldFont = font.referenceFont();
    if (pixelSize != PointFont::referencePixelSize)
        fieldFont.setPixelSize(pixelSize);
    if (edit->font() != fieldFont)
        edit->setFont(fieldFont);
    // One canvas pixel wide, like the caret of any other field.
    edit->setCursorWidth(std::max(int(std::lround(1 / m_unitScale)), 1));

    QTextDocument *document = edit->document();
    QTextOption option = document->defaultTextOption();
    option.setAlignment(qtAlignment(style.alignment));
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    document->setDocumentMargin(0);

    QColor ink = QApplication::palette().color(QPalette::Text);
    if (appearance) {
        if (const auto colour = WebAppearance::cssColor(appearance->color))
            ink = *colour;
    }
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, ink);
    palette.setColor(QPalette::Base, Qt::transparent);
    edit->setPalette(palette);

    // Template texts have a fixed line height. Only a block format holds it, and block
    // formats are undoable, so it is written only when it actually differs.
    m_textBox = textBoxGeometry(element);
    if (appearance) {
        // The field's font never goes below one pixel, and the lines follow the font
        // (in box units, so the height is the same at every zoom above that floor).
        const double lineHeight = m_textBox.lineHeight(canvasSize) / m_unitScale;
        bool differs = false;
        for (QTextBlock block = document->begin(); block.isValid() && !differs; block = block.next()) {
            const QTextBlockFormat format = block.blockFormat();
            differs = format.lineHeightType() != QTextBlockFormat::FixedHeight ||
                      std::abs(format.lineHeight() - lineHeight) > 1e-9;
        }
        if (differs && std::isfinite(lineHeight) && lineHeight > 0) {
            const QTextCursor kept = edit->textCursor();
            QTextCursor all(document);
            all.select(QTextCursor::Document);
            QTextBlockFormat format;
            format.setLineHeight(lineHeight, QTextBlockFormat::FixedHeight);
            all.mergeBlockFormat(format);
            edit->setTextCursor(kept);
        }
    }
}

void InlineTextEditor::placeText(const LabelElement &element)
{
    const QRectF paper = m_canvas->paperRect();
    const double s = m_canvas->scale();
    const double z = CanvasZoom::effective(m_canvas->store()->zoom());
    const QRectF elementRect(paper.left() + s * element.xMm, paper.top() + s * element.yMm, s * element.widthMm,
                             s * element.heightMm);
    const double rotation = element.rotationDegrees;
    if (!std::isfinite(elementRect.left()) || !std::isfinite(elementRect.top()) ||
        !std::isfinite(elementRect.width()) || !std::isfinite(elementRect.height()) || !std::isfinite(rotation)) {
        finish(false, false);
        return;
    }
    const QRectF area(elementRect.topLeft(),
                      QSizeF(std::max(elementRect.width(), minimumSide), std::max(elementRect.height(), minimumSide)));
    const QRectF boxRect = area.adjusted(-boxOutset, -boxOutset, boxOutset, boxOutset);

    // Where the renderer starts the text inside the element (template texts are inset).
    const TextBoxGeometry geometry = textBoxGeometry(element);
    const QPointF inset(geometry.insetX * z, geometry.insetY * z);
    const QSizeF textSize(std::max(elementRect.width() - 2 * inset.x(), 1.0),
                          std::max(elementRect.height() - 2 * inset.y(), 1.0));
    const QPointF textOrigin = elementRect.topLeft() + inset - boxRect.topLeft();

    // The box is laid out in its own units (canvas pixels / unitScale) and scaled onto the
    // canvas. Widgets have whole-unit sizes and margins; the fractions move the whole box
    // instead, so the text lands where the label draws it.
    const double u = m_unitScale;
    const int width = int(std::ceil(boxRect.width() / u));
    const int height = int(std::ceil(boxRect.height() / u));
    const int left = int(std::floor(textOrigin.x() / u));
    const int top = int(std::floor(textOrigin.y() / u));
    const int textWidth = std::max(int(std::lround(textSize.width() / u)), 1);
    const int textHeight = std::max(int(std::lround(textSize.height() / u)), 1);
    const QPointF fraction(textOrigin.x() - left * u, textOrigin.y() - top * u);
    m_boxOrigin = boxRect.topLeft() + fraction;

    InlineTextEdit *edit = textEdit();
    int shift = 0;
    if (m_textBox.verticalShare > 0) {
        const double used = edit->document()->size().height();
        shift = int(std::lround(m_textBox.verticalOffset(textHeight, used)));
    }
    m_margins = QMargins(left, top + shift, std::max(width - left - textWidth, 0),
                         std::max(height - top - textHeight - shift, 0));

    m_box->resize(width, height);
    // The field fills the box; its text area is the element's text area. A new margin
    // lays the text out again, which reports its size back here: only real changes go in.
    edit->setGeometry(0, 0, width, height);
    if (edit->textMargins() != m_margins && !m_placing) {
        m_placing = true;
        edit->setTextMargins(m_margins);
        m_placing = false;
    }

    m_proxy->setRotation(0);
    m_proxy->setScale(1);
    m_proxy->resize(width, height);
    // The box scales and turns about the element's centre, like the element. An item maps
    // p to pos + o + R * u * (p - o) for the origin o: with o the centre in box units and
    // pos the centre less o, the box's corner lands on m_boxOrigin when unturned.
    const QPointF centre = (elementRect.center() - m_boxOrigin) / u;
    m_proxy->setTransformOriginPoint(centre);
    m_proxy->setPos(elementRect.center() - centre);
    m_proxy->setScale(u);
    m_proxy->setRotation(rotation);

    // One canvas pixel around the box, for its antialiased outline.
    const QRectF local(-1 / u, -1 / u, width + 2 / u, height + 2 / u);
    const QRect viewRect = m_proxy->mapRectToScene(local).toAlignedRect().adjusted(-1, -1, 1, 1);
    m_view->setGeometry(viewRect);
    m_view->setSceneRect(QRectF(viewRect));
    QPolygonF outline = m_proxy->mapToScene(local);
    outline.translate(-QPointF(viewRect.topLeft()));
    m_view->setMask(QRegion(outline.toPolygon()));
}

QWidget *InlineTextEditor::keyboardWidget(QWidget *focusWidget)
{
    auto *view = qobject_cast<InlineEditorView *>(focusWidget);
    if (!view || !view->scene())
        return focusWidget;
    auto *proxy = dynamic_cast<QGraphicsProxyWidget *>(view->scene()->focusItem());
    if (!proxy || !proxy->widget())
        return focusWidget;
    QWidget *inner = proxy->widget()->focusWidget();
    return inner ? inner : proxy->widget();
}

QPointF InlineTextEditor::mapFromCanvas(QPointF canvasPoint) const
{
    return m_proxy ? m_proxy->mapFromScene(canvasPoint) : canvasPoint;
}

QPointF InlineTextEditor::mapToCanvas(QPointF boxPoint) const
{
    return m_proxy ? m_proxy->mapToScene(boxPoint) : boxPoint;
}

void InlineTextEditor::installMonitor()
{
    if (m_monitoring)
        return;
    qApp->installEventFilter(this);
    m_monitoring = true;
}

void InlineTextEditor::removeMonitor()
{
    if (!m_monitoring)
        return;
    qApp->removeEventFilter(this);
    m_monitoring = false;
}

bool InlineTextEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    if (m_finishing || !isOpen() || !m_canvas || !watched->isWidgetType())
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
        return false;
    // Presses inside the box's own widgets arrive in the box's hidden window: they are
    // not of the canvas's window and always pass.
    if (static_cast<QWidget *>(watched)->window() != m_canvas->window())
        return false;
    const QPointF local = mapFromCanvas(m_canvas->mapFromGlobal(mouse->globalPosition()));
    if (QRectF(QPointF(0, 0), QSizeF(m_box->size())).contains(local))
        return false;
    // A refused text keeps the editor, and the click that tried to leave it is lost.
    return !finish(true, true);
}

} // namespace kestrivane
