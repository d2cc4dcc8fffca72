#!/usr/bin/env bash
# Starts (or reuses) a private PulseAudio daemon with a null sink, for tests and benchmarks that
# play, record and capture real audio on a machine without a sound card.
#
#   eval "$(tools/start-pulse.sh)"        start or reuse, then export XDG_RUNTIME_DIR
#   tools/start-pulse.sh --stop           stop the daemon of that runtime folder
#
# The runtime folder is ORLUNE_PULSE_DIR, /tmp/orlune-pulse by default. Only the export lines go
# to standard output; everything else goes to standard error.
set -euo pipefail

runtime="${ORLUNE_PULSE_DIR:-/tmp/orlune-pulse}"

say() { echo "start-pulse: $*" >&2; }

answers() { XDG_RUNTIME_DIR="$runtime" pactl info >/dev/null 2>&1; }

if [[ "${1:-}" == "--stop" ]]; then
    if answers; then
        XDG_RUNTIME_DIR="$runtime" pulseaudio --kill >/dev/null 2>&1 || true
        say "stopped the daemon in $runtime"
    fi
    exit 0
fi

for tool in pulseaudio pactl; do
    if ! command -v "$tool" >/dev/null; then
        say "$tool is not installed (Debian: pulseaudio pulseaudio-utils)"
        exit 1
    fi
done

if [[ -d "$runtime" && ! -L "$runtime" ]] && answers; then
    echo "export XDG_RUNTIME_DIR=$runtime"
    exit 0
fi

# A folder someone else planted (a symlink, or not ours) is never used: the daemon would put its
# socket there and every client would trust it.
if [[ -L "$runtime" ]] || { [[ -e "$runtime" ]] && [[ ! -O "$runtime" || ! -d "$runtime" ]]; }; then
    say "$runtime exists and is not a folder of ours; set ORLUNE_PULSE_DIR to another path"
    exit 1
fi
mkdir -p "$runtime"
chmod 0700 "$runtime"
# Leftovers of a daemon that died: a stale pid file would make the new one refuse to start.
rm -rf "$runtime/pulse"

config="$runtime/orlune.pa"
log="$runtime/pulse.log"
cat >"$config" <<'EOF'
.fail
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=nullsink rate=44100 channels=2 norewinds=1
load-module module-remap-source master=nullsink.monitor source_name=mic
set-default-sink nullsink
set-default-source mic
EOF

# Shared memory stays off: with it, PulseAudio 16 hands the capture clients blocks that a playing
# client imported, and under load its null sink trips an assertion on them and the daemon aborts
# in the middle of a test run. Copying the few kilobytes over the socket costs nothing here.
XDG_RUNTIME_DIR="$runtime" pulseaudio --daemonize=yes --system=no --exit-idle-time=-1 \
    --disallow-exit=yes --disable-shm=yes -n -F "$config" --log-target="file:$log" >&2 || {
    say "pulseaudio did not start; see $log"
    exit 1
}

for _ in $(seq 1 100); do
    if answers; then
        echo "export XDG_RUNTIME_DIR=$runtime"
        exit 0
    fi
    sleep 0.05
done
say "pulseaudio started but does not answer; see $log"
exit 1
