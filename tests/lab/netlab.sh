#!/usr/bin/env bash
# Builds a small routed network out of network namespaces so the echo engine meets real answers, silence,
# ICMP errors and TTL loops without sending a single packet beyond the namespaces it made.
#
#   netlab.sh up SUFFIX | down SUFFIX | exec SUFFIX CMD...   manage a lab by hand
#   netlab.sh flap SUFFIX answer|silent|alternate UP_S [DOWN_S]  switch flap.lab while a lab runs
#   netlab.sh run [--dgram] [--nocap] [--sites] -- CMD...       lab for one command, torn down afterwards
#   netlab.sh isolated [--dgram] [--nocap] -- CMD...            a lone namespace with only loopback, where
#                                                               every address of 127.0.0.0/8 and fd00:1::/64 answers
#
# --dgram opens net.ipv4.ping_group_range inside the client namespace, so ping sockets (ICMP and ICMPv6) work there.
# --nocap runs CMD without CAP_NET_RAW (ping_group_range stays closed unless --dgram): no ICMP at all.
# --sites adds three vantage points behind router1, one namespace each, for probes that watch the same hosts
# from different places; CMD gets their namespaces, in order, in NETLAB_SITE_NS (space-separated).
# Exits 77 (skipped) when not root or when network namespaces are not available.
# For CMD, run exports NETLAB_SUFFIX (for "netlab.sh flap $NETLAB_SUFFIX ..."), NETLAB_STATE_DIR and
# NETLAB_FLAP_MODE (the file flap.lab obeys: write "answer", "silent" or "alternate UP_S [DOWN_S]" to it).
#
# Addresses (all exist only inside the lab):
#   client 10.77.1.2 -- 10.77.1.1 router1
#   router1 10.77.2.1 -- 10.77.2.2 answer.lab (answers echoes; its namespace is $NETLAB_ANSWER_NS for CMD)
#   router1 10.77.3.1 -- 10.77.3.2 quiet.lab  (ignores echoes)
#   router1 10.77.4.1 -- 10.77.4.2 router2; 10.97.0.0/16 is routed back and forth between them (TTL expires)
#   router1: 10.99.0.0/16 blackhole (silence), 10.98.0.0/16 unreachable (ICMP host unreachable)
#   router1 10.77.6.1 -- 10.77.6.2 mtu.lab, a link with MTU 1000: router1 answers 1400 bytes with DF set by
#           "fragmentation needed" (mtu 1000), fragments them without DF, and mtu.lab answers
#   router1 10.77.1K.1 -- 10.77.1K.2 site K (K = 1, 2, 3; with --sites only), fd00:77:1K::1 -- ::2 in IPv6
#   router1 10.77.5.1 -- 10.77.5.2 the behaving hosts, one namespace whose kernel ignores echoes and where
#           scripts/lab-echo-responder.py answers by destination address (NETLAB_LOSSY_EVERY=N at "up" or
#           "run" makes lossy.lab answer every N-th echo instead):
#           10.77.5.3 slow.lab     every echo after 300 ms (past the 200 ms default timeout)
#           10.77.5.4 slow150.lab  every echo after 150 ms (slow, but within 200 ms)
#           10.77.5.5 lossy.lab    every second echo from each source address (the 2nd, 4th, ...); the rest dropped
#           10.77.5.6 dup.lab      every echo twice, after 5 ms
#           10.77.5.7 flap.lab     answers or stays silent as "netlab.sh flap" last said (answers at first)
# and the same in IPv6 (unique local addresses, never routed anywhere else):
#   client fd00:77:1::2 -- fd00:77:1::1 router1
#   router1 fd00:77:2::1 -- fd00:77:2::2 answer.lab (also 10.77.2.2), answer6.lab (IPv6 only)
#   router1 fd00:77:3::1 -- fd00:77:3::2 quiet6.lab (ignores echoes)
#   router1 fd00:77:4::1 -- fd00:77:4::2 router2; fd00:97::/64 is routed back and forth (hop limit expires)
#   router1: fd00:99::/64 blackhole, fd00:98::/64 unreachable (ICMPv6 no route),
#            fd00:96::/64 prohibit (ICMPv6 administratively prohibited)
#   router1 fd00:77:6::1 -- fd00:77:6::2 mtu.lab, on a link of its own with MTU 1280 (the least IPv6 allows):
#           1400 bytes get "packet too big" (mtu 1280) from router1, and the client fragments them after that
#   router1 fd00:77:5::1 -- fd00:77:5::2 the behaving hosts: fd00:77:5::3 slow.lab, ::4 slow150.lab,
#           ::5 lossy.lab, ::6 dup.lab, ::7 flap.lab, as in IPv4 (each name has both families)
# A client remembers a smaller path MTU for a while: "ip route flush cache" (and "ip -6 route flush cache")
# in the client namespace brings back the router's first error.
set -u

SKIP=77
RESPONDER=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/lab-echo-responder.py

die() {
    echo "netlab: $*" >&2
    exit 1
}

ns() { echo "vl$1-$2"; }

# Files a running lab keeps: flap.lab's mode, the responder's log and the file it writes once it answers.
state_dir() { echo "/run/netlab/$1"; }

can_run() {
    [ "$(id -u)" = 0 ] || { echo "netlab: needs root, skipping" >&2; return 1; }
    command -v ip >/dev/null || { echo "netlab: no ip command, skipping" >&2; return 1; }
    local probe
    probe=$(ns probe $$)
    ip netns add "$probe" 2>/dev/null || { echo "netlab: ip netns unavailable, skipping" >&2; return 1; }
    ip netns del "$probe"
}

in_ns() {
    local name=$1
    shift
    ip netns exec "$name" "$@"
}

link() { # link NS_A IF_A ADDR_A NS_B IF_B ADDR_B PREFIX6 (A gets PREFIX6::1/64, B ::2)
    ip -n "$1" link add "$2" type veth peer name "$5" netns "$4" || return 1
    # nodad: duplicate address detection would keep the addresses unusable for a second or two.
    ip -n "$1" addr add "$3" dev "$2" && ip -n "$1" addr add "$7::1/64" dev "$2" nodad &&
        ip -n "$1" link set "$2" up &&
        ip -n "$4" addr add "$6" dev "$5" && ip -n "$4" addr add "$7::2/64" dev "$5" nodad &&
        ip -n "$4" link set "$5" up
}

lab_up() {
    local s=$1 c r1 r2 a q t m
    c=$(ns c "$s") r1=$(ns r1 "$s") r2=$(ns r2 "$s") a=$(ns a "$s") q=$(ns q "$s") t=$(ns t "$s") m=$(ns m "$s")
    for n in "$c" "$r1" "$r2" "$a" "$q" "$t" "$m"; do
        ip netns add "$n" || return 1
        ip -n "$n" link set lo up || return 1
        in_ns "$n" sysctl -qw net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0 || return 1
    done
    link "$r1" toc 10.77.1.1/24 "$c" eth0 10.77.1.2/24 fd00:77:1 &&
        link "$r1" toa 10.77.2.1/24 "$a" eth0 10.77.2.2/24 fd00:77:2 &&
        link "$r1" toq 10.77.3.1/24 "$q" eth0 10.77.3.2/24 fd00:77:3 &&
        link "$r1" tor2 10.77.4.1/24 "$r2" tor1 10.77.4.2/24 fd00:77:4 &&
        link "$r1" tot 10.77.5.1/24 "$t" eth0 10.77.5.2/24 fd00:77:5 || return 1
    # mtu.lab: IPv6 turns itself off on a link below 1280 bytes, so each family gets a link of its own.
    ip -n "$r1" link add tom4 mtu 1000 type veth peer name eth0 netns "$m" mtu 1000 &&
        ip -n "$r1" link add tom6 mtu 1280 type veth peer name eth1 netns "$m" mtu 1280 &&
        ip -n "$r1" addr add 10.77.6.1/24 dev tom4 && ip -n "$m" addr add 10.77.6.2/24 dev eth0 &&
        ip -n "$r1" addr add fd00:77:6::1/64 dev tom6 nodad && ip -n "$m" addr add fd00:77:6::2/64 dev eth1 nodad &&
        ip -n "$r1" link set tom4 up && ip -n "$r1" link set tom6 up &&
        ip -n "$m" link set eth0 up && ip -n "$m" link set eth1 up || return 1
    for i in 3 4 5 6 7; do
        ip -n "$t" addr add "10.77.5.$i/24" dev eth0 && ip -n "$t" addr add "fd00:77:5::$i/64" dev eth0 nodad ||
            return 1
    done
    ip -n "$c" route add default via 10.77.1.1 &&
        ip -n "$a" route add default via 10.77.2.1 &&
        ip -n "$q" route add default via 10.77.3.1 &&
        ip -n "$t" route add default via 10.77.5.1 &&
        ip -n "$m" route add default via 10.77.6.1 &&
        ip -n "$r2" route add default via 10.77.4.1 &&
        ip -n "$r1" route add blackhole 10.99.0.0/16 &&
        ip -n "$r1" route add unreachable 10.98.0.0/16 &&
        ip -n "$r1" route add 10.97.0.0/16 via 10.77.4.2 &&
        ip -n "$r2" route add 10.97.0.0/16 via 10.77.4.1 || return 1
    ip -n "$c" -6 route add default via fd00:77:1::1 &&
        ip -n "$a" -6 route add default via fd00:77:2::1 &&
        ip -n "$q" -6 route add default via fd00:77:3::1 &&
        ip -n "$t" -6 route add default via fd00:77:5::1 &&
        ip -n "$m" -6 route add default via fd00:77:6::1 &&
        ip -n "$r2" -6 route add default via fd00:77:4::1 &&
        ip -n "$r1" -6 route add blackhole fd00:99::/64 &&
        ip -n "$r1" -6 route add unreachable fd00:98::/64 &&
        ip -n "$r1" -6 route add prohibit fd00:96::/64 &&
        ip -n "$r1" -6 route add fd00:97::/64 via fd00:77:4::2 &&
        ip -n "$r2" -6 route add fd00:97::/64 via fd00:77:4::1 || return 1
    for r in "$r1" "$r2"; do
        # Errors are what we test, so the routers must not rate-limit them.
        in_ns "$r" sysctl -qw net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0 \
            net.ipv6.conf.all.forwarding=1 net.ipv6.icmp.ratelimit=0 || return 1
    done
    for n in "$q" "$t"; do
        in_ns "$n" sysctl -qw net.ipv4.icmp_echo_ignore_all=1 net.ipv6.icmp.echo_ignore_all=1 || return 1
    done
    start_responder "$s" || return 1
    # ip netns exec bind-mounts these over /etc for processes in the client namespace.
    mkdir -p "/etc/netns/$c" || return 1
    # answer.lab has both families (pinged over IPv4 unless told otherwise), answer6.lab only IPv6.
    printf '%s\n' '127.0.0.1 localhost' '10.77.1.2 client.lab' '10.77.1.1 router.lab' '10.77.2.2 answer.lab' \
        '10.77.3.2 quiet.lab' 'fd00:77:2::2 answer.lab' 'fd00:77:2::2 answer6.lab' 'fd00:77:3::2 quiet6.lab' \
        '10.77.6.2 mtu.lab' 'fd00:77:6::2 mtu.lab' \
        '10.77.5.3 slow.lab' '10.77.5.4 slow150.lab' '10.77.5.5 lossy.lab' '10.77.5.6 dup.lab' '10.77.5.7 flap.lab' \
        'fd00:77:5::3 slow.lab' 'fd00:77:5::4 slow150.lab' 'fd00:77:5::5 lossy.lab' 'fd00:77:5::6 dup.lab' \
        'fd00:77:5::7 flap.lab' >"/etc/netns/$c/hosts"
    # Names the hosts file lacks go to a resolver that is not there, inside the namespace: no traffic leaves.
    printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"/etc/netns/$c/resolv.conf"
    echo "$c"
}

# The sites of --sites: a namespace each, on a link of its own to router1, which routes between them all.
sites_up() {
    local s=$1 r1 site k
    r1=$(ns r1 "$s")
    for k in 1 2 3; do
        site=$(ns "s$k" "$s")
        ip netns add "$site" && ip -n "$site" link set lo up &&
            in_ns "$site" sysctl -qw net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0 &&
            link "$r1" "tos$k" "10.77.1$k.1/24" "$site" eth0 "10.77.1$k.2/24" "fd00:77:1$k" &&
            ip -n "$site" route add default via "10.77.1$k.1" &&
            ip -n "$site" -6 route add default via "fd00:77:1$k::1" || return 1
        echo "$site"
    done
}

# One responder for all the behaving hosts, by destination address; up only returns once it answers.
start_responder() {
    local s=$1 state every=${NETLAB_LOSSY_EVERY:-2} i
    state=$(state_dir "$s")
    mkdir -p "$state" && echo answer >"$state/flap.mode" || return 1
    local hosts=()
    for a in 10.77.5. fd00:77:5::; do
        hosts+=("${a}3=delay:300" "${a}4=delay:150" "${a}5=every:$every" "${a}6=dup:5" "${a}7=mode:$state/flap.mode")
    done
    # Its output goes to a file: an open stdout would keep "$(lab_up ...)" waiting for as long as it runs.
    in_ns "$(ns t "$s")" python3 "$RESPONDER" --ready "$state/responder.ready" "${hosts[@]}" \
        </dev/null >"$state/responder.log" 2>&1 &
    for ((i = 0; i < 100; i++)); do
        [ -s "$state/responder.ready" ] && return 0
        kill -0 $! 2>/dev/null || break
        sleep 0.05
    done
    echo "netlab: the echo responder did not start:" >&2
    cat "$state/responder.log" >&2
    return 1
}

lab_down() {
    local s=$1 t pids i
    # Only the responder lives in the behaving hosts' namespace, and what a test left running in a site's; a
    # namespace outlives its name while a process is still in it, so those go first.
    for t in "$(ns t "$s")" "$(ns s1 "$s")" "$(ns s2 "$s")" "$(ns s3 "$s")"; do
        pids=$(ip netns pids "$t" 2>/dev/null)
        [ -n "$pids" ] || continue
        # shellcheck disable=SC2086 # one process id a word
        kill $pids 2>/dev/null
        for ((i = 0; i < 40; i++)); do
            [ -z "$(ip netns pids "$t" 2>/dev/null)" ] && break
            sleep 0.05
        done
        pids=$(ip netns pids "$t" 2>/dev/null)
        # shellcheck disable=SC2086
        [ -z "$pids" ] || kill -KILL $pids 2>/dev/null
    done
    for role in c r1 r2 a q t m iso s1 s2 s3; do
        ip netns del "$(ns "$role" "$s")" 2>/dev/null
        rm -rf "/etc/netns/$(ns "$role" "$s")"
    done
    rm -rf "$(state_dir "$s")"
    return 0
}

# flap SUFFIX answer|silent|alternate UP_S [DOWN_S]: the responder reads the mode at every echo.
flap() {
    local s=$1 mode=$2 seconds='^[0-9]*\.?[0-9]+$' state
    shift 2
    case $mode in
    answer | silent) [ $# = 0 ] || return 1 ;;
    alternate)
        [ $# = 1 ] || [ $# = 2 ] || return 1
        [[ $1 =~ $seconds && ${2:-1} =~ $seconds ]] || return 1
        ;;
    *) return 1 ;;
    esac
    state=$(state_dir "$s")
    [ -d "$state" ] || die "no lab $s is up"
    # Written whole and renamed, so an echo never meets a half-written mode; the new file's time starts
    # the alternation.
    echo "$mode $*" >"$state/flap.mode.new" && mv "$state/flap.mode.new" "$state/flap.mode"
}

# Runs CMD in namespace NAME, as asked: with ping sockets opened and/or without CAP_NET_RAW.
run_in() {
    local name=$1 dgram=$2 nocap=$3
    shift 3
    if [ "$dgram" = 1 ]; then
        in_ns "$name" sysctl -qw net.ipv4.ping_group_range="0 2147483647" || return 1
    fi
    if [ "$nocap" = 1 ]; then
        # Root without CAP_NET_RAW: no raw socket, and root's group is outside a closed ping_group_range.
        in_ns "$name" setpriv --inh-caps=-net_raw --bounding-set=-net_raw -- "$@"
    else
        in_ns "$name" "$@"
    fi
}

parse_flags() {
    DGRAM=0 NOCAP=0 SITES=0
    while [ $# -gt 0 ]; do
        case $1 in
        --dgram) DGRAM=1 ;;
        --nocap) NOCAP=1 ;;
        --sites) SITES=1 ;;
        --) shift; break ;;
        *) die "unknown option $1" ;;
        esac
        shift
    done
    ARGS=("$@")
    [ ${#ARGS[@]} -gt 0 ] || die "no command given"
}

command=${1:-}
shift || true
case $command in
up)
    [ $# = 1 ] || die "usage: up SUFFIX"
    lab_up "$1" || { lab_down "$1"; die "could not build the lab"; }
    ;;
down)
    [ $# = 1 ] || die "usage: down SUFFIX"
    lab_down "$1"
    ;;
flap)
    [ $# -ge 2 ] || die "usage: flap SUFFIX answer|silent|alternate UP_S [DOWN_S]"
    flap "$@" || die "usage: flap SUFFIX answer|silent|alternate UP_S [DOWN_S]"
    ;;
exec)
    [ $# -ge 2 ] || die "usage: exec SUFFIX CMD..."
    suffix=$1
    shift
    in_ns "$(ns c "$suffix")" "$@"
    ;;
run | isolated)
    parse_flags "$@"
    [ "$SITES" = 0 ] || [ "$command" = run ] || die "--sites needs run"
    can_run || exit $SKIP
    suffix=$$
    trap 'lab_down "$suffix"' EXIT
    trap 'exit 130' INT TERM
    if [ "$command" = run ]; then
        client=$(lab_up "$suffix") || die "could not build the lab"
        # Tests that silence the answering host mid-run reach its namespace by this name.
        export NETLAB_ANSWER_NS=$(ns a "$suffix")
        NETLAB_STATE_DIR=$(state_dir "$suffix")
        export NETLAB_SUFFIX=$suffix NETLAB_STATE_DIR
        export NETLAB_FLAP_MODE=$NETLAB_STATE_DIR/flap.mode
        if [ "$SITES" = 1 ]; then
            sites=$(sites_up "$suffix") || die "could not build the sites"
            export NETLAB_SITE_NS=${sites//$'\n'/ }
        fi
    else
        client=$(ns iso "$suffix")
        # A local route for a whole prefix on lo makes every address of it answer, as 127.0.0.0/8 does.
        ip netns add "$client" && ip -n "$client" link set lo up &&
            ip -n "$client" -6 route add local fd00:1::/64 dev lo || die "could not make a namespace"
    fi
    run_in "$client" "$DGRAM" "$NOCAP" "${ARGS[@]}"
    exit $?
    ;;
*)
    die "usage: netlab.sh up|down|flap|exec|run|isolated ..."
    ;;
esac
