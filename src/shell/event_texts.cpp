#include "shell/event_texts.h"

#include "platform/event_log.h"

namespace lanthe {

namespace {

Text ConnectionTypeName(std::int32_t type) {
  switch (type) {
    case ConnectionType::kRemoteDesktop: return u"Remote Desktop";
    case ConnectionType::kCustomIca: return u"Custom ICA";
    case ConnectionType::kXenApp: return u"XenApp";
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

// The parts of the session-end texts, shared with ReadSessionEndEvent.
constexpr char16_t kClientEnded[] = u"Client ended: ";
constexpr char16_t kWithExitCode[] = u" with exit code ";
constexpr char16_t kAfter[] = u" after ";
constexpr char16_t kSeconds[] = u" s.";
constexpr char16_t kExitActionPrefix[] = u"Exit action: ";
constexpr char16_t kNothingAsked[] = u" (nothing asked of Windows).";
constexpr char16_t kAsked[] = u"; Lanthe asks Windows for it.";
constexpr char16_t kRefused[] = u"; Windows refused it.";

}  // namespace

Text StartedEventText(const StartFacts& f) {
  return u"Lanthe " + Text(f.version) + u" started for " + Text(f.user) +
         (f.administrator ? u" (an administrator)" : u" (not an administrator)") +
         (f.currentShell == CurrentShell::kLanthe ? u", as the shell" : u", not as the shell") +
         u"; connection type " + ConnectionTypeName(f.connectionType) +
         (f.debugMode ? u"; Debug mode is on" : u"") +
         (f.restarted ? u"; started again after an abnormal end." : u".");
}

namespace {

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

Text ClientStartedEventText(TextView commandLine, TextView password) {
  return u"Client started: " + WithoutPassword(commandLine, password);
}

Text ClientNotStartedEventText(TextView commandLine, TextView password) {
  return u"The client could not be started: " + WithoutPassword(commandLine, password);
}

Text ClientEndedEventText(TextView program, std::uint32_t exitCode, std::uint64_t milliseconds) {
  const std::uint64_t seconds = milliseconds / 1000;
  return kClientEnded + Text(program) + kWithExitCode + IntToText(exitCode) + kAfter +
         IntToText(static_cast<std::int64_t>(seconds)) + kSeconds;
}

Text ReconnectEventText() { return u"The user chose to connect again."; }

Text ExitActionEventText(std::int32_t action, bool requested) {
  return kExitActionPrefix + ExitActionName(action) + (requested ? kAsked : kNothingAsked);
}

Text ExitActionRefusedEventText(std::int32_t action) { return kExitActionPrefix + ExitActionName(action) + kRefused; }

Text SessionNotEndedEventText(std::int32_t action, bool cancelled, std::uint32_t waitedMs) {
  Text text = u"Windows accepted the exit action " + ExitActionName(action) + u", but ";
  if (cancelled) {
    text += u"the end of the session was cancelled (by another program or by the user)";
  } else {
    text += u"did not end the session within " + IntToText(static_cast<std::int64_t>(waitedMs / 1000)) + u" s";
  }
  return text + u": the end-of-session step runs again.";
}

Text SettingsDamagedEventText(TextView path) {
  return u"The settings file " + Text(path) +
         u" is damaged: Lanthe runs with its defaults, and the next save keeps the damaged file as " + Text(path) +
         u".bak.";
}

Text NetworkWaitTimedOutEventText(std::int32_t seconds) {
  return u"No network came up within " + IntToText(seconds) + u" seconds: the client was started without one.";
}

Text ServerWaitTimedOutEventText(std::int32_t seconds, TextView server) {
  return u"The network came up, but the server " + Text(server) + u" did not answer within " + IntToText(seconds) +
         u" seconds: the client was started anyway.";
}

Text PolicyOverridesEventText(std::span<const SettingsField* const> fields) {
  Text names;
  for (const SettingsField* field : fields) {
    if (!names.empty()) names += u", ";
    names += Utf8ToText(field->recordName);
  }
  return u"Settings set by policy: " + names + u".";
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

}  // namespace

std::optional<SessionEndEvent> ReadSessionEndEvent(std::uint32_t id, std::span<const Text> strings) {
  if (strings.empty()) return std::nullopt;
  TextView text = strings[0];
  const TextView prefix = id == EventId::kClientEnded ? TextView(kClientEnded) : TextView(kExitActionPrefix);
  if ((id != EventId::kClientEnded && id != EventId::kExitAction) || !text.starts_with(prefix)) return std::nullopt;
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

}  // namespace lanthe
