#include "tests/app/io/IoTestSupport.h"

#include "core/print/LabelPrintJob.h"

#include <QFileInfo>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace kestrivane;

// The store's own entry points reach the dialogs and the clipboard installed on it, so a
// workspace with several tabs can answer each tab's dialogs.
TEST(EditorStoreExchange, EntryPointsUseTheStoresDialogs)
{
    editortest::StoreEnvironment env;
    auto dialogs = std::make_shared<iotest::ScriptedDialogs>();
    const LabelElement element(QUuid::createUuid(), ElementKind::text, QStringLiteral("x"), 5, 5, 20, 8, 12);
    auto source = env.makeStore(LabelDocument(QStringLiteral("Source"), 60, 40, {element}), true);
    auto target = env.makeStore(LabelDocument(QStringLiteral("Target"), 60, 40, {}), true);
    source->setDialogs(dialogs);
    target->setDialogs(dialogs);

    source->setSelectedIDs({element.id});
    EXPECT_TRUE(source->cut());
    EXPECT_TRUE(source->document().elements.isEmpty());
    EXPECT_FALSE(source->copySelection());
    target->paste();
    EXPECT_EQ(target->document().elements.size(), 1);
    EXPECT_EQ(dialogs->clipboardWrites, 1);

    dialogs->saveAnswer = env.dir.filePath(QStringLiteral("target"));
    EXPECT_TRUE(target->save(false));
    EXPECT_EQ(target->fileURL(), std::optional<QString>(env.dir.filePath(QStringLiteral("target.ksv"))));
    EXPECT_FALSE(target->dirty());

    dialogs->choiceAnswer = 1;
    EXPECT_EQ(target->closeDecision(), CloseDecision::discard);

    const LabelPrintJob job(target->document(), BatchOptions(),
                            QDateTime(QDate(2026, 1, 2), QTime(3, 4), QTimeZone::utc()));
    dialogs->saveAnswer = env.dir.filePath(QStringLiteral("out.pdf"));
    target->exportPrepared(job);
    EXPECT_TRUE(QFileInfo::exists(env.dir.filePath(QStringLiteral("out.pdf"))));
    target->printPrepared(job);
    EXPECT_EQ(dialogs->printDialogs, 1);
    EXPECT_TRUE(env.alerts->alerts.isEmpty());
}
