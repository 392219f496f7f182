#!/usr/bin/env python3
"""A stand-in UCI engine for the tests: it speaks just enough UCI and misbehaves on demand.

FAKE_ENGINE_MODE chooses the behaviour:
  good         plays e2e4 as White, e7e5 as Black, and e7e5-like replies further on
  illegal      answers every search with a move no piece can make (e2e5)
  crash        exits right after "uciok"
  silent       never answers "go" (nor "stop")
  slow         answers "go" only when told to "stop"
  garbage      mixes nonsense lines into every answer, then plays as "good"
  endless      answers "uci" with a line that never ends
  deaf         never answers "uci"
  helper-MODE  starts a helper process that outlives it (its pid goes to the file
               FAKE_ENGINE_HELPER names), then behaves as MODE
FAKE_ENGINE_LOG, when set, names a file that receives every line read, one per line.
"""

import os
import subprocess
import sys

MODE = os.environ.get("FAKE_ENGINE_MODE", "good")
if MODE.startswith("helper-"):
    MODE = MODE[len("helper-"):]
    # As a shell script starting a real engine in the background would: the helper keeps
    # running whatever becomes of this process.
    helper = subprocess.Popen(["sleep", "300"], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.environ["FAKE_ENGINE_HELPER"], "w") as f:
        f.write(str(helper.pid))
LOG = os.environ.get("FAKE_ENGINE_LOG", "")

# Replies for the side to move after N moves: enough for a few moves of a quiet game.
WHITE = ["e2e4", "g1f3", "f1c4", "d2d3", "b1c3", "c1g5"]
BLACK = ["e7e5", "b8c6", "g8f6", "f8c5", "d7d6", "c8g4"]


def say(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


def noise():
    if MODE == "garbage":
        say("this is no UCI at all")
        say("")
        say("bestmovement soon")
        say("info string \x7f\x01 odd bytes")


def main():
    log = open(LOG, "a") if LOG else None
    moves = []
    for raw in sys.stdin:
        line = raw.strip()
        if log:
            log.write(line + "\n")
            log.flush()
        if line == "uci":
            if MODE == "deaf":
                continue
            if MODE == "endless":
                sys.stdout.write("id name " + "x" * 200000)
                sys.stdout.flush()
                continue
            noise()
            say("id name Fake Engine")
            say("option name Skill Level type spin default 20 min 0 max 20")
            say("option name Hash type spin default 16 min 1 max 1024")
            noise()
            say("uciok")
            if MODE == "crash":
                sys.exit(3)
        elif line == "isready":
            noise()
            say("readyok")
        elif line.startswith("position"):
            parts = line.split()
            moves = parts[parts.index("moves") + 1:] if "moves" in parts else []
        elif line.startswith("go"):
            if MODE in ("silent", "slow"):
                continue
            noise()
            say("info depth 1 score cp 20")
            if MODE == "illegal":
                say("bestmove e2e5")
                continue
            n = len(moves)
            table = WHITE if n % 2 == 0 else BLACK
            say("bestmove " + table[min(n // 2, len(table) - 1)] + " ponder a7a6")
        elif line == "stop":
            if MODE == "silent":
                continue
            say("bestmove a2a3")
        elif line == "quit":
            break


if __name__ == "__main__":
    main()
