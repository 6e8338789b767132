#include "app/window/EditorWindowText.h"

#include "core/l10n/AppLanguage.h"
#include "core/l10n/Localization.h"
#include "core/model/LabelDocument.h"

#include <QChar>

#include <algorithm>
#include <cmath>

namespace kestrivane::editorwindow {

double clampedZoom(double zoom)
{
    if (!std::isfinite(zoom))
        return 1;
    return std::clamp(zoom, minimumZoom, maximumZoom);
}

double zoomedIn(double zoom)
{
    return clampedZoom(zoom * zoomStep);
}

double zoomedOut(double zoom)
{
    return clampedZoom(zoom / zoomStep);
}

double zoomToFit(double width, double height, double widthMm, double heightMm)
{
    constexpr double pointsPerMm = 72.0 / 25.4;
    const double zx = (width - 46 - fitMargin) / (widthMm * pointsPerMm);
    const double zy = (height - 34 - fitMargin) / (heightMm * pointsPerMm);
    return clampedZoom(zy < zx ? zy : zx);
}

QString percentText(double zoom, const QString &languageCode)
{
    // The percent patterns of the eight interface languages as the system's locale data
    // writes them; Qt's own percent formatting has no pattern for this.
    const double rounded = std::nearbyint(zoom * 100);
    const QString number = std::isfinite(rounded) ? QString::number(static_cast<qint64>(rounded)) : QStringLiteral("–");
    if (languageCode == QLatin1String("tr-TR"))
        return QLatin1Char('%') + number;
    if (languageCode == QLatin1String("ru-RU") || languageCode == QLatin1String("de-DE") ||
        languageCode == QLatin1String("es-ES") || languageCode == QLatin1String("fr-FR"))
        return number + QChar(0x00A0) + QLatin1Char('%');
    return number + QLatin1Char('%');
}

QString decimalText(double value, int maximumDigits, const QLocale &locale)
{
    QString text = locale.toString(value, 'f', maximumDigits);
    const QString point = locale.decimalPoint();
    if (maximumDigits > 0 && text.contains(point)) {
        const QString zero = locale.zeroDigit();
        while (text.endsWith(zero))
            text.chop(zero.size());
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

QString gridStepText(double stepMm, const Localization &localization)
{
    const QLocale locale(rawValue(localization.language()));
    return decimalText(stepMm, 1, locale) + QLatin1Char(' ') + localization.text(QStringLiteral("mac.unit_mm"));
}

QString statusText(const std::optional<QString> &key, const QString &argument, bool dirty,
                   const Localization &localization)
{
    if (!key)
        return localization.text(dirty ? QStringLiteral("mac.unsaved") : QStringLiteral("mac.saved"));
    if (argument.isEmpty())
        return localization.text(*key);
    return localization.format(*key, {argument});
}

QString labelAccessibilityValue(const LabelDocument &document, const Localization &localization)
{
    const QLocale locale(rawValue(localization.language()));
    return document.name + QStringLiteral(", ") + decimalText(document.widthMm, 2, locale) +
           QStringLiteral(" \u00D7 ") + decimalText(document.heightMm, 2, locale) + QLatin1Char(' ') +
           localization.text(QStringLiteral("mac.unit_mm")) + QStringLiteral(", ") +
           localization.text(titleKey(document.layout.shape)) + QStringLiteral(", ") +
           localization.text(titleKey(document.layout.medium));
}

} // namespace kestrivane::editorwindow
