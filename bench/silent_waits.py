"""A device that never answers: how long each of the dialog's waits for it lasts in the page (the
simulated device compiled in, in headless Chromium) and in kr55le-flash on the same simulated
device, one figure a line: silent-wait-KIND: page over desktop.

Usage: silent_waits.py KR55LE_FLASH PAGE_URL IMAGE. The waits are counted polls, so their length
is each build's own: the page's should stay within a factor of two of the desktop's."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))

import page_test  # noqa: E402  (the page's driver, as the page's tests use it)

# What the device leaves unanswered, and what the command line runs to reach that wait.
WAITS = (
    ("info", "the scan's device information", ["info"]),
    ("check", "Browse's image check", ["check"]),
    ("start", "the upgrade's start", ["upgrade"]),
    ("block:1", "a block's acknowledgement", ["upgrade"]),
)
SILENT = "reply-ms=0,silent="


def desktop_seconds(flash, silent, command, image):
    arguments = [flash, "--simulate", SILENT + silent, *command]
    if command != ["info"]:
        arguments.append(image)
    begun = time.monotonic()
    subprocess.run(arguments, capture_output=True, timeout=600, check=False)
    return time.monotonic() - begun


def page_seconds(driver, silent, image):
    page = page_test.Page(driver, "simulate=" + SILENT + silent)
    begun = time.monotonic()
    page.wait_for(page.message, "the first scan did not end")
    if silent == "info":
        return time.monotonic() - begun
    if silent == "check":
        before = page.message()
        picker = page.open_picker()
        # Timed from the file's arrival, as the command line's check starts with the file given.
        begun = time.monotonic()
        picker.send_keys(image)
        page.wait_for(lambda: page.message() != before, "the check did not end")
        return time.monotonic() - begun
    page.browse(image)
    page.wait_for(lambda: page.control(page_test.UPGRADE)[0].is_enabled(), "Upgrade stayed off")
    begun = time.monotonic()
    page.click(page_test.UPGRADE)
    page.wait_for(lambda: page.message().startswith("Communication error"), "no error")
    return time.monotonic() - begun


def main(flash, url, image):
    page_test.URL = url
    driver = page_test.chromium()
    try:
        for silent, what, command in WAITS:
            desktop = desktop_seconds(flash, silent, command, image)
            page = page_seconds(driver, silent, image)
            print(f"silent-wait-{silent.split(':')[0]}: {page / desktop:.2f}"
                  f" ({what}: {page:.2f} s in the page over {desktop:.2f} s)", flush=True)
    finally:
        driver.quit()


if __name__ == "__main__":
    main(*sys.argv[1:])
