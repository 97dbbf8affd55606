#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit, widget, end-to-end).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
build="${BUILD_DIR:-$here/build}"
cd "$build"
ctest --output-on-failure --timeout 900 "$@"
