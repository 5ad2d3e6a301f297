#pragma once
// The texts of the events Lanthe reports to the Windows Event Log. No text ever holds
// a password.

#include <cstdint>
#include <span>

#include "config/settings.h"
#include "config/settings_fields.h"
#include "platform/text.h"

namespace lanthe {

struct StartFacts {
  TextView version;
  TextView user;
  bool administrator = false;
  std::int32_t currentShell = 0;
  std::int32_t connectionType = 0;
  bool debugMode = false;
};

Text StartedEventText(const StartFacts& facts);
// The command line with every occurrence of the password (when there is one) hidden.
Text ClientStartedEventText(TextView commandLine, TextView password);
Text ClientNotStartedEventText(TextView commandLine, TextView password);
Text ClientEndedEventText(TextView program, std::uint32_t exitCode, std::uint64_t milliseconds);
Text ReconnectEventText();
Text ExitActionEventText(std::int32_t action, bool requested, bool accepted);
Text SettingsDamagedEventText(TextView path);
Text NetworkWaitTimedOutEventText(std::int32_t seconds);
Text PolicyOverridesEventText(std::span<const SettingsField* const> fields);

}  // namespace lanthe
