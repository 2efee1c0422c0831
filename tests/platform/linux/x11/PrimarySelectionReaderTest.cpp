#include "platform/linux/x11/PrimarySelectionReader.h"

// The server helper mixes an enum and an atom in one conditional.
#include "tests/support/XvfbServer.h"

#include <QByteArray>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <poll.h>
#include <thread>
#include <xcb/xcb.h>

namespace {

using Outcome = PrimarySelectionReader::Outcome;
using Result = PrimarySelectionReader::Result;
using namespace std::chrono_literals;

} // namespace

void PrintTo(const PrimarySelectionReader::Result& result, std::ostream* out) {
    *out << "{outcome " << static_cast<int>(result.outcome) << ", \""
         << result.text.left(60).toStdString() << (result.text.size() > 60 ? "…" : "") << "\" ("
         << result.text.size() << " characters)}";
}

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

xcb_window_t primaryOwner(const QString& display) {
    xcb_connection_t* connection = xcb_connect(display.toLatin1().constData(), nullptr);
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, XCB_ATOM_PRIMARY), nullptr);
    const xcb_window_t owner = reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    std::free(reply);
    xcb_disconnect(connection);
    return owner;
}

bool waitForPrimaryOwner(const QString& display, xcb_window_t other = XCB_WINDOW_NONE) {
    for (int i = 0; i < 500; ++i) {
        const xcb_window_t owner = primaryOwner(display);
        if (owner != XCB_WINDOW_NONE && owner != other)
            return true;
        QThread::msleep(10);
    }
    return false;
}

// What the test's own PRIMARY owner does when asked.
struct OwnerScript {
    const char* type = "UTF8_STRING";
    QByteArray data;
    qsizetype chunk = 0;       // > 0: incremental transfer in chunks of this many bytes
    bool refuse = false;       // answers with property None
    bool silent = false;       // never answers
    int stallAfterChunks = -1; // stops an incremental transfer after this many chunks
};

// A PRIMARY owner on its own connection and thread, scripted to misbehave where a real client
// might.
class ScriptedOwner {
public:
    ScriptedOwner(const QString& display, OwnerScript script)
        : m_script(std::move(script)) {
        m_connection = xcb_connect(display.toLatin1().constData(), nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        m_type = atom(m_connection, m_script.type);
        m_incr = atom(m_connection, "INCR");
        xcb_set_selection_owner(m_connection, m_window, XCB_ATOM_PRIMARY, XCB_CURRENT_TIME);
        // A round trip, so that the server owns us before a reader on another connection asks.
        std::free(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, XCB_ATOM_PRIMARY), nullptr));
        m_thread = std::thread([this] { run(); });
    }
    ~ScriptedOwner() {
        m_stop = true;
        m_thread.join();
        xcb_disconnect(m_connection);
    }
    int chunksSent() const { return m_chunks; }

private:
    void notify(const xcb_selection_request_event_t& request, xcb_atom_t property) {
        xcb_selection_notify_event_t event{};
        event.response_type = XCB_SELECTION_NOTIFY;
        event.time = request.time;
        event.requestor = request.requestor;
        event.selection = request.selection;
        event.target = request.target;
        event.property = property;
        xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
    }

    void answer(const xcb_selection_request_event_t& request) {
        if (m_script.silent)
            return;
        if (m_script.refuse) {
            notify(request, XCB_ATOM_NONE);
            return;
        }
        const xcb_atom_t property =
            request.property == XCB_ATOM_NONE ? request.target : request.property;
        if (m_script.chunk > 0 && m_script.data.size() > m_script.chunk) {
            const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(m_connection, request.requestor, XCB_CW_EVENT_MASK,
                                         &events);
            const auto size = static_cast<std::uint32_t>(m_script.data.size());
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                m_incr, 32, 1, &size);
            m_requestor = request.requestor;
            m_property = property;
            m_offset = 0;
        } else {
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                m_type, 8, static_cast<std::uint32_t>(m_script.data.size()),
                                m_script.data.constData());
        }
        notify(request, property);
    }

    void nextChunk() {
        if (m_script.stallAfterChunks >= 0 && m_chunks >= m_script.stallAfterChunks)
            return;
        const QByteArray part = m_script.data.mid(m_offset, m_script.chunk);
        m_offset += part.size();
        ++m_chunks;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_requestor, m_property, m_type, 8,
                            static_cast<std::uint32_t>(part.size()), part.constData());
        if (part.isEmpty())
            m_requestor = XCB_WINDOW_NONE;
    }

    void run() {
        while (!m_stop) {
            xcb_flush(m_connection);
            pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&descriptor, 1, 20);
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                const int kind = event->response_type & 0x7f;
                if (kind == XCB_SELECTION_REQUEST) {
                    answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
                } else if (kind == XCB_PROPERTY_NOTIFY) {
                    const auto* change = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    if (change->state == XCB_PROPERTY_DELETE && change->window == m_requestor
                        && change->atom == m_property && m_requestor != XCB_WINDOW_NONE)
                        nextChunk();
                }
                std::free(event);
            }
        }
    }

    OwnerScript m_script;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_type = XCB_ATOM_NONE;
    xcb_atom_t m_incr = XCB_ATOM_NONE;
    xcb_window_t m_requestor = XCB_WINDOW_NONE;
    xcb_atom_t m_property = XCB_ATOM_NONE;
    qsizetype m_offset = 0;
    std::atomic<int> m_chunks = 0;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

class PrimarySelectionReaderTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.isReady());
        m_display = m_server.displayName().toLatin1();
    }
    void TearDown() override {
        for (const auto& process : m_processes) {
            process->kill();
            process->waitForFinished(3000);
        }
    }

    // xclip owning PRIMARY with `data` offered as `target`.
    void xclipOwns(const QByteArray& data, const QString& target = QStringLiteral("UTF8_STRING")) {
        const xcb_window_t before = primaryOwner(m_server.displayName());
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_server.environment());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(QStringLiteral("xclip"),
                       {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                        QStringLiteral("primary"), QStringLiteral("-t"), target});
        ASSERT_TRUE(process->waitForStarted(5000));
        process->write(data);
        // Without an event loop the data only leaves while we wait for it.
        while (process->bytesToWrite() > 0 && process->waitForBytesWritten(5000)) {
        }
        process->closeWriteChannel();
        m_processes.push_back(std::move(process));
        ASSERT_TRUE(waitForPrimaryOwner(m_server.displayName(), before));
    }

    XvfbServer m_server;
    QByteArray m_display;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_F(PrimarySelectionReaderTest, TextArrivesExactlyAsTheOwnerOffersIt) {
    const struct {
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {"Grüße, 日本語 🙂\n\tsecond line\n",
         QStringLiteral(u"Grüße, 日本語 🙂\n\tsecond line\n")},
        // A C string's terminator is dropped.
        {QByteArray("terminated\0", 11), QStringLiteral("terminated")},
        // Just under and over the point where xclip switches to incremental chunks.
        {QByteArray(500 * 1024, 'a'), QString(500 * 1024, u'a')},
        {QByteArray(3 * 1024 * 1024, 'z'), QString(3 * 1024 * 1024, u'z')},
    };
    PrimarySelectionReader reader(m_display);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        xclipOwns(c.bytes);
        EXPECT_EQ(reader.read(), (Result{Outcome::text, c.expected}));
    }
}

TEST_F(PrimarySelectionReaderTest, JoinsIncrementalChunksBeforeDecoding) {
    // Chunks of an odd size cut the two-byte characters apart.
    QByteArray text;
    while (text.size() < 1536 * 1024)
        text += "ä€x😀";
    ScriptedOwner owner(m_server.displayName(), {.data = text, .chunk = 65537});
    PrimarySelectionReader reader(m_display);
    EXPECT_EQ(reader.read(2s, 10s), (Result{Outcome::text, QString::fromUtf8(text)}));
    EXPECT_GT(owner.chunksSent(), 20);
}

TEST_F(PrimarySelectionReaderTest, ErrorOutcomes) {
    EXPECT_EQ(PrimarySelectionReader(":9999").read().outcome, Outcome::noDisplay);
    PrimarySelectionReader reader(m_display);
    EXPECT_EQ(reader.read().outcome, Outcome::noOwner);
    ScriptedOwner owner(m_server.displayName(), {.data = "unused", .refuse = true});
    EXPECT_EQ(reader.read().outcome, Outcome::refused);
}

TEST_F(PrimarySelectionReaderTest, TakesOnlyTextTypes) {
    // xclip answers every target with its own type.
    xclipOwns("<b>bold</b>", QStringLiteral("text/html"));
    PrimarySelectionReader reader(m_display);
    EXPECT_EQ(reader.read().outcome, Outcome::wrongType);

    xclipOwns("caf\xe9 \xe0 la cr\xe8me", QStringLiteral("STRING"));
    EXPECT_EQ(reader.read(), (Result{Outcome::text, QStringLiteral(u"café à la crème")}));

    ScriptedOwner incremental(
        m_server.displayName(),
        {.type = "image/png", .data = QByteArray(300000, 'p'), .chunk = 4096});
    EXPECT_EQ(reader.read(2s, 10s).outcome, Outcome::wrongType);
}

TEST_F(PrimarySelectionReaderTest, RefusesMoreThanTheCapAndRecovers) {
    PrimarySelectionReader reader(m_display, 1000);
    xclipOwns(QByteArray(1000, 'a'));
    EXPECT_EQ(reader.read(), (Result{Outcome::text, QString(1000, u'a')}));
    xclipOwns(QByteArray(1001, 'b'));
    EXPECT_EQ(reader.read().outcome, Outcome::tooLarge);
    {
        ScriptedOwner incremental(m_server.displayName(),
                                  {.data = QByteArray(5000, 'c'), .chunk = 600});
        EXPECT_EQ(reader.read(2s, 10s).outcome, Outcome::tooLarge);
    }
    xclipOwns("small again");
    EXPECT_EQ(reader.read(), (Result{Outcome::text, QStringLiteral("small again")}));
}

TEST_F(PrimarySelectionReaderTest, GivesUpOnASilentOrStalledOwnerAndStaysUsable) {
    const OwnerScript scripts[] = {
        {.data = "never", .silent = true},
        {.data = QByteArray(100000, 's'), .chunk = 10000, .stallAfterChunks = 3},
    };
    PrimarySelectionReader reader(m_display);
    for (const OwnerScript& script : scripts) {
        SCOPED_TRACE(script.silent ? "silent" : "stalled");
        {
            ScriptedOwner owner(m_server.displayName(), script);
            EXPECT_EQ(reader.read(100ms, 5s).outcome, Outcome::timedOut);
        }
        // An abandoned transfer leaves nothing behind for the next owner's answer.
        xclipOwns("next");
        EXPECT_EQ(reader.read(), (Result{Outcome::text, QStringLiteral("next")}));
    }
}

TEST_F(PrimarySelectionReaderTest, ServesReadsFromSeveralThreadsOneAtATime) {
    QByteArray text;
    while (text.size() < 200 * 1024)
        text += "line of text ";
    ScriptedOwner owner(m_server.displayName(), {.data = text, .chunk = 8192});
    PrimarySelectionReader reader(m_display);
    std::vector<std::future<Result>> reads;
    for (int i = 0; i < 4; ++i)
        reads.push_back(std::async(std::launch::async, [&] { return reader.read(2s, 20s); }));
    for (auto& read : reads)
        EXPECT_EQ(read.get(), (Result{Outcome::text, QString::fromUtf8(text)}));
}

} // namespace
