#!/usr/bin/env bash
# Builds the DVD-Video test discs the test programs read, plus manifest.ini
# describing them, into the folder given as the only argument:
#
#   discA/      NTSC 16:9 VIDEO_TS folder, 4 titles in 2 titlesets
#   discB.iso   PAL 4:3 ISO image, 3 titlesets (AC-3 5.1, MPEG audio, LPCM)
#   discC/      copy of discA whose titleset 2 IFO and BUP are damaged
#   discD/      PAL 4:3 folder, 1 letterboxed title (black bars above and below)
#   notdvd/     a folder of ordinary files
#   empty/      an empty folder
#
# Everything is generated (lavfi test patterns, sine tones, text subtitles),
# so the discs are reproducible and contain nothing copyrighted. The output
# is cached: a stamp holding this script's sha256 (and the output path, since
# the manifest records absolute paths) makes a second run return at once.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTPUT_DIR" >&2
  exit 2
fi

script_path="$(realpath "${BASH_SOURCE[0]}")"
out="$(realpath -m "$1")"
parent="$(dirname "$out")"
name="$(basename "$out")"
stamp_name=".stamp"
stamp_content="$(sha256sum "$script_path" | cut -d' ' -f1)
$out"

stamp_matches() {
  [ -f "$out/$stamp_name" ] && [ "$(cat "$out/$stamp_name")" = "$stamp_content" ]
}

if stamp_matches; then
  exit 0
fi

for tool in ffmpeg ffprobe dvdauthor spumux genisoimage flock; do
  command -v "$tool" >/dev/null || { echo "make_test_discs: $tool is not installed" >&2; exit 1; }
done
font_file=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
[ -f "$font_file" ] || { echo "make_test_discs: $font_file is missing (fonts-dejavu-core)" >&2; exit 1; }

mkdir -p "$parent"
# Two builds of the same tree (parallel ctest runs, two shells) must not race
# on the final rename; the second one waits and then finds a matching stamp.
exec 9>"$parent/.$name.lock"
flock 9
if stamp_matches; then
  exit 0
fi
# Leftovers of runs that were killed before they could clean up.
rm -rf "$parent/.$name.tmp."* "$parent/.$name.old."*

start_seconds=$SECONDS
tmp="$parent/.$name.tmp.$$"
cleanup() { rm -rf "$tmp"; }
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
mkdir -p "$tmp/work" "$tmp/logs"
work="$tmp/work"

# Runs a command with its output in a log file; on failure shows the log.
run_logged() {
  local log="$tmp/logs/$1.log"
  shift
  if ! "$@" >"$log" 2>&1; then
    echo "make_test_discs: failed: $*" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

# --- encoding ------------------------------------------------------------------

# Every clip uses 15-frame GOPs without B-frames, and every chapter point falls on
# a multiple of 15 frames, so dvdauthor can put each chapter exactly where the
# manifest says it is.
GOP=15

norm_size()   { [ "$1" = NTSC ] && echo 720x480 || echo 720x576; }
norm_rate()   { [ "$1" = NTSC ] && echo 30000/1001 || echo 25; }
norm_target() { [ "$1" = NTSC ] && echo ntsc-dvd || echo pal-dvd; }
# Seconds for a number of frames, as the manifest writes them.
frames_to_seconds() {
  local norm=$1 frames=$2
  if [ "$norm" = NTSC ]; then
    awk -v f="$frames" 'BEGIN { printf "%.3f", f * 1001 / 30000 }'
  else
    awk -v f="$frames" 'BEGIN { printf "%.3f", f / 25 }'
  fi
}

# encode_clip OUT NORM ASPECT FRAMES PATTERN AUDIO...
#   AUDIO is format:channels:tone_hz with format ac3, mp2 or lpcm. The audio
#   tracks are muxed in the order given, so they get the VOB stream ids
#   0x80, 0x81, ... (AC-3), 0xC0 (MPEG) or 0xA0 (LPCM).
#   CLIP_FILTER, when set, is a video filter chain applied to the pattern.
encode_clip() {
  local out=$1 norm=$2 aspect=$3 frames=$4 pattern=$5
  shift 5
  local seconds
  seconds=$(awk -v f="$frames" -v n="$norm" 'BEGIN { printf "%.6f", (n == "NTSC") ? f * 1001 / 30000 : f / 25 }')
  local args=(-f lavfi -i "$pattern=size=$(norm_size "$norm"):rate=$(norm_rate "$norm")")
  local spec
  for spec in "$@"; do
    IFS=: read -r _ _ hz <<<"$spec"
    args+=(-f lavfi -i "sine=frequency=$hz:sample_rate=48000:duration=$seconds")
  done
  args+=(-map 0:v)
  if [ -n "${CLIP_FILTER:-}" ]; then args+=(-vf "$CLIP_FILTER"); fi
  local k
  for ((k = 1; k <= $#; k++)); do args+=(-map "$k:a"); done
  # -target sets the codecs, rates and DVD mux; options after it override it.
  args+=(-frames:v "$frames" -target "$(norm_target "$norm")" -aspect "$aspect"
         -g "$GOP" -bf 0 -b:v 1500k)
  k=0
  for spec in "$@"; do
    local format channels
    IFS=: read -r format channels _ <<<"$spec"
    case "$format" in
      ac3) args+=("-c:a:$k" ac3 "-b:a:$k" "$((channels > 2 ? 384 : 192))k") ;;
      mp2) args+=("-c:a:$k" mp2 "-b:a:$k" 192k) ;;
      lpcm) args+=("-c:a:$k" pcm_s16be) ;;
      *) echo "make_test_discs: unknown audio format $format" >&2; exit 1 ;;
    esac
    if [ "$channels" -eq 6 ]; then
      # The tone on every channel, LFE included, so any downmix still has it.
      args+=("-filter:a:$k" "pan=5.1(side)|FL=c0|FR=c0|FC=c0|LFE=c0|SL=c0|SR=c0")
    else
      args+=("-ac:a:$k" "$channels")
    fi
    args+=("-ar:a:$k" 48000)
    k=$((k + 1))
  done
  run_logged "ffmpeg-$(basename "$out" .mpg)" ffmpeg -nostdin -hide_banner -y "${args[@]}" "$out"
}

# add_subtitles IN OUT NORM ASPECT SRT
#   Renders the SRT lines with DejaVu Sans and muxes them as subpicture
#   stream 0x20. spumux keeps fontconfig's cache and its own font folder in
#   HOME, so it runs with a private one inside the build folder.
add_subtitles() {
  local in=$1 out=$2 norm=$3 aspect=$4 srt=$5
  local home="$tmp/home"
  mkdir -p "$home/.spumux" "$home/.cache"
  cp "$font_file" "$home/.spumux/"
  local xml="${out%.mpg}.spumux.xml"
  cat >"$xml" <<EOF
<subpictures format="$norm">
  <stream>
    <textsub filename="$srt" characterset="UTF-8" font="DejaVuSans.ttf"
      fontsize="28.0" horizontal-alignment="center" vertical-alignment="bottom"
      movie-width="720" aspect="$aspect"/>
  </stream>
</subpictures>
EOF
  local log
  log="$tmp/logs/spumux-$(basename "$out" .mpg).log"
  if ! HOME="$home" XDG_CACHE_HOME="$home/.cache" XDG_CONFIG_HOME="$home/.config" \
       spumux -v 2 -s 0 "$xml" <"$in" >"$out" 2>"$log"; then
    echo "make_test_discs: spumux failed" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
  # Without this font the rendered text (and any test reading it) would
  # depend on whatever the machine has installed.
  if grep -q "matches font file" "$log" && ! grep -q "matches font file .*DejaVuSans.ttf" "$log"; then
    echo "make_test_discs: spumux picked another font:" >&2
    grep "matches font file" "$log" >&2
    exit 1
  fi
}

# --- manifest --------------------------------------------------------------------

manifest="$tmp/manifest.ini"
{
  echo "; Test discs made by tests/discs/make_test_discs.sh. Times are seconds from"
  echo "; the start of a title; lists are comma-separated."
} >"$manifest"
m() {
  local line="$*"
  echo "${line%" "}" >>"$manifest"  # an empty list leaves "key =", not "key = "
}

# manifest_title DISC NORM NUMBER TITLESET TTN READABLE PART_FRAMES CHAPTER_FRAMES
#   PART_FRAMES: frames of each separately encoded VOB ("120 180")
#   CHAPTER_FRAMES: frame where each chapter starts ("0 150")
manifest_title() {
  local disc=$1 norm=$2 number=$3 titleset=$4 ttn=$5 readable=$6
  local -a parts chapters
  read -ra parts <<<"$7"
  read -ra chapters <<<"$8"
  local total=0 p
  for p in "${parts[@]}"; do total=$((total + p)); done
  local lengths=() restarts=() i
  for ((i = 0; i < ${#chapters[@]}; i++)); do
    local end=$total
    ((i + 1 < ${#chapters[@]})) && end=${chapters[i + 1]}
    lengths+=("$(frames_to_seconds "$norm" $((end - chapters[i])))")
  done
  local at=0
  for ((i = 0; i + 1 < ${#parts[@]}; i++)); do
    at=$((at + parts[i]))
    restarts+=("$(frames_to_seconds "$norm" "$at")")
  done
  m ""
  m "[$disc.title$number]"
  m "number = $number"
  m "titleset = $titleset"
  m "title_in_titleset = $ttn"
  m "length = $(frames_to_seconds "$norm" "$total")"
  m "frames = $total"
  m "chapters = ${#chapters[@]}"
  local joined
  joined="$(IFS=,; echo "${lengths[*]}")"
  m "chapter_lengths = ${joined//,/, }"
  m "two_vobs = $([ ${#parts[@]} -eq 2 ] && echo true || echo false)"
  joined="$(IFS=,; echo "${restarts[*]}")"
  m "timestamp_restarts = ${joined//,/, }"
  m "readable = $readable"
}

# manifest_tracks DISC NUMBER AUDIO_SPECS LANGS [SUBTITLE_LANG SRT]
manifest_tracks() {
  local disc=$1 number=$2
  local -a specs langs
  read -ra specs <<<"$3"
  read -ra langs <<<"$4"
  local k ac3=0
  m "audio_tracks = ${#specs[@]}"
  m "subtitle_tracks = $([ $# -ge 6 ] && echo 1 || echo 0)"
  for ((k = 0; k < ${#specs[@]}; k++)); do
    local format channels hz id
    IFS=: read -r format channels hz <<<"${specs[k]}"
    case "$format" in
      ac3) id=$(printf '0x%x' $((0x80 + ac3))); ac3=$((ac3 + 1)) ;;
      mp2) id=0x1c0 ;;
      lpcm) id=0xa0 ;;
    esac
    m ""
    m "[$disc.title$number.audio$((k + 1))]"
    m "format = $format"
    m "channels = $channels"
    m "sample_rate = 48000"
    m "language = ${langs[k]}"
    m "tone_hz = $hz"
    m "stream_id = $id"
  done
  if [ $# -ge 6 ]; then
    local lang=$5 srt=$6
    m ""
    m "[$disc.title$number.subtitle1]"
    m "language = $lang"
    m "stream_id = 0x20"
    # The SRT file is the single source of the lines: "start|end|text".
    local n=0 start end text
    while IFS='|' read -r start end text; do
      n=$((n + 1))
      m "line${n}_start = $start"
      m "line${n}_end = $end"
      m "line${n}_text = $text"
    done < <(awk '
      function secs(t,  a) { split(t, a, /[:,]/); return a[1] * 3600 + a[2] * 60 + a[3] + a[4] / 1000 }
      / --> / { start = secs($1); end = secs($3); getline text; printf "%.3f|%.3f|%s\n", start, end, text }
    ' "$srt")
    m "lines = $n"
  fi
}

manifest_disc() {
  local disc=$1 path=$2 kind=$3 norm=$4 aspect=$5 titles=$6 titlesets=$7
  m ""
  m "[$disc]"
  m "path = $path"
  m "kind = $kind"
  m "norm = $norm"
  m "width = 720"
  m "height = $([ "$norm" = NTSC ] && echo 480 || echo 576)"
  m "aspect = $aspect"
  m "frame_rate = $([ "$norm" = NTSC ] && echo 29.970 || echo 25.000)"
  m "titles = $titles"
  m "titlesets = $titlesets"
}

# --- disc A: NTSC 16:9 folder ------------------------------------------------------

# Titleset 1: title 1 (two AC-3 tracks, one subtitle track, 2 chapters) and
# title 2 (5 s). Every title of a titleset shares its audio list (dvdauthor
# marks all of them present in each title's PGC), so title 2 carries the
# same two tracks. Titleset 2: title 3 (3 chapters) and title 4 (two VOBs
# encoded apart, so timestamps restart in the middle of the title).
A_T1_AUDIO=(ac3:2:440 ac3:2:660)
A_T2_AUDIO=(ac3:2:550 ac3:2:825)
A_T3_AUDIO=(ac3:2:770)
A_T4_AUDIO=(ac3:2:880)
cat >"$work/a1.srt" <<'EOF'
1
00:00:01,000 --> 00:00:03,000
First test subtitle

2
00:00:05,500 --> 00:00:08,000
Second test subtitle
EOF

encode_clip "$work/a1-raw.mpg" NTSC 16:9 300 testsrc2 "${A_T1_AUDIO[@]}"
add_subtitles "$work/a1-raw.mpg" "$work/a1.mpg" NTSC 16:9 "$work/a1.srt"
encode_clip "$work/a2.mpg" NTSC 16:9 150 smptebars "${A_T2_AUDIO[@]}"
encode_clip "$work/a3.mpg" NTSC 16:9 270 testsrc2 "${A_T3_AUDIO[@]}"
encode_clip "$work/a4a.mpg" NTSC 16:9 120 smptebars "${A_T4_AUDIO[@]}"
encode_clip "$work/a4b.mpg" NTSC 16:9 180 testsrc2 "${A_T4_AUDIO[@]}"

cat >"$work/discA.xml" <<EOF
<dvdauthor format="ntsc">
  <vmgm/>
  <titleset>
    <titles>
      <video format="ntsc" aspect="16:9"/>
      <audio lang="en"/>
      <audio lang="fr"/>
      <subpicture lang="en"/>
      <pgc><vob file="$work/a1.mpg" chapters="0,$(frames_to_seconds NTSC 150)"/></pgc>
      <pgc><vob file="$work/a2.mpg" chapters="0"/></pgc>
    </titles>
  </titleset>
  <titleset>
    <titles>
      <video format="ntsc" aspect="16:9"/>
      <audio lang="en"/>
      <pgc><vob file="$work/a3.mpg" chapters="0,$(frames_to_seconds NTSC 90),$(frames_to_seconds NTSC 180)"/></pgc>
      <pgc>
        <vob file="$work/a4a.mpg" chapters="0"/>
        <vob file="$work/a4b.mpg" chapters="0"/>
      </pgc>
    </titles>
  </titleset>
</dvdauthor>
EOF
run_logged dvdauthor-discA dvdauthor -o "$tmp/discA" -x "$work/discA.xml"

write_disc_a_titles() {
  local disc=$1 ts2_readable=$2
  manifest_title "$disc" NTSC 1 1 1 true "300" "0 150"
  manifest_tracks "$disc" 1 "${A_T1_AUDIO[*]}" "en fr" en "$work/a1.srt"
  manifest_title "$disc" NTSC 2 1 2 true "150" "0"
  manifest_tracks "$disc" 2 "${A_T2_AUDIO[*]}" "en fr"
  manifest_title "$disc" NTSC 3 2 1 "$ts2_readable" "270" "0 90 180"
  manifest_tracks "$disc" 3 "${A_T3_AUDIO[*]}" "en"
  manifest_title "$disc" NTSC 4 2 2 "$ts2_readable" "120 180" "0 120"
  manifest_tracks "$disc" 4 "${A_T4_AUDIO[*]}" "en"
}
manifest_disc discA "$out/discA" folder NTSC 16:9 4 2
write_disc_a_titles discA true

# --- disc B: PAL 4:3 ISO ---------------------------------------------------------

# One title per titleset, each with a single audio track: ffmpeg numbers each
# audio format from its own base (0x80 / 0xC0 / 0xA0) while the IFO numbers
# one sequence across formats, so mixing formats in one title would make the
# VOB and the IFO disagree in a way no real disc does.
B_T1_AUDIO=(ac3:6:1000)
B_T2_AUDIO=(mp2:2:1200)
B_T3_AUDIO=(lpcm:2:1500)
encode_clip "$work/b1.mpg" PAL 4:3 150 smptebars "${B_T1_AUDIO[@]}"
encode_clip "$work/b2.mpg" PAL 4:3 120 testsrc2 "${B_T2_AUDIO[@]}"
encode_clip "$work/b3.mpg" PAL 4:3 135 smptebars "${B_T3_AUDIO[@]}"

cat >"$work/discB.xml" <<EOF
<dvdauthor format="pal">
  <vmgm/>
  <titleset>
    <titles>
      <video format="pal" aspect="4:3"/>
      <audio lang="en"/>
      <pgc><vob file="$work/b1.mpg" chapters="0,$(frames_to_seconds PAL 75)"/></pgc>
    </titles>
  </titleset>
  <titleset>
    <titles>
      <video format="pal" aspect="4:3"/>
      <audio lang="de"/>
      <pgc><vob file="$work/b2.mpg" chapters="0"/></pgc>
    </titles>
  </titleset>
  <titleset>
    <titles>
      <video format="pal" aspect="4:3"/>
      <audio format="pcm" samplerate="48khz" quant="16bps" channels="2" lang="es"/>
      <pgc><vob file="$work/b3.mpg" chapters="0"/></pgc>
    </titles>
  </titleset>
</dvdauthor>
EOF
# dvdauthor warns at length about the PTS layout of ffmpeg's LPCM packets;
# the result still plays and demuxes, so the log is only shown on failure.
run_logged dvdauthor-discB dvdauthor -o "$work/discB" -x "$work/discB.xml"
run_logged genisoimage-discB genisoimage -dvd-video -V VIDRELO_TEST_B -o "$tmp/discB.iso" "$work/discB"

manifest_disc discB "$out/discB.iso" iso PAL 4:3 3 3
m "volume_label = VIDRELO_TEST_B"
manifest_title discB PAL 1 1 1 true "150" "0 75"
manifest_tracks discB 1 "${B_T1_AUDIO[*]}" "en"
manifest_title discB PAL 2 2 1 true "120" "0"
manifest_tracks discB 2 "${B_T2_AUDIO[*]}" "de"
manifest_title discB PAL 3 3 1 true "135" "0"
manifest_tracks discB 3 "${B_T3_AUDIO[*]}" "es"

# --- disc C: disc A with titleset 2 damaged -----------------------------------------

# libdvdread checks the "DVDVIDEO-VTS" identifier at the start of the VTS IFO
# and falls back to the .BUP copy, so both lose it; the video manager still
# lists titles 3 and 4, which then cannot be opened, while titles 1 and 2
# stay readable.
cp -a "$tmp/discA" "$tmp/discC"
for f in "$tmp/discC/VIDEO_TS/VTS_02_0.IFO" "$tmp/discC/VIDEO_TS/VTS_02_0.BUP"; do
  printf 'NOT-A-DVD-IFO-HEADER' | dd of="$f" bs=1 seek=0 conv=notrunc status=none
done
manifest_disc discC "$out/discC" folder NTSC 16:9 4 2
m "damaged_titleset = 2"
write_disc_a_titles discC false

# --- disc D: a letterboxed PAL film --------------------------------------------------

# A 720x432 picture with black bars of 72 lines above and below, as most films
# on DVD are stored; one short title keeps the disc cheap to make.
D_T1_AUDIO=(mp2:2:660)
CLIP_FILTER="scale=720:432,pad=720:576:0:72" encode_clip "$work/d1.mpg" PAL 4:3 100 testsrc2 "${D_T1_AUDIO[@]}"
cat >"$work/discD.xml" <<EOF
<dvdauthor format="pal">
  <vmgm/>
  <titleset>
    <titles>
      <video format="pal" aspect="4:3"/>
      <audio lang="en"/>
      <pgc><vob file="$work/d1.mpg" chapters="0"/></pgc>
    </titles>
  </titleset>
</dvdauthor>
EOF
run_logged dvdauthor-discD dvdauthor -o "$tmp/discD" -x "$work/discD.xml"
manifest_disc discD "$out/discD" folder PAL 4:3 1 1
manifest_title discD PAL 1 1 1 true "100" "0"
m "black_bars = 0, 72, 0, 72"
manifest_tracks discD 1 "${D_T1_AUDIO[*]}" "en"

# --- folders that are not discs ---------------------------------------------------

mkdir -p "$tmp/notdvd/photos" "$tmp/empty"
printf 'Shopping list\n- milk\n- bread\n' >"$tmp/notdvd/notes.txt"
printf 'name,year\nholiday,2019\n' >"$tmp/notdvd/films.csv"
printf 'not really a picture\n' >"$tmp/notdvd/photos/beach.jpg"
m ""
m "[notdvd]"
m "path = $out/notdvd"
m "kind = folder"
m "files = notes.txt, films.csv, photos/beach.jpg"
m ""
m "[empty]"
m "path = $out/empty"
m "kind = folder"

# --- publish -------------------------------------------------------------------------

rm -rf "${work:?}" "${tmp:?}/home" "${tmp:?}/logs"
printf '%s\n' "$stamp_content" >"$tmp/$stamp_name"
old="$parent/.$name.old.$$"
if [ -e "$out" ]; then
  mv "$out" "$old"
fi
mv "$tmp" "$out"
rm -rf "$old"
echo "make_test_discs: made the test discs in $out in $((SECONDS - start_seconds)) s"
