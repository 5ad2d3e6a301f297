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

// A policy value of this prefix, removed again when the object goes.
class Policy {
 public:
  Policy(const std::wstring& subkey, const wchar_t* name, const std::wstring& value) : key_(kKey + subkey) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
  }
  Policy(const wchar_t* name, DWORD value) : key_(kKey) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    ::RegCloseKey(key);
  }
  ~Policy() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\Policies\\Lanthe"); }
  Policy(const Policy&) = delete;
  Policy& operator=(const Policy&) = delete;

 private:
  static constexpr wchar_t kKey[] = L"Software\\Policies\\Lanthe";
  std::wstring key_;
};

// The settings file as a Cancel of the settings dialog saves it (the same settings
// again), with the run's own folder written as "<folder>\".
std::wstring SavedByCancel(const LantheRun& run) {
  HWND dialog = OpenSettings(run);
  if (!dialog) return L"<no dialog>";
  const std::wstring before = run.ReadFileText(L"settings.xml");
  Click(FindControl(dialog, L"Button", L"Cancel"));
  WaitUntil([&] { return !::IsWindowVisible(dialog) && run.ReadFileText(L"settings.xml") != before; });
  std::wstring saved = run.ReadFileText(L"settings.xml");
  for (auto at = saved.find(run.Folder()); at != std::wstring::npos; at = saved.find(run.Folder(), at)) {
    saved.replace(at, run.Folder().size(), L"<folder>\\");
  }
  return saved;
}

TEST(SettingsE2E, APolicyChangesTheConnectionButNeverTheSettingsFile) {
  const std::string settings =
      "<Settings><ConnectionType>0</ConnectionType><RDP><ClientPath>$CLIENTS</ClientPath>"
      "<Connection>file-host</Connection><Port>3389</Port><FullScreen>0</FullScreen></RDP></Settings>";
  std::wstring withoutPolicy;
  {
    LantheRun run({.settingsFile = settings});
    withoutPolicy = SavedByCancel(run);
  }
  ASSERT_NE(withoutPolicy.find(L"<Connection>file-host</Connection>"), std::wstring::npos);

  const Policy policy(L"\\RDP", L"Connection", L"policy-host");
  LantheRun run({.settingsFile = settings, .clientExitAfterMs = 300});
  HWND main = run.WaitForWindow(L"Lanthe");
  ASSERT_TRUE(main);
  Click(FindControl(main, L"Button", L"Test Connection"));
  ASSERT_TRUE(WaitUntil([&] { return !run.ClientCommandLines().empty(); }));
  EXPECT_EQ(run.ClientCommandLines()[0], L"\"" + run.ClientsFolder() + L"\\mstsc.exe\" /V:policy-host:3389");
  EXPECT_EQ(SavedByCancel(run), withoutPolicy) << "byte for byte the file's own";
}

TEST(SettingsE2E, ASettingSetByPolicyIsGreyedInTheDialog) {
  const Policy policy(L"ConnectionType", 0);
  LantheRun run({});
  HWND dialog = OpenSettings(run);
  ASSERT_TRUE(dialog);
  for (const wchar_t* item :
       {L"Custom ICA Connection", L"XenApp (PNAgent)", L"Remote Desktop Protocol", L"Citrix StoreFront"}) {
    HWND button = FindControl(dialog, L"Button", item);
    ASSERT_TRUE(button) << std::wstring(item).size();
    EXPECT_FALSE(::IsWindowEnabled(button)) << std::wstring(item).size();
  }
  EXPECT_TRUE(::IsWindowEnabled(FindControl(dialog, L"Button", L"Full Screen"))) << "the others stay";
  HWND hint = FindControl(dialog, L"Static", L"Set by policy");
  ASSERT_TRUE(hint);
  EXPECT_TRUE(::IsWindowVisible(hint));
}

}  // namespace
}  // namespace lanthe::e2e
