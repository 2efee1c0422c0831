#pragma once

#include "app/capture/SelectionCapture.h"
#include "platform/linux/composition/LinuxServices.h"
#include "platform/linux/x11/ClipboardOwner.h"
#include "tests/platform/linux/x11/ClipboardTestSupport.h"

#include <future>

// Captures on a private display with openbox, against real X clients.
class CaptureOnXvfb : public ClipboardOnXvfb {
protected:
    void SetUp() override {
        ClipboardOnXvfb::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(m_server->startWindowManager());
        m_owner = std::make_shared<ClipboardOwner>(display());
        m_capture = std::make_unique<SelectionCapture>(LinuxServices::capture(display(), m_owner));
        xcb_intern_atom_reply_t* primary =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, 7, "PRIMARY"), nullptr);
        m_primary = primary->atom;
        std::free(primary);
    }

    void TearDown() override {
        m_capture.reset();
        m_owner.reset();
        ClipboardOnXvfb::TearDown();
    }

    // One capture, waited for until it has completely finished.
    CaptureResult capture() {
        std::promise<void> finished;
        QFuture<CaptureResult> future = m_capture->capture([&] { finished.set_value(); });
        const CaptureResult result = future.result();
        finished.get_future().wait();
        return result;
    }

    // Starts a client and keeps it until the test ends; waits for `readyLine` on its output
    // when one is given.
    QProcess* startClient(const QString& program, const QStringList& arguments,
                          const QByteArray& readyLine = {}) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_server->environment());
        process->start(program, arguments);
        if (!process->waitForStarted(5000))
            return nullptr;
        if (!readyLine.isEmpty()) {
            QByteArray output;
            QDeadlineTimer limit(20000);
            while (!output.contains(readyLine) && !limit.hasExpired()) {
                process->waitForReadyRead(100);
                output += process->readAllStandardOutput();
            }
            if (!output.contains(readyLine))
                return nullptr;
        }
        m_clients.push_back(std::move(process));
        return m_clients.back().get();
    }

    // A Qt text edit holding `text`, all of it selected and focused.
    QProcess* startTextEdit(const QString& text) {
        return startClient(QStringLiteral(TEXT_EDIT_CLIENT), {text}, "ready");
    }

    // Types a key combination into the focused window, as the user would.
    void pressKeys(const QString& keys) {
        QProcess xdotool;
        xdotool.setProcessEnvironment(m_server->environment());
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
        ASSERT_TRUE(xdotool.waitForFinished(10000));
        ASSERT_EQ(xdotool.exitCode(), 0);
    }

    xcb_window_t primaryOwner() {
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, m_primary), nullptr);
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        std::free(reply);
        return owner;
    }

    // Nobody owns PRIMARY afterwards, as after a click that deselects.
    void clearPrimary() {
        xcb_set_selection_owner(m_c, XCB_WINDOW_NONE, m_primary, XCB_CURRENT_TIME);
        xcb_flush(m_c);
        ASSERT_TRUE(eventually([&] { return primaryOwner() == XCB_WINDOW_NONE; }));
    }

    std::shared_ptr<ClipboardOwner> m_owner;
    std::unique_ptr<SelectionCapture> m_capture;
    xcb_atom_t m_primary = XCB_ATOM_NONE;
};
