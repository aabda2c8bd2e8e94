#!/bin/sh
# The VM's page benchmark (scripts/test-kernel --bench --browser): a 2 MiB upgrade through the
# page in Chromium over kr55le-flash's on the same node (web-ratio-uhid, and web-ratio-usb over
# the USB link), with the browser cases' own setting-up.
KR55LE_PAGE_BENCH=yes . "$KR55LE_REPO/tests/kernel/browser.sh"
