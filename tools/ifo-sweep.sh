#!/usr/bin/env bash
# Damages a DVD folder's information files one change at a time and runs
# `vidrelo-cli scan` on each copy (with SWEEP_COMMAND=dump: `vidrelo-cli
# dump` of title SWEEP_TITLE, default 1, which reads the whole title),
# listing every run that ended with a signal or did not end in time. Not part
# of the test suite: it runs thousands of scans.
#
#   tools/ifo-sweep.sh DISC_FOLDER CLI [STEP] [JOBS] [FILES]
#
# DISC_FOLDER  a folder holding VIDEO_TS (e.g. build/tests/data/discs/discA)
# CLI          the vidrelo-cli to run (e.g. build/bin/vidrelo-cli)
# STEP         in all-zero stretches try only every STEP-th byte (default 1:
#              every byte); bytes near data are always tried
# JOBS         scans run at once (default 2)
# FILES        which files to damage (default "IFO BUP"; "IFO" for the IFOs only:
#              a BUP is read only when its IFO is unusable; "BOTH": each change
#              goes to an IFO and to its BUP alike)
#
# At each tried position of each .IFO and .BUP file three changes are made
# on a private copy: the byte set to 0xFF, the byte set to 0x00, and the
# four bytes from there set to 0xFFFFFFFF. Output: one line per bad run,
#   FILE OFFSET CHANGE RESULT      (RESULT: "signal N" or "hang")
# then a summary line; the exit status is 1 when any run was bad.
set -uo pipefail

if [ $# -lt 2 ]; then
  sed -n '6,12p' "$0" >&2
  exit 2
fi
disc=$(realpath "$1")
cli=$(realpath "$2")
step=${3:-1}
jobs=${4:-2}
kinds=${5:-IFO BUP}
both=0
if [ "$kinds" = BOTH ]; then both=1; kinds=IFO; fi
limit=${SWEEP_TIME_LIMIT:-60}
command=${SWEEP_COMMAND:-scan}
title=${SWEEP_TITLE:-1}
case "$command" in
  scan|dump) ;;
  *) echo "SWEEP_COMMAND must be scan or dump" >&2; exit 2 ;;
esac

[ -d "$disc/VIDEO_TS" ] || { echo "no VIDEO_TS in $disc" >&2; exit 2; }
[ -x "$cli" ] || { echo "$cli is not a program" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ifo-sweep.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One mutation: FILE OFFSET CHANGE (ff, 00 or ffffffff). Prints a line when
# the scan ended with a signal or hung.
sweep_one() {
  local file=$1 offset=$2 change=$3
  local copy
  copy=$(mktemp -d "$work/run.XXXXXX")
  mkdir "$copy/VIDEO_TS"
  # Links to the big VOBs, real copies of the small files being damaged.
  for f in "$disc"/VIDEO_TS/*; do
    case "$f" in
      *.VOB) ln -s "$f" "$copy/VIDEO_TS/" ;;
      *) cp "$f" "$copy/VIDEO_TS/" ;;
    esac
  done
  local target="$copy/VIDEO_TS/$file"
  case $change in
    ff) printf '\xff' ;;
    00) printf '\x00' ;;
    ffffffff) printf '\xff\xff\xff\xff' ;;
  esac > "$copy/bytes"
  dd if="$copy/bytes" of="$target" bs=1 seek="$offset" conv=notrunc status=none
  if [ "$both" = 1 ]; then
    dd if="$copy/bytes" of="${target%.IFO}.BUP" bs=1 seek="$offset" conv=notrunc status=none
  fi
  if [ "$command" = dump ]; then
    timeout -s KILL "$limit" "$cli" dump "opendvd:$copy|Title=$title" "$copy/title.mpg" >/dev/null 2>&1
  else
    timeout -s KILL "$limit" "$cli" scan "$copy" >/dev/null 2>&1
  fi
  local rc=$?
  rm -rf "$copy"
  if [ $rc -eq 137 ]; then
    echo "$file $offset $change hang"
  elif [ $rc -gt 128 ]; then
    echo "$file $offset $change signal $((rc - 128))"
  fi
}
export -f sweep_one
export disc cli work limit both command title

list="$work/mutations"
# Every byte of each 16-byte row that holds data, every STEP-th byte of the
# all-zero padding.
files=()
for kind in $kinds; do files+=("$disc"/VIDEO_TS/*."$kind"); done
python3 - "$step" "${files[@]}" > "$list" <<'PY'
import os, sys
step = int(sys.argv[1])
for path in sys.argv[2:]:
    data = open(path, 'rb').read()
    name = os.path.basename(path)
    for off in range(len(data)):
        row = data[off - off % 16: off - off % 16 + 16]
        if any(row) or off % step == 0:
            print(name, off, 'ff')
            print(name, off, '00')
            if off + 4 <= len(data):
                print(name, off, 'ffffffff')
PY
total=$(wc -l < "$list")
bad="$work/bad"
xargs -P "$jobs" -L 1 bash -c 'sweep_one "$@"' _ < "$list" | tee "$bad"
count=$(wc -l < "$bad")
echo "$total mutations (padding: every ${step}th byte), $count ended with a signal or hung"
[ "$count" -eq 0 ]
