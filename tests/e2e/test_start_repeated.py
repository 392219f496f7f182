"""The same start, many times over, each on an X server of its own: starts that go wrong only
now and then (a window left unpainted, a crash on the way out) show up here, not in a player's
hands."""

import subprocess
import unittest

from harness import Game, GameTest, Xvfb, config_with, window_origin

# Enough to see a fault of one start in ten with a chance of about 70 %, and one in fifty
# with a chance of about 45 %, within a minute or two of the test command.
PAINTED_STARTS = 12
QUIET_EXITS = 30


def window_brightness(game, png):
    """The mean grey level (0 to 1) of the game window in a screenshot."""
    geo = game.xdo("getwindowgeometry", game.wid).stdout
    w, h = geo.split("Geometry:")[1].split()[0].split("x")
    x, y = window_origin(game)
    r = subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "-colorspace", "gray",
                        "-format", "%[fx:mean]", "info:"], capture_output=True, text=True,
                       check=True)
    return float(r.stdout)


class RepeatedStartTest(GameTest):
    def run_on_own_server(self, start):
        results = []
        for i in range(start.count):
            xvfb = Xvfb(*self.screen)
            try:
                results.append(start(xvfb, i))
            finally:
                xvfb.stop()
        return results

    def test_every_start_paints_its_window(self):
        def start(xvfb, i):
            g = Game(xvfb, config=config_with())
            try:
                self.assertIsNotNone(g.wait_window(), "no window; stderr:\n" + g.stderr())
                g.wait_probe(lambda p: p.visible("Menu"))
                # Idle by then: a picture lost at the start would never be drawn again.
                g.next_frames(8)
                return window_brightness(g, g.screenshot(f"repeated-start-{i}"))
            finally:
                g.stop()

        start.count = PAINTED_STARTS
        brightness = self.run_on_own_server(start)
        unpainted = [i for i, b in enumerate(brightness) if b < 0.05]
        self.assertEqual(unpainted, [], f"window brightness per start: {brightness}")

    def test_every_start_without_a_config_file_exits_quietly(self):
        def start(xvfb, i):
            g = Game(xvfb, remove_config=True)
            try:
                code = g.wait_exit(30)
                return code, g.stderr()[-300:]
            finally:
                g.stop()

        start.count = QUIET_EXITS
        failed = [(i, c, e) for i, (c, e) in enumerate(self.run_on_own_server(start)) if c != 0]
        self.assertEqual(failed, [])


if __name__ == "__main__":
    unittest.main()
