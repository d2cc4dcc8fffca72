#!/usr/bin/env bash
# Runs a command against a PulseAudio server of its own, with its own null sink, and stops the
# server afterwards. The audio suites run this way so that several can play and capture at once
# without hearing each other.
#
#   tools/with-own-pulse.sh COMMAND [ARGUMENTS...]
#
# Without PulseAudio the command runs as it is, against whatever server the environment names:
# the suites then say themselves that they cannot reach one.
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
runtime="$(mktemp -d "${TMPDIR:-/tmp}/orlune-pulse.XXXXXX")" || exit 1

cleanup() {
    ORLUNE_PULSE_DIR="$runtime" bash "$here/start-pulse.sh" --stop 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT

if exports="$(ORLUNE_PULSE_DIR="$runtime" bash "$here/start-pulse.sh")"; then
    eval "$exports"
fi
"$@"
