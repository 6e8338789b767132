#pragma once

#include "core/artwork/ArtworkSet.h"
#include "core/model/ElementKind.h"

#include <QAbstractButton>
#include <QFont>
#include <QPalette>
#include <QString>
#include <QStringList>

class QVariantAnimation;

namespace kestrivane {

// The look shared by the sidebar's rows and the label card: a released button draws as
// it is, a pressed one slightly faded and shrunk about its centre, with the fills and
// tiles both use.
struct EditorSidebarButtonStyle {
    static constexpr double pressedOpacity = 0.76;
    static constexpr double pressedScale = 0.992;
    static constexpr int hoverMilliseconds = 120;
    static constexpr int pressMilliseconds = 80;

    // Applies `pressed` (0 released … 1 pressed) to the painter about the centre of `rect`.
    static void applyPress(QPainter &painter, const QRectF &rect, double pressed);
    // The palette's text colour at `percent` % (the "primary" tints of fills).
    static QColor primary(const QPalette &palette, double percent);
    // The palette's secondary text colour at `percent` %.
    static QColor secondary(const QPalette &palette, double percent = 100);
    // A rounded tile of primary at 4.5 % with an icon of the set centred in it.
    static void drawIconTile(QPainter &painter, const QRectF &tile, const ArtworkImage &icon, double iconSide,
                             const QPalette &palette);
};

// The light palette of the sidebar and the inspector pane, which stay light in a dark
// desktop theme: white ground, dark text, and "black" icons drawn dark.
QPalette lightPanePalette();

// The lines `text` takes at `width`, at most `maximumLines`; when it needs more, the last
// line shown ends in "…".
QStringList wrappedLines(const QString &text, const QFont &font, double width, int maximumLines);
// `text` shortened in the middle (equal numbers of leading and trailing characters around
// "…", never splitting a character) so that it fits in `maximumLines` lines at `width`;
// unchanged when it fits already.
QString middleElided(const QString &text, const QFont &font, double width, int maximumLines);
// The width of the widest piece of `text` that has no line-break opportunity inside (a
// word, a word with its hyphen, or one CJK character), spaces after it left out: the
// narrowest line in which no word of the text has to be broken.
double widestWord(const QString &text, const QFont &font);

// A painted button of the sidebar: hover tint and press dimming, both animated.
class EditorSidebarButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit EditorSidebarButton(QWidget *parent = nullptr);

    // 0 … 1, following the pointer and the press.
    double hoverAmount() const { return m_hover; }
    double pressAmount() const { return m_press; }

    bool hasHeightForWidth() const override { return true; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Draws the button in its own coordinates; the press has been applied already.
    virtual void paintContent(QPainter &painter) = 0;

private:
    void animate(QVariantAnimation *animation, double target);

    double m_hover = 0;
    double m_press = 0;
    QVariantAnimation *m_hoverAnimation;
    QVariantAnimation *m_pressAnimation;
};

// One row of the component sidebar: the element's icon on a tile, its title and an add
// badge; a click anywhere in the row adds the element.
class EditorComponentButton final : public EditorSidebarButton {
    Q_OBJECT

public:
    static constexpr int minimumHeight = 42;

    EditorComponentButton(ElementKind kind, const QString &icon, QWidget *parent = nullptr);

    ElementKind kind() const { return m_kind; }
    QString iconName() const { return m_iconName; }
    QString title() const { return text(); }
    // The title is also the tooltip and the accessible name.
    void setTitle(const QString &title);
    // The title's lines as drawn at the current width.
    QStringList titleLines() const;
    // The narrowest row in which no word of the title has to be broken or cut off.
    int widthForWords() const;

    int heightForWidth(int width) const override;

protected:
    void paintContent(QPainter &painter) override;

private:
    double titleWidth(int width) const;

    ElementKind m_kind;
    QString m_iconName;
    ArtworkImage m_icon;
    ArtworkImage m_plus;
};

// The label summary card: name, size, shape and medium of the document; a click anywhere
// opens the document parameters.
class LabelSummaryCard final : public EditorSidebarButton {
    Q_OBJECT

public:
    struct Content {
        QString name;
        QString width;
        QString height;
        QString unit;
        QString shapeTitle;
        QString shape;
        QString mediumTitle;
        QString medium;
    };

    explicit LabelSummaryCard(QWidget *parent = nullptr);

    const Content &content() const { return m_content; }
    void setContent(const Content &content);
    // The name as drawn at the current width.
    QString shownName() const;
    // The lines of the shape's and the medium's value as drawn at the current width.
    QList<QStringList> valueLines() const;
    // The narrowest card in which no word of `value` has to be broken when it stands in a
    // row titled `title`.
    static int widthForValue(const QString &title, const QString &value);

    int heightForWidth(int width) const override;

protected:
    void paintContent(QPainter &painter) override;

private:
    struct Layout;
    Layout layout(int width) const;

    Content m_content;
    ArtworkImage m_icon;
    ArtworkImage m_slider;
};

} // namespace kestrivane
