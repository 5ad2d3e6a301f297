#!/usr/bin/env bash
# What the shipped lanthe.exe must be: one self-contained GUI program that imports
# only Windows' own DLLs, carries its manifest, icon and version, and holds nothing
# of the test seam that decides who counts as an administrator.
# At load time it imports only what a kiosk's way to its remote client needs; the
# user-interface DLLs (DELAYED, separated by ;) are loaded at their first call.
#   check_exe.sh OBJDUMP EXE VERSION DELAYED
set -euo pipefail
objdump=$1 exe=$2 version=$3 delayed=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

system_dlls='^(ADVAPI32|COMCTL32|COMDLG32|GDI32|KERNEL32|msvcrt|NETAPI32|ole32|OLEAUT32|SHELL32|SHLWAPI|USER32|UxTheme|VERSION|WS2_32|bcrypt|CRYPT32)\.dll$'
headers=$("$objdump" -p "$exe")
ascii=$(strings "$exe")
wide=$(strings -e l "$exe")
imports=$(sed -n 's/^\s*DLL Name: //p' <<< "$headers")
[[ -n $imports ]] || fail "no imports found"
load_time='^(ADVAPI32|KERNEL32|msvcrt)\.dll$'
shopt -s nocasematch  # import names come in any letter case
while read -r dll; do
  [[ $dll =~ $system_dlls ]] || fail "imports $dll, which is not one of Windows' own DLLs"
  [[ $dll =~ $load_time ]] || fail "imports $dll at load time, before a kiosk's client has started"
done <<< "$imports"
# A delay-loaded DLL is named in the program as its loader's ASCII text.
IFS=';' read -r -a delayed_dlls <<< "$delayed"
((${#delayed_dlls[@]} > 0)) || fail "no delay-loaded DLLs named"
for dll in "${delayed_dlls[@]}"; do
  [[ $dll.dll =~ $system_dlls ]] || fail "delay-loads $dll.dll, which is not one of Windows' own DLLs"
  grep -qix "$dll.dll" <<< "$ascii" || fail "$dll.dll is not delay-loaded"
done

shopt -u nocasematch
[[ $headers == *"(Windows GUI)"* ]] || fail "not a GUI program"

# The manifest is ASCII text in the resources; version texts are UTF-16; the large
# icon image is a PNG.
for needle in '"Microsoft.Windows.Common-Controls" version="6.0.0.0"' 'level="asInvoker"' 'PerMonitorV2'; do
  [[ $ascii == *"$needle"* ]] || fail "the manifest lacks $needle"
done
grep -qx "$version" <<< "$wide" || fail "no version $version in the version resource"
grep -qx "Lanthe" <<< "$wide" || fail "no product name in the version resource"
[[ $ascii == *IHDR* ]] || fail "no icon"

[[ $ascii$wide != *LANTHE_TEST* ]] || fail "the shipped program holds the test seam"

((failures == 0)) && echo "$(basename "$exe"): imports $(echo $imports), on first use ${delayed_dlls[*]}, $(stat -c %s "$exe") bytes"
exit $((failures > 0))
