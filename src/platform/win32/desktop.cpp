// The desktop behind the client, for this log-on only: neither call writes the
// user's profile.

#include "platform/win32/win32_platform.h"

#include <atomic>

namespace lanthe::win32 {

namespace {

std::atomic<bool> shellReadySignalled{false};

}  // namespace

void SignalShellReadyOnce() noexcept {
  if (shellReadySignalled.exchange(true)) return;
  // Microsoft does not document this event, but Windows' log-on screen stays until it is
  // set (or its own time runs out), and every replacement shell sets it. Where it does
  // not exist (a start after the log-on, or Wine), nothing happens.
  const UniqueHandle event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"ShellDesktopSwitchEvent"));
  if (event) ::SetEvent(event.get());
}

void ShellReadySignalledBefore() noexcept { shellReadySignalled = true; }

void Win32Desktop::SignalShellReady() noexcept { SignalShellReadyOnce(); }

namespace {

// The feature's structure as SystemParametersInfoW gets it, its hotkey flag cleared.
// The page of each structure asks for the whole structure on a set.
template <typename Structure>
bool ClearHotkey(UINT get, UINT set, DWORD Structure::*flags, DWORD hotkey, UINT winIni) noexcept {
  Structure feature{};
  feature.cbSize = sizeof feature;
  if (!::SystemParametersInfoW(get, sizeof feature, &feature, 0)) return false;
  feature.*flags &= ~hotkey;
  return ::SystemParametersInfoW(set, sizeof feature, &feature, winIni) != FALSE;
}

}  // namespace

void Win32Desktop::SwitchOffAccessibilityHotkeys(const std::vector<AccessibilityFeature>& features) noexcept {
  for (std::size_t i = 0; i < features.size(); ++i) {
    // One broadcast for all of them, with the last.
    const UINT winIni = SPIF_UPDATEINIFILE | (i + 1 == features.size() ? SPIF_SENDCHANGE : 0);
    switch (features[i]) {
      case AccessibilityFeature::kStickyKeys:
        ClearHotkey(SPI_GETSTICKYKEYS, SPI_SETSTICKYKEYS, &STICKYKEYS::dwFlags, SKF_HOTKEYACTIVE, winIni);
        break;
      case AccessibilityFeature::kFilterKeys:
        ClearHotkey(SPI_GETFILTERKEYS, SPI_SETFILTERKEYS, &FILTERKEYS::dwFlags, FKF_HOTKEYACTIVE, winIni);
        break;
      case AccessibilityFeature::kToggleKeys:
        ClearHotkey(SPI_GETTOGGLEKEYS, SPI_SETTOGGLEKEYS, &TOGGLEKEYS::dwFlags, TKF_HOTKEYACTIVE, winIni);
        break;
      case AccessibilityFeature::kHighContrast:
        ClearHotkey(SPI_GETHIGHCONTRAST, SPI_SETHIGHCONTRAST, &HIGHCONTRASTW::dwFlags, HCF_HOTKEYACTIVE, winIni);
        break;
      case AccessibilityFeature::kMouseKeys:
        ClearHotkey(SPI_GETMOUSEKEYS, SPI_SETMOUSEKEYS, &MOUSEKEYS::dwFlags, MKF_HOTKEYACTIVE, winIni);
        break;
    }
  }
}

bool Win32Desktop::RemoveWallpaper() noexcept {
  wchar_t none[] = L"";
  return ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, none, 0) != FALSE;
}

bool Win32Desktop::SetDesktopColor(std::uint32_t rgb) noexcept {
  const INT element = COLOR_DESKTOP;
  const COLORREF color = rgb;
  return ::SetSysColors(1, &element, &color) != FALSE;
}

}  // namespace lanthe::win32
