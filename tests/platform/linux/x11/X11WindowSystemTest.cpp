#include "platform/linux/x11/X11WindowSystem.h"

#include "tests/support/XvfbServer.h"

#include <QGuiApplication>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <tuple>
#include <unistd.h>

// Against openbox on a private Xvfb, with this process as a Qt application on it and plain X
// windows, made on the test's own connection, standing for other applications.

namespace {

XvfbServer* server = nullptr;

// The test's own connection, told of property changes on the root window. Its windows go with it.
struct Client {
    enum { Active, Pid, State, SkipTaskbar, Above, WmState };

    Client() {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    }

    // Waits on X events while Qt handles its own.
    bool eventually(const std::function<bool()>& condition, qint64 ms = 10000) {
        for (QDeadlineTimer limit(ms); !condition(); QCoreApplication::processEvents()) {
            if (limit.hasExpired())
                return false;
            XcbSelection::waitForEvent(c, QDeadlineTimer(qMin<qint64>(limit.remainingTime(), 20)));
        }
        return true;
    }

    // Returns once openbox has made the new window active, or the time is up.
    xcb_window_t map(std::optional<uint32_t> pid, qint64 ms = 10000) {
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 10, 10, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (pid)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom[Pid], XCB_ATOM_CARDINAL, 32,
                                1, &*pid);
        xcb_map_window(c, window);
        xcb_flush(c);
        eventually([&] { return active() == window; }, ms);
        return window;
    }

    QList<uint32_t> property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        const XcbSelection::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, property, type, 0, 64), nullptr));
        if (!reply)
            return {};
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        return {values, values + xcb_get_property_value_length(reply.get()) / 4};
    }
    xcb_window_t active() { return property(root, atom[Active], XCB_ATOM_WINDOW).value(0); }
    // Openbox announces itself before it has finished starting and does not focus the windows
    // mapped until then: one that it focuses shows that it is ready.
    bool focusesNewWindows() {
        for (QDeadlineTimer limit(20000); !limit.hasExpired();) {
            if (const xcb_window_t probe = map({}, 1000); active() == probe)
                return true;
        }
        return false;
    }
    xcb_window_t showActive(QWindow& window) {
        // Openbox focuses it itself: Qt would hold back requestActivate() until it is mapped.
        window.setGeometry(300, 300, 200, 100);
        window.show();
        EXPECT_TRUE(eventually([&] { return active() == window.winId(); }));
        return window.winId();
    }
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

    xcb_window_t root = XCB_WINDOW_NONE;
    XcbSelection::Connection connection =
        XcbSelection::connect(server->displayName().toLatin1(), &root);
    xcb_connection_t* c = connection.get();
    const QList<xcb_atom_t> atom =
        XcbSelection::atoms(c, {"_NET_ACTIVE_WINDOW", "_NET_WM_PID", "_NET_WM_STATE",
                                "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_ABOVE", "WM_STATE"});
};

struct X11WindowSystemTest : ::testing::Test, Client {
    X11WindowSystem m_system{server->displayName().toLatin1()};
};

TEST_F(X11WindowSystemTest, ActiveWindowIsAnotherProcesssWindow) {
    enum Kind { Nobody, Unsaid, XWindow, QtWindow };
    const std::tuple<const char*, Kind, std::optional<uint32_t>, bool> rows[] = {
        // Written by the test: openbox leaves a destroyed window there when nothing is left.
        {"no window is active", Nobody, {}, false},
        {"the desktop does not say", Unsaid, {}, false},
        {"another process's window", XWindow, ::getppid(), true},
        {"a window that names no process", XWindow, {}, true},
        {"a plain X window of this process", XWindow, ::getpid(), false},
        {"our own Qt window", QtWindow, {}, false},
    };
    // Ours too, hidden, as the translator window is while another application is in front.
    QWindow hidden;
    hidden.create();
    for (const auto& [name, kind, pid, reported] : rows) {
        SCOPED_TRACE(name);
        QWindow ours;
        xcb_window_t window = XCB_WINDOW_NONE;
        if (kind == Nobody)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom[Active], XCB_ATOM_WINDOW, 32,
                                1, &window);
        else if (kind == Unsaid)
            xcb_delete_property(c, root, atom[Active]);
        else
            window = kind == QtWindow ? showActive(ours) : map(pid);
        ASSERT_EQ(active(), window);
        EXPECT_EQ(m_system.activeWindow(),
                  reported ? std::optional<WindowSystem::WindowId>(window) : std::nullopt);
    }
}

TEST_F(X11WindowSystemTest, ActivateGivesTheFocusBackToAShownWindow) {
    enum Fate { Stays, Unmapped, Destroyed, NoWindow };
    const std::tuple<const char*, Fate, bool> rows[] = {
        {"the window is still shown", Stays, true},
        {"the window was hidden", Unmapped, false},
        {"the window is gone", Destroyed, false},
        {"no window at all", NoWindow, false},
    };
    for (const auto& [name, fate, asked] : rows) {
        SCOPED_TRACE(name);
        const xcb_window_t window =
            fate == NoWindow ? xcb_window_t(XCB_WINDOW_NONE) : map(::getppid());
        QWindow ours;
        showActive(ours);
        if (fate == Unmapped)
            xcb_unmap_window(c, window);
        if (fate == Destroyed)
            xcb_destroy_window(c, window);
        sync();
        EXPECT_EQ(m_system.activate(window), asked);
        EXPECT_EQ(eventually([&] { return active() == window; }, asked ? 10000 : 0), asked);
    }
}

TEST_F(X11WindowSystemTest, TaskbarEntryFollowsTheLastRequest) {
    const std::tuple<const char*, bool, bool, bool> rows[] = {
        // Asked right after hide(), while openbox still holds the window: it erases the state
        // as it lets go.
        {"kept off across hide and show", false, true, false},
        {"put back while hidden", false, true, true},
        {"taken off while mapped", true, false, false},
        {"put back while mapped", false, false, true},
    };
    for (const auto& [name, shownBefore, hiddenMeanwhile, shown] : rows) {
        SCOPED_TRACE(name);
        QWindow window;
        window.setGeometry(300, 300, 200, 100);
        const auto has = [&](xcb_atom_t state) {
            return property(window.winId(), atom[State], XCB_ATOM_ATOM).contains(state);
        };
        const auto showWith = [&](bool inTaskbar) {
            m_system.setShownInTaskbar(window, inTaskbar);
            window.show();
            ASSERT_TRUE(eventually([&] {
                return property(window.winId(), atom[WmState], atom[WmState]).value(0) == 1;
            }));
        };
        // Someone else's state on the new window survives.
        window.create();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window.winId(), atom[State], XCB_ATOM_ATOM,
                            32, 1, &atom[Above]);
        sync();
        showWith(shownBefore);
        EXPECT_TRUE(has(atom[Above]));
        EXPECT_EQ(has(atom[SkipTaskbar]), !shownBefore);
        if (hiddenMeanwhile) {
            window.hide();
            showWith(shown);
        } else {
            m_system.setShownInTaskbar(window, shown);
        }
        EXPECT_TRUE(eventually([&] { return has(atom[SkipTaskbar]) == !shown; }));
    }
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    // The application lives on the private display from its first line.
    XvfbServer display;
    server = &display;
    if (!display.isReady() || !display.startWindowManager() || !Client().focusesNewWindows()) {
        std::fprintf(stderr, "no Xvfb with openbox\n");
        return 1;
    }
    qputenv("DISPLAY", display.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
