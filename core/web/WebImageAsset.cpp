#include "core/web/WebImageAsset.h"

#include "core/common/DocumentIssue.h"
#include "core/common/TextRules.h"
#include "core/graphics/ImageAsset.h"
#include "core/graphics/RasterReader.h"

#include <QStringDecoder>
#include <QPaintEngine>
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

// Pictures drawn on print and PDF devices are decoded for 300 dots per inch.
constexpr double printPixelsPerPoint = 300.0 / 72.0;
// Longest side a picture is decoded at for drawing: 64 MiB of RGBA at most.
constexpr int maximumDecodeSide = 4096;

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
// have already excluded the dangerous ones. Style sheet instructions, which fetch files,
// are refused as well.
bool attributesAreSafe(const QByteArray &drawing)
{
    QXmlStreamReader reader(drawing);
    // Without namespace processing the qualified names are what the text says, so both
    // href and any-prefix:href attributes are caught whatever namespace they are bound to.
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        // Qt's SVG renderer reads the file a style sheet instruction names, whatever it is:
        // a local file, a device that never ends, a pipe that blocks.
        if (token == QXmlStreamReader::ProcessingInstruction &&
            reader.processingInstructionTarget().compare(QLatin1String("xml-stylesheet"), Qt::CaseInsensitive) == 0)
            return false;
        if (token != QXmlStreamReader::StartElement)
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
            const QSizeF size = drawingSize(*renderer);
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

bool WebPicture::draw(QPainter &painter, const QRectF &target, WebPictureStore *store) const
{
    if (m_drawing) {
        m_drawing->render(&painter, target);
        return true;
    }
    // Decode at the size the target covers on the device, never larger than the picture
    // and at most `maximumDecodeSide` on the longer side, so memory is bounded by what is
    // drawn. Print and PDF devices count in points and have no pixels of their own: the
    // picture is decoded for print resolution there. Each side is scaled on its own, so a
    // stretched picture keeps the detail of its stretched side.
    const auto header = raster::readHeader(m_raster);
    if (!header)
        return false;
    const QTransform transform = painter.deviceTransform();
    double factor = 1;
    if (const QPaintEngine *engine = painter.paintEngine();
        engine && engine->type() != QPaintEngine::Raster && engine->type() != QPaintEngine::OpenGL2)
        factor = printPixelsPerPoint;
    // The target's own sides on the device, also under rotation; in the stored orientation.
    QSizeF wanted(target.width() * std::hypot(transform.m11(), transform.m12()) * factor,
                  target.height() * std::hypot(transform.m21(), transform.m22()) * factor);
    if (header->turned)
        wanted.transpose();
    const QSize stored = header->size;
    if (!std::isfinite(wanted.width()) || !std::isfinite(wanted.height()) || !(wanted.width() > 0) ||
        !(wanted.height() > 0))
        wanted = QSizeF(stored);
    double width = std::min(double(stored.width()), std::ceil(wanted.width()));
    double height = std::min(double(stored.height()), std::ceil(wanted.height()));
    if (const double longer = std::max(width, height); longer > maximumDecodeSide) {
        width *= maximumDecodeSide / longer;
        height *= maximumDecodeSide / longer;
    }
    const QSize decodeSize(std::max(1L, std::lround(width)), std::max(1L, std::lround(height)));
    const QImage image = store ? store->decoded(m_raster, decodeSize) : raster::decode(m_raster, decodeSize);
    if (image.isNull())
        return false;
    painter.drawImage(target, image, QRectF(image.rect()));
    return true;
}

} // namespace kestrivane
