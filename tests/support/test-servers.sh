#!/usr/bin/env bash
# Starts or stops the loopback servers the network tests use:
#   test-servers.sh start <dir>   tinyproxy on a free 127.0.0.1 port, its port in <dir>/tinyproxy.port
#   test-servers.sh stop <dir>    stops whatever start left running
# Works as root (CI) and as a normal user.
set -u
export PATH="$PATH:/usr/sbin:/sbin"

action="${1:-}"
dir="${2:-}"
if [ -z "$action" ] || [ -z "$dir" ]; then
    echo "usage: $0 start|stop <dir>" >&2
    exit 2
fi

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_for_port() {
    local port="$1"
    for _ in $(seq 1 100); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            return 0
        fi
        sleep 0.05
    done
    return 1
}

stop_servers() {
    for name in tinyproxy; do
        local pidfile="$dir/$name.pid"
        if [ -f "$pidfile" ]; then
            local pid
            pid="$(cat "$pidfile")"
            if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
                kill "$pid" 2>/dev/null
                for _ in $(seq 1 50); do
                    kill -0 "$pid" 2>/dev/null || break
                    sleep 0.05
                done
                kill -9 "$pid" 2>/dev/null
            fi
            rm -f "$pidfile"
        fi
        rm -f "$dir/$name.port"
    done
}

start_tinyproxy() {
    local port conf="$dir/tinyproxy.conf"
    port="$(free_port)" || return 1
    {
        echo "Port $port"
        echo "Listen 127.0.0.1"
        echo "Timeout 60"
        echo "MaxClients 20"
        echo "Allow 127.0.0.1"
        echo "ViaProxyName \"tinyproxy\""
        echo "LogLevel Warning"
        # tinyproxy refuses to keep root rights; as a normal user it cannot
        # switch users and needs no such lines.
        if [ "$(id -u)" -eq 0 ]; then
            echo "User nobody"
            echo "Group $(id -gn nobody 2>/dev/null || echo nogroup)"
        fi
    } >"$conf"
    # Detached from ctest's pipes, or ctest would wait for it to exit.
    tinyproxy -d -c "$conf" </dev/null >"$dir/tinyproxy.log" 2>&1 &
    echo $! >"$dir/tinyproxy.pid"
    if ! wait_for_port "$port"; then
        echo "tinyproxy did not start:" >&2
        cat "$dir/tinyproxy.log" >&2
        return 1
    fi
    echo "$port" >"$dir/tinyproxy.port"
}

case "$action" in
start)
    mkdir -p "$dir"
    stop_servers
    if ! command -v tinyproxy >/dev/null; then
        echo "tinyproxy is not installed (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
    start_tinyproxy || { stop_servers; exit 1; }
    ;;
stop)
    stop_servers
    ;;
*)
    echo "usage: $0 start|stop <dir>" >&2
    exit 2
    ;;
esac
exit 0
