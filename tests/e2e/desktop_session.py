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

_libc = ctypes.CDLL(None, use_errno=True)
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


class Verdolin:
    """One verdolin process, set up as after its first start, in its own XDG folders."""

    def __init__(self, executable):
        self.root = tempfile.mkdtemp(prefix="verdolin-desktop-")
        self.env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                        LANG="C.UTF-8", LANGUAGE="en", LC_ALL="C.UTF-8")
        for variable in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR",
                         "XDG_CACHE_HOME"):
            self.env[variable] = os.path.join(self.root, variable.lower())
            os.mkdir(self.env[variable], 0o700)
        settings = os.path.join(self.env["XDG_CONFIG_HOME"], "verdolin")
        os.mkdir(settings)
        with open(os.path.join(settings, "com.korvane.verdolin.json"), "w") as file:
            json.dump({"onboardingDone": True}, file)
        self.history = os.path.join(self.env["XDG_DATA_HOME"], "Verdolin", "history.json")
        self.executable = executable
        self.stderr_path = os.path.join(self.root, "stderr.txt")
        with open(self.stderr_path, "w") as stderr:
            self.process = start([executable], env=self.env, stderr=stderr)
        self.pid = self.process.pid

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


def application(name):
    return find(pyatspi.Registry.getDesktop(0), lambda node: node.name == name)


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (box.x, box.y, box.width, box.height)
