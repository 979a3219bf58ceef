# Sourced by the tests that drive the real window: stopping what they started,
# waiting for a condition, and an X display with a window manager of their own.
# The caller declares the array pids (what its clean-up stops, last first) and
# the folder work (where the servers' logs go).

# stop_pid <pid>: asks the process to end, then insists.
stop_pid() {
    local pid="$1"
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid" 2>/dev/null || true
        return 0
    fi
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# stop_started: every process in pids, the last started first (a program
# before the display it draws on).
stop_started() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        stop_pid "${pids[i]}"
    done
}

# until_true <seconds> <command...>: fails when the command has not
# succeeded within that time.
until_true() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.02
    done
}

# start_x_session [screen]: Xvfb on a display of its own, openbox on it, and
# DISPLAY exported. The display number is picked at random among many, so
# that runs side by side (ctest -j, other sessions) rarely even try the same
# one, and a server that lost the race for its lock exits, which the loop
# notices. -noreset: by default the server resets when its last client
# leaves (a probe), refusing connections for a moment, which openbox then hits.
start_x_session() {
    local screen="${1:-1024x768x24}" number pid display=""
    for _ in $(seq 1 10); do
        number=$((200 + RANDOM % 800))
        [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
        Xvfb ":$number" -screen 0 "$screen" -nolisten tcp -noreset </dev/null \
            >>"$work/xvfb.log" 2>&1 &
        pid=$!
        pids+=("$pid")
        for _ in $(seq 1 200); do
            kill -0 "$pid" 2>/dev/null || break
            if xprop -display ":$number" -root >/dev/null 2>&1; then
                display=":$number"
                break 2
            fi
            sleep 0.05
        done
        stop_pid "$pid"
    done
    [ -n "$display" ] || return 1
    export DISPLAY="$display"
    openbox --sm-disable </dev/null >"$work/openbox.log" 2>&1 &
    pids+=($!)
    until_true 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}
