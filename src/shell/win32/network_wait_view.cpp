#include "shell/win32/network_wait_view.h"

#include <algorithm>

namespace lanthe::win32 {

namespace {
constexpr UINT_PTR kLookTimer = 1;
// Posted by the system's threads (a change, a name's answer): look now.
constexpr UINT kWakeMessage = WM_APP + 1;
}  // namespace

using toolkit::Bounds;

// No system menu, so no close box: the wait ends by itself or by "Start now".
NetworkWaitView::NetworkWaitView(TfrmNetworkWait& wait)
    : Form(toolkit::FormOptions{kNetworkWaitCaption, 300, 96, toolkit::BorderStyle::kDialog, false, false}),
      wait_(wait) {}

void NetworkWaitView::BuildControls() {
  lblWaiting = std::make_unique<toolkit::Label>(*this, kNetworkWaitText, Bounds{16, 14, 268, 14});
  lblCountdown = std::make_unique<toolkit::Label>(*this, u"", Bounds{16, 34, 268, 14});
  btnStartNow = std::make_unique<toolkit::Button>(*this, u"Start now", Bounds{209, 60, 75, 25});
  btnStartNow->OnClick = [this](toolkit::Button&) {
    wait_.btnStartNowClick();
    Finish();
  };
  SetDefaultButton(btnStartNow.get());
}

void NetworkWaitView::Showing() {
  const HWND window = hwnd();
  wait_.SetWake([window] { ::PostMessageW(window, kWakeMessage, 0, 0); });
  wait_.FormShow(::GetTickCount64());
  Render();
  // The first look once the modal loop runs: what changed before the watch began.
  ::PostMessageW(window, kWakeMessage, 0, 0);
}

LRESULT NetworkWaitView::HandleOther(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kWakeMessage) return Form::HandleOther(message, wParam, lParam);
  // A late word from a wait that is over changes nothing.
  if (Modal() && wait_.End() == NetworkWaitEnd::kWaiting) Look();
  return 0;
}

void NetworkWaitView::Timer(UINT_PTR id) {
  if (id == kLookTimer) Look();
}

void NetworkWaitView::Look() {
  const ULONGLONG now = ::GetTickCount64();
  if (wait_.Look(now) != NetworkWaitEnd::kWaiting) {
    Finish();
    return;
  }
  Render();
  // One timer, always set to the next look that is due (setting it again replaces it).
  const std::uint64_t next = wait_.NextLookMs(now);
  StartTimer(kLookTimer, static_cast<int>(std::clamp<std::uint64_t>(next - now, 1, 60'000)));
}

void NetworkWaitView::Render() {
  lblWaiting->SetCaption(wait_.State().lblWaiting);
  lblCountdown->SetCaption(wait_.State().lblCountdown);
}

void NetworkWaitView::Finish() {
  StopTimer(kLookTimer);
  SetModalResult(toolkit::ModalResult::kOk);
}

}  // namespace lanthe::win32
