#!/bin/sh
# The VM's Windows cases: kr55le-flash.exe and kr55le-upgrade.exe under Wine, whose HID bus reads
# kr55le-virtual-device's hidraw nodes, in the build machine's own file system. Runs as
# KR55LE_OPTIONS says (words between commas): the architectures (x64, x86), "bench" for the
# figures alone, "inotify" for Wine's fallback without a udev daemon, "only=NAME+NAME" for those
# cases alone. Over the USB link (KR55LE_LINK=usb) the devices come from the host's
# kr55le-usb-device instead of uhid. Prints PASS or FAIL per
# case, the figures, then the totals; files for the host land in build-kernel/vm/out/.
repo=$KR55LE_REPO
out=$repo/build-kernel/vm/out
export PATH="$repo/build-kernel/bin:$PATH"
passed=0
failed=0
work=/tmp/windows
mkdir -p "$work"
cd "$work" || exit 1

pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() {
  failed=$((failed + 1))
  echo "FAIL $1: $2"
  for f in out err device.log; do [ -s "$f" ] && sed "s/^/  $f: /" "$f" | tail -n 20; done
}

. "$repo/tests/kernel/common.sh"
# The USB link's case names and pictures end in -usb.
suffix=
if [ "$KR55LE_LINK" = usb ]; then
  . "$repo/tests/kernel/usb_link.sh"
  suffix=-usb
fi

uptime_seconds() { cut -d ' ' -f 1 /proc/uptime; }
elapsed() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.1f", e - s }'; }
within() { awk -v d="$1" -v l="$2" 'BEGIN { exit !(d <= l) }'; }
# best SECONDS BEST: the smaller, "failed" once any run failed.
best() {
  awk -v t="$1" -v b="$2" 'BEGIN {
    if (t == "failed" || b == "failed") print "failed"; else print (b == "" || t < b) ? t : b }'
}


arches=
only=
bench=no
udevd=yes
for word in $(echo "$KR55LE_OPTIONS" | tr ',' ' '); do
  case $word in
    x64 | x86) arches="$arches $word" ;;
    bench) bench=yes ;;
    inotify) udevd=no ;;
    only=*) only=$(echo "${word#only=}" | tr '+' ' ') ;;
  esac
done

# Wine's HID bus sees devices that come after it started only through a udev daemon's events.
# The job's root is a chroot, which systemd's tools would otherwise refuse to serve.
if [ "$udevd" = yes ]; then
  export SYSTEMD_IGNORE_CHROOT=1
  /lib/systemd/systemd-udevd --daemon >/dev/null 2>&1
  udevadm trigger --action=add && udevadm settle
fi
# The prefix made on the host, used through the overlay, so its writes stay in the VM.
export WINEPREFIX="$repo/build-kernel/wine-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$udevd" = no ]; then
  sed -i 's/"DisableUdevd"=dword:00000000/"DisableUdevd"=dword:00000001/' "$WINEPREFIX/system.reg"
fi
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=:7
# Wine's services stay up between the runs, so that each run starts as on a running system.
/usr/lib/wine/wineserver -p
start=$(uptime_seconds)
timeout 300 /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1
echo "  wine started in $(elapsed "$start" "$(uptime_seconds)") s"
# exe NAME ARGS...: a program of the architecture's build, bounded, its status in $status.
exe() {
  program=$1
  shift
  timeout 120 "$wine" "$bin/$program" "$@" >out 2>err </dev/null
  status=$?
}
flash() { exe kr55le-flash.exe "$@"; }
last_message() { sed -n 's/^message: //p' out | tail -n 1; }

image Pardo 01.02.00 $((5 * 1008 + 17)) firmware.bin
image AUDIO 02.00.01 $((3 * 1008)) audio.bin
image Pardo 01.02.00 $((40 * 1008)) long.bin
image Pardo 01.02.00 2097152 large.bin

# list and info; then the device is unplugged and another plugged in, which check sees.
case_list_info_replug_check() {
  start_device serial=VM00000042,software-version=01.01.00,mode=audio
  flash list
  listed=$status
  grep -q 'serial: VM00000042' out || listed=unlisted
  flash info
  identified=$status
  grep -qx 'serial: VM00000042' out && grep -qx 'software-version: 01.01.00' out &&
    grep -qx 'upgrade-mode: Audio upgrade' out || identified=unidentified
  stop_device
  await '[ "$(nodes)" -eq 0 ]' 50
  start_device serial=VM00000043,mode=audio
  flash check audio.bin
  stop_device
  [ "$listed" = 0 ] && [ "$identified" = 0 ] && [ "$status" -eq 0 ] &&
    grep -qx 'serial: VM00000043' out && [ "$(last_message)" = 'Do you want to upgrade the device?' ]
}

# upgrade_case SPEC IMAGE COMPLETION
upgrade_case() {
  rm -f dump.bin
  start_device "$1"
  flash upgrade "$2"
  stop_device
  [ "$status" -eq 0 ] && [ "$(last_message)" = "$3" ] && dump_is "$2.expected"
}
case_firmware_upgrade() { upgrade_case '' firmware.bin 'Firmware upgrade completed'; }
case_audio_upgrade() { upgrade_case mode=audio audio.bin 'Audio upgrade completed'; }
case_resends() { upgrade_case resend-every=3,repeat-ack firmware.bin 'Firmware upgrade completed'; }

case_failure_code_at_block() {
  start_device fail-at=3
  flash upgrade firmware.bin
  stop_device
  [ "$status" -eq 1 ] &&
    [ "$(last_message)" = 'Communication error: Uploading is failed, please try again' ]
}

# in_background ARGS...: kr55le-flash.exe in the background, its process in $flashing.
in_background() {
  "$wine" "$bin/kr55le-flash.exe" "$@" >out 2>err </dev/null &
  flashing=$!
}
# finish TENTHS: waits that long at most for the background run to end (else kills it); its
# status in $status.
finish() {
  await '! kill -0 "$flashing" 2>/dev/null' "$1" || kill -KILL "$flashing" 2>/dev/null
  wait "$flashing"
  status=$?
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
  [ "$status" -eq 1 ] && [ "$(last_message)" = 'No device is attached' ] &&
    within "$took" 5
}

# --wait, with the device plugged in 3 s after the run has settled into its wait: the wait ends
# within 2 s of the plug (the first message is the scan's) and the upgrade completes.
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
  echo "  the wait ended $took s after the plug, bound 2 s"
  [ "$status" -eq 0 ] && [ "$(last_message)" = 'Firmware upgrade completed' ] &&
    dump_is firmware.bin.expected && within "$took" 2
}

# A session recorded on Windows, replayed by the Linux build: the same output.
case_recorded_replayed_on_linux() {
  start_device ''
  flash --record session.jsonl upgrade firmware.bin
  recorded=$status
  cp out recorded.out
  stop_device
  kr55le-flash --simulate replay=session.jsonl upgrade firmware.bin >out 2>err
  status=$?
  [ "$recorded" -eq 0 ] && [ "$status" -eq 0 ] && cmp -s out recorded.out && ! grep -q replay: err
}

# The window: its controls' texts as window_text.exe keeps them in controls.txt, one
# "ID<tab>TEXT" a line.
control_is() { grep -qx "$1	$2" controls.txt 2>/dev/null; }  # control_is ID TEXT
status_is() { control_is 5458 "$1"; }
titled() { xdotool search --name "$1" 2>/dev/null | head -n 1; }
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
  step shown 60 'control_is 1070 VM00000077'
  stop_device
  step removed 30 'status_is "No device is attached"'
  start_device ''
  step arrived 30 'control_is 1070 KR55LE0001'
  [ -n "$stopped" ] || xdotool windowfocus --sync "$(titled 'Pardo KR-55LE Upgrade')" key alt+b
  step browsing 30 '[ -n "$(titled "Pardo KR-55 files")" ]'
  step chosen 60 choose_file
  step checked 30 'status_is "Do you want to upgrade the device?"'
  [ -n "$stopped" ] || xdotool windowfocus --sync "$(titled 'Pardo KR-55LE Upgrade')" key alt+u
  step completed 60 'status_is "Firmware upgrade completed"'
  import -window root "$out/window-$arch$suffix.png" 2>/dev/null
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

# time_run COMMAND...: the seconds one 2 MiB upgrade took on a fresh device, or "failed".
time_run() {
  start_device ''
  begun=$(uptime_seconds)
  if "$@" upgrade large.bin >run.log 2>&1 </dev/null; then
    elapsed "$begun" "$(uptime_seconds)"
  else
    echo failed
  fi
  stop_device
  await '[ "$(nodes)" -eq 0 ]' 50
}

# figure RUNS: the same 2 MiB upgrade through kr55le-flash.exe over the Linux kr55le-flash, the
# best of RUNS each, alternating so that a change in the host's load weighs on both alike.
figure() {
  linux=
  windows=
  for _ in $(seq "$1"); do
    linux=$(best "$(time_run kr55le-flash)" "$linux")
    windows=$(best "$(time_run "$wine" "$bin/kr55le-flash.exe")" "$windows")
  done
  awk -v w="$windows" -v l="$linux" -v a="$arch" 'BEGIN {
    if (w + 0 > 0 && l + 0 > 0) printf "windows-ratio-%s: %.2f (%s s over %s s)\n", a, w / l, w, l
    else printf "windows-ratio-%s: failed\n", a }'
}

tools=$repo/build-windows/tests/kernel
for arch in $arches; do
  case $arch in
    x64) wine=/usr/lib/wine/wine64 bin=$repo/build-windows/bin ;;
    x86) wine=/usr/lib/wine/wine bin=$repo/build-windows-x86/bin ;;
  esac
  if [ "$bench" = yes ]; then
    figure 3
    continue
  fi
  for name in ${only:-window list_info_replug_check firmware_upgrade audio_upgrade resends \
    failure_code_at_block removed_at_block wait_then_upgrade recorded_replayed_on_linux}; do
    rm -f out err device.log
    begun=$(uptime_seconds)
    label=$name-$arch$suffix
    if "case_$name"; then pass "$label"; else fail "$label" "status $status"; fi
    echo "  $(elapsed "$begun" "$(uptime_seconds)") s"
    await '[ "$(nodes)" -eq 0 ]' 50 || echo "  hidraw nodes left over: $(ls /dev/hidraw*)"
  done
  # The figure belongs to uhid's pace; over USB, scripts/bench gives the link's own.
  [ "$KR55LE_LINK" = usb ] || figure 1
done
/usr/lib/wine/wineserver -k
echo "$passed passed, $failed failed"
