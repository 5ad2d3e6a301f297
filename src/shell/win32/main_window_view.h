#pragma once
// The main window on screen: the controls of frmMain, their places and tab order.
// Events go to TfrmMain; its state is rendered here.

#include <memory>

#include "shell/main_window.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace lanthe::win32 {

class MainWindowView final : public toolkit::Form, public IMainWindowHost {
 public:
  MainWindowView();
  void Attach(TfrmMain& frmMain) { frmMain_ = &frmMain; }

  void RenderMainWindow(const MainWindowState& state) override;
  void ShowMainWindow() override;
  void HideMainWindow() override;
  void TopMostWindow() override;
  void TerminateApplication() override;
  bool TerminationRequested() override;
  void EnsureMainWindow() override;
  bool RunMessagesUntil(const std::function<bool()>& done, std::uint32_t milliseconds) override;

 protected:
  void BuildControls() override;
  bool CloseQuery() override;
  void Closed() override;
  void SessionEndQueried() override;
  void SessionEnding(bool ending) override;

 private:
  TfrmMain* frmMain_ = nullptr;
  MainWindowState pending_;  // rendered as soon as the controls exist
  bool built_ = false;

  std::unique_ptr<toolkit::RadioGroup> rgCurrentShell;
  std::unique_ptr<toolkit::GroupBox> gbLaunch;
  std::unique_ptr<toolkit::Button> btnExplorer;
  std::unique_ptr<toolkit::Button> btnTestConnection;
  std::unique_ptr<toolkit::Button> btnPN;
  std::unique_ptr<toolkit::Button> btnRemoteDesktop;
  std::unique_ptr<toolkit::GroupBox> GroupBox2;
  std::unique_ptr<toolkit::Button> btnLogoff;
  std::unique_ptr<toolkit::Button> btnShutdown;
  std::unique_ptr<toolkit::Button> btnRestart;
  std::unique_ptr<toolkit::GroupBox> GroupBox1;
  std::unique_ptr<toolkit::Button> btnSetupWizard;
  std::unique_ptr<toolkit::Button> btnSettings;
  std::unique_ptr<toolkit::Button> Button1;
};

}  // namespace lanthe::win32
