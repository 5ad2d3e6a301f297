#include "dialogs/settings_dialog.h"

#include "config/settings_file.h"
#include "platform/error.h"

namespace lanthe {

namespace {

// The controls and the settings each one edits.
constexpr PolicyControl kPolicyControls[] = {
    {"chkReconnect", "ShowReconnectDialog"},
    {"chkShowShutdownDialog", "ShowShutdownDialog"},
    {"cblShutdownDialog", "ShowShutdown,ShowLogoff,ShowRestart,ShutdownDialogDefaultChoice"},
    {"gboxNoDialog", "CitrixLogOff"},
    {"rgConnectionType", "ConnectionType"},
    {"chkCopyICASettings", "ICA.CopyICASettings"},
    {"edtICACommandline", "ICA.CommandlineParameters"},
    {"chkRDPFullScreen", "RDP.FullScreen"},
    {"edtRDPCommandLine", "RDP.CommandlineParameters"},
    {"edtStoreFrontStoreURL", "StoreFront.StoreURL"},
    {"edtStoreFrontResource", "StoreFront.Resource"},
    {"edtStoreFrontCommandline", "StoreFront.CommandlineParameters"},
    {"speStoreFrontWaitForClient", "StoreFront.WaitForClient"},
    {"chkDisableTaskman", "DisableTaskManager"},
    {"chkRemoveWallpaper", "RemoveWallpaper"},
    {"chkUseBackgroundColor", "UseBackgroundColor"},
    {"colBackgroundColor", "BackgroundColor"},
    {"chkLockSecureScreen", "LockSecureScreen"},
    {"speWaitForNetwork", "WaitForNetwork"},
    {"chkRunStartupPrograms", "RunStartupPrograms"},
    {"chkRestrictKioskUser", "RestrictKioskUser"},
};

}  // namespace

bool TdlgSettings::SetByPolicy(std::string_view control) const {
  return ControlSetByPolicy(policies_, kPolicyControls, control);
}

TdlgSettings::TdlgSettings(IFileSystem& files, ICodePage& codePage, PNAgentStore& pnagent, TfrmLog& frmLog)
    : files_(files), codePage_(codePage), pnagent_(pnagent), frmLog_(frmLog) {}

void TdlgSettings::FormCreate() {
  DialogSettings.CitrixLogOff = CitrixLogOff::kPowerOff;
  DialogSettings.ShowShutdownDialog = false;
  DialogSettings.ShowReconnectDialog = false;
  applyEnabled_ = false;
}

void TdlgSettings::FormShow() {
  SettingsToControls();
  // Filling the controls runs their change handlers: Apply is off all the same.
  applyEnabled_ = false;
}

void TdlgSettings::SettingsToControls() {
  const TSettings& s = DialogSettings;
  Controls.radPowerOff = s.CitrixLogOff == CitrixLogOff::kPowerOff;
  Controls.radLogoff = !Controls.radPowerOff;
  // A connection type without an item (a hand-edited file) selects none, and OK then
  // keeps it as it is.
  Controls.rgConnectionType = -1;
  for (std::size_t i = 0; i < kConnectionTypeItems.size(); ++i) {
    if (kConnectionTypeItems[i] == s.ConnectionType) Controls.rgConnectionType = static_cast<int>(i);
  }
  Controls.chkReconnect = s.ShowReconnectDialog;
  Controls.chkShowShutdownDialog = s.ShowShutdownDialog;
  Controls.cblShutdownDialogChecked = {s.ShowShutdown, s.ShowLogoff, s.ShowRestart};
  // Any other choice leaves the highlight as it was.
  for (std::size_t i = 0; i < kShutdownRows.size(); ++i) {
    if (kShutdownRows[i] == s.ShutdownDialogDefaultChoice) Controls.cblShutdownDialogHighlighted = static_cast<int>(i);
  }
  Controls.chkRDPFullScreen = s.RDP.FullScreen;
  Controls.edtRDPCommandLine = s.RDP.CommandlineParameters;
  Controls.edtICACommandline = s.ICA.CommandlineParameters;
  Controls.chkCopyICASettings = s.ICA.CopyICASettings;
  Controls.edtStoreFrontStoreURL = s.StoreFront.StoreURL;
  Controls.edtStoreFrontResource = s.StoreFront.Resource;
  Controls.edtStoreFrontCommandline = s.StoreFront.CommandlineParameters;
  Controls.speStoreFrontWaitForClient = EffectiveWaitForClient(s);
  Controls.chkDisableTaskman = s.DisableTaskManager;
  Controls.chkRemoveWallpaper = s.RemoveWallpaper;
  Controls.chkUseBackgroundColor = s.UseBackgroundColor;
  Controls.colBackgroundColor = s.BackgroundColor;
  Controls.chkLockSecureScreen = s.LockSecureScreen;
  Controls.speWaitForNetwork = EffectiveWaitForNetwork(s);
  Controls.chkRunStartupPrograms = s.RunStartupPrograms;
  Controls.chkRestrictKioskUser = s.RestrictKioskUser;
}

void TdlgSettings::ControlsToSettings() {
  TSettings& s = DialogSettings;
  if (Controls.radPowerOff) {
    s.CitrixLogOff = CitrixLogOff::kPowerOff;
  } else if (Controls.radLogoff) {
    s.CitrixLogOff = CitrixLogOff::kLogOff;
  }
  if (Controls.rgConnectionType >= 0 && Controls.rgConnectionType < static_cast<int>(kConnectionTypeItems.size())) {
    s.ConnectionType = kConnectionTypeItems[static_cast<std::size_t>(Controls.rgConnectionType)];
  }
  s.ShowReconnectDialog = Controls.chkReconnect;
  s.ShowShutdownDialog = Controls.chkShowShutdownDialog;
  s.ShowShutdown = Controls.cblShutdownDialogChecked[0];
  s.ShowLogoff = Controls.cblShutdownDialogChecked[1];
  s.ShowRestart = Controls.cblShutdownDialogChecked[2];
  if (Controls.cblShutdownDialogHighlighted >= 0 &&
      Controls.cblShutdownDialogHighlighted < static_cast<int>(kShutdownRows.size())) {
    s.ShutdownDialogDefaultChoice = kShutdownRows[static_cast<std::size_t>(Controls.cblShutdownDialogHighlighted)];
  }
  s.RDP.FullScreen = Controls.chkRDPFullScreen;
  s.RDP.CommandlineParameters = Controls.edtRDPCommandLine;
  s.ICA.CommandlineParameters = Controls.edtICACommandline;
  s.ICA.CopyICASettings = Controls.chkCopyICASettings;
  s.StoreFront.StoreURL = Controls.edtStoreFrontStoreURL;
  s.StoreFront.Resource = Controls.edtStoreFrontResource;
  s.StoreFront.CommandlineParameters = Controls.edtStoreFrontCommandline;
  // As the network wait: a stored value outside the range stays unless it was changed.
  if (Controls.speStoreFrontWaitForClient != EffectiveWaitForClient(s)) {
    s.StoreFront.WaitForClient = Controls.speStoreFrontWaitForClient;
  }
  s.DisableTaskManager = Controls.chkDisableTaskman;
  s.RemoveWallpaper = Controls.chkRemoveWallpaper;
  s.UseBackgroundColor = Controls.chkUseBackgroundColor;
  s.BackgroundColor = Controls.colBackgroundColor;
  s.LockSecureScreen = Controls.chkLockSecureScreen;
  // A value the spin editor shows within its range replaces only one it changed.
  if (Controls.speWaitForNetwork != EffectiveWaitForNetwork(s)) s.WaitForNetwork = Controls.speWaitForNetwork;
  s.RunStartupPrograms = Controls.chkRunStartupPrograms;
  s.RestrictKioskUser = Controls.chkRestrictKioskUser;
}

int TdlgSettings::btnOkClick() {
  ControlsToSettings();
  return 1;
}

void TdlgSettings::btnApplyClick() {
  ControlsToSettings();
  applyEnabled_ = false;
}

void TdlgSettings::View(TextView text) {
  frmLog_.memLog.clear();
  const PNAgentLines decoded = PNAgentTextToLines(text);
  frmLog_.memLog = decoded.lines;
  if (!decoded.ok) throw Error(u"'" + decoded.badPiece + u"' is not a valid hexadecimal number");
  frmLog_.visible = true;
}

void TdlgSettings::btnXenAppViewConfigClick() { View(pnagent_.ReadPNAgentConfig()); }

void TdlgSettings::Button1Click() {
  const Text path = XenAppSettingsPath(DialogSettings);
  frmLog_.memLog.clear();
  const auto bytes = files_.ReadFile(path);
  if (!bytes) throw Error(u"Cannot open file \"" + path + u"\".");
  const Text line = FirstLine(DecodeTextFile(*bytes, codePage_));
  if (line.empty()) throw Error(u"The file \"" + path + u"\" holds no configuration.");
  View(line);
}

}  // namespace lanthe
