#!/usr/bin/python3
"""The results server's live pages in headless Chromium: quilo-serve follows a copy of
the demo event; a read appended to its finish log puts the runner's name on /screen and
/speaker within 2 s, without the page being loaded again.

    serve_browser_test.py QUILO_SERVE DEMO_EVENT_FOLDER
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

SERVE = DEMO = None
SCRATCH = tempfile.mkdtemp(prefix="quilo-serve-")


def read_lines(path):
    with open(path, "rb") as f:
        return f.read().decode("cp932").split("\r\n")


def runner_still_out(folder, base):
    """A runner the server counts as out, whose name no one else has, in a class with a
    read, and that read's line (a runner who ran on a spare card has no read of their own
    card but is not out)."""
    log = [line for line in read_lines(os.path.join(folder, "Regnly.log")) if line]
    read_cards = {line.split(",")[5].strip("()"): line for line in log}
    rows = {line.split(",")[0]: line.split(",") for line in read_lines(os.path.join(folder, "Startlst.dat")) if line}
    model = {}
    for card, row in rows.items():
        if card in read_cards:
            model.setdefault(row[1], read_cards[card])
    # Straight to the loopback server, whatever proxy the environment names.
    direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    everyone = []
    for c in json.load(direct.open(base + "api/v1/classes", timeout=10))["classes"]:
        everyone += json.load(direct.open(base + "api/v1/class/%d" % c["index"], timeout=10))["competitors"]
    names = [c["name"] for c in everyone]
    for c in everyone:
        row = rows.get(c["card"])
        if c["standing"] == "out" and names.count(c["name"]) == 1 and row and row[1] in model:
            return row, model[row[1]], len(log)
    raise AssertionError("the demo event has no runner still out in a class with a read")


def seconds(text):
    h, m, s = (int(x) for x in text.split(":"))
    return h * 3600 + m * 60 + s


def clock(total):
    return "%d:%02d:%02d" % (total // 3600, total // 60 % 60, total % 60)


def latest_finish(folder):
    """The latest finish of the log's reads, as the start time plus the finish punch."""
    starts = {row.split(",")[0]: seconds(row.split(",")[2])
              for row in read_lines(os.path.join(folder, "Startlst.dat")) if row.count(",") >= 2}
    log = [line.split(",") for line in read_lines(os.path.join(folder, "Regnly.log")) if line]
    return max(starts[f[5].strip("()")] + seconds(f[-1]) for f in log if f[5].strip("()") in starts)


class LivePages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = os.path.join(SCRATCH, "event")
        shutil.copytree(DEMO, cls.folder)
        cls.server = subprocess.Popen([SERVE, cls.folder, "--port", "0", "--address", "127.0.0.1"],
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        cls.base = cls.server.stdout.readline().strip()
        if not cls.base.startswith("http://127.0.0.1:"):
            cls.server.kill()
            raise AssertionError("quilo-serve printed %r" % cls.base)
        options = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--force-device-scale-factor=1",
                    "--user-data-dir=" + os.path.join(SCRATCH, "profile")):
            options.add_argument(arg)
        cls.driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        cls.driver.set_page_load_timeout(30)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.send_signal(signal.SIGTERM)
        try:
            cls.server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            cls.server.kill()
        shutil.rmtree(SCRATCH, ignore_errors=True)

    def text_of(self, handle):
        self.driver.switch_to.window(handle)
        return self.driver.execute_script("return document.body.innerText")

    def test_a_new_read_appears_on_screen_and_speaker_without_a_reload(self):
        row, model, count = runner_still_out(self.folder, self.base)
        name = row[4]
        pages = {}
        for path in ("/screen", "/speaker"):
            self.driver.switch_to.new_window("window")
            self.driver.set_window_size(1920 if path == "/screen" else 800, 1080)
            self.driver.get(self.base + path.lstrip("/"))
            # Marks this load of the page: a reload would lose it.
            self.driver.execute_script("window.quiloTestMark = 'loaded once'")
            self.assertNotIn(name, self.text_of(self.driver.current_window_handle), path)
            pages[path] = self.driver.current_window_handle
        time.sleep(0.5)  # the event streams are open

        fields = model.split(",")
        fields[0], fields[5] = str(count + 1), "(%s)" % row[0]
        # A runner arriving now: the speaker's latest finishes are the ten latest by
        # finish time, so the punches move past every read's finish.
        shift = latest_finish(self.folder) + 60 - (seconds(row[2]) + seconds(fields[-1]))
        for i in range(7, len(fields), 2):
            fields[i] = clock(seconds(fields[i]) + max(0, shift))
        with open(os.path.join(self.folder, "Regnly.log"), "ab") as f:
            f.write((",".join(fields) + "\r\n").encode("cp932"))
        appended = time.monotonic()

        waiting = dict(pages)
        while waiting and time.monotonic() - appended < 2.0:
            for path, handle in list(waiting.items()):
                if name in self.text_of(handle):
                    del waiting[path]
            time.sleep(0.05)
        self.assertEqual({}, waiting, "%s not shown within 2 s" % name)
        for path, handle in pages.items():
            self.driver.switch_to.window(handle)
            self.assertEqual("loaded once", self.driver.execute_script("return window.quiloTestMark"),
                             path + " was loaded again")


if __name__ == "__main__":
    SERVE, DEMO = sys.argv[1], sys.argv[2]
    del sys.argv[1:3]
    signal.signal(signal.SIGALRM, lambda *_: sys.exit("serve_browser_test: timed out"))
    signal.alarm(150)
    unittest.main()
