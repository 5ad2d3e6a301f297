// The kiosk's lockdown: which policy values go to which object for each setting and
// each account, what earlier versions wrote going again, and the accessibility hotkeys.

#include <gtest/gtest.h>

#include "fakes.h"
#include "lockdown/accessibility.h"
#include "lockdown/policies.h"

namespace lanthe {
namespace {

constexpr char16_t kSystem[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr char16_t kExplorer[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

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
