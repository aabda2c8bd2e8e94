# Shell helpers of the VM's jobs: bounded waits, virtual devices, test images, the cases both
# the Linux and the Windows jobs run, and the cases' reports. Sourced first, with KR55LE_REPO the
# checkout's root (/kr55le in the initramfs); the job then runs in $work. A script of cases
# defines in_background, its kr55le-flash started in the background. Over the USB link
# (KR55LE_LINK=usb) usb_link.sh takes over the device helpers, and the cases' names end in -usb.
work=/tmp/work
mkdir -p "$work"
cd "$work" || exit 1
passed=0
failed=0
answer=

uptime_seconds() { cut -d ' ' -f 1 /proc/uptime; }
elapsed() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.1f", e - s }'; }

# Waits, in tenths of a second up to $2, until the command $1 succeeds.
await() {
  tries=0
  until eval "$1"; do
    tries=$((tries + 1))
    [ "$tries" -ge "$2" ] && return 1
    sleep 0.1
  done
}

nodes() { ls /dev/hidraw* 2>/dev/null | wc -l; }
nodes_gone() { await '[ "$(nodes)" -eq 0 ]' 50; }

# start_device SPEC [NODES]: a virtual device in the background, once the kernel shows its nodes.
start_device() {
  expected=$(( $(nodes) + ${2:-1} ))
  kr55le-virtual-device "$1" --dump "$work/dump.bin" >device.log 2>&1 &
  device=$!
  await '[ "$(nodes)" -ge "$expected" ]' 100
}

# stop_device: ends the last one started (TERM writes the dump) and waits until it has exited.
stop_device() {
  kill -TERM "$device" 2>/dev/null
  await '! kill -0 "$device" 2>/dev/null' 50 || kill -KILL "$device" 2>/dev/null
  wait "$device" 2>/dev/null
}

# kill_device: SIGKILL to the last one started.
kill_device() { kill -KILL "$device"; }

# dump_is FILE [NAME]: the last device's payload (the dump NAME of one of several), as it dumped
# it, equals FILE.
dump_is() { cmp -s "$work/${2:-dump.bin}" "$1"; }

# requests SERIAL KIND [LOG]: how many requests of KIND (info, check, start, exit) the device
# SERIAL received, as it told at its end in LOG (device.log unless given; stop it first).
requests() { sed -n "s/^$1 requests:.* $2=\([0-9]*\).*/\1/p" "${3:-device.log}"; }

# image KIND VERSION PAYLOAD-BYTES FILE: the 64-byte header (kind at 32, version at 48), then a
# random payload; FILE.expected is what the device should assemble: payload, then 0x55 filler.
image() {
  head -c "$3" /dev/urandom >"$4.payload"
  { head -c 32 /dev/zero; printf '%s' "$1"; head -c $((16 - ${#1})) /dev/zero
    printf '%s' "$2"; head -c $((16 - ${#2})) /dev/zero; cat "$4.payload"; } >"$4"
  filler=$(( ($3 / 1008 + 1) * 1008 - $3 ))
  { cat "$4.payload"; head -c "$filler" /dev/zero | tr '\000' '\125'; } >"$4.expected"
}

# finish TENTHS: waits that long at most for the background run ($flashing) to end, else kills
# it; its status in $status.
finish() {
  await '! kill -0 "$flashing" 2>/dev/null' "$1" || kill -KILL "$flashing" 2>/dev/null
  wait "$flashing"
  status=$?
}
# flash ARGS...: the job's kr55le-flash, bounded, its output in out and err, its status in $status.
flash() { in_background "$@"; finish 1200; }
last_message() { sed -n 's/^message: //p' out | tail -n 1; }
# upgraded: the run completed the upgrade, and the device assembled firmware.bin's payload and
# filler. none_attached: the run ended on a scan that found no device.
upgraded() {
  [ "$status" -eq 0 ] && [ "$(last_message)" = 'Firmware upgrade completed' ] &&
    dump_is firmware.bin.expected
}
none_attached() { [ "$status" -eq 1 ] && [ "$(last_message)" = 'No device is attached' ]; }

# The device that info must identify, and what it must show of it.
identify_spec=serial=VM00000042,software-version=01.01.00,mode=audio
identified() {
  grep -qx 'serial: VM00000042' out && grep -qx 'software-version: 01.01.00' out &&
    grep -qx 'upgrade-mode: Audio upgrade' out
}

# upgrade_case SPEC: firmware.bin's upgrade on a device of SPEC.
upgrade_case() {
  rm -f dump.bin
  start_device "$1"
  flash upgrade firmware.bin
  stop_device
  upgraded
}
case_firmware_upgrade() { upgrade_case ''; }
# The previous acknowledgement repeated after each "send it again" must not skip a block.
case_repeated_acknowledgement() { upgrade_case resend-every=3,repeat-ack; }
# A device whose status replies come under report ID 3, which asks for a block again with code 0
# (every third data report) and fills its replies past their answers with 0xFF.
variant_spec=status-id=3,again-code=0,reply-fill=255,resend-every=3
case_status_id_3_again_code_0() { upgrade_case "$variant_spec"; }

# record_then_replay: a session recorded through flash on the real node, replayed in process by
# the Linux build: the same output (kept in recorded.out), and no replay error.
record_then_replay() {
  start_device ''
  flash --record session.jsonl upgrade firmware.bin
  recorded=$status
  cp out recorded.out
  stop_device
  timeout 90 kr55le-flash --simulate replay=session.jsonl upgrade firmware.bin >out 2>err
  status=$?
  [ "$recorded" -eq 0 ] && [ "$status" -eq 0 ] && cmp -s out recorded.out && ! grep -q replay: err
}

pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() {
  failed=$((failed + 1))
  echo "FAIL $1: $2"
  for f in out err device.log; do [ -s "$f" ] && sed "s/^/  $f: /" "$f" | tail -n 20; done
  [ -n "$answer" ] && echo "  host: $answer"
}
# run_cases SUFFIX NAME...: each case_NAME, reported as NAME, SUFFIX and the link's suffix, with
# the seconds it took; each waits for the last one's nodes to go.
run_cases() {
  label=$1$link
  shift
  for name in "$@"; do
    rm -f out err device.log
    answer=
    begun=$(uptime_seconds)
    if "case_$name"; then pass "$name$label"; else fail "$name$label" "status $status"; fi
    echo "  $(elapsed "$begun" "$(uptime_seconds)") s"
    nodes_gone || echo "  hidraw nodes left over: $(ls /dev/hidraw*)"
  done
}

link=
if [ "$KR55LE_LINK" = usb ]; then
  . "$KR55LE_REPO/tests/kernel/usb_link.sh"
  link=-usb
fi
