#!/usr/bin/env bash
# The installer under Wine, in a prefix of its own: an older version, the upgrade that
# keeps settings.xml, the installed lanthe.exe writing its quoted path as the shell,
# and the uninstall that gives the workstation Explorer back.
#   msi_install_test.sh NEW.msi OLDER.msi ZIP
set -u
new=$1 older=$2 zip=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-prefix"

winlogon='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon'
program_dir='C:\Program Files\Lanthe'
# Every later check depends on these answers: a prefix that does not answer, or an
# empty path, ends the test here with what was empty.
lanthe_wine_ready || { echo "FAIL: the prefix is not ready"; exit 1; }
unix_dir=$(lanthe_winepath -u "$program_dir") || { echo "FAIL: no Unix path for $program_dir"; exit 1; }
[[ $unix_dir == */Lanthe ]] || { echo "FAIL: winepath -u '$program_dir' gave '$unix_dir'"; exit 1; }

reg_value() {  # key, name: the value's data, or nothing
  lanthe_wine_output wine reg query "$1" /v "$2" | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
lanthe_entries() {  # the Add/Remove Programs keys of Lanthe, each as one block of lines
  lanthe_wine_output wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
    awk '/^HKEY/ {if (hit) print block "\n--"; block=""; hit=0} {block=block"\n"$0} /DisplayName.*Lanthe/ {hit=1}
         END {if (hit) print block "\n--"}'
}
installed_versions() { lanthe_entries | sed -n 's/^ *DisplayVersion *REG_SZ *//p'; }
msiexec() { wine msiexec "$@" >/dev/null 2>&1; }

# A clean start: nothing of an earlier run left.
msiexec /x "$new" /qn
msiexec /x "$older" /qn
rm -rf "$unix_dir"

msiexec /i "$older" /qn /l*v "$work/older.log" || fail "installing the older version"
[[ -f $unix_dir/lanthe.exe ]] || fail "no lanthe.exe in $program_dir"

# An administrator's settings beside the program, then the upgrade.
(cd "$unix_dir" && wine lanthe-config.exe write settings.xml CurrentShell=1 ConnectionType=0 RDP.Connection=ts01 \
   >/dev/null 2>&1) || fail "writing settings.xml"
cp "$unix_dir/settings.xml" "$work/settings-before.xml"
msiexec /i "$new" /qn /l*v "$work/upgrade.log" || fail "the upgrade"
cmp -s "$unix_dir/settings.xml" "$work/settings-before.xml" || fail "the upgrade did not keep settings.xml"
versions=$(installed_versions | tr '\n' ' ')
[[ $versions == "0.1.0 " || $versions == "$(basename "$new" | sed 's/Lanthe-\(.*\)-x64.msi/\1/') " ]] ||
  fail "after the upgrade the installed versions are: $versions"
for file in lanthe.exe lanthe-config.exe "Administrators Guide.txt" policy/Lanthe.admx policy/en-US/Lanthe.adml; do
  [[ -f $unix_dir/$file ]] || fail "$file is missing after the upgrade"
done
entry=$(lanthe_entries)
for needle in "Publisher *REG_SZ *Lanthe" "DisplayVersion *REG_SZ" "UninstallString"; do
  grep -Eq "$needle" <<< "$entry" || fail "the Add/Remove Programs entry lacks $needle"
done
# The entry's icon comes from the package (Wine keeps it with the product, not in the entry).
eventsource='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Lanthe'
[[ $(reg_value "$eventsource" EventMessageFile) == 'C:\Program Files\Lanthe\lanthe.exe' ]] ||
  fail "the event source's message file is '$(reg_value "$eventsource" EventMessageFile)'"
[[ $(reg_value "$eventsource" TypesSupported) == 0x7 ]] || fail "the event source's types are '$(reg_value "$eventsource" TypesSupported)'"
msiinfo export "$new" Property 2>/dev/null | grep -q "^ARPPRODUCTICON" || fail "the package names no icon"
[[ $(msiinfo export "$new" Icon 2>/dev/null | wc -l) -gt 2 ]] || fail "the package holds no icon"

# The installed program starts from Program Files and makes itself the shell, quoted
# because its path holds a blank.
wine reg add "$winlogon" /v shell /t REG_SZ /d Explorer.exe /f >/dev/null 2>&1
(cd "$unix_dir" && wine lanthe.exe >/dev/null 2>&1 &)
expected='"C:\Program Files\Lanthe\lanthe.exe"'
for _ in $(seq 1 100); do
  [[ $(reg_value "$winlogon" shell) == "$expected" ]] && break
  sleep 0.2
done
[[ $(reg_value "$winlogon" shell) == "$expected" ]] || fail "shell is $(reg_value "$winlogon" shell), not $expected"
wine taskkill /f /im lanthe.exe >/dev/null 2>&1

# Uninstalling gives the workstation its shell back and leaves the settings.
msiexec /x "$new" /qn /l*v "$work/uninstall.log" || fail "the uninstall"
[[ $(reg_value "$winlogon" shell) == "Explorer.exe" ]] || fail "after the uninstall the shell is $(reg_value "$winlogon" shell)"
iconv -f UTF-16LE -t UTF-8 "$work/uninstall.log" 2>/dev/null | grep -q "Lanthe: the Windows shell was" ||
  grep -aq "Lanthe: the Windows shell was" "$work/uninstall.log" || fail "the install log does not say the shell was set back"
[[ -f $unix_dir/settings.xml ]] || fail "the uninstall removed settings.xml"
[[ ! -f $unix_dir/lanthe.exe ]] || fail "lanthe.exe is still there after the uninstall"
[[ -z $(reg_value "$eventsource" EventMessageFile) ]] || fail "the event source is still registered after the uninstall"
[[ -z $(installed_versions) ]] || fail "still listed as installed: $(installed_versions)"

# An uninstall while another program is the shell leaves it alone.
msiexec /i "$new" /qn
wine reg add "$winlogon" /v shell /t REG_SZ /d 'C:\Other\shell.exe' /f >/dev/null 2>&1
msiexec /x "$new" /qn
[[ $(reg_value "$winlogon" shell) == 'C:\Other\shell.exe' ]] || fail "another shell was changed to $(reg_value "$winlogon" shell)"
wine reg add "$winlogon" /v shell /t REG_SZ /d Explorer.exe /f >/dev/null 2>&1
rm -rf "$unix_dir"

# The zip holds the same files.
listing=$(cmake -E tar tf "$zip" 2>/dev/null)
for file in Lanthe/lanthe.exe Lanthe/lanthe-config.exe "Lanthe/Administrators Guide.txt" \
            Lanthe/policy/Lanthe.admx Lanthe/policy/en-US/Lanthe.adml; do
  grep -qx "$file" <<< "$listing" || fail "the zip lacks $file"
done

((failures == 0)) && echo "installer: all cases pass"
exit $((failures > 0))
