#!/usr/bin/python3
"""Writes the guide's pictures of the results server: /screen at 1920x1080, /speaker and
/class/0 at phone width (360 px), taken with headless Chromium from quilo-serve on a
scratch copy of the demo event (loopback, a port the system chooses).

    scripts/serve-screenshots.py QUILO_SERVE [OUTPUT_DIR]    (default docs/guide)
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PAGES = [("screen", 1920, 1080, "serve-screen.png"), ("speaker", 360, 780, "serve-speaker.png"),
         ("class/0", 360, 780, "serve-class.png")]


def main():
    serve = sys.argv[1]
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs", "guide")
    scratch = tempfile.mkdtemp(prefix="quilo-shots-")
    folder = os.path.join(scratch, "event")
    shutil.copytree(os.path.join(ROOT, "examples", "demo-event"), folder)
    server = subprocess.Popen([serve, folder, "--port", "0", "--address", "127.0.0.1"], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
    driver = None
    try:
        base = server.stdout.readline().strip()
        if not base.startswith("http://"):
            sys.exit("serve-screenshots: quilo-serve printed %r" % base)
        options = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                    "--force-device-scale-factor=1", "--user-data-dir=" + os.path.join(scratch, "profile")):
            options.add_argument(arg)
        driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        os.makedirs(out, exist_ok=True)
        for path, width, height, name in PAGES:
            # The page as a phone or a TV of that size shows it (a window has a minimum width).
            driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                   {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
            driver.get(base + path)
            time.sleep(1.5)  # the live script has drawn the page
            driver.save_screenshot(os.path.join(out, name))
            print(os.path.join(out, name))
    finally:
        if driver:
            driver.quit()
        server.send_signal(signal.SIGTERM)
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
