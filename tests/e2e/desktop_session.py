"""A private desktop for driving the real verdolin executable: Xvfb, openbox, a session bus with
the accessibility bus behind it, and the helpers that read what the window shows.

Shared by the end-to-end test and the desktop benchmark. Every wait polls with a deadline.
"""

import ctypes
import ctypes.util
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

INNER_MARKER = "VERDOLIN_DESKTOP_SESSION_INNER"
PR_SET_PDEATHSIG = 1
PR_SET_CHILD_SUBREAPER = 36

_libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)


def _die_with_parent():
    # A child must not outlive the script that started it, even when the script is killed.
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def poll_until(probe, timeout, interval=0.005):
    """The first truthy value `probe` returns within `timeout` seconds, else None."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


def run(arguments, timeout=10, env=None, input_text=None):
    """Runs a short command; its stdout, or None when it failed."""
    try:
        done = subprocess.run(arguments, capture_output=True, text=True, timeout=timeout, env=env,
                              input=input_text, preexec_fn=_die_with_parent)
    except (subprocess.TimeoutExpired, OSError):
        return None
    return done.stdout if done.returncode == 0 else None


# Supervision -------------------------------------------------------------------------------------


def _descendants(root):
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append(int(entry))
    found, queue = [], [root]
    while queue:
        for child in children.get(queue.pop(), []):
            found.append(child)
            queue.append(child)
    return found


def _kill_descendants():
    # As the subreaper, every orphan of the session ends up our child: kill until none is left.
    for _ in range(50):
        left = _descendants(os.getpid())
        if not left:
            return
        for pid in left:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        while True:
            try:
                if os.waitpid(-1, os.WNOHANG)[0] == 0:
                    break
            except ChildProcessError:
                break
        time.sleep(0.02)


def _watch_over_group(group):
    """Forks a watcher that kills the process group `group` once this process is gone.

    The session bus and the accessibility buses it starts outlive a killed script otherwise:
    nothing of theirs dies with their parent.
    """
    read_end, write_end = os.pipe()
    if os.fork() == 0:
        os.close(write_end)
        # Out of the way of the signals a harness sends to the script's whole group.
        os.setsid()
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(number, signal.SIG_IGN)
        try:
            os.read(read_end, 1)  # returns at end of file: the script exited or was killed
            os.killpg(group, signal.SIGKILL)
        except OSError:
            pass
        os._exit(0)
    os.close(read_end)
    os.set_inheritable(write_end, False)


def run_inside_session(timeout):
    """Re-executes the calling script under its own session bus, unless it already runs there.

    Returns in the inner process; the outer one exits with the inner one's status once it and
    everything it started (the buses, the X server, the window manager) are gone.
    """
    if os.environ.get(INNER_MARKER):
        # When the outer script is killed, still run the clean-ups on the way out.
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
        _libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
        return
    _libc.prctl(PR_SET_CHILD_SUBREAPER, 1)
    env = dict(os.environ, **{INNER_MARKER: "1"})
    inner = subprocess.Popen(["dbus-run-session", "--", sys.executable] + sys.argv, env=env,
                             preexec_fn=_die_with_parent, start_new_session=True)
    _watch_over_group(inner.pid)
    status = 1
    try:
        status = inner.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        print(f"the session ran longer than {timeout} s: stopped", flush=True)
    except KeyboardInterrupt:
        pass
    finally:
        _kill_descendants()
    sys.exit(status if status >= 0 else 1)


# The X server and the window manager -------------------------------------------------------------


class Desktop:
    """Xvfb on a display number it picks itself, with openbox managing it."""

    def __init__(self):
        self.processes = []
        read_end, write_end = os.pipe()
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_end)
        self.processes.append(server)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            readable, _, _ = select.select([read_end], [], [], deadline - time.monotonic())
            if not readable:
                break
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip().isdigit():
            self.close()
            raise RuntimeError("Xvfb did not report a display number")
        self.display = ":" + number.strip().decode()
        os.environ["DISPLAY"] = self.display
        self.processes.append(subprocess.Popen(
            ["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent))
        if not poll_until(lambda: "window id" in (run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]) or ""), 10, 0.02):
            self.close()
            raise RuntimeError("openbox did not start")

    def close(self):
        for process in reversed(self.processes):
            stop(process)
        self.processes = []


def stop(process, grace=3):
    """Ends a process started here: SIGTERM, then SIGKILL after `grace` seconds."""
    if process.poll() is not None:
        return process.returncode
    process.terminate()
    try:
        return process.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        process.kill()
        return process.wait(timeout=grace)


# Windows ------------------------------------------------------------------------------------------


def visible_windows(name):
    """Ids of the mapped client windows whose title is exactly `name`."""
    found = run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"], timeout=5)
    return [int(line) for line in (found or "").split()]


def visible_windows_of(pid):
    found = run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], timeout=5)
    return [int(line) for line in (found or "").split()]


def client_geometry(window):
    """(x, y, width, height) of a client window's area on the root window."""
    info = run(["xwininfo", "-id", str(window)], timeout=5)
    if info is None:
        return None
    values = {}
    for line in info.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    try:
        return tuple(int(values[key]) for key in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    except (KeyError, ValueError):
        return None


def frame_extents(window):
    """(left, right, top, bottom) of the window manager's frame around a client window."""
    value = run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], timeout=5) or ""
    _, _, numbers = value.partition("=")
    try:
        extents = tuple(int(number) for number in numbers.split(","))
    except ValueError:
        return None
    return extents if len(extents) == 4 else None


def active_window():
    value = run(["xprop", "-root", "_NET_ACTIVE_WINDOW"], timeout=5) or ""
    _, _, number = value.partition("# ")
    try:
        return int(number.strip().split(",")[0], 16) or None
    except ValueError:
        return None


class RootMessages:
    """Records the client messages sent to the root window, such as the requests to activate a
    window, through xev."""

    def __init__(self, path):
        self.path = path
        with open(path, "w") as log:
            # Line-buffered, or xev keeps its events in a pipe buffer.
            self.process = subprocess.Popen(
                ["stdbuf", "-oL", "xev", "-root", "-event", "substructure"], stdout=log,
                stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)

    def mark(self):
        return os.path.getsize(self.path)

    def activations(self, since=0):
        """The windows whose activation was requested since the mark `since`, in order."""
        with open(self.path, errors="replace") as log:
            log.seek(since)
            events = log.read().split("\n\n")
        found = []
        for event in events:
            if event.startswith("ClientMessage") and "(_NET_ACTIVE_WINDOW)" in event:
                window = event.split("window ", 1)[1].split(",", 1)[0]
                found.append(int(window, 16))
        return found

    def close(self):
        stop(self.process)


def set_primary(text):
    """Owns PRIMARY with `text`: xclip forks a server that keeps it till another client takes it."""
    subprocess.run(["xclip", "-selection", "primary"], input=text, text=True, timeout=5,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return poll_until(lambda: run(["xclip", "-o", "-selection", "primary"]) == text, 5)


def expected_translation(text, pair="eng-spa"):
    return (run(["apertium", "-u", pair], input_text=text, timeout=30) or "").strip()


# Verdolin -----------------------------------------------------------------------------------------


class Verdolin:
    """One verdolin process in its own home, configuration, data and runtime folders."""

    def __init__(self, executable, onboarded=True, arguments=()):
        self.root = tempfile.mkdtemp(prefix="verdolin-desktop-")
        self.folders = {}
        for variable, name in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"),
                               ("XDG_DATA_HOME", "data"), ("XDG_RUNTIME_DIR", "runtime"),
                               ("XDG_CACHE_HOME", "cache")):
            path = os.path.join(self.root, name)
            os.mkdir(path, 0o700)
            self.folders[variable] = path
        if onboarded:
            settings = os.path.join(self.folders["XDG_CONFIG_HOME"], "verdolin")
            os.mkdir(settings, 0o700)
            with open(os.path.join(settings, "com.korvane.verdolin.json"), "w") as file:
                json.dump({"onboardingDone": True}, file)
        self.env = dict(os.environ, **self.folders)
        self.env.update({"QT_QPA_PLATFORM": "xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                         "LANG": "C.UTF-8", "LANGUAGE": "en", "LC_ALL": "C.UTF-8"})
        self.executable = executable
        self.stderr_path = os.path.join(self.root, "stderr.txt")
        self.stderr_file = open(self.stderr_path, "w")
        self.process = subprocess.Popen([executable] + list(arguments), env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=self.stderr_file,
                                        preexec_fn=_die_with_parent)

    @property
    def pid(self):
        return self.process.pid

    def history_path(self):
        return os.path.join(self.folders["XDG_DATA_HOME"], "Verdolin", "history.json")

    def stderr(self):
        self.stderr_file.flush()
        with open(self.stderr_path, errors="replace") as file:
            return file.read()

    def run_second(self, arguments, timeout):
        """Another verdolin with the same folders: (exit status, stderr), None when it hangs."""
        try:
            done = subprocess.run([self.executable] + list(arguments), env=self.env,
                                  capture_output=True, text=True, timeout=timeout,
                                  preexec_fn=_die_with_parent)
        except subprocess.TimeoutExpired:
            return None
        return done.returncode, done.stderr

    def close(self):
        status = stop(self.process)
        self.stderr_file.close()
        shutil.rmtree(self.root, ignore_errors=True)
        return status


def resident_kib(pid, field="VmRSS"):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def proportional_kib(pid):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as rollup:
            for line in rollup:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def process_tree(pid):
    return [pid] + _descendants(pid)


# Accessibility ------------------------------------------------------------------------------------


class Accessibility:
    """Reads Verdolin's window through AT-SPI on the session's accessibility bus."""

    def __init__(self):
        import pyatspi  # Debian's python3-pyatspi: only the system interpreter has it

        self.pyatspi = pyatspi

    def application(self, name):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            try:
                child = desktop.getChildAtIndex(index)
                if child is not None and child.name == name:
                    return child
            except Exception:  # an application that left meanwhile
                continue
        return None

    def find(self, root, predicate, limit=2000):
        """The first object under `root`, breadth first, that `predicate` accepts."""
        queue, seen = [root], 0
        while queue and seen < limit:
            node = queue.pop(0)
            seen += 1
            try:
                if predicate(node):
                    return node
                queue.extend(node.getChildAtIndex(i) for i in range(node.childCount))
            except Exception:
                continue
        return None

    def named_text(self, application, name):
        """The text object called `name`, found afresh: Qt rebuilds the tree when it reshows."""
        def is_named_text(node):
            if node is None or node.name != name:
                return False
            try:
                node.queryText()
                return True
            except NotImplementedError:
                return False
        return self.find(application, is_named_text)

    @staticmethod
    def text_of(node):
        try:
            return node.queryText().getText(0, -1)
        except Exception:
            return None

    def window(self, application, title):
        roles = (self.pyatspi.ROLE_FRAME, self.pyatspi.ROLE_WINDOW)
        for index in range(application.childCount):
            try:
                child = application.getChildAtIndex(index)
                if child is not None and child.getRole() in roles and child.name == title:
                    return child
            except Exception:
                continue
        return None

    def extents(self, node):
        box = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        return (box.x, box.y, box.width, box.height)
