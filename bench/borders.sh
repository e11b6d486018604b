#!/usr/bin/env bash
# Border detection, measured against the build in build/ (run tools/setup.sh
# build first): the engine's (vidrelo-borderbench, about ten pictures
# sampled) against ffmpeg's cropdetect filter (every picture decoded) on
# generated films and on a letterboxed DVD title read through the plug-in.
#
#   bench/borders.sh
#
# Prints one row per title: the margins each found as left,top,right,bottom
# and the wall time of each. BENCH_BORDER_SECONDS sets the films' length
# (60); they are made once and kept in build/bench/borders.
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
BIN=build/bin
SECONDS_LONG=${BENCH_BORDER_SECONDS:-60}
DIR=build/bench/borders

FILM="testsrc2=size=720x576:rate=25"
declare -A FILTERS=(
  [letterbox]="scale=720:432,pad=720:576:0:72"
  [pillarbox]="scale=540:576,pad=720:576:90:0"
  [fullframe]="null"
  [analogue]="scale=720:432,pad=720:576:0:72,boxblur=2:1,lutyuv=y='max(val,18)',noise=c0s=6:c0f=t"
  [changing]="null"
  [darkscene]="drawbox=x=300:y=250:w=80:h=60:color=white:t=fill"
)
TITLES=(letterbox pillarbox fullframe analogue changing darkscene)

make_film() {  # name
  local name=$1 file=$DIR/$1-$SECONDS_LONG.mpg input="$FILM:duration=$SECONDS_LONG"
  local half=$((SECONDS_LONG / 2))
  [ "$name" = darkscene ] && input="color=black:size=720x576:rate=25:duration=$SECONDS_LONG"
  # Bars of 72 lines above and below in the first half, 40 and 104 in the second.
  [ "$name" = changing ] && input="$FILM:duration=$half,scale=720:432,pad=720:576:0:72[a];\
$FILM:duration=$half,scale=720:432,pad=720:576:0:40[b];[a][b]concat[out0]"
  if [ ! -f "$file" ]; then
    mkdir -p "$DIR"
    ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "$input" \
      -vf "${FILTERS[$name]}" -target pal-dvd -b:v 6000k -an "$file.tmp.mpg"
    mv "$file.tmp.mpg" "$file"
  fi
  echo "$file"
}

make_disc() {
  local disc=$DIR/disc-$SECONDS_LONG
  if [ ! -f "$disc/VIDEO_TS/VIDEO_TS.IFO" ]; then
    local film
    film=$(make_film letterbox)
    rm -rf "$disc"
    VIDEO_FORMAT=PAL dvdauthor -o "$disc" -t "$film" >/dev/null 2>&1
    VIDEO_FORMAT=PAL dvdauthor -o "$disc" -T >/dev/null 2>&1
  fi
  echo "$disc"
}

# "left,top,right,bottom" from cropdetect's last (widest) finding, and the
# milliseconds ffmpeg took.
cropdetect() {  # file
  local start end line
  start=$(date +%s%N)
  line=$(ffmpeg -nostdin -hide_banner -i "$1" -an -vf cropdetect=limit=24:round=2:reset=0 -f null - 2>&1 |
         grep -o 'crop=[0-9:]*' | tail -n 1)
  end=$(date +%s%N)
  local w h x y
  IFS=: read -r w h x y <<<"${line#crop=}"
  echo "$x,$y,$((720 - w - x)),$((576 - h - y)) $(((end - start) / 1000000))"
}

printf '%-11s %-16s %9s   %-16s %9s\n' title ours "ours ms" cropdetect "ffmpeg ms"
row() {  # label source file
  local ours theirs
  ours=$("$BIN/vidrelo-borderbench" "$2" | tail -n 1)
  theirs=$(cropdetect "$3")
  printf '%-11s %-16s %9s   %-16s %9s\n' "$1" "$(cut -f2 <<<"$ours")" "$(cut -f3 <<<"$ours")" \
    "${theirs% *}" "${theirs#* }"
}
for title in "${TITLES[@]}"; do
  file=$(make_film "$title")
  row "$title" "$file" "$file"
done
disc=$(make_disc)
row "dvd title" "opendvd:$(realpath "$disc")|Title=1,FromChapter=1,ToChapter=1,AudioID=0,SubtitleID=0,AudioChannels=2,Deinterlace=0" \
  "$disc/VIDEO_TS/VTS_01_1.VOB"
