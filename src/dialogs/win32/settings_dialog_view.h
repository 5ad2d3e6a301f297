#pragma once
// The settings dialog on screen: eight pages of controls, OK, Cancel and Apply. The
// user's changes go into TdlgSettings' Controls and its handlers; its state is
// rendered here.

#include <memory>

#include "dialogs/settings_dialog.h"
#include "dialogs/win32/log_view.h"
#include "shell/main_window.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace lanthe::win32 {

class SettingsDialogView final : public toolkit::Form, public IModalWindow {
 public:
  SettingsDialogView(TdlgSettings& dialog, LogView& logView);
  int ShowModal() override { return Form::ShowModal(); }

 protected:
  void BuildControls() override;
  void Showing() override;

 private:
  void RenderControls();  // every control from Controls
  void RenderState();     // what follows from them: group boxes, colour, Apply
  // Greys the controls of settings set by policy and gives them the hint.
  void GreySetByPolicy();
  // Wires a control's change: the view's value into Controls, then the handler.
  template <typename Control, typename Store>
  void OnChange(Control& control, Store store);

  TdlgSettings& dialog_;
  LogView& logView_;
  std::unique_ptr<toolkit::PageControl> pages;
  std::unique_ptr<toolkit::GroupBox> gboxCitrixLogoff;
  std::unique_ptr<toolkit::CheckBox> chkReconnect;
  std::unique_ptr<toolkit::CheckBox> chkShowShutdownDialog;
  std::unique_ptr<toolkit::GroupBox> gboxShutdownDialog;
  std::unique_ptr<toolkit::CheckList> cblShutdownDialog;
  std::unique_ptr<toolkit::RadioGroup> gboxNoDialog;  // radLogoff, radPowerOff
  std::unique_ptr<toolkit::RadioGroup> rgConnectionType;
  std::unique_ptr<toolkit::GroupBox> GroupBox3;
  std::unique_ptr<toolkit::CheckBox> chkCopyICASettings;
  std::unique_ptr<toolkit::Label> lblICACommandline;
  std::unique_ptr<toolkit::Edit> edtICACommandline;
  std::unique_ptr<toolkit::GroupBox> gboxXenAppSettings;
  std::unique_ptr<toolkit::CheckBox> chkXenAppCopySettings;
  std::unique_ptr<toolkit::Label> lblXenAppCommandline;
  std::unique_ptr<toolkit::Edit> Edit1;
  std::unique_ptr<toolkit::Button> btnXenAppViewConfig;
  std::unique_ptr<toolkit::Button> Button1;
  std::unique_ptr<toolkit::GroupBox> gboxStoreFrontSettings;
  std::unique_ptr<toolkit::Label> lblStoreFrontStoreURL;
  std::unique_ptr<toolkit::Edit> edtStoreFrontStoreURL;
  std::unique_ptr<toolkit::Label> lblStoreFrontResource;
  std::unique_ptr<toolkit::Edit> edtStoreFrontResource;
  std::unique_ptr<toolkit::Label> lblStoreFrontLauncherNote;
  std::unique_ptr<toolkit::Label> lblStoreFrontCommandline;
  std::unique_ptr<toolkit::Edit> edtStoreFrontCommandline;
  std::unique_ptr<toolkit::Label> lblStoreFrontWaitForClient;
  std::unique_ptr<toolkit::SpinEdit> speStoreFrontWaitForClient;
  std::unique_ptr<toolkit::Label> lblStoreFrontWaitForClientUnit;
  std::unique_ptr<toolkit::GroupBox> gbFileLocations;
  std::unique_ptr<toolkit::CheckBox> chkRDPFullScreen;
  std::unique_ptr<toolkit::Label> lblRDPCommandline;
  std::unique_ptr<toolkit::Edit> edtRDPCommandLine;
  std::unique_ptr<toolkit::GroupBox> GroupBox4;
  std::unique_ptr<toolkit::CheckBox> chkDisableTaskman;
  std::unique_ptr<toolkit::CheckBox> chkRemoveWallpaper;
  std::unique_ptr<toolkit::CheckBox> chkUseBackgroundColor;
  std::unique_ptr<toolkit::Label> lblBackgroundColor;
  std::unique_ptr<toolkit::ColorButton> colBackgroundColor;
  std::unique_ptr<toolkit::CheckBox> chkLockSecureScreen;
  std::unique_ptr<toolkit::Label> lblWaitForNetwork;
  std::unique_ptr<toolkit::SpinEdit> speWaitForNetwork;
  std::unique_ptr<toolkit::Label> lblWaitForNetworkUnit;
  std::unique_ptr<toolkit::CheckBox> chkRunStartupPrograms;
  std::unique_ptr<toolkit::CheckBox> chkRestrictKioskUser;
  std::unique_ptr<toolkit::Label> lblSetByPolicy;
  std::unique_ptr<toolkit::Button> btnOk;
  std::unique_ptr<toolkit::Button> btnCancel;
  std::unique_ptr<toolkit::Button> btnApply;
};

}  // namespace lanthe::win32
