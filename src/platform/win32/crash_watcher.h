#pragma once
// The crash watcher on Windows: lanthe.exe itself, started with kWatchArgument, holding
// handles to the program it watches, to that program's client and to an event the
// program sets while an end would be a normal one. When the program ends with the event
// unset (an unhandled exception, abort, a fast-fail, a kill), the watcher starts it again
// with the same command line, in the same session, and hands the client's handle on.

#include <windows.h>

#include <vector>

#include "platform/crash_watcher.h"
#include "platform/event_log.h"
#include "platform/power.h"
#include "platform/text.h"
#include "platform/win32/handles.h"

namespace lanthe::win32 {

class Win32CrashWatcher final : public ICrashWatcher {
 public:
  // Takes what a watcher left for a program it started again out of the environment,
  // so that no client inherits it.
  Win32CrashWatcher() noexcept;
  // A normal end: the watcher stands down and ends with the program.
  ~Win32CrashWatcher() override;
  Win32CrashWatcher(const Win32CrashWatcher&) = delete;
  Win32CrashWatcher& operator=(const Win32CrashWatcher&) = delete;

  bool Restarted() noexcept override { return restarted_; }
  std::optional<std::uint32_t> WaitForEarlierClient() noexcept override;
  // The first arming starts the watcher; a new client (a reconnect's) gets a new one,
  // which holds that client, and the old one is ended. The watcher is started after
  // the client's head start and waits without using the processor.
  void Arm() noexcept override;
  void Disarm() noexcept override;

 private:
  bool StartWatcher(HANDLE client) noexcept;

  bool restarted_ = false;
  std::vector<std::uint64_t> restarts_;
  UniqueHandle earlierClient_;  // the client of the program before, inherited
  UniqueHandle disarmed_;       // manual reset; set while an end would be a normal one
  UniqueHandle watcher_;
  DWORD watchedClient_ = 0;     // the process id of the client the watcher holds
};

// Ends the process at once on an unhandled exception, abort() or std::terminate, with
// Windows Error Reporting's window off for this process, so that no crash dialog holds
// the kiosk and the watcher can start the program again.
void InstallCrashHandler() noexcept;

// The watcher's whole life, for a process started with kWatchArgument (parameters: the
// command line after the program's name). Returns its exit code.
int RunCrashWatcher(TextView parameters, IPower& power, IEventLog& events) noexcept;

}  // namespace lanthe::win32
