# Shell helpers of the VM's USB job: its devices run on the host, outside the VM, behind QEMU's
# usb-redir; the host side (usb_host.sh) starts and stops them when asked on the second serial
# line. Sourced by common.sh, whose device helpers it takes over for the USB link.

# The line to the host side, raw so that each request and answer is one line as written.
control=/dev/ttyS1
stty -F "$control" raw -echo
exec 5<>"$control"
# ask REQUEST...: one request to the host side; its one-line answer lands in $answer. (Not read -t:
# dash, the Windows job's shell, has no timeout on read.)
ask() {
  echo "$*" >&5
  answer=$(timeout 30 head -n 1 <&5)
  [ -n "$answer" ] || answer="no answer"
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
  usb_stopped=$answer
  nodes_gone
}
# dumped NAME FILE: the device's payload NAME, as the host side summed it, equals FILE.
dumped() {
  case " $usb_stopped " in *" $1=$(md5sum <"$2" | cut -d' ' -f1) "*) return 0 ;; esac
  return 1
}

# Several devices come from slot 0's one process.
start_device() {
  usb_slot=1
  [ "${2:-1}" -gt 1 ] && usb_slot=0
  start_usb "$1" "${2:-1}" "$usb_slot"
}
stop_device() { stop_usb "$usb_slot"; }
kill_device() { ask kill "$usb_slot"; }
dump_is() { dumped "${2:-dump.bin}" "$1"; }
requests() { echo "$usb_stopped" | sed -n "s/.* $2-$1=\([0-9]*\).*/\1/p"; }
