#include "core/table/BatchOptions.h"

#include "core/common/TableIssue.h"
#include "core/common/TextRules.h"

#include <vector>

namespace kestrivane {

namespace {

// Spaces, tabs and the other Unicode space separators; line breaks are not blanks.
bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

qint64 rowNumber(QStringView piece, qint64 count)
{
    const QStringView digits = trimmedBlanks(piece);
    // ASCII digits only: the strict parser would also take a sign.
    if (digits.isEmpty() || digits.front() < u'0' || digits.front() > u'9')
        throwIssue(TableIssue::range);
    const std::optional<qint64> value = text::parseStrictInt64(digits);
    if (!value || *value < 1 || *value > count)
        throwIssue(TableIssue::range);
    return *value;
}

} // namespace

QList<qint64> BatchOptions::selectedRows(qint64 count) const
{
    if (count < 1 || count > 10000)
        throwIssue(TableIssue::range);
    QList<qint64> result;
    if (rows.trimmed().isEmpty()) {
        result.reserve(count);
        for (qint64 i = 0; i < count; ++i)
            result.append(i);
        return result;
    }
    std::vector<bool> selected(static_cast<size_t>(count), false);
    for (QStringView part : QStringView(rows).split(u',')) {
        const QList<QStringView> pieces = trimmedBlanks(part).split(u'-');
        if (pieces.size() == 1) {
            selected[static_cast<size_t>(rowNumber(pieces[0], count) - 1)] = true;
        } else if (pieces.size() == 2) {
            const qint64 first = rowNumber(pieces[0], count);
            const qint64 last = rowNumber(pieces[1], count);
            if (last < first)
                throwIssue(TableIssue::range);
            for (qint64 n = first; n <= last; ++n)
                selected[static_cast<size_t>(n - 1)] = true;
        } else {
            throwIssue(TableIssue::range);
        }
    }
    for (qint64 i = 0; i < count; ++i) {
        if (selected[static_cast<size_t>(i)])
            result.append(i);
    }
    return result;
}

} // namespace kestrivane
