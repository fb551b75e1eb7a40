#!/usr/bin/env bash
# Installs what is missing, builds the programs optimised, and starts the desktop program on the
# bundled example.
# Without a display it says so and runs the headless batch tool on the example instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset run >/dev/null
cmake --build --preset run -j "$(nproc)"

bin=build/run/app
example=examples/furnace.tsn
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/tarsen" ]; then
    exec "$bin/tarsen" "$example"
fi
if [ -x "$bin/tarsen" ]; then
    echo "No display found (DISPLAY is not set): running tarsen-batch on $example instead."
fi
exec "$bin/tarsen-batch" run "$example"
