#include "toolkit/form.h"

#include <algorithm>

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"

namespace lanthe::toolkit {

namespace {

constexpr wchar_t kFormClass[] = L"LantheForm";
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED, not in every SDK

// Newer systems tell each window its own DPI; older ones have one for the screen.
int WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (window && getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  }
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

void RegisterFormClass(WNDPROC windowProc) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = Application::Instance();
  windowClass.hIcon = ::LoadIconW(Application::Instance(), MAKEINTRESOURCEW(1));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kFormClass;
  ::RegisterClassExW(&windowClass);
  registered = true;
}

}  // namespace

Form::Form(FormOptions options) : options_(std::move(options)) {}

Form::~Form() {
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
  if (Application::MainForm() == this) Application::SetMainForm(nullptr);
}

Form* Form::FromHandle(HWND window) {
  wchar_t className[32] = {};
  if (!window || !::GetClassNameW(window, className, 32) || std::wstring_view(className) != kFormClass) {
    return nullptr;
  }
  return reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

DWORD Form::Style() const {
  DWORD style = WS_CLIPCHILDREN | WS_CAPTION;
  switch (options_.border) {
    case BorderStyle::kSingle: style |= WS_OVERLAPPED | WS_MINIMIZEBOX; break;
    case BorderStyle::kDialog: style |= WS_POPUP; break;
    case BorderStyle::kSizeable: style |= WS_OVERLAPPED | WS_THICKFRAME | WS_MINIMIZEBOX; break;
    case BorderStyle::kSizeToolWindow: style |= WS_OVERLAPPED | WS_THICKFRAME; break;
  }
  if (options_.systemMenu) style |= WS_SYSMENU;
  if (options_.maximizeBox) style |= WS_MAXIMIZEBOX;
  return style;
}

DWORD Form::ExStyle() const {
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (options_.border == BorderStyle::kDialog) exStyle |= WS_EX_DLGMODALFRAME;
  if (options_.border == BorderStyle::kSizeToolWindow) exStyle |= WS_EX_TOOLWINDOW;
  return exStyle;
}

void Form::CreateWindowHandle(Form* owner, bool controlsOnFirstShow) {
  RegisterFormClass(&Form::WindowProc);
  dpi_ = WindowDpi(nullptr);
  RECT frame{0, 0, Scale(options_.clientWidth), Scale(options_.clientHeight)};
  ::AdjustWindowRectEx(&frame, Style(), FALSE, ExStyle());
  const std::wstring caption = win32::ToWide(options_.caption);
  hwnd_ = ::CreateWindowExW(ExStyle(), kFormClass, caption.c_str(), Style(), CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, owner ? owner->hwnd() : nullptr,
                            nullptr, Application::Instance(), this);
  if (!hwnd_) return;
  if (!Application::MainForm()) Application::SetMainForm(this);
  const int actualDpi = WindowDpi(hwnd_);
  RebuildFont();
  if (controlsOnFirstShow) {
    controlsPending_ = true;
  } else {
    MakeControls();
  }
  if (actualDpi != dpi_) {
    dpi_ = actualDpi;
    RebuildFont();
  }
  ApplyLayout();
}

void Form::CreateWindowHandleOnFirstUse(Form* owner) {
  createOnFirstUse_ = true;
  owner_ = owner;
}

void Form::EnsureWindow() {
  if (hwnd_ || !createOnFirstUse_) return;
  createOnFirstUse_ = false;
  // An owned window needs its owner's window to be owned by.
  if (owner_) owner_->EnsureWindow();
  CreateWindowHandle(owner_, /*controlsOnFirstShow=*/true);
}

void Form::MakeControls() {
  // The common controls are loaded with the first controls: a window that stays
  // hidden and bare (a kiosk's main window during its session) never needs them.
  Application::EnsureCommonControls();
  BuildControls();
}

void Form::EnsureWindowHandle() {
  EnsureWindow();
  if (hwnd_ && controlsPending_) {
    controlsPending_ = false;
    MakeControls();
    ApplyLayout();
  }
}

void Form::RebuildFont() {
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(8, dpi_, 72);  // 8 point: -11 at 96 DPI
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  wcscpy_s(font.lfFaceName, L"Tahoma");
  win32::UniqueFont newFont(::CreateFontIndirectW(&font));
  for (Control* control : controls_) {
    ::SendMessageW(control->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(newFont.get()), FALSE);
  }
  font_ = std::move(newFont);
}

void Form::ApplyLayout() {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int width = Scale(options_.clientWidth);
  const int height = Scale(options_.clientHeight);
  if (client.right != width || client.bottom != height) {
    RECT frame{0, 0, width, height};
    ::AdjustWindowRectEx(&frame, Style(), FALSE, ExStyle());
    ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (Control* control : controls_) {
    const Bounds& b = control->bounds_;
    ::SetWindowPos(control->hwnd(), nullptr, Scale(b.left), Scale(b.top), Scale(b.width), Scale(b.height),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(control->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    control->FontChanged();
  }
}

int Form::Register(Control* control) {
  controls_.push_back(control);
  return nextId_++;
}

void Form::Unregister(Control* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (defaultButton_ == control) defaultButton_ = nullptr;
  if (cancelButton_ == control) cancelButton_ = nullptr;
}

Control* Form::FindControl(int id) const {
  for (Control* control : controls_) {
    if (control->Id() == id) return control;
  }
  return nullptr;
}

SIZE Form::ClientSize96() const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  return SIZE{Unscale(client.right), Unscale(client.bottom)};
}

void Form::StartTimer(UINT_PTR id, int milliseconds) {
  ::SetTimer(hwnd_, id, static_cast<UINT>(milliseconds > 0 ? milliseconds : USER_TIMER_MINIMUM), nullptr);
}

void Form::StopTimer(UINT_PTR id) { ::KillTimer(hwnd_, id); }

void Form::SetTooltip(const Control& control, TextView text) {
  if (!tooltips_) {
    tooltips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                  Application::Instance(), nullptr);
  }
  std::wstring tip = win32::ToWide(text);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(control.hwnd());
  tool.lpszText = tip.data();
  ::SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Form::Centre() {
  RECT window{};
  ::GetWindowRect(hwnd_, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& area = monitor.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int left = area.left + std::max(0L, (area.right - area.left - width) / 2);
  const int top = area.top + std::max(0L, (area.bottom - area.top - height) / 2);
  ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Show() {
  // A window shown first must not wait behind Windows' log-on screen.
  win32::SignalShellReadyOnce();
  EnsureWindowHandle();
  Application::Guard([this] { Showing(); });
  if (!shownOnce_) {
    Centre();
    shownOnce_ = true;
  }
  ::ShowWindow(hwnd_, SW_SHOW);
}

void Form::Hide() {
  if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

bool Form::Visible() const { return hwnd_ && ::IsWindowVisible(hwnd_); }

int Form::ShowModal() {
  EnsureWindowHandle();
  std::vector<HWND> disabled;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM list) -> BOOL {
        const Form* form = Form::FromHandle(window);
        if (form && form->UsableBesideModal()) return TRUE;
        if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&disabled));
  for (HWND window : disabled) ::EnableWindow(window, FALSE);

  modal_ = true;
  modalResult_ = ModalResult::kNone;
  Show();
  ::SetForegroundWindow(hwnd_);
  MSG message;
  while (modalResult_ == ModalResult::kNone) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: leave the quit message for the outer loop.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    Application::Dispatch(message);
  }
  // Enabled again before hiding, so that activation returns to the owner.
  for (HWND window : disabled) ::EnableWindow(window, TRUE);
  Hide();
  modal_ = false;
  return modalResult_ == ModalResult::kNone ? ModalResult::kCancel : modalResult_;
}

void Form::Close() {
  bool allowed = false;
  Application::Guard([&] { allowed = CloseQuery(); });
  if (!allowed) return;
  Application::Guard([this] { Closed(); });
  if (modal_) {
    if (modalResult_ == ModalResult::kNone) modalResult_ = ModalResult::kCancel;
  } else if (Application::MainForm() == this) {
    Hide();
    Application::Terminate();
  } else {
    Hide();
  }
}

void Form::SetBorderIcons(bool systemMenu, bool maximizeBox) {
  options_.systemMenu = systemMenu;
  options_.maximizeBox = maximizeBox;
  if (!hwnd_) return;
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(Style() | (::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE)));
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT Form::HandleOther(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT Form::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (Control* control = FindControl(id)) {
        control->Command(HIWORD(wParam));
      } else if (id == IDOK && defaultButton_ && defaultButton_->Enabled()) {
        defaultButton_->Click();
      } else if (id == IDCANCEL && cancelButton_ && cancelButton_->Enabled()) {
        cancelButton_->Click();
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (Control* control = FindControl(static_cast<int>(header->idFrom))) return control->Notify(header);
      return 0;
    }
    case WM_TIMER:
      Application::Guard([&] { Timer(wParam); });
      return 0;
    case WM_SIZE:
      if (!controls_.empty()) Application::Guard([this] { Resized(); });
      return 0;
    case DM_GETDEFID:
      if (defaultButton_) return MAKELRESULT(defaultButton_->Id(), DC_HASDEFID);
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_QUERYENDSESSION:
      // WM_QUERYENDSESSION's page asks programs to respect the user's intention and
      // return TRUE; a shell that refuses holds a restart (Windows Update's, a remote
      // one, an installer's) until somebody answers Windows' blocking screen. Never a
      // box here: nobody may be there to answer it.
      try {
        SessionEndQueried();
      } catch (...) {
      }
      return TRUE;
    case WM_ENDSESSION:
      try {
        SessionEnding(wParam != FALSE);
      } catch (...) {
      }
      return 0;
    case kDpiChanged: {
      dpi_ = HIWORD(wParam);
      RebuildFont();
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyLayout();
      return 0;
    }
    default:
      return HandleOther(message, wParam, lParam);
  }
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  Form* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return ::DefWindowProcW(window, message, wParam, lParam);
  return form->Handle(message, wParam, lParam);
}

}  // namespace lanthe::toolkit
