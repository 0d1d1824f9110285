#!/usr/bin/env bash
# Cross builds and their tests (make test-cross):
#  - PowerPC (32-bit, big-endian, as the console): the console modules, the
#    LZW encoder and decoder with their unit tests, run under qemu-ppc; the
#    texture-block and LZW dumps must equal those of the little-endian host;
#    a big-endian ostrel uploads to the simulated loader like the Linux one.
#  - Windows (MinGW-w64): ostrel.exe and the upload unit tests run under wine,
#    then end-to-end uploads from ostrel.exe on COM5 (mapped to the simulated
#    loader's pseudo-terminal), compared with the Linux tool.
# A suite whose tools are missing is skipped with a message (install them with
# tools/deps.sh cross as root). Build directories: build-ppc (and in it host/
# for the little-endian reference and the Linux tools, ostrel/ for the
# big-endian upload tool) and build-win.
#   JOBS    parallel build jobs (default: number of cores)
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
gen=()
command -v ninja >/dev/null 2>&1 && gen=(-G Ninja)
werror=$([ -n "${CI:-}" ] && echo ON || echo OFF)
have() { command -v "$1" >/dev/null 2>&1; }
failed=()
report=()

quiet() {  # runs a command, shows its output only when it fails
  local log
  log=$(mktemp)
  if "$@" >"$log" 2>&1; then rm -f "$log"; return 0; fi
  tail -n 40 "$log"
  rm -f "$log"
  return 1
}

# The little-endian host build: reference dumps, loader simulator, Linux tool.
host_ready=0
host_build() {
  [ "$host_ready" -eq 1 ] && return 0
  echo "== host reference build (build-ppc/host)"
  quiet cmake -S . -B build-ppc/host "${gen[@]}" -DCMAKE_BUILD_TYPE=Release -DKIT_BENCH=OFF \
        -DKIT_WERROR="$werror" &&
    quiet cmake --build build-ppc/host -j "$jobs" --target texblocks_dump lzw_dump loadersim ostrel &&
    host_ready=1
}

ppc_suite() {
  local missing=()
  for t in powerpc-linux-gnu-g++ qemu-ppc; do have "$t" || missing+=("$t"); done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== PowerPC: SKIPPED, missing ${missing[*]} (tools/deps.sh cross installs them)"
    report+=("PowerPC/QEMU: skipped")
    return 0
  fi
  local t0=$SECONDS ref=build-ppc/reference
  host_build || return 1
  mkdir -p "$ref"
  build-ppc/host/bin/texblocks_dump "$ref" >"$ref/texblocks.txt" &&
    build-ppc/host/bin/lzw_dump >"$ref/lzw.txt" || { echo "reference dumps failed"; return 1; }
  echo "== PowerPC build (build-ppc)"
  quiet cmake -S . -B build-ppc "${gen[@]}" \
        -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/powerpc-linux.cmake -DCMAKE_BUILD_TYPE=Release \
        -DKIT_OSTREL=OFF -DKIT_HOST_TOOLS=OFF -DKIT_BENCH=OFF -DKIT_WERROR="$werror" \
        -DKIT_CROSS_REFERENCE_DIR="$PWD/$ref" || return 1
  quiet cmake --build build-ppc -j "$jobs" || return 1
  # The upload tool too, big-endian, for an end-to-end check of its upload
  # image (header and code stream) against the loader.
  quiet cmake -S . -B build-ppc/ostrel "${gen[@]}" \
        -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/powerpc-linux.cmake -DCMAKE_BUILD_TYPE=Release \
        -DKIT_CONSOLE=OFF -DKIT_HOST_TOOLS=OFF -DKIT_BENCH=OFF -DKIT_TESTS=OFF \
        -DKIT_WERROR="$werror" &&
    quiet cmake --build build-ppc/ostrel -j "$jobs" --target ostrel || return 1
  local t1=$SECONDS rc=0
  echo "== PowerPC tests under qemu-ppc"
  (cd build-ppc && ctest --output-on-failure --timeout 300 -j "$jobs" | tail -n 4) || rc=1
  local t2=$SECONDS
  echo "== PowerPC uploads: big-endian ostrel under qemu-ppc"
  tests/cross/upload-compare.sh qemu-ppc build-ppc/ostrel/bin/ostrel build-ppc/host/bin/ostrel \
    build-ppc/host/bin/loadersim build-ppc/upload || rc=1
  [ "$rc" -eq 0 ] || return 1
  report+=("PowerPC/QEMU: passed (build $((t1 - t0)) s, tests $((t2 - t1)) s, uploads $((SECONDS - t2)) s)")
}

win_suite() {
  local missing=()
  for t in x86_64-w64-mingw32-g++-posix wine wineserver wineboot; do
    have "$t" || missing+=("$t")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== Windows: SKIPPED, missing ${missing[*]} (tools/deps.sh cross installs them)"
    report+=("Windows/wine: skipped")
    return 0
  fi
  local t0=$SECONDS
  host_build || return 1
  echo "== Windows build (build-win)"
  quiet cmake -S . -B build-win "${gen[@]}" \
        -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
        -DKIT_CONSOLE=OFF -DKIT_HOST_TOOLS=OFF -DKIT_BENCH=OFF -DKIT_WERROR="$werror" \
        -DKIT_CROSS_REFERENCE_DIR="$PWD/build-ppc/reference" || return 1
  quiet cmake --build build-win -j "$jobs" || return 1
  local t1=$SECONDS

  export WINEPREFIX=$PWD/build-win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # The prefix must exist before anything is put into dosdevices.
    echo "== creating the wine prefix"
    quiet wineboot --init || return 1
    wineserver -w
  fi
  # A persistent server and one program started up front: otherwise wine's
  # background processes inherit CTest's output pipe and CTest never ends.
  wineserver -p >/dev/null 2>&1
  trap 'wineserver -k 2>/dev/null || true' EXIT
  wine cmd /c exit >/dev/null 2>&1
  local t2=$SECONDS
  echo "== Windows tests under wine"
  local rc=0
  (cd build-win && ctest --output-on-failure --timeout 120 -j "$jobs" | tail -n 4) || rc=1
  local t3=$SECONDS
  echo "== Windows uploads: ostrel.exe on COM5 under wine"
  tests/cross/upload-compare.sh wine build-win/bin/ostrel.exe "$WINEPREFIX" \
    build-ppc/host/bin/ostrel build-ppc/host/bin/loadersim build-win/upload || rc=1
  [ "$rc" -eq 0 ] || return 1
  report+=("Windows/wine: passed (build $((t1 - t0)) s, wine start $((t2 - t1)) s, tests $((t3 - t2)) s, uploads $((SECONDS - t3)) s)")
}

ppc_suite || failed+=(PowerPC)
win_suite || failed+=(Windows)
for line in "${report[@]}"; do echo "$line"; done
if [ ${#failed[@]} -gt 0 ]; then
  echo "cross suites FAILED: ${failed[*]}"
  exit 1
fi
echo "cross suites: done"
