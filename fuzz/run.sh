#!/usr/bin/env bash
# run: builds the fuzz targets and runs them.
#
#   fuzz/run.sh SECONDS [TARGET...]    a campaign of SECONDS per target
#   fuzz/run.sh --replay [TARGET...]   each committed input once (what CI runs)
#   TARGET: bmp raw sgi obj (default: all)
#
# A campaign runs one job per target on the committed corpus fuzz/corpus/<target>/ plus its work
# corpus build-fuzz/work/<target>/ (kept between runs, never committed), which receives what it
# finds. A replay runs each committed input once and writes nothing but its logs. A finding
# (crash, sanitizer report, failed property, timeout, memory exhaustion) leaves its input in
# build-fuzz/findings/<target>/ and makes the script exit non-zero after the other targets have
# run. One line per target gives its executions, coverage and result; the build log is
# build-fuzz/build.log, the full log of a target build-fuzz/logs/<target>.log. Set
# CUBATRO_FUZZ_BUILD to build elsewhere.
set -uo pipefail

usage="usage: $0 SECONDS [TARGET...] | $0 --replay [TARGET...]"
if [ $# -lt 1 ] || ! [[ $1 =~ ^([0-9]+|--replay)$ ]]; then
  echo "$usage" >&2
  exit 2
fi
mode=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${CUBATRO_FUZZ_BUILD:-$root/build-fuzz}")
all=(bmp raw sgi obj)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
for t in "${targets[@]}"; do
  [[ " ${all[*]} " == *" $t "* ]] || { echo "$0: unknown target $t; $usage" >&2; exit 2; }
done

mkdir -p "$build"
: >"$build/build.log"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja >>"$build/build.log" 2>&1 || {
    cat "$build/build.log" >&2
    echo "FAILED: the fuzz project does not configure (see $build/build.log)" >&2
    exit 1
  }
fi
programs=()
for t in "${targets[@]}"; do programs+=("${t}_fuzzer"); done
cmake --build "$build" -j2 --target "${programs[@]}" >>"$build/build.log" 2>&1 || {
  tail -n 40 "$build/build.log" >&2
  echo "FAILED: the fuzz targets do not build (see $build/build.log)" >&2
  exit 1
}

status=0
printf '%-8s %10s %8s %8s %8s  %s\n' target executions exec/s cov ft result
for t in "${targets[@]}"; do
  findings=$build/findings/$t
  log=$build/logs/$t.log
  mkdir -p "$findings" "$(dirname "$log")"
  options=(-timeout=20 -rss_limit_mb=4096 -max_len=8192 -close_fd_mask=3 -print_final_stats=1
    -artifact_prefix="$findings/")
  corpora=("$root/fuzz/corpus/$t")
  if [ "$mode" = --replay ]; then
    options+=(-runs=0)
  else
    options+=(-max_total_time="$mode")
    mkdir -p "$build/work/$t"
    corpora=("$build/work/$t" "${corpora[@]}")
  fi
  asan=${ASAN_OPTIONS:-}
  if [ "$t" = obj ]; then
    options+=(-dict="$root/fuzz/obj.dict")
    # The target forks per input: a small quarantine keeps the parent, and so each fork, small.
    asan=${asan:+$asan:}quarantine_size_mb=16
  fi
  before=$(find "$findings" -type f | wc -l)
  # The sanitizer's report from a forked child goes to a file ".<pid>" in the working directory
  # (the fuzzer hands it the standard error's copy, which a child reopens by name): run in the
  # logs directory and append such reports to the target's log.
  (
    echo $BASHPID >"$log.pid"
    cd "$build/logs" || exit 1
    ASAN_OPTIONS=$asan exec "$build/${t}_fuzzer" "${options[@]}" "${corpora[@]}"
  ) >"$log" 2>&1
  rc=$?
  for report in "$build/logs"/.[0-9]*; do
    [ -f "$report" ] && cat "$report" >>"$log" && rm -f "$report"
  done
  # A crash leaves the target's scratch directory behind.
  pid=$(cat "$log.pid") && rm -rf /dev/shm/cubatro-fuzz-"$pid"-* "${TMPDIR:-/tmp}"/cubatro-fuzz-"$pid"-*
  after=$(find "$findings" -type f | wc -l)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  result=clean
  if [ $rc -ne 0 ] || [ "$after" -ne "$before" ]; then
    what=$(grep -m1 -E '^(finding:|fuzz:|==[0-9]+==ERROR|SUMMARY)' "$log")
    input=$(sed -n 's/.*Test unit written to //p' "$log" | tail -1)
    result="FAILED (exit $rc)${what:+: $what}; input ${input:-in $findings/}; log $log"
    status=1
  elif [ -z "$cov" ]; then
    result="FAILED: the fuzzer saw no coverage (the build lost its instrumentation); log $log"
    status=1
  fi
  printf '%-8s %10s %8s %8s %8s  %s\n' "$t" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
exit $status
