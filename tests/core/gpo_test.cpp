#include "platform/gpo.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

constexpr char16_t kSystem[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

std::uint32_t Dword(const RegistryValue* value) {
  if (!value || value->type != RegistryType::kDword || value->data.size() != 4) return 0xDEADBEEF;
  return value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) | (value->data[3] << 24);
}

class GpoTest : public ::testing::Test {
 protected:
  const RegistryValue* Own(TextView key, TextView name) { return registry.Value(RegistryRoot::CurrentUser, key, name); }
  const RegistryValue* Policy(TextView key, TextView name) {
    return registry.Value(RegistryRoot::LocalMachine, u"GPO\\User\\" + Text(key), name);
  }

  testing::FakeRegistry registry;
  testing::FakeWindowList windows;
  testing::FakeGroupPolicy groupPolicy{registry};
};

TEST_F(GpoTest, EachValueLandsInBothPlacesAndMissingKeysAreMade) {
  TGPO gpo(groupPolicy, registry, windows);
  gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
  gpo.SetPolicyString(u"Policies\\Microsoft\\Windows\\Control Panel\\Desktop", u"ScreenSaveActive", u"1");
  EXPECT_EQ(Dword(Own(kSystem, u"DisableTaskMgr")), 1u);
  EXPECT_EQ(Dword(Policy(kSystem, u"DisableTaskMgr")), 1u);
  const RegistryValue* screenSaver = Own(u"Policies\\Microsoft\\Windows\\Control Panel\\Desktop", u"ScreenSaveActive");
  ASSERT_TRUE(screenSaver);
  EXPECT_EQ(screenSaver->type, RegistryType::kString);
  EXPECT_EQ(screenSaver->data, StringValueBytes(u"1"));
  EXPECT_TRUE(Policy(u"Policies\\Microsoft\\Windows\\Control Panel\\Desktop", u"ScreenSaveActive"));
}

TEST_F(GpoTest, FalseIsWrittenAsZeroNeverDeleted) {
  TGPO gpo(groupPolicy, registry, windows);
  gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
  gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", false);
  EXPECT_EQ(Dword(Own(kSystem, u"DisableTaskMgr")), 0u);
  EXPECT_EQ(Dword(Policy(kSystem, u"DisableTaskMgr")), 0u);
}

TEST_F(GpoTest, WithoutTheRightsNothingIsWrittenAnywhereButSaveStillRuns) {
  groupPolicy.opens = false;
  {
    TGPO gpo(groupPolicy, registry, windows);
    gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
    gpo.SetPolicyString(kSystem, u"Other", u"1");
    gpo.SavePolicy();
  }
  EXPECT_EQ(registry.writes, 0);
  EXPECT_FALSE(registry.HasKey(RegistryRoot::CurrentUser, kSystem)) << "not even the user's own key";
  EXPECT_EQ(groupPolicy.calls, (std::vector<std::string>{"create", "open", "save", "release"}));
  EXPECT_TRUE(windows.broadcasts.empty()) << "nothing changed: no window is kept waiting";

  groupPolicy.opens = true;
  groupPolicy.givesKey = false;
  TGPO second(groupPolicy, registry, windows);
  second.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
  EXPECT_EQ(registry.writes, 0) << "no user section: nothing anywhere";
}

TEST_F(GpoTest, AKeyThatCannotBeMadeSkipsOnlyItsHalf) {
  registry.DenyAccess(RegistryRoot::CurrentUser, kSystem);
  TGPO gpo(groupPolicy, registry, windows);
  gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
  EXPECT_EQ(Dword(Policy(kSystem, u"DisableTaskMgr")), 1u);
}

TEST_F(GpoTest, TheObjectIsOpenedOnceForAllWritesAndSavedOnce) {
  {
    TGPO gpo(groupPolicy, registry, windows);
    gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
    gpo.SetPolicyString(u"Policies\\Microsoft\\Windows\\Control Panel\\Desktop", u"ScreenSaveActive", u"1");
    gpo.SavePolicy();
  }
  EXPECT_EQ(groupPolicy.calls, (std::vector<std::string>{"create", "open", "key", "write DisableTaskMgr",
                                                        "write ScreenSaveActive", "save", "release"}));
}

TEST_F(GpoTest, AValueThatCannotBeWrittenStopsNothingAndIsRaisedAfterTheSave) {
  registry.AddKey(RegistryRoot::CurrentUser, kSystem).failWrites = true;
  {
    TGPO gpo(groupPolicy, registry, windows);
    gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
    gpo.SetPolicyString(u"Policies\\Microsoft\\Windows\\Control Panel\\Desktop", u"ScreenSaveActive", u"1");
    try {
      gpo.SavePolicy();
      FAIL() << "the failed write is raised";
    } catch (const Error& error) {
      EXPECT_EQ(error.message(), u"Failed to set data for 'DisableTaskMgr'");
    }
  }
  EXPECT_EQ(groupPolicy.calls, (std::vector<std::string>{"create", "open", "key", "write DisableTaskMgr",
                                                        "write ScreenSaveActive", "save", "release"}));
  EXPECT_EQ(Dword(Policy(kSystem, u"DisableTaskMgr")), 1u) << "the object's half was written";
  EXPECT_EQ(windows.broadcasts, std::vector<Text>{u"Policy"});
}

TEST_F(GpoTest, AMachinePolicyLandsInTheMachinesRegistryAndSection) {
  {
    TGPO gpo(groupPolicy, registry, windows);
    gpo.SetMachinePolicyBool(kSystem, u"HideFastUserSwitching", true);
    gpo.SetMachinePolicyBool(kSystem, u"Other", false);
    gpo.SavePolicy();
  }
  EXPECT_EQ(Dword(registry.Value(RegistryRoot::LocalMachine, kSystem, u"HideFastUserSwitching")), 1u);
  EXPECT_EQ(Dword(registry.Value(RegistryRoot::LocalMachine, u"GPO\\Machine\\" + Text(kSystem), u"Other")), 0u);
  EXPECT_EQ(Own(kSystem, u"HideFastUserSwitching"), nullptr) << "not the user's";
  EXPECT_EQ(groupPolicy.calls, (std::vector<std::string>{"create", "open", "key", "machine key",
                                                        "write HideFastUserSwitching", "write Other", "save",
                                                        "save machine", "release"}));
}

TEST_F(GpoTest, AMissingGroupPolicyComponentRaisesWithTheSystemsCode) {
  groupPolicy.available = false;
  try {
    TGPO gpo(groupPolicy, registry, windows);
    FAIL() << "no object, no TGPO";
  } catch (const GroupPolicyUnavailable& error) {
    EXPECT_EQ(error.code(), 0x80040154u);
    EXPECT_NE(error.message().find(u"0x80040154"), Text::npos);
  }
}

TEST_F(GpoTest, AValueIsRemovedWhereItIsAndOnlyARemovalOrWriteIsAnnounced) {
  constexpr char16_t kOld[] = u"Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
  const struct {
    bool own;
    bool section;
    bool write;
    std::vector<std::string> calls;
  } cases[] = {
      {true, true, false, {"create", "open", "key", "delete ScreenSaveActive", "save", "release"}},
      {true, false, false, {"create", "open", "key", "save", "release"}},
      {false, true, false, {"create", "open", "key", "delete ScreenSaveActive", "save", "release"}},
      {false, false, false, {"create", "open", "key", "save", "release"}},
      {false, false, true, {"create", "open", "key", "write DisableTaskMgr", "save", "release"}},
  };
  for (const auto& c : cases) {
    testing::FakeRegistry machine;
    testing::FakeWindowList listeners;
    testing::FakeGroupPolicy object{machine};
    const RegistryValue one{RegistryType::kString, StringValueBytes(u"1")};
    if (c.own) machine.AddKey(RegistryRoot::CurrentUser, kOld).values[u"ScreenSaveActive"] = one;
    const Text section = u"GPO\\User\\" + Text(kOld);
    if (c.section) machine.AddKey(RegistryRoot::LocalMachine, section).values[u"ScreenSaveActive"] = one;
    {
      TGPO gpo(object, machine, listeners);
      gpo.RemovePolicy(kOld, u"ScreenSaveActive");
      if (c.write) gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
      gpo.SavePolicy();
    }
    EXPECT_EQ(object.calls, c.calls);
    EXPECT_EQ(machine.Value(RegistryRoot::CurrentUser, kOld, u"ScreenSaveActive"), nullptr);
    EXPECT_EQ(machine.Value(RegistryRoot::LocalMachine, section, u"ScreenSaveActive"), nullptr);
    EXPECT_EQ(machine.HasKey(RegistryRoot::LocalMachine, section), c.section) << "no key is made";
    EXPECT_EQ(machine.HasKey(RegistryRoot::CurrentUser, kOld), c.own);
    EXPECT_EQ(listeners.broadcasts.size(), c.own || c.section || c.write ? 1u : 0u) << c.own << c.section << c.write;
  }
}

}  // namespace
}  // namespace lanthe
