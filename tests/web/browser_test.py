#!/usr/bin/python3
"""The web guide in headless Chromium, as a person uses it, against a kestrod of its own on a
fresh installation with the sample guide. Each step saves a screenshot into the folder given.

usage: browser_test.py KESTRO KESTROD SOURCE_DIR SCREENSHOT_DIR
Exits 77 (skipped) when Chromium, its driver or Selenium is missing.
"""
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest

KESTRO, KESTROD, SOURCE, SHOTS = sys.argv[1:5]
SKIP = 77

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.common.exceptions import StaleElementReferenceException
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("skipped: python3-selenium is not installed")
    sys.exit(SKIP)
CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM or not DRIVER:
    print("skipped: chromium and chromium-driver are not installed")
    sys.exit(SKIP)


class WebGuide(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="kestro-web-")
        registry = os.path.join(cls.dir, "registry.reg")
        env = dict(os.environ, KESTRO_REGISTRY=registry, XDG_DATA_HOME=cls.dir + "/xdg",
                   XDG_RUNTIME_DIR=cls.dir)
        kestro = lambda *args: subprocess.run([KESTRO, *args], env=env, check=True,
                                              capture_output=True, text=True)
        kestro("setup", "--root", cls.dir + "/root")
        kestro("lineup", "add", "--name", "Sample", "--plugin", "xmltv",
               "--set", "exe=" + SOURCE + "/data/grab-sample.sh",
               "--set", "grabber=tv_grab_sample", "--set", "days=2")
        kestro("import", "1", "--quiet")
        # A recording in the media library, as kestrod hands one over.
        recordings = cls.dir + "/root/recordings"
        os.makedirs(recordings)
        with open(recordings + "/Film_ABC_7.ts", "wb") as f:
            f.write(bytes(188 * 1000))
        kestro("recordings", "list")  # makes the library
        with sqlite3.connect(cls.dir + "/root/data/media-library.db") as db:
            section = db.execute("insert into sections (name) values ('KestroTVRecordings')").lastrowid
            cls.recording = db.execute(
                "insert into items (section_id, name, location) values (?, 'Film', ?)",
                (section, recordings + "/Film_ABC_7.ts")).lastrowid
        with open(registry, "a") as f:
            f.write('\n[HKEY_LOCAL_MACHINE\\Software\\Lumavo\\Host]\n"web-address"="127.0.0.1:0"\n')
        cls.daemon = subprocess.Popen([KESTROD], env=env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        log = cls.dir + "/root/logs/kestrod.log"
        deadline = time.time() + 20
        cls.address = None
        while time.time() < deadline and not cls.address:
            time.sleep(0.1)
            if os.path.exists(log):
                match = re.search(r"Web guide at (http://\S+)", open(log).read())
                cls.address = match.group(1) if match else None
        options = Options()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1400,900"):
            options.add_argument(arg)
        options.binary_location = CHROMIUM
        cls.browser = webdriver.Chrome(service=Service(DRIVER), options=options)
        os.makedirs(SHOTS, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.daemon.send_signal(signal.SIGTERM)
        cls.daemon.wait(20)
        shutil.rmtree(cls.dir, ignore_errors=True)

    def open(self, hash_):
        self.browser.get(self.address + "#" + hash_)
        self.browser.refresh()
        self.wait(lambda b: b.execute_script("return document.body.dataset.ready") == "yes")

    def wait(self, condition):
        # A page drawn again while it is read (the status page while an import runs) is read again.
        return WebDriverWait(self.browser, 20, ignored_exceptions=[StaleElementReferenceException]
                             ).until(condition)

    def shot(self, name):
        self.browser.save_screenshot(os.path.join(SHOTS, name + ".png"))

    def css(self, selector):
        return self.browser.find_elements(By.CSS_SELECTOR, selector)

    def message(self):
        box = self.browser.find_element(By.ID, "message")
        self.wait(lambda b: box.text != "")
        return box.text

    def test_1_grid_shows_the_sample_channels_and_the_now_line(self):
        self.assertIsNotNone(self.address, "kestrod did not say where its web guide is")
        self.open("guide")
        self.assertEqual(len(self.css(".grid-row[data-channel]")), 10)
        self.assertEqual(len(self.css("#now-line")), 1)
        self.assertGreater(len(self.css("a.program")), 20)
        self.shot("1-grid")

    def test_2_record_a_programme_see_it_marked_and_listed_then_delete_it(self):
        self.open("guide")
        program = self.css(".grid-row[data-channel] a.program")[-1]
        program_id = program.get_attribute("data-program")
        title = program.get_attribute("title")
        program.click()
        self.wait(lambda b: b.find_elements(By.ID, "record-showing"))
        self.browser.find_element(By.ID, "record-showing").click()
        self.assertIn("Recording on tuner", self.message())
        self.shot("2-programme-recorded")

        self.open("guide")
        marked = self.css('a.program.scheduled[data-program="%s"]' % program_id)
        self.assertEqual(len(marked), 1, title)
        self.shot("3-grid-marked")

        self.open("schedules")
        rows = self.css("#schedules tr[data-schedule]")
        self.assertEqual(len(rows), 1)
        self.shot("4-schedules")
        rows[0].find_element(By.CSS_SELECTOR, "button.danger").click()
        self.assertIn("Deleted", self.message())
        self.wait(lambda b: not b.find_elements(By.CSS_SELECTOR, "#schedules tr[data-schedule]"))
        self.shot("5-schedule-deleted")

    def test_3_create_a_rule_from_a_programme(self):
        self.open("guide")
        self.css(".grid-row[data-channel] a.program")[-1].click()
        self.wait(lambda b: b.find_elements(By.ID, "record-every"))
        self.browser.find_element(By.ID, "record-every").click()
        self.assertIn("Rule saved", self.message())
        self.open("rules")
        self.assertEqual(len(self.css("#rules tr[data-rule]")), 1)
        self.shot("6-rules")

    def test_4_play_and_delete_a_recording(self):
        # (Test 2 may have recorded a programme on the air for a moment: that one is listed too.)
        self.open("recordings")
        row = '#recordings tr[data-recording="%d"]' % self.recording
        rows = self.css(row)
        self.assertEqual(len(rows), 1)
        self.assertIn("0.2 MB", rows[0].text)
        link = rows[0].find_element(By.LINK_TEXT, "Play").get_attribute("href")
        self.assertEqual(self.browser.execute_async_script(
            "fetch(arguments[0], {headers: {Range: 'bytes=0-187'}})"
            ".then(r => arguments[1](r.status + ' ' + r.headers.get('Content-Range')))", link),
            "206 bytes 0-187/188000")
        self.shot("7-recordings")
        rows[0].find_element(By.CSS_SELECTOR, "button.danger").click()
        self.browser.switch_to.alert.accept()
        self.assertIn("Deleted", self.message())
        self.wait(lambda b: not b.find_elements(By.CSS_SELECTOR, row))
        self.shot("8-recording-deleted")

    def test_5_start_an_import_and_see_its_report(self):
        self.open("status")
        self.browser.find_element(By.ID, "import-1").click()
        # Its progress, then (the button back) what it ended with and its report.
        self.wait(lambda b: "started" in b.find_element(By.CSS_SELECTOR, '[data-import="1"]').text
                  and b.find_elements(By.ID, "import-1"))
        box = self.css('[data-import="1"]')[0]
        self.assertIn("OK", box.find_element(By.CSS_SELECTOR, "p.ended").text)
        self.assertIn("Program stats", box.find_element(By.CSS_SELECTOR, "pre.report").text)
        self.shot("9-import-report")

    def test_6_a_short_window_draws_the_rows_in_reach_and_more_on_scrolling(self):
        self.browser.set_window_size(1400, 240)
        try:
            self.open("guide")
            drawn = lambda: {row.get_attribute("data-channel")
                             for row in self.css(".grid-row[data-channel]")}
            first = drawn()
            self.assertLess(len(first), 10)
            self.browser.execute_script("window.scrollTo(0, document.body.scrollHeight)")
            self.wait(lambda b: drawn() - first)
            self.assertEqual(len(self.css("#now-line")), 1)
            self.shot("10-grid-scrolled")
        finally:
            self.browser.set_window_size(1400, 900)


if __name__ == "__main__":
    result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
