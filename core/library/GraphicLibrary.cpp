#include "core/library/GraphicLibrary.h"

#include "core/common/DocumentIssue.h"
#include "core/json/JsonRead.h"
#include "core/l10n/CoreResources.h"
#include "core/library/SafeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QUrl>

namespace kestrivane {

namespace {

constexpr qint64 maximumManifestBytes = 16 * 1024 * 1024;
constexpr qint64 maximumWebSignBytes = 8'388'608;
constexpr qsizetype maximumReferenceBytes = 2048;

bool isHexDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
}

// The manifest key a reference names ("ms_" and 32 lower-case hexadecimal digits), or
// nothing; no file is read.
std::optional<QString> webSignKey(const QString &reference)
{
    if (reference.toUtf8().size() > maximumReferenceBytes)
        return std::nullopt;
    const QUrl url(reference, QUrl::StrictMode);
    if (!url.isValid() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    const QStringList pieces = url.path(QUrl::FullyDecoded).split(u'/', Qt::SkipEmptyParts);
    if (pieces.size() < 3 || pieces.at(pieces.size() - 2) != QStringLiteral("signs"))
        return std::nullopt;
    QString key = pieces.last();
    // Only the last extension goes; a name that is all extension (".svg") stays whole.
    const qsizetype dot = key.lastIndexOf(u'.');
    if (dot > 0)
        key.truncate(dot);
    key = key.toLower();
    if (key.size() != 35 || !key.startsWith(QStringLiteral("ms_")) || !isHexDigits(QStringView(key).mid(3)))
        return std::nullopt;
    return key;
}

} // namespace

QString GraphicLibrary::directory()
{
    return CoreResources::path(QStringLiteral("GraphicSigns"));
}

QList<GraphicSign> GraphicLibrary::load()
{
    return load(directory());
}

QList<GraphicSign> GraphicLibrary::load(const QString &folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("manifest.json"));
    const library::BoundedRead read = library::readBounded(path, maximumManifestBytes, library::Links::follow);
    if (read.status != library::BoundedRead::ok)
        throw FileError(QStringLiteral("cannot read the sign manifest ") + path);

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(read.bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray())
        json::fail(QStringLiteral("the sign manifest is not a JSON array"));
    QList<GraphicSign> signs;
    const QJsonArray entries = document.array();
    signs.reserve(entries.size());
    for (const QJsonValue &entry : entries) {
        const QJsonObject object = json::toObject(entry);
        GraphicSign sign;
        sign.id = json::requireString(object, QStringLiteral("id"));
        sign.titleKey = json::requireString(object, QStringLiteral("titleKey"));
        sign.categoryKey = json::requireString(object, QStringLiteral("categoryKey"));
        sign.filename = json::requireString(object, QStringLiteral("filename"));
        sign.sha256 = json::requireString(object, QStringLiteral("sha256"));
        sign.folder = folder;
        signs.append(sign);
    }

    QSet<QString> ids;
    for (const GraphicSign &sign : std::as_const(signs))
        ids.insert(sign.id);
    if (ids.size() < signs.size())
        throwIssue(DocumentIssue::invalidImage);
    for (const GraphicSign &sign : std::as_const(signs)) {
        if (sign.filename.contains(u'/') || sign.filename.contains(u'\\') ||
            sign.filename.contains(QStringLiteral("..")))
            throwIssue(DocumentIssue::invalidImage);
    }
    return signs;
}

std::optional<QByteArray> GraphicLibrary::bundledWebSign(const QString &reference)
{
    // The length check comes first so that an absurd reference never finds the folder.
    if (!webSignKey(reference))
        return std::nullopt;
    return bundledWebSign(reference, directory());
}

std::optional<QByteArray> GraphicLibrary::bundledWebSign(const QString &reference, const QString &folder)
{
    const std::optional<QString> key = webSignKey(reference);
    if (!key)
        return std::nullopt;
    const QList<GraphicSign> signs = load(folder);
    const auto sign =
        std::find_if(signs.begin(), signs.end(), [&](const GraphicSign &s) { return s.id.toLower() == *key; });
    if (sign == signs.end())
        return std::nullopt;
    // What goes into a template must be exactly the file that was shipped.
    const auto bytes = library::readRegularFile(sign->url(), maximumWebSignBytes, library::Links::refuse);
    if (!bytes || bytes->isEmpty())
        throwIssue(DocumentIssue::invalidImage);
    const QByteArray digest = QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256).toHex();
    if (QString::fromLatin1(digest) != sign->sha256.toLower())
        throwIssue(DocumentIssue::invalidImage);
    return bytes;
}

} // namespace kestrivane
