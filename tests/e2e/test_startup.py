"""Start-up and shutdown of the real game: window, quiet exits, the settings backup."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import GameTest, config_with


class StartupTest(GameTest):
    def test_window_opens_with_the_table_and_backdrop_behind_the_menu(self):
        g = self.start_window(config=config_with())
        p = g.next_frames(3)
        self.assertEqual(p.values["mode"], "-1")
        shot = g.screenshot("startup-window")
        # The window's top-left corner shows the dim table fading into the backdrop, never
        # the viewport's bare colour (0.3, 0.3, 0.5).
        geo = g.xdo("getwindowgeometry", g.wid).stdout
        pos = geo.split("Position:")[1].split()[0].split(",")
        x, y = int(pos[0]), int(pos[1])
        r, gg, b = g.pixel(shot, x + 3, y + 3)
        self.assertTrue(max(r, gg, b) < 70 and b < 100, f"corner pixel was {(r, gg, b)}")

    def test_no_config_file_quits_quietly_without_creating_one(self):
        g = self.start(remove_config=True)
        self.assertEqual(g.wait_exit(30), 0)
        self.assertFalse(g.exists("config.cfg"))
        self.assertEqual(g.windows_named("Korvane"), [])
        self.assertFalse(g.exists("state.txt"))

    def test_render_system_name_is_case_sensitive(self):
        g = self.start(config=config_with(RS="opengl"))
        self.assertEqual(g.wait_exit(30), 0)
        self.assertFalse(g.exists("state.txt"))
        err = g.stderr()
        self.assertIn("opengl", err)
        self.assertIn("OpenGL Rendering Subsystem", err)

    def test_rejected_options_bring_the_backup_back(self):
        backup = config_with(W="800", H="600")

        def edit(game):
            game.write("config_backup.cfg", backup)

        g = self.start_window(config=config_with(FS="Maybe"), edit=edit)
        g.next_frames(2)
        self.assertEqual(g.read("config.cfg").decode(), backup)
        self.assertFalse(g.exists("config_backup.cfg"))
        self.assertEqual(len(g.windows_named("Korvane")), 1)
        geo = g.xdo("getwindowgeometry", g.wid).stdout
        self.assertIn("800x600", geo)

    def test_accepted_options_remove_the_backup(self):
        def edit(game):
            game.write("config_backup.cfg", config_with(W="800", H="600"))

        g = self.start_window(config=config_with(), edit=edit)
        g.next_frames(2)
        self.assertFalse(g.exists("config_backup.cfg"))
        self.assertEqual(g.read("config.cfg").decode(), config_with())

    def test_engine_failure_not_caused_by_the_settings_keeps_them(self):
        backup = config_with(W="800", H="600")

        def edit(game):
            game.write("config_backup.cfg", backup)
            # A media folder is missing: start-up fails before the display settings.
            game.write("resources.cfg", "[General]\nFileSystem=media/materials\n"
                       "FileSystem=media/meshes\n[GUI]\nFileSystem=media/nowhere\n")

        g = self.start(config=config_with(), edit=edit)
        # The message box waits for its OK; press it as a player would.
        end = time.time() + 30
        while time.time() < end and g.proc.poll() is None:
            boxes = g.windows_named("An exception has occured!")
            if boxes:
                g.xdo("windowactivate", "--sync", boxes[0])
                g.xdo("key", "--window", boxes[0], "Return")
            time.sleep(0.3)
        self.assertEqual(g.wait_exit(10), 0)
        # The settings just saved stay: a broken installation is not their fault.
        self.assertEqual(g.read("config.cfg").decode(), config_with())
        self.assertEqual(g.read("config_backup.cfg").decode(), backup)
        self.assertIn("An exception has occured!", g.stderr())
        self.assertIn("media/nowhere", g.stderr())

    def test_without_an_x_display_it_says_so_and_keeps_the_settings(self):
        backup = config_with(W="800", H="600")
        for display in (None, ":97"):
            g = self.start(config=config_with(), env={"DISPLAY": display},
                           edit=lambda game: game.write("config_backup.cfg", backup))
            self.assertEqual(g.wait_exit(10), 0, display)
            self.assertIn("cannot open the X display", g.stderr())
            self.assertEqual(g.read("config.cfg").decode(), config_with())
            self.assertEqual(g.read("config_backup.cfg").decode(), backup)

    def test_settings_file_that_is_a_fifo_ends_start_up_with_a_message(self):
        def edit(game):
            os.remove(game.path("config.cfg"))
            os.mkfifo(game.path("config.cfg"))

        g = self.start(edit=edit)
        self.assertEqual(g.wait_exit(2), 0)
        self.assertIn("config.cfg is not a regular file", g.stderr())

    def test_engine_failure_without_backup_leaves_the_settings_alone(self):
        def edit(game):
            # The skin's scheme cannot be found: the GUI step of start-up fails.
            os.makedirs(game.path("empty"))
            game.write("resources.cfg", "[General]\nFileSystem=media/materials\n"
                       "FileSystem=media/meshes\n[GUI]\nFileSystem=empty\n")

        g = self.start(config=config_with(Shadows="false"), edit=edit)
        end = time.time() + 30
        while time.time() < end and g.proc.poll() is None:
            for box in g.windows_named("An exception has occured!"):
                g.xdo("key", "--window", box, "Return")
            time.sleep(0.3)
        self.assertEqual(g.wait_exit(10), 0)
        self.assertEqual(g.read("config.cfg").decode(), config_with(Shadows="false"))
        self.assertIn("DrawingsLook.scheme", g.stderr())

    def test_a_still_menu_is_not_drawn_again_until_input(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        time.sleep(1.5)  # past the busy second after start-up
        p = g.probe()
        before, gui_before = int(p.values["drawn"]), int(p.values["guidrawn"])
        p = g.next_frames(6)  # the loop still ticks
        time.sleep(1)
        p = g.probe()
        self.assertEqual(int(p.values["drawn"]), before)
        # Nor does the GUI paint itself into a buffer nobody shows.
        self.assertEqual(int(p.values["guidrawn"]), gui_before)
        g.xdo("mousemove", "--window", g.wid, "200", "200")
        g.wait_probe(lambda p: int(p.values["drawn"]) > before, timeout=2)

    def test_the_game_runs_with_a_heap_of_huge_pages(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        with open(f"/proc/{g.proc.pid}/environ", "rb") as f:
            self.assertIn(b"GLIBC_TUNABLES=glibc.malloc.hugetlb=1", f.read().split(b"\0"))
        # Started again under its own name, which ps and pkill go by.
        with open(f"/proc/{g.proc.pid}/comm") as f:
            self.assertEqual(f.read().strip(), "korvane")
        with open("/sys/kernel/mm/transparent_hugepage/enabled") as f:
            if "[never]" in f.read():
                return
        with open(f"/proc/{g.proc.pid}/smaps_rollup") as f:
            huge = [int(l.split()[1]) for l in f if l.startswith("AnonHugePages:")]
        self.assertGreater(huge[0], 0)

    def test_closing_the_window_ends_the_game_with_exit_code_0(self):
        g = self.start_window(config=config_with())
        g.next_frames(2)
        self.assertEqual(g.close_until_exit(), 0)

    def test_a_read_only_run_directory_starts_with_the_gui_log_elsewhere(self):
        # The run directory is made read-only for the game alone, by a read-only bind mount
        # in a mount namespace of its own; the probe's file and the temporary folder are
        # elsewhere. The cd enters the read-only mount: the folder the shell started in is the
        # writable one underneath.
        if subprocess.run(["unshare", "-m", "true"], capture_output=True).returncode != 0:
            self.skipTest("no mount namespace can be made here")
        outside = tempfile.mkdtemp(prefix="korvane-e2e-outside-")
        self.addCleanup(shutil.rmtree, outside, True)
        state = os.path.join(outside, "state.txt")
        read_only = ('d=$(dirname "$0") && mount --bind "$d" "$d" && '
                     'mount -o remount,bind,ro "$d" && cd "$d" && exec "$0"')
        g = self.start(config=config_with(), env={"KORVANE_STATE_FILE": state, "TMPDIR": outside},
                       wrap=["unshare", "-m", "sh", "-c", read_only])
        g.state = state
        self.assertIsNotNone(g.wait_window(), "no Korvane window; stderr:\n" + g.stderr())
        p = g.wait_probe(lambda p: p.visible("Menu"))
        self.assertTrue(p.visible("Menu"))
        self.assertIn("CEGUI.log cannot be written in the run directory; the GUI logs to "
                      + os.path.join(outside, "korvane-CEGUI-"), g.stderr())
        self.assertFalse(g.exists("CEGUI.log"))
        self.assertTrue(any(n.startswith("korvane-CEGUI-") for n in os.listdir(outside)))
        self.assertEqual(g.close_until_exit(), 0)


if __name__ == "__main__":
    unittest.main()
