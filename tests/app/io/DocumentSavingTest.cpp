#include "tests/app/io/IoTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/common/WorkspaceIssue.h"
#include "app/io/DocumentSaving.h"
#include "app/io/PrintHandoff.h"
#include "core/common/TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrivane;
using editortest::StoreEnvironment;
using iotest::answeredBy;
using iotest::ScriptedDialogs;

namespace {

LabelDocument namedDocument(const QString &name)
{
    return LabelDocument(name, 60, 40,
                         {LabelElement(QUuid::createUuid(), ElementKind::text, QStringLiteral("T"), 5, 5, 20, 8, 12)});
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DocumentSavingTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return env.dir.filePath(name); }
    QString text(const char *key) { return env.localization.text(QString::fromLatin1(key)); }

    StoreEnvironment env;
    ScriptedDialogs dialogs;
};

} // namespace

// A new document always asks for a file; the proposed name cannot leave the folder, and a
// name typed without the extension still writes a document file.
TEST_F(DocumentSavingTest, NewDocumentAsksForAFileAndBecomesClean)
{
    auto store = env.makeStore(namedDocument(QStringLiteral("A/B:C\tD")), true);
    EXPECT_TRUE(store->dirty());
    dialogs.saveAnswer = path(QStringLiteral("label"));

    ASSERT_TRUE(answeredBy(*store, dialogs).save(false));
    ASSERT_EQ(dialogs.saveRequests.size(), 1);
    const EditorDialogs::SaveRequest &request = dialogs.saveRequests.first();
    EXPECT_EQ(request.suggestedName, QStringLiteral("A-B-C-D.ksv"));
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("ksv"));
    EXPECT_EQ(request.nameFilter, QStringLiteral("*.ksv"));
    EXPECT_EQ(request.title, text("btn_save"));
    EXPECT_EQ(request.acceptLabel, text("btn_save"));

    const QString written = path(QStringLiteral("label.ksv"));
    EXPECT_EQ(store->fileURL(), std::optional<QString>(written));
    EXPECT_EQ(LabelDocument::load(written), store->document());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("label"))));
    EXPECT_FALSE(store->dirty());
    EXPECT_EQ(store->statusKey(), std::optional<QString>(QStringLiteral("mac.saved")));
    EXPECT_TRUE(env.alerts->alerts.isEmpty());

    store->apply([](LabelDocument &d) { d.name = QStringLiteral("changed"); });
    EXPECT_TRUE(store->dirty());
    // Save now writes in place without asking.
    ASSERT_TRUE(answeredBy(*store, dialogs).save(false));
    EXPECT_EQ(dialogs.saveRequests.size(), 1);
    EXPECT_EQ(LabelDocument::load(written).name, QStringLiteral("changed"));
}

// The longest names the character limit allows are proposed shortened to the longest start
// of whole characters that fits a Linux file name with its extension; names that fit are
// proposed whole.
TEST(ProposedFileNames, FitTheFileNameLimitBetweenWholeCharacters)
{
    const auto longest = [](const QString &word) { return text::leadingGraphemes(word.repeated(256), 256); };
    const QString names[] = {QStringLiteral("Shelf labels: jam/honey"), longest(QStringLiteral(u"မြန်မာ")),
                             longest(QStringLiteral(u"Этикетка")), longest(QStringLiteral(u"🇫🇷🇩🇪"))};
    for (const QString &name : names) {
        const QString cleaned = DocumentSaving::cleanedFileName(name);
        const std::pair<QString, QString> proposals[] = {
            {DocumentSaving::suggestedFileName(name, std::nullopt), QStringLiteral(".ksv")},
            {PrintHandoff::suggestedPdfName(name), QStringLiteral(".pdf")}};
        for (const auto &[proposed, suffix] : proposals) {
            SCOPED_TRACE((name.left(8) + suffix).toStdString());
            ASSERT_TRUE(proposed.endsWith(suffix));
            EXPECT_LE(QFile::encodeName(proposed).size(), 255);
            const QString kept = proposed.chopped(suffix.size());
            const qsizetype characters = text::graphemeCount(kept);
            EXPECT_EQ(text::leadingGraphemes(cleaned, characters), kept) << "a start of whole characters";
            if (kept.size() < cleaned.size())
                EXPECT_GT(QFile::encodeName(text::leadingGraphemes(cleaned, characters + 1) + suffix).size(), 255);
            else
                EXPECT_EQ(kept, cleaned);
        }
    }
}

TEST_F(DocumentSavingTest, ProposedNamesFollowTheFileOrTheDocument)
{
    auto shelf = env.makeStore(namedDocument(QStringLiteral("Shelf.KSV")), true);
    EXPECT_EQ(DocumentSaving::suggestedFileName(shelf->document().name, shelf->fileURL()), QStringLiteral("Shelf.KSV"));

    // A file of another extension is replaced by a document file of the same name, and
    // Save As of a document file proposes its own name again, in its own folder.
    const QString json = path(QStringLiteral("stock.v2.json"));
    auto other = env.makeStore(namedDocument(QStringLiteral("Name")), false, json);
    dialogs.saveAnswer = std::nullopt;
    EXPECT_FALSE(answeredBy(*other, dialogs).save(false));
    ASSERT_EQ(dialogs.saveRequests.size(), 1);
    EXPECT_EQ(dialogs.saveRequests[0].suggestedName, QStringLiteral("stock.v2.ksv"));
    EXPECT_EQ(QDir(dialogs.saveRequests[0].directory), QDir(env.dir.path()));

    const QString x = path(QStringLiteral("x.ksv"));
    auto opened = env.makeStore(namedDocument(QStringLiteral("Name")), false, x);
    EXPECT_FALSE(answeredBy(*opened, dialogs).save(true));
    ASSERT_EQ(dialogs.saveRequests.size(), 2);
    EXPECT_EQ(dialogs.saveRequests[1].suggestedName, QStringLiteral("x.ksv"));
    // Cancelling wrote nothing and left the store as it was.
    EXPECT_FALSE(QFileInfo::exists(x));
    EXPECT_EQ(opened->fileURL(), std::optional<QString>(x));
    EXPECT_FALSE(opened->statusKey().has_value());
}

// Save As follows the new file: the tab's file changes, the old file stays as it was.
TEST_F(DocumentSavingTest, SaveAsMovesTheDocumentToTheNewFile)
{
    const QString first = path(QStringLiteral("first.ksv"));
    auto store = env.makeStore(namedDocument(QStringLiteral("Doc")), true);
    store->saveTo(first);
    const QByteArray firstBytes = contents(first);
    store->apply([](LabelDocument &d) { d.widthMm = 70; });

    // A name with a dot and no document extension is kept whole.
    dialogs.saveAnswer = path(QStringLiteral("second 2.5mm"));
    ASSERT_TRUE(answeredBy(*store, dialogs).save(true));
    const QString second = path(QStringLiteral("second 2.5mm.ksv"));
    EXPECT_EQ(store->fileURL(), std::optional<QString>(second));
    EXPECT_EQ(LabelDocument::load(second).widthMm, 70);
    EXPECT_EQ(contents(first), firstBytes);
    EXPECT_FALSE(store->dirty());
}

// Every failure is shown once, and the file, the store's file and its saved state stay as
// they were.
TEST_F(DocumentSavingTest, FailuresAreShownAndChangeNothing)
{
    const QString file = path(QStringLiteral("kept.ksv"));
    auto store = env.makeStore(namedDocument(QStringLiteral("Doc")), true);
    store->saveTo(file);
    const QByteArray before = contents(file);
    store->setStatusKey(std::nullopt);

    // An invalid document: no dialog, no write.
    store->apply([](LabelDocument &d) { d.widthMm = std::nan(""); });
    EXPECT_FALSE(answeredBy(*store, dialogs).save(true));
    EXPECT_TRUE(dialogs.saveRequests.isEmpty());
    ASSERT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(env.alerts->alerts[0].message, text("mac.error"));
    EXPECT_EQ(env.alerts->alerts[0].buttonTitle, text("mac.close"));
    EXPECT_EQ(contents(file), before);
    EXPECT_TRUE(store->dirty());
    store->undo();

    // A folder that does not exist: the platform's error is shown as an input/output error.
    store->apply([](LabelDocument &d) { d.name = QStringLiteral("edited"); });
    dialogs.saveAnswer = path(QStringLiteral("missing/folder/doc.ksv"));
    EXPECT_FALSE(answeredBy(*store, dialogs).save(true));
    ASSERT_EQ(env.alerts->alerts.size(), 2);
    EXPECT_EQ(env.alerts->alerts[1].informativeText, text("mac.error_io"));
    EXPECT_EQ(store->fileURL(), std::optional<QString>(file));
    EXPECT_TRUE(store->dirty());
    EXPECT_FALSE(store->statusKey().has_value());
    EXPECT_EQ(contents(file), before);
}

// The workspace refuses a file another tab shows; two names of one file (through a link,
// or a file not yet written) are recognised, two different unwritten files are not.
TEST_F(DocumentSavingTest, RefusesAFileAnotherTabShows)
{
    const QString real = path(QStringLiteral("real"));
    ASSERT_TRUE(QDir().mkpath(real));
    const QString link = path(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(real, link));
    const QString shown = QDir(real).filePath(QStringLiteral("shown.ksv"));

    auto other = env.makeStore(namedDocument(QStringLiteral("Other")), true);
    other->saveTo(shown);
    const QByteArray before = contents(shown);

    auto store = env.makeStore(namedDocument(QStringLiteral("Mine")), true);
    store->setMaySaveTo([&](const QString &candidate) {
        return !(other->fileURL() && DocumentSaving::sameDocumentFile(*other->fileURL(), candidate));
    });
    dialogs.saveAnswer = QDir(link).filePath(QStringLiteral("shown"));
    EXPECT_FALSE(answeredBy(*store, dialogs).save(false));
    ASSERT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(env.alerts->alerts[0].informativeText, text("mac.file_already_open"));
    EXPECT_EQ(contents(shown), before);
    EXPECT_FALSE(store->fileURL().has_value());
    EXPECT_TRUE(store->dirty());
    EXPECT_ISSUE(store->saveTo(shown), WorkspaceIssue, WorkspaceIssue::fileAlreadyOpen);

    // Files that do not exist yet: equal through the link, different by name.
    EXPECT_TRUE(DocumentSaving::sameDocumentFile(QDir(real).filePath(QStringLiteral("new.ksv")),
                                                 QDir(link).filePath(QStringLiteral("./new.ksv"))));
    EXPECT_FALSE(DocumentSaving::sameDocumentFile(path(QStringLiteral("a.ksv")), path(QStringLiteral("b.ksv"))));
    EXPECT_FALSE(DocumentSaving::sameDocumentFile(path(QStringLiteral("nowhere/a.ksv")),
                                                  path(QStringLiteral("elsewhere/a.ksv"))));
    EXPECT_FALSE(DocumentSaving::sameDocumentFile(QString(), QString()));

    // Any other file is written.
    dialogs.saveAnswer = path(QStringLiteral("mine.ksv"));
    EXPECT_TRUE(answeredBy(*store, dialogs).save(false));
}

// The answer is taken from the button that was pressed, whatever order the desktop shows
// them in; the document's name is shown as given, never read as a pattern.
TEST_F(DocumentSavingTest, SavePromptMapsButtonsByIdentity)
{
    auto store = env.makeStore(namedDocument(QStringLiteral("Stock %1 %@ 50%")));
    dialogs.choiceAnswer = 0;
    EXPECT_EQ(answeredBy(*store, dialogs).closeDecision(), CloseDecision::save);
    ASSERT_EQ(dialogs.choiceButtons.size(), 3);
    EXPECT_EQ(dialogs.choiceButtons[0], (EditorDialogs::Button{text("btn_save"), EditorDialogs::ButtonRole::accept}));
    EXPECT_EQ(dialogs.choiceButtons[1],
              (EditorDialogs::Button{text("mac.dont_save"), EditorDialogs::ButtonRole::destructive}));
    EXPECT_EQ(dialogs.choiceButtons[2], (EditorDialogs::Button{text("btn_canc"), EditorDialogs::ButtonRole::reject}));
    EXPECT_EQ(dialogs.choiceMessage, text("mac.save_changes"));
    EXPECT_TRUE(dialogs.choiceText.contains(QStringLiteral("Stock %1 %@ 50%"))) << qPrintable(dialogs.choiceText);

    dialogs.choiceAnswer = 1;
    EXPECT_EQ(answeredBy(*store, dialogs).closeDecision(), CloseDecision::discard);
    dialogs.choiceAnswer = 2;
    EXPECT_EQ(answeredBy(*store, dialogs).closeDecision(), CloseDecision::cancel);
    dialogs.choiceAnswer = std::nullopt;
    EXPECT_EQ(answeredBy(*store, dialogs).closeDecision(), CloseDecision::cancel);
    // The prompt neither saves nor looks at the edited state.
    EXPECT_FALSE(store->statusKey().has_value());
    EXPECT_EQ(dialogs.choices, 4);
}
