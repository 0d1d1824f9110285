#!/usr/bin/env bash
# Upload speed over a pseudo-terminal, side by side in one run:
#   ostrel -> loadersim   a whole upload (read, compress, XMODEM-1K CRC)
#   sx -k  -> loadersim   lrzsz sending the same upload image to the same
#                         receiver over the same kind of pty
#   sx -k  -> rx -c       lrzsz on both ends, two ptys joined by socat
# Senders sit on a pty's slave side, as a program on a serial port would.
# Best of N runs each; payload MB/s is upload image bytes per second of the
# sender's whole run (to rx's end for sx -> rx). What arrived is checked
# after timing; loadersim's byte counts give the bytes on the wire per block.
#   bench/upload-compare.sh [BINDIR] [PROGRAM_KIB] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build/bin}" && pwd)"
kib="${2:-2048}"
runs="${3:-3}"
command -v sx >/dev/null && command -v rx >/dev/null ||
  { echo "upload-compare: needs lrzsz (sx, rx): tools/deps.sh test" >&2; exit 1; }

work="$(mktemp -d /tmp/ostrel-bench-XXXXXX)"
trap 'rm -rf "$work"' EXIT

exec /usr/bin/env python3 - "$bin" "$kib" "$runs" "$work" <<'PY'
import os, pty, random, re, subprocess, sys, time

bin_dir, kib, runs, work = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]

# A program-like file: recurring 4-byte words with some noise, so the
# compressor has work to do and the upload is a fair size.
rng = random.Random(1)
words = [rng.randbytes(4) for _ in range(512)]
prog = bytearray()
while len(prog) < kib * 1024:
    prog += words[rng.randrange(512)] if rng.random() < 0.85 else rng.randbytes(1)
prog = bytes(prog[:kib * 1024])
prog_path = os.path.join(work, "bench.dol")
with open(prog_path, "wb") as f:
    f.write(prog)

def loader_run(sender_cmd, cwd, image=None):
    """Starts loadersim, runs the sender on its port, returns the seconds of
    the sender's run and loadersim's counts."""
    link = os.path.join(work, "port")
    out, saved = os.path.join(work, "got.dol"), os.path.join(work, "upload.bin")
    log = open(os.path.join(work, "loadersim.txt"), "w+")
    loader = subprocess.Popen([os.path.join(bin_dir, "loadersim"), "--link", link, "--out", out,
                               "--save-upload", saved, "--timeout", "5"], stdout=log)
    while not os.path.exists(link):
        time.sleep(0.01)
    t_xfer = None
    if image is None:
        # ostrel flushes its "Waiting for gamecube" line: the XMODEM part
        # starts there, after reading and compressing.
        t0 = time.perf_counter()
        sender = subprocess.Popen(sender_cmd + [link, "bench.dol"], cwd=cwd, stdout=subprocess.PIPE)
        seen = b""
        while b"Waiting" not in seen:
            chunk = sender.stdout.read1(4096)
            if not chunk:
                break
            seen += chunk
        t_xfer = time.perf_counter()
        sender.stdout.read()
        sender.wait()
    else:
        port = os.open(link, os.O_RDWR | os.O_NOCTTY)
        t0 = time.perf_counter()
        sender = subprocess.run(sender_cmd + [image], cwd=cwd, stdin=port, stdout=port,
                                stderr=subprocess.DEVNULL, start_new_session=True)
    t_end = time.perf_counter()
    dt = t_end - t0
    if image is not None:
        os.close(port)
    loader.wait(timeout=30)
    log.seek(0)
    summary = log.read().splitlines()[-1]
    m = re.search(r"upload 0x([0-9a-f]+), (\d+) blocks, (\d+) retries.*?(\d+) bytes in", summary)
    assert sender.returncode == 0 and m, summary
    xfer = t_end - t_xfer if t_xfer is not None else dt
    return (dt, xfer), summary, int(m.group(1), 16), int(m.group(2)), int(m.group(3)), int(m.group(4))

def ours():
    dt, summary, upload_len, blocks, retries, wire_in = loader_run(
        [os.path.join(bin_dir, "ostrel")], work)
    assert summary.startswith("loadersim: OK"), summary
    with open(os.path.join(work, "got.dol"), "rb") as f:
        assert f.read() == prog, "program differs"
    os.replace(os.path.join(work, "upload.bin"), os.path.join(work, "image.bin"))
    return dt, upload_len, blocks, retries, wire_in

def sx_to_loadersim(image):
    # sx pads the last block with ^Z where ostrel pads with zeros, so the
    # loader's verdict may be a padding complaint: the image is compared here.
    (dt, _), summary, _, blocks, retries, wire_in = loader_run(["sx", "-k", "-q"], work, image)
    with open(os.path.join(work, "upload.bin"), "rb") as f, open(image, "rb") as g:
        assert f.read() == g.read(), "loadersim got other bytes from sx: " + summary
    return dt, blocks, retries, wire_in

def sx_to_rx(image):
    # One pty cannot carry lrzsz on both ends (rx's terminal settings on the
    # master apply to sx's slave, and its exit flush eats the last ACK), so
    # a pair of ptys joined by socat, each program on a slave.
    a, b = os.path.join(work, "a"), os.path.join(work, "b")
    for old in (a, b):
        if os.path.lexists(old):
            os.unlink(old)
    relay = subprocess.Popen(["socat", f"pty,raw,echo=0,link={a}", f"pty,raw,echo=0,link={b}"],
                             stderr=subprocess.DEVNULL)
    try:
        while not (os.path.exists(a) and os.path.exists(b)):
            time.sleep(0.01)
        fa, fb = os.open(a, os.O_RDWR | os.O_NOCTTY), os.open(b, os.O_RDWR | os.O_NOCTTY)
        got = os.path.join(work, "rx.bin")
        if os.path.exists(got):
            os.unlink(got)
        # rx writes only below its working directory (restricted mode).
        rx = subprocess.Popen(["rx", "-c", "-q", "rx.bin"], stdin=fb, stdout=fb, cwd=work,
                              stderr=subprocess.DEVNULL, start_new_session=True)
        time.sleep(0.2)  # rx asks first
        t0 = time.perf_counter()
        sx = subprocess.Popen(["sx", "-k", "-q", image], stdin=fa, stdout=fa,
                              stderr=subprocess.DEVNULL, start_new_session=True)
        rx.wait(timeout=60)
        dt = time.perf_counter() - t0  # rx ends when it has acknowledged EOT
        try:
            sx.wait(timeout=30)
        except subprocess.TimeoutExpired:
            sx.kill()
            sx.wait()
        os.close(fa)
        os.close(fb)
    finally:
        relay.kill()
        relay.wait()
    assert rx.returncode == 0, rx.returncode
    with open(got, "rb") as f, open(image, "rb") as g:
        data, want = f.read(), g.read()
    assert data[:len(want)] == want and len(data) - len(want) < 1024, "rx got other bytes"
    return dt

ours_runs = [ours() for _ in range(runs)]
best = min(r[0][0] for r in ours_runs)
best_xfer = min(r[0][1] for r in ours_runs)
_, upload_len, blocks, retries, wire_in = ours_runs[0]
image = os.path.join(work, "image.bin")
sx_runs = [sx_to_loadersim(image) for _ in range(runs)]
sx_best = min(sx_runs)
have_socat = subprocess.run(["sh", "-c", "command -v socat"], stdout=subprocess.DEVNULL).returncode == 0
rx_best = min(sx_to_rx(image) for _ in range(runs)) if have_socat else None

mb = upload_len / 1e6
print(f"program {len(prog)} bytes -> upload image {upload_len} bytes "
      f"({upload_len / len(prog):.3f}), best of {runs}")
print(f"  ostrel -> loadersim, one pty   : {best * 1000:8.1f} ms {mb / best:7.2f} MB/s payload "
      f"(whole run, compression included)")
print(f"  ostrel, XMODEM part only       : {best_xfer * 1000:8.1f} ms {mb / best_xfer:7.2f} MB/s payload")
print(f"  sx -k  -> loadersim, one pty   : {sx_best[0] * 1000:8.1f} ms {mb / sx_best[0]:7.2f} MB/s payload")
if rx_best is not None:
    print(f"  sx -k  -> rx -c, socat pty pair: {rx_best * 1000:8.1f} ms {mb / rx_best:7.2f} MB/s payload")
else:
    print("  sx -k  -> rx -c: skipped (no socat; tools/deps.sh test installs it)")
print(f"  wire, ostrel: {wire_in} bytes = {blocks} blocks x {(wire_in - 1) / blocks:.0f} + 1 EOT, "
      f"{retries} retries")
_, sblocks, sretries, swire = sx_best
print(f"  wire, sx -k : {swire} bytes in {sblocks} blocks, {sretries} retries")
PY
