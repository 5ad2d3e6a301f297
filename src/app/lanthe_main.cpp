// Entry of lanthe.exe (and of its test build lanthe-test.exe).
//
// The order is fixed: the application object and its title, the windows in their
// order (the main window first, whose creation handler fills the settings with
// their defaults), the start-up call, then the message loop, which shows the main
// window. The start-up call runs the whole session cycle when Lanthe is the shell.

#include <exception>

#include "platform/crash_restart.h"
#include "platform/win32/crash_watcher.h"
#include "platform/win32/handles.h"
#include "platform/error.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "dialogs/shutdown_dialog.h"
#include "dialogs/settings_dialog.h"
#include "dialogs/win32/log_view.h"
#include "dialogs/win32/settings_dialog_view.h"
#include "dialogs/win32/shutdown_dialog_view.h"
#include "dialogs/win32/xenapp_launcher_view.h"
#include "dialogs/xenapp_launcher.h"
#include "wizard/setup_wizard.h"
#include "wizard/win32/setup_wizard_view.h"
#include "shell/command_line.h"
#include "shell/main_window.h"
#include "shell/win32/main_window_view.h"
#include "shell/win32/network_wait_view.h"
#include "toolkit/application.h"
#include "version.h"

#ifdef LANTHE_TEST_BUILD
#include "platform/win32/test_seam.h"
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // The crash watcher of another Lanthe: nothing of a program is made for it.
  const lanthe::Text commandLine = lanthe::win32::FromWide(::GetCommandLineW());
  if (lanthe::FirstParameter(commandLine) == lanthe::kWatchArgument) {
#ifdef LANTHE_TEST_BUILD
    lanthe::win32::RecordingPower power;
#else
    lanthe::win32::Win32Power power;
#endif
    lanthe::win32::Win32EventLog events;
    return lanthe::win32::RunCrashWatcher(lanthe::ParametersAfterProgram(commandLine), power, events);
  }
  // A crash ends the program at once, for the watcher to start it again.
  lanthe::win32::InstallCrashHandler();
#ifdef LANTHE_TEST_BUILD
  lanthe::win32::StampProgramStart();
#endif
  namespace app = lanthe::toolkit::Application;
  // Nothing of the user interface, COM or the shell is loaded here: a kiosk's start
  // reaches its remote client first, and every window (the main window included) is
  // made when it is first needed. The one GUI thread becomes the COM apartment of the
  // shell-link and group-policy objects when the first of them is made.
  app::Initialize(instance);
  app::SetTitle(lanthe::kApplicationTitle);

#ifdef LANTHE_TEST_BUILD
  lanthe::win32::TestSeamIdentity identity;
  lanthe::win32::RecordingPower power;
  lanthe::win32::TestSeamGroupPolicy groupPolicy(identity);
  lanthe::win32::TestSeamSecretStore secrets;
  lanthe::win32::TestSeamNetwork network;
  lanthe::win32::TestSeamCrashWatcher crashWatcher;
  lanthe::win32::Win32Platform system(identity, power, groupPolicy, secrets, network, crashWatcher);
#else
  lanthe::win32::Win32Platform system;
#endif
  lanthe::Platform platform = system.platform();

  // The windows, each logic and view; the main window's logic reaches the others
  // through OperatorWindows.
  lanthe::PNAgentStore pnagent(platform.registry, platform.files, platform.codePage);
  lanthe::TfrmShutdownDialog frmShutdownDialog(platform.identity.GetCurrentUserName());
  lanthe::win32::ShutdownDialogView frmShutdownDialogView(frmShutdownDialog);
  lanthe::TfrmXenAppLauncher frmXenAppLauncher(platform, pnagent);
  lanthe::win32::XenAppLauncherView frmXenAppLauncherView(frmXenAppLauncher);
  lanthe::TfrmLog frmLog;
  lanthe::win32::LogView frmLogView(frmLog);
  lanthe::TdlgSettings dlgSettings(platform.files, platform.codePage, pnagent, frmLog);
  lanthe::win32::SettingsDialogView dlgSettingsView(dlgSettings, frmLogView);
  lanthe::TfrmSetupWizard frmSetupWizard(platform, pnagent);
  lanthe::win32::SetupWizardView frmSetupWizardView(frmSetupWizard);
  lanthe::TfrmNetworkWait frmNetworkWait(platform.network);
  lanthe::win32::NetworkWaitView frmNetworkWaitView(frmNetworkWait);
  lanthe::OperatorWindows windows{frmShutdownDialog,     frmShutdownDialogView, frmXenAppLauncher,
                                  frmXenAppLauncherView, dlgSettings,           dlgSettingsView,
                                  frmSetupWizard,        frmSetupWizardView,    frmNetworkWait,
                                  frmNetworkWaitView};
  lanthe::win32::MainWindowView frmMainView;
  lanthe::TfrmMain frmMain(platform, frmMainView, windows, pnagent);
  frmMain.Version = lanthe::Utf8ToText(LANTHE_VERSION_TEXT);
  frmMainView.Attach(frmMain);
  try {
    // Created in their order: the main window (its creation handler first), the
    // shutdown dialog, the settings dialog, the setup wizard, the XenApp launcher, the
    // viewer. The wizard takes its copy of the defaults, before the settings file is read.
    // Every window is made when first shown, the main window also when a client has
    // started (hidden, to answer other programs while the client runs): the start-up
    // reaches the remote client sooner without them.
    frmMain.FormCreate(commandLine);
    app::SetMainForm(&frmMainView);
    frmMainView.CreateWindowHandleOnFirstUse(nullptr);
    frmShutdownDialogView.CreateWindowHandleOnFirstUse(&frmMainView);
    dlgSettings.FormCreate();
    dlgSettingsView.CreateWindowHandleOnFirstUse(&frmMainView);
    frmSetupWizardView.CreateWindowHandleOnFirstUse(&frmMainView);
    frmSetupWizardView.LoadLogo(frmMain.Settings.LogoFile, platform.files.FileExists(frmMain.Settings.LogoFile));
    frmSetupWizard.FormCreate();
    frmXenAppLauncher.FormCreate();
    frmXenAppLauncherView.CreateWindowHandleOnFirstUse(&frmMainView);
    frmLogView.CreateWindowHandleOnFirstUse(&frmMainView);
    frmNetworkWaitView.CreateWindowHandleOnFirstUse(&frmMainView);
    frmMain.ApplicationStart();
  } catch (const std::exception& error) {
    // An error that escapes start-up ends the program after showing its text.
    platform.messages.ShowMessage(lanthe::ErrorText(error));
    return 1;
  }
  app::Run();
  return 0;
}
