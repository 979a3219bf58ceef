#!/usr/bin/env python3
"""One press of START in the real Seqget window, timed from the click to the log line.

    bench/press.py --pid <seqget> --xserver <Xvfb pid> --log <Seqget.log> --url <last URL>

Prints one line: seconds from the click to the log line, then the CPU time in
milliseconds that the program and the X server used in between, then the
program's peak resident memory in KiB:

    0.412 cpu=310 xcpu=60 rss=48212

The click and the wait for the log share this process's clock. The button
acts on the release (Qt's clicked()), so the clock starts at the release; the
press itself goes out 30 ms before, as a real click's would. Both go through
libxdo, xdotool's own library, with the pointer placed on the button first, so
no process start-up of xdotool sits inside the figure. The log is watched with
inotify and re-read at least every 2 ms, so the end is seen within that.

The run's end is the log line the program appends, "<last URL>,"CR LF, which
it writes when the series is done, before it sets the button back to START.
"""

import argparse
import ctypes
import ctypes.util
import os
import select
import subprocess
import sys
import time

CLIENT_AREA = 418, 324  # the form's client area below the menu bar: width, height
START_BUTTON = 36, 220  # middle of the START button (x 0..72, y 200..240) in that area
IN_MODIFY, IN_CLOSE_WRITE, IN_MOVED_TO, IN_CREATE = 0x2, 0x8, 0x80, 0x100
POLL_SECONDS = 0.002
TICKS = os.sysconf("SC_CLK_TCK")


def fail(message):
    print(f"press.py: {message}", file=sys.stderr)
    sys.exit(1)


def xdotool(*args):
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    return result.stdout if result.returncode == 0 else None


def wait_until(limit, what, probe):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.02)
    fail(f"timed out after {limit} s waiting for {what}")


def cpu_ms(pid):
    """utime + stime of the whole process (all its threads, live or ended)."""
    with open(f"/proc/{pid}/stat") as stat:
        # The command name in field 2 may hold blanks; the fields after its ')' do not.
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000 // TICKS


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


class Inotify:
    """Wakes on any change in one folder; the caller looks at the file itself."""

    def __init__(self, folder):
        libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0 or libc.inotify_add_watch(
                self.fd, os.fsencode(folder),
                IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE) < 0:
            fail(f"inotify on {folder}: {os.strerror(ctypes.get_errno())}")

    def wait(self, seconds):
        if select.select([self.fd], [], [], seconds)[0]:
            try:
                while os.read(self.fd, 4096):
                    pass
            except BlockingIOError:
                pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid", type=int, required=True)
    parser.add_argument("--xserver", type=int, required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--url", required=True, help="the series' last URL, which the "
                        "run's log line names")
    parser.add_argument("--timeout", type=float, default=600)
    arguments = parser.parse_args()
    expected = f'"{arguments.url},"\r\n'.encode()

    def one_window():
        found = xdotool("search", "--onlyvisible", "--pid", str(arguments.pid),
                        "--name", "^Seqget$")
        ids = found.split() if found else []
        return ids[0] if len(ids) == 1 else None

    window = wait_until(30, "the Seqget window", one_window)
    # openbox hands the new window the focus; until then it may still be
    # placing or framing it, and a click could land on the move.
    wait_until(10, "the focus on the window",
               lambda: (xdotool("getwindowfocus") or "").strip() == window)
    geometry = dict(line.split("=", 1) for line in
                    xdotool("getwindowgeometry", "--shell", window).split())
    menu_height = int(geometry["HEIGHT"]) - CLIENT_AREA[1]
    if not 10 <= menu_height <= 60:
        fail(f"unexpected window height {geometry['HEIGHT']}")

    xdo_library = ctypes.CDLL(ctypes.util.find_library("xdo") or "libxdo.so.3")
    xdo_library.xdo_new.restype = ctypes.c_void_p
    xdo_library.xdo_new.argtypes = [ctypes.c_char_p]
    for name in ("xdo_mouse_down", "xdo_mouse_up"):
        getattr(xdo_library, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
    xdo_library.xdo_move_mouse_relative_to_window.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int]
    xdo = xdo_library.xdo_new(os.environ["DISPLAY"].encode())
    if not xdo:
        fail("libxdo could not open the display")
    xdo_library.xdo_move_mouse_relative_to_window(
        xdo, int(window), START_BUTTON[0], START_BUTTON[1] + menu_height)
    # The button's hover look is drawn before the clock starts.
    time.sleep(0.3)

    folder = os.path.dirname(os.path.abspath(arguments.log))
    watch = Inotify(folder)

    def ended():
        try:
            with open(arguments.log, "rb") as log:
                return expected in log.read()
        except FileNotFoundError:
            return False

    if ended():
        fail(f"{arguments.log} already holds the end line before the press")

    cpu_before, x_before = cpu_ms(arguments.pid), cpu_ms(arguments.xserver)
    # 0 is xdo's CURRENTWINDOW: a plain pointer event wherever the pointer is.
    xdo_library.xdo_mouse_down(xdo, 0, 1)
    time.sleep(0.03)
    pressed = time.perf_counter()
    xdo_library.xdo_mouse_up(xdo, 0, 1)
    deadline = pressed + arguments.timeout
    while not ended():
        if time.perf_counter() > deadline:
            fail(f"no end line in {arguments.log} within {arguments.timeout:.0f} s of the press")
        watch.wait(POLL_SECONDS)
    seen = time.perf_counter()
    cpu_after, x_after = cpu_ms(arguments.pid), cpu_ms(arguments.xserver)
    print(f"{seen - pressed:.4f} cpu={cpu_after - cpu_before} xcpu={x_after - x_before} "
          f"rss={peak_rss_kib(arguments.pid)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
