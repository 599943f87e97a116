#!/usr/bin/env bash
# vantrel --headless inside the lab's client namespace (netlab.sh run -- headless_families.sh VANTREL): a name
# with both families is pinged over IPv4, over IPv6 with --ipv6, and --ipv6 fails an IPv4 literal; the aligned
# text makes its columns as wide as the longest IPv6 text.
set -eu
program=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '%s\n' answer.lab fd00:0077:0002::0002 10.77.2.2 >"$dir/list.txt"
"$program" --headless --rounds 1 --output "$dir/any.txt" "$dir/list.txt" 2>/dev/null
"$program" --headless --rounds 1 --ipv6 --output "$dir/v6.txt" "$dir/list.txt" 2>/dev/null

fail() {
    echo "headless_families: $*" >&2
    for f in "$dir"/*.txt; do cat -A "$f" >&2; done
    exit 1
}
# Columns 1, 2 and 6 of the row of a host, trailing padding removed.
cells() { awk -F'\t' -v host="$2" '{ sub(/ +$/, "", $1) } $1 == host { gsub(/ +$/, "", $2); gsub(/ +$/, "", $6); print $2 "|" $6 }' "$1"; }

[ "$(cells "$dir/any.txt" answer.lab)" = "10.77.2.2|Success" ] || fail "answer.lab not over IPv4"
[ "$(cells "$dir/any.txt" fd00:0077:0002::0002)" = "fd00:77:2::2|Success" ] || fail "IPv6 literal"
[ "$(cells "$dir/v6.txt" answer.lab)" = "fd00:77:2::2|Success" ] || fail "answer.lab not over IPv6 with --ipv6"
[ "$(cells "$dir/v6.txt" 10.77.2.2)" = "|Bad destination" ] || fail "--ipv6 pinged an IPv4 literal"
# Every line has its tabs at the same places: the padding counted the IPv6 texts.
for f in "$dir/any.txt" "$dir/v6.txt"; do
    [ "$(awk '{ print index($0, "\t") "," index(substr($0, index($0, "\t") + 1), "\t") }' "$f" | sort -u | wc -l)" = 1 ] ||
        fail "columns not aligned in $(basename "$f")"
done
echo "headless_families: ok"
