// The real program under Wine, driven through its windows: the main window, the
// shell choice, the close protection, the start-up messages.

#include <gtest/gtest.h>


#include "harness.h"

namespace lanthe::e2e {
namespace {

const std::wstring kMain = L"Lanthe";
const std::wstring kNotAllowed = L"You're not allowed to close this window!";

std::string SettingsWith(const std::string& elements) { return "<Settings>" + elements + "</Settings>"; }

// Starts the program and returns its main window, failing the test without one.
HWND MainWindowOf(const LantheRun& run) {
  HWND window = run.WaitForWindow(kMain);
  EXPECT_NE(window, nullptr) << "no main window";
  return window;
}

TEST(MainWindowE2E, AppearsForAnAdministratorWithEveryControl) {
  LantheRun run({});
  HWND window = MainWindowOf(run);
  ASSERT_TRUE(window);
  const std::vector<std::wstring> all = ChildCaptions(window, false);
  const std::vector<std::wstring> expected = {
      L"Current Shell", L"Explorer",       L"Lanthe",   L"Launch",  L"Windows Explorer", L"Test Connection",
      L"Program Neighboorhood", L"Remote Desktop", L"Shutdown", L"Logoff", L"Shutdown",   L"Restart",
      L"Setup", L"Setup Wizard", L"Settings", L"Button1"};
  EXPECT_EQ(all, expected) << "captions in tab order";
  HWND button1 = FindControl(window, L"Button", L"Button1");
  ASSERT_TRUE(button1);
  EXPECT_FALSE(::IsWindowVisible(button1)) << "Button1 is never shown";
  EXPECT_EQ(run.VisibleWindows().size(), 1u) << "no message box at start";
}

TEST(MainWindowE2E, ConnectionTypeShowsItsConnectionButton) {
  const struct {
    const char* type;
    bool pn;
    bool remoteDesktop;
  } cases[] = {{"0", false, true}, {"1", true, false}, {"2", false, false}};
  for (const auto& c : cases) {
    LantheRun run({.settingsFile = SettingsWith(std::string("<ConnectionType>") + c.type + "</ConnectionType>")});
    HWND window = MainWindowOf(run);
    ASSERT_TRUE(window);
    EXPECT_EQ(::IsWindowVisible(FindControl(window, L"Button", L"Program Neighboorhood")) != FALSE, c.pn) << c.type;
    EXPECT_EQ(::IsWindowVisible(FindControl(window, L"Button", L"Remote Desktop")) != FALSE, c.remoteDesktop) << c.type;
  }
}

TEST(MainWindowE2E, ChoosingTheShellWritesWinlogonAndSavesTheSettings) {
  SetWinlogonShell(L"Explorer.exe");
  LantheRun run({});
  HWND window = MainWindowOf(run);
  ASSERT_TRUE(window);
  Click(FindControl(window, L"Button", L"Lanthe"));
  const auto quoted = L"\"" + run.Program() + L"\"";
  WaitUntil([&] { return WinlogonShell() == quoted; });
  EXPECT_EQ(WinlogonShell(), quoted) << "the program's path, quoted because it holds a blank";
  EXPECT_NE(run.ReadFileText(L"settings.xml").find(L"<CurrentShell>1</CurrentShell>"), std::wstring::npos);

  Click(FindControl(window, L"Button", L"Explorer"));
  WaitUntil([&] { return WinlogonShell() == L"Explorer.exe"; });
  EXPECT_EQ(WinlogonShell(), L"Explorer.exe");
  EXPECT_NE(run.ReadFileText(L"settings.xml").find(L"<CurrentShell>0</CurrentShell>"), std::wstring::npos);
}

TEST(MainWindowE2E, ALimitedUserCannotCloseTheWindowInAnyWay) {
  LantheRun run({.administrator = false});
  HWND window = MainWindowOf(run);
  ASSERT_TRUE(window);
  const struct {
    const char* how;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  } attempts[] = {
      {"close box and system menu", WM_SYSCOMMAND, SC_CLOSE, 0},
      {"Alt+F4", WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(0x20000000 | (0x3E << 16) | 1)},
      {"WM_CLOSE", WM_CLOSE, 0, 0},
  };
  for (const auto& attempt : attempts) {
    ::PostMessageW(window, attempt.message, attempt.wParam, attempt.lParam);
    const auto box = run.WaitForMessageBox();
    ASSERT_TRUE(box) << attempt.how;
    EXPECT_EQ(box->text, kNotAllowed) << attempt.how;
    EXPECT_EQ(box->caption, L"Korvex NG") << attempt.how;
    Answer(*box, IDOK);
    EXPECT_TRUE(run.WaitForWindow(kMain)) << attempt.how;
    EXPECT_FALSE(run.WaitForExit(300)) << attempt.how;
  }

  // Windows' question whether the session may end is never refused, nor answered with
  // a box: a restart from Windows Update or an administrator goes ahead.
  const EndSessionReply reply = QueryEndSession(run, window);
  EXPECT_FALSE(reply.box) << reply.box->text;
  EXPECT_EQ(reply.answer, TRUE);
  EXPECT_FALSE(run.WaitForExit(300));
  EndSession(window, true);
  EXPECT_TRUE(run.WaitForExit()) << "the session ends, and the program with it";
  EXPECT_EQ(run.ExitCode(), 0u);
}

TEST(MainWindowE2E, ALimitedUserFindsTheWayOutGreyed) {
  LantheRun run({.administrator = false, .settingsFile = std::string("<Settings><ConnectionType>0</ConnectionType>"
                                                                     "</Settings>")});
  HWND window = MainWindowOf(run);
  ASSERT_TRUE(window);
  for (const wchar_t* greyed : {L"Windows Explorer", L"Setup Wizard", L"Settings", L"Explorer", L"Lanthe"}) {
    HWND control = FindControl(window, L"Button", greyed);
    ASSERT_TRUE(control) << greyed;
    EXPECT_FALSE(::IsWindowEnabled(control)) << greyed;
  }
  for (const wchar_t* usable : {L"Test Connection", L"Remote Desktop", L"Logoff", L"Shutdown", L"Restart"}) {
    HWND control = FindControl(window, L"Button", usable);
    ASSERT_TRUE(control) << usable;
    EXPECT_TRUE(::IsWindowEnabled(control)) << usable;
  }
  Click(FindControl(window, L"Button", L"Setup Wizard"));
  EXPECT_FALSE(run.WaitForWindow(L"Setup Wizard", 500)) << "a greyed button does nothing";
}

TEST(MainWindowE2E, AnAdministratorClosesTheWindowAndTheSettingsAreSaved) {
  LantheRun run({.settingsFile = SettingsWith("<ConnectionType>0</ConnectionType>")});
  HWND window = MainWindowOf(run);
  ASSERT_TRUE(window);
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.ExitCode(), 0u);
  const std::wstring saved = run.ReadFileText(L"settings.xml");
  EXPECT_EQ(saved.rfind(L"<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<Settings>\r\n", 0), 0u);
  EXPECT_NE(saved.find(L"<ConnectionType>0</ConnectionType>"), std::wstring::npos);
}

TEST(MainWindowE2E, DebugAsFirstParameterIsAnnouncedBeforeAnyWindow) {
  LantheRun run({.parameters = L"Debug"});
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"Debug is on!");
  EXPECT_EQ(run.VisibleWindows().size(), 1u) << "the message is the only window";
  Answer(*box, IDOK);
  EXPECT_TRUE(MainWindowOf(run));
}

TEST(MainWindowE2E, DebugInOtherCaseOrPlaceIsNoSwitch) {
  for (const wchar_t* parameters : {L"debug", L"x Debug"}) {
    LantheRun run({.parameters = parameters});
    ASSERT_TRUE(MainWindowOf(run)) << parameters;
    EXPECT_EQ(run.VisibleWindows().size(), 1u) << parameters << ": no message";
  }
}

TEST(MainWindowE2E, AMissingSettingsFileOffersTheWizard) {
  LantheRun run({.settingsFile = std::nullopt});
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"No configuration file found. Would you like to start the Setup wizard?");
  Answer(*box, IDNO);
  EXPECT_TRUE(MainWindowOf(run));
}

TEST(MainWindowE2E, ADamagedSettingsFileIsReportedWithItsPath) {
  LantheRun run({.settingsFile = std::string("<Settings><RDP></RDX></Settings>")});
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"Error Loading File: " + run.Folder() + L"settings.xml");
  Answer(*box, IDOK);
  EXPECT_TRUE(MainWindowOf(run));
}

TEST(MainWindowE2E, AnAdministratorWithoutFullRightsIsToldAndMayGoOn) {
  LantheRun run({.elevated = false});
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_NE(box->text.find(L"administrator"), std::wstring::npos);
  Answer(*box, IDNO);
  EXPECT_TRUE(MainWindowOf(run));
}

}  // namespace
}  // namespace lanthe::e2e
