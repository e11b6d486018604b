#!/usr/bin/env bash
# Builds one fuzz target of tests/fuzz with clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer (in build-fuzz/), then fuzzes it.
#
#   tools/fuzz.sh TARGET SECONDS [libFuzzer flags ...]
#   tools/fuzz.sh list
#
# TARGET: disc_scan, title_stream, catalogue, source_string, ext_options or
# picture_filters. The run starts from the kept inputs (tests/fuzz/corpus and
# tests/fuzz/regressions) and keeps what it learns in build-fuzz/corpus/TARGET.
# An input that crashes, hangs or leaks is written to
# build-fuzz/crashes/TARGET/; once the fault is fixed, copy it to
# tests/fuzz/regressions/TARGET/ so that the normal suite replays it.
set -euo pipefail

cd "$(dirname "$0")/.."
TARGETS=(disc_scan title_stream catalogue source_string ext_options picture_filters)

usage() { echo "usage: tools/fuzz.sh TARGET SECONDS [libFuzzer flags]   (targets: ${TARGETS[*]})" >&2; exit 2; }

[ "${1:-}" = list ] && { printf '%s\n' "${TARGETS[@]}"; exit 0; }
[ $# -ge 2 ] || usage
target=$1; seconds=$2; shift 2
[[ " ${TARGETS[*]} " == *" $target "* ]] || usage
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || usage

# The inputs each target takes: disc files and video need room, texts do not.
case "$target" in
  disc_scan) max_len=131072 ;;
  title_stream) max_len=262144 ;;
  catalogue) max_len=131072 ;;
  *) max_len=4096 ;;
esac

install_missing() {
  local missing=()
  for p in clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

install_missing
tools/setup.sh deps  # the packages the program itself needs

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVIDRELO_FUZZ=ON -DVIDRELO_BUILD_TESTS=OFF -DVIDRELO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "fuzz_$target"

work=build-fuzz/corpus/$target
crashes=build-fuzz/crashes/$target
mkdir -p "$work" "$crashes"
seeds=("tests/fuzz/corpus/$target")
[ -d "tests/fuzz/regressions/$target" ] && seeds+=("tests/fuzz/regressions/$target")

# Full stacks through the uninstrumented libraries, so that the suppressions
# can name their functions.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1:fast_unwind_on_malloc=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cat tools/lsan.supp tools/fuzz-lsan.supp > build-fuzz/lsan.supp
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/build-fuzz/lsan.supp:print_suppressions=0}"
export QT_QPA_PLATFORM=offscreen
exec "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=30 \
  -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$crashes/" "$@" "$work" "${seeds[@]}"
