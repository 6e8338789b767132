#include "app/library/GraphicLibraryGrid.h"

#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextLayout>

namespace kestrivane::graphiclibrary {

namespace {

// The blue of selections everywhere in the program.
const QColor accent(0, 122, 255);

} // namespace

QStringList ItemDelegate::titleLines(const QString &text, const QFont &font, int width, int maximumLines)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    qsizetype lastStart = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(1, width));
        if (maximumLines > 0 && lines.size() == maximumLines) {
            const QFontMetrics metrics(font);
            lines.last() = metrics.elidedText(text.mid(lastStart).trimmed(), Qt::ElideRight, width);
            break;
        }
        lastStart = line.textStart();
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

int ItemDelegate::contentHeight(int lines, const QFont &font)
{
    return inset + tile + gap + std::max(1, lines) * QFontMetrics(font).lineSpacing() + inset;
}

void ItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect cell = option.rect.adjusted(columnMargin, 0, -columnMargin, 0);
    if (index.data(selectedRole).toBool()) {
        QColor fill = accent;
        fill.setAlphaF(0.16);
        QPainterPath path;
        path.addRoundedRect(QRectF(cell), radius, radius);
        painter->fillPath(path, fill);
    }
    if (option.state.testFlag(QStyle::State_HasFocus)) {
        painter->setPen(QPen(accent, focusRing));
        painter->setBrush(Qt::NoBrush);
        const qreal half = focusRing / 2.0;
        painter->drawRoundedRect(QRectF(cell).adjusted(half, half, -half, -half), radius, radius);
    }
    const QRect content = cell.adjusted(inset, inset, -inset, -inset);
    const QRect frame(content.left() + (content.width() - tile) / 2, content.top(), tile, tile);
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Enabled) ? QPalette::Active : QPalette::Disabled;
    const QFont caption = captionFont(option.font);

    const auto state = static_cast<ThumbnailState>(index.data(stateRole).toInt());
    if (state == ThumbnailState::ready) {
        const QImage image = index.data(Qt::DecorationRole).value<QImage>();
        painter->fillRect(frame, Qt::white);
        if (!image.isNull()) {
            const QSizeF logical = QSizeF(image.size()).scaled(picture, picture, Qt::KeepAspectRatio);
            const QRectF target(frame.center().x() + 0.5 - logical.width() / 2,
                                frame.center().y() + 0.5 - logical.height() / 2, logical.width(), logical.height());
            painter->drawImage(target, image);
        }
    } else if (state == ThumbnailState::failed) {
        painter->setFont(caption);
        painter->setPen(secondaryColor(option.palette, group));
        painter->drawText(frame, Qt::AlignCenter | Qt::TextWordWrap, index.data(failureTextRole).toString());
    } else if (state == ThumbnailState::loading) {
        const QRect spinner(frame.center().x() - 10, frame.center().y() - 10, 20, 20);
        paintBusyArc(*painter, spinner, m_phase, secondaryColor(option.palette, group));
        m_spinnerPainted = true;
        if (spinnerPainted)
            spinnerPainted();
    }

    painter->setFont(caption);
    painter->setPen(option.palette.color(group, QPalette::Text));
    const QStringList lines = titleLines(index.data(Qt::DisplayRole).toString(), caption, content.width(),
                                         index.data(maximumLinesRole).toInt());
    const int lineHeight = QFontMetrics(caption).lineSpacing();
    int y = frame.bottom() + 1 + gap;
    for (const QString &line : lines) {
        painter->drawText(QRect(content.left(), y, content.width(), lineHeight),
                          Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, line);
        y += lineHeight;
    }
    painter->restore();
}

QSize ItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    if (const auto *grid = dynamic_cast<const Grid *>(option.widget))
        return grid->cellSize();
    return {Grid::minimumColumn, contentHeight(1, captionFont(option.font))};
}

Grid::Grid(std::function<int(int)> lines, ItemDelegate *delegate, QWidget *parent)
    : ChoiceListView(parent), m_lines(std::move(lines))
{
    setViewMode(QListView::IconMode);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    setSpacing(0);
    setChosenTest([](const QModelIndex &index) { return index.data(selectedRole).toBool(); });
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setViewportMargins(gridInset, gridInset, gridInset, gridInset);
    setItemDelegate(delegate);
    // The tiles are white: the grid lies on the window's own background.
    QPalette colors = palette();
    colors.setColor(QPalette::Base, colors.color(QPalette::Window));
    setPalette(colors);
}

void Grid::relayout()
{
    // The view wraps a row as soon as it would reach the last pixel: one pixel stays free.
    const int available = std::max(1, viewport()->width() - 1);
    const int columns = std::max(1, available / minimumColumn);
    const int width = available / columns;
    const QFont caption = captionFont(font());
    const int height = ItemDelegate::contentHeight(m_lines(ItemDelegate::titleWidth(width)), caption);
    const QSize cell(width, height);
    if (cell == m_cell)
        return;
    m_cell = cell;
    setGridSize(QSize(width, height + rowGap));
    verticalScrollBar()->setSingleStep(std::max(1, height / 4));
}

void Grid::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    relayout();
}

} // namespace kestrivane::graphiclibrary
