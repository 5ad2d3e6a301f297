#!/usr/bin/env bash
# The events of a kiosk's session as the Event Log gets them, in their order, each
# with its number and its fields. Wine writes nothing to any log, but its debug
# channels show each call: "fixme:advapi" the event's number, then "eventlog" each
# insertion string on a line of its own (trace for information, warn and err for the
# others).
#   events_e2e_test.sh LANTHE-TEST.EXE FAKE-MSTSC.EXE
set -u
program=$1 client=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$here/scripts/wine-prefix"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/clients"
cp "$program" "$work/lanthe.exe"
cp "$client" "$work/clients/mstsc.exe"
clients=$(lanthe_winepath -w "$work/clients") || { echo "FAIL: no Windows path for $work"; exit 1; }
cat >"$work/settings.xml" <<XML
<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType>
<RDP><ClientPath>$clients</ClientPath><Connection>ts01</Connection><CommandlineParameters>/p:Secret9</CommandlineParameters></RDP>
<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog><CitrixLogOff>2</CitrixLogOff>
<Autologon><Password>Secret9</Password></Autologon></Settings>
XML

# A limited user's log-on: the session ends by itself, then the automatic log-off,
# which the test build only records.
(cd "$work" && LANTHE_TEST_ADMINISTRATOR=0 LANTHE_TEST_GROUP_POLICY=registry LANTHE_TEST_NETWORK_UP_AFTER_MS=0 \
  LANTHE_TEST_POWER_LOG="$(lanthe_winepath -w "$work/power.log")" LANTHE_FAKE_CLIENT_EXIT_AFTER_MS=300 \
  LANTHE_FAKE_CLIENT_LOG="$(lanthe_winepath -w "$work/clients.log")" WINEDEBUG=-all,+eventlog,fixme+advapi \
  timeout 60 wine lanthe.exe >"$work/stdout.txt" 2>"$work/stderr.txt" </dev/null)
status=$?
[[ $status == 0 ]] || fail "lanthe.exe ended with $status"

# One line per event: "<number>|<field>|<field>...". Wine writes each string escaped:
# \\ for a backslash (shown here as /), \" for a quote.
mapfile -t events < <(tr -d '\r' <"$work/stderr.txt" | awk '
  function number(hex,   n, i) {
    for (i = 3; i <= length(hex); i++) n = n * 16 + index("0123456789abcdef", substr(hex, i, 1)) - 1
    return n
  }
  /fixme:advapi:ReportEventW / {
    if (event != "") print event
    split($0, call, ","); event = number(call[4]); next
  }
  /:eventlog:ReportEventW L"/ {
    field = $0; sub(/^[^"]*L"/, "", field); sub(/"$/, "", field); event = event "|" field
  }
  END { if (event != "") print event }' | sed 's/\\\\/\//g; s/\\"/"/g')
expected=(
  '1100|*|*|not an administrator|as the shell|Remote Desktop'
  '1110|"*/clients/mstsc.exe" /p:\*\*\*/V:ts01:3389 /f'
  '1120|"*/clients/mstsc.exe"|0|[0-9]*'
  '1140|log off'
)
[[ ${#events[@]} == "${#expected[@]}" ]] || fail "${#events[@]} events instead of ${#expected[@]}"
for i in "${!expected[@]}"; do
  # shellcheck disable=SC2053  # the expected line is a pattern
  [[ ${events[i]:-} == ${expected[i]} ]] || fail "event $((i + 1)) is '${events[i]:-}', not like '${expected[i]}'"
done
grep -q Secret9 "$work/stderr.txt" && fail "the password was reported"
[[ $(tr -d '\r' <"$work/power.log" 2>/dev/null) == "ShutdownWindows 16" ]] || fail "no recorded log-off"

if ((failures)); then
  echo "--- the program's standard error:"
  cat "$work/stderr.txt"
  exit 1
fi
echo "events: all cases pass"
