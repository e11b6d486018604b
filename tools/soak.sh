#!/usr/bin/env bash
# Soak run under a sanitizer: repeats what is most likely to leak, race or
# deadlock only now and then, and fails on the first report or hang.
#
#   1. CYCLES (100) conversions, each started, paused, resumed and cancelled
#      the way the window does it (tests/vidrelo_soak_tests, a test program
#      built with the suite but not registered with ctest). A watchdog in it
#      ends a cycle that outlives CYCLE_SECONDS (60) and names it; in an
#      AddressSanitizer build every cycle ends with a leak check.
#   2. SCANS (100) runs of `vidrelo-cli scan` on a damaged copy of test disc
#      A (a byte of a titleset's IFO that crashes libdvdread, both copies of
#      another titleset's cell table broken, a VOB cut short), each limited
#      to SCAN_SECONDS (60) and each expected to print what the first did.
#
# It builds nothing. Build the tree first, then run for example
#
#   tools/setup.sh build --asan && tools/soak.sh               # build-asan
#   tools/setup.sh build --tsan && tools/soak.sh build-tsan    # or SOAK_BUILD=build-tsan
#   CYCLES=10 SCANS=10 tools/soak.sh                           # a short run
#
# The test discs are generated into BUILD/tests/data/discs if they are not
# there yet. Exit status 0 when every cycle and scan passed; otherwise a
# line starting "SOAK FAILED:" names the cycle or scan, and its log is kept.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
build=${1:-${SOAK_BUILD:-build-asan}}
cycles=${CYCLES:-100}
scans=${SCANS:-100}
cycle_seconds=${CYCLE_SECONDS:-60}
scan_seconds=${SCAN_SECONDS:-60}

soak_program=$build/tests/vidrelo_soak_tests
cli=$build/bin/vidrelo-cli
for needed in "$soak_program" "$cli"; do
  if [ ! -x "$needed" ]; then
    echo "soak: $needed is missing; build $build first" >&2
    exit 2
  fi
done

sanitizer=none
grep -q '^VIDRELO_ASAN:BOOL=ON' "$build/CMakeCache.txt" && sanitizer=asan
grep -q '^VIDRELO_TSAN:BOOL=ON' "$build/CMakeCache.txt" && sanitizer=tsan
[ "$sanitizer" = none ] && echo "soak: note: $build is built without a sanitizer; only hangs and wrong results show"

# The same run-time options as the sanitizer suites (tools/setup.sh test).
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tools/lsan.supp:print_suppressions=0}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tools/tsan.supp}"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

work=$(mktemp -d "${TMPDIR:-/tmp}/vidrelo-soak-XXXXXX")
logs=$work/logs
mkdir -p "$logs" "$work/home"
# Settings and caches of the one who runs this stay untouched.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
  XDG_DATA_HOME=$work/home/.local/share

failed() {
  echo "SOAK FAILED: $1" >&2
  [ -n "${2:-}" ] && [ -f "$2" ] && { tail -n 60 "$2" >&2; echo "soak: full log kept in $2" >&2; }
  exit 1
}

# A sanitizer report, even one a program survived, fails the run.
reported() {
  grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer)|WARNING: ThreadSanitizer|runtime error:' "$1"
}

# --- conversions ----------------------------------------------------------------

started=$(date +%s)
echo "soak: $build ($sanitizer): $cycles conversion cycles"
log=$logs/conversions.log
set +e
VIDRELO_SOAK_CYCLES=$cycles VIDRELO_SOAK_CYCLE_SECONDS=$cycle_seconds \
  timeout --kill-after=10 $((cycles * cycle_seconds + 120)) \
  "$soak_program" --gtest_filter='ConversionSoak.*' >"$log" 2>&1
status=$?
set -e
passed=$(grep -c '^conversion cycle .* ok$' "$log" || true)
if [ $status -ne 0 ] || reported "$log" || [ "$passed" -ne "$cycles" ]; then
  line=$(grep -m1 '^SOAK FAILED:' "$log" | sed 's/^SOAK FAILED: //' || true)
  [ -n "$line" ] || line="conversion cycle $((passed + 1)) (exit status $status)"
  failed "$line" "$log"
fi
echo "soak: $cycles conversion cycles passed in $(( $(date +%s) - started )) s"

# --- scans of a damaged disc ------------------------------------------------------

discs=$build/tests/data/discs
if [ ! -f "$discs/manifest.ini" ]; then
  echo "soak: generating the test discs into $discs"
  bash tests/discs/make_test_discs.sh "$discs" >"$logs/discs.log" 2>&1 || failed "the test discs could not be made" "$logs/discs.log"
fi
disc=$work/damaged
mkdir -p "$disc"
cp -r "$discs/discA/VIDEO_TS" "$disc/"
poke() {  # poke FILE OFFSET HEXBYTES...
  local file=$1 offset=$2
  shift 2
  printf "$(printf '\\x%s' "$@")" | dd of="$disc/VIDEO_TS/$file" bs=1 seek="$offset" conv=notrunc status=none
}
# The count of titleset 2's program chain table: libdvdread crashes on it;
# the .BUP is intact.
poke VTS_02_0.IFO 4097 ff
# The size of titleset 1's cell address table, in both copies: its titles
# are invalid.
poke VTS_01_0.IFO 8195 ff ff ff ff
poke VTS_01_0.BUP 8195 ff ff ff ff
# A VOB of titleset 2 that ends halfway.
vob=$disc/VIDEO_TS/VTS_02_1.VOB
truncate -s $(( $(stat -c %s "$vob") / 2 )) "$vob"

started=$(date +%s)
echo "soak: $build ($sanitizer): $scans scans of a damaged disc"
reference=$logs/scan-1.out
for ((scan = 1; scan <= scans; scan++)); do
  out=$logs/scan-$scan.out
  err=$logs/scan-$scan.err
  set +e
  timeout --kill-after=10 "$scan_seconds" "$cli" scan "$disc" >"$out" 2>"$err"
  status=$?
  set -e
  [ $status -eq 124 ] || [ $status -eq 137 ] && failed "scan $scan hung (limit ${scan_seconds}s)" "$err"
  reported "$err" && failed "scan $scan: sanitizer report" "$err"
  [ $status -eq 0 ] || failed "scan $scan ended with status $status" "$err"
  cmp -s "$reference" "$out" || failed "scan $scan printed other titles than scan 1 (compare $out with $reference)" "$err"
  [ "$scan" -gt 1 ] && rm -f "$out" "$err"
done
echo "soak: $scans scans passed in $(( $(date +%s) - started )) s"
echo "soak: titles of the damaged disc:"
sed 's/^/  /' "$reference"
rm -rf "$work"
