#pragma once
// What the crash watcher and the program it starts again tell each other, and the
// watcher's decision after an abnormal end. The watcher is lanthe.exe itself, started
// with kWatchArgument; handles are handed over by inheritance and named by number.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/event_log.h"
#include "platform/text.h"

namespace lanthe {

// The first parameter that makes lanthe.exe the watcher of another Lanthe.
inline constexpr char16_t kWatchArgument[] = u"/watch";
// Set by the watcher for the program it starts again, never left for a client: the
// crashed program's client and the restarts so far ("<client> <restarts>").
inline constexpr char16_t kRestartVariable[] = u"LANTHE_RESTARTED";

// At most this many restarts within the window; the next abnormal end logs off.
inline constexpr std::size_t kMostRestarts = 3;
inline constexpr std::uint64_t kRestartWindowMs = 10 * 60 * 1000;

// What one program hands on to the next through a restart.
struct RestartState {
  std::uint64_t client = 0;             // the client's process handle; 0 for none
  std::vector<std::uint64_t> restarts;  // when each restart was, in ticks (ms)
  bool operator==(const RestartState&) const = default;
};

struct WatchOrders {
  std::uint64_t program = 0;   // the watched program's process handle
  std::uint64_t disarmed = 0;  // an event that is set while an end would be a normal one
  RestartState state;
  Text commandLine;            // the watched program's whole command line, to start it again
  bool operator==(const WatchOrders&) const = default;
};

// "/watch <program> <disarmed> <client> <restarts> <command line>", the restarts as
// a comma-separated list or "-".
Text WatcherParameters(const WatchOrders& orders);
// The orders in a watcher's parameters (the command line after the program's name);
// nullopt when they are not a watcher's.
std::optional<WatchOrders> ParseWatcherParameters(TextView parameters);

Text RestartVariableValue(const RestartState& state);
std::optional<RestartState> ParseRestartVariable(TextView value);

enum class AfterAbnormalEnd { kStartAgain, kLogOff };
// Forgets the restarts older than the window. kLogOff when the most restarts have been
// made within it; otherwise records this one at now and says kStartAgain.
AfterAbnormalEnd DecideAfterAbnormalEnd(std::vector<std::uint64_t>& restarts, std::uint64_t now);

// The events the watcher writes: a restart, and the log-off when it gives up.
EventReport RestartedEvent(std::uint32_t exitCode, std::size_t restartsInWindow);
EventReport RestartGivenUpEvent(std::uint32_t exitCode, bool couldNotStart);

}  // namespace lanthe
