#!/bin/sh
# The VM's benchmark: a 2 MiB firmware upgrade through kr55le-flash on the real hidraw path,
# the same image through the direct loop (hidraw_loop_bench: write, poll, read; one thread),
# and their ratio. Each figure is the best of a few runs, timed from /proc/uptime. Over the USB
# link (KR55LE_LINK=usb) the same figures take the usb- names, with the link's own floor.
work=/tmp/bench
runs=5
mkdir -p "$work"
cd "$work" || exit 1
. /kr55le/common.sh
names="upgrade-2mib-kernel-seconds hidraw-loop-2mib-seconds kernel-ratio"
if [ "$KR55LE_LINK" = usb ]; then
  . /kr55le/usb_link.sh
  names="usb-2mib-seconds usb-loop-2mib-seconds usb-ratio"
  runs=2
fi
set -- $names

uptime_seconds() { cut -d ' ' -f 1 /proc/uptime; }

# time_run COMMAND...: the seconds one run took on a fresh device, or "failed".
time_run() {
  start_device ''
  start=$(uptime_seconds)
  if "$@" >run.log 2>&1; then
    end=$(uptime_seconds)
    awk -v s="$start" -v e="$end" 'BEGIN { print e - s }'
  else
    echo failed
    cat run.log >&2
  fi
  stop_device
  await '[ "$(nodes)" -eq 0 ]' 50
}

# best SECONDS BEST: the smaller, "failed" once any run failed.
best() {
  awk -v t="$1" -v b="$2" 'BEGIN {
    if (t == "failed" || b == "failed") print "failed"; else print (b == "" || t < b) ? t : b }'
}

image Pardo 01.02.00 2097152 large.bin
# The two alternate, so that a change in the host's load weighs on both alike.
flash=
loop=
for _ in $(seq "$runs"); do
  flash=$(best "$(time_run kr55le-flash upgrade large.bin)" "$flash")
  loop=$(best "$(time_run hidraw_loop_bench /dev/hidraw0 large.bin)" "$loop")
done
echo "$1: $flash"
echo "$2: $loop"
awk -v f="$flash" -v l="$loop" -v name="$3" 'BEGIN {
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
