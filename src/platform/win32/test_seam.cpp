#include "platform/win32/test_seam.h"

#include <algorithm>
#include <cwchar>
#include <map>
#include <mutex>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/shared_functions.h"
#include "platform/win32/wide.h"

namespace lanthe::win32 {

namespace {

// The variable as the process sees it now (SetEnvironmentVariableW included, which
// the C runtime's copy of the environment does not follow). Empty when unset.
std::wstring EnvironmentValue(const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.assign(length, L'\0');
  }
}

// "1" yes, "0" no; anything else leaves the question to the real service.
std::optional<bool> HarnessAnswer(const wchar_t* variable) noexcept {
  try {
    const std::wstring answer = EnvironmentValue(variable);
    if (answer == L"1") return true;
    if (answer == L"0") return false;
  } catch (...) {
  }
  return std::nullopt;
}

}  // namespace

bool TestSeamIdentity::IsAdministrator() noexcept {
  return HarnessAnswer(L"LANTHE_TEST_ADMINISTRATOR").value_or(real_.IsAdministrator());
}

Text TestSeamIdentity::GetCurrentUserName() noexcept { return real_.GetCurrentUserName(); }

bool TestSeamIdentity::IsElevated() noexcept {
  return HarnessAnswer(L"LANTHE_TEST_ELEVATED").value_or(real_.IsElevated());
}

namespace {

class RegistryGroupPolicyObject final : public IGroupPolicyObject {
 public:
  explicit RegistryGroupPolicyObject(IIdentity& identity) : identity_(identity) {}
  bool OpenLocalMachineGPO() noexcept override { return identity_.IsAdministrator(); }
  // A local user's or group's object: its user section is "Users\<SID>", and its saves
  // are counted there.
  bool OpenLocalMachineGPOForPrincipal(TextView sid) noexcept override {
    try {
      principal_ = L"\\Users\\" + ToWide(sid);
    } catch (...) {
      return false;
    }
    return identity_.IsAdministrator();
  }
  std::unique_ptr<IRegistryKey> GetUserRegistryKey() noexcept override {
    return Section(principal_.empty() ? L"\\User" : principal_.c_str());
  }
  std::unique_ptr<IRegistryKey> GetMachineRegistryKey() noexcept override { return Section(L"\\Machine"); }
  void Save(bool machine) noexcept override {
    HKEY key = nullptr;
    std::wstring counted;
    try {
      counted = std::wstring(kTestGroupPolicyKey) + principal_;
    } catch (...) {
      return;
    }
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, counted.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
      return;
    }
    const UniqueKey owned(key);
    const wchar_t* counter = machine ? L"MachineSaves" : L"Saves";
    DWORD saves = 0;
    DWORD size = sizeof saves;
    ::RegQueryValueExW(key, counter, nullptr, nullptr, reinterpret_cast<BYTE*>(&saves), &size);
    ++saves;
    ::RegSetValueExW(key, counter, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saves), sizeof saves);
  }

 private:
  static std::unique_ptr<IRegistryKey> Section(const wchar_t* name) noexcept {
    try {
      HKEY key = nullptr;
      const std::wstring path = std::wstring(kTestGroupPolicyKey) + name;
      if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
          ERROR_SUCCESS) {
        return nullptr;
      }
      return WrapRegistryKey(key);
    } catch (...) {
      return nullptr;
    }
  }

 private:
  IIdentity& identity_;
  std::wstring principal_;  // "\\Users\\<SID>" for a principal's object
};

}  // namespace

std::unique_ptr<IGroupPolicyObject> TestSeamGroupPolicy::CreateObject(std::uint32_t& errorCode) noexcept {
  try {
    if (EnvironmentValue(L"LANTHE_TEST_GROUP_POLICY") == L"registry") {
      return std::make_unique<RegistryGroupPolicyObject>(identity_);
    }
  } catch (...) {
  }
  return real_.CreateObject(errorCode);
}

std::uint32_t TestSeamSecretStore::StorePrivateData(TextView keyName, TextView data) noexcept {
  try {
    if (EnvironmentValue(L"LANTHE_TEST_LSA") != L"registry") return real_.StorePrivateData(keyName, data);
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kTestSecretsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
      return LsaStatus::kAccessDenied;
    }
    const UniqueKey owned(key);
    const std::wstring name = ToWide(keyName);
    const std::wstring value = ToWide(data);
    const LSTATUS status = ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return status == ERROR_SUCCESS ? LsaStatus::kSuccess : LsaStatus::kAccessDenied;
  } catch (...) {
    return LsaStatus::kNoMemory;
  }
}

PrivateData TestSeamSecretStore::ReadPrivateData(TextView keyName) noexcept {
  try {
    if (EnvironmentValue(L"LANTHE_TEST_LSA") != L"registry") return real_.ReadPrivateData(keyName);
    wchar_t value[512] = {};
    DWORD size = sizeof value;
    const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, kTestSecretsKey, ToWide(keyName).c_str(), RRF_RT_REG_SZ,
                                          nullptr, value, &size);
    if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && value[0] == L'\0')) {
      return {SecretState::kNotStored, {}};
    }
    if (status != ERROR_SUCCESS) return {};
    return {SecretState::kStored, FromWideBuffer(value, 512)};
  } catch (...) {
    return {};
  }
}

std::uint32_t TestSeamSecretStore::DeletePrivateData(TextView keyName) noexcept {
  try {
    if (EnvironmentValue(L"LANTHE_TEST_LSA") != L"registry") return real_.DeletePrivateData(keyName);
    HKEY key = nullptr;
    // As the real store answers: nothing stored under the name is "not found".
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kTestSecretsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
      return LsaStatus::kObjectNameNotFound;
    }
    const UniqueKey owned(key);
    const LSTATUS status = ::RegDeleteValueW(key, ToWide(keyName).c_str());
    if (status == ERROR_FILE_NOT_FOUND) return LsaStatus::kObjectNameNotFound;
    return status == ERROR_SUCCESS ? LsaStatus::kSuccess : LsaStatus::kAccessDenied;
  } catch (...) {
    return LsaStatus::kNoMemory;
  }
}

namespace {

// How long a query to a name server that does not answer waits before it gives up:
// shorter than Windows' retries, so that tests are not held up by it.
constexpr ULONGLONG kSilentServerMs = 2000;
constexpr ULONGLONG kNever = ~0ULL;

// The milliseconds a variable gives: nullopt when unset, kNever for "never".
std::optional<ULONGLONG> Milliseconds(const wchar_t* variable) {
  const std::wstring value = EnvironmentValue(variable);
  if (value.empty()) return std::nullopt;
  if (value == L"never") return kNever;
  return std::wcstoull(value.c_str(), nullptr, 10);
}

void SleepUntil(ULONGLONG tick) noexcept {
  for (ULONGLONG now = ::GetTickCount64(); now < tick; now = ::GetTickCount64()) {
    ::Sleep(static_cast<DWORD>(tick - now));
  }
}

}  // namespace

// The network's story from the program's first question on. Fixed then, apart from
// the watchers, which the lock guards.
struct TestSeamNetwork::Timeline {
  bool begun = false;
  ULONGLONG firstAsked = 0;
  std::optional<ULONGLONG> interfaceAfter;  // nullopt: the real network
  std::optional<ULONGLONG> nameAfter;       // nullopt: every name at once
  std::wstring stampFile;

  std::mutex mutex;
  std::map<int, std::function<void()>> watchers;
  int nextWatcher = 0;

  ULONGLONG InterfaceMs() const { return interfaceAfter.value_or(0); }
  ULONGLONG NameMs() const { return nameAfter.value_or(0); }

  // The counter's reading as the network, and its name, came up.
  void Stamp() const noexcept {
    if (stampFile.empty()) return;
    LARGE_INTEGER now{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    try {
      const UniqueFile out(::CreateFileW(stampFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!out) return;
      const std::string line = std::to_string(now.QuadPart) + " " + std::to_string(frequency.QuadPart) + "\r\n";
      DWORD written = 0;
      ::WriteFile(out.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } catch (...) {
    }
  }
};

namespace {

using Timeline = TestSeamNetwork::Timeline;

// Plays what Windows would do: the change events when the interface comes up (on a
// thread of the system's, here this one), and the stamp once the name resolves too.
DWORD WINAPI PlayTimeline(void* parameter) noexcept {
  const std::unique_ptr<std::shared_ptr<Timeline>> owned(static_cast<std::shared_ptr<Timeline>*>(parameter));
  Timeline& timeline = **owned;
  const ULONGLONG interfaceMs = timeline.InterfaceMs();
  const ULONGLONG nameMs = timeline.NameMs();
  if (interfaceMs > 0) {
    SleepUntil(timeline.firstAsked + interfaceMs);
    if (nameMs <= interfaceMs) timeline.Stamp();
    const std::lock_guard<std::mutex> lock(timeline.mutex);
    for (const auto& [id, changed] : timeline.watchers) {
      try {
        changed();
      } catch (...) {
      }
    }
  }
  if (nameMs > interfaceMs && nameMs != kNever) {
    SleepUntil(timeline.firstAsked + nameMs);
    timeline.Stamp();
  }
  return 0;
}

// The first question starts the story.
void Begin(const std::shared_ptr<Timeline>& timeline) noexcept {
  if (timeline->begun) return;
  timeline->begun = true;
  timeline->firstAsked = ::GetTickCount64();
  try {
    timeline->interfaceAfter = Milliseconds(L"LANTHE_TEST_NETWORK_UP_AFTER_MS");
    timeline->nameAfter = Milliseconds(L"LANTHE_TEST_NAME_RESOLVES_AFTER_MS");
    timeline->stampFile = EnvironmentValue(L"LANTHE_TEST_NETWORK_STAMP");
    const ULONGLONG interfaceMs = timeline->InterfaceMs();
    const ULONGLONG nameMs = timeline->NameMs();
    // Nothing comes later, or the interface never does.
    if (interfaceMs == kNever || (interfaceMs == 0 && (nameMs == 0 || nameMs == kNever))) return;
    auto parameter = std::make_unique<std::shared_ptr<Timeline>>(timeline);
    const UniqueHandle thread(::CreateThread(nullptr, 64 * 1024, PlayTimeline, parameter.get(),
                                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (thread) parameter.release();  // the thread owns it now
  } catch (...) {
  }
}

class SeamWatch final : public INetworkWatch {
 public:
  SeamWatch(std::shared_ptr<Timeline> timeline, int id) noexcept : timeline_(std::move(timeline)), id_(id) {}
  ~SeamWatch() override {
    const std::lock_guard<std::mutex> lock(timeline_->mutex);
    timeline_->watchers.erase(id_);
  }
  SeamWatch(const SeamWatch&) = delete;
  SeamWatch& operator=(const SeamWatch&) = delete;

 private:
  std::shared_ptr<Timeline> timeline_;
  int id_;
};

}  // namespace

TestSeamNetwork::TestSeamNetwork() noexcept : timeline_(std::make_shared<Timeline>()) {}

bool TestSeamNetwork::IsUp() noexcept {
  Begin(timeline_);
  if (!timeline_->interfaceAfter) return real_.IsUp();
  return ::GetTickCount64() - timeline_->firstAsked >= *timeline_->interfaceAfter;
}

std::unique_ptr<INetworkWatch> TestSeamNetwork::WatchChanges(std::function<void()> changed) noexcept {
  Begin(timeline_);
  if (!timeline_->interfaceAfter) return real_.WatchChanges(std::move(changed));
  try {
    const std::lock_guard<std::mutex> lock(timeline_->mutex);
    const int id = timeline_->nextWatcher++;
    timeline_->watchers.emplace(id, std::move(changed));
    return std::make_unique<SeamWatch>(timeline_, id);
  } catch (...) {
    return nullptr;
  }
}

std::unique_ptr<INameQuery> TestSeamNetwork::Resolve(TextView, std::function<void()> answered) noexcept {
  Begin(timeline_);
  try {
    if (!timeline_->nameAfter) return StartNameQuery([] { return true; }, std::move(answered));
    return StartNameQuery(
        [timeline = timeline_, asked = ::GetTickCount64()] {
          const ULONGLONG nameMs = timeline->NameMs();
          const ULONGLONG resolvesAt = nameMs == kNever ? kNever : timeline->firstAsked + nameMs;
          SleepUntil(std::min(resolvesAt, asked + kSilentServerMs));
          return ::GetTickCount64() >= resolvesAt;
        },
        std::move(answered));
  } catch (...) {
    return nullptr;
  }
}

namespace {

LARGE_INTEGER processStart{};  // the process's creation, in the counter's time
LARGE_INTEGER programStart{};  // the first line of the program

void WriteStartStamp() noexcept {
  static bool done = false;
  if (done) return;
  done = true;
  LARGE_INTEGER now{};
  LARGE_INTEGER frequency{};
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  try {
    const std::wstring file = EnvironmentValue(L"LANTHE_TEST_START_STAMP");
    if (file.empty()) return;
    const UniqueFile out(::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return;
    const std::string line = std::to_string(processStart.QuadPart) + " " + std::to_string(programStart.QuadPart) +
                             " " + std::to_string(now.QuadPart) + " " + std::to_string(frequency.QuadPart) + "\r\n";
    DWORD written = 0;
    ::WriteFile(out.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } catch (...) {
  }
}

}  // namespace

void StampProgramStart() noexcept {
  ::QueryPerformanceCounter(&programStart);
  // The creation time is a wall-clock time: the counter's reading then is the reading
  // now less the time since.
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  LARGE_INTEGER frequency{};
  ::QueryPerformanceFrequency(&frequency);
  ::GetSystemTimePreciseAsFileTime(&now);
  processStart = programStart;
  if (::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) {
    const auto ticks = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const ULONGLONG since = ticks(now) > ticks(created) ? ticks(now) - ticks(created) : 0;  // 100 ns units
    processStart.QuadPart -= static_cast<LONGLONG>(since * static_cast<ULONGLONG>(frequency.QuadPart) / 10'000'000);
  }
  g_beforeProgramStart = WriteStartStamp;
}

namespace {

// Windows' side of an accepted power action, as its pages describe it: after the call
// has returned, every top-level window is asked whether the session may end, then told
// whether it ends. The messages are sent from another thread, so they arrive while the
// program handles its messages, as Windows' do.
struct SessionEndPlay {
  DWORD thread;
  bool ending;
};

DWORD WINAPI PlaySessionEnd(void* parameter) noexcept {
  const std::unique_ptr<SessionEndPlay> play(static_cast<SessionEndPlay*>(parameter));
  std::vector<HWND> windows;
  ::EnumThreadWindows(
      play->thread,
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  bool everyoneAgrees = true;
  for (HWND window : windows) {
    everyoneAgrees = everyoneAgrees && ::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != FALSE;
  }
  for (HWND window : windows) ::SendMessageW(window, WM_ENDSESSION, play->ending && everyoneAgrees, ENDSESSION_LOGOFF);
  return 0;
}

}  // namespace

bool RecordingPower::ShutdownWindows(std::uint16_t flags) noexcept {
  try {
    const std::wstring log = EnvironmentValue(L"LANTHE_TEST_POWER_LOG");
    if (log.empty()) return false;
    {
      const UniqueFile file(::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) return false;
      const std::string line = "ShutdownWindows " + std::to_string(flags) + "\r\n";
      DWORD written = 0;
      if (!::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
          written != line.size()) {
        return false;
      }
    }
    const std::wstring answer = EnvironmentValue(L"LANTHE_TEST_SESSION_END");
    if (answer == L"wait") return true;
    auto play = std::make_unique<SessionEndPlay>(SessionEndPlay{::GetCurrentThreadId(), answer != L"cancel"});
    const UniqueHandle thread(::CreateThread(nullptr, 64 * 1024, PlaySessionEnd, play.get(),
                                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (thread) play.release();  // the thread owns it now
    return true;
  } catch (...) {
    return false;
  }
}

void TestSeamCrashWatcher::Arm() noexcept {
  if (HarnessAnswer(L"LANTHE_TEST_RESTART") != true) return;
  real_.Arm();
  try {
    const std::wstring crash = EnvironmentValue(L"LANTHE_TEST_CRASH");
    if (crash.empty()) return;
    const UniqueFile marker(::CreateFileW(crash.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                          nullptr));
    if (!marker) return;  // made by an earlier start: this one runs on
  } catch (...) {
    return;
  }
  // A page nobody may touch: a real access violation, also under Wine, which keeps the
  // lowest addresses mapped.
  auto* const page = static_cast<int*>(::VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS));
  *static_cast<volatile int*>(page) = 1;
}

}  // namespace lanthe::win32
