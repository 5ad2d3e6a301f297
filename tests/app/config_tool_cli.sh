#!/usr/bin/env bash
# lanthe-config as administrators run it: natively or, through Wine, as
# lanthe-config.exe. Both must write and read settings files byte for byte alike,
# so both are compared with the same fixtures.
#   config_tool_cli.sh FIXTURES VERSION COMMAND...
set -euo pipefail
fixtures=$1 version=$2
shift 2
tool=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0

expect_same() {  # what, expected file, actual file
  if ! cmp -s "$2" "$3"; then
    echo "FAIL: $1 differs from $(basename "$2")"
    diff <(od -c "$2") <(od -c "$3") | head -20 || true
    failures=$((failures + 1))
  fi
}

kiosk=(CurrentShell=1 ConnectionType=0 ShowRestart=true CitrixLogOff=2 RDP.Connection=ts01
       RDP.Port=3390 RDP.FullScreen=false "RDP.CommandlineParameters=/admin "
       "Citrix.ClientPath=C:\\Program Files\\Citrix\\ICA Client" "RDP.ClientPath=C:\\Windows\\system32"
       "ICA.GlobalAppSrvIniLocation=C:\\Lanthe\\appsrv.ini" "Autologon.Username=kiosk"
       "Autologon.Password=p<a&s>s'w'd" "ICA.Connection=My \"Desk\"" Autologon.EnableAutologon=true)

"${tool[@]}" write kiosk.xml "${kiosk[@]}"
expect_same "write" "$fixtures/kiosk.xml" kiosk.xml

"${tool[@]}" show kiosk.xml | tr -d '\r' > kiosk.json
expect_same "show" "$fixtures/kiosk.json" kiosk.json

cp "$fixtures/commented.xml" in.xml
"${tool[@]}" roundtrip in.xml out.xml
expect_same "roundtrip" "$fixtures/commented-saved.xml" out.xml

cp "$fixtures/damaged-values.xml" check.xml
if "${tool[@]}" check check.xml > findings.txt; then
  echo "FAIL: check found nothing in damaged-values.xml"
  failures=$((failures + 1))
fi
tr -d '\r' < findings.txt > findings-lf.txt
expect_same "check" "$fixtures/damaged-values.txt" findings-lf.txt

cp "$fixtures/rejected.xml" rejected.xml
if "${tool[@]}" show rejected.xml > /dev/null 2> rejected.err; then
  echo "FAIL: show accepted rejected.xml"
  failures=$((failures + 1))
elif ! grep -q "^Error Loading File: .*rejected.xml" rejected.err; then
  echo "FAIL: show of rejected.xml said: $(cat rejected.err)"
  failures=$((failures + 1))
fi

# status looks at the machine: on Windows (here Wine, where the shell, the account and
# the secret are not as a kiosk's) one line per check, natively a refusal.
cp "$fixtures/kiosk.xml" status.xml
set +e
"${tool[@]}" status --json status.xml > status.json 2> status.err
status=$?
set -e
if [[ $status == 2 ]]; then
  grep -q "runs there only" status.err || { echo "FAIL: status said: $(cat status.err)"; failures=$((failures + 1)); }
else
  for check in version settings shell autologon banner account password policies overrides files folder network \
               "last session"; do
    grep -q "{\"check\":\"$check\",\"status\":\"\(ok\|problem\|unknown\)\"" status.json ||
      { echo "FAIL: status has no $check line: $(cat status.json)"; failures=$((failures + 1)); }
  done
  # One line for a management agent, the version first; Wine keeps no events, so the
  # last session is unknown there, which is no failure.
  [[ $(tr -d '\r' < status.json | wc -l) == 1 ]] && grep -q "^{\"version\":\"$version\",\"checks\":\[" status.json ||
    { echo "FAIL: status --json is not one line with the version first: $(cat status.json)"; failures=$((failures + 1)); }
  expected_code=0
  grep -q '"problems":true' status.json && expected_code=1
  [[ $status == "$expected_code" ]] || { echo "FAIL: status ended with $status"; failures=$((failures + 1)); }
fi

# --version: the project version the build gave the tool, and the usage text names it.
answer=$("${tool[@]}" --version | tr -d '\r')
[[ $answer == "lanthe-config $version" ]] || { echo "FAIL: --version said '$answer'"; failures=$((failures + 1)); }
"${tool[@]}" --help | grep -q -- "lanthe-config --version" ||
  { echo "FAIL: the usage text does not name --version"; failures=$((failures + 1)); }

((failures == 0)) && echo "lanthe-config: all cases pass"
exit $((failures > 0))
