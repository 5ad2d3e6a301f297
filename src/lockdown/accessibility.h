#pragma once
// The accessibility shortcuts (Shift five times, holding Shift, Num Lock held,
// Alt+Shift+Print Screen, Alt+Shift+Num Lock) open dialogs with links into Settings and
// Control Panel: a way out of the kiosk. Their hotkeys are switched off for the kiosk
// user; a feature a person switched on stays on.

#include "platform/desktop.h"
#include "platform/registry.h"

namespace lanthe {

// The feature's key below HKEY_CURRENT_USER\Control Panel\Accessibility, whose "Flags"
// (REG_SZ, decimal) hold its bits; the hotkey bit is 0x4 for each of them
// (SKF_HOTKEYACTIVE, FKF_, TKF_, HCF_ and MKF_HOTKEYACTIVE).
TextView AccessibilityKey(AccessibilityFeature feature);
inline constexpr std::uint32_t kAccessibilityHotkeyBit = 0x4;

// Clears the hotkey bit of each feature in the running user's registry, leaving every
// other bit as it is, and tells Windows of the features whose bit was set. The
// features whose hotkey was switched off.
std::vector<AccessibilityFeature> SwitchOffAccessibilityHotkeys(IRegistry& registry, IDesktop& desktop);

}  // namespace lanthe
