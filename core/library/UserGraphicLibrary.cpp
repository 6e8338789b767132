#include "core/library/UserGraphicLibrary.h"

#include "core/common/AtomicFile.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TextRules.h"
#include "core/graphics/ImageAsset.h"
#include "core/json/JsonRead.h"
#include "core/library/SafeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrivane {

namespace {

QString sha256Text(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

bool isControlOrFormat(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Other_Format;
}

bool isBlankOrBreak(char32_t c)
{
    return c == u'\t' || (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029 ||
           QChar::category(c) == QChar::Separator_Space;
}

QString trimmedBlanks(const QString &text)
{
    const QList<uint> codes = text.toUcs4();
    qsizetype first = 0;
    qsizetype last = codes.size();
    while (first < last && isBlankOrBreak(codes.at(first)))
        ++first;
    while (last > first && isBlankOrBreak(codes.at(last - 1)))
        --last;
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codes.constData() + first), last - first);
}

bool isHidden(const QString &name)
{
    return name.startsWith(u'.');
}

QString lowerExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot <= 0 ? QString() : name.mid(dot + 1).toLower();
}

// Turns every failure but a DocumentError into `issue`.
template <typename F> auto reportingOthersAs(DocumentIssue issue, F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const DocumentError &) {
        throw;
    } catch (const std::exception &) {
        throwIssue(issue);
    }
}

} // namespace

UserGraphicLibrary::UserGraphicLibrary(QString directory, qint64 budget, int limit)
    : m_directory(std::move(directory)), m_budget(std::max<qint64>(budget, 1)),
      m_limit(std::clamp(limit, 1, maximumLimit))
{
}

QString UserGraphicLibrary::defaultDirectory()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return QString();
    return base + QStringLiteral("/com.morvathsoftware.kestrivane/user-images-v1");
}

QString UserGraphicLibrary::safeName(const QString &name)
{
    QString text = name;
    text.replace(u'\\', u'/');
    const QStringList pieces = text.split(u'/', Qt::SkipEmptyParts);
    text = pieces.isEmpty() ? QStringLiteral("image") : pieces.last();

    QList<uint> codes = text.toUcs4();
    codes.removeIf([](uint c) { return isControlOrFormat(c); });
    text = QString::fromUcs4(reinterpret_cast<const char32_t *>(codes.constData()), codes.size());

    // Trimming again after the cut keeps the form stable: a name whose 255th character is
    // a blank would otherwise be stored in a form that the next listing refuses.
    for (int pass = 0; pass < 2; ++pass) {
        text = trimmedBlanks(text);
        if (text.isEmpty())
            text = QStringLiteral("image");
        if (pass == 0)
            text = text::leadingGraphemes(text, maximumNameLength);
    }
    return text;
}

QString UserGraphicLibrary::filePath(const QUuid &id, const char *extension) const
{
    return m_directory + u'/' + id.toString(QUuid::WithoutBraces).toLower() + u'.' + QLatin1String(extension);
}

bool UserGraphicLibrary::safeDirectoryExists() const
{
    switch (library::entryKind(m_directory)) {
    case library::EntryKind::missing: return false;
    case library::EntryKind::folder: return true;
    default: throwIssue(DocumentIssue::io);
    }
}

void UserGraphicLibrary::ensureDirectory() const
{
    if (safeDirectoryExists())
        return;
    if (!QDir().mkpath(m_directory) || !safeDirectoryExists())
        throwIssue(DocumentIssue::io);
}

qint64 UserGraphicLibrary::storedBytes() const
{
    if (!safeDirectoryExists())
        return 0;
    const auto names = library::listFolder(m_directory);
    if (!names)
        throwIssue(DocumentIssue::io);
    qint64 total = 0;
    for (const QString &name : *names) {
        const QString extension = lowerExtension(name);
        if (isHidden(name) || (extension != QStringLiteral("png") && extension != QStringLiteral("json")))
            continue;
        const auto size = library::regularFileSize(m_directory + u'/' + name);
        if (size && qAddOverflow(total, *size, &total))
            throwIssue(DocumentIssue::tooLarge);
    }
    return total;
}

QByteArray UserGraphicLibrary::readPNG(const QUuid &id) const
{
    return reportingOthersAs(DocumentIssue::invalidImage, [&] {
        const auto bytes =
            library::readRegularFile(filePath(id, "png"), ImageAsset::maximumBytes, library::Links::refuse);
        if (!bytes)
            throwIssue(DocumentIssue::invalidImage);
        ImageAsset::validate(*bytes);
        return *bytes;
    });
}

QList<UserGraphic> UserGraphicLibrary::load() const
{
    if (!safeDirectoryExists())
        return {};
    auto listing = library::listFolder(m_directory);
    if (!listing)
        throwIssue(DocumentIssue::io);
    listing->removeIf(isHidden);
    if (listing->size() > 3 * qsizetype(m_limit))
        throwIssue(DocumentIssue::tooLarge);

    // The checks that decide which side files go on run in listing order, because a
    // side file's id is remembered even when the file fails a later check.
    QList<UserGraphic> candidates;
    QSet<QUuid> seen;
    for (const QString &name : std::as_const(*listing)) {
        if (lowerExtension(name) != QStringLiteral("json"))
            continue;
        const auto bytes =
            library::readRegularFile(m_directory + u'/' + name, maximumSideFileBytes, library::Links::refuse);
        if (!bytes)
            continue;
        const auto graphic = UserGraphic::decode(*bytes);
        if (!graphic)
            continue;
        const QString stem = name.left(name.lastIndexOf(u'.')).toLower();
        if (stem != graphic->id.toString(QUuid::WithoutBraces).toLower())
            continue;
        if (seen.contains(graphic->id))
            continue;
        seen.insert(graphic->id);
        if (graphic->displayName.isEmpty() || text::exceedsGraphemes(graphic->displayName, maximumNameLength) ||
            graphic->displayName != safeName(graphic->displayName))
            continue;
        if (!std::isfinite(graphic->importedAt) || graphic->sha256.size() != 64)
            continue;
        candidates.append(*graphic);
    }

    // Reading and hashing the pictures is most of the work: spread it over the cores.
    std::vector<char> accepted(size_t(candidates.size()), 0);
    std::atomic<qsizetype> next{0};
    auto work = [&] {
        for (qsizetype i = next++; i < candidates.size(); i = next++) {
            try {
                accepted[size_t(i)] = sha256Text(readPNG(candidates.at(i).id)) == candidates.at(i).sha256;
            } catch (...) {
                // Not accepted: a picture that cannot be read is skipped like any other.
            }
        }
    };
    const qsizetype workers =
        std::min<qsizetype>(candidates.size(), std::max(1u, std::min(8u, std::thread::hardware_concurrency())));
    std::vector<std::thread> threads;
    try {
        for (qsizetype i = 1; i < workers; ++i)
            threads.emplace_back(work);
    } catch (const std::system_error &) {
        // No more threads to be had: the ones started and this one do the rest.
    }
    work();
    for (std::thread &thread : threads)
        thread.join();

    QList<UserGraphic> graphics;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (accepted[size_t(i)])
            graphics.append(candidates.at(i));
    }
    if (graphics.size() > m_limit)
        throwIssue(DocumentIssue::tooLarge);
    std::sort(graphics.begin(), graphics.end(), [](const UserGraphic &a, const UserGraphic &b) {
        if (a.importedAt != b.importedAt)
            return a.importedAt > b.importedAt;
        return json::uuidText(a.id) < json::uuidText(b.id);
    });
    return graphics;
}

QByteArray UserGraphicLibrary::data(const UserGraphic &graphic) const
{
    // Without a folder the file name alone would be looked up from the file-system root.
    if (m_directory.isEmpty())
        throwIssue(DocumentIssue::io);
    const QByteArray png = readPNG(graphic.id);
    if (sha256Text(png) != graphic.sha256)
        throwIssue(DocumentIssue::invalidImage);
    return png;
}

UserGraphic UserGraphicLibrary::importRaster(const QByteArray &data, const QString &name, const QUuid &id,
                                             double importedAt) const
{
    const QByteArray png = ImageAsset::importRaster(data);
    UserGraphic graphic;
    graphic.id = id;
    graphic.displayName = safeName(name);
    graphic.importedAt = importedAt;
    graphic.sha256 = sha256Text(png);
    const QByteArray sideFile = reportingOthersAs(DocumentIssue::io, [&] { return graphic.encoded(); });
    if (sideFile.size() > maximumSideFileBytes)
        throwIssue(DocumentIssue::tooLarge);

    const QList<UserGraphic> existing = load();
    if (existing.size() >= m_limit)
        throwIssue(DocumentIssue::tooLarge);
    if (std::any_of(existing.begin(), existing.end(), [&](const UserGraphic &g) { return g.id == id; }))
        throwIssue(DocumentIssue::tooLarge);

    qint64 needed = 0;
    if (qAddOverflow(qint64(png.size()), qint64(sideFile.size()), &needed))
        throwIssue(DocumentIssue::tooLarge);
    const qint64 stored = storedBytes();
    // Written as a subtraction: both sides are at most the budget, so nothing can wrap.
    if (m_budget - needed < stored)
        throwIssue(DocumentIssue::tooLarge);

    reportingOthersAs(DocumentIssue::io, [&] {
        ensureDirectory();
        const QString pngPath = filePath(id, "png");
        const QString jsonPath = filePath(id, "json");
        // The atomic write replaces what it finds, so nothing may be there yet (not even
        // a broken link).
        if (library::entryKind(pngPath) != library::EntryKind::missing ||
            library::entryKind(jsonPath) != library::EntryKind::missing)
            throwIssue(DocumentIssue::io);
        writeFileAtomically(pngPath, png);
        try {
            writeFileAtomically(jsonPath, sideFile);
        } catch (...) {
            QFile::remove(pngPath);
            throwIssue(DocumentIssue::io);
        }
    });
    return graphic;
}

} // namespace kestrivane
