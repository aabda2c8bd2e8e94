"""The page in headless Chromium on the simulated KR-55LE: the dialog's outcomes as a user sees
them, the payload the device assembled, and the page without WebHID. Run by scripts/test-web,
which serves build-web/site/ and names its address in KR55LE_PAGE_URL."""

import hashlib
import os
import pathlib
import shutil
import socket
import subprocess
import tempfile
import time
import unittest
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

ROOT = pathlib.Path(__file__).resolve().parents[2]
SAMPLES = ROOT / "samples"
URL = os.environ.get("KR55LE_PAGE_URL", "http://127.0.0.1:8055/")
HEADER_SIZE = 64
MAX_PAYLOAD = 2 * 1024 * 1024
BLOCK = 1008  # payload bytes a block carries; the last block is filled up
FILLER = b"\x55"
DUMP = "/dump.bin"
# Generous: the emulated CPU of a VM is far slower than this machine.
WAIT_S = float(os.environ.get("KR55LE_PAGE_WAIT_S", "120"))

# The controls by their template ids.
COMBO, BROWSE, UPGRADE, CANCEL = "1002", "1019", "1020", "1021"
SERIAL, FILE_VERSION, MODE, SOFTWARE, BOOTLOADER = "1070", "1071", "1072", "1073", "1129"
PATH, PROGRESS = "1", "22"
# The percentage and the message line share one id; the message line comes second.
MESSAGE = "5458"

# Texts the dialog shows, as the string table has them.
FIRMWARE_READY = ("Device is connected in firmware upgrade mode.Browse a file for upgrade.")
FIRMWARE_DONE = "Firmware upgrade completed"
AUDIO_DONE = "Audio upgrade completed"
UPLOAD_FAILED = "Communication error: Uploading is failed, please try again"
DISCONTINUED = "Upgrade discontinued. Please re-connect the device in upgrade mode"
NO_DEVICE = "No device is attached"
NOT_IN_UPGRADE_MODE = "Device is not connected in upgrade mode"
NO_WEBHID = "This page needs WebHID"
FILE_TOO_LARGE = "File size too large"
DEMO_TITLE_PREFIX = "Simulated device, no device is changed - "
DEMO_NOTICE = ("Demonstration: the device below is simulated. No device is reached or changed,"
               " whatever the dialog says. To upgrade a device, open this address without"
               " \"?simulate=\".")
WAKE_LOCK_REFUSED = ("The browser did not keep the screen awake: keep this tab in front until the"
                     " upgrade ends.")
IN_USE_IN_TAB = ('Device is in use in the tab or window "{}" of this browser: close it, then'
                 " reload this page.")

# Screen wake locks as the browser gives them, the tab hidden and shown at the script's word:
# hiding it lets every lock go, as the browser does; `refuseWakeLock` makes requests fail.
WAKE_LOCK = """
  window.wakeLocks = [];
  window.refuseWakeLock = false;
  Object.defineProperty(navigator, 'wakeLock', {value: {request: () => {
    if (refuseWakeLock) return Promise.reject(new DOMException('refused', 'NotAllowedError'));
    const lock = new EventTarget();
    lock.release = () => { lock.dispatchEvent(new Event('release')); return Promise.resolve(); };
    wakeLocks.push(lock);
    return Promise.resolve(lock);
  }}});
  let hidden = false;
  Object.defineProperty(document, 'visibilityState', {get: () => (hidden ? 'hidden' : 'visible')});
  window.showTab = (shown) => {
    hidden = !shown;
    if (hidden) wakeLocks.forEach((lock) => lock.release());
    document.dispatchEvent(new Event('visibilitychange'));
  };
"""

# Two identical KR-55LE granted to the page, listed in the same order in every tab as the
# browser lists them, each tab with objects of its own; each answers every request with its
# identity (report 8).
TWO_DEVICES = """
  const devices = [0, 1].map(() => Object.assign(new EventTarget(), {
    vendorId: 0x0483, productId: 0x5750, productName: 'Pardo KR-55LE', opened: false,
    collections: [{inputReports: [{items: [{reportSize: 8, reportCount: 63}]}],
                   outputReports: [{items: [{reportSize: 8, reportCount: 1023}]}]}],
    open() { this.opened = true; return Promise.resolve(); },
    close() { this.opened = false; return Promise.resolve(); },
    sendReport() {
      setTimeout(() => {
        const identity = new Event('inputreport');
        identity.reportId = 8;
        identity.data = new DataView(new ArrayBuffer(63));
        this.dispatchEvent(identity);
      });
      return Promise.resolve();
    },
  }));
  Object.defineProperty(navigator, 'hid', {value: Object.assign(new EventTarget(), {
    getDevices: () => Promise.resolve(devices.slice()),
    requestDevice: () => Promise.resolve([]),
  })});
"""


# Debian's browser itself, without the wrapper script's own start-up work.
CHROMIUM = "/usr/lib/chromium/chromium"
CHROMIUM_FLAGS = ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking", "--disable-dev-shm-usage",
                  "--disable-component-update", "--disable-sync", "--window-size=1000,600")
# An emulated CPU on a busy host has been seen to take 75 s to start the browser, longer than
# chromedriver waits: the browser is started here, and chromedriver attached to it.
START_S = 300


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Chromium(webdriver.Chrome):
    """Headless Chromium with a profile of its own, driven through chromedriver."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="kr55le-chromium-")
        port = free_port()
        self.browser = subprocess.Popen(
            [CHROMIUM, *CHROMIUM_FLAGS, f"--remote-debugging-port={port}",
             f"--user-data-dir={self.profile}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + START_S
        while True:
            try:
                urllib.request.urlopen(f"http://127.0.0.1:{port}/json/version", timeout=5)
                break
            except OSError:
                if time.monotonic() > deadline or self.browser.poll() is not None:
                    self.stop_browser()
                    raise
                time.sleep(0.2)
        options = webdriver.ChromeOptions()
        options.add_experimental_option("debuggerAddress", f"127.0.0.1:{port}")
        super().__init__(service=Service("/usr/bin/chromedriver"), options=options)

    def stop_browser(self):
        self.browser.terminate()
        try:
            self.browser.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.browser.kill()
        shutil.rmtree(self.profile, ignore_errors=True)

    def quit(self):
        try:
            super().quit()
        finally:
            self.stop_browser()


def chromium():
    return Chromium()


class Page:
    """One load of the page, and what a user does and reads there."""

    def __init__(self, driver, query):
        self.driver = driver
        driver.get(URL + "?" + query)

    def control(self, control_id):
        return self.driver.find_elements(By.CSS_SELECTOR, f'[data-control-id="{control_id}"]')

    def value(self, control_id):
        # The message line and the percentage share one id; the message line is the last. None
        # before the page has built the dialog.
        elements = self.control(control_id)
        return elements[-1].get_property("value") if elements else None

    def message(self):
        return self.value(MESSAGE)

    def wait_for(self, condition, what):
        try:
            return WebDriverWait(self.driver, WAIT_S, poll_frequency=0.05).until(
                lambda _: condition())
        except Exception as error:
            raise AssertionError(f"{what}; the message line reads {self.message()!r}") from error

    def wait_for_message(self, start):
        # The dialog may not be built yet at the first look.
        self.wait_for(lambda: (self.message() or "").startswith(start), f"no message {start!r}")

    def progress_at(self, start):
        """The percentage, and the progress bar's value and maximum, as the page shows them when
        the message line first reads `start`: looked at in the page itself, between two of its
        tasks, rather than from here, later."""
        self.driver.set_script_timeout(WAIT_S)
        return self.driver.execute_async_script("""
            const [start, lineId, barId, report] = arguments;
            const look = () => {
              const lines = document.querySelectorAll(`[data-control-id="${lineId}"]`);
              if (!lines.length || !lines[lines.length - 1].value.startsWith(start)) {
                setTimeout(look, 1);
                return;
              }
              const bar = document.querySelector(`[data-control-id="${barId}"]`);
              report([lines[0].value, bar.value, bar.max]);
            };
            look();""", start, MESSAGE, PROGRESS)

    def click(self, control_id):
        self.control(control_id)[0].click()

    def open_picker(self, press=None):
        """The file picker, opened by Browse File (or `press`), waiting for its file."""
        # Headless, a chooser would close at once, unanswered: the page is given the file instead.
        self.driver.execute_cdp_cmd("Page.setInterceptFileChooserDialog", {"enabled": True})
        (press or (lambda: self.click(BROWSE)))()
        picker = self.driver.find_element(By.ID, "file")
        self.wait_for(lambda: picker.get_attribute("data-picking"), "the picker did not open")
        return picker

    def browse(self, image, press=None):
        self.open_picker(press).send_keys(str(image))

    def close(self):
        self.driver.find_element(By.TAG_NAME, "body").send_keys(Keys.ESCAPE)
        self.wait_for(lambda: self.driver.find_element(By.ID, "ended").is_displayed(),
                      "the dialog did not close")

    def dump(self):
        data = self.driver.execute_script(
            f"return Array.from(Module.FS.readFile({DUMP!r}));")
        return bytes(data)


class SimulatedDevice(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.driver = chromium()

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()

    def page(self, options, dump=False):
        query = "simulate=" + options + (f"&simulate-dump={DUMP}" if dump else "")
        page = Page(self.driver, query)
        page.wait_for(lambda: page.message(), "the first scan did not end")
        return page

    def test_identify(self):
        page = self.page("serial=KR55LE0042,software-version=01.01.00,bootloader-version=02.00.00")
        self.assertEqual(page.message(), FIRMWARE_READY)
        self.assertEqual([page.value(c) for c in (SERIAL, SOFTWARE, BOOTLOADER, MODE)],
                         ["KR55LE0042", "01.01.00", "02.00.00", "Firmware upgrade"])
        self.assertTrue(page.control(BROWSE)[0].is_enabled())
        self.assertFalse(page.control(UPGRADE)[0].is_enabled())
        # Every field has an accessible name, and the progress is a real progress element.
        for control_id in (COMBO, SERIAL, FILE_VERSION, MODE, SOFTWARE, BOOTLOADER, PATH):
            self.assertTrue(page.control(control_id)[0].get_attribute("aria-label"), control_id)
        self.assertEqual(page.control(PROGRESS)[0].tag_name, "progress")
        self.assertEqual(page.control(MESSAGE)[-1].get_attribute("aria-live"), "polite")
        # A simulated device needs no chooser, and the page says first that it is simulated.
        self.assertFalse(self.driver.find_element(By.ID, "connect").is_displayed())
        self.assertTrue(self.driver.title.startswith(DEMO_TITLE_PREFIX), self.driver.title)
        self.assertEqual(self.driver.find_element(By.ID, "title").text, self.driver.title)
        self.assertEqual(self.driver.find_element(By.ID, "demo").text, DEMO_NOTICE)

    def test_upgrades_assemble_the_image_exactly(self):
        for options, image, done in (
            ("reply-ms=0", "firmware-01.02.00.bin", FIRMWARE_DONE),
            ("reply-ms=0,mode=audio", "audio-02.00.01.bin", AUDIO_DONE),
            # A report between every two replies: none may push a reply out before it is seen.
            ("reply-ms=0,chatter", "firmware-01.02.00.bin", FIRMWARE_DONE),
        ):
            with self.subTest(options=options):
                page = self.page(options, dump=True)
                page.browse(SAMPLES / image)
                page.wait_for(lambda: page.control(UPGRADE)[0].is_enabled(), "Upgrade stayed off")
                self.assertEqual(page.value(PATH).strip(), image)
                page.click(UPGRADE)
                # The progress is drawn at the browser's pace, but never behind the status.
                percent, position, maximum = page.progress_at(done)
                self.assertEqual((percent, position), ("100 %", maximum))
                page.close()
                payload = (SAMPLES / image).read_bytes()[HEADER_SIZE:]
                payload += FILLER * ((len(payload) // BLOCK + 1) * BLOCK - len(payload))
                self.assertEqual(hashlib.sha256(page.dump()).hexdigest(),
                                 hashlib.sha256(payload).hexdigest())

    def test_transfers_that_end_early(self):
        for options, act, expected in (
            ("reply-ms=0,fail-at=5", None, UPLOAD_FAILED),
            ("reply-ms=0,unplug-at=5", None, NO_DEVICE),
            # At the demo's pace the transfer lasts long enough to be cancelled.
            ("reply-ms=16", CANCEL, DISCONTINUED),
        ):
            with self.subTest(options=options):
                page = self.page(options)
                page.browse(SAMPLES / "firmware-01.02.00.bin")
                page.wait_for(lambda: page.control(UPGRADE)[0].is_enabled(), "Upgrade stayed off")
                page.click(UPGRADE)
                if act:
                    page.wait_for(lambda: page.control(act)[0].is_enabled(), "Cancel stayed off")
                    page.click(act)
                page.wait_for_message(expected)

    def test_a_recording_replays_to_the_same_outcome(self):
        # The page's recording, saved as a user saves it, run again by kr55le-flash: the same
        # reports in the same order (a replay names any that differs) and the same outcome.
        image = SAMPLES / "firmware-01.02.00.bin"
        with tempfile.TemporaryDirectory() as folder:
            self.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                        {"behavior": "allow", "downloadPath": folder})
            page = self.page("reply-ms=0&record")
            page.browse(image)
            page.wait_for(lambda: page.control(UPGRADE)[0].is_enabled(), "Upgrade stayed off")
            page.click(UPGRADE)
            page.wait_for_message(FIRMWARE_DONE)
            page.close()
            self.driver.find_element(By.ID, "save-recording").click()
            saved = pathlib.Path(folder) / "kr55le-session.jsonl"
            page.wait_for(lambda: saved.exists() and saved.read_text().endswith("\n"),
                          "no recording saved")
            replay = subprocess.run(
                [os.environ.get("KR55LE_FLASH", "kr55le-flash"), "--simulate",
                 f"replay={saved}", "upgrade", str(image)],
                capture_output=True, text=True, timeout=WAIT_S)
        self.assertEqual(replay.returncode, 0, replay.stderr)
        self.assertNotIn("replay:", replay.stderr)
        self.assertIn(FIRMWARE_DONE, replay.stdout)

    def test_the_keyboard_works_as_in_the_window(self):
        page = self.page("reply-ms=0")
        # Enter on a focused button is that button's click, not the dialog's OK (which would
        # close it); the access key of "&Upgrade" is Alt+U, as in the window.
        page.browse(SAMPLES / "firmware-01.02.00.bin",
                    lambda: page.control(BROWSE)[0].send_keys(Keys.ENTER))
        page.wait_for(lambda: page.control(UPGRADE)[0].is_enabled(), "Upgrade stayed off")
        ActionChains(self.driver).key_down(Keys.ALT).send_keys("u").key_up(Keys.ALT).perform()
        page.wait_for_message(FIRMWARE_DONE)
        # Escape is the dialog's Cancel: the window closes.
        page.close()

    def test_a_file_too_large_is_refused_without_being_read(self):
        # Only its header is read, and the upgrade refuses it as the desktop's does once the
        # device has checked that header. A read of more than an image can hold fails here
        # rather than fill the memory.
        limit = HEADER_SIZE + MAX_PAYLOAD
        header = (SAMPLES / "firmware-01.02.00.bin").read_bytes()[:HEADER_SIZE]
        with tempfile.TemporaryDirectory() as folder:
            for size in (limit + 1, 5 << 30):
                with self.subTest(size=size):
                    image = pathlib.Path(folder) / "large.bin"
                    with open(image, "wb") as file:
                        file.write(header)
                        file.truncate(size)  # sparse: no room taken
                    page = self.page("reply-ms=0")
                    self.driver.execute_script("""
                        window.readSizes = [];
                        const [limit, read] = [arguments[0], Blob.prototype.arrayBuffer];
                        Blob.prototype.arrayBuffer = function () {
                          readSizes.push(this.size);
                          return this.size > limit ? Promise.reject(new RangeError())
                                                   : read.call(this);
                        };""", limit)
                    page.browse(image)
                    page.wait_for(lambda: page.control(UPGRADE)[0].is_enabled(), "no Upgrade")
                    page.click(UPGRADE)
                    page.wait_for_message(FILE_TOO_LARGE)
                    self.assertEqual(self.driver.execute_script("return readSizes;"),
                                     [HEADER_SIZE])

    def test_a_silent_device_ends_the_scan(self):
        page = self.page("silent=info")
        self.assertTrue(page.message().startswith(NOT_IN_UPGRADE_MODE), page.message())


class InABrowserOfItsOwn(unittest.TestCase):
    def browser_with(self, script):
        """A browser of the test's own that runs `script` before the page's own scripts in
        every document it loads."""
        driver = chromium()
        self.addCleanup(driver.quit)
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": script})
        return driver

    def page_with(self, script):
        return Page(self.browser_with(script), "")


class TheScreenWakeLock(InABrowserOfItsOwn):
    def test_is_taken_again_when_the_tab_comes_back_and_a_refusal_is_said(self):
        driver = self.browser_with(WAKE_LOCK)
        for refused in (False, True):
            with self.subTest(refused=refused):
                page = Page(driver, "simulate=reply-ms=16")
                page.wait_for(page.message, "the first scan did not end")
                page.browse(SAMPLES / "firmware-01.02.00.bin")
                page.wait_for(lambda: page.control(UPGRADE)[0].is_enabled(), "Upgrade stayed off")
                page.click(UPGRADE)
                # At the device's pace the transfer lasts well over a second from here.
                page.wait_for(lambda: driver.execute_script("return wakeLocks.length;") == 1,
                              "no wake lock taken")
                driver.execute_script(
                    "refuseWakeLock = arguments[0]; showTab(false); showTab(true);", refused)
                note = driver.find_element(By.ID, "wake-lock")
                if refused:
                    page.wait_for(note.is_displayed, "the refusal was not said")
                    self.assertEqual(note.text, WAKE_LOCK_REFUSED)
                    self.assertEqual(page.control(MESSAGE)[-1].get_attribute("title"),
                                     WAKE_LOCK_REFUSED)
                else:
                    page.wait_for(lambda: driver.execute_script("return wakeLocks.length;") == 2,
                                  "the wake lock was not taken again")
                    self.assertFalse(note.is_displayed())
                page.wait_for_message(FIRMWARE_DONE)
                # The transfer over, nothing is held and no refusal is said any more.
                self.assertFalse(note.is_displayed())
                self.assertEqual(page.control(MESSAGE)[-1].get_attribute("title"), "")


class TheBrowsersWebHid(InABrowserOfItsOwn):
    def test_without_it_the_page_says_what_it_needs(self):
        page = self.page_with("delete Navigator.prototype.hid;")
        notice = page.driver.find_element(By.ID, "no-webhid")
        page.wait_for(notice.is_displayed, "no sentence about WebHID")
        self.assertTrue(notice.text.startswith(NO_WEBHID), notice.text)
        page.wait_for_message(NO_DEVICE)

    def test_a_write_is_not_sent_only_where_nothing_of_it_left(self):
        # A granted device of another vendor, which the dialog leaves alone: written to directly,
        # its sendReport rejecting with the kind the test sets.
        page = self.page_with(
            "window.other = {opened: false, vendorId: 1, productId: 1, productName: 'other',"
            " collections: [], addEventListener() {}, sendReport() {"
            " window.sent = (window.sent || 0) + 1;"
            " return Promise.reject(new DOMException('why', window.rejection)); }};"
            "navigator.hid.getDevices = () => Promise.resolve([window.other]);")
        page.wait_for_message(NO_DEVICE)
        outcomes = page.driver.execute_async_script(
            "const done = arguments[0], write = () => kr55leHid.write(0, new Uint8Array([2, 1]));"
            "(async () => { const outcomes = [await write()]; window.other.opened = true;"
            " for (window.rejection of ['NotSupportedError', 'NotAllowedError',"
            " 'InvalidStateError']) outcomes.push(await write());"
            " done([outcomes, window.sent]); })();")
        # Refused as not open, or by the size check: before anything was handed on.
        self.assertEqual(outcomes, [["not sent: the device is not open", "not sent: why", "why",
                                     "why"], 3])

    def test_connect_offers_the_device_in_the_chooser(self):
        # A headless browser has no chooser to drive: what the page asks of it is kept instead.
        page = self.page_with("navigator.hid.requestDevice = (options) => {"
                              " window.chooserAsked = options; return Promise.resolve([]); };")
        page.wait_for_message(NO_DEVICE)
        page.driver.find_element(By.ID, "connect").click()
        asked = page.wait_for(lambda: page.driver.execute_script("return window.chooserAsked;"),
                              "the chooser was not asked")
        self.assertEqual(asked, {"filters": [{"vendorId": 0x0483, "usagePage": 0xFF00}]})
        # A real device: nothing says it is simulated.
        self.assertFalse(page.driver.find_element(By.ID, "demo").is_displayed())
        self.assertFalse(page.driver.title.startswith(DEMO_TITLE_PREFIX), page.driver.title)

    def test_a_device_one_window_holds_is_in_use_in_another_but_its_twin_is_not(self):
        first = self.page_with(TWO_DEVICES)
        first.wait_for_message(FIRMWARE_READY)  # the first device identified, and held
        first.driver.execute_script("document.title = 'The first window';")
        first.driver.switch_to.new_window("window")
        first.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                     {"source": TWO_DEVICES})
        second = Page(first.driver, "")
        second.wait_for_message(IN_USE_IN_TAB.format("The first window"))
        first.driver.set_script_timeout(WAIT_S)
        opened = [first.driver.execute_async_script(
            f"kr55leHid.open({index}).then(arguments[0]);") for index in (0, 1)]
        self.assertEqual(opened, ["in use", 0])


if __name__ == "__main__":
    unittest.main(verbosity=2)
