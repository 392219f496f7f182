"""What the game benchmarks share: the run folder from the command line, the end-to-end
harness with its helpers for squares and pieces read from the state probe."""

import os
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
top = os.path.dirname(os.path.dirname(here))
sys.path.insert(0, os.path.join(top, "tests", "e2e"))
args = [a for a in sys.argv[1:] if not a.startswith("--")]
os.environ.setdefault("KORVANE_RUN_DIR", args[0] if args else os.path.join(top, "build", "run"))

import harness  # noqa: E402
from test_local_game import occupant, sq  # noqa: E402,F401

harness.RUN_DIR = os.environ["KORVANE_RUN_DIR"]

# Knights out and back: every move stays legal. The start position comes back every fourth
# ply, and its fifth time (the 16th ply) ends the game in a draw, so at most CYCLE_PLIES.
CYCLE = ["g1f3", "g8f6", "f3g1", "f6g8", "b1c3", "b8c6", "c3b1", "c6b8"]
CYCLE_PLIES = 15


def probe_fps(g, seconds):
    """Frames per second over `seconds`, from the state probe's frame counter."""
    f0, t0 = g.probe().frame, time.monotonic()
    time.sleep(seconds)
    f1, t1 = g.probe().frame, time.monotonic()
    return (f1 - f0) / (t1 - t0)


def option(name, default):
    """The integer after --name on the command line, or the default."""
    if name in sys.argv:
        return int(sys.argv[sys.argv.index(name) + 1])
    return default
