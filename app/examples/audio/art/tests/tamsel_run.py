"""Runs the tamsel demo on the console stand-in for the tests.

The program comes from TAMSEL_BIN (run through TAMSEL_LAUNCHER, e.g. an
emulator, when set); TAMSEL_SDCARD is the example's card folder. A run is
scripted through the stand-in's CONSOLE_* variables; its output, trace and
mixed audio come back in a Run record.
"""
import os
import shlex
import subprocess
import tempfile
import wave

import pyte

BIN = os.environ["TAMSEL_BIN"]
LAUNCHER = shlex.split(os.environ.get("TAMSEL_LAUNCHER", ""))
SDCARD = os.environ["TAMSEL_SDCARD"]

DOWN, UP, A = 0x0004, 0x0008, 0x0100
MUTED = "0xFC780000"
CHOICES = {  # row: (entry, h_angle bits, v_angle bits, Down presses from row 12)
    12: ("Centre", "0x00000000", "0x00000000", 0),
    13: ("Right", "0x3FC90FF9", "0x00000000", 1),
    14: ("Left", "0x4096CBE6", "0x00000000", 2),
    15: ("Surround", "0x40490FD0", "0x40490FD0", 3),
}


class Run:
    def __init__(self, status, stdout, stderr, trace, audio):
        self.status = status
        self.stdout = stdout
        self.stderr = stderr
        self.trace = trace  # list of lines
        self.audio = audio  # (left, right) lists of samples, or None

    def calls(self, name):
        """Trace lines of one console call, split into words."""
        return [line.split() for line in self.trace if line.split()[0] == name]

    def field(self, words, key):
        for w in words:
            if w.startswith(key + "="):
                return w[len(key) + 1:]
        raise KeyError(key)


def run(pads=None, frames=None, sd_root=None, sd_result=None, audio=False, timeout=120):
    with tempfile.TemporaryDirectory() as tmp:
        env = {k: v for k, v in os.environ.items() if not k.startswith("CONSOLE_")}
        env["CONSOLE_TRACE"] = os.path.join(tmp, "trace.txt")
        env["CONSOLE_SD_ROOT"] = sd_root if sd_root is not None else SDCARD
        if pads is not None:
            env["CONSOLE_PADS"] = os.path.join(tmp, "pads.txt")
            with open(env["CONSOLE_PADS"], "w") as f:
                f.write("".join("%04X\n" % p for p in pads))
        if frames is not None:
            env["CONSOLE_FRAMES"] = str(frames)
        if sd_result is not None:
            env["CONSOLE_SD_RESULT"] = str(sd_result)
        if audio:
            env["CONSOLE_AUDIO_OUT"] = os.path.join(tmp, "out.wav")
        p = subprocess.run(LAUNCHER + [BIN], env=env, cwd=tmp, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        for marker in (b"Sanitizer", b"runtime error:"):
            assert marker not in p.stderr, p.stderr.decode(errors="replace")
        trace = []
        if os.path.exists(env["CONSOLE_TRACE"]):
            with open(env["CONSOLE_TRACE"]) as f:
                trace = f.read().splitlines()
        samples = read_stereo_wav(env["CONSOLE_AUDIO_OUT"]) if audio else None
        return Run(p.returncode, p.stdout, p.stderr, trace, samples)


def read_stereo_wav(path):
    with wave.open(path, "rb") as w:
        assert w.getnchannels() == 2 and w.getsampwidth() == 2, "not 16-bit stereo"
        raw = w.readframes(w.getnframes())
    left = [int.from_bytes(raw[i:i + 2], "little", signed=True) for i in range(0, len(raw), 4)]
    right = [int.from_bytes(raw[i + 2:i + 4], "little", signed=True) for i in range(0, len(raw), 4)]
    return left, right


def screen(output, rows=24, columns=80):
    """The screen after a terminal has shown the output: a list of rows.

    A terminal's line discipline turns each line feed into CR LF; the
    emulator is given the bytes as they reach the screen.
    """
    s = pyte.Screen(columns, rows)
    stream = pyte.ByteStream(s)
    stream.feed(output.replace(b"\n", b"\r\n"))
    return s.display


def cursor_rows(display):
    """Rows (1-based) that show the bracket cursor: ']' in column 20 and '[' in column 43."""
    return [r + 1 for r, text in enumerate(display) if text[19] == "]" and text[42] == "["]
