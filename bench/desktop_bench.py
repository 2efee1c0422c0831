#!/usr/bin/python3
"""The desktop application on a private Xvfb with openbox, against GoldenDict in the same run.

    desktop_bench.py --verdolin PATH [--rounds 30] [--cold-rounds 30] [--starts 10]

Measures:
  * shortcut to translation: from the XTest key press (Ctrl+Alt+T, sent through libXtst so the
    press time is known to the microsecond) until the window is mapped and AT-SPI reads the
    finished translation in the result pane, polled every 3 ms. Warm: eng->spa translated just
    before, a different sentence each round. Cold: the first press after a fresh start, once the
    start-up has gone idle (the window already exists, shown at start without a tray; the eng-spa
    translation pipeline starts on this press), verdolin restarted between rounds.
  * start: from starting the process until its first window maps (a private HOME each time, the
    settings of a finished set-up for verdolin, none for GoldenDict). Xvfb has no tray host, so
    the tray cannot be timed; verdolin shows its window after setting up the tray.
  * memory: VmRSS and PSS at idle after start (no translation yet), after a login start (in the
    tray, no window built yet), and of verdolin's whole
    process tree (it and its Apertium pipelines) with the warm pair.
Runs under its own session bus, like the end-to-end test, and leaves no process behind.
"""

import argparse
import ctypes
import os
import statistics
import subprocess
import sys
import tempfile
import shutil
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "e2e"))
import desktop_session as ds  # noqa: E402

SENTENCES = [
    "The weather is nice today.", "My brother works in a big hospital.",
    "We want to visit the old city.", "The children are playing in the garden.",
    "She reads a book every evening.", "The train arrives at eight o'clock.",
    "I need a new pair of shoes.", "The water in the lake is cold.",
    "They bought a small house last year.", "Our teacher speaks three languages.",
    "The shop closes early on Sunday.", "He drinks coffee with milk.",
    "The museum is next to the park.", "We cooked dinner for our friends.",
    "The road to the village is long.", "My sister has a red car.",
    "The students write a letter to the mayor.", "It rains a lot in the winter.",
    "The doctor gave me some medicine.", "I like to walk by the river.",
    "The library opens at nine.", "Their dog sleeps under the table.",
    "The music was very loud last night.", "We need more time for this work.",
    "The bread from this bakery is fresh.", "My father plays the guitar.",
    "The window of the kitchen is open.", "She found her keys in the bag.",
    "The company sells cheap computers.", "The sun sets behind the mountains.",
]
WARM_UP = "The cat is sleeping on the chair."


class XTest:
    """Key presses through libXtst, timed at the flush that sends them."""

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the X display")

    def keycode(self, name):
        return self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(name.encode()))

    def press(self, *names):
        """Presses the keys in order and releases them in reverse; the time of the press."""
        codes = [self.keycode(name) for name in names]
        for code in codes:
            self.xtst.XTestFakeKeyEvent(self.display, code, 1, 0)
        pressed = time.monotonic()
        self.x11.XFlush(self.display)
        for code in reversed(codes):
            self.xtst.XTestFakeKeyEvent(self.display, code, 0, 0)
        self.x11.XSync(self.display, 0)
        return pressed


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
    return [pid] + ds.descendants(pid)


def windows_of(pid):
    found = ds.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], 5) or ""
    return [int(window) for window in found.split()]


def stop(process, grace=3):
    process.terminate()
    try:
        process.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def median_ms(values):
    return statistics.median(values) * 1000 if values else float("nan")


def _cpu_ticks(pid, with_reaped=False):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
    except OSError:
        return 0
    ticks = int(fields[11]) + int(fields[12])
    return ticks + int(fields[13]) + int(fields[14]) if with_reaped else ticks


def wait_idle(pid, timeout=30, window=1.0, ticks=2):
    """Waits until the process and its children (the package queries verdolin runs at start)
    used at most `ticks` clock ticks of CPU in `window` seconds; False when they were still busy
    at the deadline (GoldenDict keeps a timer running)."""
    def cpu():
        if not os.path.exists(f"/proc/{pid}"):
            return None
        return _cpu_ticks(pid, True) + sum(_cpu_ticks(child) for child in process_tree(pid)[1:])
    state = {"value": cpu(), "since": time.monotonic()}

    def settled():
        if time.monotonic() - state["since"] < window:
            return False
        now = cpu()
        quiet = now is not None and now - state["value"] <= ticks
        state["value"], state["since"] = now, time.monotonic()
        return quiet
    return bool(ds.poll_until(settled, timeout, 0.1))


def tree_memory(pid):
    pids = process_tree(pid)
    return (sum(resident_kib(p) for p in pids), sum(proportional_kib(p) for p in pids),
            len(pids))


class Started:
    """A program started in a private HOME, timed to its first mapped window."""

    def __init__(self, command, extra_env=None, wait_window=True):
        self.root = tempfile.mkdtemp(prefix="desktop-bench-")
        env = dict(os.environ)
        for variable in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                         "XDG_RUNTIME_DIR"):
            env[variable] = os.path.join(self.root, variable.lower())
            os.mkdir(env[variable], 0o700)
        env.update({"QT_QPA_PLATFORM": "xcb", "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"})
        env.update(extra_env or {})
        self.env = env
        self.started = time.monotonic()
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL,
                                        preexec_fn=ds._die_with_parent)
        self.window = (ds.poll_until(lambda: windows_of(self.process.pid), 30, 0.003)
                       if wait_window else None)
        self.seconds = time.monotonic() - self.started if self.window else None

    def close(self):
        stop(self.process)
        shutil.rmtree(self.root, ignore_errors=True)


def onboarded_settings():
    """A temporary folder with the settings of a finished set-up, and the environment that
    points verdolin at them."""
    root = tempfile.mkdtemp(prefix="desktop-bench-settings-")
    folder = os.path.join(root, "xdg_config_home", "verdolin")
    os.makedirs(folder, 0o700, exist_ok=True)
    with open(os.path.join(folder, "com.korvane.verdolin.json"), "w") as file:
        # No update check: the start is timed, not the network.
        file.write('{"onboardingDone": true, "updateFrequency": "never"}')
    return root, {"XDG_CONFIG_HOME": os.path.join(root, "xdg_config_home")}


def measure_starts(args):
    """Alternates the two programs so that both see the same machine."""
    times = {"verdolin": [], "goldendict": []}
    memory = {"verdolin": [], "goldendict": []}
    for round_index in range(args.starts):
        print(f"starts {round_index + 1}/{args.starts}", file=sys.stderr, flush=True)
        for name, command in (("verdolin", [args.verdolin]), ("goldendict", ["goldendict"])):
            if name == "verdolin":
                # Set up as after the first start, so the ordinary window comes up.
                root, extra = onboarded_settings()
            else:
                root, extra = None, None
            started = Started(command, extra)
            try:
                if started.seconds is None:
                    print(f"{name}: no window within 30 s", flush=True)
                    continue
                times[name].append(started.seconds)
                # Idle memory from the first few starts is enough.
                if round_index < 3:
                    if not wait_idle(started.process.pid):
                        print(f"{name}: still busy 30 s after its window mapped", file=sys.stderr)
                    memory[name].append((resident_kib(started.process.pid),
                                         proportional_kib(started.process.pid)))
            finally:
                started.close()
                if root:
                    shutil.rmtree(root, ignore_errors=True)
    # A login start stays in the tray: the window is built on the first shortcut press.
    memory["login"] = []
    for _ in range(3):
        root, extra = onboarded_settings()
        started = Started([args.verdolin, "--login"], extra, wait_window=False)
        try:
            if wait_idle(started.process.pid):
                memory["login"].append((resident_kib(started.process.pid),
                                        proportional_kib(started.process.pid)))
        finally:
            started.close()
            shutil.rmtree(root, ignore_errors=True)
    return times, memory


class LatencyRun:
    """One verdolin, read through AT-SPI, pressed through XTest."""

    def __init__(self, args, xtest):
        self.xtest = xtest
        # No update check: the latency is timed, not the network.
        self.verdolin = ds.Session(args.verdolin,
                                   settings={"onboardingDone": True, "updateFrequency": "never"})
        found = ds.poll_until(lambda: windows_of(self.verdolin.pid), 30, 0.01)
        if not found:
            raise RuntimeError("verdolin showed no window at start")
        self.window = found[0]
        self.verdolin.application()
        ds.poll_until(lambda: self.verdolin.pane("Translation") is not None, 10, 0.02)
        self.hide()

    def hide(self):
        if windows_of(self.verdolin.pid):
            ds.run(["xdotool", "windowactivate", "--sync", str(self.window)])
            ds.run(["xdotool", "key", "Escape"])
            ds.poll_until(lambda: not windows_of(self.verdolin.pid), 10, 0.01)

    def translate(self, text, expected):
        """Seconds from the press to the mapped window with `expected`; None on a timeout."""
        try:
            ds.set_primary(text)
        except ds.Failure:
            return None
        pressed = self.xtest.press("Control_L", "Alt_L", "t")
        seen = {}

        def finished():
            seen["text"] = self.verdolin.pane("Translation")  # found afresh when it went away
            # Apertium itself puts a space before some sentences ("We ..." -> " Queremos").
            done = seen["text"] is not None and seen["text"].strip() == expected.strip()
            return time.monotonic() if done else None
        done = ds.poll_until(finished, 20, 0.003)
        if done is None:
            print(f"  {text!r}: expected {expected!r}, saw {seen.get('text')!r}", flush=True)
            return None
        # Normally mapped long before; if not, the map is what finishes the round.
        if windows_of(self.verdolin.pid):
            return done - pressed
        mapped = ds.poll_until(lambda: windows_of(self.verdolin.pid) and
                               time.monotonic(), 5, 0.003)
        return mapped - pressed if mapped else None

    def close(self):
        self.verdolin.close()


def translations(texts):
    lines = ds.run(["apertium", "-u", "eng-spa"], input_text="\n".join(texts) + "\n",
                   timeout=120) or ""
    result = [line.strip() for line in lines.split("\n")][:len(texts)]
    if len(result) != len(texts):
        raise RuntimeError("apertium returned fewer lines than it was given")
    return result


def measure_latency(args, xtest):
    expected = dict(zip([WARM_UP] + SENTENCES, translations([WARM_UP] + SENTENCES)))
    cold = []
    for round_index in range(args.cold_rounds):
        run = LatencyRun(args, xtest)
        try:
            # Pressed once the start is over, so that only the pipeline is cold.
            wait_idle(run.verdolin.pid)
            text = SENTENCES[round_index % len(SENTENCES)]
            seconds = run.translate(text, expected[text])
            if seconds is not None:
                cold.append(seconds)
            print(f"cold {round_index + 1}/{args.cold_rounds}", file=sys.stderr, flush=True)
        finally:
            run.close()

    warm, tree = [], None
    run = LatencyRun(args, xtest)
    try:
        run.translate(WARM_UP, expected[WARM_UP])
        run.hide()
        for round_index in range(args.rounds):
            text = SENTENCES[round_index % len(SENTENCES)]
            seconds = run.translate(text, expected[text])
            if seconds is not None:
                warm.append(seconds)
            run.hide()
        wait_idle(run.verdolin.pid)
        tree = tree_memory(run.verdolin.pid)
    finally:
        run.close()
    return cold, warm, tree


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--verdolin", required=True)
    parser.add_argument("--rounds", type=int, default=30)
    parser.add_argument("--cold-rounds", type=int, default=30)
    parser.add_argument("--starts", type=int, default=10)
    args = parser.parse_args()
    ds.start_desktop()
    try:
        times, memory = measure_starts(args)
        os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        cold, warm, tree = measure_latency(args, XTest())
    finally:
        ds.stop_desktop()

    def ratio(a, b):
        return f"{a / b:.2f}" if a == a and b and b == b else "-"
    start_v, start_g = median_ms(times["verdolin"]), median_ms(times["goldendict"])
    rss_v = statistics.median(m[0] for m in memory["verdolin"]) if memory["verdolin"] else 0
    rss_g = statistics.median(m[0] for m in memory["goldendict"]) if memory["goldendict"] else 0
    pss_v = statistics.median(m[1] for m in memory["verdolin"]) if memory["verdolin"] else 0
    pss_g = statistics.median(m[1] for m in memory["goldendict"]) if memory["goldendict"] else 0
    print()
    print(f"{'measure':44} {'verdolin':>10} {'goldendict':>11} {'ratio':>6}")
    print(f"{'start to first window, median ms':44} {start_v:10.0f} {start_g:11.0f} "
          f"{ratio(start_v, start_g):>6}   (n={len(times['verdolin'])}/"
          f"{len(times['goldendict'])})")
    print(f"{'idle after start, VmRSS MiB':44} {rss_v / 1024:10.1f} {rss_g / 1024:11.1f} "
          f"{ratio(rss_v, rss_g):>6}")
    print(f"{'idle after start, PSS MiB':44} {pss_v / 1024:10.1f} {pss_g / 1024:11.1f} "
          f"{ratio(pss_v, pss_g):>6}")
    if memory["login"]:
        print(f"{'idle after a login start, VmRSS / PSS MiB':44} "
              f"{statistics.median(m[0] for m in memory['login']) / 1024:10.1f} {'':>11} "
              f"{'':>6}   (PSS {statistics.median(m[1] for m in memory['login']) / 1024:.1f}, "
              f"no window yet)")
    print(f"{'shortcut to translation, warm, median ms':44} {median_ms(warm):10.0f} "
          f"{'':>11} {'':>6}   (n={len(warm)}, min {min(warm, default=0) * 1000:.0f}, "
          f"max {max(warm, default=0) * 1000:.0f})")
    print(f"{'shortcut to translation, cold, median ms':44} {median_ms(cold):10.0f} "
          f"{'':>11} {'':>6}   (n={len(cold)}, min {min(cold, default=0) * 1000:.0f}, "
          f"max {max(cold, default=0) * 1000:.0f})")
    if tree:
        print(f"{'warm pair, process tree VmRSS / PSS MiB':44} {tree[0] / 1024:10.1f} "
              f"{'':>11} {'':>6}   (PSS {tree[1] / 1024:.1f}, {tree[2]} processes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
