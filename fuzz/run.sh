#!/usr/bin/env bash
# run: builds the fuzz targets and runs each for a given time.
#
#   fuzz/run.sh SECONDS [TARGET...]      TARGET: bmp raw sgi obj obj_roundtrip (default: all)
#
# Each target runs one job on its seed corpus fuzz/corpus/<target>/ plus its work corpus
# build-fuzz/work/<target>/ (kept between runs, never committed), which receives what it finds.
# A finding (crash, sanitizer report, failed property, timeout, memory exhaustion) leaves its
# input in build-fuzz/findings/<target>/ and makes the script exit non-zero after the other
# targets have run. One line per target gives its executions and coverage; the full log is
# build-fuzz/logs/<target>.log. Set CUBATRO_FUZZ_BUILD to build elsewhere.
set -uo pipefail

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [TARGET...]" >&2
  exit 2
fi
seconds=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CUBATRO_FUZZ_BUILD:-$root/build-fuzz}
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(bmp raw sgi obj obj_roundtrip)

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja >/dev/null || exit 1
fi
programs=()
for t in "${targets[@]}"; do programs+=("${t}_fuzzer"); done
cmake --build "$build" -j2 --target "${programs[@]}" >"$build/build.log" 2>&1 || {
  cat "$build/build.log" >&2
  exit 1
}

status=0
printf '%-14s %10s %8s %8s %8s  %s\n' target executions exec/s cov ft result
for t in "${targets[@]}"; do
  work=$build/work/$t
  findings=$build/findings/$t
  log=$build/logs/$t.log
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=8192
    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$findings/")
  asan=${ASAN_OPTIONS:-}
  case $t in
    # These fork per input: a small quarantine keeps the parent, and so each fork, small.
    obj | obj_roundtrip)
      options+=(-dict="$root/fuzz/obj.dict")
      asan=${asan:+$asan:}quarantine_size_mb=16
      ;;
  esac
  before=$(find "$findings" -type f | wc -l)
  ASAN_OPTIONS=$asan "$build/${t}_fuzzer" "${options[@]}" "$work" "$root/fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  after=$(find "$findings" -type f | wc -l)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  result=clean
  if [ $rc -ne 0 ] || [ "$after" -ne "$before" ]; then
    result="FINDING (exit $rc): see $log and $findings/"
    status=1
  fi
  printf '%-14s %10s %8s %8s %8s  %s\n' "$t" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
exit $status
