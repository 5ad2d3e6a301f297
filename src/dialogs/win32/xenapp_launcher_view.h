#pragma once
// The "XenApp Applications" window on screen. Events go to TfrmXenAppLauncher; its
// state is rendered here, and its waits run from this window's timer.

#include <memory>

#include "dialogs/xenapp_launcher.h"
#include "shell/main_window.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace lanthe::win32 {

class XenAppLauncherView final : public toolkit::Form, public IModalWindow {
 public:
  explicit XenAppLauncherView(TfrmXenAppLauncher& launcher);
  // Shown modally in the session mode the launcher is in; the wait for shortcuts runs
  // while the window is up.
  int ShowModal() override;

 protected:
  void BuildControls() override;
  void Showing() override;
  void Timer(UINT_PTR id) override;
  void Resized() override;

 private:
  void Render();
  void Schedule(std::optional<int> pause);

  TfrmXenAppLauncher& launcher_;
  std::vector<LauncherItem> shown_;  // the items the list view holds
  std::unique_ptr<toolkit::ListView> lvApplications;
  std::unique_ptr<toolkit::Button> btnRefreshXenAppIcons;
  std::unique_ptr<toolkit::Label> lblStatus;
  std::unique_ptr<toolkit::Button> btnLogOff;
};

}  // namespace lanthe::win32
