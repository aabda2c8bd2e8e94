#!/bin/sh
# The VM's test cases: the real kr55le-flash (no --simulate) against kr55le-virtual-device on
# the kernel's uhid, hid and hidraw drivers, or with KR55LE_LINK=usb against kr55le-usb-device
# behind the emulated USB controller, through uhci-hcd and usbhid. Prints PASS or FAIL per case,
# then the totals.
. "$KR55LE_REPO/tests/kernel/common.sh"
in_background() { kr55le-flash "$@" >out 2>err </dev/null & flashing=$!; }

image Pardo 01.02.00 $((5 * 1008 + 17)) firmware.bin
image Pardo 01.02.00 2097152 large.bin

case_identify() {
  start_device "$identify_spec"
  flash info
  stop_device
  [ "$status" -eq 0 ] && identified
}

case_check() {
  start_device ''
  flash check firmware.bin
  stop_device
  [ "$status" -eq 0 ] && [ "$(last_message)" = 'Do you want to upgrade the device?' ]
}

# removal_case SPEC [KILL]: the device goes mid-transfer, as its own fault or killed: the
# reader's poll error and EIO end the transfer, and the kernel's remove uevent makes the scan
# that finds no device.
removal_case() {
  start_device "$1"
  in_background upgrade large.bin
  await 'grep -q "Firmware is Upgrading" out' 300 && sleep 0.5
  [ -n "${2:-}" ] && kill_device
  finish 900
  stop_device
  none_attached
}
# A millisecond a reply keeps the transfer going for seconds, also where KVM runs it.
case_killed_during_transfer() { removal_case reply-ms=1 KILL; }
case_unplugged_itself_during_transfer() { removal_case unplug-at=40; }
# The USB link's own: usbredir's device_disconnect at block 40, the connection kept; and no
# interrupt OUT endpoint, so that usbhid sends every report as a SET_REPORT control transfer.
case_disconnect_at_block() { removal_case disconnect-at=40; }
case_out_endpoint_no() { upgrade_case out-endpoint=no; }

# stall_case SPEC EXPECTED: the device stalls block 3 (stall-at, the USB link's own). A stall is
# no removal, nor proof that the device took none of the block, which is not sent again: the
# upgrade ends on the communication error with the warning beep, never silently and never as
# completed. EXPECTED: error, or either where the stall may not reach the guest at all (the case
# then says which it was).
stall_case() {
  rm -f dump.bin
  start_device "$1"
  flash --bell --wait-scale 0.02 upgrade firmware.bin
  stop_device
  if [ "$2" = either ] && upgraded; then
    echo "  the stall did not reach the guest, and the upgrade completed"
    return 0
  fi
  [ "$status" -eq 1 ] &&
    [ "$(last_message)" = 'Communication error: Reset the device and try again' ] &&
    [ "$(tr -cd '\007' <err | wc -c)" -ge 1 ] &&
    echo "  ended on the communication error, with its beep"
}
case_stall_at_block() { stall_case stall-at=3 either; }
case_stall_at_block_set_report() { stall_case stall-at=3,out-endpoint=no error; }

# A second device arrives while the image check waits (the first one never answers it): the
# uevent reaches the waiting tool, whose nested scan finds two devices. Ctrl+C then closes.
case_arrival_while_waiting() {
  start_device silent=check
  first=$device
  in_background check firmware.bin
  await 'grep -q "Browse a file for upgrade" out' 100
  start_device ''
  await 'grep -q "Multiple devices are attached" err' 100
  arrived=$?
  kill -INT "$flashing"
  finish 600
  stop_device
  device=$first
  stop_device
  [ "$arrived" -eq 0 ] && [ "$status" -eq 1 ]
}

# --wait: the device is plugged a second after the command started; the command identifies it.
# With --wait=1 and no device, it gives up as a scan that finds none.
case_wait_for_a_device() {
  in_background --wait info
  sleep 1
  start_device serial=VM00000007
  finish 600
  stop_device
  waited=$status
  grep -qx 'serial: VM00000007' out || waited=unidentified
  nodes_gone
  flash --wait=1 info
  [ "$waited" = 0 ] && none_attached
}

# Three devices: info shows the window's box; list identifies each; --device by serial upgrades
# that one alone, and each device writes its own dump, named by its serial number.
case_three_devices() {
  rm -f dump-*.bin
  start_device devices=3 3
  flash info
  info=$status
  grep -q 'Multiple devices are attached' err || info=box-missing
  flash list
  listed=$(grep -c 'serial: KR55LE000[123]' out)
  flash --device KR55LE0002 upgrade firmware.bin
  stop_device
  [ "$info" = 0 ] && [ "$listed" -eq 3 ] && [ "$status" -eq 0 ] &&
    dump_is firmware.bin.expected dump-KR55LE0002.bin &&
    dump_is /dev/null dump-KR55LE0001.bin && dump_is /dev/null dump-KR55LE0003.bin
}

# Every device by a run of its own on the real hidraw nodes; the second fails at a block.
case_upgrade_all() {
  rm -f dump-*.bin
  start_device devices=3,2:fail-at=3 3
  flash upgrade --all firmware.bin
  stop_device
  [ "$status" -eq 1 ] && [ "$(grep -c '  done  ' out)" -eq 2 ] &&
    grep -q '^KR55LE0002  .*  failed  .*Communication error' out &&
    dump_is firmware.bin.expected dump-KR55LE0001.bin &&
    dump_is firmware.bin.expected dump-KR55LE0003.bin &&
    ! dump_is firmware.bin.expected dump-KR55LE0002.bin
}

# A session recorded on the real hidraw path, replayed in process and by the virtual device:
# the same output each time.
case_record_and_replay() {
  record_then_replay || return 1
  start_device replay=session.jsonl
  flash upgrade firmware.bin
  stop_device
  [ "$status" -eq 0 ] && cmp -s out recorded.out
}

case_node_the_user_may_not_open() {
  start_device ''
  su -s /bin/sh user -c "timeout 60 kr55le-flash --wait-scale 0.001 info" >out 2>err
  status=$?
  stop_device
  [ "$status" -eq 3 ] && grep -q '/dev/hidraw0 cannot be opened: permission denied' err
}

case_uhid_the_user_may_not_open() {
  su -s /bin/sh user -c "kr55le-virtual-device" >out 2>err
  status=$?
  [ "$status" -eq 1 ] && grep -q 'cannot open /dev/uhid: Permission denied' err
}

# The descriptors the device gave, as the kernel hands them back through sysfs and ioctl: over
# uhid one without a name; over USB with its strings.
case_capabilities_from_the_kernel() {
  if [ "$KR55LE_LINK" = usb ]; then
    start_device ''
    named='STMicroelectronics Pardo KR-55LE'
  else
    start_device no-description
    named=
  fi
  hidraw_caps >out 2>err
  capsStatus=$?
  stop_device
  [ "$capsStatus" -eq 0 ] && grep -qx 'path: /dev/hidraw0#vid_0483&pid_5750' out &&
    grep -qx 'sysfs: input 64 output 1024 feature 0' out &&
    grep -qx 'ioctl: input 64 output 1024 feature 0' out && grep -qx "description: $named" out
}

# plug NAME SPEC SLOT: one more device, of a process of its own (over USB, the link's slot SLOT),
# once the kernel shows its node. unplug NAME SLOT SERIAL: ends it; the start requests the
# device SERIAL received, as it told them at its end, land in $starts.
plug() {
  expected=$(($(nodes) + 1))
  if [ "$KR55LE_LINK" = usb ]; then
    ask start "$3" "$2"
    [ "$answer" = started ] || return 1
  else
    kr55le-virtual-device "$2" >"$1.log" 2>&1 &
    echo $! >"$1.pid"
  fi
  await '[ "$(nodes)" -ge "$expected" ]' 150
}
unplug() {
  if [ "$KR55LE_LINK" = usb ]; then
    ask stop "$2"
    usb_stopped=$answer
  else
    plugged=$(cat "$1.pid")
    kill -TERM "$plugged"
    await '! kill -0 "$plugged" 2>/dev/null' 50 || kill -KILL "$plugged"
    wait "$plugged" 2>/dev/null
  fi
  starts=$(requests "$3" start "$1.log")
}

# --wait --device B with A attached: the wait goes on past A and ends with B, plugged in 3 s
# later, which the command then identifies.
case_wait_for_the_selected_device() {
  plug a serial=VMWAITA001 1 || return 1
  in_background --wait --device VMWAITB001 info
  sleep 3
  kill -0 "$flashing" 2>/dev/null
  waited=$?
  plug b serial=VMWAITB001 2
  finish 600
  unplug b 2 VMWAITB001
  unplug a 1 VMWAITA001
  [ "$waited" -eq 0 ] && [ "$status" -eq 0 ] && grep -qx 'serial: VMWAITB001' out
}

# upgrade --each=2: A, attached at the start and left attached, is upgraded once; B, plugged in
# after A's upgrade, once too. Each device receives exactly one start request; the station ends.
case_upgrade_each() {
  plug a serial=VMEACHA001 1 || return 1
  in_background upgrade --each=2 firmware.bin
  await 'grep -q "^VMEACHA001: message: Firmware upgrade completed" out' 600
  completed=$?
  sleep 1
  plug b serial=VMEACHB001 2
  finish 900
  unplug b 2 VMEACHB001
  startsB=$starts
  unplug a 1 VMEACHA001
  [ "$completed" -eq 0 ] && [ "$status" -eq 0 ] && [ "$starts" = 1 ] && [ "$startsB" = 1 ] &&
    grep -q '^VMEACHA001  .*  done  ' out && grep -q '^VMEACHB001  .*  done  ' out
}

# Other programs on the device during a 2 MiB upgrade: list, and info ended by Ctrl+C, asked three
# times while the upgrade runs, find it in use and send it nothing. The device gets one
# identification (the upgrade's own), no exit request, and the whole payload.
case_another_program_during_the_upgrade() {
  rm -f dump.bin
  start_device serial=VMBUSY0001,reply-ms=2
  in_background upgrade large.bin
  await 'grep -q "Firmware is Upgrading" out' 300
  in_use=0
  for _ in 1 2 3; do
    timeout 60 kr55le-flash list >list.out 2>&1
    grep -q 'problem: Device is in use by another program' list.out && in_use=$((in_use + 1))
    timeout 60 kr55le-flash info >info.out 2>&1 &
    sleep 0.5
    kill -INT $! 2>/dev/null
    wait $!
    grep -q '^message: Device is in use by another program' info.out && in_use=$((in_use + 1))
  done
  kill -0 "$flashing" 2>/dev/null
  during=$?
  finish 1200
  stop_device
  echo "  $in_use of 6 runs found the device in use"
  [ "$during" -eq 0 ] && [ "$status" -eq 0 ] &&
    [ "$(last_message)" = 'Firmware upgrade completed' ] && dump_is large.bin.expected &&
    [ "$in_use" -eq 6 ] && [ "$(requests VMBUSY0001 info)" = 1 ] &&
    [ "$(requests VMBUSY0001 exit)" = 0 ]
}

names="identify check firmware_upgrade repeated_acknowledgement killed_during_transfer
  unplugged_itself_during_transfer wait_for_a_device three_devices upgrade_all
  capabilities_from_the_kernel wait_for_the_selected_device upgrade_each
  another_program_during_the_upgrade status_id_3_again_code_0"
# Over USB the replay's file and a second device of its own are not the host side's to take.
if [ "$KR55LE_LINK" = usb ]; then
  names="$names out_endpoint_no disconnect_at_block stall_at_block stall_at_block_set_report"
else
  names="$names arrival_while_waiting record_and_replay node_the_user_may_not_open
    uhid_the_user_may_not_open"
fi
run_cases '' $names
echo "$passed passed, $failed failed"
