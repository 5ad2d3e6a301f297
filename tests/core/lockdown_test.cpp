// The kiosk's lockdown: which policy values go to which object for each setting and
// each account, what earlier versions wrote going again, and the accessibility hotkeys.

#include <gtest/gtest.h>

#include "fakes.h"
#include "config/settings_file.h"
#include "config/xml.h"
#include "lockdown/accessibility.h"
#include "lockdown/policies.h"
#include "lockdown/startup_task.h"
#include "lockdown/workstation.h"

namespace lanthe {
namespace {

constexpr char16_t kSystem[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr char16_t kExplorer[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

// Each step as "done <step>" or "told <step>", and the texts.
struct RecordingReport final : ILockdownReport {
  void Done(TextView step, TextView what) override {
    steps.push_back("done " + TextToUtf8(step));
    texts.push_back(TextToUtf8(what));
  }
  void Tell(TextView step, LockdownNotice, TextView text) override {
    steps.push_back("told " + TextToUtf8(step));
    texts.push_back(TextToUtf8(text));
  }
  std::vector<std::string> steps;
  std::vector<std::string> texts;
};

std::optional<std::uint32_t> Dword(const RegistryValue* value) {
  if (!value || value->type != RegistryType::kDword || value->data.size() != 4) return std::nullopt;
  return value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) | (value->data[3] << 24);
}

TEST(Lockdown, TheKioskUsersPoliciesGoToItsOwnObjectOrToEveryNonAdministratorsNeverToEverybody) {
  const Text kiosk = u"S-1-5-21-1-2-3-1002";  // the fake's third account
  const struct {
    const char* what;
    bool accountExists;
    std::set<Text> withoutObject;
    KioskPolicyObject object;
    Text section;
    long objects;  // made, and released
  } cases[] = {
      {"a local account", true, {}, KioskPolicyObject::kAccount, kiosk, 2},
      {"no such account", false, {}, KioskPolicyObject::kNonAdministrators, u"S-1-5-32-545", 2},
      {"an account without an object", true, {kiosk}, KioskPolicyObject::kNonAdministrators, u"S-1-5-32-545", 3},
      {"no object opens", true, {kiosk, u"S-1-5-32-545"}, KioskPolicyObject::kNone, u"", 3},
  };
  for (const auto& c : cases) {
    testing::FakePlatform machine;
    if (c.accountExists) machine.accounts.users.push_back({u"kiosk", 1});
    machine.groupPolicy.principalsWithoutObject = c.withoutObject;
    // What an earlier version left where every user, administrators included, got it.
    machine.registry.AddKey(RegistryRoot::LocalMachine, u"GPO\\User\\" + Text(kSystem)).values[u"DisableTaskMgr"] =
        RegistryValue{RegistryType::kDword, {1, 0, 0, 0}};
    machine.registry.AddKey(RegistryRoot::CurrentUser, kExplorer).values[u"NoLogoff"] =
        RegistryValue{RegistryType::kDword, {1, 0, 0, 0}};
    TSettings settings;
    settings.Autologon.Username = u"kiosk";
    settings.DisableTaskManager = true;
    settings.LockSecureScreen = true;
    const PoliciesApplied applied = ApplyPolicies(machine.groupPolicy, machine.registry, machine.accounts, settings);
    EXPECT_EQ(applied.kioskObject, c.object) << c.what;
    EXPECT_TRUE(applied.changed) << c.what;
    EXPECT_FALSE(applied.failure) << c.what;
    const auto policy = [&](TextView key, TextView name) {
      return Dword(machine.registry.Value(RegistryRoot::LocalMachine, u"GPO\\Users\\" + c.section + u"\\" + Text(key), name));
    };
    if (!c.section.empty()) {
      EXPECT_EQ(policy(kSystem, u"DisableTaskMgr"), 1u) << c.what;
      EXPECT_EQ(policy(kExplorer, u"NoLogoff"), 1u) << c.what;
    }
    EXPECT_EQ(machine.registry.Value(RegistryRoot::LocalMachine, u"GPO\\User\\" + Text(kSystem), u"DisableTaskMgr"),
              nullptr)
        << c.what << ": gone from the machine's user half";
    EXPECT_EQ(machine.registry.Value(RegistryRoot::CurrentUser, kExplorer, u"NoLogoff"), nullptr)
        << c.what << ": gone from the administrator's own registry";
    EXPECT_EQ(Dword(machine.registry.Value(RegistryRoot::LocalMachine, kSystem, u"HideFastUserSwitching")), 1u)
        << c.what << ": the machine policy as before";
    EXPECT_EQ(Dword(machine.registry.Value(RegistryRoot::LocalMachine, u"GPO\\Machine\\" + Text(kSystem),
                                           u"HideFastUserSwitching")),
              1u);
    const auto& calls = machine.groupPolicy.calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "create"), c.objects) << c.what;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "release"), c.objects) << c.what << ": each one released";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "save"), c.object == KioskPolicyObject::kNone ? 1 : 2)
        << c.what << ": each object that took its values saved once";
  }
}

TEST(Lockdown, TheRestrictionsAreWrittenOnAndOffAsTheSettingSays) {
  for (const bool restrict : {true, false}) {
    TSettings settings;
    settings.RestrictKioskUser = restrict;
    std::vector<std::pair<std::string, PolicyData>> values;
    for (const auto& value : KioskUserPolicies(settings)) {
      values.emplace_back(TextToUtf8(value.key + u"\\" + value.name), value.data);
    }
    const std::uint32_t on = restrict ? 1 : 0;
    const std::vector<std::pair<std::string, PolicyData>> expected = {
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableTaskMgr", 0u},
        {"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop\\ScreenSaveActive", Text(u"1")},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableLockWorkstation", 0u},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableChangePassword", 0u},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoLogoff", 0u},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoControlPanel", on},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoRun", on},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableRegistryTools", on},
        {"Software\\Policies\\Microsoft\\Windows\\System\\DisableCMD", restrict ? 2u : 0u},
        {"Software\\Policies\\Microsoft\\Windows\\Windows Error Reporting\\DontShowUI", on},
    };
    EXPECT_EQ(values, expected) << restrict;
  }
}

TEST(Lockdown, AnUninstallSwitchesOffTheKiosksAutologonAndRemovesLanthesPoliciesAndTaskWhateverFails) {
  constexpr char16_t kWinlogon[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  const Text kioskObject = u"GPO\\Users\\S-1-5-21-1-2-3-1002\\" + Text(kSystem);  // the fake's third account
  const std::vector<std::string> allDone = {"done autologon", "done policies", "done policies", "done task",
                                            "done account"};
  const struct {
    const char* what;
    Text loggedOn;               // "DefaultUsername"
    bool groupPolicy;            // the system has the object
    std::uint32_t secretRemoval;  // the secret store's answer
    std::uint32_t schtasks;      // the exit code of schtasks /delete
    bool autologonOff;
    bool held;
    std::vector<std::string> steps;
  } cases[] = {
      {"the settings' account", u"KIOSK", true, LsaStatus::kSuccess, 0, true, true, allDone},
      {"another account's log-on, no task", u"admin", true, LsaStatus::kSuccess, 1, false, true, allDone},
      {"no policy object, a secret Windows keeps", u"kiosk", false, LsaStatus::kAccessDenied, 0, true, false,
       {"told autologon", "told policies", "done task", "done account"}},
  };
  for (const auto& c : cases) {
    testing::FakePlatform machine;
    machine.accounts.users.push_back({u"kiosk", 1});
    auto& winlogon = machine.registry.AddKey(RegistryRoot::LocalMachine, kWinlogon).values;
    winlogon[u"DefaultUsername"] = RegistryValue{RegistryType::kString, StringValueBytes(c.loggedOn)};
    winlogon[u"AutoAdminLogon"] = RegistryValue{RegistryType::kString, StringValueBytes(u"1")};
    winlogon[u"DefaultPassword"] = RegistryValue{RegistryType::kString, StringValueBytes(u"S3cret")};
    machine.secrets.secrets[u"DefaultPassword"] = u"S3cret";
    machine.secrets.deleteStatus = c.secretRemoval;
    const std::pair<Text, Text> policies[] = {{kioskObject, u"DisableTaskMgr"},
                                              {kSystem, u"HideFastUserSwitching"},
                                              {u"GPO\\Machine\\" + Text(kSystem), u"HideFastUserSwitching"},
                                              {u"GPO\\User\\" + Text(kExplorer), u"NoLogoff"}};
    for (const auto& [key, name] : policies) {
      machine.registry.AddKey(RegistryRoot::LocalMachine, key).values[name] = {RegistryType::kDword, {1, 0, 0, 0}};
    }
    machine.groupPolicy.available = c.groupPolicy;
    machine.processes.commandLineExitCodes = {c.schtasks};
    TSettings settings;
    settings.Autologon.Username = u"kiosk";
    settings.ProgramDir = u"C:\\Program Files\\Lanthe\\";
    RecordingReport report;
    Platform platform = machine.platform();
    EXPECT_EQ(WorkstationLockdown(platform, report).RemoveAll(settings), c.held) << c.what;

    EXPECT_EQ(report.steps, c.steps) << c.what;
    const auto winlogonText = [&](TextView name) {
      const auto* value = machine.registry.Value(RegistryRoot::LocalMachine, kWinlogon, name);
      return value ? StringValueText(*value) : std::nullopt;
    };
    EXPECT_EQ(winlogonText(u"AutoAdminLogon"), Text(c.autologonOff ? u"0" : u"1")) << c.what;
    EXPECT_EQ(winlogonText(u"DefaultPassword").has_value(), !c.autologonOff) << c.what;
    EXPECT_EQ(machine.secrets.secrets.count(u"DefaultPassword"),
              c.autologonOff && c.secretRemoval == LsaStatus::kSuccess ? 0u : 1u)
        << c.what;
    for (const auto& [key, name] : policies) {
      EXPECT_EQ(machine.registry.Value(RegistryRoot::LocalMachine, key, name) == nullptr, c.groupPolicy)
          << c.what << ": " << TextToUtf8(key + u"\\" + name);
    }
    ASSERT_EQ(machine.processes.commandLineStarts.size(), 1u) << c.what;
    EXPECT_EQ(machine.processes.commandLineStarts[0].commandLine,
              u"\"C:\\Windows\\system32\\schtasks.exe\" /delete /tn \"Lanthe apply\" /f");
    EXPECT_NE(report.texts.back().find("\"kiosk\" and its files stay"), std::string::npos) << c.what;
  }
}

TEST(Lockdown, TheStartupTaskRunsApplyAsSystemAtEveryBootFromItsDefinitionFile) {
  testing::FakePlatform machine;
  machine.processes.commandLineExitCodes = {0, 1};
  RecordingReport report;
  Platform platform = machine.platform();
  WorkstationLockdown lockdown(platform, report);
  const Text program = u"C:\\R&D &lt;1&gt;\\lanthe-config.exe";  // a reference-like name, kept as it is
  const Text file = u"C:\\Windows\\Temp\\lan1.tmp";
  lockdown.RegisterStartupTask(program, file);
  lockdown.RegisterStartupTask(program, file);
  EXPECT_EQ(report.steps, (std::vector<std::string>{"done task", "told task"})) << "schtasks' exit code 1 is told";
  ASSERT_EQ(machine.processes.commandLineStarts.size(), 2u);
  EXPECT_EQ(machine.processes.commandLineStarts[0].commandLine,
            u"\"C:\\Windows\\system32\\schtasks.exe\" /create /tn \"Lanthe apply\" /xml \"" + file + u"\" /f");

  const std::string bytes = machine.files.files[file];
  ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE") << "UTF-16 with its byte-order mark, as declared";
  const auto document = ParseXml(DecodeTextFile(bytes, machine.codePage));
  ASSERT_TRUE(document && document->root);
  EXPECT_EQ(document->root->name, u"Task");
  const auto at = [&](std::initializer_list<TextView> path) -> std::optional<Text> {
    const XmlElement* element = &*document->root;
    for (const TextView name : path) {
      element = FindXmlChild(element->children, name);
      if (!element) return std::nullopt;
    }
    return element->Value();
  };
  EXPECT_TRUE(at({u"Triggers", u"BootTrigger"}));
  EXPECT_EQ(at({u"Principals", u"Principal", u"UserId"}), Text(u"S-1-5-18"));
  EXPECT_EQ(at({u"Principals", u"Principal", u"RunLevel"}), Text(u"HighestAvailable"));
  EXPECT_EQ(at({u"Actions", u"Exec", u"Command"}), program);
  EXPECT_EQ(at({u"Actions", u"Exec", u"Arguments"}), Text(u"apply"));
}

TEST(Lockdown, OnlyTheHotkeyBitsOfTheAccessibilityFeaturesAreCleared) {
  testing::FakeRegistry registry;
  testing::FakeDesktop desktop;
  const auto flags = [&](AccessibilityFeature feature) -> std::optional<Text> {
    const auto key = registry.OpenKey(RegistryRoot::CurrentUser, AccessibilityKey(feature));
    return key ? ReadStringValue(*key, u"Flags") : std::nullopt;
  };
  const auto set = [&](AccessibilityFeature feature, TextView value) {
    registry.AddKey(RegistryRoot::CurrentUser, AccessibilityKey(feature)).values[u"Flags"] =
        RegistryValue{RegistryType::kString, StringValueBytes(value)};
  };
  set(AccessibilityFeature::kStickyKeys, u"510");     // Windows' default: hotkey on
  set(AccessibilityFeature::kFilterKeys, u"127");     // switched on by a person, hotkey on
  set(AccessibilityFeature::kToggleKeys, u"58");      // hotkey off already
  set(AccessibilityFeature::kHighContrast, u"weird");  // not a number: left to Windows
  const auto switched = SwitchOffAccessibilityHotkeys(registry, desktop);
  EXPECT_EQ(switched, (std::vector<AccessibilityFeature>{AccessibilityFeature::kStickyKeys,
                                                         AccessibilityFeature::kFilterKeys}));
  EXPECT_EQ(flags(AccessibilityFeature::kStickyKeys), Text(u"506"));
  EXPECT_EQ(flags(AccessibilityFeature::kFilterKeys), Text(u"123")) << "on stays on";
  EXPECT_EQ(flags(AccessibilityFeature::kToggleKeys), Text(u"58"));
  EXPECT_EQ(flags(AccessibilityFeature::kHighContrast), Text(u"weird"));
  EXPECT_FALSE(flags(AccessibilityFeature::kMouseKeys)) << "no key is made";
  EXPECT_EQ(desktop.calls, std::vector<std::string>{"hotkeys off 2"}) << "Windows is told once";

  desktop.calls.clear();
  SwitchOffAccessibilityHotkeys(registry, desktop);
  EXPECT_TRUE(desktop.calls.empty()) << "nothing to tell a second time";
}

}  // namespace
}  // namespace lanthe
