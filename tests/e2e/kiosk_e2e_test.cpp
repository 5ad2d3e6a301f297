// The kiosk lockdown through the real program under Wine: the wait for the network
// before a session, the desktop behind the client, the Ctrl+Alt+Del screen, and the
// settings dialog's page for them.

#include <gtest/gtest.h>

#include <cstring>

#include "harness.h"

#include <commctrl.h>

namespace lanthe::e2e {
namespace {

const std::wstring kWaitCaption = L"Korvex NG";
const std::wstring kWaiting = L"Waiting for the network...";

std::string Kiosk(const std::string& more) {
  return "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType>"
         "<RDP><ClientPath>$CLIENTS</ClientPath><Connection>ts01</Connection></RDP>"
         "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
         "<CitrixLogOff>2</CitrixLogOff>" +
         more + "</Settings>";
}

RunOptions Limited(const std::string& settings, const wchar_t* networkUpAfterMs) {
  RunOptions options;
  options.administrator = false;
  options.settingsFile = settings;
  options.clientExitAfterMs = 300;
  options.networkUpAfterMs = networkUpAfterMs;
  return options;
}

// The waiting window and its countdown line.
struct WaitWindow {
  HWND window = nullptr;
  HWND countdown = nullptr;
};

WaitWindow FindWaitWindow(const LantheRun& run) {
  WaitWindow wait;
  WaitUntil([&] {
    wait.window = run.WaitForWindow(kWaitCaption, 0);
    return wait.window && FindControl(wait.window, L"Static", kWaiting);
  });
  if (!wait.window) return wait;
  for (const auto& caption : ChildCaptions(wait.window, true)) {
    if (caption.rfind(L"The connection starts in ", 0) == 0) wait.countdown = FindControl(wait.window, L"Static", caption);
  }
  return wait;
}

std::wstring Caption(HWND window) {
  wchar_t text[128] = {};
  ::GetWindowTextW(window, text, 128);
  return text;
}

TEST(KioskE2E, WithoutANetworkTheWindowCountsDownAndClosesWhenTheNetworkComesUp) {
  LantheRun run(Limited(Kiosk(""), L"2500"));
  const WaitWindow wait = FindWaitWindow(run);
  ASSERT_TRUE(wait.window) << "no waiting window";
  ASSERT_TRUE(wait.countdown);
  const std::wstring first = Caption(wait.countdown);
  EXPECT_TRUE(first == L"The connection starts in 30 seconds." || first == L"The connection starts in 29 seconds.")
      << std::string(first.begin(), first.end());
  EXPECT_TRUE(FindControl(wait.window, L"Button", L"Start now"));
  EXPECT_TRUE(run.ClientCommandLines().empty()) << "no client before the network";
  EXPECT_TRUE(WaitUntil([&] { return Caption(wait.countdown) != first; }, 3000)) << "it counts down";
  ASSERT_TRUE(run.WaitForExit()) << "the network came up, the client ran, the session ended";
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

TEST(KioskE2E, AfterTheNetworkTheWaitGoesOnUntilTheServersNameResolves) {
  // The interface comes up after 1.5 s (with the system's change event), the name server
  // answers from 4 s on.
  RunOptions options = Limited(Kiosk(""), L"1500");
  options.nameResolvesAfterMs = L"4000";
  LantheRun run(options);
  const WaitWindow wait = FindWaitWindow(run);
  ASSERT_TRUE(wait.window);
  HWND label = FindControl(wait.window, L"Static", kWaiting);
  ASSERT_TRUE(label);
  ASSERT_TRUE(WaitUntil([&] { return Caption(label) == L"Waiting for the server ts01..."; }))
      << "the interface's change event reached the window";
  // Still waiting after the look at the clients: no client has started before the name.
  EXPECT_TRUE(run.ClientCommandLines().empty());
  EXPECT_EQ(Caption(label), L"Waiting for the server ts01...");
  ASSERT_TRUE(run.WaitForExit()) << "the name resolved, the client ran, the session ended";
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
}

TEST(KioskE2E, TheFrameCannotCloseTheWaitButStartNowStartsTheClient) {
  LantheRun run(Limited(Kiosk(""), L"never"));
  const WaitWindow wait = FindWaitWindow(run);
  ASSERT_TRUE(wait.window);
  EXPECT_EQ(::GetWindowLongPtrW(wait.window, GWL_STYLE) & WS_SYSMENU, 0) << "no close box";
  ::PostMessageW(wait.window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ::PostMessageW(wait.window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(WaitUntil([&] { return !::IsWindowVisible(wait.window); }, 800)) << "still waiting";
  EXPECT_TRUE(run.ClientCommandLines().empty());
  Click(FindControl(wait.window, L"Button", L"Start now"));
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
}

TEST(KioskE2E, WhenTheTimeIsUpTheClientStartsAsBefore) {
  LantheRun run(Limited(Kiosk("<WaitForNetwork>2</WaitForNetwork>"), L"never"));
  const WaitWindow wait = FindWaitWindow(run);
  ASSERT_TRUE(wait.window);
  EXPECT_EQ(Caption(wait.countdown), L"The connection starts in 2 seconds.");
  ASSERT_TRUE(run.WaitForExit());
  ASSERT_EQ(run.ClientCommandLines().size(), 1u);
  EXPECT_EQ(run.ClientCommandLines()[0], L"\"" + run.ClientsFolder() + L"\\mstsc.exe\" /V:ts01:3389 /f");
}

TEST(KioskE2E, NoWaitWhenSwitchedOff) {
  LantheRun run(Limited(Kiosk("<WaitForNetwork>0</WaitForNetwork>"), L"never"));
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
}

TEST(KioskE2E, TheDesktopBehindTheClientHasTheChosenColour) {
  // The colour is set once the client runs. Wine hands a changed colour to the
  // programs started after the change: the client of the next session reads it back
  // with GetSysColor as it starts.
  for (const char* colour : {"4227327", "8421504"}) {
    LantheRun run(Limited(Kiosk(std::string("<ShowReconnectDialog>True</ShowReconnectDialog><UseBackgroundColor>True"
                                            "</UseBackgroundColor><BackgroundColor>") +
                                colour + "</BackgroundColor><RemoveWallpaper>True</RemoveWallpaper>"),
                          L"0"));
    for (const int answer : {IDYES, IDNO}) {
      const auto question = run.WaitForMessageBox();
      ASSERT_TRUE(question);
      Answer(*question, answer);
    }
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ClientCommandLines().size(), 2u);
    EXPECT_EQ(run.ReadFileText(L"desktop.txt"), std::wstring(colour, colour + std::strlen(colour)));
  }
}

const std::wstring kSystem = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const std::wstring kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const std::wstring kStandIn = L"Software\\Lanthe Test Group Policy";

TEST(KioskE2E, TheKioskUserIsLockedDownAndTheAdministratorsAreNot) {
  DeleteRegistryTree(HKEY_CURRENT_USER, kStandIn);
  {
    LantheRun run({.settingsFile = std::string("<Settings><LockSecureScreen>True</LockSecureScreen><DisableTaskManager>"
                                               "True</DisableTaskManager><RestrictKioskUser>True</RestrictKioskUser>"
                                               "</Settings>")});
    ASSERT_TRUE(run.WaitForWindow(L"Lanthe"));
    const std::wstring kiosk = KioskPolicyObjectKey();
    ASSERT_FALSE(kiosk.empty());
    EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kiosk + L"\\Software\\Policies\\Microsoft\\Windows\\System",
                            L"DisableCMD"),
              2u) << "the prompt refused, batch files still run";
    EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER,
                            kiosk + L"\\Software\\Policies\\Microsoft\\Windows\\Windows Error Reporting",
                            L"DontShowUI"),
              1u);
    for (const auto& [key, name] : std::vector<std::pair<std::wstring, std::wstring>>{
             {kSystem, L"DisableLockWorkstation"}, {kSystem, L"DisableChangePassword"}, {kExplorer, L"NoLogoff"},
             {kSystem, L"DisableTaskMgr"}, {kSystem, L"DisableRegistryTools"}, {kExplorer, L"NoControlPanel"},
             {kExplorer, L"NoRun"}}) {
      EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kiosk + L"\\" + key, name), 1u) << std::string(name.begin(), name.end());
      EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, key, name), std::nullopt) << "not the administrator's own";
      EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn + L"\\User\\" + key, name), std::nullopt)
          << "nor every user's";
    }
    EXPECT_EQ(RegistryDword(HKEY_LOCAL_MACHINE, kSystem, L"HideFastUserSwitching"), 1u);
    EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn + L"\\Machine\\" + kSystem, L"HideFastUserSwitching"), 1u);
    EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, kStandIn, L"MachineSaves"), 1u);
  }
  LantheRun off({.settingsFile = std::string("<Settings/>")});
  ASSERT_TRUE(off.WaitForWindow(L"Lanthe"));
  EXPECT_EQ(RegistryDword(HKEY_CURRENT_USER, KioskPolicyObjectKey() + L"\\" + kSystem, L"DisableLockWorkstation"), 0u)
      << "written as 0 when off";
  EXPECT_EQ(RegistryDword(HKEY_LOCAL_MACHINE, kSystem, L"HideFastUserSwitching"), 0u);
  DeleteRegistryTree(HKEY_CURRENT_USER, kStandIn);
}

const wchar_t kRestrictKioskUser[] =
    L"Restrict the kiosk account (Control Panel, Run, command prompt, registry editor, error dialogs, "
    L"accessibility hotkeys)";

TEST(KioskE2E, TheKioskUsersStartSwitchesOffTheAccessibilityHotkeysOnly) {
  const std::wstring stickyKeys = L"Control Panel\\Accessibility\\StickyKeys";
  const std::optional<std::wstring> before = RegistryString(HKEY_CURRENT_USER, stickyKeys, L"Flags");
  const auto setFlags = [&](const std::wstring& flags) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, stickyKeys.c_str(), L"Flags", REG_SZ, flags.c_str(),
                      static_cast<DWORD>((flags.size() + 1) * sizeof(wchar_t)));
  };
  setFlags(L"511");  // switched on, and its hotkey with it
  {
    LantheRun run(Limited(Kiosk("<RestrictKioskUser>True</RestrictKioskUser>"), L"0"));
    ASSERT_TRUE(run.WaitForExit());
  }
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, stickyKeys, L"Flags"), L"507") << "the feature stays on";
  if (before) setFlags(*before);
}

TEST(KioskE2E, TheSettingsDialogsKioskPageReachesTheFile) {
  LantheRun run({});
  HWND main = run.WaitForWindow(L"Lanthe");
  ASSERT_TRUE(main);
  Click(FindControl(main, L"Button", L"Settings"));
  HWND dialog = run.WaitForWindow(L"Settings");
  ASSERT_TRUE(dialog);
  HWND tabs = FindControl(dialog, L"SysTabControl32", L"");
  ASSERT_EQ(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 8) << "a page of its own after the others";
  HWND lock = FindControl(dialog, L"Button",
                          L"Lock the Ctrl+Alt+Del screen (no Lock, Switch user, Sign out or Change a password)");
  ASSERT_TRUE(lock);
  Click(lock);
  // The page's own spin editor (the tab row may have arrows of its own).
  HWND spin = FindControlOfClass(::GetParent(lock), L"msctls_updown32");
  ASSERT_TRUE(spin);
  HWND buddy = reinterpret_cast<HWND>(::SendMessageW(spin, UDM_GETBUDDY, 0, 0));
  ASSERT_TRUE(buddy);
  EXPECT_EQ(ControlText(buddy), L"30");
  ::SendMessageW(buddy, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"45"));
  HWND startupPrograms = FindControl(dialog, L"Button", L"Start the log-on's programs (Run and RunOnce)");
  ASSERT_TRUE(startupPrograms);
  EXPECT_EQ(::SendMessageW(startupPrograms, BM_GETCHECK, 0, 0), BST_CHECKED);
  Click(startupPrograms);
  HWND restrict = FindControl(dialog, L"Button", kRestrictKioskUser);
  ASSERT_TRUE(restrict);
  EXPECT_EQ(::SendMessageW(restrict, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Click(restrict);
  Click(FindControl(dialog, L"Button", L"OK"));
  EXPECT_TRUE(WaitUntil([&] {
    const std::wstring saved = run.ReadFileText(L"settings.xml");
    return saved.find(L"<LockSecureScreen>True</LockSecureScreen>") != std::wstring::npos &&
           saved.find(L"<WaitForNetwork>45</WaitForNetwork>") != std::wstring::npos &&
           saved.find(L"<RunStartupPrograms>False</RunStartupPrograms>") != std::wstring::npos &&
           saved.find(L"<RestrictKioskUser>True</RestrictKioskUser>") != std::wstring::npos;
  })) << std::string(run.ReadFileText(L"settings.xml").begin(), run.ReadFileText(L"settings.xml").end());
}

}  // namespace
}  // namespace lanthe::e2e
