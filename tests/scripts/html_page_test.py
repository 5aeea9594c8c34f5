#!/usr/bin/python3
"""The results page in headless Chromium, from file:// URLs only: at phone width an
empty status column takes no room and long club names stay within two lines; open
splits and the scroll position outlive the reload; printed, every competitor keeps to
one line, a class running onto the next page repeats its name and no page is empty.

    html_page_test.py QUILO_REPORT DEMO_EVENT_FOLDER
"""
import base64
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

REPORT = DEMO = None
SCRATCH = tempfile.mkdtemp(prefix="quilo-page-")

# A class everyone has finished (no status), with club names long enough to wrap, and
# one with a runner still out and one still to start at the clock 11:00:00.
SMALL_EVENT = {
    "Control.dat": ["**:M21", "1:31", "99:100", "**:W21", "1:31", "99:100"],
    "Startlst.dat": [
        "12001,M21,10:00:00,101,山田太郎,0,札幌オリエンテーリングクラブ研究会",
        "12002,M21,10:02:00,102,佐藤次郎,0,名古屋大学オリエンテーリング部",
        "12003,W21,10:00:00,201,鈴木花子,0,東京OLクラブ",
        "12004,W21,10:30:00,202,高橋愛,0,京葉OLクラブ",
        "12005,W21,11:30:00,203,田中結衣,0,横浜オリエンテーリングクラブ",
    ],
    "Regnly.log": [
        "1,2026/12/06,10:45:00,0001,R,(12001),31,0:20:00,100,0:40:00",
        "2,2026/12/06,10:46:00,0001,R,(12002),31,0:21:00,100,0:42:10",
        "3,2026/12/06,10:47:00,0001,R,(12003),31,0:22:00,100,0:45:30",
    ],
    "Quilo.ini": ["EventName=小さな大会", "EventDate=2026-12-06"],
}


def make_page(folder_files, now, name):
    folder = os.path.join(SCRATCH, name)
    if isinstance(folder_files, str):
        shutil.copytree(folder_files, folder)
        folder_files = {"Quilo.ini": ["EventName=Quilo デモ大会", "EventDate=2026-12-06"]}
    else:
        os.makedirs(folder)
    for file, lines in folder_files.items():
        with open(os.path.join(folder, file), "wb") as f:
            f.write("".join(line + "\r\n" for line in lines).encode("cp932"))
    page = os.path.join(SCRATCH, name + ".html")
    subprocess.run([REPORT, "--now", now, "--html", page, folder], check=True, stdout=subprocess.DEVNULL, timeout=60)
    return page


def url(path):
    return "file://" + path


class ResultsPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        options = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                    "--force-device-scale-factor=1", "--user-data-dir=" + os.path.join(SCRATCH, "profile")):
            options.add_argument(arg)
        cls.driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        cls.driver.set_page_load_timeout(30)
        cls.driver.set_script_timeout(30)
        cls.small = make_page(SMALL_EVENT, "11:00:00", "small")
        cls.demo = make_page(DEMO, "10:50:00", "demo")

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()

    def open(self, page, width, height=900):
        self.driver.set_window_size(width, height)
        self.driver.get(url(page))

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def test_phone_width_gives_names_the_room(self):
        self.open(self.small, 360)
        widths = self.js("""return [...document.querySelectorAll('section')].map(s =>
            [...s.querySelectorAll('.st')].map(c => c.getBoundingClientRect().width))""")
        self.assertTrue(all(w == 0 for w in widths[0]), widths[0])     # M21: no status at all
        self.assertTrue(all(w > 0 for w in widths[1]), widths[1])      # W21: 未帰還
        # Lines a cell's text takes: the boxes of a range over it.
        lines = "const lines = e => { const r = document.createRange(); r.selectNodeContents(e); return r.getClientRects().length; };"
        clubs = self.js(lines + "return [...document.querySelectorAll('.cl')].map(lines)")
        self.assertTrue(all(n <= 2 for n in clubs), clubs)
        self.assertIn(2, clubs)  # the long names do need a second line
        start = self.js(lines + "const c = document.querySelector('td.ts'); return [c.textContent, lines(c)]")
        self.assertEqual(start[0], "11:30 スタート")
        self.assertEqual(start[1], 1)

    def fast_copy(self):
        """The demo page reloading after a second instead of 30."""
        with open(self.demo, encoding="utf-8") as f:
            text = f.read()
        for slow, fast in (('content="30"', 'content="1"'), ("},30000)", "},1000)")):
            self.assertEqual(text.count(slow), 1, slow)
            text = text.replace(slow, fast)
        page = os.path.join(SCRATCH, "fast.html")
        with open(page, "w", encoding="utf-8") as f:
            f.write(text)
        return page

    def wait_for_reload(self, driver):
        driver.execute_script("window.beforeReload = true")
        deadline = time.monotonic() + 15
        while driver.execute_script("return window.beforeReload === true || document.readyState !== 'complete'"):
            self.assertLess(time.monotonic(), deadline, "the page did not reload")
            time.sleep(0.2)
        time.sleep(0.3)

    def test_open_splits_and_scroll_outlive_the_reload(self):
        # A class chosen in the menu leaves #c2 in the address: the reload keeps it
        # and still returns to where the spectator was.
        self.open(self.fast_copy() + "#c2", 360, 700)
        opened = self.js("""const d = document.querySelectorAll('details');
            d[1].querySelector('summary').click(); d[30].querySelector('summary').click();
            window.scrollTo(0, 3000); return [d[1].id, d[30].id, window.scrollY]""")
        self.wait_for_reload(self.driver)
        after = self.js("""return [[...document.querySelectorAll('details[open]')].map(d => d.id), window.scrollY]""")
        self.assertEqual(after[0], opened[:2])
        self.assertAlmostEqual(after[1], opened[2], delta=1)

    def test_without_script_the_page_still_reloads(self):
        options = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu",
                    "--user-data-dir=" + os.path.join(SCRATCH, "profile-noscript")):
            options.add_argument(arg)
        options.add_experimental_option("prefs", {"profile.managed_default_content_settings.javascript": 2})
        driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        try:
            driver.set_page_load_timeout(30)
            driver.get(url(self.fast_copy()))
            # The driver's own script runs while the page's does not: the refresh in
            # <noscript> is then an element of the page.
            self.assertTrue(driver.execute_script("return document.querySelector('noscript > meta') !== null"))
            self.wait_for_reload(driver)
        finally:
            driver.quit()

    def test_print_keeps_a_competitor_to_one_line(self):
        for page in (self.demo, self.small):
            with self.subTest(page=os.path.basename(page)):
                self.print_one_line(page)

    def print_one_line(self, page):
        self.open(page, 1000)
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
        try:
            self.driver.set_window_size(700, 900)  # about A4's width between the margins
            seen = self.js("""const lh = r => r.getBoundingClientRect().height / parseFloat(getComputedStyle(r.querySelector('td.nm')).lineHeight);
                return {rows: [...document.querySelectorAll('tr.r')].map(lh),
                        heads: [...document.querySelectorAll('tr.ch')].filter(r => r.getBoundingClientRect().height > 0).length,
                        sections: document.querySelectorAll('section').length,
                        h2: [...document.querySelectorAll('h2')].filter(h => h.getBoundingClientRect().height > 0).length,
                        splits: [...document.querySelectorAll('tr.sp')].filter(r => r.getBoundingClientRect().height > 0).length}""")
        finally:
            self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})
        self.assertTrue(all(n < 1.6 for n in seen["rows"]), max(seen["rows"]))
        self.assertEqual(seen["heads"], seen["sections"])
        self.assertEqual((seen["h2"], seen["splits"]), (0, 0))

    def test_printed_pages_repeat_the_class_and_none_is_empty(self):
        self.open(self.demo, 1000)
        pdf = os.path.join(SCRATCH, "demo.pdf")
        data = self.driver.execute_cdp_cmd("Page.printToPDF", {"paperWidth": 8.27, "paperHeight": 11.69,
                                                               "preferCSSPageSize": True})["data"]
        with open(pdf, "wb") as f:
            f.write(base64.b64decode(data))
        pages = subprocess.run(["pdfinfo", pdf], check=True, capture_output=True, text=True, timeout=30).stdout
        count = int(next(l.split()[-1] for l in pages.splitlines() if l.startswith("Pages:")))
        self.assertGreaterEqual(count, 2)
        classes = self.js("return [...document.querySelectorAll('tr.ch th')].map(t => t.textContent)")
        footer = self.js("return document.querySelector('footer').textContent")
        for page in range(1, count + 1):
            text = subprocess.run(["pdftotext", "-layout", "-f", str(page), "-l", str(page), pdf, "-"],
                                  check=True, capture_output=True, text=True, timeout=30).stdout
            lines = [l.strip() for l in text.splitlines() if l.strip()]
            self.assertTrue([l for l in lines if l != footer], "page %d is empty" % page)
            if page > 1:  # every later page opens with a class's name and count
                self.assertIn(" ".join(lines[0].split()), classes, "page %d" % page)


if __name__ == "__main__":
    REPORT, DEMO = sys.argv[1], sys.argv[2]
    del sys.argv[1:3]
    # Bounded: a browser that hangs ends the test rather than the run.
    def timed_out(*_):
        raise TimeoutError("the browser check took over 150 s")
    signal.signal(signal.SIGALRM, timed_out)
    signal.alarm(150)
    try:
        unittest.main(verbosity=2)
    finally:
        shutil.rmtree(SCRATCH, ignore_errors=True)
