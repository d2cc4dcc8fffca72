#!/usr/bin/env bash
# Screenshots of Orlune's windows under a virtual X display, into build/screenshots/.
#   bash tools/screenshot.sh [WIDTHxHEIGHT]
set -euo pipefail
cd "$(dirname "$0")/.."
size="${1:-1280x800}"
out="build/screenshots"
# The screenshot maker is not part of the default build; build it, or bring it up to date.
if [ -n "${ORLUNE_BUILD_DIR:-}" ]; then
    cmake --build "$ORLUNE_BUILD_DIR" --target orlune-screenshot >/dev/null
else
    [ -f build/release/build.ninja ] || cmake --preset release >/dev/null
    cmake --build --preset release --target orlune-screenshot >/dev/null
fi
bin="${ORLUNE_BUILD_DIR:-build/release}/bin/orlune-screenshot"
mkdir -p "$out"
# The shadowing scene records what it plays: a private sound server whose input hears its output.
if command -v pulseaudio >/dev/null; then
    eval "$(ORLUNE_PULSE_DIR="${ORLUNE_PULSE_DIR:-/tmp/orlune-pulse-screenshot}" bash tools/start-pulse.sh)" || true
fi

display=":97"
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$bin" "$out"
