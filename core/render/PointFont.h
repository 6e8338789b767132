#pragma once

#include <QFont>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QTextLayout;
class QTextOption;

namespace kestrivane {

class RenderCache;

// A font whose size is a true point size on every paint device and at every size.
//
// Qt sizes a QFont in points through the device's dots per inch (96 on a QImage,
// whatever the PDF writer was given) and rounds the resulting pixel size to a whole
// number, so a 2.2 pt caption measures and draws up to 15 % too wide. A PointFont
// therefore keeps a QFont at one fixed reference pixel size, unhinted, and every
// measurement and every drawing is that reference scaled by pointSize / reference.
// Pixel-sized fonts ignore the device's resolution, so the painter's own user units
// are the points: a painter that draws a label in points gets text in points.
class PointFont {
public:
    // Large enough that Qt's rounding of glyph advances (1/64 pixel) and of the font's
    // vertical metrics stays far below anything visible, small enough that Qt still
    // caches the glyphs (above about 300 pixels every measurement reloads them from the
    // font file, several times slower). One size for every point size keeps
    // measurements exactly linear in the size.
    static constexpr int referencePixelSize = 256;

    // The application's default face at 12 points.
    PointFont();
    // The family with regular weight and upright style. QFont never fails: a family
    // that is not installed silently becomes some other face (see WebFonts for lookups).
    PointFont(const QString &family, double pointSize);
    // The family, weight, style, stretch and underline of `face`; its size is ignored.
    PointFont(const QFont &face, double pointSize);

    double pointSize() const { return pointSize_; }
    QString family() const { return reference_.family(); }
    QFont::Weight weight() const { return reference_.weight(); }
    bool bold() const { return reference_.bold(); }
    bool italic() const { return reference_.italic(); }
    bool underline() const { return reference_.underline(); }

    // The same face at another size (family and traits kept).
    PointFont withPointSize(double pointSize) const;
    PointFont withWeight(QFont::Weight weight) const;
    PointFont withBold(bool bold) const;
    PointFont withItalic(bool italic) const;
    PointFont withUnderline(bool underline) const;

    // The QFont at the reference pixel size; draw it under a painter scaled by `scale()`.
    const QFont &referenceFont() const { return reference_; }
    // Points per reference pixel.
    double scale() const { return pointSize_ / referencePixelSize; }

    // Vertical metrics in points. The descent is positive (below the baseline).
    double ascent() const;
    double descent() const;
    double leading() const;

    // The natural width in points of the text set on one line, kerning included.
    double width(const QString &text) const;
    // The width in reference pixels; multiply by `scale()` for points.
    double referenceWidth(const QString &text) const;

    bool operator==(const PointFont &other) const
    {
        return pointSize_ == other.pointSize_ && reference_ == other.reference_;
    }

private:
    void prepare();

    QFont reference_;
    double pointSize_ = 12;
};

// A text laid out in a PointFont: wrapped at a width in points, or not at all.
//
// Lines wrap at word boundaries and, for a word longer than the line, anywhere
// between characters (the way the label texts have always wrapped). Line breaks are
// "\n", "\r\n", "\r", U+2028 and U+2029. Lines are placed one below the other with
// either the font's natural line height (ascent + descent + leading) or a fixed
// height; with a fixed height every line is that tall and its baseline lies the
// font's descent above the line's bottom, so extra height goes above the glyphs.
// Justified lines are stretched at their spaces only: a line without one (a single word,
// or part of an over-long word) keeps its letters' spacing and sits at the paragraph's
// start, where Qt would spread its letters across the line.
class PointTextLayout {
public:
    struct Options {
        // Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight or Qt::AlignJustify (the
        // last line of a paragraph is never justified).
        Qt::Alignment alignment = Qt::AlignLeft;
        // The line width in points; none lays every paragraph out on one line.
        std::optional<double> wrapWidthPt;
        // A fixed height for every line, in points.
        std::optional<double> lineHeightPt;
    };

    PointTextLayout(const QString &text, const PointFont &font, const Options &options);
    PointTextLayout(const QString &text, const PointFont &font);
    ~PointTextLayout();
    PointTextLayout(PointTextLayout &&) noexcept;
    PointTextLayout &operator=(PointTextLayout &&) noexcept;

    const PointFont &font() const { return font_; }
    // The number of lines; 0 for an empty text.
    int lineCount() const;
    // The height of all lines together, in points.
    double height() const { return height_; }
    // The natural width of the widest line, in points (trailing spaces excluded).
    double naturalWidth() const { return naturalWidth_; }
    // The top of line `i` and its baseline, in points from the layout's top.
    double lineTop(int i) const;
    double baseline(int i) const;
    // The glyphs' outlines together (and the underlines), in points from the layout's
    // top-left: where the text puts ink. Null for an empty text.
    QRectF inkBounds() const;

    // Draws every line with the layout's top-left corner at `topLeft` (points, in the
    // painter's user space) in the painter's pen colour. Nothing is clipped.
    // Into a PDF, runs of colour glyphs (emoji) are drawn as pictures, which the PDF
    // engine cannot draw as text; with a `cache`, each distinct run is made once per job.
    void draw(QPainter &painter, const QPointF &topLeft, RenderCache *cache = nullptr) const;

private:
    struct Paragraph {
        std::unique_ptr<QTextLayout> layout;
        // The same lines unjustified, for the justified lines that have no space to stretch.
        std::unique_ptr<QTextLayout> unjustified;
        QList<int> unjustifiedLines;
    };
    static void prepareUnjustifiedLines(Paragraph &paragraph, QTextOption option);
    // The PDF path for a layout with colour glyphs: false, having drawn nothing, when the
    // layout has none.
    bool drawWithColourPictures(QPainter &painter, const QPointF &topLeft, RenderCache *cache) const;

    PointFont font_;
    // One layout per paragraph: Qt gives a whole layout the direction of its first strong
    // character, and a Hebrew line after a Latin one must still read right to left.
    std::vector<Paragraph> paragraphs_;
    QList<double> tops_;
    QList<double> baselines_;
    double height_ = 0;
    double naturalWidth_ = 0;
};

} // namespace kestrivane
