#include "core/common/TableIssue.h"
#include "core/l10n/AppLanguage.h"
#include "core/l10n/StringTable.h"
#include "core/model/ElementKind.h"
#include "core/model/SheetLayout.h"

#include <gtest/gtest.h>

using namespace kestrivane;

// Every key the model hands to the interface has a text in every language.
TEST(ModelKeys, EveryTitleAndErrorKeyIsTranslated)
{
    QStringList keys;
    for (ElementKind kind : allElementKinds)
        keys << titleKey(kind);
    for (LabelShape shape : allLabelShapes)
        keys << titleKey(shape);
    for (LabelMedium medium : allLabelMedia)
        keys << titleKey(medium);
    for (const char *raw :
         {"file", "csv", "encoding", "workbook", "formula", "empty", "large", "binding", "range", "copies"})
        keys << key(*tableIssueFromRawValue(QString::fromLatin1(raw)));
    for (AppLanguage language : allAppLanguages) {
        const auto table = stringTable(language);
        for (const QString &k : keys)
            EXPECT_TRUE(table->contains(k)) << k.toStdString() << " in " << rawValue(language).toStdString();
    }
}
