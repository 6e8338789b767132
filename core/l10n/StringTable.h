#pragma once

#include "core/l10n/AppLanguage.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

namespace kestrivane {

// One language's interface texts by key.
struct StringTable {
    QHash<QString, QString> entries;

    // The text of `key`, or the key itself when the table lacks it.
    QString text(const QString &key) const { return entries.value(key, key); }
    bool contains(const QString &key) const { return entries.contains(key); }
};

// The result of reading a table file: every entry up to the first syntax error, and
// where that error is (-1 when the whole text was read).
struct ParsedStringTable {
    StringTable table;
    qsizetype errorOffset = -1;
    int errorLine = 0;
    // Keys given more than once with different texts (the last text is kept). Tables
    // grow by merging lines from several authors, so this is how competing texts show.
    QStringList conflictingKeys;
};

// Reads the "key" = "value"; format: UTF-8, entries separated by blanks and newlines,
// /* */ and // comments, escapes \" \\ \n \t \r and \uXXXX inside the quotes. A key given
// twice keeps its last value.
ParsedStringTable parseStringTable(const QByteArray &utf8);

// "Compiled/<raw value>.lproj/Localizable.strings" inside the resource folder.
QString stringTablePath(AppLanguage language);

// The table of a language, read from the resource folder once per process and then
// shared; safe to call from any thread. A missing or unreadable file gives an empty
// table (every key then shows as itself): there is no fallback to another language.
std::shared_ptr<const StringTable> stringTable(AppLanguage language);

} // namespace kestrivane
