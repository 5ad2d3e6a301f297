// The log-on's own programs, started on a thread of their own.

#include "platform/win32/win32_platform.h"

#include <thread>

#include "shell/startup_programs.h"

namespace lanthe::win32 {

namespace {

// Everything the run uses lives on this thread's stack: the program may end while a
// RunOnce program is still being waited for, and nothing of the main thread's may go
// away under the run meanwhile.
void RunOnOwnThread(bool administrator) noexcept {
  try {
    Win32MessageBoxes messages;  // never shown: a start that fails is an event
    Win32Registry registry;
    Win32Processes processes(messages);
    Win32Folders folders;
    Win32EventLog events;
    RunLogOnPrograms(registry, processes, folders, events, administrator);
  } catch (...) {
    // An exception would end the whole program from here; the programs not started
    // yet are lost instead.
  }
}

}  // namespace

void Win32StartupPrograms::StartInBackground(bool administrator) noexcept {
  try {
    std::thread(RunOnOwnThread, administrator).detach();
  } catch (...) {
    // No thread to be had: the session goes on without the log-on's programs.
  }
}

}  // namespace lanthe::win32
