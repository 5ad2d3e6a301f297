#include "platform/event_log.h"

#include <algorithm>
#include <array>

namespace lanthe {

namespace {

using enum EventType;

// lanthe_events.mc holds the same texts: a test under Wine formats each of them with
// FormatMessageW and compares. Above each sentence, its fields in their order.
constexpr std::array kMessages{
    EventMessage{EventId::kStarted, kInformation, u"%1"},
    EventMessage{EventId::kClientStarted, kInformation, u"%1"},
    EventMessage{EventId::kClientEnded, kInformation, u"%1"},
    EventMessage{EventId::kReconnect, kInformation, u"%1"},
    EventMessage{EventId::kExitAction, kInformation, u"%1"},
    EventMessage{EventId::kSettingsDamaged, kWarning, u"%1"},
    EventMessage{EventId::kApplyFailed, kError, u"%1"},
    EventMessage{EventId::kNetworkWaitTimedOut, kWarning, u"%1"},
    EventMessage{EventId::kPolicyOverrides, kInformation, u"%1"},
    EventMessage{EventId::kStartupProgramFailed, kWarning, u"%1"},
    EventMessage{EventId::kSessionNotEnded, kWarning, u"%1"},
    EventMessage{EventId::kCrashRestart, kWarning, u"%1"},
    EventMessage{EventId::kProgramFolderWritable, kWarning, u"%1"},
    // version, user, "an administrator" or "not an administrator", "as the shell" or
    // "not as the shell", connection type
    EventMessage{EventId::kStart, kInformation, u"Lanthe %1 started for %2 (%3), %4; connection type %5."},
    EventMessage{EventId::kStartInDebugMode, kInformation,
                 u"Lanthe %1 started for %2 (%3), %4; connection type %5; Debug mode is on."},
    EventMessage{EventId::kStartAgain, kInformation,
                 u"Lanthe %1 started for %2 (%3), %4; connection type %5; started again after an abnormal end."},
    EventMessage{EventId::kStartAgainInDebugMode, kInformation,
                 u"Lanthe %1 started for %2 (%3), %4; connection type %5; Debug mode is on; started again after an "
                 u"abnormal end."},
    // the command line, its password hidden
    EventMessage{EventId::kClientStart, kInformation, u"Client started: %1"},
    EventMessage{EventId::kClientStartFailed, kError, u"The client could not be started: %1"},
    // the program waited for, seconds
    EventMessage{EventId::kClientNotAppeared, kWarning, u"No %1 appeared within %2 seconds of the launch."},
    // program, exit code, seconds
    EventMessage{EventId::kClientEnd, kInformation, u"Client ended: %1 with exit code %2 after %3 s."},
    EventMessage{EventId::kReconnectChosen, kInformation, u"The user chose to connect again."},
    // the action
    EventMessage{EventId::kExitActionAsked, kInformation, u"Exit action: %1; Lanthe asks Windows for it."},
    EventMessage{EventId::kExitActionNothingAsked, kInformation, u"Exit action: %1 (nothing asked of Windows)."},
    EventMessage{EventId::kExitActionRefused, kWarning, u"Exit action: %1; Windows refused it."},
    // the settings file
    EventMessage{EventId::kSettingsFileDamaged, kWarning,
                 u"The settings file %1 is damaged: Lanthe runs with its defaults, and the next save keeps the "
                 u"damaged file as %1.bak."},
    // seconds; then seconds, server
    EventMessage{EventId::kNoNetwork, kWarning,
                 u"No network came up within %1 seconds: the client was started without one."},
    EventMessage{EventId::kServerNotAnswering, kWarning,
                 u"The network came up, but the server %2 did not answer within %1 seconds: the client was started "
                 u"anyway."},
    // the settings' names, separated by ", "
    EventMessage{EventId::kSetByPolicy, kInformation, u"Settings set by policy: %1."},
    // value name, key, command line
    EventMessage{EventId::kStartupProgramNotStarted, kWarning,
                 u"The log-on's program \"%1\" (%2) could not be started: %3"},
    // the action; then the action, seconds waited
    EventMessage{EventId::kSessionEndCancelled, kWarning,
                 u"Windows accepted the exit action %1, but the end of the session was cancelled (by another program "
                 u"or by the user): the end-of-session step runs again."},
    EventMessage{EventId::kSessionEndNoAnswer, kWarning,
                 u"Windows accepted the exit action %1, but did not end the session within %2 s: the end-of-session "
                 u"step runs again."},
    // exit code, restart, most restarts; then exit code; then exit code, most restarts
    EventMessage{EventId::kRestarted, kWarning,
                 u"Lanthe ended abnormally (exit code %1) while it ran the session; it was started again (restart %2 "
                 u"of at most %3 in 10 minutes)."},
    EventMessage{EventId::kRestartFailed, kError,
                 u"Lanthe ended abnormally (exit code %1) while it ran the session, and could not be started again: "
                 u"the user is logged off."},
    EventMessage{EventId::kRestartsUsedUp, kError,
                 u"Lanthe ended abnormally (exit code %1) while it ran the session, and had been started again %2 "
                 u"times within 10 minutes: the user is logged off."},
};

const EventMessage* FindMessage(std::uint32_t id) noexcept {
  const auto found =
      std::find_if(kMessages.begin(), kMessages.end(), [id](const EventMessage& message) { return message.id == id; });
  return found == kMessages.end() ? nullptr : &*found;
}

Text FieldsInARow(std::span<const Text> strings) {
  Text text;
  for (const Text& field : strings) text += (text.empty() ? u"" : u" ") + field;
  return text;
}

}  // namespace

std::span<const EventMessage> EventMessages() noexcept { return kMessages; }

EventReport MakeEvent(std::uint32_t id, std::vector<Text> strings) {
  const EventMessage* message = FindMessage(id);
  return EventReport{message ? message->type : EventType::kInformation, id, std::move(strings)};
}

// "Message Text Files": %n (1 to 99) is an insert, and a percent sign before anything
// but a digit stands for that character (%% a percent sign). FormatMessage puts an
// insert's text in as it is.
Text EventText(std::uint32_t id, std::span<const Text> strings) {
  const EventMessage* message = FindMessage(id);
  if (!message) return FieldsInARow(strings);
  Text text;
  for (TextView rest = message->text; !rest.empty();) {
    const auto percent = rest.find(u'%');
    text += rest.substr(0, percent);
    if (percent == TextView::npos || percent + 1 == rest.size()) break;
    rest.remove_prefix(percent + 1);
    std::size_t number = 0;
    std::size_t digits = 0;
    while (digits < 2 && digits < rest.size() && rest[digits] >= u'0' && rest[digits] <= u'9') {
      number = number * 10 + static_cast<std::size_t>(rest[digits++] - u'0');
    }
    if (digits == 0) {
      text += rest.front();
      rest.remove_prefix(1);
      continue;
    }
    if (number == 0 || number > strings.size()) return FieldsInARow(strings);
    text += strings[number - 1];
    rest.remove_prefix(digits);
  }
  return text;
}

void HeldEventLog::Report(const EventReport& event) {
  if (!held_) {
    events_.Report(event);
    return;
  }
  // A start reports a handful; a runaway one does not grow without end.
  constexpr std::size_t kMostKept = 64;
  if (kept_.size() < kMostKept) kept_.push_back(event);
}

void HeldEventLog::Release() noexcept {
  held_ = false;
  std::vector<EventReport> kept;
  kept.swap(kept_);
  for (const EventReport& event : kept) {
    try {
      events_.Report(event);
    } catch (...) {
      // A report never fails the program.
    }
  }
}

}  // namespace lanthe
