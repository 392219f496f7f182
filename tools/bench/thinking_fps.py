#!/usr/bin/env python3
"""Frame rate while the computer thinks, against the same game with the engine idle. Prints
numbers; asserts nothing.

  /usr/bin/python3 tools/bench/thinking_fps.py [RUN_DIR]

A game against the computer at 800x600 with shadows; the camera is turned by holding the Left
key for 3 s, once while the engine waits for the player's first move and once while it thinks
about its answer (every search is stretched to 5 s by a small UCI relay in front of Stockfish,
so the measure does not depend on the level). Both with the game's own pacing and uncapped.
The frame rate is the probe's frame counter over the 3 s.
"""

import os
import stat
import statistics
import tempfile
import time

from benchlib import harness, occupant, probe_fps, sq  # noqa: E402
from test_local_game import click_square  # noqa: E402

RELAY = """#!/usr/bin/python3
import subprocess, sys
engine = subprocess.Popen(["/usr/games/stockfish"], stdin=subprocess.PIPE, text=True)
for line in sys.stdin:
    if line.startswith("go "):
        line = "go movetime 5000\\n"
    engine.stdin.write(line)
    engine.stdin.flush()
engine.stdin.close()
engine.wait()
"""


def turning_fps(g, seconds=3.0):
    g.key_down("Left")
    try:
        time.sleep(0.3)
        return probe_fps(g, seconds)
    finally:
        g.key_up("Left")


def run(xvfb, relay, uncapped):
    env = {"KORVANE_UNCAPPED": "1"} if uncapped else None
    g = harness.Game(xvfb, config=harness.config_with(W="800", H="600") + f"Engine={relay}\n", env=env)
    try:
        g.wait_window()
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/ComputerButton") and
                     p.windows["Menu/ComputerButton"]["enabled"])
        g.click_until("Menu/ComputerButton", lambda p: p.visible("ComputerSetup/StartButton"))
        g.click_until("ComputerSetup/StartButton", lambda p: p.values.get("mode") != "-1")
        g.wait_probe(lambda p: p.values["computer"].split()[0] != "starting", timeout=10)
        idle = turning_fps(g)
        click_square(g, sq("e2"))
        g.wait_probe(lambda p: p.values.get("selected") != "none", timeout=10)
        click_square(g, sq("e4"))
        p = g.wait_probe(lambda p: occupant(p, sq("e4")) is not None, timeout=10)
        state = p.values["computer"].split()[0]
        thinking = turning_fps(g)
        after = g.probe().values["computer"].split()[0]
        return idle, thinking, state, after
    finally:
        g.stop()


def main():
    folder = tempfile.mkdtemp(prefix="korvane-relay-")
    relay = os.path.join(folder, "relay.py")
    with open(relay, "w") as f:
        f.write(RELAY)
    os.chmod(relay, os.stat(relay).st_mode | stat.S_IEXEC)
    xvfb = harness.Xvfb()
    try:
        for uncapped in (False, True):
            runs = [run(xvfb, relay, uncapped) for _ in range(3)]
            pacing = "uncapped" if uncapped else "paced"
            idle = statistics.median(r[0] for r in runs)
            thinking = statistics.median(r[1] for r in runs)
            states = sorted({f"{r[2]}->{r[3]}" for r in runs})
            print(f"800x600 {pacing}: turning the camera {idle:.1f} FPS with the engine idle,"
                  f" {thinking:.1f} FPS while it thinks (medians of 3; engine state {states};"
                  f" load average {os.getloadavg()[0]:.2f})")
    finally:
        xvfb.stop()


if __name__ == "__main__":
    main()
