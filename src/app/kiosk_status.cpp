#include "app/kiosk_status.h"

#include <algorithm>

#include "config/settings_file.h"
#include "lockdown/policies.h"
#include "lockdown/program_folder.h"
#include "lockdown/winlogon.h"
#include "platform/local_users.h"
#include "shell/event_texts.h"
#include "shell/launchers.h"

namespace lanthe {

namespace {


class Status {
 public:
  void Ok(const char* check, Text text) { lines.push_back({check, StatusState::kOk, std::move(text)}); }
  void Problem(const char* check, Text text) { lines.push_back({check, StatusState::kProblem, std::move(text)}); }
  void Unknown(const char* check, Text text) { lines.push_back({check, StatusState::kUnknown, std::move(text)}); }
  std::vector<StatusLine> lines;
};

// What more than one check needs, read once.
struct Facts {
  bool fullRights = false;            // an elevated administrator, or SYSTEM
  std::optional<Text> plainPassword;  // the Winlogon value DefaultPassword
  PrivateData secret;                 // the protected secret DefaultPassword
  std::optional<UserDetails> account;
};

constexpr char16_t kFullRights[] = u"run with full rights (an elevated prompt, or SYSTEM)";

// Why a value is unknown: the tool's rights, or (with full rights) the system.
Text CannotRead(const Facts& facts) {
  return facts.fullRights ? Text(u"could not be read") : u"cannot be read without full rights: " + Text(kFullRights);
}

std::optional<Text> StringOf(IRegistry& registry, RegistryRoot root, TextView key, TextView name) {
  auto opened = registry.OpenKeyForReading(root, key);
  if (!opened) return std::nullopt;
  return ReadStringValue(*opened, name);
}

std::optional<std::uint32_t> DwordOf(IRegistry& registry, RegistryRoot root, TextView key, TextView name) {
  auto opened = registry.OpenKeyForReading(root, key);
  if (!opened) return std::nullopt;
  const auto value = opened->ReadValue(name);
  if (!value || value->type != RegistryType::kDword || value->data.size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>(value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) |
                                    (static_cast<std::uint32_t>(value->data[3]) << 24));
}

// Whether a value holds anything but blanks, whatever its type (a banner's text may be
// a multi-string).
bool HoldsText(IRegistry& registry, RegistryRoot root, TextView key, TextView name) {
  auto opened = registry.OpenKeyForReading(root, key);
  const auto value = opened ? opened->ReadValue(name) : std::nullopt;
  if (!value) return false;
  for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
    const auto c = static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8));
    if (c != 0 && c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return true;
  }
  return false;
}

Text Quoted(TextView text) { return u"\"" + Text(text) + u"\""; }

Text Shown(const std::optional<Text>& value) { return value ? u"\"" + *value + u"\"" : Text(u"missing"); }

constexpr char16_t kApplyOnce[] = u"start lanthe.exe once as administrator, which writes it";

void CheckShell(const TSettings& s, TextView program, IRegistry& registry, Status& status) {
  const auto shell = StringOf(registry, RegistryRoot::LocalMachine, kWinlogonKey, u"shell");
  if (s.CurrentShell == CurrentShell::kLanthe) {
    if (shell && ShellPointsTo(*shell, program)) {
      status.Ok("shell", u"the Winlogon shell starts " + Text(program) + u", as CurrentShell 1 says");
    } else {
      status.Problem("shell", u"the Winlogon shell is " + Shown(shell) + u", not " + ShellCommandFor(program) +
                                  u": " + kApplyOnce);
    }
    return;
  }
  if (shell && EqualsIgnoreAsciiCase(*shell, u"Explorer.exe")) {
    status.Ok("shell", u"the Winlogon shell is Explorer, as CurrentShell says");
  } else {
    status.Problem("shell", u"the Winlogon shell is " + Shown(shell) + u", not Explorer.exe: " + kApplyOnce);
  }
}

void CheckAutologon(const TSettings& s, const Facts& facts, Platform& p, Status& status) {
  const auto value = [&](TextView name) { return StringOf(p.registry, RegistryRoot::LocalMachine, kWinlogonKey, name); };
  const auto enabled = value(u"AutoAdminLogon");
  if (!s.Autologon.EnableAutologon) {
    if (!enabled || *enabled != u"1") {
      status.Ok("autologon", u"automatic log-on is off, as the settings say");
    } else {
      status.Problem("autologon", u"automatic log-on is on, but the settings say off: " + Text(kApplyOnce));
    }
    return;
  }
  const Text computer = GetLocalComputerName(p.accounts);
  Text wrong;
  if (!enabled || *enabled != u"1") wrong += u"AutoAdminLogon is " + Shown(enabled) + u"; ";
  const auto user = value(u"DefaultUsername");
  if (!user || !EqualsIgnoreAsciiCase(*user, s.Autologon.Username)) {
    wrong += u"DefaultUsername is " + Shown(user) + u", not " + Quoted(s.Autologon.Username);
    // Winlogon writes the last user who logged on at the console there.
    if (user && !user->empty()) wrong += u" (a log-on at the console rewrites it)";
    wrong += u"; ";
  }
  const auto domain = value(u"DefaultDomainName");
  if (!domain || !EqualsIgnoreAsciiCase(*domain, computer)) {
    wrong += u"DefaultDomainName is " + Shown(domain) + u", not " + Quoted(computer) + u"; ";
  }
  if (const auto count = DwordOf(p.registry, RegistryRoot::LocalMachine, kWinlogonKey, u"AutoLogonCount")) {
    wrong += u"AutoLogonCount is " + IntToText(*count) + u" (Windows ends automatic log-on at 0); ";
  }
  if (!wrong.empty()) {
    status.Problem("autologon", wrong + kApplyOnce);
    return;
  }
  const Text who = Quoted(s.Autologon.Username) + u" logs on automatically";
  if (facts.plainPassword) {
    status.Problem("autologon", who + u", but the password is stored in plain text in the Winlogon value "
                                      u"DefaultPassword: apply again where Windows keeps secrets");
  } else if (facts.secret.state == SecretState::kStored) {
    status.Ok("autologon", who + u"; the password is a protected secret");
  } else if (facts.secret.state == SecretState::kCannotTell) {
    status.Unknown("autologon", who + u"; whether a password is stored " + CannotRead(facts));
  } else {
    status.Problem("autologon", u"no password is stored for the automatic log-on: " + Text(kApplyOnce));
  }
}

// A log-on banner waits for a click before anybody is logged on, automatically or not.
void CheckBanner(const TSettings& s, IRegistry& registry, Status& status) {
  if (!s.Autologon.EnableAutologon) return;
  struct Place {
    const char16_t* key;
    const char16_t* shown;
    const char16_t* caption;
    const char16_t* text;
  };
  static constexpr Place kPlaces[] = {
      {u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", u"Policies\\System", u"legalnoticecaption",
       u"legalnoticetext"},
      // Where older Windows and some images keep it.
      {kWinlogonKey, u"Winlogon", u"LegalNoticeCaption", u"LegalNoticeText"},
  };
  Text set;
  for (const Place& place : kPlaces) {
    for (const char16_t* name : {place.caption, place.text}) {
      if (HoldsText(registry, RegistryRoot::LocalMachine, place.key, name)) {
        set += (set.empty() ? u"" : u", ") + Text(place.shown) + u" " + name;
      }
    }
  }
  if (set.empty()) {
    status.Ok("banner", u"no log-on banner holds up automatic log-on");
  } else {
    status.Problem("banner", u"a log-on banner is set (" + set +
                                 u"), and automatic log-on waits at it: empty these values, or the policy that sets "
                                 u"them");
  }
}

void CheckAccount(const TSettings& s, const Facts& facts, Status& status) {
  if (!s.Autologon.CreateUser && !s.Autologon.EnableAutologon) return;
  const Text name = Quoted(s.Autologon.Username);
  const auto& details = facts.account;
  if (!details) {
    status.Problem("account", u"there is no local account " + name + u": " +
                                  (s.Autologon.CreateUser ? Text(kApplyOnce) : Text(u"create it, or set CreateUser")));
  } else if (details->privilege == 2) {
    status.Problem("account", u"the account " + name + u" is an administrator: make it a limited user");
  } else if ((details->flags & kAccountDisabledFlag) != 0) {
    status.Problem("account", u"the account " + name + u" is disabled: net user " + name + u" /active:yes");
  } else if ((details->flags & kLockedOutFlag) != 0) {
    status.Problem("account", u"the account " + name +
                                  u" is locked out after wrong passwords: unlock it in lusrmgr.msc and check the "
                                  u"stored password");
  } else if (details->passwordExpired.value_or(false)) {
    status.Problem("account", u"the password of " + name +
                                  u" has expired or must be changed at the next log-on, and automatic log-on stops "
                                  u"there: give it a new password in Windows and in the settings, and apply again");
  } else if ((details->flags & kPasswordNeverExpires) == 0) {
    status.Problem("account", u"the password of " + name +
                                  u" expires, and automatic log-on then stops: tick \"Password never expires\"");
  } else if (!details->passwordExpired) {
    status.Unknown("account", u"the account " + name + u" is a limited user; whether its password must be changed " +
                                  CannotRead(facts));
  } else {
    status.Ok("account", u"the account " + name + u" is a limited user whose password never expires");
  }
}

// The stored password, tried once: a failed try counts against the lockout policy.
void CheckPassword(const TSettings& s, const Facts& facts, IAccounts& accounts, Status& status) {
  const auto& logon = s.Autologon;
  if (!logon.EnableAutologon) return;
  const Text name = Quoted(logon.Username);
  if (!facts.fullRights) {
    status.Unknown("password", u"the stored password is tried only with full rights: " + Text(kFullRights));
    return;
  }
  const Text* password = facts.plainPassword                           ? &*facts.plainPassword
                         : facts.secret.state == SecretState::kStored ? &facts.secret.data
                                                                       : nullptr;
  if (!password || password->empty()) {
    status.Unknown("password", facts.secret.state == SecretState::kCannotTell && !facts.plainPassword
                                   ? Text(u"the stored password could not be read")
                                   : Text(u"no password is stored to try"));
    return;
  }
  if (!facts.account || (facts.account->flags & (kAccountDisabledFlag | kLockedOutFlag)) != 0) {
    status.Unknown("password", u"not tried: " + name + u" cannot log on as it is (see account)");
    return;
  }
  if (const std::uint32_t refused = accounts.TryLogOn(logon.Username, *password); refused != 0) {
    status.Problem("password", u"the stored password does not log " + name + u" on: " +
                                   AccountStatusText(refused, accounts) +
                                   u"; put the account's password in the settings and apply again");
  } else {
    status.Ok("password", u"the stored password logs " + name + u" on");
  }
}

// The policies where they take effect: the kiosk account's own policy object (or the
// non-administrators'), and the machine's registry.
void CheckPolicies(const TSettings& s, const PolicyOverrides& overrides, const Facts& facts, Platform& p,
                   Status& status) {
  const auto shown = [](const std::optional<PolicyData>& data) -> Text {
    if (!data) return u"missing";
    if (const auto* number = std::get_if<std::uint32_t>(&*data)) return IntToText(*number);
    return u"\"" + std::get<Text>(*data) + u"\"";
  };
  Text wrong;
  const std::vector<PolicyValue> wanted = KioskUserPolicies(s);
  std::optional<KioskPoliciesFound> found;
  bool edition = false;
  try {
    found = ReadKioskPolicies(p.groupPolicy, p.registry, p.accounts, s);
  } catch (const GroupPolicyUnavailable&) {
    // This edition keeps no policy objects: nothing to read, nothing to blame.
    edition = true;
  }
  if (found) {
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      if (found->values[i] != wanted[i].data) {
        wrong += wanted[i].name + u" is " + shown(found->values[i]) + u"; ";
      }
    }
  }
  for (const PolicyValue& machine : MachinePolicies(s)) {
    const auto value = DwordOf(p.registry, RegistryRoot::LocalMachine, machine.key, machine.name);
    if (value.value_or(0) != std::get<std::uint32_t>(machine.data)) {
      wrong += machine.name + u" is " + (value ? IntToText(*value) : Text(u"missing")) + u"; ";
    }
  }
  if (!wrong.empty()) {
    status.Problem("policies", wrong + u"start lanthe.exe once as administrator and run \"gpupdate /force\"");
  } else if (edition) {
    status.Unknown("policies", u"this edition of Windows keeps no policy objects; the machine's policies are right");
  } else if (!found) {
    status.Unknown("policies", u"the kiosk account's policy object " + CannotRead(facts) +
                                   u"; the machine's policies are right");
  } else {
    status.Ok("policies", found->object == KioskPolicyObject::kAccount
                              ? u"the kiosk account's policies are as the settings say"
                              : u"the policies of every non-administrator are as the settings say");
  }
  if (overrides.empty()) {
    status.Ok("overrides", u"no setting is set by policy");
  } else {
    Text names;
    for (const SettingsField* field : overrides.Fields()) {
      if (!names.empty()) names += u", ";
      names += Utf8ToText(field->recordName);
    }
    status.Ok("overrides", u"set by policy: " + names);
  }
}

void NeedFile(TextView path, const char16_t* what, IFileSystem& files, Text& missing) {
  if (!files.FileExists(path)) missing += Text(what) + u" " + Text(path) + u" is missing; ";
}

void CheckFiles(const TSettings& s, Platform& p, Status& status) {
  Text missing;
  switch (s.ConnectionType) {
    case ConnectionType::kRemoteDesktop:
      NeedFile(s.RDP.ClientPath + u"\\mstsc.exe", u"the Remote Desktop client", p.files, missing);
      if (s.RDP.UseRDPFile) NeedFile(s.ProgramDir + s.RDP.RDPFileLocation, u"the .rdp file", p.files, missing);
      break;
    case ConnectionType::kCustomIca: {
      NeedFile(s.Citrix.ClientPath + u"\\wfcrun32.exe", u"the Citrix client", p.files, missing);
      const Text& ini = s.ICA.GlobalAppSrvIniLocation;
      if (!s.ICA.CopyICASettings) break;
      if (!p.files.FileExists(ini)) {
        missing += u"the shared connection file " + ini + u" is missing; ";
        break;
      }
      bool found = false;
      for (const auto& key : p.ini.ReadSectionKeys(ini, u"ApplicationServers")) {
        found = found || EqualsIgnoreAsciiCase(key, s.ICA.Connection);
      }
      if (!found) missing += u"the connection \"" + s.ICA.Connection + u"\" is not in " + ini + u"; ";
      break;
    }
    case ConnectionType::kXenApp:
      NeedFile(s.Citrix.ClientPath + u"\\pnagent.exe", u"PNAgent", p.files, missing);
      if (s.XenApp.CopyXenAppSettings) {
        NeedFile(s.ProgramDir + u"XenAppSettings.cfg", u"the stored PNAgent configuration", p.files, missing);
      }
      break;
    case ConnectionType::kStoreFront:
      NeedFile(SelfServicePath(s), u"the Workspace app's self-service program", p.files, missing);
      NeedFile(s.Citrix.ClientPath + u"\\" + kIcaClientProgramName, u"the ICA client", p.files, missing);
      if (!s.StoreFront.StoreURL.empty()) NeedFile(StoreBrowsePath(s), u"storebrowse", p.files, missing);
      break;
    default:
      status.Problem("files",
                     u"ConnectionType " + IntToText(s.ConnectionType) + u" starts no client: choose 0, 1, 2 or 3");
      return;
  }
  if (missing.empty()) {
    status.Ok("files", u"every file the connection needs is there");
  } else {
    status.Problem("files", missing + u"install the client or correct the settings");
  }
}

void CheckProgramFolder(const TSettings& s, TextView program, Platform& p, Status& status) {
  const ProgramFolderCheck check =
      lanthe::CheckProgramFolder(p, program, SettingsFilePath(s), s.Autologon.Username);
  Text problem;
  if (!check.exposed.empty()) {
    problem = u"not only administrators may change Lanthe's files (" + ExposedFilesText(check) +
              u"): a kiosk user could replace lanthe.exe, which administrators run too; install Lanthe under "
              u"Program Files, or run in an administrator's prompt:";
    const std::vector<Text> commands = ProgramFolderFixCommands(check.folder);
    for (std::size_t i = 0; i < commands.size(); ++i) problem += (i > 0 ? u" and then " : u" ") + commands[i];
  }
  for (const Text& path : check.unreadable) {
    if (!problem.empty()) problem += u"; ";
    problem += u"the permissions of " + path + u" could not be read: look at them with icacls \"" + path + u"\"";
  }
  if (problem.empty()) {
    status.Ok("folder", u"only administrators may change " + check.folder + u", lanthe.exe and settings.xml");
  } else {
    status.Problem("folder", problem);
  }
}

// "2025-03-01 17:02 UTC" (the civil-from-days conversion of Howard Hinnant's date
// algorithms).
Text UtcTimeText(std::int64_t seconds) {
  const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const std::int64_t inDay = seconds - days * 86400;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  const std::int64_t month = shifted < 10 ? shifted + 3 : shifted - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  const auto two = [](std::int64_t n) { return (n < 10 ? u"0" : u"") + IntToText(n); };
  return IntToText(year) + u"-" + two(month) + u"-" + two(day) + u" " + two(inDay / 3600) + u":" +
         two(inDay / 60 % 60) + u" UTC";
}

// Exit codes from 0x80000000 on are status codes, read in hexadecimal.
Text ExitCodeText(std::uint32_t code) {
  Text text = IntToText(code);
  if (code < 0x80000000u) return text;
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  Text hex;
  for (int shift = 28; shift >= 0; shift -= 4) hex += kDigits[(code >> shift) & 0xF];
  return text + u" (0x" + hex + u")";
}

// The last client's end and the exit action after it, from Lanthe's own events. What
// the client's exit code means is the client's business: it is reported, never judged.
void CheckLastSession(IEventHistory& history, Status& status) {
  constexpr std::size_t kEventsLooked = 64;
  const auto events = history.RecentEvents(kEventSource, kEventsLooked);
  if (!events) {
    status.Unknown("last session", u"the Application log cannot be read");
    return;
  }
  std::optional<SessionEndEvent> action;  // the newest exit action, newer than the client's end
  for (const LoggedEvent& event : *events) {
    auto end = ReadSessionEndEvent(event.id, event.strings);
    if (!end) continue;
    if (!end->clientEnded) {
      if (!action) action = std::move(end);
      continue;
    }
    // The client as its command line names it: a path, in double quotes when it holds a blank.
    TextView program = end->program;
    while (!program.empty() && program.back() == u'"') program.remove_suffix(1);
    program.remove_prefix(std::min(program.size(), program.find_last_of(u"\\/\"") + 1));
    Text text = Text(program) + u" ended " + UtcTimeText(event.time) + u" with exit code " + ExitCodeText(end->exitCode) +
                u" after " + IntToText(static_cast<std::int64_t>(end->seconds)) + u" s; ";
    text += action ? u"exit action " + action->action + (action->refused ? u", refused by Windows" : u"")
                   : Text(u"no exit action since");
    status.Ok("last session", text);
    return;
  }
  status.Unknown("last session", u"the Application log holds no client's end from Lanthe");
}

}  // namespace

std::vector<StatusLine> KioskStatus(const TSettings& settings, const PolicyOverrides& overrides, TextView programPath,
                                    Platform& platform) {
  const auto& logon = settings.Autologon;
  Facts facts;
  facts.fullRights = platform.identity.IsAdministrator() && platform.identity.IsElevated();
  if (logon.EnableAutologon) {
    facts.plainPassword = StringOf(platform.registry, RegistryRoot::LocalMachine, kWinlogonKey, u"DefaultPassword");
    facts.secret = platform.secrets.ReadPrivateData(u"DefaultPassword");
  }
  if (logon.CreateUser || logon.EnableAutologon) facts.account = platform.accounts.GetUserDetails(logon.Username);

  Status status;
  CheckShell(settings, programPath, platform.registry, status);
  CheckAutologon(settings, facts, platform, status);
  CheckBanner(settings, platform.registry, status);
  CheckAccount(settings, facts, status);
  CheckPassword(settings, facts, platform.accounts, status);
  CheckPolicies(settings, overrides, facts, platform, status);
  CheckFiles(settings, platform, status);
  CheckProgramFolder(settings, programPath, platform, status);
  if (platform.network.IsUp()) {
    status.Ok("network", u"a network interface is up");
  } else {
    status.Problem("network", u"no network interface is up: connect the network");
  }
  CheckLastSession(platform.eventHistory, status);
  return status.lines;
}

}  // namespace lanthe
