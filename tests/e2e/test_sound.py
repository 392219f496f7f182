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
import unittest

from harness import RUN_DIR, GameTest, config_with

RATE = 44100
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
            body = content
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

    def wave_env(self):
        conf = os.path.join(self.audio, "alsoft.conf")
        with open(conf, "w") as f:
            f.write("[general]\ndrivers = wave\nchannels = mono\nsample-type = float32\n"
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

    def test_a_gui_click_plays_the_whole_select_effect(self):
        g = self.start_window(config=config_with(Sounds="true"), env=self.wave_env())
        g.next_frames(3)
        g.click_window("Menu/SettingsButton")
        g.wait_probe(lambda p: p.visible("Settings"))
        self.quit(g)
        heard = self.recorded()
        self.assertEqual([(h[0], h[2]) for h in heard], [("select", len(self.select))], heard)
        out = g.read("stdout.txt").decode()
        self.assertIn("SoudManager Created.\n", out)
        self.assertIn("SoundManager initialised.\n", out)
        self.assertNotIn("ERROR SoundManager::", out.replace(
            "ERROR: SoundManager::isOggExtensionPresent", ""))

    def test_selection_restart_and_move_each_play_their_effect(self):
        g = self.start_window(config=config_with(Sounds="true"), env=self.wave_env())
        p = self.start_local_game(g)  # one GUI click
        p = self.select_piece(g, "Pawn_04", p)
        self.assertEqual(p.values["selected"], "0 0 4")
        # Two quick clicks on the same pawn select it twice while the first effect still
        # plays: the effect must start over, not be heard twice at once.
        pc = p.pieces["Pawn_04"]
        g.xdo("mousemove", "--window", g.wid, str(int(pc["px"])), str(int(pc["py"])))
        g.xdo("click", "--repeat", "2", "--delay", "30", "--window", g.wid, "1")
        g.next_frames(10)
        # e2-e4, and quit in the same breath: the move effect has only just started when the
        # game closes the device, and it must still be heard to its end.
        g.click(*p.squares[4 + 8 * 3])
        self.quit(g, move_pointer=False)

        heard = self.recorded()
        names = [h[0] for h in heard]
        self.assertNotIn("mixed", names, heard)
        self.assertEqual(names, ["select", "select", "select", "select", "move"], heard)
        click, selection, first, again, move = heard
        self.assertEqual(click[2], len(self.select))
        self.assertEqual(selection[2], len(self.select))
        # The double click: the first play is cut where the second begins from the start.
        self.assertLess(first[2], len(self.select))
        self.assertEqual(again[1], first[1] + first[2])
        self.assertEqual(again[2], len(self.select))
        self.assertEqual(move[2], len(self.move))

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
