#include "harness.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
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
  if (options.settingsFile) {
    std::ofstream(std::filesystem::path(folder_ + L"settings.xml"), std::ios::binary) << *options.settingsFile;
  }

  SetVariable(L"LANTHE_TEST_ADMINISTRATOR", options.administrator);
  SetVariable(L"LANTHE_TEST_ELEVATED", options.elevated);
  ::SetEnvironmentVariableW(L"LANTHE_TEST_POWER_LOG", (folder_ + L"power.log").c_str());
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
  for (const wchar_t* name : {L"settings.xml", L"settings.xml.bak", L"power.log", L"lanthe.exe"}) {
    ::DeleteFileW((folder_ + name).c_str());
  }
  ::RemoveDirectoryW(folder_.c_str());
}

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

bool LantheRun::WaitForExit(DWORD waitMs) const { return ::WaitForSingleObject(process_, waitMs) == WAIT_OBJECT_0; }

DWORD LantheRun::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(process_, &code);
  return code;
}

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
        if (_wcsicmp(ClassOf(child).c_str(), s.className.c_str()) == 0 &&
            WithoutAccessKey(WindowText(child)) == s.caption) {
          s.found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
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
}

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
