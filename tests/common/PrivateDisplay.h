#pragma once

#include <QProcess>
#include <QSize>
#include <QString>

namespace testsupport {

// Makes the system kill `process` when the test program ends, also when the test program
// is killed itself (a time limit of the test runner, a crash): no X server or helper
// program is ever left running behind a test. Call before start().
void endWithThisProgram(QProcess &process);

// Stops a program that is still running, without waiting without end.
void stopProcess(QProcess &process);

// Fails the running test when `process` ended on its own with a non-zero exit code. The test
// programs started in a role report through a file and end with code 0, and one that cannot
// open its display aborts; an exit code is what a sanitizer leaves when it stops the program,
// which must not pass for a display that could not be opened.
void expectNoErrorExit(const QProcess &process);

// A private X server (Xvfb) on a free display, stopped with the test. Tests that need a
// real window system (two programs sharing a clipboard, screenshots with real fonts and
// window sizes) run child programs on it; they skip where Xvfb is not installed.
class PrivateDisplay {
public:
    PrivateDisplay() = default;
    PrivateDisplay(const PrivateDisplay &) = delete;
    PrivateDisplay &operator=(const PrivateDisplay &) = delete;
    ~PrivateDisplay();

    // False when Xvfb is missing or did not start.
    bool start(QSize screen = QSize(640, 480));
    // ":<n>", for DISPLAY.
    const QString &display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

} // namespace testsupport
