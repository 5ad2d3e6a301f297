// Months of sessions in one Lanthe process: a kiosk reconnects all day, so each cycle
// of client, question and reconnect must give back what it took from the system.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "harness.h"

namespace lanthe::e2e {
namespace {

// Growth allowed from cycle 5 to cycle 50 at the same point of the cycle (the question
// on screen). A leak of one handle, GDI or USER object per cycle grows by 45; what may
// differ without a leak is what is in flight as the count is taken: a name query's
// thread ending, the event log's writer, Wine's own handles of a just-ended client.
// Each of these is one or two handles.
constexpr DWORD kAllowedGrowth = 6;

// Xvfb has no window manager, and Wine waits up to two seconds for one to withdraw each
// closed window it counts as managed (the question, the client's window): four seconds
// a cycle. Unmanaged, for these programs and this test only, a cycle takes a tenth of
// a second and counts the same.
class UnmanagedWindows {
 public:
  UnmanagedWindows() {
    for (const wchar_t* program : kPrograms) {
      HKEY key = nullptr;
      if (::RegCreateKeyExW(HKEY_CURRENT_USER, Key(program).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
        continue;
      }
      ::RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 2 * sizeof(wchar_t));
      ::RegCloseKey(key);
    }
  }
  ~UnmanagedWindows() {
    for (const wchar_t* program : kPrograms) {
      DeleteRegistryTree(HKEY_CURRENT_USER, std::wstring(L"Software\\Wine\\AppDefaults\\") + program);
    }
  }
  UnmanagedWindows(const UnmanagedWindows&) = delete;
  UnmanagedWindows& operator=(const UnmanagedWindows&) = delete;

 private:
  static constexpr const wchar_t* kPrograms[] = {L"lanthe.exe", L"mstsc.exe"};
  static std::wstring Key(const wchar_t* program) {
    return std::wstring(L"Software\\Wine\\AppDefaults\\") + program + L"\\X11 Driver";
  }
};

TEST(EnduranceE2E, FiftyReconnectsOfOneProcessLeaveNothingBehind) {
  const UnmanagedWindows unmanaged;
  RunOptions options;
  options.administrator = false;
  options.settingsFile =
      "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType>"
      "<RDP><ClientPath>$CLIENTS</ClientPath><Connection>ts01</Connection></RDP>"
      "<ShowReconnectDialog>True</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
      "<CitrixLogOff>2</CitrixLogOff></Settings>";
  options.clientExitAfterMs = 50;
  LantheRun run(options);
  ProcessResources at5;
  ProcessResources at50;
  for (int cycle = 1; cycle <= 50; ++cycle) {
    const auto question = run.WaitForMessageBox();
    ASSERT_TRUE(question) << "no question in cycle " << cycle;
    ASSERT_EQ(question->text, L"Connect again?");
    if (cycle == 5) at5 = run.Resources();
    if (cycle == 50) at50 = run.Resources();
    Answer(*question, IDYES);
  }
  const auto last = run.WaitForMessageBox();
  ASSERT_TRUE(last);
  Answer(*last, IDNO);
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.ClientCommandLines().size(), 51u) << "one process, 51 sessions";
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});

  std::printf("resources at cycle 5 and 50: handles %lu -> %lu, GDI objects %lu -> %lu, USER objects %lu -> %lu\n",
              at5.handles, at50.handles, at5.gdiObjects, at50.gdiObjects, at5.userObjects, at50.userObjects);
  ASSERT_GT(at5.handles, 0u) << "the handle count is reported";
  EXPECT_LE(at50.handles, at5.handles + kAllowedGrowth);
  // Wine reports no GDI or USER objects (0): those are checked where they are counted.
  if (at5.gdiObjects > 0) {
    EXPECT_LE(at50.gdiObjects, at5.gdiObjects + kAllowedGrowth);
  }
  if (at5.userObjects > 0) {
    EXPECT_LE(at50.userObjects, at5.userObjects + kAllowedGrowth);
  }
}

}  // namespace
}  // namespace lanthe::e2e
