// "lanthe-config status" against a fake kiosk: a healthy one, then each thing that
// can be wrong with it.

#include <gtest/gtest.h>

#include "app/config_tool.h"
#include "fakes.h"
#include "lockdown/program_folder.h"
#include "lockdown/winlogon.h"
#include "shell/event_texts.h"

namespace lanthe {
namespace {

constexpr char16_t kSystem[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr char16_t kExplorer[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr char16_t kScreenSaver[] = u"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";

RegistryValue Dword(std::uint32_t value) {
  return RegistryValue{RegistryType::kDword, {static_cast<std::uint8_t>(value), 0, 0, 0}};
}
RegistryValue String(TextView text) { return RegistryValue{RegistryType::kString, StringValueBytes(text)}; }

// A key of the kiosk account's own policy object (the fake's third account).
std::map<Text, RegistryValue>& KioskPolicies(testing::FakePlatform& machine, TextView key) {
  return machine.registry.AddKey(RegistryRoot::LocalMachine, u"GPO\\Users\\S-1-5-21-1-2-3-1002\\" + Text(key)).values;
}

// What the MSI's folder has: full control for administrators and SYSTEM, reading and
// running for Users.
AccessList AdministratorsOnly() {
  return AccessList{true,
                    {{true, FileRight::kAllAccess, AceFlag::kInherited, kAdministratorsSid},
                     {true, FileRight::kAllAccess, AceFlag::kInherited, kLocalSystemSid},
                     {true, 0x1200A9, AceFlag::kInherited, kUsersSid}}};
}

// A kiosk on which everything is as its settings say, and the tool run on it.
struct Kiosk {
  Kiosk() {
    machine.files.files[u"C:\\Lanthe\\settings.xml"] =
        "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType><DisableTaskManager>True"
        "</DisableTaskManager><LockSecureScreen>True</LockSecureScreen><RDP><ClientPath>C:\\Windows\\system32"
        "</ClientPath></RDP><Autologon><CreateUser>True</CreateUser><EnableAutologon>True</EnableAutologon>"
        "<Username>kiosk</Username></Autologon></Settings>";
    auto& winlogon = machine.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values;
    winlogon[u"shell"] = String(u"\"C:\\Lanthe\\lanthe.exe\"");
    winlogon[u"AutoAdminLogon"] = String(u"1");
    winlogon[u"DefaultUsername"] = String(u"Kiosk");
    winlogon[u"DefaultDomainName"] = String(u"KIOSK-01");
    machine.secrets.secrets[u"DefaultPassword"] = u"pw";
    machine.accounts.users.push_back({u"kiosk", 1});
    auto& system = KioskPolicies(machine, kSystem);
    system[u"DisableTaskMgr"] = Dword(1);
    system[u"DisableLockWorkstation"] = Dword(1);
    system[u"DisableChangePassword"] = Dword(1);
    system[u"DisableRegistryTools"] = Dword(0);
    auto& explorer = KioskPolicies(machine, kExplorer);
    explorer[u"NoLogoff"] = Dword(1);
    explorer[u"NoControlPanel"] = Dword(0);
    explorer[u"NoRun"] = Dword(0);
    KioskPolicies(machine, u"Software\\Policies\\Microsoft\\Windows\\System")[u"DisableCMD"] = Dword(0);
    KioskPolicies(machine, u"Software\\Policies\\Microsoft\\Windows\\Windows Error Reporting")[u"DontShowUI"] =
        Dword(0);
    KioskPolicies(machine, kScreenSaver)[u"ScreenSaveActive"] = String(u"1");
    machine.registry.AddKey(RegistryRoot::LocalMachine, kSystem).values[u"HideFastUserSwitching"] = Dword(1);
    machine.files.files[u"C:\\Windows\\system32\\mstsc.exe"] = "";
    machine.files.files[u"C:\\Lanthe\\lanthe.exe"] = "MZ";
    machine.folders.executable = u"C:\\Lanthe\\lanthe-config.exe";
    for (const char16_t* path : {u"C:\\Lanthe", u"C:\\Lanthe\\lanthe.exe", u"C:\\Lanthe\\settings.xml"}) {
      machine.fileSecurity.lists[path] = AdministratorsOnly();
    }
    // The last session, newest event first, in the texts the program writes.
    machine.eventHistory.logged = std::vector<LoggedEvent>{
        Logged(ClientStartedEvent(u"mstsc.exe /f", u""), kLastEnd + 90),
        Logged(ExitActionEvent(ExitAction::kLogOff, true), kLastEnd),
        Logged(ClientEndedEvent(u"\"C:\\Windows\\system32\\mstsc.exe\"", 0, 3'600'400), kLastEnd),
    };
  }
  static LoggedEvent Logged(const EventReport& event, std::int64_t time) {
    return LoggedEvent{event.id, event.type, time, event.strings};
  }
  static constexpr std::int64_t kLastEnd = 1740848520;  // 2025-03-01 17:02 UTC

  int Run(const std::vector<Text>& arguments) {
    out.clear();
    err.clear();
    return RunConfigTool(arguments, context, out, err);
  }
  int Status(bool json = false) { return Run(json ? std::vector<Text>{u"status", u"--json"} : std::vector<Text>{u"status"}); }
  // The line of one check, or nothing.
  std::string Line(const std::string& check) const {
    std::size_t start = 0;
    for (std::size_t end = out.find('\n'); end != std::string::npos; start = end + 1, end = out.find('\n', start)) {
      const std::string line = out.substr(start, end - start);
      if (line.find(" " + check + ": ") == 8 || line.find(" " + check + ": ") == 2) return line;
    }
    return "";
  }

  testing::FakePlatform machine;
  Platform platform = machine.platform();
  ConfigToolContext context{machine.files, machine.codePage, machine.folders, [](TextView path) { return Text(path); },
                            &platform, "1.2.3"};
  std::string out;
  std::string err;
};

class KioskStatusTest : public ::testing::Test, public Kiosk {};

TEST_F(KioskStatusTest, AHealthyKioskIsOkOnEveryLine) {
  EXPECT_EQ(Status(), ConfigToolExit::kOk) << out;
  for (const char* check : {"version", "settings", "shell", "autologon", "banner", "account", "password", "policies",
                            "overrides", "files", "folder", "network", "last session"}) {
    EXPECT_EQ(Line(check).substr(0, 9), "ok       ") << check << "\n" << out;
  }
  EXPECT_NE(Line("autologon").find("the password is a protected secret"), std::string::npos);
  EXPECT_EQ(Line("version"), "ok       version: Lanthe 1.2.3");
  EXPECT_EQ(Line("last session"), "ok       last session: mstsc.exe ended 2025-03-01 17:02 UTC with exit code 0 "
                                   "after 3600 s; exit action log off");
  // The stored password was tried, once: every failed try counts against the lockout policy.
  EXPECT_EQ(machine.accounts.logOns, (std::vector<std::pair<Text, Text>>{{u"kiosk", u"pw"}}));

  // What a management agent keeps of a script's output: one line, at most 2,048 characters.
  EXPECT_EQ(Status(true), ConfigToolExit::kOk);
  EXPECT_EQ(out.substr(0, 61), "{\"version\":\"1.2.3\",\"checks\":[{\"check\":\"version\",\"status\":\"ok\"");
  EXPECT_NE(out.find("],\"problems\":false}\n"), std::string::npos);
  EXPECT_EQ(out.find('\n'), out.size() - 1);
  EXPECT_LT(out.size(), 2048u) << out;
}

// Without full rights (a non-elevated administrator) the secret, the policy objects and
// the password cannot be read or tried: each says so, none is a problem.
TEST_F(KioskStatusTest, WhatCannotBeReadWithoutFullRightsIsUnknownAndNoProblem) {
  machine.identity.elevated = false;
  machine.secrets.readable = false;
  machine.groupPolicy.opens = false;
  machine.accounts.passwordExpired = std::nullopt;
  machine.eventHistory.logged = std::nullopt;
  EXPECT_EQ(Status(), ConfigToolExit::kOk) << out;
  const struct {
    const char* check;
    const char* says;
  } unknown[] = {
      {"autologon", "whether a password is stored cannot be read without full rights: run with full rights"},
      {"account", "whether its password must be changed cannot be read without full rights"},
      {"password", "the stored password is tried only with full rights"},
      {"policies", "the kiosk account's policy object cannot be read without full rights"},
      {"last session", "the Application log cannot be read"},
  };
  for (const auto& u : unknown) {
    EXPECT_EQ(Line(u.check).substr(0, 9), "unknown  ") << u.check << "\n" << out;
    EXPECT_NE(Line(u.check).find(u.says), std::string::npos) << Line(u.check);
  }
  EXPECT_TRUE(machine.accounts.logOns.empty()) << "no trial log-on without full rights";
  EXPECT_EQ(Status(true), ConfigToolExit::kOk);
  EXPECT_NE(out.find("{\"check\":\"password\",\"status\":\"unknown\""), std::string::npos) << out;
  EXPECT_NE(out.find("\"problems\":false"), std::string::npos);

}

// The last session is reported as the events tell it; an exit code is the client's
// business, and none found is no problem either.
TEST_F(KioskStatusTest, TheLastSessionIsTheNewestClientsEndWithTheExitActionAfterIt) {
  const auto ended = [](std::uint32_t code, std::int64_t time) {
    return Logged(ClientEndedEvent(u"C:\\Program Files\\Citrix\\wfcrun32.exe", code, 42'000), time);
  };
  const LoggedEvent refused = Logged(ExitActionRefusedEvent(ExitAction::kPowerOff), kLastEnd);
  // An earlier version's events, their whole text in one string.
  const LoggedEvent older{EventId::kExitAction, EventType::kInformation, 0,
                          {u"Exit action: restart; Lanthe asks Windows for it."}};
  const LoggedEvent olderEnd{EventId::kClientEnded, EventType::kInformation, 0,
                             {u"Client ended: C:\\Citrix\\wfcrun32.exe with exit code 0 after 7 s."}};
  const struct {
    std::vector<LoggedEvent> logged;
    const char* line;
  } cases[] = {
      {{refused, ended(0xC000013A, kLastEnd), older},
       "ok       last session: wfcrun32.exe ended 2025-03-01 17:02 UTC with exit code 3221225786 (0xC000013A) "
       "after 42 s; exit action power off, refused by Windows"},
      {{ended(1, 0), older}, "ok       last session: wfcrun32.exe ended 1970-01-01 00:00 UTC with exit code 1 after "
                             "42 s; no exit action since"},
      {{older, olderEnd},
       "ok       last session: wfcrun32.exe ended 1970-01-01 00:00 UTC with exit code 0 after 7 s; exit action restart"},
      {{older, {EventId::kClientEnded, EventType::kInformation, 0, {u"Client ended: in another form"}}},
       "unknown  last session: the Application log holds no client's end from Lanthe"},
      {{}, "unknown  last session: the Application log holds no client's end from Lanthe"},
  };
  for (const auto& c : cases) {
    machine.eventHistory.logged = c.logged;
    EXPECT_EQ(Status(), ConfigToolExit::kOk);
    EXPECT_EQ(Line("last session"), c.line);
  }
  EXPECT_EQ(machine.eventHistory.sources.back(), u"Lanthe");
}

TEST(KioskStatus, EachProblemIsNamedWithWhatToDo) {
  const auto winlogon = [](testing::FakePlatform& m) -> auto& {
    return m.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values;
  };
  // A connection type set by policy over the file, and its client's files.
  const auto policy = [](testing::FakePlatform& m, std::uint32_t type) {
    m.registry.AddKey(RegistryRoot::LocalMachine, u"Software\\Policies\\Lanthe").values[u"ConnectionType"] = Dword(type);
  };
  const auto xenApp = [&](testing::FakePlatform& m) {
    policy(m, 1);
    m.files.files[u"C:\\Program Files\\Citrix\\ICA Client\\wfcrun32.exe"] = "";
    m.files.files[u"C:\\Lanthe\\appsrv.ini"] = "";
  };
  const struct {
    const char* check;
    std::function<void(testing::FakePlatform&)> spoil;
    const char* says;
    std::string state = "problem  ";  // the line's start
  } cases[] = {
      {"autologon", [&](auto& m) { winlogon(m)[u"DefaultUsername"] = String(u"Administrator"); },
       "DefaultUsername is \"Administrator\", not \"kiosk\" (a log-on at the console rewrites it)"},
      {"autologon", [&](auto& m) { winlogon(m)[u"AutoLogonCount"] = Dword(3); },
       "AutoLogonCount is 3 (Windows ends automatic log-on at 0); start lanthe.exe once"},
      {"autologon", [](auto& m) { m.secrets.secrets.clear(); }, "no password is stored for the automatic log-on"},
      {"banner", [](auto& m) { m.registry.AddKey(RegistryRoot::LocalMachine, kSystem).values[u"legalnoticetext"] =
                                   String(u"Authorised use only"); },
       "a log-on banner is set (Policies\\System legalnoticetext), and automatic log-on waits at it"},
      {"banner", [&](auto& m) { winlogon(m)[u"LegalNoticeCaption"] = String(u"Notice"); },
       "(Winlogon LegalNoticeCaption)"},
      {"account", [](auto& m) { m.accounts.userFlags[u"KIOSK"] = kPasswordNeverExpires | kAccountDisabledFlag; },
       "the account \"kiosk\" is disabled: net user \"kiosk\" /active:yes"},
      {"account", [](auto& m) { m.accounts.userFlags[u"KIOSK"] = kPasswordNeverExpires | kLockedOutFlag; },
       "is locked out after wrong passwords"},
      {"account", [](auto& m) { m.accounts.passwordExpired = true; }, "has expired or must be changed"},
      {"password", [](auto& m) { m.accounts.logOnStatus = LogonStatus::kLogonFailure; },
       "the stored password does not log \"kiosk\" on: the password is wrong (error 1326)"},
      {"password", [](auto& m) { m.accounts.logOnStatus = LogonStatus::kPasswordMustChange; },
       "the password must be changed before the account logs on (error 1907)"},
      {"shell",
       [](auto& m) { m.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values[u"shell"] = String(u"Explorer.exe"); },
       "the Winlogon shell is \"Explorer.exe\", not C:\\Lanthe\\lanthe.exe: start lanthe.exe once as administrator"},
      {"autologon",
       [](auto& m) { m.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values.erase(u"DefaultDomainName"); },
       "DefaultDomainName is missing, not \"KIOSK-01\""},
      {"autologon",
       [](auto& m) {
         m.secrets.secrets.clear();
         m.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values[u"DefaultPassword"] = String(u"pw");
       },
       "the password is stored in plain text"},
      {"account", [](auto& m) { m.accounts.users.pop_back(); }, "there is no local account \"kiosk\""},
      {"account", [](auto& m) { m.accounts.users.back().privilege = 2; }, "is an administrator"},
      {"account", [](auto& m) { m.accounts.userFlags[u"KIOSK"] = 0x201; }, "expires, and automatic log-on then stops"},
      {"policies", [](auto& m) { KioskPolicies(m, kExplorer).erase(u"NoLogoff"); },
       "NoLogoff is missing; start lanthe.exe once as administrator and run \"gpupdate /force\""},
      {"policies",
       [](auto& m) {
         KioskPolicies(m, kScreenSaver).clear();
         // Where earlier versions wrote it, for everybody, nothing of the kiosk account's.
         m.registry.AddKey(RegistryRoot::CurrentUser, kScreenSaver).values[u"ScreenSaveActive"] = String(u"1");
       },
       "ScreenSaveActive is missing; start lanthe.exe"},
      {"policies", [](auto& m) { KioskPolicies(m, kExplorer)[u"NoRun"] = Dword(1); },
       "NoRun is 1; start lanthe.exe"},
      {"files", [](auto& m) { m.files.files.erase(u"C:\\Windows\\system32\\mstsc.exe"); },
       "the Remote Desktop client C:\\Windows\\system32\\mstsc.exe is missing"},
      {"folder",
       [](auto& m) {
         // A folder made in the root of C: inherits this from there.
         m.fileSecurity.lists[u"C:\\Lanthe"].entries.push_back(
             {true, 0x1301BF, AceFlag::kObjectInherit | AceFlag::kContainerInherit | AceFlag::kInherited,
              kAuthenticatedUsersSid});
       },
       "(C:\\Lanthe: Authenticated Users): a kiosk user could replace lanthe.exe"},
      {"folder", [](auto& m) { m.fileSecurity.lists.erase(u"C:\\Lanthe\\lanthe.exe"); },
       "the permissions of C:\\Lanthe\\lanthe.exe could not be read"},
      {"network", [](auto& m) { m.network.up = false; }, "no network interface is up"},
      {"overrides", xenApp, "set by policy: ConnectionType", ""},
      {"files", xenApp, "the connection \"\" is not in C:\\Lanthe\\appsrv.ini"},
      {"files",
       [&](auto& m) {
         policy(m, 3);
         m.registry.AddKey(RegistryRoot::LocalMachine, u"Software\\Policies\\Lanthe\\StoreFront").values[u"StoreURL"] =
             String(u"https://sf");
         m.files.files[u"C:\\Program Files\\Citrix\\ICA Client\\wfica32.exe"] = "";
       },
       "self-service program C:\\Program Files\\Citrix\\ICA Client\\SelfServicePlugin\\SelfService.exe is missing; "
       "storebrowse C:\\Program Files\\Citrix\\ICA Client\\AuthManager\\storebrowse.exe is missing; install"},
  };
  for (const auto& c : cases) {
    Kiosk kiosk;
    c.spoil(kiosk.machine);
    EXPECT_EQ(kiosk.Status(), ConfigToolExit::kFailed) << c.check;
    const std::string line = kiosk.Line(c.check);
    EXPECT_EQ(line.substr(0, c.state.size()), c.state) << c.check << "\n" << kiosk.out;
    EXPECT_NE(line.find(c.says), std::string::npos) << line;
  }
}

TEST(KioskStatus, NeedsAWindowsKiosk) {
  testing::FakePlatform machine;
  ConfigToolContext context{machine.files, machine.codePage, machine.folders, [](TextView path) { return Text(path); }};
  std::string out;
  std::string err;
  EXPECT_EQ(RunConfigTool({u"status"}, context, out, err), ConfigToolExit::kUsage);
  EXPECT_NE(err.find("runs there only"), std::string::npos);
}

// "lanthe-config apply" on a fresh machine: the steps of an administrator's start,
// without a window, then a status that finds everything in order.
TEST(KioskApply, AppliesEveryStepWithoutABoxAndTheStatusAgrees) {
  Kiosk kiosk;
  testing::FakePlatform& machine = kiosk.machine;
  machine.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values.clear();
  machine.accounts.users.pop_back();  // no kiosk account yet
  machine.registry.AddKey(RegistryRoot::LocalMachine, u"GPO\\Users").values.clear();
  machine.files.files[u"C:\\Lanthe\\settings.xml"] =
      "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType><DisableTaskManager>True"
      "</DisableTaskManager><RDP><ClientPath>C:\\Windows\\system32</ClientPath></RDP><Autologon><CreateUser>True"
      "</CreateUser><EnableAutologon>True</EnableAutologon><Username>kiosk</Username><Password>pw</Password>"
      "</Autologon></Settings>";
  // A machine policy over the file: the kiosk is locked, whatever the file says.
  machine.registry.AddKey(RegistryRoot::LocalMachine, u"Software\\Policies\\Lanthe").values[u"LockSecureScreen"] =
      Dword(1);
  EXPECT_EQ(kiosk.Run({u"apply"}), ConfigToolExit::kOk) << kiosk.out << kiosk.err;
  EXPECT_EQ(kiosk.err, "");
  for (const char* step : {"account", "autologon", "shell", "policies", "folder", "event source"}) {
    EXPECT_NE(kiosk.out.find(std::string("ok       ") + step + ": "), std::string::npos) << step << "\n" << kiosk.out;
  }
  EXPECT_TRUE(machine.messages.shown.empty()) << "no window, no box";
  EXPECT_EQ(machine.accounts.added, (std::vector<std::pair<Text, Text>>{{u"kiosk", u"pw"}}));
  const auto* shell = machine.registry.Value(RegistryRoot::LocalMachine, kWinlogonKey, u"shell");
  ASSERT_TRUE(shell);
  EXPECT_EQ(shell->data, StringValueBytes(u"C:\\Lanthe\\lanthe.exe")) << "the program beside the tool";
  EXPECT_EQ(Dword(1).data, KioskPolicies(machine, kSystem)[u"DisableLockWorkstation"].data) << "the policy's lock";
  const auto* source = machine.registry.Value(RegistryRoot::LocalMachine,
                                              u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Lanthe",
                                              u"EventMessageFile");
  ASSERT_TRUE(source);
  EXPECT_EQ(source->data, StringValueBytes(u"C:\\Lanthe\\lanthe.exe"));
  EXPECT_EQ(kiosk.Status(), ConfigToolExit::kOk) << kiosk.out;

  // A step that cannot be done: a problem line, an event, exit 1; the rest still runs.
  Kiosk refused;
  refused.machine.accounts.users.pop_back();
  refused.machine.accounts.addStatus = NetStatus::kPasswordTooShort;
  EXPECT_EQ(refused.Run({u"apply"}), ConfigToolExit::kFailed);
  EXPECT_NE(refused.err.find("problem  account: The limited account \"kiosk\" could not be created"), std::string::npos)
      << refused.err;
  EXPECT_NE(refused.out.find("ok       shell: "), std::string::npos) << "the other steps ran";
  EXPECT_EQ(refused.machine.events.ids, std::vector<std::uint32_t>{EventId::kApplyFailed});

  // Without full rights nothing is touched.
  Kiosk filtered;
  filtered.machine.identity.elevated = false;
  filtered.machine.registry.writes = 0;
  EXPECT_EQ(filtered.Run({u"apply"}), ConfigToolExit::kUsage);
  EXPECT_NE(filtered.err.find("full administrator rights"), std::string::npos);
  EXPECT_EQ(filtered.machine.registry.writes, 0);
}

}  // namespace
}  // namespace lanthe
