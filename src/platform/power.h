#pragma once
// Power actions: log off, restart, shut down, power off.

#include <cstdint>

namespace lanthe {

// The platform's ExitWindowsEx flags for each exit action.
namespace ExitWindowsFlags {
constexpr std::uint16_t kPowerOff = 12;  // EWX_POWEROFF + EWX_FORCE
constexpr std::uint16_t kLogOff = 16;    // EWX_LOGOFF + EWX_FORCEIFHUNG
constexpr std::uint16_t kShutdown = 17;  // EWX_SHUTDOWN + EWX_FORCEIFHUNG
constexpr std::uint16_t kRestart = 18;   // EWX_REBOOT + EWX_FORCEIFHUNG
}  // namespace ExitWindowsFlags

class IPower {
 public:
  virtual ~IPower() = default;
  // Requests the action with the shutdown privilege enabled; whether the platform accepted it.
  virtual bool ShutdownWindows(std::uint16_t flags) = 0;
};

}  // namespace lanthe
