#include "shell/network_wait.h"

namespace lanthe {

bool TfrmNetworkWait::NeedsToWait(std::int32_t seconds) { return seconds > 0 && !network_.IsUp(); }

void TfrmNetworkWait::FormShow(std::uint64_t nowMs) {
  end_ = NetworkWaitEnd::kWaiting;
  const std::int32_t seconds = WaitSeconds > 0 ? WaitSeconds : 0;
  deadlineMs_ = nowMs + static_cast<std::uint64_t>(seconds) * 1000;
  Count(nowMs);
}

void TfrmNetworkWait::Count(std::uint64_t nowMs) {
  const std::uint64_t leftMs = nowMs < deadlineMs_ ? deadlineMs_ - nowMs : 0;
  // Whole seconds, rounded up: the last second shows as 1 until it is over.
  const std::uint64_t seconds = (leftMs + 999) / 1000;
  state_.lblCountdown = u"The connection starts in " + IntToText(static_cast<std::int64_t>(seconds)) + u" seconds.";
}

NetworkWaitEnd TfrmNetworkWait::Look(std::uint64_t nowMs) {
  if (end_ != NetworkWaitEnd::kWaiting) return end_;
  if (network_.IsUp()) {
    end_ = NetworkWaitEnd::kNetworkUp;
  } else if (nowMs >= deadlineMs_) {
    end_ = NetworkWaitEnd::kTimeUp;
  }
  Count(nowMs);
  return end_;
}

NetworkWaitEnd TfrmNetworkWait::btnStartNowClick() {
  if (end_ == NetworkWaitEnd::kWaiting) end_ = NetworkWaitEnd::kStartNow;
  return end_;
}

}  // namespace lanthe
