#include "shell/main_window.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "lockdown/accessibility.h"
#include "platform/error.h"
#include "shell/command_line.h"
#include "shell/event_texts.h"
#include "shell/launchers.h"

namespace lanthe {

namespace {


constexpr char16_t kNotAllowedToClose[] = u"You're not allowed to close this window!";

constexpr char16_t kElevationQuestion[] =
    u"Lanthe runs without administrator rights. Its settings and the changes it makes to this "
    u"computer (the shell, automatic log-on, the local account and the policies) need Lanthe to run "
    u"as administrator; without them they are neither saved nor applied.\r\n\r\n"
    u"Start Lanthe again as administrator?";

// The flags each power action asks ExitWindowsEx for; none for other codes.
std::optional<std::uint16_t> ExitWindowsFlagsFor(std::int32_t action) {
  switch (action) {
    case ExitAction::kPowerOff: return ExitWindowsFlags::kPowerOff;
    case ExitAction::kLogOff: return ExitWindowsFlags::kLogOff;
    case ExitAction::kRestart: return ExitWindowsFlags::kRestart;
    case ExitAction::kShutdown: return ExitWindowsFlags::kShutdown;
    default: return std::nullopt;
  }
}

Text PowerActionRefused(std::int32_t action) {
  const char16_t* what = u"end the session";
  switch (action) {
    case ExitAction::kPowerOff: what = u"power off the computer"; break;
    case ExitAction::kLogOff: what = u"log off"; break;
    case ExitAction::kRestart: what = u"restart the computer"; break;
    case ExitAction::kShutdown: what = u"shut down the computer"; break;
    default: break;
  }
  return u"Lanthe asked Windows to " + Text(what) + u", but Windows refused.";
}

// The messages of an apply step: each one shown is also reported to the event log,
// where an administrator of many kiosks finds it.
class ReportedMessages final : public IMessageBoxes {
 public:
  ReportedMessages(IMessageBoxes& messages, IEventLog& events) : messages_(messages), events_(events) {}
  void ShowMessage(TextView text) override {
    events_.Report(EventType::kError, EventId::kApplyFailed, text);
    messages_.ShowMessage(text);
  }
  bool Confirm(TextView question) override { return messages_.Confirm(question); }
  bool AskYesNo(TextView text, TextView caption) override { return messages_.AskYesNo(text, caption); }

 private:
  IMessageBoxes& messages_;
  IEventLog& events_;
};

// Messages while Windows ends the session, when nobody is there to read a box: each
// goes to the event log instead, and every question is answered No.
class QuietMessages final : public IMessageBoxes {
 public:
  explicit QuietMessages(IEventLog& events) : events_(events) {}
  void ShowMessage(TextView text) override { events_.Report(EventType::kError, EventId::kApplyFailed, text); }
  bool Confirm(TextView) override { return false; }
  bool AskYesNo(TextView, TextView) override { return false; }

 private:
  IEventLog& events_;
};

}  // namespace

TfrmMain::TfrmMain(Platform& platform, IMainWindowHost& host, OperatorWindows& windows, PNAgentStore& pnagent)
    : platform_(platform),
      events_(platform.events),
      host_(host),
      windows_(windows),
      pnagent_(pnagent),
      xmlSettings_(platform.files, platform.codePage, platform.folders) {
  windows_.frmXenAppLauncher.AttachGlobalSettings(Settings);
  windows_.frmSetupWizard.AttachLiveSettings(Settings);
  windows_.frmSetupWizard.AttachLauncher(windows_.frmXenAppLauncher, windows_.xenAppLauncherWindow);
  windows_.dlgSettings.AttachPolicies(policies_);
  windows_.frmSetupWizard.AttachPolicies(policies_);
}

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
  // Until a client runs (or the start is over), the policy step and the events wait.
  holdPolicies_ = true;
  events_.Hold();
  struct Unhold {
    TfrmMain& main;
    ~Unhold() {
      main.holdPolicies_ = false;
      main.events_.Release();
    }
  } unhold{*this};
  LoadSettings();
  ApplySettings();
  if (Settings.CurrentShell == CurrentShell::kLanthe) RunConnection();
  ReleaseStart();
}

void TfrmMain::ReleaseStart() {
  holdPolicies_ = false;
  events_.Release();
  if (!policiesPending_) return;
  policiesPending_ = false;
  ApplyPolicies();
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
  if (!platform_.identity.IsAdministrator()) return;
  Settings.CurrentShell = itemIndex;
  SaveSettings();
  ApplySettings();
}

void TfrmMain::btnExplorerClick() {
  // Greyed for everybody else; a click that reaches the window all the same changes nothing.
  if (!platform_.identity.IsAdministrator()) return;
  platform_.processes.RunProgram(platform_.folders.GetWindowsDir() + u"\\explorer.exe", u"", ShowState::kNormal,
                                 false);
}

std::optional<std::uint32_t> TfrmMain::StartClient(const CommandLine& commandLine, bool wait) {
  const Text line = commandLine.Whole();
  bool started = false;
  const std::uint32_t exitCode =
      platform_.processes.RunProgram(commandLine.program, commandLine.parameters, ShowState::kNormal, wait, [&] {
        started = true;
        events_.Report(ClientStartedEvent(line, Settings.Autologon.Password));
        ClientStarted();
      });
  if (started) return exitCode;
  events_.Report(ClientNotStartedEvent(line, Settings.Autologon.Password));
  // Nothing is held back behind it either (the XenApp launcher may stay open for hours).
  ReleaseStartBehindClient();
  return std::nullopt;
}

void TfrmMain::RunAndWait(const CommandLine& commandLine) {
  const std::uint64_t began = platform_.clock.NowMilliseconds();
  const std::optional<std::uint32_t> exitCode = StartClient(commandLine, true);
  if (!exitCode) return;
  const std::uint64_t ended = platform_.clock.NowMilliseconds();
  events_.Report(ClientEndedEvent(commandLine.program, *exitCode, ended >= began ? ended - began : 0));
}

void TfrmMain::RunRDPClient() { RunAndWait(RdpCommandLine(Settings)); }

void TfrmMain::RunCitrixClient() {
  HandOverConnectionFile(Settings, platform_.files, platform_.ini, platform_.folders, platform_.messages);
  RunAndWait(CitrixCommandLine(Settings));
}

void TfrmMain::RestorePNAgentConfiguration() {
  // PNAgent finds its configuration and server in place when it starts.
  if (!Settings.XenApp.CopyXenAppSettings) return;
  // The restored configuration may name another desktop folder than the one PNAgent
  // had at start-up: the launcher must list the folder PNAgent is about to fill.
  if (pnagent_.LoadXenAppSettings(Settings)) {
    Settings.XenApp.DesktopFolder = XenAppDesktopFolder(platform_.folders, pnagent_.GetXenAppDesktopFolder());
  }
  if (!Settings.XenApp.ServerURL.empty()) pnagent_.SetPNAgentServerURL(Settings.XenApp.ServerURL);
}

void TfrmMain::ShowXenAppLauncher() {
  TfrmXenAppLauncher& launcher = windows_.frmXenAppLauncher;
  launcher.LauncherSettings = Settings;
  launcher.SetSessionMode(true);
  RunAndWait(PNAgentCommandLine(Settings));
  windows_.xenAppLauncherWindow.ShowModal();
}

void TfrmMain::RunXenAppClient() {
  RestorePNAgentConfiguration();
  ShowXenAppLauncher();
}

void TfrmMain::AddStore() {
  // storebrowse.exe adds a store for the current user and ends; a store that is known
  // already stays as it is.
  if (Settings.StoreFront.StoreURL.empty()) return;
  const CommandLine add = AddStoreCommandLine(Settings);
  platform_.processes.RunProgram(add.program, add.parameters, ShowState::kHidden, true);
}

// Exit paths: the self-service program cannot be started -> at once; no ICA client
// within StoreFront.WaitForClient seconds (nobody authenticated, or the launch failed
// behind the self-service program) -> after the limit; otherwise once every ICA client
// process of this session has ended.
void TfrmMain::LaunchStoreResource() {
  // The self-service program may stay running after the launch: not waited for.
  if (!StartClient(StoreFrontLaunchCommandLine(Settings), false)) return;
  storeSignedIn_ = true;
  const std::uint64_t began = platform_.clock.NowMilliseconds();
  const auto limitMs = static_cast<std::uint32_t>(EffectiveWaitForClient(Settings)) * 1000u;
  if (!platform_.clientProcesses.WaitForProcessToAppear(kIcaClientProgramName, limitMs)) {
    events_.Report(ClientNotAppearedEvent(kIcaClientProgramName, EffectiveWaitForClient(Settings)));
    return;
  }
  const std::uint32_t exitCode = platform_.clientProcesses.WaitForProcessesToEnd(kIcaClientProgramName);
  const std::uint64_t ended = platform_.clock.NowMilliseconds();
  events_.Report(ClientEndedEvent(kIcaClientProgramName, exitCode, ended >= began ? ended - began : 0));
}

void TfrmMain::ShowStoreFrontLauncher() {
  TfrmXenAppLauncher& launcher = windows_.frmXenAppLauncher;
  launcher.LauncherSettings = Settings;
  launcher.SetSessionMode(true);
  // The self-service program signs the user in and writes the applications' shortcuts,
  // which the launcher waits for; it may stay running.
  const CommandLine refresh = StoreFrontRefreshCommandLine(Settings);
  bool started = false;
  platform_.processes.RunProgram(refresh.program, refresh.parameters, ShowState::kNormal, false, [&] {
    started = true;
    storeSignedIn_ = true;
    events_.Report(ClientStartedEvent(refresh.Whole(), Settings.Autologon.Password));
  });
  if (!started) {
    events_.Report(ClientNotStartedEvent(refresh.Whole(), Settings.Autologon.Password));
  }
  ClientStarted();
  windows_.xenAppLauncherWindow.ShowModal();
  // Only "Log Off" closes the window in session mode, and it has signed the user out.
  storeSignedIn_ = false;
}

void TfrmMain::RunStoreFrontClient() {
  AddStore();
  if (Settings.StoreFront.Resource.empty()) {
    ShowStoreFrontLauncher();
  } else {
    LaunchStoreResource();
  }
}

void TfrmMain::SignOutOfStore() {
  // The next person at a shared kiosk authenticates again. Once per session.
  if (!storeSignedIn_) return;
  storeSignedIn_ = false;
  const CommandLine signOut = StoreSignOutCommandLine(Settings);
  platform_.processes.RunProgram(signOut.program, signOut.parameters, ShowState::kHidden, true);
}

void TfrmMain::btnTestConnectionClick() {
  switch (Settings.ConnectionType) {
    case ConnectionType::kCustomIca: RunAndWait(IcaTestCommandLine(Settings)); break;
    case ConnectionType::kXenApp:
      // An administrator's test leaves the PNAgent configuration as it is.
      if (!platform_.identity.IsAdministrator()) RestorePNAgentConfiguration();
      ShowXenAppLauncher();
      break;
    case ConnectionType::kRemoteDesktop: RunAndWait(RdpCommandLine(Settings)); break;
    case ConnectionType::kStoreFront:
      // The test leaves nobody signed in to the store.
      RunStoreFrontClient();
      SignOutOfStore();
      break;
    default: break;
  }
}

void TfrmMain::btnPNClick() {
  // One handler for both launch buttons: a Remote Desktop kiosk has no Citrix client.
  const bool remoteDesktop = Settings.ConnectionType == ConnectionType::kRemoteDesktop;
  const Text path = remoteDesktop ? RemoteDesktopClientPath(Settings) : ProgramNeighborhoodPath(Settings);
  if (platform_.files.FileExists(path)) {
    RunAndWait(remoteDesktop ? RemoteDesktopClientCommandLine(Settings) : ProgramNeighborhoodCommandLine(Settings));
  } else {
    platform_.messages.ShowMessage(u"File not found: " + path);
  }
}

void TfrmMain::btnShutdownClick(int tag) {
  SaveSettings();
  ShutdownRequested = true;
  if (tag <= 0) return;
  // Hidden while Windows ends the session; back when it does not.
  if (ExitApplication(tag) == ExitOutcome::kCancelled) Unhide();
}

void TfrmMain::btnSetupWizardClick() {
  if (platform_.identity.IsAdministrator()) RunSetupWizard();
}

void TfrmMain::btnSettingsClick() {
  if (!platform_.identity.IsAdministrator()) return;
  windows_.dlgSettings.DialogSettings = Settings;
  const int result = windows_.settingsDialogWindow.ShowModal();
  // The dialog changes its copy only through OK and Apply, so Cancel after Apply keeps
  // what Apply stored, and Cancel alone saves and applies the same settings again.
  if (result != 1 && result != 2) return;
  Settings = windows_.dlgSettings.DialogSettings;
  policies_.Reapply(Settings);
  SaveSettings();
  ApplySettings();
}

void TfrmMain::Button1Click() {}

void TfrmMain::RunSetupWizard(bool newSetUp) {
  windows_.frmSetupWizard.SetNewSetUp(newSetUp);
  windows_.frmSetupWizard.Clear();
  // Finish has handed the working copy back already; any other end changes nothing.
  if (windows_.setupWizardWindow.ShowModal() != 1) return;
  policies_.Reapply(Settings);
  SaveSettings();
  ApplySettings();
}

void TfrmMain::StartClient() {
  switch (Settings.ConnectionType) {
    case ConnectionType::kRemoteDesktop: RunRDPClient(); break;
    case ConnectionType::kCustomIca: RunCitrixClient(); break;
    case ConnectionType::kXenApp: RunXenAppClient(); break;
    case ConnectionType::kStoreFront: RunStoreFrontClient(); break;
    default: break;  // no client: the end-of-session step follows at once
  }
}

void TfrmMain::ApplyDesktop() {
  // For this log-on only: the user's own profile keeps its desktop.
  if (Settings.RemoveWallpaper) platform_.desktop.RemoveWallpaper();
  if (Settings.UseBackgroundColor) {
    platform_.desktop.SetDesktopColor(static_cast<std::uint32_t>(Settings.BackgroundColor) & 0xFFFFFFu);
  }
}

void TfrmMain::WaitForNetwork() {
  switch (Settings.ConnectionType) {
    case ConnectionType::kRemoteDesktop:
    case ConnectionType::kCustomIca:
    case ConnectionType::kXenApp:
    case ConnectionType::kStoreFront: break;
    default: return;  // no client, nothing to wait for
  }
  TfrmNetworkWait& wait = windows_.frmNetworkWait;
  const std::int32_t seconds = EffectiveWaitForNetwork(Settings);
  if (!wait.NeedsToWait(seconds, ServerToWaitFor(Settings), platform_.clock.NowMilliseconds())) return;
  wait.WaitSeconds = seconds;
  windows_.networkWaitWindow.ShowModal();
  if (wait.End() == NetworkWaitEnd::kTimeUp) {
    const Text server = wait.UnansweredServer();
    events_.Report(server.empty() ? NetworkWaitTimedOutEvent(seconds) : ServerWaitTimedOutEvent(seconds, server));
  }
}

void TfrmMain::ReleaseStartBehindClient() {
  // What the start held back: the events, and the group-policy step, which writes
  // nothing for a limited user, whose errors have nowhere to go but the event log.
  try {
    ReleaseStart();
  } catch (const std::exception& error) {
    events_.Report(EventType::kError, EventId::kApplyFailed, ErrorText(error));
  }
}

void TfrmMain::ClientStarted() {
  host_.EnsureMainWindow();
  // Windows keeps its log-on screen until the shell says it is ready; once per log-on.
  if (!platform_.crashWatcher.Restarted()) platform_.desktop.SignalShellReady();
  ReleaseStartBehindClient();
  // Behind the client, once it runs: changing the desktop asks every window to
  // repaint, which the client's start does not wait for.
  if (desktopPending_) {
    desktopPending_ = false;
    ApplyDesktop();
    // The kiosk user's accessibility hotkeys: written to the user's profile, so not in
    // Debug mode.
    if (limitedCycle_ && Settings.RestrictKioskUser && !DebugMode) {
      SwitchOffAccessibilityHotkeys(platform_.registry, platform_.desktop);
    }
  }
  if (limitedCycle_) ArmCrashWatcher();
  StartLogOnPrograms();
}

void TfrmMain::ArmCrashWatcher() {
  crashWatcherArmed_ = true;
  platform_.crashWatcher.Arm();
}

void TfrmMain::RearmCrashWatcher() {
  if (crashWatcherArmed_) platform_.crashWatcher.Arm();
}

bool TfrmMain::AdoptEarlierClient() {
  // A program started again after a crash takes over the session as it was: the
  // client the crashed one started is waited for rather than a second one started,
  // and when it has ended already the end-of-session step follows at once.
  if (earlierClientAdopted_ || !platform_.crashWatcher.Restarted()) return false;
  earlierClientAdopted_ = true;
  ClientStarted();
  const std::uint64_t began = platform_.clock.NowMilliseconds();
  if (const auto exitCode = platform_.crashWatcher.WaitForEarlierClient()) {
    const std::uint64_t ended = platform_.clock.NowMilliseconds();
    events_.Report(ClientEndedEvent(u"the client of the program before", *exitCode, ended - began));
  }
  if (Settings.ConnectionType == ConnectionType::kStoreFront) {
    // The program before started no process it could hand on: the session is the ICA
    // client's, found by name, and the user is still signed in to the store.
    storeSignedIn_ = true;
    platform_.clientProcesses.WaitForProcessesToEnd(kIcaClientProgramName);
  }
  return true;
}

void TfrmMain::StartLogOnPrograms() {
  // Once per log-on, as Explorer does: not again on a reconnect, nor in a program
  // started again after a crash. Debug mode changes nothing on the machine, and a
  // RunOnce entry would be gone.
  if (logOnProgramsStarted_) return;
  logOnProgramsStarted_ = true;
  if (DebugMode || !Settings.RunStartupPrograms || Settings.CurrentShell != CurrentShell::kLanthe) return;
  if (platform_.crashWatcher.Restarted()) return;
  platform_.startupPrograms.StartInBackground(platform_.identity.IsAdministrator());
}

void TfrmMain::RunConnection() {
  // The desktop behind the client, whoever runs the cycle: once the client has
  // started, or at once when no client starts. A program started again after a crash
  // finds it set already.
  desktopPending_ = !platform_.crashWatcher.Restarted();
  // A reconnect starts the next pass here, one after the other, rather than inside
  // the pass before it: a kiosk that reconnects all day does not pile up calls.
  for (;;) {
    // 1. An administrator gets the main window instead of a session.
    if (platform_.identity.IsAdministrator()) {
      ClientStarted();  // no client: the desktop now
      Unhide();
      return;
    }
    limitedCycle_ = true;
    // 2. and 3. The client of ConnectionType, once there is a network (or the wait
    //    for one is over), until it has ended.
    host_.HideMainWindow();
    if (!AdoptEarlierClient()) {
      WaitForNetwork();
      if (host_.TerminationRequested()) return;
      StartClient();
      if (desktopPending_) ClientStarted();  // no client, or one that could not start
    }
    // 4. The end-of-session decision and its exit action. When Windows refuses the
    //    power action, or accepts it and then does not end the session, the user
    //    decides again rather than facing a main window.
    ExitOutcome outcome = ExitOutcome::kGoesOn;
    do {
      const std::optional<std::int32_t> action = SessionEnd();
      if (!action) return;  // nothing to do, or the program is ending: the message loop follows
      outcome = ExitApplication(*action);
    } while ((outcome == ExitOutcome::kRefused || outcome == ExitOutcome::kCancelled) &&
             !platform_.identity.IsAdministrator());
    if (outcome == ExitOutcome::kRefused || outcome == ExitOutcome::kCancelled) Unhide();
    if (outcome != ExitOutcome::kReconnect) return;
    cancelsInARow_ = 0;
    events_.Report(ReconnectEvent());
  }
}

bool TfrmMain::ShutdownDialogHasChoices() const {
  return Settings.ShowShutdown || Settings.ShowLogoff || Settings.ShowRestart;
}

std::optional<std::int32_t> TfrmMain::SessionEnd() {
  // Once the program has been told to end, every modal window returns at once: asking
  // again would never stop.
  while (!host_.TerminationRequested()) {
    if (Settings.ShowReconnectDialog && platform_.messages.AskYesNo(kReconnectQuestion, kReconnectCaption)) {
      return ExitAction::kReconnect;
    }
    if (host_.TerminationRequested()) break;
    // A dialog with nothing to choose would hold the user for good. After Windows has
    // cancelled the end of the session again and again, the user chooses rather than
    // an automatic action going round.
    if ((Settings.ShowShutdownDialog && ShutdownDialogHasChoices()) || cancelsInARow_ >= kCancelsBeforeTheDialog) {
      if (ShowShutdownDialog() == 1) return windows_.frmShutdownDialog.ChosenAction;
      continue;  // cancelled: the question (when enabled) and the dialog come back
    }
    std::optional<std::int32_t> action;
    if (Settings.CitrixLogOff == CitrixLogOff::kPowerOff) action = ExitAction::kPowerOff;
    if (Settings.CitrixLogOff == CitrixLogOff::kLogOff) action = ExitAction::kLogOff;
    // What blocked the last try (a program asking its user) gets a moment first.
    if (action && cancelsInARow_ > 0 &&
        host_.RunMessagesUntil([this] { return host_.TerminationRequested(); }, kAutomaticActionPauseMs)) {
      break;
    }
    return action;
  }
  return std::nullopt;
}

int TfrmMain::ShowShutdownDialog() {
  // Reached without choices only after cancels: then every choice is offered.
  TfrmShutdownDialog& dialog = windows_.frmShutdownDialog;
  if (ShutdownDialogHasChoices()) return windows_.shutdownDialogWindow.ShowModal();
  dialog.ShowShutdown = dialog.ShowLogoff = dialog.ShowRestart = true;
  const int result = windows_.shutdownDialogWindow.ShowModal();
  dialog.ShowShutdown = dialog.ShowLogoff = dialog.ShowRestart = false;
  return result;
}

// Exit paths: reconnect -> kReconnect; a code below 0 -> kGoesOn; nothing to ask of
// Windows (debug mode, a code outside the table) -> kTerminating at once; a power
// action that Windows refuses -> kRefused, after a message; one that it accepts ->
// kTerminating when the session ends, kCancelled when Windows says it does not or
// says nothing within the time.
ExitOutcome TfrmMain::ExitApplication(std::int32_t action) {
  SaveSettings();
  ShutdownRequested = true;
  if (action == ExitAction::kReconnect) return ExitOutcome::kReconnect;
  const auto flags = DebugMode ? std::nullopt : ExitWindowsFlagsFor(action);
  if (action > 0) {
    SignOutOfStore();
    // Before Windows is asked: a session that ends may take the program with it.
    events_.Report(ExitActionEvent(action, flags.has_value()));
    events_.Flush();
  }
  if (!flags) {
    if (action <= 0) return ExitOutcome::kGoesOn;
    host_.TerminateApplication();
    return ExitOutcome::kTerminating;
  }
  // Windows may end the program at any moment from the request on: that is no crash.
  platform_.crashWatcher.Disarm();
  // Windows' questions about the session's end go to top-level windows.
  host_.EnsureMainWindow();
  if (!platform_.power.ShutdownWindows(*flags)) {
    events_.Report(ExitActionRefusedEvent(action));
    RearmCrashWatcher();
    // Ending the program now would leave the user before a screen without any shell.
    platform_.messages.ShowMessage(PowerActionRefused(action));
    return ExitOutcome::kRefused;
  }
  host_.HideMainWindow();
  return AwaitWindowsAnswer(action);
}

ExitOutcome TfrmMain::AwaitWindowsAnswer(std::int32_t action) {
  // ExitWindowsEx only starts the end of the session; another program, or the user in
  // Windows' list of programs that block it, can still cancel it. Until Windows says
  // how it went, the program stays, hidden, answering its messages.
  windowsAnswer_ = WindowsAnswer::kNone;
  const auto answered = [this] { return windowsAnswer_ != WindowsAnswer::kNone || host_.TerminationRequested(); };
  std::uint32_t waited = 0;
  bool asked = false;
  do {
    endSessionAsked_ = false;
    if (host_.RunMessagesUntil(answered, kSessionEndAnswerMs)) break;
    waited += kSessionEndAnswerMs;
    asked = endSessionAsked_;
  } while (asked);  // asked, but not yet told: the other programs get as long again
  if (windowsAnswer_ == WindowsAnswer::kEnded || host_.TerminationRequested()) return ExitOutcome::kTerminating;
  ++cancelsInARow_;
  events_.Report(SessionNotEndedEvent(action, windowsAnswer_ == WindowsAnswer::kCancelled, waited));
  // A cancel that Windows told has raised the watcher already.
  if (windowsAnswer_ == WindowsAnswer::kNone) RearmCrashWatcher();
  return ExitOutcome::kCancelled;
}

void TfrmMain::FormQueryEndSession() {
  endSessionAsked_ = true;
  platform_.crashWatcher.Disarm();
}

void TfrmMain::FormEndSession(bool ending) {
  if (!ending) {
    // Another program, or the user, kept the session: a crash must bring the shell back.
    windowsAnswer_ = WindowsAnswer::kCancelled;
    RearmCrashWatcher();
    return;
  }
  windowsAnswer_ = WindowsAnswer::kEnded;
  ShutdownRequested = true;
  platform_.crashWatcher.Disarm();
  // Windows may end the program as soon as this returns: what a close saves, without
  // a message box that nobody would see.
  QuietMessages quiet(events_);
  SaveSettings(quiet);
  host_.TerminateApplication();
}

void TfrmMain::LoadSettings() {
  // The policies count from right after the file, also when it is missing or damaged,
  // and before the wizard that a missing file offers.
  bool policiesRead = false;
  const auto readPolicies = [&] {
    if (policiesRead) return;
    policiesRead = true;
    policies_.Apply(platform_.registry, platform_.folders, Settings);
  };
  // Only an administrator is offered the wizard: for anybody else its installers and
  // tools would be a way out of the kiosk, and nothing it set could be saved.
  std::function<void()> wizard;
  if (platform_.identity.IsAdministrator()) {
    wizard = [&] {
      readPolicies();
      RunSetupWizard(/*newSetUp=*/true);
    };
  }
  const SettingsLoadOutcome outcome = lanthe::LoadSettings(xmlSettings_, Settings, platform_.messages, wizard);
  readPolicies();

  events_.Report(StartedEvent({Version, platform_.identity.GetCurrentUserName(), platform_.identity.IsAdministrator(),
                               Settings.CurrentShell, Settings.ConnectionType, DebugMode,
                               platform_.crashWatcher.Restarted()}));
  if (outcome == SettingsLoadOutcome::kRejected) {
    events_.Report(SettingsDamagedEvent(SettingsFilePath(Settings)));
  }
  if (!policies_.empty()) {
    events_.Report(PolicyOverridesEvent(policies_.Fields()));
  }
}

void TfrmMain::SaveSettings() { SaveSettings(platform_.messages); }

void TfrmMain::SaveSettings(IMessageBoxes& messages) {
  // A policy never changes the file: an overridden field is saved with the file's own value.
  TSettings file = policies_.FileSettings(Settings);
  lanthe::SaveSettings(xmlSettings_, file, messages, platform_.identity, pnagent_);
  Settings.XenApp.PNAgentConfig = file.XenApp.PNAgentConfig;
}

// In this order:
// 1. the shutdown dialog's switches;
// 2. the main window's connection button and
// 3. its shell selection (kept within -1..1);
// 4. for an administrator: the user's appsrv.ini to the shared copy, the PNAgent
//    configuration to XenAppSettings.cfg, and, not in debug mode, the lockdown's
//    account step and its check of who may change Lanthe's files;
// 5. not in debug mode: the lockdown's automatic log-on (left as it is for an account
//    that is missing) and shell steps;
// 6. an administrator's policies, held while a start runs.
// A value that cannot be written raises an Error and ends the call at that step.
void TfrmMain::ApplySettings() {
  TfrmShutdownDialog& dialog = windows_.frmShutdownDialog;
  dialog.ShowShutdown = Settings.ShowShutdown;
  dialog.ShowLogoff = Settings.ShowLogoff;
  dialog.ShowRestart = Settings.ShowRestart;
  dialog.DefaultChoice = Settings.ShutdownDialogDefaultChoice;

  const bool administrator = platform_.identity.IsAdministrator();
  state_.btnPNVisible = Settings.ConnectionType == ConnectionType::kCustomIca;
  state_.btnRemoteDesktopVisible = Settings.ConnectionType == ConnectionType::kRemoteDesktop;
  state_.rgCurrentShellItemIndex = std::clamp(Settings.CurrentShell, -1, 1);
  state_.rgCurrentShellEnabled = administrator;
  state_.btnExplorerEnabled = administrator;
  state_.btnSetupWizardEnabled = administrator;
  state_.btnSettingsEnabled = administrator;
  host_.RenderMainWindow(state_);

  bool autologonAccountReady = true;
  if (administrator) {
    const Text& user = Settings.ICA.UserAppSrvIniLocation;
    const Text& shared = Settings.ICA.GlobalAppSrvIniLocation;
    if (Settings.ICA.CopyICASettings && platform_.files.FileExists(user) && !platform_.files.CopyOver(user, shared)) {
      ReportedMessages(platform_.messages, events_).ShowMessage(u"File copy " + user + u" to " + shared + u" failed!");
    }
    if (Settings.XenApp.CopyXenAppSettings) pnagent_.SaveXenAppSettings(Settings);
    if (!DebugMode) {
      autologonAccountReady = lockdown_.PrepareAccount(Settings);
      lockdown_.CheckProgramFolder(Settings, platform_.folders.ExecutablePath());
      // A zip install has no event source; only full rights may register one.
      if (platform_.identity.IsElevated()) lockdown_.RegisterEventSource(platform_.folders.ExecutablePath());
    }
  }

  if (!DebugMode) {
    if (autologonAccountReady) lockdown_.SetAutologon(Settings);
    switch (state_.rgCurrentShellItemIndex) {
      case 0: lockdown_.SetShell(u"Explorer.exe"); break;
      case 1: lockdown_.SetShell(ShellCommandFor(platform_.folders.ExecutablePath())); break;
      default: break;  // no selection: the shell value is left alone
    }
  }

  if (holdPolicies_) {
    policiesPending_ = true;
  } else {
    ApplyPolicies();
  }
}

void TfrmMain::ApplyPolicies() {
  // Only an administrator's apply writes policies: a limited user's start could open
  // no object, and Debug mode changes nothing.
  if (DebugMode || !platform_.identity.IsAdministrator()) return;
  lockdown_.ApplyPolicies(Settings);
}

void TfrmMain::SetAutologon(bool enable, TextView userName, TextView password) {
  TSettings settings = Settings;
  settings.Autologon.EnableAutologon = enable;
  settings.Autologon.Username = Text(userName);
  settings.Autologon.Password = Text(password);
  lockdown_.SetAutologon(settings);
}

void TfrmMain::SetShell(TextView shell) { lockdown_.SetShell(shell); }

void TfrmMain::ApplyReport::Tell(TextView, LockdownNotice notice, TextView text) {
  const bool account = notice == LockdownNotice::kAccount || notice == LockdownNotice::kFailed;
  main_.events_.Report(account ? EventType::kError : EventType::kWarning,
                       notice == LockdownNotice::kProgramFolderWritable ? EventId::kProgramFolderWritable
                                                                        : EventId::kApplyFailed,
                       text);
  // The rest of a kind that is told once goes to the event log alone.
  if (ToldOnce(notice) && !told_.insert(notice).second) return;
  main_.platform_.messages.ShowMessage(text);
}

}  // namespace lanthe
