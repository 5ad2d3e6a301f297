#include "shell/event_texts.h"

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
  return u"Client ended: " + Text(program) + u" with exit code " + IntToText(exitCode) + u" after " +
         IntToText(static_cast<std::int64_t>(seconds)) + u" s.";
}

Text ReconnectEventText() { return u"The user chose to connect again."; }

Text ExitActionEventText(std::int32_t action, bool requested) {
  Text text = u"Exit action: " + ExitActionName(action);
  if (!requested) return text + u" (nothing asked of Windows).";
  return text + u"; Lanthe asks Windows for it.";
}

Text ExitActionRefusedEventText(std::int32_t action) {
  return u"Exit action: " + ExitActionName(action) + u"; Windows refused it.";
}

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

}  // namespace lanthe
