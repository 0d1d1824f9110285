"""The console calls of a run on the stand-in, from its trace."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tamsel_run import A, CHOICES, DOWN, MUTED, run  # noqa: E402

START_UP = [
    "system_init",
    "mixer_init",
    "art_init",
    "mini_ax_reg_callback",
    "device_sd_init -> 1",
    'mini_ax_read_audio "sd_gecko:/examples/audio/art/alright.wav" flag=0 -> data',
    "mini_ax_init",
    "mini_ax_load_sample",
    "art_init_3D",
    "art_init_volume",
    "art_add_articulator 3D",
    "art_add_articulator volume",
    "mini_ax_get_voice 0 -> voice0",
    "mini_ax_get_sample_rate 0 ->",
    "art_add_sound voice0",
    "mini_ax_set_mode 1",
    "video_waitVSync frame=1",
]


def main_thread(trace):
    """The trace without the audio thread's lines."""
    return [line for line in trace if not line.startswith("art_service_snds")]


def service(trace, what):
    """(index, t, value words) of the audio thread's lines for one articulator."""
    out = []
    for i, line in enumerate(trace):
        w = line.split()
        if w[0] == "art_service_snds" and w[3] == what:
            out.append((i, int(w[1][2:]), w[4:]))
    return out


class Trace(unittest.TestCase):
    def test_start_up_order(self):
        r = run(frames=1)
        lines = main_thread(r.trace)[:len(START_UP)]
        for got, want in zip(lines, START_UP):
            self.assertTrue(got.startswith(want), "%r does not start with %r" % (got, want))
        self.assertEqual(len(lines), len(START_UP))
        rate = int(r.calls("mini_ax_get_sample_rate")[0][-1])
        add = r.calls("art_add_sound")[0]
        # The sound is registered with its voice, its rate as f32, the 3D
        # articulator first, everything at rest and muted.
        self.assertEqual(r.field(add, "sample_rate"), "0x%08X" % struct.unpack(">I", struct.pack(">f", rate))[0])
        self.assertEqual(r.field(add, "chain"), "3D,volume")
        for key in ("h_angle", "v_angle", "dist", "closing_speed"):
            self.assertEqual(r.field(add, key), "0x00000000")
        self.assertEqual(r.field(add, "update"), "0")
        self.assertEqual(r.field(add, "attenuation"), MUTED)

    def test_each_choice_plays_with_its_direction(self):
        for row, (entry, h, v, downs) in CHOICES.items():
            with self.subTest(entry):
                r = run(pads=[DOWN] * downs + [A, 0])
                plays = r.calls("mini_ax_play_sample")
                self.assertEqual(len(plays), 1)
                play = plays[0]
                self.assertEqual(play[1:5], ["0", "0", "64", "0"])
                self.assertEqual(r.field(play, "h_angle"), h)
                self.assertEqual(r.field(play, "v_angle"), v)
                self.assertEqual(r.field(play, "dist"), "0x00000000")
                self.assertEqual(r.field(play, "closing_speed"), "0x00000000")
                self.assertEqual(r.field(play, "update"), "1")
                self.assertEqual(r.field(play, "attenuation"), "0x00000000")
                # The audio thread picked the new direction up through update.
                applied = service(r.trace, "3D")
                self.assertEqual(len(applied), 1)
                self.assertEqual(applied[0][2][:2], ["h_angle=" + h, "v_angle=" + v])

    def test_unmute_play_pause_mute(self):
        r = run(pads=[DOWN, A, 0, 0])
        main = main_thread(r.trace)
        at = next(i for i, line in enumerate(main) if line.startswith("mini_ax_play_sample"))
        self.assertEqual(main[at + 1], "mdelay 1000")
        self.assertTrue(main[at + 2].startswith("video_waitVSync"))
        # Muted at start, unmuted for the pause, muted once it is over.
        volume = service(r.trace, "volume")
        self.assertEqual([w[0] for _, _, w in volume],
                         ["attenuation=" + MUTED, "attenuation=0x00000000", "attenuation=" + MUTED])
        pause = r.trace.index("mdelay 1000")
        self.assertLess(pause, volume[1][0])
        t_unmuted, t_muted = volume[1][1], volume[2][1]
        self.assertGreaterEqual(t_muted - t_unmuted, 32000)   # 1000 ms of audio at 32 kHz
        self.assertLess(t_muted - t_unmuted, 32000 + 534 + 160)  # muted within the next frame
        self.assertTrue(r.trace[-2].startswith("state voice0"))
        self.assertEqual(r.field(r.trace[-2].split(), "attenuation"), MUTED)

    def test_angles_kept_after_the_redraw_and_cursor_back_on_centre(self):
        # Right, then three idle frames of the redrawn menu, then Down Down A:
        # Left, because the cursor restarted on Centre.
        r = run(pads=[DOWN, A, 0, 0, 0, DOWN, DOWN, A, 0])
        plays = r.calls("mini_ax_play_sample")
        self.assertEqual([r.field(p, "h_angle") for p in plays], [CHOICES[13][1], CHOICES[14][1]])
        applied = service(r.trace, "3D")
        self.assertEqual(len(applied), 2, "the direction changed only at the second playback")
        final = r.trace[-2].split()
        self.assertEqual(r.field(final, "h_angle"), CHOICES[14][1])
        self.assertEqual(r.field(final, "update"), "1")

    def test_frame_budget_and_pad_script(self):
        r = run(pads=[0, DOWN, 0])
        self.assertEqual(r.status, 0)
        self.assertEqual([w[-1] for w in r.calls("pad_buttons_down")], ["0x0000", "0x0004", "0x0000"])
        self.assertEqual(len(r.calls("video_waitVSync")), 3)
        self.assertEqual(r.trace[-1], "end status=0 frames=3")
        r = run(pads=[DOWN], frames=5)  # past the script: nothing pressed
        self.assertEqual([w[-1] for w in r.calls("pad_buttons_down")], ["0x0004"] + ["0x0000"] * 4)


if __name__ == "__main__":
    unittest.main()
