#pragma once
// The window that waits for the network before a session's client starts. Events go
// to TfrmNetworkWait; its state is rendered here. The system's change events and the
// name's answers come on other threads: they post a message to the window, which then
// looks. Between them one timer runs, set to the next look the wait asks for (the
// countdown's next second, the name's next try); otherwise no CPU is used.

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
  LRESULT HandleOther(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Look();
  void Render();
  void Finish();

  TfrmNetworkWait& wait_;
  std::unique_ptr<toolkit::Label> lblWaiting;
  std::unique_ptr<toolkit::Label> lblCountdown;
  std::unique_ptr<toolkit::Button> btnStartNow;
};

}  // namespace lanthe::win32
