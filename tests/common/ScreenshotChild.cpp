#include "tests/common/ScreenshotChild.h"

#include "tests/common/PrivateDisplay.h"
#include "tests/common/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace testsupport {

namespace {

const char *const roleVariable = "KESTRIVANE_TEST_ROLE";
const char *const outputVariable = "KESTRIVANE_TEST_ROLE_OUTPUT";

std::map<QString, std::function<QByteArray()>> &roles()
{
    static std::map<QString, std::function<QByteArray()>> programs;
    return programs;
}

// Runs the role named in the environment in place of the tests. An unknown role reports
// itself, so that a misspelt name fails the parent instead of starting the tests again.
class RoleEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QString role = qEnvironmentVariable(roleVariable);
        if (role.isEmpty())
            return;
        // Whatever the role starts runs as a plain program.
        qunsetenv(roleVariable);
        const auto found = roles().find(role);
        const QByteArray report =
            found != roles().end() ? found->second() : QByteArrayLiteral("unknown role: ") + role.toUtf8();
        QFile output(qEnvironmentVariable(outputVariable));
        if (output.open(QIODevice::WriteOnly | QIODevice::Truncate))
            output.write(report);
        output.close();
        std::fflush(stdout);
        std::_Exit(0);
    }
};

void screenshotTest(const QString &role, const QString &filter, QSize screen, int timeoutMs)
{
    PrivateDisplay display;
    if (!display.start(screen))
        GTEST_SKIP() << "No Xvfb to show the windows on; install the xvfb package";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), display.display());
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const QByteArray result = runRole(role, filter, environment, timeoutMs);
    if (result.isEmpty())
        GTEST_SKIP() << "The program could not open the private display " << qPrintable(display.display());
    ASSERT_EQ(result, QByteArrayLiteral("saved"));
}

} // namespace

bool addRole(const QString &role, std::function<QByteArray()> program)
{
    if (roles().empty())
        ::testing::AddGlobalTestEnvironment(new RoleEnvironment);
    return roles().emplace(role, std::move(program)).second;
}

bool addScreenshotRole(const QString &role, std::function<bool()> program)
{
    return addRole(role, [program = std::move(program)] {
        return program() ? QByteArrayLiteral("saved") : QByteArrayLiteral("not saved");
    });
}

QByteArray runRole(const QString &role, const QString &filter, QProcessEnvironment environment, int timeoutMs)
{
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("role-output.txt"));
    environment.insert(QString::fromLatin1(roleVariable), role);
    environment.insert(QString::fromLatin1(outputVariable), output);
    QProcess child;
    child.setProcessEnvironment(environment);
    endWithThisProgram(child);
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QStringLiteral("--gtest_filter=") + filter});
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.start();
    if (!child.waitForFinished(timeoutMs))
        stopProcess(child);
    expectNoErrorExit(child);
    return readFile(output);
}

bool takeScreenshots(const QString &role, const QString &filter, QSize screen, int timeoutMs)
{
    screenshotTest(role, filter, screen, timeoutMs);
    return !::testing::Test::IsSkipped() && !::testing::Test::HasFailure();
}

} // namespace testsupport
