// Events for the Application log. ReportEventW talks to the event-log service and may
// wait for it: a thread of its own does that, so that the program never waits. The
// source is registered when the first event is written. Reading back ("lanthe-config
// status") walks the Application log from its newest record.

#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

namespace {

WORD TypeOf(EventType type) noexcept {
  switch (type) {
    case EventType::kWarning: return EVENTLOG_WARNING_TYPE;
    case EventType::kError: return EVENTLOG_ERROR_TYPE;
    case EventType::kInformation: break;
  }
  return EVENTLOG_INFORMATION_TYPE;
}

}  // namespace

Win32EventLog::~Win32EventLog() {
  if (!worker_) return;
  bool drained = false;
  {
    std::unique_lock lock(queue_->mutex);
    // What is queued still goes out, but the program does not wait long for a log
    // service that does not answer.
    drained = queue_->drained.wait_for(lock, std::chrono::seconds(2),
                                       [this] { return queue_->events.empty() && !queue_->writing; });
    queue_->stopping = true;
  }
  queue_->wake.notify_all();
  // When it did not drain, the thread is left to end by itself: it holds the queue.
  if (drained) ::WaitForSingleObject(worker_.get(), INFINITE);
}

void Win32EventLog::Flush() noexcept {
  if (!worker_) return;
  std::unique_lock lock(queue_->mutex);
  queue_->drained.wait_for(lock, std::chrono::seconds(2),
                           [this] { return queue_->events.empty() && !queue_->writing; });
}

void Win32EventLog::Report(const EventReport& event) noexcept {
  try {
    if (!queue_) queue_ = std::make_shared<Queue>();
    Event queued{event.type, event.id, {}};
    for (const Text& field : event.strings) queued.strings.push_back(ToWide(field));
    {
      std::lock_guard lock(queue_->mutex);
      if (queue_->stopping || queue_->events.size() >= 256) return;
      queue_->events.push_back(std::move(queued));
    }
    if (!worker_) {
      // A small stack: the default reservation of the program's main thread would be
      // committed whole by some systems (Wine) for a thread that only hands texts on.
      constexpr SIZE_T kStackReserve = 256 * 1024;
      auto queue = std::make_unique<std::shared_ptr<Queue>>(queue_);
      worker_.reset(::CreateThread(nullptr, kStackReserve, WriterThread, queue.get(),
                                   STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
      if (!worker_) return;  // no thread: the event stays queued for a later try
      queue.release();       // the thread owns it now
    }
  } catch (...) {
    return;  // no memory: the event is lost
  }
  queue_->wake.notify_one();
}

DWORD WINAPI Win32EventLog::WriterThread(void* queue) noexcept {
  const std::unique_ptr<std::shared_ptr<Queue>> owned(static_cast<std::shared_ptr<Queue>*>(queue));
  Write(*owned);
  return 0;
}

void Win32EventLog::Write(const std::shared_ptr<Queue>& queue) noexcept {
  const UniqueEventSource source(::RegisterEventSourceW(nullptr, L"Lanthe"));
  std::unique_lock lock(queue->mutex);
  for (;;) {
    queue->wake.wait(lock, [&] { return queue->stopping || !queue->events.empty(); });
    if (queue->events.empty()) return;
    const Event event = std::move(queue->events.front());
    queue->events.pop_front();
    queue->writing = true;
    lock.unlock();
    if (source) {
      try {
        // ReportEventW's page: the strings are the message's inserts, %1 the first.
        std::vector<const wchar_t*> strings;
        for (const std::wstring& field : event.strings) strings.push_back(field.c_str());
        ::ReportEventW(source.get(), TypeOf(event.type), 0, event.id, nullptr, static_cast<WORD>(strings.size()), 0,
                       strings.empty() ? nullptr : strings.data(), nullptr);
      } catch (...) {
        // no memory: the event is lost
      }
    }
    lock.lock();
    queue->writing = false;
    if (queue->events.empty()) queue->drained.notify_all();
  }
}

namespace {

EventType TypeOfRecord(WORD type) noexcept {
  if (type == EVENTLOG_ERROR_TYPE) return EventType::kError;
  if (type == EVENTLOG_WARNING_TYPE) return EventType::kWarning;
  return EventType::kInformation;
}

// A NUL-ended string of a record that starts at offset, cut at the record's end.
std::wstring_view RecordString(const BYTE* record, DWORD length, DWORD offset) noexcept {
  if (offset >= length) return {};
  const auto* text = reinterpret_cast<const wchar_t*>(record + offset);
  const std::size_t room = (length - offset) / sizeof(wchar_t);
  std::size_t size = 0;
  while (size < room && text[size] != L'\0') ++size;
  return std::wstring_view(text, size);
}

}  // namespace

std::optional<std::vector<LoggedEvent>> Win32EventHistory::RecentEvents(TextView source, std::size_t most) noexcept {
  try {
    const std::wstring wanted = ToWide(source);
    const UniqueEventLog log(::OpenEventLogW(nullptr, L"Application"));
    if (!log) return std::nullopt;
    std::vector<LoggedEvent> events;
    // The log holds every program's events; a kiosk's own lie near its end. Looking
    // further back than this finds nothing worth the wait.
    constexpr std::size_t kMostRecordsLooked = 20000;
    std::size_t looked = 0;
    std::vector<BYTE> buffer(64 * 1024);
    while (events.size() < most && looked < kMostRecordsLooked) {
      DWORD read = 0;
      DWORD needed = 0;
      if (!::ReadEventLogW(log.get(), EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0, buffer.data(),
                           static_cast<DWORD>(buffer.size()), &read, &needed)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) break;  // the oldest record was read
        // ReadEventLogW's page: a buffer holds at most 0x7FFFF bytes.
        if (error == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size() && needed <= 0x7FFFF) {
          buffer.resize(needed);
          continue;
        }
        return std::nullopt;
      }
      if (read == 0) break;
      for (DWORD offset = 0; offset + sizeof(EVENTLOGRECORD) <= read && events.size() < most;) {
        const BYTE* raw = buffer.data() + offset;
        const auto* record = reinterpret_cast<const EVENTLOGRECORD*>(raw);
        if (record->Length < sizeof(EVENTLOGRECORD) || record->Length > read - offset) break;
        ++looked;
        offset += record->Length;
        // EVENTLOGRECORD's page: the source's name follows the fixed part.
        const std::wstring_view name = RecordString(raw, record->Length, sizeof(EVENTLOGRECORD));
        if (::CompareStringOrdinal(name.data(), static_cast<int>(name.size()), wanted.data(),
                                   static_cast<int>(wanted.size()), TRUE) != CSTR_EQUAL) {
          continue;
        }
        // The low word is the event's number; the high word holds its severity bits.
        LoggedEvent event{record->EventID & 0xFFFF, TypeOfRecord(record->EventType),
                          static_cast<std::int64_t>(record->TimeGenerated), {}};
        DWORD at = record->StringOffset;
        for (WORD i = 0; i < record->NumStrings && at < record->Length; ++i) {
          const std::wstring_view text = RecordString(raw, record->Length, at);
          event.strings.push_back(FromWide(text));
          at += static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        }
        events.push_back(std::move(event));
      }
    }
    return events;
  } catch (...) {
    return std::nullopt;
  }
}

std::uint64_t Win32Clock::NowMilliseconds() noexcept { return ::GetTickCount64(); }

}  // namespace lanthe::win32
