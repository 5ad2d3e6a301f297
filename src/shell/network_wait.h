#pragma once
// The wait for the network before the session cycle starts a client: thin clients
// start faster than their network, and a client started without one fails at once;
// so does one whose network is up before its name server answers. A small window
// counts down while it waits and offers "Start now"; it closes as soon as an
// interface is up and the connection's server (when it names one) resolves, or when
// the time is over. This is its logic. The system says when the network changes; the
// Win32 view posts that to the window, which looks again then.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "config/settings.h"
#include "platform/network.h"
#include "platform/text.h"

namespace lanthe {

inline constexpr char16_t kNetworkWaitCaption[] = u"Korvex NG";
inline constexpr char16_t kNetworkWaitText[] = u"Waiting for the network...";
// How often the window looks at the network when the system cannot say when it changes.
inline constexpr int kNetworkLookIntervalMs = 500;
// The server's name is tried at most once a second.
inline constexpr int kNameTryIntervalMs = 1000;
// How long a start waits for the name's first answer before the window shows: a name
// server that answers at all answers well within it.
inline constexpr int kFirstAnswerWaitMs = 250;

// The server whose name must resolve before the client starts: the Remote Desktop
// computer, the host of the XenApp server URL or of the StoreFront store. Empty when the connection names none
// Lanthe can see (a Custom ICA connection's server is in appsrv.ini, an .rdp file's in
// the file): then the wait is for an interface alone.
Text ServerToWaitFor(const TSettings& settings);
// The host of "host", "host:port", "[v6 address]:port" or a URL ("scheme://user@host:
// port/path"), without blanks around it; empty when there is none.
Text HostOf(TextView address);

// How a wait ended.
enum class NetworkWaitEnd {
  kWaiting,    // not yet
  kNetworkUp,  // an interface came up and the server's name resolves
  kTimeUp,     // the longest wait is over
  kStartNow,   // the user chose "Start now"
};

struct NetworkWaitState {
  Text lblWaiting = kNetworkWaitText;  // or "Waiting for the server NAME..."
  Text lblCountdown;                   // "The connection starts in N seconds."
  bool operator==(const NetworkWaitState&) const = default;
};

class TfrmNetworkWait {
 public:
  explicit TfrmNetworkWait(INetwork& network) : network_(network) {}
  ~TfrmNetworkWait() { Stop(); }
  TfrmNetworkWait(const TfrmNetworkWait&) = delete;
  TfrmNetworkWait& operator=(const TfrmNetworkWait&) = delete;

  // Whether a wait of that many seconds is needed before a client starts: more than
  // none, and no interface up, or a server named whose name does not resolve within
  // kFirstAnswerWaitMs. An unanswered try goes on into the window's wait.
  bool NeedsToWait(std::int32_t seconds, TextView server, std::uint64_t nowMs);

  // The longest wait, set before the window shows.
  std::int32_t WaitSeconds = 0;
  // What wakes the window from another thread (the view posts a message to it); the
  // window then calls Look. Set before the window shows; may be called at any time.
  void SetWake(std::function<void()> wake);

  // Each show starts the countdown from WaitSeconds and listens to the system's
  // change events until the wait ends; nowMs is a steady clock's time.
  void FormShow(std::uint64_t nowMs);
  // A look at what has changed, the name's answers and the clock, at a wake or when
  // NextLookMs is due; how the wait ended, or kWaiting.
  NetworkWaitEnd Look(std::uint64_t nowMs);
  // When the next look is due without a wake: the countdown's next second, the name's
  // next try, or the next look of a network that cannot say when it changes.
  std::uint64_t NextLookMs(std::uint64_t nowMs) const;
  NetworkWaitEnd btnStartNowClick();
  // Nobody closes the window from its frame: the wait ends by itself or by "Start now".
  bool FormCloseQuery() const { return end_ != NetworkWaitEnd::kWaiting; }

  const NetworkWaitState& State() const { return state_; }
  NetworkWaitEnd End() const { return end_; }
  // After a wait that ended: the server whose name never resolved while an interface
  // was up; empty when the interface was what was missing (or nothing was).
  Text UnansweredServer() const;

 private:
  void Count(std::uint64_t nowMs);
  void TryName(std::uint64_t nowMs);
  void CollectAnswers();
  bool NameTryDue() const;
  void Finish(NetworkWaitEnd end);
  void Stop();
  void Wake();

  INetwork& network_;
  Text server_;
  bool interfaceUp_ = false;
  bool resolved_ = true;
  bool tried_ = false;
  std::uint64_t lastTryMs_ = 0;
  bool changeSinceTry_ = false;
  bool recheck_ = false;
  std::uint64_t deadlineMs_ = 0;
  NetworkWaitState state_;
  NetworkWaitEnd end_ = NetworkWaitEnd::kWaiting;

  // Shared with the system's threads: set by a change event, taken by the next look.
  std::atomic<bool> changed_{false};
  std::mutex wakeMutex_;
  std::function<void()> wake_;
  // Last, so that they go (and their threads stop calling) before what they call.
  std::unique_ptr<INetworkWatch> watch_;
  std::vector<std::unique_ptr<INameQuery>> queries_;
};

}  // namespace lanthe
