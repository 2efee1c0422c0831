#include "platform/linux/x11/TerminalDetector.h"

#include "platform/linux/x11/XcbSelection.h"
#include "tests/platform/linux/x11/XTestTypist.h"
#include "tests/support/XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

TEST(TerminalDetectorClassTest, IsKnownByInstanceOrClassAsWholeNames) {
    const struct {
        QByteArray wmClass;
        bool terminal;
    } cases[] = {{"xterm\0XTerm\0"_ba, true},
                 // Either half alone is enough.
                 {"custom\0URxvt\0"_ba, true},
                 {"tilix\0"_ba, true},
                 {"navigator\0firefox\0"_ba, false},
                 // Names are whole words, not prefixes or parts.
                 {"xtermish\0Xtermish\0"_ba, false},
                 {"stellarium\0Stellarium\0"_ba, false},
                 {"x\0term\0"_ba, false},
                 {""_ba, false},
                 {"\0\0"_ba, false}};
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
class Client : public XTestTypist {
public:
    using XTestTypist::XTestTypist;

    xcb_window_t window(xcb_window_t parent) {
        const xcb_window_t id = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, id, parent ? parent : root, 10, 10, 200,
                          100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(connection, id);
        return id;
    }
    // Sets 8-bit strings, or one 32-bit value when `type` is not STRING.
    void set(xcb_window_t window, const char* name, xcb_atom_t type, const QByteArray& value) {
        const bool text = type == XCB_ATOM_STRING;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window ? window : root,
                            XcbSelection::atom(connection, name), type, text ? 8 : 32,
                            text ? value.size() : 1, value.constData());
    }
    void focus(xcb_window_t window) {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
};

QByteArray longOf(std::uint32_t value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

// The window manager's _NET_ACTIVE_WINDOW names the window; without one (None) the focus does,
// and it may sit on a child of the client window.
TEST(TerminalDetectorWindowTest, JudgesTheActiveWindowByClassOrByItsProcess) {
    XvfbServer server;
    ASSERT_TRUE(server.isReady());
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const QByteArray xterm = "xterm\0XTerm\0"_ba, editor = "editor\0Editor\0"_ba;
    // This process, which takes a pseudo-terminal's master end, as a terminal does, from the
    // first row that names a process holding one.
    enum Pid { none, ours, holding };
    int master = -1;
    enum Reached { focus, property, gone, neither };
    const struct {
        const char* name;
        QByteArray wmClass; // null: none
        Pid pid;
        QByteArray machine; // null: none
        Reached reached;
        bool terminal;
    } cases[] = {
        {"terminal class", xterm, none, {}, focus, true},
        {"other class", editor, none, {}, focus, false},
        {"no client properties", {}, none, {}, focus, false},
        {"neither active nor focused", xterm, none, {}, neither, false},
        {"active but gone", xterm, none, {}, gone, false},
        {"active, other class", editor, none, {}, property, false},
        {"process without a terminal", editor, ours, {}, property, false},
        {"process holding one", editor, holding, {}, property, true},
        {"process only", {}, holding, {}, property, true},
        {"same number on another host", {}, holding, "elsewhere.invalid", property, false},
        {"on this host", {}, holding, host, property, true},
    };
    Client client(server.displayName().toLatin1());
    TerminalDetector detector(server.displayName().toLatin1());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const xcb_window_t window = client.window(0);
        const xcb_window_t inner = client.window(window);
        if (!c.wmClass.isNull())
            client.set(window, "WM_CLASS", XCB_ATOM_STRING, c.wmClass);
        if (c.pid == holding && master < 0) {
            ASSERT_GE(master = ::open("/dev/ptmx", O_RDWR | O_NOCTTY | O_CLOEXEC), 0);
        }
        if (c.pid != none)
            client.set(window, "_NET_WM_PID", XCB_ATOM_CARDINAL, longOf(::getpid()));
        if (!c.machine.isNull())
            client.set(window, "WM_CLIENT_MACHINE", XCB_ATOM_STRING, c.machine);
        client.set(0, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW,
                   longOf(c.reached == property || c.reached == gone ? window : 0));
        if (c.reached == gone)
            xcb_destroy_window(client.connection, window);
        client.focus(c.reached == focus ? inner : xcb_window_t(XCB_WINDOW_NONE));
        client.sync();
        EXPECT_EQ(detector.activeWindowIsTerminal(), c.terminal);
    }
    ::close(master);
    EXPECT_FALSE(TerminalDetector(":9999").activeWindowIsTerminal());
}

} // namespace
