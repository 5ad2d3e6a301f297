#pragma once
// The Windows Event Log, where administrators look first: Lanthe reports what it
// did and what went wrong in the Application log under the source "Lanthe". A report
// never blocks the caller and never fails the program; when the log cannot be
// written, the event is lost without a word.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/text.h"

namespace lanthe {

inline constexpr char16_t kEventSource[] = u"Lanthe";

enum class EventType { kInformation, kWarning, kError };

// The events' numbers; the program's message table holds a text for each.
//
// Earlier versions wrote each event's whole text as its one insertion string, under
// 1000 to 1012, and the message table shows them as that text ("%1"): a log keeps
// such events for months. Today each fixed sentence has a number of its own, from
// 1100 on, whose message builds the sentence from the event's fields (one insertion
// string each), so that a query or a forwarding rule can filter on a field's
// position. A sentence with several forms (asked or not, refused) has one number per
// form; old event N's sentences are 1100 + 10 * (N - 1000) onwards. Only the texts
// that have no fixed sentence (an apply step's message, the program folder's rights)
// still carry their whole text, under their old numbers.
namespace EventId {
// Earlier versions' numbers.
constexpr std::uint32_t kStarted = 1000;
constexpr std::uint32_t kClientStarted = 1001;
constexpr std::uint32_t kClientEnded = 1002;
constexpr std::uint32_t kReconnect = 1003;
constexpr std::uint32_t kExitAction = 1004;
constexpr std::uint32_t kSettingsDamaged = 1005;
constexpr std::uint32_t kApplyFailed = 1006;  // still written: the whole message
constexpr std::uint32_t kNetworkWaitTimedOut = 1007;
constexpr std::uint32_t kPolicyOverrides = 1008;
constexpr std::uint32_t kStartupProgramFailed = 1009;
constexpr std::uint32_t kSessionNotEnded = 1010;
constexpr std::uint32_t kCrashRestart = 1011;
constexpr std::uint32_t kProgramFolderWritable = 1012;  // still written: the whole message

// One number per sentence; EventMessages() says which field is which.
constexpr std::uint32_t kStart = 1100;
constexpr std::uint32_t kStartInDebugMode = 1101;
constexpr std::uint32_t kStartAgain = 1102;
constexpr std::uint32_t kStartAgainInDebugMode = 1103;
constexpr std::uint32_t kClientStart = 1110;
constexpr std::uint32_t kClientStartFailed = 1111;
constexpr std::uint32_t kClientNotAppeared = 1112;
constexpr std::uint32_t kClientEnd = 1120;
constexpr std::uint32_t kReconnectChosen = 1130;
constexpr std::uint32_t kExitActionAsked = 1140;
constexpr std::uint32_t kExitActionNothingAsked = 1141;
constexpr std::uint32_t kExitActionRefused = 1142;
constexpr std::uint32_t kSettingsFileDamaged = 1150;
constexpr std::uint32_t kNoNetwork = 1170;
constexpr std::uint32_t kServerNotAnswering = 1171;
constexpr std::uint32_t kSetByPolicy = 1180;
constexpr std::uint32_t kStartupProgramNotStarted = 1190;
constexpr std::uint32_t kSessionEndCancelled = 1200;
constexpr std::uint32_t kSessionEndNoAnswer = 1201;
constexpr std::uint32_t kRestarted = 1210;
constexpr std::uint32_t kRestartFailed = 1211;
constexpr std::uint32_t kRestartsUsedUp = 1212;
}  // namespace EventId

// An event's message as the message table (lanthe_events.mc) holds it: %1 to %9 stand
// for the fields, %% for a percent sign; nothing else is special.
struct EventMessage {
  std::uint32_t id;
  EventType type;  // the kind its sentence is written as (the old numbers: any)
  const char16_t* text;
};
// Every number's message, old and new, in the order of the numbers.
std::span<const EventMessage> EventMessages() noexcept;

// An event to report: its number and its fields, in their order.
struct EventReport {
  EventType type = EventType::kInformation;
  std::uint32_t id = 0;
  std::vector<Text> strings;
};
// The event of a fixed sentence: the kind is the sentence's.
EventReport MakeEvent(std::uint32_t id, std::vector<Text> strings);
// The text Event Viewer shows for an event: its message with the fields put in, as
// FormatMessage does (a field is put in as it is, never expanded again). An unknown
// number, or a field the event lacks, gives the fields one after the other.
Text EventText(std::uint32_t id, std::span<const Text> strings);
inline Text EventText(const EventReport& event) { return EventText(event.id, event.strings); }

class IEventLog {
 public:
  virtual ~IEventLog() = default;
  virtual void Report(const EventReport& event) = 0;
  // An event whose one field is its whole text.
  void Report(EventType type, std::uint32_t id, TextView text) { Report(EventReport{type, id, {Text(text)}}); }
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

  using IEventLog::Report;
  void Report(const EventReport& event) override;
  // Held events stay held; the rest is flushed.
  void Flush() override { events_.Flush(); }
  void Hold() noexcept { held_ = true; }
  void Release() noexcept;

 private:
  IEventLog& events_;
  bool held_ = false;
  std::vector<EventReport> kept_;
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
