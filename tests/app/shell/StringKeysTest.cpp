#include "app/editor/EditorStore.h"
#include "core/l10n/AppLanguage.h"
#include "core/l10n/StringTable.h"
#include "core/model/BarcodeSymbology.h"
#include "core/model/ElementKind.h"
#include "core/model/ElementOptions.h"
#include "core/model/SheetLayout.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

// The icons are named by their files; a name is a text key only where a table holds it.
const QStringList iconNames = QStringLiteral("create open openedLabel save ctrlz ctrly print setup menu_text menu_bar "
                                             "editor_date editor_counter trash-2 scale burger home")
                                  .split(QLatin1Char(' '));

// Every quoted text of the program's sources that looks like a key. A quoted prefix that
// ends in "_" or "." is the start of a key completed at run time, checked below.
QSet<QString> quotedKeys()
{
    static const QRegularExpression quoted(QStringLiteral(R"re("((?:mac\.|btn_|tmenu_|menu_|m_)[A-Za-z0-9_.\-]*)")re"));
    QSet<QString> keys;
    for (const char *folder : {"app", "core"}) {
        QDirIterator it(QStringLiteral(KESTRIVANE_SOURCE_DIR "/") + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            for (auto match = quoted.globalMatch(text); match.hasNext();) {
                const QString key = match.next().captured(1);
                if (!key.endsWith(QLatin1Char('_')) && !key.endsWith(QLatin1Char('.')))
                    keys.insert(key);
            }
        }
    }
    return keys;
}

// Keys made by joining a prefix with an enumeration's raw value.
QSet<QString> composedKeys()
{
    QSet<QString> keys;
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
    // The modes a web date style accepts.
    for (const char *mode : {"current", "manual", "calendar", "currentPlus", "calendarPlus"})
        keys.insert(QStringLiteral("mac.web_date_") + QLatin1String(mode));
    return keys;
}

} // namespace

TEST(StringKeys, EveryKeyTheProgramUsesIsInEveryTable)
{
    const QSet<QString> used = quotedKeys() | composedKeys();
    ASSERT_GT(used.size(), 50);
    const auto english = stringTable(AppLanguage::english);
    for (AppLanguage language : allAppLanguages) {
        const auto table = stringTable(language);
        ASSERT_FALSE(table->entries.isEmpty()) << rawValue(language).toStdString();
        for (const QString &key : used) {
            if (iconNames.contains(key) && !english->contains(key))
                continue;
            // Plural keys live as "key#other" and its siblings.
            EXPECT_TRUE(table->contains(key) || table->contains(key + QStringLiteral("#other")))
                << rawValue(language).toStdString() << " lacks " << key.toStdString();
        }
    }
}
