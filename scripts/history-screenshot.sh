#!/usr/bin/env bash
# Makes docs/history-details.png: a host details window for answer.lab in the network lab, pinged every
# half second for 100 s while its answers get 50 ms slower (after 20 s), are dropped (45 s to 60 s), and
# then come back at 20 ms +/- 8 ms. Uses tc netem in the answering host's namespace where the kernel has
# it, else a small echo responder there (scripts/lab-echo-responder.py, python3). Needs root, xvfb-run and a
# build with DetailsWindowShot.
#
#   scripts/history-screenshot.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-dev}
shot=$build/tests/lab/DetailsWindowShot
net=tests/lab/netlab.sh
suffix=shot$$
answer=vla-$suffix # netlab.sh names the answering host's namespace "vla-SUFFIX"
control=$(mktemp)
[ -x "$shot" ] || { echo "build DetailsWindowShot first" >&2; exit 1; }

$net up "$suffix" >/dev/null
responder=
cleanup() {
    [ -z "$responder" ] || kill "$responder" 2>/dev/null || true
    $net down "$suffix"
    rm -f "$control"
}
trap cleanup EXIT
in_answer() { ip netns exec "$answer" "$@"; }

if in_answer tc qdisc add dev eth0 root netem delay 0ms 2>/dev/null; then
    answers() { # MEAN_MS [SPREAD_MS] | drop
        if [ "$1" = drop ]; then
            in_answer tc qdisc change dev eth0 root netem loss 100%
        else
            in_answer tc qdisc change dev eth0 root netem delay "${1}ms" "${2:-0}ms"
        fi
    }
else
    echo 0 >"$control"
    in_answer sysctl -qw net.ipv4.icmp_echo_ignore_all=1
    ip netns exec "$answer" python3 scripts/lab-echo-responder.py "$control" & # not through a function: $! is python
    responder=$!
    answers() { echo "$@" >"$control"; }
fi

$net exec "$suffix" xvfb-run -a -s "-screen 0 1280x1024x24" "$shot" answer.lab 500 100 docs/history-details.png &
run=$!
sleep 20
answers 50
sleep 25
answers drop
sleep 15
answers 20 8
wait $run
