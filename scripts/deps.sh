#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when some are missing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev libcurl4-openssl-dev nlohmann-json3-dev ca-certificates openssl
  libsqlitecpp-dev libsqlite3-dev zlib1g-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev libpugixml-dev libxml2-dev
  fonts-wine
  # A strict XML parser, which checks the OPML that an export writes.
  libxml2-utils
  # What CPack needs to make the Debian package, which a test makes too.
  dpkg-dev file
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# The check of the code format.
if [ "${1:-}" = "--format" ]; then
  packages+=(clang-format)
fi
# The desktop installation's check of its menu entry.
if [ "${1:-}" = "--install" ]; then
  packages+=(desktop-file-utils)
fi
# The check of the Debian package that scripts/package.sh makes.
if [ "${1:-}" = "--package" ]; then
  packages+=(lintian)
fi
# The peer feed reader that scripts/bench-refresh.sh sets the refresh against.
if [ "${1:-}" = "--bench" ]; then
  packages+=(newsboat)
fi
# A real X server with a window manager, to look at the window.
if [ "${1:-}" = "--desktop" ]; then
  packages+=(xvfb openbox xdotool x11-utils x11-xserver-utils imagemagick python3)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
