#pragma once

#include "core/l10n/AppLanguage.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <variant>

namespace kestrivane {

// One argument of a localised format pattern.
using FormatArgument = std::variant<QString, qint64, double>;
using FormatArguments = QList<FormatArgument>;

// printf-style formatting of the patterns the string tables hold: %@ and %s (any
// argument as text), %d %i %u with the length modifiers h hh l ll q z t j (integers, no
// digit grouping), %f and %.Nf (the decimal separator of `locale`), %%, positional %n$…,
// and the flags - + space 0 with a width. Arguments are converted to what the
// specifier asks for. Only the given arguments are ever read: a specifier without an
// argument gives "", so a translated pattern with one specifier too many cannot crash.
// An unknown specifier is copied unchanged.
QString formatPattern(const QString &pattern, const FormatArguments &arguments, const QLocale &locale);

// The CLDR cardinal plural category of the integer n in the language: "one", "few",
// "many" or "other".
QString pluralCategory(AppLanguage language, qint64 n);

} // namespace kestrivane
