"""Start-up failures on the stand-in: the exact line, then an idle halt that
draws no menu and reads no pads; and bad stand-in settings."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tamsel_run import A, BIN, DOWN, LAUNCHER, run, screen  # noqa: E402

MOUNTING = b"\nMounting a volume.\n"
SD_FAILED = b"SD card failed to initialize!\r\n"
NO_DATA = b"Audio Demo: failed to sound data !\n"
NO_ID = b"Audio Demo: Cant get sound ID to play sample !\n"
SOUND_PATH = ("examples", "audio", "art", "alright.wav")


def wav_bytes(rate, samples=800, bits=16, channels=1, tag=1):
    block = channels * bits // 8
    data = bytes(samples * block)
    fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def card_with(content):
    """A card folder holding `content` as the sound file (None: no file)."""
    tmp = tempfile.TemporaryDirectory()
    folder = os.path.join(tmp.name, *SOUND_PATH[:-1])
    os.makedirs(folder)
    if content is not None:
        with open(os.path.join(folder, SOUND_PATH[-1]), "wb") as f:
            f.write(content)
    return tmp


class Failures(unittest.TestCase):
    def assert_halted(self, r, line, frames):
        self.assertEqual(r.status, 0, r.stderr)
        self.assertEqual(r.stdout, MOUNTING + line)
        self.assertNotIn("Centre", "".join(screen(r.stdout)))
        self.assertEqual(r.calls("pad_scan_pads"), [])
        self.assertEqual(r.calls("mini_ax_play_sample"), [])
        # The halt idles frame by frame until the run's budget is spent.
        self.assertEqual(len(r.calls("video_waitVSync")), frames)

    def test_sd_result_low_byte(self):
        for result in (0, 2, -1, 256):
            with self.subTest(result=result):
                r = run(pads=[DOWN, A, DOWN, A], sd_result=result)
                self.assert_halted(r, SD_FAILED, 4)
                self.assertEqual(r.calls("mini_ax_read_audio"), [])
        for result in (1, 257):
            with self.subTest(result=result):
                r = run(pads=[0], sd_result=result)
                self.assertEqual(r.stdout.count(b"\x1b[2J"), 1)
                self.assertEqual(len(r.calls("pad_scan_pads")), 1)

    def test_no_card_folder(self):
        r = run(frames=3, sd_root="/nonexistent/tamsel-card")
        self.assert_halted(r, SD_FAILED, 3)

    def test_sound_file_missing_or_refused(self):
        cases = [
            ("missing", None),
            ("empty", b""),
            ("not a WAV", b"alright" * 20),
            ("truncated data chunk", wav_bytes(16000)[:-100]),
            ("compressed", wav_bytes(16000, tag=2)),
            ("24-bit", wav_bytes(16000, bits=24)),
        ]
        for name, content in cases:
            with self.subTest(name), card_with(content) as card:
                r = run(pads=[A, A], sd_root=card)
                self.assert_halted(r, NO_DATA, 2)
                self.assertEqual(r.calls("mini_ax_load_sample"), [])

    def test_sample_load_refused(self):
        # The file reads fine, but its rate is beyond the voice's pitch range.
        with card_with(wav_bytes(96000)) as card:
            r = run(pads=[A, A, A], sd_root=card)
            self.assert_halted(r, NO_ID, 3)
            self.assertEqual(r.calls("art_init_3D"), [])

    def test_other_wavs_play(self):
        for name, content in [("8-bit", wav_bytes(8000, bits=8)), ("stereo", wav_bytes(22050, channels=2)),
                              ("48 kHz", wav_bytes(48000))]:
            with self.subTest(name), card_with(content) as card:
                r = run(pads=[A, 0], sd_root=card)
                self.assertEqual(len(r.calls("mini_ax_play_sample")), 1)


class StandInSettings(unittest.TestCase):
    def test_bad_settings_end_with_one_line(self):
        cases = [
            ({"pads_text": "0004\nzz\n"}, "CONSOLE_PADS line 2"),
            ({"pads_text": "12345\n"}, "CONSOLE_PADS line 1"),
            ({"frames": "-3"}, "CONSOLE_FRAMES"),
            ({"frames": "ten"}, "CONSOLE_FRAMES"),
            ({"sd_result": "99999999999"}, "CONSOLE_SD_RESULT"),
        ]
        for settings, start in cases:
            with self.subTest(settings=settings):
                r = run_raw(**settings)
                self.assertEqual(r[0], 2)
                lines = r[1].decode().splitlines()
                self.assertEqual(len(lines), 1)
                self.assertIn(start, lines[0])


def run_raw(pads_text=None, frames=None, sd_result=None):
    """Runs the demo with settings that run() would not produce."""
    with tempfile.TemporaryDirectory() as tmp:
        env = {k: v for k, v in os.environ.items() if not k.startswith("CONSOLE_")}
        if pads_text is not None:
            env["CONSOLE_PADS"] = os.path.join(tmp, "pads.txt")
            with open(env["CONSOLE_PADS"], "w") as f:
                f.write(pads_text)
        if frames is not None:
            env["CONSOLE_FRAMES"] = frames
        if sd_result is not None:
            env["CONSOLE_SD_RESULT"] = sd_result
            env.setdefault("CONSOLE_FRAMES", "1")
        p = subprocess.run(LAUNCHER + [BIN], env=env, cwd=tmp, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        return p.returncode, p.stderr


if __name__ == "__main__":
    unittest.main()
