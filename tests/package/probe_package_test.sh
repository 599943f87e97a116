#!/usr/bin/env bash
# Builds the vantrel-probe package, checks that it depends on no display library, installs it with apt-get, and
# runs its service: through systemd where systemd runs, otherwise the unit's command line as the unit would run it
# (its options file, an unprivileged user with CAP_NET_RAW only). Then /metrics must answer on 127.0.0.1:9427.
# Needs root; exits 77 (skipped) otherwise. Removes the package again.
set -euo pipefail
build=$1
if [ "$(id -u)" -ne 0 ] || ! command -v dpkg >/dev/null || ! command -v setpriv >/dev/null; then
    echo "skipped: needs root, dpkg and setpriv"
    exit 77
fi
if dpkg-query -W -f='${Status}' vantrel-probe 2>/dev/null | grep -q "install ok installed"; then
    echo "skipped: a vantrel-probe package is installed here already; not touching it"
    exit 77
fi
work=$(mktemp -d)
chmod 755 "$work"
probe_pid=
cleanup() {
    [ -n "$probe_pid" ] && kill "$probe_pid" 2>/dev/null || true
    dpkg --purge vantrel-probe >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

fetch_metrics() { # bash's own TCP, so the test needs no HTTP client
    exec 3<>/dev/tcp/127.0.0.1/9427
    printf 'GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n' >&3
    timeout 5 cat <&3 || true
    exec 3<&-
}

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/vantrel-probe_*.deb)
dpkg-deb --info "$deb" | grep -E "Package|Version|Depends"
depends=$(dpkg-deb -f "$deb" Depends | sed -e 's/([^)]*)//g' -e 's/|/,/g' | tr ',' '\n' | xargs)
display='^(libqt6gui6|libqt6widgets6|libqt6opengl6|qt6-qpa-plugins|libgl1|libegl1|libopengl0|libx11-6|libxcb1|libwayland-client0)$'
# Every package the dependencies pull, recursively: none of them draws anything on a screen.
pulled=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
             --no-enhances $depends 2>/dev/null | grep -v '^ ' | sort -u)
if echo "$pulled" | grep -E "$display"; then
    echo "FAIL: the probe package pulls a display library"
    exit 1
fi
echo "dependencies pull $(echo "$pulled" | wc -l) packages, no display library"
contents=$(dpkg-deb --contents "$deb")
grep -q "./lib/systemd/system/vantrel-probe.service" <<<"$contents"
grep -q "./usr/bin/vantrel-probe" <<<"$contents"
if grep -Eq "libQt6Gui|libQt6Widgets" <<<"$contents"; then
    echo "FAIL: GUI files in the package"
    exit 1
fi

(cd "$work" && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "./$(basename "$deb")" 2>&1 \
    | grep -E "vantrel-probe|Setting up" || true)
test -x /usr/bin/vantrel-probe
test -f /etc/vantrel/hosts.txt
test -f /etc/vantrel/targets.yml
test -f /etc/default/vantrel-probe
test -f /usr/share/vantrel-probe/vantrel.rules.yml
test -f /usr/share/vantrel-probe/grafana/vantrel.json
unit=/lib/systemd/system/vantrel-probe.service
test -f "$unit"
if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify "$unit" 2>&1 | grep -v "^$" || true
fi

if [ -d /run/systemd/system ] && pidof systemd >/dev/null; then
    systemctl is-enabled vantrel-probe.service
    for _ in $(seq 50); do systemctl is-active --quiet vantrel-probe.service && break; sleep 0.2; done
    systemctl is-active vantrel-probe.service
else
    echo "no systemd here: running the unit's command line as the unit would"
    # The unit's default options, then its options file, as systemd reads them.
    VANTREL_PROBE_OPTS=$(sed -n 's/^Environment="VANTREL_PROBE_OPTS=\(.*\)"$/\1/p' "$unit")
    # shellcheck disable=SC1091
    . /etc/default/vantrel-probe
    exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
    command_line=${exec_start//\$VANTREL_PROBE_OPTS/$VANTREL_PROBE_OPTS}
    echo "$command_line"
    # DynamicUser: an unprivileged user and group of its own; AmbientCapabilities=CAP_NET_RAW, nothing else.
    # shellcheck disable=SC2086
    setpriv --reuid=61427 --regid=61427 --clear-groups --inh-caps=-all,+net_raw --ambient-caps=-all,+net_raw \
        --bounding-set=-all,+net_raw --no-new-privs $command_line >/dev/null 2>"$work/probe.err" &
    probe_pid=$!
fi

metrics=
for _ in $(seq 50); do
    metrics=$(fetch_metrics 2>/dev/null || true)
    echo "$metrics" | grep -q '^vantrel_up{host="127.0.0.1"} 1' && break
    sleep 0.2
done
echo "$metrics" | head -1
echo "$metrics" | grep '^vantrel_up'
echo "$metrics" | grep -q '^vantrel_up{host="127.0.0.1"} 1'

if [ -n "$probe_pid" ]; then
    kill -HUP "$probe_pid" # ExecReload
    sleep 0.5
    kill -0 "$probe_pid"
    kill -TERM "$probe_pid"
    wait "$probe_pid"
    probe_pid=
    cat "$work/probe.err"
    grep -q "list files read again: 1 hosts kept" "$work/probe.err"
fi
echo "installed probe package serves /metrics on 127.0.0.1:9427"
