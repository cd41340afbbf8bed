#!/bin/sh
# Installs the Debian 12 packages that building, running and testing Velstrom need.
set -eu
packages="cmake g++ make pkg-config python3 qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins
libsimpleini-dev libglib2.0-dev libgl-dev libbenchmark-dev fonts-liberation2 fonts-dejavu-core
xvfb xauth imagemagick zlib1g-dev libdeflate-dev systemd
gcc meson ninja-build"
[ "${1:-}" = "--with-fuzzer" ] && packages="$packages clang libclang-rt-14-dev"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
