#!/usr/bin/env bash
# The upload tool's LZW encoder next to compress and gzip -1, in one run on
# the same two 4 MiB inputs (PowerPC code of the cross toolchain, random
# bytes). Each tool runs as a stdin-to-stdout process, timed the same way
# (wall clock, best of N runs); every output is decompressed and compared
# after timing. One line per tool and input:
#   tool  input: in -> out (ratio), MB/s          (MB = 10^6 bytes)
# Then the encoder's start-up: lzw_enc_init(), first call and warm.
#   bench/lzw-compare.sh [build-dir] [runs]        defaults: build 5
set -euo pipefail
cd "$(dirname "$0")/.."
bdir=${1:-build}
runs=${2:-5}
pack=$bdir/bin/lzw_pack
[ -x "$pack" ] || { echo "lzw-compare: $pack is not built (cmake --build $bdir --target lzw_pack)"; exit 1; }
for t in compress gzip; do
  command -v "$t" >/dev/null || { echo "lzw-compare: $t is not installed (tools/deps.sh test)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$pack" --inputs "$work"

# compress exits with 2 when its output is larger than the input (random
# bytes): the stream is written all the same.
run_tool() {
  case "$1" in
    lzw)      "$pack" ;;
    compress) compress -c || [ $? -eq 2 ] ;;
    gzip)     gzip -1 -c ;;
  esac
}
unpack_tool() {
  case "$1" in
    lzw)      "$pack" -d ;;
    compress) compress -d -c ;;
    gzip)     gzip -d -c ;;
  esac
}

for input in real random; do
  in=$work/$input.bin
  size=$(stat -c %s "$in")
  for tool in lzw compress gzip; do
    out=$work/$input.$tool
    best=
    for ((i = 0; i < runs; i++)); do
      t0=$(date +%s%N)
      run_tool "$tool" < "$in" > "$out"
      t1=$(date +%s%N)
      ns=$((t1 - t0))
      if [ -z "$best" ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
    done
    unpack_tool "$tool" < "$out" | cmp -s - "$in" || { echo "lzw-compare: $tool did not round-trip $input"; exit 1; }
    osize=$(stat -c %s "$out")
    awk -v t="$tool" -v n="$input" -v a="$size" -v b="$osize" -v ns="$best" 'BEGIN {
      printf "%-8s %-6s: %d -> %d (%.2f%%), %.1f MB/s\n", t, n, a, b, 100 * b / a, a / (ns / 1e9) / 1e6 }'
  done
done

"$pack" --init-time
