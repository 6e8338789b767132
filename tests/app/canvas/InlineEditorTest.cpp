#include "tests/app/canvas/InteractionFixture.h"

#include "app/canvas/CanvasGeometry.h"
#include "core/render/WebFonts.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QGraphicsProxyWidget>
#include <QImage>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextCursor>

using namespace kestrivane;
using namespace canvastest;

namespace {

constexpr double k = Units::pointsPerMillimetre;

class InlineEditorTest : public InteractionFixture {
protected:
    InlineTextEditor *editor() const { return canvas->inlineEditor(); }
    InlineTextEdit *field() const { return editor()->textEdit(); }

    // Opens the editor on the first element with a double click at its centre.
    void openEditor()
    {
        const LabelElement &e = element(0);
        doubleClick(at(e.xMm + e.widthMm / 2, e.yMm + e.heightMm / 2));
        ASSERT_TRUE(editor()->isOpen());
    }

    void type(const QString &keys) { QTest::keyClicks(QApplication::focusWidget(), keys); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void typeCharacter(QChar c)
    {
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    // Where the text area's top-left corner of the open field lies on the canvas.
    QPointF textOriginOnCanvas() const
    {
        const QPoint inBox = field()->viewport()->mapTo(editor()->box(), QPoint(0, 0));
        return editor()->mapToCanvas(QPointF(inBox));
    }
};

TEST_F(InlineEditorTest, DoubleClickOpensTheFieldWithTheCaretAtTheEndAndHidesTheLabelText)
{
    LabelElement bound = text(5, 30, 30, 8, QStringLiteral("bound"));
    bound.tableBinding = TableBinding{};
    open(label(80, 50, {text(5, 5, 40, 10, QStringLiteral("Hello")), bound, box(50, 5, 20, 20)}), 1.5);
    openEditor();
    EXPECT_EQ(field()->text(), QStringLiteral("Hello"));
    EXPECT_EQ(field()->textCursor().position(), 5);
    EXPECT_TRUE(editor()->hasFocus());
    // Menu commands reach the field, not the view that holds the focus for it.
    EXPECT_EQ(InlineTextEditor::keyboardWidget(QApplication::focusWidget()), field());
    EXPECT_EQ(canvas->editingElementID(), element(0).id);
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{element(0).id});

    // Text bound to a column and other kinds act as single clicks.
    key(Qt::Key_Escape);
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_FALSE(canvas->editingElementID());
    doubleClick(at(20, 34));
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{element(1).id});
    doubleClick(at(60, 15));
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{element(2).id});
}

TEST_F(InlineEditorTest, TextSitsOnTheElementsTextAtEveryZoomAndRotation)
{
    for (const double zoom : {1.0, 1.5, 2.5}) {
        for (const double rotation : {0.0, 30.0, 45.0, 90.0}) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << " rotation " << rotation);
            LabelElement plain = text(10, 8, 40, 12, QStringLiteral("Label"), rotation);
            open(label(80, 50, {plain}), zoom);
            openEditor();
            const QRectF paper = canvas->paperRect();
            const double s = zoom * k;
            const QRectF e(paper.left() + s * 10, paper.top() + s * 8, s * 40, s * 12);
            const QPointF expected = turned(e.topLeft(), e.center(), rotation);
            const QPointF origin = textOriginOnCanvas();
            EXPECT_NEAR(origin.x(), expected.x(), 0.01);
            EXPECT_NEAR(origin.y(), expected.y(), 0.01);
            EXPECT_NEAR(editor()->proxy()->rotation(), rotation, 1e-9);
            // The text area is the element's width, so lines wrap where the label's do.
            EXPECT_NEAR(field()->viewport()->width() * editor()->unitScale(), s * 40, editor()->unitScale());
            // The renderer's font, scaled to the canvas.
            EXPECT_EQ(field()->font(), WebFonts::elementFont(QString(), 12, false).referenceFont());
            EXPECT_NEAR(field()->font().pixelSize() * editor()->unitScale(), 12 * zoom, 1e-9);
        }
    }
}

// The bounds of the dark grey pixels of `image` inside `area` and outside `skipped`: text
// ink, not the box's blue outline or the light paper.
QRect inkBounds(const QImage &image, const QRect &area, const QRect &skipped = {})
{
    QRect bounds;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::max({c.red(), c.green(), c.blue()}) < 170 && c.blue() - c.red() < 40 && !skipped.contains(x, y))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

TEST_F(InlineEditorTest, FieldTextCoversTheLabelsTextAtFractionalPixelSizes)
{
    // A field font rounded to whole pixels shows 10.5 points at zoom 1 as 11 pixels and
    // 7 points at zoom 0.37 as 3 pixels instead of 2.59: 5 and 16 % too wide.
    // Capitals only, so the ink ends on the baseline; the trailing space keeps the caret
    // clear of the last letter.
    const QString line = QStringLiteral("HIEXNLTHIEXNLTHIEXNLT HIEXNLTHIEXNLT ");
    for (const auto &[zoom, sizePt] : {std::pair{1.0, 10.5}, {0.37, 7.0}, {2.5, 9.3}}) {
        SCOPED_TRACE(testing::Message() << "zoom " << zoom << " size " << sizePt);
        LabelElement plain = text(5, 6, 150, 12, line);
        plain.fontSizePt = sizePt;
        open(label(170, 30, {plain}), zoom);
        const QRectF paper = canvas->paperRect();
        const double s = zoom * k;
        const QRect area = QRectF(paper.left() + s * 5, paper.top() + s * 6, s * 150, s * 12).toAlignedRect();
        const QImage drawn = canvas->grab().toImage();
        openEditor();
        const QImage edited = canvas->grab().toImage();
        const QRect caret = field()->cursorRect();
        const QPointF caretTop =
            editor()->mapToCanvas(QPointF(field()->viewport()->mapTo(editor()->box(), caret.topLeft())));
        const QRect skipped(caretTop.toPoint() - QPoint(1, 1), QSize(3, area.height()));
        drawn.save(testsupport::outputPath(QStringLiteral("inline_editor_label_%1.png").arg(zoom)));
        edited.save(testsupport::outputPath(QStringLiteral("inline_editor_field_%1.png").arg(zoom)));

        const QRect labelInk = inkBounds(drawn, area);
        const QRect fieldInk = inkBounds(edited, area, skipped);
        ASSERT_FALSE(labelInk.isEmpty());
        ASSERT_FALSE(fieldInk.isEmpty());
        EXPECT_NEAR(fieldInk.width(), labelInk.width(), 0.01 * labelInk.width());
        EXPECT_NEAR(fieldInk.left(), labelInk.left(), 1);
        // Capitals end on the first baseline.
        EXPECT_NEAR(fieldInk.bottom(), labelInk.bottom(), 1);
        EXPECT_NEAR(fieldInk.top(), labelInk.top(), 1);
        EXPECT_NEAR(field()->font().pixelSize() * editor()->unitScale(), sizePt * zoom, 1e-9);
    }

    // Turned, the text area's corners lie on the element's corners.
    open(label(80, 50, {text(10, 8, 40, 12, QStringLiteral("Turned"), 30)}), 1.3);
    canvas->grab().save(testsupport::outputPath(QStringLiteral("inline_editor_label_turned.png")));
    openEditor();
    canvas->grab().save(testsupport::outputPath(QStringLiteral("inline_editor_field_turned.png")));
    const QRectF paper = canvas->paperRect();
    const double s = 1.3 * k;
    const QRectF e(paper.left() + s * 10, paper.top() + s * 8, s * 40, s * 12);
    const QRectF textArea(field()->viewport()->mapTo(editor()->box(), QPoint(0, 0)), field()->viewport()->size());
    const std::pair<QPointF, QPointF> corners[] = {{textArea.topLeft(), e.topLeft()},
                                                   {textArea.topRight(), e.topRight()},
                                                   {textArea.bottomLeft(), e.bottomLeft()},
                                                   {textArea.bottomRight(), e.bottomRight()}};
    for (const auto &[inBox, expected] : corners) {
        const QPointF onCanvas = editor()->mapToCanvas(inBox);
        const QPointF want = turned(expected, e.center(), 30);
        EXPECT_NEAR(onCanvas.x(), want.x(), 0.05);
        EXPECT_NEAR(onCanvas.y(), want.y(), 0.05);
    }
    // The box outline lies just outside the element all round.
    const QPointF boxCorner = editor()->mapFromCanvas(turned(e.topLeft(), e.center(), 30));
    EXPECT_NEAR(boxCorner.x() * editor()->unitScale(), InlineTextEditor::boxOutset, 1);
    EXPECT_NEAR(boxCorner.y() * editor()->unitScale(), InlineTextEditor::boxOutset, 1);
    key(Qt::Key_Escape);

    // Tiny text in a huge element keeps the box within what widgets and glyph positions
    // can hold, and the text area still covers the element.
    LabelElement wide = text(5, 6, 1990, 12, QStringLiteral("x"));
    wide.fontSizePt = 0.125;
    open(label(2000, 30, {wide}), CanvasZoom::maximum);
    doubleClick(at(20, 12));
    ASSERT_TRUE(editor()->isOpen());
    EXPECT_LE(editor()->box()->width(), 1 << 20);
    EXPECT_NEAR(field()->viewport()->width() * editor()->unitScale(), CanvasZoom::maximum * k * 1990,
                editor()->unitScale());
    EXPECT_NEAR(field()->font().pixelSize() * editor()->unitScale(), 1, 1e-9);
}

TEST_F(InlineEditorTest, TemplateTextIsInsetLikeTheRendererAndTinyBoxesGetTheMinimumSide)
{
    LabelElement web = text(10, 8, 40, 12, QStringLiteral("Web"), 45);
    web.webAppearance = WebAppearance();
    open(label(80, 50, {web, text(60, 30, 2, 1, QStringLiteral("x"))}), 2);
    openEditor();
    const QRectF paper = canvas->paperRect();
    const double s = 2 * k;
    const QRectF e(paper.left() + s * 10, paper.top() + s * 8, s * 40, s * 12);
    const QPointF expected = turned(e.topLeft() + QPointF(1.5 * 2, 0.75 * 2), e.center(), 45);
    EXPECT_NEAR(textOriginOnCanvas().x(), expected.x(), 0.01);
    EXPECT_NEAR(textOriginOnCanvas().y(), expected.y(), 0.01);
    key(Qt::Key_Escape);

    // Text placed in the middle of its box moves up as lines are added.
    store->apply([](LabelDocument &document) { document.elements[0].webAppearance->vertical = "middle"; });
    openEditor();
    const int oneLine = field()->viewport()->y();
    EXPECT_GT(oneLine, 2 + 3);
    key(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("more"));
    EXPECT_LT(field()->viewport()->y(), oneLine);
    key(Qt::Key_Escape);

    // 2 x 1 mm at zoom 1 is below 8 points each way: an 8 x 8 area plus 2 points around.
    store->setZoom(1);
    canvas->refresh();
    doubleClick(at(61, 30.5));
    ASSERT_TRUE(editor()->isOpen());
    EXPECT_NEAR(editor()->box()->width() * editor()->unitScale(), 12, editor()->unitScale());
    EXPECT_NEAR(editor()->box()->height() * editor()->unitScale(), 12, editor()->unitScale());
}

TEST_F(InlineEditorTest, TemplateLinesNeverGetCloserThanTheSmallestFieldFont)
{
    // 2 points at the smallest zoom would be 0.4 pixels: the font stops at one, and the
    // fixed line height must follow it or the lines would be drawn over each other.
    LabelElement web = text(10, 8, 40, 12, QStringLiteral("a\nb"));
    web.fontSizePt = 2;
    web.webAppearance = WebAppearance();
    open(label(80, 50, {web}), CanvasZoom::minimum);
    openEditor();
    const double unit = editor()->unitScale();
    EXPECT_NEAR(field()->font().pixelSize() * unit, 1, 1e-9);
    int blocks = 0;
    for (QTextBlock block = field()->document()->begin(); block.isValid(); block = block.next(), ++blocks) {
        EXPECT_EQ(block.blockFormat().lineHeightType(), QTextBlockFormat::FixedHeight);
        EXPECT_NEAR(block.blockFormat().lineHeight() * unit, web.webAppearance->lineHeight * 1.0, 1e-9);
    }
    EXPECT_EQ(blocks, 2);
}

TEST_F(InlineEditorTest, ZoomingWhileEditingRestylesWithoutLosingTextOrSelection)
{
    open(label(80, 50, {text(10, 8, 40, 12, QStringLiteral("Hello"))}), 1);
    openEditor();
    type(QStringLiteral(" you"));
    QTextCursor cursor = field()->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    field()->setTextCursor(cursor);
    store->setZoom(2);
    canvas->refresh();
    ASSERT_TRUE(editor()->isOpen());
    EXPECT_EQ(field()->text(), QStringLiteral("Hello you"));
    EXPECT_EQ(field()->textCursor().selectionStart(), 1);
    EXPECT_EQ(field()->textCursor().selectionEnd(), 4);
    EXPECT_NEAR(field()->font().pixelSize() * editor()->unitScale(), 24, 1e-9);
    EXPECT_NEAR(field()->viewport()->width() * editor()->unitScale(), 2 * k * 40, editor()->unitScale());
    // Restyling is no step of the field's own undo.
    field()->undo();
    EXPECT_EQ(field()->text(), QStringLiteral("Hello"));
}

TEST_F(InlineEditorTest, ReturnCommitsShiftOrAltReturnBreakTheLineEscapeCancels)
{
    open(label(80, 50, {text(10, 8, 40, 12, QStringLiteral("One"))}), 1.5);
    const auto undoDepth = store->undoStack().size();
    openEditor();
    key(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("Two"));
    key(Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
    type(QStringLiteral("Three"));
    EXPECT_TRUE(editor()->isOpen());
    key(Qt::Key_Return);
    EXPECT_FALSE(editor()->isOpen());
    // Line breaks are "\n", never the line separator QTextEdit puts in for Shift+Return.
    EXPECT_EQ(element(0).content, QStringLiteral("One\nTwo\nThree"));
    EXPECT_EQ(store->undoStack().size(), undoDepth + 1);
    EXPECT_TRUE(canvas->hasFocus());

    openEditor();
    type(QStringLiteral("lost"));
    key(Qt::Key_Escape);
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_EQ(element(0).content, QStringLiteral("One\nTwo\nThree"));
    EXPECT_EQ(store->undoStack().size(), undoDepth + 1);
}

TEST_F(InlineEditorTest, NoBreakSpacesLineSeparatorsAndUntouchedLineEndingsStayAsTheyAre)
{
    const QString stored = QStringLiteral("a\r\nb") + QChar(0x2028) + QStringLiteral("c");
    open(label(80, 50, {text(10, 8, 40, 12, stored)}), 1);
    const auto undoDepth = store->undoStack().size();
    openEditor();
    key(Qt::Key_Return);
    EXPECT_EQ(element(0).content, stored);
    EXPECT_EQ(store->undoStack().size(), undoDepth);

    openEditor();
    typeCharacter(QChar(0x00A0));
    typeCharacter(QChar(0x2028));
    type(QStringLiteral("d"));
    key(Qt::Key_Return);
    EXPECT_EQ(element(0).content,
              QStringLiteral("a\nb") + QChar(0x2028) + QStringLiteral("c") + QChar(0x00A0) + QChar(0x2028) + "d");
}

TEST_F(InlineEditorTest, TypingPastingAndInputMethodsStopAtTheCharacterLimit)
{
    const QString full(InlineTextEdit::maximumCharacters - 1, QChar(u'x'));
    open(label(80, 50, {text(10, 8, 40, 12, full)}), 1);
    openEditor();
    QSignalSpy refused(field(), &InlineTextEdit::changeRefused);
    type(QStringLiteral("y"));
    EXPECT_EQ(field()->text().size(), InlineTextEdit::maximumCharacters);
    EXPECT_EQ(refused.count(), 0);
    type(QStringLiteral("z"));
    key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(refused.count(), 2);
    EXPECT_EQ(field()->text(), full + "y");

    QGuiApplication::clipboard()->setText(QStringLiteral("pq"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(refused.count(), 3);
    EXPECT_EQ(field()->text(), full + "y");

    // Keys the field inserts although their first unit is not printable on its own: a
    // character beyond the basic plane, a zero-width space, and AltGr text with Ctrl+Alt.
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString::fromUcs4(U"\U0001F600"),
                        Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(QChar(0x200B)),
                        Qt::ControlModifier);
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QStringLiteral("@"),
                        Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(refused.count(), 6);
    EXPECT_EQ(field()->text(), full + "y");

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("w"));
    QApplication::sendEvent(field(), &commit);
    EXPECT_EQ(refused.count(), 7);
    EXPECT_EQ(field()->text(), full + "y");

    // Replacing a selection only grows the text by the difference.
    QTextCursor cursor = field()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    field()->setTextCursor(cursor);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(refused.count(), 7);
    EXPECT_EQ(field()->text().left(3), QStringLiteral("pqx"));
    QInputMethodEvent accepted;
    accepted.setCommitString(QStringLiteral("\u00e9"));
    cursor = field()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(1, QTextCursor::KeepAnchor);
    field()->setTextCursor(cursor);
    QApplication::sendEvent(field(), &accepted);
    EXPECT_EQ(field()->text().left(2), QStringLiteral("\u00e9q"));
    EXPECT_EQ(refused.count(), 7);
    // An input method may replace the selection and a range after it at once: the text
    // loses both before the commit goes in, so this one still fits.
    QInputMethodEvent both;
    both.setCommitString(QStringLiteral("abc"), 0, 1);
    cursor = field()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    field()->setTextCursor(cursor);
    QApplication::sendEvent(field(), &both);
    EXPECT_EQ(refused.count(), 7);
    EXPECT_EQ(field()->text().size(), InlineTextEdit::maximumCharacters);
    EXPECT_EQ(field()->text().left(4), QStringLiteral("abcx"));
}

TEST_F(InlineEditorTest, ClickOutsideCommitsAndAClickInsideStaysInTheField)
{
    open(label(80, 50, {text(10, 8, 40, 12, QStringLiteral("Hello"), 30), box(55, 30, 15, 10)}), 1.5);
    openEditor();
    // Inside the turned box, in the view that shows it: the caret moves, nothing closes.
    const QPointF boxCentre = editor()->mapToCanvas(QRectF(editor()->box()->rect()).center());
    const QPoint inView = editor()->view()->mapFrom(canvas, boxCentre.toPoint());
    QTest::mouseClick(editor()->view()->viewport(), Qt::LeftButton, {}, inView);
    EXPECT_TRUE(editor()->isOpen());
    type(QStringLiteral("!"));

    // A click on another element commits first, then selects it.
    click(at(60, 35));
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_TRUE(element(0).content.contains(u'!'));
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{element(1).id});
}

TEST_F(InlineEditorTest, ContextMenuKeepsItsSizeAndTheFieldStaysOpen)
{
    // The box is scaled onto the canvas; its context menu must not be.
    open(label(80, 50, {text(10, 8, 40, 12, QStringLiteral("Hello"), 30)}), 1);
    openEditor();
    const QPoint inBox = field()->viewport()->mapTo(editor()->box(), QPoint(10, 10));
    QWidget *shown = editor()->view()->viewport();
    const QPoint pointer = shown->mapFrom(canvas, editor()->mapToCanvas(QPointF(inBox)).toPoint());
    QContextMenuEvent request(QContextMenuEvent::Mouse, pointer, shown->mapToGlobal(pointer));
    QApplication::sendEvent(shown, &request);
    QMenu *menu = field()->findChild<QMenu *>();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->graphicsProxyWidget(), nullptr);
    EXPECT_EQ(menu->size(), menu->sizeHint());
    // At the pointer on the screen.
    EXPECT_LE((menu->geometry().topLeft() - shown->mapToGlobal(pointer)).manhattanLength(), 2);
    menu->close();
    EXPECT_TRUE(editor()->isOpen());
    // The offscreen platform leaves no window active after a popup; a desktop returns to
    // the canvas's window, where the field has the focus again.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_TRUE(editor()->hasFocus());
}

TEST_F(InlineEditorTest, RefusedTextBeepsKeepsTheFieldAndSwallowsTheClick)
{
    LabelElement web = text(10, 30, 40, 10, QStringLiteral("Web"));
    web.webAppearance = WebAppearance();
    open(label(80, 50, {text(10, 8, 40, 12, QStringLiteral("Hi")), box(55, 30, 15, 10), web}), 1.5);
    openEditor();
    QSignalSpy refused(editor(), &InlineTextEditor::commitRefused);
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    key(Qt::Key_Return);
    EXPECT_EQ(refused.count(), 1);
    EXPECT_TRUE(editor()->isOpen());
    EXPECT_TRUE(editor()->hasFocus());

    click(at(60, 35));
    QCoreApplication::processEvents();
    EXPECT_EQ(refused.count(), 2);
    EXPECT_TRUE(editor()->isOpen());
    EXPECT_TRUE(editor()->hasFocus());
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{element(0).id});
    EXPECT_EQ(element(0).content, QStringLiteral("Hi"));
    key(Qt::Key_Escape);

    // A template text may be emptied.
    doubleClick(at(30, 35));
    ASSERT_TRUE(editor()->isOpen());
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Backspace);
    key(Qt::Key_Return);
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_EQ(element(2).content, QString());
}

TEST_F(InlineEditorTest, UndoInsideTheFieldUndoesTypingAndTheDocumentUndoDoesNotFire)
{
    open(label(80, 50, {text(10, 8, 40, 12, QStringLiteral("Hello"))}), 1);
    // The menu's document undo, as a window shortcut.
    QAction documentUndo(window.get());
    documentUndo.setShortcut(QKeySequence::Undo);
    window->addAction(&documentUndo);
    QSignalSpy fired(&documentUndo, &QAction::triggered);
    QObject::connect(&documentUndo, &QAction::triggered, store.get(), [this] { store->undo(); });
    store->apply([](LabelDocument &document) { document.elements[0].xMm = 12; });

    openEditor();
    type(QStringLiteral(" world"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field()->text(), QStringLiteral("Hello"));
    EXPECT_EQ(fired.count(), 0);
    EXPECT_EQ(element(0).xMm, 12);
    key(Qt::Key_Return);

    // Back on the canvas the shortcut reaches the document again.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(fired.count(), 1);
    EXPECT_EQ(element(0).xMm, 10);
}

TEST_F(InlineEditorTest, ClosesWithoutCommitWhenTheElementGoesAndCommitsWhenTheCanvasIsHidden)
{
    open(label(80, 50, {text(10, 8, 40, 12, QStringLiteral("Hello"))}), 1);
    openEditor();
    type(QStringLiteral("X"));
    store->apply([](LabelDocument &document) { document.elements[0].tableBinding = TableBinding{}; });
    canvas->updateInlineEditorFrame();
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_EQ(element(0).content, QStringLiteral("Hello"));

    store->undo();
    openEditor();
    type(QStringLiteral("X"));
    canvas->hide();
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_EQ(element(0).content, QStringLiteral("HelloX"));

    // A refused text is dropped when the canvas goes.
    canvas->show();
    openEditor();
    QTextCursor all = field()->textCursor();
    all.select(QTextCursor::Document);
    all.removeSelectedText();
    canvas->hide();
    EXPECT_FALSE(editor()->isOpen());
    EXPECT_EQ(element(0).content, QStringLiteral("HelloX"));
}

} // namespace
