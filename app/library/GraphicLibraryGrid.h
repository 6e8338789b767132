#pragma once

// The lazy grid of the graphic library panel and the delegate that lays out and draws its
// cells. The item models give each cell its title, picture and state through the roles
// below; the grid asks only for the cells it paints.

#include "app/common/ChoiceListView.h"
#include "app/library/GraphicLibraryLook.h"

#include <QStringList>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>
#include <utility>

namespace kestrivane::graphiclibrary {

enum Role {
    // ThumbnailState of the cell's picture.
    stateRole = Qt::UserRole + 1,
    selectedRole,
    // The most lines the title takes; 0 for as many as it needs.
    maximumLinesRole,
    // The text shown instead of a picture that could not be made.
    failureTextRole,
};

enum class ThumbnailState { none, ready, loading, failed };

// Lays out and draws one cell: a white tile with the picture fitted into it, or a spinner
// or a failure text in its place, and the title under it, on a highlight when selected and
// inside a ring while it has the keyboard focus.
class ItemDelegate final : public QStyledItemDelegate {
public:
    static constexpr int tile = 104;
    static constexpr int picture = thumbnailPoints;
    static constexpr int inset = 8;
    static constexpr int gap = 8;
    // Half the space between two columns, taken from each side of a cell.
    static constexpr int columnMargin = 4;
    static constexpr int radius = 8;
    static constexpr int focusRing = 2;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The lines a title takes at `width`, wrapped at word boundaries or anywhere; at most
    // `maximumLines` (0: no limit), the last one shortened when the text goes on.
    static QStringList titleLines(const QString &text, const QFont &font, int width, int maximumLines);

    static int titleWidth(int cellWidth) { return std::max(1, cellWidth - 2 * columnMargin - 2 * inset); }

    // The height of a cell's content whose title takes `lines` lines.
    static int contentHeight(int lines, const QFont &font);

    void advance() { ++m_phase; }
    // Whether a spinner was drawn since the last call.
    bool takeSpinnerPainted() { return std::exchange(m_spinnerPainted, false); }
    std::function<void()> spinnerPainted;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override;

private:
    int m_phase = 0;
    mutable bool m_spinnerPainted = false;
};

// A lazy grid of cells: columns of at least 142 pixels sharing the width, every cell as
// tall as the tallest title at that width needs, 12 pixels between rows. Each cell acts as
// a button; the selected one is the chosen one, so Return on it presses Insert.
class Grid final : public ChoiceListView {
    Q_OBJECT

public:
    static constexpr int minimumColumn = 142;
    static constexpr int rowGap = 12;
    static constexpr int gridInset = 4;

    // `lines` gives the most lines a title of the grid takes at a title width.
    Grid(std::function<int(int)> lines, ItemDelegate *delegate, QWidget *parent = nullptr);

    QSize cellSize() const { return m_cell; }

    // Computes the columns and the cell height again, after a resize or a change of titles.
    void relayout();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    std::function<int(int)> m_lines;
    QSize m_cell{minimumColumn, 1};
};

} // namespace kestrivane::graphiclibrary
