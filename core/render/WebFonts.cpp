#include "core/render/WebFonts.h"

#include "core/l10n/CoreResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

#include <mutex>

namespace kestrivane {

namespace {

const QString robotoFamily = QStringLiteral("Roboto");
const QString robotoMonoFamily = QStringLiteral("Roboto Mono");

void registerFolder()
{
    const QDir folder(CoreResources::path(QStringLiteral("WebFonts")));
    const QStringList files =
        folder.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf"), QStringLiteral("*.ttc")},
                         QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &file : files) {
        // A file that is damaged or already known changes nothing: -1 is ignored.
        QFontDatabase::addApplicationFont(folder.filePath(file));
    }
}

// Spaces and quotes only: CSS writes "'Roboto Mono'" and " sans-serif".
QStringView trimmedFamily(QStringView part)
{
    auto trims = [](QChar c) { return c == u' ' || c == u'"' || c == u'\''; };
    qsizetype begin = 0;
    qsizetype end = part.size();
    while (begin < end && trims(part[begin]))
        ++begin;
    while (end > begin && trims(part[end - 1]))
        --end;
    return part.sliced(begin, end - begin);
}

} // namespace

void WebFonts::registerFonts()
{
    static std::once_flag once;
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    std::call_once(once, registerFolder);
}

std::optional<PointFont> WebFonts::installedFont(const QString &name, double sizePt)
{
    registerFonts();
    // QFont itself never fails (an unknown family silently becomes another face), so
    // the database is asked first. It compares family names without regard to case.
    if (name.isEmpty() || !QFontDatabase::hasFamily(name))
        return std::nullopt;
    return PointFont(name, sizePt);
}

std::optional<PointFont> WebFonts::resolve(const QString &families, double sizePt)
{
    registerFonts();
    const QList<QStringView> parts = QStringView(families).split(u',', Qt::SkipEmptyParts);
    for (QStringView part : parts) {
        const QStringView name = trimmedFamily(part);
        if (name == u"system-ui" || name == u"sans-serif")
            return systemFont(sizePt);
        if (name == u"monospace")
            return monospacedSystemFont(sizePt);
        if (auto font = installedFont(name.toString(), sizePt))
            return font;
    }
    return std::nullopt;
}

PointFont WebFonts::systemFont(double sizePt)
{
    if (auto font = installedFont(robotoFamily, sizePt))
        return *font;
    return PointFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), sizePt);
}

PointFont WebFonts::monospacedSystemFont(double sizePt, QFont::Weight weight)
{
    if (auto font = installedFont(robotoMonoFamily, sizePt))
        return font->withWeight(weight);
    return PointFont(QFontDatabase::systemFont(QFontDatabase::FixedFont), sizePt).withWeight(weight);
}

PointFont WebFonts::elementFont(const QString &fontName, double sizePt, bool webFamilies)
{
    std::optional<PointFont> font = webFamilies ? resolve(fontName, sizePt) : installedFont(fontName, sizePt);
    return font ? *font : systemFont(sizePt);
}

PointFont WebFonts::gs1CaptionFont(double sizePt)
{
    std::optional<PointFont> font = resolve(robotoMonoFamily, sizePt);
    if (!font)
        return monospacedSystemFont(sizePt, QFont::DemiBold);
    return font->withWeight(QFont::DemiBold);
}

} // namespace kestrivane
