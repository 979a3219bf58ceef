#!/usr/bin/env bash
# Installs what is missing, builds the program (not its tests), starts the
# demo site and then Seqget, and stops the demo site again when Seqget exits.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SEQGET_BUILD_DIR:-$root/build}"
# Qt cannot open a window without a display; say so before minutes of
# installing and building end in Qt's own abort.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): start it from a desktop session, or use ssh -X" >&2
    exit 1
fi
"$root/scripts/install-deps.sh" run
SEQGET_BUILD_DIR="$build" "$root/scripts/build.sh" seqget
# Seqget is useful without the demo site, so a busy port only costs the demo.
if "$root/scripts/demo-site.sh" start; then
    trap '"$root/scripts/demo-site.sh" stop' EXIT
fi
"$build/seqget"
