#!/usr/bin/env bash
# Builds the Debian package build/package/vazovi_<version>_<arch>.deb from the build in build/
# (set up and built first, as by tools/run.sh), then checks it with lintian: an error fails,
# warnings and remarks are listed. Install it with
#
#   sudo apt install ./build/package/vazovi_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

rm -f build/package/vazovi_*.deb
(cd build && cpack -G DEB)
deb=$(ls build/package/vazovi_*.deb)
echo "== lintian $deb"
# lintian says "running with root privileges is not recommended" under root; that line is left out.
set +e
findings=$(lintian --fail-on error --display-info "$deb" 2>&1)
status=$?
set -e
printf '%s\n' "$findings" | grep -v 'running with root privileges is not recommended' || true
[ $status -eq 0 ] || { echo "package.sh: lintian found errors in $deb" >&2; exit 1; }
echo "package.sh: built $deb"
