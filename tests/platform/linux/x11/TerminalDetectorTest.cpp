#include "platform/linux/x11/TerminalDetector.h"

#include "tests/support/ProgramRun.h"
// The server helper mixes an enum and an atom in one conditional.
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

struct ClassCase {
    QByteArray wmClass;
    bool terminal;
};

void PrintTo(const ClassCase& c, std::ostream* out) {
    *out << QByteArray(c.wmClass).replace('\0', '|').toStdString();
}

class TerminalClass : public testing::TestWithParam<ClassCase> {};

TEST_P(TerminalClass, IsKnownByInstanceOrClass) {
    EXPECT_EQ(TerminalDetector::isTerminalClass(GetParam().wmClass), GetParam().terminal);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TerminalClass,
    testing::Values(ClassCase{bytes("xterm\0XTerm\0"), true},
                    ClassCase{bytes("gnome-terminal-server\0Gnome-terminal\0"), true},
                    ClassCase{bytes("st-256color\0St\0"), true},
                    // Either half alone is enough.
                    ClassCase{bytes("custom\0URxvt\0"), true}, ClassCase{bytes("tilix\0"), true},
                    ClassCase{bytes("navigator\0firefox\0"), false},
                    // Names are whole words, not prefixes or parts.
                    ClassCase{bytes("xtermish\0Xtermish\0"), false},
                    ClassCase{bytes("stellarium\0Stellarium\0"), false},
                    ClassCase{bytes("x\0term\0"), false}, ClassCase{bytes(""), false},
                    ClassCase{bytes("\0\0"), false}));

// A fake /proc: each process gets descriptor links to the given targets.
class FakeProc {
public:
    void addProcess(int pid, const QStringList& targets) {
        const QString folder = m_root.filePath(QStringLiteral("%1/fd").arg(pid));
        ASSERT_TRUE(QDir().mkpath(folder));
        int descriptor = 0;
        for (const QString& target : targets)
            ASSERT_EQ(
                ::symlink(
                    QFile::encodeName(target).constData(),
                    QFile::encodeName(folder + "/" + QString::number(descriptor++)).constData()),
                0);
    }
    QString path() const { return m_root.path(); }

private:
    QTemporaryDir m_root;
};

TEST(TerminalDetectorProcTest, APseudoTerminalMasterMakesATerminal) {
    FakeProc proc;
    proc.addProcess(100, {"/dev/null", "/dev/null", "/dev/null", "/dev/ptmx", "socket:[123]"});
    proc.addProcess(101, {"/dev/pts/ptmx"});
    // A program started from a terminal holds the other end only.
    proc.addProcess(102, {"/dev/pts/3", "/dev/pts/3", "/dev/pts/3", "/dev/tty"});
    proc.addProcess(103, {});
    proc.addProcess(104, {"/dev/ptmx2", "/dev/ptmx/x", "/tmp/dev/ptmx"});
    EXPECT_TRUE(TerminalDetector::holdsPseudoTerminalMaster(100, proc.path()));
    EXPECT_TRUE(TerminalDetector::holdsPseudoTerminalMaster(101, proc.path()));
    EXPECT_FALSE(TerminalDetector::holdsPseudoTerminalMaster(102, proc.path()));
    EXPECT_FALSE(TerminalDetector::holdsPseudoTerminalMaster(103, proc.path()));
    EXPECT_FALSE(TerminalDetector::holdsPseudoTerminalMaster(104, proc.path()));
    // Gone, or never valid.
    EXPECT_FALSE(TerminalDetector::holdsPseudoTerminalMaster(105, proc.path()));
    EXPECT_FALSE(TerminalDetector::holdsPseudoTerminalMaster(0, proc.path()));
    EXPECT_FALSE(TerminalDetector::holdsPseudoTerminalMaster(-1, proc.path()));
}

// A client of the test's server that makes windows and sets their properties.
class Client {
public:
    explicit Client(const QString& display) {
        m_connection = xcb_connect(display.toLatin1().constData(), nullptr);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~Client() { xcb_disconnect(m_connection); }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    }
    xcb_window_t window(xcb_window_t parent, const QByteArray& wmClass) {
        const xcb_window_t id = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, id, parent ? parent : m_root, 10, 10,
                          200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0,
                          nullptr);
        if (!wmClass.isNull())
            setString(id, XCB_ATOM_WM_CLASS, wmClass);
        xcb_map_window(m_connection, id);
        sync();
        return id;
    }
    void setString(xcb_window_t window, xcb_atom_t name, const QByteArray& value) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, name, XCB_ATOM_STRING, 8,
                            value.size(), value.constData());
        sync();
    }
    void setPid(xcb_window_t window, std::uint32_t pid) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
        sync();
    }
    void focus(xcb_window_t window) {
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        sync();
    }
    // A round trip: the server has carried out our requests before the detector asks, as
    // requests of two connections are not ordered otherwise.
    void sync() {
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    xcb_window_t activeWindow() {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, m_root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW,
                             0, 1),
            nullptr);
        xcb_window_t window = XCB_WINDOW_NONE;
        if (reply && xcb_get_property_value_length(reply) >= 4)
            window = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return window;
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
                xcb_send_event(m_connection, 0, m_root,
                               XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT
                                   | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                               reinterpret_cast<const char*>(&message));
                xcb_flush(m_connection);
            }
            QThread::msleep(10);
        }
        return false;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
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
