#include "wizard_driver.h"

#include "harness.h"

namespace lanthe::e2e {

namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

}  // namespace

std::vector<HWND> VisibleControls(HWND window, const std::wstring& className, const std::wstring* caption) {
  std::vector<HWND> found;
  struct Search {
    const std::wstring& className;
    const std::wstring* caption;
    std::vector<HWND>& found;
  } search{className, caption, found};
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        if (!::IsWindowVisible(child) || _wcsicmp(ClassOf(child).c_str(), s.className.c_str()) != 0) return TRUE;
        if (s.caption) {
          std::wstring text = ControlText(child);
          for (auto at = text.find(L'&'); at != std::wstring::npos; at = text.find(L'&', at)) text.erase(at, 1);
          if (text != *s.caption) return TRUE;
        }
        s.found.push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return found;
}

HWND VisibleButton(HWND window, const std::wstring& caption) {
  const auto buttons = VisibleControls(window, L"Button", &caption);
  return buttons.empty() ? nullptr : buttons.front();
}

bool OnPage(HWND wizard, const std::wstring& title) {
  return WaitUntil([&] { return !VisibleControls(wizard, L"Static", &title).empty(); });
}

bool ClickButton(HWND wizard, const std::wstring& caption) {
  HWND button = nullptr;
  WaitUntil([&] {
    button = VisibleButton(wizard, caption);
    return button && ::IsWindowEnabled(button);
  });
  if (!button) return false;
  Click(button);
  return true;
}

void Type(HWND edit, const std::wstring& text) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, kWaitMs, &ignored);
}

int ComboCount(HWND combo) {
  DWORD_PTR count = 0;
  ::SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_NORMAL, kWaitMs, &count);
  return static_cast<int>(count);
}

void Choose(HWND combo, int index) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_NORMAL, kWaitMs, &ignored);
  ::PostMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

}  // namespace lanthe::e2e
