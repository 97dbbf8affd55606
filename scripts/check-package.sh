#!/usr/bin/env bash
# Installs the Debian package on a clean Debian 12 (bookworm) and runs it there.
#
#   sudo bash scripts/check-package.sh
#
# Builds the program and the simulator, makes the .deb with cpack, creates a
# minimal bookworm root with mmdebstrap (installed first if missing), installs
# the .deb there with apt so that its Depends come from the Debian archive,
# then, inside that root: VM5200_GUI --version and --help, and the program
# under Xvfb against the packaged simulator for a few seconds, with a screen
# shot. Not part of .ci/run: it downloads a whole system (a few hundred MB).
#
# Environment: BUILD_DIR (default ./build), OUT_DIR (default
# BUILD_DIR/check-package: package, screen shot, apt log), MIRROR (default
# http://deb.debian.org/debian), KEEP_ROOT=1 keeps the root afterwards.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
out="${OUT_DIR:-$build/check-package}"
mirror="${MIRROR:-http://deb.debian.org/debian}"
security="${SECURITY_MIRROR:-http://deb.debian.org/debian-security}"
# How long the program runs against the simulator before the screen shot.
run_seconds=5

if [ "$(id -u)" -ne 0 ]; then
  echo "check-package: needs root (mmdebstrap and chroot); run it with sudo" >&2
  exit 1
fi

step() { printf '\n== %s\n' "$*"; }

step "tools"
if ! command -v mmdebstrap >/dev/null; then
  echo "installing mmdebstrap"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null 2>&1
fi
echo "mmdebstrap $(mmdebstrap --version | awk '{print $2}')"

step "package"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" --target VM5200_GUI VM5200_SIM -j"${JOBS:-2}" >/dev/null
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out/deb" --config "$build/CPackConfig.cmake" >/dev/null)
deb="$(ls "$out"/deb/*.deb)"
echo "$(basename "$deb")"
dpkg-deb -f "$deb" Package Version Architecture Depends

root="$(mktemp -d "${TMPDIR:-/var/tmp}/vm5200-root.XXXXXX")"
mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}" 2>/dev/null || true; done
  if [ "${KEEP_ROOT:-0}" = 1 ]; then
    echo "check-package: root kept in $root"
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT

step "clean Debian 12 root (mmdebstrap, variant apt)"
mmdebstrap --quiet --variant=apt --components=main bookworm "$root" \
  "deb $mirror bookworm main" "deb $mirror bookworm-updates main" \
  "deb $security bookworm-security main" >"$out/mmdebstrap.log" 2>&1 ||
  { cat "$out/mmdebstrap.log"; exit 1; }
echo "$(chroot "$root" dpkg-query -W | wc -l) packages; $(chroot "$root" cat /etc/debian_version)"
# The simulator needs pseudo-terminals, Xvfb a /proc.
for m in proc dev dev/pts; do
  case "$m" in
    proc) mount -t proc proc "$root/proc" ;;
    *) mount --bind "/$m" "$root/$m" ;;
  esac
  mounts+=("$root/$m")
done

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
apt_in_root() {
  in_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q --no-install-recommends "$@" \
    >>"$out/apt.log" 2>&1 || { tail -n 40 "$out/apt.log"; return 1; }
}

step "install the package with apt (Depends from the archive, no recommends)"
cp "$deb" "$root/tmp/"
apt_in_root update  # mmdebstrap leaves the root without package lists
before="$(in_root dpkg-query -W -f '${Package}\n' | sort)"
apt_in_root install "/tmp/$(basename "$deb")"
after="$(in_root dpkg-query -W -f '${Package}\n' | sort)"
added="$(comm -13 <(echo "$before") <(echo "$after"))"
echo "$(echo "$added" | wc -l) packages installed:"
echo "$added" | tr '\n' ' ' | fold -s -w 78
echo
in_root dpkg -s vm5200-gui | grep -E '^(Status|Version):'

status=0
for opt in --version --help; do
  step "VM5200_GUI $opt"
  rc=0
  in_root VM5200_GUI "$opt" 2>&1 || rc=$?
  echo "exit status $rc"
  [ "$rc" -eq 0 ] || status=1
done

step "Xvfb, xdotool and ImageMagick for the run (apt, in the root)"
apt_in_root install xvfb xauth xdotool imagemagick
echo "installed: $(in_root dpkg-query -W -f '${Package} ${Version}, ' xvfb xdotool imagemagick)"

step "the program under Xvfb against the packaged simulator for ${run_seconds} s"
cat >"$root/tmp/run-check.sh" <<'EOF'
#!/bin/bash
# Runs inside the root: simulator, X server, program, screen shot.
set -u
work=$(mktemp -d)
mkdir -p "$work/ports" "$work/locks"
VM5200_SIM --port-dir "$work/ports" --port 1 --model 5208 \
  --transcript "$work/transcript.txt" --dump-state "$work/state.txt" >"$work/sim.out" 2>&1 &
sim=$!
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$work/display" 2>"$work/xvfb.err" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
echo "simulator pid $sim, Xvfb pid $xvfb on $DISPLAY"
VM5200_PORT_DIR="$work/ports" VM5200_LOCK_DIR="$work/locks" VM5200_GUI >"$work/app.out" 2>&1 &
app=$!
title=""
for _ in $(seq 300); do
  wid=$(xdotool search --name 'Model 5208' 2>/dev/null | head -n 1)
  if [ -n "$wid" ]; then title=$(xdotool getwindowname "$wid"); break; fi
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
status=0
if [ -n "$title" ]; then
  echo "window: $title"
  sleep "$RUN_SECONDS"
  import -window "$wid" /tmp/check-package-screenshot.png && echo "screen shot of the window taken"
else
  echo "no window of the connected program appeared"
  status=1
fi
if kill -0 "$app" 2>/dev/null; then echo "program still running"; else echo "program ended"; status=1; fi
kill -USR1 "$sim"; sleep 0.3
echo "simulator: $(grep -c ' RX ' "$work/transcript.txt") lines received, $(grep -c ' TX ' "$work/transcript.txt") answered"
grep -E '^(identity\.model|identity\.serial|clock\.input)=' "$work/state.txt"
echo "first lines the program sent:"
grep ' RX ' "$work/transcript.txt" | head -n 8 | cut -d' ' -f3-
kill "$app" 2>/dev/null; wait "$app" 2>/dev/null
kill "$sim" "$xvfb" 2>/dev/null; wait "$sim" "$xvfb" 2>/dev/null
echo "program output:"; sed 's/^/  /' "$work/app.out"
rm -rf "$work"
exit $status
EOF
in_root env RUN_SECONDS="$run_seconds" bash /tmp/run-check.sh || status=1
if [ -f "$root/tmp/check-package-screenshot.png" ]; then
  cp "$root/tmp/check-package-screenshot.png" "$out/screenshot.png"
  echo "screen shot: $out/screenshot.png ($(identify -format '%wx%h' "$out/screenshot.png" 2>/dev/null || true))"
fi

step "result"
if [ "$status" -eq 0 ]; then
  echo "check-package: OK ($(basename "$deb") on a clean Debian $(cat "$root/etc/debian_version"))"
else
  echo "check-package: FAILED"
fi
exit "$status"
