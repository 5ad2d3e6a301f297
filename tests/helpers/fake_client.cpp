// A stand-in for the remote clients Lanthe starts (mstsc.exe, wfcrun32.exe, pn.exe,
// pnagent.exe): built once per name, it appends its whole command line to a log,
// shows a small window saying which connection it stands for, and stays until that
// window is closed ("End session") or until a given time has passed.
//
//   LANTHE_FAKE_CLIENT_LOG            the log (UTF-8, one line per start); without it,
//                                     fake-clients.log beside the program
//   LANTHE_FAKE_CLIENT_EXIT_AFTER_MS  end by itself after this many milliseconds
//   LANTHE_FAKE_CLIENT_STAMP          a file to which the performance counter at the
//                                     program's first instruction is appended (for the
//                                     benchmarks' start-to-client time)
//   LANTHE_FAKE_CLIENT_END_STAMP      a file to which the performance counter at the
//                                     program's last instruction is appended (for the
//                                     benchmarks' time from a session's end to the
//                                     reconnect question)
//   LANTHE_FAKE_CLIENT_DESKTOP        a file to which the desktop colour the client sees
//                                     at its start (GetSysColor) is written in decimal
//   LANTHE_FAKE_PN_ADD_CONNECTION     pn.exe only: a connection added to the
//   LANTHE_FAKE_PN_APPSRV             [ApplicationServers] of this appsrv.ini, as a
//                                     user makes one in Program Neighborhood
//
// The Workspace app's programs play their part as far as Lanthe sees it:
// storebrowse.exe and "SelfService.exe -logoff" log their command line and end at once;
// "SelfService.exe -qlaunch <resource>" starts wfica32.exe (from the folder above its
// own) with the resource after a moment, as the real one does once the user has
// authenticated, and stays, hidden, as the real one may:
//   LANTHE_FAKE_SELFSERVICE_LAUNCH_AFTER_MS  the moment (default 1000 ms); "never": no
//                                            ICA client at all
//   LANTHE_FAKE_SELFSERVICE_EXIT_AFTER_MS    end after this time (default: stay until
//                                            ended from outside)
// wfica32.exe is the ICA session: a client like the others.

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr UINT_PTR kEndTimer = 1;
constexpr UINT_PTR kLaunchTimer = 2;
constexpr int kEndButton = 100;

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
  return length && length < 1024 ? std::wstring(value, length) : std::wstring();
}

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// What the client stands for, by the name it was built as.
std::wstring Role(const std::wstring& program) {
  if (_wcsicmp(program.c_str(), L"mstsc.exe") == 0) return L"Remote Desktop";
  if (_wcsicmp(program.c_str(), L"wfcrun32.exe") == 0) return L"Custom ICA connection";
  if (_wcsicmp(program.c_str(), L"pn.exe") == 0) return L"Program Neighborhood";
  if (_wcsicmp(program.c_str(), L"pnagent.exe") == 0) return L"PNAgent";
  if (_wcsicmp(program.c_str(), L"wfica32.exe") == 0) return L"ICA session";
  if (_wcsicmp(program.c_str(), L"SelfService.exe") == 0) return L"Self-service";
  return L"Remote client";
}

void AppendToLog(const std::wstring& line) {
  std::wstring log = Environment(L"LANTHE_FAKE_CLIENT_LOG");
  if (log.empty()) {
    const std::wstring self = ProgramPath();
    log = self.substr(0, self.find_last_of(L'\\') + 1) + L"fake-clients.log";
  }
  const HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::wstring text = line + L"\r\n";
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

// The resource of "-qlaunch", as the self-service program hands it to the ICA client.
std::wstring launchedResource;

// The ICA client of a launch: wfica32.exe in the folder above the self-service program's.
void StartIcaClient() {
  const std::wstring self = ProgramPath();
  const std::wstring folder = self.substr(0, self.find_last_of(L'\\'));
  std::wstring commandLine = L"\"" + folder.substr(0, folder.find_last_of(L'\\')) + L"\\wfica32.exe\" " + launchedResource;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kEndButton) ::DestroyWindow(window);
      return 0;
    case WM_TIMER:
      if (wParam == kEndTimer) ::DestroyWindow(window);
      if (wParam == kLaunchTimer) {
        ::KillTimer(window, kLaunchTimer);
        StartIcaClient();
      }
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

// What a user does in Program Neighborhood: a new connection in the connection file.
void AddConnection(const std::wstring& program) {
  if (_wcsicmp(program.c_str(), L"pn.exe") != 0) return;
  const std::wstring name = Environment(L"LANTHE_FAKE_PN_ADD_CONNECTION");
  const std::wstring file = Environment(L"LANTHE_FAKE_PN_APPSRV");
  if (name.empty() || file.empty()) return;
  ::CreateDirectoryW(file.substr(0, file.find_last_of(L'\\')).c_str(), nullptr);
  ::WritePrivateProfileStringW(L"ApplicationServers", name.c_str(), L"", file.c_str());
  ::WritePrivateProfileStringW(name.c_str(), L"Address", L"ica.example.test", file.c_str());
}

}  // namespace

// The performance counter, as the first (or the last) thing the program does.
static void Stamp(const wchar_t* variable = L"LANTHE_FAKE_CLIENT_STAMP") {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  wchar_t file[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(variable, file, MAX_PATH)) return;
  const HANDLE out = ::CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  const std::string line = std::to_string(now.QuadPart) + "\r\n";
  DWORD written = 0;
  ::WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(out);
}

// The desktop behind the client, as the client sees it.
static void RecordDesktop() {
  const std::wstring file = Environment(L"LANTHE_FAKE_CLIENT_DESKTOP");
  if (file.empty()) return;
  const HANDLE out =
      ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  const std::string line = std::to_string(::GetSysColor(COLOR_DESKTOP));
  DWORD written = 0;
  ::WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(out);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR parameters, int show) {
  Stamp();
  RecordDesktop();
  const std::wstring commandLine = ::GetCommandLineW();
  AppendToLog(commandLine);
  const std::wstring program = FileName(ProgramPath());
  const bool selfService = _wcsicmp(program.c_str(), L"SelfService.exe") == 0;
  if (_wcsicmp(program.c_str(), L"storebrowse.exe") == 0) return 0;
  const std::wstring arguments = parameters;
  const std::size_t qlaunch = arguments.find(L"-qlaunch ");
  if (selfService && qlaunch == std::wstring::npos) return 0;  // a sign-out, or anything else
  if (selfService) launchedResource = arguments.substr(qlaunch + 9);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"LantheFakeClient";
  ::RegisterClassW(&windowClass);

  AddConnection(program);
  const std::wstring title = Role(program) + L" (fake " + program + L")";
  const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, title.c_str(),
                                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 460,
                                        150, nullptr, nullptr, instance, nullptr);
  const std::wstring text = L"A stand-in for " + program + L". Connection:\r\n" + parameters;
  ::CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 430, 60, window, nullptr,
                    instance, nullptr);
  ::CreateWindowExW(0, L"BUTTON", L"End session", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 330, 80, 110,
                    25, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEndButton)), instance, nullptr);
  const std::wstring after =
      Environment(selfService ? L"LANTHE_FAKE_SELFSERVICE_EXIT_AFTER_MS" : L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS");
  if (!after.empty()) ::SetTimer(window, kEndTimer, static_cast<UINT>(std::wcstoul(after.c_str(), nullptr, 10)), nullptr);
  if (selfService) {
    const std::wstring launchAfter = Environment(L"LANTHE_FAKE_SELFSERVICE_LAUNCH_AFTER_MS");
    if (launchAfter != L"never") {
      const UINT ms = launchAfter.empty() ? 1000 : static_cast<UINT>(std::wcstoul(launchAfter.c_str(), nullptr, 10));
      ::SetTimer(window, kLaunchTimer, ms, nullptr);
    }
  }
  ::ShowWindow(window, selfService ? SW_HIDE : show);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(window, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  Stamp(L"LANTHE_FAKE_CLIENT_END_STAMP");
  return 0;
}
