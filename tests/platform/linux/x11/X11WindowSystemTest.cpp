#include "platform/linux/x11/X11WindowSystem.h"

#include "tests/support/XvfbServer.h"

#include <QGuiApplication>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <unistd.h>
#include <utility>

// The window system against openbox on a private Xvfb, with this process as a Qt application on
// it and plain X windows, made on the test's own connection, standing for other applications.

namespace {

XvfbServer* server = nullptr;

constexpr uint32_t normalState = 1;

class X11WindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_connection = XcbSelection::connect(server->displayName().toLatin1(), &m_root);
        ASSERT_TRUE(m_connection);
        m_c = m_connection.get();
        const QList<xcb_atom_t> atoms = XcbSelection::atoms(
            m_c, {"_NET_ACTIVE_WINDOW", "_NET_WM_PID", "_NET_WM_STATE",
                  "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_ABOVE", "WM_STATE"});
        m_active = atoms[0];
        m_pid = atoms[1];
        m_state = atoms[2];
        m_skipTaskbar = atoms[3];
        m_above = atoms[4];
        m_wmState = atoms[5];
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
    }

    void TearDown() override {
        for (xcb_window_t window : m_windows)
            xcb_destroy_window(m_c, window);
        if (m_c)
            xcb_flush(m_c);
    }

    // Waits on X events (any property change on the root or our windows wakes it) while Qt
    // handles its own.
    bool eventually(const std::function<bool()>& condition) {
        for (QDeadlineTimer limit(10000);;) {
            QCoreApplication::processEvents();
            if (condition())
                return true;
            if (limit.hasExpired())
                return false;
            XcbSelection::waitForEvent(m_c,
                                       QDeadlineTimer(qMin<qint64>(limit.remainingTime(), 20)));
        }
    }

    // Another application's window, mapped and made active by openbox.
    xcb_window_t otherWindow(std::optional<uint32_t> pid) {
        const xcb_window_t window = xcb_generate_id(m_c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, window, m_root, 10, 10, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &mask);
        if (pid)
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, window, m_pid, XCB_ATOM_CARDINAL, 32, 1,
                                &*pid);
        xcb_map_window(m_c, window);
        xcb_flush(m_c);
        m_windows.push_back(window);
        EXPECT_TRUE(eventually([&] { return active() == window; }));
        return window;
    }

    void showActive(QWindow& window) {
        window.setGeometry(300, 300, 200, 100);
        // Openbox focuses a new window itself; requestActivate() would be held back by Qt until
        // the window is mapped and could come after the test's own activation.
        window.show();
        ASSERT_TRUE(eventually([&] { return active() == window.winId(); }));
    }

    uint32_t cardinal(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        const XcbSelection::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, window, property, type, 0, 1), nullptr));
        if (!reply || xcb_get_property_value_length(reply.get()) < 4)
            return 0;
        return *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    }
    xcb_window_t active() { return cardinal(m_root, m_active, XCB_ATOM_WINDOW); }
    bool managed(QWindow& window) {
        return cardinal(window.winId(), m_wmState, m_wmState) == normalState;
    }
    QList<xcb_atom_t> states(QWindow& window) {
        const XcbSelection::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, window.winId(), m_state, XCB_ATOM_ATOM, 0, 64), nullptr));
        if (!reply)
            return {};
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        return QList<xcb_atom_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
    }

    XcbSelection::Connection m_connection;
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_active = XCB_ATOM_NONE, m_pid = XCB_ATOM_NONE, m_state = XCB_ATOM_NONE,
               m_skipTaskbar = XCB_ATOM_NONE, m_above = XCB_ATOM_NONE, m_wmState = XCB_ATOM_NONE;
    std::vector<xcb_window_t> m_windows;
    X11WindowSystem m_system{server->displayName().toLatin1()};
};

TEST_F(X11WindowSystemTest, ActiveWindowIsAnotherProcesssWindow) {
    enum Owner { Nobody, Unsaid, OtherProcess, NoPid, ThisProcess, QtWindow };
    const struct {
        const char* name;
        Owner owner;
        bool reported;
    } rows[] = {
        // Written by the test: openbox leaves a destroyed window there when nothing is left.
        {"no window is active", Nobody, false},
        {"the desktop does not say", Unsaid, false},
        {"another process's window", OtherProcess, true},
        {"a window that names no process", NoPid, true},
        {"a plain X window of this process", ThisProcess, false},
        {"our own Qt window", QtWindow, false},
    };
    // Ours too, hidden, as the translator window is while another application is in front.
    QWindow hidden;
    hidden.create();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QWindow ours;
        xcb_window_t window = XCB_WINDOW_NONE;
        if (row.owner == Nobody) {
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_root, m_active, XCB_ATOM_WINDOW, 32,
                                1, &window);
        } else if (row.owner == Unsaid) {
            xcb_delete_property(m_c, m_root, m_active);
        } else if (row.owner == QtWindow) {
            showActive(ours);
            window = ours.winId();
        } else {
            const uint32_t pid = row.owner == OtherProcess ? ::getppid() : ::getpid();
            window = otherWindow(row.owner == NoPid ? std::nullopt : std::optional(pid));
        }
        ASSERT_EQ(active(), window);
        const auto expected =
            row.reported ? std::optional<WindowSystem::WindowId>(window) : std::nullopt;
        EXPECT_EQ(m_system.activeWindow(), expected);
    }
}

TEST_F(X11WindowSystemTest, ActivateGivesTheFocusBackToAShownWindow) {
    enum Fate { Stays, Unmapped, Destroyed };
    const struct {
        const char* name;
        Fate fate;
        bool asked;
    } rows[] = {
        {"the window is still shown", Stays, true},
        {"the window was hidden", Unmapped, false},
        {"the window is gone", Destroyed, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const xcb_window_t other = otherWindow(::getppid());
        QWindow ours;
        showActive(ours);
        if (row.fate == Unmapped)
            xcb_unmap_window(m_c, other);
        if (row.fate == Destroyed)
            xcb_destroy_window(m_c, other);
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));

        EXPECT_EQ(m_system.activate(other), row.asked);
        if (row.asked) {
            EXPECT_TRUE(eventually([&] { return active() == other; }));
        }
    }
}

TEST_F(X11WindowSystemTest, TaskbarEntryFollowsTheLastRequest) {
    const struct {
        const char* name;
        bool shownBefore;
        bool hiddenMeanwhile;
        bool shown;
    } rows[] = {
        // Asked right after hide(), while openbox still holds the window: it erases the state
        // as it lets go.
        {"kept off across hide and show", false, true, false},
        {"taken off while hidden", true, true, false},
        {"put back while hidden", false, true, true},
        {"taken off while mapped", true, false, false},
        {"put back while mapped", false, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QWindow window;
        window.setGeometry(300, 300, 200, 100);
        const auto showWith = [&](bool shown) {
            m_system.setShownInTaskbar(window, shown);
            window.show();
            ASSERT_TRUE(eventually([&] { return managed(window); }));
        };
        // A state of someone else's on the new window survives.
        window.create();
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, window.winId(), m_state, XCB_ATOM_ATOM, 32,
                            1, &m_above);
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
        showWith(row.shownBefore);
        EXPECT_TRUE(states(window).contains(m_above));
        EXPECT_EQ(states(window).contains(m_skipTaskbar), !row.shownBefore);

        if (row.hiddenMeanwhile) {
            window.hide();
            showWith(row.shown);
        } else {
            m_system.setShownInTaskbar(window, row.shown);
        }
        EXPECT_TRUE(
            eventually([&] { return states(window).contains(m_skipTaskbar) == !row.shown; }));
    }
}

// Openbox announces itself before it has finished starting, and does not focus the windows
// mapped until then: a window that it focuses shows that it is ready.
bool waitUntilFocusingNewWindows(const QByteArray& display) {
    xcb_window_t root = XCB_WINDOW_NONE;
    const XcbSelection::Connection connection = XcbSelection::connect(display, &root);
    xcb_connection_t* c = connection.get();
    if (!c)
        return false;
    const xcb_atom_t active = XcbSelection::atom(c, "_NET_ACTIVE_WINDOW");
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    for (QDeadlineTimer limit(20000); !limit.hasExpired();) {
        const xcb_window_t probe = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c, probe);
        xcb_flush(c);
        bool focused = false;
        for (QDeadlineTimer attempt(qMin<qint64>(limit.remainingTime(), 1000));
             !focused && XcbSelection::waitForEvent(c, attempt);) {
            const XcbSelection::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
                c, xcb_get_property(c, 0, root, active, XCB_ATOM_WINDOW, 0, 1), nullptr));
            focused =
                reply && xcb_get_property_value_length(reply.get()) == 4
                && *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get())) == probe;
        }
        xcb_destroy_window(c, probe);
        xcb_flush(c);
        if (focused)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    // The application lives on the private display from its first line.
    XvfbServer display;
    if (!display.isReady() || !display.startWindowManager()
        || !waitUntilFocusingNewWindows(display.displayName().toLatin1())) {
        std::fprintf(stderr, "no Xvfb with openbox\n");
        return 1;
    }
    server = &display;
    qputenv("DISPLAY", display.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
