#pragma once
// "lanthe-config status": run on the kiosk itself (by an administrator, or as SYSTEM by a
// management agent), it looks at what makes the kiosk work (the shell, the automatic
// log-on and what stops it, the account and its password, the policies, the
// connection's files, who may change Lanthe's own files, the network) and how the last
// session ended, and says for each what is right or what to do.

#include <vector>

#include "config/policy_overrides.h"
#include "config/settings.h"
#include "platform/platform.h"

namespace lanthe {

// unknown: what the tool may not read as it runs (without full rights), or what the
// machine does not tell; not a problem.
enum class StatusState { kOk, kProblem, kUnknown };

struct StatusLine {
  std::string check;  // "shell", "autologon", ...
  StatusState state = StatusState::kProblem;
  Text text;          // what is the case, and for a problem what to do
};

// settings: the effective settings (file and policies); overrides: those in effect;
// programPath: the lanthe.exe beside the settings file. Reads each value where it
// takes effect (the kiosk account's policy object, the machine's registry), whoever
// runs it; the stored password is tried (one log-on) only with full rights.
std::vector<StatusLine> KioskStatus(const TSettings& settings, const PolicyOverrides& overrides, TextView programPath,
                                    Platform& platform);

}  // namespace lanthe
