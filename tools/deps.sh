#!/usr/bin/env bash
# Installs the Debian packages the kit builds and tests with.
# As root it installs what is missing; otherwise it names what is missing
# and exits 1 so the caller can stop with a clear message.
#   tools/deps.sh base    compilers, CMake, GoogleTest, Benchmark
#   tools/deps.sh test    base + the tools the tests drive (ImageMagick,
#                         Pillow, pyte, lrzsz, ncompress, sox, clang's
#                         fuzzer runtime, valgrind)
#   tools/deps.sh cross   the Windows and PowerPC cross toolchains, wine, QEMU
set -euo pipefail

base=(cmake ninja-build g++ make libgtest-dev googletest libbenchmark-dev)
test=(clang libclang-rt-14-dev imagemagick python3 python3-pil python3-pyte
      python3-numpy lrzsz ncompress sox libstb-dev valgrind tmux socat)
cross=(g++-mingw-w64-x86-64 wine wine64 qemu-user g++-powerpc-linux-gnu)

want=()
for set in "${@:-base}"; do
  case "$set" in
    base)  want+=("${base[@]}") ;;
    test)  want+=("${base[@]}" "${test[@]}") ;;
    cross) want+=("${cross[@]}") ;;
    *) echo "deps.sh: unknown package set '$set'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
