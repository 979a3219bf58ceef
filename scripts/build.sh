#!/usr/bin/env bash
# Configures and builds Seqget into build/ (or $SEQGET_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SEQGET_BUILD_DIR:-$root/build}"
werror=OFF
if [ "${CI:-}" = "true" ]; then
    werror=ON
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEQGET_WERROR="$werror" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
