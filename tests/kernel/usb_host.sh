#!/usr/bin/env bash
# tests/kernel/usb_host.sh DIR DEVICE: the host side of the VM's USB cases. It makes the FIFO
# pair DIR/control.in and DIR/control.out (QEMU's -serial pipe:DIR/control, the guest's
# /dev/ttyS1), then answers the guest's requests, one line each, until it gets SIGTERM:
#   start SLOT SPEC  kr55le-usb-device SPEC on DIR/slot-SLOT.sock (SLOT 0: a bus of several
#                    devices on DIR/slot-1.sock, DIR/slot-2.sock, ...); "started" once it listens
#   stop SLOT        SIGTERM, then "stopped STATUS", NAME=MD5 of each payload it dumped and
#                    KIND-SERIAL=N for the requests of each kind each device received
#                    (info, check, start, exit)
#   kill SLOT        SIGKILL, then "killed"
# QEMU's usb-redir chardevs connect to the slots' sockets with reconnect=1, so a device plugs in
# when its process listens and unplugs when the process ends.
set -uo pipefail
dir=$1
device=$2
mkdir -p "$dir"
rm -f "$dir"/control.in "$dir"/control.out "$dir"/slot*.sock
mkfifo "$dir/control.in" "$dir/control.out"
declare -A pids=()

socket_of() { if [ "$1" = 0 ]; then echo "$dir/slot.sock"; else echo "$dir/slot-$1.sock"; fi; }

start() {
  local slot=$1 spec=${2:-} folder="$dir/dumps-$1"
  rm -rf "$folder" && mkdir -p "$folder"
  "$device" --socket "$(socket_of "$slot")" --dump "$folder/dump.bin" "$spec" \
    >"$folder.out" 2>"$folder.err" &
  pids[$slot]=$!
  # Listening once it has named its sockets (one line a device), or gone with a reason.
  for _ in $(seq 50); do
    grep -q ' on .*Ctrl+C' "$folder.out" 2>/dev/null && { echo started; return; }
    kill -0 "${pids[$slot]}" 2>/dev/null || break
    sleep 0.1
  done
  echo "failed: $(tr '\n' ' ' <"$folder.err")"
}

stop() {
  local slot=$1 signal=$2 status=none
  if [ -n "${pids[$slot]:-}" ]; then
    kill "-$signal" "${pids[$slot]}" 2>/dev/null
    wait "${pids[$slot]}" 2>/dev/null
    status=$?
    unset "pids[$slot]"
  fi
  if [ "$signal" = KILL ]; then echo killed; return; fi
  local line="stopped $status" file
  for file in "$dir/dumps-$slot"/*; do
    [ -f "$file" ] && line+=" $(basename "$file")=$(md5sum <"$file" | cut -d' ' -f1)"
  done
  local serial counts count
  while read -r serial _ counts; do
    for count in $counts; do line+=" ${count%%=*}-$serial=${count#*=}"; done
  done < <(grep ' requests: ' "$dir/dumps-$slot.out" 2>/dev/null)
  echo "$line"
}

# Served again when QEMU reopens the line (a boot tried again); ends on TERM, with its devices.
trap 'for slot in "${!pids[@]}"; do kill -TERM "${pids[$slot]}" 2>/dev/null; done; wait; exit' TERM
while :; do
  {
    exec 4>"$dir/control.in"
    while read -r line; do
      line=${line%$'\r'}
      read -r request slot spec <<<"$line"
      case $request in
        start) start "$slot" "$spec" ;;
        stop) stop "$slot" TERM ;;
        kill) stop "$slot" KILL ;;
        *) echo "unknown request: $request" ;;
      esac >&4
    done
  } <"$dir/control.out"
done
