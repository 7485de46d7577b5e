#!/usr/bin/env bash
# Two versions of one Debian package, unpacked: fetch_pair.sh PACKAGE OLD_VERSION NEW_VERSION
# DEST leaves DEST/old and DEST/new (kept, and not fetched again, when DEST/done exists).
# Used by the patch tests and bench/patch_bench.sh; needs only apt's configured archives.
set -euo pipefail
package=$1 old=$2 new=$3 dest=$4
[ -f "$dest/done" ] && exit 0
rm -rf "$dest" && mkdir -p "$dest/debs"
(cd "$dest/debs" && apt-get download -q "$package=$old" "$package=$new" >/dev/null 2>&1) || {
    echo "fetch_pair: cannot download $package $old and $new" >&2
    exit 1
}
for side in old new; do
    version=${!side}
    deb=$(ls "$dest/debs/${package}_${version/*:/}_"*.deb)
    mkdir -p "$dest/$side"
    dpkg-deb -x "$deb" "$dest/$side"
done
touch "$dest/done"
