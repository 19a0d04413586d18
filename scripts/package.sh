#!/usr/bin/env bash
# Builds the Debian package nemara_<version>_<arch>.deb in the project's folder
# and checks it with lintian.
#
#   scripts/package.sh               installs what is missing, builds in Release
#                                    (in build-pkg/) and packs
#   scripts/package.sh --build DIR   packs the programs of an existing build
#                                    folder instead of building
#
# The package installs below /usr (packaging/Package.cmake says what goes
# where); its dependencies are those of the libraries the programs link.
# CMAKE_BUILD_PARALLEL_LEVEL limits the build's jobs (all cores by default).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="${2:?--build needs a folder}"; shift 2 ;;
    *) echo "usage: scripts/package.sh [--build DIR]" >&2; exit 64 ;;
  esac
done

bash scripts/deps.sh --package
if [ -z "$build" ]; then
  build="$root/build-pkg"
  # Compiled as Debian compiles its own packages: dpkg-buildflags' -O2 in
  # place of CMake's -O3, and hardened (fortified functions, stack protector,
  # read-only relocations, immediate binding).
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
  export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
  cmake --build "$build" --target nemara nemara-dump nemara-icon
fi
build="$(cd "$build" && pwd)"

# CPack stages the installation in a folder of its own; the files in it and
# in the package belong to root whoever packs, and folders made there are
# 755 only under this umask.
umask 022
rm -rf "$build/package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
debs=("$build"/package/nemara_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "cpack made no single package" >&2; exit 1; }
deb="$root/$(basename "${debs[0]}")"
mv -f "${debs[0]}" "$deb"

lintian --fail-on error "$deb"
echo "Built $deb"
echo "Install it with: sudo apt install $deb"
