#pragma once
// Who runs the program.

#include "platform/text.h"

namespace lanthe {

class IIdentity {
 public:
  virtual ~IIdentity() = default;
  // True exactly when the running program's token lists the local Administrators group.
  virtual bool IsAdministrator() = 0;
  // The logged-on user's name.
  virtual Text GetCurrentUserName() = 0;
};

}  // namespace lanthe
