#include "core/render/PointFont.h"

#include "core/render/RenderCache.h"

#include <QDataStream>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kestrivane {

namespace {

// Qt keeps text positions in 26.6 fixed point, which overflows near 2^25 pixels; a
// line that long is wider than any label at any size, so wider widths are clamped.
constexpr double maxReferenceLineWidth = 16'000'000;

double sanitizedSize(double pointSize)
{
    return std::isfinite(pointSize) && pointSize > 0 ? pointSize : 0;
}

// The paragraphs of a text: "\n", "\r\n", "\r" and U+2029 end one (U+2028 breaks a line
// within its paragraph). A break at the very end is followed by an empty paragraph.
QStringList paragraphsOf(const QString &text)
{
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r' && c != QChar::ParagraphSeparator)
            continue;
        result.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    result.append(text.sliced(start));
    return result;
}

} // namespace

PointFont::PointFont() : reference_(QGuiApplication::font())
{
    prepare();
}

PointFont::PointFont(const QString &family, double pointSize) : reference_(family), pointSize_(sanitizedSize(pointSize))
{
    prepare();
}

PointFont::PointFont(const QFont &face, double pointSize) : reference_(face), pointSize_(sanitizedSize(pointSize))
{
    prepare();
}

void PointFont::prepare()
{
    reference_.setPixelSize(referencePixelSize);
    // Hinting snaps outlines and advances to the reference pixel grid, which is not
    // the grid the text lands on after scaling; unhinted advances scale linearly.
    reference_.setHintingPreference(QFont::PreferNoHinting);
}

PointFont PointFont::withPointSize(double pointSize) const
{
    PointFont copy = *this;
    copy.pointSize_ = sanitizedSize(pointSize);
    return copy;
}

PointFont PointFont::withWeight(QFont::Weight weight) const
{
    PointFont copy = *this;
    copy.reference_.setWeight(weight);
    return copy;
}

PointFont PointFont::withBold(bool bold) const
{
    PointFont copy = *this;
    copy.reference_.setBold(bold);
    return copy;
}

PointFont PointFont::withItalic(bool italic) const
{
    PointFont copy = *this;
    copy.reference_.setItalic(italic);
    return copy;
}

PointFont PointFont::withUnderline(bool underline) const
{
    PointFont copy = *this;
    copy.reference_.setUnderline(underline);
    return copy;
}

double PointFont::ascent() const
{
    return QFontMetricsF(reference_).ascent() * scale();
}

double PointFont::descent() const
{
    return QFontMetricsF(reference_).descent() * scale();
}

double PointFont::leading() const
{
    return QFontMetricsF(reference_).leading() * scale();
}

double PointFont::referenceWidth(const QString &text) const
{
    return text.isEmpty() ? 0 : QFontMetricsF(reference_).horizontalAdvance(text);
}

double PointFont::width(const QString &text) const
{
    return referenceWidth(text) * scale();
}

PointTextLayout::PointTextLayout(const QString &text, const PointFont &font) : PointTextLayout(text, font, Options{}) {}

PointTextLayout::PointTextLayout(const QString &text, const PointFont &font, const Options &options) : font_(font)
{
    const double s = font.scale();
    if (text.isEmpty() || s <= 0)
        return;

    QTextOption option;
    // Each paragraph takes its direction from its first strong character, as label texts
    // always have; left and right still mean the page's left and right.
    option.setTextDirection(Qt::LayoutDirectionAuto);
    Qt::Alignment alignment = options.alignment;
    if (alignment & (Qt::AlignLeft | Qt::AlignRight))
        alignment |= Qt::AlignAbsolute;
    option.setAlignment(alignment);
    option.setWrapMode(options.wrapWidthPt ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);

    double lineWidth = maxReferenceLineWidth;
    if (options.wrapWidthPt)
        lineWidth = std::clamp(*options.wrapWidthPt / s, 0.0, maxReferenceLineWidth);
    const bool fixed = options.lineHeightPt.has_value();
    const double fixedHeight = fixed ? std::max(*options.lineHeightPt, 0.0) / s : 0.0;

    // Line heights and baselines are placed here rather than by Qt, which rounds each
    // line's height up to a whole reference pixel.
    double top = 0;
    double widest = 0;
    for (const QString &paragraph : paragraphsOf(text)) {
        auto layout = std::make_unique<QTextLayout>(paragraph, font.referenceFont());
        layout->setTextOption(option);
        // Cache the glyphs: the layout is usually drawn right after it is measured.
        layout->setCacheEnabled(true);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(lineWidth);
            const double ascent = line.ascent();
            const double descent = line.descent();
            double lineHeight = 0;
            double baseline = 0;
            if (fixed) {
                lineHeight = fixedHeight;
                baseline = top + lineHeight - descent;
            } else {
                lineHeight = ascent + descent + std::max(line.leading(), 0.0);
                baseline = top + ascent;
            }
            line.setPosition(QPointF(0, baseline - ascent));
            tops_.append(top * s);
            baselines_.append(baseline * s);
            widest = std::max(widest, line.naturalTextWidth());
            top += lineHeight;
        }
        layout->endLayout();
        paragraphs_.push_back(Paragraph{std::move(layout), nullptr, {}});
    }

    // Unwrapped text is aligned within its own widest line.
    if (!options.wrapWidthPt && !(options.alignment & Qt::AlignLeft)) {
        for (const Paragraph &paragraph : paragraphs_) {
            for (int i = 0; i < paragraph.layout->lineCount(); ++i) {
                QTextLine line = paragraph.layout->lineAt(i);
                const QPointF position = line.position();
                line.setLineWidth(widest);
                line.setPosition(position);
            }
        }
    }

    height_ = top * s;
    naturalWidth_ = widest * s;

    if (options.wrapWidthPt && (options.alignment & Qt::AlignJustify)) {
        for (Paragraph &paragraph : paragraphs_)
            prepareUnjustifiedLines(paragraph, option);
    }
}

void PointTextLayout::prepareUnjustifiedLines(Paragraph &paragraph, QTextOption option)
{
    const QTextLayout &justified = *paragraph.layout;
    const QString &text = justified.text();
    auto hasInnerSpace = [&](const QTextLine &line) {
        qsizetype end = line.textStart() + line.textLength();
        while (end > line.textStart() && text[end - 1].isSpace())
            --end;
        for (qsizetype i = line.textStart(); i < end; ++i) {
            if (text[i].isSpace())
                return true;
        }
        return false;
    };
    QList<int> lines;
    for (int i = 0; i < justified.lineCount(); ++i) {
        if (!hasInnerSpace(justified.lineAt(i)))
            lines.append(i);
    }
    if (lines.isEmpty())
        return;
    // Line breaks do not depend on the alignment: the same lines again, placed where Qt puts
    // a justified paragraph's last line.
    option.setAlignment((text.isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute);
    auto plain = std::make_unique<QTextLayout>(text, justified.font());
    plain->setTextOption(option);
    plain->setCacheEnabled(true);
    plain->beginLayout();
    for (int i = 0; i < justified.lineCount(); ++i) {
        const QTextLine from = justified.lineAt(i);
        QTextLine line = plain->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(from.width());
        line.setPosition(from.position());
    }
    plain->endLayout();
    if (plain->lineCount() != justified.lineCount())
        return;
    for (int i = 0; i < justified.lineCount(); ++i) {
        if (plain->lineAt(i).textStart() != justified.lineAt(i).textStart())
            return;
    }
    paragraph.unjustified = std::move(plain);
    paragraph.unjustifiedLines = std::move(lines);
}

PointTextLayout::~PointTextLayout() = default;
PointTextLayout::PointTextLayout(PointTextLayout &&) noexcept = default;
PointTextLayout &PointTextLayout::operator=(PointTextLayout &&) noexcept = default;

int PointTextLayout::lineCount() const
{
    return int(tops_.size());
}

double PointTextLayout::lineTop(int i) const
{
    return i >= 0 && i < tops_.size() ? tops_[i] : 0;
}

double PointTextLayout::baseline(int i) const
{
    return i >= 0 && i < baselines_.size() ? baselines_[i] : 0;
}

QRectF PointTextLayout::inkBounds() const
{
    QRectF bounds;
    // Each glyph's own outline box: a glyph run's bounding rectangle is its line's box.
    auto addGlyphs = [&bounds](const QTextLayout &layout) {
        for (const QGlyphRun &run : layout.glyphRuns()) {
            const QRawFont font = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
                const QRectF glyph = font.boundingRect(glyphs[i]);
                if (!glyph.isEmpty())
                    bounds |= glyph.translated(positions[i]);
            }
        }
    };
    for (const Paragraph &paragraph : paragraphs_) {
        addGlyphs(*paragraph.layout);
        if (paragraph.unjustified)
            addGlyphs(*paragraph.unjustified);
        // An underline runs under the line's advances, within its descent.
        if (font_.underline()) {
            for (int i = 0; i < paragraph.layout->lineCount(); ++i)
                bounds |= paragraph.layout->lineAt(i).naturalTextRect();
        }
    }
    const double s = font_.scale();
    return QRectF(bounds.topLeft() * s, bounds.size() * s);
}

void PointTextLayout::draw(QPainter &painter, const QPointF &topLeft, RenderCache *cache) const
{
    if (paragraphs_.empty())
        return;
    if (drawWithColourPictures(painter, topLeft, cache))
        return;
    const double s = font_.scale();
    // Only the transform changes: saving the whole state would cost a PDF page a
    // restatement of it when restored.
    const QTransform saved = painter.transform();
    painter.translate(topLeft);
    painter.scale(s, s);
    for (const Paragraph &paragraph : paragraphs_) {
        if (!paragraph.unjustified) {
            paragraph.layout->draw(&painter, QPointF(0, 0));
            continue;
        }
        for (int i = 0; i < paragraph.layout->lineCount(); ++i) {
            const QTextLayout &from =
                paragraph.unjustifiedLines.contains(i) ? *paragraph.unjustified : *paragraph.layout;
            from.lineAt(i).draw(&painter, QPointF(0, 0));
        }
    }
    painter.setTransform(saved);
}

namespace {

// Colour glyphs (bitmaps in CBDT or sbix, layered outlines in COLR) reach Qt's PDF engine
// as glyphs it cannot write: the page gets a blank gap, and once the engine has met them,
// the same glyphs come out blank in raster drawing too for the rest of the process. Such
// runs are drawn into a PDF as pictures instead.
bool isColourFont(const QRawFont &font)
{
    // Reading a table copies all of it (the emoji font's bitmaps are about 11 MB), so each
    // face is examined once per process.
    static QMutex mutex;
    static QHash<std::pair<QString, QString>, bool> known;
    const std::pair<QString, QString> key(font.familyName(), font.styleName());
    {
        const QMutexLocker lock(&mutex);
        if (const auto it = known.constFind(key); it != known.constEnd())
            return *it;
    }
    const bool colour =
        !font.fontTable("CBDT").isEmpty() || !font.fontTable("sbix").isEmpty() || !font.fontTable("COLR").isEmpty();
    const QMutexLocker lock(&mutex);
    known.insert(key, colour);
    return colour;
}

// Pictures of colour runs in a PDF have at least this resolution, and never more than this
// many pixels on their longer side (64 MiB of RGBA).
constexpr double colourRunDotsPerInch = 600;
constexpr double maximumColourRunSide = 4096;

bool drawsToPdf(const QPainter &painter)
{
    const QPaintEngine *engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Pdf;
}

// Whether `face` has a glyph for every character of `text`. Qt takes each glyph from the
// text's own face when it has one, so a text it covers uses no other face.
bool covers(const QRawFont &face, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (!face.supportsCharacter(c))
            return false;
    }
    return true;
}

// The left and right end of a run's advances, in the painter's units.
std::pair<double, double> runExtent(const QGlyphRun &run)
{
    const QList<QPointF> positions = run.positions();
    const QList<QPointF> advances = run.rawFont().advancesForGlyphIndexes(run.glyphIndexes());
    double left = std::numeric_limits<double>::infinity();
    double right = -left;
    for (qsizetype i = 0; i < positions.size(); ++i) {
        left = std::min(left, positions[i].x());
        right = std::max(right, positions[i].x() + (i < advances.size() ? advances[i].x() : 0));
    }
    return {left, right};
}

// A run of colour glyphs as a picture at the output's resolution, placed where the glyphs
// would be. The painter is in the layout's reference pixels; the run's positions are too.
void drawColourRun(QPainter &painter, const QGlyphRun &run, RenderCache *cache)
{
    const QRawFont font = run.rawFont();
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    if (glyphs.isEmpty() || positions.size() != glyphs.size())
        return;

    // Everything relative to the first glyph's origin, so that the same run anywhere is the
    // same picture.
    const QPointF origin = positions.first();
    QList<QPointF> relative;
    relative.reserve(positions.size());
    for (const QPointF &position : positions)
        relative.append(position - origin);

    // Pixels per reference pixel: the device's own resolution, at least the floor for PDF.
    const QTransform device = painter.deviceTransform();
    double perUnit = std::max(std::hypot(device.m11(), device.m12()), std::hypot(device.m21(), device.m22()));
    const int dpi = painter.device() ? painter.device()->logicalDpiX() : 72;
    perUnit *= std::max(1.0, colourRunDotsPerInch / std::max(dpi, 1));
    if (!std::isfinite(perUnit) || !(perUnit > 0))
        return;
    const QColor ink = painter.pen().color();

    // Measuring a bitmap glyph decodes its bitmap, as drawing does: both happen once per
    // distinct run, and the picture keeps the box it fills.
    auto render = [&] {
        // The advances at the font's full height, and any ink reaching beyond.
        const auto [left, right] = runExtent(run);
        QRectF box(left - origin.x(), -font.ascent(), right - left, font.ascent() + font.descent());
        for (qsizetype i = 0; i < glyphs.size(); ++i)
            box = box.united(font.boundingRect(glyphs[i]).translated(relative[i]));
        const double margin = 0.05 * font.pixelSize();
        box.adjust(-margin, -margin, margin, margin);
        const double scale = std::min(perUnit, maximumColourRunSide / std::max(box.width(), box.height()));
        if (!box.isValid() || !std::isfinite(scale) || !(scale > 0))
            return RenderCache::ColourRun();
        const QSize size(std::max(1, int(std::ceil(box.width() * scale))),
                         std::max(1, int(std::ceil(box.height() * scale))));
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter picture(&image);
        picture.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        picture.scale(scale, scale);
        picture.translate(-box.topLeft());
        // Layered fonts may paint some layers in the text's colour.
        picture.setPen(ink);
        QGlyphRun placed = run;
        placed.setPositions(relative);
        placed.setUnderline(false);
        picture.drawGlyphRun(QPointF(0, 0), placed);
        picture.end();
        return RenderCache::ColourRun{image, QRectF(box.topLeft(), QSizeF(size) / scale)};
    };
    RenderCache::ColourRun picture;
    if (cache) {
        QByteArray key;
        QDataStream out(&key, QIODevice::WriteOnly);
        out << font.familyName() << font.styleName() << int(font.weight()) << int(font.style()) << font.pixelSize()
            << glyphs << relative << perUnit << quint64(ink.rgba64());
        picture = cache->colourRun(key, render);
    } else {
        picture = render();
    }
    if (!picture.image.isNull())
        painter.drawImage(picture.box.translated(origin), picture.image);
}

// Underlines the underlined runs of one line as QTextLine::draw does: one line under all of
// them, as low and as thick as the lowest and thickest of their fonts ask, kept within the
// descent. (QPainter's own underline of a glyph run stops short of the run's end.)
void drawUnderline(QPainter &painter, const QList<QGlyphRun> &line)
{
    double offset = -std::numeric_limits<double>::infinity();
    double thickness = 0;
    double baseline = 0;
    QList<std::pair<double, double>> spans;
    for (const QGlyphRun &run : line) {
        if (!run.underline() || run.positions().isEmpty())
            continue;
        const QRawFont font = run.rawFont();
        double adjusted = std::ceil(font.underlinePosition()) + 0.5;
        if (font.underlinePosition() <= font.descent())
            adjusted = std::min(adjusted, font.descent() - 0.5);
        offset = std::max(offset, adjusted);
        thickness = std::max(thickness, font.lineThickness());
        baseline = run.positions().first().y();
        spans.append(runExtent(run));
    }
    if (spans.isEmpty())
        return;
    painter.save();
    painter.setPen(QPen(painter.pen().color(), thickness, Qt::SolidLine, Qt::FlatCap));
    for (const auto &[left, right] : spans)
        painter.drawLine(QPointF(left, baseline + offset), QPointF(right, baseline + offset));
    painter.restore();
}

} // namespace

bool PointTextLayout::drawWithColourPictures(QPainter &painter, const QPointF &topLeft, RenderCache *cache) const
{
    if (!drawsToPdf(painter))
        return false;
    // Most texts are wholly in a face without colour glyphs; they need not be looked at run
    // by run.
    const QRawFont face = QRawFont::fromFont(font_.referenceFont());
    if (!isColourFont(face) && std::all_of(paragraphs_.begin(), paragraphs_.end(), [&](const Paragraph &paragraph) {
            return covers(face, paragraph.layout->text());
        }))
        return false;
    // The runs of each line, taken from the justified or the unjustified layout as the plain
    // path takes the line.
    QList<QList<QGlyphRun>> lines;
    bool anyColour = false;
    for (const Paragraph &paragraph : paragraphs_) {
        for (int i = 0; i < paragraph.layout->lineCount(); ++i) {
            const QTextLayout &from = paragraph.unjustified && paragraph.unjustifiedLines.contains(i)
                                          ? *paragraph.unjustified
                                          : *paragraph.layout;
            lines.append(from.lineAt(i).glyphRuns());
            for (const QGlyphRun &run : lines.last())
                anyColour = anyColour || isColourFont(run.rawFont());
        }
    }
    if (!anyColour)
        return false;

    const double s = font_.scale();
    painter.save();
    painter.translate(topLeft);
    painter.scale(s, s);
    for (const QList<QGlyphRun> &line : lines) {
        for (QGlyphRun run : line) {
            if (isColourFont(run.rawFont())) {
                drawColourRun(painter, run, cache);
            } else {
                run.setUnderline(false);
                painter.drawGlyphRun(QPointF(0, 0), run);
            }
        }
        drawUnderline(painter, line);
    }
    painter.restore();
    return true;
}

} // namespace kestrivane
