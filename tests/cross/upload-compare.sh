#!/usr/bin/env bash
# End-to-end uploads with a cross-built ostrel against the simulated console
# loader, each case run twice: once with the cross-built tool and once with
# the Linux tool of the host. Both runs must print the same messages (a
# Windows tool's CR LF line ends taken as LF), end with the same exit status
# and make the loader report the same upload (name, sizes, blocks, retries,
# bytes received); when the loader accepts it, the program it received must
# equal the file sent.
#   upload-compare.sh wine OSTREL_EXE WINEPREFIX LINUX_OSTREL LOADERSIM WORKDIR
#       ostrel.exe under wine on COM5, which the prefix maps to the loader's
#       pseudo-terminal; the caller runs a persistent wine server there
#   upload-compare.sh qemu-ppc OSTREL LINUX_OSTREL LOADERSIM WORKDIR
#       a big-endian PowerPC ostrel under qemu-ppc on the terminal itself
set -uo pipefail
usage() {
  echo "usage: upload-compare.sh wine OSTREL_EXE WINEPREFIX LINUX_OSTREL LOADERSIM WORKDIR" >&2
  echo "       upload-compare.sh qemu-ppc OSTREL LINUX_OSTREL LOADERSIM WORKDIR" >&2
  exit 2
}
mode=${1:-}
case "$mode" in
  wine)
    [ $# -eq 6 ] || usage
    tool=$(realpath "$2")
    export WINEPREFIX=$3 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    shift 3
    ;;
  qemu-ppc)
    [ $# -eq 5 ] || usage
    tool=$(realpath "$2")
    shift 2
    ;;
  *) usage ;;
esac
linux_tool=$(realpath "$1") sim=$(realpath "$2") work=$3
mkdir -p "$work" && cd "$work" || exit 2
port=$PWD/ttyport
if [ "$mode" = wine ]; then
  # COM5 in the prefix is a link to the loader's stable link to its terminal.
  ln -sfn "$port" "$WINEPREFIX/dosdevices/com5"
fi

sim_pid=
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; rm -f "$port"; }
trap cleanup EXIT

# run SIDE CASE SIMOPTS...: one upload of program.dol; leaves CASE.SIDE.*
run() {
  local side=$1 name=$2
  shift 2
  rm -f "$port" received.bin
  "$sim" --link "$port" --out received.bin --ask-interval 100 --wait 30 --timeout 5 "$@" \
    >"$name.$side.sim" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do [ -e "$port" ] && break; sleep 0.05; done
  local rc
  if [ "$side" = cross ] && [ "$mode" = wine ]; then
    timeout 120 wine "$tool" COM5 program.dol >"$name.$side.raw" 2>"$name.$side.err"
    rc=$?
    sed 's/\r$//' "$name.$side.raw" >"$name.$side.out"
  elif [ "$side" = cross ]; then
    timeout 120 qemu-ppc "$tool" "$port" program.dol >"$name.$side.out" 2>"$name.$side.err"
    rc=$?
  else
    timeout 120 "$linux_tool" "$port" program.dol >"$name.$side.out" 2>"$name.$side.err"
    rc=$?
  fi
  wait "$sim_pid"
  local sim_rc=$?
  sim_pid=
  echo "ostrel $rc, loader $sim_rc" >"$name.$side.status"
  # The loader's summary line (its first line names the terminal of the
  # run), without the count of bytes it sent: how many requests it made
  # before the tool started depends on the tool's start-up time.
  tail -n 1 "$name.$side.sim" | sed 's/, [0-9]* out$//' >"$name.$side.summary"
  if [ -e received.bin ]; then mv received.bin "$name.$side.bin"; fi
}

failures=0
# case NAME SIZE EXPECT(ok|fail) SIMOPTS...
case_() {
  local name=$1 size=$2 expect=$3
  shift 3
  head -c "$size" /dev/urandom >program.dol
  run lin "$name" "$@"
  run cross "$name" "$@"
  local why=""
  cmp -s "$name.lin.out" "$name.cross.out" || why+=" messages differ;"
  cmp -s "$name.lin.status" "$name.cross.status" || why+=" statuses differ;"
  cmp -s "$name.lin.summary" "$name.cross.summary" || why+=" loader reports differ;"
  if [ "$expect" = ok ]; then
    cmp -s program.dol "$name.cross.bin" 2>/dev/null || why+=" program not received intact;"
    grep -q ' Done! $' "$name.cross.out" || why+=" no Done!;"
    grep -q '^ostrel 0, loader 0$' "$name.cross.status" || why+=" exit statuses not 0;"
  fi
  # Every line end of the Windows tool is CR LF.
  if [ "$mode" = wine ] &&
     [ "$(grep -c $'\r$' "$name.cross.raw")" != "$(wc -l <"$name.cross.raw")" ]; then
    why+=" a line of ostrel.exe does not end in CR LF;"
  fi
  if [ -n "$why" ]; then
    echo "FAIL $name ($size bytes):$why see $PWD/$name.*"
    failures=$((failures + 1))
  else
    echo "ok   $name ($size bytes): $(cat "$name.cross.status"); $(cut -c1-80 "$name.cross.summary")"
  fi
}

case_ one-byte 1 ok
case_ three-blocks 3000 ok
case_ checksum 20000 ok --checksum
case_ two-kilobytes 2048 ok
case_ nak-once 5000 ok --nak-block 2
case_ nak-three-times 5000 ok --nak-block 3:3
case_ cancelled 5000 fail --cancel-block 2
case_ excessive-retries 3000 fail --nak-block 1:4

[ "$failures" -eq 0 ] && echo "$mode uploads: all cases passed" || echo "$mode uploads: $failures failed"
[ "$failures" -eq 0 ]
