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
  bool restarted = false;  // started again by the crash watcher
};

Text StartedEventText(const StartFacts& facts);
// The command line with every occurrence of the password (when there is one) hidden.
Text ClientStartedEventText(TextView commandLine, TextView password);
Text ClientNotStartedEventText(TextView commandLine, TextView password);
Text ClientEndedEventText(TextView program, std::uint32_t exitCode, std::uint64_t milliseconds);
Text ReconnectEventText();
// The exit action, before Windows is asked for it (requested: something is asked).
Text ExitActionEventText(std::int32_t action, bool requested);
Text ExitActionRefusedEventText(std::int32_t action);
// Windows accepted the power action but did not end the session: it said so
// (cancelled) or said nothing within waitedMs.
Text SessionNotEndedEventText(std::int32_t action, bool cancelled, std::uint32_t waitedMs);
Text SettingsDamagedEventText(TextView path);
Text NetworkWaitTimedOutEventText(std::int32_t seconds);
// The wait's end when an interface came up but the server's name never resolved.
Text ServerWaitTimedOutEventText(std::int32_t seconds, TextView server);
Text PolicyOverridesEventText(std::span<const SettingsField* const> fields);

}  // namespace lanthe
