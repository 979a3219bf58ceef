#!/usr/bin/env bash
# The demo site that Seqget's default settings point at: data/demo served by
# Python's built-in HTTP server on http://127.0.0.1:18080/ (images/hana1.jpg ...).
#   scripts/demo-site.sh [start]   start it in the background, return once it answers
#   scripts/demo-site.sh stop      stop the server that "start" left running
# "start" exits 1 with one line on stderr when the port is taken or the server
# does not come up; callers that can live without the demo site go on anyway.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
host=127.0.0.1
port="${SEQGET_DEMO_PORT:-18080}"
# Debian's own interpreter when there is one: it starts far faster than a
# version-manager shim that may come first on PATH.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
pidfile="${XDG_RUNTIME_DIR:-/tmp}/seqget-demo-site-$(id -u)-$port.pid"

# Only a pid that still runs our server counts: after a reboot or a crash
# the number may belong to an unrelated process.
running_pid() {
    [ -f "$pidfile" ] || return 1
    local pid
    pid="$(cat "$pidfile" 2>/dev/null)"
    [[ "$pid" =~ ^[0-9]+$ ]] || return 1
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "http.server --bind $host $port" ||
        return 1
    echo "$pid"
}

port_free() {
    "$python" - "$host" "$port" <<'EOF'
import socket, sys
s = socket.socket()
# http.server binds with SO_REUSEADDR, so a socket left in TIME_WAIT is no obstacle.
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
try:
    s.bind((sys.argv[1], int(sys.argv[2])))
except OSError:
    sys.exit(1)
EOF
}

start() {
    if running_pid >/dev/null; then
        return 0
    fi
    if ! port_free; then
        echo "demo site: port $port on $host is already in use; not started" >&2
        return 1
    fi
    "$python" -m http.server --bind "$host" "$port" --directory "$root/data/demo" \
        >/dev/null 2>&1 </dev/null &
    local pid=$!
    echo "$pid" >"$pidfile"
    for _ in $(seq 1 200); do
        # A server that failed to start lingers as a zombie until this shell
        # exits, which kill -0 would still report alive.
        running_pid >/dev/null || break
        if curl -s -o /dev/null --max-time 1 "http://$host:$port/images/hana1.jpg"; then
            return 0
        fi
        sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
    rm -f "$pidfile"
    echo "demo site: the server on $host:$port did not come up; not started" >&2
    return 1
}

stop() {
    local pid
    if pid="$(running_pid)"; then
        kill "$pid" 2>/dev/null || true
        # Wait for the port to be released so that an immediate restart works.
        for _ in $(seq 1 50); do
            running_pid >/dev/null || break
            sleep 0.05
        done
    fi
    rm -f "$pidfile"
}

case "${1:-start}" in
start) start ;;
stop) stop ;;
*)
    echo "usage: $0 [start|stop]" >&2
    exit 2
    ;;
esac
