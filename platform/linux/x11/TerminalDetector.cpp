#include "platform/linux/x11/TerminalDetector.h"

#include "platform/linux/x11/XcbSelection.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

using XcbSelection::Reply;

// WM_CLASS names of terminal emulators, instance or class, compared without case.
constexpr std::array terminalNames = {
    "alacritty",
    "aterm",
    "blackbox",
    "com.mitchellh.ghostty",
    "contour",
    "cool-retro-term",
    "deepin-terminal",
    "eterm",
    "foot",
    "footclient",
    "gnome-terminal",
    "gnome-terminal-server",
    "guake",
    "hyper",
    "kgx",
    "kitty",
    "konsole",
    "lilyterm",
    "lxterminal",
    "mate-terminal",
    "mlterm",
    "org.gnome.console",
    "org.gnome.ptyxis",
    "org.gnome.terminal",
    "org.wezfurlong.wezterm",
    "pantheon-terminal",
    "io.elementary.terminal",
    "qterminal",
    "rio",
    "roxterm",
    "rxvt",
    "sakura",
    "st",
    "st-256color",
    "stterm",
    "tabby",
    "terminator",
    "terminology",
    "termite",
    "tilda",
    "tilix",
    "urxvt",
    "uxterm",
    "wezterm",
    "xfce4-terminal",
    "xterm",
    "yakuake",
    "zutty",
};

Reply<xcb_get_property_reply_t> property(xcb_connection_t* connection, xcb_window_t window,
                                         xcb_atom_t name, xcb_atom_t type, std::uint32_t longs) {
    return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, longs), nullptr));
}

QByteArray bytesOf(const xcb_get_property_reply_t* reply) {
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                      xcb_get_property_value_length(reply));
}

std::uint32_t firstLong(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply) < 4)
        return 0;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
}

QByteArray hostName() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return QByteArray(name.data());
}

} // namespace

TerminalDetector::TerminalDetector(const QByteArray& displayName, const QString& procRoot)
    : m_displayName(displayName)
    , m_procRoot(procRoot) {}

TerminalDetector::~TerminalDetector() {
    disconnect();
}

bool TerminalDetector::isTerminalName(const QByteArray& name) {
    const QByteArray lower = name.toLower();
    return std::any_of(terminalNames.begin(), terminalNames.end(),
                       [&](const char* known) { return lower == known; });
}

bool TerminalDetector::isTerminalClass(const QByteArray& wmClass) {
    const QList<QByteArray> names = wmClass.split('\0');
    return std::any_of(names.begin(), names.end(),
                       [](const QByteArray& name) { return isTerminalName(name); });
}

bool TerminalDetector::holdsPseudoTerminalMaster(std::int64_t pid, const QString& procRoot) {
    if (pid <= 0)
        return false;
    const QByteArray folder = QFile::encodeName(procRoot + QStringLiteral("/%1/fd").arg(pid));
    const std::unique_ptr<DIR, int (*)(DIR*)> descriptors(::opendir(folder.constData()),
                                                          &::closedir);
    if (!descriptors)
        return false;
    while (const dirent* entry = ::readdir(descriptors.get())) {
        if (entry->d_name[0] == '.')
            continue;
        const QByteArray link = folder + '/' + entry->d_name;
        std::array<char, 64> target{};
        const ssize_t length = ::readlink(link.constData(), target.data(), target.size() - 1);
        if (length <= 0)
            continue;
        const QByteArray path(target.data(), length);
        if (path == "/dev/ptmx" || path == "/dev/pts/ptmx")
            return true;
    }
    return false;
}

bool TerminalDetector::connect() {
    if (m_connection && !xcb_connection_has_error(m_connection))
        return true;
    disconnect();
    xcb_window_t root = XCB_WINDOW_NONE;
    m_connection = XcbSelection::connect(m_displayName, &root).release();
    if (!m_connection)
        return false;
    m_root = root;
    m_activeWindow = XcbSelection::atom(m_connection, "_NET_ACTIVE_WINDOW");
    m_wmPid = XcbSelection::atom(m_connection, "_NET_WM_PID");
    return true;
}

void TerminalDetector::disconnect() {
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
}

bool TerminalDetector::activeWindowIsTerminal() {
    const std::lock_guard guard(m_lock);
    if (!connect())
        return false;
    xcb_window_t window = XCB_WINDOW_NONE;
    if (m_activeWindow != XCB_ATOM_NONE)
        window =
            firstLong(property(m_connection, m_root, m_activeWindow, XCB_ATOM_WINDOW, 1).get());
    if (window == XCB_WINDOW_NONE) {
        // Without a window manager the focus is the nearest thing to an active window.
        const Reply<xcb_get_input_focus_reply_t> focus(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        // 1 is PointerRoot: the focus follows the pointer, no window holds it.
        if (focus && focus->focus != 1)
            window = focus->focus;
    }
    if (window == XCB_WINDOW_NONE || window == m_root)
        return false;
    return isTerminalWindow(window);
}

bool TerminalDetector::isTerminalWindow(std::uint32_t window) {
    // The focus may sit on a child of the client window (xterm's text widget does): the
    // properties live on the nearest ancestor that has them.
    for (int depth = 0; depth < 16 && window != XCB_WINDOW_NONE && window != m_root; ++depth) {
        const auto wmClass =
            property(m_connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
        const auto wmPid = m_wmPid == XCB_ATOM_NONE
                               ? nullptr
                               : property(m_connection, window, m_wmPid, XCB_ATOM_CARDINAL, 1);
        const bool hasClass = wmClass && wmClass->type == XCB_ATOM_STRING;
        const std::uint32_t pid = firstLong(wmPid.get());
        if (hasClass || pid != 0) {
            if (hasClass && isTerminalClass(bytesOf(wmClass.get())))
                return true;
            if (pid == 0)
                return false;
            // A process id means nothing on another host.
            const auto machine =
                property(m_connection, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 64);
            if (machine && machine->type == XCB_ATOM_STRING) {
                QByteArray host = bytesOf(machine.get());
                while (host.endsWith('\0'))
                    host.chop(1);
                if (!host.isEmpty() && host != hostName())
                    return false;
            }
            return holdsPseudoTerminalMaster(pid, m_procRoot);
        }
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
        if (!tree)
            return false;
        window = tree->parent;
    }
    return false;
}
