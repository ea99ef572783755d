#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Orvane needs.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev libgmime-3.0-dev libvmime-dev libgtest-dev libx11-dev
  # OAuth2 log-on: the SASL library whose mechanism suggestion the IMAP log-on stands in for
  libgsasl-dev
  # remembered OAuth2 sign-ins in the desktop's secret service; a real one and its tool for the
  # tests
  qtkeychain-qt6-dev gnome-keyring libsecret-tools dbus
  # compressed mbox files: zlib, libbz2 and liblzma, and their tools for the tests
  zlib1g-dev libbz2-dev liblzma-dev gzip bzip2 xz-utils
  # run and test: Qt's offscreen and X11 platforms, fonts, a real X server
  qt6-qpa-plugins libxcb-cursor0 fontconfig fonts-dejavu-core
  xvfb xauth x11-utils xdotool imagemagick
  # locales for the character set tests
  locales
  # a real IMAP server, and certificates for it, for the IMAP tests and the benchmark
  dovecot-imapd openssl ca-certificates
  # the Debian package's checks: its desktop entry, and dpkg-shlibdeps for its dependencies
  desktop-file-utils dpkg-dev
  # personal folder files (.pst, .ost): libpff (whose header needs libbfio's), and its pffexport
  # for the benchmark's comparison
  libpff-dev libbfio-dev pff-tools
)
# npm fetches the personal folder files the tests read; Node's own packages may bring it already.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Real personal folder files for the tests, kept outside the source tree.
"$(dirname "$0")/fetch-test-data.sh"
