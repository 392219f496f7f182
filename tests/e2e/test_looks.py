"""How the board tells the player about the game in the real window: a red ring under the
king in check comes with the check and goes when the check is blocked."""

import unittest

from harness import GameTest, config_with, window_pixels
import test_local_game as local


class LooksTest(GameTest):
    def play(self, g, move):
        before = g.wait_probe().values["fen"]
        local.click_square(g, local.sq(move[:2]))
        g.wait_probe(lambda q: q.values.get("selected") != "none", timeout=10)
        local.click_square(g, local.sq(move[2:]))
        return g.wait_probe(lambda q: q.values["fen"] != before and
                            q.values.get("selected") == "none", timeout=10)

    def ring_redness(self, g, name):
        """The reddest of two points inside the ring beside the king's foot on the square, on
        the side towards each neighbour on the same rank."""
        p = g.next_frames(3)
        centre = p.squares[local.sq(name)]
        points = []
        for file in (-1, 1):
            other = p.squares[local.sq(chr(ord(name[0]) + file) + name[1])]
            points.append(tuple(c + 0.44 * (o - c) for c, o in zip(centre, other)))
        shot = g.screenshot("looks-" + name + "-" + p.values["fen"].split()[0].replace("/", "_"))
        return max(r - gg for r, gg, _ in window_pixels(g, shot, points))

    def test_a_ring_glows_under_the_king_in_check_until_the_check_is_blocked(self):
        g = self.start_window(config=config_with(W="800", H="600"))
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/LocalButton"))
        g.click_window("Menu/LocalButton")
        g.wait_probe(lambda p: p.values.get("mode") == "0" and p.visible("LocalIngame"))
        self.play(g, "e2e4")
        self.play(g, "f7f6")
        quiet = self.ring_redness(g, "e8")
        self.play(g, "d1h5")
        checked = self.ring_redness(g, "e8")
        self.assertGreater(checked, quiet + 60, (quiet, checked))
        self.play(g, "g7g6")
        blocked = self.ring_redness(g, "e8")
        self.assertLess(blocked, quiet + 25, (quiet, blocked))


if __name__ == "__main__":
    unittest.main()
