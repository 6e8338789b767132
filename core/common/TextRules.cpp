#include "core/common/TextRules.h"

#include <QFileInfo>

#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
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

// No character below U+0300 joins the one before it (the combining marks start there), and
// CR LF is the one pair among them that stays together.
constexpr char16_t firstJoiningUnit = 0x0300;

qsizetype simpleUnits(const QString &text)
{
    const QChar *units = text.constData();
    qsizetype i = 0;
    while (i < text.size() && units[i].unicode() < firstJoiningUnit)
        ++i;
    return i;
}

// One character break iterator per thread, set up once: it holds the position of a walk, so
// each walk works on a clone of its own, which costs a fraction of setting up a new one. The
// root locale keeps counts the same whatever language the interface or the system speaks.
const icu::BreakIterator *threadPrototype()
{
    thread_local std::unique_ptr<icu::BreakIterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            made.reset();
        return made;
    }();
    return prototype.get();
}

} // namespace

struct GraphemeWalk::Iterator {
    std::unique_ptr<icu::BreakIterator> breaks;
};

GraphemeWalk::GraphemeWalk(const QString &text) : text_(text), simpleEnd_(simpleUnits(text_)) {}

GraphemeWalk::~GraphemeWalk() = default;

qsizetype GraphemeWalk::next()
{
    const qsizetype size = text_.size();
    if (at_ < 0 || at_ >= size) {
        at_ = -1;
        return -1;
    }
    if (at_ < simpleEnd_) {
        const bool crlf = text_.at(at_) == u'\r' && at_ + 1 < size && text_.at(at_ + 1) == u'\n';
        const qsizetype candidate = at_ + (crlf ? 2 : 1);
        // What follows may still join the last simple character (a combining accent after
        // "e"), so the break iterator decides from the last simple unit on.
        if (candidate < simpleEnd_ || simpleEnd_ == size)
            return at_ = candidate;
    }
    if (!iterator_) {
        iterator_ = std::make_unique<Iterator>();
        const icu::BreakIterator *prototype = threadPrototype();
        // ICU counts in 32 bits; a text beyond that (over 4 GiB) is walked by code points.
        if (prototype && size <= std::numeric_limits<int32_t>::max()) {
            iterator_->breaks.reset(prototype->clone());
            UErrorCode status = U_ZERO_ERROR;
            UText text = UTEXT_INITIALIZER;
            utext_openUChars(&text, reinterpret_cast<const UChar *>(text_.constData()), size, &status);
            // The iterator keeps a shallow copy of the UText: the characters stay text_'s own.
            iterator_->breaks->setText(&text, status);
            utext_close(&text);
            if (U_FAILURE(status))
                iterator_->breaks.reset();
        }
    }
    if (icu::BreakIterator *breaks = iterator_->breaks.get()) {
        const int32_t boundary = breaks->current() == at_ ? breaks->next() : breaks->following(int32_t(at_));
        return at_ = boundary == icu::BreakIterator::DONE ? -1 : boundary;
    }
    // Without the character data, whole code points at least: never half of one.
    at_ += text_.at(at_).isHighSurrogate() && at_ + 1 < size && text_.at(at_ + 1).isLowSurrogate() ? 2 : 1;
    return at_;
}

qsizetype graphemeCount(const QString &text)
{
    if (simpleUnits(text) == text.size())
        return text.size() - text.count(u"\r\n");
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

QList<qsizetype> innerGraphemeBoundaries(const QString &text)
{
    QList<qsizetype> boundaries;
    GraphemeWalk walk(text);
    for (qsizetype at = walk.next(); at > 0 && at < text.size(); at = walk.next())
        boundaries.append(at);
    return boundaries;
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
