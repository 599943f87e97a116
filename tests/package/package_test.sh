#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, pings loopback with the installed program as an
# ordinary user (nobody), and removes the package again. Needs root; exits 77 (skipped) otherwise.
set -euo pipefail
build=$1
if [ "$(id -u)" -ne 0 ] || ! command -v dpkg >/dev/null || ! command -v setpriv >/dev/null; then
    echo "skipped: needs root, dpkg and setpriv"
    exit 77
fi
if dpkg-query -W -f='${Status}' vantrel 2>/dev/null | grep -q "install ok installed"; then
    echo "skipped: a vantrel package is installed here already; not touching it"
    exit 77
fi
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    dpkg -r vantrel >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/vantrel_*.deb)
dpkg-deb --info "$deb" | grep -E "Depends|Package|Version"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb" 2>&1 | grep -E "vantrel:|Setting up vantrel" || true
test -x /usr/bin/vantrel
test -f /usr/share/applications/vantrel.desktop
test -f /usr/share/icons/hicolor/64x64/apps/vantrel.png
getcap /usr/bin/vantrel | grep -q cap_net_raw

printf '127.0.0.1\n' > "$work/hosts.txt"
chmod 644 "$work/hosts.txt"
out=$(setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/vantrel --headless --rounds 1 "$work/hosts.txt")
echo "$out"
echo "$out" | grep -q "Success"
echo "installed package pings loopback as nobody"
