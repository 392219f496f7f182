"""Sound in the real game: what reaches OpenAL Soft's wave-file device when the player clicks
the GUI, selects and moves pieces, and how the game behaves with sound off or no device.

The device is set to one channel of 32-bit float at the effects' own rate, so a played effect
appears in the file sample for sample; that lets the test tell which effect played, whether
it ran to its end and whether a repeat restarted it or overlapped it."""

import array
import os
import shutil
import struct
import tempfile
import time
import unittest

from harness import RUN_DIR, GameTest, config_with

RATE = 44100
# Samples a cut effect must still have had left for its cut to show a restart: the last
# ones fade out below the tolerance, where restart and overlap sound alike.
OVERLAP = 512
# Float mixing of an unattenuated mono source into a mono device is exact up to rounding.
TOLERANCE = 1e-3


def read_wav(path):
    """(rate, channels, samples as floats in -1..1) of a PCM16 or float32 WAV file, plain or
    WAVE_FORMAT_EXTENSIBLE (which OpenAL Soft writes)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(path + " is not a RIFF WAVE file")
    pos, fmt, body = 12, None, None
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        content = data[pos + 8:pos + 8 + size]
        if chunk == b"fmt ":
            tag, channels, rate, _, _, bits = struct.unpack("<HHIIHH", content[:16])
            if tag == 0xFFFE:
                tag = struct.unpack("<H", content[24:26])[0]
            fmt = (tag, channels, rate, bits)
        elif chunk == b"data":
            # A device still writing has not filled in the size yet: take what is there.
            if size == 0 or pos + 8 + size > len(data):
                size = len(data) - pos - 8
            body = data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    if fmt is None or body is None:
        raise ValueError(path + " has no fmt or data chunk")
    tag, channels, rate, bits = fmt
    if tag == 3 and bits == 32:
        a = array.array("f")
        a.frombytes(body[:len(body) // 4 * 4])
        return rate, channels, list(a)
    if tag == 1 and bits == 16:
        a = array.array("h")
        a.frombytes(body[:len(body) // 2 * 2])
        return rate, channels, [v / 32768.0 for v in a]
    raise ValueError(f"{path}: unsupported sample format {fmt}")


def effect(name):
    rate, channels, samples = read_wav(os.path.join(RUN_DIR, "media", "sounds", name))
    assert (rate, channels) == (RATE, 1), (name, rate, channels)
    return samples


def matching_run(out, start, template):
    """How many samples of `template` follow each other unchanged in `out` from `start`."""
    n = 0
    limit = min(len(template), len(out) - start)
    while n < limit and abs(out[start + n] - template[n]) <= TOLERANCE:
        n += 1
    return n


def plays(out, templates):
    """Splits a mono recording into the effects it consists of, in order: a list of
    (effect name, first sample, samples heard). An effect cut short and followed at once by
    another start is a restart; output that no single effect explains (two sounds mixed over
    each other) is reported as ("mixed", first sample, length up to the next silence)."""
    found = []
    k = 0
    while k < len(out):
        if abs(out[k]) <= TOLERANCE:
            k += 1
            continue
        # Effects begin with a soft attack, so the audible start lies a few samples in.
        best = None
        for name, template in templates.items():
            for start in range(max(0, k - 8), k + 1):
                run = matching_run(out, start, template)
                if best is None or run > best[2]:
                    best = (name, start, run)
        name, start, run = best
        if run < 256:
            end = k
            quiet = 0
            while end < len(out) and quiet < 512:
                quiet = quiet + 1 if abs(out[end]) <= TOLERANCE else 0
                end += 1
            found.append(("mixed", k, end - k))
            k = end
            continue
        found.append((name, start, run))
        k = start + run
    return found


class SoundTest(GameTest):
    def setUp(self):
        super().setUp()
        # Xvfb resets when its last client leaves; a connection of our own keeps it up, so
        # keys can be released after the game has quit and the next game finds the server.
        from Xlib import display
        self.keeper = display.Display(self.xvfb.display)
        self.audio = tempfile.mkdtemp(prefix="korvane-sound-")
        self.addCleanup(shutil.rmtree, self.audio, True)
        self.wave = os.path.join(self.audio, "out.wav")
        self.select = effect("select.wav")
        self.move = effect("move.wav")
        self.effects = {"select": self.select, "move": self.move}

    def tearDown(self):
        self.keeper.close()
        super().tearDown()

    def wave_env(self, channels="mono"):
        conf = os.path.join(self.audio, "alsoft.conf")
        with open(conf, "w") as f:
            f.write(f"[general]\ndrivers = wave\nchannels = {channels}\nsample-type = float32\n"
                    f"frequency = {RATE}\n[wave]\nfile = {self.wave}\n")
        return {"ALSOFT_CONF": conf, "ALSOFT_DRIVERS": "wave"}

    def quit(self, g, move_pointer=True):
        """Left Shift + Escape over the window, as a player quits; the wave file is complete
        only once the device is closed."""
        if move_pointer:
            g.xdo("mousemove", "--window", g.wid, "20", "20")
        g.xtest_key("Shift_L", True)
        g.xtest_key("Escape", True)
        try:
            self.assertEqual(g.wait_exit(20), 0, g.stderr()[-2000:])
        finally:
            g.xtest_key("Escape", False)
            g.xtest_key("Shift_L", False)

    def recorded(self):
        rate, channels, out = read_wav(self.wave)
        self.assertEqual((rate, channels), (RATE, 1))
        return plays(out, self.effects)

    def start_local_game(self, g):
        g.next_frames(3)
        g.click_window("Menu/LocalButton")
        return g.wait_probe(lambda p: p.values.get("mode") == "0")

    def select_piece(self, g, name, before):
        pc = before.pieces[name]
        g.click(pc["px"], pc["py"])
        return g.wait_probe(lambda p: p.values.get("selected") != before.values.get("selected"))

    def test_button_and_check_box_clicks_play_the_whole_select_effect(self):
        g = self.start_window(config=config_with(Sounds="true"), env=self.wave_env())
        g.next_frames(3)
        g.click_window("Menu/SettingsButton")
        p = g.wait_probe(lambda p: p.visible("Settings"))
        time.sleep(0.3)
        # A check box change sounds like a button.
        g.click(*p.centre("Settings/Highlighting"))
        g.next_frames(3)
        time.sleep(0.3)
        g.click_window("Settings/CancelButton")
        g.wait_probe(lambda p: not p.visible("Settings"))
        time.sleep(0.3)
        self.quit(g)
        heard = self.recorded()
        self.assertEqual([(h[0], h[2]) for h in heard], [("select", len(self.select))] * 3,
                         heard)
        out = g.read("stdout.txt").decode()
        self.assertIn("SoudManager Created.\n", out)
        self.assertIn("SoundManager initialised.\n", out)
        # (The missing Ogg extension is reported as "ERROR: ...", not as an OpenAL failure.)
        self.assertNotIn("ERROR SoundManager::", out)

    def test_selection_restart_and_move_each_play_their_effect(self):
        g = self.start_window(config=config_with(Sounds="true"), env=self.wave_env())
        p = self.start_local_game(g)  # one GUI click
        p = self.select_piece(g, "Pawn_04", p)
        self.assertEqual(p.values["selected"], "0 0 4")
        # Pairs of selections in quick succession, the second while the first one's effect
        # still plays: the effect must start over, not be heard twice at once. Two plays
        # within one mixing period leave no trace of the first, so the gaps vary.
        a, b = p.pieces["Pawn_03"], p.pieces["Pawn_05"]
        # Each press runs its own off-screen pick, which keeps even back-to-back presses a few
        # milliseconds apart; on a busy machine the pick can take longer than the effect, so
        # pairs are tried until the recording so far shows one that overlapped in time.
        restarted = False
        for gap in ("0", "0.01", "0.03", "0") * 2:
            time.sleep(0.3)
            g.xdo("mousemove", "--window", g.wid, str(int(a["px"])), str(int(a["py"])),
                  "click", "--window", g.wid, "1", "sleep", gap,
                  "mousemove", "--window", g.wid, str(int(b["px"])), str(int(b["py"])),
                  "click", "--window", g.wid, "1")
            p = g.wait_probe(lambda p: p.values["selected"] == "0 0 5")
            time.sleep(0.3)
            _, _, out = read_wav(self.wave)
            if any(h[0] == "select" and h[2] < len(self.select) - OVERLAP
                   for h in plays(out, self.effects)[:-1]):
                restarted = True
                break
        time.sleep(0.3)
        p = self.select_piece(g, "Pawn_04", p)
        # The selection's effect ends before the move's begins, so it is heard whole.
        time.sleep(0.3)
        # e2-e4, and quit in the same breath: the move effect has only just started when the
        # game closes the device, and it must still be heard to its end.
        g.click(*p.squares[4 + 8 * 3])
        self.quit(g, move_pointer=False)

        heard = self.recorded()
        names = [h[0] for h in heard]
        self.assertNotIn("mixed", names, heard)
        self.assertEqual(set(names[:-1]), {"select"}, heard)
        self.assertEqual(names[-1], "move", heard)
        full = len(self.select)
        # The GUI click, the first selection and the last one are heard whole.
        self.assertEqual([h[2] for h in heard[:2] + heard[-2:-1]], [full] * 3, heard)
        self.assertGreaterEqual(len(heard), 2 + 2 + 2, heard)
        cut = [i for i, h in enumerate(heard) if h[0] == "select" and h[2] < full]
        self.assertEqual(any(heard[i][2] < full - OVERLAP for i in cut), restarted, heard)
        for i in cut:
            # Cut where the same effect starts again from its beginning (the very first
            # samples of the attack are too quiet to tell which of the two they belong to).
            self.assertEqual(heard[i + 1][0], "select", heard)
            self.assertLessEqual(heard[i][1] + heard[i][2] - heard[i + 1][1], 8, heard)
            self.assertGreaterEqual(heard[i][1] + heard[i][2] - heard[i + 1][1], 0, heard)
        self.assertEqual(heard[-1][2], len(self.move), heard)
        if not restarted:
            self.skipTest("every selection pair was further apart than the effect is long; "
                          "the machine is too busy to show a restart: " + str(heard))

    def test_effects_pan_with_their_square_and_the_listener_follows_the_camera(self):
        env = self.wave_env(channels="stereo")
        g = self.start_window(config=config_with(Sounds="true", FlipView="true"), env=env)
        p = self.start_local_game(g)  # the GUI click sounds at the origin, by a1
        self.assertEqual(p.values["camera"].split()[3], "0")
        for name in ("Pawn_00", "Pawn_07", "Pawn_04"):
            time.sleep(0.3)
            p = self.select_piece(g, name, p)
        time.sleep(0.3)
        g.click(*p.squares[4 + 8 * 3])  # e2-e4; the view turns to Black
        p = g.wait_probe(lambda p: p.values["side"] == "1" and
                         p.values["camera"].split()[3] == "1")
        p = g.next_frames(30)
        for name in ("PawnB_00", "PawnB_07"):
            time.sleep(0.4)
            p = self.select_piece(g, name, p)
        time.sleep(0.3)
        self.quit(g)

        rate, channels, out = read_wav(self.wave)
        self.assertEqual((rate, channels), (RATE, 2))
        # Left energy / right energy of every sound, in order; sounds are told apart by the
        # silence between them.
        balance = []
        left, right = out[0::2], out[1::2]
        el = er = 0.0
        quiet = None
        for i in range(len(left)):
            if abs(left[i]) + abs(right[i]) > TOLERANCE:
                quiet = 0
            elif quiet is not None:
                quiet += 1
            if quiet is None:
                continue
            el += left[i] * left[i]
            er += right[i] * right[i]
            if quiet > RATE // 20 or i == len(left) - 1:
                balance.append(el / max(er, 1e-9))
                el = er = 0.0
                quiet = None
        self.assertEqual(len(balance), 7, balance)
        click, a2, h2, e2, e4, a7, h7 = balance
        # Seen from White's side the a-file is on the left, the h-file on the right.
        self.assertGreater(click, 3, balance)
        self.assertGreater(a2, 3, balance)
        self.assertLess(h2, 1 / 3, balance)
        self.assertTrue(1 / 2 < e2 < 2 and 1 / 2 < e4 < 2, balance)
        # From Black's side it is the other way round.
        self.assertLess(a7, 1 / 3, balance)
        self.assertGreater(h7, 3, balance)

    def test_broken_effect_files_are_reported_and_the_game_plays_on(self):
        def edit(game):
            # A private media folder: the shared one stays untouched.
            media = game.path("media")
            os.remove(media)
            os.mkdir(media)
            for name in os.listdir(os.path.join(RUN_DIR, "media")):
                if name != "sounds":
                    os.symlink(os.path.join(RUN_DIR, "media", name), os.path.join(media, name))
            os.mkdir(os.path.join(media, "sounds"))
            with open(os.path.join(media, "sounds", "select.wav"), "wb") as f:
                f.write(b"RIFF\xff\xff\xff\x7fWAVEfmt \xff\xff\xff\x7f" + bytes(range(256)))
            with open(os.path.join(RUN_DIR, "media", "sounds", "move.wav"), "rb") as f:
                whole = f.read()
            with open(os.path.join(media, "sounds", "move.wav"), "wb") as f:
                f.write(whole[:len(whole) // 3])

        g = self.start_window(config=config_with(Sounds="true"), env=self.wave_env(),
                              edit=edit)
        p = self.start_local_game(g)
        p = self.select_piece(g, "Pawn_04", p)
        self.assertEqual(p.values["selected"], "0 0 4")
        g.click(*p.squares[4 + 8 * 3])
        p = g.wait_probe(lambda p: p.pieces["Pawn_04"]["square"] == 28)
        self.assertEqual(p.values["side"], "1")
        time.sleep(0.5)
        self.quit(g)
        out = g.read("stdout.txt").decode()
        for name in ("select.wav", "move.wav"):
            self.assertEqual(sum(1 for line in out.splitlines()
                                 if line.startswith("ERROR SoundManager::loadWAV") and
                                 line.endswith("/" + name + ")")), 1, out)
        # The device was open, but neither a GUI click, a selection nor a move played
        # anything made from the broken data.
        self.assertEqual(self.recorded(), [])

    def test_sounds_not_exactly_true_open_no_device_and_the_game_plays_on(self):
        for value in ("false", "True", ""):
            with self.subTest(Sounds=value):
                g = self.start_window(config=config_with(Sounds=value), env=self.wave_env())
                p = self.start_local_game(g)
                p = self.select_piece(g, "Pawn_03", p)
                self.assertEqual(p.values["selected"], "0 0 3")
                g.click(*p.squares[3 + 8 * 2])
                g.wait_probe(lambda p: p.pieces["Pawn_03"]["square"] == 19)
                self.quit(g)
                self.assertFalse(os.path.exists(self.wave), "a sound device was opened")
                self.assertNotIn("SoudManager", g.read("stdout.txt").decode())

    def test_without_a_device_the_game_reports_it_once_and_runs_silently(self):
        g = self.start_window(config=config_with(Sounds="true"),
                              env={"ALSOFT_DRIVERS": "no-such-driver"})
        p = self.start_local_game(g)
        p = self.select_piece(g, "Knig_01", p)
        self.assertEqual(p.values["selected"], "0 2 1")
        g.click(*p.squares[7 + 8 * 2])  # Ng1-h3
        p = g.wait_probe(lambda p: p.pieces["Knig_01"]["square"] == 23)
        self.assertEqual(p.values["side"], "1")
        self.quit(g)
        out = g.read("stdout.txt").decode()
        self.assertEqual(out.count("SoundManager::init error : No sound device.\n"), 1, out)
        # Nothing else reached OpenAL: no loads, no play or position errors.
        self.assertNotIn("found Wav", out)
        self.assertNotIn("ERROR SoundManager::", out)


if __name__ == "__main__":
    unittest.main()
