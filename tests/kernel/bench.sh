#!/bin/sh
# The VM's benchmark: a 2 MiB firmware upgrade through kr55le-flash on the real hidraw path,
# the same image through the direct loop (hidraw_loop_bench: write, poll, read; one thread),
# and their ratio. Each figure is the best of a few runs, timed from /proc/uptime.
work=/tmp/bench
runs=3
mkdir -p "$work"
cd "$work" || exit 1
. /kr55le/common.sh

uptime_seconds() { cut -d ' ' -f 1 /proc/uptime; }

# best_of COMMAND...: the fewest seconds one run of the command took on a fresh device, or
# "failed" when a run failed.
best_of() {
  best=
  for _ in $(seq "$runs"); do
    start_device ''
    start=$(uptime_seconds)
    "$@" >run.log 2>&1 || { echo failed; cat run.log >&2; stop_device; return; }
    end=$(uptime_seconds)
    stop_device
    await '[ "$(nodes)" -eq 0 ]' 50
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
  done
  echo "$best"
}

image Pardo 01.02.00 2097152 large.bin
flash=$(best_of kr55le-flash upgrade large.bin)
loop=$(best_of hidraw_loop_bench /dev/hidraw0 large.bin)
echo "upgrade-2mib-kernel-seconds: $flash"
echo "hidraw-loop-2mib-seconds: $loop"
awk -v f="$flash" -v l="$loop" 'BEGIN {
  if (f + 0 > 0 && l + 0 > 0) printf "kernel-ratio: %.2f\n", f / l; else print "kernel-ratio: failed" }'
