# Shell helpers of the VM's Windows jobs, which run in the build machine's own file system:
# Wine started as KR55LE_OPTIONS says (words between commas: the architectures x64 and x86,
# "inotify" for Wine's fallback without a udev daemon), and use_arch for each architecture's
# build. Sourced after common.sh.
export PATH="$KR55LE_REPO/build-kernel/bin:$PATH"
arches=
udevd=yes
for word in $(echo "$KR55LE_OPTIONS" | tr ',' ' '); do
  case $word in
    x64 | x86) arches="$arches $word" ;;
    inotify) udevd=no ;;
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
export WINEPREFIX="$KR55LE_REPO/build-kernel/wine-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A build machine whose kernel runs no 32-bit programs makes the prefix without its 32-bit half;
# the VM's kernel runs them, so for the x86 cases the prefix is made again here.
case " $arches " in
  *" x86 "*)
    if [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
      . "$KR55LE_REPO/tests/kernel/wine_prefix.sh"
      start=$(uptime_seconds)
      make_wine_prefix "$WINEPREFIX" >/dev/null 2>&1
      echo "  the prefix made again with its 32-bit half in $(elapsed "$start" "$(uptime_seconds)") s"
    fi
    ;;
esac
if [ "$udevd" = no ]; then
  sed -i 's/"DisableUdevd"=dword:00000000/"DisableUdevd"=dword:00000001/' "$WINEPREFIX/system.reg"
fi
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=:7
# Wine's services stay up between the runs, so that each run starts as on a running system.
/usr/lib/wine/wineserver -p
trap '/usr/lib/wine/wineserver -k' EXIT
start=$(uptime_seconds)
timeout 300 /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1
echo "  wine started in $(elapsed "$start" "$(uptime_seconds)") s"

# use_arch: $wine and $bin for the build of $arch.
use_arch() {
  case $arch in
    x64) wine=/usr/lib/wine/wine64 bin=$KR55LE_REPO/build-windows/bin ;;
    x86) wine=/usr/lib/wine/wine bin=$KR55LE_REPO/build-windows-x86/bin ;;
  esac
}
