#!/usr/bin/python3
"""offline_test.py VERDOLIN: whole sessions of the real executable under strace, which follows
every process it starts: typed text, a word's definitions, read-aloud, a captured selection,
the tray menu, quit. With updates off no process opens an Internet socket; with updates on,
the one request goes to a feed on loopback; in a network namespace without network every
feature still works. On the private desktop of desktop_session.py."""

import collections
import glob
import http.server
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session as ds  # noqa: E402
from desktop_session import CRASH, RESULT_PANE, SOURCE_PANE, Failure, check  # noqa: E402

NEVER = {"onboardingDone": True, "updateFrequency": "never"}
DAILY = {"onboardingDone": True, "updateFrequency": "daily"}
# No proxy to go through and no feed of the caller's; speech through the test's own daemon.
CLEAN = {name: None for name in ("http_proxy", "https_proxy", "all_proxy", "no_proxy",
                                 "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "NO_PROXY",
                                 "VERDOLIN_UPDATE_FEED", "SPEECHD_ADDRESS")}
TYPED, SELECTED = "The weather is nice today.", "The dog sleeps in the garden."
WORD, DEFINITION = "house", "a dwelling that serves as living quarters"  # dict-wn's first sense
FEED_SWITCH = b"VERDOLIN_UPDATE_FEED"
UUID = re.compile(r"[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}")
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


class Skip(Exception):
    pass


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


def open_tray_menu(service):
    """Opens the menu as a panel does; (menu path, {label: id})."""
    menu = bus_call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                    "(ss)", ("org.kde.StatusNotifierItem", "Menu"))[0]
    bus_call(service, menu, "com.canonical.dbusmenu", "AboutToShow", "(i)", (0,))
    layout = bus_call(service, menu, "com.canonical.dbusmenu", "GetLayout", "(iias)",
                      (0, -1, []))[1]
    return menu, {properties.get("label", ""): item for item, properties, _ in layout[2]}


class Desk:
    """What the sessions share: the desktop, a tray host, Speech Dispatcher writing what it
    reads into a file, the xterm that holds the focus, and the translations to expect."""

    def __init__(self, executable):
        self.executable = os.path.realpath(executable)
        self.desktop = ds.Desktop()
        self.root = tempfile.mkdtemp(prefix="verdolin-offline-")
        try:
            self._start()
        except BaseException:
            self.close()
            raise

    def _start(self):
        self.tray = ds._first_line([sys.executable, os.path.abspath(__file__),
                                    "--tray-host"]) == "ready"
        if not self.tray:
            print("no tray host could be started (python3-gi?): the tray menu is left out")
        self.audio = os.path.join(self.root, "spoken.raw")
        self.no_speech = None
        try:
            self.speech = self._start_speech()
        except Skip as reason:
            self.speech, self.no_speech = None, str(reason)
        ds.start(["xterm", "-title", "focus holder", "-geometry", "40x10+700+600"])
        self.holder = check(ds.poll_until(lambda: ds.visible_windows("focus holder"), 10),
                            "the xterm holding the focus never mapped")[0]
        self.expected = {}
        for text in (TYPED, SELECTED, WORD):
            self.expected[text] = check((ds.run(["apertium", "-u", "eng-spa"], input_text=text,
                                                timeout=30) or "").strip(),
                                        f"apertium -u eng-spa translated nothing of {text!r}")
        version = (ds.run([self.executable, "--version"]) or "").split()
        self.version = check(version[-1] if version else None, "verdolin --version said nothing")

    def _start_speech(self):
        """Speech Dispatcher with espeak-ng into ALSA's file plug-in: the file grows with what
        is read aloud. Its environment for verdolin."""
        module = "/usr/lib/speech-dispatcher-modules/sd_espeak-ng"
        data = glob.glob("/usr/lib/*/espeak-ng-data")
        if not shutil.which("speech-dispatcher") or not os.path.exists(module) or not data:
            raise Skip("no speech-dispatcher with espeak-ng installed")
        home, audio = os.path.join(self.root, "speech"), self.audio
        os.makedirs(os.path.join(home, "run"), 0o700)
        os.symlink("/etc/speech-dispatcher/modules", os.path.join(home, "modules"))
        with open(os.path.join(home, "speechd.conf"), "w") as conf:
            conf.write('AudioOutputMethod "alsa"\nAddModule "espeak-ng" "sd_espeak-ng" '
                       '"espeak-ng.conf"\nDefaultModule espeak-ng\n')
        with open(os.path.join(home, ".asoundrc"), "w") as alsa:
            alsa.write(f'pcm.!default {{ type file slave.pcm "null" file "{audio}" '
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
        self.desktop.close()
        shutil.rmtree(self.root, ignore_errors=True)


class Traced:
    """One verdolin under strace -f, maybe in a network namespace of its own."""

    def __init__(self, desk, settings, env=None, netns=()):
        self.desk = desk
        self.trace = os.path.join(desk.root, f"trace-{time.monotonic_ns()}.txt")
        wrapper = ["strace", "-f", "-qq", "--seccomp-bpf", "-e", "signal=none",
                   "-e", "trace=%network,execve", "-o", self.trace, *netns]
        self.session = ds.Session(desk.executable, settings, wrapper=wrapper,
                                  env={**CLEAN, **(desk.speech or {}), **(env or {})})
        self.notes = []

    def note(self, text):
        self.notes.append(text)
        print(f"    {text}", flush=True)

    def stderr(self):
        return self.session.verdolin.stderr()

    def pane(self, name):
        """The pane's text, found afresh when Qt rebuilt the tree."""
        text = ds.text_of(self.session.panes.get(name))
        if text is None:
            self.session.panes[name] = ds.named_text(self.session.application(), name)
            text = ds.text_of(self.session.panes[name])
        return text

    def type_text(self, text):
        pane = check(ds.poll_until(lambda: ds.shown(self.session.application(), SOURCE_PANE),
                                   10), "the source pane is not on screen")
        check(ds.click(pane), "could not click the source pane")
        ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+a"])
        ds.run(["xdotool", "type", "--clearmodifiers", "--delay", "5", text])

    def use_every_feature(self):
        self.session.expect_window("no Verdolin window mapped after start", timeout=30)
        self.type_text(TYPED)
        self.session.expect_panes(TYPED, self.desk.expected[TYPED])
        self.read_aloud()
        self.define_word()
        self.capture_selection()
        self.quit()

    def read_aloud(self):
        if not self.desk.speech:
            self.note(f"read-aloud left out: {self.desk.no_speech}")
            return
        before = self.desk.spoken()
        speak = check(ds.poll_until(lambda: ds.shown(self.session.application(), "Speak"), 10),
                      "no Speak button on screen")
        check(ds.press(speak), "could not press Speak")
        check(ds.poll_until(lambda: self.desk.spoken() > before, 20),
              f"nothing was read aloud; stderr:\n{self.stderr()}")
        self.note(f"read aloud: {self.desk.spoken() - before} bytes of sound")

    def define_word(self):
        translated, seen = self.desk.expected[WORD], {}

        def defined():
            seen["result"] = self.pane(RESULT_PANE) or ""
            return (self.pane(SOURCE_PANE) == WORD and seen["result"].strip().startswith(
                translated) and DEFINITION in seen["result"])
        self.type_text(WORD)
        check(ds.poll_until(defined, 20), f"{WORD!r} never showed {translated!r} with "
              f"{DEFINITION!r}; saw {seen.get('result')!r}")

    def capture_selection(self):
        """PRIMARY owned by xclip while the xterm has the focus, as in desktop_test.py. The
        window goes away first: while Qt still counts it as active, which it learns after X
        does, the shortcut would hide it instead of translating."""
        window = self.session.expect_window("the window went away before Escape")
        ds.run(["xdotool", "windowactivate", "--sync", str(window)])
        ds.run(["xdotool", "key", "Escape"])
        self.session.expect_unmapped("Escape did not hide the window")
        holder = self.desk.holder
        ds.run(["xdotool", "windowactivate", "--sync", str(holder)])
        check(ds.poll_until(lambda: ds.active_window() == holder, 5),
              f"the xterm {holder} never became active; active: {ds.active_window()}")
        check(ds.set_primary(SELECTED), "xclip could not own PRIMARY")
        ds.run(["xdotool", "key", "--clearmodifiers", "ctrl+alt+t"])
        self.session.expect_window("no Verdolin window mapped after Ctrl+Alt+T")
        self.session.expect_panes(SELECTED, self.desk.expected[SELECTED])

    def quit(self):
        """From the tray menu, as a panel opens it; by SIGTERM without a tray host."""
        verdolin = self.session.verdolin
        if self.desk.tray:
            service = check(ds.poll_until(lambda: tray_item(verdolin.pid), 10),
                            "no tray icon registered with the tray host")
            menu, items = open_tray_menu(service)
            check({"Open Translator", "Quit Verdolin"} <= items.keys(),
                  f"the tray menu holds {sorted(items)}")
            _, GLib = gio()
            bus_call(service, menu, "com.canonical.dbusmenu", "Event", "(isvu)",
                     (items["Quit Verdolin"], "clicked", GLib.Variant("s", ""), 0))
            self.note(f"tray menu opened: {len(items)} rows; quit from there")
        else:
            self.note("tray menu left out: no tray host; quit by SIGTERM")
            os.kill(verdolin.pid, signal.SIGTERM)
        # strace ends when the last process it follows does, with verdolin's exit status.
        try:
            status = verdolin.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            left = [f"{pid} {ds.run(['ps', '-o', 'args=', '-p', str(pid)]) or ''}".strip()
                    for pid in ds.descendants(verdolin.process.pid)]
            raise Failure(f"processes outlived the quit: {left}")
        check(status == 0, f"exit status {status}; stderr:\n{self.stderr()}")
        crashes = [line for line in self.stderr().splitlines() if CRASH.search(line)]
        check(not crashes, "stderr reports a crash or a QML error:\n" + "\n".join(crashes))

    def lines(self):
        with open(self.trace, errors="replace") as file:
            return file.read().splitlines()

    def check_trace_is_real(self, lines):
        """A trace that saw nothing proves nothing: the X server and the session bus were
        reached, and the translator's own children were followed."""
        display = os.environ["DISPLAY"].lstrip(":").split(".")[0]
        bus = re.search(r"unix:path=([^,]+)", os.environ["DBUS_SESSION_BUS_ADDRESS"])
        reached = {match[1] for match in map(UNIX_CONNECT.match, lines) if match}
        check(f"/tmp/.X11-unix/X{display}" in reached,
              f"the trace shows no connection to the X server; AF_UNIX peers: {sorted(reached)}")
        check(not bus or bus[1] in reached,
              f"the trace shows no connection to the session bus {bus and bus[1]}")
        programs = collections.Counter(os.path.basename(match[2])
                                       for match in map(EXECVE.match, lines) if match)
        check(any(name.startswith(("lt-", "apertium", "cg-")) for name in programs),
              f"the trace followed no Apertium program; programs run: {dict(programs)}")
        return programs

    def report(self, lines):
        """Prints the socket families and the programs the trace saw, once it proved real."""
        programs = self.check_trace_is_real(lines)
        families = collections.Counter(match[1] for match in map(SOCKET.match, lines) if match)
        self.note("sockets by family: " + ", ".join(f"{family} {count}"
                                                    for family, count in families.most_common()))
        self.note(f"{len({line.split()[0] for line in lines})} processes traced, programs run: "
                  + ", ".join(f"{name} {count}" for name, count in programs.most_common()))

    def close(self):
        self.session.verdolin.close()


def nothing_leaves(desk, netns=()):
    traced = Traced(desk, NEVER, netns=netns)
    try:
        traced.use_every_feature()
        lines = traced.lines()
        traced.report(lines)
        inet = [line for line in lines if INET.search(line)]
        check(not inet, f"{len(inet)} trace lines with an Internet socket, the first:\n"
              + "\n".join(inet[:10]))
    finally:
        traced.close()


class Feed(http.server.BaseHTTPRequestHandler):
    """An appcast with no item, each request kept."""

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
    with open(desk.executable, "rb") as binary:
        content = binary.read()
    if FEED_SWITCH not in content and FEED_SWITCH.decode().encode("utf-16-le") not in content:
        raise Skip("this verdolin has no update check to point at a test feed "
                   "(no VERDOLIN_UPDATE_FEED in the binary)")
    server = http.server.HTTPServer(("127.0.0.1", 0), Feed)
    server.requests = []
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]
    feed = f"http://127.0.0.1:{port}/appcast.xml"
    traced = Traced(desk, DAILY, env={"VERDOLIN_UPDATE_FEED": feed})
    try:
        check(ds.poll_until(lambda: server.requests, 20),
              f"no request reached {feed} within 20 s; stderr:\n{traced.stderr()}")
        traced.use_every_feature()
        check(len(server.requests) == 1, f"the feed got {server.requests}, wanted one request")
        url = urllib.parse.urlsplit(server.requests[0])
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        check(url.path == "/appcast.xml" and sorted(query) == ["iid", "ver"]
              and UUID.fullmatch(query["iid"][0]) and query["ver"] == [desk.version],
              f"the request {server.requests[0]!r} is not /appcast.xml?iid=<UUID>&ver="
              f"{desk.version}")
        traced.note(f"the feed got {server.requests[0]}")

        lines = traced.lines()
        traced.report(lines)
        inet = [line for line in lines if INET.search(line)]
        sockets = [line for line in inet if SOCKET.match(line)]
        # A non-blocking connect is called again to learn that it completed; one socket can
        # connect once, so one socket with every connect to the feed is one connection.
        peers = {(peer[2] or peer[3], int(peer[1])) if peer else None
                 for peer in (INET_ADDRESS.search(line) for line in inet if CONNECT.match(line))}
        addresses = {match[2] or match[3] for match in map(INET_ADDRESS.search, inet) if match}
        check(len(sockets) == 1 and peers == {("127.0.0.1", port)} and addresses == {
            "127.0.0.1"}, f"wanted one socket connected to 127.0.0.1:{port}, saw:\n"
              + "\n".join(inet[:20]))
        traced.note(f"one Internet socket, connected to 127.0.0.1:{port}")
    finally:
        traced.close()
        server.shutdown()
        server.server_close()


def netns_wrapper():
    """The command that gives a process a network namespace with no network, or None."""
    for command in (["unshare", "--net"], ["unshare", "--map-current-user", "--net"]):
        if ds.run(command + ["true"]) is not None:
            return command
    return None


def works_without_network(desk):
    netns = netns_wrapper()
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


def main():
    started, failed = time.monotonic(), 0
    desk = Desk(sys.argv[1])
    try:
        for name, case in CASES:
            began = time.monotonic()
            print(f"{name}:", flush=True)
            try:
                case(desk)
                result = "ok"
            except Skip as reason:
                result = f"skipped: {reason}"
            except Failure as reason:
                result = f"FAILED: {reason}"
            except Exception:
                result = "FAILED:\n" + traceback.format_exc()
            failed += result.startswith("FAILED")
            print(f"[{time.monotonic() - began:5.1f} s] {name}: {result}", flush=True)
    finally:
        desk.close()
    print(f"{failed} of {len(CASES)} failed in {time.monotonic() - started:.1f} s", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    if sys.argv[1:] == ["--tray-host"]:
        serve_tray_host()
    else:
        sys.exit(main())
