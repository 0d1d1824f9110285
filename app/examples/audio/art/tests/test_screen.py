"""The demo's text screen, rendered by a terminal emulator."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tamsel_run import A, DOWN, UP, cursor_rows, run, screen  # noqa: E402

CLEAR = b"\x1b[2J"
MENU = (b"\x1b[2J\n\x1b[12;20H]\x1b[22C[\n\x1b[12;24H Centre\n\x1b[13;24H Right\n"
        b"\x1b[14;24H Left\n\x1b[15;24H Surround\n")


class Screen(unittest.TestCase):
    def assert_menu(self, display, cursor_row):
        for row, text in zip(range(12, 16), ("Centre", "Right", "Left", "Surround")):
            line = display[row - 1]
            self.assertEqual(line[23:24 + len(text)], " " + text, "row %d" % row)
            self.assertEqual(line[24 + len(text):].strip(), "" if row != cursor_row else "[")
        self.assertEqual(cursor_rows(display), [cursor_row])
        for row in range(1, 25):  # brackets nowhere else, nothing else on the screen
            line = display[row - 1]
            if row != cursor_row:
                self.assertEqual(line[19], " ", "row %d" % row)
                self.assertEqual(line[42], " ", "row %d" % row)
            if not 12 <= row <= 15:
                self.assertEqual(line.strip(), "", "row %d" % row)

    def test_output_bytes_of_start_and_one_move(self):
        r = run(pads=[DOWN, 0])
        self.assertEqual(r.status, 0)
        self.assertEqual(r.stdout, b"\nMounting a volume.\n" + MENU +
                         b"\x1b[12;20H \x1b[22C \n\x1b[13;20H]\x1b[22C[\n")

    def test_cursor_moves(self):
        cases = [  # (name, pad words, cursor row at the end)
            ("start", [], 12),
            ("down", [DOWN], 13),
            ("down to the last row", [DOWN] * 3, 15),
            ("down on the last row stays", [DOWN] * 5, 15),
            ("up on the first row stays", [UP], 12),
            ("down then up", [DOWN, DOWN, UP], 13),
            ("idle frames change nothing", [DOWN, 0, 0, 0], 13),
            ("down and up together on row 15", [DOWN] * 3 + [DOWN | UP], 14),
            ("down and up together on row 12", [DOWN | UP], 12),
            ("down and up together on row 13", [DOWN, DOWN | UP], 13),
            ("down and up together on row 14", [DOWN, DOWN, DOWN | UP], 14),
            ("other buttons are ignored", [0x0001, 0x0002, 0x0200, 0x1000], 12),
        ]
        for name, pads, row in cases:
            with self.subTest(name):
                r = run(pads=pads, frames=len(pads))
                self.assertEqual(r.status, 0)
                self.assertEqual(r.stdout.count(CLEAR), 1)
                self.assert_menu(screen(r.stdout), row)

    def test_up_on_row_12_and_down_on_row_15_redraw_in_place(self):
        r = run(pads=[UP])
        self.assertTrue(r.stdout.endswith(MENU + b"\x1b[12;20H \x1b[22C \n\x1b[12;20H]\x1b[22C[\n"))
        r = run(pads=[DOWN] * 4)
        self.assertTrue(r.stdout.endswith(b"\x1b[15;20H \x1b[22C \n\x1b[15;20H]\x1b[22C[\n"))

    def test_a_with_down_moves_first_then_plays(self):
        r = run(pads=[DOWN | A])
        before_playback, after = r.stdout.split(CLEAR)[1:]
        self.assert_menu(screen(b"\x1b[2J" + before_playback), 13)
        self.assertEqual(b"\x1b[2J" + after, MENU)

    def test_redraw_after_playback_puts_the_cursor_on_row_12(self):
        for downs in range(4):
            with self.subTest(downs=downs):
                r = run(pads=[DOWN] * downs + [A, 0])
                self.assertEqual(r.stdout.count(CLEAR), 2)
                self.assertTrue(r.stdout.endswith(MENU))
                self.assert_menu(screen(r.stdout), 12)

    def test_cursor_row_restarts_at_12_after_playback(self):
        # The frame after A belongs to the redrawn menu: its Down moves the
        # cursor from row 12, not from the row that was played.
        r = run(pads=[DOWN, DOWN, A, DOWN])
        self.assert_menu(screen(r.stdout), 13)


if __name__ == "__main__":
    unittest.main()
