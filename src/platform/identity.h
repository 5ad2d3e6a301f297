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
  // Whether the program runs with its user's full rights. An administrator's program
  // on a system with user account control runs with a filtered token unless started
  // "as administrator": it then counts as an administrator but cannot change the
  // machine. True where there is no such filtering.
  virtual bool IsElevated() = 0;
};

}  // namespace lanthe
