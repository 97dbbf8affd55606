#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Safe to run again: packages already present are skipped, and apt-get update
# runs at most once per call (only when something is missing).
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools
  qt6-svg-dev libqt6svg6   # the timing diagram's SVG export
  libgl-dev libx11-dev libjpeg-dev libpcre2-dev libgtest-dev
  # fuzzing the simulator's line parser (libFuzzer ships with clang)
  clang libclang-rt-dev
  # running the program and the end-to-end tests in a real window
  qt6-qpa-plugins xvfb xauth xdotool x11-utils imagemagick
  fonts-dejavu-core fonts-liberation
  # an independent serial client for the simulator check
  python3 python3-serial
  # scripts driving the panel through its remote-control port
  python3-pyvisa python3-pyvisa-py
  # the desktop application: Debian package, entry check, icon rendering
  dpkg-dev desktop-file-utils librsvg2-bin
  # a decimal-comma locale, to prove numbers never follow the user's locale
  locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "install-deps: all packages present"
fi

# Generate the German locale once (tests run the program under it).
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "install-deps: generating de_DE.UTF-8"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
