#pragma once
// The settings dialog: after set-up an administrator changes the end-of-session
// behaviour, the connection type, the client parameters, the appsrv.ini hand-over,
// the StoreFront store and resource, and the task-manager, wallpaper and
// background-colour settings here, on a copy of the settings. Its XenApp page shows
// PNAgent's configuration in the viewer frmLog.
// This is the logic; the Win32 view shows the controls and forwards their changes.

#include <array>
#include <cstdint>
#include <vector>

#include "config/pnagent_store.h"
#include "config/policy_overrides.h"
#include "config/settings.h"
#include "platform/files.h"

namespace lanthe {

// The pages in order, and the one shown first.
namespace SettingsPage {
constexpr int kLogoffBehavior = 0;
constexpr int kConnectionType = 1;
constexpr int kCustomIca = 2;
constexpr int kXenApp = 3;
constexpr int kStoreFront = 4;
constexpr int kRdp = 5;
constexpr int kOther = 6;
constexpr int kKiosk = 7;
}  // namespace SettingsPage

// The items of rgConnectionType, top to bottom, and the code each one stands for.
inline constexpr std::array<std::int32_t, 4> kConnectionTypeItems = {
    ConnectionType::kCustomIca, ConnectionType::kXenApp, ConnectionType::kRemoteDesktop, ConnectionType::kStoreFront};
// The rows of cblShutdownDialog and the exit action each one stands for.
inline constexpr std::array<std::int32_t, 3> kShutdownRows = {ExitAction::kShutdown, ExitAction::kLogOff,
                                                              ExitAction::kRestart};

// What the controls hold. The view writes the user's changes into it and renders it.
struct SettingsDialogControls {
  bool radPowerOff = false;
  bool radLogoff = false;
  int rgConnectionType = -1;  // item index; -1 for no item
  bool chkReconnect = false;
  bool chkShowShutdownDialog = false;
  std::array<bool, 3> cblShutdownDialogChecked{};
  int cblShutdownDialogHighlighted = -1;  // the row last clicked; -1 for none
  bool chkRDPFullScreen = false;
  Text edtRDPCommandLine;
  Text edtICACommandline;
  bool chkCopyICASettings = false;
  Text edtStoreFrontStoreURL;
  Text edtStoreFrontResource;
  Text edtStoreFrontCommandline;
  int speStoreFrontWaitForClient = 0;  // seconds, within the range of StoreFront.WaitForClient
  bool chkDisableTaskman = false;
  bool chkRemoveWallpaper = false;
  bool chkUseBackgroundColor = false;
  std::int32_t colBackgroundColor = 0;
  bool chkLockSecureScreen = false;
  int speWaitForNetwork = 0;  // seconds, within 0 to 600
  bool chkRunStartupPrograms = false;
  bool chkRestrictKioskUser = false;

  bool operator==(const SettingsDialogControls&) const = default;
};

// The viewer frmLog: lines of text, "Clear Log", and whether it is shown.
struct TfrmLog {
  std::vector<Text> memLog;
  bool visible = false;
  void btnClearClick() { memLog.clear(); }
};

class TdlgSettings {
 public:
  TdlgSettings(IFileSystem& files, ICodePage& codePage, PNAgentStore& pnagent, TfrmLog& frmLog);

  TSettings DialogSettings;
  SettingsDialogControls Controls;

  void FormCreate();
  void FormShow();
  void SettingsToControls();
  void ControlsToSettings();

  // Change handlers: every editable control calls UpdateApplyBtn after the view has
  // written its new value into Controls; two have handlers of their own.
  void UpdateApplyBtn() { applyEnabled_ = true; }
  void chkShowShutdownDialogClick() { UpdateApplyBtn(); }
  void chkUseBackgroundColorClick() { UpdateApplyBtn(); }

  // Buttons. OK and Cancel return the modal result the dialog closes with.
  int btnOkClick();
  int btnCancelClick() { return 2; }
  void btnApplyClick();
  // The viewer: the live configuration, or the one stored in XenAppSettings.cfg. A
  // piece that is no hexadecimal number, a missing or an empty file raise an Error;
  // memLog then keeps the lines added so far and the viewer is not shown.
  void btnXenAppViewConfigClick();
  void Button1Click();

  bool ApplyEnabled() const { return applyEnabled_; }
  // Derived from the controls, as the view shows them.
  bool ShutdownDialogBoxVisible() const { return Controls.chkShowShutdownDialog; }
  bool BackgroundColorEnabled() const {
    return Controls.chkUseBackgroundColor && !SetByPolicy("colBackgroundColor");
  }
  // The StoreFront page's note that, without a resource, the launcher window offers
  // the store's applications.
  bool StoreFrontLauncherNoteVisible() const { return Controls.edtStoreFrontResource.empty(); }

  // The settings set by policy in this run: their controls are greyed.
  void AttachPolicies(const PolicyOverrides& policies) { policies_ = &policies; }
  // Whether the control (by its name: "chkReconnect") edits a setting set by policy.
  bool SetByPolicy(std::string_view control) const;
  bool AnySetByPolicy() const { return policies_ && !policies_->empty(); }
  int ActivePage = SettingsPage::kCustomIca;  // kept from one showing to the next

 private:
  void View(TextView text);

  IFileSystem& files_;
  ICodePage& codePage_;
  PNAgentStore& pnagent_;
  const PolicyOverrides* policies_ = nullptr;
  TfrmLog& frmLog_;
  bool applyEnabled_ = false;
};

}  // namespace lanthe
