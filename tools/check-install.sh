#!/usr/bin/env bash
# Installs a built tree into a temporary prefix, starts the installed program under Xvfb,
# opens book 1, Lesson 1 and clicks its first sentence like a learner, and checks that the
# sentence is heard at the PulseAudio null sink: the installed program found its voice
# library. Needs a running test sound server (tools/start-pulse.sh) and xdotool.
#   bash tools/check-install.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
prefix="$(mktemp -d)"
work="$(mktemp -d)"
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    [ -n "${rec:-}" ] && kill "$rec" 2>/dev/null || true
    rm -rf "$prefix" "$work"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/orlune share/orlune/语音库/QVN101.dat share/orlune/site/03/tavrel/help.htm \
         share/applications/orlune.desktop share/icons/hicolor/scalable/apps/orlune.svg; do
    [ -e "$prefix/$f" ] || { echo "check-install: $f was not installed" >&2; exit 1; }
done

display=":96"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY="$display"

# The installed program runs from its own folder, away from the build tree.
(cd "$work" && QT_QPA_PLATFORM=xcb TMPDIR="$work" "$prefix/bin/orlune" >/dev/null 2>&1) &
app=$!
window=""
for _ in $(seq 100); do
    window="$(xdotool search --name 'Orlune V4.0' 2>/dev/null | head -n 1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "check-install: the study window did not appear" >&2; exit 1; }
sleep 1

# Client coordinates from the design layout (15 twips a pixel): the tree at (8, 84), the
# sentence view at (208, 84). The menu bar's height is what the window adds to the client.
height="$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p')"
menu=$((height - 598))
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.5; }
click 70 $((menu + 84 + 10))   # Quorv(第1册)
click 90 $((menu + 84 + 30))   # Lesson 1

parec -d nullsink.monitor --format=s16le --rate=44100 --channels=2 --raw > "$work/heard.raw" &
rec=$!
sleep 1
click 240 $((menu + 84 + 10))  # the first sentence
sleep 3
kill "$rec"; wait "$rec" 2>/dev/null || true; rec=""

loud="$(od -An -v -td2 -w2 "$work/heard.raw" | awk '$1 > 500 || $1 < -500 { n++ } END { print n + 0 }')"
echo "check-install: $loud loud samples heard from the installed program"
[ "$loud" -gt 4410 ] || { echo "check-install: the sentence was not heard" >&2; exit 1; }
