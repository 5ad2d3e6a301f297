#pragma once
// The wait for the network before the session cycle starts a client: thin clients
// start faster than their network, and a client started without one fails at once.
// A small window counts down while it waits and offers "Start now"; it closes as soon
// as the network is up or the time is over. This is its logic; the Win32 view shows
// it and looks again twice a second.

#include <cstdint>

#include "platform/network.h"
#include "platform/text.h"

namespace lanthe {

inline constexpr char16_t kNetworkWaitCaption[] = u"Korvex NG";
inline constexpr char16_t kNetworkWaitText[] = u"Waiting for the network...";
// How often the window looks at the network and the clock.
inline constexpr int kNetworkLookIntervalMs = 500;

// How a wait ended.
enum class NetworkWaitEnd {
  kWaiting,    // not yet
  kNetworkUp,  // an interface came up
  kTimeUp,     // the longest wait is over
  kStartNow,   // the user chose "Start now"
};

struct NetworkWaitState {
  Text lblWaiting = kNetworkWaitText;
  Text lblCountdown;  // "The connection starts in N seconds."
  bool operator==(const NetworkWaitState&) const = default;
};

class TfrmNetworkWait {
 public:
  explicit TfrmNetworkWait(INetwork& network) : network_(network) {}

  // Whether a wait of that many seconds is needed before a client starts: more than
  // none, and no network yet.
  bool NeedsToWait(std::int32_t seconds);

  // The longest wait, set before the window shows.
  std::int32_t WaitSeconds = 0;

  // Each show starts the countdown from WaitSeconds; nowMs is a steady clock's time.
  void FormShow(std::uint64_t nowMs);
  // A look at the network and the clock; how the wait ended, or kWaiting.
  NetworkWaitEnd Look(std::uint64_t nowMs);
  NetworkWaitEnd btnStartNowClick();
  // Nobody closes the window from its frame: the wait ends by itself or by "Start now".
  bool FormCloseQuery() const { return end_ != NetworkWaitEnd::kWaiting; }

  const NetworkWaitState& State() const { return state_; }
  NetworkWaitEnd End() const { return end_; }

 private:
  void Count(std::uint64_t nowMs);

  INetwork& network_;
  std::uint64_t deadlineMs_ = 0;
  NetworkWaitState state_;
  NetworkWaitEnd end_ = NetworkWaitEnd::kWaiting;
};

}  // namespace lanthe
