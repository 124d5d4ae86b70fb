#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz (clang 14, libFuzzer, ASan and UBSan)
# and runs each one for SECONDS seconds (default 60), one after another, or
# QLX_FUZZ_PARALLEL=N at once.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]    e.g. scripts/fuzz.sh 600 fuzz_header
#
# Without targets, all of them run. Seeds come from tests/data, examples/,
# the modules and settings files written out in the tests, and
# tests/fuzz/seeds; what a target learns is kept in build-fuzz/corpus/TARGET
# for the next run. A finding (crash, sanitizer report, failed check, hang,
# leak) ends that target with its report; its input is saved as
# build-fuzz/findings/TARGET-*, and the script exits 1 after the others ran.
# Reproduce one with: build-fuzz/tests/fuzz/TARGET build-fuzz/findings/FILE
#
# QLX_FUZZ_SEED=N makes a run repeatable: each target starts from the seeds
# alone (a fresh corpus in build-fuzz/corpus-seeded) with libFuzzer's random
# seed N, so the same code explores the same inputs in the same order. CI
# runs that way, so a CI finding can be found again here by the same command.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
[ $# -gt 0 ] && shift
case "$seconds" in
  '' | *[!0-9]*) echo "fuzz.sh: SECONDS must be a number of seconds, got '$seconds'" >&2; exit 2 ;;
esac

scripts/fuzz-deps.sh
build=build-fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQLX_FUZZ=ON -DQLX_TESTS=OFF -DQLX_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"

targets=("$@")
if ((${#targets[@]} == 0)); then
  for t in "$build"/tests/fuzz/fuzz_*; do targets+=("$(basename "$t")"); done
fi

# Seeds: module files, and the modules and settings files the tests spell
# out as raw strings.
seeds=$build/seeds
rm -rf "$seeds"
corpus=$build/corpus
seed_option=()
if [ -n "${QLX_FUZZ_SEED:-}" ]; then
  case "$QLX_FUZZ_SEED" in
    *[!0-9]*) echo "fuzz.sh: QLX_FUZZ_SEED must be a number, got '$QLX_FUZZ_SEED'" >&2; exit 2 ;;
  esac
  corpus=$build/corpus-seeded
  rm -rf "$corpus"
  seed_option=(-seed="$QLX_FUZZ_SEED")
fi
mkdir -p "$seeds/modules" "$seeds/settings" "$corpus" "$build/findings"
cp tests/data/files/* examples/* tests/fuzz/seeds/modules/* "$seeds/modules/"
extract() {  # extract DIR FILE...: each raw string literal of the files as one seed
  local dir=$1
  shift
  perl -e 'my ($dir, @files) = @ARGV; my $n = 0;
    for my $f (@files) {
      open(my $in, "<", $f) or die; local $/; my $s = <$in>;
      while ($s =~ /R"([^(\s]*)\((.*?)\)\1"/sg) {
        next if length($2) < 4;
        open(my $out, ">", sprintf("%s/raw%04d", $dir, $n++)) or die; print $out $2; close $out;
      }
    }' "$dir" "$@"
}
extract "$seeds/modules" tests/analysis/*.cpp tests/header/*.cpp tests/errtrap/*.cpp tests/debugexp/*.cpp \
  tests/host/*.cpp tests/cli/*.cpp
extract "$seeds/settings" tests/addin/*.cpp tests/settings/*.cpp
cp tests/fuzz/seeds/settings/* "$seeds/settings/"

# run_target TARGET: runs it and leaves "RUNS SECONDS" or "finding" in
# findings/TARGET.result.
run_target() {
  local t=$1 seed_dir log=$build/findings/$1.log runs took max_len=4096
  case "$t" in
    fuzz_settings) seed_dir=$seeds/settings ;;
    fuzz_answers | fuzz_numbers) seed_dir=tests/fuzz/seeds/cli ;;
    fuzz_lsp_frames) seed_dir=tests/fuzz/seeds/lsp ;;
    # Streams and documents built by the tests' project builder: a document
    # is larger than a module; a chunk and a bit covers the stream format.
    fuzz_ovba_compression)
      seed_dir=tests/fuzz/seeds/office
      max_len=4600 ;;
    fuzz_compound_file | fuzz_office_document)
      seed_dir=tests/fuzz/seeds/office
      max_len=65536 ;;
    *) seed_dir=$seeds/modules ;;
  esac
  mkdir -p "$corpus/$t"
  if "$build/tests/fuzz/$t" "${seed_option[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=$max_len \
      -dict=tests/fuzz/vba.dict -artifact_prefix="$build/findings/$t-" -print_final_stats=1 \
      "$corpus/$t" "$seed_dir" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    echo "${runs:-0} ${took:-$seconds}" >"$build/findings/$t.result"
    printf '%-20s %10d runs in %5d s  %7d exec/s\n' "$t" "${runs:-0}" "${took:-$seconds}" \
      $((${runs:-0} / (${took:-$seconds} > 0 ? ${took:-$seconds} : 1)))
  else
    echo finding >"$build/findings/$t.result"
    echo "$t: FINDING (log: $log)"
    grep -E "fuzz finding|ERROR: |runtime error|SUMMARY|Test unit written" "$log" | head -20
  fi
}

# Up to QLX_FUZZ_PARALLEL targets at once.
parallel=${QLX_FUZZ_PARALLEL:-1}
started=$(date +%s)
for t in "${targets[@]}"; do
  rm -f "$build/findings/$t.result"
  while (($(jobs -rp | wc -l) >= parallel)); do wait -n || true; done
  run_target "$t" &
done
wait

failed=0
total_runs=0
for t in "${targets[@]}"; do
  read -r runs _ <"$build/findings/$t.result" || runs=finding
  if [ "$runs" = finding ]; then
    failed=1
  else
    total_runs=$((total_runs + runs))
  fi
done
echo "total: $total_runs runs in $(($(date +%s) - started)) s of wall time"
exit "$failed"
