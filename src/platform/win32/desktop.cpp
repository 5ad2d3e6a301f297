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
