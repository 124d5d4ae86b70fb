#!/usr/bin/env bash
# Checks the Debian package as a user gets it: exactly qlx, its man page, its
# bash and zsh completions and the copyright file, installed under /usr; a
# dependency on the Debian package of every library the program loads; and,
# extracted with dpkg-deb -x, a qlx that runs (--version, scan on the sample),
# a man page that reads, completions that complete.
#   tests/packaging/check-deb.sh FILE.deb VERSION
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 FILE.deb VERSION" >&2; exit 2; }
deb=$1
version=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() {
  echo "check-deb: $deb: $*" >&2
  exit 1
}

[ "$(basename "$deb")" = "qlx_${version}_$(dpkg --print-architecture).deb" ] || fail "is not named qlx_${version}_ARCH.deb"
dpkg-deb -I "$deb"
[ "$(dpkg-deb -f "$deb" Package)" = qlx ] || fail "is not the package qlx"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "has version $(dpkg-deb -f "$deb" Version), not $version"
expected='./usr/bin/qlx ./usr/share/bash-completion/completions/qlx ./usr/share/doc/qlx/copyright ./usr/share/man/man1/qlx.1.gz ./usr/share/zsh/vendor-completions/_qlx'
listed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | LC_ALL=C sort | xargs)
[ "$listed" = "$expected" ] || fail "holds [$listed], expected [$expected]"

work=$(mktemp -d "${TMPDIR:-/tmp}/qlx-check-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
qlx=$work/root/usr/bin/qlx

# Each library qlx links comes from a package the .deb depends on (the
# libraries those load come with their own packages' dependencies).
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*//; s/ //g')
loaded=$(ldd "$qlx")
for needed in $(objdump -p "$qlx" | awk '$1 == "NEEDED" {print $2}'); do
  library=$(awk -v name="$needed" '$1 == name && $2 == "=>" {print $3}' <<<"$loaded")
  [ -n "$library" ] || fail "qlx needs $needed, which is not found"
  owner=$(dpkg -S "$library" 2>/dev/null || dpkg -S "$(realpath "$library")")
  owner=$(head -n 1 <<<"$owner" | cut -d: -f1)
  grep -qx "$owner" <<<"$depends" || fail "qlx links $library of $owner, which Depends does not name"
done
for needed in libicu libzip; do
  grep -q "^$needed" <<<"$depends" || fail "Depends names no $needed package"
done

[ "$("$qlx" --version)" = "$version" ] || fail "qlx --version says $("$qlx" --version)"
cp "$root/examples/Sample.bas" "$work/Sample.bas"
scan=$(cd "$work" && "$qlx" scan Sample.bas) || fail "qlx scan Sample.bas exited $?"
grep -q '"count": [1-9]' <<<"$scan" || fail "qlx scan found no procedure: $scan"
cmp -s "$work/Sample.bas" "$root/examples/Sample.bas" || fail "qlx scan changed the sample"

man_page=$work/root/usr/share/man/man1/qlx.1.gz
zcat "$man_page" | grep -q '^\.TH QLX 1 "" "qlx '"$version"'"' || fail "the man page is not qlx($version)"
if command -v man >/dev/null; then
  text=$(MANWIDTH=100 man -l "$man_page" 2>&1)
  for command in $("$qlx" --help | sed -n '/^Subcommands:/,$p' | awk 'NR > 1 {print $1}'); do
    grep -q "^   qlx $command " <<<"$text" || fail "the man page has no section for qlx $command"
  done
fi

# bash: the completion function as bash-completion loads it.
completions=$(bash -c '
  source "$1"
  complete_words() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _qlx; echo "${COMPREPLY[*]}"; }
  complete_words qlx he
  complete_words qlx check --fo
  complete_words qlx lsp --
' bash "$work/root/usr/share/bash-completion/completions/qlx")
[ "$completions" = $'header headers\n--format\n--help --help-all --debounce --stdio' ] ||
  fail "bash completes [$completions]"
if command -v zsh >/dev/null; then
  zsh -n "$work/root/usr/share/zsh/vendor-completions/_qlx" || fail "the zsh completion does not parse"
fi
echo "check-deb: $deb: qlx $version runs from the package; Depends: $(dpkg-deb -f "$deb" Depends)"
