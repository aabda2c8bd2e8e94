#!/usr/bin/env bash
# A second start of the utility while one runs ends at once with status 0 and no window.
set -u
utility=$1
runtime=$(mktemp -d)
trap 'kill "$first" 2>/dev/null; wait "$first" 2>/dev/null; rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=offscreen
unset XDG_SESSION_ID

"$utility" >/dev/null 2>&1 &
first=$!
# The first instance holds its lock once it is up; wait for the lock file to appear.
for _ in $(seq 100); do
  [ -e "$runtime/PARDO_KR_91_MAX_UI_RUNNING" ] && break
  sleep 0.1
done
[ -e "$runtime/PARDO_KR_91_MAX_UI_RUNNING" ] || { echo "first instance made no lock"; exit 1; }

timeout 20 "$utility" >/dev/null 2>&1
status=$?
[ "$status" -eq 0 ] || { echo "second instance ended with $status"; exit 1; }
kill -0 "$first" 2>/dev/null || { echo "first instance is gone"; exit 1; }
echo "second instance ended at once with status 0"
