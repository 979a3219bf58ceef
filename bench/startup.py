#!/usr/bin/env python3
"""Start-up time of Seqget: from the start of the process to its window on screen.

    bench/startup.py <path to seqget> [runs] [--baseline <bare Qt window>]

The program is timed from outside, so it runs exactly as a user starts it:
the clock starts just before the process is created (fork and exec are
counted) and stops when the X server maps the window titled "Seqget". The
window is shown by the program's show() call, which sends the map request, so
the figure includes the first show event and the few microseconds the map
request takes to reach the server; nothing is polled.

Each run has its own Xvfb-backed session state: a settings file as a save
leaves it (a job and a temporary download folder), fresh data and runtime
folders; the font cache folder is shared between runs, as on a real desktop
after the first start. No window manager runs, so its reaction time (framing,
placing) does not count; a desktop's compositor would add its own. One
unrecorded warm-up run first, since the very first start after a build pays
for loading the libraries from disk; its time is printed separately.
"""

import argparse
import ctypes
import ctypes.util
import os
import random
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
WINDOW_TITLE = b"Seqget"


class Display:
    """The few Xlib calls needed to hear a top-level window being mapped."""

    def __init__(self, name):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                      ctypes.POINTER(ctypes.c_char_p)]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(name.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open display {name}")
        # Without a window manager a top-level window is a child of the root,
        # so its MapNotify arrives through the root's substructure events.
        self.x.XSelectInput(self.dpy, self.x.XDefaultRootWindow(self.dpy),
                            SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XFlush(self.dpy)
        self.fd = self.x.XConnectionNumber(self.dpy)
        # XEvent is a union of 24 longs.
        self.event = ctypes.create_string_buffer(24 * ctypes.sizeof(ctypes.c_long))

    def title(self, window):
        name = ctypes.c_char_p()
        if not self.x.XFetchName(self.dpy, window, ctypes.byref(name)) or not name.value:
            return b""
        value = name.value
        self.x.XFree(ctypes.cast(name, ctypes.c_void_p))
        return value

    def mapped_windows(self):
        """Windows mapped since the last call, in order."""
        found = []
        while self.x.XPending(self.dpy):
            self.x.XNextEvent(self.dpy, self.event)
            kind = ctypes.c_int.from_buffer(self.event, 0).value
            if kind == MAP_NOTIFY:
                # XMapEvent: type, serial, send_event, display, event, window.
                offset = 4 * ctypes.sizeof(ctypes.c_long) + ctypes.sizeof(ctypes.c_void_p)
                found.append(ctypes.c_ulong.from_buffer(self.event, offset).value)
        return found

    def wait_for_title(self, title, deadline):
        """Time at which a window with this title was mapped, or None."""
        while time.perf_counter() < deadline:
            for window in self.mapped_windows():
                if self.title(window) == title:
                    return time.perf_counter()
            select.select([self.fd], [], [], max(0.0, deadline - time.perf_counter()))
        return None

    def close(self):
        self.x.XCloseDisplay(self.dpy)


def start_xvfb(work):
    """An Xvfb on a display number picked at random among many, so that runs side
    by side rarely try the same one; a server that loses the race for its lock
    exits, and the next number is tried. -noreset keeps the server from resetting
    (and briefly refusing connections) whenever its last client, the probe, leaves."""
    log = open(os.path.join(work, "xvfb.log"), "a")
    for _ in range(10):
        number = random.randrange(200, 1000)
        if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
            continue
        xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp", "-noreset"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=log)
        deadline = time.monotonic() + 10
        while xvfb.poll() is None and time.monotonic() < deadline:
            probe = subprocess.run(["xprop", "-display", f":{number}", "-root"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if probe.returncode == 0:
                return xvfb, f":{number}"
            time.sleep(0.05)
        xvfb.kill()
        xvfb.wait()
    raise RuntimeError("Xvfb did not start")


def session(work, run, display):
    home = os.path.join(work, f"run{run}")
    config = os.path.join(home, "config", "Seqget")
    download = os.path.join(home, "download")
    runtime = os.path.join(home, "runtime")
    for folder in (config, download, runtime):
        os.makedirs(folder, mode=0o700)
    with open(os.path.join(config, "Seqget.conf"), "w") as settings:
        settings.write(
            "[STARTUP]\nFORM_LEFT=1500\nFORM_TOP=1500\nURL=http://127.0.0.1:18080/\n"
            "FLD=images\nFNTOP=hana\nEXT=jpg\nKETA=1\nSTART=1\nSTOP=8\nPCFLD=\nSYNC=1\n"
            f"PCPATH={download}\nAUTO=True\nPROXY=False\nBEEP=True\nLOG=True\n"
            "PROXYIP=127.0.0.1\nPORT=8080\n")
    env = {key: value for key, value in os.environ.items()
           if not key.lower().endswith("_proxy") and not key.startswith(("QT_", "XDG_"))}
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"),
               XDG_CACHE_HOME=os.path.join(work, "cache"), XDG_RUNTIME_DIR=runtime,
               DISPLAY=display, QT_QPA_PLATFORM="xcb", NO_AT_BRIDGE="1",
               # Fails at once instead of auto-launching a session bus.
               DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(work, "no-bus"))
    return env, home


def time_one(program, env, home, display):
    started = time.perf_counter()
    process = subprocess.Popen([program], env=env, cwd=home, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mapped = display.wait_for_title(WINDOW_TITLE, started + 30)
    cpu = cpu_milliseconds(process.pid)
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    # Whatever the closing window produced belongs to no later run.
    time.sleep(0.1)
    display.mapped_windows()
    if mapped is None:
        raise RuntimeError("the window did not appear within 30 s")
    return (mapped - started) * 1000.0, cpu


def cpu_milliseconds(pid):
    """CPU time the process (all its threads) has used so far; None if unknown.
    Unlike the wall time it hardly depends on what else the machine is doing."""
    total = 0
    try:
        for thread in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{thread}/schedstat") as stat:
                total += int(stat.read().split()[0])
    except (OSError, ValueError, IndexError):
        return None
    return total / 1e6


def report(label, measured, warm_up):
    figures = sorted(wall for wall, _ in measured)
    cpu = sorted(used for _, used in measured if used is not None)
    quartiles = statistics.quantiles(figures, n=4) if len(figures) > 1 else figures * 3
    print(f"{label}:")
    print("  runs (ms, sorted): " + ", ".join(f"{value:.1f}" for value in figures))
    print(f"  median {statistics.median(figures):.1f} ms, min {figures[0]:.1f} ms, "
          f"max {figures[-1]:.1f} ms, interquartile range {quartiles[2] - quartiles[0]:.1f} ms")
    if cpu:
        print(f"  CPU time used by then: median {statistics.median(cpu):.1f} ms "
              f"(min {cpu[0]:.1f}, max {cpu[-1]:.1f})")
    print(f"  unrecorded warm-up run: {warm_up:.1f} ms")


def main():
    parser = argparse.ArgumentParser(description="Start-up time of Seqget, process start to "
                                     "window mapped.")
    parser.add_argument("seqget", help="the program to time")
    parser.add_argument("runs", nargs="?", type=int, default=10, help="timed runs (default 10)")
    parser.add_argument("--baseline", help="a bare Qt Widgets window titled Seqget, timed in "
                        "turn with the program: the floor that Qt and X set on this machine")
    arguments = parser.parse_args()
    programs = [("Seqget", os.path.abspath(arguments.seqget))]
    if arguments.baseline:
        programs.append(("Bare Qt window (baseline)", os.path.abspath(arguments.baseline)))
    for _, program in programs:
        if not os.access(program, os.X_OK):
            parser.error(f"not an executable: {program}")

    measured = {label: [] for label, _ in programs}
    warm_up = {}
    with tempfile.TemporaryDirectory(prefix="seqget-startup.") as work:
        xvfb, name = start_xvfb(work)
        try:
            display = Display(name)
            load = os.getloadavg()[0]
            run = 0
            for label, program in programs:
                warm_up[label] = time_one(program, *session(work, run, name), display)[0]
                run += 1
            # Taken in turn, so that a change in the machine's load over the
            # runs weighs on both alike.
            for _ in range(arguments.runs):
                for label, program in programs:
                    measured[label].append(time_one(program, *session(work, run, name), display))
                    run += 1
            display.close()
        finally:
            xvfb.terminate()
            xvfb.wait(timeout=10)
    print(f"Start-up, process start to window mapped ({arguments.runs} runs each, Xvfb, "
          f"no window manager; load average before: {load:.2f} on {os.cpu_count()} CPUs)")
    for label, _ in programs:
        report(label, measured[label], warm_up[label])
    return 0


if __name__ == "__main__":
    sys.exit(main())
