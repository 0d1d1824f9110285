#!/usr/bin/env bash
# Counts the instructions the texture kit's tiler spends per texel on a
# 1024 x 1024 image, with callgrind (a count, so it holds on a busy machine).
# Only texmill_tex_to_gx_RGBA8 and what it calls are counted.
#   BUILD_DIR    build directory (default build-textools), Release build
#   GOAL         most instructions per texel allowed (default 12)
# Exit status: 0 within the goal, 1 above it or when the count failed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-textools}
goal=${GOAL:-12}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIT_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target texmill_bench >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect=texmill_tex_to_gx_RGBA8 \
  "$build/bin/texmill_bench" --tile-once >/dev/null 2>&1
ir=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out")
[ -n "$ir" ] || ir=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$out")
[ -n "$ir" ] || { echo "texmill-instructions: no instruction count from callgrind" >&2; exit 1; }
texels=$((1024 * 1024))
awk -v ir="$ir" -v n="$texels" -v goal="$goal" 'BEGIN {
  per = ir / n
  printf "tiler 1024 x 1024: %d instructions, %.2f per texel (goal <= %s): %s\n", ir, per, goal,
         per <= goal ? "ok" : "ABOVE GOAL"
  exit per <= goal ? 0 : 1
}'
