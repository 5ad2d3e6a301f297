#include "shell/main_window.h"

#include <algorithm>

#include "platform/error.h"
#include "shell/command_line.h"

namespace lanthe {

namespace {

constexpr char16_t kNotAllowedToClose[] = u"You're not allowed to close this window!";

constexpr char16_t kElevationQuestion[] =
    u"Lanthe runs without administrator rights. Its settings and the changes it makes to this "
    u"computer (the shell, automatic log-on, the local account and the policies) need Lanthe to run "
    u"as administrator; without them they are neither saved nor applied.\r\n\r\n"
    u"Start Lanthe again as administrator?";

}  // namespace

Text ShellCommandFor(TextView executablePath) {
  if (executablePath.find(u' ') == TextView::npos) return Text(executablePath);
  return u"\"" + Text(executablePath) + u"\"";
}

TfrmMain::TfrmMain(Platform& platform, IMainWindowHost& host)
    : platform_(platform),
      host_(host),
      pnagent_(platform.registry, platform.files, platform.codePage),
      xmlSettings_(platform.files, platform.codePage, platform.folders) {}

void TfrmMain::FormCreate(TextView commandLine) {
  commandLine_ = Text(commandLine);
  ShutdownRequested = false;
  state_.btnLogoffTag = ExitAction::kLogOff;
  state_.btnShutdownTag = ExitAction::kShutdown;
  state_.btnRestartTag = ExitAction::kRestart;
  SetDefaultSettings(Settings, platform_.folders, platform_.folders.ExecutablePath(),
                     pnagent_.GetXenAppDesktopFolder());
  // Exactly "Debug", letter case included, and only as the first parameter.
  DebugMode = FirstParameter(commandLine) == u"Debug";
  if (DebugMode) platform_.messages.ShowMessage(u"Debug is on!");
  host_.RenderMainWindow(state_);
}

void TfrmMain::OfferElevation() {
  if (!platform_.identity.IsAdministrator() || platform_.identity.IsElevated()) return;
  if (!platform_.messages.Confirm(kElevationQuestion)) return;
  if (platform_.processes.StartElevated(platform_.folders.ExecutablePath(), ParametersAfterProgram(commandLine_))) {
    host_.TerminateApplication();
    handedOver_ = true;
  }
}

void TfrmMain::ApplicationStart() {
  OfferElevation();
  if (handedOver_) return;  // the elevated program takes over from here
  LoadSettings();
  ApplySettings();
  if (Settings.CurrentShell == CurrentShell::kLanthe) RunConnection();
}

bool TfrmMain::FormCloseQuery() {
  if (ShutdownRequested) return true;
  if (platform_.identity.IsAdministrator()) return true;
  platform_.messages.ShowMessage(kNotAllowedToClose);
  return false;
}

void TfrmMain::FormClose() { SaveSettings(); }

void TfrmMain::Unhide() {
  host_.ShowMainWindow();
  TopMostWindow();
}

void TfrmMain::TopMostWindow() { host_.TopMostWindow(); }

void TfrmMain::rgCurrentShellClick(int itemIndex) {
  Settings.CurrentShell = itemIndex;
  SaveSettings();
  ApplySettings();
}

void TfrmMain::btnExplorerClick() {
  platform_.processes.RunProgram(platform_.folders.GetWindowsDir() + u"\\explorer.exe", u"", ShowState::kNormal,
                                 false);
}

void TfrmMain::NotAvailableYet(TextView what) {
  platform_.messages.ShowMessage(Text(what) + u" is not available in this version of Lanthe yet.");
}

void TfrmMain::btnTestConnectionClick() { NotAvailableYet(u"The connection test"); }

void TfrmMain::btnPNClick() { NotAvailableYet(u"Starting Program Neighborhood"); }

void TfrmMain::btnShutdownClick(int) { NotAvailableYet(u"Logging off, shutting down and restarting"); }

void TfrmMain::btnSetupWizardClick() { RunSetupWizard(); }

void TfrmMain::btnSettingsClick() { NotAvailableYet(u"The settings dialog"); }

void TfrmMain::Button1Click() {}

void TfrmMain::RunSetupWizard() { NotAvailableYet(u"The setup wizard"); }

void TfrmMain::RunConnection() {
  if (platform_.identity.IsAdministrator()) {
    Unhide();
    return;
  }
}

void TfrmMain::LoadSettings() {
  lanthe::LoadSettings(xmlSettings_, Settings, platform_.messages, [this] { RunSetupWizard(); });
}

void TfrmMain::SaveSettings() {
  lanthe::SaveSettings(xmlSettings_, Settings, platform_.messages, platform_.identity, pnagent_);
}

void TfrmMain::ApplySettings() {
  state_.btnPNVisible = Settings.ConnectionType == ConnectionType::kCustomIca;
  state_.btnRemoteDesktopVisible = Settings.ConnectionType == ConnectionType::kRemoteDesktop;
  // The radio group keeps its selection within -1 (nothing selected) and 1.
  state_.rgCurrentShellItemIndex = std::clamp(Settings.CurrentShell, -1, 1);
  host_.RenderMainWindow(state_);

  if (!DebugMode) {
    switch (state_.rgCurrentShellItemIndex) {
      case 0: SetShell(u"Explorer.exe"); break;
      case 1: SetShell(ShellCommandFor(platform_.folders.ExecutablePath())); break;
      default: break;  // no selection: the shell value is left alone
    }
  }
}

void TfrmMain::SetShell(TextView shell) {
  auto key = platform_.registry.OpenKey(RegistryRoot::LocalMachine, kWinlogonKey);
  if (!key) return;  // a limited user: the key cannot be opened for writing
  if (!key->WriteString(u"shell", shell)) throw Error(u"Failed to set data for 'shell'");
}

}  // namespace lanthe
