"""End-to-end harness: the real game under Xvfb, real X input through xdotool, the state
probe, and screenshots.

Every test gets its own Xvfb server and its own copy of the run directory, so a test can
change config.cfg or resources.cfg without touching the build.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

RUN_DIR = os.environ.get("KORVANE_RUN_DIR", "")
ARTIFACTS = os.environ.get("KORVANE_E2E_ARTIFACTS", "")


class Xvfb:
    def __init__(self, width=1280, height=1024):
        rfd, wfd = os.pipe()
        # In a private network namespace the server's abstract socket is private, but its
        # socket file in /tmp/.X11-unix is shared: -displayfd there picks the number of a
        # server outside, whose abstract socket it cannot see, and takes over its file, so
        # clients of the other test that use the file (python-xlib does) reach the wrong
        # server. Inside, numbers start far above those of the servers outside.
        number = []
        if os.environ.get("KORVANE_IN_NETNS") == "1":
            n = 500
            while os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
                n += 1
            number = [f":{n}"]
        self.proc = subprocess.Popen(
            ["Xvfb", *number, "-displayfd", str(wfd), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(wfd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(wfd)
        with os.fdopen(rfd) as r:
            num = r.readline().strip()
        if not num:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + num

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()


class Probe:
    """The parsed state probe file."""

    def __init__(self, text):
        self.text = text
        self.values = {}
        self.squares = {}
        self.pieces = {}
        self.windows = {}
        self.lan = []  # (address, px, py) of each LAN list entry
        for line in text.splitlines():
            parts = line.split(" ")
            tag = parts[0]
            if tag == "lan" and len(parts) >= 4:
                self.lan.append((parts[1], float(parts[2]), float(parts[3])))
            if tag == "square" and len(parts) >= 4:
                self.squares[int(parts[1])] = (float(parts[2]), float(parts[3]))
            elif tag == "piece" and len(parts) >= 6:
                self.pieces[parts[1]] = dict(alive=parts[2] == "1", square=int(parts[3]),
                                             px=float(parts[4]), py=float(parts[5]))
            elif tag == "window" and len(parts) >= 8:
                self.windows[parts[1]] = dict(
                    visible=parts[2] == "1", enabled=parts[3] == "1",
                    x=float(parts[4]), y=float(parts[5]), w=float(parts[6]),
                    h=float(parts[7]), text=" ".join(parts[8:]).replace("\\n", "\n"))
            else:
                self.values[tag] = " ".join(parts[1:])

    @property
    def frame(self):
        return int(self.values.get("frame", "-1"))

    def visible(self, name):
        return self.windows.get(name, {}).get("visible", False)

    def centre(self, name):
        w = self.windows[name]
        return int(w["x"] + w["w"] / 2), int(w["y"] + w["h"] / 2)


class Game:
    """One run of the real executable in a temporary copy of the run directory."""

    def __init__(self, xvfb, config=None, remove_config=False, edit=None, env=None, wrap=None):
        self.xvfb = xvfb
        self.dir = tempfile.mkdtemp(prefix="korvane-e2e-")
        run_dir = os.path.abspath(RUN_DIR)  # the links below must not depend on the cwd
        for name in os.listdir(run_dir):
            src = os.path.join(run_dir, name)
            dst = os.path.join(self.dir, name)
            if name == "korvane":
                os.symlink(src, dst)
            elif name == "media":
                os.symlink(src, dst)
            elif os.path.isfile(src) and name.endswith(".cfg"):
                shutil.copy(src, dst)
        if remove_config:
            os.remove(self.path("config.cfg"))
        if config is not None:
            self.write("config.cfg", config)
        if edit:
            edit(self)
        self.state = self.path("state.txt")
        e = dict(os.environ)
        e["DISPLAY"] = xvfb.display
        e["KORVANE_STATE_FILE"] = self.state
        e.setdefault("ALSOFT_DRIVERS", "null")
        # SDL looks for Wayland first, and without this says so on every start.
        e.setdefault("XDG_RUNTIME_DIR", self.dir)
        for key, value in (env or {}).items():
            # None removes the variable, as `env -u` does.
            if value is None:
                e.pop(key, None)
            else:
                e[key] = value
        self.out = open(self.path("stdout.txt"), "w")
        self.err = open(self.path("stderr.txt"), "w")
        # `wrap` is a command prefix that ends by exec-ing the game (so its pid stays the
        # game's), for instance one that gives it a network namespace of its own.
        self.proc = subprocess.Popen([*(wrap or []), self.path("korvane")], cwd=self.dir, env=e,
                                     stdout=self.out, stderr=self.err)
        self.wid = None

    # files of the run directory
    def path(self, name):
        return os.path.join(self.dir, name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def write(self, name, text):
        with open(self.path(name), "w") as f:
            f.write(text)

    def exists(self, name):
        return os.path.exists(self.path(name))

    def stderr(self):
        self.err.flush()
        with open(self.path("stderr.txt")) as f:
            return f.read()

    # X side
    def xdo(self, *args):
        return subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=self.xvfb.display, LC_ALL="C.UTF-8"),
                              capture_output=True, text=True, timeout=20)

    def windows_named(self, name, *options):
        r = self.xdo("search", *options, "--onlyvisible", "--name", "^" + name + "$")
        return [w for w in r.stdout.split() if w]

    def wait_window(self, timeout=30, own=False):
        """The game's window; with `own`, only a window of this process (for several games on
        one X server)."""
        end = time.time() + timeout
        while time.time() < end:
            if self.proc.poll() is not None:
                return None
            mine = ("--all", "--pid", str(self.proc.pid)) if own else ()
            ws = self.windows_named("Korvane", *mine)
            if ws:
                self.wid = ws[0]
                return self.wid
            time.sleep(0.1)
        return None

    def close_window(self):
        """Asks the window to close as a window manager's close button would."""
        from Xlib import X, display, protocol
        d = display.Display(self.xvfb.display)
        try:
            # The top-level window of the game process (the engine draws in a child of it).
            win = d.create_resource_object("window", int(self.wid))
            delete = d.intern_atom("WM_DELETE_WINDOW")
            protocols = d.intern_atom("WM_PROTOCOLS")
            ev = protocol.event.ClientMessage(window=win, client_type=protocols,
                                              data=(32, [delete, X.CurrentTime, 0, 0, 0]))
            win.send_event(ev, event_mask=X.NoEventMask)
            # A round trip, not just a flush: an X server that sees the connection end
            # before it has read the request drops it, which under load lost one close in
            # three (and, in long LAN runs, looked like a game deaf to its window close).
            d.sync()
        finally:
            d.close()

    def probe(self):
        try:
            with open(self.state) as f:
                return Probe(f.read())
        except FileNotFoundError:
            return None

    def wait_probe(self, predicate=lambda p: True, timeout=20, after=-1):
        end = time.time() + timeout
        last = None
        while time.time() < end:
            p = self.probe()
            if p is not None and p.frame > after:
                last = p
                if predicate(p):
                    return p
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        raise AssertionError("probe condition not reached; where the game is:\n" +
                             self.backtrace() + "\nlast probe:\n" +
                             (last.text[:3000] if last else "none") + "\nstderr:\n" +
                             self.stderr()[-2000:])

    def backtrace(self):
        """The main thread's stack of a game that did not get where a test waited for it, so
        that a hang shows where it hangs."""
        if self.proc.poll() is not None:
            return f"(ended with exit code {self.proc.returncode})"
        try:
            r = subprocess.run(["gdb", "-p", str(self.proc.pid), "-batch", "-ex", "bt 25"],
                               capture_output=True, text=True, timeout=60)
        except (OSError, subprocess.TimeoutExpired) as e:
            return f"(no backtrace: {e})"
        return "\n".join(line for line in r.stdout.splitlines() if line.startswith("#"))

    def next_frames(self, count=3, timeout=20):
        start = self.wait_probe().frame
        return self.wait_probe(lambda p: p.frame >= start + count, timeout)

    def click(self, x, y, button=1):
        self.xdo("mousemove", "--window", self.wid, str(int(x)), str(int(y)))
        time.sleep(0.05)
        self.xdo("click", "--window", self.wid, str(button))

    def click_window(self, name):
        p = self.wait_probe(lambda p: p.visible(name))
        self.click(*p.centre(name))

    def key(self, *keys):
        self.xdo("key", "--window", self.wid, *keys)

    def key_down(self, key):
        self.xdo("keydown", "--window", self.wid, key)

    def key_up(self, key):
        self.xdo("keyup", "--window", self.wid, key)

    def xtest_key(self, keysym, down):
        """Presses or releases a key through the XTEST extension, by its own key code: the
        way to hold one particular Shift (xdotool presses modifiers through the modifier map,
        which always names the left one). The window under the pointer gets it."""
        from Xlib import X, XK, display
        from Xlib.ext import xtest
        d = display.Display(self.xvfb.display)
        try:
            code = d.keysym_to_keycode(XK.string_to_keysym(keysym))
            xtest.fake_input(d, X.KeyPress if down else X.KeyRelease, code)
            d.sync()
        finally:
            d.close()

    def type_text(self, text):
        self.xdo("type", "--window", self.wid, "--delay", "30", text)

    def screenshot(self, name):
        """A PNG of the whole screen; kept in the artifacts folder when one is set."""
        folder = ARTIFACTS or self.dir
        os.makedirs(folder, exist_ok=True)
        out = os.path.join(folder, name + ".png")
        subprocess.run(["import", "-display", self.xvfb.display, "-window", "root", out],
                       check=True, timeout=30)
        return out

    def pixel(self, png, x, y):
        r = subprocess.run(["convert", png, "-format", f"%[fx:int(255*p{{{x},{y}}}.r)] "
                            f"%[fx:int(255*p{{{x},{y}}}.g)] %[fx:int(255*p{{{x},{y}}}.b)]",
                            "info:"], capture_output=True, text=True, check=True)
        return tuple(int(v) for v in r.stdout.split())

    def wait_exit(self, timeout=20):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def click_until(self, name, predicate, tries=3):
        """Clicks the window until the probe shows what the click leads to: a busy X server
        now and then drops the first click on a window that has just appeared."""
        for _ in range(tries):
            self.click_window(name)
            try:
                return self.wait_probe(predicate, timeout=5)
            except AssertionError:
                continue
        return self.wait_probe(predicate, timeout=1)

    def close_until_exit(self, timeout=20):
        """Closes the window and returns the exit code, or None if the game did not end."""
        self.close_window()
        return self.wait_exit(timeout)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.out.close()
        self.err.close()
        if not ARTIFACTS:
            shutil.rmtree(self.dir, ignore_errors=True)


class GameTest(unittest.TestCase):
    """Each test method gets a fresh X server; start the game with self.start()."""

    # The X screen's size; tests with several game windows side by side ask for a wider one.
    screen = (1280, 1024)

    def setUp(self):
        if not RUN_DIR or not os.path.exists(os.path.join(RUN_DIR, "korvane")):
            self.fail("KORVANE_RUN_DIR must name a built run directory")
        self.xvfb = Xvfb(*self.screen)
        self.games = []

    def tearDown(self):
        for g in self.games:
            g.stop()
        self.xvfb.stop()

    def start(self, **kw):
        g = Game(self.xvfb, **kw)
        self.games.append(g)
        return g

    def start_window(self, **kw):
        g = self.start(**kw)
        self.assertIsNotNone(g.wait_window(), "no Korvane window; stderr:\n" + g.stderr())
        return g


DEFAULT_CONFIG = """[Video]
RS=OpenGL
W=1024
H=768
Depth=32
AA=0
FS=No
VSync=Yes
Shadows=true

[Game]
Sounds=false
FlipView=false
Highlighting=true
LastMoveHighlighting=true
Cartoon=false
Lang=English
PlayerName=
"""


def config_with(**changes):
    """The default config with some keys replaced: config_with(FS="Maybe")."""
    lines = []
    for line in DEFAULT_CONFIG.splitlines():
        key = line.split("=", 1)[0]
        if "=" in line and key in changes:
            line = key + "=" + changes[key]
        lines.append(line)
    return "\n".join(lines) + "\n"


def window_origin(game):
    """The game window's top-left corner on the screen, for reading screenshot pixels at
    the probe's window pixels."""
    geo = game.xdo("getwindowgeometry", game.wid).stdout
    pos = geo.split("Position:")[1].split()[0].split(",")
    return int(pos[0]), int(pos[1])


def window_pixels(game, png, points):
    """The colours at several window pixels of one screenshot, in one convert run."""
    ox, oy = window_origin(game)
    fmt = " ".join(f"%[fx:int(255*p{{{int(x) + ox},{int(y) + oy}}}.r)],"
                   f"%[fx:int(255*p{{{int(x) + ox},{int(y) + oy}}}.g)],"
                   f"%[fx:int(255*p{{{int(x) + ox},{int(y) + oy}}}.b)]" for x, y in points)
    r = subprocess.run(["convert", png, "-format", fmt, "info:"], capture_output=True,
                       text=True, check=True)
    return [tuple(int(v) for v in t.split(",")) for t in r.stdout.split()]


# ---------------------------------------------------------------- GUI screens helpers

def layout_texts(language_file):
    """Catalogue name -> text of every window of a layout file in the run directory's media
    (names as the probe writes them: "Menu/LocalButton", "CH/3")."""
    import xml.etree.ElementTree as ET
    tree = ET.parse(os.path.join(RUN_DIR, "media", "gui", language_file))
    texts = {}

    def walk(node, path):
        for child in node.findall("Window"):
            name = child.get("name")
            full = name if not path else path + "/" + name
            text = ""
            for prop in child.findall("Property"):
                if prop.get("name") == "Text":
                    text = prop.get("value", "")
            texts[full] = text
            walk(child, full)

    root = tree.getroot().find("Window")
    walk(root, "")
    # The chat lines live inside "ChatHistory"; the probe names them "CH/<n>".
    for i in range(8):
        key = f"ChatHistory/CH/{i}"
        if key in texts:
            texts[f"CH/{i}"] = texts.pop(key)
    return texts


def window_geometry(game):
    """(x, y, width, height) of the game's window on the screen."""
    out = game.xdo("getwindowgeometry", game.wid).stdout
    pos = out.split("Position:")[1].split()[0].split(",")
    size = out.split("Geometry:")[1].split()[0].split("x")
    return int(pos[0]), int(pos[1]), int(size[0]), int(size[1])


def window_shot(game, name):
    """A PNG of the game's window alone (the screen shot cropped to it)."""
    full = game.screenshot(name + "-screen")
    x, y, w, h = window_geometry(game)
    out = full[:-len("-screen.png")] + ".png"
    subprocess.run(["convert", full, "-crop", f"{w}x{h}+{x}+{y}", "+repage", out], check=True,
                   timeout=30)
    os.remove(full)
    return out


def click_edit_part(game, name):
    """Clicks the text field of a combo box (its probe rectangle includes the drop list)."""
    p = game.wait_probe(lambda p: p.visible(name))
    w = p.windows[name]
    game.click(w["x"] + w["w"] * 0.4, w["y"] + 10)


def choose_combo_item(game, name, index, expected_text, tries=3):
    """Opens a combo box's list and clicks its item number `index`; waits until the box
    shows `expected_text`. The item rows follow the font's line spacing, which scales with
    the window height, so the row is estimated and the probe confirms the choice."""
    for attempt in range(tries):
        p = game.wait_probe(lambda p: p.visible(name))
        w = p.windows[name]
        height = p.windows["Root"]["h"]
        spacing = 19.0 * height / 768.0
        edit = spacing + 10
        # The arrow button at the right end opens the list of editable boxes too.
        game.click(w["x"] + w["w"] - edit / 2, w["y"] + edit / 2)
        game.next_frames(2)
        y = w["y"] + edit + 3 + spacing * (index + 0.5) + (attempt - 1) * 2
        game.click(w["x"] + w["w"] * 0.3, y)
        try:
            return game.wait_probe(lambda p: p.windows[name]["text"] == expected_text, timeout=3)
        except AssertionError:
            continue
    raise AssertionError(f"{name} never showed {expected_text!r}")


def map_extra_keysyms(xvfb, keysyms, first_keycode=250):
    """Puts keysyms such as "rcaron" on spare key codes of the X server before the game
    starts. xdotool otherwise maps a missing keysym for the moment of one key press only,
    and a game that reads its events a frame later finds the key without a symbol."""
    from Xlib import XK, display
    # Letters beyond Latin-1 (rcaron, scaron) live in keysym groups loaded on demand.
    for group in ("latin2", "latin3", "latin4"):
        XK.load_keysym_group(group)
    d = display.Display(xvfb.display)
    try:
        rows = []
        for name in keysyms:
            sym = XK.string_to_keysym(name)
            rows.append((sym, sym))
        d.change_keyboard_mapping(first_keycode, rows)
        d.sync()
    finally:
        d.close()
