#include "tests/common/PrivateDisplay.h"

#include <QElapsedTimer>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace testsupport {

void endWithThisProgram(QProcess &process)
{
    const pid_t parent = getpid();
    process.setChildProcessModifier([parent] {
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            _exit(127);
    });
}

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(3000);
}

void expectNoErrorExit(const QProcess &process)
{
    const bool ended = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    EXPECT_FALSE(ended && process.exitCode() != 0)
        << "the child program stopped with exit code " << process.exitCode() << "; its error output is above";
}

bool PrivateDisplay::start(QSize screen)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty())
        return false;
    endWithThisProgram(m_server);
    m_server.setProgram(program);
    m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                           QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                           QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height())});
    m_server.start();
    if (!m_server.waitForStarted(5000))
        return false;
    QByteArray number;
    QElapsedTimer timer;
    timer.start();
    while (!number.contains('\n') && timer.elapsed() < 10000 && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(200);
        number += m_server.readAllStandardOutput();
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    return number.contains('\n');
}

PrivateDisplay::~PrivateDisplay()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(3000))
        stopProcess(m_server);
}

} // namespace testsupport
