#pragma once
// The top-level windows of the desktop, as far as the program looks at them.

#include <vector>

#include "platform/text.h"

namespace lanthe {

class IWindowList {
 public:
  virtual ~IWindowList() = default;
  // Titles of all top-level windows in the platform's order, each cut to 256
  // characters; windows without a title are left out, duplicates stay.
  virtual std::vector<Text> TopLevelWindowTitles() = 0;
  // Tells every top-level window that a setting of this area changed
  // (WM_SETTINGCHANGE). A window that hangs is given up on: the call always returns.
  virtual void BroadcastSettingChange(TextView area) = 0;
};

}  // namespace lanthe
