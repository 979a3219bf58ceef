#!/usr/bin/env bash
# The Windows program as a user unpacks it, run under Wine (as Windows 10) in a
# real X session (Xvfb + openbox) and driven only by keyboard (xdotool):
#   - a first start downloads the demo series from a local nginx, byte for byte;
#   - ﾌｧｲﾙ → 設定保存 writes the settings into Wine's registry;
#   - a start reads them back from there (a value put into the registry by
#     hand comes back in the next save), and ﾌｧｲﾙ → 終了 ends the program.
# A picture of the window is left in <work folder>/window.png.
#
#   wine-e2e.sh <Seqget-...-win64.zip> [work folder]
#
# Exit 0 passed, 1 failed, 77 skipped (a tool is missing).
set -euo pipefail
zip="${1:?usage: wine-e2e.sh <zip> [work folder]}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="${2:-$(mktemp -d "${TMPDIR:-/tmp}/seqget-wine-e2e.XXXXXX")}"
mkdir -p "$work"
export PATH="$PATH:/usr/sbin:/sbin"
for tool in wine Xvfb openbox xdotool xprop nginx python3 import; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$root/tests/support/x-session.sh"
declare -a pids=()
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    wineserver -k 2>/dev/null || true
    stop_started
    [ "$status" -eq 0 ] || tail -n 30 "$work"/*.log >&2 2>/dev/null || true
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A prefix of its own, made afresh (the first start must find no settings of
# an earlier run), reporting Windows 10, the oldest that Qt 6 supports.
rm -rf "$work/prefix"
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot --init >"$work/wineboot.log" 2>&1
wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
# That server and its desktop process came up before the X session and would
# serve the program without a display: it goes, and the program's own starts
# one inside the session.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
key='HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Seqget\STARTUP'
setting() { # setting <key>: the value Wine's registry holds, or nothing
    # regedit writes UTF-16, whatever the console's code page could show.
    rm -f "$work/settings.reg"
    wine regedit /E "Z:${work//\//\\}\\settings.reg" "$key" >/dev/null 2>&1 || true
    [ -e "$work/settings.reg" ] || return 0
    python3 - "$work/settings.reg" "$1" <<'PY'
import re, sys
for line in open(sys.argv[1], encoding="utf-16").read().splitlines():
    m = re.fullmatch(r'"(.*?)"="(.*)"', line)
    if m and m.group(1) == sys.argv[2]:
        print(re.sub(r'\\(.)', r'\1', m.group(2)))
PY
}

# The demo site, where the first-start job points.
mkdir -p "$work/nginx"
cat >"$work/nginx/nginx.conf" <<CONF
$([ "$(id -u)" -ne 0 ] || echo "user nobody $(id -gn nobody 2>/dev/null || echo nogroup);")
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx.log warn;
events { worker_connections 64; }
http {
    access_log $work/nginx-access.log;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    server { listen 127.0.0.1:18080; root $root/data/demo; }
}
CONF
chmod -R a+rX "$root/data/demo"
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" </dev/null >>"$work/nginx.log" 2>&1 &
pids+=($!)
until_true 10 curl -sf http://127.0.0.1:18080/images/hana1.jpg -o /dev/null ||
    { echo "FAIL: nginx did not serve the demo site on 127.0.0.1:18080"; exit 1; }

# Unpacked into a folder of its own, as a user would, under a Japanese name
# that Windows' narrow code page here (Wine takes 1252 from the
# locale C.UTF-8) cannot hold: every path from the program's own folder to the
# downloads and the registry must go in UTF-16.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
rm -rf "$work/app" "$work/画像の保存先"
python3 -m zipfile -e "$zip" "$work/画像の保存先"
app="$work/画像の保存先/Seqget"

start_x_session
start_program() {
    wine "$app/Seqget.exe" >>"$work/seqget.log" 2>&1 &
    program=$!
    pids+=("$program")
    until_true 60 xdotool search --onlyvisible --name '^Seqget$' ||
        { echo "FAIL: the window did not come up"; exit 1; }
    window="$(xdotool search --onlyvisible --name '^Seqget$' | head -n 1)"
    xdotool windowactivate --sync "$window"
    sleep 1
}
keys() { xdotool key --delay 150 "$@"; } # to the focused window: a menu opens one of its own

start_program
# The focus starts in the base URL box; with the folder sync ticked, eight
# Tabs reach START.
keys Tab Tab Tab Tab Tab Tab Tab Tab space
for n in 1 2 3 4 5 6 7 8; do
    until_true 60 cmp -s "$root/data/demo/images/hana$n.jpg" "$app/images/hana$n.jpg" ||
        { echo "FAIL: images/hana$n.jpg is not the demo site's"; ls -la "$app/images" || true; exit 1; }
done
echo "the demo series arrived byte for byte in $app/images"
import -window root "$work/window.png"

keys alt+f s
until_true 20 test "$(setting FLD)" = images ||
    { echo "FAIL: 設定保存 wrote no FLD=images into $key"; exit 1; }
echo "saved: FLD=$(setting FLD) PCPATH=$(setting PCPATH) FORM_LEFT=$(setting FORM_LEFT)"
[ "$(setting PCPATH)" = "Z:${app//\//\\}" ] || { echo "FAIL: PCPATH is not Z:$app"; exit 1; }
# START has the focus; the drive list is next. It holds Wine's drives, C: and
# Z: at least: a key picks C:, the folder list follows, and a save keeps it.
keys Tab c
keys alt+f s
until_true 20 test "$(setting PCPATH)" = 'C:\' ||
    { echo "FAIL: choosing drive C: left PCPATH at $(setting PCPATH)"; exit 1; }
echo "drive C: chosen from the list: PCPATH=$(setting PCPATH)"
keys alt+f x
until_true 20 sh -c "! kill -0 $program" || { echo "FAIL: 終了 did not end the program"; exit 1; }

# What a start reads comes from the registry: a value changed there by hand
# comes back in the next save.
wine reg add "$key" /v PCFLD /d 'from the registry' /f >/dev/null 2>&1
start_program
keys alt+f x
until_true 20 sh -c "! kill -0 $program" || { echo "FAIL: 終了 did not end the program"; exit 1; }
[ "$(setting PCFLD)" = 'from the registry' ] ||
    { echo "FAIL: PCFLD came back as '$(setting PCFLD)'"; exit 1; }
echo "restored from the registry: PCFLD=$(setting PCFLD)"
echo "all checks passed"
