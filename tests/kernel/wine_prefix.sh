# make_wine_prefix DIR: a new Wine prefix in DIR whose HID bus reads hidraw nodes (Wine 8.0 starts
# its hidraw backend only with SDL off) and sees devices plugged in later through udevd's events.
# Wine reads these settings once, when it starts. Sourced by scripts/test-kernel, which makes the
# prefix once on the build machine, and by wine.sh, which makes it again in the VM where the build
# machine could not make its 32-bit half.
make_wine_prefix() {
  rm -rf "$1" && mkdir -p "$1" || return 1
  export WINEPREFIX="$1"
  timeout 600 /usr/lib/wine/wine64 wineboot --init || return 1
  for setting in "Enable SDL=0" DisableInput=1 DisableHidraw=0 DisableUdevd=0; do
    /usr/lib/wine/wine64 reg add 'HKLM\System\CurrentControlSet\Services\winebus' \
      /v "${setting%=*}" /t REG_DWORD /d "${setting#*=}" /f || return 1
  done
  timeout 120 /usr/lib/wine/wineserver -w
}
