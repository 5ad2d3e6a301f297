// An administrator's settings reaching the machine, through the real program under
// Wine: the Winlogon values and the policies.

#include <gtest/gtest.h>

#include "harness.h"

namespace lanthe::e2e {
namespace {

const std::wstring kWinlogon = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const std::wstring kSystem = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const std::wstring kDesktop = L"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
const std::wstring kMisplacedDesktop = L"Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
const std::wstring kStandIn = L"Software\\Lanthe Test Group Policy";
const std::wstring kSecrets = L"Software\\Lanthe Test LSA";

void SetString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  ::RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  ::GetComputerNameW(name, &size);
  return name;
}

class LockdownE2E : public ::testing::Test {
 protected:
  LockdownE2E() {
    DeleteRegistryTree(HKEY_CURRENT_USER, kSystem);
    DeleteRegistryTree(HKEY_CURRENT_USER, L"Policies\\Microsoft\\Windows");
    DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\Policies\\Microsoft\\Windows");
    DeleteRegistryTree(HKEY_CURRENT_USER, kStandIn);
    DeleteRegistryTree(HKEY_CURRENT_USER, kSecrets);
  }
};

TEST_F(LockdownE2E, AnAdministratorsStartWritesAutologonAndTheKioskUsersPolicies) {
  // Left by an answer file: Windows would count it down and switch the log-on off.
  const DWORD count = 1;
  ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kWinlogon.c_str(), L"AutoLogonCount", REG_DWORD, &count, sizeof count);
  // Left by earlier versions, where Windows never reads it.
  SetString(HKEY_CURRENT_USER, kMisplacedDesktop, L"ScreenSaveActive", L"1");
  SetString(HKEY_CURRENT_USER, kStandIn + L"\\User\\" + kMisplacedDesktop, L"ScreenSaveActive", L"1");
  LantheRun run({.settingsFile = std::string(
                     "<Settings><DisableTaskManager>True</DisableTaskManager><Autologon><CreateUser>True</CreateUser>"
                     "<EnableAutologon>True</EnableAutologon><Username>kiosk</Username><Password>p&amp;ss</Password>"
                     "</Autologon></Settings>")});
  ASSERT_TRUE(run.WaitForWindow(L"Lanthe"));
  EXPECT_FALSE(run.WaitForMessageBox(300)) << "nothing to tell";
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUsername"), L"kiosk");
  EXPECT_EQ(_wcsicmp(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultDomainName").value_or(L"").c_str(),
                     ComputerName().c_str()),
            0);
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), std::nullopt)
      << "no password readable in the registry";
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kSecrets, L"DefaultPassword"), L"p&ss") << "kept as the secret";
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon"), L"1");
  EXPECT_EQ(RegistryDword(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoLogonCount"), std::nullopt);
  // The kiosk account's own object (Wine may know no such account: then the one of
  // every non-administrator), not the administrator's registry nor everybody's half.
  const std::wstring kiosk = KioskPolicyObjectKey();
  ASSERT_FALSE(kiosk.empty());
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kiosk + L"\\" + kSystem, L"DisableTaskMgr"), 1u);
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kiosk + L"\\" + kDesktop, L"ScreenSaveActive"), L"1");
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kiosk, L"Saves"), 1u);
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kSystem, L"DisableTaskMgr"), std::nullopt);
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kDesktop, L"ScreenSaveActive"), std::nullopt);
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn + L"\\User\\" + kSystem, L"DisableTaskMgr"), std::nullopt);
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kMisplacedDesktop, L"ScreenSaveActive"), std::nullopt);
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kStandIn + L"\\User\\" + kMisplacedDesktop, L"ScreenSaveActive"),
            std::nullopt);
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn, L"Saves"), 1u) << "the machine's object, cleaned";
}

TEST_F(LockdownE2E, AMissingAccountGetsNoAutologonAndSwitchingOffLeavesNoPassword) {
  SetString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon", L"0");
  SetString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUsername", L"earlier");
  {
    LantheRun run({.settingsFile = std::string("<Settings><Autologon><EnableAutologon>True</EnableAutologon>"
                                               "<Username>nobody-e2e</Username><Password>pw</Password></Autologon>"
                                               "</Settings>")});
    const auto box = run.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find(L"there is no local account \"nobody-e2e\""), std::wstring::npos) << box->text;
    Answer(*box, IDOK);
    ASSERT_TRUE(run.WaitForWindow(L"Lanthe"));
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUsername"), L"earlier");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon"), L"0");
  }
  SetString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon", L"1");
  SetString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword", L"left in plain text");
  SetString(HKEY_CURRENT_USER, kSecrets, L"DefaultPassword", L"secret");
  LantheRun run({.settingsFile = std::string("<Settings/>")});
  ASSERT_TRUE(run.WaitForWindow(L"Lanthe"));
  EXPECT_FALSE(run.WaitForMessageBox(300));
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon"), L"0");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), std::nullopt);
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kSecrets, L"DefaultPassword"), std::nullopt) << "the secret is gone";
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUsername"), L"earlier");
}

TEST_F(LockdownE2E, WhereTheSecretCannotBeStoredThePasswordIsPlainTextAndAnAdministratorIsToldOnce) {
  LantheRun run({.settingsFile = std::string("<Settings><Autologon><CreateUser>True</CreateUser>"
                                             "<EnableAutologon>True</EnableAutologon><Username>kiosk</Username>"
                                             "<Password>pw \"2\"</Password></Autologon></Settings>"),
                 .lsaStandIn = false});
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_NE(box->text.find(L"stored in plain text"), std::wstring::npos) << box->text;
  Answer(*box, IDOK);
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), L"pw \"2\"");
  HWND window = run.WaitForWindow(L"Lanthe");
  ASSERT_TRUE(window);
  Click(FindControl(window, L"Button", L"Lanthe"));  // applies the settings again
  EXPECT_FALSE(run.WaitForMessageBox(1500)) << "only once";
}

TEST_F(LockdownE2E, AnAccountWithAnyPasswordIsCreatedWithoutAWord) {
  LantheRun run({.settingsFile = std::string("<Settings><Autologon><CreateUser>True</CreateUser>"
                                             "<Username>kiosk-e2e</Username><Password>\"*/x\\ ^&amp;%!</Password>"
                                             "</Autologon></Settings>")});
  ASSERT_TRUE(run.WaitForWindow(L"Lanthe"));
  EXPECT_FALSE(run.WaitForMessageBox(500)) << "no refusal, and no command window";
}

TEST_F(LockdownE2E, ALimitedUsersStartWritesNoPolicy) {
  LantheRun run({.administrator = false,
                 .settingsFile = std::string("<Settings><DisableTaskManager>True</DisableTaskManager></Settings>")});
  ASSERT_TRUE(run.WaitForWindow(L"Lanthe"));
  EXPECT_FALSE(run.WaitForMessageBox(300));
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kSystem, L"DisableTaskMgr"), std::nullopt);
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn, L"Saves"), std::nullopt) << "no object is even opened";
  EXPECT_EQ(KioskPolicyObjectKey(), L"");
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
