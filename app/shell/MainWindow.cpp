#include "app/shell/MainWindow.h"

#include <QCloseEvent>
#include <QMenuBar>

namespace kestrivane {

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void MainWindow::setRootView(QWidget *view)
{
    view->setMinimumSize(minimumContentSize);
    setCentralWidget(view);
    // The menu bar sits inside the window on Linux: the window is the content plus it.
    const int menuHeight = menuWidget() && menuWidget()->isVisibleTo(this) ? menuWidget()->sizeHint().height() : 0;
    resize(contentSize.width(), contentSize.height() + menuHeight);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_shouldClose && !m_shouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_willClose)
        m_willClose();
}

} // namespace kestrivane
