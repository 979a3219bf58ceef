#!/usr/bin/env bash
# The installer as a user meets it, run under Wine in fresh prefixes:
#   - as Windows 10, a silent install (/S) puts the zip's files, byte for byte,
#     into %LOCALAPPDATA%\Programs\Seqget, a Start-menu shortcut to Seqget.exe
#     and an Apps & features entry with its values; Seqget starts from the
#     shortcut (its window comes up in a real X session) and saves its
#     settings to the registry, and ﾌｧｲﾙ → 終了 ends it;
#   - installed again over an older version (its DisplayVersion faked, one of
#     its files changed), the files and the entry are the new ones again;
#   - the silent uninstall (QuietUninstallString) leaves no program file,
#     folder, shortcut or entry, and leaves the settings and the user's files
#     in the program's folder (downloads, the log) alone;
#   - as Windows 8.1, a silent install exits non-zero and installs nothing.
#
#   wine-installer.sh <Seqget-...-win64-setup.exe> <Seqget-...-win64.zip> [work folder]
#
# Exit 0 passed, 1 failed, 77 skipped (a tool is missing).
set -euo pipefail
setup="${1:?usage: wine-installer.sh <setup.exe> <zip> [work folder]}"
zip="${2:?usage: wine-installer.sh <setup.exe> <zip> [work folder]}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="${3:-$(mktemp -d "${TMPDIR:-/tmp}/seqget-wine-installer.XXXXXX")}"
setup="$(realpath "$setup")" zip="$(realpath "$zip")"
mkdir -p "$work"
work="$(realpath "$work")"
for tool in wine wineserver Xvfb openbox xdotool xprop python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$root/tests/support/x-session.sh"
declare -a pids=()
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    wineserver -k 2>/dev/null || true
    stop_started
    # The prefixes take 0.7 GB each: kept only to look into a failure.
    if [ "$status" -eq 0 ]; then
        rm -rf "$work/win81" "$work/win10" "$work/zip"
    else
        tail -n 30 "$work"/*.log >&2 2>/dev/null || true
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# new_prefix <folder> <win10|win81>: a prefix made afresh, reporting that version.
new_prefix() {
    rm -rf "$1"
    mkdir -p "$1"
    export WINEPREFIX="$1/prefix"
    wine wineboot --init >>"$work/wineboot.log" 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d "$2" /f >/dev/null 2>&1
    wineserver -w 2>/dev/null || true
}
# Waits for every program in the prefix to end: the uninstaller runs a copy of
# itself from %TEMP% and the first one returns at once.
settle() { timeout 120 wineserver -w 2>/dev/null || fail "Wine's programs did not end within 2 minutes"; }

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Seqget'
settings_key='HKCU\Software\VB and VBA Program Settings\Seqget\STARTUP'
# value <key> <name>: the value as `reg query` shows it (a DWORD as 0x...), or nothing.
value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2  *REG_[A-Z_]*  *//p" | head -n 1
}

unzip_dir="$work/zip"
rm -rf "$unzip_dir"
python3 -m zipfile -e "$zip" "$unzip_dir"
version="$(sed -n 's/^set(SEQGET_FILE_VERSION "\(.*\)")$/\1/p' "$root/CMakeLists.txt")"
total_kib="$(find "$unzip_dir/Seqget" -type f -printf '%s\n' | awk '{ s += $1 } END { print int((s + 1023) / 1024) }')"

# ---- Windows 8.1: a clear refusal (no window in silent mode), and nothing installed.
new_prefix "$work/win81" win81
status=0
wine "$setup" /S >>"$work/setup.log" 2>&1 || status=$?
settle
if [ "$status" -eq 0 ]; then
    fail "the silent install on Windows 8.1 exited 0"
else
    echo "Windows 8.1: the silent install exited $status"
fi
left="$(find "$WINEPREFIX/drive_c" -iname '*seqget*' | head -n 3)"
[ -z "$left" ] || fail "the refused install left $left"
[ -z "$(value "$uninstall_key" DisplayName)" ] || fail "the refused install wrote $uninstall_key"
wineserver -k 2>/dev/null || true

# ---- Windows 10.
new_prefix "$work/win10" win10
# The prefix's server came up without a display; the programs' own comes up
# inside the session.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
start_x_session
localappdata="$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')"
appdata="$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')"
instdir_win="$localappdata\\Programs\\Seqget"
instdir="$(wine winepath -u "$instdir_win" 2>/dev/null | tr -d '\r')"
instdir="${instdir%/}"
shortcut="$(wine winepath -u "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Seqget.lnk" 2>/dev/null | tr -d '\r')"

# check_installed <what>: the files, the shortcut and the entry are this version's.
check_installed() {
    local name differ=0
    while IFS= read -r name; do
        cmp -s "$unzip_dir/Seqget/$name" "$instdir/$name" || {
            fail "$1: $name is not the zip's"
            differ=$((differ + 1))
        }
    done < <(cd "$unzip_dir/Seqget" && find . -type f | sed 's|^\./||' | sort)
    [ "$differ" -gt 0 ] || echo "$1: the zip's $(cd "$unzip_dir/Seqget" && find . -type f | wc -l) files in $instdir_win, byte for byte"
    [ -f "$instdir/Uninstall.exe" ] || fail "$1: no Uninstall.exe"
    if [ ! -f "$shortcut" ]; then
        fail "$1: no Start-menu shortcut at $shortcut"
    else
        python3 - "$shortcut" "$instdir_win\\Seqget.exe" <<'PY' || fail "$1: the shortcut does not lead to $instdir_win\\Seqget.exe"
import sys
data, target = open(sys.argv[1], "rb").read().lower(), sys.argv[2].lower()
sys.exit(0 if target.encode("utf-16-le") in data or target.encode("ascii") in data else 1)
PY
        echo "$1: Start-menu shortcut $(basename "$shortcut") -> $instdir_win\\Seqget.exe"
    fi
    local expected=(
        "DisplayName=Seqget"
        "DisplayVersion=$version"
        "Publisher=Seqget developers"
        "DisplayIcon=$instdir_win\\Seqget.exe,0"
        "InstallLocation=$instdir_win"
        "UninstallString=\"$instdir_win\\Uninstall.exe\""
        "QuietUninstallString=\"$instdir_win\\Uninstall.exe\" /S"
        "NoModify=0x1"
        "NoRepair=0x1"
    )
    local pair got
    for pair in "${expected[@]}"; do
        got="$(value "$uninstall_key" "${pair%%=*}")"
        [ "$got" = "${pair#*=}" ] || fail "$1: ${pair%%=*} is '$got', not '${pair#*=}'"
    done
    got="$(value "$uninstall_key" EstimatedSize)"
    got=$((${got:-0}))
    # What the files take, in KiB: not bytes, not MB.
    [ "$got" -ge "$total_kib" ] && [ "$got" -le $((total_kib + total_kib / 10)) ] ||
        fail "$1: EstimatedSize is $got KiB; the files take $total_kib KiB"
    echo "$1: $uninstall_key: DisplayName=$(value "$uninstall_key" DisplayName)" \
        "DisplayVersion=$(value "$uninstall_key" DisplayVersion) EstimatedSize=$got KiB" \
        "Publisher=$(value "$uninstall_key" Publisher)"
}

status=0
wine "$setup" /S >>"$work/setup.log" 2>&1 || status=$?
settle
[ "$status" -eq 0 ] || fail "the silent install exited $status"
check_installed install

# Seqget from the shortcut, as the Start menu starts it.
wine start "$(wine winepath -w "$shortcut" 2>/dev/null | tr -d '\r')" >>"$work/seqget.log" 2>&1 &
pids+=($!)
if until_true 60 xdotool search --onlyvisible --name '^Seqget$'; then
    window="$(xdotool search --onlyvisible --name '^Seqget$' | head -n 1)"
    xdotool windowactivate --sync "$window" 2>>"$work/xdotool.log"
    sleep 1
    import -window root "$work/installed.png" 2>/dev/null || true
    echo "Seqget's window came up from the shortcut"
    xdotool key --delay 150 alt+f s
    until_true 20 test -n "$(value "$settings_key" FLD)" ||
        fail "ﾌｧｲﾙ → 設定保存 wrote no FLD into $settings_key"
    xdotool key --delay 150 alt+f x
    until_true 20 sh -c "! xdotool search --onlyvisible --name '^Seqget\$'" ||
        fail "ﾌｧｲﾙ → 終了 did not close the window"
else
    fail "the window did not come up from the shortcut"
fi
settle
saved_fld="$(value "$settings_key" FLD)"
saved_pcpath="$(value "$settings_key" PCPATH)"
echo "settings saved: FLD=$saved_fld PCPATH=$saved_pcpath"
# What the user keeps in the program's folder: a download and a log line.
mkdir -p "$instdir/images"
cp "$root/data/demo/images/hana1.jpg" "$instdir/images/hana1.jpg"
printf 'a line of the log\r\n' >>"$instdir/Seqget.log"

# ---- Over an older version.
wine reg add "$uninstall_key" /v DisplayVersion /d 1.04.0001 /f >/dev/null 2>&1
printf 'older usage page\n' >"$instdir/usage/index.html"
status=0
wine "$setup" /S >>"$work/setup.log" 2>&1 || status=$?
settle
[ "$status" -eq 0 ] || fail "the install over an older version exited $status"
[ "$(value "$uninstall_key" DisplayVersion)" = "$version" ] ||
    fail "the install over 1.04.0001 left DisplayVersion at $(value "$uninstall_key" DisplayVersion)"
check_installed "over 1.04.0001"
cmp -s "$root/data/demo/images/hana1.jpg" "$instdir/images/hana1.jpg" ||
    fail "the install over an older version lost images/hana1.jpg"

# ---- The silent uninstall, as Apps & features runs it.
quiet="$(value "$uninstall_key" QuietUninstallString)"
uninstaller="$(wine winepath -u "$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$quiet")" 2>/dev/null | tr -d '\r')"
status=0
wine "$uninstaller" /S >>"$work/setup.log" 2>&1 || status=$?
settle
[ "$status" -eq 0 ] || fail "the silent uninstall exited $status"
[ -z "$(value "$uninstall_key" DisplayName)" ] || fail "the uninstall left $uninstall_key"
[ ! -e "$shortcut" ] || fail "the uninstall left the shortcut $shortcut"
remaining="$(cd "$instdir" 2>/dev/null && find . -mindepth 1 | sed 's|^\./||' | sort | tr '\n' ' ')"
[ "$remaining" = "Seqget.log images images/hana1.jpg " ] ||
    fail "after the uninstall the program's folder holds '$remaining', not only the user's Seqget.log and images/hana1.jpg"
cmp -s "$root/data/demo/images/hana1.jpg" "$instdir/images/hana1.jpg" || fail "the uninstall changed images/hana1.jpg"
[ -n "$saved_fld" ] && [ "$(value "$settings_key" FLD)" = "$saved_fld" ] &&
    [ "$(value "$settings_key" PCPATH)" = "$saved_pcpath" ] ||
    fail "the settings did not stay: FLD='$(value "$settings_key" FLD)' PCPATH='$(value "$settings_key" PCPATH)'"
echo "uninstalled: no program file, shortcut or entry; left: ${remaining}and the settings (FLD=$(value "$settings_key" FLD))"

if [ "$failures" -gt 0 ]; then
    echo "$failures installer check(s) failed"
    exit 1
fi
echo "all installer checks passed"
