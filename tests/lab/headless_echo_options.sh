#!/usr/bin/env bash
# vantrel --headless inside the lab's client namespace (netlab.sh run [--dgram] -- headless_echo_options.sh
# VANTREL): answer.lab is one router away, so --ttl 1 ends at that router ("TTL expired transit", for IPv6 the
# hop limit) and --ttl 2 reaches it, as does the system's TTL; slow.lab answers after 300 ms, so it times out
# at the default 200 ms and answers with --timeout 1000; mtu.lab sits behind a link of MTU 1000 (IPv6: 1280),
# so 1400 bytes with --dont-fragment give "Packet too big" and without it cross in fragments. --source and
# --interface: the echoes leave from the address and interface named, and ones the machine lacks are refused.
# --count 4: lossy.lab answers every second echo from a source, so two of the four are answered, the last of
# them among them, and the row shows 50.00% failed.
set -eu
program=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '%s\n' 10.77.2.2 fd00:77:2::2 >"$dir/list.txt"
fail() {
    echo "headless_echo_options: $*" >&2
    for f in "$dir"/*.txt; do cat -A "$f" >&2; done
    exit 1
}
# Column 6 (the status) of the row of a host, trailing padding removed.
status() { awk -F'\t' -v host="$2" '{ sub(/ +$/, "", $1) } $1 == host { gsub(/ +$/, "", $6); print $6 }' "$1"; }
for ttl in 1 2 default; do
    if [ "$ttl" = default ]; then set --; else set -- --ttl "$ttl"; fi
    "$program" --headless --rounds 1 "$@" --output "$dir/ttl-$ttl.txt" "$dir/list.txt" 2>/dev/null ||
        fail "--ttl $ttl: exit $?"
done
for host in 10.77.2.2 fd00:77:2::2; do
    [ "$(status "$dir/ttl-1.txt" "$host")" = "TTL expired transit" ] || fail "$host with --ttl 1"
    [ "$(status "$dir/ttl-2.txt" "$host")" = "Success" ] || fail "$host with --ttl 2"
    [ "$(status "$dir/ttl-default.txt" "$host")" = "Success" ] || fail "$host with the system's TTL"
done
"$program" --headless --rounds 1 --ttl 0 "$dir/list.txt" 2>"$dir/err.txt" >/dev/null && fail "--ttl 0 accepted"
grep -q -- "--ttl must be between 1 and 255" "$dir/err.txt" || fail "--ttl 0: $(cat "$dir/err.txt")"
printf '%s\n' 10.77.5.3 fd00:77:5::3 >"$dir/slow.txt"
"$program" --headless --rounds 1 --output "$dir/slow-default.txt" "$dir/slow.txt" 2>/dev/null || fail "slow: exit $?"
"$program" --headless --rounds 1 --timeout 1000 --output "$dir/slow-1000.txt" "$dir/slow.txt" 2>/dev/null ||
    fail "slow --timeout 1000: exit $?"
for host in 10.77.5.3 fd00:77:5::3; do
    [ "$(status "$dir/slow-default.txt" "$host")" = "Request timed out" ] || fail "$host at the default timeout"
    [ "$(status "$dir/slow-1000.txt" "$host")" = "Success" ] || fail "$host with --timeout 1000"
done
# The path MTU the kernel learns would hide the router's error from the next run: forget it first.
flush() { ip -4 route flush cache >/dev/null 2>&1 || true; ip -6 route flush cache >/dev/null 2>&1 || true; }
printf '%s\n' 10.77.6.2 fd00:77:6::2 >"$dir/mtu.txt"
flush
"$program" --headless --rounds 1 --size 1400 --dont-fragment --output "$dir/df.txt" "$dir/mtu.txt" 2>/dev/null ||
    fail "--dont-fragment: exit $?"
flush
# IPv6 routers never fragment: the first big echo brings the router's error, the next ones go in pieces.
"$program" --headless --rounds 2 --pause 0.2 --size 1400 --output "$dir/frag.txt" "$dir/mtu.txt" 2>/dev/null ||
    fail "--size 1400: exit $?"
for host in 10.77.6.2 fd00:77:6::2; do
    [ "$(status "$dir/df.txt" "$host")" = "Packet too big" ] || fail "$host with --size 1400 --dont-fragment"
    [ "$(status "$dir/frag.txt" "$host")" = "Success" ] || fail "$host with --size 1400"
done
printf '%s\n' 10.77.5.5 fd00:77:5::5 >"$dir/lossy.txt"
"$program" --headless --rounds 1 --count 4 --interval 20 --output "$dir/count.txt" "$dir/lossy.txt" 2>/dev/null ||
    fail "--count 4: exit $?"
# Columns 3 to 6 of a host's row: succeeded, failed, % failed, status.
counts() {
    awk -F'\t' -v host="$2" '{ for (i = 1; i <= NF; ++i) sub(/ +$/, "", $i) } $1 == host { print $3 "|" $4 "|" $5 "|" $6 }' "$1"
}
for host in 10.77.5.5 fd00:77:5::5; do
    [ "$(counts "$dir/count.txt" "$host")" = "2|2|50.00%|Success" ] || fail "$host with --count 4"
done
"$program" --headless --rounds 1 --count 101 "$dir/lossy.txt" 2>"$dir/err.txt" >/dev/null && fail "--count 101 accepted"
grep -q -- "--count must be between 1 and 100" "$dir/err.txt" || fail "--count 101: $(cat "$dir/err.txt")"
route=$(ip -o -4 route get 10.77.2.2)
iface=$(echo "$route" | sed -n 's/.* dev \([^ ]*\).*/\1/p')
src=$(echo "$route" | sed -n 's/.* src \([^ ]*\).*/\1/p')
src6=$(ip -o -6 route get fd00:77:2::2 | sed -n 's/.* src \([^ ]*\).*/\1/p')
# An address of this machine that no router knows the way back to: echoes sent from it get no answer.
ip addr add 10.123.0.1/32 dev lo
printf '%s\n' 10.77.2.2 >"$dir/one.txt"
printf '%s\n' fd00:77:2::2 >"$dir/one6.txt"
run() {
    local rc=0
    "$program" --headless --rounds 1 "$@" >"$dir/out.txt" 2>"$dir/err.txt" || rc=$?
    tail -n +2 "$dir/out.txt" >"$dir/row.txt"
    return $rc
}
row_status() { awk -F'\t' '{ gsub(/ +$/, "", $6); print $6 }' "$dir/row.txt"; }
run --source "$src" "$dir/one.txt" && [ "$(row_status)" = Success ] || fail "--source $src"
run --source "$src6" "$dir/one6.txt" && [ "$(row_status)" = Success ] || fail "--source $src6"
run --source 10.123.0.1 "$dir/one.txt" && [ "$(row_status)" = "Request timed out" ] || fail "--source 10.123.0.1 was not used"
run --interface "$iface" "$dir/one.txt" && [ "$(row_status)" = Success ] || fail "--interface $iface"
run --interface lo "$dir/one.txt" && [ "$(row_status)" != Success ] || fail "--interface lo reached the host"
for refused in "--source 10.77.1.99" "--interface nosuch0"; do
    # shellcheck disable=SC2086
    if run $refused "$dir/one.txt"; then fail "$refused accepted"; fi
    grep -q "this machine has no such" "$dir/err.txt" || fail "$refused: $(cat "$dir/err.txt")"
done
echo "headless_echo_options: ok"
