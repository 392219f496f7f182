"""A local game played with the mouse through the real window: from the main menu through
selections, moves, castling, en passant, promotion and the end of the game."""

import math
import time
import unittest

from harness import GameTest, config_with, window_pixels

KINDS = {"Pawn": 0, "Rook": 1, "Knig": 2, "Bish": 3, "Quee": 4, "King": 5}
START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def sq(name):
    """Square index of an algebraic name: "a1" is 0, "h8" is 63."""
    return "abcdefgh".index(name[0]) + 8 * (int(name[1]) - 1)


def identity(entity):
    """(colour, kind, index) of a piece entity name such as "KnigB_01"."""
    black = entity[4] == "B"
    return (1 if black else 0, KINDS[entity[:4]], int(entity.split("_")[1]))


def occupant(p, square):
    for name, piece in p.pieces.items():
        if piece["alive"] and piece["square"] == square:
            return name
    return None


def click_square(g, square):
    """Clicks what stands on the square: the piece's centre, else the tile's centre."""
    p = g.wait_probe()
    name = occupant(p, square)
    if name:
        g.click(p.pieces[name]["px"], p.pieces[name]["py"])
    else:
        g.click(*p.squares[square])


def greenish(rgb):
    r, g, b = rgb
    return g > r + 40 and g > b + 40


def bluish(rgb):
    r, g, b = rgb
    return b > r + 40


def yellowish(rgb):
    r, g, b = rgb
    return r > 180 and g > 180 and b < g - 70


def camera(p):
    yaw, elevation, distance, flipped = p.values["camera"].split()
    return float(yaw), float(elevation), float(distance), flipped == "1"


def status(p):
    """The texts the status bar shows; exactly one while a game is on."""
    return [p.windows[n]["text"] for n in
            ("StatusBar/WhiteOnMove", "StatusBar/BlackOnMove", "StatusBar/Result")
            if p.visible(n)]


def turned_by(a, b):
    """The angle from b to a, in (-pi, pi]."""
    d = (a - b) % (2 * math.pi)
    return d - 2 * math.pi if d > math.pi + 1e-6 else d


def tile_point(p, square):
    """A window pixel on the tile beside its centre, clear of the selection arrow above
    the centre."""
    other = square - 1 if square % 8 else square + 1
    (x, y), (ox, oy) = p.squares[square], p.squares[other]
    return x + 0.35 * (ox - x), y + 0.35 * (oy - y)


def piece_column(p, name):
    """Window pixels up the middle of a piece, from its centre to its upper part: some of
    them catch the lit side whatever the shading."""
    piece = p.pieces[name]
    return [(piece["px"], piece["py"] - k) for k in range(0, 28, 4)]


class CameraModel:
    """The game camera rebuilt from the probe: the orbit values give its position, the
    board centre its aim, and the focal length is fitted to the 64 square pixels."""

    def __init__(self, p):
        yaw, el, dist, _ = camera(p)
        h, r = dist * math.sin(el), dist * math.cos(el)
        self.pos = (4 + r * math.sin(yaw), h, 4 - r * math.cos(yaw))
        self.fwd = norm(sub((4, 0, 4), self.pos))
        self.right = norm(cross(self.fwd, (0, 1, 0)))
        self.up = cross(self.right, self.fwd)
        self.cx = p.windows["Root"]["w"] / 2
        self.cy = p.windows["Root"]["h"] / 2
        num = den = 0.0
        for i, (px, py) in p.squares.items():
            u, v = self.plane((i // 8 + 0.5, 0, i % 8 + 0.5))
            num += (px - self.cx) * u + (py - self.cy) * v
            den += u * u + v * v
        self.f = num / den
        self.error = max(math.dist(self.pixel((i // 8 + 0.5, 0, i % 8 + 0.5)), xy)
                         for i, xy in p.squares.items())

    def plane(self, world):
        d = sub(world, self.pos)
        depth = dot(d, self.fwd)
        return dot(d, self.right) / depth, -dot(d, self.up) / depth

    def pixel(self, world):
        u, v = self.plane(world)
        return self.cx + self.f * u, self.cy + self.f * v

    def ray(self, x, y):
        u, v = (x - self.cx) / self.f, (y - self.cy) / self.f
        return tuple(a + u * b - v * c for a, b, c in zip(self.fwd, self.right, self.up))

    def ground(self, x, y):
        """Board coordinates (file, rank) where the ray through the pixel meets the board."""
        d = self.ray(x, y)
        t = -self.pos[1] / d[1]
        wx, wz = self.pos[0] + t * d[0], self.pos[2] + t * d[2]
        return wz, wx

    def depth_in_box(self, x, y, lo, hi):
        """How deep the ray through the pixel runs inside the box (0 when it misses)."""
        d = self.ray(x, y)
        t0, t1 = 0.0, 1e9
        for a in range(3):
            if abs(d[a]) < 1e-12:
                if not lo[a] <= self.pos[a] <= hi[a]:
                    return 0.0
                continue
            ta, tb = sorted(((lo[a] - self.pos[a]) / d[a], (hi[a] - self.pos[a]) / d[a]))
            t0, t1 = max(t0, ta), min(t1, tb)
        return max(0.0, t1 - t0)


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def norm(a):
    n = math.sqrt(dot(a, a))
    return tuple(x / n for x in a)


def piece_box(square, radius, height):
    """World box around a piece on the square: (lo, hi)."""
    x, z = square // 8 + 0.5, square % 8 + 0.5
    return (x - radius, 0.0, z - radius), (x + radius, height, z + radius)


class LocalGameTest(GameTest):
    # --- driving the game as a player does -------------------------------------------

    def begin(self, **config):
        g = self.start_window(config=config_with(**config))
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/LocalButton"))
        self.start_local(g)
        return g

    def start_local(self, g):
        g.click_window("Menu/LocalButton")
        return g.wait_probe(lambda p: p.values.get("mode") == "0" and p.visible("LocalIngame"))

    def click_square(self, g, square):
        click_square(g, square)

    def hold_key(self, g, key, seconds):
        g.key_down(key)
        time.sleep(seconds)
        g.key_up(key)
        return g.next_frames(3)

    def select(self, g, square):
        p = g.wait_probe()
        name = occupant(p, square)
        self.assertIsNotNone(name, f"nothing stands on square {square}")
        want = "%d %d %d" % identity(name)
        # A second click on the selected piece would put it down again.
        if p.values.get("selected") != want:
            self.click_square(g, square)
        return g.wait_probe(lambda q: q.values.get("selected") == want, timeout=10)

    def play(self, g, move):
        """Plays a move given as "e2e4" by two clicks and waits until the board shows it."""
        frm, to = sq(move[:2]), sq(move[2:4])
        before = g.wait_probe().values["fen"]
        self.select(g, frm)
        self.click_square(g, to)
        return g.wait_probe(lambda q: q.values["fen"] != before and
                            q.values.get("selected") == "none", timeout=10)

    def play_line(self, g, line):
        p = None
        for move in line.split():
            p = self.play(g, move)
        return p

    def assert_status(self, p, side):
        self.assertTrue(p.visible("StatusBar"))
        self.assertEqual(p.visible("StatusBar/WhiteOnMove"), side == 0)
        self.assertEqual(p.visible("StatusBar/BlackOnMove"), side == 1)

    def assert_board_ignores(self, g, square):
        """A click on a piece of the side to move selects nothing."""
        p = g.wait_probe()
        self.click_square(g, square)
        q = g.next_frames(6)
        self.assertEqual(q.values["selected"], "none")
        self.assertEqual(q.values["fen"], p.values["fen"])

    # --- the tests --------------------------------------------------------------------

    def test_scholars_mate_ends_with_white_winning(self):
        g = self.begin()
        p = g.wait_probe()
        self.assertEqual(p.values["fen"], START_FEN)
        self.assertEqual(p.values["side"], "0")
        self.assertFalse(p.visible("Menu"))
        self.assertFalse(p.visible("Logo"))
        self.assert_status(p, 0)

        # A black piece cannot be selected while White is to move.
        self.click_square(g, sq("e7"))
        self.assertEqual(g.next_frames(6).values["selected"], "none")

        p = self.play(g, "e2e4")
        self.assertEqual(p.values["side"], "1")
        self.assertEqual(p.pieces["Pawn_04"]["square"], sq("e4"))
        self.assert_status(p, 1)
        p = self.play(g, "e7e5")
        self.assert_status(p, 0)
        p = self.play_line(g, "f1c4 b8c6 d1h5 g8f6")
        self.assertFalse(p.visible("GameEnd"))
        # Selecting another own piece replaces the selection.
        self.select(g, sq("c4"))
        p = self.select(g, sq("h5"))
        self.click_square(g, sq("f7"))
        p = g.wait_probe(lambda q: q.visible("GameEnd"), timeout=10)

        self.assertEqual(p.values["fen"].split()[0],
                         "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR")
        self.assertFalse(p.pieces["PawnB_05"]["alive"])
        self.assertTrue(p.visible("GameEnd/Checkmate"))
        self.assertTrue(p.visible("GameEnd/WhiteWon"))
        self.assertFalse(p.visible("GameEnd/BlackWon"))
        self.assertFalse(p.visible("GameEnd/Stalemate"))
        self.assertFalse(p.visible("LocalIngame"))
        self.assertEqual(p.values["side"], "1")
        # Black is still "to move" in the rules, but the game is over and the bar says so.
        self.assertEqual(status(p), ["Checkmate: White wins"])
        g.screenshot("local-checkmate")

        # Black has no move: its pieces cannot be selected.
        self.assert_board_ignores(g, sq("e8"))

        final = p.values["fen"]
        g.click_window("GameEnd/OKButton")
        p = g.wait_probe(lambda q: not q.visible("GameEnd") and q.visible("LocalIngame"))
        self.assertEqual(p.values["fen"], final)
        self.assertEqual(p.values["mode"], "0")
        self.assertEqual(status(p), ["Checkmate: White wins"])

        g.click_window("LocalIngame/QuitButton")
        p = g.wait_probe(lambda q: q.visible("Menu") and q.visible("Logo"))
        self.assertEqual(p.values["mode"], "-1")
        self.assertFalse(p.visible("LocalIngame"))
        self.assertEqual(p.values["fen"], final)
        # The status bar stays over the main menu once a game has been played.
        self.assertTrue(p.visible("StatusBar"))

    def test_loyds_ten_move_stalemate(self):
        g = self.begin()
        p = self.play_line(g, "e2e3 a7a5 d1h5 a8a6 h5a5 h7h5 h2h4 a6h6 a5c7 f7f6 c7d7 e8f7 "
                           "d7b7 d8d3 b7b8 d3h7 b8c8 f7g6")
        self.assertFalse(p.visible("GameEnd"))
        self.play(g, "c8e6")
        p = g.wait_probe(lambda q: q.visible("GameEnd"), timeout=10)
        self.assertEqual(p.values["fen"].split()[0], "5bnr/4p1pq/4Qpkr/7p/7P/4P3/PPPP1PP1/RNB1KBNR")
        self.assertTrue(p.visible("GameEnd/Stalemate"))
        self.assertFalse(p.visible("GameEnd/Checkmate"))
        self.assertFalse(p.visible("GameEnd/WhiteWon"))
        self.assertFalse(p.visible("GameEnd/BlackWon"))
        self.assertFalse(p.visible("LocalIngame"))
        self.assertEqual(status(p), ["Stalemate: a draw"])
        g.screenshot("local-stalemate")
        # Restarted, the bar tells whose move it is again.
        g.click_window("GameEnd/OKButton")
        g.click_window("LocalIngame/RestartButton")
        self.assertEqual(status(g.wait_probe(lambda q: q.values["fen"] == START_FEN)),
                         ["White to move"])


    def test_castling_moves_king_and_rook_and_en_passant_removes_the_passed_pawn(self):
        g = self.begin()
        p = self.play_line(g, "e2e4 a7a6 e4e5 d7d5")
        self.assertEqual(p.values["fen"].split()[3], "d6")
        p = self.play(g, "e5d6")
        self.assertFalse(p.pieces["PawnB_03"]["alive"])
        self.assertEqual(p.pieces["Pawn_04"]["square"], sq("d6"))
        self.assertIsNone(occupant(p, sq("d5")))
        self.assertEqual(p.values["fen"].split()[0],
                         "rnbqkbnr/1pp1pppp/p2P4/8/8/8/PPPP1PPP/RNBQKBNR")

        self.play_line(g, "h7h6 g1f3 h6h5 f1c4 h5h4")
        self.select(g, sq("e1"))
        shot = g.screenshot("local-castling-targets")
        p = g.wait_probe()
        # Both king moves, the step and the castling, are painted as targets.
        f1, g1 = window_pixels(g, shot, [p.squares[sq("f1")], p.squares[sq("g1")]])
        self.assertTrue(greenish(f1) and greenish(g1), (f1, g1))
        self.click_square(g, sq("g1"))
        p = g.wait_probe(lambda q: q.values["side"] == "1")
        self.assertEqual(p.pieces["King_00"]["square"], sq("g1"))
        self.assertEqual(p.pieces["Rook_01"]["square"], sq("f1"))
        self.assertEqual(p.values["fen"].split()[0],
                         "rnbqkbnr/1pp1ppp1/p2P4/8/2B4p/5N2/PPPP1PPP/RNBQ1RK1")
        self.assertEqual(p.values["fen"].split()[2], "kq")
        g.screenshot("local-castled")

    def test_promotion_to_a_knight_blocks_the_board_until_chosen(self):
        g = self.begin()
        self.play_line(g, "h2h4 g7g5 h4g5 h7h6 g5h6 a7a6 h6h7 a6a5")
        self.select(g, sq("h7"))
        self.click_square(g, sq("g8"))
        p = g.wait_probe(lambda q: q.visible("IngamePawnTransform"), timeout=10)
        self.assertEqual(p.values["promotion"], "1")
        self.assertFalse(p.visible("LocalIngame"))
        # The turn has already passed to Black, but White is still choosing.
        self.assertEqual(p.values["side"], "1")
        self.assertEqual(status(p), ["White chooses a piece"])
        self.assertFalse(p.pieces["KnigB_01"]["alive"])
        g.screenshot("local-promotion-choice")

        # Neither a black piece nor an empty square reacts while the choice is open.
        self.assert_board_ignores(g, sq("a5"))
        self.assert_board_ignores(g, sq("e7"))
        self.click_square(g, sq("a4"))
        self.assertTrue(g.next_frames(6).visible("IngamePawnTransform"))

        g.click_window("IngamePawnTransform/Knight")
        p = g.wait_probe(lambda q: not q.visible("IngamePawnTransform"), timeout=10)
        self.assertEqual(p.values["promotion"], "0")
        self.assertTrue(p.visible("LocalIngame"))
        self.assert_status(p, 1)
        # Pawn h7 (index 7) becomes knight index 9 on g8.
        self.assertTrue(p.pieces["Knig_09"]["alive"])
        self.assertEqual(p.pieces["Knig_09"]["square"], sq("g8"))
        self.assertFalse(p.pieces["Pawn_07"]["alive"])
        self.assertEqual(p.values["fen"].split()[0],
                         "rnbqkbNr/1ppppp2/8/p7/8/8/PPPPPPP1/RNBQKBNR")
        self.assertEqual(occupant(p, sq("g8")), "Knig_09")
        # Black moves on, and the new knight then moves as a knight.
        self.play(g, "a5a4")
        p = self.play(g, "g8f6")
        self.assertEqual(p.pieces["Knig_09"]["square"], sq("f6"))

    def test_restart_while_black_is_to_move_gives_white_the_move(self):
        g = self.begin()
        p = self.play(g, "e2e4")
        self.assert_status(p, 1)
        g.click_window("LocalIngame/RestartButton")
        p = g.wait_probe(lambda q: q.values["fen"] == START_FEN)
        self.assert_status(p, 0)
        self.assertEqual(p.values["side"], "0")
        self.assertEqual(p.values["mode"], "0")
        self.assertTrue(p.visible("LocalIngame"))
        self.assertEqual(p.pieces["Pawn_04"]["square"], sq("e2"))
        # White is really the one to move: a black piece does not take the selection.
        self.assert_board_ignores(g, sq("e7"))
        self.select(g, sq("d2"))


    def test_quit_game_leaves_no_marks_of_play_under_the_menu(self):
        g = self.begin()
        # The knight's target h3 and the a-pawn lie beside the menu that comes up.
        p = self.select(g, sq("g1"))
        self.assertEqual(p.values["arrow"], "1")
        points = [tile_point(p, sq("h3"))] + piece_column(p, "Pawn_00")
        h3, *a2 = window_pixels(g, g.screenshot("local-before-quit"), points)
        self.assertTrue(greenish(h3) and any(bluish(c) for c in a2), (h3, a2))

        g.click_window("LocalIngame/QuitButton")
        p = g.wait_probe(lambda q: q.visible("Menu") and q.values["mode"] == "-1")
        self.assertEqual((p.values["selected"], p.values["arrow"]), ("none", "0"))
        menu = p.windows["Menu"]
        for x, y in points:
            self.assertFalse(menu["x"] <= x <= menu["x"] + menu["w"] and
                             menu["y"] <= y <= menu["y"] + menu["h"], "the menu hides the board")
        h3, *a2 = window_pixels(g, g.screenshot("local-after-quit"), points)
        self.assertFalse(greenish(h3), h3)
        self.assertFalse(any(bluish(c) for c in a2), a2)

    def test_a_pinned_queen_still_gives_check(self):
        g = self.begin()
        # Black's queen steps between the bishop on a3 and its own king, checking White's
        # king along b4-c3-d2-e1 while pinned itself.
        p = self.play_line(g, "d2d4 e7e6 b2b3 c7c6 g1f3 d8b6 h2h3 e8e7 c1a3 b6b4")
        self.assertEqual(p.values["fen"].split()[0],
                         "rnb2bnr/pp1pkppp/2p1p3/8/1q1P4/BP3N1P/P1P1PPP1/RN1QKB1R")
        # Moves that leave the check standing are not offered: the h-pawn has none.
        self.assert_board_ignores(g, sq("h3"))
        self.select(g, sq("f3"))
        self.click_square(g, sq("e5"))
        p = g.next_frames(6)
        self.assertEqual(p.values["side"], "0")
        self.assertEqual(p.pieces["Knig_01"]["square"], sq("f3"))
        # Taking the checking queen is the answer.
        p = self.play(g, "a3b4")
        self.assertFalse(p.pieces["QueeB_00"]["alive"])
        self.assertEqual(p.pieces["Bish_00"]["square"], sq("b4"))
        self.assertFalse(p.visible("GameEnd"))

    # --- settings changed in the dialog act on the game at once -----------------------

    def open_settings(self, g):
        g.click_window("Menu/SettingsButton")
        return g.wait_probe(lambda p: p.visible("Settings"))

    def toggle(self, g, name):
        g.click_window(name)
        g.next_frames(2)

    def accept_settings(self, g):
        g.click_window("Settings/OKButton")
        return g.wait_probe(lambda p: not p.visible("Settings") and p.visible("Menu") and
                            p.windows["Menu"]["enabled"])

    def test_flip_view_switched_on_turns_the_camera_after_each_move(self):
        g = self.start_window(config=config_with())
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/LocalButton"))
        self.open_settings(g)
        self.toggle(g, "Settings/FlipView")
        self.accept_settings(g)
        self.assertIn("FlipView=true", g.read("config.cfg").decode())

        p = self.start_local(g)
        yaw0, el0, dist0, flipped = camera(p)
        self.assertFalse(flipped)
        p = self.play(g, "e2e4")
        p = g.wait_probe(lambda q: camera(q)[3])
        yaw, el, dist, _ = camera(p)
        self.assertAlmostEqual(abs(turned_by(yaw, yaw0)), math.pi, places=3)
        self.assertAlmostEqual(el, el0, places=4)
        self.assertAlmostEqual(dist, dist0, places=4)
        # Black plays from its own side of the board.
        self.play(g, "e7e5")
        p = g.wait_probe(lambda q: not camera(q)[3])
        self.assertAlmostEqual(turned_by(camera(p)[0], yaw0), 0, places=3)
        self.play(g, "g1f3")
        p = g.wait_probe(lambda q: camera(q)[3])
        g.screenshot("local-flipped-black-to-move")
        self.play(g, "b8c6")
        self.play(g, "f1c4")
        p = g.wait_probe(lambda q: camera(q)[3])

        # Home undoes the player's zooming but stays on Black's side.
        self.hold_key(g, "KP_Add", 0.3)
        g.key("Home")
        yaw, _, _, flipped = camera(g.wait_probe(lambda q: abs(camera(q)[2] - dist0) < 1e-4))
        self.assertTrue(flipped)
        self.assertAlmostEqual(abs(turned_by(yaw, yaw0)), math.pi, places=3)

        # Restarted while Black was to move: White's side again, and every later move is
        # seen from the side to move.
        # (Tilted up: from lower down the back rank hides the pawns' centres.)
        tilted = camera(self.hold_key(g, "Up", 0.2))
        g.click_window("LocalIngame/RestartButton")
        p = g.wait_probe(lambda q: q.values["fen"] == START_FEN)
        yaw, el, dist, flipped = camera(p)
        self.assertFalse(flipped)
        self.assertAlmostEqual(turned_by(yaw, yaw0), 0, places=3)
        # Only turned: the player's tilt stays.
        self.assertAlmostEqual(el, tilted[1], places=4)
        self.play(g, "d2d4")
        p = g.wait_probe(lambda q: camera(q)[3])
        self.assertAlmostEqual(abs(turned_by(camera(p)[0], yaw0)), math.pi, places=3)
        g.screenshot("local-flipped-after-restart")

        # A new local game from the menu puts the whole camera back where it started.
        g.click_window("LocalIngame/QuitButton")
        g.wait_probe(lambda q: q.visible("Menu/LocalButton"))
        self.hold_key(g, "KP_Subtract", 0.3)
        self.hold_key(g, "Left", 0.3)
        self.assertTrue(camera(g.wait_probe())[3])
        p = self.start_local(g)
        p = g.wait_probe(lambda q: q.values["fen"] == START_FEN)
        yaw, el, dist, flipped = camera(p)
        self.assertFalse(flipped)
        self.assertAlmostEqual(turned_by(yaw, yaw0), 0, places=4)
        self.assertAlmostEqual(el, el0, places=4)
        self.assertAlmostEqual(dist, dist0, places=4)

    def test_highlighting_switched_off_takes_effect_at_once(self):
        g = self.begin()
        p = g.wait_probe()
        self.select(g, sq("e2"))
        p = g.wait_probe()
        shot = g.screenshot("local-highlight-on-selected")
        targets = [tile_point(p, sq("e3")), tile_point(p, sq("e4"))]
        e3, e4, *a2 = window_pixels(g, shot, targets +
                                    piece_column(p, "Pawn_00"))
        self.assertTrue(greenish(e3) and greenish(e4), (e3, e4))
        # The movable pawns wear the movable look.
        self.assertTrue(any(bluish(c) for c in a2), a2)
        p = self.play(g, "e2e4")
        e2, = window_pixels(g, g.screenshot("local-highlight-on-moved"),
                            [p.squares[sq("e2")]])
        self.assertTrue(yellowish(e2), e2)

        g.click_window("LocalIngame/QuitButton")
        g.wait_probe(lambda q: q.visible("Menu/LocalButton"))
        self.open_settings(g)
        self.toggle(g, "Settings/Highlighting")
        self.toggle(g, "Settings/LastMoveHighlighting")
        self.accept_settings(g)
        cfg = g.read("config.cfg").decode()
        self.assertIn("Highlighting=false", cfg)
        self.assertIn("LastMoveHighlighting=false", cfg)

        self.start_local(g)
        self.select(g, sq("e2"))
        p = g.wait_probe()
        shot = g.screenshot("local-highlight-off-selected")
        targets = [tile_point(p, sq("e3")), tile_point(p, sq("e4"))]
        e3, e4, *a2 = window_pixels(g, shot, targets +
                                    piece_column(p, "Pawn_00"))
        self.assertFalse(greenish(e3) or greenish(e4), (e3, e4))
        self.assertFalse(any(bluish(c) for c in a2), a2)
        p = self.play(g, "e2e4")
        e2, = window_pixels(g, g.screenshot("local-highlight-off-moved"),
                            [p.squares[sq("e2")]])
        self.assertFalse(yellowish(e2), e2)

    def test_czech_chosen_in_the_dialog_rebuilds_the_screens_at_once(self):
        g = self.start_window(config=config_with())
        p = g.wait_probe(lambda q: q.frame >= 3 and q.visible("Menu/LocalButton"))
        english = {n: p.windows[n]["text"] for n in
                   ("Menu/LocalButton", "LocalIngame/RestartButton", "StatusBar/WhiteOnMove")}
        p = self.open_settings(g)
        lang = p.windows["Settings/Lang"]
        # The read-only combo box: open its list, then pick the second item.
        g.click(lang["x"] + lang["w"] / 2, lang["y"] + 19)
        g.next_frames(3)
        g.click(lang["x"] + 40, lang["y"] + 64)
        g.wait_probe(lambda q: q.windows["Settings/Lang"]["text"] == "Česky")
        self.accept_settings(g)
        self.assertIn("Lang=Cesky", g.read("config.cfg").decode())
        p = g.wait_probe(lambda q: q.windows["Menu/LocalButton"]["text"] !=
                         english["Menu/LocalButton"])

        # The rebuilt screens still drive the game.
        p = self.start_local(g)
        self.assertNotEqual(p.windows["LocalIngame/RestartButton"]["text"],
                            english["LocalIngame/RestartButton"])
        self.assertNotEqual(p.windows["StatusBar/WhiteOnMove"]["text"],
                            english["StatusBar/WhiteOnMove"])
        p = self.play(g, "e2e4")
        self.assert_status(p, 1)
        g.screenshot("local-czech")


    def test_click_beside_a_pawns_head_falls_through_to_the_square_behind(self):
        g = self.begin()
        self.play_line(g, "e2e4 a7a6")
        # A lower camera makes the part of the pawn's box above the board behind it large.
        for _ in range(40):
            el = math.degrees(camera(g.next_frames(2))[1])
            if 28 <= el <= 36:
                break
            key = "Down" if el > 36 else "Up"
            g.key_down(key)
            time.sleep(0.02)
            g.key_up(key)
        self.select(g, sq("e4"))
        p = g.next_frames(3)
        model = CameraModel(p)
        self.assertLess(model.error, 2.0, "the camera model does not match the probe")

        # The pawn's box as the mesh makes it (foot radius 0.30, height 0.65).
        lo, hi = piece_box(sq("e4"), 0.30, 0.65)
        cx, cy = model.pixel(((lo[0] + hi[0]) / 2, 0.325, (lo[2] + hi[2]) / 2))
        pawn = p.pieces["Pawn_04"]
        self.assertLess(math.dist((cx, cy), (pawn["px"], pawn["py"])), 3.0)
        others = [piece_box(v["square"], 0.4, 1.2) for n, v in p.pieces.items()
                  if v["alive"] and n != "Pawn_04"]
        candidates = []
        for y in range(int(cy) - 60, int(cy) + 1, 2):
            for x in range(int(cx) - 40, int(cx) + 41, 2):
                depth = model.depth_in_box(x, y, lo, hi)
                if depth < 0.08:
                    continue
                if any(model.depth_in_box(x, y, *b) > 0 for b in others):
                    continue
                file, rank = model.ground(x, y)
                inside = min(file - math.floor(file), math.ceil(file) - file,
                             rank - math.floor(rank), math.ceil(rank) - rank)
                if int(file) == 4 and int(rank) == 4 and inside > 0.1:
                    candidates.append((-depth, x, y, int(file) + 8 * int(rank)))
        self.assertTrue(candidates, "no pixel of the pawn's box over its target square")
        shot = g.screenshot("local-fall-through-before")
        colours = window_pixels(g, shot, [(x, y) for _, x, y, _ in candidates])
        # Off the pawn's shape: the green target tile shows there. The ray that runs
        # deepest through the box is the surest hit of the box.
        off = sorted(c for c, rgb in zip(candidates, colours) if greenish(rgb))
        self.assertTrue(off, "every pixel of the pawn's box over the targets shows the pawn")
        _, x, y, target = off[0]

        g.click(x, y)
        p = g.wait_probe(lambda q: q.values["selected"] == "none", timeout=10)
        self.assertEqual(p.pieces["Pawn_04"]["square"], target)
        self.assertEqual(p.values["side"], "1")


if __name__ == "__main__":
    unittest.main()
