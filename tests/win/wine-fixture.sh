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
  display=
  for n in $(seq 140 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
  done
  [ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
  setsid Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp < /dev/null > "$state/xvfb.log" 2>&1 &
  echo $! > "$state/xvfb.pid"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  [ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb :$display did not come up" >&2; exit 1; }
  echo "$display" > "$state/display"
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
