#!/usr/bin/python3
"""The web page in headless Firefox, driven through Firefox's own remote
protocol (Marionette), as Debian has no driver for Selenium to use: the example
song from disk and from a static server, its song file and assembler source the
native programs' bytes, a damaged MIDI file told with the reader's message, and
Play either playing or saying why it cannot.

  firefox_test.py SITE_FOLDER NATIVE_BUILD EXAMPLE_FOLDER
"""
import base64
import json
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

from browser_test import DAMAGED_MIDI, SITE, WAIT_SECONDS, native_song, readers_message, serve

PORT = 2829


class Marionette:
    """Just enough of the protocol: commands answered in order, one at a time."""

    def __init__(self, profile):
        Path(profile, "user.js").write_text(
            f'user_pref("marionette.port", {PORT});\n'
            'user_pref("media.autoplay.default", 0);\n'
            'user_pref("browser.shell.checkDefaultBrowser", false);\n'
            'user_pref("datareporting.policy.dataSubmissionEnabled", false);\n')
        self.process = subprocess.Popen(
            ["firefox-esr", "--headless", "--marionette", "--no-remote", "--profile", profile],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + WAIT_SECONDS
        while True:
            try:
                self.socket = socket.create_connection(("127.0.0.1", PORT))
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.3)
        self.reader = self.socket.makefile("rb")
        self.last_id = 0
        self.receive()  # the greeting
        self.command("WebDriver:NewSession", {"capabilities": {}})

    def receive(self):
        length = b""
        while not length.endswith(b":"):
            length += self.reader.read(1)
        return json.loads(self.reader.read(int(length[:-1])))

    def command(self, name, parameters):
        self.last_id += 1
        body = json.dumps([0, self.last_id, name, parameters]).encode()
        self.socket.sendall(str(len(body)).encode() + b":" + body)
        _, _, error, result = self.receive()
        if error:
            raise RuntimeError(f"{name}: {error}")
        return result

    def script(self, text):
        return self.command("WebDriver:ExecuteScript", {"script": text, "args": []})["value"]

    def quit(self):
        self.process.kill()
        self.process.wait()


class FirefoxPageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="songtools-firefox-"))
        cls.native = native_song(Path(tempfile.mkdtemp(dir=cls.work)))
        cls.server = serve(SITE)
        cls.browser = Marionette(tempfile.mkdtemp(dir=cls.work))

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.shutdown()
        shutil.rmtree(cls.work, ignore_errors=True)

    def wait_for(self, script, what):
        deadline = time.monotonic() + WAIT_SECONDS
        while time.monotonic() < deadline:
            if self.browser.script(script):
                return
            time.sleep(0.2)
        self.fail(f"waited {WAIT_SECONDS} s for {what}")

    def text_of(self, element):
        return self.browser.script(f"return document.getElementById('{element}').textContent")

    def load(self, url):
        self.browser.command("WebDriver:Navigate", {"url": url})
        self.wait_for("return document.body.dataset.busy === 'false'", "the page to load")

    def offered(self, link):
        """The bytes a download link holds."""
        encoded = self.browser.command("WebDriver:ExecuteAsyncScript", {"args": [], "script": f"""
            const done = arguments[arguments.length - 1];
            fetch(document.getElementById('{link}').href).then(r => r.arrayBuffer()).then(buffer => {{
              let text = '';
              for (const byte of new Uint8Array(buffer)) text += String.fromCharCode(byte);
              done(btoa(text));
            }});"""})["value"]
        return base64.b64decode(encoded)

    def test_example_from_disk_and_from_a_server(self):
        for url in ((SITE / "index.html").as_uri(),
                    f"http://127.0.0.1:{self.server.server_address[1]}/index.html"):
            with self.subTest(url=url):
                self.load(url)
                self.browser.script("document.getElementById('example').click()")
                self.wait_for("return document.body.dataset.busy === 'false' && "
                              "!!document.getElementById('download-s').href", "the example")
                self.assertEqual(self.text_of("problem"), "")
                self.assertEqual(self.browser.script("return document.body.dataset.engine"), "worker")
                self.assertIn("Music kept:", self.text_of("check-report"))
                self.assertIn("demo-arranged.mid written.", self.text_of("prep-report"))
                for link, name in (("download-sng", "demo-arranged.sng"), ("download-s", "demo-arranged.S")):
                    self.assertEqual(self.offered(link), (self.native / name).read_bytes(), name)

        # A machine without a sound device never starts the sound: the page says so.
        self.browser.script("document.getElementById('play').click()")
        self.wait_for("return document.body.dataset.played === 'true' || "
                      "document.getElementById('problem').textContent !== ''", "the sound or a word on it")
        problem = self.text_of("problem")
        if problem:
            self.assertIn("The browser did not start the sound", problem)

    def test_damaged_midi_file_shows_the_readers_message(self):
        message = readers_message(self.work, "broken.mid", DAMAGED_MIDI)
        self.load((SITE / "index.html").as_uri())
        picker = self.browser.command("WebDriver:FindElement",
                                      {"using": "css selector", "value": "#file-picker"})["value"]
        element = next(iter(picker.values()))
        self.browser.command("WebDriver:ElementSendKeys", {"id": element, "text": str(self.work / "broken.mid")})
        self.wait_for("return document.getElementById('problem').textContent !== ''", "the message")
        self.assertEqual(self.text_of("problem").strip(), message)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
