#include "platform/linux/x11/ClipboardOwner.h"

#include "platform/linux/x11/ClipboardChangeWatcher.h"
#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// Restored contents read back by xclip are checked end to end by the capture's restore trials;
// here requestors xclip does not play, and the watcher that must not count our own restores.

namespace {

// A bare requestor on its own connection.
class RawRequestor {
public:
    explicit RawRequestor(const QByteArray& display) {
        xcb_window_t root = XCB_WINDOW_NONE;
        m_connection = XcbSelection::connect(display, &root);
        m_c = m_connection.get();
        m_window = XcbSelection::createWindow(m_c, root);
    }

    xcb_atom_t atom(const char* name) { return XcbSelection::atom(m_c, name); }

    // Converts and returns the answered property (None when refused or no answer).
    xcb_atom_t convert(const char* target, const char* property) {
        xcb_convert_selection(m_c, m_window, atom("CLIPBOARD"), atom(target), atom(property),
                              XCB_CURRENT_TIME);
        xcb_flush(m_c);
        const QDeadlineTimer limit(5000);
        while (const XcbSelection::Event event = XcbSelection::waitForEvent(m_c, limit)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY)
                return reinterpret_cast<xcb_selection_notify_event_t*>(event.get())->property;
        }
        return XCB_ATOM_NONE;
    }

    // Type and value of a property of the window.
    std::pair<xcb_atom_t, QByteArray> property(xcb_atom_t property) {
        const XcbSelection::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_c,
            xcb_get_property(m_c, 0, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
            nullptr));
        return {reply->type,
                QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()))};
    }

    XcbSelection::Connection m_connection;
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
};

class ClipboardOwnerTest : public ClipboardOnXvfb {
protected:
    void SetUp() override {
        ClipboardOnXvfb::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_owner = std::make_shared<ClipboardOwner>(display());
        ClipboardSnapshot snapshot;
        snapshot.offered = {"TARGETS", "UTF8_STRING", "application/octet-stream"};
        snapshot.targets = {{"UTF8_STRING", "UTF8_STRING", 8, "text"},
                            {"application/octet-stream", "application/octet-stream", 8,
                             patternBytes(600 * 1024, 5)}};
        ASSERT_TRUE(m_owner->restore(snapshot));
    }
};

// Requests xclip never makes: TIMESTAMP, and MULTIPLE with a refused pair named None.
TEST_F(ClipboardOwnerTest, AnswersTimestampAndMultiple) {
    RawRequestor r(display());
    EXPECT_EQ(r.property(r.convert("TIMESTAMP", "P")).first, xcb_atom_t(XCB_ATOM_INTEGER));
    const xcb_atom_t p1 = r.atom("P1"), pairs = r.atom("PAIRS");
    const QList<xcb_atom_t> asked{r.atom("UTF8_STRING"), p1, r.atom("DELETE"), r.atom("P2")};
    xcb_change_property(r.m_c, XCB_PROP_MODE_REPLACE, r.m_window, pairs, r.atom("ATOM_PAIR"), 32, 4,
                        asked.constData());
    ASSERT_EQ(r.convert("MULTIPLE", "PAIRS"), pairs);
    const QList<xcb_atom_t> answered{asked[0], p1, asked[2], XCB_ATOM_NONE};
    EXPECT_EQ(r.property(pairs).second,
              QByteArray(reinterpret_cast<const char*>(answered.constData()), 16));
    EXPECT_EQ(r.property(p1).second, QByteArray("text"));
}

// A requestor that disappears in the middle of an INCR transfer must not stop the service.
TEST_F(ClipboardOwnerTest, SurvivesARequestorVanishingMidTransfer) {
    {
        RawRequestor requestor(display());
        const xcb_atom_t answered = requestor.convert("application/octet-stream", "P");
        ASSERT_NE(answered, xcb_atom_t(XCB_ATOM_NONE));
        EXPECT_EQ(requestor.property(answered).first, requestor.atom("INCR"));
        EXPECT_TRUE(eventually([&] { return m_owner->pendingTransfers() == 1; }));
    }
    EXPECT_TRUE(eventually([&] { return m_owner->pendingTransfers() == 0; }));
    EXPECT_TRUE(xclipOut("application/octet-stream") == patternBytes(600 * 1024, 5));
    xclipIn("newer");
    EXPECT_TRUE(eventually([&] { return !m_owner->isOwner(); }));
    EXPECT_EQ(xclipOut("UTF8_STRING"), QByteArray("newer"));
}

// A paste that meets a restore must not wait for unrelated traffic to be answered.
TEST_F(ClipboardOwnerTest, ARequestMeetingARestoreIsAnswered) {
    const int trials = restoreTrials(300);
    ClipboardSnapshot text;
    text.offered = {"TARGETS", "UTF8_STRING"};
    text.targets = {{"UTF8_STRING", "UTF8_STRING", 8, "restored"}};
    RawRequestor requestor(display());
    for (int trial = 0; trial < trials; ++trial) {
        std::atomic<bool> restored{false};
        std::thread restoring([&] { restored = m_owner->restore(text); });
        const xcb_atom_t answered = requestor.convert("UTF8_STRING", "P");
        restoring.join();
        ASSERT_TRUE(restored) << trial;
        ASSERT_NE(answered, xcb_atom_t(XCB_ATOM_NONE)) << "no answer in trial " << trial;
    }
}

class ClipboardChangeWatcherTest : public ClipboardOnXvfb {};

TEST_F(ClipboardChangeWatcherTest,
       CountsChangesByOthersButNotOurRestoresAndNothingWithoutADisplay) {
    ClipboardSnapshot text;
    text.offered = {"TARGETS", "UTF8_STRING"};
    text.targets = {{"UTF8_STRING", "UTF8_STRING", 8, "mine"}};
    ClipboardOwner owner(display());
    ClipboardChangeWatcher watcher(display(), &owner);
    ASSERT_TRUE(watcher.isValid());
    // Both kinds of our own restore notify through XFixes; neither is someone else's copy.
    ASSERT_TRUE(owner.restore(text));
    ASSERT_TRUE(owner.restore(ClipboardSnapshot{}));
    ASSERT_TRUE(owner.restore(text));
    // A later change by someone else arrives after ours, so once it is counted ours have been
    // seen (and skipped) already.
    xclipIn("theirs");
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() >= 1; }));
    EXPECT_EQ(watcher.changeCount(), 1u);
    // A reset forgets a copy even if it has not been read yet.
    xclipIn("before");
    ASSERT_TRUE(watcher.reset());
    EXPECT_EQ(watcher.changeCount(), 0u);
    // An owner whose client closes leaves the clipboard empty: that is a change too.
    auto scripted = std::make_unique<ScriptedClipboardOwner>(
        display(), QStringList{"TARGETS", "UTF8_STRING"},
        QList<ScriptedClipboardOwner::Target>{{"UTF8_STRING", "UTF8_STRING", 8, "x"}});
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() == 1; }));
    scripted.reset();
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() == 2; }));

    ClipboardChangeWatcher withoutDisplay(":9999");
    EXPECT_FALSE(withoutDisplay.isValid());
    EXPECT_FALSE(withoutDisplay.reset());
    EXPECT_EQ(withoutDisplay.changeCount(), 0u);
}

} // namespace

VERDOLIN_QT_TEST_MAIN
