#include "core/common/TextRules.h"

#include <QFileInfo>
#include <QTextBoundaryFinder>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace kestrivane::text {

std::optional<qint64> parseStrictInt64(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulate as a negative number so that INT64_MIN is reachable.
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min())
            return std::nullopt;
        value = -value;
    }
    return value;
}

namespace {
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    return locale;
}
} // namespace

std::optional<ParsedDouble> parseDoubleC(QStringView text)
{
    if (text.isEmpty() || text.front().isSpace())
        return std::nullopt;
    // strtod reads ASCII only; cut at the first other character so that the
    // consumed count maps back to UTF-16 positions one to one.
    qsizetype asciiLength = 0;
    while (asciiLength < text.size() && text[asciiLength].unicode() < 0x80 && text[asciiLength].unicode() != 0)
        ++asciiLength;
    const QByteArray bytes = text.first(asciiLength).toLatin1();
    char *end = nullptr;
    const double value = strtod_l(bytes.constData(), &end, cLocale());
    if (end == bytes.constData())
        return std::nullopt;
    return ParsedDouble{value, qsizetype(end - bytes.constData())};
}

QString formatC(const char *format, double value)
{
    const locale_t previous = uselocale(cLocale());
    // Measure first: "%f" of a large value needs more than any fixed buffer.
    const int length = std::snprintf(nullptr, 0, format, value);
    QByteArray buffer(qMax(length, 0) + 1, Qt::Uninitialized);
    std::snprintf(buffer.data(), buffer.size(), format, value);
    uselocale(previous);
    return QString::fromLatin1(buffer.constData(), qMax(length, 0));
}

qsizetype graphemeCount(const QString &text)
{
    if (text.size() <= 1)
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

bool exceedsGraphemes(const QString &text, qsizetype limit)
{
    // A cluster is at least one UTF-16 unit, so a short text cannot exceed the limit.
    if (text.size() <= limit)
        return false;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1) {
        if (++count > limit)
            return true;
    }
    return false;
}

QRegularExpression unicodeRegex(const QString &pattern, QRegularExpression::PatternOptions options)
{
    return QRegularExpression(pattern, options | QRegularExpression::UseUnicodePropertiesOption);
}

bool isKnownTimeZone(const QString &id)
{
    if (id.isEmpty() || id == QLatin1String("localtime"))
        return false;
    for (const QChar c : id) {
        const char16_t u = c.unicode();
        const bool allowed = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')
                             || u == u'_' || u == u'+' || u == u'-' || u == u'/';
        if (!allowed)
            return false;
    }
    const auto pieces = QStringView(id).split(u'/');
    for (const QStringView piece : pieces) {
        if (piece.isEmpty() || piece == u"." || piece == u"..")
            return false;
    }
    // Qt also reads any text as a POSIX TZ rule ("nowhere" is a valid zone to it), so the
    // identifier must name a zone the system database knows.
    const QByteArray latin = id.toLatin1();
    const bool listed = QTimeZone::isTimeZoneIdAvailable(latin) || id == QLatin1String("UTC")
                        || id == QLatin1String("GMT")
                        || QFileInfo(QStringLiteral("/usr/share/zoneinfo/") + id).isFile();
    return listed && QTimeZone(latin).isValid();
}

QTimeZone timeZoneOrUtc(const QString &id)
{
    return isKnownTimeZone(id) ? QTimeZone(id.toLatin1()) : QTimeZone::utc();
}

QString currentTimeZoneId()
{
    const QString id = QString::fromLatin1(QTimeZone::systemTimeZoneId());
    return isKnownTimeZone(id) ? id : QStringLiteral("UTC");
}

} // namespace kestrivane::text
