#include "platform/linux/x11/ClipboardOwner.h"

#include "platform/linux/x11/ClipboardSnapshotReader.h"
#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <poll.h>
#include <thread>

using ::testing::ElementsAre;
using Status = ClipboardSnapshotReader::Status;
using Target = ScriptedClipboardOwner::Target;

namespace {

// A bare requestor on its own connection, for the parts of the protocol xclip does not use.
class RawRequestor {
public:
    explicit RawRequestor(const QByteArray& display) {
        int screen = 0;
        m_c = xcb_connect(display.constData(), &screen);
        xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        m_window = xcb_generate_id(m_c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, roots.data->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &mask);
    }
    ~RawRequestor() { disconnect(); }

    void disconnect() {
        if (m_c)
            xcb_disconnect(m_c);
        m_c = nullptr;
    }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t result = reply->atom;
        std::free(reply);
        return result;
    }

    void setAtoms(xcb_atom_t property, xcb_atom_t type, const QList<xcb_atom_t>& values) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_window, property, type, 32,
                            static_cast<uint32_t>(values.size()), values.constData());
    }

    // Converts and returns the answered property (None when refused or no answer).
    xcb_atom_t convert(const char* target, const char* property) {
        const xcb_atom_t targetAtom = atom(target);
        xcb_convert_selection(m_c, m_window, atom("CLIPBOARD"), targetAtom, atom(property),
                              XCB_CURRENT_TIME);
        xcb_flush(m_c);
        QDeadlineTimer limit(5000);
        while (!limit.hasExpired()) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_c);
            if (!event) {
                pollfd descriptor{xcb_get_file_descriptor(m_c), POLLIN, 0};
                ::poll(&descriptor, 1, 50);
                continue;
            }
            const bool notify = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
            const xcb_atom_t answered =
                reinterpret_cast<xcb_selection_notify_event_t*>(event)->property;
            std::free(event);
            if (notify)
                return answered;
        }
        return XCB_ATOM_NONE;
    }

    struct Property {
        xcb_atom_t type = XCB_ATOM_NONE;
        int format = 0;
        QByteArray data;
    };

    Property property(xcb_atom_t property) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_c,
            xcb_get_property(m_c, 0, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
            nullptr);
        Property result{reply->type, reply->format,
                        QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                                   xcb_get_property_value_length(reply))};
        std::free(reply);
        return result;
    }

    QList<xcb_atom_t> atomsOf(const Property& property) {
        QList<xcb_atom_t> atoms(property.data.size() / 4);
        std::memcpy(atoms.data(), property.data.constData(), static_cast<size_t>(atoms.size()) * 4);
        return atoms;
    }

private:
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
};

class ClipboardOwnerTest : public ClipboardOnXvfb {
protected:
    // Snapshot, let another client take the clipboard (the copy), put the snapshot back, and
    // let the copying client go: what xclip then sees must be what it saw before.
    void roundTrip(const std::function<void()>& original, ClipboardOwner& owner) {
        original();
        const QStringList targetsBefore = xclipTargets();
        // The budget has tests of its own; here a loaded machine must not fail a trial.
        ClipboardSnapshotReader reader(display(), {std::chrono::milliseconds(3000), 16 << 20});
        const ClipboardSnapshotReader::Result before = reader.read();
        ASSERT_EQ(before.status, Status::Taken);
        QList<std::optional<QByteArray>> bytesBefore;
        for (const ClipboardTarget& target : before.snapshot.targets)
            bytesBefore.append(target.format == 8 ? xclipOut(target.name) : std::nullopt);

        xclipIn("the copied selection");
        ASSERT_TRUE(owner.restore(before.snapshot));
        for (auto& process : m_clients) {
            process->kill();
            process->waitForFinished(3000);
        }
        m_clients.clear();

        if (before.snapshot.isEmpty()) {
            EXPECT_EQ(clipboardOwner(), xcb_window_t(XCB_WINDOW_NONE));
            EXPECT_FALSE(owner.isOwner());
            return;
        }
        EXPECT_TRUE(owner.isOwner());
        EXPECT_EQ(xclipTargets(), targetsBefore);
        for (qsizetype i = 0; i < before.snapshot.targets.size(); ++i) {
            if (bytesBefore.at(i)) {
                EXPECT_EQ(xclipOut(before.snapshot.targets.at(i).name), bytesBefore.at(i))
                    << before.snapshot.targets.at(i).name.toStdString();
            }
        }
        // Types and formats too, which xclip does not show.
        const ClipboardSnapshotReader::Result after = reader.read();
        ASSERT_EQ(after.status, Status::Taken);
        EXPECT_TRUE(after.snapshot == before.snapshot);
    }
};

struct RoundTripCase {
    const char* name;
    QStringList offered;
    QList<Target> targets;
};

class ClipboardOwnerRoundTripTest : public ClipboardOwnerTest,
                                    public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(ClipboardOwnerRoundTripTest, RestoresTargetsAndBytes) {
    const RoundTripCase& c = GetParam();
    std::unique_ptr<ScriptedClipboardOwner> scripted;
    ClipboardOwner owner(display());
    ASSERT_TRUE(owner.isValid());
    roundTrip(
        [&] {
            if (!c.offered.isEmpty())
                scripted =
                    std::make_unique<ScriptedClipboardOwner>(display(), c.offered, c.targets);
        },
        owner);
}

QList<Target> manyTargets() {
    QList<Target> targets{{"UTF8_STRING", "UTF8_STRING", 8, "many"},
                          {"x-short", "x-short", 16, patternBytes(64, 3)},
                          {"x-atoms", "ATOM", 32, QByteArray(8, '\0')},
                          {"image/png", "image/png", 8, patternBytes(200 * 1024, 4)}};
    for (int i = 0; i < 30; ++i) {
        const QString name = QStringLiteral("application/x-part-%1").arg(i);
        targets.append({name, name, 8, patternBytes(100 + i * 37, i)});
    }
    return targets;
}

QStringList namesOf(const QList<Target>& targets, const QStringList& prefix) {
    QStringList names = prefix;
    for (const Target& target : targets)
        names.append(target.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClipboardOwnerRoundTripTest,
    ::testing::Values(
        RoundTripCase{"TextAndHtml",
                      {"TIMESTAMP", "TARGETS", "MULTIPLE", "SAVE_TARGETS", "text/html",
                       "UTF8_STRING", "STRING", "text/plain;charset=utf-8"},
                      {{"text/html", "text/html", 8, "<p>Hola <b>mundo</b></p>"},
                       {"UTF8_STRING", "UTF8_STRING", 8, "Hola mundo"},
                       {"STRING", "STRING", 8, "Hola mundo"},
                       {"text/plain;charset=utf-8", "text/plain;charset=utf-8", 8, "Hola mundo"}}},
        RoundTripCase{"ManyTargets", namesOf(manyTargets(), {"TARGETS", "DELETE"}), manyTargets()},
        RoundTripCase{"OverOneMebibyteByIncr",
                      {"TARGETS", "UTF8_STRING", "application/octet-stream"},
                      {{"UTF8_STRING", "UTF8_STRING", 8, "big"},
                       {"application/octet-stream", "application/octet-stream", 8,
                        patternBytes(1536 * 1024 + 5, 11)}}},
        RoundTripCase{"EmptyClipboard", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

class ClipboardOwnerProtocolTest : public ClipboardOwnerTest {
protected:
    void SetUp() override {
        ClipboardOwnerTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_owner = std::make_unique<ClipboardOwner>(display());
        ClipboardSnapshot snapshot;
        snapshot.offered = {"TARGETS",
                            "TIMESTAMP",
                            "MULTIPLE",
                            "SAVE_TARGETS",
                            "DELETE",
                            "UTF8_STRING",
                            "application/octet-stream"};
        snapshot.targets = {{"UTF8_STRING", "UTF8_STRING", 8, "text"},
                            {"application/octet-stream", "application/octet-stream", 8,
                             patternBytes(600 * 1024, 5)}};
        ASSERT_TRUE(m_owner->restore(snapshot));
    }

    void TearDown() override {
        m_owner.reset();
        ClipboardOwnerTest::TearDown();
    }

    std::unique_ptr<ClipboardOwner> m_owner;
};

TEST_F(ClipboardOwnerProtocolTest, AnswersTimestampAndSaveTargetsAndRefusesSideEffects) {
    RawRequestor requestor(display());
    const xcb_atom_t time = requestor.convert("TIMESTAMP", "P");
    ASSERT_NE(time, xcb_atom_t(XCB_ATOM_NONE));
    const RawRequestor::Property stamp = requestor.property(time);
    EXPECT_EQ(stamp.type, xcb_atom_t(XCB_ATOM_INTEGER));
    EXPECT_EQ(stamp.data.size(), 4);

    const xcb_atom_t save = requestor.convert("SAVE_TARGETS", "Q");
    ASSERT_NE(save, xcb_atom_t(XCB_ATOM_NONE));
    const RawRequestor::Property saved = requestor.property(save);
    EXPECT_EQ(saved.type, requestor.atom("NULL"));
    EXPECT_TRUE(saved.data.isEmpty());

    EXPECT_EQ(requestor.convert("DELETE", "R"), xcb_atom_t(XCB_ATOM_NONE));
    EXPECT_EQ(requestor.convert("image/png", "R"), xcb_atom_t(XCB_ATOM_NONE));
    // The clipboard is still there after a DELETE request.
    EXPECT_EQ(xclipOut("UTF8_STRING"), QByteArray("text"));
}

TEST_F(ClipboardOwnerProtocolTest, MultipleAnswersEachPairAndNamesTheRefusedOnesNone) {
    RawRequestor requestor(display());
    const xcb_atom_t p1 = requestor.atom("P1"), p2 = requestor.atom("P2"),
                     p3 = requestor.atom("P3"), pairs = requestor.atom("PAIRS");
    requestor.setAtoms(pairs, requestor.atom("ATOM_PAIR"),
                       {requestor.atom("UTF8_STRING"), p1, requestor.atom("DELETE"), p2,
                        requestor.atom("TARGETS"), p3});
    ASSERT_EQ(requestor.convert("MULTIPLE", "PAIRS"), pairs);
    EXPECT_THAT(requestor.atomsOf(requestor.property(pairs)),
                ElementsAre(requestor.atom("UTF8_STRING"), p1, requestor.atom("DELETE"),
                            xcb_atom_t(XCB_ATOM_NONE), requestor.atom("TARGETS"), p3));
    EXPECT_EQ(requestor.property(p1).data, QByteArray("text"));
    EXPECT_EQ(requestor.atomsOf(requestor.property(p3)).size(), 7);
}

// A requestor that disappears in the middle of an INCR transfer must not stop the service.
TEST_F(ClipboardOwnerProtocolTest, SurvivesARequestorVanishingMidTransfer) {
    {
        RawRequestor requestor(display());
        const xcb_atom_t answered = requestor.convert("application/octet-stream", "P");
        ASSERT_NE(answered, xcb_atom_t(XCB_ATOM_NONE));
        EXPECT_EQ(requestor.property(answered).type, requestor.atom("INCR"));
        EXPECT_TRUE(eventually([&] { return m_owner->pendingTransfers() == 1; }));
    }
    EXPECT_TRUE(eventually([&] { return m_owner->pendingTransfers() == 0; }));
    EXPECT_TRUE(xclipOut("application/octet-stream") == patternBytes(600 * 1024, 5));
    EXPECT_TRUE(m_owner->isOwner());
    xclipIn("newer");
    EXPECT_TRUE(eventually([&] { return !m_owner->isOwner(); }));
    EXPECT_EQ(xclipOut("UTF8_STRING"), QByteArray("newer"));
}

// A paste that meets a restore must not wait for unrelated traffic to be answered.
TEST_F(ClipboardOwnerProtocolTest, ARequestMeetingARestoreIsAnswered) {
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
