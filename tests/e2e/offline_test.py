#!/usr/bin/python3
"""offline_test.py VERDOLIN: whole sessions of the real executable under strace, which follows
every process it starts: typed text, a word's definitions, read-aloud, a captured selection,
the tray menu, quit. With updates off no process opens an Internet socket; with updates on,
the one request goes to a feed on loopback; in a network namespace without network every
feature still works. On the private desktop of desktop_session.py."""

import glob
import http.server
import os
import re
import shutil
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session as ds  # noqa: E402
from desktop_session import SOURCE_PANE, Skip, check  # noqa: E402

# No proxy to go through and no feed of the caller's; speech through the test's own daemon.
CLEAN = {name: None for name in ("http_proxy", "https_proxy", "all_proxy", "no_proxy",
                                 "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "NO_PROXY",
                                 "VERDOLIN_UPDATE_FEED", "SPEECHD_ADDRESS")}
TYPED, SELECTED = "The weather is nice today.", "The dog sleeps in the garden."
WORD, DEFINITION = "house", "a dwelling that serves as living quarters"  # dict-wn's first sense
APPCAST = (b'<?xml version="1.0" encoding="utf-8"?>\n<rss version="2.0" xmlns:sparkle='
           b'"http://www.andymatuschak.org/xml-namespaces/sparkle"><channel><title>Verdolin'
           b'</title></channel></rss>\n')  # no item: up to date

SOCKET = re.compile(r"^\d+ +(?:socket|socketpair)\((AF_\w+|\d+)")
INET = re.compile(r"\bAF_INET6?\b")
INET_ADDRESS = re.compile(r'(?:sin6?_port=htons\((\d+)\)).*?(?:inet_addr\("([^"]+)"\)|'
                          r'inet_pton\(AF_INET6?, "([^"]+)")')
CONNECT = re.compile(r"^\d+ +connect\(")
UNIX_CONNECT = re.compile(r'^\d+ +connect\(\d+, \{sa_family=AF_UNIX, sun_path=@?"([^"]*)"')
EXECVE = re.compile(r'^(\d+) +execve\("([^"]+)"')

WATCHER = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
</interface></node>"""


def gio():
    import gi
    gi.require_version("Gio", "2.0")
    from gi.repository import Gio, GLib
    return Gio, GLib


def serve_tray_host():
    """What a panel runs for tray icons: a StatusNotifierWatcher with a host. Qt then shows
    its icon and exports the menu over D-Bus. Says "ready" once it owns the name."""
    Gio, GLib = gio()
    items = []

    def method(connection, sender, path, interface, name, parameters, invocation):
        if name == "RegisterStatusNotifierItem":
            service = parameters.unpack()[0]
            items.append(sender if service.startswith("/") else service)
        invocation.return_value(None)

    def get(connection, sender, path, interface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]

    def on_bus(connection, name):
        connection.register_object("/StatusNotifierWatcher",
                                   Gio.DBusNodeInfo.new_for_xml(WATCHER).interfaces[0],
                                   method, get, None)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.kde.StatusNotifierWatcher",
                     Gio.BusNameOwnerFlags.NONE, on_bus,
                     lambda *_: print("ready", flush=True), lambda *_: sys.exit("name lost"))
    GLib.MainLoop().run()


def bus_call(service, path, interface, method, signature=None, arguments=None):
    Gio, GLib = gio()
    reply = Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
        service, path, interface, method,
        GLib.Variant(signature, arguments) if signature else None, None,
        Gio.DBusCallFlags.NONE, 5000, None)
    return reply.unpack() if reply else ()


def tray_item(pid):
    """The bus name of the tray icon that process `pid` registered, once it has."""
    try:
        names = bus_call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                         "org.freedesktop.DBus.Properties", "Get", "(ss)",
                         ("org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems"))[0]
    except Exception:
        return None
    for name in names:
        try:
            if bus_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                        "GetConnectionUnixProcessID", "(s)", (name,))[0] == pid:
                return name
        except Exception:  # an earlier process's, gone
            continue
    return None


def quit_from_tray_menu(pid):
    service = check(ds.poll_until(lambda: tray_item(pid), 10),
                    "no tray icon registered with the tray host")
    menu = bus_call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                    "(ss)", ("org.kde.StatusNotifierItem", "Menu"))[0]
    bus_call(service, menu, "com.canonical.dbusmenu", "AboutToShow", "(i)", (0,))
    layout = bus_call(service, menu, "com.canonical.dbusmenu", "GetLayout", "(iias)",
                      (0, -1, []))[1]
    items = {properties.get("label", ""): item for item, properties, _ in layout[2]}
    check({"Open Translator", "Quit Verdolin"} <= items.keys(), f"the tray menu holds {items}")
    bus_call(service, menu, "com.canonical.dbusmenu", "Event", "(isvu)",
             (items["Quit Verdolin"], "clicked", gio()[1].Variant("s", ""), 0))


class Desk:
    """What the sessions share: a tray host, Speech Dispatcher writing what it reads into a
    file, and the xterm that holds the focus."""

    def __init__(self, executable):
        self.executable = os.path.realpath(executable)
        self.root = tempfile.mkdtemp(prefix="verdolin-offline-")
        self.tray = ds.first_line([sys.executable, os.path.abspath(__file__),
                                   "--tray-host"]) == "ready"
        if not self.tray:
            print("no tray host could be started (python3-gi?): the tray menu is left out")
        self.audio = os.path.join(self.root, "spoken.raw")
        try:
            self.speech, self.no_speech = self._start_speech(), None
        except Skip as reason:
            self.speech, self.no_speech = None, str(reason)
        ds.start(["xterm", "-title", "focus holder", "-geometry", "40x10+700+600"])
        self.holder = check(ds.poll_until(lambda: ds.visible_windows("focus holder"), 10),
                            "the xterm holding the focus never mapped")[0]

    def _start_speech(self):
        """Speech Dispatcher with espeak-ng into ALSA's file plug-in: the file grows with what
        is read aloud. Its environment for verdolin."""
        module = "/usr/lib/speech-dispatcher-modules/sd_espeak-ng"
        data = glob.glob("/usr/lib/*/espeak-ng-data")
        if not shutil.which("speech-dispatcher") or not os.path.exists(module) or not data:
            raise Skip("no speech-dispatcher with espeak-ng installed")
        home = os.path.join(self.root, "speech")
        os.makedirs(os.path.join(home, "run"), 0o700)
        os.symlink("/etc/speech-dispatcher/modules", os.path.join(home, "modules"))
        with open(os.path.join(home, "speechd.conf"), "w") as conf:
            conf.write('AudioOutputMethod "alsa"\nAddModule "espeak-ng" "sd_espeak-ng" '
                       '"espeak-ng.conf"\nDefaultModule espeak-ng\n')
        with open(os.path.join(home, ".asoundrc"), "w") as alsa:
            alsa.write(f'pcm.!default {{ type file slave.pcm "null" file "{self.audio}" '
                       'format "raw" }\n')
        # espeak-ng's data without its voice variants: 130 voices instead of 13,000, which
        # take the daemon seconds to list, and the first reading waits for the list.
        voices = os.path.join(home, "espeak-ng-data")
        os.makedirs(os.path.join(voices, "voices", "!v"))
        for entry in os.listdir(data[0]):
            if entry != "voices":
                os.symlink(os.path.join(data[0], entry), os.path.join(voices, entry))
        socket = os.path.join(home, "speechd.sock")
        ds.start(["speech-dispatcher", "-s", "-t", "0", "-C", home, "-L", home, "-S", socket],
                 env=dict(os.environ, HOME=home, XDG_RUNTIME_DIR=os.path.join(home, "run"),
                          ESPEAK_DATA_PATH=home))
        if not ds.poll_until(lambda: os.path.exists(socket), 10):
            raise Skip("speech-dispatcher did not start")
        env = {"SPEECHD_ADDRESS": f"unix_socket:{socket}"}
        voices = ds.run(["spd-say", "-o", "espeak-ng", "-L"], env=dict(os.environ, **env)) or ""
        if not re.search(r"^\s*Spanish.*\ses\s", voices, re.MULTILINE):
            raise Skip("no Spanish voice in espeak-ng")
        return env

    def spoken(self):
        try:
            return os.path.getsize(self.audio)
        except OSError:
            return 0

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def traced_session(desk, settings, env=None, netns=(), started=lambda: True):
    """A session that uses every feature under strace -f, once `started`; its trace's lines."""
    trace = os.path.join(desk.root, f"trace-{time.monotonic_ns()}.txt")
    session = ds.Session(desk.executable, settings, env={**CLEAN, **(desk.speech or {}),
                                                         **(env or {})}, wrapper=[
        "strace", "-f", "-qq", "--seccomp-bpf", "-e", "signal=none", "-e",
        "trace=%network,execve", "-o", trace, *netns])
    try:
        session.expect_window("no Verdolin window mapped after start", timeout=30)
        check(ds.poll_until(started, 20), f"not started within 20 s; stderr:\n{session.stderr()}")
        for text in (TYPED, WORD):
            pane = session.shown(SOURCE_PANE)
            check(ds.click(pane), "could not click the source pane")
            ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+a"])
            ds.run(["xdotool", "type", "--clearmodifiers", "--delay", "5", text])
            if text == TYPED:
                session.expect_panes(TYPED, ds.apertium(TYPED))
                read_aloud(desk, session)
        translated = ds.apertium(WORD)
        session.expect_panes(WORD, lambda text: text.strip().startswith(translated)
                             and DEFINITION in text, 20)
        session.escape()
        ds.activate(desk.holder)
        session.shortcut_translates(SELECTED)
        if desk.tray:
            quit_from_tray_menu(session.pid)
        else:
            print("    tray menu left out: no tray host; quit by SIGTERM", flush=True)
        # strace ends when the last process it follows does, with verdolin's exit status.
        session.expect_exit(terminate=not desk.tray, timeout=15)
    finally:
        session.close()
    with open(trace, errors="replace") as file:
        lines = file.read().splitlines()
    # A trace that saw nothing proves nothing: the X server and the session bus were reached,
    # and the translator's own children were followed.
    display = os.environ["DISPLAY"].lstrip(":").split(".")[0]
    bus = re.search(r"unix:path=([^,]+)", os.environ["DBUS_SESSION_BUS_ADDRESS"])
    reached = {match[1] for match in map(UNIX_CONNECT.match, lines) if match}
    check(f"/tmp/.X11-unix/X{display}" in reached and (not bus or bus[1] in reached),
          f"the trace shows no connection to the X server or the bus; AF_UNIX peers: {reached}")
    programs = {os.path.basename(match[2]) for match in map(EXECVE.match, lines) if match}
    check(any(name.startswith(("lt-", "apertium", "cg-")) for name in programs),
          f"the trace followed no Apertium program; programs run: {programs}")
    return lines


def read_aloud(desk, session):
    if not desk.speech:
        print(f"    read-aloud left out: {desk.no_speech}", flush=True)
        return
    before = desk.spoken()
    check(ds.click(session.shown("Speak")), "could not click Speak")
    check(ds.poll_until(lambda: desk.spoken() > before, 20),
          f"nothing was read aloud; stderr:\n{session.stderr()}")


def nothing_leaves(desk, netns=()):
    inet = [line for line in traced_session(desk, {"onboardingDone": True,
                                                   "updateFrequency": "never"}, netns=netns)
            if INET.search(line)]
    check(not inet, f"{len(inet)} trace lines with an Internet socket, the first:\n"
          + "\n".join(inet[:10]))


class Feed(http.server.BaseHTTPRequestHandler):

    def do_GET(self):
        self.server.requests.append(self.path)
        self.send_response(200)
        self.send_header("Content-Type", "application/rss+xml")
        self.send_header("Content-Length", str(len(APPCAST)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(APPCAST)

    def log_message(self, *_):
        pass


def only_the_update_check(desk):
    server = http.server.HTTPServer(("127.0.0.1", 0), Feed)
    server.requests = []
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]
    try:
        lines = traced_session(desk, {"onboardingDone": True, "updateFrequency": "daily"}, env={
            "VERDOLIN_UPDATE_FEED": f"http://127.0.0.1:{port}/appcast.xml"},
            started=lambda: server.requests)
    finally:
        server.shutdown()
        server.server_close()
    check(len(server.requests) == 1, f"the feed got {server.requests}, wanted one request")
    inet = [line for line in lines if INET.search(line)]
    sockets = [line for line in inet if SOCKET.match(line)]
    # A non-blocking connect is called again to learn that it completed; one socket can
    # connect once, so one socket with every connect to the feed is one connection.
    peers = {(peer[2] or peer[3], int(peer[1])) if peer else None
             for peer in (INET_ADDRESS.search(line) for line in inet if CONNECT.match(line))}
    addresses = {match[2] or match[3] for match in map(INET_ADDRESS.search, inet) if match}
    check(len(sockets) == 1 and peers == {("127.0.0.1", port)} and addresses == {"127.0.0.1"},
          f"wanted one socket connected to 127.0.0.1:{port}, saw:\n" + "\n".join(inet[:20]))


def works_without_network(desk):
    netns = next((command for command in (["unshare", "--net"],
                                          ["unshare", "--map-current-user", "--net"])
                  if ds.run(command + ["true"]) is not None), None)
    if not netns:
        raise Skip("neither unshare --net nor unshare --map-current-user --net works here")
    interfaces = ds.run(netns + [sys.executable, "-c", "import socket; print(*(name for _, name "
                                 "in socket.if_nameindex()))"])
    check(interfaces == "lo\n", f"the namespace has the interfaces {interfaces!r}, wanted lo")
    nothing_leaves(desk, netns)


CASES = [
    ("updates off: no Internet socket in the whole session", nothing_leaves),
    ("updates on: one request, to the feed on loopback", only_the_update_check),
    ("no network at all: every feature still works", works_without_network),
]

if __name__ == "__main__":
    if sys.argv[1:] == ["--tray-host"]:
        serve_tray_host()
    else:
        sys.exit(ds.run_cases(CASES, Desk))
