#!/bin/sh
# The VM's Windows cases: kr55le-flash.exe and kr55le-upgrade.exe under Wine, whose HID bus reads
# kr55le-virtual-device's hidraw nodes (over the USB link, KR55LE_LINK=usb, the host's
# kr55le-usb-device's), in the build machine's own file system. Runs for each architecture
# KR55LE_OPTIONS names (wine.sh); "only=NAME+NAME" there runs those cases alone. Prints PASS or
# FAIL per case, then the totals; the window's pictures land in build-kernel/vm/out/.
. "$KR55LE_REPO/tests/kernel/common.sh"
. "$KR55LE_REPO/tests/kernel/wine.sh"
out=$KR55LE_REPO/build-kernel/vm/out
tools=$KR55LE_REPO/build-windows/tests/kernel
only=$(echo "$KR55LE_OPTIONS" | tr ',' '\n' | sed -n 's/^only=//p' | tr '+' ' ')

within() { awk -v d="$1" -v l="$2" 'BEGIN { exit !(d <= l) }'; }
in_background() { "$wine" "$bin/kr55le-flash.exe" "$@" >out 2>err </dev/null & flashing=$!; }

image Pardo 01.02.00 $((5 * 1008 + 17)) firmware.bin
image AUDIO 02.00.01 $((3 * 1008)) audio.bin
image Pardo 01.02.00 $((40 * 1008)) long.bin

# list and info; then the device is unplugged and another plugged in, which check sees.
case_list_info_replug_check() {
  start_device "$identify_spec"
  flash list
  listed=$status
  grep -q 'serial: VM00000042' out || listed=unlisted
  flash info
  info=$status
  identified || info=unidentified
  stop_device
  nodes_gone
  start_device serial=VM00000043,mode=audio
  flash check audio.bin
  stop_device
  [ "$listed" = 0 ] && [ "$info" = 0 ] && [ "$status" -eq 0 ] &&
    grep -qx 'serial: VM00000043' out && [ "$(last_message)" = 'Do you want to upgrade the device?' ]
}

# idle PID: true once the process has used less than a tenth of a second of processor time in
# the last second, as one does that waits.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }
idle() {
  before=$(ticks "$1")
  sleep 1
  [ -n "$before" ] && [ $(($(ticks "$1") - before)) -lt 10 ]
}

# The device unplugs itself at a block: the run ends as on Linux, on the scan that finds no
# device, within 5 s of the node's going.
case_removed_at_block() {
  start_device unplug-at=20
  in_background upgrade long.bin
  await '[ ! -e /dev/hidraw0 ]' 1200
  gone=$(uptime_seconds)
  finish 1200
  took=$(elapsed "$gone" "$(uptime_seconds)")
  stop_device
  echo "  ended $took s after the removal, bound 5 s"
  none_attached && within "$took" 5
}

# --wait, with the device plugged in 3 s after the run has settled into its wait: the plug ends
# the wait (the first message is the scan's) and the upgrade completes. How soon is a figure, not
# a bound: under emulation Wine's way from udev to the notice varies with the machine's load.
case_wait_then_upgrade() {
  rm -f dump.bin
  in_background --wait upgrade firmware.bin
  await 'idle "$flashing"' 120
  sleep 3
  start_device ''
  plugged=$(uptime_seconds)
  await 'grep -q "^message: " out' 600
  took=$(elapsed "$plugged" "$(uptime_seconds)")
  finish 1200
  stop_device
  echo "  the wait ended $took s after the plug"
  upgraded
}

# A session recorded on Windows, replayed by the Linux build: the same output.
case_recorded_replayed_on_linux() { record_then_replay; }

# The window: its controls' texts as window_text.exe keeps them in controls.txt, one
# "ID<tab>TEXT" a line.
control_is() { grep -qx "$1	$2" controls.txt 2>/dev/null; }  # control_is ID TEXT
status_is() { control_is 5458 "$1"; }
titled() { xdotool search --name "$1" 2>/dev/null | head -n 1; }
press() {  # press KEY: to the window, unless the case has stopped
  [ -n "$stopped" ] || xdotool windowfocus --sync "$(titled 'Pardo KR-55LE Upgrade')" key "$1"
}
# await_for SECONDS COMMAND: until COMMAND succeeds, for SECONDS of the VM's clock at most.
await_for() {
  deadline=$(awk -v n="$(uptime_seconds)" -v s="$1" 'BEGIN { print n + s }')
  until eval "$2"; do
    within "$(uptime_seconds)" "$deadline" || return 1
    sleep 0.2
  done
}
# step NAME SECONDS COMMAND: the window case's next step, or where it stopped, with the
# window's texts then. Its bounds only keep a fault from hanging the run.
step() {
  [ -n "$stopped" ] && return
  await_for "$2" "$3" && return
  stopped=$1
  cp controls.txt controls-stopped.txt 2>/dev/null
}

# choose_file: the image's path typed into the open file dialog, then Return; true once the
# dialog has closed. Keys sent before the dialog takes input are lost; a second try replaces the
# first's text.
choose_file() {
  dialog=$(titled 'Pardo KR-55 files')
  [ -z "$dialog" ] && return 0
  xdotool windowfocus --sync "$dialog" && sleep 1 && xdotool key End shift+Home &&
    xdotool type --delay 50 "Z:$(echo "$work/firmware.bin" | tr / '\\')" && xdotool key Return
  await '[ -z "$(titled "Pardo KR-55 files")" ]' 50
}

# Started with the device there, then a removal, a late plug, and an upgrade driven by keys:
# Alt+B opens the file dialog, the path is typed, Alt+U upgrades.
case_window() {
  rm -f dump.bin
  stopped=
  start_device serial=VM00000077
  rm -f controls.txt controls.txt.history
  "$wine" "$tools/window_text.exe" controls.txt >/dev/null 2>&1 </dev/null &
  reader=$!
  "$wine" "$bin/kr55le-upgrade.exe" >window.log 2>&1 </dev/null &
  windowed=$!
  # The first window starts Wine's desktop too, which under emulation may take minutes.
  step shown 240 'control_is 1070 VM00000077'
  stop_device
  step removed 30 'status_is "No device is attached"'
  start_device ''
  step arrived 30 'control_is 1070 KR55LE0001'
  press alt+b
  step browsing 30 '[ -n "$(titled "Pardo KR-55 files")" ]'
  step chosen 60 choose_file
  step checked 30 'status_is "Do you want to upgrade the device?"'
  press alt+u
  step completed 60 'status_is "Firmware upgrade completed"'
  import -window root "$out/window-$arch$link.png" 2>/dev/null
  kill "$windowed" "$reader" 2>/dev/null
  wait "$windowed" "$reader" 2>/dev/null
  stop_device
  if [ -n "$stopped" ]; then
    echo "  the window stopped before: $stopped"
    sed 's/^/  controls: /' controls-stopped.txt
    tail -n 60 controls.txt.history | sed 's/^/  history: /'
    sed 's/^/  window: /' window.log | tail -n 5
    return 1
  fi
  dump_is firmware.bin.expected
}

skipped=0
cases=${only:-window list_info_replug_check firmware_upgrade repeated_acknowledgement \
  removed_at_block wait_then_upgrade recorded_replayed_on_linux status_id_3_again_code_0}
for arch in $arches; do
  use_arch
  if [ ! -x "$wine" ]; then
    count=$(echo $cases | wc -w)
    skipped=$((skipped + count))
    why=$(cat "$KR55LE_REPO/build-windows-x86/wine32-missing.txt" 2>/dev/null ||
      echo "$wine is not installed")
    echo "SKIP $count cases -$arch$link: no $wine to run them ($why)"
    continue
  fi
  run_cases "-$arch" $cases
done
echo "$passed passed, $failed failed, $skipped skipped"
