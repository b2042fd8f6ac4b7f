#!/usr/bin/env bash
# Builds Tolvane and starts it with the bundled sample program open.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j"$(nproc)"
sample="$PWD/resources/samples/plate.nc"
if [ -x "$build/tolvane" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/tolvane" "$sample"
fi
out="$PWD/$build/plate.Cbr"
"$build/tolvane-convert" -o "$out" "$sample"
echo "Command file written to $out"
