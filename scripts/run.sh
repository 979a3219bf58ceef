#!/usr/bin/env bash
# Installs what is missing, builds, and starts Seqget.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SEQGET_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
SEQGET_BUILD_DIR="$build" "$root/scripts/build.sh"
exec "$build/seqget"
