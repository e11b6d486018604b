#!/usr/bin/env bash
# Benchmarks, measured against the build in build/ (run tools/setup.sh build first).
#
#   bench/run.sh            every benchmark
#   bench/run.sh libs       start-up cost of loading and binding the media libraries
#
# Each benchmark runs its command several times and prints the mean and the
# spread of the wall time. Conversions are compared with the ffmpeg command
# line tool using the same settings once `vidrelo-cli convert` exists.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=build/bin
RUNS=${RUNS:-20}

time_runs() {  # label, command...
  local label=$1; shift
  python3 - "$label" "$RUNS" "$@" <<'PY'
import statistics, subprocess, sys, time
label, runs, cmd = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)  # warm the caches
times = []
for _ in range(runs):
    t = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    times.append((time.perf_counter() - t) * 1000)
print(f"{label:<32} mean {statistics.mean(times):8.2f} ms  stdev {statistics.stdev(times):6.2f} ms  ({runs} runs)")
PY
}

bench_libs() {
  time_runs "vidrelo-cli libs" "$BIN/vidrelo-cli" libs
}

case "${1:-all}" in
  libs) bench_libs ;;
  all) bench_libs ;;
  *) echo "unknown benchmark: $1" >&2; exit 2 ;;
esac
