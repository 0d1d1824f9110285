"""The mixed output of the stand-in for each menu choice: where the sound
sits between the channels, and silence while the sound is muted."""
import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tamsel_run import A, CHOICES, DOWN, run  # noqa: E402


def rms(xs):
    return math.sqrt(sum(x * x for x in xs) / len(xs)) if xs else 0.0


def db(x):
    return 20 * math.log10(x / 32768) if x > 0 else float("-inf")


def brightness(xs):
    """Share of the signal's energy in its sample-to-sample changes."""
    diff = [b - a for a, b in zip(xs, xs[1:])]
    return rms(diff) / rms(xs)


def play(row):
    """One playback of the row's entry: (left, right) while unmuted, and the run."""
    downs = CHOICES[row][3]
    r = run(pads=[DOWN] * downs + [A] + [0] * 10, audio=True)
    volume = [line.split() for line in r.trace
              if line.startswith("art_service_snds") and line.split()[3] == "volume"]
    unmuted = [int(w[1][2:]) for w in volume if w[4] == "attenuation=0x00000000"]
    muted = [int(w[1][2:]) for w in volume if w[4] != "attenuation=0x00000000"]
    assert len(unmuted) == 1 and len(muted) == 2, volume
    start, end = unmuted[0], muted[1]
    left, right = r.audio
    return left[start:end], right[start:end], (left[:start] + left[end:], right[:start] + right[end:])


class Sound(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.played = {row: play(row) for row in CHOICES}
        for row, (left, right, _) in cls.played.items():
            print("%-8s left %6.1f dBFS  right %6.1f dBFS" % (CHOICES[row][0], db(rms(left)), db(rms(right))))

    def test_sound_plays_while_unmuted(self):
        for row, (left, right, _) in self.played.items():
            with self.subTest(CHOICES[row][0]):
                self.assertGreater(max(rms(left), rms(right)), 300)

    def test_muted_stretches_are_silent(self):
        for row, (_, _, (left, right)) in self.played.items():
            with self.subTest(CHOICES[row][0]):
                self.assertGreater(len(left), 32000 * 0.15)
                self.assertEqual(set(left) | set(right), {0})

    def test_right_is_louder_on_the_right(self):
        left, right, _ = self.played[13]
        self.assertGreater(db(rms(right)) - db(rms(left)), 10)

    def test_left_is_louder_on_the_left(self):
        left, right, _ = self.played[14]
        self.assertGreater(db(rms(left)) - db(rms(right)), 10)

    def test_centre_is_equal_on_both_sides(self):
        left, right, _ = self.played[12]
        self.assertEqual(left, right)

    def test_surround_is_equal_quieter_and_darker_than_centre(self):
        left, right, _ = self.played[15]
        centre = self.played[12][0]
        self.assertEqual(left, right)
        self.assertLess(db(rms(left)), db(rms(centre)) - 3)
        self.assertLess(brightness(left), 0.8 * brightness(centre))


if __name__ == "__main__":
    unittest.main()
