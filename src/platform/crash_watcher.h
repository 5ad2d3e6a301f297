#pragma once
// The watcher that starts the program again when it ends abnormally while it runs a
// limited user's session cycle: with a replacement shell, Windows starts nothing in
// its place, and the kiosk user would face a black screen.

#include <cstdint>
#include <optional>

namespace lanthe {

class ICrashWatcher {
 public:
  virtual ~ICrashWatcher() = default;
  // Whether this program was started again by the watcher after an abnormal end.
  virtual bool Restarted() = 0;
  // When the program was started again while the client of the one before still runs:
  // waits for that client (answering other programs' messages meanwhile) and returns
  // its exit code; nullopt at once when there is no such client.
  virtual std::optional<std::uint32_t> WaitForEarlierClient() = 0;
  // From now on an abnormal end starts the program again; the client being waited for
  // now, if any, is handed on to the next program.
  virtual void Arm() = 0;
  // The end that follows is a normal one: nothing is started again.
  virtual void Disarm() = 0;
};

}  // namespace lanthe
