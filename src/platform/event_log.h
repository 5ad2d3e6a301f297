#pragma once
// The Windows Event Log, where administrators look first: Lanthe reports what it
// did and what went wrong in the Application log under the source "Lanthe". A report
// never blocks the caller and never fails the program; when the log cannot be
// written, the event is lost without a word.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace lanthe {

inline constexpr char16_t kEventSource[] = u"Lanthe";

enum class EventType { kInformation, kWarning, kError };

// The events' numbers; the program's message table holds a text for each.
namespace EventId {
constexpr std::uint32_t kStarted = 1000;
constexpr std::uint32_t kClientStarted = 1001;
constexpr std::uint32_t kClientEnded = 1002;
constexpr std::uint32_t kReconnect = 1003;
constexpr std::uint32_t kExitAction = 1004;
constexpr std::uint32_t kSettingsDamaged = 1005;
constexpr std::uint32_t kApplyFailed = 1006;
constexpr std::uint32_t kNetworkWaitTimedOut = 1007;
constexpr std::uint32_t kPolicyOverrides = 1008;
constexpr std::uint32_t kStartupProgramFailed = 1009;
constexpr std::uint32_t kSessionNotEnded = 1010;
constexpr std::uint32_t kCrashRestart = 1011;
constexpr std::uint32_t kProgramFolderWritable = 1012;
}  // namespace EventId

class IEventLog {
 public:
  virtual ~IEventLog() = default;
  virtual void Report(EventType type, std::uint32_t id, TextView text) = 0;
  // Waits, a little while at most, until what was reported so far is written: before
  // a step that may end the program.
  virtual void Flush() {}
};

// Passes each event on at once, except while held: then the events are kept, in
// their order, and handed on when released (at the latest when this object goes).
// A kiosk's start holds them until its client runs: the log's writer then starts
// only once the client has its head start.
class HeldEventLog final : public IEventLog {
 public:
  explicit HeldEventLog(IEventLog& events) noexcept : events_(events) {}
  ~HeldEventLog() override { Release(); }
  HeldEventLog(const HeldEventLog&) = delete;
  HeldEventLog& operator=(const HeldEventLog&) = delete;

  void Report(EventType type, std::uint32_t id, TextView text) override;
  // Held events stay held; the rest is flushed.
  void Flush() override { events_.Flush(); }
  void Hold() noexcept { held_ = true; }
  void Release() noexcept;

 private:
  struct Event {
    EventType type;
    std::uint32_t id;
    Text text;
  };
  IEventLog& events_;
  bool held_ = false;
  std::vector<Event> kept_;
};

// An event as the Application log keeps it.
struct LoggedEvent {
  std::uint32_t id = 0;
  EventType type = EventType::kInformation;
  std::int64_t time = 0;      // when it was written, in seconds since 1970-01-01 UTC
  std::vector<Text> strings;  // its insertion strings, in order
};

// Reads back what a source reported, for "lanthe-config status".
class IEventHistory {
 public:
  virtual ~IEventHistory() = default;
  // The source's newest events in the Application log, newest first, at most `most`
  // of them; nullopt when the log cannot be read.
  virtual std::optional<std::vector<LoggedEvent>> RecentEvents(TextView source, std::size_t most) = 0;
};

// A steady clock in milliseconds, for how long things took.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual std::uint64_t NowMilliseconds() = 0;
};

}  // namespace lanthe
