#!/usr/bin/env bash
# Sets up the machine, builds Cubatro twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer), runs every test in both builds, plays the sanitizer build for a
# minute and replays the fuzz corpora. A failed test fails the run: nothing is retried.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/setup.sh

# One X server for the whole run: the window tests, the soak and the package test share it.
[[ -n ${DISPLAY:-} ]] || exec tests/app/with-display.sh "$0" "$@"

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
started=$SECONDS
step() { echo "== $* ($((SECONDS - started)) s)"; }

# Both builds leave out full debug information, which doubles the compile time: the plain build
# has none, the sanitizer build line tables, enough for its reports to name files and lines. The
# plain build compiles the benchmarks too (they are not run), so that they cannot rot unseen.
step "plain build"
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG" \
  -DCUBATRO_WERROR=ON -DCUBATRO_BUILD_APP=ON -DCUBATRO_BUILD_TESTS=ON -DCUBATRO_BUILD_BENCH=ON
ctest --test-dir build --parallel "$jobs" --timeout 300

if [[ -x tools/package-test.sh ]] && command -v cpack >/dev/null && command -v dpkg-deb >/dev/null; then
  step "package"
  tools/package-test.sh build
fi

step "sanitizer build (address, undefined)"
# intercept_tls_get_addr=0: the leak checker's record of dynamic thread-local blocks goes wrong
# once the OpenGL driver has been loaded and unloaded, and its stop-the-world thread then crashes
# at exit; static TLS, stacks and the heap are still scanned.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:intercept_tls_get_addr=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
tools/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCUBATRO_SANITIZE=ON \
  -DCUBATRO_WERROR=ON -DCUBATRO_BUILD_APP=ON -DCUBATRO_BUILD_TESTS=ON
ctest --test-dir build-asan --parallel "$jobs" --timeout 600

step "soak: a minute of random play in the sanitizer build"
tools/soak.sh 60 build-asan

step "fuzz targets: the committed corpora replayed"
fuzz/run.sh --replay
step "all passed"
