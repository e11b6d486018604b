#!/usr/bin/env bash
# Benchmarks, measured against the build in build/ (run tools/setup.sh build first).
#
#   bench/run.sh            every benchmark
#   bench/run.sh libs       start-up cost of loading and binding the media libraries
#   bench/run.sh dvd        reading a DVD title through the plug-in's source
#                           (vidrelo-cli dump) against cat of the same VOB files
#   bench/run.sh convert    converting the bench disc's title with the engine
#                           (vidrelo-jobbench) against the ffmpeg program with
#                           the same settings: wall time and peak memory
#   bench/run.sh play       vidrelo-cli play of 30 s of the bench disc's title
#                           against ffplay (-nodisp, and with a display under
#                           xvfb-run when it is there): processor share, peak
#                           memory, and the player's own figures (open to the
#                           first picture, late and dropped pictures, the
#                           audio-video offset, where a seek lands)
#   bench/run.sh pipeline   the transcoding job against ffmpeg and HandBrakeCLI,
#                           with and without deinterlacing, the pipeline on
#                           and off (wall, fps, processor, peak memory)
#   bench/run.sh cli        vidrelo-cli convert of the bench disc's title
#                           against ffmpeg and HandBrakeCLI (x264 medium, the
#                           same bit rates and size): wall time, fps, peak
#                           memory and the ratios; then vidrelo-cli rip of the
#                           longest test-disc title against HandBrakeCLI
#
# Each benchmark runs its command several times (RUNS: 20, for convert 3)
# and prints the mean and spread, or the median, of the wall time.
# BENCH_DVD_SECONDS sets the length of the bench disc's title (180);
# BENCH_VERBOSE=1 makes convert print every run's wall and processor time.
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
BIN=build/bin
CONVERT_RUNS=${RUNS:-3}
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
    rm -rf "$disc" "$disc.mpg" "$dir/title.mpg"
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
  local source
  source=$(dvd_source "$disc")
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
t_dump = measure([cli, "dump", source, os.path.join(out, "title.mpg"), "-y"])
mb = size / 1e6
print(f"{'cat of the VOB files':<32} {mb / t_cat:8.1f} MB/s  (median of {runs}, {mb:.0f} MB)")
print(f"{'vidrelo-cli dump':<32} {mb / t_dump:8.1f} MB/s")
print(f"{'dump / cat speed ratio':<32} {t_cat / t_dump:8.2f}  (at least 0.50 wanted)")
PY
}

# The title as one MPEG program stream, written once beside the disc: what
# both programs read when the comparison is between equal files.
bench_title_file() {
  local disc=$1 file=$1.mpg
  if [ ! -f "$file" ]; then
    "$BIN/vidrelo-cli" dump "$(dvd_source "$disc")" "$file"
  fi
  echo "$file"
}

dvd_source() {
  echo "opendvd:$1|Title=1,FromChapter=1,ToChapter=1,AudioID=128,SubtitleID=0,AudioChannels=2,Deinterlace=0"
}

# The title converted to H.264 + AAC in MP4 and to MPEG-4 + MP3 in AVI at
# 640x480, by the engine from the disc and from the dumped title and by the
# ffmpeg program from the dumped title. Codecs, rates, size and the scaler
# (bicubic, both programs' default) are set alike; threads are left at both
# programs' default (one per core for decoders, encoders and filters). Runs
# of the three take turns, each round started by another, so that a change
# in the machine's load falls on all of them.
bench_convert() {
  if [ ! -x /usr/bin/time ]; then
    echo "bench/run.sh convert needs /usr/bin/time: tools/setup.sh build installs it" >&2
    return 1
  fi
  local disc file out
  disc=$(bench_disc)
  file=$(bench_title_file "$disc")
  out=$(mktemp -d)
  trap 'rm -rf "$out"' RETURN
  python3 - "$CONVERT_RUNS" "$out" "$BIN/vidrelo-jobbench" "$(dvd_source "$disc")" "$file" <<'PY'
import os, statistics, subprocess, sys, time
runs, out, bench, source, title = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5]
formats = {
    "mp4": (["-vcodec", "libx264", "-preset", "medium", "-b", "1500k", "-acodec", "aac"],
            ["-c:v", "libx264", "-preset", "medium", "-b:v", "1500k", "-c:a", "aac"]),
    "avi": (["-vcodec", "mpeg4", "-b", "1500k", "-acodec", "libmp3lame"],
            ["-c:v", "mpeg4", "-b:v", "1500k", "-c:a", "libmp3lame"]),
}
common_ours = ["-s", "640x480", "-ab", "128k", "-ar", "48000", "-ac", "2", "-sws_flags", "bicubic"]
common_ffmpeg = ["-s", "640x480", "-b:a", "128k", "-ar", "48000", "-ac", "2", "-sws_flags", "bicubic"]

sys.path.insert(0, "bench")
from timed_run import load_average, run_timed
def run(cmd):
    return run_timed(cmd, out)

print(f"convert: {runs} runs each, medians; load average before: {load_average()}")
print(f"{'output':<6} {'ours reads':<10} {'wall ours':>9} {'ffmpeg':>7} {'ratio':>6}  "
      f"{'peak ours':>10} {'ffmpeg':>10} {'ratio':>6}  {'cpu ratio':>9}  verdict")
for ext, (ours, ffmpeg) in formats.items():
    target = os.path.join(out, "out." + ext)
    commands = {
        "disc": [bench, "-i", source, *ours, *common_ours, target],
        "file": [bench, "-i", title, *ours, *common_ours, target],
        "ffmpeg": ["ffmpeg", "-nostdin", "-y", "-i", title, *ffmpeg, *common_ffmpeg, target],
    }
    results = {name: [] for name in commands}
    names = list(commands)
    for i in range(runs):
        for name in names[i % 3:] + names[:i % 3]:  # each takes its turn at going first
            results[name].append(run(commands[name]))
    median = {name: [statistics.median(column) for column in zip(*r)] for name, r in results.items()}
    base_wall, base_mem, base_cpu = median["ffmpeg"]
    for name in ("disc", "file"):
        wall, mem, cpu = median[name]
        ok = wall / base_wall <= 1.05 and mem / base_mem <= 1.3
        print(f"{ext:<6} {name:<10} {wall:8.2f}s {base_wall:6.2f}s {wall / base_wall:6.3f}  "
              f"{mem / 1024:8.1f}MB {base_mem / 1024:8.1f}MB {mem / base_mem:6.3f}  {cpu / base_cpu:9.3f}  "
              f"{'ok' if ok else 'MISSED'}")
    if os.environ.get("BENCH_VERBOSE"):
        for name, r in results.items():
            print(f"  {ext} {name:<7} wall " + " ".join(f"{w:.2f}" for w, _, _ in r)
                  + "  cpu " + " ".join(f"{c:.2f}" for _, _, c in r))
print(f"load average after: {load_average()}; targets: time ratio <= 1.05, memory ratio <= 1.3")
PY
}

# The transcoding pipeline against the ffmpeg program and HandBrakeCLI on
# the bench disc's title of PIPELINE_SECONDS (60): H.264 (x264 medium, 1500
# kbit/s) and AAC (128 kbit/s) in MP4 at 640x480, each with and without
# deinterlacing (bwdif, every picture). Ours reads the title through the
# plug-in, ffmpeg the dumped title, HandBrakeCLI the disc; ours also runs
# with the pipeline off ("-pipeline 0": the video encoder on the job's
# thread). Runs take turns, each round started by another program; medians
# of RUNS (3). Ratios are ours over the other program.
bench_pipeline() {
  need_handbrake
  local disc file out
  disc=$(BENCH_DVD_SECONDS=${PIPELINE_SECONDS:-60} bench_disc)
  file=$(bench_title_file "$disc")
  out=$(mktemp -d)
  trap 'rm -rf "$out"' RETURN
  python3 - "$CONVERT_RUNS" "$out" "$BIN/vidrelo-jobbench" "$disc" "$file" <<'PY'
import os, statistics, subprocess, sys, time
runs, out, bench, disc, title = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5]
def source(deint):
    return (f"opendvd:{disc}|Title=1,FromChapter=1,ToChapter=1,AudioID=128,SubtitleID=0,AudioChannels=2,"
            f"Deinterlace={int(deint)}")
def commands(deint):
    target = os.path.join(out, "out.mp4")
    ours = [bench, "-i", source(deint), "-vcodec", "libx264", "-preset", "medium", "-b", "1500k", "-acodec", "aac",
            "-ab", "128k", "-ar", "48000", "-ac", "2", "-s", "640x480", "-sws_flags", "bicubic"]
    scale = ["-vf", "bwdif=mode=send_frame,scale=640:480"] if deint else ["-s", "640x480"]
    deinterlace = ["--bwdif", "--no-comb-detect", "--no-decomb"] if deint else \
                  ["--no-bwdif", "--no-deinterlace", "--no-comb-detect", "--no-decomb"]
    return {
        "ours": ours + [target],
        "ours, pipeline off": ours + ["-pipeline", "0", target],
        "ffmpeg": ["ffmpeg", "-nostdin", "-y", "-i", title, "-c:v", "libx264", "-preset", "medium", "-b:v", "1500k",
                   "-c:a", "aac", "-b:a", "128k", "-ar", "48000", "-ac", "2", *scale, "-sws_flags", "bicubic",
                   target],
        "HandBrakeCLI": ["HandBrakeCLI", "-i", disc, "-t", "1", "-o", target, "-f", "av_mp4", "-e", "x264",
                         "--encoder-preset", "medium", "-b", "1500", "-E", "av_aac", "-B", "128", "-R", "48", "-6",
                         "stereo", "-w", "640", "-l", "480", "--crop", "0:0:0:0", "--non-anamorphic", *deinterlace],
    }

sys.path.insert(0, "bench")
from timed_run import load_average, run_timed
def run(cmd):
    return run_timed(cmd, out)

def frames():
    r = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-select_streams", "v:0", "-show_entries",
                        "stream=nb_read_packets", "-of", "csv=p=0", title], capture_output=True, text=True)
    return int(r.stdout.strip().strip(",") or 0)

count = frames()
print(f"pipeline: {count} pictures, x264 medium 1500k + AAC 128k, 640x480; {runs} runs each, medians; "
      f"load {load_average()}")
print(f"{'deinterlacing':<14} {'program':<20} {'wall':>7} {'fps':>6} {'cpu':>7} {'peak':>8}  "
      f"{'ours/ffmpeg wall':>16} {'ours/ffmpeg peak':>16} {'ours/HB fps':>11}")
for deint in (True, False):
    cmds = commands(deint)
    names = list(cmds)
    results = {name: [] for name in names}
    for i in range(runs):
        for name in names[i % len(names):] + names[:i % len(names)]:
            results[name].append(run(cmds[name]))
    median = {name: [statistics.median(c) for c in zip(*r)] for name, r in results.items()}
    base = median["ffmpeg"]
    hb = median["HandBrakeCLI"]
    for name in names:
        wall, peak, cpu = median[name]
        ratios = ""
        if name.startswith("ours"):
            ratios = f"{wall / base[0]:16.3f} {peak / base[1]:16.3f} {hb[0] / wall:11.3f}"
        print(f"{'bwdif' if deint else 'none':<14} {name:<20} {wall:6.2f}s {count / wall:6.1f} {cpu:6.1f}s "
              f"{peak / 1024:6.1f}MB  {ratios}")
print("targets: with bwdif ours/ffmpeg wall <= 0.90, without <= 1.00; peak <= 1.3; ours/HB fps >= 1.25")
PY
}

# One timed run: wall seconds and peak resident kB, printed as "wall peak".
timed() {
  local stats
  stats=$(mktemp)
  local t0 t1
  t0=$(date +%s.%N)
  /usr/bin/time -o "$stats" -f %M "$@" >/dev/null 2>&1
  t1=$(date +%s.%N)
  echo "$(python3 -c "print(round($t1 - $t0, 2))") $(tail -n1 "$stats")"
  rm -f "$stats"
}

need_handbrake() {
  if ! command -v HandBrakeCLI >/dev/null; then
    echo "installing HandBrakeCLI for the comparison ..." >&2
    sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd=sudo
    $sudo_cmd apt-get install -y handbrake-cli >/dev/null
  fi
}

# The bench disc's title to H.264 (x264 medium, 1500 kbit/s) + AAC (128
# kbit/s, 48 kHz stereo) MP4 at 640x480 by the three programs, taking turns.
bench_cli() {
  need_handbrake
  local disc file out frames
  disc=$(bench_disc)
  file=$(bench_title_file "$disc")
  out=$(mktemp -d)
  trap 'rm -rf "$out"' RETURN
  frames=$(( ${BENCH_DVD_SECONDS:-180} * 30000 / 1001 ))
  declare -A wall peak
  for name in ours ffmpeg handbrake; do wall[$name]=; peak[$name]=; done
  local ours=("$BIN/vidrelo-cli" convert "$(dvd_source "$disc")" --vcodec libx264 -o preset=medium --vb 1500k
              --acodec aac --ab 128k --ar 48000 --ac 2 --size 640x480 -y "$out/ours.mp4")
  local ffmpeg=(ffmpeg -nostdin -y -i "$file" -c:v libx264 -preset medium -b:v 1500k -c:a aac -b:a 128k
                -ar 48000 -ac 2 -s 640x480 "$out/ffmpeg.mp4")
  local handbrake=(HandBrakeCLI -i "$disc" -t 1 -o "$out/hb.mp4" -f av_mp4 -e x264 --encoder-preset medium
                   -b 1500 -E av_aac -B 128 -R 48 -6 stereo -w 640 -l 480 --crop 0:0:0:0 --non-anamorphic)
  local r
  for round in $(seq 1 "${CLI_RUNS:-1}"); do
    r=($(timed "${ours[@]}")); wall[ours]+="${r[0]} "; peak[ours]+="${r[1]} "
    r=($(timed "${ffmpeg[@]}")); wall[ffmpeg]+="${r[0]} "; peak[ffmpeg]+="${r[1]} "
    r=($(timed "${handbrake[@]}")); wall[handbrake]+="${r[0]} "; peak[handbrake]+="${r[1]} "
  done
  python3 - "$frames" "${wall[ours]}" "${peak[ours]}" "${wall[ffmpeg]}" "${peak[ffmpeg]}" \
    "${wall[handbrake]}" "${peak[handbrake]}" <<'PY'
import statistics, sys
frames = int(sys.argv[1])
rows = {}
for i, name in enumerate(("vidrelo-cli convert", "ffmpeg", "HandBrakeCLI")):
    walls = [float(x) for x in sys.argv[2 + 2 * i].split()]
    peaks = [int(x) for x in sys.argv[3 + 2 * i].split()]
    rows[name] = (statistics.median(walls), statistics.median(peaks))
ours_wall, ours_peak = rows["vidrelo-cli convert"]
print(f"cli: {frames} frames, x264 medium 1500k + AAC 128k, 640x480 (medians)")
print(f"{'program':<20} {'wall':>8} {'fps':>7} {'peak':>9}  {'ours/this wall':>14} {'ours/this peak':>14}")
for name, (wall, peak) in rows.items():
    print(f"{name:<20} {wall:7.2f}s {frames / wall:7.1f} {peak / 1024:7.1f}MB  {ours_wall / wall:14.3f} {ours_peak / peak:14.3f}")
PY
  # vidrelo-cli rip of the test disc's longest title (its defaults: MP4,
  # H.264 medium 2000 kbit/s, AAC 160 kbit/s, 854x480) and HandBrakeCLI alike.
  local testdisc=build/tests/data/discs/discA
  if [ -d "$testdisc/VIDEO_TS" ]; then
    r=($(timed "$BIN/vidrelo-cli" rip "$testdisc" --out "$out"))
    local hbrip=(HandBrakeCLI -i "$testdisc" -t 1 -o "$out/hbrip.mp4" -f av_mp4 -e x264 --encoder-preset medium
                 -b 2000 -E av_aac -B 160 -R 48 -6 stereo -w 854 -l 480 --crop 0:0:0:0 --non-anamorphic)
    local hb
    hb=($(timed "${hbrip[@]}"))
    echo "rip of discA title 1: vidrelo-cli rip ${r[0]} s, HandBrakeCLI ${hb[0]} s"
  fi
}

# Plays PLAY_SECONDS (30) of the title in real time, with SDL's dummy sound
# driver, which takes the samples at the device's pace. Runs take turns.
bench_play() {
  local disc file
  disc=$(bench_disc)
  file=$(bench_title_file "$disc")
  local seconds=${PLAY_SECONDS:-30} runs=${RUNS_PLAY:-3}
  local xvfb=()
  command -v xvfb-run > /dev/null && xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
  SDL_AUDIODRIVER=dummy python3 - "$runs" "$seconds" "$BIN/vidrelo-cli" "$(dvd_source "$disc")" "$file" \
    "${xvfb[@]}" <<'PY'
import statistics, subprocess, sys
runs, seconds, cli, source, file, xvfb = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6:]
programs = {
    "vidrelo-cli play (disc)": [cli, "play", source, "--seconds", seconds],
    "vidrelo-cli play (file)": [cli, "play", file, "--seconds", seconds],
    "ffplay -nodisp (file)": ["ffplay", "-nodisp", "-autoexit", "-loglevel", "error", "-t", seconds, file],
}
if xvfb:
    programs["ffplay with display (file)"] = xvfb + ["ffplay", "-autoexit", "-loglevel", "error", "-t", seconds, file]
figures = {name: [] for name in programs}
summary = ""
for round_ in range(runs):
    names = list(programs)
    names = names[round_ % len(names):] + names[:round_ % len(names)]
    for name in names:
        r = subprocess.run(["/usr/bin/time", "-f", "TIME %e %U %S %M", *programs[name]], capture_output=True, text=True)
        line = [l for l in r.stderr.splitlines() if l.startswith("TIME ")][-1].split()
        wall, user, system, rss = float(line[1]), float(line[2]), float(line[3]), int(line[4])
        figures[name].append((100 * (user + system) / wall, rss / 1024))
        if name == "vidrelo-cli play (disc)":
            summary = r.stdout
for name, values in figures.items():
    cpu = statistics.median(v[0] for v in values)
    rss = statistics.median(v[1] for v in values)
    print(f"{name:<30} processor {cpu:5.1f} % of a core   peak memory {rss:6.1f} MB  (median of {runs})")
print("vidrelo-cli play's own figures, last run on the disc:")
print("".join("  " + l + "\n" for l in summary.splitlines()))
seek = subprocess.run([cli, "play", source, "--start", "60", "--seconds", "2"], capture_output=True, text=True)
print("".join("  " + l + "\n" for l in seek.stdout.splitlines() if l.startswith(("open", "seek"))))
PY
}

case "${1:-all}" in
  libs) bench_libs ;;
  dvd) bench_dvd ;;
  convert) bench_convert ;;
  cli) bench_cli ;;
  pipeline) bench_pipeline ;;
  play) bench_play ;;
  all) bench_libs; bench_dvd; bench_convert; bench_pipeline; bench_cli; bench_play ;;
  *) echo "unknown benchmark: $1" >&2; exit 2 ;;
esac
