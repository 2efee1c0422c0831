#include "platform/linux/x11/CaptureCommand.h"

#include "tests/platform/linux/x11/ClipboardTestSupport.h"

// `verdolin capture` as scripts use it: the text on standard output, the other results on
// standard error with exit code 1, and a restored clipboard that outlives the command.

namespace {

struct CommandRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class CaptureCommandTest : public ClipboardOnXvfb {
protected:
    void SetUp() override {
        ClipboardOnXvfb::SetUp();
        if (!IsSkipped() && !HasFatalFailure()) {
            ASSERT_TRUE(m_server->startWindowManager());
        }
    }

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
};

TEST_F(CaptureCommandTest, TheRestoredClipboardOutlivesTheCommand) {
    ASSERT_NE(startTextEdit(QStringLiteral("copied text")), nullptr);
    clearOwner();
    xclipIn("the user's clipboard");
    // xclip gives the clipboard up to the copy; the command serves it afterwards.
    const CommandRun run = runCapture();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("copied text"));
    EXPECT_EQ(xclipOut(QStringLiteral("UTF8_STRING")), QByteArray("the user's clipboard"));
}

TEST_F(CaptureCommandTest, OtherResultsGoToStandardErrorWithExitCodeOne) {
    // Nothing highlighted and no application that copies.
    clearOwner();
    xclipIn("untouched");
    CommandRun run = runCapture();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err, QByteArray("empty\n"));
    EXPECT_EQ(xclipOut(QStringLiteral("UTF8_STRING")), QByteArray("untouched"));

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

// Each result as it leaves the capturing child and reaches the caller's terminal.
TEST(CaptureCommandOutputTest, EachResultReachesTheCallerAsPrinted) {
    CaptureResult lostText = CaptureResult::captured(QStringLiteral("copied")),
                  lostEmpty = CaptureResult::empty();
    lostText.clipboardLost = lostEmpty.clipboardLost = true;
    const QByteArray lost = "clipboardLost: the clipboard could not be put back\n";
    const struct {
        CaptureResult result;
        int exitCode;
        QByteArray out, err;
    } cases[] = {{CaptureResult::captured(QStringLiteral("grüße\n")), 0, "grüße\n", ""},
                 {CaptureResult::empty(), 1, "", "empty\n"},
                 {CaptureResult::clipboardBusy(), 1, "", "clipboardBusy\n"},
                 {lostText, 1, "copied", lost},
                 {lostEmpty, 1, "", "empty\n" + lost}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err.toStdString());
        const std::optional<CaptureResult> received =
            CaptureCommand::decode(CaptureCommand::encode(c.result));
        ASSERT_TRUE(received);
        EXPECT_TRUE(*received == c.result);
        const CaptureCommand::Output output = CaptureCommand::outputOf(*received);
        EXPECT_EQ(output.exitCode, c.exitCode);
        EXPECT_EQ(output.out, c.out);
        EXPECT_EQ(output.err, c.err);
    }
    // An incomplete message is no result.
    EXPECT_FALSE(CaptureCommand::decode(QByteArray()));
    EXPECT_FALSE(CaptureCommand::decode(QByteArray(1, '\0')));
}

} // namespace

VERDOLIN_QT_TEST_MAIN
