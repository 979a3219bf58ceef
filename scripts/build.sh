#!/usr/bin/env bash
# Configures and builds Seqget into build/ (or $SEQGET_BUILD_DIR).
#   scripts/build.sh             everything: the program, its tests, the benchmarks
#   scripts/build.sh TARGET...   only those targets (seqget, deb, ...) and what they need
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SEQGET_BUILD_DIR:-$root/build}"
werror=OFF
if [ "${CI:-}" = "true" ]; then
    werror=ON
fi
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEQGET_WERROR="$werror" >/dev/null
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
