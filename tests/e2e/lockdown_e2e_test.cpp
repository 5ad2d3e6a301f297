// An administrator's settings reaching the machine, through the real program under
// Wine: the Winlogon values and the policies.

#include <gtest/gtest.h>

#include "harness.h"

namespace lanthe::e2e {
namespace {

const std::wstring kWinlogon = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const std::wstring kSystem = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const std::wstring kDesktop = L"Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
const std::wstring kStandIn = L"Software\\Lanthe Test Group Policy";

class LockdownE2E : public ::testing::Test {
 protected:
  LockdownE2E() {
    DeleteRegistryTree(HKEY_CURRENT_USER, kSystem);
    DeleteRegistryTree(HKEY_CURRENT_USER, L"Policies\\Microsoft\\Windows");
    DeleteRegistryTree(HKEY_CURRENT_USER, kStandIn);
  }
};

TEST_F(LockdownE2E, AnAdministratorsStartWritesAutologonAndBothHalvesOfThePolicies) {
  LantheRun run({.settingsFile = std::string(
                     "<Settings><DisableTaskManager>True</DisableTaskManager><Autologon>"
                     "<EnableAutologon>True</EnableAutologon><Username>kiosk</Username><Password>p&amp;ss</Password>"
                     "</Autologon></Settings>")});
  ASSERT_TRUE(run.WaitForWindow(L"Lanthe"));
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUsername"), L"kiosk");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), L"p&ss");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon"), L"1");
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kSystem, L"DisableTaskMgr"), 1u);
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kDesktop, L"ScreenSaveActive"), L"1");
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn + L"\\User\\" + kSystem, L"DisableTaskMgr"), 1u);
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kStandIn + L"\\User\\" + kDesktop, L"ScreenSaveActive"), L"1");
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn, L"Saves"), 1u);
}

TEST_F(LockdownE2E, ALimitedUsersStartWritesNoPolicy) {
  LantheRun run({.administrator = false,
                 .settingsFile = std::string("<Settings><DisableTaskManager>True</DisableTaskManager></Settings>")});
  ASSERT_TRUE(run.WaitForWindow(L"Lanthe"));
  EXPECT_FALSE(run.WaitForMessageBox(300));
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kSystem, L"DisableTaskMgr"), std::nullopt);
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn, L"Saves"), 1u) << "saved all the same";
}

TEST_F(LockdownE2E, WithoutTheGroupPolicyObjectAnAdministratorIsToldOnce) {
  LantheRun run({.groupPolicyStandIn = false});
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_NE(box->text.find(L"policies could not be written"), std::wstring::npos) << box->text;
  EXPECT_EQ(box->caption, L"Korvex NG");
  Answer(*box, IDOK);
  HWND window = run.WaitForWindow(L"Lanthe");
  ASSERT_TRUE(window);
  Click(FindControl(window, L"Button", L"Lanthe"));  // applies the settings again
  EXPECT_FALSE(run.WaitForMessageBox(1500)) << "only once";
}

TEST_F(LockdownE2E, WithoutTheGroupPolicyObjectALimitedUsersSessionStillStarts) {
  RunOptions options;
  options.administrator = false;
  options.groupPolicyStandIn = false;
  options.clientExitAfterMs = 200;
  options.settingsFile =
      "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType>"
      "<RDP><ClientPath>$CLIENTS</ClientPath><Connection>ts01</Connection></RDP>"
      "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
      "<CitrixLogOff>2</CitrixLogOff></Settings>";
  LantheRun run(options);
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

}  // namespace
}  // namespace lanthe::e2e
