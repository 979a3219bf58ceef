#!/usr/bin/env bash
# Where the real window lands, under Xvfb + openbox, start after start:
#
#   seqget-placement.sh <path to seqget> [starts per scale] [scales] [busy loops]
#
# defaults: 20 starts, scales "1 2" (QT_SCALE_FACTOR), no busy loops. Busy loops
# are CPU-bound shell loops run beside the program for the whole check, as on
# a loaded machine.
#
# Every fourth start is a first start (no settings file: the frame belongs at
# 0,0); every other start reads the file the start before it saved. Each start:
#   1. the frame's top-left (the window manager's frame, read with xwininfo) is
#      at the stored position once the window is up, and still there a moment
#      later;
#   2. File > Save without touching the window writes the position it loaded;
#   3. the window moved right after it appeared stays where it was moved;
#   4. File > Exit saves that new position, which the next start then loads.
# Scale 2 doubles every screen pixel: the stored twips count device-independent
# pixels, and the frame is looked for at twice their place, give or take a
# pixel of rounding.
#
# Prints one line per start and "placement at scale S: N of M starts right" per
# scale. Exit 0 when every start of every scale was right, 1 otherwise, 77
# when a tool is missing.
set -uo pipefail

program="${1:-}"
starts="${2:-20}"
scales="${3:-1 2}"
busy="${4:-0}"
if [ -z "$program" ] || [ ! -x "$program" ]; then
    echo "usage: $0 <path to seqget> [starts per scale] [scales] [busy loops]" >&2
    exit 2
fi
for tool in Xvfb xdotool openbox xprop xwininfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/seqget-placement.XXXXXX")"
. "$(dirname "$0")/../support/x-session.sh"
declare -a pids=()
app=""

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    [ -n "$app" ] && stop_pid "$app"
    stop_started
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM


for ((i = 0; i < busy; i++)); do
    timeout 1800 sh -c 'while :; do :; done' &
    pids+=($!)
done

start_x_session 1600x1200x24 || { echo "FAIL: no X display with openbox" >&2; exit 1; }

conf="$work/config/Seqget/Seqget.conf"
mkdir -p "$work/config/Seqget" "$work/runtime" "$work/download"
chmod 700 "$work/runtime"

setting() { sed -n "s/^$1=//p" "$conf" 2>/dev/null; }

client=""
frame_of() { xwininfo -id "$1" -children 2>/dev/null | awk '/Parent window id/ {print $4}'; }
# The frame's top-left in screen pixels, "x y"; fails while openbox has not
# framed the window yet.
frame_xy() {
    local frame
    frame="$(frame_of "$client")"
    [ -n "$frame" ] && [ "$(printf '%d' "$frame")" != "$(printf '%d' "$(xwininfo -root | awk '/Window id/ {print $4}')")" ] ||
        return 1
    xwininfo -id "$frame" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}'
}
# near <x y> <x y> <scale>: within a pixel of rounding at scales above 1.
near() {
    local slack=0
    [ "$3" != 1 ] && slack=1
    awk -v a="$1" -v b="$2" -v s="$slack" 'BEGIN {
        split(a, p, " "); split(b, q, " ");
        d1 = p[1] - q[1]; d2 = p[2] - q[2];
        exit !((d1 <= s && d1 >= -s) && (d2 <= s && d2 >= -s)) }'
}
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$client" ]; }
menu_open() { xdotool search --onlyvisible --pid "$app" 2>/dev/null | grep -vx "$client" | grep -q .; }
# menu <access key of the menu> <access key of the entry>
menu() {
    xdotool key --clearmodifiers "alt+$1"
    until_true 5 menu_open || return 1
    xdotool key "$2"
}
saved_is() { [ "$(setting FORM_LEFT) $(setting FORM_TOP)" = "$1" ]; }

declare -A right=()
total_problems=0
for scale in $scales; do
    right[$scale]=0
    rm -f "$conf"
    for ((n = 0; n < starts; n++)); do
        problems=()
        [ $((n % 4)) -eq 0 ] && rm -f "$conf"
        stored="$(setting FORM_LEFT) $(setting FORM_TOP)"
        [ "$stored" = " " ] && stored="0 0"
        # twips to device-independent pixels, then to screen pixels
        expected="$(awk -v s="$stored" -v f="$scale" 'BEGIN { split(s, p, " "); print p[1] / 15 * f, p[2] / 15 * f }')"

        env -u QT_SCREEN_SCALE_FACTORS -u QT_ENABLE_HIGHDPI_SCALING -u QT_FONT_DPI \
            QT_SCALE_FACTOR="$scale" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
            HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
            XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
            DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" NO_AT_BRIDGE=1 \
            "$program" </dev/null >>"$work/seqget.log" 2>&1 &
        app=$!
        client="$(timeout 30 xdotool search --sync --onlyvisible --pid "$app" --name '^Seqget$' 2>/dev/null | head -n 1)"
        if [ -z "$client" ]; then
            problems+=("no window")
        else
            until_true 10 frame_xy || problems+=("never framed")
            first="$(frame_xy)"
            near "$first" "$expected" "$scale" || problems+=("framed at $first, not $expected")
            # Dragged by its title bar at once, as a user would move it.
            # Whole device-independent pixels, so that the saved twips are exact.
            dx=$(((20 + n % 4 * 7) * scale)) dy=$(((10 + n % 4 * 5) * scale))
            grab_x=$((${first% *} + 150)) grab_y=$((${first#* } + 8))
            xdotool mousemove "$grab_x" "$grab_y" mousedown 1
            for step in 1 2 3 4; do
                xdotool mousemove $((grab_x + dx * step / 4)) $((grab_y + dy * step / 4))
                sleep 0.02
            done
            xdotool mouseup 1 mousemove 1590 1190
            moved="$((${first% *} + dx)) $((${first#* } + dy))"
            sleep 1.2
            now="$(frame_xy)"
            [ "$now" = "$moved" ] || problems+=("dragged to $moved, then found at $now")

            until_true 10 focused || problems+=("no focus")
            # Saved where it now is, in twips of device-independent pixels.
            want="$(awk -v m="$moved" -v f="$scale" 'BEGIN { split(m, p, " "); printf "%d %d", p[1] / f * 15, p[2] / f * 15 }')"
            menu f x || problems+=("no File menu")
            until_true 10 sh -c "! kill -0 $app" || problems+=("did not exit")
            saved_is "$want" || problems+=("saved $(setting FORM_LEFT) $(setting FORM_TOP), not $want")
        fi
        stop_pid "$app"
        app=""

        # A start that loads and saves without a move must write what it loaded.
        if [ ${#problems[@]} -eq 0 ] && [ $((n % 4)) -eq 3 ]; then
            before="$(setting FORM_LEFT) $(setting FORM_TOP)"
            env -u QT_SCREEN_SCALE_FACTORS -u QT_ENABLE_HIGHDPI_SCALING -u QT_FONT_DPI \
                QT_SCALE_FACTOR="$scale" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
                HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
                DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" NO_AT_BRIDGE=1 \
                "$program" </dev/null >>"$work/seqget.log" 2>&1 &
            app=$!
            client="$(timeout 30 xdotool search --sync --onlyvisible --pid "$app" --name '^Seqget$' 2>/dev/null | head -n 1)"
            until_true 10 frame_xy && until_true 10 focused && menu f x &&
                until_true 10 sh -c "! kill -0 $app" || problems+=("unmoved save/exit did not finish")
            saved_is "$before" || problems+=("unmoved save wrote $(setting FORM_LEFT) $(setting FORM_TOP), loaded $before")
            stop_pid "$app"
            app=""
        fi

        if [ ${#problems[@]} -eq 0 ]; then
            right[$scale]=$((right[$scale] + 1))
            printf 'scale %s start %2d: stored %s, frame %s: right\n' "$scale" $((n + 1)) "$stored" "$first"
        else
            total_problems=$((total_problems + 1))
            printf 'scale %s start %2d: stored %s: WRONG: %s\n' "$scale" $((n + 1)) "$stored" "$(IFS=';'; echo "${problems[*]}")"
        fi
    done
done

for scale in $scales; do
    echo "placement at scale $scale: ${right[$scale]} of $starts starts right"
done
[ "$total_problems" -eq 0 ]
