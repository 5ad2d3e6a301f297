#pragma once
// The texts of the events Lanthe reports to the Windows Event Log. No text ever holds
// a password.

#include <cstdint>
#include <optional>
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

// A session's end as its events tell it, read back for "lanthe-config status": the
// client's end (1002) or the exit action (1004).
struct SessionEndEvent {
  bool clientEnded = false;    // 1002; otherwise 1004
  Text program;                // 1002: the client
  std::uint32_t exitCode = 0;  // 1002
  std::uint64_t seconds = 0;   // 1002: how long the client ran
  Text action;                 // 1004: "log off", "power off", ...
  bool refused = false;        // 1004: Windows refused it
};
// The events carry their whole text as their one insertion string: this is the one
// place that reads them back. nullopt for another event, or a text of another form.
std::optional<SessionEndEvent> ReadSessionEndEvent(std::uint32_t id, std::span<const Text> strings);

}  // namespace lanthe
