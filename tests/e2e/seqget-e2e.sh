#!/usr/bin/env bash
# End-to-end run of the real program in a real X session, driven only through
# the keyboard and the mouse as a user would:
#   Xvfb + openbox, nginx serving a generated site, tinyproxy in front of it,
#   and the built seqget with throw-away settings, data and download folders.
#
#   seqget-e2e.sh <path to seqget> [artefact folder]
#
# The user's steps: easy setup from a typed sample address (answering the
# digit prompt), the first and last numbers typed into their boxes, folder sync
# switched off and an own folder name typed, the proxy switched on from the
# Settings menu (answering both prompts), START, File > Save, File > Exit.
# Afterwards: every file byte for byte as nginx serves it, each request seen by
# tinyproxy and by nginx as coming through it, the log line, the settings file.
#
# Exit 0 passed, 1 failed, 77 skipped (a tool is missing). A screenshot of the
# window before exit is left in the artefact folder (default: the current one);
# on failure the servers' and the program's logs are copied there too.
set -uo pipefail

program="${1:-}"
artefacts="${2:-$PWD}"
if [ -z "$program" ] || [ ! -x "$program" ]; then
    echo "usage: $0 <path to seqget> [artefact folder]" >&2
    exit 2
fi

# nginx and tinyproxy live in sbin, which a normal user's PATH often lacks.
PATH="$PATH:/usr/sbin:/sbin"
for tool in Xvfb xdotool openbox nginx tinyproxy xprop xwininfo import cmp python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3

work="$(mktemp -d "${TMPDIR:-/tmp}/seqget-e2e.XXXXXX")"
mkdir -p "$artefacts"
artefacts="$(cd "$artefacts" && pwd)"
screenshot="$artefacts/e2e-screenshot.png"
rm -f "$screenshot"
started=$SECONDS

# --- processes and clean-up ------------------------------------------------

. "$(dirname "$0")/../support/x-session.sh"
declare -a pids=()
seqget_pid=""

keep_logs() {
    mkdir -p "$artefacts/e2e-logs"
    cp -f "$work"/*.log "$work"/nginx/*.log "$artefacts/e2e-logs/" 2>/dev/null
    cp -f "$work/config/Seqget/Seqget.conf" "$artefacts/e2e-logs/" 2>/dev/null
    echo "logs kept in $artefacts/e2e-logs" >&2
}

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    [ "$status" -ne 0 ] && [ "$status" -ne 77 ] && keep_logs
    stop_started
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

# wait_for <seconds> <what> <command...>: polls the command until it succeeds.
wait_for() {
    until_true "$1" "${@:3}" || fail "timed out after ${1}s waiting for $2"
}

free_port() {
    "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

port_answers() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# --- the site --------------------------------------------------------------

site="$work/www/site"
mkdir -p "$site/images" "$site/other"
# Random pictures: every byte value turns up, CR LF pairs included, so any
# text-mode handling or truncation of a body shows. Sizes span one to many
# network reads.
make_picture() {
    local out="$1" width="$2" height="$3"
    convert -size "${width}x${height}" xc: +noise Random "png:$out" 2>/dev/null ||
        head -c $((width * height * 3)) /dev/urandom >"$out"
}
make_picture "$site/images/pic001.png" 8 8
make_picture "$site/images/pic002.png" 64 48
make_picture "$site/images/pic003.png" 300 200
make_picture "$site/images/pic004.png" 1 1
make_picture "$site/images/pic005.png" 120 90
make_picture "$site/images/pic006.png" 16 16
make_picture "$site/other/pic001.png" 10 10
echo "not part of the series" >"$site/images/readme.txt"

# --- nginx -----------------------------------------------------------------

start_nginx() {
    local port="$1" conf="$work/nginx/nginx.conf"
    mkdir -p "$work/nginx"
    {
        # Workers run as the invoking user; as root nginx would switch them to
        # nobody, who cannot enter the private work folder.
        [ "$(id -u)" -eq 0 ] && echo "user root $(id -gn);"
        echo "worker_processes 1;"
        echo "pid $work/nginx/nginx.pid;"
        echo "error_log $work/nginx/error.log warn;"
        echo "events { worker_connections 64; }"
        echo "http {"
        echo "    log_format via '\$request_method \$request_uri \$status via=\"\$http_via\"';"
        echo "    access_log $work/nginx/access.log via;"
        for temp in client_body proxy fastcgi uwsgi scgi; do
            echo "    ${temp}_temp_path $work/nginx/$temp;"
        done
        echo "    server {"
        echo "        listen 127.0.0.1:$port;"
        echo "        root $work/www;"
        echo "    }"
        echo "}"
    } >"$conf"
    nginx -e "$work/nginx/error.log" -p "$work/nginx" -c "$conf" -g 'daemon off;' \
        </dev/null >"$work/nginx-stdout.log" 2>&1 &
    pids+=($!)
    wait_for_port "$port" $!
}

# Waits until the server just started answers on its port; fails early when it died.
wait_for_port() {
    local port="$1" pid="$2"
    for _ in $(seq 1 100); do
        port_answers "$port" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# --- tinyproxy -------------------------------------------------------------

start_tinyproxy() {
    local port="$1" conf="$work/tinyproxy.conf"
    {
        echo "Port $port"
        echo "Listen 127.0.0.1"
        echo "Timeout 30"
        echo "MaxClients 10"
        echo "Allow 127.0.0.1"
        echo "ViaProxyName \"e2e-tinyproxy\""
        # Connect level logs every request line. Without a LogFile it logs to
        # stdout, which also works after it has dropped root rights.
        echo "LogLevel Connect"
        if [ "$(id -u)" -eq 0 ]; then
            echo "User nobody"
            echo "Group $(id -gn nobody 2>/dev/null || echo nogroup)"
        fi
    } >"$conf"
    tinyproxy -d -c "$conf" </dev/null >"$work/tinyproxy.log" 2>&1 &
    pids+=($!)
    wait_for_port "$port" $!
}

# Another process may take a free port between the look-up and the bind.
for attempt in 1 2 3; do
    nginx_port="$(free_port)" && start_nginx "$nginx_port" && break
    [ "$attempt" -eq 3 ] && { cat "$work/nginx/error.log" >&2; fail "nginx did not start"; }
done
for attempt in 1 2 3; do
    proxy_port="$(free_port)" && start_tinyproxy "$proxy_port" && break
    [ "$attempt" -eq 3 ] && { cat "$work/tinyproxy.log" >&2; fail "tinyproxy did not start"; }
done
say "nginx on 127.0.0.1:$nginx_port, tinyproxy on 127.0.0.1:$proxy_port"

# --- X display and window manager ------------------------------------------

start_x_session || { cat "$work/xvfb.log" "$work/openbox.log" >&2; fail "no X display with openbox"; }
say "display $DISPLAY with openbox"

# --- the program, with its own settings, data and program folder -----------

# A copy of the program in a folder of its own, so that its log file lands
# there (the log goes beside the program when that folder is writable).
mkdir -p "$work/bin" "$work/download" "$work/config/Seqget" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
cp "$program" "$work/bin/seqget"
logfile="$work/bin/Seqget.log"
conf="$work/config/Seqget/Seqget.conf"
printf '[STARTUP]\nFORM_LEFT=1500\nFORM_TOP=1500\nPCPATH=%s\n' "$work/download" >"$conf"

# Only the session around the program is set here: its folders, an X display,
# and a D-Bus address that fails at once instead of auto-launching a bus.
# Scaling settings from the caller's desktop would move the controls away from
# the pixel places the clicks below aim at. Proxy settings in the environment
# point nowhere and exempt every host: only the proxy chosen in the window may
# count, which the proxy's log shows below.
env -u HTTP_PROXY -u HTTPS_PROXY -u NO_PROXY \
    -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_ENABLE_HIGHDPI_SCALING -u QT_FONT_DPI \
    http_proxy=http://127.0.0.1:9 https_proxy=http://127.0.0.1:9 no_proxy='*' \
    HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" NO_AT_BRIDGE=1 \
    QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
    "$work/bin/seqget" </dev/null >"$work/seqget.log" 2>&1 &
seqget_pid=$!
pids+=("$seqget_pid")

seqget_windows() { xdotool search --onlyvisible --pid "$seqget_pid" --name '^Seqget$' 2>/dev/null; }
one_window() { [ "$(seqget_windows | wc -l)" -eq 1 ]; }
wait_for 15 "the Seqget window" one_window
main="$(seqget_windows)"
focused_on() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
wait_for 10 "the focus on the window" focused_on "$main"
say "window $main is up"

# The menu bar sits above the fixed-size client area (418 x 324 pixels); the
# controls' places below are the form's, measured from the client area.
eval "$(xdotool getwindowgeometry --shell "$main")"
menu_height=$((HEIGHT - 324))
[ "$menu_height" -ge 10 ] && [ "$menu_height" -le 60 ] ||
    fail "unexpected window height $HEIGHT"

click_at() { # click_at <x> <y> in client-area pixels
    xdotool mousemove --window "$main" "$1" $(($2 + menu_height)) click 1
    # Off the window again, so that no tooltip opens over what comes next.
    xdotool mousemove 1010 750
}

# Keys go to whatever has the focus, so each dialog is waited for (and must
# hold the focus) before anything is typed into it.
dialog=""
wait_dialog() {
    local what="$1" deadline=$((SECONDS + 10)) id
    dialog=""
    while [ -z "$dialog" ]; do
        [ "$SECONDS" -lt "$deadline" ] || fail "no dialog for $what"
        for id in $(seqget_windows); do
            [ "$id" != "$main" ] && [ "$id" != "$last_dialog" ] && managed "$id" && dialog="$id"
        done
        [ -n "$dialog" ] || sleep 0.05
    done
    wait_for 10 "the focus on the dialog for $what" focused_on "$dialog"
}
# Menus are override-redirect popups; dialogs are managed by the window manager.
managed() { xwininfo -id "$1" 2>/dev/null | grep -q 'Override Redirect State: no'; }
any_popup() { xdotool search --onlyvisible --pid "$seqget_pid" 2>/dev/null | grep -vx "$main" | grep -q .; }
# menu <access key of the menu> <access key of the entry>
menu() {
    xdotool key --clearmodifiers "alt+$1"
    wait_for 10 "the menu behind alt+$1" any_popup
    xdotool key "$2"
}
dialog_gone() { ! seqget_windows | grep -qx "$dialog"; }
last_dialog=""
answer_dialog() { # answer_dialog <what> <text>
    wait_dialog "$1"
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 15 "$2"
    xdotool key Return
    wait_for 10 "the dialog for $1 to close" dialog_gone
    last_dialog="$dialog"
}

# --- the user's steps --------------------------------------------------------

sample="http://127.0.0.1:$nginx_port/site/images/pic003.png"
base_url="http://127.0.0.1:$nginx_port/site/"

# Easy setup: the sample typed into the sample box, then its button.
click_at 190 18
xdotool key ctrl+a
xdotool type --delay 10 "$sample"
click_at 364 16
answer_dialog "the digit count" 3
wait_for 10 "the focus back on the window" focused_on "$main"
say "easy setup done"

# The first and last numbers: click into the first box, Tab to the next.
click_at 150 113
xdotool key ctrl+a
xdotool type --delay 15 1
xdotool key Tab ctrl+a
xdotool type --delay 15 5
# Folder sync off, which enables the own-folder box; an own folder name.
click_at 320 64
click_at 250 161
xdotool key ctrl+a
xdotool type --delay 15 got
say "job typed"

# Settings > Proxy by its access keys; both prompts answered.
menu s p
answer_dialog "the proxy host" 127.0.0.1
answer_dialog "the proxy port" "$proxy_port"
wait_for 10 "the focus back on the window" focused_on "$main"
say "proxy switched on"

click_at 36 220
say "START pressed"
expected_log="$(printf '"%s,"\r\n' "${base_url}images/pic005.png")"
log_complete() { [ "$(cat "$logfile" 2>/dev/null)" = "$expected_log" ]; }
wait_for 30 "the end of the run (its log line)" log_complete
say "run ended"

# File > Save; the file is written anew, so wait for the proxy flag in it.
menu f s
wait_for 10 "the settings to be saved" grep -qx 'PROXY=True' "$conf"
say "settings saved"

# The screenshot shows the window as the run left it, frame included.
sleep 0.3
frame="$(xwininfo -id "$main" -children 2>/dev/null | awk '/Parent window id/ {print $4}')"
import -window "${frame:-$main}" "$screenshot" 2>/dev/null ||
    import -window root "$screenshot" 2>/dev/null ||
    fail "no screenshot could be taken"
say "screenshot: $screenshot"

menu f x
exited() { ! kill -0 "$seqget_pid" 2>/dev/null; }
wait_for 10 "the program to exit" exited
wait "$seqget_pid"
status=$?
[ "$status" -eq 0 ] || fail "seqget exited with status $status"
say "program exited"

# --- checks ----------------------------------------------------------------

problems=0
problem() {
    echo "FAIL: $*" >&2
    problems=$((problems + 1))
}

local_folder="$work/download/got"
for n in 001 002 003 004 005; do
    if [ ! -f "$local_folder/pic$n.png" ]; then
        problem "pic$n.png was not downloaded"
    elif ! cmp -s "$site/images/pic$n.png" "$local_folder/pic$n.png"; then
        problem "pic$n.png differs from the server's file"
    fi
    grep -q "Request (file descriptor [0-9]*): GET ${base_url}images/pic$n.png HTTP" \
        "$work/tinyproxy.log" || problem "tinyproxy saw no request for pic$n.png"
    grep -qx "GET /site/images/pic$n.png 200 via=\".*e2e-tinyproxy.*\"" "$work/nginx/access.log" ||
        problem "nginx did not serve pic$n.png through the proxy"
done
extra="$(find "$work/download" -mindepth 1 ! -path "$local_folder" ! -path "$local_folder/pic00[1-5].png")"
[ -z "$extra" ] || problem "unexpected files in the download folder: $extra"
if grep -v ' via="[^"]*e2e-tinyproxy' "$work/nginx/access.log" | grep -q .; then
    problem "nginx served a request that bypassed the proxy"
fi

# Exactly one line: a quote, the last URL, a comma, a quote, CR LF.
printf '"%s,"\r\n' "${base_url}images/pic005.png" | cmp -s - "$logfile" || problem "log file is not the one expected line"

expect_setting() {
    grep -qxF "$1" "$conf" || problem "settings file lacks the line $1"
}
expect_setting '[STARTUP]'
expect_setting "URL=$base_url"
expect_setting 'FLD=images'
expect_setting 'FNTOP=pic'
expect_setting 'EXT=png'
expect_setting 'KETA=3'
expect_setting 'START=1'
expect_setting 'STOP=5'
expect_setting 'PCFLD=got'
expect_setting 'SYNC=0'
expect_setting "PCPATH=$work/download"
expect_setting 'AUTO=True'
expect_setting 'PROXY=True'
expect_setting 'BEEP=True'
expect_setting 'LOG=True'
expect_setting 'PROXYIP=127.0.0.1'
expect_setting "PORT=$proxy_port"
# The window was never moved, so it is saved where it was loaded: a window
# that creeps by its frame at every start would show here.
expect_setting 'FORM_LEFT=1500'
expect_setting 'FORM_TOP=1500'
[ "$(grep -c '=' "$conf")" -eq 18 ] || problem "settings file does not hold eighteen keys"

[ -s "$screenshot" ] || problem "screenshot is missing"

if [ "$problems" -ne 0 ]; then
    echo "--- settings file" >&2
    cat "$conf" >&2
    fail "$problems check(s) failed"
fi
say "all checks passed"
exit 0
