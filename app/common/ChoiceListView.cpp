#include "app/common/ChoiceListView.h"

#include <QKeyEvent>

namespace kestrivane {

ChoiceListView::ChoiceListView(QWidget *parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::NoSelection);
    connect(this, &QListView::clicked, this, &ChoiceListView::chosen);
}

bool ChoiceListView::chooses(const QKeyEvent &event) const
{
    if ((event.modifiers() & ~Qt::KeypadModifier) || !currentIndex().isValid())
        return false;
    switch (event.key()) {
    case Qt::Key_Space:
    case Qt::Key_Select: return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: return !(m_isChosen && m_isChosen(currentIndex()));
    default: return false;
    }
}

bool ChoiceListView::event(QEvent *event)
{
    // A screen may bind Return to its default action as a shortcut, which would see the key
    // before this view: claiming the key here delivers it to keyPressEvent instead.
    if (event->type() == QEvent::ShortcutOverride && chooses(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QListView::event(event);
}

void ChoiceListView::keyPressEvent(QKeyEvent *event)
{
    if (chooses(*event)) {
        Q_EMIT chosen(currentIndex());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // On the chosen cell: passed up to the dialog's default button.
        event->ignore();
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace kestrivane
