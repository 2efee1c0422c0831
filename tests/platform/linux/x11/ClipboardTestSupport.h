#pragma once

#include "app/capture/SelectionCapture.h"
#include "platform/linux/composition/LinuxServices.h"
#include "platform/linux/x11/ClipboardOwner.h"
#include "platform/linux/x11/XcbSelection.h"
#include "tests/support/XvfbServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <optional>
#include <vector>
#include <xcb/xfixes.h>

// A private X server per test, with xclip as the outside client that reads and writes
// selections; startCapture() adds openbox and a capture against real X clients.
class ClipboardOnXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            GTEST_SKIP() << "xclip is not installed";
        m_server = std::make_unique<XvfbServer>();
        ASSERT_TRUE(m_server->isReady());
        m_display = m_server->displayName().toLatin1();
        m_c = xcb_connect(m_display.constData(), nullptr);
        ASSERT_EQ(xcb_connection_has_error(m_c), 0);
        m_clipboard = XcbSelection::atom(m_c, "CLIPBOARD");
        // Every change of owner wakes eventually().
        std::free(
            xcb_xfixes_query_version_reply(m_c, xcb_xfixes_query_version(m_c, 5, 0), nullptr));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        for (const xcb_atom_t selection : {xcb_atom_t(XCB_ATOM_PRIMARY), m_clipboard})
            xcb_xfixes_select_selection_input(
                m_c, root, selection,
                XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                    | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                    | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(m_c);
    }

    void TearDown() override {
        m_capture.reset();
        m_owner.reset();
        for (auto& process : m_clients) {
            process->kill();
            process->waitForFinished(3000);
        }
        if (m_c)
            xcb_disconnect(m_c);
        m_server.reset();
    }

    const QByteArray& display() const { return m_display; }

    // Openbox, and a capture of this display whose waits run on `clock` (null: real time).
    void startCapture(std::shared_ptr<CaptureClock> clock = {}) {
        ASSERT_TRUE(m_server->startWindowManager());
        m_owner = std::make_shared<ClipboardOwner>(display());
        SelectionCapture::Services services = LinuxServices::capture(display(), m_owner);
        services.clock = std::move(clock);
        m_capture = std::make_unique<SelectionCapture>(std::move(services));
    }

    // One capture, waited for until it has completely finished.
    CaptureResult capture() {
        std::promise<void> finished;
        QFuture<CaptureResult> future = m_capture->capture([&] { finished.set_value(); });
        const CaptureResult result = future.result();
        finished.get_future().wait();
        return result;
    }

    xcb_window_t ownerOf(xcb_atom_t selection) {
        const XcbSelection::Reply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, selection), nullptr));
        return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
    }
    xcb_window_t clipboardOwner() { return ownerOf(m_clipboard); }

    // Nobody owns the selection afterwards, as after a click that deselects.
    void clearOwner(xcb_atom_t selection = XCB_ATOM_PRIMARY) {
        xcb_set_selection_owner(m_c, XCB_WINDOW_NONE, selection, XCB_CURRENT_TIME);
        xcb_flush(m_c);
        ASSERT_TRUE(eventually([&] { return ownerOf(selection) == XCB_WINDOW_NONE; }));
    }

    // Looks again at each X event on the test's connection, and at least every 20 ms for what
    // other threads keep.
    bool eventually(const std::function<bool()>& condition, qint64 limitMs = 5000) {
        for (QDeadlineTimer limit(limitMs); !condition();) {
            if (limit.hasExpired())
                return false;
            XcbSelection::waitForEvent(m_c,
                                       QDeadlineTimer(qMin<qint64>(limit.remainingTime(), 20)));
        }
        return true;
    }

    // A client kept until the test ends, once it printed `readyLine`.
    QProcess* startClient(const QString& program, const QStringList& arguments,
                          const QByteArray& readyLine = {}) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_server->environment());
        process->start(program, arguments);
        if (!process->waitForStarted(5000))
            return nullptr;
        QByteArray output;
        QDeadlineTimer limit(20000);
        while (!output.contains(readyLine) && !limit.hasExpired()) {
            process->waitForReadyRead(100);
            output += process->readAllStandardOutput();
        }
        if (!output.contains(readyLine))
            return nullptr;
        m_clients.push_back(std::move(process));
        return m_clients.back().get();
    }

#ifdef TEXT_EDIT_CLIENT
    // A Qt text edit holding `text`, all of it selected and focused.
    QProcess* startTextEdit(const QString& text) {
        return startClient(QStringLiteral(TEXT_EDIT_CLIENT), {text}, "ready");
    }
#endif

    std::optional<QByteArray> xclipOut(const QString& target) {
        QProcess process;
        process.setProcessEnvironment(m_server->environment());
        process.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", target});
        if (!process.waitForFinished(20000) || process.exitCode() != 0)
            return std::nullopt;
        return process.readAllStandardOutput();
    }

    // `xclip -i` owning the selection with `data`, as the copying application would.
    void xclipIn(const QByteArray& data, const QString& target = QStringLiteral("UTF8_STRING"),
                 xcb_atom_t selection = XCB_ATOM_NONE) {
        const bool primary = selection == XCB_ATOM_PRIMARY;
        selection = primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : m_clipboard;
        const xcb_window_t before = ownerOf(selection);
        QProcess* process =
            startClient(QStringLiteral("xclip"), {"-quiet", "-i", "-selection",
                                                  primary ? "primary" : "clipboard", "-t", target});
        ASSERT_NE(process, nullptr);
        process->write(data);
        // Without an event loop the data leaves only while we wait for it.
        while (process->bytesToWrite() > 0 && process->waitForBytesWritten(5000)) {
        }
        process->closeWriteChannel();
        ASSERT_TRUE(eventually([&] {
            const xcb_window_t owner = ownerOf(selection);
            return owner != XCB_WINDOW_NONE && owner != before;
        }));
    }

    std::unique_ptr<XvfbServer> m_server;
    QByteArray m_display;
    xcb_connection_t* m_c = nullptr;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    std::vector<std::unique_ptr<QProcess>> m_clients;
    std::shared_ptr<ClipboardOwner> m_owner;
    std::unique_ptr<SelectionCapture> m_capture;
};

// Deterministic filler bytes: every value 0..255 appears, and the data differs per seed.
inline QByteArray patternBytes(qsizetype size, int seed) {
    QByteArray bytes(size, '\0');
    quint32 state = 2463534242u + static_cast<quint32>(seed);
    for (qsizetype i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>(state & 0xff);
    }
    return bytes;
}

// The sanitizer run sets fewer trials, as it makes every trial several times slower.
inline int restoreTrials(int fallback) {
    const int configured = qEnvironmentVariableIntValue("VERDOLIN_RESTORE_TRIALS");
    return configured > 0 ? configured : fallback;
}

#define VERDOLIN_QT_TEST_MAIN                                                                      \
    int main(int argc, char** argv) {                                                              \
        QCoreApplication application(argc, argv);                                                  \
        ::testing::InitGoogleTest(&argc, argv);                                                    \
        return RUN_ALL_TESTS();                                                                    \
    }
