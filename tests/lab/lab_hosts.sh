#!/usr/bin/env bash
# The lab's behaving hosts as iputils ping and fping see them from the client, in IPv4 and IPv6: mtu.lab's
# router error with DF and fragments without, slow.lab and slow150.lab's delays, lossy.lab's every second
# answer, dup.lab's duplicates and flap.lab switched at run time; then that "down" leaves no responder behind.
#
#   lab_hosts.sh [NETLAB]      exits 77 where the lab cannot be built (not root, no ip netns)
set -u
net=${1:-$(dirname "$0")/netlab.sh}
suffix=h$$
[ "$(id -u)" = 0 ] || { echo "lab_hosts: needs root, skipping" >&2; exit 77; }
command -v fping >/dev/null || { echo "lab_hosts: no fping, skipping" >&2; exit 77; }
trap '"$net" down "$suffix"' EXIT
"$net" up "$suffix" >/dev/null || exit 77
responder=$(cat "/run/netlab/$suffix/responder.ready")

failures=0
fail() {
    echo "lab_hosts: $1" >&2
    printf '%s\n' "$2" | sed 's/^/    /' >&2
    failures=$((failures + 1))
}
in_client() { "$net" exec "$suffix" "$@" 2>&1; }
# Milliseconds of the first answer in ping's output, whole.
rtt() { sed -n 's/.* time=\([0-9.]*\) ms.*/\1/p' <<<"$1" | head -n 1 | cut -d. -f1; }
received() { sed -n 's/.* \([0-9]*\) received.*/\1/p' <<<"$1"; }

for f in 4 6; do
    if [ $f = 4 ]; then too_big="Frag needed and DF set (mtu = 1000)"; else too_big="Packet too big: mtu=1280"; fi
    # A path MTU the client learnt earlier would turn the router's error into a local one.
    in_client ip -$f route flush cache >/dev/null
    out=$(in_client ping -$f -n -c 1 -W 1 -M "do" -s 1400 mtu.lab)
    grep -qF "$too_big" <<<"$out" && [ "$(received "$out")" = 0 ] || fail "IPv$f mtu.lab with DF: no router error" "$out"
    # Without DF: router1 fragments IPv4 itself; IPv6 is fragmented by the client once it learnt the MTU.
    out=$(in_client ping -$f -n -c 3 -i 0.2 -W 1 -M dont -s 1400 mtu.lab)
    [ "$(received "$out")" -ge 1 ] && grep -q "^1408 bytes from" <<<"$out" || fail "IPv$f mtu.lab without DF" "$out"

    out=$(in_client ping -$f -n -c 1 -W 2 slow.lab)
    [ "$(rtt "$out")" -ge 290 ] 2>/dev/null || fail "IPv$f slow.lab not slow" "$out"
    out=$(in_client fping -$f -t 200 -r 0 slow.lab)
    [ "$out" = "slow.lab is unreachable" ] || fail "IPv$f slow.lab answered within 200 ms" "$out"
    out=$(in_client fping -$f -t 1000 -r 0 slow.lab)
    [ "$out" = "slow.lab is alive" ] || fail "IPv$f slow.lab silent for 1000 ms" "$out"

    out=$(in_client ping -$f -n -c 1 -W 2 slow150.lab)
    [ "$(rtt "$out")" -ge 145 ] 2>/dev/null || fail "IPv$f slow150.lab not slow" "$out"
    out=$(in_client fping -$f -t 1000 -r 0 slow150.lab)
    [ "$out" = "slow150.lab is alive" ] || fail "IPv$f slow150.lab silent" "$out"

    # Whatever came before, four echoes from one source meet two even arrivals.
    out=$(in_client ping -$f -n -c 4 -i 0.2 -W 1 lossy.lab)
    [ "$(received "$out")" = 2 ] || fail "IPv$f lossy.lab: not 2 of 4 answered" "$out"
    out=$(in_client fping -$f -q -c 4 -p 100 -t 500 lossy.lab)
    grep -q "xmt/rcv/%loss = 4/2/50%" <<<"$out" || fail "IPv$f lossy.lab: fping not 2 of 4" "$out"

    out=$(in_client ping -$f -n -c 2 -i 0.3 -W 1 dup.lab)
    grep -q "icmp_seq=1 .*(DUP!)" <<<"$out" && [ "$(received "$out")" = 2 ] || fail "IPv$f dup.lab: no duplicate" "$out"

    "$net" flap "$suffix" silent
    out=$(in_client ping -$f -n -c 2 -i 0.2 -W 1 flap.lab)
    [ "$(received "$out")" = 0 ] || fail "IPv$f flap.lab answered while silent" "$out"
    "$net" flap "$suffix" answer
    out=$(in_client ping -$f -n -c 2 -i 0.2 -W 1 flap.lab)
    [ "$(received "$out")" = 2 ] || fail "IPv$f flap.lab silent while answering" "$out"
    out=$(in_client fping -$f -t 500 -r 0 flap.lab)
    [ "$out" = "flap.lab is alive" ] || fail "IPv$f flap.lab: fping got no answer" "$out"
    # Alternating by itself, a second each way: 3 s of echoes meet both.
    "$net" flap "$suffix" alternate 1
    out=$(in_client ping -$f -n -c 12 -i 0.25 -W 0.2 flap.lab)
    n=$(received "$out")
    [ "$n" -gt 0 ] && [ "$n" -lt 12 ] || fail "IPv$f flap.lab did not alternate" "$out"
    "$net" flap "$suffix" answer
done

"$net" down "$suffix"
trap - EXIT
kill -0 "$responder" 2>/dev/null && fail "the echo responder outlived the lab" "$(ps -fp "$responder")"
left=$(ip netns list | grep -- "-$suffix\b")
[ -z "$left" ] || fail "namespaces outlived the lab" "$left"
[ ! -e "/run/netlab/$suffix" ] || fail "the lab's state outlived it" "/run/netlab/$suffix"

[ $failures = 0 ] || exit 1
echo "lab_hosts: ok"
