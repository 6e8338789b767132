#include "core/l10n/TextFormat.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kestrivane {

namespace {

// Widths and precisions come from translated text; a typing slip such as "%.99999f" must
// not allocate megabytes.
constexpr int maximumWidth = 256;
constexpr int maximumPrecision = 64;

struct Spec {
    bool leftAlign = false;
    bool plus = false;
    bool space = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;
};

const FormatArgument *argumentAt(const FormatArguments &arguments, qsizetype index)
{
    return index >= 0 && index < arguments.size() ? &arguments.at(index) : nullptr;
}

QString withDecimalPoint(QString number, const QLocale &locale)
{
    const QString point = locale.decimalPoint();
    if (point != QLatin1String("."))
        number.replace(QLatin1Char('.'), point);
    return number;
}

QString shortestDouble(double value, const QLocale &locale)
{
    return withDecimalPoint(QString::number(value, 'g', QLocale::FloatingPointShortest), locale);
}

QString asText(const FormatArgument &argument, const QLocale &locale)
{
    if (const QString *s = std::get_if<QString>(&argument))
        return *s;
    if (const qint64 *i = std::get_if<qint64>(&argument))
        return QString::number(*i);
    return shortestDouble(std::get<double>(argument), locale);
}

// Puts the sign and the padding around the digits of a number.
QString padNumber(bool negative, const QString &digits, const Spec &spec, bool finite)
{
    QString sign;
    if (negative)
        sign = QStringLiteral("-");
    else if (spec.plus)
        sign = QStringLiteral("+");
    else if (spec.space)
        sign = QStringLiteral(" ");
    const qsizetype length = sign.size() + digits.size();
    const qsizetype fill = std::max<qsizetype>(0, spec.width - length);
    if (fill == 0)
        return sign + digits;
    if (spec.leftAlign)
        return sign + digits + QString(fill, QLatin1Char(' '));
    if (spec.zeroPad && finite)
        return sign + QString(fill, QLatin1Char('0')) + digits;
    return QString(fill, QLatin1Char(' ')) + sign + digits;
}

QString padText(const QString &text, const Spec &spec)
{
    const qsizetype fill = std::max<qsizetype>(0, spec.width - text.size());
    if (fill == 0)
        return text;
    return spec.leftAlign ? text + QString(fill, QLatin1Char(' ')) : QString(fill, QLatin1Char(' ')) + text;
}

QString formatInteger(const FormatArgument &argument, const Spec &spec, const QLocale &locale)
{
    qint64 value = 0;
    if (const qint64 *i = std::get_if<qint64>(&argument)) {
        value = *i;
    } else if (const double *d = std::get_if<double>(&argument)) {
        // Truncated towards zero like a C cast, but saturated instead of undefined.
        if (!std::isfinite(*d))
            return padText(shortestDouble(*d, locale), spec);
        if (*d >= 9223372036854775808.0)
            value = std::numeric_limits<qint64>::max();
        else if (*d < -9223372036854775808.0)
            value = std::numeric_limits<qint64>::min();
        else
            value = static_cast<qint64>(*d);
    } else {
        return padText(std::get<QString>(argument), spec);
    }
    // The magnitude as unsigned, so that INT64_MIN keeps all its digits.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    return padNumber(value < 0, QString::number(magnitude), spec, true);
}

QString formatFloat(const FormatArgument &argument, const Spec &spec, const QLocale &locale)
{
    double value = 0;
    if (const double *d = std::get_if<double>(&argument))
        value = *d;
    else if (const qint64 *i = std::get_if<qint64>(&argument))
        value = double(*i);
    else
        return padText(std::get<QString>(argument), spec);
    const int precision = spec.precision < 0 ? 6 : std::min(spec.precision, maximumPrecision);
    if (std::isnan(value))
        return padNumber(false, QStringLiteral("nan"), spec, false);
    const bool negative = std::signbit(value);
    if (std::isinf(value))
        return padNumber(negative, QStringLiteral("inf"), spec, false);
    // to_chars rounds the exact binary value like printf does (2.5 with no decimals is
    // "2"), with no locale involved; the largest double needs 309 digits + the decimals.
    char buffer[512];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed, precision);
    if (written.ec != std::errc())
        return QString();
    const QString digits = withDecimalPoint(QString::fromLatin1(buffer, qsizetype(written.ptr - buffer)), locale);
    return padNumber(negative, digits, spec, true);
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Reads a run of ASCII digits as a number capped at `cap`.
int readNumber(const QString &pattern, qsizetype &pos, int cap)
{
    int value = 0;
    while (pos < pattern.size() && isDigit(pattern.at(pos).unicode())) {
        value = std::min(cap, value * 10 + (pattern.at(pos).unicode() - u'0'));
        ++pos;
    }
    return value;
}

} // namespace

QString formatPattern(const QString &pattern, const FormatArguments &arguments, const QLocale &locale)
{
    QString out;
    out.reserve(pattern.size());
    qsizetype nextArgument = 0;
    qsizetype pos = 0;
    const qsizetype size = pattern.size();
    while (pos < size) {
        const qsizetype percent = pattern.indexOf(QLatin1Char('%'), pos);
        if (percent < 0) {
            out += QStringView(pattern).mid(pos);
            break;
        }
        out += QStringView(pattern).mid(pos, percent - pos);
        qsizetype p = percent + 1;
        if (p < size && pattern.at(p) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            pos = p + 1;
            continue;
        }

        // Optional position "n$".
        qsizetype position = -1;
        {
            qsizetype q = p;
            const int n = readNumber(pattern, q, 100000);
            if (q > p && q < size && pattern.at(q) == QLatin1Char('$')) {
                position = n;
                p = q + 1;
            }
        }
        Spec spec;
        for (; p < size; ++p) {
            const char16_t c = pattern.at(p).unicode();
            if (c == u'-')
                spec.leftAlign = true;
            else if (c == u'+')
                spec.plus = true;
            else if (c == u' ')
                spec.space = true;
            else if (c == u'0')
                spec.zeroPad = true;
            else if (c != u'#' && c != u'\'')
                break;
        }
        spec.width = readNumber(pattern, p, maximumWidth);
        if (p < size && pattern.at(p) == QLatin1Char('.')) {
            ++p;
            spec.precision = readNumber(pattern, p, maximumPrecision);
        }
        while (p < size) {
            const char16_t c = pattern.at(p).unicode();
            if (c == u'h' || c == u'l' || c == u'q' || c == u'L' || c == u'z' || c == u't' || c == u'j')
                ++p;
            else
                break;
        }
        const char16_t conversion = p < size ? pattern.at(p).unicode() : u'\0';
        enum class Kind { text, integer, floating, unknown };
        Kind kind = Kind::unknown;
        switch (conversion) {
        case u'@':
        case u's': kind = Kind::text; break;
        case u'd':
        case u'i':
        case u'u': kind = Kind::integer; break;
        case u'f':
        case u'F': kind = Kind::floating; break;
        default: break;
        }
        if (kind == Kind::unknown || position == 0) {
            // Not a specifier this formatter knows: keep the text and read no argument.
            const qsizetype end = std::min(size, p + 1);
            out += QStringView(pattern).mid(percent, end - percent);
            pos = end;
            continue;
        }
        pos = p + 1;
        const FormatArgument *argument = argumentAt(arguments, position > 0 ? position - 1 : nextArgument++);
        if (!argument)
            continue;
        switch (kind) {
        case Kind::text: out += padText(asText(*argument, locale), spec); break;
        case Kind::integer: out += formatInteger(*argument, spec, locale); break;
        case Kind::floating: out += formatFloat(*argument, spec, locale); break;
        case Kind::unknown: break;
        }
    }
    return out;
}

QString pluralCategory(AppLanguage language, qint64 n)
{
    // CLDR cardinal rules for integers (v = 0); the operands use the absolute value.
    const quint64 i = n < 0 ? quint64(0) - quint64(n) : quint64(n);
    const quint64 mod10 = i % 10;
    const quint64 mod100 = i % 100;
    const bool million = i != 0 && i % 1000000 == 0;
    switch (language) {
    case AppLanguage::russian:
        if (mod10 == 1 && mod100 != 11)
            return QStringLiteral("one");
        if (mod10 >= 2 && mod10 <= 4 && !(mod100 >= 12 && mod100 <= 14))
            return QStringLiteral("few");
        return QStringLiteral("many");
    case AppLanguage::english:
    case AppLanguage::german:
    case AppLanguage::turkish: return i == 1 ? QStringLiteral("one") : QStringLiteral("other");
    case AppLanguage::spanish:
        if (i == 1)
            return QStringLiteral("one");
        return million ? QStringLiteral("many") : QStringLiteral("other");
    case AppLanguage::french:
    case AppLanguage::portuguese:
        // Brazilian Portuguese follows the French rule: 0 and 1 are both "one".
        if (i <= 1)
            return QStringLiteral("one");
        return million ? QStringLiteral("many") : QStringLiteral("other");
    case AppLanguage::chinese: return QStringLiteral("other");
    }
    return QStringLiteral("other");
}

} // namespace kestrivane
