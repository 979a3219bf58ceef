#!/usr/bin/env bash
# Runs a Windows program under Wine in the toolchain cache's own prefix, with
# the Qt, libcurl and MinGW runtime DLLs found without copying them.
#   scripts/windows/wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
cache="${SEQGET_WINDOWS_CACHE:-/var/cache/seqget-windows}"
export WINEPREFIX="${WINEPREFIX:-$cache/wineprefix}"
export WINEARCH=win64
# No Mono or Gecko download prompts: Seqget needs neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
# Wine keeps QT_ variables of the Unix environment from Windows programs (they
# are meant for the Unix Qt that Wine may link) and passes WINEQT_... on as
# QT_...: the tests' QT_QPA_PLATFORM=offscreen gets through that way.
while IFS= read -r name; do
    export "WINE$name=${!name}"
done < <(compgen -e | grep '^QT_' || true)
winpath() { printf 'Z:%s' "${1//\//\\}"; }
gccdir="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
dirs=("$cache/qt6/bin" "$cache/curl/bin" "$gccdir" /usr/x86_64-w64-mingw32/lib)
path=""
for d in "${dirs[@]}"; do path+="$(winpath "$d");"; done
export WINEPATH="$path${WINEPATH:-}"
# A new prefix reports Windows 10, the oldest version Qt 6 supports, and
# shows files whose names begin with a dot as Windows does: Wine hides them by
# default, which would hide a temporary file the program forgot to hide. It
# is set up once, before the first program runs in it.
ready="$WINEPREFIX/.windows-10-dot-files"
if [ ! -e "$ready" ]; then
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -e "$ready" ]; then
            wine wineboot --init
            wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null
            wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >/dev/null
            wineserver -w
            touch "$ready"
        fi
    ) 9>"$WINEPREFIX/.lock"
fi
exec wine "$@"
