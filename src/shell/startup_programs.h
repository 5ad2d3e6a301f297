#pragma once
// The log-on's own programs, started as Explorer starts them when it is the shell: the
// RunOnce entries one at a time, each waited for, then every Run entry without
// waiting. The whole run happens in the calling thread; the platform gives it a
// thread of its own (IStartupPrograms), so that neither the window nor the client
// waits for it. The Startup folders are not looked at.

#include "platform/event_log.h"
#include "platform/folders.h"
#include "platform/processes.h"
#include "platform/registry.h"

namespace lanthe {

// administrator: the user may delete the machine's RunOnce entries, so they run too
// (before the user's own); otherwise they are left for an administrator's log-on.
// A program that cannot be started is a warning event (kStartupProgramFailed),
// never a message.
void RunLogOnPrograms(IRegistry& registry, IProcesses& processes, IFolders& folders, IEventLog& events,
                      bool administrator);

}  // namespace lanthe
