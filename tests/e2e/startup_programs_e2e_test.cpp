// The log-on's own programs in a limited user's kiosk session: the user's Run and
// RunOnce entries start the probe, which records its command line.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "harness.h"

namespace lanthe::e2e {
namespace {

const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRunOnce = kRun + L"Once";

// The entries and the probe's records of this test, gone again afterwards: the
// prefix's next start would run the entries otherwise.
struct Entries {
  std::wstring name = L"Lanthe e2e " + std::to_wstring(::GetCurrentProcessId());
  std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
  Entries() { std::filesystem::create_directories(folder); }
  ~Entries() {
    for (const auto& key : {kRun, kRunOnce}) ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  // Writes the entry; its command line makes the probe record that line into a file.
  std::wstring Add(const std::wstring& key, const wchar_t* file) const {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring probe = std::filesystem::path(self).replace_filename(L"lanthe-probe.exe").wstring();
    const std::wstring command = L"\"" + probe + L"\" record \"" + (folder / file).wstring() + L"\" " + file;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, command.c_str(),
                      static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    return command;
  }
  std::wstring Recorded(const wchar_t* file) const {  // UTF-16LE without a BOM
    std::ifstream in(folder / file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  }
  bool Exists(const std::wstring& key) const { return RegistryString(HKEY_CURRENT_USER, key, name).has_value(); }
};

RunOptions LimitedKiosk(const std::string& more) {
  RunOptions options;
  options.administrator = false;
  options.settingsFile = "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType><RDP><ClientPath>"
                         "$CLIENTS</ClientPath><Connection>ts01</Connection></RDP>" + more + "</Settings>";
  return options;  // the client stays until the run ends it
}

TEST(StartupProgramsE2E, AKioskSessionStartsTheUsersRunAndRunOnceEntriesUnlessSwitchedOff) {
  const Entries entries;
  const std::wstring once = entries.Add(kRunOnce, L"once.bin");
  const std::wstring run = entries.Add(kRun, L"run.bin");
  ASSERT_TRUE(entries.Exists(kRunOnce) && entries.Exists(kRun));
  {
    LantheRun off(LimitedKiosk("<RunStartupPrograms>False</RunStartupPrograms>"));
    ASSERT_TRUE(WaitUntil([&] { return !off.ClientCommandLines().empty(); }));
    EXPECT_FALSE(WaitUntil([&] { return !entries.Recorded(L"once.bin").empty() || !entries.Recorded(L"run.bin").empty(); },
                           3000))
        << "switched off, yet a program of the log-on ran";
  }
  LantheRun on(LimitedKiosk(""));
  EXPECT_TRUE(WaitUntil([&] { return entries.Recorded(L"once.bin") == once && entries.Recorded(L"run.bin") == run; }))
      << "recorded: " << entries.Recorded(L"once.bin").size() << " and " << entries.Recorded(L"run.bin").size();
  EXPECT_FALSE(entries.Exists(kRunOnce)) << "a RunOnce entry runs once";
  EXPECT_TRUE(entries.Exists(kRun));
}

}  // namespace
}  // namespace lanthe::e2e
