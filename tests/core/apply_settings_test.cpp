// Applying the settings to the machine: every step, its order and its conditions.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "main_window_rig.h"
#include "platform/error.h"

namespace lanthe {
namespace {

constexpr char16_t kUserIni[] = u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\appsrv.ini";
constexpr char16_t kSharedIni[] = u"C:\\Apps\\appsrv.ini";
constexpr char16_t kSystemPolicies[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr char16_t kDesktopPolicies[] = u"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";

class ApplySettingsTest : public ::testing::Test {
 protected:
  ApplySettingsTest() { main.FormCreate(u"C:\\Apps\\lanthe.exe"); }

  std::optional<Text> Winlogon(TextView name) {
    const RegistryValue* value = fake.registry.Value(RegistryRoot::LocalMachine, kWinlogonKey, name);
    if (!value) return std::nullopt;
    Text text;
    for (std::size_t i = 0; i + 1 < value->data.size() && (value->data[i] || value->data[i + 1]); i += 2) {
      text.push_back(static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8)));
    }
    return text;
  }
  const RegistryValue* OwnPolicy(TextView key, TextView name) {
    return fake.registry.Value(RegistryRoot::CurrentUser, key, name);
  }
  // The machine object's user half, which reaches every user.
  const RegistryValue* GroupPolicy(TextView key, TextView name) {
    return fake.registry.Value(RegistryRoot::LocalMachine, u"GPO\\User\\" + Text(key), name);
  }
  // The user half of a local user's or group's own object.
  const RegistryValue* PrincipalPolicy(TextView sid, TextView key, TextView name) {
    return fake.registry.Value(RegistryRoot::LocalMachine, u"GPO\\Users\\" + Text(sid) + u"\\" + Text(key), name);
  }

  MainWindowRig rig;
  testing::FakePlatform& fake = rig.fake;
  TfrmMain& main = rig.main;
};

TEST_F(ApplySettingsTest, AnAdministratorsRunReachesEveryPlace) {
  fake.files.files[kUserIni] = "admin's connections";
  main.Settings.XenApp.CopyXenAppSettings = true;
  fake.registry.AddKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent").values[u"Configuration Model 000"] =
      RegistryValue{RegistryType::kBinary, {0x3C, 0x3E}};
  main.Settings.Autologon.CreateUser = true;
  main.Settings.Autologon.EnableAutologon = true;
  main.Settings.Autologon.Username = u"kiosk";
  main.Settings.Autologon.Password = u"pw";
  main.Settings.DisableTaskManager = true;
  main.ApplySettings();

  EXPECT_EQ(fake.files.files[kSharedIni], "admin's connections") << "the user's file becomes the shared copy";
  EXPECT_EQ(fake.files.files[u"C:\\Apps\\XenAppSettings.cfg"], "3C,3E\r\n");
  EXPECT_EQ(fake.accounts.added, (std::vector<std::pair<Text, Text>>{{u"kiosk", u"pw"}}));
  EXPECT_EQ(fake.accounts.memberships, (std::vector<std::pair<Text, Text>>{{u"Users", u"KIOSK-01\\kiosk"}}));
  EXPECT_TRUE(fake.processes.runs.empty()) << "no command line carries the password";
  EXPECT_EQ(Winlogon(u"DefaultUsername"), u"kiosk");
  EXPECT_EQ(Winlogon(u"DefaultDomainName"), u"KIOSK-01");
  EXPECT_EQ(Winlogon(u"DefaultPassword"), std::nullopt) << "kept as the system's secret instead";
  EXPECT_EQ(fake.secrets.secrets, (std::map<Text, Text>{{u"DefaultPassword", u"pw"}}));
  EXPECT_EQ(Winlogon(u"AutoAdminLogon"), u"1");
  EXPECT_EQ(Winlogon(u"shell"), u"Explorer.exe");
  // The kiosk account made just now (the fake's third account) gets its own policies;
  // nobody else does.
  constexpr char16_t kKiosk[] = u"S-1-5-21-1-2-3-1002";
  ASSERT_TRUE(PrincipalPolicy(kKiosk, kSystemPolicies, u"DisableTaskMgr"));
  EXPECT_EQ(PrincipalPolicy(kKiosk, kSystemPolicies, u"DisableTaskMgr")->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  ASSERT_TRUE(PrincipalPolicy(kKiosk, kDesktopPolicies, u"ScreenSaveActive"));
  EXPECT_EQ(PrincipalPolicy(kKiosk, kDesktopPolicies, u"ScreenSaveActive")->data, StringValueBytes(u"1"));
  EXPECT_EQ(OwnPolicy(kSystemPolicies, u"DisableTaskMgr"), nullptr) << "not the administrator running the apply";
  EXPECT_EQ(GroupPolicy(kSystemPolicies, u"DisableTaskMgr"), nullptr) << "not every user of the machine";
  EXPECT_EQ(fake.groupPolicy.calls,
            (std::vector<std::string>{"create", "open S-1-5-21-1-2-3-1002", "key", "write DisableTaskMgr",
                                      "write ScreenSaveActive", "write DisableLockWorkstation",
                                      "write DisableChangePassword", "write NoLogoff", "write NoControlPanel",
                                      "write NoRun", "write DisableRegistryTools", "write DisableCMD",
                                      "write DontShowUI", "save", "release", "create", "open", "key", "machine key",
                                      "write HideFastUserSwitching", "save", "save machine", "release"}))
      << "each object is opened once and each section saved once";
  EXPECT_EQ(fake.windows.broadcasts, std::vector<Text>{u"Policy"});
  EXPECT_TRUE(fake.messages.shown.empty());
}

// A zip install has no event source: an elevated administrator's start registers
// lanthe.exe as its message file, and leaves one that is there (the MSI's) alone, but
// not one whose file is gone.
TEST(ApplySettings, AnElevatedStartRegistersAMissingEventSource) {
  constexpr char16_t kSource[] = u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Lanthe";
  const struct {
    bool elevated;
    const char16_t* registered;  // the message file there before, or none
    const char16_t* after;
  } cases[] = {
      {true, nullptr, u"C:\\Apps\\lanthe.exe"},
      {false, nullptr, nullptr},
      {true, u"C:\\Program Files\\Lanthe\\lanthe.exe", u"C:\\Program Files\\Lanthe\\lanthe.exe"},
      {true, u"C:\\Old\\lanthe.exe", u"C:\\Apps\\lanthe.exe"},
  };
  for (const auto& c : cases) {
    MainWindowRig rig;
    rig.fake.identity.elevated = c.elevated;
    rig.fake.files.files[u"C:\\Program Files\\Lanthe\\lanthe.exe"] = "MZ";
    if (c.registered) {
      rig.fake.registry.AddKey(RegistryRoot::LocalMachine, kSource).values[u"EventMessageFile"] =
          RegistryValue{RegistryType::kString, StringValueBytes(c.registered)};
    }
    rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    rig.main.ApplySettings();
    const RegistryValue* file = rig.fake.registry.Value(RegistryRoot::LocalMachine, kSource, u"EventMessageFile");
    EXPECT_EQ(file ? std::optional(file->data) : std::nullopt,
              c.after ? std::optional(StringValueBytes(c.after)) : std::nullopt)
        << c.elevated;
    if (c.after && !c.registered) {
      EXPECT_NE(rig.fake.registry.Value(RegistryRoot::LocalMachine, kSource, u"TypesSupported"), nullptr);
    }
  }
}

TEST_F(ApplySettingsTest, AutologonOffWritesOnlyItsSwitchAndKeepsTheOldAccount) {
  fake.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values[u"DefaultUsername"] =
      RegistryValue{RegistryType::kString, StringValueBytes(u"earlier")};
  main.ApplySettings();
  EXPECT_EQ(Winlogon(u"AutoAdminLogon"), u"0");
  EXPECT_EQ(Winlogon(u"DefaultUsername"), u"earlier");
  EXPECT_EQ(Winlogon(u"DefaultPassword"), std::nullopt);

  main.Settings.Autologon.EnableAutologon = true;
  main.ApplySettings();
  EXPECT_EQ(Winlogon(u"DefaultUsername"), u"earlier") << "no account has an empty name";
  EXPECT_EQ(Winlogon(u"AutoAdminLogon"), u"0");
  EXPECT_EQ(fake.accounts.lookups, std::vector<Text>{u""}) << "the name goes to the system as it is";
}

TEST_F(ApplySettingsTest, ThePasswordReplacesAnOldPlainTextValueWhenTheSystemKeepsIt) {
  fake.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values[u"DefaultPassword"] =
      RegistryValue{RegistryType::kString, StringValueBytes(u"old password")};
  fake.accounts.users.push_back({u"kiosk", 1});
  main.Settings.Autologon.EnableAutologon = true;
  main.Settings.Autologon.Username = u"kiosk";
  main.Settings.Autologon.Password = u"new \"one\"";
  main.ApplySettings();
  EXPECT_EQ(Winlogon(u"DefaultPassword"), std::nullopt) << "Winlogon would take the old one first";
  EXPECT_EQ(fake.secrets.secrets[u"DefaultPassword"], u"new \"one\"");
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(ApplySettingsTest, WithoutTheSecretStoreThePasswordIsPlainTextAndTheAdministratorIsToldOnce) {
  fake.secrets.status = LsaStatus::kObjectNameNotFound;  // as under Wine
  fake.accounts.users.push_back({u"kiosk", 1});
  main.Settings.Autologon.EnableAutologon = true;
  main.Settings.Autologon.Username = u"kiosk";
  main.Settings.Autologon.Password = u"pw";
  main.ApplySettings();
  main.ApplySettings();
  EXPECT_EQ(Winlogon(u"DefaultPassword"), u"pw");
  EXPECT_EQ(Winlogon(u"AutoAdminLogon"), u"1");
  ASSERT_EQ(fake.messages.shown.size(), 1u);
  EXPECT_NE(fake.messages.shown[0].find(u"stored in plain text"), Text::npos);

  main.Settings.Autologon.EnableAutologon = false;
  fake.secrets.status = LsaStatus::kSuccess;
  fake.secrets.secrets[u"DefaultPassword"] = u"pw";
  main.ApplySettings();
  EXPECT_EQ(Winlogon(u"AutoAdminLogon"), u"0");
  EXPECT_EQ(Winlogon(u"DefaultPassword"), std::nullopt) << "switching off leaves the password nowhere";
  EXPECT_TRUE(fake.secrets.secrets.empty());
}

TEST_F(ApplySettingsTest, TheCtrlAltDelScreenIsLockedForTheKioskUserAndOpenedAgainWithZeros) {
  constexpr char16_t kExplorerPolicies[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
  const auto dword = [](const RegistryValue* value) -> std::optional<std::uint32_t> {
    if (!value || value->type != RegistryType::kDword || value->data.size() != 4) return std::nullopt;
    return value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) | (value->data[3] << 24);
  };
  for (const bool lock : {true, false}) {
    main.Settings.LockSecureScreen = lock;
    main.ApplySettings();
    const std::uint32_t expected = lock ? 1 : 0;
    // No account named: the object of every non-administrator.
    for (const auto* value : {PrincipalPolicy(u"S-1-5-32-545", kSystemPolicies, u"DisableLockWorkstation"),
                              PrincipalPolicy(u"S-1-5-32-545", kSystemPolicies, u"DisableChangePassword"),
                              PrincipalPolicy(u"S-1-5-32-545", kExplorerPolicies, u"NoLogoff")}) {
      EXPECT_EQ(dword(value), expected) << lock;
    }
    EXPECT_EQ(OwnPolicy(kSystemPolicies, u"DisableLockWorkstation"), nullptr);
    EXPECT_EQ(GroupPolicy(kExplorerPolicies, u"NoLogoff"), nullptr);
    EXPECT_EQ(dword(fake.registry.Value(RegistryRoot::LocalMachine, kSystemPolicies, u"HideFastUserSwitching")), expected)
        << "switching users is the machine's";
    EXPECT_EQ(dword(fake.registry.Value(RegistryRoot::LocalMachine, u"GPO\\Machine\\" + Text(kSystemPolicies),
                                        u"HideFastUserSwitching")),
              expected);
    EXPECT_EQ(fake.registry.Value(RegistryRoot::CurrentUser, kSystemPolicies, u"HideFastUserSwitching"), nullptr);
  }
}

TEST_F(ApplySettingsTest, AProgramFolderOthersMayChangeIsToldOnceWithTheFixAndReportedEachTime) {
  // A folder in the root of C: inherits "Authenticated Users: Modify"; the account the
  // apply has just made may change the program.
  fake.fileSecurity.lists[u"C:\\Apps"] = {true, {{true, 0x1301BF, 0x13, u"S-1-5-11"}}};
  fake.fileSecurity.lists[u"C:\\Apps\\lanthe.exe"] = {true, {{true, 0x40000000, 0, u"S-1-5-21-7-1001"}}};
  fake.files.files[u"C:\\Apps\\lanthe.exe"] = "MZ";
  fake.accounts.sids[u"KIOSK"] = u"S-1-5-21-7-1001";
  main.Settings.Autologon.CreateUser = true;
  main.Settings.Autologon.Username = u"kiosk";
  main.Settings.Autologon.Password = u"pw";
  main.ApplySettings();
  main.ApplySettings();
  ASSERT_EQ(fake.messages.shown.size(), 1u);
  const Text& told = fake.messages.shown[0];
  for (const char16_t* part :
       {u"\r\nC:\\Apps: Authenticated Users\r\nC:\\Apps\\lanthe.exe: the kiosk account \"kiosk\"\r\n",
        u"\r\nicacls \"C:\\Apps\" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F "
        u"*S-1-5-32-545:(OI)(CI)RX\r\nicacls \"C:\\Apps\\*\" /reset /T"}) {
    EXPECT_NE(told.find(part), Text::npos) << TextToUtf8(told);
  }
  EXPECT_EQ(std::count(fake.events.ids.begin(), fake.events.ids.end(), EventId::kProgramFolderWritable), 2);

}

TEST_F(ApplySettingsTest, AValueThatCannotBeWrittenEndsTheCallAfterItsStep) {
  fake.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).failWrites = true;
  EXPECT_THROW(main.ApplySettings(), Error);
  EXPECT_TRUE(fake.groupPolicy.calls.empty()) << "the policy step never ran";

  MainWindowRig other;
  other.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  other.fake.registry.AddKey(RegistryRoot::LocalMachine, u"GPO\\Users\\S-1-5-32-545\\" + Text(kSystemPolicies))
      .failWrites = true;
  EXPECT_THROW(other.main.ApplySettings(), Error);
  const auto& calls = other.fake.groupPolicy.calls;
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "open"), 1);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "write ScreenSaveActive"), calls.end())
      << "the other policies are still written";
  EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
            (std::vector<std::string>{"save", "save machine", "release"}))
      << "and every object saved and released";
  EXPECT_EQ(other.fake.windows.broadcasts, std::vector<Text>{u"Policy"}) << "what did change is announced";
  EXPECT_TRUE(other.fake.registry.Value(RegistryRoot::LocalMachine,
                                        u"GPO\\Users\\S-1-5-32-545\\" + Text(kDesktopPolicies), u"ScreenSaveActive"));
}

// Debug mode and a limited user's run leave the machine as it is; Debug mode still copies.
TEST(ApplySettings, DebugModeAndALimitedUserChangeNothing) {
  const struct {
    const char* what;
    bool debug, groupPolicy;
  } cases[] = {{"Debug mode", true, true},
               {"a limited user", false, true},
               {"a limited user without the group policy component", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MainWindowRig rig;
    testing::FakePlatform& fake = rig.fake;
    if (!c.debug) {
      fake.identity.administrator = false;
      fake.registry.DenyAccess(RegistryRoot::LocalMachine, kWinlogonKey);
    }
    if (!c.debug && c.groupPolicy) fake.groupPolicy.opens = false;
    fake.groupPolicy.available = c.groupPolicy;
    fake.files.files[kUserIni] = "ini";
    rig.main.FormCreate(c.debug ? u"C:\\Apps\\lanthe.exe Debug" : u"C:\\Apps\\lanthe.exe");
    rig.main.Settings.Autologon = {true, u"kiosk", u"", true};
    rig.main.Settings.XenApp.CopyXenAppSettings = true;
    rig.main.Settings.LockSecureScreen = true;
    EXPECT_NO_THROW(rig.main.ApplySettings());
    EXPECT_EQ(fake.files.files.count(kSharedIni) ? fake.files.files[kSharedIni] : "", c.debug ? "ini" : "");
    EXPECT_EQ(fake.files.files.count(u"C:\\Apps\\XenAppSettings.cfg"), 0u);
    EXPECT_EQ(fake.registry.writes, 0) << "no Winlogon or policy value";
    EXPECT_TRUE(fake.groupPolicy.calls.empty()) << "no policy object is asked for";
    EXPECT_TRUE(fake.accounts.lookups.empty()) << "no account step";
    EXPECT_TRUE(fake.accounts.added.empty());
    EXPECT_TRUE(fake.secrets.secrets.empty());
    EXPECT_TRUE(fake.fileSecurity.reads.empty()) << "the program folder is not looked at";
    if (!c.debug) EXPECT_TRUE(fake.messages.shown.empty()) << "a limited user's log-on shows nothing";
    EXPECT_TRUE(fake.events.ids.empty()) << "and nothing is reported";
  }
}

// A failing step is told on screen, and the steps after it still run.
TEST(ApplySettings, AFailingStepIsToldAndTheRestStillRuns) {
  const struct {
    const char* what;
    std::function<void(MainWindowRig&)> spoil;
    std::vector<Text> told;  // parts of the one message
    bool released;           // the policy objects were still written
    std::size_t afterTwo;    // messages after a second apply
  } cases[] = {
      {"a refused account",
       [](MainWindowRig& r) {
         r.fake.accounts.addStatus = NetStatus::kPasswordTooShort;
         r.main.Settings.Autologon.CreateUser = true;
         r.main.Settings.Autologon.Username = u"kiosk";
         r.main.Settings.Autologon.Password = u"x";
       },
       {u"\"kiosk\" could not be created"}, true, 2},
      {"a failed copy",
       [](MainWindowRig& r) {
         r.fake.files.files[kUserIni] = "ini";
         r.fake.files.failWrites = true;
       },
       {u"File copy " + Text(kUserIni) + u" to " + kSharedIni + u" failed!"}, true, 2},
      {"no group policy component", [](MainWindowRig& r) { r.fake.groupPolicy.available = false; },
       {u"policies could not be written", u"0x80040154"}, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MainWindowRig rig;
    rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    c.spoil(rig);
    rig.main.ApplySettings();
    ASSERT_EQ(rig.fake.messages.shown.size(), 1u);
    for (const Text& part : c.told) {
      EXPECT_NE(rig.fake.messages.shown[0].find(part), Text::npos) << TextToUtf8(rig.fake.messages.shown[0]);
    }
    const RegistryValue* shell = rig.fake.registry.Value(RegistryRoot::LocalMachine, kWinlogonKey, u"shell");
    EXPECT_TRUE(shell && shell->data == StringValueBytes(u"Explorer.exe")) << "the steps before the policies ran";
    if (c.released) EXPECT_EQ(rig.fake.groupPolicy.calls.back(), "release");
    rig.main.ApplySettings();
    EXPECT_EQ(rig.fake.messages.shown.size(), c.afterTwo) << "told again at the next apply, or once";
  }
}

TEST_F(ApplySettingsTest, AStartWithoutTheComponentGoesOnToTheSession) {
  MainWindowRig limited;
  limited.fake.identity.administrator = false;
  limited.fake.groupPolicy.available = false;
  limited.fake.files.files[u"C:\\Apps\\settings.xml"] =
      "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType></Settings>";
  limited.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  limited.main.ApplicationStart();
  EXPECT_EQ(limited.fake.processes.runs.size(), 1u) << "the client starts";
}

TEST_F(ApplySettingsTest, AutomaticLogOnIsWrittenOnlyForAnAccountThatIsThere) {
  const struct {
    const char* row;
    bool createUser, exists;
    std::uint32_t lookup, add, logOn;  // what the system answers
    bool written, tried;
    const char16_t* told;  // part of the one message, or nullptr for none
  } rows[] = {
      {"found", false, true, 0, 0, 0, true, true, nullptr},
      {"missing", false, false, NetStatus::kUserNotFound, 0, 0, false, false,
       u"Automatic log-on was left as it was: there is no local account \"kiosk\" on this computer."},
      {"cannot be told", false, false, NetStatus::kAccessDenied, 0, 0, true, false, nullptr},
      {"made now", true, false, NetStatus::kUserNotFound, 0, 0, true, false, nullptr},
      {"refused", true, false, NetStatus::kUserNotFound, NetStatus::kPasswordTooShort, 0, false, false,
       u"(length, complexity or history) (error 2245). Automatic log-on was left as it was."},
      {"there already", true, true, 0, 0, 0, true, true, nullptr},
      {"there, says the addition", true, false, NetStatus::kAccessDenied, NetStatus::kUserExists, 0, true, true,
       nullptr},
      {"wrong password", true, true, 0, 0, LogonStatus::kLogonFailure, true, true,
       u"Automatic log-on will fail: Windows does not log the account \"kiosk\" on with the stored password: the "
       u"password is wrong (error 1326)."},
      {"disabled", false, true, 0, 0, LogonStatus::kAccountDisabled, true, true,
       u"the account is disabled (error 1331)"},
  };
  for (const auto& r : rows) {
    MainWindowRig rig;
    auto& winlogon = rig.fake.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values;
    winlogon[u"AutoAdminLogon"] = RegistryValue{RegistryType::kString, StringValueBytes(u"0")};
    winlogon[u"AutoLogonCount"] = RegistryValue{RegistryType::kDword, {3, 0, 0, 0}};
    if (r.exists) rig.fake.accounts.users.push_back({u"Kiosk", 1});
    if (r.lookup != 0 && r.lookup != NetStatus::kUserNotFound) rig.fake.accounts.lookupFailure = r.lookup;
    rig.fake.accounts.addStatus = r.add;
    rig.fake.accounts.logOnStatus = r.logOn;
    rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    rig.main.Settings.Autologon = {r.createUser, u"kiosk", u"pw", true};
    rig.main.ApplySettings();

    const auto value = [&](TextView name) {
      return rig.fake.registry.Value(RegistryRoot::LocalMachine, kWinlogonKey, name);
    };
    EXPECT_EQ(value(u"AutoAdminLogon")->data, StringValueBytes(r.written ? u"1" : u"0")) << r.row;
    EXPECT_EQ(value(u"DefaultUsername") != nullptr, r.written) << r.row;
    EXPECT_EQ(value(u"AutoLogonCount") == nullptr, r.written) << r.row << ": a count would end the log-on";
    EXPECT_EQ(rig.fake.accounts.logOns.size(), r.tried ? 1u : 0u) << r.row;
    ASSERT_EQ(rig.fake.messages.shown.size(), r.told ? 1u : 0u) << r.row;
    if (r.told) {
      EXPECT_NE(rig.fake.messages.shown[0].find(r.told), Text::npos) << TextToUtf8(rig.fake.messages.shown[0]);
    }
  }
}

TEST_F(ApplySettingsTest, APasswordIsTriedOncePerRunAndAnEmptyOneOnlyWarnedOfOnce) {
  fake.accounts.users.push_back({u"kiosk", 1});
  fake.accounts.logOnStatus = LogonStatus::kLogonFailure;
  main.Settings.Autologon = {false, u"kiosk", u"wrong", true};
  main.ApplySettings();
  main.ApplySettings();
  EXPECT_EQ(fake.accounts.logOns.size(), 1u) << "a failed try counts against the lockout policy";
  main.Settings.Autologon.Password.clear();
  main.ApplySettings();
  main.ApplySettings();
  EXPECT_EQ(fake.accounts.logOns.size(), 1u) << "an empty password is not tried";
  ASSERT_EQ(fake.messages.shown.size(), 2u) << "the wrong password, then once the empty one";
  EXPECT_NE(fake.messages.shown[1].find(u"has an empty password. Windows may turn automatic log-on off"), Text::npos);
  EXPECT_EQ(Winlogon(u"AutoAdminLogon"), u"1") << "written all the same";
}

}  // namespace
}  // namespace lanthe
