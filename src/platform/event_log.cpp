#include "platform/event_log.h"

namespace lanthe {

void HeldEventLog::Report(EventType type, std::uint32_t id, TextView text) {
  if (!held_) {
    events_.Report(type, id, text);
    return;
  }
  // A start reports a handful; a runaway one does not grow without end.
  constexpr std::size_t kMostKept = 64;
  if (kept_.size() < kMostKept) kept_.push_back(Event{type, id, Text(text)});
}

void HeldEventLog::Release() noexcept {
  held_ = false;
  std::vector<Event> kept;
  kept.swap(kept_);
  for (const Event& event : kept) {
    try {
      events_.Report(event.type, event.id, event.text);
    } catch (...) {
      // A report never fails the program.
    }
  }
}

}  // namespace lanthe
