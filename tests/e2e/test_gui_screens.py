"""The GUI screens of the real game, driven with real clicks and typing: the main menu, the
network menus, the settings dialog and config.cfg, the language switch, the About box."""

import time
import unittest

from harness import (GameTest, choose_combo_item, click_edit_part, config_with, layout_texts,
                     map_extra_keysyms, window_shot)

TOP_LEVEL = ["Menu", "Logo", "LocalIngame", "NetworkMenu", "JoinGame", "JoinGameDirect",
             "ConnectingPopUp", "NetworkIngame", "NetworkErrPopUp", "OfferDrawPopUp",
             "WantsRemovePopUp", "IngamePawnTransform", "GameEnd", "StatusBar", "ChatHistory",
             "ChatLine", "Settings", "About"]

MENU_BUTTONS = ["Menu/LocalButton", "Menu/NetworkButton", "Menu/SettingsButton",
                "Menu/AboutButton", "Menu/ExitButton"]


def visible_top_level(p):
    return sorted(name for name in TOP_LEVEL if p.visible(name))


def config_value(game, key):
    for line in game.read("config.cfg").decode("utf-8").splitlines():
        if line.startswith(key + "="):
            return line.split("=", 1)[1]
    return None


class ScreensTest(GameTest):
    def open_settings(self, g):
        g.click_window("Menu/SettingsButton")
        return g.wait_probe(lambda p: p.visible("Settings"))

    def press_ok(self, g):
        g.click_window("Settings/OKButton")
        return g.wait_probe(lambda p: not p.visible("Settings"))

    def assert_main_menu(self, p, extra=()):
        self.assertEqual(visible_top_level(p), sorted(["Menu", "Logo", *extra]))
        for name in MENU_BUTTONS:
            self.assertTrue(p.windows[name]["visible"] and p.windows[name]["enabled"], name)

    def test_main_menu_shows_the_layout_texts_and_nothing_else(self):
        g = self.start_window(config=config_with())
        p = g.next_frames(3)
        self.assert_main_menu(p)
        english = layout_texts("guien.xml")
        for name in MENU_BUTTONS + ["Logo"]:
            self.assertEqual(p.windows[name]["text"], english[name], name)
        for i in range(8):
            self.assertEqual(p.windows[f"CH/{i}"]["text"], "")
        # The five buttons stack inside the menu panel without touching each other.
        menu = p.windows["Menu"]
        boxes = [p.windows[n] for n in MENU_BUTTONS]
        for a, b in zip(boxes, boxes[1:]):
            self.assertLess(a["y"] + a["h"], b["y"])
        for b in boxes:
            self.assertGreaterEqual(b["y"], menu["y"])
            self.assertLessEqual(b["y"] + b["h"], menu["y"] + menu["h"])
        window_shot(g, "menu-en-1024x768")

    def test_network_menu_join_screen_and_back(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        g.click_window("Menu/NetworkButton")
        p = g.wait_probe(lambda p: p.visible("NetworkMenu"))
        self.assertEqual(visible_top_level(p), ["NetworkMenu"])

        g.click_window("NetworkMenu/JoinButton")
        p = g.wait_probe(lambda p: p.visible("JoinGame"))
        self.assertEqual(visible_top_level(p), ["JoinGame"])
        self.assertTrue(p.windows["JoinGame"]["enabled"])

        # The address dialog disables the list behind it; its close button brings it back.
        g.click_window("JoinGame/DirectButton")
        p = g.wait_probe(lambda p: p.visible("JoinGameDirect"))
        self.assertFalse(p.windows["JoinGame"]["enabled"])
        self.assertFalse(p.windows["JoinGame/BackButton"]["enabled"])
        d = p.windows["JoinGameDirect"]
        # The close button sits at the right end of the title bar.
        g.click(d["x"] + d["w"] - 14, d["y"] + 12)
        p = g.wait_probe(lambda p: not p.visible("JoinGameDirect"))
        self.assertTrue(p.windows["JoinGame"]["enabled"])

        g.click_window("JoinGame/BackButton")
        p = g.wait_probe(lambda p: p.visible("NetworkMenu"))
        self.assertEqual(visible_top_level(p), ["NetworkMenu"])

        g.click_window("NetworkMenu/BackButton")
        p = g.wait_probe(lambda p: p.visible("Menu"))
        self.assert_main_menu(p)
        self.assertEqual(p.values["mode"], "-1")

    def test_local_game_and_back_keeps_the_status_bar(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        g.click_window("Menu/LocalButton")
        p = g.wait_probe(lambda p: p.visible("LocalIngame"))
        self.assertEqual(visible_top_level(p), ["LocalIngame", "StatusBar"])
        self.assertEqual(p.values["mode"], "0")
        self.assertTrue(p.visible("StatusBar/WhiteOnMove"))
        self.assertFalse(p.visible("StatusBar/BlackOnMove"))
        # e2-e4: the label follows the side to move.
        pawn = p.pieces["Pawn_04"]
        g.click(pawn["px"], pawn["py"])
        g.wait_probe(lambda p: p.values.get("selected", "none") != "none")
        g.click(*p.squares[28])
        p = g.wait_probe(lambda p: p.values["side"] == "1")
        self.assertFalse(p.visible("StatusBar/WhiteOnMove"))
        self.assertTrue(p.visible("StatusBar/BlackOnMove"))
        # Restart: white again.
        g.click_window("LocalIngame/RestartButton")
        p = g.wait_probe(lambda p: p.values["side"] == "0")
        self.assertTrue(p.visible("StatusBar/WhiteOnMove"))
        self.assertFalse(p.visible("StatusBar/BlackOnMove"))
        g.click_window("LocalIngame/QuitButton")
        p = g.wait_probe(lambda p: p.visible("Menu"))
        self.assert_main_menu(p, extra=["StatusBar"])
        self.assertEqual(p.values["mode"], "-1")

    def test_about_box_without_a_version_host_says_connection_error(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        g.click_window("Menu/AboutButton")
        p = g.wait_probe(lambda p: p.visible("About"))
        self.assertEqual(p.windows["Menu/AboutButton"]["text"], "About")
        # No VersionHost: the query gives up at once instead of waiting.
        p = g.wait_probe(lambda p: p.windows["About/LatestVersion"]["text"] == "Connection Error",
                         timeout=3)
        self.assertFalse(p.windows["Menu"]["enabled"])
        self.assertTrue(p.visible("Logo"))
        # The disabled menu ignores clicks.
        g.click(*p.centre("Menu/LocalButton"))
        g.next_frames(3)
        p = g.wait_probe()
        self.assertFalse(p.visible("LocalIngame"))
        g.click_window("About/OKButton")
        p = g.wait_probe(lambda p: not p.visible("About"))
        self.assert_main_menu(p)

    def test_settings_ok_writes_the_changes_and_backs_up_once(self):
        original = config_with()
        g = self.start_window(config=original)
        g.next_frames(3)
        p = self.open_settings(g)
        self.assertFalse(p.windows["Menu"]["enabled"])
        self.assertEqual(p.windows["Settings/Res"]["text"], "1024x768")
        self.assertEqual(p.windows["Settings/AA"]["text"], "0x")
        self.assertEqual(p.windows["Settings/RS"]["text"], "OpenGL")
        self.assertEqual(p.windows["Settings/Lang"]["text"], "English")
        self.assertFalse(g.exists("config_backup.cfg"))

        choose_combo_item(g, "Settings/Res", 2, "1280x960")
        choose_combo_item(g, "Settings/AA", 2, "4x")
        g.click_window("Settings/Shadows")
        g.click_window("Settings/FlipView")
        g.next_frames(2)
        p = self.press_ok(g)
        self.assert_main_menu(p)
        self.assertEqual(config_value(g, "W"), "1280")
        self.assertEqual(config_value(g, "H"), "960")
        self.assertEqual(config_value(g, "AA"), "4")
        self.assertEqual(config_value(g, "Shadows"), "false")
        self.assertEqual(config_value(g, "FlipView"), "true")
        self.assertEqual(config_value(g, "FS"), "No")
        self.assertEqual(config_value(g, "VSync"), "Yes")
        self.assertEqual(g.read("config_backup.cfg").decode(), original)

        # Reopened, the dialog shows what was written; a second OK keeps the first backup.
        p = self.open_settings(g)
        self.assertEqual(p.windows["Settings/Res"]["text"], "1280x960")
        self.assertEqual(p.windows["Settings/AA"]["text"], "4x")
        choose_combo_item(g, "Settings/Res", 0, "800x600")
        self.press_ok(g)
        self.assertEqual(config_value(g, "W"), "800")
        self.assertEqual(config_value(g, "H"), "600")
        self.assertEqual(g.read("config_backup.cfg").decode(), original)

    def test_settings_cancel_and_refused_texts_leave_the_file_alone(self):
        original = config_with(AA="2")
        g = self.start_window(config=original)
        g.next_frames(3)
        self.open_settings(g)
        choose_combo_item(g, "Settings/Res", 0, "800x600")
        g.click_window("Settings/FS")
        g.click_window("Settings/Sounds")
        g.click_window("Settings/CancelButton")
        p = g.wait_probe(lambda p: not p.visible("Settings"))
        self.assert_main_menu(p)
        self.assertEqual(g.read("config.cfg").decode(), original)
        self.assertFalse(g.exists("config_backup.cfg"))

        # Reopened after Cancel: the stored values again.
        p = self.open_settings(g)
        self.assertEqual(p.windows["Settings/Res"]["text"], "1024x768")
        self.assertEqual(p.windows["Settings/AA"]["text"], "2x")

        # A typed resolution of another shape is refused: the dialog stays, nothing written.
        click_edit_part(g, "Settings/Res")
        g.next_frames(2)
        g.key("End")
        for _ in range(10):
            g.key("BackSpace")
        g.type_text("big")
        g.wait_probe(lambda p: p.windows["Settings/Res"]["text"] == "big")
        g.click_window("Settings/OKButton")
        g.next_frames(3)
        p = g.wait_probe()
        self.assertTrue(p.visible("Settings"))
        self.assertEqual(g.read("config.cfg").decode(), original)
        self.assertFalse(g.exists("config_backup.cfg"))
        window_shot(g, "settings-refused-en-1024x768")

        # Typed in the offered shape it is taken.
        click_edit_part(g, "Settings/Res")
        g.next_frames(2)
        g.key("End")
        for _ in range(5):
            g.key("BackSpace")
        g.type_text("1280x960")
        g.wait_probe(lambda p: p.windows["Settings/Res"]["text"] == "1280x960")
        self.press_ok(g)
        self.assertEqual((config_value(g, "W"), config_value(g, "H")), ("1280", "960"))

    def test_player_name_typed_with_czech_letters_reaches_the_file(self):
        # The accented letters sit on keys of their own, as on a Czech keyboard.
        map_extra_keysyms(self.xvfb, ["iacute", "aacute", "rcaron"])
        g = self.start_window(config=config_with())
        g.next_frames(3)
        self.open_settings(g)
        g.click_window("Settings/PName")
        # Text input opens in the frame after the edit box takes the focus.
        g.next_frames(2)
        g.type_text("Jiří Míla Novák")
        p = g.wait_probe(lambda p: p.windows["Settings/PName"]["text"] == "Jiří Míla Novák",
                         timeout=10)
        self.assertTrue(p.visible("Settings"))
        self.press_ok(g)
        self.assertEqual(config_value(g, "PlayerName"), "Jiří Míla Novák")
        # Reopened, the name comes back from the file.
        p = self.open_settings(g)
        self.assertEqual(p.windows["Settings/PName"]["text"], "Jiří Míla Novák")

    def test_switching_to_czech_and_back_rebuilds_the_screens(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        english = layout_texts("guien.xml")
        czech = layout_texts("guicz.xml")
        # A local game leaves the status bar up over the menu; only a rebuild hides it.
        g.click_window("Menu/LocalButton")
        g.wait_probe(lambda p: p.visible("LocalIngame"))
        g.click_window("LocalIngame/QuitButton")
        p = g.wait_probe(lambda p: p.visible("Menu"))
        self.assertTrue(p.visible("StatusBar"))

        self.open_settings(g)
        # Shown with its accent; stored as every settings file so far has it.
        choose_combo_item(g, "Settings/Lang", 1, "Česky")
        self.press_ok(g)
        p = g.wait_probe(lambda p: p.windows["Menu/LocalButton"]["text"] == czech["Menu/LocalButton"])
        self.assertNotEqual(czech["Menu/LocalButton"], english["Menu/LocalButton"])
        for name in MENU_BUTTONS + ["Settings/OKButton", "Settings/CancelButton",
                                    "StatusBar/WhiteOnMove", "LocalIngame/QuitButton"]:
            self.assertEqual(p.windows[name]["text"], czech[name], name)
        self.assert_main_menu(p)
        for i in range(8):
            self.assertEqual(p.windows[f"CH/{i}"]["text"], "")
        self.assertEqual(config_value(g, "Lang"), "Cesky")

        # The rebuilt menu takes clicks: back to English through the Czech dialog.
        p = self.open_settings(g)
        self.assertEqual(p.windows["Settings/Lang"]["text"], "Česky")
        choose_combo_item(g, "Settings/Lang", 0, "English")
        self.press_ok(g)
        p = g.wait_probe(
            lambda p: p.windows["Menu/LocalButton"]["text"] == english["Menu/LocalButton"])
        for name in MENU_BUTTONS + ["Settings/OKButton"]:
            self.assertEqual(p.windows[name]["text"], english[name], name)
        self.assert_main_menu(p)
        self.assertEqual(config_value(g, "Lang"), "English")

    def test_unchanged_language_does_not_rebuild(self):
        g = self.start_window(config=config_with())
        g.next_frames(3)
        g.click_window("Menu/LocalButton")
        g.wait_probe(lambda p: p.visible("LocalIngame"))
        g.click_window("LocalIngame/QuitButton")
        g.wait_probe(lambda p: p.visible("Menu"))
        self.open_settings(g)
        self.press_ok(g)
        g.next_frames(3)
        p = g.wait_probe()
        # The status bar shown by the game stays: the GUI was not loaded again.
        self.assertTrue(p.visible("StatusBar"))
        self.assert_main_menu(p, extra=["StatusBar"])


POP_UPS = ["JoinGameDirect", "ConnectingPopUp", "Settings", "About", "GameEnd"]


class ScreenWalkTest(GameTest):
    """Every screen reachable without a peer, in both languages at the smallest and largest
    offered sizes; pictures go to the artifacts folder for a look."""

    def check_screen(self, g, p, tag):
        root = p.windows["Root"]
        for name, w in p.windows.items():
            if w["visible"] and name != "Root":
                self.assertGreaterEqual(w["x"], 0, f"{tag}: {name} leaves the window")
                self.assertGreaterEqual(w["y"], 0, f"{tag}: {name} leaves the window")
                self.assertLessEqual(w["x"] + w["w"], root["w"] + 1, f"{tag}: {name}")
                self.assertLessEqual(w["y"] + w["h"], root["h"] + 1, f"{tag}: {name}")
        for name in POP_UPS:
            if p.visible(name):
                cx, cy = p.centre(name)
                self.assertLessEqual(abs(cx - root["w"] / 2), 2, f"{tag}: {name} not centred")
                self.assertLessEqual(abs(cy - root["h"] / 2), 2, f"{tag}: {name} not centred")
        window_shot(g, tag)

    def move(self, g, piece, square, side_after):
        p = g.wait_probe()
        g.click(p.pieces[piece]["px"], p.pieces[piece]["py"])
        g.wait_probe(lambda p: p.values.get("selected", "none") != "none")
        g.click(*p.squares[square])
        return g.wait_probe(lambda p: p.values["side"] == side_after or p.visible("GameEnd"))

    def walk(self, lang, width, height):
        tag = f"{'cz' if lang == 'Cesky' else 'en'}-{width}x{height}"
        g = self.start_window(config=config_with(Lang=lang, W=str(width), H=str(height)))
        p = g.next_frames(3)
        self.assertEqual((p.windows["Root"]["w"], p.windows["Root"]["h"]), (width, height))
        self.check_screen(g, p, "menu-" + tag)

        g.click_window("Menu/SettingsButton")
        self.check_screen(g, g.wait_probe(lambda p: p.visible("Settings")), "settings-" + tag)
        g.click_window("Settings/CancelButton")
        g.wait_probe(lambda p: not p.visible("Settings"))
        g.click_window("Menu/AboutButton")
        self.check_screen(g, g.wait_probe(lambda p: p.windows["About/LatestVersion"]["text"]
                                          == "Connection Error"), "about-" + tag)
        g.click_window("About/OKButton")
        g.wait_probe(lambda p: not p.visible("About"))

        # A local game: the panels leave the middle of the board free.
        g.click_window("Menu/LocalButton")
        p = g.wait_probe(lambda p: p.visible("LocalIngame"))
        for panel in ("LocalIngame", "StatusBar"):
            w = p.windows[panel]
            for sq in (27, 28, 35, 36):
                x, y = p.squares[sq]
                self.assertFalse(w["x"] <= x <= w["x"] + w["w"] and w["y"] <= y <= w["y"] + w["h"],
                                 f"{tag}: {panel} covers square {sq}")
        self.check_screen(g, p, "local-" + tag)
        # The fool's mate ends the game at once.
        self.move(g, "Pawn_05", 21, "1")
        self.move(g, "PawnB_04", 36, "0")
        self.move(g, "Pawn_06", 30, "1")
        self.move(g, "QueeB_00", 31, "0")
        p = g.wait_probe(lambda p: p.visible("GameEnd"))
        self.assertTrue(p.visible("GameEnd/Checkmate") and p.visible("GameEnd/BlackWon"))
        self.check_screen(g, p, "gameend-" + tag)
        g.click_window("GameEnd/OKButton")
        g.wait_probe(lambda p: p.visible("LocalIngame"))
        g.click_window("LocalIngame/QuitButton")
        g.wait_probe(lambda p: p.visible("Menu"))

        g.click_window("Menu/NetworkButton")
        self.check_screen(g, g.wait_probe(lambda p: p.visible("NetworkMenu")), "netmenu-" + tag)
        g.click_window("NetworkMenu/JoinButton")
        self.check_screen(g, g.wait_probe(lambda p: p.visible("JoinGame")), "join-" + tag)
        g.click_window("JoinGame/DirectButton")
        g.wait_probe(lambda p: p.visible("JoinGameDirect"))
        g.next_frames(2)
        g.type_text("127.0.0.1")
        p = g.wait_probe(lambda p: p.windows["JoinGameDirect/Line"]["text"] == "127.0.0.1")
        self.check_screen(g, p, "direct-" + tag)
        g.click_window("JoinGameDirect/ConnectButton")
        p = g.wait_probe(lambda p: p.visible("ConnectingPopUp"))
        self.assertTrue(p.visible("ConnectingPopUp/Connecting"))
        self.assertFalse(p.visible("ConnectingPopUp/NotConnected"))
        self.check_screen(g, p, "connecting-" + tag)

    def test_english_800x600(self):
        self.walk("English", 800, 600)

    def test_english_1280x960(self):
        self.walk("English", 1280, 960)

    def test_czech_800x600(self):
        self.walk("Cesky", 800, 600)

    def test_czech_1280x960(self):
        self.walk("Cesky", 1280, 960)


if __name__ == "__main__":
    unittest.main()
