#include "platform/win32/shared_functions.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/processes.h"
#include "platform/win32/wide.h"

namespace lanthe::win32 {

namespace {

Text FailedToStartMessage(TextView program, TextView parameters) {
  Text text = u"Failed to excecute program ";
  text += program;
  text += u" ";
  text += parameters;
  text += u" ";
  text += u"\r\n";
  text += u"to use this functionality download autologon.exe from Sysinternals";
  text += u"\r\n";
  text += u"and copy it into the Lanthe programm directory";
  return text;
}

Text ExceptionMessage(TextView program, TextView parameters) {
  Text text = u"Exception on excecute program ";
  text += program;
  text += u" ";
  text += parameters;
  return text;
}

// A message must not take the caller down: when the text cannot be built or the box
// fails, nothing is shown.
void ShowQuietly(IMessageBoxes& messages, Text (*build)(TextView, TextView), TextView program,
                 TextView parameters) noexcept {
  try {
    messages.ShowMessage(build(program, parameters));
  } catch (...) {
  }
}

// The process RunProgram waits for now; null while it waits for none.
HANDLE waitedProgram = nullptr;

}  // namespace

HANDLE WaitedProgram() noexcept { return waitedProgram; }

DWORD WaitAnsweringSentMessages(HANDLE process, DWORD timeoutMs) noexcept {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    DWORD wait = INFINITE;
    if (timeoutMs != INFINITE) {
      const ULONGLONG now = ::GetTickCount64();
      wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    }
    const DWORD result = ::MsgWaitForMultipleObjectsEx(1, &process, wait, QS_SENDMESSAGE, 0);
    if (result != WAIT_OBJECT_0 + 1) return result;
    // Peeking for sent messages hands each of them to its window procedure; nothing
    // posted is looked at or taken off the queue.
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void (*g_beforeProgramStart)() noexcept = nullptr;

std::uint32_t RunProgram(TextView program, TextView parameters, std::uint16_t showState, bool wait,
                         IMessageBoxes& messages, const std::function<void()>& onStarted) noexcept {
  UniqueProcessInformation process;
  bool started = false;
  try {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showState;
    // CreateProcessW may write into the command line, so it lives in a buffer of its own.
    std::wstring commandLine = ToWide(program);
    commandLine += L' ';
    commandLine += ToWide(parameters);
    if (g_beforeProgramStart) g_beforeProgramStart();
    started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                               NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                               process.put()) != FALSE;
  } catch (...) {
    ShowQuietly(messages, ExceptionMessage, program, parameters);
    return 0;
  }
  if (!started) {
    ShowQuietly(messages, FailedToStartMessage, program, parameters);
    return 0;
  }

  process.closeThread();
  struct Waited {
    explicit Waited(HANDLE process) noexcept : previous(std::exchange(waitedProgram, process)) {}
    ~Waited() { waitedProgram = previous; }
    HANDLE previous;
  } waited(wait ? process.process() : nullptr);
  if (onStarted) {
    // The program gets a head start: what follows its start (windows, the desktop,
    // announcements to every window) would otherwise compete with it for the machine
    // while it loads. A thread with windows (a reconnect's) answers other programs
    // meanwhile; one without (the first start's) does not load the window functions
    // for it.
    constexpr DWORD kHeadStartMs = 250;
    if (wait && ::GetModuleHandleW(L"user32.dll") != nullptr) {
      WaitAnsweringSentMessages(process.process(), kHeadStartMs);
    } else if (wait) {
      ::WaitForSingleObject(process.process(), kHeadStartMs);
    }
    try {
      onStarted();
    } catch (...) {
      // What follows a start must not cost the wait.
    }
  }
  DWORD exitCode = 0;
  if (wait && WaitAnsweringSentMessages(process.process()) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process.process(), &exitCode);
  }
  return exitCode;
}

std::optional<std::uint32_t> StartCommandLine(TextView commandLine, bool wait) noexcept {
  UniqueProcessInformation process;
  try {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // CreateProcessW may write into the command line, so it lives in a buffer of its own.
    std::wstring buffer = ToWide(commandLine);
    if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                          &startup, process.put())) {
      return std::nullopt;
    }
  } catch (...) {
    return std::nullopt;
  }
  process.closeThread();
  DWORD exitCode = 0;
  if (wait && WaitAnsweringSentMessages(process.process()) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process.process(), &exitCode);
  }
  return exitCode;
}

bool KillProcessByName(TextView name) noexcept {
  const UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;

  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool result = false;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    // The field copied into a local array: no allocation in the walk.
    char16_t field[MAX_PATH];
    std::size_t length = 0;
    while (length < MAX_PATH && entry.szExeFile[length] != L'\0') {
      field[length] = static_cast<char16_t>(entry.szExeFile[length]);
      ++length;
    }
    if (!ProcessNameMatches(TextView(field, length), name)) continue;
    const UniqueHandle target(::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
    result = target && ::TerminateProcess(target.get(), 0) != FALSE;
  }
  return result;
}

BOOL CALLBACK EnumWindowTitlesProc(HWND window, LPARAM list) {
  constexpr int kCapacity = 257;
  wchar_t title[kCapacity] = {};
  const int length = ::GetWindowTextW(window, title, kCapacity);
  if (length > 0 && title[0] != L'\0') {
    try {
      reinterpret_cast<std::vector<Text>*>(list)->push_back(FromWideBuffer(title, kCapacity - 1));
    } catch (...) {
      // Out of memory: the title is left out, and the walk goes on.
    }
  }
  return TRUE;
}

Text GetSpecialFolder(int csidl) noexcept {
  constexpr std::size_t kCapacity = 262;
  wchar_t buffer[kCapacity] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, 0, buffer))) return Text();
  try {
    return FromWideBuffer(buffer, kCapacity - 1);
  } catch (...) {
    return Text();
  }
}

UniqueSid CreateAdministratorsSid() noexcept {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid)) {
    return UniqueSid();
  }
  return UniqueSid(sid);
}

bool IsAdministrator() noexcept {
  DWORD platformId = 0;
  detail::QueryPlatformId(platformId);
  const bool consumerSystem = platformId == VER_PLATFORM_WIN32_WINDOWS;
  if (platformId != VER_PLATFORM_WIN32_NT) return consumerSystem;

  HANDLE rawToken = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return false;
  const UniqueHandle token(rawToken);

  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
  if (size == 0) return false;
  // operator new[] aligns for any type, as TOKEN_GROUPS needs.
  const std::unique_ptr<std::byte[]> buffer(new (std::nothrow) std::byte[size]);
  if (!buffer) return false;
  if (!::GetTokenInformation(token.get(), TokenGroups, buffer.get(), size, &size)) return false;

  const UniqueSid administrators = CreateAdministratorsSid();
  if (!administrators) return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.get());
  const SID_AND_ATTRIBUTES* entries = groups->Groups;
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (::EqualSid(administrators.get(), entries[i].Sid)) return true;
  }
  return false;
}

Text GetWindowsDir() noexcept {
  constexpr UINT kCapacity = 255;
  wchar_t buffer[kCapacity] = {};
  ::GetWindowsDirectoryW(buffer, kCapacity);
  try {
    return FromWideBuffer(buffer, kCapacity);
  } catch (...) {
    return Text();
  }
}

Text GetCurrentUserName() noexcept {
  wchar_t buffer[254] = {};
  DWORD size = 253;
  if (!::GetUserNameW(buffer, &size) || size == 0) return Text();
  // The reported length counts the terminating NUL.
  const std::size_t length = std::min<std::size_t>(size - 1, 253);
  try {
    return FromWide(std::wstring_view(buffer, length));
  } catch (...) {
    return Text();
  }
}

bool ShutdownWindows(std::uint16_t flags) noexcept {
  return ShutdownWindowsWith(flags, ::OpenProcessToken, ::ExitWindowsEx);
}

namespace detail {

bool QueryPlatformId(DWORD& platformId) noexcept {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  // Only the platform id is looked at, which the compatibility shims never change.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = ::GetVersionExW(&version);
#pragma GCC diagnostic pop
  if (!ok) return false;
  platformId = version.dwPlatformId;
  return true;
}

void EnableShutdownPrivilege(HANDLE token) noexcept {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
  ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
}

}  // namespace detail

}  // namespace lanthe::win32
