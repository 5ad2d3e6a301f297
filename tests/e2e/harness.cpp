#include "harness.h"

#include "handle_count.h"

#include <commctrl.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <sstream>
#include <stdexcept>

namespace lanthe::e2e {

namespace {

std::wstring ThisProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find(L"\r\n"); end != std::wstring::npos; end = text.find(L"\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

// Paths below the clients folder; the Workspace app's programs live in folders of their own.
constexpr const wchar_t* kFakeClients[] = {L"mstsc.exe",   L"wfcrun32.exe", L"pn.exe",
                                           L"pnagent.exe", L"pnamain.exe",  L"wfica32.exe",
                                           L"SelfServicePlugin\\SelfService.exe", L"AuthManager\\storebrowse.exe"};
constexpr wchar_t kPNAgentKey[] = L"Software\\Citrix\\PNAgent";

// Memory in another program, for the list-view messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, std::size_t size) : size_(size) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_) address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) ::CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  void* address() const { return address_; }
  void Write(const void* data, std::size_t size, std::size_t offset = 0) {
    ::WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
  }
  void Read(void* data, std::size_t size, std::size_t offset = 0) const {
    ::ReadProcessMemory(process_, static_cast<const char*>(address_) + offset, data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  std::size_t size_;
};

// Ends every process of that image name in this prefix.
void EndProcesses(const wchar_t* imageName) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, imageName) != 0) continue;
    if (const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      ::TerminateProcess(process, 99);
      ::WaitForSingleObject(process, kWaitMs);
      ::CloseHandle(process);
    }
  }
  ::CloseHandle(snapshot);
}

// The fake clients a run leaves behind (a client still waiting for its session).
void EndFakeClients() {
  for (const std::wstring client : kFakeClients) EndProcesses(client.substr(client.find_last_of(L'\\') + 1).c_str());
}

std::wstring WithoutAccessKey(std::wstring text) {
  for (std::size_t at = text.find(L'&'); at != std::wstring::npos; at = text.find(L'&', at + 1)) text.erase(at, 1);
  return text;
}

struct TopLevelSearch {
  DWORD processId;
  std::vector<HWND> windows;
};

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
  TopLevelSearch search{processId, {}};
  ::EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<TopLevelSearch*>(context);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s.processId && ::IsWindowVisible(window)) s.windows.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

// Waits until the condition gives a value or the wait is over.
template <typename Condition>
auto Poll(DWORD waitMs, Condition condition) -> decltype(condition()) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (auto value = condition()) return value;
    if (::GetTickCount() - start > waitMs) return condition();
    ::Sleep(50);
  }
}

constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

void SetVariable(const wchar_t* name, bool value) { ::SetEnvironmentVariableW(name, value ? L"1" : L"0"); }

}  // namespace

LantheRun::LantheRun(const RunOptions& options) {
  static std::atomic<int> counter{0};
  // A blank in the folder, as in "Program Files": the shell value must hold together.
  const std::wstring base = L"C:\\Lanthe Tests\\";
  ::CreateDirectoryW(base.c_str(), nullptr);
  folder_ = base + L"run " + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
  ::CreateDirectoryW(folder_.c_str(), nullptr);
  if (!::CopyFileW((ThisProgramFolder() + L"lanthe-test.exe").c_str(), Program().c_str(), FALSE)) {
    throw std::runtime_error("cannot copy lanthe-test.exe into the program folder");
  }
  ::CreateDirectoryW(ClientsFolder().c_str(), nullptr);
  ::CreateDirectoryW((ClientsFolder() + L"\\SelfServicePlugin").c_str(), nullptr);
  ::CreateDirectoryW((ClientsFolder() + L"\\AuthManager").c_str(), nullptr);
  for (const wchar_t* client : kFakeClients) {
    ::CopyFileW((ThisProgramFolder() + L"fake-clients\\" + client).c_str(), (ClientsFolder() + L"\\" + client).c_str(),
                FALSE);
  }
  if (!options.pnagentApps.empty() || options.pnagentDesktop) {
    wchar_t desktop[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
    const std::wstring name = L"XenApp " + folder_.substr(base.size(), folder_.size() - base.size() - 1);
    shortcutFolder_ = std::wstring(desktop) + L"\\" + name;
    // PNAgent's configuration names the desktop folder; the key is never made by Lanthe.
    const std::string document = "<Configuration><User Blob><Key>DesktopName</Key><Value>" + Utf8(name) +
                                 "</Value></User Blob></Configuration>";
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kPNAgentKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    ::RegSetValueExW(key, L"Configuration Model 000", 0, REG_BINARY, reinterpret_cast<const BYTE*>(document.data()),
                     static_cast<DWORD>(document.size()));
    ::RegCloseKey(key);
    std::wstring apps;
    for (const auto& app : options.pnagentApps) apps += (apps.empty() ? L"" : L",") + app;
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_PNAGENT_APPS", apps.c_str());
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_PNAGENT_FOLDER", shortcutFolder_.c_str());
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_PNAGENT_DELAY_MS", std::to_wstring(options.pnagentDelayMs).c_str());
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_PNAGENT_IDLE_STARTS", std::to_wstring(options.pnagentIdleStarts).c_str());
  }
  if (options.appsrvIni) {
    const std::filesystem::path file(UserAppsrvIni());
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    std::ofstream(file, std::ios::binary) << *options.appsrvIni;
    ownsAppsrvIni_ = true;
  }
  ::SetEnvironmentVariableW(L"LANTHE_FAKE_PN_ADD_CONNECTION",
                            options.pnAddsConnection.empty() ? nullptr : options.pnAddsConnection.c_str());
  ::SetEnvironmentVariableW(L"LANTHE_FAKE_PN_APPSRV", UserAppsrvIni().c_str());
  if (options.settingsFile) {
    std::string settings = *options.settingsFile;
    const std::string clients = Utf8(ClientsFolder());
    for (std::size_t at = settings.find("$CLIENTS"); at != std::string::npos; at = settings.find("$CLIENTS", at)) {
      settings.replace(at, 8, clients);
    }
    std::ofstream(std::filesystem::path(folder_ + L"settings.xml"), std::ios::binary) << settings;
  }
  ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_LOG", (folder_ + L"clients.log").c_str());
  ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_DESKTOP", (folder_ + L"desktop.txt").c_str());
  ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS",
                            options.clientExitAfterMs ? std::to_wstring(*options.clientExitAfterMs).c_str() : nullptr);
  ::SetEnvironmentVariableW(L"LANTHE_FAKE_SELFSERVICE_LAUNCH_AFTER_MS",
                            options.icaClientAfterMs.empty() ? nullptr : options.icaClientAfterMs.c_str());

  SetVariable(L"LANTHE_TEST_ADMINISTRATOR", options.administrator);
  SetVariable(L"LANTHE_TEST_ELEVATED", options.elevated);
  ::SetEnvironmentVariableW(L"LANTHE_TEST_GROUP_POLICY", options.groupPolicyStandIn ? L"registry" : nullptr);
  ::SetEnvironmentVariableW(L"LANTHE_TEST_LSA", options.lsaStandIn ? L"registry" : nullptr);
  ::SetEnvironmentVariableW(L"LANTHE_TEST_NETWORK_UP_AFTER_MS",
                            options.networkUpAfterMs ? options.networkUpAfterMs->c_str() : nullptr);
  ::SetEnvironmentVariableW(L"LANTHE_TEST_NAME_RESOLVES_AFTER_MS",
                            options.nameResolvesAfterMs ? options.nameResolvesAfterMs->c_str() : nullptr);
  // A folder cannot be appended to: the recorded power action then fails.
  ::SetEnvironmentVariableW(L"LANTHE_TEST_POWER_LOG",
                            (options.powerActionsAccepted ? folder_ + L"power.log" : ClientsFolder()).c_str());
  ::SetEnvironmentVariableW(L"LANTHE_TEST_SESSION_END", options.sessionEnd.empty() ? nullptr : options.sessionEnd.c_str());
  restart_ = options.restart;
  ::SetEnvironmentVariableW(L"LANTHE_TEST_RESTART", options.restart ? L"1" : nullptr);
  ::SetEnvironmentVariableW(L"LANTHE_TEST_CRASH", options.crash ? (folder_ + L"crashed").c_str() : nullptr);
  // As Windows' log-on makes it: the program sets it when its client has started.
  shellReady_ = ::CreateEventW(nullptr, TRUE, FALSE, L"ShellDesktopSwitchEvent");
  std::wstring commandLine = L"\"" + Program() + L"\"";
  if (!options.parameters.empty()) commandLine += L" " + options.parameters;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                        &info)) {
    throw std::runtime_error("cannot start lanthe-test.exe");
  }
  ::CloseHandle(info.hThread);
  process_ = info.hProcess;
  processId_ = info.dwProcessId;
}

LantheRun::~LantheRun() {
  if (process_) {
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_, 99);
      ::WaitForSingleObject(process_, kWaitMs);
    }
    ::CloseHandle(process_);
  }
  // A watcher starts a killed program again (a few times): end them all, watchers
  // included, until none is left.
  if (restart_) {
    for (int round = 0; round < 20 && ProcessRunning(L"lanthe.exe"); ++round) {
      EndProcesses(L"lanthe.exe");
      ::Sleep(100);
    }
  }
  if (shellReady_) ::CloseHandle(shellReady_);
  EndFakeClients();
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(folder_), ignored);
  if (!shortcutFolder_.empty()) {
    std::filesystem::remove_all(std::filesystem::path(shortcutFolder_), ignored);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPNAgentKey, L"Configuration Model 000");
  }
  if (ownsAppsrvIni_) ::DeleteFileW(UserAppsrvIni().c_str());
}

std::wstring LantheRun::UserAppsrvIni() {
  wchar_t appData[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
  return std::wstring(appData) + L"\\ICAClient\\appsrv.ini";
}

std::vector<std::wstring> LantheRun::ClientCommandLines() const {
  std::ifstream in(std::filesystem::path(folder_ + L"clients.log"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring text(static_cast<std::size_t>(
                        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0)),
                    L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        static_cast<int>(text.size()));
  return Lines(text);
}

std::vector<std::wstring> LantheRun::PowerRequests() const { return Lines(ReadFileText(L"power.log")); }

std::wstring LantheRun::ReadFileText(const std::wstring& name) const {
  std::ifstream in(std::filesystem::path(folder_ + name), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return std::wstring(bytes.begin(), bytes.end());  // the files here are ASCII
}

HWND LantheRun::WaitForWindow(const std::wstring& caption, DWORD waitMs) const {
  return Poll(waitMs, [&]() -> HWND {
    for (HWND window : VisibleTopLevelWindows(processId_)) {
      if (ClassOf(window) != L"#32770" && WindowText(window) == caption) return window;
    }
    return nullptr;
  });
}

std::optional<ShownBox> LantheRun::WaitForMessageBox(DWORD waitMs) const {
  return Poll(waitMs, [&]() -> std::optional<ShownBox> {
    for (HWND window : VisibleTopLevelWindows(processId_)) {
      if (ClassOf(window) != L"#32770") continue;
      // The text of a message box is the static control 0xFFFF.
      wchar_t text[2048] = {};
      ::GetDlgItemTextW(window, 0xFFFF, text, 2048);
      return ShownBox{window, WindowText(window), text};
    }
    return std::nullopt;
  });
}

std::vector<std::pair<std::wstring, std::wstring>> LantheRun::VisibleWindows() const {
  std::vector<std::pair<std::wstring, std::wstring>> windows;
  for (HWND window : VisibleTopLevelWindows(processId_)) windows.emplace_back(ClassOf(window), WindowText(window));
  return windows;
}

ProcessResources LantheRun::Resources() const {
  ProcessResources resources;
  resources.handles = testing::HandleCountOf(process_, processId_);
  resources.gdiObjects = ::GetGuiResources(process_, GR_GDIOBJECTS);
  resources.userObjects = ::GetGuiResources(process_, GR_USEROBJECTS);
  return resources;
}

bool LantheRun::WaitForExit(DWORD waitMs) const { return ::WaitForSingleObject(process_, waitMs) == WAIT_OBJECT_0; }

DWORD LantheRun::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(process_, &code);
  return code;
}

void LantheRun::Kill() const {
  ::TerminateProcess(process_, 1);
  ::WaitForSingleObject(process_, kWaitMs);
}

bool LantheRun::Watched() const {
  // Wine hands a killed program's process id out again at once: a watcher counts only
  // when it was started after the program.
  const auto created = [](HANDLE process) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    ::GetProcessTimes(process, &creation, &exit, &kernel, &user);
    return (static_cast<ULONGLONG>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
  };
  const ULONGLONG programCreated = created(process_);
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool watched = false;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !watched; more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID != processId_ || _wcsicmp(entry.szExeFile, L"lanthe.exe") != 0) continue;
    if (const HANDLE watcher = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)) {
      watched = created(watcher) >= programCreated;
      ::CloseHandle(watcher);
    }
  }
  ::CloseHandle(snapshot);
  return watched;
}

bool LantheRun::ShellReadySignalled() const {
  return shellReady_ && ::WaitForSingleObject(shellReady_, 0) == WAIT_OBJECT_0;
}

bool LantheRun::FollowRestart(DWORD waitMs) {
  const DWORD before = processId_;
  // The program started again makes its (hidden) main window as it takes the session
  // over; its watcher, lanthe.exe too, makes none.
  const auto restarted = Poll(waitMs, [&]() -> DWORD {
    DWORD found = 0;
    for (HWND window = ::FindWindowExW(nullptr, nullptr, L"LantheForm", L"Lanthe"); window && !found;
         window = ::FindWindowExW(nullptr, window, L"LantheForm", L"Lanthe")) {
      DWORD process = 0;
      ::GetWindowThreadProcessId(window, &process);
      if (process != before) found = process;
    }
    return found;
  });
  if (!restarted) return false;
  const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, restarted);
  if (!process) return false;
  if (process_) ::CloseHandle(process_);
  process_ = process;
  processId_ = restarted;
  return true;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD waitMs) { return Poll(waitMs, condition); }

HWND FindControl(HWND window, const std::wstring& className, const std::wstring& caption) {
  struct Search {
    const std::wstring& className;
    const std::wstring& caption;
    HWND found;
  } search{className, caption, nullptr};
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        // Group boxes are buttons too, but nobody clicks them.
        const bool groupBox = (::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
                              _wcsicmp(ClassOf(child).c_str(), L"Button") == 0;
        if (!groupBox && _wcsicmp(ClassOf(child).c_str(), s.className.c_str()) == 0 &&
            WithoutAccessKey(WindowText(child)) == s.caption) {
          s.found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindControlOfClass(HWND window, const std::wstring& className) {
  struct Search {
    const std::wstring& className;
    HWND found;
  } search{className, nullptr};
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        if (_wcsicmp(ClassOf(child).c_str(), s.className.c_str()) != 0) return TRUE;
        s.found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring ControlText(HWND control) {
  DWORD_PTR length = 0;
  ::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kWaitMs, &length);
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, kWaitMs,
                        &copied);
  text.resize(copied);
  return text;
}

std::vector<std::wstring> ChildCaptions(HWND window, bool visibleOnly) {
  struct Search {
    bool visibleOnly;
    std::vector<std::wstring> captions;
  } search{visibleOnly, {}};
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        if (!s.visibleOnly || ::IsWindowVisible(child)) s.captions.push_back(WindowText(child));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.captions;
}

void Click(HWND button) {
  // Posted, so that whatever the click opens (a message box, a modal window) does not
  // hold up the harness.
  ::PostMessageW(button, BM_CLICK, 0, 0);
}

void Answer(const ShownBox& box, int buttonId) {
  // What a click on the button sends to the box (a BM_CLICK from another program
  // takes Wine two seconds to deliver).
  ::PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(box.window, buttonId)));
  // Gone before the next box is looked for, so that the answered one is not found again.
  Poll(kWaitMs, [&] { return !::IsWindow(box.window) || !::IsWindowVisible(box.window); });
}

EndSessionReply QueryEndSession(const LantheRun& run, HWND window) {
  EndSessionReply reply;
  std::atomic<bool> answered{false};
  std::thread query([&] {
    DWORD_PTR result = FALSE;
    ::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, kWaitMs, &result);
    reply.answer = static_cast<LRESULT>(result);
    answered = true;
  });
  // A box would hold the answer up; an answer without one ends the look at once.
  reply.box = Poll(kWaitMs, [&]() -> std::optional<ShownBox> {
    if (auto box = run.WaitForMessageBox(0)) return box;
    if (answered) return ShownBox{};
    return std::nullopt;
  });
  if (reply.box && !reply.box->window) reply.box.reset();
  if (reply.box) Answer(*reply.box, IDOK);
  query.join();
  return reply;
}

void EndSession(HWND window, bool ending) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(window, WM_ENDSESSION, ending ? TRUE : FALSE, ENDSESSION_LOGOFF, SMTO_NORMAL, kWaitMs,
                        &ignored);
}

HWND FindMainWindow(const LantheRun& run) {
  struct Search {
    DWORD process;
    HWND found;
  } search{run.ProcessId(), nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process == s->process && WindowText(window) == L"Lanthe" && ClassOf(window) == L"LantheForm") {
          s->found = window;
        }
        return s->found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring KioskPolicyObjectKey() {
  const std::wstring users = L"Software\\Lanthe Test Group Policy\\Users";
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, users.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"";
  std::vector<std::wstring> objects;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = 256;
    if (::RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    objects.emplace_back(name, size);
  }
  ::RegCloseKey(key);
  return objects.size() == 1 ? users + L"\\" + objects[0] : L"";
}

bool ProcessRunning(const std::wstring& imageName) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool running = false;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !running; more = ::Process32NextW(snapshot, &entry)) {
    running = _wcsicmp(entry.szExeFile, imageName.c_str()) == 0;
  }
  ::CloseHandle(snapshot);
  return running;
}

void WriteShortcut(const std::wstring& path, const std::wstring& description, const std::wstring& arguments) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
    link->SetPath(L"C:\\windows\\notepad.exe");
    link->SetDescription(description.c_str());
    link->SetArguments(arguments.c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      file->Save(path.c_str(), TRUE);
      file->Release();
    }
    link->Release();
  }
}

std::vector<std::wstring> ListViewItems(HWND list, int column) {
  std::vector<std::wstring> items;
  const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  constexpr int kText = 260;
  RemoteBuffer remote(list, sizeof(LVITEMW) + kText * sizeof(wchar_t));
  if (!remote.address()) return items;
  for (int i = 0; i < count; ++i) {
    LVITEMW item{};
    item.iSubItem = column;
    item.cchTextMax = kText;
    item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.address()) + sizeof(LVITEMW));
    remote.Write(&item, sizeof item);
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote.address()));
    wchar_t text[kText] = {};
    remote.Read(text, sizeof text - sizeof(wchar_t), sizeof(LVITEMW));
    items.emplace_back(text);
  }
  return items;
}

void ClickListViewItem(HWND list, int index) {
  // Where the item is, then the mouse's press and release there, as a user's click.
  RECT bounds{LVIR_ICON, 0, 0, 0};
  {
    RemoteBuffer remote(list, sizeof bounds);
    if (!remote.address()) return;
    remote.Write(&bounds, sizeof bounds);
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.address()));
    remote.Read(&bounds, sizeof bounds);
  }
  const LPARAM at = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(list, WM_LBUTTONUP, 0, at);
}

std::optional<std::wstring> RegistryString(HKEY root, const std::wstring& key, const std::wstring& name) {
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  if (::RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

std::optional<DWORD> RegistryDword(HKEY root, const std::wstring& key, const std::wstring& name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (::RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

void DeleteRegistryTree(HKEY root, const std::wstring& key) { ::RegDeleteTreeW(root, key.c_str()); }

std::optional<std::wstring> WinlogonShell() {
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kWinlogon, L"shell", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

void SetWinlogonShell(const std::wstring& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    ::RegSetValueExW(key, L"shell", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
  }
}

}  // namespace lanthe::e2e
