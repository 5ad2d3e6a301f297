#include "platform/win32/crash_watcher.h"

#include <csignal>
#include <exception>
#include <memory>
#include <string>

#include "platform/crash_restart.h"
#include "platform/win32/shared_functions.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

namespace {

// werapi.h of the Windows SDK; mingw's lacks it.
constexpr DWORD kWerFaultReportingNoUi = 0x20;

HANDLE FromNumber(std::uint64_t value) noexcept { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)); }

std::uint64_t ToNumber(HANDLE handle) noexcept { return reinterpret_cast<std::uintptr_t>(handle); }

std::wstring EnvironmentValue(const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return std::wstring();
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.assign(length, L'\0');
  }
}

// An inheritable copy of a handle of this process, with only the rights given.
UniqueHandle InheritableCopy(HANDLE handle, DWORD access) noexcept {
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, access, TRUE, 0)) {
    return UniqueHandle();
  }
  return UniqueHandle(copy);
}

// Starts a command line that inherits exactly the handles listed (and no other of the
// many an inheritable handle of this process could be), as UpdateProcThreadAttribute's
// page describes PROC_THREAD_ATTRIBUTE_HANDLE_LIST.
bool StartInheriting(std::wstring commandLine, std::vector<HANDLE> handles, UniqueProcessInformation& process) {
  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::unique_ptr<std::byte[]> storage(new (std::nothrow) std::byte[size]);
  if (!storage) return false;
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.get());
  if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return false;
  struct Deleter {
    LPPROC_THREAD_ATTRIBUTE_LIST list;
    ~Deleter() { ::DeleteProcThreadAttributeList(list); }
  } deleter{attributes};
  const bool inherit = !handles.empty();
  if (inherit && !::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                              handles.size() * sizeof(HANDLE), nullptr, nullptr)) {
    return false;
  }
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.lpAttributeList = attributes;
  return ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inherit ? TRUE : FALSE,
                          EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo,
                          process.put()) != FALSE;
}

[[noreturn]] void EndAtOnce(DWORD exitCode) noexcept {
  ::TerminateProcess(::GetCurrentProcess(), exitCode);
  for (;;) ::Sleep(INFINITE);
}

LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* exception) {
  EndAtOnce(exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 3);
}

}  // namespace

Win32CrashWatcher::Win32CrashWatcher() noexcept {
  try {
    const std::wstring name = ToWide(kRestartVariable);
    const std::wstring value = EnvironmentValue(name.c_str());
    if (value.empty()) return;
    ::SetEnvironmentVariableW(name.c_str(), nullptr);
    const auto state = ParseRestartVariable(FromWide(value));
    if (!state) return;
    restarted_ = true;
    restarts_ = state->restarts;
    // Only a handle that names a process is the client's.
    if (state->client != 0 && ::GetProcessId(FromNumber(state->client)) != 0) {
      earlierClient_.reset(FromNumber(state->client));
    }
    // Windows' log-on screen went away with the program before.
    ShellReadySignalledBefore();
  } catch (...) {
  }
}

Win32CrashWatcher::~Win32CrashWatcher() { Disarm(); }

std::optional<std::uint32_t> Win32CrashWatcher::WaitForEarlierClient() noexcept {
  if (!earlierClient_) return std::nullopt;
  DWORD exitCode = 0;
  if (WaitAnsweringSentMessages(earlierClient_.get()) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(earlierClient_.get(), &exitCode)) {
    exitCode = 0;
  }
  earlierClient_.reset();
  return exitCode;
}

void Win32CrashWatcher::Arm() noexcept {
  if (!disarmed_) disarmed_.reset(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
  if (!disarmed_) return;
  HANDLE client = WaitedProgram();
  if (!client) client = earlierClient_.get();
  const DWORD clientId = client ? ::GetProcessId(client) : 0;
  const bool watching = watcher_ && ::WaitForSingleObject(watcher_.get(), 0) == WAIT_TIMEOUT;
  if (!watching || (clientId != 0 && clientId != watchedClient_)) {
    if (!StartWatcher(client)) return;
    watchedClient_ = clientId;
  }
  ::ResetEvent(disarmed_.get());
}

void Win32CrashWatcher::Disarm() noexcept {
  if (disarmed_) ::SetEvent(disarmed_.get());
}

bool Win32CrashWatcher::StartWatcher(HANDLE client) noexcept {
  try {
    const UniqueHandle program = InheritableCopy(::GetCurrentProcess(), SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
    const UniqueHandle disarmed = InheritableCopy(disarmed_.get(), SYNCHRONIZE);
    const UniqueHandle heldClient =
        client ? InheritableCopy(client, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION) : UniqueHandle();
    if (!program || !disarmed || (client && !heldClient)) return false;
    std::wstring self(MAX_PATH, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    if (self.empty() || self.size() >= MAX_PATH) return false;
    const WatchOrders orders{ToNumber(program.get()), ToNumber(disarmed.get()),
                             RestartState{ToNumber(heldClient.get()), restarts_}, FromWide(::GetCommandLineW())};
    std::vector<HANDLE> handles{program.get(), disarmed.get()};
    if (heldClient) handles.push_back(heldClient.get());
    UniqueProcessInformation started;
    if (!StartInheriting(L"\"" + self + L"\" " + ToWide(WatcherParameters(orders)), handles, started)) return false;
    // The one before held the earlier client; the new one holds this.
    if (watcher_) ::TerminateProcess(watcher_.get(), 0);
    started.closeThread();
    watcher_.reset(started.process());
    *started.put() = PROCESS_INFORMATION{};  // the process handle is watcher_'s now
    return true;
  } catch (...) {
    return false;
  }
}

void InstallCrashHandler() noexcept {
  ::SetUnhandledExceptionFilter(EndOnUnhandledException);
  // WerSetFlags works on this process only; SetErrorMode's SEM_NOGPFAULTERRORBOX would
  // be inherited by every client Lanthe starts.
  using WerSetFlagsFunction = HRESULT(WINAPI*)(DWORD);
  if (const auto werSetFlags = reinterpret_cast<WerSetFlagsFunction>(
          reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "WerSetFlags")))) {
    werSetFlags(kWerFaultReportingNoUi);
  }
  // abort() would show the C runtime's box before it ends the program.
  std::signal(SIGABRT, [](int) { EndAtOnce(3); });
  std::set_terminate([] { EndAtOnce(3); });
}

int RunCrashWatcher(TextView parameters, IPower& power, IEventLog& events) noexcept {
  try {
    auto orders = ParseWatcherParameters(parameters);
    if (!orders) return 2;
    const UniqueHandle program(FromNumber(orders->program));
    const UniqueHandle disarmed(FromNumber(orders->disarmed));
    const UniqueHandle client(FromNumber(orders->state.client));
    if (::WaitForSingleObject(program.get(), INFINITE) != WAIT_OBJECT_0) return 1;
    if (::WaitForSingleObject(disarmed.get(), 0) == WAIT_OBJECT_0) return 0;  // a normal end
    // The session is ending: Windows ends its programs, and nothing is to start.
    if (::GetSystemMetrics(SM_SHUTTINGDOWN) != 0) return 0;
    DWORD exitCode = 0;
    ::GetExitCodeProcess(program.get(), &exitCode);
    RestartState next{ToNumber(client.get()), orders->state.restarts};
    const bool startAgain = DecideAfterAbnormalEnd(next.restarts, ::GetTickCount64()) == AfterAbnormalEnd::kStartAgain;
    if (startAgain) {
      ::SetEnvironmentVariableW(ToWide(kRestartVariable).c_str(), ToWide(RestartVariableValue(next)).c_str());
      std::vector<HANDLE> handles;
      if (client) handles.push_back(client.get());
      UniqueProcessInformation process;
      if (StartInheriting(ToWide(orders->commandLine), handles, process)) {
        events.Report(RestartedEvent(exitCode, next.restarts.size()));
        return 0;
      }
    }
    // A kiosk user without a shell faces a black screen: the log-off brings the
    // automatic log-on, and with it a fresh start.
    events.Report(RestartGivenUpEvent(exitCode, startAgain));
    events.Flush();
    power.ShutdownWindows(ExitWindowsFlags::kLogOff);
    return 0;
  } catch (...) {
    return 1;
  }
}

}  // namespace lanthe::win32
