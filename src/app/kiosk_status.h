#pragma once
// "lanthe-config status": run by an administrator on the kiosk itself, it looks at
// what makes the kiosk work (the shell, the automatic log-on, the account, the
// policies, the connection's files, who may change Lanthe's own files, the network)
// and says for each what is right or what to do.

#include <vector>

#include "config/policy_overrides.h"
#include "config/settings.h"
#include "platform/platform.h"

namespace lanthe {

struct StatusLine {
  std::string check;  // "shell", "autologon", ...
  bool ok = false;
  Text text;          // what is the case, and for a problem what to do
};

// settings: the effective settings (file and policies); overrides: those in effect;
// programPath: the lanthe.exe beside the settings file.
std::vector<StatusLine> KioskStatus(const TSettings& settings, const PolicyOverrides& overrides, TextView programPath,
                                    Platform& platform);

}  // namespace lanthe
