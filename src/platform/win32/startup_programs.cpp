// The log-on's own programs, started on a thread of their own.

#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

void Win32StartupPrograms::StartInBackground(bool) noexcept {}

}  // namespace lanthe::win32
