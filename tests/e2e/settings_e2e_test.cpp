// The settings dialog under Wine: changed values reach settings.xml and the next
// session, OK keeps what no control shows, and the PNAgent viewer.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "harness.h"

#include <commctrl.h>

namespace lanthe::e2e {
namespace {

HWND OpenSettings(const LantheRun& run) {
  HWND main = run.WaitForWindow(L"Lanthe");
  if (!main) return nullptr;
  Click(FindControl(main, L"Button", L"Settings"));
  return run.WaitForWindow(L"Settings");
}

// Clicks a check box or radio button until its check mark is as wanted: a posted click
// on a control of a hidden page is once in a while lost by Wine in a new prefix.
void ClickUntilChecked(HWND button, bool checked) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if ((::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) == checked) return;
    Click(button);
    if (WaitUntil([&] { return (::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) == checked; }, 2000)) return;
  }
}

TEST(SettingsE2E, ConnectionTypeAndFullScreenReachTheFileAndTheNextStart) {
  LantheRun run({.settingsFile = std::string(
                     "<Settings><ConnectionType>1</ConnectionType><RDP><ClientPath>$CLIENTS</ClientPath>"
                     "<Connection>ts01</Connection><Port>3389</Port><FullScreen>-1</FullScreen></RDP></Settings>")});
  HWND dialog = OpenSettings(run);
  ASSERT_TRUE(dialog);
  HWND tabs = FindControl(dialog, L"SysTabControl32", L"");
  EXPECT_EQ(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 2) << "the first page shown is \"Custom ICA settings\"";
  HWND apply = FindControl(dialog, L"Button", L"Apply");
  EXPECT_FALSE(::IsWindowEnabled(apply));
  HWND remoteDesktop = FindControl(dialog, L"Button", L"Remote Desktop Protocol");
  HWND fullScreen = FindControl(dialog, L"Button", L"Full Screen");
  ASSERT_TRUE(remoteDesktop && fullScreen);
  ClickUntilChecked(remoteDesktop, true);
  ClickUntilChecked(fullScreen, false);
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(apply) != FALSE; })) << "a change enables Apply";
  Click(FindControl(dialog, L"Button", L"OK"));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(dialog); }));

  EXPECT_TRUE(WaitUntil([&] {
    const std::wstring saved = run.ReadFileText(L"settings.xml");
    return saved.find(L"<ConnectionType>0</ConnectionType>") != std::wstring::npos &&
           saved.find(L"<FullScreen>0</FullScreen>") != std::wstring::npos;
  }));
  HWND main = run.WaitForWindow(L"Lanthe");
  EXPECT_TRUE(::IsWindowVisible(FindControl(main, L"Button", L"Remote Desktop"))) << "applied at once";

  Click(FindControl(main, L"Button", L"Test Connection"));
  ASSERT_TRUE(WaitUntil([&] { return !run.ClientCommandLines().empty(); }));
  EXPECT_EQ(run.ClientCommandLines()[0], L"\"" + run.ClientsFolder() + L"\\mstsc.exe\" /V:ts01:3389")
      << "no /f any more";
}

TEST(SettingsE2E, AConnectionTypeWithoutAnItemSurvivesOk) {
  LantheRun run({.settingsFile = std::string("<Settings><ConnectionType>7</ConnectionType></Settings>")});
  HWND dialog = OpenSettings(run);
  ASSERT_TRUE(dialog);
  Click(FindControl(dialog, L"Button", L"OK"));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(dialog); }));
  EXPECT_TRUE(WaitUntil(
      [&] { return run.ReadFileText(L"settings.xml").find(L"<ConnectionType>7</ConnectionType>") != std::wstring::npos; }));
}

TEST(SettingsE2E, TheViewerShowsTheStoredConfigurationOrReportsItsDamage) {
  LantheRun run({});
  std::ofstream(std::filesystem::path(run.Folder() + L"XenAppSettings.cfg"), std::ios::binary) << "3C,61,3E,62\r\n";
  HWND dialog = OpenSettings(run);
  ASSERT_TRUE(dialog);
  Click(FindControl(dialog, L"Button", L"View stored Config"));
  HWND viewer = run.WaitForWindow(L"frmLog");
  ASSERT_TRUE(viewer);
  HWND memo = FindControlOfClass(viewer, L"Edit");
  ASSERT_TRUE(memo);
  EXPECT_EQ(ControlText(memo), L"<a>\r\nb\r\n") << "one line ending after each >";
  Click(FindControl(viewer, L"Button", L"Clear Log"));
  EXPECT_TRUE(WaitUntil([&] { return ControlText(memo).empty(); }));

  std::ofstream(std::filesystem::path(run.Folder() + L"XenAppSettings.cfg"), std::ios::binary) << "3C,3E,ZZ\r\n";
  Click(FindControl(dialog, L"Button", L"View stored Config"));
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_NE(box->text.find(L"'ZZ'"), std::wstring::npos) << box->text;
  Answer(*box, IDOK);
  EXPECT_EQ(ControlText(memo), L"<>\r\n") << "the lines added so far stay";
}

TEST(SettingsE2E, TheViewerStaysUsableBesideTheDialogAndAFailureNeverReopensIt) {
  LantheRun run({});
  const auto cfg = std::filesystem::path(run.Folder() + L"XenAppSettings.cfg");
  std::ofstream(cfg, std::ios::binary) << "3C,61,3E\r\n";
  HWND dialog = OpenSettings(run);
  ASSERT_TRUE(dialog);
  Click(FindControl(dialog, L"Button", L"View stored Config"));
  HWND viewer = run.WaitForWindow(L"frmLog");
  ASSERT_TRUE(viewer);
  EXPECT_TRUE(::IsWindowEnabled(viewer)) << "usable while the settings dialog is modal";
  EXPECT_FALSE(::IsWindowEnabled(run.WaitForWindow(L"Lanthe"))) << "the main window waits for the dialog";

  ::SendMessageW(viewer, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(viewer); }));
  std::filesystem::remove(cfg);
  Click(FindControl(dialog, L"Button", L"View stored Config"));
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_NE(box->text.find(L"Cannot open file"), std::wstring::npos) << box->text;
  Answer(*box, IDOK);
  EXPECT_FALSE(WaitUntil([&] { return ::IsWindowVisible(viewer) != FALSE; }, 500)) << "the closed viewer stays closed";

  std::ofstream(cfg, std::ios::binary) << "3C,62,3E\r\n";
  Click(FindControl(dialog, L"Button", L"View stored Config"));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(viewer) != FALSE; })) << "a call that works shows it again";
}

}  // namespace
}  // namespace lanthe::e2e
