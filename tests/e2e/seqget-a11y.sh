#!/usr/bin/env bash
# The real window as a screen reader meets it: under Xvfb and openbox, on a
# D-Bus session of its own with the accessibility bus (at-spi2-core),
# a11y-walk.py walks the window's accessible tree, checks each control's
# role, name and state, and tabs through the window listening to the focus
# events.
#
#   seqget-a11y.sh <seqget>
#
# Exit 0 passed, 1 failed, 77 skipped (a tool is missing).
set -euo pipefail

program="${1:-}"
if [ ! -x "$program" ]; then
    echo "usage: $0 <seqget>" >&2
    exit 2
fi
for tool in Xvfb openbox xdotool xprop dbus-run-session; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh test installs it)"
        exit 77
    fi
done
# Debian's python3-pyatspi and at-spi2-core; the system's Python, which is
# the one they are installed for.
if ! /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' 2>/dev/null; then
    echo "SKIP: no Atspi for /usr/bin/python3 (python3-pyatspi; scripts/install-deps.sh test installs it)"
    exit 77
fi
if [ ! -x /usr/libexec/at-spi-bus-launcher ]; then
    echo "SKIP: at-spi2-core is not installed (scripts/install-deps.sh test installs it)"
    exit 77
fi

here="$(cd "$(dirname "$0")" && pwd)"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
work="$(mktemp -d "${TMPDIR:-/tmp}/seqget-a11y.XXXXXX")"
. "$here/../support/x-session.sh"
declare -a pids=()
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
        echo "--- seqget's output" >&2
        cat "$work/seqget.log" >&2 2>/dev/null || true
    fi
    stop_started
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_x_session || { cat "$work/xvfb.log" "$work/openbox.log" >&2; echo "FAIL: no X display with openbox" >&2; exit 1; }
# The session bus ends with the walk, and with it the accessibility bus
# it started on demand.
env -u DBUS_SESSION_BUS_ADDRESS -u AT_SPI_BUS_ADDRESS \
    XDG_RUNTIME_DIR="$work" \
    dbus-run-session -- /usr/bin/python3 "$here/a11y-walk.py" "$program" "$work"
