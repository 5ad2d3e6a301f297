#include "app/kiosk_status.h"

#include "config/settings_file.h"
#include "lockdown/policies.h"
#include "lockdown/program_folder.h"
#include "lockdown/winlogon.h"
#include "platform/local_users.h"

namespace lanthe {

namespace {


class Status {
 public:
  void Ok(const char* check, Text text) { lines.push_back({check, true, std::move(text)}); }
  void Problem(const char* check, Text text) { lines.push_back({check, false, std::move(text)}); }
  std::vector<StatusLine> lines;
};

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

void CheckAutologon(const TSettings& s, Platform& p, Status& status) {
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
    wrong += u"DefaultUsername is " + Shown(user) + u", not \"" + s.Autologon.Username + u"\"; ";
  }
  const auto domain = value(u"DefaultDomainName");
  if (!domain || !EqualsIgnoreAsciiCase(*domain, computer)) {
    wrong += u"DefaultDomainName is " + Shown(domain) + u", not \"" + computer + u"\"; ";
  }
  if (!wrong.empty()) {
    status.Problem("autologon", wrong + kApplyOnce);
    return;
  }
  if (p.secrets.HasPrivateData(u"DefaultPassword") && !value(u"DefaultPassword")) {
    status.Ok("autologon", u"\"" + s.Autologon.Username + u"\" logs on automatically; the password is a protected secret");
  } else if (value(u"DefaultPassword")) {
    status.Problem("autologon", u"\"" + s.Autologon.Username +
                                    u"\" logs on automatically, but the password is stored in plain text in the "
                                    u"Winlogon value DefaultPassword: apply again where Windows keeps secrets");
  } else {
    status.Problem("autologon", u"no password is stored for the automatic log-on: " + Text(kApplyOnce));
  }
}

void CheckAccount(const TSettings& s, IAccounts& accounts, Status& status) {
  if (!s.Autologon.CreateUser && !s.Autologon.EnableAutologon) return;
  const Text name = u"\"" + s.Autologon.Username + u"\"";
  const auto details = accounts.GetUserDetails(s.Autologon.Username);
  if (!details) {
    status.Problem("account", u"there is no local account " + name + u": " +
                                  (s.Autologon.CreateUser ? Text(kApplyOnce) : Text(u"create it, or set CreateUser")));
  } else if (details->privilege == 2) {
    status.Problem("account", u"the account " + name + u" is an administrator: make it a limited user");
  } else if ((details->flags & kPasswordNeverExpires) == 0) {
    status.Problem("account", u"the password of " + name +
                                  u" expires, and automatic log-on then stops: tick \"Password never expires\"");
  } else {
    status.Ok("account", u"the account " + name + u" is a limited user whose password never expires");
  }
}

// The policies where they take effect: the kiosk account's own policy object (or the
// non-administrators'), and the machine's registry.
void CheckPolicies(const TSettings& s, const PolicyOverrides& overrides, Platform& p, Status& status) {
  const auto shown = [](const std::optional<PolicyData>& data) -> Text {
    if (!data) return u"missing";
    if (const auto* number = std::get_if<std::uint32_t>(&*data)) return IntToText(*number);
    return u"\"" + std::get<Text>(*data) + u"\"";
  };
  Text wrong;
  const std::vector<PolicyValue> wanted = KioskUserPolicies(s);
  std::optional<KioskPoliciesFound> found;
  try {
    found = ReadKioskPolicies(p.groupPolicy, p.registry, p.accounts, s);
  } catch (const GroupPolicyUnavailable&) {
    // This edition keeps no policy objects: nothing to read, nothing to blame.
  }
  if (!found) {
    status.Ok("policies", u"the kiosk account's policies cannot be read without full rights (or on this edition "
                          u"of Windows): run as administrator to see them");
  } else {
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
  if (wrong.empty()) {
    if (found) {
      status.Ok("policies", found->object == KioskPolicyObject::kAccount
                                ? u"the kiosk account's policies are as the settings say"
                                : u"the policies of every non-administrator are as the settings say");
    }
  } else {
    status.Problem("policies", wrong + u"start lanthe.exe once as administrator and run \"gpupdate /force\"");
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
    default:
      status.Problem("files", u"ConnectionType " + IntToText(s.ConnectionType) + u" starts no client: choose 0, 1 or 2");
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

}  // namespace

std::vector<StatusLine> KioskStatus(const TSettings& settings, const PolicyOverrides& overrides, TextView programPath,
                                    Platform& platform) {
  Status status;
  CheckShell(settings, programPath, platform.registry, status);
  CheckAutologon(settings, platform, status);
  CheckAccount(settings, platform.accounts, status);
  CheckPolicies(settings, overrides, platform, status);
  CheckFiles(settings, platform, status);
  CheckProgramFolder(settings, programPath, platform, status);
  if (platform.network.IsUp()) {
    status.Ok("network", u"a network interface is up");
  } else {
    status.Problem("network", u"no network interface is up: connect the network");
  }
  return status.lines;
}

}  // namespace lanthe
