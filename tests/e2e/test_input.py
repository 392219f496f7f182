"""Keyboard handling of the real game: the orbit camera, screenshots and the quit chord."""

import glob
import os
import time
import unittest

from harness import GameTest, config_with


def camera(p):
    yaw, elevation, distance, flipped = p.values["camera"].split()
    return float(yaw), float(elevation), float(distance), flipped == "1"


class InputTest(GameTest):
    def hold(self, g, key, seconds):
        g.key_down(key)
        time.sleep(seconds)
        g.key_up(key)
        return g.next_frames(3)

    def test_arrow_and_keypad_keys_orbit_the_camera(self):
        g = self.start_window(config=config_with())
        yaw0, el0, dist0, _ = camera(g.next_frames(3))

        yaw, el, dist, _ = camera(self.hold(g, "Left", 0.4))
        self.assertGreater(yaw, yaw0 + 0.2)
        yaw1 = yaw
        yaw, _, _, _ = camera(self.hold(g, "Right", 0.4))
        self.assertLess(yaw, yaw1 - 0.2)

        _, el, _, _ = camera(self.hold(g, "Up", 0.3))
        self.assertGreater(el, el0 + 0.1)
        # Held long enough, the elevation stops at its clamp of 5 degrees.
        _, el, _, _ = camera(self.hold(g, "Down", 2.0))
        self.assertAlmostEqual(el, 5 * 3.14159265 / 180, places=3)

        _, _, dist, _ = camera(self.hold(g, "KP_Add", 0.3))
        self.assertLess(dist, dist0 - 0.5)
        _, _, dist, _ = camera(self.hold(g, "KP_Subtract", 3.0))
        self.assertAlmostEqual(dist, 20.0, places=3)

    def test_print_screen_writes_one_png_then_one_per_half_second(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        g.key("Print")
        g.next_frames(3)
        time.sleep(0.3)
        shots = glob.glob(os.path.join(g.dir, "Korvane_*.png"))
        self.assertEqual(len(shots), 1, shots)
        with open(shots[0], "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        time.sleep(0.6)
        # Held for about 1.2 s: the first at once, then one every 0.5 s.
        before = len(glob.glob(os.path.join(g.dir, "Korvane_*.png")))
        g.key_down("Print")
        time.sleep(1.2)
        g.key_up("Print")
        g.next_frames(3)
        taken = len(glob.glob(os.path.join(g.dir, "Korvane_*.png"))) - before
        # At 0, 0.5 and 1.0 s; frame timing may push the third past the release.
        self.assertGreaterEqual(taken, 2)
        self.assertLessEqual(taken, 3)

    def test_escape_alone_does_not_quit_but_with_left_shift_it_does(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        g.key("Escape")
        g.next_frames(5)
        self.assertIsNone(g.proc.poll())
        # The right Shift is not part of the chord.
        g.xdo("mousemove", "--window", g.wid, "20", "20")
        g.xtest_key("Shift_R", True)
        g.xtest_key("Escape", True)
        g.next_frames(5)
        g.xtest_key("Escape", False)
        g.xtest_key("Shift_R", False)
        g.next_frames(3)
        self.assertIsNone(g.proc.poll())
        g.xtest_key("Shift_L", True)
        g.xtest_key("Escape", True)
        code = g.wait_exit(10)
        g.xtest_key("Escape", False)
        g.xtest_key("Shift_L", False)
        self.assertEqual(code, 0)


if __name__ == "__main__":
    unittest.main()
