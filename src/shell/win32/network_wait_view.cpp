#include "shell/win32/network_wait_view.h"

namespace lanthe::win32 {

namespace {
constexpr UINT_PTR kLookTimer = 1;
}

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
  wait_.FormShow(::GetTickCount64());
  Render();
  StartTimer(kLookTimer, kNetworkLookIntervalMs);
}

void NetworkWaitView::Timer(UINT_PTR id) {
  if (id != kLookTimer) return;
  if (wait_.Look(::GetTickCount64()) != NetworkWaitEnd::kWaiting) {
    Finish();
    return;
  }
  Render();
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
