#!/usr/bin/env bash
# tests/win/with-display.sh: runs a command on the Windows tests' shared X display.
set -euo pipefail
display=$(cat "$WIN_TEST_STATE/display")
DISPLAY=":$display" exec "$@"
