#pragma once
// The window that waits for the network before a session's client starts. Events go
// to TfrmNetworkWait; its state is rendered here. A timer looks at the network and
// the clock twice a second; between the looks the program uses no CPU.

#include <memory>

#include "shell/main_window.h"
#include "shell/network_wait.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace lanthe::win32 {

class NetworkWaitView final : public toolkit::Form, public IModalWindow {
 public:
  explicit NetworkWaitView(TfrmNetworkWait& wait);
  int ShowModal() override { return Form::ShowModal(); }

 protected:
  void BuildControls() override;
  void Showing() override;
  void Timer(UINT_PTR id) override;
  bool CloseQuery() override { return wait_.FormCloseQuery(); }

 private:
  void Render();
  void Finish();

  TfrmNetworkWait& wait_;
  std::unique_ptr<toolkit::Label> lblWaiting;
  std::unique_ptr<toolkit::Label> lblCountdown;
  std::unique_ptr<toolkit::Button> btnStartNow;
};

}  // namespace lanthe::win32
