#include "app/shell/TemplateDraft.h"

#include "core/common/DocumentIssue.h"
#include "core/common/TextRules.h"

#include <charconv>
#include <cmath>

namespace kestrivane {

TemplateDraft::TemplateDraft(const LabelDocument &document, std::optional<QUuid> tabID, QObject *parent)
    : QObject(parent), m_id(QUuid::createUuid()), m_tabID(tabID), m_original(document), m_name(document.name),
      m_width(lengthText(document.widthMm)), m_height(lengthText(document.heightMm)),
      m_radius(lengthText(document.layout.cornerRadiusMm)), m_columns(QString::number(document.layout.columns)),
      m_rows(QString::number(document.layout.rows)), m_left(lengthText(document.layout.leftMarginMm)),
      m_top(lengthText(document.layout.topMarginMm)), m_horizontalGap(lengthText(document.layout.columnGapMm)),
      m_verticalGap(lengthText(document.layout.rowGapMm)), m_shape(document.layout.shape),
      m_medium(document.layout.medium)
{
}

QString TemplateDraft::lengthText(double value)
{
    // to_chars gives the shortest text that reads back as exactly this double, in every
    // locale; fixed notation keeps ordinary sizes readable ("0.1", not "1e-01").
    char buffer[400];
    const bool tiny = value != 0 && std::fabs(value) < 1e-4;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      tiny ? std::chars_format::scientific : std::chars_format::fixed);
    if (result.ec != std::errc())
        return QString();
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (!tiny && std::isfinite(value) && !text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

std::optional<double> TemplateDraft::readLength(const QString &text)
{
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    if (number.isEmpty())
        return std::nullopt;
    const auto parsed = text::parseDoubleC(number);
    if (!parsed || parsed->consumed != number.size() || !std::isfinite(parsed->value))
        return std::nullopt;
    return parsed->value;
}

std::optional<qint64> TemplateDraft::readCount(const QString &text)
{
    return text::parseStrictInt64(text);
}

namespace {

template <typename T> T required(const std::optional<T> &value)
{
    if (!value)
        throw DocumentError(DocumentIssue::invalidGeometry);
    return *value;
}

} // namespace

LabelDocument TemplateDraft::document() const
{
    const qint64 columns = required(readCount(m_columns));
    const qint64 rows = required(readCount(m_rows));
    LabelDocument document = m_original;
    document.name = m_name;
    document.widthMm = required(readLength(m_width));
    document.heightMm = required(readLength(m_height));
    document.layout.shape = m_shape;
    document.layout.medium = m_medium;
    // An oval label has no corners: its radius text is never read.
    document.layout.cornerRadiusMm = m_shape == LabelShape::ellipse ? 0 : required(readLength(m_radius));
    document.layout.columns = columns;
    document.layout.rows = rows;
    document.layout.leftMarginMm = required(readLength(m_left));
    document.layout.topMarginMm = required(readLength(m_top));
    document.layout.columnGapMm = required(readLength(m_horizontalGap));
    document.layout.rowGapMm = required(readLength(m_verticalGap));
    document.validate();
    return document;
}

void TemplateDraft::write(QString &field, const QString &text)
{
    field = text;
    Q_EMIT changed();
}

void TemplateDraft::setName(const QString &text)
{
    write(m_name, text);
}
void TemplateDraft::setWidth(const QString &text)
{
    write(m_width, text);
}
void TemplateDraft::setHeight(const QString &text)
{
    write(m_height, text);
}
void TemplateDraft::setRadius(const QString &text)
{
    write(m_radius, text);
}
void TemplateDraft::setColumns(const QString &text)
{
    write(m_columns, text);
}
void TemplateDraft::setRows(const QString &text)
{
    write(m_rows, text);
}
void TemplateDraft::setLeft(const QString &text)
{
    write(m_left, text);
}
void TemplateDraft::setTop(const QString &text)
{
    write(m_top, text);
}
void TemplateDraft::setHorizontalGap(const QString &text)
{
    write(m_horizontalGap, text);
}
void TemplateDraft::setVerticalGap(const QString &text)
{
    write(m_verticalGap, text);
}

void TemplateDraft::setShape(LabelShape shape)
{
    m_shape = shape;
    Q_EMIT changed();
}

void TemplateDraft::setMedium(LabelMedium medium)
{
    m_medium = medium;
    Q_EMIT changed();
}

} // namespace kestrivane
