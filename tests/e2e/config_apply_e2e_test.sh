#!/usr/bin/env bash
# "lanthe-config apply" under Wine, through the tool's test build with the stand-ins for
# the group-policy objects and the secret store: nothing without full rights; as an
# administrator the Winlogon values and the kiosk user's policy object, with a
# machine policy over the settings file; then status, with and without full rights.
#   config_apply_e2e_test.sh LANTHE-CONFIG-TEST.EXE
set -u
tool=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$here/scripts/wine-prefix"
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

winlogon='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon'
standin='HKCU\Software\Lanthe Test Group Policy'
policies='HKLM\Software\Policies\Lanthe'
reg_value() {  # key, name: the value's data, or nothing
  lanthe_wine_output wine reg query "$1" /v "$2" | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
shell_before=$(reg_value "$winlogon" Shell)
cleanup() {
  lanthe_wine_output wine reg add "$winlogon" /v Shell /d "${shell_before:-Explorer.exe}" /f >/dev/null
  for key in "$standin" "$policies" 'HKCU\Software\Lanthe Test LSA'; do
    lanthe_wine_output wine reg delete "$key" /f >/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

cp "$tool" "$work/lanthe-config.exe"
cat >"$work/settings.xml" <<XML
<Settings><CurrentShell>1</CurrentShell><DisableTaskManager>True</DisableTaskManager>
<Autologon><CreateUser>True</CreateUser><EnableAutologon>True</EnableAutologon><Username>kiosk-apply</Username>
<Password>pw</Password></Autologon></Settings>
XML
run_apply() {  # administrator: 1 or 0
  (cd "$work" && LANTHE_TEST_ADMINISTRATOR=$1 LANTHE_TEST_ELEVATED=1 LANTHE_TEST_GROUP_POLICY=registry \
    LANTHE_TEST_LSA=registry timeout 60 wine lanthe-config.exe apply >"$work/out.txt" 2>"$work/err.txt" </dev/null)
}

# Without full rights: a usage error, and nothing written.
lanthe_wine_output wine reg add "$winlogon" /v Shell /d Explorer.exe /f >/dev/null
run_apply 0
status=$?
[[ $status == 2 ]] || fail "apply without rights ended with $status"
grep -q "full administrator rights" "$work/err.txt" || fail "apply without rights said: $(cat "$work/err.txt")"
[[ $(reg_value "$winlogon" Shell) == Explorer.exe ]] || fail "apply without rights wrote the shell"

# As an administrator, with a machine policy that locks the Ctrl+Alt+Del screen.
lanthe_wine_output wine reg add "$policies" /v LockSecureScreen /t REG_DWORD /d 1 /f >/dev/null
run_apply 1
status=$?
[[ $status == 0 ]] || fail "apply ended with $status: $(tr -d '\r' <"$work/err.txt")"
for step in account autologon shell policies folder "event source"; do
  grep -q "^ok       $step: " "$work/out.txt" || fail "no line for the step $step: $(tr -d '\r' <"$work/out.txt")"
done
program=$(lanthe_winepath -w "$work/lanthe.exe") || fail "no Windows path for the program"
[[ $(reg_value "$winlogon" Shell) == "$program" ]] ||
  fail "the shell is '$(reg_value "$winlogon" Shell)', not the program beside the tool ($program)"
[[ $(reg_value "$winlogon" DefaultUsername) == kiosk-apply ]] || fail "no automatic log-on of kiosk-apply"
# Wine knows no SID for the account it made: the object of every non-administrator.
object="$standin\\Users\\S-1-5-32-545"
[[ $(reg_value "$object\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System" DisableTaskMgr) == 0x1 ]] ||
  fail "the kiosk user's object has no DisableTaskMgr"
[[ $(reg_value "$object\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System" DisableLockWorkstation) == 0x1 ]] ||
  fail "the machine policy did not lock the Ctrl+Alt+Del screen"
[[ -z $(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\System' DisableTaskMgr) ]] ||
  fail "the running user's own registry got a policy"

# status after the apply: the stand-in secret is read back; the trial log-on waits for
# full rights (Wine keeps an added account only in the process that added it, so here
# it is not tried even then).
run_status() {  # elevated: 1 or 0
  (cd "$work" && LANTHE_TEST_ADMINISTRATOR=1 LANTHE_TEST_ELEVATED=$1 LANTHE_TEST_GROUP_POLICY=registry \
    LANTHE_TEST_LSA=registry timeout 60 wine lanthe-config.exe status >"$work/out.txt" 2>"$work/err.txt" </dev/null)
}
run_status 0
tr -d '\r' <"$work/out.txt" | grep -q "^unknown  password: the stored password is tried only with full rights" ||
  fail "status without full rights tried the password: $(tr -d '\r' <"$work/out.txt")"
run_status 1
tr -d '\r' <"$work/out.txt" | grep -q '^ok       autologon: "kiosk-apply" logs on automatically; the password is a protected secret' ||
  fail "status did not read the stored secret: $(tr -d '\r' <"$work/out.txt")"
tr -d '\r' <"$work/out.txt" | grep "  password: " | grep -qv "only with full rights" ||
  fail "status with full rights still asked for them: $(tr -d '\r' <"$work/out.txt")"

if ((failures)); then
  echo "--- standard output:"; tr -d '\r' <"$work/out.txt"
  echo "--- standard error:"; tr -d '\r' <"$work/err.txt"
  exit 1
fi
echo "lanthe-config apply: all cases pass"
