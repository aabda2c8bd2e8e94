#!/bin/sh
# The VM's browser cases: the page (build-web/site/) in headless Chromium reads
# kr55le-virtual-device's hidraw node (over the USB link, KR55LE_LINK=usb, the host's
# kr55le-usb-device's) through WebHID, granted by a managed policy, in the build machine's own
# file system. tests/web/device_test.py runs the cases and prints PASS or FAIL for each, then the
# totals; it plugs and unplugs the devices through this job's shell helpers (common.sh). With
# KR55LE_PAGE_BENCH=yes (bench/browser_bench.sh) it prints the page's benchmark instead.
. "$KR55LE_REPO/tests/kernel/common.sh"
export PATH="$KR55LE_REPO/build-kernel/bin:$PATH"
port=8765

# A fresh VM's loopback is down: nothing would load, and nothing would say why.
ip link set lo up
# Chromium's HID service learns of devices from udev; the job's root is a chroot, which systemd's
# tools would otherwise refuse to serve.
export SYSTEMD_IGNORE_CHROOT=1
/lib/systemd/systemd-udevd --daemon >/dev/null 2>&1
udevadm trigger --action=add && udevadm settle

policies=/etc/chromium/policies/managed
mkdir -p "$policies"
echo "{\"WebHidAllowAllDevicesForUrls\": [\"http://127.0.0.1:$port\"]}" >"$policies/kr55le.json"
# A blank first tab: Chromium's own is a search engine's start page and then its new tab page,
# which chromedriver waits for (some 15 s emulated).
echo '{"RestoreOnStartup": 4, "RestoreOnStartupURLs": ["about:blank"],' \
  '"NewTabPageLocation": "about:blank", "DefaultSearchProviderEnabled": false}' \
  >"$policies/startup.json"

/usr/bin/python3 -m http.server --bind 127.0.0.1 "$port" \
  --directory "$KR55LE_REPO/build-web/site" >http.log 2>&1 &
server=$!
export KR55LE_PAGE_URL="http://127.0.0.1:$port/"
if [ "${KR55LE_PAGE_BENCH:-}" = yes ]; then
  image Pardo 01.02.00 2097152 large.bin
  KR55LE_PAGE_WAIT_S=1200 timeout 3000 /usr/bin/python3 "$KR55LE_REPO/tests/web/device_test.py" \
    --bench "$work" "$link"
else
  image Pardo 01.02.00 $((5 * 1008 + 17)) firmware.bin
  image Pardo 01.02.00 $((40 * 1008)) long.bin
  KR55LE_PAGE_WAIT_S=300 timeout 1200 /usr/bin/python3 "$KR55LE_REPO/tests/web/device_test.py" \
    "$work" "$link"
fi
kill "$server" 2>/dev/null
