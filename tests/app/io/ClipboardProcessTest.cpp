// Copy in one program, paste in another. The offscreen platform keeps its clipboard
// inside the process, so both programs run on a private X server (Xvfb) with the xcb
// platform; the test is skipped where no Xvfb is installed. The two programs are this
// test binary itself, started with a role in the environment: the role runs in place of
// the tests once the application object exists.

#include "tests/app/io/IoTestSupport.h"
#include "tests/common/PrivateDisplay.h"

#include "app/io/ElementClipboard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>


using namespace kestrivane;

namespace {

const char *const roleVariable = "KESTRIVANE_CLIPBOARD_ROLE";
const char *const outputVariable = "KESTRIVANE_CLIPBOARD_OUTPUT";
const QString copiedContent = QStringLiteral("copied in another program / ünïcode");

void writeOutput(const QByteArray &text)
{
    QFile file(qEnvironmentVariable(outputVariable));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

// Copies one element and then serves the clipboard until it is stopped (an X11 clipboard
// lives only as long as the program that owns it).
int copyingProgram()
{
    editortest::StoreEnvironment env;
    const LabelElement element(QUuid::createUuid(), ElementKind::text, copiedContent, 10, 10, 30, 5, 12);
    auto store = env.makeStore(LabelDocument(QStringLiteral("Source"), 100, 50, {element}));
    store->setSelectedIDs({element.id});
    QtEditorDialogs clipboard;
    if (!iotest::answeredBy(*store, clipboard).copySelection()) {
        writeOutput("copy failed");
        return 1;
    }
    writeOutput("copied");
    QTimer::singleShot(60000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    return 0;
}

// Pastes into an empty document and reports what arrived.
int pastingProgram()
{
    editortest::StoreEnvironment env;
    auto store = env.makeStore(LabelDocument(QStringLiteral("Target"), 100, 50, {}));
    QtEditorDialogs clipboard;
    iotest::answeredBy(*store, clipboard).paste();
    QByteArray report = QByteArray::number(store->document().elements.size()) + '\n';
    if (!store->document().elements.isEmpty())
        report += store->document().elements.first().content.toUtf8();
    else
        report += store->statusKey().value_or(QString()).toUtf8();
    writeOutput(report);
    return 0;
}

class ClipboardRole final : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QByteArray role = qgetenv(roleVariable);
        if (role.isEmpty())
            return;
        const int code = role == "copy" ? copyingProgram() : role == "paste" ? pastingProgram() : 2;
        std::fflush(stdout);
        std::_Exit(code);
    }
};

[[maybe_unused]] ::testing::Environment *const clipboardRole = ::testing::AddGlobalTestEnvironment(new ClipboardRole);

using testsupport::endWithThisProgram;
using testsupport::PrivateDisplay;

void stop(QProcess &process)
{
    testsupport::stopProcess(process);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void prepare(QProcess &process, const QString &display, const char *role, const QString &output)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QString::fromLatin1(roleVariable), QString::fromLatin1(role));
    environment.insert(QString::fromLatin1(outputVariable), output);
    process.setProcessEnvironment(environment);
    endWithThisProgram(process);
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments({QStringLiteral("--gtest_filter=ElementClipboardProcess.*")});
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
}

} // namespace

TEST(ElementClipboardProcess, PastesElementsCopiedInAnotherProgram)
{
    PrivateDisplay display;
    if (!display.start())
        GTEST_SKIP() << "No Xvfb (or it did not start) to run two programs on one X clipboard; install the "
                        "xvfb package";

    QTemporaryDir dir;
    const QString copyOutput = dir.filePath(QStringLiteral("copy.txt"));
    const QString pasteOutput = dir.filePath(QStringLiteral("paste.txt"));

    QProcess copier;
    prepare(copier, display.display(), "copy", copyOutput);
    copier.start();
    ASSERT_TRUE(copier.waitForStarted(5000));
    QElapsedTimer timer;
    timer.start();
    while (readAll(copyOutput).isEmpty() && copier.state() == QProcess::Running && timer.elapsed() < 30000)
        QThread::msleep(50);
    const QByteArray copied = readAll(copyOutput);

    QByteArray pasted;
    if (copied == "copied") {
        QProcess paster;
        prepare(paster, display.display(), "paste", pasteOutput);
        paster.start();
        EXPECT_TRUE(paster.waitForFinished(30000));
        stop(paster);
        testsupport::expectNoErrorExit(paster);
        pasted = readAll(pasteOutput);
    }
    stop(copier);
    testsupport::expectNoErrorExit(copier);

    if (copied.isEmpty())
        GTEST_SKIP() << "The copying program could not open the private display " << qPrintable(display.display());
    ASSERT_EQ(copied, QByteArrayLiteral("copied"));
    EXPECT_EQ(QString::fromUtf8(pasted), QStringLiteral("1\n") + copiedContent);
}
