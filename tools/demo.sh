#!/usr/bin/env bash
# make demo: uploads samples/hello.dol with ostrel to the simulated console
# loader over a pseudo-terminal, shows both sides and checks that the
# program arrived intact.
#   tools/demo.sh [BINDIR]     (default build/bin)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build/bin}" && pwd)"
sample="$root/samples/hello.dol"
work="$(mktemp -d /tmp/ostrel-demo-XXXXXX)"
loader_pid=""
cleanup() {
  [ -n "$loader_pid" ] && kill "$loader_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/loadersim" --link "$work/port" --out "$work/received.dol" --timeout 5 >"$work/loadersim.txt" 2>&1 &
loader_pid=$!
for _ in $(seq 100); do [ -e "$work/port" ] && break; sleep 0.05; done
[ -e "$work/port" ] || { cat "$work/loadersim.txt"; echo "demo: loadersim did not start" >&2; exit 1; }

echo "== console loader (simulated) =="
head -n 1 "$work/loadersim.txt"
echo
echo "== ostrel $work/port hello.dol =="
status=0
(cd "$root/samples" && "$bin/ostrel" "$work/port" hello.dol) || status=$?
echo
wait "$loader_pid" || true
loader_pid=""
echo
echo "== console loader (simulated) =="
tail -n +2 "$work/loadersim.txt"
echo
if [ "$status" -eq 0 ] && cmp "$sample" "$work/received.dol"; then
  echo "demo: the program arrived intact ($(wc -c <"$sample") bytes, cmp equal)"
else
  echo "demo: upload failed (ostrel status $status)" >&2
  exit 1
fi
