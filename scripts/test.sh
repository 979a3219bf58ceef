#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test: the
# ordinary build's, then all of them again in a build with AddressSanitizer
# and UBSan (clang), whose first report fails a test, with the fuzz targets
# run a few seconds each from their seed corpus.
#   scripts/test.sh              both
#   scripts/test.sh --plain      only the ordinary build
#   scripts/test.sh --sanitize   only the sanitizers' build
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:-all}"
"$root/scripts/install-deps.sh" test
if [ "$mode" != --sanitize ]; then
    build="${SEQGET_BUILD_DIR:-$root/build}"
    SEQGET_BUILD_DIR="$build" "$root/scripts/build.sh"
    (cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j"$(nproc)")
fi
if [ "$mode" != --plain ]; then
    build="${SEQGET_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
    werror=OFF
    [ "${CI:-}" != true ] || werror=ON
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSEQGET_SANITIZE=ON -DSEQGET_FUZZ=ON -DSEQGET_BUILD_BENCH=OFF -DSEQGET_WERROR="$werror" >/dev/null
    cmake --build "$build" --parallel "$(nproc)"
    # Leaks count as reports; the program's own are none, the system
    # libraries' (fontconfig's caches) are not ours to mend.
    (cd "$build" && QT_QPA_PLATFORM=offscreen \
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure --timeout 600 -j"$(nproc)")
fi
