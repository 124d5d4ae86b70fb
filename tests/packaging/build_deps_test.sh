#!/usr/bin/env bash
# What scripts/demo.sh asks of a fresh machine: scripts/install-deps.sh
# --build installs only the build set (no LibreOffice, Neovim, Node.js,
# GoogleTest...), without --build the tests' packages too, and named
# packages besides (apt-get, dpkg-query and sudo are stand-ins: nothing is
# installed); and a configure with demo.sh's options finds none of the
# tests' packages (GoogleTest and Google Benchmark are kept from CMake).
#   tests/packaging/build_deps_test.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() {
  echo "build deps test: FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/qlx-deps.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# A PATH of the stand-ins and the few tools the script runs, so that node and
# npm are missing, as on a fresh machine.
for tool in bash grep id sort; do ln -s "$(command -v "$tool")" "$work/bin/$tool"; done
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/bash
exit 1
STUB
cat >"$work/bin/apt-get" <<STUB
#!/bin/bash
[ "\$1" = install ] && printf '%s\n' "\$@" | grep -v '^-' | grep -v '^install\$' | sort >"$work/installed.txt"
exit 0
STUB
printf '#!/bin/bash\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

# The packages install-deps.sh asks apt-get for, one per line, sorted.
asked() {
  rm -f "$work/installed.txt"
  PATH=$work/bin "$root/scripts/install-deps.sh" "$@" || fail "install-deps.sh $* exited $?"
  cat "$work/installed.txt"
}
build=$(asked --build)
[ "$build" = "$(printf '%s\n' build-essential cmake libcli11-dev libicu-dev libzip-dev nlohmann-json3-dev pkg-config)" ] ||
  fail "install-deps.sh --build asks for: $(echo $build)"
all=$(asked)
for p in $build libgtest-dev libbenchmark-dev libreoffice-calc-nogui neovim pre-commit git nodejs npm; do
  grep -qx "$p" <<<"$all" || fail "install-deps.sh does not install $p"
done
grep -qx clang-14 <<<"$(asked --build clang-14)" || fail "install-deps.sh --build PACKAGE leaves the package out"
grep -q 'install-deps.sh --build$' "$root/scripts/demo.sh" || fail "demo.sh installs more than the build set"
# The README installs the demo's build with cmake --install, which needs the
# man page and the completions built too, not the program alone.
grep -q -- '--target' "$root/scripts/demo.sh" && fail "demo.sh builds a target, not all that cmake --install installs"

# demo.sh's configure options, on a fresh build folder: it must not need
# GoogleTest or Google Benchmark, nor look for a test's program.
mapfile -t options < <(grep -o -- '-DQLX_[A-Z]*=[A-Z]*' "$root/scripts/demo.sh")
cmake -S "$root" -B "$work/build" "${options[@]}" \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$work/cmake.txt" 2>&1 ||
  { cat "$work/cmake.txt"; fail "a configure with demo.sh's options (${options[*]}) needs the tests' packages"; }
if grep -v '^CMAKE_DISABLE_FIND_PACKAGE_' "$work/build/CMakeCache.txt" | grep -iE '^[^#/]*(gtest|gmock|benchmark|soffice|libreoffice|nvim|node|npm|pre.?commit)[^=]*='; then
  fail "a configure with demo.sh's options looked for a test's package"
fi
echo "build deps test: PASS"
