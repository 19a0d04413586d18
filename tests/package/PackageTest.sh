#!/usr/bin/env bash
# The Debian package, packed by CPack from the programs of this build: what it
# installs and where, that its files are root's, that its dependencies come
# from the linked libraries, and that its program is the version it says.
# Exits 77 (skipped) without dpkg-deb, and for a sanitizer build, whose
# programs are not what a package ships.
#   PackageTest.sh BUILD_DIR CPACK VERSION SANITIZED
set -euo pipefail
build_dir=$1 cpack=$2 version=$3 sanitized=$4
command -v dpkg-deb >/dev/null || { echo "no dpkg-deb: skipped"; exit 77; }
case "$sanitized" in ON | TRUE | 1) echo "a sanitizer build is not packed: skipped"; exit 77 ;; esac
umask 022  # as scripts/package.sh packs
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb="$tmp/nemara_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$tmp")"

files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
expected=$(printf '%s\n' ./usr/bin/nemara ./usr/bin/nemara-dump ./usr/share/applications/nemara.desktop \
  ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/nemara.png \
  ./usr/share/man/man1/{nemara,nemara-dump}.1.gz ./usr/share/doc/nemara/{copyright,changelog.gz} | sort)
[ "$files" = "$expected" ] || fail "the package holds:"$'\n'"$files"
# Everything root's; programs 755, other files 644, folders 755.
odd=$(dpkg-deb --contents "$deb" | awk '$2 != "root/root" || ($1 != "drwxr-xr-x" &&
  !($1 == "-rwxr-xr-x" && $6 ~ /^\.\/usr\/bin\//) && !($1 == "-rw-r--r--" && $6 !~ /^\.\/usr\/bin\//))')
[ -z "$odd" ] || fail "owner or mode:"$'\n'"$odd"

depends=$(dpkg-deb --field "$deb" Depends)
[[ "$depends" == *libqt6widgets6* && "$depends" == *libcurl* ]] || fail "Depends: $depends"

dpkg-deb --extract "$deb" "$tmp/root"
for program in nemara nemara-dump; do
  [[ "$(file -b "$tmp/root/usr/bin/$program")" == *", stripped"* ]] || fail "$program is not stripped"
done
[ "$("$tmp/root/usr/bin/nemara" --version)" = "nemara $version" ] || fail "the program is not version $version"
grep -qx 'Exec=nemara %U' "$tmp/root/usr/share/applications/nemara.desktop" || fail "Exec"
gzip -t "$tmp"/root/usr/share/man/man1/*.gz "$tmp/root/usr/share/doc/nemara/changelog.gz" || fail "gzip"
echo "packed $(basename "$deb"): $(echo "$files" | wc -l) files"
