#!/usr/bin/env bash
# Sets up a Debian 12 machine for Vidrelo, builds it, and then starts it or
# runs the test suite.
#
#   tools/setup.sh run              install what is missing, build, start Vidrelo
#   tools/setup.sh test             install what is missing, build, run every test
#   tools/setup.sh test --asan      the same under AddressSanitizer + UBSan (build-asan/)
#   tools/setup.sh test --tsan      the same under ThreadSanitizer (build-tsan/)
#   tools/setup.sh build            install what is missing and build only
#   tools/setup.sh deps             install what is missing, nothing else
set -euo pipefail

cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl1-mesa-dev
  libavcodec-dev libavformat-dev libavutil-dev libavfilter-dev libswscale-dev
  libswresample-dev libavdevice-dev libsdl2-dev libdvdread-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev
  ffmpeg dvdauthor genisoimage lsdvd fonts-dejavu-core xvfb xauth time locales
  python3 groff-base
  dpkg-dev lintian desktop-file-utils appstream
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

action="${1:-run}"
variant="${2:-}"
build_dir=build
cmake_args=()
case "$variant" in
  "") ;;
  --asan) build_dir=build-asan; cmake_args+=(-DVIDRELO_ASAN=ON) ;;
  --tsan) build_dir=build-tsan; cmake_args+=(-DVIDRELO_TSAN=ON) ;;
  *) echo "unknown switch: $variant (use --asan or --tsan)" >&2; exit 2 ;;
esac

install_missing
[ "$action" = deps ] && exit 0
cmake -S . -B "$build_dir" -G Ninja "${cmake_args[@]}" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"

case "$action" in
  build) ;;
  run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      exec xvfb-run -a "$build_dir/bin/vidrelo"
    fi
    exec "$build_dir/bin/vidrelo"
    ;;
  test)
    export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
    export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
    export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tools/lsan.supp:print_suppressions=0}"
    export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp}"
    ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)"
    ;;
  *) echo "usage: tools/setup.sh run|test|build|deps [--asan|--tsan]" >&2; exit 2 ;;
esac
