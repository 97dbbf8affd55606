#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated 8-channel instrument on
# a pseudo-terminal and runs the program against it. With no display (a bare
# server), the program runs in a virtual X display and a screenshot is saved.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
build="${BUILD_DIR:-$here/build}"

ports="$(mktemp -d /tmp/vm5200-ports.XXXXXX)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$ports"
}
trap cleanup EXIT INT TERM

if [ -x "$build/sim/VM5200_SIM" ]; then
  "$build/sim/VM5200_SIM" --port-dir "$ports" --port 1 --model 5208 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$ports/COM1" ] && break; sleep 0.1; done
fi
export VM5200_PORT_DIR="$ports"

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display; starting a virtual one (screenshot: $build/run-screenshot.png)"
  Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp -noreset &
  pids+=($!)
  export DISPLAY=:97
  sleep 1
  "$build/VM5200_GUI" "$@" &
  app=$!
  pids+=($app)
  sleep "${RUN_SECONDS:-8}"
  import -window root "$build/run-screenshot.png" 2>/dev/null || true
  echo "run: screenshot saved; stopping"
else
  "$build/VM5200_GUI" "$@"
fi
