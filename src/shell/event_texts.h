#pragma once
// The texts of the events Lanthe reports to the Windows Event Log. No text ever holds
// a password.

#include <cstdint>
#include <optional>
#include <span>

#include "config/settings.h"
#include "config/settings_fields.h"
#include "platform/event_log.h"
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

// The events of a kiosk's session, each with its fields (EventMessages says which).
EventReport StartedEvent(const StartFacts& facts);
// The command line with every occurrence of the password (when there is one) hidden.
EventReport ClientStartedEvent(TextView commandLine, TextView password);
EventReport ClientNotStartedEvent(TextView commandLine, TextView password);
// A launch whose client program (the ICA client behind a store's launch) never
// showed up within the wait.
EventReport ClientNotAppearedEvent(TextView program, std::int32_t seconds);
EventReport ClientEndedEvent(TextView program, std::uint32_t exitCode, std::uint64_t milliseconds);
EventReport ReconnectEvent();
// The exit action, before Windows is asked for it (requested: something is asked).
EventReport ExitActionEvent(std::int32_t action, bool requested);
EventReport ExitActionRefusedEvent(std::int32_t action);
// Windows accepted the power action but did not end the session: it said so
// (cancelled) or said nothing within waitedMs.
EventReport SessionNotEndedEvent(std::int32_t action, bool cancelled, std::uint32_t waitedMs);
EventReport SettingsDamagedEvent(TextView path);
EventReport NetworkWaitTimedOutEvent(std::int32_t seconds);
// The wait's end when an interface came up but the server's name never resolved.
EventReport ServerWaitTimedOutEvent(std::int32_t seconds, TextView server);
EventReport PolicyOverridesEvent(std::span<const SettingsField* const> fields);

// A session's end as its events tell it, read back for "lanthe-config status": the
// client's end or the exit action.
struct SessionEndEvent {
  bool clientEnded = false;    // the client's end; otherwise the exit action
  Text program;                // the client
  std::uint32_t exitCode = 0;
  std::uint64_t seconds = 0;   // how long the client ran
  Text action;                 // "log off", "power off", ...
  bool refused = false;        // Windows refused it
};
// The one place that reads them back: today's events by their fields' positions, and
// earlier versions' (1002, 1004) from their whole text. nullopt for another event, or
// fields or a text of another form.
std::optional<SessionEndEvent> ReadSessionEndEvent(std::uint32_t id, std::span<const Text> strings);

}  // namespace lanthe
