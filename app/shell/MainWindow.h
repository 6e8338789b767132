#pragma once

#include <QMainWindow>

#include <functional>

namespace kestrivane {

// The main window. Whether it may close is asked of its owner, which prompts for the
// unsaved documents; a refused close leaves everything as it was.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    // The size of the content (the central widget), without the menu bar.
    static constexpr QSize contentSize{1280, 800};
    static constexpr QSize minimumContentSize{1040, 680};

    explicit MainWindow(QWidget *parent = nullptr);

    // Asked before the window closes; false keeps it open.
    void setShouldClose(std::function<bool()> shouldClose) { m_shouldClose = std::move(shouldClose); }
    // Called once the close was accepted.
    void setWillClose(std::function<void()> willClose) { m_willClose = std::move(willClose); }

    // Installs the root view and sizes the window so that it gets `contentSize`.
    void setRootView(QWidget *view);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::function<bool()> m_shouldClose;
    std::function<void()> m_willClose;
};

} // namespace kestrivane
