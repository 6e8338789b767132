#include "core/render/PointFont.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QRawFont>
#include <QPainter>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

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

void PointFont::drawLine(QPainter &painter, const QPointF &baseline, const QString &text) const
{
    if (text.isEmpty() || pointSize_ <= 0)
        return;
    const double s = scale();
    painter.save();
    painter.translate(baseline);
    painter.scale(s, s);
    painter.setFont(reference_);
    painter.drawText(QPointF(0, 0), text);
    painter.restore();
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

void PointTextLayout::draw(QPainter &painter, const QPointF &topLeft) const
{
    if (paragraphs_.empty())
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

} // namespace kestrivane
