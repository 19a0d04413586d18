#!/usr/bin/env bash
# Takes the README's screenshot: the window in a real X server (Xvfb with
# the openbox window manager) with the sample channel of docs/ read and its
# second item selected. Writes docs/screenshot.png.
#   scripts/screenshot.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --desktop
out="${1:-docs/screenshot.png}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target nemara -j"$(nproc)" >/dev/null

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The program keeps its files beside its executable: a copy of its own.
mkdir -p "$work/app" "$work/www"
cp build/bin/nemara "$work/app/"
cp docs/sample-feed.xml "$work/www/feed.xml"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >/dev/null 2>&1 &
pids+=($!)
printf 'http://127.0.0.1:%s/feed.xml\r\nhttp://example.pl/rss.xml\r\nhttp://news.example.com/atom.xml\r\n' "$port" \
  > "$work/app/channels.lst"

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1000x620x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
# A desktop background of one quiet colour.
xsetroot -solid '#5a7a94' 2>/dev/null || true

# A first start: no shape kept by an earlier session, none kept for a later one.
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$work/app/nemara" >/dev/null 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name '^Nemara 1.1$' | head -1)
sleep 1
# The first channel (list box at 8,24 of the left panel), then the second
# row of the news grid (at 0,24 of the right panel, under a header about
# 21 pixels high, rows 21 pixels high).
xdotool mousemove --window "$window" 40 32 click --repeat 2 --delay 100 1
sleep 2
xdotool mousemove --window "$window" 300 77 click 1
xdotool mousemove --window "$window" 500 360
sleep 1
# The window with its frame: the client's place widened by the frame's extents.
read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
geometry=$(xwininfo -id "$window" | awk -v l="$left" -v r="$right" -v t="$top" -v b="$bottom" '
  /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
  /Width:/ {w=$2} /Height:/ {h=$2}
  END {print w + l + r "x" h + t + b "+" x - l "+" y - t}')
import -window root -crop "$geometry" +repage "$out"
echo "wrote $out"
