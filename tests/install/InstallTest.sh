#!/usr/bin/env bash
# The desktop installation into a folder of its own: the installed tree, the
# menu entry, the installed program keeping its channel list beside itself,
# and an uninstall that leaves the list where it was.
#   InstallTest.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build_dir=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"
fail() { echo "FAILED: $*" >&2; exit 1; }

HOME="$tmp/home" bash "$source_dir/scripts/install.sh" --prefix "$prefix" --build "$build_dir" >/dev/null
for file in lib/nemara/nemara bin/nemara bin/nemara-dump share/applications/nemara.desktop \
            share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/nemara.png; do
  [ -e "$prefix/$file" ] || fail "$file was not installed"
done
[ "$(readlink -f "$prefix/bin/nemara")" = "$prefix/lib/nemara/nemara" ] || fail "bin/nemara is no link to the program"
desktop-file-validate "$prefix/share/applications/nemara.desktop" || fail "the menu entry is not valid"
grep -qx "Exec=\"$prefix/lib/nemara/nemara\" %U" "$prefix/share/applications/nemara.desktop" || fail "Exec"
[ -z "$(find "$tmp/home" -type f 2>/dev/null)" ] || fail "files were written outside the prefix"

# Started through its link, the program reads and writes the list in its own
# folder; SIGTERM closes it as the close box does, which saves the list (and
# its shape, in a settings folder of the test).
printf 'http://a.pl/\nhttp://b.pl/' > "$prefix/lib/nemara/channels.lst"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp" XDG_CONFIG_HOME="$tmp/config" "$prefix/bin/nemara" &
pid=$!
for _ in $(seq 900); do  # until its SIGTERM handler is in place (slow under load)
  caught=$(awk '/^SigCgt:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  (( (16#${caught:-0} >> 14) & 1 )) && break
  sleep 0.1
done
kill -TERM "$pid"
wait "$pid" || fail "the program ended with $?"
[ "$(cat "$prefix/lib/nemara/channels.lst")" = $'http://a.pl/\r\nhttp://b.pl/\r' ] || fail "the list was not saved beside the program"

# A second run upgrades in place and keeps the list.
HOME="$tmp/home" bash "$source_dir/scripts/install.sh" --prefix "$prefix" --build "$build_dir" >/dev/null
[ "$(wc -c < "$prefix/lib/nemara/channels.lst")" = 28 ] || fail "the upgrade touched the list"

message=$(bash "$source_dir/scripts/install.sh" --prefix "$prefix" --uninstall)
[[ "$message" == *"$prefix/lib/nemara/"*"channels.lst"* ]] || fail "the uninstall did not say where the list stays"
# The list and the item store stay, closed cleanly (no journal beside it).
[ "$(cd "$prefix" && find . -type f | sort)" = $'./lib/nemara/channels.lst\n./lib/nemara/nemara.db' ] ||
  fail "the uninstall left $(cd "$prefix" && find . -type f)"
