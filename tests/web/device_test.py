"""The page on the kernel's hidraw node through WebHID, in the kernel VM (tests/kernel/browser.sh):
the device identified and the exit request when the page is left, an upgrade whose dump is exact, a failure code, a removal at a block,
a device plugged in after the page loaded, and an upgrade whose dump is exact on a device whose status
replies and send-again code are not the usual ones; with --bench, the page's upgrade time over
kr55le-flash's (web-ratio-usb, web-ratio-uhid). The devices come and go through the VM job's shell
helpers (tests/kernel/common.sh), so that the same cases run over uhid and over the USB link.
Arguments: the job's work folder (which holds the images) and the link's label. Prints PASS or
FAIL per case and the totals, as the VM's jobs do."""

import os
import pathlib
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import page_test  # noqa: E402  the browser and the page, as the simulated cases use them

REPO = os.environ["KR55LE_REPO"]
REMOVAL_BOUND_S = 5  # from the node's going to the page's last word
NO_DEVICE = page_test.NO_DEVICE
# How an upgrade ends: completed, refused, the device gone, or no answer.
ENDINGS = (page_test.FIRMWARE_DONE, page_test.UPLOAD_FAILED, NO_DEVICE, "Communication error")
LEAVE_SETTLE_S = 3  # for a report the left page sent to reach the device on an emulated CPU


class Devices:
    """A shell that keeps the job's device helpers, and the device they started, between cases."""

    def __init__(self):
        self.shell = subprocess.Popen(["sh"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      text=True)
        self.run(f". {REPO}/tests/kernel/common.sh")

    def run(self, command):
        """True when `command` succeeded in the shell."""
        self.shell.stdin.write(f"{command}\necho \"__status $?\"\n")
        self.shell.stdin.flush()
        for line in self.shell.stdout:
            if line.startswith("__status "):
                return line.split()[1] == "0"
        return False


def hidraw_nodes():
    return [name for name in os.listdir("/dev") if name.startswith("hidraw")]


def bench(work, link, runs=2):
    """web-ratio-LINK: a 2 MiB upgrade through the page (from the Upgrade click to the last word)
    over the same through kr55le-flash (its whole run) on a fresh device, the best of `runs`
    each, alternating so that the host's load weighs on both alike."""
    devices = Devices()
    driver = page_test.chromium()
    flash, page_s = [], []
    try:
        for _ in range(runs):
            devices.run("start_device ''")
            begun = time.monotonic()
            run = subprocess.run(["kr55le-flash", "upgrade", f"{work}/large.bin"],
                                 capture_output=True, text=True, timeout=1200)
            flash.append(time.monotonic() - begun if run.returncode == 0 else None)
            # Its last words, whatever its status: a run that ends early says why here.
            print(f"  kr55le-flash: status {run.returncode}, {time.monotonic() - begun:.1f} s:"
                  f" {run.stdout.strip()[-200:]!r} {run.stderr.strip()[-200:]!r}")
            devices.run("stop_device; nodes_gone")
            devices.run("start_device ''")
            page = page_test.Page(driver, "")
            page.wait_for(page.message, "the first scan did not end")
            page.browse(f"{work}/large.bin")
            page.wait_for(lambda: page.control(page_test.UPGRADE)[0].is_enabled(), "no Upgrade")
            begun = time.monotonic()
            page.click(page_test.UPGRADE)
            page.wait_for(lambda: page.message().startswith(ENDINGS), "no end")
            done = page.message().startswith(page_test.FIRMWARE_DONE)
            page_s.append(time.monotonic() - begun if done else None)
            if not done:
                print(f"  page: {page.message()}")
            # Left, so that the page does not take up the next device beside kr55le-flash.
            driver.get("about:blank")
            devices.run("stop_device; nodes_gone")
    finally:
        driver.quit()
    name = f"web-ratio{link or '-uhid'}"
    if None in flash or None in page_s:
        print(f"{name}: failed")
        return 1
    print(f"{name}: {min(page_s) / min(flash):.2f} ({min(page_s):.1f} s over {min(flash):.1f} s)")
    return 0


def main(work, link):
    devices = Devices()
    driver = page_test.chromium()
    results = []

    def case(name, body):
        begun = time.monotonic()
        try:
            error = body()
        except Exception as failure:  # a failed wait or a browser failure fails the case
            error = f"{type(failure).__name__}: {failure}"
        print(f"{'FAIL' if error else 'PASS'} page-{name}{link}" + (f": {error}" if error else ""))
        print(f"  {time.monotonic() - begun:.1f} s", flush=True)
        results.append(error is None)
        devices.run("stop_device; nodes_gone")

    def opened(spec):
        if not devices.run(f'start_device "{spec}"'):  # a spec may name the job's variables
            raise AssertionError("no hidraw node appeared")
        page = page_test.Page(driver, "")
        page.wait_for(page.message, "the first scan did not end")
        return page

    def upgraded(page, image):
        page.browse(f"{work}/{image}")
        page.wait_for(lambda: page.control(page_test.UPGRADE)[0].is_enabled(), "no Upgrade")
        page.click(page_test.UPGRADE)

    def identify_then_leave():
        page = opened("serial=VM00000042,software-version=01.01.00,mode=audio")
        shown = [page.value(c) for c in (page_test.SERIAL, page_test.SOFTWARE, page_test.MODE)]
        if shown != ["VM00000042", "01.01.00", "Audio upgrade"]:
            return f"shown {shown}"
        # Leaving the page sends the exit request, as closing the window does; the device counts
        # its requests when it stops.
        driver.get("about:blank")
        time.sleep(LEAVE_SETTLE_S)
        if not devices.run('stop_device; [ "$(requests VM00000042 exit)" = 1 ]'):
            return "the device had no exit request when the page was left"
        return None

    def firmware_upgrade(spec=""):
        page = opened(spec)
        upgraded(page, "firmware.bin")
        page.wait_for_message(page_test.FIRMWARE_DONE)
        page.close()  # the exit request, and the device let go
        if not devices.run(f"stop_device; dump_is {work}/firmware.bin.expected"):
            return "the dump differs from the image's payload"
        return None

    def failure_code():
        page = opened("fail-at=2")
        upgraded(page, "firmware.bin")
        page.wait_for_message(page_test.UPLOAD_FAILED)

    def removed_at_block():
        page = opened("unplug-at=20")
        upgraded(page, "long.bin")
        page.wait_for(lambda: not hidraw_nodes(), "the node stayed")
        gone = time.monotonic()
        page.wait_for_message(NO_DEVICE)
        took = time.monotonic() - gone
        print(f"  ended {took:.1f} s after the removal, bound {REMOVAL_BOUND_S} s")
        return None if took <= REMOVAL_BOUND_S else f"took {took:.1f} s"

    def plugged_after_load():
        page = page_test.Page(driver, "")
        page.wait_for_message(NO_DEVICE)
        if not devices.run("start_device 'serial=VM00000043'"):
            return "no hidraw node appeared"
        page.wait_for(lambda: page.value(page_test.SERIAL) == "VM00000043",
                      "the device did not appear without a reload")
        return None

    try:
        for name, body in (("identify-then-leave", identify_then_leave), ("firmware-upgrade", firmware_upgrade),
                           ("failure-code", failure_code), ("removed-at-block", removed_at_block),
                           ("plugged-after-load", plugged_after_load),
                           ("status-id-3-again-code-0", lambda: firmware_upgrade("$variant_spec"))):
            case(name, body)
    finally:
        driver.quit()
    print(f"{results.count(True)} passed, {results.count(False)} failed")
    return 0 if all(results) else 1


if __name__ == "__main__":
    run = bench if sys.argv[1] == "--bench" else main
    arguments = [word for word in sys.argv[1:] if word != "--bench"]
    sys.exit(run(arguments[0], arguments[1] if len(arguments) > 1 else ""))
