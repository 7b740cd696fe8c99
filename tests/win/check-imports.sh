#!/usr/bin/env bash
# tests/win/check-imports.sh: an executable imports nothing but Windows system DLLs.
set -euo pipefail
exe=$1
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|WINMM|msvcrt)\.dll$'
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
echo "$exe imports:" $imports
[ -n "$imports" ] || { echo "no import table found"; exit 1; }
bad=$(echo "$imports" | grep -v -i -E "$allowed" || true)
[ -z "$bad" ] || { echo "not a system DLL: $bad"; exit 1; }
