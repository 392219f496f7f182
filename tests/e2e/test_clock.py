"""A local game on a clock, through the real window: the clocks beside the status bar, P
pausing and resuming them, and a flag that ends the game on time."""

import time
import unittest

from harness import GameTest, click_edit_part, config_with


def clock(p):
    white, black, running = p.values["clock"].split()
    return int(white), int(black), running


class ClockTest(GameTest):
    def test_a_five_second_game_pauses_resumes_and_flags(self):
        g = self.start_window(config=config_with())
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/LocalButton"))
        g.click_window("Menu/LocalButton")
        p = g.wait_probe(lambda p: p.visible("LocalIngame/Time"))
        self.assertEqual(p.windows["LocalIngame/Time"]["text"], "No clock")
        self.assertFalse(p.visible("Clocks"))
        # A clock of the player's own, typed into the panel; Restart starts it and it is
        # remembered.
        click_edit_part(g, "LocalIngame/Time")
        g.key("End", *["BackSpace"] * 10)
        g.type_text("0:05+0")
        g.wait_probe(lambda p: p.windows["LocalIngame/Time"]["text"] == "0:05+0")
        g.click_window("LocalIngame/RestartButton")
        p = g.wait_probe(lambda p: p.visible("Clocks") and clock(p)[2] == "w")
        g.screenshot("clock-running")
        with open(g.path("config.cfg")) as f:
            self.assertIn("TimeControl=5+0", f.read())
        self.assertTrue(p.windows["Clocks/White"]["text"].startswith("White  0:0"))
        self.assertEqual(p.values["result"], "none -")

        g.key("p")
        p = g.wait_probe(lambda p: clock(p)[2] == "-", timeout=5)
        self.assertIn("(Paused)", p.windows["Clocks/White"]["text"])
        left = clock(p)[0]
        time.sleep(1.5)
        self.assertEqual(clock(g.wait_probe())[0], left, "a paused clock stands still")
        g.key("p")
        g.wait_probe(lambda p: clock(p)[2] == "w", timeout=5)

        p = g.wait_probe(lambda p: p.values["result"] != "none -", timeout=15)
        self.assertEqual(p.values["result"], "black time")
        self.assertEqual(clock(p)[0], 0)
        p = g.wait_probe(lambda p: p.visible("GameEnd"), timeout=5)
        self.assertEqual(p.windows["GameEnd/Draw"]["text"], "White lost on time")
        self.assertEqual(p.windows["StatusBar/Result"]["text"], "White lost on time")
        g.screenshot("clock-flag")


if __name__ == "__main__":
    unittest.main()
