// The setup wizard under Wine, walked as an administrator walks it: from the first
// start without a settings file, from the main window's "Setup Wizard" button, to
// Finish or to Cancel, with the fake clients standing in for the remote clients.

#include <gtest/gtest.h>


#include "harness.h"
#include "wizard_driver.h"

#include <commctrl.h>

namespace lanthe::e2e {
namespace {

const std::wstring kWizard = L"Setup Wizard";
const std::wstring kWinlogon = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// Clicks a visible, enabled button of the wizard, failing the test without one.
#define CLICK(wizard, caption) ASSERT_TRUE(ClickButton(wizard, caption)) << "no button " << #caption

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

TEST(WizardE2E, FirstStartAnsweredYesWalksRemoteDesktopToFinish) {
  SetWinlogonShell(L"Explorer.exe");
  LantheRun run({.settingsFile = std::nullopt});
  const auto question = run.WaitForMessageBox();
  ASSERT_TRUE(question);
  EXPECT_EQ(question->text, L"No configuration file found. Would you like to start the Setup wizard?");
  Answer(*question, IDYES);

  HWND wizard = run.WaitForWindow(kWizard);
  ASSERT_TRUE(wizard);
  ASSERT_TRUE(OnPage(wizard, L"Welcome"));
  EXPECT_FALSE(::IsWindowEnabled(VisibleButton(wizard, L"< Back")));
  EXPECT_FALSE(VisibleButton(wizard, L"Finish")) << "Finish only on the last page";
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Select Connection Type"));
  CLICK(wizard, L"Remote Desktop Protocol");
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Check requirements"));
  const auto lists = VisibleControls(wizard, L"SysListView32");
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(ListViewItems(lists[0], 1),
            (std::vector<std::wstring>{L"Remote Desktop Connection (mstsc.exe)", L"Sysinternals Autologon.exe"}));
  EXPECT_EQ(ListViewItems(lists[0], 0)[1], L"Not found") << "no autologon.exe in the program folder";
  CLICK(wizard, L"Next >");

  // Autologon.exe is missing, so the download page shows, with only its own link.
  ASSERT_TRUE(OnPage(wizard, L"Download software"));
  EXPECT_FALSE(VisibleButton(wizard, L"Run Citrix Client Setup")) << "Remote Desktop needs no Citrix client";
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Configure RDP Client"));
  HWND next = VisibleButton(wizard, L"Next >");
  EXPECT_FALSE(::IsWindowEnabled(next)) << "no remote computer yet";
  auto edits = VisibleControls(wizard, L"Edit");
  ASSERT_EQ(edits.size(), 2u) << "the remote computer and its port";
  Type(edits[0], L"ts01");
  Type(edits[1], L"3390");
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(next) != FALSE; })) << "a name enables Next";
  CLICK(wizard, L"Fullscreen");  // on by default: now off
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Configure Korvex User"));
  // Automatic log-on is written only for an account that is there: the wizard makes it.
  const std::wstring createUser = L"Create User";
  const auto createButtons = VisibleControls(wizard, L"Button", &createUser);
  ASSERT_EQ(createButtons.size(), 2u) << "the group box and, inside it, the check box";
  Click(createButtons.back());
  edits = VisibleControls(wizard, L"Edit");
  ASSERT_EQ(edits.size(), 2u) << "user name and password";
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(edits[0]) != FALSE; }));
  Type(edits[0], L"kiosk");
  Type(edits[1], L"s3cret");
  // A new set-up restricts the kiosk account unless told otherwise (the file then says so).
  HWND restrict = FindControl(wizard, L"Button", L"Restrict the kiosk account (Control Panel, Run, command prompt, "
                                                 L"registry editor, error dialogs, accessibility hotkeys)");
  EXPECT_EQ(::SendMessageW(restrict, BM_GETCHECK, 0, 0), BST_CHECKED);
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Configure Autologon"));
  CLICK(wizard, L"Enable Autologon");
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Configure Shell"));
  CLICK(wizard, L"Korvex-NG");
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Completed"));
  EXPECT_FALSE(VisibleButton(wizard, L"Next >"));
  CLICK(wizard, L"Finish");
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(wizard); }));

  // Saved, then applied: the settings file, the shell and the autologon values.
  std::wstring saved;
  EXPECT_TRUE(WaitUntil([&] {
    saved = run.ReadFileText(L"settings.xml");
    return Contains(saved, L"<CurrentShell>1</CurrentShell>");
  })) << std::string(saved.begin(), saved.end());
  EXPECT_TRUE(Contains(saved, L"<ConnectionType>0</ConnectionType>"));
  EXPECT_TRUE(Contains(saved, L"<Connection>ts01</Connection>"));
  EXPECT_TRUE(Contains(saved, L"<Port>3390</Port>"));
  EXPECT_TRUE(Contains(saved, L"<FullScreen>0</FullScreen>"));
  EXPECT_TRUE(Contains(saved, L"<EnableAutologon>True</EnableAutologon>"));
  EXPECT_TRUE(Contains(saved, L"<CreateUser>True</CreateUser>"));
  EXPECT_TRUE(Contains(saved, L"<Username>kiosk</Username>"));
  EXPECT_TRUE(Contains(saved, L"<Password>s3cret</Password>"));
  EXPECT_TRUE(Contains(saved, L"<RestrictKioskUser>True</RestrictKioskUser>"));
  EXPECT_TRUE(WaitUntil([&] { return WinlogonShell() == L"\"" + run.Program() + L"\""; }));
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUsername"), L"kiosk");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), std::nullopt)
      << "kept as the system's secret (the test build's stand-in)";
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, L"Software\\Lanthe Test LSA", L"DefaultPassword"), L"s3cret");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon"), L"1");
  EXPECT_TRUE(run.WaitForWindow(L"Lanthe")) << "the main window follows";
  SetWinlogonShell(L"Explorer.exe");
}

TEST(WizardE2E, CustomIcaConnectionMadeInProgramNeighborhoodIsTestedAndStored) {
  LantheRun run({.settingsFile = std::string(
                     "<Settings><ConnectionType>0</ConnectionType><Citrix><ClientPath>$CLIENTS</ClientPath>"
                     "</Citrix></Settings>"),
                 .clientExitAfterMs = 300,
                 .appsrvIni = std::string("[ApplicationServers]\r\nOffice=\r\n\r\n[Office]\r\nAddress=office\r\n"),
                 .pnAddsConnection = L"Desktop"});
  HWND main = run.WaitForWindow(L"Lanthe");
  ASSERT_TRUE(main);
  Click(FindControl(main, L"Button", L"Setup Wizard"));
  HWND wizard = run.WaitForWindow(kWizard);
  ASSERT_TRUE(wizard);
  ASSERT_TRUE(OnPage(wizard, L"Welcome"));
  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Select Connection Type"));
  CLICK(wizard, L"Custom ICA Connection");
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Check requirements"));
  const auto lists = VisibleControls(wizard, L"SysListView32");
  ASSERT_EQ(lists.size(), 1u);
  const auto statuses = ListViewItems(lists[0], 0);
  ASSERT_EQ(statuses.size(), 5u);
  EXPECT_EQ(statuses[1], L"Found") << "the client folder";
  EXPECT_EQ(statuses[2], L"Found") << "pn.exe";
  EXPECT_EQ(statuses[3], L"Found") << "appsrv.ini";
  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Download software")) << "the Citrix setup file is missing";
  CLICK(wizard, L"Next >");

  ASSERT_TRUE(OnPage(wizard, L"Configure Citrix Client"));
  const auto combos = VisibleControls(wizard, L"ComboBox");
  ASSERT_EQ(combos.size(), 1u);
  HWND connections = combos[0];
  EXPECT_EQ(ComboCount(connections), 1);
  EXPECT_EQ(ControlText(connections), L"Office") << "the first connection is chosen";

  // The connection made in Program Neighborhood shows once it has closed.
  CLICK(wizard, L"Start Citrix Program Neighborhood");
  ASSERT_TRUE(WaitUntil([&] { return ComboCount(connections) == 2; }));
  Choose(connections, 1);
  EXPECT_TRUE(WaitUntil([&] { return ControlText(connections) == L"Desktop"; }));

  CLICK(wizard, L"Test Connection");
  ASSERT_TRUE(WaitUntil([&] { return run.ClientCommandLines().size() == 2; }));
  const auto lines = run.ClientCommandLines();
  EXPECT_EQ(lines[0], L"\"" + run.ClientsFolder() + L"\\pn.exe\" ") << "the blank before no parameters";
  EXPECT_EQ(lines[1], L"\"" + run.ClientsFolder() + L"\\pn.exe\" /APP \"Desktop\"");

  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Configure Korvex User")) << "the XenApp and RDP pages are passed over";
  CLICK(wizard, L"< Back");
  ASSERT_TRUE(OnPage(wizard, L"Configure Citrix Client")) << "and passed over going back";
  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Configure Korvex User"));
  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Configure Autologon"));
  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Configure Shell"));
  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Completed"));
  CLICK(wizard, L"Finish");
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(wizard); }));

  std::wstring saved;
  EXPECT_TRUE(WaitUntil([&] {
    saved = run.ReadFileText(L"settings.xml");
    return Contains(saved, L"<ConnectionType>1</ConnectionType>");
  })) << std::string(saved.begin(), saved.end());
  EXPECT_TRUE(Contains(saved, L"<Connection>Desktop</Connection>"));
  EXPECT_TRUE(::IsWindowVisible(FindControl(main, L"Button", L"Program Neighboorhood"))) << "applied at once";
}

TEST(WizardE2E, StoreFrontStoreAndResourceAreTestedWithTheWorkspaceApp) {
  LantheRun run({.settingsFile = std::string("<Settings><Citrix><ClientPath>$CLIENTS</ClientPath></Citrix></Settings>"),
                 .clientExitAfterMs = 300});
  // The fake client stands in for the Workspace app's two programs.
  for (const wchar_t* program : {L"\\SelfServicePlugin\\SelfService.exe", L"\\AuthManager\\storebrowse.exe"}) {
    const std::wstring path = run.ClientsFolder() + program;
    ::CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW((run.ClientsFolder() + L"\\mstsc.exe").c_str(), path.c_str(), FALSE));
  }
  HWND main = run.WaitForWindow(L"Lanthe");
  ASSERT_TRUE(main);
  Click(FindControl(main, L"Button", L"Setup Wizard"));
  HWND wizard = run.WaitForWindow(kWizard);
  ASSERT_TRUE(wizard);
  ASSERT_TRUE(OnPage(wizard, L"Welcome"));
  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Select Connection Type"));
  CLICK(wizard, L"Citrix StoreFront");
  for (const wchar_t* title : {L"Select Connection Type", L"Check requirements", L"Download software"}) {
    ASSERT_TRUE(OnPage(wizard, title));  // the download page for autologon.exe alone
    CLICK(wizard, L"Next >");
  }
  ASSERT_TRUE(OnPage(wizard, L"Configure StoreFront"));
  const auto edits = VisibleControls(wizard, L"Edit");
  ASSERT_EQ(edits.size(), 4u) << "store, resource, parameters and the wait";
  Type(edits[0], L"https://sf.example/Citrix/Store");
  Type(edits[1], L"Office Desktop");
  CLICK(wizard, L"Test Connection");  // once the store has enabled it
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  Answer(*box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return run.ClientCommandLines().size() == 2; }));
  const auto lines = run.ClientCommandLines();
  const std::wstring clients = L"\"" + run.ClientsFolder();
  EXPECT_EQ(lines[0].rfind(clients + L"\\AuthManager\\storebrowse.exe\" ", 0), 0u) << "the store first";
  EXPECT_NE(lines[0].find(L"\"https://sf.example/Citrix/Store\""), std::wstring::npos);
  EXPECT_EQ(lines[1].rfind(clients + L"\\SelfServicePlugin\\SelfService.exe\" ", 0), 0u);
  EXPECT_NE(lines[1].find(L"\"Office Desktop\""), std::wstring::npos);
}

TEST(WizardE2E, CancelCloseBoxAndEscapeLeaveTheSettingsFileUntouched) {
  LantheRun run({.settingsFile = std::string(
                     "<Settings><ConnectionType>2</ConnectionType><Citrix><ClientPath>$CLIENTS</ClientPath></Citrix>"
                     "<XenApp><ServerURL>http://old.example.test</ServerURL></XenApp></Settings>")});
  HWND main = run.WaitForWindow(L"Lanthe");
  ASSERT_TRUE(main);
  const std::wstring before = run.ReadFileText(L"settings.xml");

  // Cancel on the XenApp page, after a change.
  Click(FindControl(main, L"Button", L"Setup Wizard"));
  HWND wizard = run.WaitForWindow(kWizard);
  ASSERT_TRUE(wizard);
  for (const wchar_t* title : {L"Welcome", L"Select Connection Type", L"Check requirements"}) {
    ASSERT_TRUE(OnPage(wizard, title));
    CLICK(wizard, L"Next >");
  }
  ASSERT_TRUE(OnPage(wizard, L"Download software")) << "the Citrix setup file is missing";
  CLICK(wizard, L"Next >");
  ASSERT_TRUE(OnPage(wizard, L"Configure XenApp Client")) << "the stored type is chosen";
  const auto edits = VisibleControls(wizard, L"Edit");
  ASSERT_FALSE(edits.empty());
  EXPECT_EQ(ControlText(edits[0]), L"http://old.example.test");
  Type(edits[0], L"http://new.example.test");
  CLICK(wizard, L"Copy XenApp configuration to all users");
  CLICK(wizard, L"Cancel");
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(wizard); }));

  // The close box and Escape on a later showing, which starts afresh.
  const struct {
    const char* how;
    UINT message;
    WPARAM wParam;
  } ends[] = {{"close box", WM_SYSCOMMAND, SC_CLOSE}, {"Escape", WM_COMMAND, IDCANCEL}};
  for (const auto& end : ends) {
    Click(FindControl(main, L"Button", L"Setup Wizard"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(wizard) != FALSE; })) << end.how;
    ASSERT_TRUE(OnPage(wizard, L"Welcome")) << end.how;
    CLICK(wizard, L"Next >");
    ASSERT_TRUE(OnPage(wizard, L"Select Connection Type"));
    CLICK(wizard, L"Remote Desktop Protocol");
    ::PostMessageW(wizard, end.message, end.wParam, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(wizard); })) << end.how;
  }

  ::Sleep(300);
  EXPECT_EQ(run.ReadFileText(L"settings.xml"), before);
  EXPECT_FALSE(::IsWindowVisible(FindControl(main, L"Button", L"Remote Desktop"))) << "nothing was applied";
}

}  // namespace
}  // namespace lanthe::e2e
