#include "platform/linux/x11/TerminalDetector.h"

#include "platform/linux/x11/XcbSelection.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

template <qsizetype N>
QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

TEST(TerminalDetectorClassTest, IsKnownByInstanceOrClassAsWholeNames) {
    const struct {
        QByteArray wmClass;
        bool terminal;
    } cases[] = {{bytes("xterm\0XTerm\0"), true},
                 {bytes("gnome-terminal-server\0Gnome-terminal\0"), true},
                 {bytes("st-256color\0St\0"), true},
                 // Either half alone is enough.
                 {bytes("custom\0URxvt\0"), true},
                 {bytes("tilix\0"), true},
                 {bytes("navigator\0firefox\0"), false},
                 // Names are whole words, not prefixes or parts.
                 {bytes("xtermish\0Xtermish\0"), false},
                 {bytes("stellarium\0Stellarium\0"), false},
                 {bytes("x\0term\0"), false},
                 {bytes(""), false},
                 {bytes("\0\0"), false}};
    for (const auto& c : cases)
        EXPECT_EQ(TerminalDetector::isTerminalClass(c.wmClass), c.terminal)
            << QByteArray(c.wmClass).replace('\0', '|').toStdString();
}

// Each process of a fake /proc gets descriptor links to the given targets.
TEST(TerminalDetectorProcTest, APseudoTerminalMasterMakesATerminal) {
    const struct {
        int pid;
        QStringList targets;
        bool terminal;
    } cases[] = {{100, {"/dev/null", "/dev/null", "/dev/ptmx", "socket:[123]"}, true},
                 {101, {"/dev/pts/ptmx"}, true},
                 // A program started from a terminal holds the other end only.
                 {102, {"/dev/pts/3", "/dev/pts/3", "/dev/tty"}, false},
                 {103, {}, false},
                 {104, {"/dev/ptmx2", "/dev/ptmx/x", "/tmp/dev/ptmx"}, false}};
    QTemporaryDir proc;
    for (const auto& c : cases) {
        const QString folder = proc.filePath(QStringLiteral("%1/fd/").arg(c.pid));
        ASSERT_TRUE(QDir().mkpath(folder));
        for (qsizetype fd = 0; fd < c.targets.size(); ++fd)
            ASSERT_EQ(::symlink(QFile::encodeName(c.targets[fd]).constData(),
                                QFile::encodeName(folder + QString::number(fd)).constData()),
                      0);
    }
    for (const auto& c : cases)
        EXPECT_EQ(TerminalDetector::holdsPseudoTerminalMaster(c.pid, proc.path()), c.terminal)
            << c.pid;
    // Gone, or never valid.
    for (const int pid : {105, 0, -1})
        EXPECT_FALSE(TerminalDetector::holdsPseudoTerminalMaster(pid, proc.path())) << pid;
}

// A client of the test's server that makes windows and sets their properties.
class Client {
public:
    explicit Client(const QString& display)
        : m_connection(XcbSelection::connect(display.toLatin1(), &m_root)) {}

    xcb_atom_t atom(const char* name) { return XcbSelection::atom(m_c, name); }
    xcb_window_t window(xcb_window_t parent, const QByteArray& wmClass) {
        const xcb_window_t id = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, id, parent ? parent : m_root, 10, 10, 200, 100,
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (!wmClass.isNull())
            setString(id, XCB_ATOM_WM_CLASS, wmClass);
        xcb_map_window(m_c, id);
        sync();
        return id;
    }
    void setString(xcb_window_t window, xcb_atom_t name, const QByteArray& value) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, window, name, XCB_ATOM_STRING, 8,
                            value.size(), value.constData());
        sync();
    }
    void setPid(xcb_window_t window, std::uint32_t pid) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
        sync();
    }
    void focus(xcb_window_t window) {
        xcb_set_input_focus(m_c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        sync();
    }
    // A round trip: the server has carried out our requests before the detector asks, as
    // requests of two connections are not ordered otherwise.
    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }
    xcb_window_t activeWindow() {
        const XcbSelection::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_c,
            xcb_get_property(m_c, 0, m_root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1),
            nullptr));
        return reply && xcb_get_property_value_length(reply.get()) >= 4
                   ? *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()))
                   : xcb_window_t(XCB_WINDOW_NONE);
    }
    // Asks the window manager to activate `window`, as a pager would, until it is active.
    bool activate(xcb_window_t window) {
        for (int i = 0; i < 500; ++i) {
            if (activeWindow() == window)
                return true;
            if (i % 50 == 0) {
                xcb_client_message_event_t message{};
                message.response_type = XCB_CLIENT_MESSAGE;
                message.format = 32;
                message.window = window;
                message.type = atom("_NET_ACTIVE_WINDOW");
                message.data.data32[0] = 2;
                xcb_send_event(m_c, 0, m_root,
                               XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT
                                   | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                               reinterpret_cast<const char*>(&message));
                xcb_flush(m_c);
            }
            QThread::msleep(10);
        }
        return false;
    }

private:
    xcb_window_t m_root = XCB_WINDOW_NONE;
    XcbSelection::Connection m_connection;
    xcb_connection_t* m_c = m_connection.get();
};

class TerminalDetectorTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.isReady()); }

    XvfbServer m_server;
};

TEST_F(TerminalDetectorTest, JudgesAManagedWindowByClassAndProcess) {
    ASSERT_TRUE(m_server.startWindowManager());
    QProcess holder;
    if (hasProgram(QStringLiteral("script"))) {
        holder.setStandardOutputFile(QProcess::nullDevice());
        holder.start(QStringLiteral("script"), {QStringLiteral("-qc"), QStringLiteral("sleep 60"),
                                                QStringLiteral("/dev/null")});
        ASSERT_TRUE(holder.waitForStarted(5000));
    }
    Client client(m_server.displayName());
    const xcb_window_t window = client.window(0, bytes("verdolin-test\0Verdolin-test\0"));
    ASSERT_TRUE(client.activate(window));
    TerminalDetector detector(m_server.displayName().toLatin1());
    EXPECT_FALSE(detector.activeWindowIsTerminal());

    client.setPid(window, static_cast<std::uint32_t>(::getpid()));
    EXPECT_FALSE(detector.activeWindowIsTerminal());

    if (holder.state() != QProcess::Running)
        GTEST_SKIP() << "script missing";
    for (int i = 0;
         i < 200 && !TerminalDetector::holdsPseudoTerminalMaster(holder.processId(), "/proc"); ++i)
        QThread::msleep(10);
    client.setPid(window, static_cast<std::uint32_t>(holder.processId()));
    EXPECT_TRUE(detector.activeWindowIsTerminal());
    // The same number on another host is another process.
    client.setString(window, XCB_ATOM_WM_CLIENT_MACHINE, "elsewhere.invalid");
    EXPECT_FALSE(detector.activeWindowIsTerminal());
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    client.setString(window, XCB_ATOM_WM_CLIENT_MACHINE, host);
    EXPECT_TRUE(detector.activeWindowIsTerminal());
    holder.kill();
    holder.waitForFinished(3000);
}

TEST_F(TerminalDetectorTest, WithoutWindowManagerFollowsTheFocusUpToTheClient) {
    Client client(m_server.displayName());
    TerminalDetector detector(m_server.displayName().toLatin1());
    const xcb_window_t terminal = client.window(0, bytes("xterm\0XTerm\0"));
    const xcb_window_t inner = client.window(terminal, {});
    client.focus(inner);
    EXPECT_TRUE(detector.activeWindowIsTerminal());

    const xcb_window_t other = client.window(0, bytes("editor\0Editor\0"));
    const xcb_window_t otherInner = client.window(other, {});
    client.focus(otherInner);
    EXPECT_FALSE(detector.activeWindowIsTerminal());

    // A window without any client properties up to the root is nobody's.
    const xcb_window_t bare = client.window(0, {});
    client.focus(bare);
    EXPECT_FALSE(detector.activeWindowIsTerminal());
}

TEST(TerminalDetectorNoServerTest, WithoutServerIsNoTerminal) {
    TerminalDetector detector(":9999");
    EXPECT_FALSE(detector.activeWindowIsTerminal());
}

} // namespace
