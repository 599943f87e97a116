#!/usr/bin/env bash
# Installs what is missing, builds Vantrel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || bash scripts/deps.sh --display
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF
cmake --build build-release -j2
program=build-release/src/app/gui/vantrel
# Pinging needs either the unprivileged ICMP socket (net.ipv4.ping_group_range) or CAP_NET_RAW.
if ! sysctl -n net.ipv4.ping_group_range 2>/dev/null | awk -v g="$(id -g)" '{exit !(g >= $1 && g <= $2)}'; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" setcap cap_net_raw+ep "$program" || echo "Could not grant cap_net_raw; see README." >&2
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$program" "$@"
fi
echo "No display: starting Vantrel on a virtual X server (xvfb-run)." >&2
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "$@"
