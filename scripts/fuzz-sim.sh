#!/usr/bin/env bash
# Builds the libFuzzer target of the simulator's line handling with clang and
# runs it. Usage: scripts/fuzz-sim.sh [seconds, default 180] [libFuzzer args...]
# New inputs go to $FUZZ_DIR/corpus (default build-fuzz/corpus); crashes to
# $FUZZ_DIR/crash-*. The seed corpus in sim/fuzz/corpus is only read.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${FUZZ_DIR:-$here/build-fuzz}"
secs="${1:-180}"
shift || true
mkdir -p "$out/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$here" "$here/sim/fuzz/fuzz_lines.cpp" \
  "$here/sim/engine/SimText.cpp" "$here/sim/engine/Instrument.cpp" "$here/sim/engine/Session.cpp" \
  -o "$out/sim_fuzz_lines"
cd "$out"
exec ./sim_fuzz_lines -max_total_time="$secs" -max_len=20000 -dict="$here/sim/fuzz/lines.dict" \
  -print_final_stats=1 "$@" "$out/corpus" "$here/sim/fuzz/corpus"
