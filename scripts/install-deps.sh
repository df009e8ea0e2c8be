#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need, from Debian's packages.
# Idempotent: packages already present are not touched, so a second run is quick.
set -euo pipefail

# The one list of packages. Keep it sorted by purpose.
PACKAGES=(
  # build
  cmake ninja-build g++ make pkg-config
  # renders the skin's SVG pictures to PNG
  librsvg2-bin
  # libraries the program links
  libcurl4-openssl-dev libtinyxml2-dev libjsoncpp-dev libeasyloggingpp-dev
  libzip-dev libssl-dev
  # the window toolkit (GTK 3 brings GLib, cairo, pango, gdk-pixbuf, fontconfig, ATK)
  libgtk-3-dev
  # the fonts the toolkit's font configuration maps the skins' faces to
  fonts-noto-cjk fonts-noto-core fonts-liberation2
  # tests and the local service stack
  googletest libgtest-dev libgmock-dev libcpp-httplib-dev openssl osslsigncode
  # the taskbar progress's tests: a private session bus
  dbus-daemon
  # the GTK host's tests: a private X server and synthetic input
  xvfb xauth xdotool
  # the accessibility tests: the AT-SPI buses and client library
  at-spi2-core libatspi2.0-dev
  # the desktop suite: screenshots of the private X server (ImageMagick's import)
  imagemagick
  # reference peers for tests and benchmarks, and the benchmark's link simulator
  nginx-light curl aria2 axel time libhttp-parser-dev
  # fuzzing (libFuzzer comes with clang's runtime)
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
