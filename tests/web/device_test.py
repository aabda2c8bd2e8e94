"""The page on the kernel's hidraw node through WebHID, in the kernel VM (tests/kernel/browser.sh):
the device identified, an upgrade whose dump is exact, a failure code, a removal at a block and
a device plugged in after the page loaded. The devices come and go through the VM job's shell
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
        if not devices.run(f"start_device '{spec}'"):
            raise AssertionError("no hidraw node appeared")
        page = page_test.Page(driver, "")
        page.wait_for(page.message, "the first scan did not end")
        return page

    def upgraded(page, image):
        page.browse(f"{work}/{image}")
        page.wait_for(lambda: page.control(page_test.UPGRADE)[0].is_enabled(), "no Upgrade")
        page.click(page_test.UPGRADE)

    def identify():
        page = opened("serial=VM00000042,software-version=01.01.00,mode=audio")
        shown = [page.value(c) for c in (page_test.SERIAL, page_test.SOFTWARE, page_test.MODE)]
        if shown != ["VM00000042", "01.01.00", "Audio upgrade"]:
            return f"shown {shown}"
        return None

    def firmware_upgrade():
        page = opened("")
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
        for name, body in (("identify", identify), ("firmware-upgrade", firmware_upgrade),
                           ("failure-code", failure_code), ("removed-at-block", removed_at_block),
                           ("plugged-after-load", plugged_after_load)):
            case(name, body)
    finally:
        driver.quit()
    print(f"{results.count(True)} passed, {results.count(False)} failed")
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ""))
