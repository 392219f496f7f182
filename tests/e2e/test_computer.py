"""A game against the computer through the real window: the dialog, a move by clicks, the
engine's reply, and leaving the game by Quit Game and by closing the window, after each of
which no engine process is left."""

import os
import time
import unittest

from harness import GameTest, config_with
from test_local_game import START_FEN, click_square, occupant, sq

STOCKFISH = "/usr/games/stockfish"


def computer(p):
    """(state, player colour, level, pid) of the probe's computer line."""
    state, colour, level, pid = p.values["computer"].split()
    return state, int(colour), int(level), int(pid)


def engine_moves(p):
    return p.values.get("computermoves", "").split()


def running(pid):
    """The process exists and is no zombie."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def gone(pid):
    return not os.path.exists(f"/proc/{pid}")


class ComputerGameTest(GameTest):

    def begin(self):
        g = self.start_window(config=config_with())
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/ComputerButton") and
                     p.windows["Menu/ComputerButton"]["enabled"])
        p = g.click_until("Menu/ComputerButton",
                          lambda p: p.visible("ComputerSetup/StartButton"))
        self.assertEqual(p.windows["ComputerSetup/Colour"]["text"], "White")
        self.assertEqual(p.windows["ComputerSetup/Level"]["text"], "1")
        g.click_until("ComputerSetup/StartButton", lambda p: p.values.get("mode") != "-1")
        return g

    def move(self, g, move):
        """Plays the player's move by two clicks; returns the time just before the second."""
        frm, to = sq(move[:2]), sq(move[2:4])
        p = g.wait_probe()
        want = occupant(p, frm)
        self.assertIsNotNone(want, move)
        click_square(g, frm)
        g.wait_probe(lambda q: q.values.get("selected") != "none", timeout=10)
        before = time.monotonic()
        click_square(g, to)
        return before

    def test_a_move_the_reply_and_leaving_the_game_leave_no_engine(self):
        if not os.access(STOCKFISH, os.X_OK):
            self.skipTest(STOCKFISH + " is not installed")
        g = self.begin()
        p = g.wait_probe(lambda p: p.values.get("mode") == "4" and
                         computer(p)[0] == "ready", timeout=20)
        self.assertEqual(p.values["fen"], START_FEN)
        self.assertEqual(computer(p)[1:3], (0, 1))
        self.assertTrue(p.visible("LocalIngame/TakeBackButton"))
        pid = computer(p)[3]
        self.assertTrue(running(pid))

        clicked = self.move(g, "e2e4")
        p = g.wait_probe(lambda p: len(engine_moves(p)) == 2 and p.values["side"] == "0",
                         timeout=10)
        seen = time.monotonic()
        # An upper bound: it includes the click's delivery by xdotool and the probe's polling.
        print(f"\nplayer's move to the engine's reply on screen: {1000 * (seen - clicked):.0f} ms")
        moves = engine_moves(p)
        self.assertEqual(moves[0], "e2e4")
        self.assertEqual(p.pieces["Pawn_04"]["square"], sq("e4"))
        reply_from, reply_to = sq(moves[1][:2]), sq(moves[1][2:4])
        self.assertIsNone(occupant(p, reply_from))
        self.assertTrue(occupant(p, reply_to).startswith(("PawnB", "KnigB")))
        self.assertTrue(p.visible("StatusBar/WhiteOnMove"))

        g.click_window("LocalIngame/QuitButton")
        p = g.wait_probe(lambda p: p.values.get("mode") == "-1")
        end = time.time() + 5
        while time.time() < end and not gone(pid):
            time.sleep(0.05)
        self.assertTrue(gone(pid), "the engine process is still there after Quit Game")
        self.assertEqual(computer(p)[3], 0)

        # A new game, and the window closed in the middle of it: the engine goes with it.
        g.click_until("Menu/ComputerButton", lambda p: p.visible("ComputerSetup"))
        g.click_until("ComputerSetup/StartButton", lambda p: p.values.get("mode") == "4")
        p = g.wait_probe(lambda p: p.values.get("mode") == "4" and
                         computer(p)[0] == "ready", timeout=20)
        pid = computer(p)[3]
        self.assertTrue(running(pid))
        self.assertEqual(g.close_until_exit(), 0, "the game did not end when its window closed")
        self.assertTrue(gone(pid), "the engine process outlived the game")


if __name__ == "__main__":
    unittest.main()
