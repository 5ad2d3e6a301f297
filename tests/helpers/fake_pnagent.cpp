// A stand-in for the Citrix PNAgent client, built as pnagent.exe and pnamain.exe.
//
// pnagent.exe appends its command line to the client log (as the other fake clients
// do). Started with a shortcut's "/QLaunch" arguments it stands for an application
// start and ends at once. Otherwise it starts pnamain.exe beside itself and ends, as
// PNAgent hands over to its session program; the first LANTHE_FAKE_PNAGENT_IDLE_STARTS
// such starts do nothing, as a PNAgent that does not come up.
//
// pnamain.exe keeps a window titled "Citrix XenApp" until it is ended, and after
// LANTHE_FAKE_PNAGENT_DELAY_MS writes one shortcut per name of LANTHE_FAKE_PNAGENT_APPS
// (comma-separated) into LANTHE_FAKE_PNAGENT_FOLDER: description the name, arguments
// /QLaunch "Farm:<name>", the first with an icon file of its own, the others naming
// this program as their icon (which is no icon file).

#include <windows.h>
#include <objidl.h>
#include <shobjidl.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kShortcutTimer = 1;

std::wstring Environment(const wchar_t* name) {
  wchar_t value[2048] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, 2048);
  return length && length < 2048 ? std::wstring(value, length) : std::wstring();
}

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring LogPath() {
  const std::wstring log = Environment(L"LANTHE_FAKE_CLIENT_LOG");
  return log.empty() ? Folder(ProgramPath()) + L"\\fake-clients.log" : log;
}

// Appends the line and returns how many PNAgent starts (not application starts) the
// log holds now.
int AppendToLog(const std::wstring& line) {
  const HANDLE file = ::CreateFileW(LogPath().c_str(), FILE_APPEND_DATA | GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  const std::string bytes = Utf8(line + L"\r\n");
  DWORD done = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  std::string all;
  char chunk[4096];
  while (::ReadFile(file, chunk, sizeof chunk, &done, nullptr) && done > 0) all.append(chunk, done);
  ::CloseHandle(file);
  int starts = 0;
  for (std::size_t at = 0, end; at < all.size(); at = end + 1) {
    end = all.find('\n', at);
    if (end == std::string::npos) end = all.size();
    const std::string entry = all.substr(at, end - at);
    if (entry.find("pnagent.exe") != std::string::npos && entry.find("/QLaunch") == std::string::npos) ++starts;
  }
  return starts;
}

// A 32 x 32 icon file of one colour, for the first shortcut.
void WriteIconFile(const std::wstring& path) {
  constexpr int kSize = 32;
  std::vector<unsigned char> image(40 + kSize * kSize * 4 + kSize * 4, 0);
  const unsigned char header[40] = {40, 0, 0, 0, kSize, 0, 0, 0, kSize * 2, 0, 0, 0, 1, 0, 32, 0};
  std::copy(header, header + 40, image.begin());
  for (int i = 0; i < kSize * kSize; ++i) {
    unsigned char* pixel = &image[40 + i * 4];
    pixel[0] = 0x86;  // blue
    pixel[1] = 0x6E;  // green
    pixel[2] = 0x10;  // red
    pixel[3] = 0xFF;
  }
  const unsigned size = static_cast<unsigned>(image.size());
  const unsigned char directory[22] = {0, 0, 1, 0, 1, 0, kSize, kSize, 0, 0, 1, 0, 32, 0,
                                       static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8), 0, 0,
                                       22, 0, 0, 0};
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD done = 0;
  ::WriteFile(file, directory, sizeof directory, &done, nullptr);
  ::WriteFile(file, image.data(), size, &done, nullptr);
  ::CloseHandle(file);
}

void WriteShortcut(const std::wstring& path, const std::wstring& name, const std::wstring& icon) {
  IShellLinkW* link = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
    return;
  }
  const std::wstring pnagent = Folder(ProgramPath()) + L"\\pnagent.exe";
  link->SetPath(pnagent.c_str());
  link->SetArguments((L"/QLaunch \"Farm:" + name + L"\"").c_str());
  link->SetDescription(name.c_str());
  link->SetIconLocation(icon.c_str(), 0);
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    file->Save(path.c_str(), TRUE);
    file->Release();
  }
  link->Release();
}

void WriteShortcuts() {
  const std::wstring folder = Environment(L"LANTHE_FAKE_PNAGENT_FOLDER");
  if (folder.empty()) return;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring apps = Environment(L"LANTHE_FAKE_PNAGENT_APPS");
  bool first = true;
  for (std::size_t at = 0, end; at < apps.size(); at = end + 1) {
    end = apps.find(L',', at);
    if (end == std::wstring::npos) end = apps.size();
    const std::wstring name = apps.substr(at, end - at);
    if (name.empty()) continue;
    std::wstring icon = ProgramPath();
    if (first) {
      icon = folder + L"\\" + name + L".ico";
      WriteIconFile(icon);
      first = false;
    }
    WriteShortcut(folder + L"\\" + name + L".lnk", name, icon);
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kShortcutTimer) {
    ::KillTimer(window, kShortcutTimer);
    WriteShortcuts();
    return 0;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

int RunSession(HINSTANCE instance) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"LantheFakePNAgent";
  ::RegisterClassW(&windowClass);
  const HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"Citrix XenApp",
                                        WS_OVERLAPPED | WS_CAPTION, 0, 0, 220, 60, nullptr, nullptr, instance, nullptr);
  const std::wstring delay = Environment(L"LANTHE_FAKE_PNAGENT_DELAY_MS");
  ::SetTimer(window, kShortcutTimer, delay.empty() ? 10 : static_cast<UINT>(std::wcstoul(delay.c_str(), nullptr, 10)),
             nullptr);
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::CoUninitialize();
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::wstring self = ProgramPath();
  const std::wstring name = self.substr(self.find_last_of(L'\\') + 1);
  if (_wcsicmp(name.c_str(), L"pnamain.exe") == 0) return RunSession(instance);

  const std::wstring commandLine = ::GetCommandLineW();
  const int starts = AppendToLog(commandLine);
  if (commandLine.find(L"/QLaunch") != std::wstring::npos) return 0;  // an application started
  const std::wstring idle = Environment(L"LANTHE_FAKE_PNAGENT_IDLE_STARTS");
  if (!idle.empty() && starts <= static_cast<int>(std::wcstoul(idle.c_str(), nullptr, 10))) return 0;
  std::wstring session = L"\"" + Folder(self) + L"\\pnamain.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, session.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  return 0;
}
