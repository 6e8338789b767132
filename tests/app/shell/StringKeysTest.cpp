#include "tests/common/TestSupport.h"

#include "app/editor/EditorStore.h"
#include "core/l10n/StringTable.h"
#include "core/model/BarcodeSymbology.h"
#include "core/model/ElementKind.h"
#include "core/model/ElementOptions.h"
#include "core/model/SheetLayout.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace kestrivane;

// Every quoted text of the program's sources that looks like a key, and every key joined
// from a prefix and an enumeration's raw value, is in all eight tables.
TEST(StringKeys, EveryKeyTheProgramUsesIsInEveryTable)
{
    // Icons are named by their files; such a name is a key only where a table holds it.
    const QStringList iconNames = QStringLiteral("create open openedLabel save ctrlz ctrly print setup menu_text "
                                                 "menu_bar editor_date editor_counter trash-2 scale burger home")
                                      .split(QLatin1Char(' '));
    static const QRegularExpression quoted(QStringLiteral(R"re("((?:mac\.|btn_|tmenu_|menu_|m_)[A-Za-z0-9_.\-]*)")re"));
    QSet<QString> keys;
    for (const char *folder : {"/app", "/core"}) {
        QDirIterator it(QLatin1String(KESTRIVANE_SOURCE_DIR) + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString text = QString::fromUtf8(testsupport::readFile(it.next()));
            for (auto match = quoted.globalMatch(text); match.hasNext();) {
                const QString key = match.next().captured(1);
                // A prefix ending in "_" or "." is completed at run time, from the lists below.
                if (!key.endsWith(QLatin1Char('_')) && !key.endsWith(QLatin1Char('.')))
                    keys.insert(key);
            }
        }
    }
    ASSERT_GT(keys.size(), 50);
    for (ElementKind kind : allElementKinds)
        keys.insert(titleKey(kind));
    for (LabelShape shape : allLabelShapes)
        keys.insert(titleKey(shape));
    for (LabelMedium medium : allLabelMedia)
        keys.insert(titleKey(medium));
    for (BarcodeSymbology symbology : allBarcodeSymbologies())
        keys.insert(titleKey(symbology));
    for (DatePattern pattern : allDatePatterns)
        keys.insert(titleKey(pattern));
    for (TextAlignment alignment : allTextAlignments)
        keys.insert(titleKey(alignment));
    for (EditorStore::Alignment alignment : EditorStore::allAlignments)
        keys.insert(QStringLiteral("mac.align_") + rawValue(alignment));
    for (const char *mode : {"current", "manual", "calendar", "currentPlus", "calendarPlus"}) // web date modes
        keys.insert(QStringLiteral("mac.web_date_") + QLatin1String(mode));

    const auto english = stringTable(AppLanguage::english);
    for (AppLanguage language : allAppLanguages) {
        const auto table = stringTable(language);
        for (const QString &key : std::as_const(keys)) {
            if (iconNames.contains(key) && !english->contains(key))
                continue;
            EXPECT_TRUE(table->contains(key) || table->contains(key + QStringLiteral("#other"))) // plurals
                << rawValue(language).toStdString() << " lacks " << key.toStdString();
        }
    }
}
