#!/usr/bin/env bash
# Installs what Orlune needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# The program alone: the tests, benchmarks and tools wait for the test command.
cmake --preset app
cmake --build --preset app
exec build/app/bin/orlune
