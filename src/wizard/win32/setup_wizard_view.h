#pragma once
// The setup wizard on screen: the title band, the twelve pages (only the current one
// shows) and the button band. Events go to TfrmSetupWizard; its state is rendered here.

#include <array>
#include <memory>

#include "shell/main_window.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "wizard/setup_wizard.h"

namespace lanthe::win32 {

class SetupWizardView final : public toolkit::Form, public IModalWindow {
 public:
  explicit SetupWizardView(TfrmSetupWizard& wizard);
  int ShowModal() override { return Form::ShowModal(); }
  // The logo: logoFile when that file exists (in the current directory), otherwise
  // the built-in picture. A file that is no picture is reported as an error.
  void LoadLogo(TextView logoFile, bool exists);

 protected:
  void BuildControls() override;
  void Showing() override;

 private:
  void Render();
  // The controls of settings set by policy, by their names; greyed after each render.
  std::vector<std::pair<toolkit::Control*, const char*>> PolicyControls() const;
  void GreySetByPolicy();
  void BuildPages();
  template <typename Handler>
  std::function<void(toolkit::Button&)> Action(Handler handler);

  TfrmSetupWizard& wizard_;
  std::vector<Text> shownIcaItems_;
  std::vector<Text> shownRdpItems_;
  win32::UniqueBitmap logo_;  // the logo file, until the window is made

  std::unique_ptr<toolkit::Panel> pnlTitle;
  std::unique_ptr<toolkit::Label> lblTitle;
  std::unique_ptr<toolkit::Label> lblSubtitle;
  std::unique_ptr<toolkit::Image> imgLogo;
  std::array<std::unique_ptr<toolkit::Panel>, WizardPage::kCount> pages;
  std::vector<std::unique_ptr<toolkit::Control>> texts;  // the pages' fixed labels

  std::unique_ptr<toolkit::RadioGroup> rgConnectionType;
  std::unique_ptr<toolkit::ReportList> lvCheck;
  std::unique_ptr<toolkit::Label> lblCitrixClient;
  std::unique_ptr<toolkit::LinkLabel> urlCitrixDownload;
  std::unique_ptr<toolkit::Button> BtnRunCitrixSetup;
  std::unique_ptr<toolkit::Label> lblSysInternals;
  std::unique_ptr<toolkit::LinkLabel> urlSysInternals;
  std::unique_ptr<toolkit::Button> btnOpenPN;
  std::unique_ptr<toolkit::ComboBox> cboxIcaConnection;
  std::unique_ptr<toolkit::Button> btnRefreshICAConnections;
  std::unique_ptr<toolkit::Button> btnTestICAConnection;
  std::unique_ptr<toolkit::CheckBox> chkCopyICASettings;
  std::unique_ptr<toolkit::Button> btnStartXenAppClient;
  std::unique_ptr<toolkit::Edit> edtXenAppServerURL;
  std::unique_ptr<toolkit::Button> btnRefreshXenAppURL;
  std::unique_ptr<toolkit::Edit> edtXenAppDesktopFolder;
  std::unique_ptr<toolkit::Button> btnRefreshXenAppDesktopFolder;
  std::unique_ptr<toolkit::CheckBox> chkXenAppCopySettings;
  std::unique_ptr<toolkit::Button> btnXenAppTest;
  std::unique_ptr<toolkit::CheckBox> chkUseRDPFile;
  std::unique_ptr<toolkit::GroupBox> gboxRemoteComputer;
  std::unique_ptr<toolkit::Edit> edtRDPConnection;
  std::unique_ptr<toolkit::SpinEdit> speRDPPort;
  std::unique_ptr<toolkit::GroupBox> gboxRDPFile;
  std::unique_ptr<toolkit::Button> btnRunRDPClient;
  std::unique_ptr<toolkit::ComboBox> cboxRDPFiles;
  std::unique_ptr<toolkit::Button> btnRefreshRDPFiles;
  std::unique_ptr<toolkit::CheckBox> chkRDPFullScreen;
  std::unique_ptr<toolkit::Button> btnTestRDPConnection;
  std::unique_ptr<toolkit::Edit> edtStoreFrontStoreURL;
  std::unique_ptr<toolkit::Edit> edtStoreFrontResource;
  std::unique_ptr<toolkit::Label> lblStoreFrontLauncherNote;
  std::unique_ptr<toolkit::Edit> edtStoreFrontCommandline;
  std::unique_ptr<toolkit::SpinEdit> speStoreFrontWaitForClient;
  std::unique_ptr<toolkit::Button> btnStoreFrontTest;
  std::unique_ptr<toolkit::GroupBox> gboxUserCreateUser;
  std::unique_ptr<toolkit::CheckBox> chkUserCreate;
  std::unique_ptr<toolkit::Edit> edtUserUsername;
  std::unique_ptr<toolkit::Edit> edtUserPassword;
  std::unique_ptr<toolkit::CheckBox> chkRestrictKioskUser;
  std::unique_ptr<toolkit::CheckBox> chkAutologonUseSysinternals;
  std::unique_ptr<toolkit::GroupBox> gboxAutoLogonSysinternals;
  std::unique_ptr<toolkit::Button> btnOpenAutologon;
  std::unique_ptr<toolkit::GroupBox> gboxAutologonConfigure;
  std::unique_ptr<toolkit::CheckBox> chkAutologonEnable;
  std::unique_ptr<toolkit::Edit> edtAutologonUsername;
  std::unique_ptr<toolkit::Edit> edtAutologonPassword;
  std::unique_ptr<toolkit::RadioGroup> rgShellSelect;

  std::unique_ptr<toolkit::Label> lblSetByPolicy;
  std::unique_ptr<toolkit::Button> btnNext;
  std::unique_ptr<toolkit::Button> btnBack;
  std::unique_ptr<toolkit::Button> btnCancel;
  std::unique_ptr<toolkit::Button> btnFinish;
};

}  // namespace lanthe::win32
