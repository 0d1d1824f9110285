"""The demo run by hand: a pseudo-terminal stands in for the user's terminal.
Arrow keys and Enter drive the menu in real time; the terminal's settings
come back when the program ends, by Ctrl-C or by the quit key."""
import os
import pty
import select
import signal
import sys
import tempfile
import termios
import time
import unittest
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tamsel_run import BIN, LAUNCHER, SDCARD, cursor_rows, screen  # noqa: E402

DOWN_KEY = b"\x1b[B"


class Session:
    def __init__(self, cwd, audio_out=None):
        env = {k: v for k, v in os.environ.items() if not k.startswith("CONSOLE_")}
        env["CONSOLE_SD_ROOT"] = SDCARD
        if audio_out:
            env["CONSOLE_AUDIO_OUT"] = audio_out
        argv = LAUNCHER + [BIN]
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(cwd)
            os.execve(argv[0] if os.path.isabs(argv[0]) else "/usr/bin/env",
                      argv if os.path.isabs(argv[0]) else ["env"] + argv, env)
        self.output = b""

    def read_until(self, predicate, timeout=20):
        end = time.monotonic() + timeout
        while not predicate(self.output):
            left = end - time.monotonic()
            if left <= 0:
                raise AssertionError("timed out; output so far: %r" % self.output)
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                try:
                    chunk = os.read(self.fd, 4096)
                except OSError:
                    chunk = b""
                if not chunk:
                    raise AssertionError("program ended early; output: %r" % self.output)
                self.output += chunk

    def send(self, keys):
        os.write(self.fd, keys)

    def lflag(self):
        return termios.tcgetattr(self.fd)[3]

    def wait(self, timeout=20):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                try:  # what was still on its way to the screen
                    while select.select([self.fd], [], [], 0.1)[0]:
                        chunk = os.read(self.fd, 4096)
                        if not chunk:
                            break
                        self.output += chunk
                except OSError:
                    pass
                return os.waitstatus_to_exitcode(status)
            time.sleep(0.02)
        os.kill(self.pid, signal.SIGKILL)
        raise AssertionError("program did not end")

    def close(self):
        os.close(self.fd)


def menu_shown(out):
    return b"Surround" in out


class Interactive(unittest.TestCase):
    def test_keys_play_and_ctrl_c_restores_the_terminal(self):
        with tempfile.TemporaryDirectory() as tmp:
            out_wav = os.path.join(tmp, "out.wav")
            s = Session(tmp, out_wav)
            try:
                s.read_until(menu_shown)
                lflag = s.lflag()
                self.assertEqual(lflag & (termios.ICANON | termios.ECHO), 0, "keys are read raw")
                self.assertTrue(lflag & termios.ISIG, "Ctrl-C still interrupts")
                s.send(DOWN_KEY)
                s.read_until(lambda o: o.endswith(b"\x1b[13;20H]\x1b[22C[\r\n"))
                self.assertEqual(cursor_rows(screen(s.output.replace(b"\r\n", b"\n"))), [13])
                s.send(b"\r")
                s.read_until(lambda o: o.count(b"\x1b[2J") == 2 and menu_shown(o.split(b"\x1b[2J")[-1]))
                self.assertEqual(cursor_rows(screen(s.output.replace(b"\r\n", b"\n"))), [12])
                s.send(b"\x03")
                self.assertEqual(s.wait(), 130)
                lflag = s.lflag()
                self.assertEqual(lflag & (termios.ICANON | termios.ECHO), termios.ICANON | termios.ECHO)
            finally:
                s.close()
            # The mixed output is a complete WAV holding the playback.
            with wave.open(out_wav, "rb") as w:
                self.assertEqual((w.getnchannels(), w.getsampwidth(), w.getframerate()), (2, 2, 32000))
                self.assertGreater(w.getnframes(), 32000)  # the playback's second at least
                frames = w.readframes(w.getnframes())
            self.assertNotEqual(frames.count(b"\x00"), len(frames))

    def test_quit_key_ends_and_writes_the_default_wav(self):
        with tempfile.TemporaryDirectory() as tmp:
            s = Session(tmp)
            try:
                s.read_until(menu_shown)
                s.send(b"q")
                self.assertEqual(s.wait(), 0)
                lflag = s.lflag()
                self.assertEqual(lflag & (termios.ICANON | termios.ECHO), termios.ICANON | termios.ECHO)
            finally:
                s.close()
            with wave.open(os.path.join(tmp, "tamsel-out.wav"), "rb") as w:
                self.assertEqual(w.getnchannels(), 2)


if __name__ == "__main__":
    unittest.main()
