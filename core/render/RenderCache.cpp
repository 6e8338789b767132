#include "core/render/RenderCache.h"

#include "core/common/DocumentIssue.h"
#include "core/graphics/ImageAsset.h"
#include "core/graphics/RasterReader.h"
#include "core/model/LabelElement.h"
#include "core/render/WebFonts.h"
#include "core/web/WebImageAsset.h"

#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace kestrivane {

namespace {

// Print devices have no pixels of their own: pictures are decoded for 300 dots per inch.
constexpr double printPixelsPerPoint = 300.0 / 72.0;
// Longest side a picture is decoded at for drawing (64 MiB of RGBA at most).
constexpr int maximumDecodeSide = 4096;
// Memory that the pictures of colour runs may hold: some two thousand distinct emoji at
// 12 points and 600 dots per inch.
constexpr qsizetype colourRunBudget = 64 * 1024 * 1024;

[[noreturn]] void refuse()
{
    throwIssue(DocumentIssue::invalidImage);
}

} // namespace

ElementPicture ElementPicture::load(const LabelElement &element)
{
    if (!element.imageData)
        refuse();
    ImageAsset::validate(*element.imageData);
    ElementPicture picture;
    const QByteArray *source = &*element.imageData;
    if (element.originalImageData) {
        WebImageAsset::validate(*element.originalImageData);
        source = &*element.originalImageData;
        // An SVG original is drawn from its cleaned text only: the bytes as they came may
        // still hold a document type declaration with an external identifier.
        if (const auto drawing = WebImageAsset::sanitizedSVG(*source)) {
            auto renderer = std::make_shared<QSvgRenderer>(*drawing);
            // With its fractions: Qt's default size is whole pixels, which would give a
            // small drawing the wrong aspect ratio.
            const QSizeF size = drawingSize(*renderer);
            if (!renderer->isValid() || size.isEmpty())
                refuse();
            picture.m_drawing = std::move(renderer);
            picture.m_size = size;
            return picture;
        }
    }
    // Raster pictures: only the allowed raster formats, never a drawing read by Qt's
    // image reader behind the sanitiser's back.
    const auto header = raster::readHeader(*source);
    if (!header || header->size.isEmpty())
        refuse();
    picture.m_raster = *source;
    picture.m_stored = header->size;
    picture.m_size = QSizeF(header->uprightSize());
    return picture;
}

QSize ElementPicture::decodeSize(const QPainter &painter, const QRectF &target) const
{
    if (m_stored.isEmpty())
        return QSize();
    QRectF device = painter.deviceTransform().mapRect(target);
    double factor = 1;
    if (const QPaintEngine *engine = painter.paintEngine();
        engine && engine->type() != QPaintEngine::Raster && engine->type() != QPaintEngine::OpenGL2)
        factor = printPixelsPerPoint;
    double longest = std::max(device.width(), device.height()) * factor;
    if (!std::isfinite(longest) || longest <= 0)
        longest = maximumDecodeSide;
    longest = std::min(longest, double(maximumDecodeSide));
    const int storedLongest = std::max(m_stored.width(), m_stored.height());
    // The decoder scales in the stored orientation; only the longer sides are compared, so
    // a quarter turn applied afterwards makes no difference here.
    const double scale = std::min(1.0, std::ceil(longest) / storedLongest);
    return QSize(std::max(1L, std::lround(m_stored.width() * scale)),
                 std::max(1L, std::lround(m_stored.height() * scale)));
}

struct RenderCache::Private {
    using PictureKey = std::tuple<const char *, qsizetype, const char *, qsizetype>;
    struct PictureEntry {
        // The bytes are held so that their addresses, which form the key, stay theirs.
        QByteArray stored;
        std::optional<QByteArray> original;
        ElementPicture picture;
    };
    using BytesKey = std::pair<const char *, qsizetype>;
    struct WebPictureEntry {
        QByteArray bytes; // held for the key, as above
        std::optional<WebPicture> picture;
    };
    using ImageKey = std::tuple<const char *, qsizetype, int, int>;
    struct ImageEntry {
        QByteArray bytes; // held for the key, as above
        QImage image;
    };

    std::map<PictureKey, PictureEntry> pictures;
    std::map<BytesKey, WebPictureEntry> webPictures;
    std::map<ImageKey, ImageEntry> images;
    QHash<QByteArray, RenderCache::ColourRun> colourRuns;
    qsizetype colourRunBytes = 0;
    // Faces at 1 pt, by name and kind of lookup, or by weight.
    std::map<std::pair<QString, bool>, PointFont> elementFonts;
    std::map<int, PointFont> monospacedFonts;
    std::optional<PointFont> gs1Font;
    RenderCache::ProvidedCodes provided;
};

RenderCache::RenderCache() : d(std::make_unique<Private>()) {}
RenderCache::~RenderCache() = default;

const ElementPicture &RenderCache::picture(const LabelElement &element)
{
    if (!element.imageData)
        refuse();
    const QByteArray &stored = *element.imageData;
    const QByteArray *original = element.originalImageData ? &*element.originalImageData : nullptr;
    const Private::PictureKey key{stored.constData(), stored.size(), original ? original->constData() : nullptr,
                                  original ? original->size() : -1};
    if (auto it = d->pictures.find(key); it != d->pictures.end())
        return it->second.picture;
    Private::PictureEntry entry{stored, element.originalImageData, ElementPicture::load(element)};
    return d->pictures.emplace(key, std::move(entry)).first->second.picture;
}

QImage RenderCache::image(const ElementPicture &picture, QSize size)
{
    QImage image = decoded(picture.raster(), size);
    if (image.isNull())
        refuse();
    return image;
}

const std::optional<WebPicture> &RenderCache::picture(const QByteArray &data)
{
    const Private::BytesKey key{data.constData(), data.size()};
    if (auto it = d->webPictures.find(key); it != d->webPictures.end())
        return it->second.picture;
    Private::WebPictureEntry entry{data, WebPicture::load(data)};
    return d->webPictures.emplace(key, std::move(entry)).first->second.picture;
}

QImage RenderCache::decoded(const QByteArray &bytes, QSize size)
{
    const Private::ImageKey key{bytes.constData(), bytes.size(), size.width(), size.height()};
    if (auto it = d->images.find(key); it != d->images.end())
        return it->second.image;
    QImage image = raster::decode(bytes, size);
    // A failure is not remembered: it is thrown, and a run stops at it.
    if (!image.isNull())
        d->images.emplace(key, Private::ImageEntry{bytes, image});
    return image;
}

PointFont RenderCache::elementFont(const QString &fontName, double sizePt, bool webFamilies)
{
    const auto key = std::make_pair(fontName, webFamilies);
    auto it = d->elementFonts.find(key);
    if (it == d->elementFonts.end())
        it = d->elementFonts.emplace(key, WebFonts::elementFont(fontName, 1, webFamilies)).first;
    return it->second.withPointSize(sizePt);
}

PointFont RenderCache::monospacedSystemFont(double sizePt, QFont::Weight weight)
{
    auto it = d->monospacedFonts.find(int(weight));
    if (it == d->monospacedFonts.end())
        it = d->monospacedFonts.emplace(int(weight), WebFonts::monospacedSystemFont(1, weight)).first;
    return it->second.withPointSize(sizePt);
}

PointFont RenderCache::gs1CaptionFont(double sizePt)
{
    if (!d->gs1Font)
        d->gs1Font = WebFonts::gs1CaptionFont(1);
    return d->gs1Font->withPointSize(sizePt);
}

RenderCache::ColourRun RenderCache::colourRun(const QByteArray &key, const std::function<ColourRun()> &render)
{
    if (const auto it = d->colourRuns.constFind(key); it != d->colourRuns.constEnd())
        return *it;
    ColourRun run = render();
    if (d->colourRunBytes + run.image.sizeInBytes() <= colourRunBudget) {
        d->colourRunBytes += run.image.sizeInBytes();
        d->colourRuns.insert(key, run);
    }
    return run;
}

void RenderCache::provide(ProvidedCodes codes)
{
    d->provided = std::move(codes);
}

void RenderCache::clearProvided()
{
    d->provided = ProvidedCodes();
}

const BarcodeDrawing *RenderCache::providedBarcode(const QString &content, const BarcodeOptions &options) const
{
    for (const ProvidedBarcode &barcode : d->provided.barcodes) {
        if (barcode.content == content && barcode.options == options)
            return &barcode.drawing;
    }
    return nullptr;
}

const QRCodeMatrix *RenderCache::providedQRCode(const QString &text) const
{
    for (const ProvidedQRCode &code : d->provided.qrCodes) {
        if (code.text == text)
            return &code.matrix;
    }
    return nullptr;
}

int RenderCache::imageCount() const
{
    return int(d->images.size());
}

int RenderCache::colourRunCount() const
{
    return int(d->colourRuns.size());
}

} // namespace kestrivane
