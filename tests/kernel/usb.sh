#!/bin/sh
# The VM's cases on an emulated USB link: the real kr55le-flash against kr55le-usb-device, which
# runs outside the VM behind QEMU's usb-redir on the UHCI controller, through the guest's
# uhci-hcd, usbhid and hidraw drivers. The host side (usb_host.sh) starts and stops the devices
# when asked on the second serial line. Prints PASS or FAIL per case, then the totals.
passed=0
failed=0
work=/tmp/usb-cases
mkdir -p "$work"
cd "$work" || exit 1

pass() { passed=$((passed + 1)); echo "PASS usb_$1"; }
fail() {
  failed=$((failed + 1))
  echo "FAIL usb_$1: $2"
  for f in out err; do [ -s "$f" ] && sed "s/^/  $f: /" "$f"; done
  echo "  host: $answer"
}

. /kr55le/common.sh

# The line to the host side, raw so that each request and answer is one line as written.
control=/dev/ttyS1
stty -F "$control" raw -echo
exec 5<>"$control"
# ask REQUEST...: one request to the host side; its one-line answer lands in $answer.
ask() {
  echo "$*" >&5
  read -t 30 -r answer <&5 || answer="no answer"
}

# start_usb SPEC [NODES] [SLOT]: a device (slot 1 unless given; slot 0 for several) on the USB
# link, once the kernel shows its nodes. QEMU reconnects to a slot's socket within a second.
start_usb() {
  expected=$(( $(nodes) + ${2:-1} ))
  slot=${3:-1}
  ask start "$slot" "$1"
  [ "$answer" = started ] && await '[ "$(nodes)" -ge "$expected" ]' 150
}
# stop_usb [SLOT]: ends the device (TERM writes its dumps) and waits for its nodes to go.
stop_usb() {
  ask stop "${1:-1}"
  stopped=$answer
  await '[ "$(nodes)" -eq 0 ]' 50
}
# dumped NAME FILE: the device's payload NAME, as the host side summed it, equals FILE.
dumped() {
  case " $stopped " in *" $1=$(md5sum <"$2" | cut -d' ' -f1) "*) return 0 ;; esac
  return 1
}

flash() {
  timeout 90 kr55le-flash "$@" >out 2>err
  status=$?
}

last_message() { sed -n 's/^message: //p' out | tail -n 1; }

image Pardo 01.02.00 $((5 * 1008 + 17)) firmware.bin
image AUDIO 02.00.01 $((3 * 1008)) audio.bin
image Pardo 01.02.00 2097152 large.bin
: >empty

case_identify() {
  start_usb serial=VM00000042,software-version=01.01.00,mode=audio
  flash info
  stop_usb
  grep -qx 'serial: VM00000042' out && grep -qx 'software-version: 01.01.00' out &&
    grep -qx 'upgrade-mode: Audio upgrade' out && [ "$status" -eq 0 ]
}

case_check() {
  start_usb ''
  flash check firmware.bin
  stop_usb
  [ "$status" -eq 0 ] && [ "$(last_message)" = 'Do you want to upgrade the device?' ]
}

# upgrade_case SPEC IMAGE COMPLETION
upgrade_case() {
  start_usb "$1"
  flash upgrade "$2"
  stop_usb
  [ "$status" -eq 0 ] && [ "$(last_message)" = "$3" ] && dumped dump.bin "$2.expected"
}
case_firmware_upgrade() { upgrade_case '' firmware.bin 'Firmware upgrade completed'; }
case_audio_upgrade() { upgrade_case mode=audio audio.bin 'Audio upgrade completed'; }
# No interrupt OUT endpoint: usbhid sends every report as a SET_REPORT control transfer.
case_out_endpoint_no() {
  upgrade_case out-endpoint=no firmware.bin 'Firmware upgrade completed'
}

case_failure_code_at_block() {
  start_usb fail-at=3
  flash upgrade firmware.bin
  stop_usb
  [ "$status" -eq 1 ] &&
    [ "$(last_message)" = 'Communication error: Uploading is failed, please try again' ]
}

# removal_case SPEC [SIGNAL]: the device leaves mid-transfer, as its own fault or killed; the
# transfer ends as a removal.
removal_case() {
  start_usb "$1"
  timeout 90 kr55le-flash upgrade large.bin >out 2>err &
  flashing=$!
  await 'grep -q "Firmware is Upgrading" out' 300 && sleep 0.5
  [ -n "${2:-}" ] && ask kill 1
  wait "$flashing"
  status=$?
  stop_usb
  [ "$status" -eq 1 ] && [ "$(last_message)" = 'No device is attached' ]
}
# usbredir's device_disconnect at block 40, the connection kept.
case_disconnect_at_block() { removal_case disconnect-at=40; }
# The connection itself ends at block 40, as a pulled cable.
case_unplug_at_block() { removal_case unplug-at=40; }
case_killed_during_transfer() { removal_case reply-ms=1 KILL; }

# Three devices on the one controller, each upgraded by a run of its own; the second fails.
case_upgrade_all() {
  start_usb devices=3,2:fail-at=3 3 0
  flash upgrade --all firmware.bin
  stop_usb 0
  [ "$status" -eq 1 ] && [ "$(grep -c '  done  ' out)" -eq 2 ] &&
    grep -q '^KR55LE0002  .*  failed  .*Communication error' out &&
    dumped dump-KR55LE0001.bin firmware.bin.expected &&
    dumped dump-KR55LE0003.bin firmware.bin.expected &&
    ! dumped dump-KR55LE0002.bin firmware.bin.expected
}

# The descriptors as the kernel's USB and HID drivers took them, read back through hidraw.
case_capabilities_from_the_kernel() {
  start_usb ''
  hidraw_caps >out 2>err
  status=$?
  stop_usb
  [ "$status" -eq 0 ] && grep -qx 'path: /dev/hidraw0#vid_0483&pid_5750' out &&
    grep -qx 'sysfs: input 64 output 1024 feature 0' out &&
    grep -qx 'ioctl: input 64 output 1024 feature 0' out &&
    grep -qx 'description: STMicroelectronics Pardo KR-55LE' out
}

for name in identify check firmware_upgrade audio_upgrade out_endpoint_no \
  failure_code_at_block disconnect_at_block unplug_at_block killed_during_transfer \
  upgrade_all capabilities_from_the_kernel; do
  rm -f out err
  answer=
  if "case_$name"; then pass "$name"; else fail "$name" "status $status"; fi
  await '[ "$(nodes)" -eq 0 ]' 50 || echo "  hidraw nodes left over: $(ls /dev/hidraw*)"
done
echo "$passed passed, $failed failed"
