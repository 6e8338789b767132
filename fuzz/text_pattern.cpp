// Translated patterns and string tables are text written by people; neither the
// formatter nor the table reader may crash or run away on any of it.
#include "core/l10n/StringTable.h"
#include "core/l10n/TextFormat.h"

#include <QByteArray>
#include <QLocale>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The first byte chooses how many arguments (0..3) the pattern gets, of which kind.
    kestrivane::FormatArguments arguments;
    const int choice = size > 0 ? data[0] : 0;
    for (int i = 0; i < (choice & 3); ++i) {
        switch ((choice >> (2 + 2 * i)) & 3) {
        case 0: arguments << kestrivane::FormatArgument(QStringLiteral("text")); break;
        case 1: arguments << kestrivane::FormatArgument(qint64(-9223372036854775807LL - 1)); break;
        default: arguments << kestrivane::FormatArgument(-1.5e300); break;
        }
    }
    const QString pattern = QString::fromUtf8(bytes.mid(1));
    const QString out = kestrivane::formatPattern(pattern, arguments, QLocale(QStringLiteral("ru-RU")));
    // Each specifier adds at most a capped width or one argument's text.
    if (out.size() > pattern.size() * 400 + 400)
        std::abort();
    kestrivane::parseStringTable(bytes);
    return 0;
}
