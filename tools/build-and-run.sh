#!/usr/bin/env bash
# Installs what Orlune needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset release
cmake --build --preset release
exec build/release/bin/orlune
