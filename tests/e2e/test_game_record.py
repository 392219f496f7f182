"""A local game's record through the real window at 800x600: two moves by clicks, one taken
back, the game saved to the games folder, the game left, and the saved game loaded from the
main menu at its last position."""

import os
import unittest

from harness import GameTest, config_with
from test_local_game import click_square, sq

AFTER_E4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR"


class GameRecordTest(GameTest):
    def move(self, g, frm, to):
        click_square(g, sq(frm))
        g.wait_probe(lambda q: q.values.get("selected") != "none", timeout=10)
        side = g.wait_probe().values["side"]
        click_square(g, sq(to))
        g.wait_probe(lambda q: q.values["side"] != side, timeout=10)

    def test_take_back_save_and_load_a_local_game(self):
        g = self.start_window(config=config_with(W="800", H="600", PlayerName="Karel"))
        g.click_until("Menu/LocalButton", lambda p: p.visible("LocalIngame"))
        p = g.wait_probe()
        self.assertTrue(p.visible("MoveList"))
        self.assertTrue(p.visible("LocalIngame/TakeBackButton"))

        self.move(g, "e2", "e4")
        self.move(g, "e7", "e5")
        g.screenshot("game_record_local_800x600")
        g.click_until("LocalIngame/TakeBackButton",
                         lambda p: p.values["fen"].split()[0] == AFTER_E4)

        g.click_until("LocalIngame/SaveButton", lambda p: p.visible("SaveGame"))
        g.click_until("SaveGame/SaveButton", lambda p: not p.visible("SaveGame"))
        games = os.listdir(g.path("games"))
        self.assertEqual(len(games), 1, games)
        pgn = g.read(os.path.join("games", games[0])).decode()
        self.assertIn('[White "Karel"]', pgn)
        self.assertIn("\n1. e4 *", pgn)

        g.click_until("LocalIngame/QuitButton", lambda p: p.visible("Menu"))
        g.click_until("Menu/LoadButton", lambda p: p.visible("LoadGame"))
        p = g.click_until("LoadGame/LoadButton", lambda p: p.visible("LocalIngame"))
        self.assertFalse(p.visible("LoadGame"))
        self.assertFalse(p.visible("Menu"))
        self.assertEqual(p.values["fen"].split()[:2], [AFTER_E4, "b"])
        self.assertEqual(p.values["side"], "1")
        g.screenshot("game_record_loaded_800x600")


if __name__ == "__main__":
    unittest.main()
