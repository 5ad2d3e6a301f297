#pragma once
// The log-on's own programs: with a replacement shell nothing else starts what the
// Run and RunOnce keys list (agents a thin client needs, such as single sign-on, VPN
// and management agents). They are started on a thread of their own, so that neither
// the window nor the client waits for them.

namespace lanthe {

class IStartupPrograms {
 public:
  virtual ~IStartupPrograms() = default;
  // Starts the log-on's programs in the background and returns at once.
  // administrator: the user may delete the machine's RunOnce entries, so they run too.
  virtual void StartInBackground(bool administrator) = 0;
};

}  // namespace lanthe
