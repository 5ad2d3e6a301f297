#pragma once
// The main window frmMain: the administrator's console and the owner of everything
// the program does at start-up. This is its logic; the Win32 view shows its state
// and forwards its events.
//
// The main window owns the live settings record, the settings file's document and
// the two program-wide flags: DebugMode, switched on by the first command-line
// parameter "Debug", and ShutdownRequested, which opens the close protection.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>

#include "config/pnagent_store.h"
#include "config/policy_overrides.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "dialogs/settings_dialog.h"
#include "dialogs/shutdown_dialog.h"
#include "dialogs/xenapp_launcher.h"
#include "wizard/setup_wizard.h"
#include "platform/platform.h"
#include "shell/network_wait.h"
#include "lockdown/winlogon.h"
#include "lockdown/workstation.h"

namespace lanthe {

struct CommandLine;

// What the main window shows. The view renders it after every change.
struct MainWindowState {
  int rgCurrentShellItemIndex = 0;  // -1 (nothing selected), 0 "Explorer", 1 "Lanthe"
  bool btnPNVisible = true;         // "Program Neighboorhood"
  bool btnRemoteDesktopVisible = true;
  // What only an administrator may use: a desktop, the wizard's installers and tools,
  // the settings and the shell. Greyed in place for everybody else; the connection
  // and shutdown buttons always work.
  bool rgCurrentShellEnabled = false;
  bool btnExplorerEnabled = false;
  bool btnSetupWizardEnabled = false;
  bool btnSettingsEnabled = false;
  // Tags of the shutdown buttons: the exit action each one asks for.
  int btnLogoffTag = 0;
  int btnShutdownTag = 0;
  int btnRestartTag = 0;

  bool operator==(const MainWindowState&) const = default;
};

// What the main window needs from its view and from the application object.
class IMainWindowHost {
 public:
  virtual ~IMainWindowHost() = default;
  virtual void RenderMainWindow(const MainWindowState& state) = 0;
  // Shows the main window and activates it.
  virtual void ShowMainWindow() = 0;
  virtual void HideMainWindow() = 0;
  // Raises the window above all normal windows without keeping it on top.
  virtual void TopMostWindow() = 0;
  // Tells the application to end: the message loop ends, and with it the program.
  virtual void TerminateApplication() = 0;
  // Whether the application has been told to end, by the program itself or by a
  // close from outside that the close protection let through.
  virtual bool TerminationRequested() = 0;
  // The main window exists from now on (hidden unless shown), so that it answers other
  // programs: while a client runs, and while Windows ends the session. Nothing before a
  // client's start needs a window.
  virtual void EnsureMainWindow() = 0;
  // Handles the program's messages, sent and posted, until done says so or the time is
  // up; whether done said so. What Windows sends while it ends the session arrives here.
  virtual bool RunMessagesUntil(const std::function<bool()>& done, std::uint32_t milliseconds) = 0;
};

// A window that the main window shows modally: it returns the window's modal result
// (1 OK, 2 Cancel) when the window has closed.
class IModalWindow {
 public:
  virtual ~IModalWindow() = default;
  virtual int ShowModal() = 0;
};

// The other windows of the program as the main window uses them: their logic, and
// the view that shows each one modally.
struct OperatorWindows {
  TfrmShutdownDialog& frmShutdownDialog;
  IModalWindow& shutdownDialogWindow;
  TfrmXenAppLauncher& frmXenAppLauncher;
  IModalWindow& xenAppLauncherWindow;
  TdlgSettings& dlgSettings;
  IModalWindow& settingsDialogWindow;
  TfrmSetupWizard& frmSetupWizard;
  IModalWindow& setupWizardWindow;
  TfrmNetworkWait& frmNetworkWait;
  IModalWindow& networkWaitWindow;
};

// The reconnect question, the one box with a caption of its own.
inline constexpr char16_t kReconnectQuestion[] = u"Connect again?";
inline constexpr char16_t kReconnectCaption[] = u"Lanthe session has been closed";

// What an exit action came to.
enum class ExitOutcome {
  kReconnect,    // 0: the session cycle starts its next pass
  kTerminating,  // the program ends (Windows ended the session, or nothing was asked of it)
  kRefused,      // Windows refused the power action; the user has been told
  kCancelled,    // Windows accepted it, but the session did not end (cancelled, or no answer)
  kGoesOn,       // a code below 0: nothing happens
};

// How long Windows has to answer an accepted power action (WM_ENDSESSION) before
// Lanthe takes it as cancelled: Windows stops asking as soon as one program refuses,
// so the answer may never come. A question whether the session may end gives as long
// again.
inline constexpr std::uint32_t kSessionEndAnswerMs = 60'000;
// An automatic action that Windows cancelled is asked for again after this pause...
inline constexpr std::uint32_t kAutomaticActionPauseMs = 5'000;
// ...and after this many cancels in a row the user gets the shutdown dialog instead.
inline constexpr int kCancelsBeforeTheDialog = 3;

class TfrmMain {
 public:
  // pnagent: the PNAgent store the program shares between its windows.
  TfrmMain(Platform& platform, IMainWindowHost& host, OperatorWindows& windows, PNAgentStore& pnagent);

  // Creation handler: runs while the main window is created, before any other window.
  void FormCreate(TextView commandLine);
  // The start-up sequence: settings file, applying the settings, and the session
  // cycle when the program is the shell.
  void ApplicationStart();

  // Close protection: whether the window may close now. Answers the close box, Alt+F4,
  // the system menu and WM_CLOSE; never the platform's question whether the session
  // may end, which is Windows' and the user's to decide.
  bool FormCloseQuery();
  void FormClose();
  // Windows asks whether the session may end: always yes, at once, and without a word.
  // The crash watcher stands down, since Windows may end the program from now on.
  void FormQueryEndSession();
  // Windows says whether the session ends. When it does, the program saves what a
  // close saves, shows nothing, starts nothing more and ends; when it does not, the
  // crash watcher stands guard again.
  void FormEndSession(bool ending);
  void Unhide();
  void TopMostWindow();

  void rgCurrentShellClick(int itemIndex);
  void btnExplorerClick();
  void btnTestConnectionClick();
  void btnPNClick();
  void btnShutdownClick(int tag);
  void btnSetupWizardClick();
  void btnSettingsClick();
  void Button1Click();

  // newSetUp: offered because there is no settings file (see TfrmSetupWizard::SetNewSetUp).
  void RunSetupWizard(bool newSetUp = false);

  // The session cycle, one pass after the other: an administrator gets the main
  // window; anybody else gets the client of ConnectionType, waited for, then the
  // end-of-session decision and its exit action. A reconnect starts the next pass; a
  // refused power action leads to the decision again.
  void RunConnection();
  // The end-of-session decision: the exit action chosen (reconnect question, shutdown
  // dialog, or CitrixLogOff), or nullopt when nothing is to happen or the program is
  // ending.
  std::optional<std::int32_t> SessionEnd();
  // Performs an exit action (ExitAction codes): saves, opens the close protection and
  // requests the power action (not in debug mode); actions above 0 end the program.
  ExitOutcome ExitApplication(std::int32_t action);

  void RunRDPClient();
  void RunCitrixClient();
  void RunXenAppClient();
  // A StoreFront store through the Workspace app: with a resource, its ICA session,
  // waited for; without, the launcher window with the store's applications.
  void RunStoreFrontClient();

  void LoadSettings();
  void SaveSettings();
  // Brings the settings to the machine and the windows; see the steps in the source.
  void ApplySettings();
  void SetAutologon(bool enable, TextView userName, TextView password);
  void SetShell(TextView shell);

  const MainWindowState& State() const { return state_; }
  // The settings set by policy in this run.
  const PolicyOverrides& Policies() const { return policies_; }
  TSettings Settings;  // the live settings record
  Text Version;        // the program's version, for the event log
  bool DebugMode = false;
  bool ShutdownRequested = false;

 private:
  void OfferElevation();
  bool ShutdownDialogHasChoices() const;
  void ApplyDesktop();
  void SaveSettings(IMessageBoxes& messages);
  void ClientStarted();
  bool AdoptEarlierClient();
  void StartLogOnPrograms();
  void ArmCrashWatcher();
  void RearmCrashWatcher();
  ExitOutcome AwaitWindowsAnswer(std::int32_t action);
  int ShowShutdownDialog();
  void WaitForNetwork();
  void StartClient();
  void RestorePNAgentConfiguration();
  void ShowXenAppLauncher();
  void ApplyPolicies();
  // Starts a client with its events, waiting for its end or not; its exit code (0 when
  // not waited for), or nullopt when it could not start.
  std::optional<std::uint32_t> StartClient(const CommandLine& commandLine, bool wait);
  void RunAndWait(const CommandLine& commandLine);
  void AddStore();
  void LaunchStoreResource();
  void ShowStoreFrontLauncher();
  void SignOutOfStore();

  // What an apply tells the administrator: each notice goes to the event log, and to
  // the screen as a message box, a kind told once only the first time in a run.
  class ApplyReport final : public ILockdownReport {
   public:
    explicit ApplyReport(TfrmMain& main) : main_(main) {}
    void Done(TextView, TextView) override {}
    void Tell(TextView step, LockdownNotice notice, TextView text) override;

   private:
    TfrmMain& main_;
    std::set<LockdownNotice> told_;
  };

  Platform& platform_;
  // Every event goes through here: a start holds them until its client runs.
  HeldEventLog events_;
  IMainWindowHost& host_;
  OperatorWindows& windows_;
  PNAgentStore& pnagent_;
  SettingsFile xmlSettings_;
  PolicyOverrides policies_;
  // While the program starts, the group-policy step and the events wait for the
  // client's start (or the start's end): a limited user's log-on, which cannot open
  // the object, does not hold its client up for it, nor does the log's writer.
  bool holdPolicies_ = false;
  bool policiesPending_ = false;
  void ReleaseStart();
  void ReleaseStartBehindClient();  // errors go to the event log
  MainWindowState state_;
  Text commandLine_;
  bool handedOver_ = false;  // an elevated copy of the program was started instead
  bool desktopPending_ = false;  // set by the cycle's start, applied once a client runs
  bool logOnProgramsStarted_ = false;
  bool limitedCycle_ = false;       // a limited user's session cycle runs: the crash watcher guards it
  bool crashWatcherArmed_ = false;  // armed by the cycle, until a normal end
  bool earlierClientAdopted_ = false;
  bool storeSignedIn_ = false;      // the self-service program was started: sign out before an exit action
  int cancelsInARow_ = 0;           // power actions Windows accepted but did not carry out
  // Windows' answer to an accepted power action.
  enum class WindowsAnswer { kNone, kEnded, kCancelled } windowsAnswer_ = WindowsAnswer::kNone;
  bool endSessionAsked_ = false;    // a WM_QUERYENDSESSION came while Lanthe waited
  ApplyReport applyReport_{*this};
  WorkstationLockdown lockdown_{platform_, applyReport_};
};

}  // namespace lanthe
