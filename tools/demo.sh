#!/usr/bin/env bash
# tools/demo.sh: builds the launcher, lays out the demo medium and runs it under Wine (on $DISPLAY, or headless with a screenshot).
#
# Environment:
#   DEMO_WINEPREFIX  reuse this Wine prefix instead of a throw-away one
#   DEMO_WINEARCH    win64 (default: as on 64-bit Windows, the launcher under WOW64) or win32
# Where no 32-bit Windows program runs (tools/host_kind.py: the kernel refuses them, or wine32 is missing)
# the demo shows the x86-64 build of the launcher, started by Wine's 64-bit loader in a 64-bit prefix; where
# they run only through emulation, the 32-bit one through the emulated Wine's 64-bit loader in a 64-bit prefix.
#   DEMO_KOREAN=1    run under a Korean locale, which picks the Korean skin
#   DEMO_PICTURE=FILE  headless only: also write the menu window, cut from the screenshot, to FILE as a small
#                    palette PNG (the README's docs/menu.png)
# Without $DISPLAY the demo starts its own Xvfb, takes a screenshot of the menu,
# prints the PNG's path and stops everything it started.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

tools/setup.sh
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= WINEARCH="${DEMO_WINEARCH:-win64}"
host_kind_status=0
host_kind=$(python3 tools/host_kind.py) || host_kind_status=$?
[ "$host_kind_status" -ne 2 ] || { echo "demo: $host_kind" >&2; exit 1; }
[ "$host_kind_status" -eq 0 ] || [ "$WINEARCH" = win64 ] || { echo "demo: only a 64-bit prefix runs here, not $WINEARCH. $host_kind" >&2; exit 1; }
if [ "$host_kind_status" -eq 0 ]; then
  preset=win
  wine=(wine)
  echo "Showing the 32-bit launcher, the one the medium ships."
elif [ "$host_kind_status" -eq 3 ]; then
  preset=win
  WINELOADER=$(python3 tools/emulated_wine.py) || { echo "demo: $WINELOADER" >&2; exit 1; }
  export WINELOADER
  wine=(setarch --addr-no-randomize "$WINELOADER")
  echo "Showing the 32-bit launcher, the one the medium ships, through emulation in a 64-bit prefix. $host_kind"
else
  preset=win-x64
  wine=(/usr/lib/wine/wine64)
  export WINELOADER=/usr/lib/wine/wine64
  echo "Showing the x86-64 launcher, since the medium's 32-bit one cannot run here. $host_kind"
fi
cmake --preset "$preset"
cmake --build --preset "$preset"
python3 tools/make_medium.py build/demo-medium --bin "build/$preset"
medium="$root/build/demo-medium"
logs="$root/build/demo-logs"
mkdir -p "$logs"
if [ "${DEMO_KOREAN:-0}" = 1 ]; then
  export LC_ALL=ko_KR.UTF-8
fi

own_prefix=""
if [ -n "${DEMO_WINEPREFIX:-}" ]; then
  export WINEPREFIX="$DEMO_WINEPREFIX"
else
  own_prefix=$(mktemp -d /tmp/veltrana-demo-prefix.XXXXXX)
  export WINEPREFIX="$own_prefix"
fi

xvfb_pid=""
cleanup() {
  # Only what this script started: its own prefix's wineserver and its own Xvfb.
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  if [ -n "$own_prefix" ]; then
    rm -rf "$own_prefix"
  fi
}
trap cleanup EXIT

prepare_prefix() {
  # Wine's helper processes inherit output: keep it in log files, never in a pipe.
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX ..."
    "${wine[@]}" wineboot -i >"$logs/wineboot.log" 2>&1 \
      || { echo "demo: Wine could not create its prefix (status $?, see $logs/wineboot.log)" >&2; exit 1; }
  fi
  # The window frame's glyphs come from Marlett (fonts-wine), which Debian's Wine finds only in the prefix's
  # Fonts folder; without it the close box shows the letter "r".
  cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}

if [ -n "${DISPLAY:-}" ]; then
  prepare_prefix
  echo "Starting the launcher on $DISPLAY; close it to end the demo."
  # explorer returns at once; wineserver -w waits until the last Wine process of the prefix ends.
  (cd "$medium" && "${wine[@]}" explorer /desktop=veltrana,1024x768 Launch.exe) >"$logs/wine.log" 2>&1
  wineserver -w
  exit 0
fi

# Xvfb picks a free display number itself and writes it once it listens: a number chosen here from /tmp's
# lock files can belong to the X server of another root on the machine, which shares the servers' sockets.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$logs/display" >"$logs/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 50); do
  grep -q '^[0-9]' "$logs/display" && break
  sleep 0.2
done
grep -q '^[0-9]' "$logs/display" || { echo "demo: Xvfb did not come up (see $logs/xvfb.log)" >&2; exit 1; }
export DISPLAY=":$(cat "$logs/display")"

prepare_prefix
# One shared virtual desktop with a taskbar: every plain "wine X" joins it.
"${wine[@]}" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >"$logs/reg.log" 2>&1
"${wine[@]}" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >>"$logs/reg.log" 2>&1

echo "Starting the launcher on the headless display $DISPLAY ..."
(cd "$medium" && exec "${wine[@]}" Launch.exe) >"$logs/wine.log" 2>&1 &
launcher_pid=$!

# The launcher draws inside Wine's desktop window: wait for that window.
for _ in $(seq 1 60); do
  if command -v xwininfo >/dev/null && xwininfo -root -tree >"$logs/windows.txt" 2>&1 \
     && grep -q "Wine desktop" "$logs/windows.txt"; then
    break
  fi
  sleep 0.5
done
# Then until the skinned menu is painted: the bare desktop has a few colours, the menu's picture thousands.
screenshot="$root/build/demo-screenshot.png"
for _ in $(seq 1 60); do
  /usr/bin/import -window root "$screenshot"
  [ "$(/usr/bin/convert "$screenshot" -format %k info:)" -gt 1000 ] && break
  sleep 1
done
if ! kill -0 "$launcher_pid" 2>/dev/null; then
  echo "warning: the launcher is no longer running (see $logs/wine.log)" >&2
fi
if [ -n "${DEMO_PICTURE:-}" ]; then
  # Above the taskbar the desktop is one colour, so trimming it leaves the menu window with its frame.
  /usr/bin/convert "$screenshot" -crop 1024x740+0+0 +repage -trim +repage -strip -colors 64 \
    -define png:compression-level=9 "PNG8:$DEMO_PICTURE"
  echo "$DEMO_PICTURE"
fi
echo "$screenshot"
