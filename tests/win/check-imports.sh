#!/usr/bin/env bash
# tests/win/check-imports.sh: an executable imports only known DLLs, which Windows always takes from the system
# folder; any other library imported by name would be looked for beside the program first, where one could
# be planted.
# Usage: check-imports.sh OBJDUMP EXE, with the objdump of the executable's toolchain.
set -euo pipefail
objdump=$1
exe=$2
known='^(KERNEL32|USER32|GDI32|ADVAPI32|msvcrt|OLE32|OLEAUT32|SHELL32)\.dll$'
imports=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
echo "$exe imports:" $imports
[ -n "$imports" ] || { echo "no import table found"; exit 1; }
bad=$(echo "$imports" | grep -v -i -E "$known" || true)
[ -z "$bad" ] || { echo "not a known DLL: $bad"; exit 1; }
