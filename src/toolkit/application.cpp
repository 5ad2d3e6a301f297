#include "toolkit/application.h"

#include <commctrl.h>

#include "platform/error.h"
#include "platform/win32/wide.h"
#include "toolkit/form.h"

namespace lanthe::toolkit::Application {

namespace {

HINSTANCE instance = nullptr;
Text title;
Form* mainForm = nullptr;
bool terminateRequested = false;

}  // namespace

void Initialize(HINSTANCE hinstance) { instance = hinstance; }

void EnsureCommonControls() {
  static const bool initialized = [] {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                     ICC_LINK_CLASS | ICC_UPDOWN_CLASS;
    return ::InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)initialized;
}

HINSTANCE Instance() { return instance; }

void SetTitle(TextView text) { title = Text(text); }

const Text& Title() { return title; }

Form* MainForm() { return mainForm; }

void SetMainForm(Form* form) { mainForm = form; }

void Terminate() {
  if (terminateRequested) return;
  terminateRequested = true;
  ::PostQuitMessage(0);
}

bool TerminateRequested() { return terminateRequested; }

void Dispatch(MSG& message) {
  const HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  // Tab, arrow keys, Enter and Escape move and click the way they do in dialogs.
  if (root && Form::FromHandle(root) && ::IsDialogMessageW(root, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

bool RunMessagesUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  for (;;) {
    if (done()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    // Sent messages (Windows' questions about the session's end among them) are
    // handled inside PeekMessageW; posted ones are dispatched here.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return done();
      }
      Dispatch(message);
      if (done()) return true;
    }
  }
}

void Run() {
  if (mainForm && !terminateRequested) {
    mainForm->Show();
    ::SetForegroundWindow(mainForm->hwnd());
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
}

void ShowException(const std::exception& error) noexcept {
  try {
    const std::wstring text = win32::ToWide(ErrorText(error));
    ::MessageBoxW(::GetActiveWindow(), text.c_str(), win32::ToWide(title).c_str(), MB_OK | MB_ICONERROR);
  } catch (...) {
    ::MessageBoxW(::GetActiveWindow(), L"Out of memory", L"Error", MB_OK | MB_ICONERROR);
  }
}

}  // namespace lanthe::toolkit::Application
