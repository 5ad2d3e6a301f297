#include "platform/gpo.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

constexpr char16_t kSystem[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr char16_t kDesktop[] = u"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";

std::uint32_t Dword(const RegistryValue* value) {
  if (!value || value->type != RegistryType::kDword || value->data.size() != 4) return 0xDEADBEEF;
  return value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) | (value->data[3] << 24);
}

class GpoTest : public ::testing::Test {
 protected:
  const RegistryValue* Own(TextView key, TextView name) { return registry.Value(RegistryRoot::CurrentUser, key, name); }
  const RegistryValue* Policy(TextView key, TextView name, TextView section = u"GPO\\User\\") {
    return registry.Value(RegistryRoot::LocalMachine, Text(section) + Text(key), name);
  }

  testing::FakeRegistry registry;
  testing::FakeGroupPolicy groupPolicy{registry};
};

TEST_F(GpoTest, UserPoliciesLandInTheObjectAloneAndFalseIsWrittenAsZero) {
  TGPO gpo(groupPolicy, registry);
  gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
  gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", false);
  gpo.SetPolicyDword(u"Software\\Policies\\Microsoft\\Windows\\System", u"DisableCMD", 2);
  gpo.SetPolicyString(kDesktop, u"ScreenSaveActive", u"1");
  EXPECT_EQ(Dword(Policy(kSystem, u"DisableTaskMgr")), 0u) << "written as 0, never deleted";
  EXPECT_EQ(Dword(Policy(u"Software\\Policies\\Microsoft\\Windows\\System", u"DisableCMD")), 2u);
  const RegistryValue* screenSaver = Policy(kDesktop, u"ScreenSaveActive");
  ASSERT_TRUE(screenSaver);
  EXPECT_EQ(screenSaver->type, RegistryType::kString);
  EXPECT_EQ(screenSaver->data, StringValueBytes(u"1"));
  EXPECT_EQ(gpo.ReadPolicy(kDesktop, u"ScreenSaveActive"), PolicyData(Text(u"1")));
  EXPECT_EQ(gpo.ReadPolicy(kSystem, u"DisableTaskMgr"), PolicyData(0u));
  EXPECT_EQ(gpo.ReadPolicy(kSystem, u"Missing"), std::nullopt);
  EXPECT_FALSE(registry.HasKey(RegistryRoot::CurrentUser, kSystem)) << "the running user's registry is not touched";
}

TEST_F(GpoTest, APrincipalsObjectHasAUserSectionOfItsOwn) {
  {
    TGPO gpo(groupPolicy, registry, Text(u"S-1-5-21-9"));
    gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
    EXPECT_TRUE(gpo.SavePolicy());
  }
  EXPECT_EQ(Dword(Policy(kSystem, u"DisableTaskMgr", u"GPO\\Users\\S-1-5-21-9\\")), 1u);
  EXPECT_EQ(Policy(kSystem, u"DisableTaskMgr"), nullptr) << "not the machine's, which reaches every user";
  EXPECT_EQ(groupPolicy.calls,
            (std::vector<std::string>{"create", "open S-1-5-21-9", "key", "write DisableTaskMgr", "save", "release"}));
}

TEST_F(GpoTest, WithoutTheRightsNothingIsWrittenButSaveStillRuns) {
  groupPolicy.opens = false;
  {
    TGPO gpo(groupPolicy, registry);
    gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
    gpo.SetMachinePolicyBool(kSystem, u"HideFastUserSwitching", true);
    EXPECT_FALSE(gpo.SavePolicy()) << "nothing changed: no window is kept waiting";
  }
  EXPECT_EQ(registry.writes, 0);
  EXPECT_EQ(groupPolicy.calls, (std::vector<std::string>{"create", "open", "save", "release"}));

  groupPolicy.opens = true;
  groupPolicy.givesKey = false;
  TGPO second(groupPolicy, registry);
  second.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
  EXPECT_EQ(registry.writes, 0) << "no user section: nothing anywhere";
}

TEST_F(GpoTest, TheObjectIsOpenedOnceForAllWritesAndSavedOnce) {
  {
    TGPO gpo(groupPolicy, registry);
    gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
    gpo.SetPolicyString(kDesktop, u"ScreenSaveActive", u"1");
    gpo.SavePolicy();
  }
  EXPECT_EQ(groupPolicy.calls, (std::vector<std::string>{"create", "open", "key", "write DisableTaskMgr",
                                                        "write ScreenSaveActive", "save", "release"}));
}

TEST_F(GpoTest, AValueThatCannotBeWrittenStopsNothingAndIsNamedAfterTheSave) {
  registry.AddKey(RegistryRoot::LocalMachine, u"GPO\\User\\" + Text(kSystem)).failWrites = true;
  {
    TGPO gpo(groupPolicy, registry);
    gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
    gpo.SetPolicyString(kDesktop, u"ScreenSaveActive", u"1");
    EXPECT_TRUE(gpo.SavePolicy()) << "the screen saver's value changed";
    EXPECT_EQ(gpo.Failure(), Text(u"Failed to set data for 'DisableTaskMgr'"));
  }
  EXPECT_EQ(groupPolicy.calls, (std::vector<std::string>{"create", "open", "key", "write DisableTaskMgr",
                                                        "write ScreenSaveActive", "save", "release"}));
  EXPECT_TRUE(Policy(kDesktop, u"ScreenSaveActive")) << "the writes after it went ahead";
}

TEST_F(GpoTest, AMachinePolicyLandsInTheMachinesRegistryAndSection) {
  registry.DenyAccess(RegistryRoot::LocalMachine, u"Software\\Other");
  {
    TGPO gpo(groupPolicy, registry);
    gpo.SetMachinePolicyBool(kSystem, u"HideFastUserSwitching", true);
    gpo.SetMachinePolicyBool(u"Software\\Other", u"Other", false);
    gpo.SavePolicy();
  }
  EXPECT_EQ(Dword(registry.Value(RegistryRoot::LocalMachine, kSystem, u"HideFastUserSwitching")), 1u);
  EXPECT_EQ(Dword(registry.Value(RegistryRoot::LocalMachine, u"GPO\\Machine\\Software\\Other", u"Other")), 0u)
      << "a key that cannot be made skips only its half";
  EXPECT_EQ(Own(kSystem, u"HideFastUserSwitching"), nullptr) << "not the user's";
  EXPECT_EQ(groupPolicy.calls, (std::vector<std::string>{"create", "open", "key", "machine key",
                                                        "write HideFastUserSwitching", "write Other", "save",
                                                        "save machine", "release"}));
}

TEST_F(GpoTest, AMissingGroupPolicyComponentRaisesWithTheSystemsCode) {
  groupPolicy.available = false;
  try {
    TGPO gpo(groupPolicy, registry);
    FAIL() << "no object, no TGPO";
  } catch (const GroupPolicyUnavailable& error) {
    EXPECT_EQ(error.code(), 0x80040154u);
    EXPECT_NE(error.message().find(u"0x80040154"), Text::npos);
  }
}

TEST_F(GpoTest, AValueIsRemovedWhereItIsAndOnlyARemovalOrWriteIsAChange) {
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
    testing::FakeGroupPolicy object{machine};
    const RegistryValue one{RegistryType::kString, StringValueBytes(u"1")};
    if (c.own) machine.AddKey(RegistryRoot::CurrentUser, kOld).values[u"ScreenSaveActive"] = one;
    const Text section = u"GPO\\User\\" + Text(kOld);
    if (c.section) machine.AddKey(RegistryRoot::LocalMachine, section).values[u"ScreenSaveActive"] = one;
    bool changed = false;
    {
      TGPO gpo(object, machine);
      gpo.RemovePolicy(kOld, u"ScreenSaveActive");
      if (c.write) gpo.SetPolicyBool(kSystem, u"DisableTaskMgr", true);
      changed = gpo.SavePolicy();
    }
    EXPECT_EQ(object.calls, c.calls);
    EXPECT_EQ(machine.Value(RegistryRoot::CurrentUser, kOld, u"ScreenSaveActive"), nullptr);
    EXPECT_EQ(machine.Value(RegistryRoot::LocalMachine, section, u"ScreenSaveActive"), nullptr);
    EXPECT_EQ(machine.HasKey(RegistryRoot::LocalMachine, section), c.section) << "no key is made";
    EXPECT_EQ(machine.HasKey(RegistryRoot::CurrentUser, kOld), c.own);
    EXPECT_EQ(changed, c.own || c.section || c.write) << c.own << c.section << c.write;
  }
}

}  // namespace
}  // namespace lanthe
