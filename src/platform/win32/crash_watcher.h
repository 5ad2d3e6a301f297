#pragma once
// The crash watcher on Windows: lanthe.exe itself, started with an argument of its
// own, holding a handle to the program it watches.

#include "platform/crash_watcher.h"

namespace lanthe::win32 {

class Win32CrashWatcher final : public ICrashWatcher {
 public:
  bool Restarted() noexcept override { return false; }
  std::optional<std::uint32_t> WaitForEarlierClient() noexcept override { return std::nullopt; }
  void Arm() noexcept override {}
  void Disarm() noexcept override {}
};

}  // namespace lanthe::win32
