#!/usr/bin/env python3
"""LAN play timings of two real games on one X server, on loopback. Prints numbers; asserts
nothing. The LAN search broadcasts, so it runs only inside a private network namespace:

  tools/netns-run.sh /usr/bin/python3 tools/bench/lan_bench.py [RUN_DIR] [--runs N]

One game hosts; the other, beside it on the same Xvfb screen, measures (median of N runs,
5 by default):

  search   from the Join button's press (through XTEST) to the first state-probe write of
           the guest that lists the host
  join     from the Connect button's press to the guest's first probe write in a network
           game mode, and to its first one that also shows the host's whole position (the
           host plays a different first move before each join, so the guest's board from
           the previous run never matches by chance)
  move     from the press on the target square in the mover's window to the peer's first
           probe write showing the new position: milliseconds, and the peer's frames (1: the
           very next frame the peer drew showed the move)
"""

import os
import statistics
import time

from benchlib import CYCLE, CYCLE_PLIES, harness, occupant, option, sq  # noqa: E402

RUNS = option("--runs", 5)
if 2 * RUNS > CYCLE_PLIES:
    raise SystemExit(f"--runs {RUNS}: at most {CYCLE_PLIES // 2}, or the game ends in a draw")
FIRST_MOVES = ["e2e4", "d2d4", "c2c4", "g2g3", "b2b3", "f2f4", "a2a3", "h2h3"]



def raw_probe(g):
    """frame, mode, fen, the LAN entries and whether the join screen shows, read straight from
    the probe file."""
    frame = mode = fen = None
    lan = []
    joining = False
    try:
        with open(g.state) as f:
            for line in f:
                if line.startswith("frame "):
                    frame = int(line[6:])
                elif line.startswith("mode "):
                    mode = line[5:].strip()
                elif line.startswith("fen "):
                    fen = line[4:].strip()
                elif line.startswith("lan "):
                    lan.append(line.split()[1])
                elif line.startswith("window JoinGame "):
                    joining = line.split()[2] == "1"
    except (FileNotFoundError, ValueError):
        pass
    return frame, mode, fen, lan, joining


def press(g, x, y):
    """Moves the pointer to a window pixel, then presses and releases the button through
    XTEST from this process; returns the time of the press."""
    from Xlib import X, display
    from Xlib.ext import xtest
    g.xdo("mousemove", "--window", g.wid, str(int(x)), str(int(y)))
    time.sleep(0.1)
    d = display.Display(g.xvfb.display)
    try:
        t = time.monotonic()
        xtest.fake_input(d, X.ButtonPress, 1)
        xtest.fake_input(d, X.ButtonRelease, 1)
        d.sync()
        return t
    finally:
        d.close()


def wait_raw(g, predicate, what, timeout=15):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        r = raw_probe(g)
        if r[0] is not None and predicate(r):
            return time.monotonic(), r
        time.sleep(0.0005)
    raise SystemExit("%s: not within %.0f s; last probe: %s" % (what, timeout, raw_probe(g)))


LOST = []  # presses the game did not act on


def press_until(g, xy, predicate, what):
    """Presses at a window pixel until the probe shows the press took effect; a press that
    shows nothing within 3 s is counted as lost and pressed again. The time is the press
    that worked."""
    for _ in range(3):
        t0 = press(g, *xy)
        try:
            t1, r = wait_raw(g, predicate, what, timeout=3)
            return t0, t1, r
        except SystemExit:
            LOST.append(what)
    raise SystemExit(f"{what}: three presses lost")


def player(xvfb, name, at):
    g = harness.Game(xvfb, config=harness.config_with(W="800", H="600", PlayerName=name),
                     env={"KORVANE_NET_TIMEOUT_MS": "1500"})
    g.wait_window(own=True)
    g.xdo("windowmove", g.wid, str(at[0]), str(at[1]))
    time.sleep(0.3)
    g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/NetworkButton"))
    return g


def play_untimed(mover, move):
    p = mover.wait_probe()
    name = occupant(p, sq(move[:2]))
    mover.click(p.pieces[name]["px"], p.pieces[name]["py"])
    p = mover.wait_probe(lambda q: q.values["selected"] != "none", timeout=10)
    to = sq(move[2:])
    target = occupant(p, to)
    mover.click(*((p.pieces[target]["px"], p.pieces[target]["py"]) if target else p.squares[to]))
    mover.wait_probe(lambda q: q.values["fen"] != p.values["fen"], timeout=10)


def timed_move(mover, peer, move):
    p = mover.wait_probe()
    name = occupant(p, sq(move[:2]))
    mover.click(p.pieces[name]["px"], p.pieces[name]["py"])
    p = mover.wait_probe(lambda q: q.values["selected"] != "none", timeout=10)
    peer.wait_probe(lambda q: q.values["selected"] != "none", timeout=10)
    frame0, _, fen0, _, _ = raw_probe(peer)
    t0 = press(mover, *p.squares[sq(move[2:])])
    t1, (frame1, *_) = wait_raw(peer, lambda r: r[2] != fen0, "the move on the peer")
    return (t1 - t0) * 1000, frame1 - frame0


def main():
    xvfb = harness.Xvfb(1700, 700)
    games = []
    try:
        host = player(xvfb, "Host", (0, 0))
        games.append(host)
        guest = player(xvfb, "Guest", (850, 0))
        games.append(guest)
        host.click_window("Menu/NetworkButton")
        host.click_window("NetworkMenu/CreateButton")
        host.wait_probe(lambda p: p.values.get("role") == "host")
        guest.click_window("Menu/NetworkButton")
        guest.wait_probe(lambda p: p.visible("NetworkMenu"))

        search, frames_search = [], []
        for _ in range(RUNS):
            p = guest.wait_probe(lambda q: q.visible("NetworkMenu/JoinButton"))
            frame0 = raw_probe(guest)[0]
            # The list keeps the last search's entries while the network menu shows: only the
            # join screen's own list counts.
            t0, t1, r = press_until(guest, p.centre("NetworkMenu/JoinButton"),
                                    lambda r: r[4] and "127.0.0.1" in r[3], "the host listed")
            search.append((t1 - t0) * 1000)
            frames_search.append(r[0] - frame0)
            guest.click_window("JoinGame/BackButton")

        join_mode, join_full = [], []
        for run in range(RUNS):
            # A first move the guest's board has not shown yet.
            if run:
                host.click_window("NetworkIngame/NewButton")
                host.wait_probe(lambda q: q.values["fen"].startswith(
                    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w"))
            play_untimed(host, FIRST_MOVES[run % len(FIRST_MOVES)])
            host_fen = host.wait_probe().values["fen"]
            guest.click_window("NetworkMenu/JoinButton")
            # The list keeps the last search's entry until the join screen's search empties it.
            p = guest.wait_probe(lambda q: q.visible("JoinGame") and q.lan, timeout=10)
            _, x, y = p.lan[0]
            guest.click(x, y)
            guest.next_frames(3)
            p = guest.wait_probe(lambda q: q.visible("JoinGame/ConnectButton"))
            t0, t1, _ = press_until(guest, p.centre("JoinGame/ConnectButton"),
                                    lambda r: r[1] in ("1", "2"), "joined")
            t2, _ = wait_raw(guest, lambda r: r[1] in ("1", "2") and r[2] == host_fen,
                            "the host's position")
            join_mode.append((t1 - t0) * 1000)
            join_full.append((t2 - t0) * 1000)
            if run < RUNS - 1:
                guest.click_window("NetworkIngame/LeaveButton")
                host.wait_probe(lambda q: q.values.get("peer") == "", timeout=10)
                guest.click_window("Menu/NetworkButton")
                guest.wait_probe(lambda q: q.visible("NetworkMenu"))

        # Moves both ways from a new game.
        host.click_window("NetworkIngame/NewButton")
        guest.wait_probe(lambda q: q.values["fen"].startswith(
            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w"), timeout=10)
        to_guest, to_host, frames_guest, frames_host = [], [], [], []
        for i in range(2 * RUNS):
            white = i % 2 == 0
            mover, peer = (host, guest) if white else (guest, host)
            ms, frames = timed_move(mover, peer, CYCLE[i % len(CYCLE)])
            (to_guest if white else to_host).append(ms)
            (frames_guest if white else frames_host).append(frames)

        med = statistics.median
        print(f"LAN search, Join press to the host listed: median {med(search):.0f} ms "
              f"(min {min(search):.0f}, max {max(search):.0f}; median {med(frames_search):.0f}"
              f" guest frames), {RUNS} runs")
        print(f"join, Connect press to a network game mode: median {med(join_mode):.0f} ms "
              f"(min {min(join_mode):.0f}, max {max(join_mode):.0f}); to the host's whole "
              f"position: median {med(join_full):.0f} ms (min {min(join_full):.0f}, max "
              f"{max(join_full):.0f}), {RUNS} runs")
        print(f"move host->guest: median {med(to_guest):.1f} ms, {med(frames_guest):.0f} guest "
              f"frame(s) (max {max(frames_guest)}); guest->host: median {med(to_host):.1f} ms, "
              f"{med(frames_host):.0f} host frame(s) (max {max(frames_host)}); {RUNS} moves "
              f"each way")
        if LOST:
            print(f"presses the game did not act on (pressed again): {len(LOST)}: " +
                  ", ".join(LOST))
    finally:
        for g in games:
            g.stop()
        xvfb.stop()


if __name__ == "__main__":
    if os.environ.get("KORVANE_IN_NETNS") != "1":
        raise SystemExit("run through tools/netns-run.sh: the LAN search broadcasts")
    main()
