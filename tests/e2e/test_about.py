"""The About window's latest-version query in the real game, against a version service the
test runs on 127.0.0.1 (nothing ever leaves the machine)."""

import socket
import threading
import time
import unittest

from harness import GameTest, config_with

VERSION_PATH = "/latestversion.php"


def expected_request(host_text):
    return ("GET http://" + host_text + VERSION_PATH + " HTTP/1.1\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
            "Accept-Language: en-us\r\n"
            "Accept-Encoding: gzip, deflate\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\r\n"
            "Host: " + host_text + "\r\n"
            "Connection: Close\r\n"
            "\r\n").encode() + b"\0"


def response(body):
    return (b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
            str(len(body)).encode() + b"\r\nConnection: close\r\n\r\n" + body)


class VersionService:
    """A one-connection-at-a-time server on loopback. Each connection takes the next script
    from `answers`: a list of byte blocks sent with a pause between them, the same held back
    until an event is set as (event, blocks), or None to accept, read and stay silent until
    the client gives up. Records what every client sent."""

    def __init__(self, answers):
        self.answers = list(answers)
        self.requests = []  # (time the request was complete, bytes)
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(4)
        self.sock.settimeout(0.2)
        self.port = self.sock.getsockname()[1]
        self.stopping = False
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while not self.stopping:
            try:
                conn, _ = self.sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            with conn:
                self.handle(conn)

    def handle(self, conn):
        conn.settimeout(5)
        data = b""
        try:
            # The request ends with its blank line and the zero byte after it.
            while not data.endswith(b"\r\n\r\n\0") and len(data) < 65536:
                chunk = conn.recv(4096)
                if not chunk:
                    break
                data += chunk
        except socket.timeout:
            pass
        self.requests.append((time.time(), data))
        script = self.answers.pop(0) if self.answers else [response(b"9.99")]
        try:
            if isinstance(script, tuple):
                script[0].wait(10)
                script = script[1]
            if script is None:
                # Silent: wait for the client to hang up.
                conn.settimeout(10)
                while conn.recv(4096):
                    pass
                return
            for i, block in enumerate(script):
                if i:
                    time.sleep(0.4)
                conn.sendall(block)
        except OSError:
            pass

    def stop(self):
        self.stopping = True
        self.thread.join(2)
        self.sock.close()


class AboutTest(GameTest):
    def setUp(self):
        super().setUp()
        # Xvfb resets when its last client leaves; a connection of our own keeps it up for
        # the next game of the same test.
        from Xlib import display
        self.keeper = display.Display(self.xvfb.display)

    def tearDown(self):
        self.keeper.close()
        super().tearDown()

    def serve(self, answers):
        service = VersionService(answers)
        self.addCleanup(service.stop)
        return service

    def open_about(self, g):
        """Clicks the About button; returns the click time, the time the answer showed and
        the first probe with it. The window opens at once with "..." (the query runs beside
        the game, which goes on drawing frames), then shows the answer."""
        p = g.wait_probe(lambda p: p.visible("Menu/AboutButton") and
                         p.windows["Menu"]["enabled"])
        clicked = time.time()
        g.click(*p.centre("Menu/AboutButton"))
        opened = g.wait_probe(lambda p: p.visible("About"), timeout=15, after=p.frame)
        p = g.wait_probe(lambda p: p.windows["About/LatestVersion"]["text"] != "...",
                         timeout=15, after=opened.frame - 1)
        self.frames_while_asking = p.frame - opened.frame
        # The menu is locked while About is open.
        self.assertTrue(p.visible("Menu"))
        self.assertFalse(p.windows["Menu"]["enabled"])
        return clicked, time.time(), p

    def click_latency(self, g):
        """Seconds from a click on a plain menu button to the probe showing its effect: how
        slow this machine is right now, so the query's own time can be told apart."""
        p = g.wait_probe(lambda p: p.visible("Menu/SettingsButton"))
        clicked = time.time()
        g.click(*p.centre("Menu/SettingsButton"))
        g.wait_probe(lambda p: p.visible("Settings"), after=p.frame)
        latency = time.time() - clicked
        g.click_window("Settings/CancelButton")
        g.wait_probe(lambda p: not p.visible("Settings") and p.visible("Menu/AboutButton"))
        return latency

    def close_about(self, g):
        g.click_window("About/OKButton")
        return g.wait_probe(lambda p: not p.visible("About") and p.windows["Menu"]["enabled"])

    def test_answers_are_shown_and_every_opening_asks_again(self):
        service = self.serve([
            [response(b"1.05 and more")],
            # Body of three characters.
            [response(b"1.0")],
            # Header alone in the first chunk, the body in a second one.
            [b"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n", b"\r\n2.00"],
            # Hangs up without a word: nothing more can come, so no waiting for the deadline.
            [],
            [response(b"2.17")],
        ])
        host = f"127.0.0.1:{service.port}"
        g = self.start_window(config=config_with() + f"VersionHost={host}\n")
        g.next_frames(3)
        latency = self.click_latency(g)
        shown, took = [], []
        for _ in range(5):
            clicked, seen, p = self.open_about(g)
            shown.append(p.windows["About/LatestVersion"]["text"])
            took.append(seen - clicked - latency)
            self.close_about(g)
        self.assertEqual(shown, ["1.05", "Connection Error", "Connection Error",
                                 "Connection Error", "2.17"])
        self.assertLess(took[3], 1.5, took)
        self.assertEqual(len(service.requests), 5)
        for _, data in service.requests:
            self.assertEqual(data, expected_request(host))

    def test_silent_service_gives_up_after_the_deadline(self):
        service = self.serve([None, None])
        host = f"127.0.0.1:{service.port}"
        g = self.start_window(config=config_with() + f"VersionHost={host}\n")
        g.next_frames(3)
        latency = self.click_latency(g)
        clicked, seen, p = self.open_about(g)
        self.assertEqual(p.windows["About/LatestVersion"]["text"], "Connection Error")
        self.assertEqual(len(service.requests), 1)
        asked = service.requests[0][0]
        # Three seconds counted after the request went out; never much past four.
        self.assertGreaterEqual(seen - asked, 2.9)
        self.assertLess(seen - clicked - latency, 4.2)
        # The game kept drawing (at least its idle pace of a few frames a second) meanwhile.
        self.assertGreaterEqual(self.frames_while_asking, 6)
        self.close_about(g)
        # Neither closing About nor quitting waits for a query that hangs.
        p = g.wait_probe(lambda p: p.visible("Menu/AboutButton"))
        g.click(*p.centre("Menu/AboutButton"))
        g.wait_probe(lambda p: p.visible("About"), after=p.frame)
        self.close_about(g)
        g.click_window("Menu/ExitButton")
        self.assertEqual(g.wait_exit(10), 0)
        self.assertLess(time.time() - service.requests[1][0], 2.5)

    def test_the_answer_wakes_the_idle_game(self):
        go = threading.Event()
        service = self.serve([(go, [response(b"3.21")])])
        g = self.start_window(config=config_with() + f"VersionHost=127.0.0.1:{service.port}\n")
        g.next_frames(3)
        # Telling a wakeup from the next idle frame needs a machine that answers a click fast.
        latency = self.click_latency(g)
        if latency > 0.3:
            self.skipTest(f"machine too busy to time a wakeup (a click takes {latency:.2f} s)")
        p = g.wait_probe(lambda p: p.visible("Menu/AboutButton"))
        g.click(*p.centre("Menu/AboutButton"))
        g.wait_probe(lambda p: p.visible("About"), after=p.frame)
        # A second after the click the game idles at four frames a second. The answer leaves
        # right after an idle frame, so only a wakeup can show it before the next one.
        time.sleep(1.5)
        frame = g.probe().frame
        while g.probe().frame == frame:
            time.sleep(0.002)
        go.set()
        sent = time.time()
        shown = None
        while shown in (None, "...") and time.time() < sent + 5:
            time.sleep(0.002)
            shown = g.probe().windows.get("About/LatestVersion", {}).get("text")
        self.assertLess(time.time() - sent, 0.23)
        self.assertEqual(shown, "3.21")

    def test_without_a_service_host_the_answer_is_immediate(self):
        for name, config in (("empty", config_with() + "VersionHost=\n"),
                             ("missing", config_with())):
            with self.subTest(name):
                g = self.start_window(config=config)
                g.next_frames(3)
                latency = self.click_latency(g)
                clicked, seen, p = self.open_about(g)
                self.assertEqual(p.windows["About/LatestVersion"]["text"], "Connection Error")
                # No waiting for a deadline: about as quick as any other button.
                self.assertLess(seen - clicked - latency, 1.5)
                self.close_about(g)
                g.stop()


if __name__ == "__main__":
    unittest.main()
