#!/usr/bin/python3
"""The web page in a real browser, headless Chromium driven by Selenium: the
example song checked, arranged and played, its downloaded song file,
assembler source and sound the same bytes the native programs write, a
damaged MIDI file told with the reader's own message, and the page opened from
disk too.

  browser_test.py SITE_FOLDER NATIVE_BUILD EXAMPLE_FOLDER [SCREENSHOT.png]

NATIVE_BUILD holds the native programs and bench/make_bench_song, which writes
the song of a million events that the page must work through without stopping.
"""
import base64
import functools
import re
import http.server
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

SITE, NATIVE, EXAMPLE = (Path(arg).resolve() for arg in sys.argv[1:4])
SCREENSHOT = Path(sys.argv[4]).resolve() if len(sys.argv) > 4 else None
WAIT_SECONDS = 60


def native_song(folder, *options):
    """The example through the native programs as the page runs them."""
    for name in ("demo.mid", "demo.env", "demo-0.raw", "demo-1.raw"):
        shutil.copyfile(EXAMPLE / name, folder / name)
    run = functools.partial(subprocess.run, cwd=folder, check=True, capture_output=True)
    run([NATIVE / "songprep" / "songprep", *options, "demo.mid", "demo-arranged.mid"])
    shutil.copyfile(folder / "demo.env", folder / "demo-arranged.env")
    run([NATIVE / "songmake" / "songmake", "demo-arranged.mid"])
    run([NATIVE / "songasm" / "songasm", "demo-arranged.sng"])
    run([NATIVE / "songplay" / "songplay", "demo-arranged.sng"])
    return folder


# A truncated file: the MIDI reader refuses it.
DAMAGED_MIDI = b"MThd\x00\x00\x00\x06\x00\x01\x00\x01\x01\xe0MTrk\x00\x00\x00\x08\x00\x90"


def readers_message(folder, name, midi):
    """Writes a MIDI file the reader refuses and returns native songcheck's word on it."""
    (folder / name).write_bytes(midi)
    told = subprocess.run([NATIVE / "songcheck" / "songcheck", name], cwd=folder,
                          capture_output=True, text=True)
    if told.returncode != 2 or not told.stderr.strip():
        raise AssertionError(f"native songcheck read {name}: exit {told.returncode}, {told.stderr!r}")
    return told.stderr.strip()


def start_browser(downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # Without the network switches Chromium keeps calling hosts a closed network refuses.
    for switch in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                   "--no-first-run", "--disable-background-networking",
                   "--disable-component-update", "--disable-sync", "--window-size=1200,2300",
                   f"--user-data-dir={downloads.parent / 'profile'}"):
        options.add_argument(switch)
    options.add_experimental_option("prefs", {"download.default_directory": str(downloads),
                                              "download.prompt_for_download": False})
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    browser.execute_cdp_cmd("Page.setDownloadBehavior",
                            {"behavior": "allow", "downloadPath": str(downloads)})
    return browser


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    handler = functools.partial(QuietHandler, directory=str(folder))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="songtools-page-"))
        cls.downloads = cls.work / "downloads"
        cls.downloads.mkdir()
        cls.native = native_song(Path(tempfile.mkdtemp(dir=cls.work)))
        cls.server = serve(SITE)
        cls.url = f"http://127.0.0.1:{cls.server.server_address[1]}/index.html"
        cls.browser = start_browser(cls.downloads)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.shutdown()
        shutil.rmtree(cls.work, ignore_errors=True)

    def element(self, name):
        return self.browser.find_element(By.ID, name)

    def text_of(self, name):
        """An element's text, shown or folded away (Selenium's .text is empty when folded)."""
        return self.element(name).get_attribute("textContent")

    def cells(self, row):
        return [cell.text for cell in self.element(row).find_elements(By.TAG_NAME, "td")]

    def wait_for(self, condition, what):
        deadline = time.monotonic() + WAIT_SECONDS
        while time.monotonic() < deadline:
            if condition():
                return
            time.sleep(0.2)
        self.fail(f"waited {WAIT_SECONDS} s for {what}; the page says: "
                  f"{self.element('problem').text!r}")

    def idle(self):
        return self.browser.execute_script("return document.body.dataset.busy") == "false"

    def open_with_example(self, url):
        self.browser.get(url)
        self.wait_for(self.idle, "the page to load")
        self.element("example").click()
        self.wait_for(lambda: self.idle() and self.element("download-s").get_attribute("href"),
                      "the example to be arranged")

    def console_errors(self):
        return [entry["message"] for entry in self.browser.get_log("browser")
                if entry["level"] == "SEVERE"]

    def download(self, link, name):
        target = self.downloads / name
        target.unlink(missing_ok=True)
        self.element(link).click()
        self.wait_for(lambda: target.exists() and not any(self.downloads.glob("*.crdownload")),
                      f"{name} to be downloaded")
        return target.read_bytes()

    def save_whole_page(self, name):
        self.browser.execute_script("window.scrollTo(0, 0)")
        size = self.browser.execute_cdp_cmd("Page.getLayoutMetrics", {})["cssContentSize"]
        shot = self.browser.execute_cdp_cmd("Page.captureScreenshot", {
            "format": "png", "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": size["width"], "height": size["height"], "scale": 1}})
        name.write_bytes(base64.b64decode(shot["data"]))

    def test_example_checked_arranged_played_and_downloaded(self):
        self.open_with_example(self.url)
        self.assertFalse(self.element("problem").is_displayed())
        # The programs ran in a worker, so that the page stays responsive.
        self.assertEqual(self.browser.execute_script("return document.body.dataset.engine"), "worker")
        # What a musician came for leads: the music kept, the pictures, Play and
        # the downloads; the programs' whole reports are folded away.
        kept_as_it_stands = self.cells("kept-as-it-stands")
        kept_arranged = self.cells("kept-arranged")
        self.assertEqual(len(kept_arranged), 3)
        self.assertTrue(all(cell.endswith("%") for cell in kept_as_it_stands + kept_arranged))
        self.assertTrue(self.element("play").is_displayed())
        self.assertTrue(self.element("check-picture").get_attribute("src").startswith("blob:"))
        self.assertEqual(self.element("findings").text.splitlines()[-1], "Nothing is lost.")
        self.assertFalse(self.browser.execute_script("return document.getElementById('transcripts').open"))
        self.assertFalse(self.element("check-report").is_displayed())
        check = self.text_of("check-report")
        self.assertIn("demo.mid: format 1, 5 tracks", check)
        self.assertIn(f"Music kept: melody {kept_as_it_stands[0]}, bass {kept_as_it_stands[1]}", check)
        arranged = self.text_of("prep-report")
        self.assertIn("$ songprep demo.mid demo-arranged.mid", arranged)
        self.assertIn(f"Music kept: melody {kept_arranged[0]}, bass {kept_arranged[1]}", arranged)
        self.assertIn("Wave files: demo-arranged-0.raw and demo-arranged-1.raw copied from demo-0.raw "
                      "and demo-1.raw", arranged)
        self.assertIn("demo-arranged.S written.", self.text_of("make-report"))
        # The download links end where their commas start.
        self.assertEqual(self.element("download-mid").value_of_css_property("margin-right"), "0px")

        for link, name in (("download-sng", "demo-arranged.sng"), ("download-s", "demo-arranged.S"),
                           ("download-wav", "demo-arranged.wav")):
            with self.subTest(name=name):
                self.assertEqual(self.download(link, name), (self.native / name).read_bytes())

        self.element("play").click()
        self.wait_for(lambda: "playing" in self.element("play-state").text, "the sound to start")
        first = self.element("play-state").text
        self.wait_for(lambda: self.element("play-state").text != first, "the sound to go on")
        self.assertEqual(self.browser.execute_script("return document.body.dataset.played"), "true")
        self.assertTrue(self.element("roll-cursor").is_displayed())
        # The cursor runs over the notes and the marks, not over the picture's title.
        cursor, roll = self.element("roll-cursor").rect, self.element("roll-picture").rect
        self.assertGreater(cursor["y"], roll["y"] + 20)
        self.assertLess(cursor["y"] + cursor["height"], roll["y"] + roll["height"])
        self.assertTrue(self.element("download-wav").get_attribute("href"))
        self.assertFalse(self.element("problem").is_displayed())
        if SCREENSHOT:
            self.save_whole_page(SCREENSHOT)
        self.element("play").click()  # stops
        self.assertEqual(self.console_errors(), [])

    def test_options_reach_the_programs(self):
        self.open_with_example(self.url)
        self.element("channel-mode").click()
        self.element("chords").send_keys("the lowest")
        unit = self.element("unit-ms")
        unit.clear()
        unit.send_keys("5")
        self.element("arrange-button").click()
        self.wait_for(lambda: self.idle() and self.element("download-sng").get_attribute("href"),
                      "the arrangement again")
        self.assertIn("$ songprep --voices auto --chords bottom --unit-ms 5 demo.mid demo-arranged.mid",
                      self.text_of("prep-report"))
        self.assertIn("$ songdump --svg --summary --unit-ms 5 demo-arranged.sng",
                      self.text_of("make-report"))
        native = native_song(Path(tempfile.mkdtemp(dir=self.work)),
                             "--voices", "auto", "--chords", "bottom", "--unit-ms", "5")
        self.assertEqual(self.download("download-sng", "demo-arranged.sng"),
                         (native / "demo-arranged.sng").read_bytes())

    def test_side_files_chosen_with_the_midi_file(self):
        folder = Path(tempfile.mkdtemp(dir=self.work))
        shutil.copyfile(EXAMPLE / "demo.mid", folder / "tune.mid")
        (folder / "tune.env").write_text("not a time\n")
        (folder / "tune-0.raw").write_bytes((EXAMPLE / "demo-0.raw").read_bytes()[:10])
        (folder / "notes.txt").write_text("hello\n")
        self.browser.get(self.url)
        self.wait_for(self.idle, "the page to load")
        names = ("tune.mid", "tune.env", "tune-0.raw", "notes.txt")
        self.element("file-picker").send_keys("\n".join(str(folder / name) for name in names))
        self.wait_for(lambda: self.idle() and self.element("download-s").get_attribute("href"),
                      "the song to be arranged")
        self.assertEqual(self.element("file-list").text.splitlines(), [
            "tune.mid (2666 bytes): the MIDI file, read as tune.mid",
            "tune.env (11 bytes): the envelope file, read as tune.env",
            "tune-0.raw (10 bytes): wave table 0, read as tune-0.raw",
            "wave table 1: none given. The check counts it missing, as songcheck does beside a MIDI "
            "file without it; the arranged song gets the example song's, which songprep writes where "
            "none is given."])
        self.assertEqual(self.element("problem").text, "Left aside (neither MIDI, .env nor .raw): notes.txt")
        check = self.text_of("check-report")
        self.assertIn("envelope lines skipped", check)
        self.assertIn("wave file tune-0.raw holds 5 samples of 64", check)
        self.assertIn("wave file tune-1.raw cannot be read: songmake stops there", check)
        self.assertIn("Wave files: tune-arranged-0.raw copied from tune-0.raw; tune-arranged-1.raw, the "
                      "example song's (the default)", self.text_of("prep-report"))
        self.assertIn("Warn: short wave file tune-arranged-0.raw.", self.text_of("make-report"))

    def test_midi_file_alone_reads_as_on_the_command_line(self):
        folder = Path(tempfile.mkdtemp(dir=self.work))
        shutil.copyfile(EXAMPLE / "demo.mid", folder / "solo.mid")
        native = subprocess.run([NATIVE / "songcheck" / "songcheck", "--svg", "solo.mid"], cwd=folder,
                                check=True, capture_output=True, text=True)
        self.browser.get(self.url)
        self.wait_for(self.idle, "the page to load")
        self.element("file-picker").send_keys(str(folder / "solo.mid"))
        self.wait_for(lambda: self.idle() and self.element("download-s").get_attribute("href"),
                      "the song to be arranged")
        self.assertIn("wave tables 0 and 1: none given.", self.element("file-list").text)
        # The page's check is songcheck's in a folder holding the MIDI file alone,
        # figures and all.
        self.assertEqual(self.text_of("check-report"), "$ songcheck --svg solo.mid\n" + native.stdout)
        arranged = self.text_of("prep-report")
        self.assertIn("Wave files: solo-arranged-0.raw and solo-arranged-1.raw, the example song's "
                      "(the default; --waves picks others)", arranged)
        self.assertNotIn("copied from", arranged)

    def test_damaged_midi_file_shows_the_readers_message(self):
        message = readers_message(self.work, "broken.mid", DAMAGED_MIDI)
        self.browser.get(self.url)
        self.wait_for(self.idle, "the page to load")
        self.element("file-picker").send_keys(str(self.work / "broken.mid"))
        self.wait_for(lambda: self.element("problem").is_displayed(), "the reader's message")
        self.assertEqual(self.element("problem").text.strip(), message)
        self.assertFalse(self.element("arrange").is_displayed())
        self.assertEqual(self.console_errors(), [])

    def test_million_events_worked_through_while_the_page_goes_on(self):
        subprocess.run([NATIVE / "bench" / "make_bench_song", "1000000", "big"], cwd=self.work,
                       check=True, capture_output=True)
        self.browser.get(self.url)
        self.wait_for(self.idle, "the page to load")
        self.element("file-picker").send_keys(str(self.work / "big.mid"))
        # The status counts the seconds on the page's own timer, which runs only
        # while the programs work elsewhere.
        self.wait_for(lambda: re.search(r"\(songcheck\)… \d+\.\d s", self.element("status-text").text),
                      "the seconds of a long check")
        self.wait_for(self.idle, "the check and the arrangement")
        # Far too big a picture to draw: offered instead.
        self.assertTrue(self.element("check-picture-large").is_displayed())
        self.assertIn("big.check.svg", self.element("check-picture-large").text)
        self.assertIn("songprep: big.mid does not fit in 65536 bytes of stream",
                      self.element("problem").text)
        self.assertEqual(self.console_errors(), [])

    def test_file_dropped_on_the_page(self):
        self.browser.get(self.url)
        self.wait_for(self.idle, "the page to load")
        self.browser.execute_script("""
            const files = new DataTransfer();
            files.items.add(new File([new Uint8Array([77, 84, 104, 100])], "short.mid"));
            const zone = document.getElementById("drop-zone");
            zone.dispatchEvent(new DragEvent("dragover", {dataTransfer: files, cancelable: true}));
            zone.dispatchEvent(new DragEvent("drop", {dataTransfer: files, cancelable: true}));""")
        self.wait_for(lambda: self.element("problem").is_displayed(), "the reader's message")
        self.assertEqual(self.element("problem").text, readers_message(self.work, "short.mid", b"MThd"))

    def test_without_workers_the_page_runs_the_programs_itself(self):
        hidden = self.browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                              {"source": "delete window.Worker;"})
        try:
            self.open_with_example(self.url)
        finally:
            self.browser.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument",
                                         {"identifier": hidden["identifier"]})
        self.assertEqual(self.browser.execute_script("return document.body.dataset.engine"), "page")
        self.assertFalse(self.element("problem").is_displayed())
        self.assertEqual(self.download("download-sng", "demo-arranged.sng"),
                         (self.native / "demo-arranged.sng").read_bytes())

    def test_page_opened_from_disk(self):
        self.open_with_example((SITE / "index.html").as_uri())
        self.assertFalse(self.element("problem").is_displayed())
        self.assertIn("demo-arranged.mid written.", self.text_of("prep-report"))
        self.assertEqual(self.browser.execute_script("return document.body.dataset.engine"), "worker")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
