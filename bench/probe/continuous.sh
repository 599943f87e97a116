#!/usr/bin/env bash
# Continuous monitoring against smokeping_prober: N loopback hosts at a 1 s interval for S seconds, CPU time
# of the whole process (user + system) from /usr/bin/time, set against the floor's CPU for one round times the
# rounds. Run inside one namespace with the datagram socket:
#     tests/lab/netlab.sh isolated --dgram -- bench/probe/continuous.sh BUILD [N] [S]
set -eu
build=$1
hosts=${2:-10000}
seconds=${3:-20}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 - "$hosts" >"$dir/hosts.txt" <<'PY'
import sys
n, i, out = int(sys.argv[1]), 0, []
while len(out) < n:
    i += 1
    a = 0x7F000000 | i
    if a & 255 not in (0, 255):
        out.append("127.%d.%d.%d" % ((a >> 16) & 255, (a >> 8) & 255, a & 255))
print("\n".join(out))
PY
cpu() { tail -n 1 "$1" | awk '{ print $1 + $2 }'; }
/usr/bin/time -f "%U %S" -o "$dir/floor" "$build/bench/ping/floor" "$dir/hosts.txt" 2>/dev/null
/usr/bin/time -f "%U %S" -o "$dir/probe" timeout -s TERM "$seconds" \
    "$build/src/app/probe/vantrel-probe" --pause 1 --metrics-listen 127.0.0.1:0 "$dir/hosts.txt" >/dev/null 2>&1 || true
/usr/bin/time -f "%U %S" -o "$dir/smokeping" timeout -s TERM "$seconds" \
    prometheus-smokeping-prober --web.listen-address=127.0.0.1:19374 -i 1s $(cat "$dir/hosts.txt") >/dev/null 2>&1 || true
python3 - "$hosts" "$seconds" "$(cpu "$dir/floor")" "$(cpu "$dir/probe")" "$(cpu "$dir/smokeping")" <<'PY'
import sys
hosts, seconds = int(sys.argv[1]), float(sys.argv[2])
floor, probe, smoke = map(float, sys.argv[3:])
print(f"{hosts} hosts, 1 s interval, {seconds:.0f} s")
print(f"floor, one round: {floor:.2f} s CPU; {seconds:.0f} rounds of it: {floor*seconds:.2f} s ({100*floor:.1f} % of a core)")
# /usr/bin/time counts in 10 ms steps: a floor below that has no ratio.
ratio = lambda cpu: f", {cpu/(floor*seconds):.2f}x the floor" if floor > 0 else ""
print(f"vantrel-probe: {probe:.2f} s CPU ({100*probe/seconds:.1f} % of a core){ratio(probe)}")
print(f"smokeping_prober: {smoke:.2f} s CPU ({100*smoke/seconds:.1f} % of a core){ratio(smoke)}")
print(f"vantrel-probe / smokeping_prober: {probe/smoke:.3f}x" if smoke > 0 else "smokeping_prober: no CPU counted")
PY
