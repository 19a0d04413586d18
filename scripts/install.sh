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
# PREFIX/bin/nemara is a symbolic link to it. The desktop entry and the icons,
# the same as the Debian package's, go to the data folder (XDG_DATA_HOME, else
# ~/.local/share; PREFIX/share with --prefix). A second run upgrades in place;
# the channel list always stays.
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
  rm -f "$icondir"/*/apps/nemara.png
  refresh_desktop
  if [ -e "$libdir/channels.lst" ] || [ -e "$libdir/nemara.db" ]; then
    echo "Removed Nemara. Your channel list and stored items stay in $libdir/ (channels.lst, nemara.db)"
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

# The menu entry and the icons are the Debian package's, installed by the
# build's "desktop" component into a folder of their own; Exec then names
# this installation's program.
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --component desktop --prefix "$stage" >/dev/null
for icon in "$stage"/share/icons/hicolor/*/apps/nemara.png; do
  target="$icondir/${icon#"$stage/share/icons/hicolor/"}"
  mkdir -p "$(dirname "$target")"
  install_file "$icon" "$target" 644
done

while IFS= read -r line; do
  [[ "$line" == "Exec=nemara "* ]] && line="Exec=\"$libdir/nemara\" ${line#Exec=nemara }"
  printf '%s\n' "$line"
done < "$stage/share/applications/nemara.desktop" > "$stage/nemara.desktop"
grep -q "^Exec=\"" "$stage/nemara.desktop" || { echo "the menu entry has no Exec=nemara line" >&2; exit 1; }
desktop-file-validate "$stage/nemara.desktop"
install_file "$stage/nemara.desktop" "$appdir/nemara.desktop" 644
refresh_desktop

echo "Installed Nemara:"
echo "  program        $libdir/nemara (its channel list: $libdir/channels.lst)"
echo "  commands       $bindir/nemara, $bindir/nemara-dump"
echo "  menu entry     $appdir/nemara.desktop"
echo "  icons          $icondir/<size>/apps/nemara.png"
