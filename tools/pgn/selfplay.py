#!/usr/bin/env python3
"""Stockfish plays itself at random low skill levels and short move times; each game is turned
into PGN by korvane-pgn --from-uci and checked by korvane-pgn against the final position
Stockfish reports (its "d" command's "Fen:" line, kept in the game's StockfishFEN tag).

    selfplay.py --korvane-pgn BUILD/tools/pgn/korvane-pgn --games 20 --out tests/rules/pgn
    selfplay.py --korvane-pgn BUILD/tools/pgn/korvane-pgn --games 500      # benchmark only

Without --out the games go to a scratch folder that is removed afterwards. Exits 1 when a game
is refused or ends in another position than Stockfish's."""
import argparse
import datetime
import os
import random
import subprocess
import sys
import tempfile
import time

ENGINE = "/usr/games/stockfish"


class Engine:
    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True, bufsize=1)
        self.send("uci")
        self.name = "Stockfish"
        for line in self.until("uciok"):
            if line.startswith("id name "):
                self.name = line[len("id name "):]

    def send(self, line):
        self.proc.stdin.write(line + "\n")

    def until(self, prefix):
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("the engine stopped")
            line = line.rstrip("\n")
            lines.append(line)
            if line.startswith(prefix):
                return lines

    def ready(self):
        self.send("isready")
        self.until("readyok")

    def board(self, moves):
        """The FEN and whether the side to move is in check, after the moves."""
        self.send("position startpos moves " + " ".join(moves) if moves else "position startpos")
        self.send("d")
        fen, checkers = None, ""
        for line in self.until("Checkers:"):
            if line.startswith("Fen: "):
                fen = line[len("Fen: "):].strip()
            if line.startswith("Checkers:"):
                checkers = line[len("Checkers:"):].strip()
        return fen, bool(checkers)

    def best(self, moves, skill, movetime):
        self.send(f"setoption name Skill Level value {skill}")
        self.send("position startpos moves " + " ".join(moves) if moves else "position startpos")
        self.send(f"go movetime {movetime}")
        return self.until("bestmove")[-1].split()[1]

    def close(self):
        self.send("quit")
        self.proc.wait(timeout=10)


def play(engine, rng, max_plies):
    skills = [rng.randint(0, 5), rng.randint(0, 5)]
    times = [rng.choice((5, 10, 20, 40)), rng.choice((5, 10, 20, 40))]
    engine.send("ucinewgame")
    engine.ready()
    moves = []
    result = "*"
    while len(moves) < max_plies:
        side = len(moves) % 2
        move = engine.best(moves, skills[side], times[side])
        if move == "(none)":
            _, check = engine.board(moves)
            result = ("0-1" if side == 0 else "1-0") if check else "1/2-1/2"
            break
        moves.append(move)
    fen, _ = engine.board(moves)
    return skills, times, moves, result, fen


def uci_game(number, engine_name, skills, times, moves, result, fen):
    tags = [("Event", "Stockfish self-play"), ("Site", "Korvane corpus"),
            ("Date", datetime.date.today().strftime("%Y.%m.%d")), ("Round", str(number)),
            ("White", f"{engine_name}, skill {skills[0]}, {times[0]} ms"),
            ("Black", f"{engine_name}, skill {skills[1]}, {times[1]} ms"),
            ("Result", result), ("StockfishFEN", fen)]
    head = "".join(f'[{name} "{value}"]\n' for name, value in tags)
    body, line = [], ""
    for word in moves + [result]:
        if line and len(line) + 1 + len(word) > 80:
            body.append(line)
            line = ""
        line = f"{line} {word}" if line else word
    body.append(line)
    return head + "\n" + "\n".join(body) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--korvane-pgn", required=True)
    parser.add_argument("--games", type=int, default=20)
    parser.add_argument("--out")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--max-plies", type=int, default=300)
    parser.add_argument("--engine", default=ENGINE)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    engine = Engine(args.engine)
    scratch = tempfile.TemporaryDirectory()
    out = args.out or scratch.name
    os.makedirs(out, exist_ok=True)
    failures, plies, check_seconds = 0, 0, 0.0
    start = time.monotonic()
    for number in range(1, args.games + 1):
        skills, times, moves, result, fen = play(engine, rng, args.max_plies)
        plies += len(moves)
        uci_path = os.path.join(scratch.name, f"game-{number}.uci")
        with open(uci_path, "w") as f:
            f.write(uci_game(number, engine.name, skills, times, moves, result, fen))
        converted = subprocess.run([args.korvane_pgn, "--from-uci", uci_path], text=True,
                                   capture_output=True)
        if converted.returncode != 0:
            print(f"game {number}: {converted.stderr.strip()}", file=sys.stderr)
            failures += 1
            continue
        pgn_path = os.path.join(out, f"selfplay-{number:03d}.pgn")
        with open(pgn_path, "w") as f:
            f.write(converted.stdout)
        began = time.monotonic()
        checked = subprocess.run([args.korvane_pgn, pgn_path], text=True, capture_output=True)
        check_seconds += time.monotonic() - began
        ours = checked.stdout.strip()
        if checked.returncode != 0 or not same_position(ours, fen):
            print(f"game {number}: korvane-pgn gives {ours or checked.stderr.strip()!r}, "
                  f"Stockfish {fen!r}", file=sys.stderr)
            failures += 1
    engine.close()
    seconds = time.monotonic() - start
    print(f"{args.games} games, {plies} plies, {failures} failed; {seconds:.1f} s in all, "
          f"{check_seconds:.2f} s in korvane-pgn checks "
          f"({1000 * check_seconds / max(1, args.games):.1f} ms a game)")
    return 1 if failures else 0


def same_position(ours, theirs):
    """Stockfish names an en-passant square only when a pawn can take there; the rules name it
    after every double step."""
    a, b = ours.split(), theirs.split()
    if len(a) != 6 or len(b) != 6:
        return False
    return a[:3] + a[4:] == b[:3] + b[4:] and (a[3] == b[3] or b[3] == "-")


if __name__ == "__main__":
    sys.exit(main())
