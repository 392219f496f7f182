#!/usr/bin/env python3
"""Writes the seed inputs of the FEN fuzz target: a FEN line, then action bytes (below 16 a
take-back, otherwise a move number; a promoting move takes a piece byte). The positions are
the usual perft positions and small ones rich in promotions, en passant, castling and check;
a few texts that must be refused keep the refusal paths in the corpus."""
import os
import random
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "fen")
os.makedirs(out, exist_ok=True)

PLAYED = {
    "start": "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "kiwipete": "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "endgame": "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "promotions": "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "mirrored": "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
    "position5": "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "position6": "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "passant-white": "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
    "passant-black": "4k3/8/8/8/4Pp2/8/8/4K3 b - e3 0 1",
    "passant-pinned": "8/8/8/KPp4r/8/8/8/7k w - c6 0 1",
    "race": "4k3/1P4P1/8/8/8/8/1p4p1/4K3 w - - 0 1",
    "corner-promotion": "r3k2r/1P6/8/8/8/8/6p1/R3K2R w KQkq - 0 1",
    "castling-checked": "r3k2r/8/8/8/4r3/8/8/R3K2R w KQkq - 0 1",
    "castling-through": "r3k2r/8/8/8/8/8/5p2/R3K2R w KQkq - 0 1",
    "in-check": "4k3/8/8/8/8/8/8/4R1K1 b - - 0 1",
    "extra-queens": "QQQ1k3/8/8/8/8/8/1PPPPPPP/4K3 b - - 0 1",
}
REFUSED = {
    "refused-two-kings": "4k3/8/8/8/8/8/8/K3K3 w - - 0 1",
    "refused-pawn-rank": "4k3/8/8/8/8/8/8/3pK3 w - - 0 1",
    "refused-castling": "4k3/8/8/8/8/8/8/R5K1 w KQkq - 0 1",
    "refused-passant-rank": "4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1",
    "refused-passant-occupied": "4k3/4n3/8/4p3/8/8/8/4K3 w - e6 0 1",
    "refused-passant-pawn": "4k3/8/8/4P3/8/8/8/4K3 w - e6 0 1",
    "refused-malformed": "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w",
}
# Refusals of a side not to move in check are left to the fuzzer to find by mutation.

rng = random.Random(1)
for name, fen in PLAYED.items():
    for variant in range(3):
        actions = []
        for _ in range(6 + 6 * variant):
            actions.append(rng.randrange(16) if rng.random() < 0.15 else rng.randrange(16, 256))
        with open(os.path.join(out, f"{name}-{variant}"), "wb") as f:
            f.write(fen.encode() + b"\n" + bytes(actions))
for name, fen in REFUSED.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(fen.encode() + b"\n")
