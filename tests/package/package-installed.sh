#!/usr/bin/env bash
# Installs the Debian package that package-build.sh made and drives the
# installed program in a real X session (Xvfb + openbox) with xdotool:
#   - its window comes up;
#   - ﾍﾙﾌﾟ → 使い方 (Alt+H, U) hands the browser opener the installed usage
#     page, the same page as the source tree's;
#   - ﾌｧｲﾙ → 終了 (Alt+F, X) ends it with status 0;
#   - under a headless Wayland compositor (weston) with no X server, with
#     Qt's Wayland plugin, which the package recommends, it shows its window
#     natively and ends on SIGTERM without a crash.
# Where it is installed: into the system with apt when CI runs as root (and
# removed again afterwards unless it was installed before), so that apt also
# resolves its dependencies; else unpacked into a scratch root, with apt only
# simulating the install.
#
#   package-installed.sh <folder holding the package> <source usage page>
#
# Exit 0 passed, 1 failed, 77 skipped (a tool is missing, or package_build was
# skipped and left no package; without weston or, outside CI, without
# qt6-wayland, the X11 checks run and the test still reports a skip).
set -euo pipefail

dir="${1:-}"
source_page="${2:-}"
if [ ! -d "$dir" ] || [ ! -f "$source_page" ]; then
    echo "usage: $0 <folder holding the package> <source usage page>" >&2
    exit 2
fi

for tool in Xvfb openbox xdotool xprop dpkg-deb apt-get python3 cmp; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh test installs it)"
        exit 77
    fi
done
debs=("$dir"/seqget_*.deb)
if [ ! -f "${debs[0]}" ]; then
    echo "SKIP: no package in $dir (package_build was skipped)"
    exit 77
fi
deb="$(cd "$dir" && pwd)/$(basename "${debs[0]}")"

python=python3
if [ -x /usr/bin/python3 ]; then
    python=/usr/bin/python3
fi
work="$(mktemp -d "${TMPDIR:-/tmp}/seqget-package-installed.XXXXXX")"
started=$SECONDS
. "$(dirname "$0")/../support/x-session.sh"
declare -a pids=()
remove_package=no

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
        echo "--- seqget's output" >&2
        cat "$work/seqget.log" >&2 2>/dev/null || true
    fi
    stop_started
    if [ "$remove_package" = yes ]; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=120 seqget \
            >/dev/null 2>&1 || echo "warning: seqget could not be removed again" >&2
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

say() { printf '[%3ds] %s\n' $((SECONDS - started)) "$*"; }

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

wait_for() { # wait_for <seconds> <what> <command...>
    until_true "$1" "${@:3}" || fail "timed out after ${1}s waiting for $2"
}

# --- install -----------------------------------------------------------------

if [ "$(id -u)" -eq 0 ] && [ "${CI:-}" = "true" ]; then
    dpkg-query -W -f='${Status}' seqget 2>/dev/null | grep -q 'install ok installed' ||
        remove_package=yes
    # The other Recommends (xdg-utils) would only add to the machine: the
    # opener is replaced below anyway.
    # qt6-wayland is recommended too and the Wayland start below needs it.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=120 "$deb" qt6-wayland >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt-get cannot install $deb"; }
    prefix=""
    say "installed into the system with apt"
else
    # Not root, or not CI: the machine is left as it was. apt still has to
    # find every dependency, which is what an install would ask of it.
    apt-get -s -qq install "$deb" >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt-get cannot resolve the dependencies of $deb"; }
    prefix="$work/root"
    dpkg-deb -x "$deb" "$prefix" || fail "dpkg-deb cannot unpack $deb"
    say "unpacked into $prefix"
fi
program="$prefix/usr/bin/seqget"
# Where the package puts the page; whether the program finds it there is
# what the help menu shows below.
installed_page="$prefix/usr/share/seqget/usage/index.html"
[ -x "$program" ] || fail "the package installed no $program"

# --- X display and window manager --------------------------------------------

start_x_session || { cat "$work/xvfb.log" "$work/openbox.log" >&2; fail "no X display with openbox"; }
say "display $DISPLAY with openbox"

# --- the installed program -----------------------------------------------------

# Without a desktop, Qt hands a local file to the first xdg-open on PATH.
# This one only writes down what it was given, as a browser would be asked.
mkdir -p "$work/opener" "$work/config" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
opened="$work/opened.txt"
cat >"$work/opener/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >>"$opened"
EOF
chmod +x "$work/opener/xdg-open"

env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_ENABLE_HIGHDPI_SCALING -u BROWSER \
    PATH="$work/opener:$PATH" \
    HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" NO_AT_BRIDGE=1 \
    QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
    "$program" </dev/null >"$work/seqget.log" 2>&1 &
seqget_pid=$!
pids+=("$seqget_pid")

seqget_windows() { xdotool search --onlyvisible --pid "$seqget_pid" --name '^Seqget$' 2>/dev/null; }
one_window() { [ "$(seqget_windows | wc -l)" -eq 1 ]; }
wait_for 15 "the window of the installed program" one_window
main="$(seqget_windows || true)"
focused_on() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
wait_for 10 "the focus on the window" focused_on "$main"
say "window $main is up"

any_popup() { xdotool search --onlyvisible --pid "$seqget_pid" 2>/dev/null | grep -vx "$main" | grep -q .; }
menu() { # menu <access key of the menu> <access key of the entry>
    xdotool key --clearmodifiers "alt+$1"
    wait_for 10 "the menu behind alt+$1" any_popup
    xdotool key "$2"
}

menu h u
# The program opens nothing when it finds no usage page beside it or in the
# installed share folder.
wait_for 10 "the usage page to be handed to xdg-open" test -s "$opened"
say "xdg-open was given: $(cat "$opened")"

# One argument, a file URL, naming the installed page (however the path is
# spelt) with the source tree's content.
[ "$(wc -l <"$opened")" -eq 1 ] || fail "xdg-open was called $(wc -l <"$opened") times or with several arguments"
url="$(cat "$opened")"
path="$("$python" -c 'import sys, urllib.parse as u
p = u.urlsplit(sys.argv[1])
print(u.unquote(p.path) if p.scheme == "file" and p.netloc in ("", "localhost") else "")' "$url")"
[ -n "$path" ] || fail "xdg-open was given '$url', which is not a local file URL"
[ "$(readlink -f "$path")" = "$(readlink -f "$installed_page")" ] ||
    fail "the usage page opened is $path, not the installed $installed_page"
cmp -s "$installed_page" "$source_page" || fail "the installed usage page differs from $source_page"

menu f x
exited() { ! kill -0 "$seqget_pid" 2>/dev/null; }
wait_for 10 "the program to exit" exited
status=0
wait "$seqget_pid" || status=$?
[ "$status" -eq 0 ] || fail "seqget exited with status $status"
say "program exited"

# --- Wayland, no X server ------------------------------------------------------

# A Wayland session without Xwayland has no X server to fall back to: the
# program aborts there unless Qt's Wayland plugin is installed.
recommends="$(dpkg-deb -f "$deb" Recommends)"
grep -qw qt6-wayland <<<"$recommends" || fail "the package does not recommend qt6-wayland (Recommends: $recommends)"
if ! command -v weston >/dev/null; then
    echo "SKIP: weston is not installed, the start under Wayland was not tried (scripts/install-deps.sh test installs it)"
    exit 77
fi
if ! dpkg-query -W -f='${Status}' qt6-wayland 2>/dev/null | grep -q 'install ok installed'; then
    echo "SKIP: qt6-wayland is not installed, the start under Wayland was not tried (scripts/install-deps.sh test installs it)"
    exit 77
fi

wl_runtime="$work/wayland-runtime"
mkdir -m 700 "$wl_runtime"
socket="seqget-test-$$"
env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$wl_runtime" \
    weston --backend=headless-backend.so --socket="$socket" --idle-time=0 \
    --log="$work/weston.log" </dev/null >>"$work/weston.out" 2>&1 &
pids+=($!)
wait_for 10 "weston's socket" test -S "$wl_runtime/$socket"
say "weston (headless) on $socket"

# No DISPLAY: a fallback to X would fail rather than pass. WAYLAND_DEBUG
# writes down every request the program makes of the compositor.
env -u DISPLAY -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_ENABLE_HIGHDPI_SCALING \
    HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$wl_runtime" WAYLAND_DISPLAY="$socket" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" NO_AT_BRIDGE=1 \
    QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 LC_ALL=C.UTF-8 \
    "$program" </dev/null >"$work/seqget.log" 2>&1 &
seqget_pid=$!
pids+=("$seqget_pid")

# Shown, as the compositor sees it: a toplevel titled "Seqget" whose surface,
# after the compositor's first configure was acknowledged, got a buffer and
# was committed.
window_shown() {
    "$python" - "$work/seqget.log" <<'PY'
import re, sys
toplevel_of, surface_of, title, acked, shown = {}, {}, {}, set(), set()
for line in open(sys.argv[1], errors="replace"):
    if m := re.search(r"-> xdg_wm_base@\d+\.get_xdg_surface\(new id xdg_surface@(\d+), wl_surface@(\d+)\)", line):
        surface_of[m[1]] = m[2]
    elif m := re.search(r"-> xdg_surface@(\d+)\.get_toplevel\(new id xdg_toplevel@(\d+)\)", line):
        toplevel_of[m[2]] = m[1]
    elif m := re.search(r'-> xdg_toplevel@(\d+)\.set_title\("(.*)"\)', line):
        title[m[1]] = m[2]
    elif m := re.search(r"-> xdg_surface@(\d+)\.ack_configure", line):
        acked.add(surface_of.get(m[1]))
    elif m := re.search(r"-> wl_surface@(\d+)\.attach\(wl_buffer@", line):
        if m[1] in acked:
            shown.add(m[1])
ok = any(t == "Seqget" and surface_of.get(toplevel_of.get(top)) in shown for top, t in title.items())
sys.exit(0 if ok else 1)
PY
}
alive() { kill -0 "$seqget_pid" 2>/dev/null; }
until_true 15 window_shown || {
    alive || fail "the program ended under Wayland (status: $(wait "$seqget_pid"; echo $?))"
    fail "no window titled Seqget was shown under Wayland"
}
say "window shown under Wayland"
# Still up a moment later: no late abort once the window is out.
sleep 1
alive || fail "the program ended after showing its window under Wayland"

# Nothing can press a menu on a headless weston; SIGTERM is how a session
# ends the program. It must end by that signal, promptly, without a crash.
kill -TERM "$seqget_pid"
wait_for 10 "the program to end on SIGTERM" exited
status=0
wait "$seqget_pid" || status=$?
[ "$status" -eq 143 ] || fail "under Wayland, seqget ended with status $status on SIGTERM, not by the signal"
if grep -v '^\[\|^ ' "$work/seqget.log" | grep -qiE 'qt\.qpa|error|fatal'; then
    grep -v '^\[\|^ ' "$work/seqget.log" >&2
    fail "Qt complained under Wayland"
fi
say "program ended under Wayland; all checks passed"
exit 0
