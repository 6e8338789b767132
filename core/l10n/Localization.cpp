#include "core/l10n/Localization.h"

#include <QLocale>

namespace kestrivane {

namespace {

std::optional<QString> storedLanguage(QSettings *defaults)
{
    if (!defaults)
        return std::nullopt;
    const QVariant value = defaults->value(Localization::preferenceKey);
    // Only a string counts; anything else stored under the key is treated as absent.
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace

Localization::Localization(QSettings *defaults, const QStringList &preferred, QObject *parent)
    : QObject(parent), m_defaults(defaults), m_language(resolveAppLanguage(storedLanguage(defaults), preferred)),
      m_table(stringTable(m_language))
{
}

void Localization::select(AppLanguage language)
{
    if (m_defaults)
        m_defaults->setValue(preferenceKey, rawValue(language));
    m_table = stringTable(language);
    m_language = language;
    Q_EMIT languageChanged(language);
}

QString Localization::text(const QString &key) const
{
    return m_table->text(key);
}

QString Localization::format(const QString &key, const FormatArguments &arguments) const
{
    return formatPattern(text(key), arguments, QLocale(rawValue(m_language)));
}

QString Localization::count(const QString &key, qint64 n) const
{
    const QString separator = QStringLiteral("#");
    const QString byCategory = key + separator + pluralCategory(m_language, n);
    const QString other = key + QStringLiteral("#other");
    QString pattern;
    if (m_table->contains(byCategory))
        pattern = m_table->text(byCategory);
    else if (m_table->contains(other))
        pattern = m_table->text(other);
    else
        pattern = m_table->text(key);
    return formatPattern(pattern, {FormatArgument(n)}, QLocale(rawValue(m_language)));
}

} // namespace kestrivane
