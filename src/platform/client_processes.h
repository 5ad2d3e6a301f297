#pragma once
// The processes of a client that another program starts for Lanthe: the Workspace
// app's self-service program hands the session to the ICA client some time after the
// launch (once the user has authenticated), and Lanthe waits for that client's
// processes by name rather than for the program it started itself.

#include <cstdint>

#include "platform/text.h"

namespace lanthe {

class IClientProcesses {
 public:
  virtual ~IClientProcesses() = default;
  // Waits until a process with this image name (letter case aside) runs in the
  // program's own Windows session, looking now and then and using no processor time
  // between looks, at most timeoutMs; whether one appeared. Messages that other
  // programs send to the program's windows are answered meanwhile.
  virtual bool WaitForProcessToAppear(TextView name, std::uint32_t timeoutMs) = 0;
  // Waits, answering sent messages, until no process with this image name runs in the
  // program's own Windows session any more: those that start while the first ones run
  // are waited for too. The exit code of the last one that ended; 0 when none ran or
  // none could be read.
  virtual std::uint32_t WaitForProcessesToEnd(TextView name) = 0;
};

}  // namespace lanthe
