#pragma once
// The system-service procedures the platform classes are built from: starting and
// ending programs, window titles, shell folders, the user and the shutdown call.
// None of them throws; failures come back as empty text, false or an empty owner.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/message_boxes.h"
#include "platform/text.h"
#include "platform/win32/handles.h"

namespace lanthe::win32 {

// Starts "program parameters" (the blank always stands between them, also when
// parameters is empty; program is taken as the caller quoted it). A program that
// cannot be started is reported through messages and the call returns 0 at once.
// With wait, blocks until the program has ended and returns its exit code,
// answering only the messages other programs send to this thread's windows
// meanwhile; without, returns 0.
// Runs, when set, right before each CreateProcessW of RunProgram (the test build
// measures its way to the client's start with it).
extern void (*g_beforeProgramStart)() noexcept;

// started, when given, runs once the program has started, before the wait.
std::uint32_t RunProgram(TextView program, TextView parameters, std::uint16_t showState, bool wait,
                         IMessageBoxes& messages, const std::function<void()>& started = {}) noexcept;

// Waits for the process without leaving this thread's windows dead to the rest of the
// system: messages that other programs send (a broadcast such as WM_SETTINGCHANGE, a
// DDE start, the question whether the session may end) are answered at once. Posted
// messages (input, clicks, timers) stay in the queue until the process has ended, so
// nothing of the program itself runs meanwhile.
// With a timeout, returns WAIT_TIMEOUT once it has passed.
DWORD WaitAnsweringSentMessages(HANDLE process, DWORD timeoutMs = INFINITE) noexcept;

// The process that RunProgram waits for at this moment (from its start, through the
// started callback, to its end); null otherwise. Owned by RunProgram.
HANDLE WaitedProgram() noexcept;
// Starts a whole command line with CreateProcessW (no application name, so the system
// splits it; no command interpreter) and shows nothing when it cannot: nullopt then.
// With wait, blocks until the program has ended, answering only the messages other
// programs send to this thread's windows meanwhile, and gives its exit code; without,
// gives 0.
std::optional<std::uint32_t> StartCommandLine(TextView commandLine, bool wait) noexcept;

// Terminates every process whose executable field matches name (ProcessNameMatches).
// The outcome of the last termination tried; false when nothing matched.
bool KillProcessByName(TextView name) noexcept;

// EnumWindows callback; list points to a std::vector<Text> that receives every
// non-empty title, cut to 256 characters.
BOOL CALLBACK EnumWindowTitlesProc(HWND window, LPARAM list);

// SHGetFolderPathW for a CSIDL; empty when the shell cannot give the folder.
Text GetSpecialFolder(int csidl) noexcept;

// The well-known SID of the local Administrators group (S-1-5-32-544).
UniqueSid CreateAdministratorsSid() noexcept;

// True on the old consumer systems, where everyone is an administrator; on NT when
// the process token's group list contains Administrators, whatever the group's
// attributes (a deny-only entry counts as well).
bool IsAdministrator() noexcept;

Text GetWindowsDir() noexcept;

Text GetCurrentUserName() noexcept;

// The reason given with every power action: planned. ExitWindowsEx's page asks for a
// reason code; 0 is logged as an unplanned shut-down, which may even make Windows
// write a system-state dump on the way down.
inline constexpr DWORD kPlannedShutdownReason =
    SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED;

// Requests ExitWindowsEx(flags, planned) after enabling the shutdown privilege. Only
// the start of the end: Windows may still cancel it, and says how it went with
// WM_ENDSESSION.
bool ShutdownWindows(std::uint16_t flags) noexcept;

namespace detail {
// GetVersionExW's platform id (1 for the consumer systems, 2 for NT); false when the
// call fails.
bool QueryPlatformId(DWORD& platformId) noexcept;
// Enables SeShutdownPrivilege on the token; whether it worked does not matter to the
// caller, because ExitWindowsEx reports a missing privilege itself.
void EnableShutdownPrivilege(HANDLE token) noexcept;
}  // namespace detail

// ShutdownWindows with its two session-touching calls passed in, so that tests can
// run the sequence without a real power action. openProcessToken has the shape of
// ::OpenProcessToken, exitWindowsEx that of ::ExitWindowsEx.
//
// Exit paths: version unknown -> false, nothing done; NT and the token cannot be
// opened for adjusting privileges -> false, ExitWindowsEx not called; otherwise
// ExitWindowsEx's result.
template <typename OpenProcessTokenFn, typename ExitWindowsExFn>
bool ShutdownWindowsWith(std::uint16_t flags, OpenProcessTokenFn&& openProcessToken,
                         ExitWindowsExFn&& exitWindowsEx) noexcept {
  DWORD platformId = 0;
  if (!detail::QueryPlatformId(platformId)) return false;
  if (platformId == VER_PLATFORM_WIN32_NT) {
    HANDLE raw = nullptr;
    if (!openProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &raw)) return false;
    const UniqueHandle token(raw);
    detail::EnableShutdownPrivilege(token.get());
  }
  return exitWindowsEx(static_cast<UINT>(flags), kPlannedShutdownReason) != FALSE;
}

}  // namespace lanthe::win32
