// A XenApp session under Wine with the fake PNAgent: the launcher window waits for
// the shortcuts, shows them, starts applications and logs off.

#include <shlobj.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace lanthe::e2e {
namespace {

const std::wstring kLauncher = L"XenApp Applications";

std::string XenAppKiosk() {
  return "<Settings><CurrentShell>1</CurrentShell><ConnectionType>2</ConnectionType>"
         "<Citrix><ClientPath>$CLIENTS</ClientPath></Citrix>"
         "<XenApp><CommandlineParameters> /pn</CommandlineParameters></XenApp>"
         "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
         "<CitrixLogOff>2</CitrixLogOff></Settings>";
}

RunOptions XenApp(std::vector<std::wstring> apps, int delayMs = 10, int idleStarts = 0) {
  RunOptions options;
  options.administrator = false;
  options.settingsFile = XenAppKiosk();
  options.pnagentApps = std::move(apps);
  options.pnagentDelayMs = delayMs;
  options.pnagentIdleStarts = idleStarts;
  return options;
}

// The launcher's list once it holds count items; empty after the wait.
std::vector<std::wstring> WaitForItems(const LantheRun& run, std::size_t count, HWND* listOut = nullptr) {
  HWND launcher = run.WaitForWindow(kLauncher);
  if (!launcher) return {};
  HWND list = FindControl(launcher, L"SysListView32", L"");
  if (listOut) *listOut = list;
  std::vector<std::wstring> items;
  for (int i = 0; i < 600; ++i) {
    items = ListViewItems(list);
    if (items.size() >= count) break;
    ::Sleep(50);
  }
  return items;
}

int PNAgentStarts(const LantheRun& run) {
  int starts = 0;
  for (const auto& line : run.ClientCommandLines()) {
    if (line.find(L"pnagent.exe") != std::wstring::npos && line.find(L"/QLaunch") == std::wstring::npos) ++starts;
  }
  return starts;
}

TEST(XenAppE2E, ShortcutsPresentAtShowTimeAreShownByTheirDescriptions) {
  LantheRun run(XenApp({L"Word", L"Excel"}));
  EXPECT_EQ(WaitForItems(run, 2), (std::vector<std::wstring>{L"Excel", L"Word"})) << "sorted by file name";
  HWND launcher = run.WaitForWindow(kLauncher);
  ASSERT_TRUE(launcher);
  EXPECT_EQ(::GetWindowLongPtrW(launcher, GWL_STYLE) & WS_SYSMENU, 0) << "no close box in session mode";
  ASSERT_FALSE(run.ClientCommandLines().empty());
  EXPECT_EQ(run.ClientCommandLines()[0], L"\"" + run.ClientsFolder() + L"\\pnagent.exe\"  /pn");
}

TEST(XenAppE2E, ShortcutsThatComeLaterAreWaitedForWhileTheWindowShowsItIsLoading) {
  LantheRun run(XenApp({L"Notes"}, 7000));
  HWND launcher = run.WaitForWindow(kLauncher);
  ASSERT_TRUE(launcher);
  EXPECT_TRUE(FindControl(launcher, L"Static", L"Loading the XenApp applications...")) << "the user sees the wait";
  EXPECT_EQ(WaitForItems(run, 1), std::vector<std::wstring>{L"Notes"});
  EXPECT_EQ(PNAgentStarts(run), 1) << "PNAgent ran all along: no restart";
}

TEST(XenAppE2E, APNAgentThatDoesNotComeUpIsStartedAgain) {
  LantheRun run(XenApp({L"Word"}, 10, 1));
  EXPECT_EQ(WaitForItems(run, 1), std::vector<std::wstring>{L"Word"});
  EXPECT_EQ(PNAgentStarts(run), 2);
}

TEST(XenAppE2E, AClickStartsTheApplicationWithTheStoredParameters) {
  LantheRun run(XenApp({L"Word", L"Excel"}));
  HWND list = nullptr;
  ASSERT_EQ(WaitForItems(run, 2, &list).size(), 2u);
  ClickListViewItem(list, 1);
  std::vector<std::wstring> lines;
  for (int i = 0; i < 200 && lines.size() < 2; ++i) {
    ::Sleep(50);
    lines = run.ClientCommandLines();
  }
  ASSERT_EQ(lines.size(), 2u) << "PNAgent's start, then the application's";
  EXPECT_EQ(lines.back(), L"\"" + run.ClientsFolder() + L"\\pnagent.exe\" /QLaunch \"Farm:Word\" /pn");
}

TEST(XenAppE2E, LogOffEndsTheSessionProgramAndTheSession) {
  LantheRun run(XenApp({L"Word"}));
  ASSERT_EQ(WaitForItems(run, 1).size(), 1u);
  ASSERT_TRUE(ProcessRunning(L"pnamain.exe"));
  Click(FindControl(run.WaitForWindow(kLauncher), L"Button", L"Log Off"));
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_FALSE(ProcessRunning(L"pnamain.exe"));
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

TEST(XenAppE2E, OnlyShortcutFilesAreListedWhateverTheirLetterCase) {
  RunOptions options = XenApp({});
  options.pnagentDesktop = true;
  LantheRun run(options);
  ::CreateDirectoryW(run.ShortcutFolder().c_str(), nullptr);
  WriteShortcut(run.ShortcutFolder() + L"\\Word.lnk", L"Word", L"/QLaunch \"Farm:Word\"");
  WriteShortcut(run.ShortcutFolder() + L"\\CAPS.LNK", L"Capitals", L"/QLaunch \"Farm:Caps\"");
  WriteShortcut(run.ShortcutFolder() + L"\\x.lnk.bak", L"Backup", L"");
  WriteShortcut(run.ShortcutFolder() + L"\\lnkfile.txt", L"Text", L"");
  EXPECT_EQ(WaitForItems(run, 2), (std::vector<std::wstring>{L"Capitals", L"Word"}));
}

TEST(XenAppE2E, AStoreWithoutAResourceOffersTheWorkspaceAppsShortcutsAndLogOffSignsOut) {
  // The Workspace app's Start menu folder of this run, as its StartMenuDir setting names it.
  const std::wstring name = L"Lanthe Store " + std::to_wstring(::GetCurrentProcessId());
  ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Citrix\\Dazzle", L"StartMenuDir", REG_SZ, name.c_str(),
                    static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
  wchar_t programs[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs);
  const std::wstring folder = std::wstring(programs) + L"\\" + name;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  RunOptions options = XenApp({});
  options.settingsFile = "<Settings><CurrentShell>1</CurrentShell><ConnectionType>3</ConnectionType><Citrix><ClientPath>"
                         "$CLIENTS</ClientPath></Citrix><ShowReconnectDialog>False</ShowReconnectDialog>"
                         "<ShowShutdownDialog>False</ShowShutdownDialog><CitrixLogOff>2</CitrixLogOff></Settings>";
  {
    LantheRun run(options);
    HWND launcher = run.WaitForWindow(L"Applications");
    ASSERT_TRUE(launcher);
    EXPECT_TRUE(FindControl(launcher, L"Static", L"Loading the store's applications..."));
    WriteShortcut(folder + L"\\Desk.lnk", L"Kiosk Desktop", L"-launch -reg \"Desk\"");
    HWND list = FindControl(launcher, L"SysListView32", L"");
    EXPECT_TRUE(WaitUntil([&] { return ListViewItems(list) == std::vector<std::wstring>{L"Kiosk Desktop"}; }));
    ClickListViewItem(list, 0);
    EXPECT_TRUE(WaitUntil([&] { return run.ClientCommandLines().size() == 2; }));
    Click(FindControl(launcher, L"Button", L"Log Off"));
    ASSERT_TRUE(run.WaitForExit());
    const std::wstring self = L"\"" + run.ClientsFolder() + L"\\SelfServicePlugin\\SelfService.exe\" ";
    EXPECT_EQ(run.ClientCommandLines(),
              (std::vector<std::wstring>{self + L"-ipoll", self + L"-launch -reg \"Desk\"", self + L"-logoff"}));
    EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
  }
  ::DeleteFileW((folder + L"\\Desk.lnk").c_str());
  ::RemoveDirectoryW(folder.c_str());
  DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\Citrix\\Dazzle");
}

}  // namespace
}  // namespace lanthe::e2e
