#pragma once
// Starting other programs and ending processes by name.

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/text.h"

namespace lanthe {

// Show states handed to started programs (the platform's show-window codes).
namespace ShowState {
constexpr std::uint16_t kHidden = 0;  // SW_HIDE
constexpr std::uint16_t kNormal = 1;  // SW_SHOWNORMAL
}  // namespace ShowState

class IProcesses {
 public:
  virtual ~IProcesses() = default;
  // Starts "program parameters" (one blank between them, always). When wait is set,
  // blocks until the program has ended and returns its exit code. A program that
  // cannot be started is reported to the user and the call returns at once.
  // started, when given, runs as soon as the program has started, before the wait:
  // what may follow a client's start instead of holding it up.
  virtual std::uint32_t RunProgram(TextView program, TextView parameters, std::uint16_t showState, bool wait,
                                   const std::function<void()>& started) = 0;
  std::uint32_t RunProgram(TextView program, TextView parameters, std::uint16_t showState, bool wait) {
    return RunProgram(program, parameters, showState, wait, {});
  }
  // Ends every process whose image name (or whole executable field) equals name,
  // letter case aside. The outcome of the last termination tried; false when none matched.
  virtual bool KillProcessByName(TextView name) = 0;
  // Starts program with the given parameters asking for full administrator rights
  // (the system may ask the user to confirm). Whether the program was started.
  virtual bool StartElevated(TextView program, TextView parameters) = 0;
  // Starts a whole command line as the system splits it (the program first, quoted
  // when it holds blanks), never through a command interpreter, and tells nobody when
  // it cannot: nullopt then. Otherwise, with wait, blocks until the program has ended
  // and gives its exit code; without, gives 0 at once.
  virtual std::optional<std::uint32_t> StartCommandLine(TextView commandLine, bool wait) = 0;
};

// The matching rule of KillProcessByName: the process's executable field matches when
// its file-name part (after the last backslash or colon) or the whole field equals the
// name, both compared in upper case.
bool ProcessNameMatches(TextView executableField, TextView name);

}  // namespace lanthe
