// Settings set by policy: what the loader takes from the registry, and that the
// settings file never takes a policy's value.

#include "config/policy_overrides.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "main_window_rig.h"

namespace lanthe {
namespace {

RegistryValue Dword(std::uint32_t value) {
  return RegistryValue{RegistryType::kDword,
                       {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}
RegistryValue String(TextView text, std::uint32_t type = RegistryType::kString) {
  return RegistryValue{type, StringValueBytes(text)};
}

class PolicyOverridesTest : public ::testing::Test {
 protected:
  PolicyOverridesTest() { SetDefaultSettings(settings, folders, u"C:\\Apps\\lanthe.exe", u""); }
  std::map<Text, RegistryValue>& Key(TextView subkey = u"") {
    const Text path = subkey.empty() ? Text(kPolicyKey) : Text(kPolicyKey) + u"\\" + Text(subkey);
    return registry.AddKey(RegistryRoot::LocalMachine, path).values;
  }
  void Apply() { policies.Apply(registry, folders, settings); }

  testing::FakeRegistry registry;
  testing::FakeFolders folders;
  TSettings settings;
  PolicyOverrides policies;
};

TEST_F(PolicyOverridesTest, EachKindFromItsValueTypeTopLevelAndInGroups) {
  Key()[u"ConnectionType"] = Dword(0);
  Key()[u"ShowRestart"] = Dword(2);
  Key()[u"ShowLogoff"] = Dword(0);
  Key()[u"WaitForNetwork"] = Dword(0xFFFFFFFF);
  Key(u"RDP")[u"Connection"] = String(u"ts-policy");
  Key(u"RDP")[u"FullScreen"] = Dword(0);
  Key(u"Citrix")[u"ClientPath"] = String(u"%ProgramFiles%\\Citrix", RegistryType::kExpandString);
  Key(u"Autologon")[u"Username"] = String(u"kiosk2");
  Apply();
  EXPECT_EQ(settings.ConnectionType, 0);
  EXPECT_TRUE(settings.ShowRestart) << "any value but 0 is true";
  EXPECT_FALSE(settings.ShowLogoff);
  EXPECT_EQ(settings.WaitForNetwork, -1) << "a double word is a 32-bit integer";
  EXPECT_EQ(settings.RDP.Connection, u"ts-policy");
  EXPECT_FALSE(settings.RDP.FullScreen);
  EXPECT_EQ(settings.Citrix.ClientPath, u"C:\\Program Files\\Citrix") << "REG_EXPAND_SZ is expanded";
  EXPECT_EQ(settings.Autologon.Username, u"kiosk2");
  std::vector<std::string> names;
  for (const SettingsField* field : policies.Fields()) names.emplace_back(field->recordName);
  EXPECT_EQ(names, (std::vector<std::string>{"ShowLogoff", "ShowRestart", "ConnectionType", "Citrix.ClientPath",
                                             "RDP.Connection", "RDP.FullScreen", "Autologon.Username",
                                             "WaitForNetwork"}))
      << "in the settings file's order";
  EXPECT_TRUE(policies.Overridden("RDP.Connection"));
  EXPECT_FALSE(policies.Overridden("RDP.Port"));
}

TEST_F(PolicyOverridesTest, ValuesOfAnotherTypeAndThePasswordAreLeftAlone) {
  const TSettings before = settings;
  Key()[u"ConnectionType"] = String(u"0");
  Key()[u"ShowRestart"] = String(u"True");
  Key()[u"CitrixLogOff"] = RegistryValue{RegistryType::kBinary, {2, 0, 0, 0}};
  Key()[u"AutologonExe"] = Dword(1);
  Key()[u"RDP"] = Dword(1);  // a value named like a group is no group
  Key(u"RDP")[u"Port"] = RegistryValue{RegistryType::kDword, {1, 2}};
  Key(u"Autologon")[u"Password"] = String(u"readable by everybody");
  Apply();
  EXPECT_EQ(settings, before);
  EXPECT_TRUE(policies.empty());
  for (const SettingsField* field : PolicyFields()) EXPECT_NE(field->recordName, "Autologon.Password");
}

TEST_F(PolicyOverridesTest, OnlyTheMachinesPoliciesCountAndALimitedUserReadsThem) {
  registry.AddKey(RegistryRoot::CurrentUser, kPolicyKey).values[u"ConnectionType"] = Dword(0);
  Apply();
  EXPECT_TRUE(policies.empty()) << "nothing from the current user's Policies key";

  Key()[u"ConnectionType"] = Dword(2);
  registry.DenyAccess(RegistryRoot::LocalMachine, kPolicyKey);  // not for writing
  Apply();
  EXPECT_EQ(settings.ConnectionType, 2);

  registry.DenyReading(RegistryRoot::LocalMachine, kPolicyKey);
  PolicyOverrides unreadable;
  unreadable.Apply(registry, folders, settings);
  EXPECT_TRUE(unreadable.empty());
}

TEST_F(PolicyOverridesTest, TheFileKeepsItsOwnValuesAndTheRecordGetsThePolicyBack) {
  settings.RDP.Connection = u"file-host";
  Key(u"RDP")[u"Connection"] = String(u"policy-host");
  Apply();
  TSettings changed = settings;
  changed.RDP.Port = 3390;            // an ordinary change
  changed.RDP.Connection = u"other";  // a dialog cannot change it, but suppose
  const TSettings file = policies.FileSettings(changed);
  EXPECT_EQ(file.RDP.Connection, u"file-host");
  EXPECT_EQ(file.RDP.Port, 3390);
  policies.Reapply(changed);
  EXPECT_EQ(changed.RDP.Connection, u"policy-host");
  EXPECT_EQ(PolicyValuePath(*FindSettingsField("RDP.Connection")), u"Software\\Policies\\Lanthe\\RDP\\Connection");
  EXPECT_EQ(PolicyValuePath(*FindSettingsField("CurrentShell")), u"Software\\Policies\\Lanthe\\CurrentShell");
}

TEST(PolicyOverridesInTheProgram, EveryPartSeesThePolicyAndTheFileKeepsItsBytes) {
  MainWindowRig rig;
  const std::string file =
      "<Settings><ConnectionType>0</ConnectionType><RDP><Connection>file-host</Connection></RDP></Settings>";
  rig.fake.files.files[u"C:\\Apps\\settings.xml"] = file;
  rig.fake.registry.AddKey(RegistryRoot::LocalMachine, Text(kPolicyKey) + u"\\RDP").values[u"Connection"] =
      String(u"policy-host");
  rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  rig.main.ApplicationStart();
  EXPECT_EQ(rig.main.Settings.RDP.Connection, u"policy-host");
  rig.main.btnTestConnectionClick();
  ASSERT_EQ(rig.fake.processes.runs.size(), 1u);
  EXPECT_NE(rig.fake.processes.runs[0].parameters.find(u"/V:policy-host:3389"), Text::npos);

  rig.main.Settings.RDP.Port = 3390;
  rig.main.SaveSettings();
  const std::string& saved = rig.fake.files.files[u"C:\\Apps\\settings.xml"];
  EXPECT_NE(saved.find("<Connection>file-host</Connection>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<Port>3390</Port>"), std::string::npos);
  EXPECT_EQ(saved.find("policy-host"), std::string::npos);
}

TEST(PolicyOverridesInTheProgram, ADamagedOrMissingFileStillGetsThePolicy) {
  for (const char* file : {"<Settings><A></B></Settings>", ""}) {
    MainWindowRig rig;
    if (*file) rig.fake.files.files[u"C:\\Apps\\settings.xml"] = file;
    rig.fake.identity.administrator = false;
    rig.fake.registry.AddKey(RegistryRoot::LocalMachine, kPolicyKey).values[u"ConnectionType"] = Dword(0);
    rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    rig.main.ApplicationStart();
    EXPECT_EQ(rig.main.Settings.ConnectionType, 0) << file;
    EXPECT_TRUE(rig.main.Policies().Overridden("ConnectionType"));
  }
}

TEST(PolicyOverridesInTheProgram, TheWizardOfAMissingFileAlreadySeesThePolicy) {
  MainWindowRig rig;
  rig.fake.registry.AddKey(RegistryRoot::LocalMachine, kPolicyKey).values[u"ConnectionType"] = Dword(2);
  rig.fake.messages.answers = {true};
  int seen = -1;
  rig.wizardWindow.answers.push_back([&] {
    seen = rig.frmSetupWizard.WizardSettings.ConnectionType;
    return 2;
  });
  rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  rig.main.ApplicationStart();
  EXPECT_EQ(seen, 2);
}

TEST(PolicyOverridesInTheProgram, TheDialogAndTheWizardGreyTheControlsOfOverriddenSettings) {
  MainWindowRig rig;
  auto& policy = rig.fake.registry.AddKey(RegistryRoot::LocalMachine, kPolicyKey).values;
  policy[u"ConnectionType"] = Dword(0);
  policy[u"ShowRestart"] = Dword(1);
  policy[u"BackgroundColor"] = Dword(255);
  rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  rig.main.ApplicationStart();
  const TdlgSettings& dialog = rig.dlgSettings;
  EXPECT_TRUE(dialog.AnySetByPolicy());
  EXPECT_TRUE(dialog.SetByPolicy("rgConnectionType"));
  EXPECT_TRUE(dialog.SetByPolicy("cblShutdownDialog")) << "one of the list's settings is enough";
  EXPECT_FALSE(dialog.SetByPolicy("chkReconnect"));
  EXPECT_FALSE(dialog.SetByPolicy("no such control"));
  rig.dlgSettings.Controls.chkUseBackgroundColor = true;
  EXPECT_FALSE(dialog.BackgroundColorEnabled()) << "the colour is the policy's";
  EXPECT_TRUE(rig.frmSetupWizard.SetByPolicy("rgConnectionType"));
  EXPECT_FALSE(rig.frmSetupWizard.SetByPolicy("rgShellSelect"));

  MainWindowRig none;
  none.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  none.main.ApplicationStart();
  EXPECT_FALSE(none.dlgSettings.AnySetByPolicy());
  EXPECT_FALSE(none.frmSetupWizard.SetByPolicy("rgConnectionType"));
}

TEST(PolicyOverridesInTheProgram, WhatTheDialogHandsBackCannotUndoAPolicy) {
  MainWindowRig rig;
  rig.fake.registry.AddKey(RegistryRoot::LocalMachine, kPolicyKey).values[u"ConnectionType"] = Dword(0);
  rig.fake.files.files[u"C:\\Apps\\settings.xml"] = "<Settings><ConnectionType>2</ConnectionType></Settings>";
  rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  rig.main.ApplicationStart();
  rig.settingsWindow.answers.push_back([&] {
    rig.dlgSettings.DialogSettings.ConnectionType = 1;
    rig.dlgSettings.DialogSettings.RDP.Port = 3391;
    return 1;
  });
  rig.main.btnSettingsClick();
  EXPECT_EQ(rig.main.Settings.ConnectionType, 0);
  EXPECT_EQ(rig.main.Settings.RDP.Port, 3391);
  const std::string& saved = rig.fake.files.files[u"C:\\Apps\\settings.xml"];
  EXPECT_NE(saved.find("<ConnectionType>2</ConnectionType>"), std::string::npos) << "the file's own value";
  EXPECT_NE(saved.find("<Port>3391</Port>"), std::string::npos);
}

}  // namespace
}  // namespace lanthe
