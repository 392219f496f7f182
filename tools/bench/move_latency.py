#!/usr/bin/env python3
"""Click-to-move latency and in-game frame rate of the real game under Xvfb. Prints
numbers; asserts nothing.

  /usr/bin/python3 tools/bench/move_latency.py [RUN_DIR] [--moves N]

For each resolution (800x600, 1024x768) and frame pacing (the game's own, and off with
KORVANE_UNCAPPED=1) a local game is started from the menu and knights are moved out and
back, two clicks per move. The second click of each move is timed:

  latency    from the button press sent through XTEST to the first state-probe write
             that shows the new position (the probe is written after every rendered
             frame, so this is click to the end of the frame that shows the move, plus
             the polling step of 0.5 ms)
  frames     how many probe frames passed from the click to that frame: 1 means the very
             next frame showed the move; 2 means the click came while a frame was being
             drawn, and the frame after that one showed it
  FPS        frames per second over 5 s in the middle-game position reached, with the
             selection arrow spinning over a selected piece
"""

import statistics
import time

from benchlib import CYCLE, CYCLE_PLIES, harness, occupant, option, probe_fps, sq  # noqa: E402

MOVES = option("--moves", 12)
if MOVES > CYCLE_PLIES:
    raise SystemExit(f"--moves {MOVES}: at most {CYCLE_PLIES}, or the game ends in a draw")

def raw_probe(g):
    """The probe's frame and FEN read straight from the file, without the full parse."""
    try:
        with open(g.state) as f:
            frame = fen = None
            for line in f:
                if line.startswith("frame "):
                    frame = int(line[6:])
                elif line.startswith("fen "):
                    fen = line[4:].strip()
                    break
            return frame, fen
    except (FileNotFoundError, ValueError):
        return None, None


def xdo_cost(g, runs=20):
    """What one xdotool call costs by itself, to read the latencies against."""
    times = []
    for _ in range(runs):
        t0 = time.monotonic()
        g.xdo("getmouselocation")
        times.append((time.monotonic() - t0) * 1000)
    return statistics.median(times)


def timed_move(g, move):
    frm, to = sq(move[:2]), sq(move[2:])
    p = g.wait_probe()
    name = occupant(p, frm)
    g.click(p.pieces[name]["px"], p.pieces[name]["py"])
    p = g.wait_probe(lambda q: q.values["selected"] != "none", timeout=10)
    g.xdo("mousemove", "--window", g.wid, str(int(p.squares[to][0])),
          str(int(p.squares[to][1])))
    time.sleep(0.1)
    fen_before = p.values["fen"]
    # The button goes straight through XTEST from this process: an xdotool process would
    # take longer to start than the game takes to answer.
    from Xlib import X, display
    from Xlib.ext import xtest
    d = display.Display(g.xvfb.display)
    frame_before, _ = raw_probe(g)
    t_start = time.monotonic()
    xtest.fake_input(d, X.ButtonPress, 1)
    xtest.fake_input(d, X.ButtonRelease, 1)
    d.sync()
    t_click = time.monotonic()
    d.close()
    frame, fen = raw_probe(g)
    end = t_click + 10
    while time.monotonic() < end:
        if fen is not None and fen != fen_before:
            now = time.monotonic()
            return (now - t_start) * 1000, (now - t_click) * 1000, frame - frame_before
        time.sleep(0.0005)
        frame, fen = raw_probe(g)
    raise SystemExit(f"move {move} did not show within 10 s")


def run(xvfb, w, h, uncapped):
    env = {"KORVANE_UNCAPPED": "1"} if uncapped else None
    g = harness.Game(xvfb, config=harness.config_with(W=str(w), H=str(h)), env=env)
    try:
        g.wait_window()
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/LocalButton"))
        g.click_window("Menu/LocalButton")
        g.wait_probe(lambda p: p.values.get("mode") == "0")
        cost = xdo_cost(g)
        lat, whole, frames = [], [], []
        for i in range(MOVES):
            ms, ms_whole, n = timed_move(g, CYCLE[i % len(CYCLE)])
            lat.append(ms)
            whole.append(ms_whole)
            frames.append(n)
        # The middle game for the frame rate: a few pawns out and a piece selected.
        for move in ("e2e4", "e7e5", "d2d4", "d7d6", "c1g5"):
            timed_move(g, move)
        p = g.wait_probe()
        g.click(p.pieces["QueeB_00"]["px"], p.pieces["QueeB_00"]["py"])
        g.wait_probe(lambda q: q.values["selected"] != "none")
        time.sleep(1)
        fps = probe_fps(g, 5)
        return cost, lat, whole, frames, fps
    finally:
        g.stop()


def main():
    xvfb = harness.Xvfb()
    try:
        for w, h in ((800, 600), (1024, 768)):
            for uncapped in (False, True):
                cost, lat, whole, frames, fps = run(xvfb, w, h, uncapped)
                pacing = "uncapped" if uncapped else "paced"
                lat.sort()
                med = statistics.median(lat)
                print(f"{w}x{h} {pacing}: click to moved piece median {med:.1f} ms"
                      f" (min {lat[0]:.1f}, max {lat[-1]:.1f}, {len(lat)} moves); frames from"
                      f" click to the move: median {statistics.median(frames):.0f}, max"
                      f" {max(frames)}; counted from the end of the X request median"
                      f" {statistics.median(whole):.1f} ms (one xdotool call alone"
                      f" {cost:.1f} ms); FPS in the middle game {fps:.1f}")
    finally:
        xvfb.stop()


if __name__ == "__main__":
    main()
