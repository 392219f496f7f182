#!/usr/bin/python3
"""Makes the README's screenshots from the real game.

korvane_guishot draws GUI layouts alone, without the board, so these pictures come from the
game itself: each runs under its own Xvfb in a copy of the run directory, is driven through
its window with xdotool and watched through the state probe, as the end-to-end tests do
(tests/e2e/harness.py), and its 800x600 window is cut out of the screen.

    /usr/bin/python3 tools/guishot/readme_shots.py [--run-dir DIR] [--out DIR] [NAME...]

NAME is any of start, middle, cartoon, network (all by default). The run directory defaults
to $KORVANE_RUN_DIR, then build/run. Hosting a game makes the game answer LAN searches, so the
whole script runs in a private network namespace (tools/netns-run.sh): it starts itself again
through it.
"""

import argparse
import os
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SHOTS = ("start", "middle", "cartoon", "network")
# Pictures above this size are palette-quantised: the README should stay light.
MAX_BYTES = 300 * 1024


def parse_args():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--run-dir", default=os.environ.get("KORVANE_RUN_DIR") or
                    os.path.join(ROOT, "build", "run"))
    ap.add_argument("--out", default=os.path.join(ROOT, "docs"))
    ap.add_argument("names", nargs="*", metavar="NAME", help=", ".join(SHOTS) + " (all by default)")
    a = ap.parse_args()
    for name in a.names:
        if name not in SHOTS:
            ap.error(f"no shot named {name!r}")
    return a


args = parse_args()
if os.environ.get("KORVANE_IN_NETNS") != "1":
    os.execv("/usr/bin/env", ["env", "bash", os.path.join(ROOT, "tools", "netns-run.sh"),
                              sys.executable, *sys.argv])

# The harness reads the run directory when it is imported.
os.environ["KORVANE_RUN_DIR"] = os.path.abspath(args.run_dir)
os.environ.pop("KORVANE_E2E_ARTIFACTS", None)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import Game, Xvfb, config_with, window_shot  # noqa: E402
from test_local_game import click_square, identity, occupant, sq  # noqa: E402

# Eight moves of the Scandinavian: two captures on d5, the queen chased to a5 and back.
SCANDINAVIAN = ("e2e4 d7d5 e4d5 d8d5 b1c3 d5a5 d2d4 g8f6 g1f3 c8f5 f1c4 e7e6 c1d2 c7c6 "
                "c3d5 a5d8")
# The Two Knights with 4.d4 and 5.O-O: captures on d4, e4 and d5, White castles short.
TWO_KNIGHTS = ("e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d4 e5d4 e1g1 f6e4 f1e1 d7d5 c4d5 d8d5 "
               "b1c3 d5a5")
QUEENS_GAMBIT = "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1g5 f8e7"


def fen(p):
    return p.values["fen"]


def new_game(xvfb, at=(0, 0), **config):
    g = Game(xvfb, config=config_with(W="800", H="600", **config))
    if g.wait_window(own=True) is None:
        raise RuntimeError("no game window; stderr:\n" + g.stderr())
    g.xdo("windowmove", g.wid, str(at[0]), str(at[1]))
    g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/LocalButton"))
    return g


def select(g, square):
    p = g.wait_probe()
    name = occupant(p, square)
    if name is None:
        raise RuntimeError(f"nothing on square {square}")
    want = "%d %d %d" % identity(name)
    click_square(g, square)
    return g.wait_probe(lambda q: q.values.get("selected") == want, timeout=10)


def play(g, move, *watchers):
    before = fen(g.wait_probe())
    select(g, sq(move[:2]))
    click_square(g, sq(move[2:4]))
    p = g.wait_probe(lambda q: fen(q) != before and q.values.get("selected") == "none",
                     timeout=10)
    for w in watchers:
        w.wait_probe(lambda q: fen(q) == fen(p), timeout=10)
    return p


def play_line(line, white, black=None):
    """Plays the moves in turn; with `black`, White's on one window and Black's on the
    other."""
    for i, move in enumerate(line.split()):
        if black is None:
            play(white, move)
        elif i % 2 == 0:
            play(white, move, black)
        else:
            play(black, move, white)


def start_local(g):
    g.click_window("Menu/LocalButton")
    return g.wait_probe(lambda p: p.values.get("mode") == "0" and p.visible("LocalIngame"))


def chat(sender, receivers, text):
    sender.key("Return")
    opened = time.time()
    sender.wait_probe(lambda p: p.visible("ChatLine"))
    sender.next_frames(2)  # the edit box takes text input a frame after it takes the focus
    sender.type_text(text)
    sender.wait_probe(lambda p: p.windows["ChatLine/Line"]["text"] == text, timeout=10)
    time.sleep(max(0.0, opened + 0.6 - time.time()))  # Return repeats at most twice a second
    sender.key("Return")
    sender.wait_probe(lambda p: not p.visible("ChatLine"))
    for r in receivers:
        r.wait_probe(lambda p: any(p.windows[f"CH/{i}"]["text"].endswith(": " + text)
                                   for i in range(8)), timeout=15)


def shoot(g, name, out_dir):
    """The game's window as docs/screenshot-NAME.png, with the pointer parked off it."""
    g.xdo("mousemove", "1690", "1250")
    g.next_frames(5)
    raw = window_shot(g, "shot-" + name)
    out = os.path.join(out_dir, f"screenshot-{name}.png")
    subprocess.run(["convert", raw, "-strip", out], check=True, timeout=60)
    if os.path.getsize(out) > MAX_BYTES:
        subprocess.run(["convert", raw, "-strip", "+dither", "-colors", "256", out], check=True,
                       timeout=60)
    size = subprocess.run(["identify", "-format", "%wx%h", out], capture_output=True,
                          text=True, check=True).stdout
    print(f"{out}: {size}, {os.path.getsize(out)} bytes")


def shot_local(xvfb, out, name, line=None, square=None, **config):
    """A game on one board: after `line`, with the piece on `square` picked up."""
    g = new_game(xvfb, **config)
    try:
        start_local(g)
        if line:
            play_line(line, g)
            select(g, sq(square))
        shoot(g, name, out)
    finally:
        g.stop()


def shot_start(xvfb, out):
    shot_local(xvfb, out, "start")


def shot_middle(xvfb, out):
    shot_local(xvfb, out, "middle", SCANDINAVIAN, "d5")


def shot_cartoon(xvfb, out):
    shot_local(xvfb, out, "cartoon", TWO_KNIGHTS, "c3", Cartoon="true")


def shot_network(xvfb, out):
    host = new_game(xvfb, (0, 0), PlayerName="Anna")
    guest = new_game(xvfb, (850, 0), PlayerName="Karel")
    try:
        host.click_window("Menu/NetworkButton")
        host.click_window("NetworkMenu/CreateButton")
        host.wait_probe(lambda p: p.values.get("role") == "host" and p.visible("NetworkIngame"))
        guest.click_window("Menu/NetworkButton")
        guest.click_window("NetworkMenu/JoinButton")
        p = guest.wait_probe(lambda p: any(a == "127.0.0.1" for a, _, _ in p.lan), timeout=15)
        _, x, y = p.lan[0]
        guest.click(x, y)
        guest.next_frames(3)
        guest.click_window("JoinGame/ConnectButton")
        host.wait_probe(lambda p: p.values.get("peer") == "Karel", timeout=15)
        guest.wait_probe(lambda p: p.values.get("role") == "guest" and
                         p.visible("NetworkIngame"), timeout=15)
        chat(host, [guest], "Hi Karel, good luck!")
        chat(guest, [host], "Thanks Anna, you too")
        play_line(QUEENS_GAMBIT, host, guest)
        chat(guest, [host], "The Queen's Gambit again?")
        shoot(host, "network", out)
    finally:
        guest.stop()
        host.stop()


def main():
    if not os.path.exists(os.path.join(os.environ["KORVANE_RUN_DIR"], "korvane")):
        sys.exit(f"no korvane in {os.environ['KORVANE_RUN_DIR']}; build it first")
    os.makedirs(args.out, exist_ok=True)
    for name in args.names or SHOTS:
        xvfb = Xvfb(1700, 1260)
        try:
            globals()["shot_" + name](xvfb, os.path.abspath(args.out))
        finally:
            xvfb.stop()


if __name__ == "__main__":
    main()
