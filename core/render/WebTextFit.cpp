#include "core/render/WebTextFit.h"

#include "core/common/TextRules.h"

#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QStringView>

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

// The widths compared by the line filling are those of whole strings ("the line so
// far plus the next run"), which costs time proportional to the line for every run.
// Instead, the width of the line so far is carried along and the next run's width is
// added, corrected by the kerning of the two characters that meet. For scripts whose
// shaping only kerns pairs, that sum is the whole string's width, up to contextual
// kerning across a space (rare, and small) and ligatures of three letters (such as
// "ffi") inside a word broken between characters. So the sum is trusted only when it
// clears the line's width by more than a slack that grows with every run or character added since
// the last whole-string measurement; nearer the edge, and for every text in a script
// that joins or reorders characters (or with tabs), the whole string is measured, which keeps each
// decision equal to measuring the whole string.
constexpr double slackAtSpaceEm = 0.02;
constexpr double slackInWordEm = 0.125;

struct Grapheme {
    qsizetype start;
    qsizetype end;
    double width = -1; // reference pixels; -1 until measured
};

struct Token {
    qsizetype start;
    qsizetype end;
    qsizetype firstGrapheme; // indices into Paragraph::graphemes
    qsizetype lastGrapheme;
    bool space;
    double width;
};

struct Paragraph {
    QString text;
    QList<Grapheme> graphemes;
    QList<Token> tokens;
    bool shapedBeyondPairs = false;
};

bool isSpaceAt(const QString &text, qsizetype position)
{
    char32_t c = text[position].unicode();
    if (QChar::isHighSurrogate(c) && position + 1 < text.size() && text[position + 1].isLowSurrogate())
        c = QChar::surrogateToUcs4(text[position], text[position + 1]);
    return QChar::isSpace(c);
}

bool kernsOnlyPairs(const QString &text)
{
    const QList<uint> codePoints = text.toUcs4();
    for (uint c : codePoints) {
        // A tab's width depends on where it stands, so it never adds up.
        if (c == u'\t')
            return false;
        switch (QChar::script(c)) {
        case QChar::Script_Common:
        case QChar::Script_Inherited:
        case QChar::Script_Latin:
        case QChar::Script_Greek:
        case QChar::Script_Cyrillic:
        case QChar::Script_Armenian:
        case QChar::Script_Georgian:
        case QChar::Script_Han:
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana:
        case QChar::Script_Bopomofo:
        case QChar::Script_Hangul: break;
        default: return false;
        }
    }
    return true;
}

// Widths are kept in reference pixels of the font; a size only scales them, so one
// set of measurements serves every size the bisection tries.
class Fitter {
public:
    Fitter(const PointFont &font, const QString &text) : font_(font), metrics_(font.referenceFont())
    {
        const QStringList parts = text.split(u'\n');
        paragraphs_.reserve(parts.size());
        for (const QString &part : parts)
            paragraphs_.append(prepare(part));
    }

    int lineCount(double sizePt, double widthPt)
    {
        sizeScale_ = sizePt / PointFont::referencePixelSize;
        width_ = widthPt;
        int lines = 0;
        for (Paragraph &paragraph : paragraphs_)
            lines = countParagraph(paragraph, lines);
        return std::max(lines, 1);
    }

    bool fits(double sizePt, const QSizeF &bounds, double lineHeight)
    {
        if (!(bounds.width() > 0) || !(bounds.height() > 0))
            return false;
        const int lines = lineCount(sizePt, bounds.width());
        return std::max(lineHeight, WebTextFit::smallestLineHeight) * sizePt * lines <=
               bounds.height() + WebTextFit::heightTolerancePt;
    }

private:
    // The line being filled: the text from `start` to the current position.
    struct Line {
        qsizetype start = -1; // -1: empty
        double width = 0;
        double slack = 0; // the error `width` may have: grows with every addition
        qsizetype lastGrapheme = -1;

        bool empty() const { return start < 0; }
    };

    Paragraph prepare(const QString &text)
    {
        Paragraph paragraph;
        paragraph.text = text;
        if (text.isEmpty())
            return paragraph;
        paragraph.shapedBeyondPairs = !kernsOnlyPairs(text);

        text::GraphemeWalk walk(text);
        qsizetype start = 0;
        for (qsizetype end = walk.next(); end != -1; end = walk.next()) {
            if (end == start)
                continue;
            const bool space = isSpaceAt(text, start);
            const qsizetype index = paragraph.graphemes.size();
            paragraph.graphemes.append(Grapheme{start, end});
            if (!paragraph.tokens.isEmpty() && paragraph.tokens.last().space == space) {
                paragraph.tokens.last().end = end;
                paragraph.tokens.last().lastGrapheme = index;
            } else {
                paragraph.tokens.append(Token{start, end, index, index, space, 0});
            }
            start = end;
        }
        for (Token &token : paragraph.tokens)
            token.width = cachedWidth(QStringView(text).sliced(token.start, token.end - token.start));
        return paragraph;
    }

    double measure(QStringView text) const { return metrics_.horizontalAdvance(text.toString()); }

    double cachedWidth(QStringView text)
    {
        const QString key = text.toString();
        auto found = widths_.constFind(key);
        if (found != widths_.constEnd())
            return *found;
        const double width = metrics_.horizontalAdvance(key);
        widths_.insert(key, width);
        return width;
    }

    double graphemeWidth(Paragraph &paragraph, qsizetype index)
    {
        Grapheme &g = paragraph.graphemes[index];
        if (g.width < 0)
            g.width = cachedWidth(QStringView(paragraph.text).sliced(g.start, g.end - g.start));
        return g.width;
    }

    // How much the width of "ab" differs from the widths of "a" and "b" added up.
    double junction(Paragraph &paragraph, qsizetype left, qsizetype right)
    {
        const Grapheme &a = paragraph.graphemes[left];
        const Grapheme &b = paragraph.graphemes[right];
        const QStringView text(paragraph.text);
        // The length prefix keeps keys of different splits apart.
        QString key;
        key.reserve(1 + (a.end - a.start) + (b.end - b.start));
        key.append(QChar(char16_t(a.end - a.start)));
        key.append(text.sliced(a.start, a.end - a.start));
        key.append(text.sliced(b.start, b.end - b.start));
        auto found = junctions_.constFind(key);
        if (found != junctions_.constEnd())
            return *found;
        const double pair = measure(QStringView(key).sliced(1));
        const double correction = pair - graphemeWidth(paragraph, left) - graphemeWidth(paragraph, right);
        junctions_.insert(key, correction);
        return correction;
    }

    bool withinWidth(double referenceWidth) const { return referenceWidth * sizeScale_ <= width_; }

    // Appends text[line end, end) of width `width` to a non-empty line when the line
    // and it together are no wider than the box.
    bool tryAppend(Paragraph &paragraph, Line &line, qsizetype end, double width, qsizetype first, qsizetype last,
                   double slackEm)
    {
        if (!paragraph.shapedBeyondPairs) {
            const double estimate = line.width + width + junction(paragraph, line.lastGrapheme, first);
            const double slack = line.slack + slackEm * PointFont::referencePixelSize + 1e-6 * std::abs(estimate);
            if (withinWidth(estimate + slack)) {
                line.width = estimate;
                line.slack = slack;
                line.lastGrapheme = last;
                return true;
            }
            if (!withinWidth(estimate - slack))
                return false;
        }
        const double whole = measure(QStringView(paragraph.text).sliced(line.start, end - line.start));
        if (!withinWidth(whole))
            return false;
        line.width = whole;
        line.slack = 0;
        line.lastGrapheme = last;
        return true;
    }

    int countParagraph(Paragraph &paragraph, int linesSoFar)
    {
        if (paragraph.text.isEmpty())
            return linesSoFar + 1;
        int n = linesSoFar;
        Line line;
        for (const Token &token : std::as_const(paragraph.tokens)) {
            if (!line.empty() && tryAppend(paragraph, line, token.end, token.width, token.firstGrapheme,
                                           token.lastGrapheme, slackAtSpaceEm))
                continue;
            if (line.empty() && withinWidth(token.width)) {
                // The run without its leading whitespace: nothing for a run of spaces.
                if (!token.space)
                    line = Line{token.start, token.width, 0, token.lastGrapheme};
                continue;
            }
            // The run does not fit this line. The line holds only runs of other
            // characters or ends with them, so it is never blank here.
            if (!line.empty())
                n += 1;
            line = Line{};
            if (token.space)
                continue; // a run of whitespace alone is dropped at a line break
            for (qsizetype g = token.firstGrapheme; g <= token.lastGrapheme; ++g) {
                const Grapheme &grapheme = paragraph.graphemes[g];
                const double width = graphemeWidth(paragraph, g);
                if (line.empty()) {
                    line = Line{grapheme.start, width, 0, g};
                } else if (!tryAppend(paragraph, line, grapheme.end, width, g, g, slackInWordEm)) {
                    n += 1;
                    line = Line{grapheme.start, width, 0, g};
                }
            }
        }
        return line.empty() ? n : n + 1;
    }

    PointFont font_;
    QFontMetricsF metrics_;
    QList<Paragraph> paragraphs_;
    QHash<QString, double> widths_;
    QHash<QString, double> junctions_;
    double sizeScale_ = 0;
    double width_ = 0;
};

} // namespace

int WebTextFit::lineCount(const PointFont &font, const QString &text, double widthPt)
{
    return Fitter(font, text).lineCount(font.pointSize(), widthPt);
}

bool WebTextFit::fits(const PointFont &font, const QString &text, const QSizeF &bounds, double lineHeight)
{
    return Fitter(font, text).fits(font.pointSize(), bounds, lineHeight);
}

PointFont WebTextFit::font(const PointFont &font, const QString &text, const QSizeF &bounds, double lineHeight)
{
    Fitter fitter(font, text);
    double hi = font.pointSize();
    double lo = std::min(hi, smallestStartSizePt);
    if (fitter.fits(hi, bounds, lineHeight))
        return font;
    if (!fitter.fits(lo, bounds, lineHeight))
        return font.withPointSize(lo);
    for (int round = 0; round < rounds; ++round) {
        const double mid = (lo + hi) / 2;
        if (fitter.fits(mid, bounds, lineHeight))
            lo = mid;
        else
            hi = mid;
    }
    const double size = std::floor(lo / pointsPerPixel * 10) / 10 * pointsPerPixel;
    return font.withPointSize(std::max(size, smallestResultPt));
}

} // namespace kestrivane
