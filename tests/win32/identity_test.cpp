// Who runs the program, and the shutdown sequence with its session calls replaced.
// No test here requests a real power action: under Wine that would end every
// process of the prefix.

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/power.h"
#include "platform/win32/shared_functions.h"
#include "platform/win32/win32_platform.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

TEST(Identity, WineUsersAreAdministrators) {
  EXPECT_TRUE(IsAdministrator());
  EXPECT_TRUE(Win32Identity().IsAdministrator());
}

TEST(Identity, AdministratorsSidIsTheWellKnownOne) {
  const UniqueSid sid = CreateAdministratorsSid();
  ASSERT_TRUE(sid);
  ASSERT_TRUE(::IsValidSid(sid.get()));
  BYTE wellKnown[SECURITY_MAX_SID_SIZE] = {};
  DWORD size = sizeof wellKnown;
  ASSERT_TRUE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, wellKnown, &size));
  EXPECT_TRUE(::EqualSid(sid.get(), wellKnown));

  BYTE users[SECURITY_MAX_SID_SIZE] = {};
  size = sizeof users;
  ASSERT_TRUE(::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &size));
  EXPECT_FALSE(::EqualSid(sid.get(), users));
}

TEST(Identity, UserNameIsTheLoggedOnUserWithoutTerminator) {
  const Text name = GetCurrentUserName();
  ASSERT_FALSE(name.empty());
  EXPECT_NE(name.back(), u'\0');
  EXPECT_EQ(name.find(u'\0'), Text::npos);
  EXPECT_EQ(W(name), EnvironmentValue(L"USERNAME"));
  EXPECT_EQ(Win32Identity().GetCurrentUserName(), name);
}

// ---- Shutdown sequence ----------------------------------------------------------

struct ExitCall {
  UINT flags;
  DWORD reason;
};

TEST(ShutdownSequence, TokenThatCannotBeOpenedStopsBeforeExitWindows) {
  std::vector<DWORD> requestedAccess;
  std::vector<ExitCall> exits;
  const bool result = ShutdownWindowsWith(
      ExitWindowsFlags::kShutdown,
      [&](HANDLE, DWORD access, PHANDLE) -> BOOL {
        requestedAccess.push_back(access);
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
      },
      [&](UINT flags, DWORD reason) -> BOOL {
        exits.push_back({flags, reason});
        return TRUE;
      });
  EXPECT_FALSE(result);
  EXPECT_EQ(requestedAccess, std::vector<DWORD>{TOKEN_ADJUST_PRIVILEGES});
  EXPECT_TRUE(exits.empty());
}

TEST(ShutdownSequence, PassesTheFlagsUnchangedAndReturnsTheResult) {
  const std::uint16_t flags[] = {ExitWindowsFlags::kPowerOff, ExitWindowsFlags::kLogOff,
                                 ExitWindowsFlags::kShutdown, ExitWindowsFlags::kRestart, 0xFFFF};
  for (const auto flag : flags) {
    for (const BOOL accepted : {TRUE, FALSE}) {
      std::vector<ExitCall> exits;
      const bool result = ShutdownWindowsWith(flag, ::OpenProcessToken, [&](UINT given, DWORD reason) -> BOOL {
        exits.push_back({given, reason});
        return accepted;
      });
      EXPECT_EQ(result, accepted != FALSE) << "flags " << flag;
      ASSERT_EQ(exits.size(), 1u);
      EXPECT_EQ(exits[0].flags, flag);
      EXPECT_EQ(exits[0].reason, 0x80000000u) << "a planned shut-down, never the unplanned 0";
    }
  }
}

// Whether SeShutdownPrivilege is enabled in this process's token; nullopt when it
// cannot be told.
std::optional<bool> ShutdownPrivilegeEnabled() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::nullopt;
  const UniqueHandle token(raw);
  LUID shutdown{};
  if (!::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown)) return std::nullopt;
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<std::uint64_t> buffer(size / sizeof(std::uint64_t) + 1);
  if (!::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) return std::nullopt;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  const LUID_AND_ATTRIBUTES* entries = privileges->Privileges;
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    if (entries[i].Luid.LowPart == shutdown.LowPart && entries[i].Luid.HighPart == shutdown.HighPart) {
      return (entries[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  return false;
}

bool SetShutdownPrivilege(bool enabled) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &raw)) return false;
  const UniqueHandle token(raw);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = enabled ? SE_PRIVILEGE_ENABLED : 0;
  if (!::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return false;
  return ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) &&
         ::GetLastError() == ERROR_SUCCESS;
}

TEST(ShutdownSequence, EnablesThePrivilegeAndClosesTheTokenBeforeExitWindows) {
  ASSERT_TRUE(SetShutdownPrivilege(false));
  ASSERT_EQ(ShutdownPrivilegeEnabled(), std::optional<bool>(false));

  HANDLE opened = nullptr;
  bool tokenClosedAtExit = false;
  std::optional<bool> enabledAtExit;
  const bool result = ShutdownWindowsWith(
      ExitWindowsFlags::kRestart,
      [&](HANDLE process, DWORD access, PHANDLE token) -> BOOL {
        const BOOL ok = ::OpenProcessToken(process, access, token);
        opened = *token;
        return ok;
      },
      [&](UINT, DWORD) -> BOOL {
        // Looked at before anything else opens a handle that could take the same value.
        DWORD handleFlags = 0;
        tokenClosedAtExit = !::GetHandleInformation(opened, &handleFlags);
        enabledAtExit = ShutdownPrivilegeEnabled();
        return TRUE;
      });
  EXPECT_TRUE(result);
  EXPECT_NE(opened, nullptr);
  EXPECT_TRUE(tokenClosedAtExit);
  EXPECT_EQ(enabledAtExit, std::optional<bool>(true));
}

}  // namespace
}  // namespace lanthe::win32
