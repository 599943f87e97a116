#!/usr/bin/env bash
# Continuous monitoring against smokeping_prober: N loopback hosts at a 1 s interval for S seconds. For each
# program: CPU time of the whole process (user + system) and its peak memory from /usr/bin/time, and the share
# of its echoes answered as its own metrics count them, scraped a second before the end (vantrel-probe:
# vantrel_echo_replies_total / vantrel_echo_requests_total; smokeping_prober:
# smokeping_response_duration_seconds_count / smokeping_requests_total). The CPU is also set against the
# floor's CPU for one round times the rounds. Run inside one namespace with the datagram socket:
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
# run NAME PORT COMMAND...: the command for $seconds, then its metrics scraped (a program too busy to answer
# gets 20 s more), then it is stopped; the CPU share is over the time it ran.
run() {
    local name=$1 port=$2
    shift 2
    /usr/bin/time -f "%U %S %M %e" -o "$dir/$name" timeout -s TERM "$((seconds + 30))" "$@" >/dev/null 2>&1 &
    local pid=$!
    sleep "$seconds"
    curl -s --max-time 20 "http://127.0.0.1:$port/metrics" >"$dir/$name.metrics" || true
    pkill -TERM -P "$pid" 2>/dev/null || true # timeout passes it on to the program
    wait "$pid" || true
}
/usr/bin/time -f "%U %S %M %e" -o "$dir/floor" "$build/bench/ping/floor" "$dir/hosts.txt" >/dev/null 2>&1
run probe 19427 "$build/src/app/probe/vantrel-probe" --pause 1 --metrics-listen 127.0.0.1:19427 "$dir/hosts.txt"
# smokeping_prober takes its hosts as arguments; an empty target file keeps it from reading /etc.
printf 'targets: []\n' >"$dir/smokeping.yml"
run smokeping 19374 prometheus-smokeping-prober --config.file="$dir/smokeping.yml" \
    --web.listen-address=127.0.0.1:19374 -i 1s $(cat "$dir/hosts.txt")
python3 - "$hosts" "$seconds" "$dir" <<'PY'
import re, sys
hosts, seconds, folder = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
def usage(name):
    u, s, kb, wall = open(f"{folder}/{name}").read().split()[-4:]
    return float(u) + float(s), int(kb), float(wall)
def total(name, family):
    try:
        text = open(f"{folder}/{name}.metrics").read()
    except OSError:
        return 0.0
    return sum(float(m.group(1)) for m in re.finditer(rf"^{family}(?:{{[^}}]*}})? (\S+)$", text, re.M))
floor, floor_kb, _ = usage("floor")
print(f"{hosts} hosts, 1 s interval, {seconds:.0f} s")
print(f"floor, one round: {floor:.2f} s CPU; {seconds:.0f} rounds of it: {floor*seconds:.2f} s ({100*floor:.1f} % of a core)")
ratio = lambda cpu: f", {cpu/(floor*seconds):.2f}x the floor" if floor > 0 else ""
rows = {"vantrel-probe": ("probe", "vantrel_echo_replies_total", "vantrel_echo_requests_total"),
        "smokeping_prober": ("smokeping", "smokeping_response_duration_seconds_count", "smokeping_requests_total")}
cpus = {}
for label, (name, answered, sent) in rows.items():
    cpu, kb, wall = usage(name)
    cpus[label] = cpu / wall
    a, s = total(name, answered), total(name, sent)
    share = f"{100*a/s:.1f} % of {s:.0f} echoes answered" if s > 0 else "no echoes counted"
    print(f"{label}: {cpu:.2f} s CPU in {wall:.1f} s ({100*cpu/wall:.1f} % of a core){ratio(cpu*seconds/wall)}; "
          f"peak {kb/1024:.1f} MB; {share}")
if cpus["smokeping_prober"] > 0:
    print(f"vantrel-probe / smokeping_prober, share of a core: {cpus['vantrel-probe']/cpus['smokeping_prober']:.3f}x")
PY
