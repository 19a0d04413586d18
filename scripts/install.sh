#!/usr/bin/env bash
# Installs Nemara for the current user, without root, or removes it again.
#
#   scripts/install.sh                 build in Release and install under ~/.local
#   scripts/install.sh --prefix DIR    install under DIR instead
#   scripts/install.sh --uninstall     remove what was installed (add --prefix DIR
#                                      for an installation there)
#   scripts/install.sh --build DIR     install the programs of an existing build
#                                      folder instead of building
#
# The program keeps "channels.lst" and "temp.xml" beside its executable, so it
# lives in a folder of its own that its user can write, PREFIX/lib/nemara/;
# PREFIX/bin/nemara is a symbolic link to it. The desktop entry and the icons
# go to the data folder (XDG_DATA_HOME, else ~/.local/share; PREFIX/share with
# --prefix). A second run upgrades in place; the channel list always stays.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

prefix="" build="" uninstall=0
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix="${2:?--prefix needs a folder}"; shift 2 ;;
    --build) build="${2:?--build needs a folder}"; shift 2 ;;
    --uninstall) uninstall=1; shift ;;
    *) echo "usage: scripts/install.sh [--prefix DIR] [--build DIR] [--uninstall]" >&2; exit 64 ;;
  esac
done

if [ -n "$prefix" ]; then
  mkdir -p "$prefix"
  prefix="$(cd "$prefix" && pwd)"
  data="$prefix/share"
else
  prefix="$HOME/.local"
  data="${XDG_DATA_HOME:-$HOME/.local/share}"
fi
libdir="$prefix/lib/nemara"
bindir="$prefix/bin"
appdir="$data/applications"
icondir="$data/icons/hicolor"
sizes=(16 32 48 64 128 256)

# Caches that the desktop keeps are brought up to date, never made: a new
# icon cache would hide the icons that others install later.
refresh_desktop() {
  if [ -f "$appdir/mimeinfo.cache" ] && command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$appdir" || true
  fi
  if [ -f "$icondir/icon-theme.cache" ] && command -v gtk-update-icon-cache >/dev/null; then
    gtk-update-icon-cache -q -t -f "$icondir" || true
  fi
}

if [ "$uninstall" = 1 ]; then
  rm -f "$bindir/nemara" "$bindir/nemara-dump" "$libdir/nemara" "$libdir/temp.xml" "$appdir/nemara.desktop"
  for size in "${sizes[@]}"; do rm -f "$icondir/${size}x${size}/apps/nemara.png"; done
  refresh_desktop
  if [ -e "$libdir/channels.lst" ]; then
    echo "Removed Nemara. Your channel list stays in $libdir/channels.lst"
  else
    rmdir "$libdir" 2>/dev/null || true
    echo "Removed Nemara."
  fi
  exit 0
fi

bash scripts/deps.sh --install
if [ -z "$build" ]; then
  build="$root/build-release"
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target nemara nemara-dump nemara-icon -j"$(nproc)"
fi
for program in nemara nemara-dump nemara-icon; do
  [ -x "$build/bin/$program" ] || { echo "no $build/bin/$program" >&2; exit 1; }
done

mkdir -p "$libdir" "$bindir" "$appdir"
# A new file renamed over the old one: a running program keeps its own.
install_file() {  # source target mode
  cp "$1" "$2.new" && chmod "$3" "$2.new" && mv -f "$2.new" "$2"
}
install_file "$build/bin/nemara" "$libdir/nemara" 755
install_file "$build/bin/nemara-dump" "$bindir/nemara-dump" 755
ln -sfn "$libdir/nemara" "$bindir/nemara"

icons="$(mktemp -d)"
trap 'rm -rf "$icons"' EXIT
XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$icons}" "$build/bin/nemara-icon" "$icons" "${sizes[@]}"
for size in "${sizes[@]}"; do
  mkdir -p "$icondir/${size}x${size}/apps"
  install_file "$icons/${size}x${size}.png" "$icondir/${size}x${size}/apps/nemara.png" 644
done

cat > "$icons/nemara.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Nemara
GenericName=Feed Reader
Comment=Read RSS and Atom news feeds
Exec="$libdir/nemara" %U
MimeType=application/rss+xml;application/atom+xml;x-scheme-handler/feed;
Icon=nemara
Terminal=false
Categories=Network;Feed;
StartupWMClass=nemara
DESKTOP
desktop-file-validate "$icons/nemara.desktop"
install_file "$icons/nemara.desktop" "$appdir/nemara.desktop" 644
refresh_desktop

echo "Installed Nemara:"
echo "  program        $libdir/nemara (its channel list: $libdir/channels.lst)"
echo "  commands       $bindir/nemara, $bindir/nemara-dump"
echo "  menu entry     $appdir/nemara.desktop"
echo "  icons          $icondir/<size>/apps/nemara.png"
