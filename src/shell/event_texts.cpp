#include "shell/event_texts.h"

#include "platform/event_log.h"

namespace lanthe {

namespace {

Text ConnectionTypeName(std::int32_t type) {
  switch (type) {
    case ConnectionType::kRemoteDesktop: return u"Remote Desktop";
    case ConnectionType::kCustomIca: return u"Custom ICA";
    case ConnectionType::kXenApp: return u"XenApp";
    case ConnectionType::kStoreFront: return u"StoreFront";
    default: return u"none (" + IntToText(type) + u")";
  }
}

Text ExitActionName(std::int32_t action) {
  switch (action) {
    case ExitAction::kPowerOff: return u"power off";
    case ExitAction::kLogOff: return u"log off";
    case ExitAction::kRestart: return u"restart";
    case ExitAction::kShutdown: return u"shut down";
    default: return u"end (" + IntToText(action) + u")";
  }
}

// Earlier versions' texts of the session's end, for ReadSessionEndEvent.
constexpr char16_t kClientEnded[] = u"Client ended: ";
constexpr char16_t kWithExitCode[] = u" with exit code ";
constexpr char16_t kAfter[] = u" after ";
constexpr char16_t kSeconds[] = u" s.";
constexpr char16_t kExitActionPrefix[] = u"Exit action: ";
constexpr char16_t kNothingAsked[] = u" (nothing asked of Windows).";
constexpr char16_t kAsked[] = u"; Lanthe asks Windows for it.";
constexpr char16_t kRefused[] = u"; Windows refused it.";

Text Number(std::uint64_t value) { return IntToText(static_cast<std::int64_t>(value)); }

Text WithoutPassword(TextView commandLine, TextView password) {
  Text line(commandLine);
  if (!password.empty()) {
    for (auto at = line.find(password); at != Text::npos; at = line.find(password, at + 3)) {
      line.replace(at, password.size(), u"***");
    }
  }
  return line;
}

}  // namespace

EventReport StartedEvent(const StartFacts& f) {
  const std::uint32_t id = f.restarted ? (f.debugMode ? EventId::kStartAgainInDebugMode : EventId::kStartAgain)
                                       : (f.debugMode ? EventId::kStartInDebugMode : EventId::kStart);
  return MakeEvent(id, {Text(f.version), Text(f.user), f.administrator ? u"an administrator" : u"not an administrator",
                        f.currentShell == CurrentShell::kLanthe ? u"as the shell" : u"not as the shell",
                        ConnectionTypeName(f.connectionType)});
}

EventReport ClientStartedEvent(TextView commandLine, TextView password) {
  return MakeEvent(EventId::kClientStart, {WithoutPassword(commandLine, password)});
}

EventReport ClientNotStartedEvent(TextView commandLine, TextView password) {
  return MakeEvent(EventId::kClientStartFailed, {WithoutPassword(commandLine, password)});
}

EventReport ClientNotAppearedEvent(TextView program, std::int32_t seconds) {
  return MakeEvent(EventId::kClientNotAppeared, {Text(program), IntToText(seconds)});
}

EventReport ClientEndedEvent(TextView program, std::uint32_t exitCode, std::uint64_t milliseconds) {
  return MakeEvent(EventId::kClientEnd, {Text(program), Number(exitCode), Number(milliseconds / 1000)});
}

EventReport ReconnectEvent() { return MakeEvent(EventId::kReconnectChosen, {}); }

EventReport ExitActionEvent(std::int32_t action, bool requested) {
  return MakeEvent(requested ? EventId::kExitActionAsked : EventId::kExitActionNothingAsked, {ExitActionName(action)});
}

EventReport ExitActionRefusedEvent(std::int32_t action) {
  return MakeEvent(EventId::kExitActionRefused, {ExitActionName(action)});
}

EventReport SessionNotEndedEvent(std::int32_t action, bool cancelled, std::uint32_t waitedMs) {
  if (cancelled) return MakeEvent(EventId::kSessionEndCancelled, {ExitActionName(action)});
  return MakeEvent(EventId::kSessionEndNoAnswer, {ExitActionName(action), Number(waitedMs / 1000)});
}

EventReport SettingsDamagedEvent(TextView path) { return MakeEvent(EventId::kSettingsFileDamaged, {Text(path)}); }

EventReport NetworkWaitTimedOutEvent(std::int32_t seconds) {
  return MakeEvent(EventId::kNoNetwork, {IntToText(seconds)});
}

EventReport ServerWaitTimedOutEvent(std::int32_t seconds, TextView server) {
  return MakeEvent(EventId::kServerNotAnswering, {IntToText(seconds), Text(server)});
}

EventReport PolicyOverridesEvent(std::span<const SettingsField* const> fields) {
  Text names;
  for (const SettingsField* field : fields) {
    if (!names.empty()) names += u", ";
    names += Utf8ToText(field->recordName);
  }
  return MakeEvent(EventId::kSetByPolicy, {names});
}

namespace {

std::optional<std::uint64_t> Digits(TextView text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::uint64_t number = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    number = number * 10 + static_cast<std::uint64_t>(c - u'0');
  }
  return number;
}

bool Cut(TextView& text, TextView suffix) {
  if (text.size() < suffix.size() || text.substr(text.size() - suffix.size()) != suffix) return false;
  text.remove_suffix(suffix.size());
  return true;
}

// An earlier version's event: its whole text is its one string.
std::optional<SessionEndEvent> ReadWholeText(std::uint32_t id, std::span<const Text> strings) {
  if (strings.size() != 1) return std::nullopt;
  TextView text = strings[0];
  const TextView prefix = id == EventId::kClientEnded ? TextView(kClientEnded) : TextView(kExitActionPrefix);
  if (!text.starts_with(prefix)) return std::nullopt;
  text.remove_prefix(prefix.size());
  SessionEndEvent event;
  if (id == EventId::kExitAction) {
    event.refused = Cut(text, kRefused);
    if (!event.refused && !Cut(text, kAsked) && !Cut(text, kNothingAsked)) return std::nullopt;
    event.action = Text(text);
    return event;
  }
  // From the end: the program's path may hold anything, the numbers only digits.
  const auto code = text.rfind(kWithExitCode);
  if (code == TextView::npos || !Cut(text, kSeconds)) return std::nullopt;
  const TextView numbers = text.substr(code + TextView(kWithExitCode).size());
  const auto after = numbers.find(kAfter);
  if (after == TextView::npos) return std::nullopt;
  const auto exitCode = Digits(numbers.substr(0, after));
  const auto seconds = Digits(numbers.substr(after + TextView(kAfter).size()));
  if (!exitCode || *exitCode > 0xFFFFFFFFu || !seconds) return std::nullopt;
  event.clientEnded = true;
  event.program = Text(text.substr(0, code));
  event.exitCode = static_cast<std::uint32_t>(*exitCode);
  event.seconds = *seconds;
  return event;
}

}  // namespace

std::optional<SessionEndEvent> ReadSessionEndEvent(std::uint32_t id, std::span<const Text> strings) {
  SessionEndEvent event;
  switch (id) {
    case EventId::kClientEnd: {
      if (strings.size() != 3) return std::nullopt;
      const auto exitCode = Digits(strings[1]);
      const auto seconds = Digits(strings[2]);
      if (!exitCode || *exitCode > 0xFFFFFFFFu || !seconds) return std::nullopt;
      event.clientEnded = true;
      event.program = strings[0];
      event.exitCode = static_cast<std::uint32_t>(*exitCode);
      event.seconds = *seconds;
      return event;
    }
    case EventId::kExitActionAsked:
    case EventId::kExitActionNothingAsked:
    case EventId::kExitActionRefused:
      if (strings.size() != 1) return std::nullopt;
      event.action = strings[0];
      event.refused = id == EventId::kExitActionRefused;
      return event;
    case EventId::kClientEnded:
    case EventId::kExitAction: return ReadWholeText(id, strings);
    default: return std::nullopt;
  }
}

}  // namespace lanthe
