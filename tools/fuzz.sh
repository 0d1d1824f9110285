#!/usr/bin/env bash
# Builds every fuzz target with clang, libFuzzer, ASan and UBSan, replays its
# seed corpus (fuzz/corpus/<name>/) and fuzzes it for a bounded time.
#   FUZZ_SECONDS   time per target (default 60; 0 replays the corpus only)
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${FUZZ_SECONDS:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DKIT_FUZZ=ON -DKIT_SANITIZE=ON -DKIT_TESTS=OFF -DKIT_BENCH=OFF >/dev/null
targets=$(sed -n 's/^kit_add_fuzzer(\([A-Za-z0-9_]*\).*/\1/p' fuzz/*.cmake 2>/dev/null || true)
[ -n "$targets" ] || { echo "no fuzz targets"; exit 0; }
cmake --build build-fuzz -j "$(nproc)" --target $targets
for t in $targets; do
  corpus=fuzz/corpus/$t
  work=build-fuzz/corpus-$t
  mkdir -p "$work"
  echo "== $t: replay $(ls "$corpus" | wc -l) seeds, then fuzz ${secs}s"
  build-fuzz/bin/$t -runs=0 "$corpus"
  if [ "$secs" -gt 0 ]; then
    build-fuzz/bin/$t -max_total_time="$secs" -print_final_stats=1 \
      -rss_limit_mb=4096 -timeout=20 "$work" "$corpus" 2>&1 | tail -n 12
  fi
done
echo "fuzzing: no crashes"
