#!/usr/bin/env bash
# Builds Vidrelo's Debian package: a build in build-package/ with Debian's
# hardening flags and without the tests, then `cpack -G DEB`, then lintian.
#
#   tools/package.sh [OUTDIR]                 the .deb into OUTDIR (default dist/)
#   tools/package.sh --check-clean [OUTDIR]   the same, then installs it with apt into a fresh
#                                             Debian 12 made by debootstrap (build-package/clean-root,
#                                             kept for the next run) and runs the installed programs
#
# The path of the package is the last line printed. The exit status is not 0
# when the build fails, lintian reports an error, or the clean install fails.
set -euo pipefail
cd "$(dirname "$0")/.."

check_clean=false
if [ "${1:-}" = --check-clean ]; then
  check_clean=true
  shift
fi
out_dir="$(realpath -m "${1:-dist}")"
build_dir=build-package

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
tools/setup.sh deps

# Debian's compiler and linker flags (stack protector, fortified functions,
# full RELRO); CMake reads no CPPFLAGS, so those go with the compiler flags.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVIDRELO_BUILD_TESTS=OFF -DVIDRELO_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$CFLAGS $CPPFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"

mkdir -p "$out_dir"
cpack --config "$build_dir/CPackConfig.cmake" -B "$build_dir/cpack" >/dev/null
deb="$(ls -t "$build_dir"/cpack/vidrelo_*.deb | head -n1)"
mv -f "$deb" "$out_dir/"
deb="$out_dir/$(basename "$deb")"

lint_status=0
report="$(lintian --fail-on error "$deb" 2>&1)" || lint_status=$?
# (lintian complains about being run as root, which changes nothing here)
printf '%s\n' "$report" | grep -v "root privileges" || true
[ "$lint_status" -eq 0 ] || { echo "lintian reports errors in $deb" >&2; exit 1; }

if $check_clean; then
  root="$PWD/$build_dir/clean-root"
  command -v debootstrap >/dev/null ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends debootstrap
  if [ ! -x "$root/usr/bin/apt-get" ]; then
    echo "Making a fresh Debian 12 in $root (debootstrap)"
    rm -rf "$root"
    $sudo debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
  fi
  $sudo cp /etc/resolv.conf "$root/etc/resolv.conf"
  $sudo cp "$deb" "$root/tmp/"
  # A clean root each time would mean a new debootstrap; taking the package
  # out again before installing gives the same start.
  $sudo chroot "$root" sh -c "dpkg --purge vidrelo >/dev/null 2>&1; apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/$(basename "$deb") >/dev/null &&
    vidrelo-cli --version && vidrelo-cli profiles | head -n 3 && vidrelo-cli libs"
fi
echo "$deb"
