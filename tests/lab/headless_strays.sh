#!/usr/bin/env bash
# vantrel --headless --stats inside the lab's client namespace (netlab.sh run [--dgram] -- headless_strays.sh
# VANTREL [VANTREL_PROBE]): dup.lab answers every echo twice, so each round brings one duplicate and still one
# success; slow.lab answers after 300 ms, past the default timeout of 200 ms, so each of its echoes fails and
# its reply comes late (the last round's only after the run has written its tables, hence one fewer at the
# least). Then the probe's metrics over loopback say the same.
set -eu
program=$1
probe=${2:-}
rounds=3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '%s\n' 10.77.5.6 fd00:77:5::6 10.77.5.3 fd00:77:5::3 >"$dir/list.txt"
fail() {
    echo "headless_strays: $*" >&2
    cat -A "$dir/out.txt" >&2
    exit 1
}
"$program" --headless --rounds "$rounds" --pause 0.6 --stats --output "$dir/out.txt" "$dir/list.txt" 2>/dev/null ||
    fail "exit $?"
tr -d '\r' <"$dir/out.txt" >"$dir/plain.txt"
# Column N of the row of a host in the results table (the first) or the statistics table (the second).
cell() {
    awk -F'\t' -v table="$1" -v host="$2" -v column="$3" '
        /^$/ { ++part; next }
        { sub(/ +$/, "", $1) }
        part + 1 == table && $1 == host { v = $column; gsub(/ +$/, "", v); print v }' "$dir/plain.txt"
}
[ "$(cell 2 "Host Name/IP" 10)" = Late ] && [ "$(cell 2 "Host Name/IP" 11)" = Duplicates ] ||
    fail "no Late and Duplicates columns"
for host in 10.77.5.6 fd00:77:5::6; do
    [ "$(cell 1 "$host" 3)" = "$rounds" ] || fail "$host: succeeded $(cell 1 "$host" 3), not $rounds"
    [ "$(cell 1 "$host" 4)" = 0 ] || fail "$host: failed $(cell 1 "$host" 4)"
    [ "$(cell 2 "$host" 11)" = "$rounds" ] || fail "$host: $(cell 2 "$host" 11) duplicates, not $rounds"
    [ "$(cell 2 "$host" 10)" = 0 ] || fail "$host: $(cell 2 "$host" 10) late"
done
for host in 10.77.5.3 fd00:77:5::3; do
    [ "$(cell 1 "$host" 4)" = "$rounds" ] || fail "$host: failed $(cell 1 "$host" 4), not $rounds"
    late=$(cell 2 "$host" 10)
    [ "$late" -ge $((rounds - 1)) ] 2>/dev/null && [ "$late" -le "$rounds" ] || fail "$host: $late late"
    [ "$(cell 2 "$host" 11)" = 0 ] || fail "$host: $(cell 2 "$host" 11) duplicates"
done
if [ -n "$probe" ]; then
    printf '%s\n' 10.77.5.6 10.77.5.3 >"$dir/probe.txt"
    "$probe" --metrics-listen 127.0.0.1:0 --pause 0.6 "$dir/probe.txt" 2>"$dir/probe-err.txt" &
    pid=$!
    value() { sed -n "s/^$1{host=\"$2\"} \([0-9]*\)\$/\1/p" "$dir/metrics.txt"; }
    ok=
    for _ in $(seq 1 60); do
        sleep 0.1
        port=$(sed -n 's|.*serving metrics at http://127.0.0.1:\([0-9]*\)/metrics|\1|p' "$dir/probe-err.txt")
        [ -n "$port" ] && curl -s "http://127.0.0.1:$port/metrics" >"$dir/metrics.txt" || continue
        [ "$(value vantrel_duplicate_replies_total 10.77.5.6)" -ge 2 ] 2>/dev/null &&
            [ "$(value vantrel_late_replies_total 10.77.5.3)" -ge 1 ] 2>/dev/null && ok=1 && break
    done
    kill "$pid"
    wait "$pid" || true
    [ -n "$ok" ] || { cat "$dir/metrics.txt" "$dir/probe-err.txt" >&2; fail "the probe's metrics show no strays"; }
    # Every duplicate was a reply more, never an answer more.
    [ "$(value vantrel_echo_replies_total 10.77.5.6)" = "$(value vantrel_echo_requests_total 10.77.5.6)" ] ||
        fail "dup.lab's replies counted twice in the metrics"
    [ "$(value vantrel_echo_replies_total 10.77.5.3)" = 0 ] || fail "slow.lab's late replies counted as answers"
fi
echo "headless_strays: ok"
