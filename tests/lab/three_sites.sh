#!/usr/bin/env bash
# Quorum across vantage points, with the real programs (netlab.sh run --sites -- three_sites.sh VANTREL_PROBE
# RULES): one vantrel-probe in each of the three sites watches answer.lab and mtu.lab, and site 3 alone also
# quiet.lab, which never answers. One Prometheus in the client namespace scrapes the three (one instance each)
# with the shipped rules and sends its alerts to an Alertmanager beside it, both on the client's loopback.
#   1. answer.lab silenced from site 1 only: no VantrelHostDown for it, not even pending.
#   2. silenced from sites 1 and 2: VantrelHostDown fires for it, labelled host and severity="critical" only,
#      none for mtu.lab; quiet.lab's fires from its only probe.
#   3. Alertmanager holds answer.lab's alert with the same labels.
# Exits 77 where Prometheus or Alertmanager is not installed.
set -u
probe=$1
rules=$2
for program in prometheus prometheus-alertmanager curl python3; do
    command -v "$program" >/dev/null || { echo "three_sites: no $program, skipping" >&2; exit 77; }
done
[ -n "${NETLAB_SITE_NS:-}" ] || { echo "three_sites: run me with netlab.sh run --sites" >&2; exit 1; }
read -r -a sites <<<"$NETLAB_SITE_NS"
[ ${#sites[@]} = 3 ] || { echo "three_sites: three sites expected, got: $NETLAB_SITE_NS" >&2; exit 1; }

answer=10.77.2.2 steady=10.77.6.2 quiet=10.77.3.2
# The client namespace is the test's own, so fixed ports on its loopback collide with nothing.
prom=http://127.0.0.1:9090 am=http://127.0.0.1:9093
# The shipped rule waits a minute before firing; here it waits 5 s, so the test takes well under one. Only
# that line differs from the shipped file, as checked below: the expressions and labels are the shipped ones.
hold=5

dir=$(mktemp -d)
pids=()
cleanup() {
    [ ${#pids[@]} = 0 ] || kill "${pids[@]}" 2>/dev/null
    wait
    rm -rf "$dir"
}
trap cleanup EXIT
fail() {
    echo "three_sites: $*" >&2
    for log in "$dir"/*.log; do
        echo "--- $(basename "$log")" >&2
        tail -n 20 "$log" >&2
    done
    exit 1
}

sed "/- alert: VantrelHostDown/,/for:/ s/^\( *for:\) 1m\$/\1 ${hold}s/" "$rules" >"$dir/rules.yml"
[ "$(diff "$rules" "$dir/rules.yml" | grep -c '^>')" = 1 ] || fail "VantrelHostDown's 'for: 1m' not found in $rules"

for k in 1 2 3; do
    list=$dir/site$k.txt
    printf '%s\n' "$answer" "$steady" >"$list"
    [ $k = 3 ] && echo "$quiet" >>"$list"
    # Half-second rounds, down after two failed ones: a silenced host reads down within about a second.
    ip netns exec "${sites[k - 1]}" "$probe" --pause 0.5 --down-after 2 --metrics-listen "10.77.1$k.2:9427" \
        "$list" >"$dir/probe$k.log" 2>&1 &
    pids+=($!)
done

printf '%s\n' 'route:' '  receiver: "null"' 'receivers:' '  - name: "null"' >"$dir/am.yml"
prometheus-alertmanager --config.file="$dir/am.yml" --storage.path="$dir/am" --web.listen-address=127.0.0.1:9093 \
    --cluster.listen-address= >"$dir/alertmanager.log" 2>&1 &
pids+=($!)

{
    printf '%s\n' 'global:' '  scrape_interval: 1s' '  scrape_timeout: 1s' '  evaluation_interval: 1s' \
        'rule_files:' "  - $dir/rules.yml" 'alerting:' '  alertmanagers:' '    - static_configs:' \
        "        - targets: ['127.0.0.1:9093']" 'scrape_configs:' '  - job_name: vantrel' '    static_configs:'
    for k in 1 2 3; do
        printf '%s\n' "      - targets: ['10.77.1$k.2:9427']" "        labels: {site: site$k}"
    done
} >"$dir/prometheus.yml"
prometheus --config.file="$dir/prometheus.yml" --storage.tsdb.path="$dir/data" --web.listen-address=127.0.0.1:9090 \
    >"$dir/prometheus.log" 2>&1 &
pids+=($!)

# wait_for SECONDS CMD...: true once CMD is, polling every half second; bounded in time and in tries.
wait_for() {
    local end=$((SECONDS + $1)) tries=0
    shift
    while ((SECONDS < end && tries++ < 400)); do
        "$@" && return 0
        sleep 0.5
    done
    return 1
}

# "SITE HOST VALUE" for every vantrel_up series Prometheus has, sorted.
up_series() {
    local body
    body=$(curl -sf --max-time 2 "$prom/api/v1/query?query=vantrel_up") || return 1
    python3 -c '
import json, sys
for r in json.load(sys.stdin)["data"]["result"]:
    print(r["metric"].get("site", "?"), r["metric"].get("host", "?"), r["value"][1])' <<<"$body" | sort
}
up_is() { # up_is LINE...: Prometheus has exactly these series
    [ "$(up_series)" = "$(printf '%s\n' "$@" | sort)" ]
}

# "STATE HOST LABELS" for each VantrelHostDown alert, LABELS being name=value pairs, sorted, comma-separated;
# from Prometheus (/api/v1/alerts) or from Alertmanager (/api/v2/alerts, its active ones, all "firing").
down_alerts() {
    local url body
    if [ "$1" = prometheus ]; then url=$prom/api/v1/alerts; else url="$am/api/v2/alerts?active=true"; fi
    body=$(curl -sf --max-time 2 "$url") || return 1
    python3 -c '
import json, sys
body = json.load(sys.stdin)
alerts = body["data"]["alerts"] if isinstance(body, dict) else body
for a in alerts:
    labels = a["labels"]
    if labels.get("alertname") == "VantrelHostDown":
        pairs = ",".join(k + "=" + v for k, v in sorted(labels.items()))
        print(a.get("state", "firing"), labels.get("host", "?"), pairs)' <<<"$body" | sort
}
expected_labels() { echo "alertname=VantrelHostDown,host=$1,severity=critical"; }
has_alert() { # has_alert prometheus|alertmanager HOST: fires for HOST
    down_alerts "$1" | grep -qxF "firing $2 $(expected_labels "$2")"
}

# Silences answer.lab as seen from site K: the site's kernel drops every packet from it, before the probe
# sees it, while the probe's own echoes still leave. No packet filter needed, only a routing rule: local
# delivery is looked up by rule 0 first, so it moves behind the blackhole rule for answer.lab's packets.
silence() {
    local site=${sites[$1 - 1]}
    ip -n "$site" rule add pref 100 lookup local && ip -n "$site" rule del pref 0 &&
        ip -n "$site" rule add pref 10 from "$answer" iif eth0 blackhole || fail "could not silence site $1"
}

all_up=()
for k in 1 2 3; do
    all_up+=("site$k $answer 1" "site$k $steady 1")
done
wait_for 60 up_is "${all_up[@]}" "site3 $quiet 0" ||
    fail "Prometheus never saw both hosts up from the three sites: $(up_series | tr '\n' ';')"

silence 1
one_down=("site1 $answer 0" "${all_up[@]:1}" "site3 $quiet 0")
wait_for 30 up_is "${one_down[@]}" || fail "answer.lab not down from site 1 alone: $(up_series | tr '\n' ';')"
# Long enough for the rule to have gone pending and fired had one site been enough.
end=$((SECONDS + hold + 6))
while ((SECONDS < end)); do
    alerts=$(down_alerts prometheus) || fail "Prometheus' /api/v1/alerts did not answer"
    ! grep -q " $answer " <<<"$alerts" || fail "VantrelHostDown for answer.lab seen from one site: $alerts"
    sleep 0.5
done
up_is "${one_down[@]}" || fail "the sites' views changed meanwhile: $(up_series | tr '\n' ';')"

silence 2
wait_for 40 has_alert prometheus "$answer" ||
    fail "no VantrelHostDown firing for answer.lab down from two sites: $(down_alerts prometheus | tr '\n' ';')"
up_is "site1 $answer 0" "site1 $steady 1" "site2 $answer 0" "site2 $steady 1" "site3 $answer 1" \
    "site3 $steady 1" "site3 $quiet 0" || fail "unexpected views: $(up_series | tr '\n' ';')"
# quiet.lab has been down at its only probe from the start, so its alert fires by now too; mtu.lab has none.
alerts=$(down_alerts prometheus) || fail "Prometheus' /api/v1/alerts did not answer"
[ "$alerts" = "$(printf 'firing %s %s\n' "$answer" "$(expected_labels "$answer")" \
    "$quiet" "$(expected_labels "$quiet")" | sort)" ] || fail "Prometheus' VantrelHostDown alerts: $alerts"

wait_for 30 has_alert alertmanager "$answer" ||
    fail "answer.lab's alert not at Alertmanager: $(down_alerts alertmanager | tr '\n' ';')"
echo "three_sites: ok"
