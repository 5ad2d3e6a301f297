#include "dialogs/win32/settings_dialog_view.h"

namespace lanthe::win32 {

using toolkit::Bounds;
using toolkit::Button;
using toolkit::CheckBox;
using toolkit::GroupBox;
using toolkit::Label;

SettingsDialogView::SettingsDialogView(TdlgSettings& dialog, LogView& logView)
    : Form(toolkit::FormOptions{u"Settings", 436, 316, toolkit::BorderStyle::kDialog, true, false}),
      dialog_(dialog),
      logView_(logView) {}

template <typename Control, typename Store>
void SettingsDialogView::OnChange(Control& control, Store store) {
  const auto handler = [this, store](Control& changed) {
    store(changed, dialog_.Controls);
    dialog_.UpdateApplyBtn();
    RenderState();
  };
  if constexpr (requires { control.OnChange; }) {
    control.OnChange = handler;
  } else {
    control.OnClick = handler;
  }
}

void SettingsDialogView::BuildControls() {
  pages = std::make_unique<toolkit::PageControl>(
      *this, Bounds{8, 8, 420, 266},
      std::vector<Text>{u"Logoff behavior", u"Connection Type", u"Custom ICA settings", u"XenApp Settings",
                        u"StoreFront Settings", u"RDP Settings", u"Other settings", u"Kiosk"});
  pages->OnChange = [this](toolkit::PageControl& control) { dialog_.ActivePage = control.ActivePage(); };

  // "Logoff behavior"
  auto& logoff = pages->Page(SettingsPage::kLogoffBehavior);
  gboxCitrixLogoff = std::make_unique<GroupBox>(logoff, u"Session Logoff", Bounds{8, 8, 390, 200});
  chkReconnect = std::make_unique<CheckBox>(*gboxCitrixLogoff, u"Show Reconnect dialog", Bounds{16, 22, 300, 17});
  OnChange(*chkReconnect, [](CheckBox& c, SettingsDialogControls& s) { s.chkReconnect = c.Checked(); });
  chkShowShutdownDialog =
      std::make_unique<CheckBox>(*gboxCitrixLogoff, u"Show Shutdown dialog", Bounds{16, 44, 300, 17});
  chkShowShutdownDialog->OnClick = [this](CheckBox& c) {
    dialog_.Controls.chkShowShutdownDialog = c.Checked();
    dialog_.chkShowShutdownDialogClick();
    RenderState();
  };
  // The two boxes share one place; the check box above decides which one shows.
  gboxShutdownDialog = std::make_unique<GroupBox>(*gboxCitrixLogoff, u"Shutdown Dialog", Bounds{16, 70, 358, 116});
  cblShutdownDialog = std::make_unique<toolkit::CheckList>(*gboxShutdownDialog, Bounds{12, 20, 200, 76},
                                                           std::vector<Text>{u"Shutdown", u"Logoff", u"Restart"});
  OnChange(*cblShutdownDialog, [](toolkit::CheckList& c, SettingsDialogControls& s) {
    for (int row = 0; row < 3; ++row) s.cblShutdownDialogChecked[static_cast<std::size_t>(row)] = c.Checked(row);
    if (c.Highlighted() >= 0) s.cblShutdownDialogHighlighted = c.Highlighted();
  });
  gboxNoDialog = std::make_unique<toolkit::RadioGroup>(*gboxCitrixLogoff, u"Automatic action", Bounds{16, 70, 358, 116},
                                                       std::vector<Text>{u"Logoff", u"Poweroff"});
  SetTooltip(*gboxNoDialog, u"Action, when \"Show Shutdown dialog\" is unchecked");
  OnChange(*gboxNoDialog, [](toolkit::RadioGroup& g, SettingsDialogControls& s) {
    s.radLogoff = g.ItemIndex() == 0;
    s.radPowerOff = g.ItemIndex() == 1;
  });

  // "Connection Type"
  rgConnectionType = std::make_unique<toolkit::RadioGroup>(
      pages->Page(SettingsPage::kConnectionType), u"Connection Type", Bounds{8, 8, 390, 130},
      std::vector<Text>{u"Custom ICA Connection", u"XenApp (PNAgent)", u"Remote Desktop Protocol",
                        u"Citrix StoreFront"});
  OnChange(*rgConnectionType,
           [](toolkit::RadioGroup& g, SettingsDialogControls& s) { s.rgConnectionType = g.ItemIndex(); });

  // "Custom ICA settings"
  GroupBox3 = std::make_unique<GroupBox>(pages->Page(SettingsPage::kCustomIca), u"Custom ICA Settings",
                                         Bounds{8, 8, 390, 110});
  chkCopyICASettings =
      std::make_unique<CheckBox>(*GroupBox3, u"Copy Connection file to all users", Bounds{16, 22, 300, 17});
  OnChange(*chkCopyICASettings, [](CheckBox& c, SettingsDialogControls& s) { s.chkCopyICASettings = c.Checked(); });
  lblICACommandline = std::make_unique<Label>(*GroupBox3, u"Commandline Parameters:", Bounds{16, 48, 300, 13});
  edtICACommandline = std::make_unique<toolkit::Edit>(*GroupBox3, Bounds{16, 64, 358, 21});
  OnChange(*edtICACommandline, [](toolkit::Edit& e, SettingsDialogControls& s) { s.edtICACommandline = e.GetText(); });

  // "XenApp Settings": the disabled two are never filled and never read.
  gboxXenAppSettings = std::make_unique<GroupBox>(pages->Page(SettingsPage::kXenApp), u"XenApp Settings",
                                                  Bounds{8, 8, 390, 140});
  chkXenAppCopySettings = std::make_unique<CheckBox>(*gboxXenAppSettings, u"Copy XenApp configuration to all users",
                                                     Bounds{16, 22, 300, 17});
  chkXenAppCopySettings->SetEnabled(false);
  lblXenAppCommandline = std::make_unique<Label>(*gboxXenAppSettings, u"Commandline Parameters:", Bounds{16, 48, 300, 13});
  Edit1 = std::make_unique<toolkit::Edit>(*gboxXenAppSettings, Bounds{16, 64, 358, 21});
  Edit1->SetEnabled(false);
  btnXenAppViewConfig = std::make_unique<Button>(*gboxXenAppSettings, u"View Registry Config", Bounds{16, 98, 130, 25});
  // The lines added so far are shown also when a call fails, but only a call that
  // worked shows the viewer.
  const auto viewConfig = [this](void (TdlgSettings::*call)()) {
    return [this, call](Button&) {
      try {
        (dialog_.*call)();
      } catch (...) {
        logView_.Render(hwnd(), false);
        throw;
      }
      logView_.Render(hwnd(), true);
    };
  };
  btnXenAppViewConfig->OnClick = viewConfig(&TdlgSettings::btnXenAppViewConfigClick);
  Button1 = std::make_unique<Button>(*gboxXenAppSettings, u"View stored Config", Bounds{152, 98, 130, 25});
  Button1->OnClick = viewConfig(&TdlgSettings::Button1Click);

  // "StoreFront Settings"
  // Compact: with eight tabs in three rows the page is lower than the others' boxes.
  gboxStoreFrontSettings = std::make_unique<GroupBox>(pages->Page(SettingsPage::kStoreFront), u"StoreFront Settings",
                                                      Bounds{8, 6, 390, 180});
  auto& storeFront = *gboxStoreFrontSettings;
  lblStoreFrontStoreURL = std::make_unique<Label>(storeFront, u"Store URL:", Bounds{16, 18, 300, 13});
  edtStoreFrontStoreURL = std::make_unique<toolkit::Edit>(storeFront, Bounds{16, 32, 358, 21});
  OnChange(*edtStoreFrontStoreURL,
           [](toolkit::Edit& e, SettingsDialogControls& s) { s.edtStoreFrontStoreURL = e.GetText(); });
  lblStoreFrontResource =
      std::make_unique<Label>(storeFront, u"Published desktop or application:", Bounds{16, 58, 300, 13});
  edtStoreFrontResource = std::make_unique<toolkit::Edit>(storeFront, Bounds{16, 72, 358, 21});
  OnChange(*edtStoreFrontResource,
           [](toolkit::Edit& e, SettingsDialogControls& s) { s.edtStoreFrontResource = e.GetText(); });
  lblStoreFrontLauncherNote = std::make_unique<Label>(
      storeFront, u"None: the user chooses among the store's applications", Bounds{16, 95, 358, 13});
  lblStoreFrontCommandline = std::make_unique<Label>(storeFront, u"Commandline Parameters:", Bounds{16, 114, 300, 13});
  edtStoreFrontCommandline = std::make_unique<toolkit::Edit>(storeFront, Bounds{16, 128, 358, 21});
  OnChange(*edtStoreFrontCommandline,
           [](toolkit::Edit& e, SettingsDialogControls& s) { s.edtStoreFrontCommandline = e.GetText(); });
  lblStoreFrontWaitForClient =
      std::make_unique<Label>(storeFront, u"Wait for the Citrix client up to", Bounds{16, 158, 180, 13});
  speStoreFrontWaitForClient = std::make_unique<toolkit::SpinEdit>(storeFront, Bounds{198, 154, 60, 21},
                                                                   kWaitForClientMinimum, kWaitForClientMaximum);
  OnChange(*speStoreFrontWaitForClient,
           [](toolkit::SpinEdit& spin, SettingsDialogControls& s) { s.speStoreFrontWaitForClient = spin.Value(); });
  lblStoreFrontWaitForClientUnit = std::make_unique<Label>(storeFront, u"seconds", Bounds{264, 158, 60, 13});

  // "RDP Settings"
  gbFileLocations = std::make_unique<GroupBox>(pages->Page(SettingsPage::kRdp), u"RDP Settings", Bounds{8, 8, 390, 110});
  chkRDPFullScreen = std::make_unique<CheckBox>(*gbFileLocations, u"Full Screen", Bounds{16, 22, 300, 17});
  OnChange(*chkRDPFullScreen, [](CheckBox& c, SettingsDialogControls& s) { s.chkRDPFullScreen = c.Checked(); });
  lblRDPCommandline = std::make_unique<Label>(*gbFileLocations, u"Commandline Parameters:", Bounds{16, 48, 300, 13});
  edtRDPCommandLine = std::make_unique<toolkit::Edit>(*gbFileLocations, Bounds{16, 64, 358, 21});
  OnChange(*edtRDPCommandLine, [](toolkit::Edit& e, SettingsDialogControls& s) { s.edtRDPCommandLine = e.GetText(); });

  // "Other settings"
  GroupBox4 = std::make_unique<GroupBox>(pages->Page(SettingsPage::kOther), u"Other settings", Bounds{8, 8, 390, 130});
  chkDisableTaskman = std::make_unique<CheckBox>(*GroupBox4, u"Disable Taskmanager", Bounds{16, 22, 300, 17});
  OnChange(*chkDisableTaskman, [](CheckBox& c, SettingsDialogControls& s) { s.chkDisableTaskman = c.Checked(); });
  chkRemoveWallpaper = std::make_unique<CheckBox>(*GroupBox4, u"Remove Wallpaper", Bounds{16, 44, 300, 17});
  OnChange(*chkRemoveWallpaper, [](CheckBox& c, SettingsDialogControls& s) { s.chkRemoveWallpaper = c.Checked(); });
  chkUseBackgroundColor = std::make_unique<CheckBox>(*GroupBox4, u"Use background color", Bounds{16, 66, 300, 17});
  chkUseBackgroundColor->OnClick = [this](CheckBox& c) {
    dialog_.Controls.chkUseBackgroundColor = c.Checked();
    dialog_.chkUseBackgroundColorClick();
    RenderState();
  };
  lblBackgroundColor = std::make_unique<Label>(*GroupBox4, u"Background Color:", Bounds{16, 96, 100, 13});
  colBackgroundColor = std::make_unique<toolkit::ColorButton>(*GroupBox4, Bounds{120, 90, 64, 25});
  OnChange(*colBackgroundColor, [](toolkit::ColorButton& c, SettingsDialogControls& s) {
    s.colBackgroundColor = static_cast<std::int32_t>(c.Color());
  });

  // "Kiosk"
  auto& kiosk = pages->Page(SettingsPage::kKiosk);
  chkLockSecureScreen = std::make_unique<CheckBox>(
      kiosk, u"Lock the Ctrl+Alt+Del screen (no Lock, Switch user, Sign out or Change a password)",
      Bounds{8, 12, 396, 28}, /*wordWrap=*/true);
  OnChange(*chkLockSecureScreen, [](CheckBox& c, SettingsDialogControls& s) { s.chkLockSecureScreen = c.Checked(); });
  lblWaitForNetwork = std::make_unique<Label>(kiosk, u"Wait for the network up to", Bounds{8, 56, 152, 13});
  speWaitForNetwork = std::make_unique<toolkit::SpinEdit>(kiosk, Bounds{162, 52, 60, 21}, 0, kWaitForNetworkMaximum);
  OnChange(*speWaitForNetwork,
           [](toolkit::SpinEdit& spin, SettingsDialogControls& s) { s.speWaitForNetwork = spin.Value(); });
  lblWaitForNetworkUnit = std::make_unique<Label>(kiosk, u"seconds", Bounds{228, 56, 60, 13});
  chkRunStartupPrograms =
      std::make_unique<CheckBox>(kiosk, u"Start the log-on's programs (Run and RunOnce)", Bounds{8, 86, 396, 17});
  OnChange(*chkRunStartupPrograms,
           [](CheckBox& c, SettingsDialogControls& s) { s.chkRunStartupPrograms = c.Checked(); });
  chkRestrictKioskUser = std::make_unique<CheckBox>(
      kiosk,
      u"Restrict the kiosk account (Control Panel, Run, command prompt, registry editor, error dialogs, "
      u"accessibility hotkeys)",
      Bounds{8, 112, 396, 28}, /*wordWrap=*/true);
  OnChange(*chkRestrictKioskUser, [](CheckBox& c, SettingsDialogControls& s) { s.chkRestrictKioskUser = c.Checked(); });

  btnOk = std::make_unique<Button>(*this, u"OK", Bounds{190, 283, 75, 25});
  btnOk->OnClick = [this](Button&) { SetModalResult(dialog_.btnOkClick()); };
  btnCancel = std::make_unique<Button>(*this, u"Cancel", Bounds{271, 283, 75, 25});
  btnCancel->OnClick = [this](Button&) { SetModalResult(dialog_.btnCancelClick()); };
  btnApply = std::make_unique<Button>(*this, u"Apply", Bounds{352, 283, 75, 25});
  btnApply->OnClick = [this](Button&) {
    dialog_.btnApplyClick();
    RenderState();
  };
  SetDefaultButton(btnOk.get());
  SetCancelButton(btnCancel.get());
  lblSetByPolicy = std::make_unique<Label>(*this, kSetByPolicy, Bounds{12, 289, 170, 13});
  GreySetByPolicy();
}

void SettingsDialogView::GreySetByPolicy() {
  const std::pair<toolkit::Control*, const char*> controls[] = {
      {chkReconnect.get(), "chkReconnect"},
      {chkShowShutdownDialog.get(), "chkShowShutdownDialog"},
      {cblShutdownDialog.get(), "cblShutdownDialog"},
      {gboxNoDialog.get(), "gboxNoDialog"},
      {rgConnectionType.get(), "rgConnectionType"},
      {chkCopyICASettings.get(), "chkCopyICASettings"},
      {edtICACommandline.get(), "edtICACommandline"},
      {chkRDPFullScreen.get(), "chkRDPFullScreen"},
      {edtRDPCommandLine.get(), "edtRDPCommandLine"},
      {edtStoreFrontStoreURL.get(), "edtStoreFrontStoreURL"},
      {edtStoreFrontResource.get(), "edtStoreFrontResource"},
      {edtStoreFrontCommandline.get(), "edtStoreFrontCommandline"},
      {speStoreFrontWaitForClient.get(), "speStoreFrontWaitForClient"},
      {chkDisableTaskman.get(), "chkDisableTaskman"},
      {chkRemoveWallpaper.get(), "chkRemoveWallpaper"},
      {chkUseBackgroundColor.get(), "chkUseBackgroundColor"},
      {colBackgroundColor.get(), "colBackgroundColor"},
      {chkLockSecureScreen.get(), "chkLockSecureScreen"},
      {speWaitForNetwork.get(), "speWaitForNetwork"},
      {chkRunStartupPrograms.get(), "chkRunStartupPrograms"},
      {chkRestrictKioskUser.get(), "chkRestrictKioskUser"},
  };
  for (const auto& [control, name] : controls) {
    if (!dialog_.SetByPolicy(name)) continue;
    control->SetEnabled(false);
    SetTooltip(*control, kSetByPolicy);
  }
  lblSetByPolicy->SetVisible(dialog_.AnySetByPolicy());
}

void SettingsDialogView::Showing() {
  dialog_.FormShow();
  RenderControls();
  pages->SetActivePage(dialog_.ActivePage);
  RenderState();
}

void SettingsDialogView::RenderControls() {
  const SettingsDialogControls& c = dialog_.Controls;
  gboxNoDialog->SetItemIndex(c.radPowerOff ? 1 : (c.radLogoff ? 0 : -1));
  rgConnectionType->SetItemIndex(c.rgConnectionType);
  chkReconnect->SetChecked(c.chkReconnect);
  chkShowShutdownDialog->SetChecked(c.chkShowShutdownDialog);
  for (int row = 0; row < 3; ++row) cblShutdownDialog->SetChecked(row, c.cblShutdownDialogChecked[static_cast<std::size_t>(row)]);
  cblShutdownDialog->SetHighlighted(c.cblShutdownDialogHighlighted);
  chkRDPFullScreen->SetChecked(c.chkRDPFullScreen);
  edtRDPCommandLine->SetText(c.edtRDPCommandLine);
  edtICACommandline->SetText(c.edtICACommandline);
  chkCopyICASettings->SetChecked(c.chkCopyICASettings);
  edtStoreFrontStoreURL->SetText(c.edtStoreFrontStoreURL);
  edtStoreFrontResource->SetText(c.edtStoreFrontResource);
  edtStoreFrontCommandline->SetText(c.edtStoreFrontCommandline);
  speStoreFrontWaitForClient->SetValue(c.speStoreFrontWaitForClient);
  chkDisableTaskman->SetChecked(c.chkDisableTaskman);
  chkRemoveWallpaper->SetChecked(c.chkRemoveWallpaper);
  chkUseBackgroundColor->SetChecked(c.chkUseBackgroundColor);
  colBackgroundColor->SetColor(static_cast<COLORREF>(c.colBackgroundColor));
  chkLockSecureScreen->SetChecked(c.chkLockSecureScreen);
  speWaitForNetwork->SetValue(c.speWaitForNetwork);
  chkRunStartupPrograms->SetChecked(c.chkRunStartupPrograms);
  chkRestrictKioskUser->SetChecked(c.chkRestrictKioskUser);
}

void SettingsDialogView::RenderState() {
  gboxShutdownDialog->SetVisible(dialog_.ShutdownDialogBoxVisible());
  gboxNoDialog->SetVisible(!dialog_.ShutdownDialogBoxVisible());
  lblBackgroundColor->SetEnabled(dialog_.BackgroundColorEnabled());
  colBackgroundColor->SetEnabled(dialog_.BackgroundColorEnabled());
  lblStoreFrontLauncherNote->SetVisible(dialog_.StoreFrontLauncherNoteVisible());
  btnApply->SetEnabled(dialog_.ApplyEnabled());
}

}  // namespace lanthe::win32
