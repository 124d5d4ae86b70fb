#!/usr/bin/env bash
# Packs this build into its Debian package (CPack) in a folder of the build
# and checks it (check-deb.sh).
#   tests/packaging/run-deb.sh BUILD VERSION
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD VERSION" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
out=$1/packaging-test
rm -rf "$out"
cpack --config "$1/CPackConfig.cmake" -B "$out"
"$here/check-deb.sh" "$out/qlx_$2_$(dpkg --print-architecture).deb" "$2"
