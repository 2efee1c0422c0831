"""A private desktop for the real verdolin executable: Xvfb, openbox, a session bus with the
accessibility bus behind it, and helpers that read what the window shows. Every wait polls."""

import ctypes
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

_libc = ctypes.CDLL(None, use_errno=True)
TITLE, SOURCE_PANE, RESULT_PANE = "Verdolin", "Type or paste text", "Translation"
POINTER_OFFSET = 14  # the frame opens this far right of and below the pointer
CRASH = re.compile(r"Segmentation fault|Aborted|terminate called|ASSERT|Cannot assign|"
                   r"qrc:/\S+: .*(Error|is not a type|is not defined)|QQmlApplicationEngine failed")
pyatspi = None  # imported once the session bus runs


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)
    return condition


def _die_with_parent():
    _libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def poll_until(probe, timeout, interval=0.02):
    """The first truthy value `probe` returns within `timeout` seconds, else None."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value or time.monotonic() >= deadline:
            return value or None
        time.sleep(interval)


def run(arguments, timeout=10, env=None, input_text=None):
    """Stdout of a short command, or None when it failed."""
    try:
        done = subprocess.run(arguments, capture_output=True, text=True, timeout=timeout, env=env,
                              input=input_text, preexec_fn=_die_with_parent)
    except (subprocess.TimeoutExpired, OSError):
        return None
    return done.stdout if done.returncode == 0 else None


def start(command, **options):
    """A background process that dies with this one."""
    return subprocess.Popen(command, preexec_fn=_die_with_parent, **{
        "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, **options})


def stop(process, grace=3):
    """SIGTERM, then SIGKILL after `grace` seconds; the exit status."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            process.kill()
    return process.wait(timeout=grace)


def descendants(root):
    children = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat") as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
        children.setdefault(parent, []).append(int(entry))
    found, queue = [], [root]
    while queue:
        below = children.get(queue.pop(), [])
        found += below
        queue += below
    return found


def _kill_descendants():
    for pid in descendants(os.getpid()):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    try:
        while os.waitpid(-1, os.WNOHANG)[0]:
            pass
    except ChildProcessError:
        pass
    return not descendants(os.getpid())


def _first_line(command):
    """Starts `command`, which reports on its stdout; the first line, within 20 s."""
    process = start(command, stdout=subprocess.PIPE)
    ready = select.select([process.stdout], [], [], 20)[0]
    return process.stdout.readline().decode().strip() if ready else ""


class Desktop:
    """Xvfb, openbox and a session bus. On close every process started meanwhile goes, however
    deep: this process is their subreaper. Killed, its children die with it, and the rest of the
    session with the bus."""

    def __init__(self):
        _libc.prctl(36, 1)  # PR_SET_CHILD_SUBREAPER
        signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped by SIGTERM"))
        try:
            display = _first_line(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                                   "-nolisten", "tcp", "-noreset"])
            check(display.isdigit(), "Xvfb did not report a display number")
            os.environ["DISPLAY"] = ":" + display
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = _first_line(
                ["dbus-daemon", "--session", "--nofork", "--print-address=1"])
            start(["openbox", "--sm-disable"])
            check(poll_until(lambda: "window id" in (
                run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]) or ""), 10),
                "openbox did not start")
        except BaseException:
            self.close()
            raise
        global pyatspi
        import pyatspi  # Debian's python3-pyatspi: only the system interpreter has it

    @staticmethod
    def close():
        poll_until(_kill_descendants, 5)


def visible_windows(name=None, pid=None):
    """Mapped client windows titled exactly `name`, or else belonging to `pid`."""
    by = ["--name", f"^{name}$"] if name else ["--pid", str(pid)]
    return [int(w) for w in (run(["xdotool", "search", "--onlyvisible"] + by, 5) or "").split()]


def client_geometry(window):
    """(x, y, width, height) of a client window's area on the root window."""
    info = run(["xwininfo", "-id", str(window)], 5) or ""
    found = [re.search(rf"{key}: +(-?\d+)", info) for key in
             ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
    return tuple(int(match[1]) for match in found) if all(found) else None


def frame_extents(window):
    """(left, right, top, bottom) of the frame openbox draws around a client window."""
    value = run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], 5) or ""
    found = re.findall(r"\d+", value.partition("=")[2])
    return tuple(map(int, found)) if len(found) == 4 else None


def active_window():
    return int((run(["xdotool", "getactivewindow"], 5) or "0").strip() or 0) or None


def set_primary(text):
    """Owns PRIMARY with `text`: xclip forks a server that keeps it till another client takes it."""
    subprocess.run(["xclip", "-selection", "primary"], input=text, text=True, timeout=5,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return poll_until(lambda: run(["xclip", "-o", "-selection", "primary"]) == text, 5)


AFTER_FIRST_START = {"onboardingDone": True}


class Verdolin:
    """verdolin in its own XDG folders, with `settings` as its settings file (None: none, as
    on a first start). start() runs another process on the same folders once this one quit.
    `wrapper` goes before the command (strace, unshare); `env` adds to the environment, or
    removes where a value is None."""

    def __init__(self, executable, settings=AFTER_FIRST_START, wrapper=(), env=None):
        self.root = tempfile.mkdtemp(prefix="verdolin-desktop-")
        # A first start looks for updates at once: here on a closed port of this computer.
        self.env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                        LANG="C.UTF-8", LANGUAGE="en", LC_ALL="C.UTF-8",
                        VERDOLIN_UPDATE_FEED="http://127.0.0.1:9/appcast.xml")
        for variable, value in (env or {}).items():
            if value is None:
                self.env.pop(variable, None)
            else:
                self.env[variable] = value
        self.wrapper = list(wrapper)
        for variable in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR",
                         "XDG_CACHE_HOME"):
            self.env[variable] = os.path.join(self.root, variable.lower())
            os.mkdir(self.env[variable], 0o700)
        self.settings_path = os.path.join(self.env["XDG_CONFIG_HOME"], "verdolin",
                                          "com.korvane.verdolin.json")
        if settings is not None:
            os.mkdir(os.path.dirname(self.settings_path))
            with open(self.settings_path, "w") as file:
                json.dump(settings, file)
        self.history = os.path.join(self.env["XDG_DATA_HOME"], "Verdolin", "history.json")
        self.executable = executable
        self.stderr_path = os.path.join(self.root, "stderr.txt")
        self.process = None
        self.start()

    def start(self):
        """A new process; its stderr follows the earlier ones' in the same file."""
        check(self.process is None or self.process.poll() is not None,
              "the previous verdolin still runs")
        with open(self.stderr_path, "a") as stderr:
            self.process = start(self.wrapper + [self.executable], env=self.env, stderr=stderr)
        self.pid = self.process.pid if not self.wrapper else check(
            poll_until(self._wrapped_pid, 10), f"{self.executable} never ran under {self.wrapper}")

    def _wrapped_pid(self):
        """The outermost process below the wrapper that runs the executable."""
        wanted = os.path.realpath(self.executable)
        for pid in descendants(self.process.pid):
            try:
                if os.readlink(f"/proc/{pid}/exe") == wanted:
                    return pid
            except OSError:
                continue
        return None

    def quit(self, timeout=10):
        """SIGTERM; the exit status, or None when the process outlives `timeout`."""
        self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def settings(self):
        """The settings file as written last, or None while it is missing or half written."""
        try:
            with open(self.settings_path) as file:
                return json.load(file)
        except (OSError, ValueError):
            return None

    def stderr(self):
        with open(self.stderr_path, errors="replace") as file:
            return file.read()

    def close(self):
        status = stop(self.process)
        shutil.rmtree(self.root, ignore_errors=True)
        return status


def find(root, predicate):
    """The first accessible under `root`, breadth first, that `predicate` accepts."""
    try:
        return pyatspi.findDescendant(root, predicate, breadth_first=True)
    except Exception:  # an object that went away meanwhile
        return None


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except Exception:
        return None


def named_text(root, name):
    """The text object called `name`, found afresh: Qt rebuilds the tree when it reshows."""
    return find(root, lambda node: node.name == name and text_of(node) is not None)


def application(name, pid=None):
    """The application called `name` on the accessibility bus; with `pid`, that process's."""
    return find(pyatspi.Registry.getDesktop(0), lambda node: node.name == name and (
        pid is None or node.get_process_id() == pid))


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def shown(root, name, role=None):
    """The accessible called `name` that is on screen now: hidden screens keep theirs."""
    return find(root, lambda node: node.name == name and (role is None or node.getRole() == role)
                and showing(node))


def press(node):
    """Invokes the press action of `node`, as a screen reader's user would."""
    try:
        action = node.queryAction()
        names = [action.getName(index) for index in range(action.nActions)]
        return "Press" in names and action.doAction(names.index("Press"))
    except Exception:  # gone meanwhile
        return False


def click(node):
    """Clicks the middle of `node` with the pointer."""
    try:
        x, y, width, height = extents(node)
    except Exception:  # gone meanwhile
        return False
    return run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2),
                "click", "1"]) is not None


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (box.x, box.y, box.width, box.height)


class Session:
    """One verdolin, and the xterm that held the focus before the shortcut brought it up."""

    def __init__(self, executable, settings=AFTER_FIRST_START, **options):
        self.verdolin = Verdolin(executable, settings, **options)
        self.root_log = os.path.join(self.verdolin.root, "root-messages.txt")
        self.app = self.earlier = None
        self.panes = {}

    def restart(self):
        """Another process on the same folders, once this one quit."""
        self.verdolin.start()
        self.app, self.panes = None, {}

    def application(self):
        """This process's: a quit one may linger on the bus for a while."""
        self.app = self.app or poll_until(lambda: application("verdolin", self.verdolin.pid), 20)
        return check(self.app, "verdolin never appeared on the accessibility bus; stderr:\n"
                     + self.verdolin.stderr())

    def expect_panes(self, source, result=None, timeout=30):
        """Qt's TextArea announces no text changes over AT-SPI, so the panes are read until they
        fit. The first translation waits for the package queries at start: seconds when busy."""
        seen = {}

        def fits():
            for pane in (SOURCE_PANE, RESULT_PANE):
                seen[pane] = text_of(self.panes.get(pane))
                if seen[pane] is None:  # found once, found again when Qt rebuilt the tree
                    self.panes[pane] = named_text(self.application(), pane)
            # Apertium puts a space before some sentences ("We ..." -> " Queremos ...").
            return seen[SOURCE_PANE] == source and (
                result is None or (seen[RESULT_PANE] or "").strip() == result.strip())
        check(poll_until(fits, timeout), f"panes never showed {source!r} -> {result!r}; "
              f"saw {seen}")

    def expect_window(self, failure, timeout=10):
        """The one mapped Verdolin window; several mean a second instance stayed."""
        found = poll_until(lambda: visible_windows(TITLE), timeout)
        check(found, f"{failure}; stderr:\n{self.verdolin.stderr()}")
        check(len(found) == 1, f"several Verdolin windows mapped: {found}")
        return found[0]

    def expect_unmapped(self, failure):
        check(poll_until(lambda: not visible_windows(TITLE), 10), failure)

    def shortcut_translates(self, text, keys="ctrl+alt+t"):
        expected = (run(["apertium", "-u", "eng-spa"], input_text=text, timeout=30) or "").strip()
        check(expected, f"apertium -u eng-spa translated nothing of {text!r}")
        check(set_primary(text), "xclip could not own PRIMARY")
        run(["xdotool", "key", "--clearmodifiers", keys])
        window = self.expect_window(f"no Verdolin window mapped after {keys}")
        self.expect_panes(text, expected)
        return window


def outcome(session, command):
    """(exit status, stderr) of a command in verdolin's environment; None when it hangs."""
    try:
        done = subprocess.run(command, capture_output=True, text=True, timeout=5,
                              env=session.verdolin.env)
    except subprocess.TimeoutExpired:
        return None
    return done.returncode, done.stderr


def run_cases(cases, settings=AFTER_FIRST_START):
    """Runs `cases`, (name, function of a Session), in order on one desktop, for the executable
    named on the command line; a timing line for each. The exit status for the shell."""
    started, failed, session = time.monotonic(), 0, None
    desktop = Desktop()
    try:
        session = Session(sys.argv[1], settings)
        for name, case in cases:
            began = time.monotonic()
            try:
                case(session)
                result = "ok"
            except Failure as reason:
                result = f"FAILED: {reason}"
            except Exception:
                result = "FAILED:\n" + traceback.format_exc()
            failed += result != "ok"
            print(f"[{time.monotonic() - began:5.1f} s] {name}: {result}", flush=True)
            if session.verdolin.process.poll() is not None and case is not cases[-1][1]:
                print(f"verdolin exited early with {session.verdolin.process.returncode}; "
                      f"stderr:\n{session.verdolin.stderr()}", flush=True)
                failed += 1
                break
    finally:
        if session:
            session.verdolin.close()
        desktop.close()
    print(f"{failed} of {len(cases)} failed in {time.monotonic() - started:.1f} s", flush=True)
    return 1 if failed else 0
