#!/usr/bin/env bash
# Starts Seqget under a virtual X display with a Japanese font and a window
# manager, and saves a picture of its window (default: docs/screenshot.png).
# Uses a throw-away settings folder, so the window shows the first-start values.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SEQGET_BUILD_DIR:-$root/build}"
out="${1:-$root/docs/screenshot.png}"
mkdir -p "$(dirname "$out")"

for tool in Xvfb openbox import xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh test" >&2; exit 1; }
done
[ -x "$build/seqget" ] || SEQGET_BUILD_DIR="$build" "$root/scripts/build.sh"

work="$(mktemp -d)"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

display=99
while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
export DISPLAY=":$display"
Xvfb "$DISPLAY" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
# Wait until the window manager has taken over, or it will not frame the window.
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_CONFIG_HOME/Seqget"
printf '[STARTUP]\nFORM_LEFT=1500\nFORM_TOP=1500\n' > "$XDG_CONFIG_HOME/Seqget/Seqget.conf"
"$build/seqget" >/dev/null 2>&1 &
pids+=($!)
window="$(timeout 20 xdotool search --sync --onlyvisible --class seqget | head -n 1)"
sleep 1
# The frame the window manager drew is the parent of the program's window.
frame="$(xwininfo -id "$window" -children | awk '/Parent window id/ {print $4}')"
import -window "$frame" "$out" 2>/dev/null || import -window "$window" "$out"
echo "$out"
