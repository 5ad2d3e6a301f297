#include "shell/win32/main_window_view.h"

#include "toolkit/application.h"

namespace lanthe::win32 {

using toolkit::Bounds;
using toolkit::Button;
using toolkit::GroupBox;
using toolkit::RadioGroup;

MainWindowView::MainWindowView()
    : Form(toolkit::FormOptions{u"Lanthe", 376, 245, toolkit::BorderStyle::kSingle, true, false}) {}

void MainWindowView::BuildControls() {
  // In tab order; positions at 96 DPI relative to the parent.
  rgCurrentShell = std::make_unique<RadioGroup>(*this, u"Current Shell", Bounds{8, 8, 177, 97},
                                                std::vector<Text>{u"Explorer", u"Lanthe"});
  rgCurrentShell->SetItemIndex(0);
  rgCurrentShell->OnClick = [this](RadioGroup& group) { frmMain_->rgCurrentShellClick(group.ItemIndex()); };

  gbLaunch = std::make_unique<GroupBox>(*this, u"Launch", Bounds{8, 109, 177, 129});
  btnExplorer = std::make_unique<Button>(*gbLaunch, u"Windows Explorer", Bounds{24, 24, 137, 25});
  btnExplorer->OnClick = [this](Button&) { frmMain_->btnExplorerClick(); };
  btnTestConnection = std::make_unique<Button>(*gbLaunch, u"Test Connection", Bounds{24, 86, 137, 25});
  btnTestConnection->OnClick = [this](Button&) { frmMain_->btnTestConnectionClick(); };
  btnPN = std::make_unique<Button>(*gbLaunch, u"Program Neighboorhood", Bounds{24, 55, 137, 25});
  btnPN->OnClick = [this](Button&) { frmMain_->btnPNClick(); };
  btnRemoteDesktop = std::make_unique<Button>(*gbLaunch, u"Remote Desktop", Bounds{24, 55, 137, 25});
  btnRemoteDesktop->OnClick = [this](Button&) { frmMain_->btnPNClick(); };

  GroupBox2 = std::make_unique<GroupBox>(*this, u"Shutdown", Bounds{191, 109, 177, 129});
  const auto shutdownClick = [this](Button& sender) { frmMain_->btnShutdownClick(sender.Tag); };
  btnLogoff = std::make_unique<Button>(*GroupBox2, u"Logoff", Bounds{24, 24, 137, 25});
  btnLogoff->OnClick = shutdownClick;
  btnShutdown = std::make_unique<Button>(*GroupBox2, u"Shutdown", Bounds{24, 55, 137, 25});
  btnShutdown->OnClick = shutdownClick;
  btnRestart = std::make_unique<Button>(*GroupBox2, u"Restart", Bounds{24, 86, 137, 25});
  btnRestart->OnClick = shutdownClick;

  GroupBox1 = std::make_unique<GroupBox>(*this, u"Setup", Bounds{191, 8, 177, 97});
  btnSetupWizard = std::make_unique<Button>(*GroupBox1, u"Setup Wizard", Bounds{24, 24, 137, 25});
  btnSetupWizard->OnClick = [this](Button&) { frmMain_->btnSetupWizardClick(); };
  btnSettings = std::make_unique<Button>(*GroupBox1, u"Settings", Bounds{24, 55, 137, 25});
  btnSettings->OnClick = [this](Button&) { frmMain_->btnSettingsClick(); };

  Button1 = std::make_unique<Button>(*this, u"Button1", Bounds{94, 48, 75, 25});
  Button1->OnClick = [this](Button&) { frmMain_->Button1Click(); };
  Button1->SetVisible(false);

  built_ = true;
  RenderMainWindow(pending_);
}

void MainWindowView::RenderMainWindow(const MainWindowState& state) {
  pending_ = state;
  if (!built_) return;
  rgCurrentShell->SetItemIndex(state.rgCurrentShellItemIndex);
  rgCurrentShell->SetEnabled(state.rgCurrentShellEnabled);
  btnExplorer->SetEnabled(state.btnExplorerEnabled);
  btnSetupWizard->SetEnabled(state.btnSetupWizardEnabled);
  btnSettings->SetEnabled(state.btnSettingsEnabled);
  btnPN->SetVisible(state.btnPNVisible);
  btnRemoteDesktop->SetVisible(state.btnRemoteDesktopVisible);
  btnLogoff->Tag = state.btnLogoffTag;
  btnShutdown->Tag = state.btnShutdownTag;
  btnRestart->Tag = state.btnRestartTag;
}

void MainWindowView::ShowMainWindow() {
  Show();
  ::SetForegroundWindow(hwnd());
}

void MainWindowView::HideMainWindow() { Hide(); }

void MainWindowView::TopMostWindow() {
  RECT frame{};
  ::GetWindowRect(hwnd(), &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // In front of every window that is not always on top, without staying on top itself.
  constexpr UINT kFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED;  // 35
  ::SetWindowPos(hwnd(), HWND_TOPMOST, frame.left, frame.top, width, height, kFlags);
  ::SetWindowPos(hwnd(), HWND_NOTOPMOST, frame.left, frame.top, width, height, kFlags);
}

void MainWindowView::TerminateApplication() { toolkit::Application::Terminate(); }

bool MainWindowView::TerminationRequested() { return toolkit::Application::TerminateRequested(); }

void MainWindowView::EnsureMainWindow() { EnsureWindow(); }

bool MainWindowView::RunMessagesUntil(const std::function<bool()>& done, std::uint32_t milliseconds) {
  EnsureWindow();
  return toolkit::Application::RunMessagesUntil(done, milliseconds);
}

void MainWindowView::SessionEndQueried() { frmMain_->FormQueryEndSession(); }

void MainWindowView::SessionEnding(bool ending) { frmMain_->FormEndSession(ending); }

bool MainWindowView::CloseQuery() { return frmMain_->FormCloseQuery(); }

void MainWindowView::Closed() { frmMain_->FormClose(); }

}  // namespace lanthe::win32
