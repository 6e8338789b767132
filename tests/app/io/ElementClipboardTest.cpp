#include "tests/app/io/IoTestSupport.h"

#include "app/io/ElementClipboard.h"
#include "core/document/DocumentJson.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrivane;
using editortest::StoreEnvironment;
using iotest::answeredBy;
using iotest::ScriptedDialogs;

namespace {

LabelElement textElement(const QString &content, double x, double y, double w = 10, double h = 5)
{
    return LabelElement(QUuid::createUuid(), ElementKind::text, content, x, y, w, h, 12);
}

LabelDocument documentWith(QList<LabelElement> elements, double w = 100, double h = 50)
{
    return LabelDocument(QStringLiteral("Doc"), w, h, std::move(elements));
}

class ElementClipboardTest : public ::testing::Test {
protected:
    StoreEnvironment env;
    ScriptedDialogs dialogs;
};

} // namespace

// Two tabs of one program share the application clipboard: the copy carries only the
// private format, and the paste is one selected, undoable insertion of fresh elements.
TEST_F(ElementClipboardTest, CopiesIntoAnotherStoreThroughTheApplicationClipboard)
{
    const LabelElement first = textElement(QStringLiteral("one"), 10, 10);
    const LabelElement second = textElement(QStringLiteral("two/three"), 30, 20);
    auto source = env.makeStore(documentWith({first, second}));
    auto target = env.makeStore(documentWith({textElement(QStringLiteral("kept"), 0, 0)}));
    source->setSelectedIDs({second.id});

    QtEditorDialogs application;
    ASSERT_TRUE(answeredBy(*source, application).copySelection());
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(), QStringList{EditorStore::pasteboardType});
    EXPECT_FALSE(data->hasText());
    const QByteArray bytes = data->data(EditorStore::pasteboardType);
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_TRUE(bytes.contains(R"(two\/three)")) << bytes.constData();

    answeredBy(*target, application).paste();
    ASSERT_EQ(target->document().elements.size(), 2);
    const LabelElement pasted = target->document().elements.last();
    EXPECT_NE(pasted.id, second.id);
    EXPECT_EQ(pasted.content, QStringLiteral("two/three"));
    EXPECT_GT(pasted.xMm, second.xMm);
    EXPECT_LE(pasted.xMm, second.xMm + 2 + 1e-9);
    EXPECT_GT(pasted.yMm, second.yMm);
    EXPECT_LE(pasted.yMm, second.yMm + 2 + 1e-9);
    EXPECT_EQ(target->selectedIDs(), QSet<QUuid>{pasted.id});
    EXPECT_EQ(target->undoStack().size(), 1);
    EXPECT_FALSE(target->statusKey().has_value());

    // Pasting leaves the clipboard as it was: a second paste lands on the same place.
    answeredBy(*target, application).paste();
    ASSERT_EQ(target->document().elements.size(), 3);
    EXPECT_EQ(target->document().elements[2].xMm, pasted.xMm);
    EXPECT_NE(target->document().elements[2].id, pasted.id);

    target->undo();
    target->undo();
    EXPECT_EQ(target->document().elements.size(), 1);
    // The source is not changed by copying.
    EXPECT_EQ(source->document().elements.size(), 2);
    EXPECT_TRUE(source->undoStack().isEmpty());
}

// The copy is what the canvas shows: a bound element carries the preview row's text and no
// binding, and elements keep their drawing order whatever the order of selection.
TEST_F(ElementClipboardTest, CopiesTheDocumentAsDrawnInDrawingOrder)
{
    LabelElement bound = textElement(QStringLiteral("placeholder"), 5, 5);
    bound.tableBinding = TableBinding(1, QStringLiteral("<"), QStringLiteral(">"));
    const LabelElement top = textElement(QStringLiteral("top"), 40, 5);
    LabelDocument document = documentWith({bound, top});
    LabelTable table;
    table.sourceName = QStringLiteral("t.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("A"), QStringLiteral("B")};
    table.rows = {{QStringLiteral("a0"), QStringLiteral("b0")}, {QStringLiteral("a1"), QStringLiteral("b1")}};
    document.table = table;
    auto store = env.makeStore(document);
    store->setPreviewRow(1);
    store->setSelectedIDs({top.id, bound.id});

    ASSERT_TRUE(answeredBy(*store, dialogs).copySelection());
    const auto copied = ElementClipboard::decode(dialogs.clipboard->data(EditorStore::pasteboardType));
    ASSERT_TRUE(copied.has_value());
    ASSERT_EQ(copied->size(), 2);
    EXPECT_EQ((*copied)[0].id, bound.id);
    EXPECT_EQ((*copied)[0].content, QStringLiteral("<b1>"));
    EXPECT_FALSE((*copied)[0].tableBinding.has_value());
    EXPECT_EQ((*copied)[1].content, QStringLiteral("top"));
}

// A copy that writes nothing leaves the clipboard alone, and a cut then deletes nothing:
// otherwise the elements would be gone with nothing to paste them back from.
TEST_F(ElementClipboardTest, CutDeletesOnlyWhatWasCopied)
{
    const LabelElement kept = textElement(QStringLiteral("kept"), 10, 10);
    // A text left empty is not drawn, so there is nothing of it to copy.
    const LabelElement empty = textElement(QString(), 20, 20);
    LabelElement broken = textElement(QStringLiteral("nan"), 30, 30);
    broken.widthMm = std::nan("");
    auto store = env.makeStore(documentWith({kept, empty, broken}));
    dialogs.putOnClipboard(EditorStore::pasteboardType, QByteArrayLiteral("[]"));

    EXPECT_FALSE(answeredBy(*store, dialogs).copySelection()); // nothing selected
    for (const QUuid &id : {empty.id, broken.id}) {
        store->setSelectedIDs({id});
        EXPECT_FALSE(answeredBy(*store, dialogs).cut());
        EXPECT_EQ(store->document().elements.size(), 3);
        EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{id});
    }
    EXPECT_EQ(dialogs.clipboardWrites, 0);
    EXPECT_EQ(dialogs.clipboard->data(EditorStore::pasteboardType), QByteArrayLiteral("[]"));
    EXPECT_TRUE(store->undoStack().isEmpty());

    store->setSelectedIDs({kept.id});
    EXPECT_TRUE(answeredBy(*store, dialogs).cut());
    EXPECT_EQ(store->document().elements.size(), 2);
    EXPECT_TRUE(store->selectedIDs().isEmpty());
    EXPECT_EQ(store->undoStack().size(), 1);
    auto other = env.makeStore(documentWith({}));
    answeredBy(*other, dialogs).paste();
    ASSERT_EQ(other->document().elements.size(), 1);
    EXPECT_EQ(other->document().elements.last().content, QStringLiteral("kept"));
}

// Clipboard data that is missing, foreign, too long or not a list of elements is refused
// with one status and changes nothing; an empty list changes nothing and says nothing.
TEST_F(ElementClipboardTest, PasteRefusesDataItCannotRead)
{
    auto store = env.makeStore(documentWith({textElement(QStringLiteral("a"), 1, 1)}));
    const LabelDocument before = store->document();
    const QByteArray element = QJsonDocument(toJson(textElement(QStringLiteral("b"), 2, 2))).toJson();
    QJsonObject missingKind = toJson(textElement(QStringLiteral("c"), 2, 2));
    missingKind.remove(QStringLiteral("kind"));

    const auto refused = [&](const char *what) {
        store->setStatusKey(std::nullopt);
        answeredBy(*store, dialogs).paste();
        EXPECT_EQ(store->statusKey(), std::optional<QString>(QStringLiteral("mac.error_content"))) << what;
        EXPECT_EQ(store->document(), before) << what;
    };
    dialogs.clipboard.reset();
    refused("empty clipboard");
    dialogs.putOnClipboard(QStringLiteral("text/plain"), "[" + element + "]");
    refused("another format");
    dialogs.putOnClipboard(EditorStore::pasteboardType, "[" + element);
    refused("cut-off JSON");
    dialogs.putOnClipboard(EditorStore::pasteboardType, element);
    refused("an object instead of a list");
    dialogs.putOnClipboard(EditorStore::pasteboardType,
                           "[" + QJsonDocument(missingKind).toJson(QJsonDocument::Compact) + "]");
    refused("an element without its kind");

    store->setStatusKey(std::nullopt);
    dialogs.putOnClipboard(EditorStore::pasteboardType, QByteArrayLiteral("[]"));
    answeredBy(*store, dialogs).paste();
    EXPECT_FALSE(store->statusKey().has_value());
    EXPECT_EQ(store->document(), before);
    EXPECT_TRUE(store->undoStack().isEmpty());
}

// The reader takes exactly up to 10 MiB: whitespace fills a valid list to the limit.
TEST_F(ElementClipboardTest, PasteReadsAtMostTenMebibytes)
{
    auto store = env.makeStore(documentWith({}));
    const QByteArray element = ElementClipboard::encode({textElement(QStringLiteral("big"), 2, 2)});
    QByteArray atLimit = element.chopped(1);
    atLimit.append(QByteArray(ElementClipboard::maximumBytes - atLimit.size() - 1, ' '));
    atLimit.append(']');
    ASSERT_EQ(atLimit.size(), 10485760);

    dialogs.putOnClipboard(EditorStore::pasteboardType, atLimit);
    answeredBy(*store, dialogs).paste();
    EXPECT_EQ(store->document().elements.size(), 1);
    EXPECT_FALSE(store->statusKey().has_value());

    dialogs.putOnClipboard(EditorStore::pasteboardType, atLimit + ' ');
    answeredBy(*store, dialogs).paste();
    EXPECT_EQ(store->document().elements.size(), 1);
    EXPECT_EQ(store->statusKey(), std::optional<QString>(QStringLiteral("mac.error_content")));
}

// Pasted elements pass the document's checks like any insertion: one that would break a
// limit is refused with the check's own status.
TEST_F(ElementClipboardTest, PasteOfElementsTheDocumentRefusesKeepsTheDocument)
{
    auto store = env.makeStore(documentWith({}));
    LabelElement tooLong = textElement(QString(5000, QLatin1Char('x')), 2, 2);
    dialogs.putOnClipboard(EditorStore::pasteboardType, ElementClipboard::encode({tooLong}));
    answeredBy(*store, dialogs).paste();
    EXPECT_TRUE(store->document().elements.isEmpty());
    ASSERT_TRUE(store->statusKey().has_value());
    EXPECT_NE(*store->statusKey(), QString());
    EXPECT_TRUE(store->undoStack().isEmpty());
}
