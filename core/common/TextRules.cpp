#include "core/common/TextRules.h"

#include <QFileInfo>
#include <chrono>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
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

namespace {

// The scripts whose letters Qt groups into syllables rather than by the default rules.
bool hasSyllableRules(char32_t c)
{
    switch (QChar::script(c)) {
    case QChar::Script_Devanagari:
    case QChar::Script_Bengali:
    case QChar::Script_Gurmukhi:
    case QChar::Script_Gujarati:
    case QChar::Script_Oriya:
    case QChar::Script_Tamil:
    case QChar::Script_Telugu:
    case QChar::Script_Kannada:
    case QChar::Script_Malayalam:
    case QChar::Script_Sinhala:
    case QChar::Script_Thai:
    case QChar::Script_Tibetan:
    case QChar::Script_Myanmar:
    case QChar::Script_Khmer: return true;
    default: return false;
    }
}

// Combining marks, joiners and variation selectors stay with the character before them.
bool followsItsBase(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing: return true;
    default: return QChar::script(c) == QChar::Script_Inherited;
    }
}

// Characters that extend the cluster before them by the default rules, though they are
// neither marks nor inherit their script: emoji skin tones, tag characters and the
// half-width sound marks.
bool extendsWithoutBeingAMark(char32_t c)
{
    return (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0xE0020 && c <= 0xE007F) || c == 0xFF9E || c == 0xFF9F;
}

char32_t codePointAt(const QString &text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    return c.unicode();
}

bool insideSurrogatePair(const QString &text, qsizetype i)
{
    return i > 0 && i < text.size() && text.at(i - 1).isHighSurrogate() && text.at(i).isLowSurrogate();
}

} // namespace

GraphemeWalk::GraphemeWalk(const QString &text) : text_(text)
{
    if (!text_.isEmpty())
        startRun();
}

void GraphemeWalk::startRun()
{
    runStart_ = runEnd_;
    const bool syllables = hasSyllableRules(codePointAt(text_, runStart_));
    qsizetype i = runStart_;
    while (i < text_.size()) {
        // No syllabic script has letters below U+0900: most text goes by without a lookup.
        if (!syllables && text_.at(i).unicode() < 0x0900) {
            ++i;
            continue;
        }
        const char32_t c = codePointAt(text_, i);
        if (i > runStart_ && !followsItsBase(c) && hasSyllableRules(c) != syllables)
            break;
        i += QChar::requiresSurrogates(c) ? 2 : 1;
    }
    runEnd_ = i;
    finder_.emplace(QTextBoundaryFinder::Grapheme, QStringView(text_).sliced(runStart_, runEnd_ - runStart_));
}

qsizetype GraphemeWalk::next()
{
    while (finder_) {
        const qsizetype found = finder_->toNextBoundary();
        if (found < 0) {
            if (runEnd_ >= text_.size()) {
                finder_.reset();
                return -1;
            }
            startRun();
            continue;
        }
        const qsizetype boundary = runStart_ + found;
        if (insideSurrogatePair(text_, boundary))
            continue;
        // Where runs meet, the boundary stands unless what follows extends the cluster.
        if (boundary == runEnd_ && boundary < text_.size() && extendsWithoutBeingAMark(codePointAt(text_, boundary)))
            continue;
        return boundary;
    }
    return -1;
}

qsizetype graphemeCount(const QString &text)
{
    if (text.size() <= 1)
        return text.size();
    GraphemeWalk walk(text);
    qsizetype count = 0;
    while (walk.next() != -1)
        ++count;
    return count;
}

bool exceedsGraphemes(const QString &text, qsizetype limit)
{
    // A cluster is at least one UTF-16 unit, so a short text cannot exceed the limit.
    if (text.size() <= limit)
        return false;
    GraphemeWalk walk(text);
    qsizetype count = 0;
    while (walk.next() != -1) {
        if (++count > limit)
            return true;
    }
    return false;
}

QString leadingGraphemes(const QString &text, qsizetype count)
{
    if (text.size() <= count)
        return text;
    GraphemeWalk walk(text);
    qsizetype end = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype boundary = walk.next();
        if (boundary < 0)
            return text;
        end = boundary;
    }
    return text.left(end);
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
    // Asking the system reads its zone settings from several files, and every element made
    // with default date options asks (a document of 500 elements, read, asked 1,000 times). The
    // answer is kept for a second, so a zone changed in the system is still seen at once for
    // any purpose a person can notice.
    static std::mutex mutex;
    static QString kept;
    static std::chrono::steady_clock::time_point keptAt;
    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard lock(mutex);
    if (kept.isEmpty() || now - keptAt >= std::chrono::seconds(1)) {
        const QString id = QString::fromLatin1(QTimeZone::systemTimeZoneId());
        kept = isKnownTimeZone(id) ? id : QStringLiteral("UTC");
        keptAt = now;
    }
    return kept;
}

} // namespace kestrivane::text
