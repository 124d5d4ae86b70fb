#!/usr/bin/env bash
# Runs two qlx binaries on the same inputs with the same fixed clock and
# settings, and reports every command whose output, messages, exit status or
# written files differ. Meant for changes that must not change behaviour:
#   scripts/compare-outputs.sh OLD_QLX NEW_QLX [FILE...]
# Without FILEs it takes the modules and Office documents kept in the tree
# (tests/data, examples, the fuzz seeds).
set -uo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 2 ]; then
  echo "usage: $0 OLD_QLX NEW_QLX [FILE...]" >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
shift 2
if [ $# -gt 0 ]; then
  inputs=("$@")
else
  mapfile -t inputs < <(find tests/data examples tests/fuzz/seeds/modules tests/fuzz/seeds/office -type f | sort)
fi

work=$(mktemp -d /tmp/qlx-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
runs=0
differences=0

# run SIDE NAME FILE COMMAND...: COMMAND runs in $work/SIDE/NAME with FILE
# copied there as `in.<ext>`; {QLX} stands for the side's binary. stdin comes
# from $work/stdin. Everything the run leaves (output, messages, status,
# files) goes into that folder.
run_side() {
  local side=$1 name=$2 file=$3
  shift 3
  local dir=$work/$side/$name bin
  [ "$side" = old ] && bin=$old || bin=$new
  rm -rf "$dir"
  mkdir -p "$dir/home"
  cp "$file" "$dir/in.${file##*.}"
  printf '[Author]\nName=Compare\n' >"$dir/home/QLX.ini"
  local args=()
  for a in "$@"; do args+=("${a//\{QLX\}/$bin}"); done
  (
    # A run whose folder went away must not leave its status in the checkout.
    cd "$dir" || exit 1
    HOME=$dir/home XDG_CONFIG_HOME=$dir/home QLX_CONFIG_DIR=$dir/home QLX_INI=$dir/home/QLX.ini \
      QLX_NOW=2026-03-04T05:06:07 LANG=C.UTF-8 LC_ALL=C.UTF-8 \
      timeout 60 "${args[@]}" <"$work/stdin" >stdout 2>stderr
    echo $? >status
  )
}

compare() {
  local name=$1 file=$2
  shift 2
  runs=$((runs + 1))
  run_side old "$name" "$file" "$@"
  run_side new "$name" "$file" "$@"
  # Paths differ only by side; take them out before comparing.
  sed -i "s#$work/old/#SIDE/#g; s#$old#QLX#g" "$work/old/$name/stdout" "$work/old/$name/stderr"
  sed -i "s#$work/new/#SIDE/#g; s#$new#QLX#g" "$work/new/$name/stdout" "$work/new/$name/stderr"
  if ! diff -r "$work/old/$name" "$work/new/$name" >"$work/diff" 2>&1; then
    differences=$((differences + 1))
    echo "DIFFERS: $file: $*"
    head -20 "$work/diff"
  fi
  rm -rf "$work/old/$name" "$work/new/$name"
}

# The first three procedures' names as --proc takes them, in UTF-8 (a
# property's with its accessor: Size:get).
proc_names() {
  { iconv -f UTF-8 -t UTF-8 "$1" 2>/dev/null || iconv -f CP932 -t UTF-8 "$1" 2>/dev/null; } |
    LC_ALL=C grep -aoiE '^[[:space:]]*((public|private|friend|static)[[:space:]]+)*(sub|function|property[[:space:]]+(get|let|set))[[:space:]]+[^[:space:](]+' |
    awk '{ n = $NF; k = tolower($(NF - 1)); if (k == "get" || k == "let" || k == "set") n = n ":" k; print n }' |
    head -3
}

yes_all=y,y,y,y,y,y,y,y,y,y,y,y
no_all=n,n,n,n,n,n,n,n,n,n,n,n
: >"$work/stdin"
for file in "${inputs[@]}"; do
  ext=${file##*.}
  case $ext in
    bas | cls | frm | txt)
      rows=$(($(wc -l <"$file") + 2))
      in=in.$ext
      for cmd in scan "scan --full" deb module-header all-headers; do
        compare c "$file" {QLX} $cmd $in --json-messages
        for answers in $yes_all $no_all; do
          compare c "$file" {QLX} $cmd $in --answers $answers --author A
        done
      done
      compare c "$file" {QLX} deb $in --stdout --encoding UTF-8
      compare c "$file" {QLX} check $in
      compare c "$file" {QLX} check $in --format json
      compare c "$file" {QLX} check $in --format github
      compare c "$file" {QLX} headers $in --json-messages
      compare c "$file" {QLX} headers $in --diff
      compare c "$file" {QLX} headers $in --answers $yes_all --author A
      # The module piped in, named as the writers name it.
      cp "$file" "$work/stdin"
      compare c "$file" {QLX} check - --stdin-name Piped --format github
      compare c "$file" {QLX} headers - --stdin-name Piped
      : >"$work/stdin"
      # Procedures by name: each one found, one missing (the message lists
      # them) and a kind that is none.
      mapfile -t procs < <(proc_names "$file")
      for proc in "${procs[@]}"; do
        compare c "$file" {QLX} proc $in --proc "$proc"
      done
      if [ ${#procs[@]} -gt 0 ]; then
        compare c "$file" {QLX} header $in --proc "${procs[0]}" --answers $yes_all --json-messages
        compare c "$file" {QLX} errtrap $in --proc "${procs[0]}" --answers $yes_all
        compare c "$file" {QLX} proc $in --proc "${procs[0]%%:*}:put"
      fi
      compare c "$file" {QLX} proc $in --proc Nope
      for row in $(seq 0 "$rows"); do
        compare c "$file" {QLX} proc $in --row "$row"
        compare c "$file" {QLX} proc $in --line "$row"
        for cmd in header errtrap; do
          compare c "$file" {QLX} $cmd $in --row "$row" --answers $yes_all --json-messages
          compare c "$file" {QLX} $cmd $in --row "$row" --answers $no_all
        done
      done
      # The tool window, driven as a user would.
      for row in $(seq 1 3 "$rows"); do
        for option in "" header error allprocs; do
          printf 'menu\nclick %s\n%s\nanswer y y y y y y\nget\nwrite\ndblclick Someone\nstate\nrepdeb\nclose\n' \
            "$row" "$option" >"$work/stdin"
          compare c "$file" {QLX} session $in --json-messages
        done
      done
      : >"$work/stdin"
      ;;
    docm | xls | xlsm | xlam | doc | bin)
      in=in.$ext
      compare c "$file" {QLX} export $in out
      compare c "$file" {QLX} check $in
      compare c "$file" {QLX} check $in --format json
      compare c "$file" {QLX} check $in --format github
      compare c "$file" {QLX} headers $in --diff
      compare c "$file" {QLX} headers $in --json-messages
      compare c "$file" sh -c "{QLX} export $in out -q && {QLX} import out $in && {QLX} check $in"
      ;;
  esac
done
echo "compare-outputs: $runs runs, $differences differ"
[ "$differences" -eq 0 ]
