#include "shell/network_wait.h"

#include <algorithm>

namespace lanthe {

namespace {

TextView Trimmed(TextView text) {
  const auto first = text.find_first_not_of(u" \t");
  if (first == TextView::npos) return {};
  return text.substr(first, text.find_last_not_of(u" \t") - first + 1);
}

}  // namespace

Text HostOf(TextView address) {
  TextView rest = Trimmed(address);
  if (const auto scheme = rest.find(u"://"); scheme != TextView::npos) rest = rest.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of(u"/?#"));
  if (const auto at = rest.rfind(u'@'); at != TextView::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest.front() == u'[') {
    const auto close = rest.find(u']');
    return close == TextView::npos ? Text() : Text(rest.substr(1, close - 1));
  }
  // One colon puts a port after the host; more are an IPv6 address without brackets.
  const auto colon = rest.find(u':');
  if (colon != TextView::npos && colon == rest.rfind(u':')) rest = rest.substr(0, colon);
  return Text(rest);
}

Text ServerToWaitFor(const TSettings& settings) {
  switch (settings.ConnectionType) {
    case ConnectionType::kRemoteDesktop: return settings.RDP.UseRDPFile ? Text() : HostOf(settings.RDP.Connection);
    case ConnectionType::kXenApp: return HostOf(settings.XenApp.ServerURL);
    case ConnectionType::kStoreFront: return HostOf(settings.StoreFront.StoreURL);
    default: return Text();  // Custom ICA: the server is in appsrv.ini
  }
}

bool TfrmNetworkWait::NeedsToWait(std::int32_t seconds, TextView server, std::uint64_t nowMs) {
  Stop();
  server_ = Text(server);
  resolved_ = server_.empty();
  tried_ = false;
  changeSinceTry_ = false;
  interfaceUp_ = false;
  if (seconds <= 0) return false;
  interfaceUp_ = network_.IsUp();
  if (!interfaceUp_) return true;
  if (!resolved_) {
    TryName(nowMs);
    if (!queries_.empty()) queries_.back()->Answer(kFirstAnswerWaitMs);
    CollectAnswers();
  }
  if (resolved_) Stop();
  return !resolved_;
}

void TfrmNetworkWait::SetWake(std::function<void()> wake) {
  const std::lock_guard<std::mutex> lock(wakeMutex_);
  wake_ = std::move(wake);
}

void TfrmNetworkWait::Wake() {
  const std::lock_guard<std::mutex> lock(wakeMutex_);
  if (wake_) wake_();
}

void TfrmNetworkWait::FormShow(std::uint64_t nowMs) {
  end_ = NetworkWaitEnd::kWaiting;
  const std::int32_t seconds = WaitSeconds > 0 ? WaitSeconds : 0;
  deadlineMs_ = nowMs + static_cast<std::uint64_t>(seconds) * 1000;
  // The first look asks again: a change between the question before the window and
  // the watch's start has no event.
  recheck_ = true;
  changed_ = false;
  watch_ = network_.WatchChanges([this] {
    changed_ = true;
    Wake();
  });
  Count(nowMs);
}

void TfrmNetworkWait::TryName(std::uint64_t nowMs) {
  tried_ = true;
  lastTryMs_ = nowMs;
  changeSinceTry_ = false;
  auto query = network_.Resolve(server_, [this] { Wake(); });
  // Without a way to ask, the session is not held up.
  if (!query) {
    resolved_ = true;
    return;
  }
  queries_.push_back(std::move(query));
}

void TfrmNetworkWait::CollectAnswers() {
  for (auto query = queries_.begin(); query != queries_.end();) {
    const std::optional<bool> answer = (*query)->Answer(0);
    if (!answer) {
      ++query;
      continue;
    }
    if (*answer) resolved_ = true;
    query = queries_.erase(query);
  }
}

bool TfrmNetworkWait::NameTryDue() const {
  if (!interfaceUp_ || resolved_) return false;
  // An unanswered try is waited for, unless the network has changed since it began
  // (a query sent before an address came may never be answered).
  return !tried_ || queries_.empty() || changeSinceTry_;
}

NetworkWaitEnd TfrmNetworkWait::Look(std::uint64_t nowMs) {
  if (end_ != NetworkWaitEnd::kWaiting) return end_;
  // Without the system's events, every look asks.
  const bool changed = changed_.exchange(false);
  if (changed || recheck_ || !watch_) interfaceUp_ = network_.IsUp();
  recheck_ = false;
  if (changed) changeSinceTry_ = tried_;
  CollectAnswers();
  if (NameTryDue() && (!tried_ || nowMs >= lastTryMs_ + kNameTryIntervalMs)) {
    TryName(nowMs);
    CollectAnswers();
  }
  if (interfaceUp_ && resolved_) {
    Finish(NetworkWaitEnd::kNetworkUp);
  } else if (nowMs >= deadlineMs_) {
    Finish(NetworkWaitEnd::kTimeUp);
  }
  Count(nowMs);
  return end_;
}

std::uint64_t TfrmNetworkWait::NextLookMs(std::uint64_t nowMs) const {
  // The countdown shows whole seconds: its next change.
  std::uint64_t next = deadlineMs_ > nowMs ? nowMs + (deadlineMs_ - nowMs - 1) % 1000 + 1 : nowMs;
  if (!watch_) next = std::min<std::uint64_t>(next, nowMs + kNetworkLookIntervalMs);
  if (NameTryDue()) next = std::min(next, tried_ ? std::max(nowMs, lastTryMs_ + kNameTryIntervalMs) : nowMs);
  return next;
}

void TfrmNetworkWait::Count(std::uint64_t nowMs) {
  const std::uint64_t leftMs = nowMs < deadlineMs_ ? deadlineMs_ - nowMs : 0;
  // Whole seconds, rounded up: the last second shows as 1 until it is over.
  const std::uint64_t seconds = (leftMs + 999) / 1000;
  state_.lblWaiting =
      interfaceUp_ && !resolved_ ? u"Waiting for the server " + server_ + u"..." : Text(kNetworkWaitText);
  state_.lblCountdown = u"The connection starts in " + IntToText(static_cast<std::int64_t>(seconds)) + u" seconds.";
}

NetworkWaitEnd TfrmNetworkWait::btnStartNowClick() {
  if (end_ == NetworkWaitEnd::kWaiting) Finish(NetworkWaitEnd::kStartNow);
  return end_;
}

void TfrmNetworkWait::Finish(NetworkWaitEnd end) {
  end_ = end;
  Stop();
}

void TfrmNetworkWait::Stop() {
  watch_.reset();
  queries_.clear();
}

Text TfrmNetworkWait::UnansweredServer() const { return interfaceUp_ && !resolved_ ? server_ : Text(); }

}  // namespace lanthe
