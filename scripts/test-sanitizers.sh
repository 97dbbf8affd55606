#!/usr/bin/env bash
# A second build with AddressSanitizer and UndefinedBehaviorSanitizer in
# ./build-asan (or $ASAN_BUILD_DIR), and the test suite run against it. Any
# report fails the test that produced it.
#
# Extra arguments go to ctest (e.g. -R link, -LE e2e).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${ASAN_BUILD_DIR:-$here/build-asan}"
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}"

# Leak reports would be about the windowing libraries' caches, never ours:
# the program frees what it owns at exit, and the tests check that directly.
# strict_string_checks stays off: the X keyboard library trips it at start-up.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build"
ctest --output-on-failure --timeout 1800 "$@"
