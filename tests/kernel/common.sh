# Shell helpers of the VM's jobs: bounded waits, virtual devices, test images. Sourced from the
# job's working folder, $work.

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

# image KIND VERSION PAYLOAD-BYTES FILE: the 64-byte header (kind at 32, version at 48), then a
# random payload; FILE.expected is what the device should assemble: payload, then 0x55 filler.
image() {
  head -c "$3" /dev/urandom >"$4.payload"
  { head -c 32 /dev/zero; printf '%s' "$1"; head -c $((16 - ${#1})) /dev/zero
    printf '%s' "$2"; head -c $((16 - ${#2})) /dev/zero; cat "$4.payload"; } >"$4"
  filler=$(( ($3 / 1008 + 1) * 1008 - $3 ))
  { cat "$4.payload"; head -c "$filler" /dev/zero | tr '\000' '\125'; } >"$4.expected"
}

