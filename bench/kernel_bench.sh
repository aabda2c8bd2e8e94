#!/bin/sh
# The VM's benchmarks, one figure a line, each the best of a few runs timed from /proc/uptime on
# a fresh device. In the initramfs: a 2 MiB firmware upgrade through kr55le-flash on the real
# hidraw path, the same image through the direct loop (hidraw_loop_bench: write, poll, read; one
# thread), and their ratio; over the USB link (KR55LE_LINK=usb) the same under usb- names, with
# the link's own floor. With the architectures in KR55LE_OPTIONS, in the build machine's file
# system: the same upgrade through kr55le-flash.exe under Wine over the Linux kr55le-flash.
. "$KR55LE_REPO/tests/kernel/common.sh"

# time_run COMMAND...: the seconds one run took on a fresh device, or "failed".
time_run() {
  start_device ''
  begun=$(uptime_seconds)
  if "$@" >run.log 2>&1 </dev/null; then
    awk -v s="$begun" -v e="$(uptime_seconds)" 'BEGIN { print e - s }'
  else
    echo failed
    sed 's/^/  run: /' run.log >&2
  fi
  stop_device
  nodes_gone
}

# best SECONDS BEST: the smaller, "failed" once any run failed.
best() {
  awk -v t="$1" -v b="$2" 'BEGIN {
    if (t == "failed" || b == "failed") print "failed"; else print (b == "" || t < b) ? t : b }'
}

# alternate RUNS A B: the best seconds of the commands A and B (shell words, expanded here) in
# $a and $b; they alternate, so that a change in the host's load weighs on both alike.
alternate() {
  a=
  b=
  for _ in $(seq "$1"); do
    a=$(best "$(eval "time_run $2")" "$a")
    b=$(best "$(eval "time_run $3")" "$b")
  done
}

image Pardo 01.02.00 2097152 large.bin

if [ -n "$KR55LE_OPTIONS" ]; then
  . "$KR55LE_REPO/tests/kernel/wine.sh"
  for arch in $arches; do
    use_arch
    alternate 3 'kr55le-flash upgrade large.bin' \
      '"$wine" "$bin/kr55le-flash.exe" upgrade large.bin'
    awk -v w="$b" -v l="$a" -v a="$arch" 'BEGIN {
      if (w + 0 <= 0 || l + 0 <= 0) printf "windows-ratio-%s: failed\n", a
      else printf "windows-ratio-%s: %.2f (%.1f s over %.1f s)\n", a, w / l, w, l }'
  done
  exit
fi

set -- upgrade-2mib-kernel-seconds hidraw-loop-2mib-seconds kernel-ratio
runs=5
if [ "$KR55LE_LINK" = usb ]; then
  set -- usb-2mib-seconds usb-loop-2mib-seconds usb-ratio
  runs=2
fi
alternate "$runs" 'kr55le-flash upgrade large.bin' 'hidraw_loop_bench /dev/hidraw0 large.bin'
echo "$1: $a"
echo "$2: $b"
awk -v f="$a" -v l="$b" -v name="$3" 'BEGIN {
  if (f + 0 > 0 && l + 0 > 0) printf "%s: %.2f\n", name, f / l
  else printf "%s: failed\n", name }'
# The link's floor: at full speed each report crosses in 64-byte packets, one per 1 ms frame, and
# a block's output report and its acknowledgement go one after the other.
if [ "$KR55LE_LINK" = usb ]; then
  start_device ''
  hidraw_caps >caps.txt 2>&1
  stop_device
  awk -v bytes=2097152 '/^ioctl: / {
    frames = int(($3 + 63) / 64) + int(($5 + 63) / 64); blocks = int((bytes + 1007) / 1008)
    printf "usb-floor-seconds: %.1f (%d frames a block, %d blocks)\n", frames * blocks / 1000, frames, blocks
    found = 1 } END { if (!found) print "usb-floor-seconds: failed" }' caps.txt
fi
