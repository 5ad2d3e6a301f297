// The floor of the start-to-client time: a program that does nothing but start the
// command line it is given with CreateProcessW and wait for it.
//   lanthe-bench-launcher [--window] [--show] [--ask] command line
// --window: first makes one hidden top-level window, as any GUI program must before
// it shows anything; the difference to the plain floor is what Windows (or Wine)
// charges a program for being a GUI program at all. --show: the window is shown (the
// floor of a program whose first window the user sees). --ask: once the client has
// ended, one message box "Connect again?" (caption "Floor"), the floor of the time from
// a session's end to the reconnect question.
#include <windows.h>

#include <cwchar>

namespace {

wchar_t* SkipArgument(wchar_t* line) {
  bool quoted = false;
  while (*line && (quoted || (*line != L' ' && *line != L'\t'))) {
    if (*line == L'"') quoted = !quoted;
    ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

}  // namespace

int wmain() {
  wchar_t* line = SkipArgument(::GetCommandLineW());  // everything after this program's name
  bool makeWindow = false;
  bool show = false;
  bool ask = false;
  for (;;) {
    if (std::wcsncmp(line, L"--window ", 9) == 0) {
      makeWindow = true;
    } else if (std::wcsncmp(line, L"--show ", 7) == 0) {
      show = true;
    } else if (std::wcsncmp(line, L"--ask ", 6) == 0) {
      ask = true;
    } else {
      break;
    }
    line = SkipArgument(line);
  }
  HWND window = nullptr;
  if (makeWindow) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LantheBenchFloor";
    ::RegisterClassW(&windowClass);
    window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (show) ::ShowWindow(window, SW_SHOW);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &process)) {
    return 1;
  }
  ::CloseHandle(process.hThread);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  ::CloseHandle(process.hProcess);
  if (ask) ::MessageBoxW(nullptr, L"Connect again?", L"Floor", MB_YESNO);
  if (window) ::DestroyWindow(window);
  return 0;
}
