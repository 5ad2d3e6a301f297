#pragma once
// Answering message boxes of the test program itself: a second thread waits for the
// box, records what it shows and presses one of its buttons.

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace lanthe::win32::tests {

// What a message box showed, seen from another thread that then pressed a button.
struct SeenBox {
  bool found = false;
  std::wstring text;
  std::vector<int> buttons;
  bool icon = false;
};

inline BOOL CALLBACK CollectChild(HWND child, LPARAM seen) {
  auto& box = *reinterpret_cast<SeenBox*>(seen);
  wchar_t className[32] = {};
  ::GetClassNameW(child, className, 32);
  if (::lstrcmpiW(className, L"Button") == 0 && ::IsWindowVisible(child)) {
    box.buttons.push_back(::GetDlgCtrlID(child));
  } else if (::lstrcmpiW(className, L"Static") == 0 && ::IsWindowVisible(child)) {
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      // Wine keeps the icon control also in boxes without an icon, only empty.
      if (::SendMessageW(child, STM_GETICON, 0, 0) != 0) box.icon = true;
    } else {
      wchar_t text[512] = {};
      ::GetWindowTextW(child, text, 512);
      box.text += text;
    }
  }
  return TRUE;
}

// Waits on another thread for the box with this caption, records it and presses button.
class BoxAnswerer {
 public:
  BoxAnswerer(std::wstring caption, int button)
      : thread_([this, caption = std::move(caption), button] {
          HWND box = nullptr;
          if (!WaitUntil([&] {
                box = ::FindWindowW(L"#32770", caption.c_str());
                return box && ::IsWindowVisible(box) && ::GetDlgItem(box, button);
              })) {
            return;
          }
          seen_.found = true;
          ::EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&seen_));
          // What a click on the button sends; Wine's BM_CLICK from another thread
          // takes two seconds to come back.
          const HWND control = ::GetDlgItem(box, button);
          ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        }) {}
  // The box's contents, once it has been answered.
  const SeenBox& seen() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }
  ~BoxAnswerer() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  SeenBox seen_;
  std::thread thread_;
};

}  // namespace lanthe::win32::tests
