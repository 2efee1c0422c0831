#include "platform/linux/x11/CaptureCommand.h"

#include "tests/platform/linux/x11/CaptureTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <QDir>

// `verdolin capture` as scripts use it: the text on standard output, the other results on
// standard error with exit code 1, and a restored clipboard that outlives the command.

namespace {

struct CommandRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class CaptureCommandTest : public CaptureOnXvfb {
protected:
    CommandRun runCapture(const QProcessEnvironment& environment) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VERDOLIN_EXECUTABLE), {QStringLiteral("capture")});
        // Returns as soon as the result is known, even when a background process stays to
        // serve the clipboard.
        if (!process.waitForFinished(20000))
            return {};
        return {process.exitCode(), process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    CommandRun runCapture() { return runCapture(m_server->environment()); }

    // The processes serving a clipboard restored by the command on this display.
    QList<qint64> servingProcesses() {
        QList<qint64> found;
        const QByteArray executable = QByteArray(VERDOLIN_EXECUTABLE) + '\0' + "capture";
        const QByteArray displayEntry = "DISPLAY=" + display() + '\0';
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool numeric = false;
            const qint64 pid = entry.toLongLong(&numeric);
            if (!numeric)
                continue;
            QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
            QFile environment(QStringLiteral("/proc/%1/environ").arg(pid));
            if (!commandLine.open(QIODevice::ReadOnly) || !environment.open(QIODevice::ReadOnly))
                continue;
            if (commandLine.readAll().startsWith(executable)
                && ('\0' + environment.readAll()).contains('\0' + displayEntry))
                found.append(pid);
        }
        return found;
    }
};

TEST_F(CaptureCommandTest, PrintsTheHighlightedTextExactly) {
    ASSERT_NE(startTextEdit(QStringLiteral("  zwei Wörter\n")), nullptr);
    pressKeys(QStringLiteral("ctrl+a"));
    ASSERT_TRUE(eventually([&] { return primaryOwner() != XCB_WINDOW_NONE; }));
    const CommandRun run = runCapture();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("  zwei Wörter\n"));
    EXPECT_TRUE(run.err.isEmpty());
}

TEST_F(CaptureCommandTest, TheRestoredClipboardIsServedUntilAnotherProgramTakesIt) {
    ASSERT_NE(startTextEdit(QStringLiteral("copied text")), nullptr);
    clearPrimary();
    xclipIn("the user's clipboard");
    // xclip gives the clipboard up to the copy; the command serves it afterwards.
    const CommandRun run = runCapture();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("copied text"));
    EXPECT_EQ(xclipOut(QStringLiteral("UTF8_STRING")), QByteArray("the user's clipboard"));
    EXPECT_EQ(servingProcesses().size(), 1);

    xclipIn("newer");
    EXPECT_TRUE(eventually([&] { return servingProcesses().isEmpty(); }));
    EXPECT_EQ(xclipOut(QStringLiteral("UTF8_STRING")), QByteArray("newer"));
}

TEST_F(CaptureCommandTest, OtherResultsGoToStandardErrorWithExitCodeOne) {
    // Nothing highlighted and no application that copies.
    clearPrimary();
    xclipIn("untouched");
    CommandRun run = runCapture();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err, QByteArray("empty\n"));
    EXPECT_EQ(xclipOut(QStringLiteral("UTF8_STRING")), QByteArray("untouched"));
    EXPECT_TRUE(servingProcesses().isEmpty());

    // A password on the clipboard is never read, so it cannot be put back.
    {
        ScriptedClipboardOwner secret(display(),
                                      {"TARGETS", "x-kde-passwordManagerHint", "UTF8_STRING"},
                                      {{"x-kde-passwordManagerHint", "text/plain", 8, "secret", 0},
                                       {"UTF8_STRING", "UTF8_STRING", 8, "hunter2", 0}});
        run = runCapture();
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, QByteArray("clipboardBusy\n"));
        EXPECT_FALSE(secret.requested().contains(QStringLiteral("UTF8_STRING")));
    }

    // Without an X server the answer says why.
    const struct {
        const char* display;
        QByteArray why;
    } unreachable[] = {{nullptr, "DISPLAY is not set"}, {":9999", "DISPLAY=:9999 does not answer"}};
    for (const auto& [name, why] : unreachable) {
        QProcessEnvironment environment = m_server->environment();
        environment.remove(QStringLiteral("DISPLAY"));
        if (name)
            environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(name));
        run = runCapture(environment);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err,
                  "noPermission\nverdolin capture: no X display is reachable (" + why + ")\n");
    }
}

struct OutputCase {
    const char* name;
    CaptureResult result;
    int exitCode;
    QByteArray out;
    QByteArray err;
};

class CaptureCommandOutputTest : public ::testing::TestWithParam<OutputCase> {};

// Each result as it leaves the capturing child and reaches the caller's terminal.
TEST_P(CaptureCommandOutputTest, ReachesTheCallerAsPrinted) {
    const OutputCase& c = GetParam();
    const std::optional<CaptureResult> received =
        CaptureCommand::decode(CaptureCommand::encode(c.result));
    ASSERT_TRUE(received);
    EXPECT_TRUE(*received == c.result);
    const CaptureCommand::Output output = CaptureCommand::outputOf(*received);
    EXPECT_EQ(output.exitCode, c.exitCode);
    EXPECT_EQ(output.out, c.out);
    EXPECT_EQ(output.err, c.err);
}

CaptureResult lost(CaptureResult result) {
    result.clipboardLost = true;
    return result;
}

const QByteArray lostLine = "clipboardLost: the clipboard could not be put back\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureCommandOutputTest,
    ::testing::Values(
        OutputCase{"Text", CaptureResult::captured(QStringLiteral("grüße\n")), 0, "grüße\n", ""},
        OutputCase{"Empty", CaptureResult::empty(), 1, "", "empty\n"},
        OutputCase{"TextWithTheClipboardLost",
                   lost(CaptureResult::captured(QStringLiteral("copied"))), 1, "copied", lostLine},
        OutputCase{"EmptyWithTheClipboardLost", lost(CaptureResult::empty()), 1, "",
                   "empty\n" + lostLine}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureCommandDecodeTest, AnIncompleteMessageIsNoResult) {
    EXPECT_FALSE(CaptureCommand::decode(QByteArray()));
    EXPECT_FALSE(CaptureCommand::decode(QByteArray(1, '\0')));
}

} // namespace

VERDOLIN_QT_TEST_MAIN
