#!/usr/bin/env bash
# Installs what Orlune needs, builds it and runs the whole test suite against a private
# PulseAudio server with a null sink, so the audio tests hear exactly what is played.
# ORLUNE_PRESET=asan runs the same suite under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${ORLUNE_PRESET:-release}"

bash tools/install-deps.sh
eval "$(bash tools/start-pulse.sh)"
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
