#!/usr/bin/env python3
"""Whole uploads: ostrel sends a program to loadersim over a pseudo-terminal.

Each case makes a program file, starts loadersim (with a fault, for some),
runs ostrel on the loader's port and checks ostrel's exact output and exit
status, loadersim's verdict and wire byte count, and that the program that
arrived equals the file sent.

The uploader command and its port argument can be replaced, so that the same
cases run a Windows build under wine against a COM port mapped to the
loader's link (run the cases one at a time then: the link is shared):

  OSTREL="wine build-win/bin/ostrel.exe" OSTREL_PORT=COM5 \\
  LOADERSIM_LINK=$HOME/.ostrel-com5 e2e.py --loadersim build/bin/loadersim

Output is compared modulo CR LF line ends.
"""
import argparse
import os
import random
import re
import shlex
import subprocess
import sys
import tempfile
import time

ACK_NOISE = b"\x86"  # loadersim's garbled ACK


def program(size, kind):
    rng = random.Random(size * 7919 + len(kind))
    if kind == "noise":
        return bytes(rng.getrandbits(8) for _ in range(size))
    # Code-like: repeated words with some variety, so LZW has work to do.
    words = [bytes([rng.getrandbits(8) for _ in range(4)]) for _ in range(64)]
    out = bytearray()
    while len(out) < size:
        out += words[rng.randrange(64)] if rng.random() < 0.8 else bytes([rng.getrandbits(8)])
    return bytes(out[:size])


class Case:
    def __init__(self, name, size, kind="code", checksum=False, faults=(), status=0,
                 loader_ok=True, loader_reason=None, mark=None, ending=" Done! \n",
                 wire_exact=True):
        self.name = name
        self.size = size
        self.kind = kind
        self.checksum = checksum
        self.faults = list(faults)
        self.status = status
        self.loader_ok = loader_ok
        self.loader_reason = loader_reason
        self.mark = mark or {}       # block number (from 1) -> text after its progress
        self.ending = ending         # what follows the last progress text
        self.stop_after = None       # block after which the sender stops
        self.wire_exact = wire_exact
        self.tail = None             # when set, only the start and this end are fixed


def cases():
    out = []
    for mode, checksum in (("crc", False), ("sum", True)):
        for size in (1, 1023, 1024, 2048, 2049):
            out.append(Case(f"{mode}_{size}", size, checksum=checksum))
        # Incompressible: the upload is longer than the file, > 256 blocks.
        out.append(Case(f"{mode}_300k_noise", 300 * 1024, kind="noise", checksum=checksum))
    c = Case("nak_block_thrice", 5000, faults=["--nak-block", "2:3"], mark={2: "---"},
             wire_exact=False)
    out.append(c)
    c = Case("nak_block_four_times", 5000, faults=["--nak-block", "2:4"], status=1,
             loader_ok=False, loader_reason="upload incomplete",
             mark={2: "----\n xmodem_send_packet:  Excessive retries. \n"}, ending="",
             wire_exact=False)
    c.stop_after = 2
    out.append(c)
    c = Case("cancel_block", 5000, faults=["--cancel-block", "2"], status=1, loader_ok=False,
             loader_reason="cancelled at block 2", mark={2: "Transfer aborted by receiver. \n"},
             ending="", wire_exact=False)
    c.stop_after = 2
    out.append(c)
    out.append(Case("cancel_eot", 5000, faults=["--cancel-eot"], status=1, loader_ok=False,
                    loader_reason="cancelled at EOT", ending="Transfer aborted by receiver. \n"))
    unexpected0 = "xmodem_send_packet: Got unexpected character \0 \n"
    c = Case("silent_from_block", 5000, faults=["--silent-from", "2"], status=1,
             loader_ok=False, loader_reason="went silent at block 2",
             mark={2: unexpected0 * 4 + "\n xmodem_send_packet:  Excessive retries. \n"},
             ending="", wire_exact=False)
    c.stop_after = 2
    out.append(c)
    # The port goes away under the sender (a pulled cable): failed reads and
    # writes, whose interleaving depends on timing, then the retry limit.
    c = Case("loader_vanishes", 5000, faults=["--vanish-block", "2"], status=1, loader_ok=False,
             loader_reason="vanished at block 2", ending="", wire_exact=False)
    c.stop_after = 2
    c.tail = "\n xmodem_send_packet:  Excessive retries. \n"
    out.append(c)
    out.append(Case("eot_never_acked", 5000, faults=["--no-eot-ack"], status=1, loader_ok=False,
                    loader_reason="EOT never acknowledged",
                    ending="\n xmodem_finish: Error excessive retries. \n", wire_exact=False))
    out.append(Case("garbled_ack", 5000, faults=["--corrupt-reply", "1"],
                    mark={1: "xmodem_send_packet: Got unexpected character \x86 \n"},
                    wire_exact=False))
    out.append(Case("damaged_block", 5000, checksum=True, faults=["--damage-block", "3"],
                    mark={3: "-"}, wire_exact=False))
    return out


def name_field(path):
    """The upload header's name field: at most 11 characters before the
    first dot (counted from the length, as for name.ext), then the dot and
    up to three characters."""
    dot = path.index(".")
    k = min(len(path) - 4 if len(path) >= 4 else dot, 11, dot)
    return path[dot - k:dot] + path[dot:dot + 4]


def expected_output(case, name, upload_len):
    full, rem = divmod(upload_len, 1024)
    count = full + (1 if rem else 0)
    text = (f"Sending file:    {name_field(name)} \n"
            f"Original size:   0x{case.size:x} \n"
            f"Compressed size: 0x{upload_len:x} \n"
            "Waiting for gamecube to send a 'C' or 'NACK' \n"
            f"Got character {chr(0x15) if case.checksum else 'C'} "
            f"packets to send {count} \n")
    for block in range(1, count + 1):
        if block <= full:
            text += f"\rsending packet {block - 1:4d} "
        else:
            text += f"\rsending packet {full + 1:4d}"  # the last, partial block
        text += case.mark.get(block, "")
        if case.stop_after == block:
            return text
    return text + case.ending


def wait_for_link(path, proc, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if os.path.islink(path) and os.path.exists(path):
            return True
        if proc.poll() is not None:
            return False
        time.sleep(0.02)
    return False


def run_case(case, args, work):
    name = f"{case.name}.dol"
    prog_path = os.path.join(work, name)
    with open(prog_path, "wb") as f:
        f.write(program(case.size, case.kind))
    out_path = os.path.join(work, case.name + ".out")
    link = args.link or os.path.join(work, "port")
    port = args.port or link

    loader_cmd = [args.loadersim, "--link", link, "--out", out_path, "--timeout", "1",
                  "--wait", str(args.wait)]
    if case.checksum:
        loader_cmd.append("--checksum")
    loader_cmd += case.faults
    loader_log = open(os.path.join(work, "loadersim.txt"), "w+b")
    loader = subprocess.Popen(loader_cmd, stdout=loader_log, stderr=subprocess.STDOUT)
    problems = []
    try:
        if not wait_for_link(link, loader, 10):
            return [f"loadersim did not come up: {loader_cmd}"]
        # Run in the program's directory so that the name field is the
        # plain file name.
        sender = subprocess.run(shlex.split(args.ostrel) + [port, name], cwd=work,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=args.sender_timeout)
        try:
            loader.wait(timeout=30)
        except subprocess.TimeoutExpired:
            problems.append("loadersim did not finish")
    finally:
        if loader.poll() is None:
            loader.kill()
            loader.wait()
    loader_log.seek(0)
    summary = loader_log.read().decode("latin-1").strip().splitlines()
    summary = summary[-1] if summary else ""

    got = sender.stdout.replace(b"\r\n", b"\n").decode("latin-1")
    m = re.search(r"Compressed size: 0x([0-9a-f]+) \n", got)
    if not m:
        return problems + [f"no compressed size in ostrel's output:\n{got!r}"]
    upload_len = int(m.group(1), 16)
    want = expected_output(case, name, upload_len)
    if case.tail is not None:
        middle = got[len(want):len(got) - len(case.tail)] if len(got) > len(want) + len(case.tail) else ""
        lines = [l for l in middle.split("\n") if l]
        known = ("Error reading from serial port !", "Writing to serial communication has problem. ",
                 "xmodem_send_packet: Got unexpected character ")
        if not (got.startswith(want) and got.endswith(case.tail) and lines and
                all(l.startswith(known) for l in lines)):
            problems.append(f"ostrel output differs\n  want {want!r} ... {case.tail!r}\n  got  {got!r}")
    elif got != want:
        problems.append(f"ostrel output differs\n  want {want!r}\n  got  {got!r}")
    if sender.returncode != case.status:
        problems.append(f"ostrel exit status {sender.returncode}, want {case.status}")

    lm = re.search(r"upload 0x([0-9a-f]+), (\d+) blocks, \d+ retries, \d+ duplicates, "
                   r"(\d+) bytes in", summary)
    if not lm:
        return problems + [f"no loadersim summary: {summary!r}"]
    if case.loader_ok:
        if loader.returncode != 0 or not summary.startswith("loadersim: OK"):
            problems.append(f"loadersim: {summary!r} (status {loader.returncode})")
        if int(lm.group(1), 16) != upload_len:
            problems.append(f"loadersim saw upload 0x{lm.group(1)}, ostrel printed 0x{upload_len:x}")
        with open(out_path, "rb") as a, open(prog_path, "rb") as b:
            if a.read() != b.read():
                problems.append("the program that arrived differs from the file sent")
        if case.wire_exact:
            blocks = int(lm.group(2))
            packet = 1028 if case.checksum else 1029
            want_in = blocks * packet + 1
            if int(lm.group(3)) != want_in:
                problems.append(f"{lm.group(3)} bytes on the wire, want {blocks} x {packet} + EOT")
    else:
        if loader.returncode != 1 or case.loader_reason not in summary:
            problems.append(f"loadersim: {summary!r} (status {loader.returncode}), "
                            f"want FAILED with {case.loader_reason!r}")
    return problems


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--ostrel", default=os.environ.get("OSTREL"), help="uploader command ($OSTREL)")
    p.add_argument("--loadersim", default=os.environ.get("LOADERSIM"), help="loadersim binary ($LOADERSIM)")
    p.add_argument("--port", default=os.environ.get("OSTREL_PORT"),
                   help="port argument for ostrel ($OSTREL_PORT; default: the link)")
    p.add_argument("--link", default=os.environ.get("LOADERSIM_LINK"),
                   help="loadersim's --link path ($LOADERSIM_LINK; default: in a temp dir)")
    p.add_argument("--wait", type=float, default=60, help="loadersim's --wait, seconds")
    p.add_argument("--sender-timeout", type=float, default=120)
    p.add_argument("--case", action="append", help="run only these cases")
    p.add_argument("--list", action="store_true")
    args = p.parse_args()
    all_cases = cases()
    if args.list:
        print("\n".join(c.name for c in all_cases))
        return 0
    if not args.ostrel or not args.loadersim:
        p.error("need --ostrel and --loadersim (or $OSTREL and $LOADERSIM)")
    # The uploader runs in each case's directory: make relative paths absolute.
    args.ostrel = shlex.join(os.path.abspath(t) if os.path.exists(t) else t
                             for t in shlex.split(args.ostrel))
    args.loadersim = os.path.abspath(args.loadersim)
    chosen = [c for c in all_cases if not args.case or c.name in args.case]
    if args.case and len(chosen) != len(set(args.case)):
        p.error(f"unknown case in {args.case}")
    failed = 0
    for case in chosen:
        with tempfile.TemporaryDirectory(prefix="ostrel-e2e-") as work:
            t0 = time.time()
            problems = run_case(case, args, work)
            dt = time.time() - t0
        print(f"{'ok  ' if not problems else 'FAIL'} {case.name} ({dt:.2f} s)")
        for pr in problems:
            print("     " + pr.replace("\n", "\n     "))
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
