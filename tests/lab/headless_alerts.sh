#!/usr/bin/env bash
# vantrel --headless and the states beyond up and down, inside the lab's client namespace (netlab.sh run --
# headless_alerts.sh VANTREL NETLAB): slow150.lab is degraded by its round trips and never down; of two
# blackholed hosts, the one behind the other is unreachable while the other is down; flap.lab alternating
# between answering and silence is marked flapping, after which its changes still show but run no command;
# and a real Alertmanager on the namespace's loopback receives flap.lab's down alert and sees it resolved.
set -eu
program=$1
netlab=$2
dir=$(mktemp -d)
am_pid=
cleanup() {
    [ -n "$am_pid" ] && kill "$am_pid" 2>/dev/null && wait "$am_pid" 2>/dev/null
    "$netlab" flap "$NETLAB_SUFFIX" answer >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap cleanup EXIT
fail() {
    echo "headless_alerts: $*" >&2
    for f in "$dir"/*.txt "$dir"/*.log; do
        [ -f "$f" ] && { echo "== $f" >&2; cat "$f" >&2; }
    done
    exit 1
}
hook="sh -c 'echo \"\$VANTREL_HOST \$VANTREL_STATE\" >>$dir/hook.log'"
# The event lines of a run: "STATE HOST" each.
events() { sed -n 's/^[0-9][0-9T:.+Z-]* \([a-z]*\) \([^ ]*\).*/\1 \2/p' "$1"; }

# Degraded by a mean round trip above 100 ms over 3 rounds; 150 ms is within the 200 ms timeout, so never down.
echo 10.77.5.4 >"$dir/slow.list"
"$program" --headless --rounds 6 --pause 0.2 --degraded-rtt 100 --degraded-window 3 --output "$dir/slow-out.txt" \
    "$dir/slow.list" 2>"$dir/slow.txt" || fail "slow: exit $?"
[ "$(events "$dir/slow.txt")" = "degraded 10.77.5.4" ] || fail "slow150.lab is not degraded, or more happened"

# A parent and the host behind it, both blackholed from the start: down for the parent, unreachable for the child.
printf '%s\n' 10.99.0.2 10.99.0.1 >"$dir/deps.list"
printf '# child parent\n10.99.0.2 10.99.0.1\n' >"$dir/deps.conf"
rm -f "$dir/hook.log"
"$program" --headless --rounds 4 --pause 0.2 --dependencies "$dir/deps.conf" --on-change "$hook" \
    --output "$dir/deps-out.txt" "$dir/deps.list" 2>"$dir/deps.txt" || fail "dependencies: exit $?"
[ "$(events "$dir/deps.txt" | sort)" = "$(printf 'down 10.99.0.1\nunreachable 10.99.0.2')" ] ||
    fail "not down for the parent and unreachable for the child"
[ "$(sort "$dir/hook.log")" = "$(printf '10.99.0.1 down\n10.99.0.2 unreachable')" ] || fail "the command did not run for both"

# Flapping: flap.lab answers for a second and is silent for a second; every change counts (down and up after
# one round), four changes in a minute make it flap.
echo 10.77.5.7 >"$dir/flap.list"
rm -f "$dir/hook.log"
"$netlab" flap "$NETLAB_SUFFIX" alternate 1 1 >/dev/null || fail "cannot switch flap.lab"
"$program" --headless --rounds 40 --pause 0.2 --down-after 1 --up-after 1 --flap-changes 4 --flap-minutes 1 \
    --on-change "$hook" --output "$dir/flap-out.txt" "$dir/flap.list" 2>"$dir/flap.txt" || fail "flap: exit $?"
"$netlab" flap "$NETLAB_SUFFIX" answer >/dev/null
events "$dir/flap.txt" >"$dir/flap-events.log"
flapping_at=$(grep -n '^flapping ' "$dir/flap-events.log" | cut -d: -f1)
[ "$flapping_at" = 5 ] || fail "flapping not marked right after the fourth change"
# Before it: down, up, down, up; after it, changes only (no end within the run).
[ "$(head -4 "$dir/flap-events.log" | cut -d' ' -f1 | tr '\n' ' ')" = "down up down up " ] ||
    fail "the changes before flapping are not down, up, down, up"
[ "$(wc -l <"$dir/flap-events.log")" -ge 7 ] || fail "too few changes after flapping began"
! tail -n +6 "$dir/flap-events.log" | grep -qv '^\(down\|up\) ' || fail "other events after flapping began"
# The command ran for the three changes before flapping and for its start, not for any change after.
[ "$(cut -d' ' -f2 "$dir/hook.log" | tr '\n' ' ')" = "down up down flapping " ] ||
    fail "the command ran for changes while flapping"

# Alertmanager: flap.lab silent, so down after three rounds and alerted; then answering, so resolved.
am=$(command -v prometheus-alertmanager || true)
if [ -z "$am" ]; then
    echo "headless_alerts: ok (Alertmanager not installed: its part skipped)"
    exit 0
fi
ip link set lo up
port=19093
printf "route:\n  receiver: 'null'\nreceivers:\n  - name: 'null'\n" >"$dir/am.yml"
"$am" --web.listen-address=127.0.0.1:$port --cluster.listen-address= --storage.path="$dir/am" \
    --config.file="$dir/am.yml" >"$dir/am.log" 2>&1 &
am_pid=$!
for _ in $(seq 1 100); do
    curl -sf "http://127.0.0.1:$port/-/ready" >/dev/null && break
    sleep 0.2
done
curl -sf "http://127.0.0.1:$port/-/ready" >/dev/null || fail "Alertmanager did not start"
alerts() { curl -sf "http://127.0.0.1:$port/api/v2/alerts?active=true" || echo '[]'; }
"$netlab" flap "$NETLAB_SUFFIX" silent >/dev/null
"$program" --headless --pause 0.2 --alertmanager "http://127.0.0.1:$port" --output "$dir/am-out.txt" \
    "$dir/flap.list" 2>"$dir/am-run.txt" &
run_pid=$!
found=
for _ in $(seq 1 100); do
    alerts >"$dir/alerts.txt"
    python3 - "$dir/alerts.txt" <<'PY' && found=1 && break
import json, sys
alerts = json.load(open(sys.argv[1]))
ok = [a for a in alerts if a["labels"].get("alertname") == "VantrelHostDown" and a["labels"].get("host") == "10.77.5.7"
      and a["labels"].get("severity") == "critical" and a["labels"].get("instance")
      and a["annotations"].get("status") and a["annotations"].get("since")]
sys.exit(0 if len(ok) == 1 else 1)
PY
    sleep 0.2
done
[ -n "$found" ] || { kill "$run_pid"; fail "Alertmanager has no VantrelHostDown for flap.lab"; }
"$netlab" flap "$NETLAB_SUFFIX" answer >/dev/null
resolved=
for _ in $(seq 1 100); do
    [ "$(alerts)" = "[]" ] && resolved=1 && break
    sleep 0.2
done
kill "$run_pid"
wait "$run_pid" || true
[ -n "$resolved" ] || fail "the alert was not resolved once flap.lab answered"
echo "headless_alerts: ok"
