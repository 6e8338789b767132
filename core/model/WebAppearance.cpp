#include "core/model/WebAppearance.h"

#include "core/common/DocumentIssue.h"
#include "core/common/RawValue.h"
#include "core/common/TextRules.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

namespace kestrivane {

namespace {

struct NamedColor {
    const char *name;
    const char *hex;
};

// The only colour words templates use; anything else must be written in numbers.
constexpr std::array<NamedColor, 11> namedColors{{
    {"black", "#000000"},
    {"white", "#ffffff"},
    {"transparent", "#00000000"},
    {"red", "#ff0000"},
    {"green", "#008000"},
    {"blue", "#0000ff"},
    {"gray", "#808080"},
    {"grey", "#808080"},
    {"yellow", "#ffff00"},
    {"navy", "#000080"},
    {"silver", "#c0c0c0"},
}};

bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QStringView trimmedBlanks(QStringView s)
{
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

// One component of rgb()/rgba(): a C-locale number, optionally a percentage. Only the
// whole piece counts; "50 %" and "1e" are no numbers.
std::optional<double> component(QStringView piece, int position)
{
    bool percent = false;
    if (piece.endsWith(u'%')) {
        piece.chop(1);
        percent = true;
    }
    const auto parsed = text::parseDoubleC(piece);
    if (!parsed || parsed->consumed != piece.size() || !std::isfinite(parsed->value))
        return std::nullopt;
    double value = parsed->value;
    if (percent)
        value /= 100;
    else if (position < 3)
        value /= 255;
    return std::clamp(value, 0.0, 1.0);
}

std::optional<QColor> functionalColor(const QString &s)
{
    if (!s.endsWith(u')'))
        return std::nullopt;
    const qsizetype open = s.indexOf(u'(');
    const QStringView inner = QStringView(s).sliced(open + 1, s.size() - open - 2);
    QList<QStringView> pieces;
    for (const QStringView piece : inner.split(u',', Qt::SkipEmptyParts))
        pieces.append(trimmedBlanks(piece));
    if (pieces.size() != 3 && pieces.size() != 4)
        return std::nullopt;
    double values[4] = {0, 0, 0, 1};
    for (int i = 0; i < pieces.size(); ++i) {
        const auto value = component(pieces[i], i);
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    return QColor::fromRgbF(float(values[0]), float(values[1]), float(values[2]), float(values[3]));
}

// Base-16 digits as an unsigned 32-bit reading would take them: one optional '+', or a
// '-' followed only by zeros (which is zero). strtoul would also take "0x", blanks and
// wrapped negatives, so this is written out.
std::optional<quint32> hexNumber(QStringView digits)
{
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'+' || digits.front() == u'-')) {
        negative = digits.front() == u'-';
        digits = digits.sliced(1);
    }
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + quint64(digit);
        if (value > 0xffffffffULL)
            return std::nullopt;
    }
    if (negative && value != 0)
        return std::nullopt;
    return quint32(value);
}

std::optional<QColor> hexColor(const QString &s)
{
    if (!s.startsWith(u'#'))
        return std::nullopt;
    QString digits = s.mid(1);
    if (digits.size() == 3 || digits.size() == 4) {
        QString doubled;
        for (const QChar c : digits)
            doubled += QString(2, c);
        digits = doubled;
    }
    if (digits.size() != 6 && digits.size() != 8)
        return std::nullopt;
    const auto number = hexNumber(digits);
    if (!number)
        return std::nullopt;
    quint32 rgb = *number;
    double alpha = 1;
    if (digits.size() == 8) {
        alpha = double(rgb & 0xff) / 255;
        rgb >>= 8;
    }
    return QColor::fromRgbF(float(double((rgb >> 16) & 0xff) / 255), float(double((rgb >> 8) & 0xff) / 255),
                            float(double(rgb & 0xff) / 255), float(alpha));
}

} // namespace

std::optional<QColor> WebAppearance::cssColor(QStringView text)
{
    QString s = text.trimmed().toString().toLower();
    for (const NamedColor &named : namedColors) {
        if (s == QLatin1String(named.name)) {
            s = QLatin1String(named.hex);
            break;
        }
    }
    if (s.startsWith(QLatin1String("rgb(")) || s.startsWith(QLatin1String("rgba(")))
        return functionalColor(s);
    return hexColor(s);
}

namespace {

constexpr std::array<WebTextVertical, 3> allWebTextVerticals = {WebTextVertical::top, WebTextVertical::center,
                                                                WebTextVertical::bottom};

} // namespace

QString rawValue(WebTextVertical vertical)
{
    switch (vertical) {
    case WebTextVertical::top: return QStringLiteral("top");
    case WebTextVertical::center: return QStringLiteral("center");
    case WebTextVertical::bottom: return QStringLiteral("bottom");
    case WebTextVertical::other: break;
    }
    return QString();
}

WebTextVertical webTextVertical(const QString &raw)
{
    return fromRawValue(allWebTextVerticals, raw).value_or(WebTextVertical::other);
}

void WebAppearance::validate() const
{
    if (!cssColor(color))
        throwIssue(DocumentIssue::invalidContent);
    if (fill && !cssColor(*fill))
        throwIssue(DocumentIssue::invalidContent);
    // Written so that NaN fails every range check.
    if (!(std::isfinite(radiusPt) && radiusPt >= 0 && radiusPt <= 500))
        throwIssue(DocumentIssue::invalidContent);
    if (webTextVertical(vertical) == WebTextVertical::other)
        throwIssue(DocumentIssue::invalidContent);
    if (!(std::isfinite(lineHeight) && lineHeight >= 0.5 && lineHeight <= 5))
        throwIssue(DocumentIssue::invalidContent);
    if (gs1FontPx && !(std::isfinite(*gs1FontPx) && *gs1FontPx >= 4 && *gs1FontPx <= 32))
        throwIssue(DocumentIssue::invalidContent);
    if (date)
        date->validate();
    if (image)
        image->validate();
}

} // namespace kestrivane
