#!/usr/bin/env bash
# The installer under Wine, in a prefix of its own: an older version, the upgrade that
# replaces its programs and keeps settings.xml, the installed lanthe.exe writing its
# quoted path as the shell, the start-up task of APPLYATSTARTUP=1, the uninstall that
# gives the workstation back (Explorer, automatic log-on off for the kiosk account, the
# task gone) and the upgrade that does not. Before any of it, the packages' tables: what
# Windows decides an upgrade by, which Wine's msiexec does not follow.
#   msi_install_test.sh NEW.msi OLDER.msi ZIP
set -u
new=$1 older=$2 zip=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-prefix"

table() {  # package, table: its rows, fields separated by US (a tab would fold empty fields)
  msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4 | tr '\t' '\037'
}
property() {  # package, name
  table "$1" Property | awk -F'\037' -v name="$2" '$1 == name {print $2}'
}
file_version() {  # file: the file version its version resource carries ("1.2.3.4"), or nothing
  python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
info = data.find("VS_VERSION_INFO".encode("utf-16-le"))
fixed = data.find(b"\xbd\x04\xef\xfe", info) if info >= 0 else -1  # VS_FIXEDFILEINFO's signature
if fixed >= 0:
    high, low = struct.unpack_from("<II", data, fixed + 8)
    print(f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}")
EOF
}
new_version=$(property "$new" ProductVersion) older_version=$(property "$older" ProductVersion)
[[ -n $new_version && -n $older_version && $new_version != "$older_version" ]] ||
  { echo "FAIL: the packages' versions are '$new_version' and '$older_version'"; exit 1; }

# What Windows goes by in an upgrade, read from the tables. The older version goes
# before any file is laid down (RemoveExistingProducts between InstallValidate and
# InstallInitialize). Each versioned file has its own version in File.Version, with a
# language, and no hash (an empty Version lets a versioned file on disk beat it); the
# programs carry the package's version. An uninstall step leaves an upgrade's removal
# of the older version out.
check_package() {  # package, its version
  local msi=$1 version=$2 dir=$work/extract-$2 sequence hashes versioned=()
  local id condition component name size file_table_version language rest path actual
  sequence=$(table "$msi" InstallExecuteSequence)
  at() { awk -F'\037' -v action="$1" '$1 == action {print $3}' <<< "$sequence"; }
  [[ -n $(at RemoveExistingProducts) ]] &&
    (($(at InstallValidate) < $(at RemoveExistingProducts) && $(at RemoveExistingProducts) < $(at InstallInitialize))) ||
    fail "$version: RemoveExistingProducts is at '$(at RemoveExistingProducts)', not between InstallValidate and InstallInitialize"
  while IFS=$'\037' read -r id condition rest; do
    [[ $condition == *'NOT UPGRADINGPRODUCTCODE'* ]] || fail "$version: $id runs when an upgrade removes the older version"
  done < <(awk -F'\037' '$2 ~ /REMOVE/' <<< "$sequence")

  mkdir -p "$dir" && msiextract -C "$dir" "$msi" >/dev/null || fail "$version: msiextract failed"
  hashes=$(table "$msi" MsiFileHash | cut -d $'\037' -f1)
  while IFS=$'\037' read -r id component name size file_table_version language rest; do
    path=$(find "$dir" -type f -name "${name##*|}")
    [[ -f $path ]] || { fail "$version: $id is not in the package"; continue; }
    actual=$(file_version "$path")
    if [[ -n $actual ]]; then
      versioned+=("${name##*|}")
      [[ $file_table_version == "$actual" && -n $language ]] ||
        fail "$version: $name is $actual; the File table says version '$file_table_version', language '$language'"
      ! grep -qx "$id" <<< "$hashes" || fail "$version: the versioned $name has a hash in MsiFileHash"
    else
      [[ -z $file_table_version ]] || fail "$version: the unversioned $name has the version $file_table_version"
    fi
  done < <(table "$msi" File)
  [[ ${versioned[*]} == "lanthe.exe lanthe-config.exe" ]] || fail "$version: the versioned files are: ${versioned[*]}"
  for name in lanthe.exe lanthe-config.exe; do
    actual=$(file_version "$dir/Lanthe/$name")
    [[ $actual == "$version.0" ]] || fail "$version: the package's $name is $actual"
  done
}
check_package "$new" "$new_version"
check_package "$older" "$older_version"

winlogon='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon'
program_dir='C:\Program Files\Lanthe'
# Every later check depends on these answers: a prefix that does not answer, or an
# empty path, ends the test here with what was empty.
lanthe_wine_ready || { echo "FAIL: the prefix is not ready"; exit 1; }
unix_dir=$(lanthe_winepath -u "$program_dir") || { echo "FAIL: no Unix path for $program_dir"; exit 1; }
[[ $unix_dir == */Lanthe ]] || { echo "FAIL: winepath -u '$program_dir' gave '$unix_dir'"; exit 1; }
# Where Wine's task scheduler keeps a registered task: a file named like the task. (Wine
# keeps neither its trigger nor its action; the definition is checked by the core tests.)
task=$(lanthe_winepath -u 'C:\windows\system32\tasks') || { echo "FAIL: no Unix path for the tasks"; exit 1; }
task="$task/Lanthe apply"

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
logged() {  # install log, text: whether the log holds the text (Windows writes UTF-16, Wine 8 bytes)
  iconv -f UTF-16LE -t UTF-8 "$1" 2>/dev/null | grep -qF "$2" || grep -aqF "$2" "$1"
}
autologon_for() {  # account: automatic log-on of that account, with a plain-text password
  wine reg add "$winlogon" /v DefaultUsername /t REG_SZ /d "$1" /f >/dev/null 2>&1
  wine reg add "$winlogon" /v AutoAdminLogon /t REG_SZ /d 1 /f >/dev/null 2>&1
  wine reg add "$winlogon" /v DefaultPassword /t REG_SZ /d S3cret /f >/dev/null 2>&1
}

# A clean start: nothing of an earlier run left.
msiexec /x "$new" /qn
msiexec /x "$older" /qn
rm -rf "$unix_dir"

msiexec /i "$older" /qn /l*v "$work/older.log" || fail "installing the older version"
[[ -f $unix_dir/lanthe.exe ]] || fail "no lanthe.exe in $program_dir"
installed_programs_are() {  # version
  for name in lanthe.exe lanthe-config.exe; do
    [[ $(file_version "$unix_dir/$name") == "$1.0" ]] || fail "the installed $name is '$(file_version "$unix_dir/$name")', not $1"
  done
}
installed_programs_are "$older_version"

# An administrator's settings beside the program, then the upgrade.
(cd "$unix_dir" && wine lanthe-config.exe write settings.xml CurrentShell=1 ConnectionType=0 RDP.Connection=ts01 \
   >/dev/null 2>&1) || fail "writing settings.xml"
cp "$unix_dir/settings.xml" "$work/settings-before.xml"
rm -f "$task"
msiexec /i "$new" /qn APPLYATSTARTUP=1 /l*v "$work/upgrade.log" || fail "the upgrade"
[[ -f $task ]] || fail "APPLYATSTARTUP=1 registered no start-up task"
logged "$work/upgrade.log" 'Lanthe: task: the start-up task "Lanthe apply" runs "C:\Program Files\Lanthe\lanthe-config.exe" apply' ||
  fail "the install log does not say the start-up task was registered"
cmp -s "$unix_dir/settings.xml" "$work/settings-before.xml" || fail "the upgrade did not keep settings.xml"
versions=$(installed_versions | tr '\n' ' ')
[[ $versions == "$new_version " ]] || fail "after the upgrade the installed versions are: $versions"
installed_programs_are "$new_version"
answer=$(cd "$unix_dir" && lanthe_wine_output wine lanthe-config.exe --version)
[[ $answer == "lanthe-config $new_version" ]] || fail "the installed lanthe-config --version says '$answer'"
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

# Uninstalling gives the workstation back and leaves the settings: the shell, automatic
# log-on of the settings' account (letter case aside) off with its password gone, the
# start-up task gone, a line per step in the log. Wine has no policy object: that step
# fails, says so, and the uninstall goes on.
(cd "$unix_dir" && wine lanthe-config.exe write settings.xml CurrentShell=1 Autologon.Username=kiosk >/dev/null 2>&1) ||
  fail "writing the kiosk account into settings.xml"
autologon_for Kiosk
msiexec /x "$new" /qn /l*v "$work/uninstall.log" || fail "the uninstall"
[[ $(reg_value "$winlogon" shell) == "Explorer.exe" ]] || fail "after the uninstall the shell is $(reg_value "$winlogon" shell)"
[[ $(reg_value "$winlogon" AutoAdminLogon) == 0 ]] || fail "after the uninstall AutoAdminLogon is $(reg_value "$winlogon" AutoAdminLogon)"
[[ -z $(reg_value "$winlogon" DefaultPassword) ]] || fail "the uninstall left the plain-text DefaultPassword"
[[ ! -f $task ]] || fail "the uninstall left the start-up task"
for line in "Lanthe: the Windows shell was" \
            'Lanthe: autologon: automatic log-on of "kiosk" is off' \
            "Lanthe: policies: The policy values Lanthe wrote could not be removed" \
            'Lanthe: task: the start-up task "Lanthe apply" is removed' \
            'Lanthe: account: the account "kiosk" and its files stay; settings.xml'; do
  logged "$work/uninstall.log" "$line" || fail "the uninstall log lacks '$line'"
done
[[ -f $unix_dir/settings.xml ]] || fail "the uninstall removed settings.xml"
[[ ! -f $unix_dir/lanthe.exe ]] || fail "lanthe.exe is still there after the uninstall"
[[ -z $(reg_value "$eventsource" EventMessageFile) ]] || fail "the event source is still registered after the uninstall"
[[ -z $(installed_versions) ]] || fail "still listed as installed: $(installed_versions)"

# An uninstall while another program is the shell, and automatic log-on logs another
# account on, leaves both alone.
msiexec /i "$new" /qn
wine reg add "$winlogon" /v shell /t REG_SZ /d 'C:\Other\shell.exe' /f >/dev/null 2>&1
autologon_for admin
msiexec /x "$new" /qn
[[ $(reg_value "$winlogon" shell) == 'C:\Other\shell.exe' ]] || fail "another shell was changed to $(reg_value "$winlogon" shell)"
[[ $(reg_value "$winlogon" AutoAdminLogon) == 1 && $(reg_value "$winlogon" DefaultPassword) == S3cret ]] ||
  fail "another account's automatic log-on was changed"
wine reg add "$winlogon" /v shell /t REG_SZ /d Explorer.exe /f >/dev/null 2>&1
for name in DefaultUsername AutoAdminLogon DefaultPassword; do wine reg delete "$winlogon" /v $name /f >/dev/null 2>&1; done
rm -rf "$unix_dir"

# An upgrade leaves a Lanthe shell as it is: Windows removes the older version with
# UPGRADINGPRODUCTCODE set, and the older package's uninstall steps stand back. Wine 8
# removes it with REMOVE=ALL alone, so here the removal runs as Windows runs it within
# an upgrade, and the new version is installed after it.
# The start-up task stays as well.
msiexec /i "$older" /qn APPLYATSTARTUP=1
[[ -f $task ]] || fail "the older version registered no start-up task"
wine reg add "$winlogon" /v shell /t REG_SZ /d "$expected" /f >/dev/null 2>&1
msiexec /x "$older" /qn UPGRADINGPRODUCTCODE="$(property "$new" ProductCode)"
[[ ! -f $unix_dir/lanthe.exe ]] || fail "the older version was not removed"
msiexec /i "$new" /qn
[[ $(reg_value "$winlogon" shell) == "$expected" ]] || fail "after an upgrade the shell is $(reg_value "$winlogon" shell)"
[[ -f $task ]] || fail "the upgrade removed the start-up task"
msiexec /x "$new" /qn
[[ ! -f $task ]] || fail "the uninstall after an upgrade left the start-up task"
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
