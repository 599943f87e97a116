#!/usr/bin/env bash
# Installs what building, running and testing Vantrel needs on Debian 12. Safe to run again.
set -euo pipefail
packages=(build-essential cmake pkg-config qt6-base-dev qt6-httpserver-dev qt6-websockets-dev libgl-dev libxlsxwriter-dev
          libyaml-cpp-dev libcrypt-dev
          fonts-liberation qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite
          iputils-ping libcap2-bin)
# What the tests use beside the build: the lab's tools, the peers they talk to, the certificates they make.
test_packages=(iproute2 procps util-linux unzip fping prometheus prometheus-alertmanager curl dbus-daemon python3 openssl)
if [ "${1:-}" = "--tests" ]; then
    packages+=("${test_packages[@]}")
fi
if [ "${1:-}" = "--sanitize" ]; then
    # The sanitizer build runs the whole suite too, so it needs what the tests need.
    packages+=(clang-14 libclang-rt-14-dev "${test_packages[@]}")
fi
if [ "${1:-}" = "--format" ]; then
    packages=(clang-format-14 git)
fi
if [ "${1:-}" = "--display" ]; then
    packages+=(xvfb xauth)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
