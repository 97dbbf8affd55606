#!/usr/bin/env bash
# Builds the libFuzzer target of the remote-control port's line handling with
# clang and runs it. Usage: scripts/fuzz-remote.sh [seconds, default 120]
# [libFuzzer args...]. New inputs go to $FUZZ_DIR/corpus (default
# build-fuzz-remote/corpus); the seed corpus in remote/fuzz/corpus is only read.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${FUZZ_DIR:-$here/build-fuzz-remote}"
secs="${1:-120}"
shift || true
mkdir -p "$out/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$here" "$here/remote/fuzz/fuzz_remote_lines.cpp" "$here/remote/core/RemoteLines.cpp" \
  -o "$out/remote_fuzz_lines"
cd "$out"
exec ./remote_fuzz_lines -max_total_time="$secs" -max_len=200000 -print_final_stats=1 "$@" \
  "$out/corpus" "$here/remote/fuzz/corpus"
