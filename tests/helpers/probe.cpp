// lanthe-probe: a stand-in program that the Win32 tests start.
//
//   lanthe-probe record FILE [anything...]  writes its whole command line
//                                           (GetCommandLineW, UTF-16LE, no BOM,
//                                           no terminator) to FILE, exits 0
//   lanthe-probe exit N                     exits with code N
//   lanthe-probe showstate                  exits with the show state it was started
//                                           with, 1000 when none was given
//   lanthe-probe sleep MS                   sleeps MS milliseconds, exits 0
//   lanthe-probe window TITLE MS            shows a top-level window titled TITLE
//                                           for MS milliseconds, exits 0
// Anything else exits with 2.

#include <cwchar>

#include "platform/win32/handles.h"

namespace {

unsigned long Number(const wchar_t* text) { return std::wcstoul(text, nullptr, 10); }

int Record(const wchar_t* path) {
  const wchar_t* commandLine = ::GetCommandLineW();
  const lanthe::win32::UniqueFile file(
      ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 3;
  const DWORD bytes = static_cast<DWORD>(std::wcslen(commandLine) * sizeof(wchar_t));
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file.get(), commandLine, bytes, &written, nullptr);
  return ok && written == bytes ? 0 : 3;
}

int ShowState() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : 1000;
}

int Window(const wchar_t* title, DWORD milliseconds) {
  struct WindowOwner {
    HWND handle;
    ~WindowOwner() {
      if (handle) ::DestroyWindow(handle);
    }
  } window{::CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                             nullptr, ::GetModuleHandleW(nullptr), nullptr)};
  if (!window.handle) return 4;
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"record") == 0) return Record(argv[2]);
  if (argc >= 3 && std::wcscmp(argv[1], L"exit") == 0) return static_cast<int>(Number(argv[2]));
  if (argc >= 2 && std::wcscmp(argv[1], L"showstate") == 0) return ShowState();
  if (argc >= 3 && std::wcscmp(argv[1], L"sleep") == 0) {
    ::Sleep(Number(argv[2]));
    return 0;
  }
  if (argc >= 4 && std::wcscmp(argv[1], L"window") == 0) return Window(argv[2], Number(argv[3]));
  return 2;
}
