#!/usr/bin/env bash
# Benchmarks, measured against the build in build/ (run tools/setup.sh build first).
#
#   bench/run.sh            every benchmark
#   bench/run.sh libs       start-up cost of loading and binding the media libraries
#   bench/run.sh dvd        reading a DVD title through the plug-in's source
#                           (vidrelo-cli dump) against cat of the same VOB files
#
# Each benchmark runs its command several times and prints the mean and the
# spread of the wall time. Conversions are compared with the ffmpeg command
# line tool using the same settings once `vidrelo-cli convert` exists.
set -euo pipefail
shopt -s inherit_errexit
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

# A disc with one long title (BENCH_DVD_SECONDS, default 180, at a DVD's top
# video rate), made once and kept in build/bench: the test discs' titles are
# so short that starting the programs would be all we measured.
bench_disc() {
  local seconds=${BENCH_DVD_SECONDS:-180} dir=build/bench/dvd
  local disc=$dir/disc-$seconds
  if [ ! -f "$disc/VIDEO_TS/VIDEO_TS.IFO" ]; then
    mkdir -p "$dir"
    rm -rf "$disc" "$dir/title.mpg"
    echo "making a $seconds s test disc in $disc ..." >&2
    ffmpeg -nostdin -hide_banner -loglevel error -y \
      -f lavfi -i "testsrc2=size=720x480:rate=30000/1001:duration=$seconds" \
      -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$seconds" \
      -target ntsc-dvd -b:v 8000k -maxrate 9000k -aspect 16:9 "$dir/title.mpg"
    VIDEO_FORMAT=NTSC dvdauthor -o "$disc" -t "$dir/title.mpg" >/dev/null 2>&1
    VIDEO_FORMAT=NTSC dvdauthor -o "$disc" -T >/dev/null 2>&1
    rm -f "$dir/title.mpg"
  fi
  echo "$disc"
}

bench_dvd() {
  local disc out
  disc=$(bench_disc)
  out=$(mktemp -d)
  trap 'rm -rf "$out"' RETURN
  local vobs=("$disc"/VIDEO_TS/VTS_01_[1-9].VOB)
  local source="opendvd:$disc|Title=1,FromChapter=1,ToChapter=1,AudioID=128,SubtitleID=0,AudioChannels=2,Deinterlace=0"
  "$BIN/vidrelo-cli" dump "$source" "$out/warm.mpg" && rm -f "$out/warm.mpg"
  python3 - "$RUNS" "$out" "$BIN/vidrelo-cli" "$source" "${vobs[@]}" <<'PY'
import os, statistics, subprocess, sys, time
runs, out, cli, source, vobs = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]
size = sum(os.path.getsize(v) for v in vobs)
def measure(cmd, **kw):
    times = []
    for _ in range(runs):
        t = time.perf_counter()
        subprocess.run(cmd, check=True, **kw)
        times.append(time.perf_counter() - t)
    return statistics.median(times)
target = os.path.join(out, "copy")
t_cat = measure(["sh", "-c", 'cat "$@" > "' + target + '"', "cat", *vobs])
t_dump = measure([cli, "dump", source, os.path.join(out, "title.mpg")])
mb = size / 1e6
print(f"{'cat of the VOB files':<32} {mb / t_cat:8.1f} MB/s  (median of {runs}, {mb:.0f} MB)")
print(f"{'vidrelo-cli dump':<32} {mb / t_dump:8.1f} MB/s")
print(f"{'dump / cat speed ratio':<32} {t_cat / t_dump:8.2f}  (at least 0.50 wanted)")
PY
}

case "${1:-all}" in
  libs) bench_libs ;;
  dvd) bench_dvd ;;
  all) bench_libs; bench_dvd ;;
  *) echo "unknown benchmark: $1" >&2; exit 2 ;;
esac
