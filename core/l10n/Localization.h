#pragma once

#include "core/l10n/AppLanguage.h"
#include "core/l10n/StringTable.h"
#include "core/l10n/TextFormat.h"

#include <QObject>
#include <QSettings>
#include <QStringList>

#include <memory>

namespace kestrivane {

// The interface-language service: one per process, used on the main thread. It keeps the
// chosen language in the settings under "interfaceLanguage" and answers text lookups in
// the string table of the current language.
class Localization : public QObject {
    Q_OBJECT

public:
    static inline const QString preferenceKey = QStringLiteral("interfaceLanguage");

    // Starts in the stored language when the settings hold one of the raw values as a
    // string, else in the language `preferred` resolves to. Writes nothing: an
    // unrecognised stored value is ignored, not erased. `defaults` must outlive the service.
    Localization(QSettings *defaults, const QStringList &preferred, QObject *parent = nullptr);

    AppLanguage language() const { return m_language; }

    // Stores the choice, switches the table, then emits languageChanged (every time, also
    // when the language stays the same), so observers already read texts of the new language.
    void select(AppLanguage language);

    // The text of `key`; the key itself when the table lacks it.
    QString text(const QString &key) const;

    // The text of `key` formatted with `arguments` in the number formats of the language.
    QString format(const QString &key, const FormatArguments &arguments) const;

    // A text that counts n things. The table holds one entry per plural category as
    // "key#one", "key#few", "key#many", "key#other" (the categories the language uses);
    // the entry of n's category is used, else "key#other", else "key"; it is formatted
    // with n as its one argument.
    QString count(const QString &key, qint64 n) const;

Q_SIGNALS:
    void languageChanged(kestrivane::AppLanguage language);

private:
    QSettings *m_defaults;
    AppLanguage m_language;
    std::shared_ptr<const StringTable> m_table;
};

} // namespace kestrivane
