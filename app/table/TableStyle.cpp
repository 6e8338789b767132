#include "app/table/TableStyle.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace kestrivane::tablestyle {

QLabel *wrappingLabel(shellstyle::FontStyle style, bool secondary)
{
    QLabel *label = shellstyle::label(style, secondary);
    label->setWordWrap(true);
    return label;
}

QLabel *titleLabel()
{
    QLabel *title = shellstyle::label(shellstyle::FontStyle::title2);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    return title;
}

QScrollArea *scrollingContent(QWidget *sheet, QWidget **content, QVBoxLayout **stack)
{
    auto *scroll = new QScrollArea(sheet);
    // Tab goes from control to control of the form, never to the area around them.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    *content = new QWidget(scroll);
    *stack = new QVBoxLayout(*content);
    (*stack)->setContentsMargins(0, 0, 0, 0);
    (*stack)->setSpacing(spacing);
    return scroll;
}

} // namespace kestrivane::tablestyle
