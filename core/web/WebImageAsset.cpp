#include "web/WebImageAsset.h"

#include "common/TextRules.h"
#include "graphics/ImageAsset.h"
#include "graphics/RasterReader.h"
#include "model/DocumentIssue.h"

#include <QStringDecoder>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

[[noreturn]] void refuse()
{
    throwIssue(DocumentIssue::invalidImage);
}

// Texts that have no business in a label picture: entity declarations, scripts, embedded
// foreign content, and every way CSS has of fetching something.
bool containsForbidden(const QString &lowerCased)
{
    static const char *const forbidden[] = {"<!entity", "<script", "<foreignobject", "url(", "@import"};
    return std::any_of(std::begin(forbidden), std::end(forbidden),
                       [&](const char *text) { return lowerCased.contains(QLatin1String(text)); });
}

QList<qsizetype> matchStarts(const QRegularExpression &pattern, const QString &text)
{
    QList<qsizetype> starts;
    auto it = pattern.globalMatch(text);
    while (it.hasNext())
        starts << it.next().capturedStart();
    return starts;
}

// The allowed document type declaration: the name svg with an optional public or system
// identifier and no internal subset, so that no entity can be declared.
const QString allowedDoctypePattern = QStringLiteral(
    R"re(<!DOCTYPE\s+svg(?:\s+(?:PUBLIC\s+(?:"[^"]*"|'[^']*')\s+(?:"[^"]*"|'[^']*')|SYSTEM\s+(?:"[^"]*"|'[^']*')))?\s*>)re");

// Attribute rules for every element of a cleaned drawing: references must stay inside the
// drawing, and no event handlers. Element names are not examined here; the forbidden texts
// have already excluded the dangerous ones.
bool attributesAreSafe(const QByteArray &drawing)
{
    QXmlStreamReader reader(drawing);
    // Without namespace processing the qualified names are what the text says, so both
    // href and any-prefix:href attributes are caught whatever namespace they are bound to.
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        for (const QXmlStreamAttribute &attribute : reader.attributes()) {
            const QString name = attribute.qualifiedName().toString().toLower();
            if (name.endsWith(QLatin1String("href")) && !attribute.value().startsWith(QLatin1Char('#')))
                return false;
            if (name.startsWith(QLatin1String("on")))
                return false;
        }
    }
    // Malformed XML, including a premature end, is refused as a whole.
    return !reader.hasError();
}

} // namespace

std::optional<QByteArray> WebImageAsset::sanitizedSVG(const QByteArray &data)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(data);
    if (decoder.hasError())
        return std::nullopt;
    if (!text.toLower().contains(QLatin1String("<svg")))
        return std::nullopt;

    // From here on the bytes are an SVG drawing, and every refusal is an error.
    if (data.size() > maximumSvgBytes)
        refuse();
    if (containsForbidden(text.toLower()))
        refuse();

    const auto doctypes = matchStarts(text::unicodeRegex(QStringLiteral(R"(<!DOCTYPE\b)"),
                                                         QRegularExpression::CaseInsensitiveOption),
                                      text);
    const auto roots =
        matchStarts(text::unicodeRegex(QStringLiteral(R"(<svg\b)"), QRegularExpression::CaseInsensitiveOption), text);
    if (doctypes.size() > 1 || roots.isEmpty())
        refuse();
    if (doctypes.size() == 1) {
        if (doctypes.first() >= roots.first())
            refuse();
        const QRegularExpression allowed = text::unicodeRegex(
            allowedDoctypePattern,
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
        auto it = allowed.globalMatch(text);
        QList<QRegularExpressionMatch> matches;
        while (it.hasNext())
            matches << it.next();
        if (matches.size() != 1 || matches.first().capturedStart() != doctypes.first())
            refuse();
        text.remove(matches.first().capturedStart(), matches.first().capturedLength());
    }

    const QString lowerCased = text.toLower();
    if (lowerCased.contains(QLatin1String("<!doctype")) || containsForbidden(lowerCased))
        refuse();
    return text.toUtf8();
}

void WebImageAsset::validate(const QByteArray &data)
{
    if (data.isEmpty() || data.size() > maximumBytes)
        refuse();
    if (const auto drawing = sanitizedSVG(data)) {
        if (!attributesAreSafe(*drawing))
            refuse();
        return;
    }
    // A raster picture. Only real raster formats count: Qt's reader would otherwise accept
    // SVG that the text checks never saw (UTF-16 text, or compressed SVGZ).
    const auto header = raster::readHeader(data);
    if (!header)
        refuse();
    const QSize size = header->size;
    if (size.width() < 1 || size.width() > maximumPixelSide || size.height() < 1 || size.height() > maximumPixelSide)
        refuse();
}

QByteArray WebImageAsset::thumbnail(const QByteArray &data)
{
    validate(data);
    try {
        return ImageAsset::importRaster(data);
    } catch (const DocumentError &) {
        // Not a picture the image library takes as it is: draw it afresh below.
    }
    if (const auto drawing = sanitizedSVG(data)) {
        QSvgRenderer renderer(*drawing);
        if (!renderer.isValid())
            refuse();
        return ImageAsset::rasterize(renderer, thumbnailSide);
    }
    // A raster picture whose PNG the library refuses: decode it straight at the size of the
    // result, so a large picture never needs a full-size bitmap.
    const auto header = raster::readHeader(data);
    if (!header || header->size.isEmpty())
        refuse();
    const QSize size = header->size;
    const double scale = double(thumbnailSide) / std::max(size.width(), size.height());
    const QSize target(std::max(1L, std::lround(size.width() * scale)), std::max(1L, std::lround(size.height() * scale)));
    const QImage image = raster::decode(data, target);
    if (image.isNull())
        refuse();
    return ImageAsset::rasterize(image, thumbnailSide);
}

std::optional<WebPicture> WebPicture::load(const QByteArray &data)
{
    try {
        WebImageAsset::validate(data);
        WebPicture picture;
        if (const auto drawing = WebImageAsset::sanitizedSVG(data)) {
            // Drawn from the cleaned text only: the original may still hold a document type
            // declaration with an external identifier.
            auto renderer = std::make_shared<QSvgRenderer>(*drawing);
            if (!renderer->isValid())
                return std::nullopt;
            QSizeF size = renderer->defaultSize();
            if (size.isEmpty())
                size = renderer->viewBoxF().size();
            if (size.isEmpty())
                return std::nullopt;
            picture.m_drawing = std::move(renderer);
            picture.m_size = size;
            return picture;
        }
        const auto header = raster::readHeader(data);
        if (!header)
            return std::nullopt;
        picture.m_raster = data;
        picture.m_size = QSizeF(header->uprightSize());
        return picture;
    } catch (const DocumentError &) {
        return std::nullopt;
    }
}

bool WebPicture::draw(QPainter &painter, const QRectF &target) const
{
    if (m_drawing) {
        m_drawing->render(&painter, target);
        return true;
    }
    // Decode at the target's size on the device (never larger than the picture), so memory
    // is bounded by what is drawn. The decoder scales in the stored orientation, which may
    // be turned against the upright size; only the longer sides are compared, so it does
    // not matter here.
    const QRectF device = painter.deviceTransform().mapRect(target);
    QSize decodeSize;
    if (device.isValid() && std::isfinite(device.width()) && std::isfinite(device.height())) {
        const auto header = raster::readHeader(m_raster);
        if (!header)
            return false;
        const QSize stored = header->size;
        const double scale = std::min(1.0, std::max(device.width(), device.height()) /
                                               std::max(stored.width(), stored.height()));
        decodeSize = QSize(std::max(1L, std::lround(stored.width() * scale)),
                           std::max(1L, std::lround(stored.height() * scale)));
    }
    const QImage image = raster::decode(m_raster, decodeSize);
    if (image.isNull())
        return false;
    painter.drawImage(target, image, QRectF(image.rect()));
    return true;
}

} // namespace kestrivane
