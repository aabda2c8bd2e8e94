#!/bin/sh
# The VM's benchmark: a 2 MiB firmware upgrade through kr55le-flash on the real hidraw path,
# the same image through the direct loop (hidraw_loop_bench: write, poll, read; one thread),
# and their ratio. Each figure is the best of a few runs, timed from /proc/uptime.
work=/tmp/bench
runs=5
mkdir -p "$work"
cd "$work" || exit 1
. /kr55le/common.sh

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
echo "upgrade-2mib-kernel-seconds: $flash"
echo "hidraw-loop-2mib-seconds: $loop"
awk -v f="$flash" -v l="$loop" 'BEGIN {
  if (f + 0 > 0 && l + 0 > 0) printf "kernel-ratio: %.2f\n", f / l
  else print "kernel-ratio: failed" }'
