#include "platform/linux/x11/ClipboardOwner.h"

#include "tests/platform/linux/x11/ClipboardTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

// Restored contents read back by xclip are checked end to end by the capture's restore trials;
// here the parts of the protocol xclip does not use.

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
        snapshot.offered = QStringLiteral("TARGETS TIMESTAMP MULTIPLE SAVE_TARGETS DELETE "
                                          "UTF8_STRING application/octet-stream")
                               .split(' ');
        snapshot.targets = {{"UTF8_STRING", "UTF8_STRING", 8, "text"},
                            {"application/octet-stream", "application/octet-stream", 8,
                             patternBytes(600 * 1024, 5)}};
        ASSERT_TRUE(m_owner->restore(snapshot));
    }
};

TEST_F(ClipboardOwnerTest, AnswersTimestampSaveTargetsAndMultipleAndRefusesSideEffects) {
    RawRequestor r(display());
    const auto [stampType, stamp] = r.property(r.convert("TIMESTAMP", "P"));
    EXPECT_EQ(stampType, xcb_atom_t(XCB_ATOM_INTEGER));
    EXPECT_EQ(stamp.size(), 4);
    const auto [savedType, saved] = r.property(r.convert("SAVE_TARGETS", "Q"));
    EXPECT_EQ(savedType, r.atom("NULL"));
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_EQ(r.convert("DELETE", "R"), xcb_atom_t(XCB_ATOM_NONE));
    EXPECT_EQ(r.convert("image/png", "R"), xcb_atom_t(XCB_ATOM_NONE));

    // MULTIPLE answers each pair and names the refused ones None.
    const xcb_atom_t p1 = r.atom("P1"), p2 = r.atom("P2"), p3 = r.atom("P3"),
                     pairs = r.atom("PAIRS");
    const QList<xcb_atom_t> asked{r.atom("UTF8_STRING"), p1, r.atom("DELETE"), p2,
                                  r.atom("TARGETS"),     p3};
    xcb_change_property(r.m_c, XCB_PROP_MODE_REPLACE, r.m_window, pairs, r.atom("ATOM_PAIR"), 32,
                        static_cast<uint32_t>(asked.size()), asked.constData());
    ASSERT_EQ(r.convert("MULTIPLE", "PAIRS"), pairs);
    const QList<xcb_atom_t> answered{asked[0], p1, asked[2], XCB_ATOM_NONE, asked[4], p3};
    EXPECT_EQ(r.property(pairs).second,
              QByteArray(reinterpret_cast<const char*>(answered.constData()), 6 * 4));
    EXPECT_EQ(r.property(p1).second, QByteArray("text"));
    EXPECT_EQ(r.property(p3).second.size(), 7 * 4);
    // The clipboard is still there after the DELETE requests.
    EXPECT_EQ(xclipOut("UTF8_STRING"), QByteArray("text"));
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
    // The sanitizer run makes every trial several times slower.
    const int configured = qEnvironmentVariableIntValue("VERDOLIN_RESTORE_TRIALS");
    const int trials = configured > 0 ? std::min(configured, 300) : 300;
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

} // namespace

VERDOLIN_QT_TEST_MAIN
