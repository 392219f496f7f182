"""A local game played with the mouse through the real window: from the main menu through
selections, moves, castling, en passant, promotion and the end of the game."""

import math
import unittest

from harness import GameTest, config_with, window_pixels

KINDS = {"Pawn": 0, "Rook": 1, "Knig": 2, "Bish": 3, "Quee": 4, "King": 5}
START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def sq(name):
    """Square index of an algebraic name: "a1" is 0, "h8" is 63."""
    return "abcdefgh".index(name[0]) + 8 * (int(name[1]) - 1)


def identity(entity):
    """(colour, kind, index) of a piece entity name such as "KnigB_01"."""
    black = entity[4] == "B"
    return (1 if black else 0, KINDS[entity[:4]], int(entity.split("_")[1]))


def occupant(p, square):
    for name, piece in p.pieces.items():
        if piece["alive"] and piece["square"] == square:
            return name
    return None


def greenish(rgb):
    r, g, b = rgb
    return g > r + 40 and g > b + 40


class LocalGameTest(GameTest):
    # --- driving the game as a player does -------------------------------------------

    def begin(self, **config):
        g = self.start_window(config=config_with(**config))
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/LocalButton"))
        self.start_local(g)
        return g

    def start_local(self, g):
        g.click_window("Menu/LocalButton")
        return g.wait_probe(lambda p: p.values.get("mode") == "0" and p.visible("LocalIngame"))

    def click_square(self, g, square):
        """Clicks what stands on the square: the piece's centre, else the tile's centre."""
        p = g.wait_probe()
        name = occupant(p, square)
        if name:
            g.click(p.pieces[name]["px"], p.pieces[name]["py"])
        else:
            g.click(*p.squares[square])

    def select(self, g, square):
        p = g.wait_probe()
        name = occupant(p, square)
        self.assertIsNotNone(name, f"nothing stands on square {square}")
        want = "%d %d %d" % identity(name)
        self.click_square(g, square)
        return g.wait_probe(lambda q: q.values.get("selected") == want, timeout=10)

    def play(self, g, move):
        """Plays a move given as "e2e4" by two clicks and waits until the board shows it."""
        frm, to = sq(move[:2]), sq(move[2:4])
        before = g.wait_probe().values["fen"]
        self.select(g, frm)
        self.click_square(g, to)
        return g.wait_probe(lambda q: q.values["fen"] != before and
                            q.values.get("selected") == "none", timeout=10)

    def play_line(self, g, line):
        p = None
        for move in line.split():
            p = self.play(g, move)
        return p

    def assert_status(self, p, side):
        self.assertTrue(p.visible("StatusBar"))
        self.assertEqual(p.visible("StatusBar/WhiteOnMove"), side == 0)
        self.assertEqual(p.visible("StatusBar/BlackOnMove"), side == 1)

    def assert_board_ignores(self, g, square):
        """A click on a piece of the side to move selects nothing."""
        p = g.wait_probe()
        self.click_square(g, square)
        q = g.next_frames(6)
        self.assertEqual(q.values["selected"], "none")
        self.assertEqual(q.values["fen"], p.values["fen"])

    # --- the tests --------------------------------------------------------------------

    def test_scholars_mate_ends_with_white_winning(self):
        g = self.begin()
        p = g.wait_probe()
        self.assertEqual(p.values["fen"], START_FEN)
        self.assertEqual(p.values["side"], "0")
        self.assertFalse(p.visible("Menu"))
        self.assertFalse(p.visible("Logo"))
        self.assert_status(p, 0)

        # A black piece cannot be selected while White is to move.
        self.click_square(g, sq("e7"))
        self.assertEqual(g.next_frames(6).values["selected"], "none")

        p = self.play(g, "e2e4")
        self.assertEqual(p.values["side"], "1")
        self.assertEqual(p.pieces["Pawn_04"]["square"], sq("e4"))
        self.assert_status(p, 1)
        p = self.play(g, "e7e5")
        self.assert_status(p, 0)
        p = self.play_line(g, "f1c4 b8c6 d1h5 g8f6")
        self.assertFalse(p.visible("GameEnd"))
        # Selecting another own piece replaces the selection.
        self.select(g, sq("c4"))
        p = self.select(g, sq("h5"))
        self.click_square(g, sq("f7"))
        p = g.wait_probe(lambda q: q.visible("GameEnd"), timeout=10)

        self.assertEqual(p.values["fen"].split()[0],
                         "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR")
        self.assertFalse(p.pieces["PawnB_05"]["alive"])
        self.assertTrue(p.visible("GameEnd/Checkmate"))
        self.assertTrue(p.visible("GameEnd/WhiteWon"))
        self.assertFalse(p.visible("GameEnd/BlackWon"))
        self.assertFalse(p.visible("GameEnd/Stalemate"))
        self.assertFalse(p.visible("LocalIngame"))
        self.assertEqual(p.values["side"], "1")
        g.screenshot("local-checkmate")

        # Black has no move: its pieces cannot be selected.
        self.assert_board_ignores(g, sq("e8"))

        final = p.values["fen"]
        g.click_window("GameEnd/OKButton")
        p = g.wait_probe(lambda q: not q.visible("GameEnd") and q.visible("LocalIngame"))
        self.assertEqual(p.values["fen"], final)
        self.assertEqual(p.values["mode"], "0")

        g.click_window("LocalIngame/QuitButton")
        p = g.wait_probe(lambda q: q.visible("Menu") and q.visible("Logo"))
        self.assertEqual(p.values["mode"], "-1")
        self.assertFalse(p.visible("LocalIngame"))
        self.assertEqual(p.values["fen"], final)
        # The status bar stays over the main menu once a game has been played.
        self.assertTrue(p.visible("StatusBar"))

    def test_loyds_ten_move_stalemate(self):
        g = self.begin()
        p = self.play_line(g, "e2e3 a7a5 d1h5 a8a6 h5a5 h7h5 h2h4 a6h6 a5c7 f7f6 c7d7 e8f7 "
                           "d7b7 d8d3 b7b8 d3h7 b8c8 f7g6")
        self.assertFalse(p.visible("GameEnd"))
        self.play(g, "c8e6")
        p = g.wait_probe(lambda q: q.visible("GameEnd"), timeout=10)
        self.assertEqual(p.values["fen"].split()[0], "5bnr/4p1pq/4Qpkr/7p/7P/4P3/PPPP1PP1/RNB1KBNR")
        self.assertTrue(p.visible("GameEnd/Stalemate"))
        self.assertFalse(p.visible("GameEnd/Checkmate"))
        self.assertFalse(p.visible("GameEnd/WhiteWon"))
        self.assertFalse(p.visible("GameEnd/BlackWon"))
        self.assertFalse(p.visible("LocalIngame"))
        g.screenshot("local-stalemate")


if __name__ == "__main__":
    unittest.main()
