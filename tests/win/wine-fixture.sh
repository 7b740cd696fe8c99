#!/usr/bin/env bash
# tests/win/wine-fixture.sh start|stop STATEDIR: the Windows tests' Wine prefix and the one headless X server
# they share. Wine keeps one desktop process per prefix, bound to the display of the first program that needed
# it, so the prefix is created and every test is run on the same display for the prefix's lifetime.
# WINEARCH (win32 or win64) must be set: the prefix is made with it and checked to have it. WINE names the
# Wine loader where it is not Debian's wine script.
set -euo pipefail
action=$1
state=$2
mkdir -p "$state"
case "$action" in
start)
  # Xvfb picks a free display itself and names it once it listens: a number chosen here from the lock files
  # races with other X servers on the machine, and a chroot sees other lock files but the same sockets.
  rm -f "$state/display"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$state/display" < /dev/null > "$state/xvfb.log" 2>&1 &
  echo $! > "$state/xvfb.pid"
  for _ in $(seq 100); do grep -q '^[0-9]' "$state/display" 2>/dev/null && break; sleep 0.1; done
  grep -q '^[0-9]' "$state/display" || { echo "Xvfb did not come up" >&2; cat "$state/xvfb.log" >&2; exit 1; }
  display=$(cat "$state/display")
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    DISPLAY=":$display" setarch --addr-no-randomize "${WINE:-wine}" wineboot -i < /dev/null > "$state/wineboot.log" 2>&1 \
      || { cat "$state/wineboot.log" >&2; exit 1; }
  fi
  # Only a 64-bit prefix has a folder for 32-bit system files.
  arch=win32
  [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && arch=win64
  [ "$arch" = "${WINEARCH:?}" ] || { echo "$WINEPREFIX is a $arch prefix, not $WINEARCH" >&2; exit 1; }
  echo "Wine prefix $WINEPREFIX: $WINEARCH"
  ;;
stop)
  # The prefix's desktop process goes first, while its display still exists.
  wineserver -k 2>/dev/null || true
  if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true; fi
  rm -f "$state/display" "$state/xvfb.pid"
  ;;
esac
