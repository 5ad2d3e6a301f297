// The desktop behind the client, for this log-on only: neither call writes the
// user's profile.

#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

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
