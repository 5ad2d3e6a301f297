#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

#include "platform/processes.h"
#include "platform/win32/handles.h"
#include "platform/win32/shared_functions.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

namespace {

// How often the wait for a client to appear looks at the process list. Between looks
// the thread sleeps in MsgWaitForMultipleObjectsEx, woken only by sent messages.
constexpr DWORD kLookIntervalMs = 500;

// The session of a process; ProcessIdToSessionId needs PROCESS_QUERY_INFORMATION on it
// (its page, learn.microsoft.com .../nf-processthreadsapi-processidtosessionid), which
// another user's process may refuse: such a process is nobody's of this session.
bool InSession(DWORD processId, DWORD session) noexcept {
  DWORD processSession = 0;
  return ::ProcessIdToSessionId(processId, &processSession) != FALSE && processSession == session;
}

DWORD OwnSession() noexcept {
  DWORD session = 0;
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) session = 0;
  return session;
}

// The identifiers of this session's processes with the image name; a snapshot that
// cannot be taken lists none.
std::vector<DWORD> ProcessesNamed(TextView name) noexcept {
  std::vector<DWORD> found;
  try {
    // CreateToolhelp32Snapshot with TH32CS_SNAPPROCESS lists every process of the system;
    // the session is asked of each match (learn.microsoft.com .../nf-tlhelp32-createtoolhelp32snapshot).
    const UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return found;
    const DWORD session = OwnSession();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
      Text field;
      for (const wchar_t* c = entry.szExeFile; *c != L'\0'; ++c) field.push_back(static_cast<char16_t>(*c));
      if (ProcessNameMatches(field, name) && InSession(entry.th32ProcessID, session)) {
        found.push_back(entry.th32ProcessID);
      }
    }
  } catch (...) {
    found.clear();
  }
  return found;
}

// Sleeps for the time given, answering sent messages, without a handle to wait on.
void PauseAnsweringSentMessages(DWORD milliseconds) noexcept {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return;
    const DWORD result =
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE, 0);
    if (result != WAIT_OBJECT_0) return;  // the time is up, or the wait failed
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

bool Win32ClientProcesses::WaitForProcessToAppear(TextView name, std::uint32_t timeoutMs) noexcept {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (!ProcessesNamed(name).empty()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    PauseAnsweringSentMessages(static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kLookIntervalMs)));
  }
}

std::uint32_t Win32ClientProcesses::WaitForProcessesToEnd(TextView name) noexcept {
  // Once the client runs, its processes are waited on by handle: no looking in between.
  // When the last has ended, one more look finds any that started meanwhile.
  // GetExitCodeProcess needs PROCESS_QUERY_LIMITED_INFORMATION (OpenProcess, "Process
  // Security and Access Rights"), which a user has on the processes of its own session.
  DWORD lastExitCode = 0;
  for (;;) {
    std::vector<UniqueHandle> running;
    try {
      for (const DWORD id : ProcessesNamed(name)) {
        UniqueHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        if (process) running.push_back(std::move(process));
      }
    } catch (...) {
      return lastExitCode;
    }
    if (running.empty()) return lastExitCode;
    for (const UniqueHandle& process : running) {
      WaitAnsweringSentMessages(process.get());
      DWORD exitCode = 0;
      if (::GetExitCodeProcess(process.get(), &exitCode)) lastExitCode = exitCode;
    }
  }
}

}  // namespace lanthe::win32
