// Events for the Application log. ReportEventW talks to the event-log service and may
// wait for it: a thread of its own does that, so that the program never waits. The
// source is registered when the first event is written.

#include <windows.h>

#include <chrono>

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

void Win32EventLog::Report(EventType type, std::uint32_t id, TextView text) noexcept {
  try {
    if (!queue_) queue_ = std::make_shared<Queue>();
    {
      std::lock_guard lock(queue_->mutex);
      if (queue_->stopping || queue_->events.size() >= 256) return;
      queue_->events.push_back(Event{type, id, ToWide(text)});
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
      const wchar_t* strings[] = {event.text.c_str()};
      ::ReportEventW(source.get(), TypeOf(event.type), 0, event.id, nullptr, 1, 0, strings, nullptr);
    }
    lock.lock();
    queue->writing = false;
    if (queue->events.empty()) queue->drained.notify_all();
  }
}

std::uint64_t Win32Clock::NowMilliseconds() noexcept { return ::GetTickCount64(); }

}  // namespace lanthe::win32
