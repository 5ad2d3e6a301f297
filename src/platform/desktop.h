#pragma once
// The desktop behind the remote client, for this log-on only: nothing is written to
// the user's profile. And the signal that the shell is ready, which ends the log-on screen.

#include <cstdint>
#include <vector>

namespace lanthe {

// The accessibility features that have a hotkey of their own.
enum class AccessibilityFeature { kStickyKeys, kFilterKeys, kToggleKeys, kHighContrast, kMouseKeys };

class IDesktop {
 public:
  virtual ~IDesktop() = default;
  // No wallpaper for the rest of this log-on; whether the system took it.
  virtual bool RemoveWallpaper() = 0;
  // The desktop's colour (red in the lowest byte, then green, then blue) for the rest
  // of this log-on; whether the system took it.
  virtual bool SetDesktopColor(std::uint32_t rgb) = 0;
  // Tells Windows that the shell is ready, so that it takes its log-on screen
  // ("Welcome", "Preparing Windows") away; once per log-on, later calls do nothing.
  virtual void SignalShellReady() = 0;
  // Tells Windows that these features' hotkeys are off for this user now (the user's
  // registry says so already), with one change broadcast at the most.
  virtual void SwitchOffAccessibilityHotkeys(const std::vector<AccessibilityFeature>& features) = 0;
};

}  // namespace lanthe
