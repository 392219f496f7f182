#!/usr/bin/env python3
"""Writes the seed inputs of the session fuzz target: byte 0 the role (0 guest, 1 host), then
items as [length][bytes]; [0][pick] is the local player's move. The seeds are whole joins and games, so the fuzzer starts from
packets that reach deep into the session instead of being dropped at the first check."""
import os
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "session")
os.makedirs(out, exist_ok=True)


def item(*b):
    return bytes([len(b)]) + bytes(b)


def start_position():
    items = []
    starts = {1: (0, 7), 2: (1, 6), 3: (2, 5), 4: (3, None)}
    for colour in (0, 1):
        back, pawns = (0, 1) if colour == 0 else (7, 6)
        for i in range(8):
            items.append(item(87, colour + 1, 1, i + 1, 2, i + 1, pawns + 1, 0))
        for index in range(10):
            for kind in (1, 2, 3, 4):
                files = starts[kind]
                f = files[index] if index < 2 else None
                alive = f is not None
                items.append(item(87, colour + 1, kind + 1, index + 1, 2 if alive else 1,
                                  (f if alive else 0) + 1, back + 1, 0))
        items.append(item(87, colour + 1, 6, 1, 2, 5, back + 1, 0))
    return items


def host_block(colour, side, name=b"Host"):
    return item(28, 90, 110, colour + 1, side + 1, *name, 0)


def write(name, role, items):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes([role]) + b"".join(items))


join = [item(16), host_block(0, 0)] + start_position() + [item(98, 16, 1, 1, 1, 0)]
write("guest-join", 0, join)
write("guest-join-play", 0, join + [item(85, 1, 5, 2, 0), item(82, *b"ahoj", 0),
                                    item(92, 0), item(95, 0), item(97, 0),
                                    item(84, 2, 0), item(83, 0), item(88, 0), item(20)])
write("guest-old-host", 0, [item(16), host_block(0, 0)] + start_position()
      + [item(89, 1, 5, 0), item(85, 1, 5, 2, 0), item(21)])
write("guest-refused", 0, [item(16), item(28, 80), item(19), item(17)])
write("host-guest", 1, [item(18), item(28, 91, 110, *b"Guest", 0), item(82, *b"hi", 0),
                        item(92, 0), item(93, 0), item(85, 1, 5, 2, 0), item(20), item(21)])

# The guest answers the host's moves with its own.
write("guest-join-moves", 0, join + [item(85, 1, 5, 2, 0), bytes([0, 7]), item(85, 1, 4, 2, 0),
                                     bytes([0, 40]), item(85, 2, 2, 1, 0), bytes([0, 3])])
write("host-moves", 1, [item(18), item(28, 91, 110, *b"Guest", 0), bytes([0, 12]),
                        item(85, 1, 5, 2, 0), bytes([0, 30])])
# Hostile hosts: a queen on the black king, a pawn on the last rank.
hostile = [item(16), host_block(0, 0)] + start_position()
write("guest-hostile-stack", 0, hostile + [item(87, 1, 5, 1, 2, 5, 8, 0), item(98, 16, 1, 1, 1, 0)])
write("guest-hostile-pawn", 0, hostile + [item(87, 1, 1, 4, 2, 4, 8, 0), item(82, *b"x", 0)])
