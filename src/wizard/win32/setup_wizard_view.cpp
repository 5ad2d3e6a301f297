#include "wizard/win32/setup_wizard_view.h"

#include <shellapi.h>

#include "dialogs/win32/artwork.h"
#include "platform/error.h"
#include "platform/win32/wide.h"
#include "toolkit/application.h"

namespace lanthe::win32 {

using toolkit::Bounds;
using toolkit::Button;
using toolkit::CheckBox;
using toolkit::Edit;
using toolkit::GroupBox;
using toolkit::Label;

namespace {

constexpr int kTitleHeight = 58;
constexpr int kButtonsHeight = 44;
constexpr int kWidth = 490;
constexpr int kHeight = 346;

// Multi-line label texts, line by line.
Text Lines(std::initializer_list<const char16_t*> lines) {
  Text text;
  for (const char16_t* line : lines) {
    if (!text.empty()) text += u"\r\n";
    text += line;
  }
  return text;
}

}  // namespace

SetupWizardView::SetupWizardView(TfrmSetupWizard& wizard)
    : Form(toolkit::FormOptions{u"Setup Wizard", kWidth, kHeight, toolkit::BorderStyle::kDialog, true, false}),
      wizard_(wizard) {}

template <typename Handler>
std::function<void(Button&)> SetupWizardView::Action(Handler handler) {
  return [this, handler](Button&) {
    handler();
    Render();
  };
}

void SetupWizardView::BuildControls() {
  pnlTitle = std::make_unique<toolkit::Panel>(*this, Bounds{0, 0, kWidth, kTitleHeight}, true);
  lblTitle = std::make_unique<Label>(*pnlTitle, u"", Bounds{24, 10, 280, 14});
  lblTitle->SetBold(L"MS Sans Serif");
  lblSubtitle = std::make_unique<Label>(*pnlTitle, u"", Bounds{48, 25, 260, 14});
  imgLogo = std::make_unique<toolkit::Image>(*pnlTitle, Bounds{319, 3, 156, 49}, LANTHE_BITMAP_WIZARD_LOGO);
  imgLogo->SetPicture(std::move(logo_));

  for (auto& page : pages) {
    page = std::make_unique<toolkit::Panel>(*this, Bounds{0, kTitleHeight, kWidth, kHeight - kTitleHeight - kButtonsHeight});
  }
  BuildPages();

  // Tab order: Next, Back, Cancel, Finish.
  const int y = kHeight - kButtonsHeight + 11;
  btnNext = std::make_unique<Button>(*this, u"Next >", Bounds{319, y, 75, 25});
  btnNext->OnClick = Action([this] { wizard_.btnNextClick(); });
  btnBack = std::make_unique<Button>(*this, u"< Back", Bounds{239, y, 75, 25});
  btnBack->OnClick = Action([this] { wizard_.btnBackClick(); });
  btnCancel = std::make_unique<Button>(*this, u"Cancel", Bounds{405, y, 75, 25});
  btnCancel->OnClick = [this](Button&) { SetModalResult(wizard_.btnCancelClick()); };
  btnFinish = std::make_unique<Button>(*this, u"Finish", Bounds{319, y, 75, 25});
  btnFinish->OnClick = [this](Button&) {
    if (const int result = wizard_.btnFinishClick()) SetModalResult(result);
  };
  SetCancelButton(btnCancel.get());
  lblSetByPolicy = std::make_unique<toolkit::Label>(*this, kSetByPolicy, Bounds{12, y + 6, 200, 13});
  lblSetByPolicy->SetVisible(wizard_.AnySetByPolicy());
  for (const auto& [control, name] : PolicyControls()) {
    if (wizard_.SetByPolicy(name)) SetTooltip(*control, kSetByPolicy);
  }
  wizard_.OpenLink = [this](TextView link) {
    ::ShellExecuteW(hwnd(), L"open", ToWide(link).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
}

void SetupWizardView::BuildPages() {
  const auto text = [this](toolkit::Container& parent, Text caption, Bounds bounds) {
    texts.push_back(std::make_unique<Label>(parent, caption, bounds, true));
  };
  const auto refresh = [this](toolkit::Container& parent, Bounds bounds, const char16_t* tip) {
    auto button = std::make_unique<Button>(parent, tip, bounds);
    button->SetPicture(LANTHE_BITMAP_REFRESH);
    SetTooltip(*button, tip);
    return button;
  };

  text(*pages[WizardPage::kWelcome],
       Lines({u"Welcome to the Setup Wizard", u"", u"This wizard helps you:", u"",
              u"- Download and install the required software", u"- Configure the Connection", u"- Test the connection",
              u"- Configure Korvex-NG", u"- Create a user", u"- Configure Autologon"}),
       Bounds{24, 16, 440, 200});

  auto& type = *pages[WizardPage::kConnectionType];
  text(type,
       Lines({u"What type of connection do you want to use?", u"", u"Korvex can be used with the following connections:",
              u"- Microsoft Remote Desktop Connection (RDP)",
              u"- Citrix Custom ICA Connection (Requires Program Neighboorhood)",
              u"- Citrix XenApp (Requires a configured Citrix PN Agent site)",
              u"- Citrix StoreFront (Requires the Citrix Workspace app)"}),
       Bounds{24, 8, 440, 96});
  // The items' indexes are the connection types' codes.
  rgConnectionType = std::make_unique<toolkit::RadioGroup>(
      type, u"Connection Type", Bounds{24, 108, 300, 120},
      std::vector<Text>{u"Remote Desktop Protocol", u"Custom ICA Connection", u"XenApp (PNAgent)",
                        u"Citrix StoreFront"});
  rgConnectionType->OnClick = [this](toolkit::RadioGroup& group) {
    wizard_.rgConnectionTypeClick(group.ItemIndex());
    Render();
  };

  lvCheck = std::make_unique<toolkit::ReportList>(*pages[WizardPage::kCheck], Bounds{24, 12, 440, 210},
                                                  std::vector<std::pair<Text, int>>{{u"Status", 119}, {u"Item", 0}});

  auto& download = *pages[WizardPage::kDownload];
  lblCitrixClient = std::make_unique<Label>(
      download,
      Lines({u"Download and install the ", u"Citrix XenApp Plugin (Client) - Version 11.000 or higher",
             u"- Select the Program Neighborhood during the installation"}),
      Bounds{44, 3, 400, 48}, true);
  urlCitrixDownload = std::make_unique<toolkit::LinkLabel>(download, kCitrixDownloadUrl, Bounds{44, 56, 440, 16});
  BtnRunCitrixSetup = std::make_unique<Button>(download, u"Run Citrix Client Setup", Bounds{44, 75, 150, 25});
  BtnRunCitrixSetup->OnClick = Action([this] { wizard_.BtnRunCitrixSetupClick(); });
  lblSysInternals = std::make_unique<Label>(
      download, Lines({u"Download the Sysinternals Autologon utility to the Korvex-NG installation", u"directory", u""}),
      Bounds{44, 123, 420, 36}, true);
  urlSysInternals = std::make_unique<toolkit::LinkLabel>(download, kAutologonDownloadUrl, Bounds{44, 159, 440, 16});
  const auto openLink = [this](toolkit::LinkLabel&, TextView link) { wizard_.urlCitrixDownloadLinkClick(link); };
  urlCitrixDownload->OnClick = openLink;
  urlSysInternals->OnClick = openLink;

  auto& ica = *pages[WizardPage::kICAClient];
  text(ica,
       Lines({u"To configure the Citrix ICA Connection:", u"- Click on the button to start the Citrix Program Neighboorhood",
              u"- Create a new Custom ICA Connection (Default name: Desktop)", u"- Enter the name of the ICA Connection",
              u"", u"", u""}),
       Bounds{24, 6, 440, 96});
  btnOpenPN = std::make_unique<Button>(ica, u"Start Citrix Program Neighborhood", Bounds{24, 104, 200, 25});
  btnOpenPN->OnClick = Action([this] { wizard_.btnOpenPNClick(); });
  texts.push_back(std::make_unique<Label>(ica, u"Custom ICA Connection:", Bounds{24, 138, 150, 13}));
  cboxIcaConnection = std::make_unique<toolkit::ComboBox>(ica, Bounds{24, 154, 200, 21});
  cboxIcaConnection->OnChange = [this](toolkit::ComboBox& box) {
    wizard_.cboxIcaConnectionChange(box.ItemIndex());
    Render();
  };
  btnRefreshICAConnections = refresh(ica, Bounds{228, 153, 23, 22}, u"Refresh ICA Connections");
  btnRefreshICAConnections->OnClick = Action([this] { wizard_.btnRefreshICAConnectionsClick(); });
  btnTestICAConnection = std::make_unique<Button>(ica, u"Test Connection", Bounds{24, 184, 110, 25});
  btnTestICAConnection->OnClick = Action([this] { wizard_.btnTestICAConnectionClick(); });
  chkCopyICASettings = std::make_unique<CheckBox>(ica, u"Copy Connection file to all users", Bounds{24, 218, 300, 17});
  chkCopyICASettings->OnClick = [this](CheckBox& box) { wizard_.chkCopyICASettingsClick(box.Checked()); };

  auto& xenapp = *pages[WizardPage::kXenAppClient];
  text(xenapp,
       Lines({u"To configure the Citrix XenApp Client:", u"- Start the XenApp Client", u"- Log on to the XenApp Network",
              u"- Enable 'Show applications on desktop' (Application Display; Desktop Options)",
              u"- Configure a 'Desktop Folder' (Korvex automaticly reads this folder",
              u"   and shows all the shortcuts in this folder)", u""}),
       Bounds{24, 4, 440, 86});
  btnStartXenAppClient = std::make_unique<Button>(xenapp, u"Start XenApp Client", Bounds{24, 90, 150, 25});
  btnStartXenAppClient->OnClick = Action([this] { wizard_.btnStartXenAppClientClick(); });
  texts.push_back(std::make_unique<Label>(xenapp, u"XenApp Server Address:", Bounds{24, 121, 150, 13}));
  edtXenAppServerURL = std::make_unique<Edit>(xenapp, Bounds{24, 136, 330, 21});
  edtXenAppServerURL->OnChange = [this](Edit& edit) { wizard_.edtXenAppServerURLChange(edit.GetText()); };
  btnRefreshXenAppURL = refresh(xenapp, Bounds{358, 135, 23, 22}, u"Refresh XenApp Applications");
  btnRefreshXenAppURL->OnClick = Action([this] { wizard_.btnRefreshXenAppURLClick(); });
  texts.push_back(std::make_unique<Label>(xenapp, u"XenApp Desktop Folder:", Bounds{24, 162, 150, 13}));
  edtXenAppDesktopFolder = std::make_unique<Edit>(xenapp, Bounds{24, 177, 330, 21});
  edtXenAppDesktopFolder->SetEnabled(false);
  btnRefreshXenAppDesktopFolder = refresh(xenapp, Bounds{358, 176, 23, 22}, u"Refresh XenApp Applications");
  btnRefreshXenAppDesktopFolder->OnClick = Action([this] { wizard_.btnRefreshXenAppDesktopFolderClick(); });
  chkXenAppCopySettings =
      std::make_unique<CheckBox>(xenapp, u"Copy XenApp configuration to all users", Bounds{24, 210, 250, 17});
  chkXenAppCopySettings->OnClick = [this](CheckBox& box) { wizard_.chkXenAppCopySettingsClick(box.Checked()); };
  btnXenAppTest = std::make_unique<Button>(xenapp, u"Test Applications", Bounds{300, 206, 120, 25});
  btnXenAppTest->OnClick = Action([this] { wizard_.btnXenAppTestClick(); });

  auto& rdp = *pages[WizardPage::kRDPClient];
  text(rdp,
       Lines({u"To configure the Microsoft Remote Desktop Connection:", u"- Choose one of the following options:",
              u"  - Create an .rdp file and save it to the Korvex install directory", u"-or-",
              u"  - Enter the name (and port) of the Remote Computer"}),
       Bounds{24, 6, 440, 70});
  chkUseRDPFile = std::make_unique<CheckBox>(rdp, u"Use RDP File", Bounds{24, 80, 150, 17});
  chkUseRDPFile->OnClick = [this](CheckBox& box) {
    wizard_.chkUseRDPFileClick(box.Checked());
    Render();
  };
  gboxRemoteComputer = std::make_unique<GroupBox>(rdp, u"Remote Computer settings", Bounds{24, 100, 420, 74});
  texts.push_back(std::make_unique<Label>(*gboxRemoteComputer, u"Remote Computer:", Bounds{12, 20, 120, 13}));
  edtRDPConnection = std::make_unique<Edit>(*gboxRemoteComputer, Bounds{12, 36, 260, 21});
  edtRDPConnection->OnChange = [this](Edit& edit) {
    wizard_.edtRDPConnectionChange(edit.GetText());
    Render();
  };
  speRDPPort = std::make_unique<toolkit::SpinEdit>(*gboxRemoteComputer, Bounds{280, 36, 80, 21}, 1, 65535);
  speRDPPort->OnChange = [this](toolkit::SpinEdit& spin) { wizard_.speRDPPortChange(spin.Value()); };
  gboxRDPFile = std::make_unique<GroupBox>(rdp, u"RDP File", Bounds{24, 100, 420, 74});
  btnRunRDPClient = std::make_unique<Button>(*gboxRDPFile, u"Start Remote Desktop Client", Bounds{12, 16, 200, 25});
  btnRunRDPClient->OnClick = Action([this] { wizard_.btnRunRDPClientClick(); });
  cboxRDPFiles = std::make_unique<toolkit::ComboBox>(*gboxRDPFile, Bounds{12, 46, 260, 21});
  cboxRDPFiles->OnChange = [this](toolkit::ComboBox& box) {
    wizard_.cboxRDPFilesChange(box.ItemIndex());
    Render();
  };
  btnRefreshRDPFiles = refresh(*gboxRDPFile, Bounds{276, 45, 23, 22}, u"Refresh RDP Files");
  btnRefreshRDPFiles->OnClick = Action([this] { wizard_.btnRefreshRDPFilesClick(); });
  chkRDPFullScreen = std::make_unique<CheckBox>(rdp, u"Fullscreen", Bounds{24, 182, 150, 17});
  chkRDPFullScreen->OnClick = [this](CheckBox& box) { wizard_.chkRDPFullScreenClick(box.Checked()); };
  btnTestRDPConnection = std::make_unique<Button>(rdp, u"Test Connection", Bounds{24, 204, 120, 25});
  btnTestRDPConnection->OnClick = Action([this] { wizard_.btnTestRDPConnectionClick(); });

  auto& storeFront = *pages[WizardPage::kStoreFrontClient];
  text(storeFront,
       Lines({u"To configure the Citrix StoreFront Connection:", u"- Enter the address of the store",
              u"- Enter the published desktop or application to start"}),
       Bounds{24, 6, 440, 42});
  texts.push_back(std::make_unique<Label>(storeFront, u"Store URL:", Bounds{24, 52, 150, 13}));
  edtStoreFrontStoreURL = std::make_unique<Edit>(storeFront, Bounds{24, 67, 330, 21});
  edtStoreFrontStoreURL->OnChange = [this](Edit& edit) {
    wizard_.edtStoreFrontStoreURLChange(edit.GetText());
    Render();
  };
  texts.push_back(
      std::make_unique<Label>(storeFront, u"Published desktop or application:", Bounds{24, 94, 200, 13}));
  edtStoreFrontResource = std::make_unique<Edit>(storeFront, Bounds{24, 109, 330, 21});
  edtStoreFrontResource->OnChange = [this](Edit& edit) {
    wizard_.edtStoreFrontResourceChange(edit.GetText());
    Render();
  };
  lblStoreFrontLauncherNote = std::make_unique<Label>(
      storeFront, u"None: the user chooses among the store's applications", Bounds{24, 133, 330, 13});
  texts.push_back(std::make_unique<Label>(storeFront, u"Commandline Parameters:", Bounds{24, 152, 150, 13}));
  edtStoreFrontCommandline = std::make_unique<Edit>(storeFront, Bounds{24, 167, 330, 21});
  edtStoreFrontCommandline->OnChange = [this](Edit& edit) { wizard_.edtStoreFrontCommandlineChange(edit.GetText()); };
  texts.push_back(std::make_unique<Label>(storeFront, u"Wait for the Citrix client up to", Bounds{24, 202, 180, 13}));
  speStoreFrontWaitForClient = std::make_unique<toolkit::SpinEdit>(storeFront, Bounds{206, 198, 60, 21},
                                                                   kWaitForClientMinimum, kWaitForClientMaximum);
  speStoreFrontWaitForClient->OnChange = [this](toolkit::SpinEdit& spin) {
    wizard_.speStoreFrontWaitForClientChange(spin.Value());
  };
  texts.push_back(std::make_unique<Label>(storeFront, u"seconds", Bounds{272, 202, 50, 13}));
  btnStoreFrontTest = std::make_unique<Button>(storeFront, u"Test Connection", Bounds{330, 196, 110, 25});
  btnStoreFrontTest->OnClick = Action([this] { wizard_.btnStoreFrontTestClick(); });

  auto& user = *pages[WizardPage::kCreateUser];
  text(user,
       Lines({u"Korvex requires an user with limited permission to run. ",
              u"If no limited user exists you can use Korvex to create one.",
              u"- Korvex will automaticly create the user, if not exists",
              u"- Please note: The password will be stored in plain text", u""}),
       Bounds{24, 8, 440, 72});
  gboxUserCreateUser = std::make_unique<GroupBox>(user, u"Create User", Bounds{24, 84, 420, 110});
  chkUserCreate = std::make_unique<CheckBox>(*gboxUserCreateUser, u"Create User", Bounds{12, 20, 150, 17});
  chkUserCreate->OnClick = [this](CheckBox& box) {
    wizard_.chkUserCreateClick(box.Checked());
    Render();
  };
  texts.push_back(std::make_unique<Label>(*gboxUserCreateUser, u"Username:", Bounds{12, 48, 80, 13}));
  edtUserUsername = std::make_unique<Edit>(*gboxUserCreateUser, Bounds{100, 45, 200, 21});
  edtUserUsername->OnChange = [this](Edit& edit) { wizard_.edtUserUsernameChange(edit.GetText()); };
  texts.push_back(std::make_unique<Label>(*gboxUserCreateUser, u"Password:", Bounds{12, 76, 80, 13}));
  edtUserPassword = std::make_unique<Edit>(*gboxUserCreateUser, Bounds{100, 73, 200, 21});
  edtUserPassword->OnChange = [this](Edit& edit) { wizard_.edtUserPasswordChange(edit.GetText()); };
  chkRestrictKioskUser = std::make_unique<CheckBox>(
      user,
      u"Restrict the kiosk account (Control Panel, Run, command prompt, registry editor, error dialogs, "
      u"accessibility hotkeys)",
      Bounds{24, 202, 420, 28}, /*wordWrap=*/true);
  chkRestrictKioskUser->OnClick = [this](CheckBox& box) { wizard_.chkRestrictKioskUserClick(box.Checked()); };

  auto& autologon = *pages[WizardPage::kAutologon];
  texts.push_back(std::make_unique<Label>(
      autologon,
      Lines({u"To configure Autologon:", u"- Click on the button to start the Sysinternals Autologon utility",
             u"- Enter a username and password", u"- Click Enable to active the feature", u"", u""}),
      Bounds{24, 6, 440, 84}, true));
  chkAutologonUseSysinternals =
      std::make_unique<CheckBox>(autologon, u"Use Sysinternals Autologon (more secure)", Bounds{24, 92, 300, 17});
  chkAutologonUseSysinternals->OnClick = [this](CheckBox& box) {
    wizard_.chkAutologonUseSysinternalsClick(box.Checked());
    Render();
  };
  gboxAutoLogonSysinternals =
      std::make_unique<GroupBox>(autologon, u"Sysinternals Autologon", Bounds{24, 114, 420, 100});
  btnOpenAutologon =
      std::make_unique<Button>(*gboxAutoLogonSysinternals, u"Configure Sysinternals Autologon", Bounds{12, 24, 220, 25});
  btnOpenAutologon->OnClick = Action([this] { wizard_.btnOpenAutologonClick(); });
  gboxAutologonConfigure = std::make_unique<GroupBox>(autologon, u"Configure Autologon", Bounds{24, 114, 420, 100});
  chkAutologonEnable = std::make_unique<CheckBox>(*gboxAutologonConfigure, u"Enable Autologon", Bounds{12, 20, 150, 17});
  chkAutologonEnable->OnClick = [this](CheckBox& box) {
    wizard_.chkAutologonEnableClick(box.Checked());
    Render();
  };
  texts.push_back(std::make_unique<Label>(*gboxAutologonConfigure, u"Username:", Bounds{12, 48, 80, 13}));
  edtAutologonUsername = std::make_unique<Edit>(*gboxAutologonConfigure, Bounds{100, 45, 200, 21});
  edtAutologonUsername->OnChange = [this](Edit& edit) { wizard_.edtAutologonUsernameChange(edit.GetText()); };
  texts.push_back(std::make_unique<Label>(*gboxAutologonConfigure, u"Password:", Bounds{12, 76, 80, 13}));
  edtAutologonPassword = std::make_unique<Edit>(*gboxAutologonConfigure, Bounds{100, 73, 200, 21});
  edtAutologonPassword->OnChange = [this](Edit& edit) { wizard_.edtAutologonPasswordChange(edit.GetText()); };

  auto& shell = *pages[WizardPage::kConfigureShell];
  text(shell,
       Lines({u"Configure the shell to run Korvex",
              u" - Select Explorer to run the default Windows Shell, when a user logs on", u"-or-",
              u" - Select Korvex-NG to run Korvex when a user logs on (recommended)"}),
       Bounds{24, 8, 440, 64});
  rgShellSelect = std::make_unique<toolkit::RadioGroup>(shell, u"Select Shell", Bounds{24, 80, 250, 90},
                                                        std::vector<Text>{u"Explorer", u"Korvex-NG"});
  rgShellSelect->OnClick = [this](toolkit::RadioGroup& group) { wizard_.rgShellSelectClick(group.ItemIndex()); };

  text(*pages[WizardPage::kFinish],
       Lines({u"You have successfully completed the steps needed to", u"setup Korvex-NG"}), Bounds{24, 16, 440, 40});
}

void SetupWizardView::LoadLogo(TextView logoFile, bool exists) {
  if (!exists) return;
  // Read now, from the current directory of the start; shown when the window is made.
  logo_ = toolkit::Image::ReadBitmapFile(logoFile);
  if (!logo_) {
    // The built-in picture stays; the program goes on starting.
    toolkit::Application::ShowException(Error(u"Cannot load the picture " + Text(logoFile) + u"."));
  }
}

void SetupWizardView::Showing() {
  wizard_.FormShow();
  shownIcaItems_.clear();
  shownRdpItems_.clear();
  Render();
}

void SetupWizardView::Render() {
  const WizardState& s = wizard_.State();
  for (int i = 0; i < WizardPage::kCount; ++i) pages[static_cast<std::size_t>(i)]->SetVisible(i == s.page);
  lblTitle->SetCaption(s.lblTitle);
  lblSubtitle->SetCaption(s.lblSubtitle);
  btnBack->SetEnabled(s.btnBackEnabled);
  btnNext->SetVisible(s.btnNextVisible);
  btnNext->SetEnabled(s.btnNextEnabled);
  btnFinish->SetVisible(s.btnFinishVisible);
  SetDefaultButton(s.btnFinishVisible ? btnFinish.get() : btnNext.get());

  rgConnectionType->SetItemIndex(s.rgConnectionType);

  std::vector<std::vector<Text>> rows;
  for (const auto& [status, item] : s.lvCheck) rows.push_back({status, item});
  lvCheck->SetRows(rows);

  lblCitrixClient->SetCaption(s.lblCitrixClient);
  lblCitrixClient->SetVisible(s.lblCitrixClientVisible);
  urlCitrixDownload->SetVisible(s.lblCitrixClientVisible);
  BtnRunCitrixSetup->SetVisible(s.BtnRunCitrixSetupVisible);
  lblSysInternals->SetVisible(s.lblSysInternalsVisible);
  urlSysInternals->SetVisible(s.lblSysInternalsVisible);
  lblSysInternals->SetBounds(Bounds{44, s.lblSysInternalsTop, 420, 36});
  urlSysInternals->SetBounds(Bounds{44, s.urlSysInternalsTop, 440, 16});

  if (s.cboxIcaConnectionItems != shownIcaItems_) {
    cboxIcaConnection->Clear();
    for (const auto& item : s.cboxIcaConnectionItems) cboxIcaConnection->AddItem(item);
    shownIcaItems_ = s.cboxIcaConnectionItems;
  }
  cboxIcaConnection->SetItemIndex(s.cboxIcaConnectionIndex);
  cboxIcaConnection->SetEnabled(s.cboxIcaConnectionEnabled);
  btnTestICAConnection->SetEnabled(s.btnTestICAConnectionEnabled);
  chkCopyICASettings->SetChecked(s.chkCopyICASettings);

  if (edtXenAppServerURL->GetText() != s.edtXenAppServerURL) edtXenAppServerURL->SetText(s.edtXenAppServerURL);
  edtXenAppDesktopFolder->SetText(s.edtXenAppDesktopFolder);
  chkXenAppCopySettings->SetChecked(s.chkXenAppCopySettings);

  chkUseRDPFile->SetChecked(s.chkUseRDPFile);
  gboxRDPFile->SetVisible(s.gboxRDPFileVisible);
  gboxRemoteComputer->SetVisible(s.gboxRemoteComputerVisible);
  if (edtRDPConnection->GetText() != s.edtRDPConnection) edtRDPConnection->SetText(s.edtRDPConnection);
  if (speRDPPort->Value() != s.speRDPPort) speRDPPort->SetValue(s.speRDPPort);
  if (s.cboxRDPFilesItems != shownRdpItems_) {
    cboxRDPFiles->Clear();
    for (const auto& item : s.cboxRDPFilesItems) cboxRDPFiles->AddItem(item);
    shownRdpItems_ = s.cboxRDPFilesItems;
  }
  cboxRDPFiles->SetItemIndex(s.cboxRDPFilesIndex);
  cboxRDPFiles->SetEnabled(s.cboxRDPFilesEnabled);
  btnTestRDPConnection->SetEnabled(s.btnTestRDPConnectionEnabled);
  chkRDPFullScreen->SetChecked(s.chkRDPFullScreen);

  if (edtStoreFrontStoreURL->GetText() != s.edtStoreFrontStoreURL) {
    edtStoreFrontStoreURL->SetText(s.edtStoreFrontStoreURL);
  }
  if (edtStoreFrontResource->GetText() != s.edtStoreFrontResource) {
    edtStoreFrontResource->SetText(s.edtStoreFrontResource);
  }
  lblStoreFrontLauncherNote->SetVisible(s.lblStoreFrontLauncherNoteVisible);
  if (edtStoreFrontCommandline->GetText() != s.edtStoreFrontCommandline) {
    edtStoreFrontCommandline->SetText(s.edtStoreFrontCommandline);
  }
  if (speStoreFrontWaitForClient->Value() != s.speStoreFrontWaitForClient) {
    speStoreFrontWaitForClient->SetValue(s.speStoreFrontWaitForClient);
  }
  btnStoreFrontTest->SetEnabled(s.btnStoreFrontTestEnabled);

  chkUserCreate->SetChecked(s.chkUserCreate);
  if (edtUserUsername->GetText() != s.edtUserUsername) edtUserUsername->SetText(s.edtUserUsername);
  if (edtUserPassword->GetText() != s.edtUserPassword) edtUserPassword->SetText(s.edtUserPassword);
  edtUserUsername->SetEnabled(s.userEditsEnabled);
  edtUserPassword->SetEnabled(s.userEditsEnabled);
  chkRestrictKioskUser->SetChecked(s.chkRestrictKioskUser);

  chkAutologonUseSysinternals->SetChecked(s.chkAutologonUseSysinternals);
  gboxAutoLogonSysinternals->SetVisible(s.gboxAutoLogonSysinternalsVisible);
  gboxAutologonConfigure->SetVisible(s.gboxAutologonConfigureVisible);
  chkAutologonEnable->SetChecked(s.chkAutologonEnable);
  if (edtAutologonUsername->GetText() != s.edtAutologonUsername) edtAutologonUsername->SetText(s.edtAutologonUsername);
  if (edtAutologonPassword->GetText() != s.edtAutologonPassword) edtAutologonPassword->SetText(s.edtAutologonPassword);
  edtAutologonUsername->SetEnabled(s.autologonEditsEnabled);
  edtAutologonPassword->SetEnabled(s.autologonEditsEnabled);

  rgShellSelect->SetItemIndex(s.rgShellSelect);
  GreySetByPolicy();
}

std::vector<std::pair<toolkit::Control*, const char*>> SetupWizardView::PolicyControls() const {
  return {{rgConnectionType.get(), "rgConnectionType"},
          {cboxIcaConnection.get(), "cboxIcaConnection"},
          {chkCopyICASettings.get(), "chkCopyICASettings"},
          {edtXenAppServerURL.get(), "edtXenAppServerURL"},
          {chkXenAppCopySettings.get(), "chkXenAppCopySettings"},
          {chkUseRDPFile.get(), "chkUseRDPFile"},
          {edtRDPConnection.get(), "edtRDPConnection"},
          {speRDPPort.get(), "speRDPPort"},
          {cboxRDPFiles.get(), "cboxRDPFiles"},
          {chkRDPFullScreen.get(), "chkRDPFullScreen"},
          {edtStoreFrontStoreURL.get(), "edtStoreFrontStoreURL"},
          {edtStoreFrontResource.get(), "edtStoreFrontResource"},
          {edtStoreFrontCommandline.get(), "edtStoreFrontCommandline"},
          {speStoreFrontWaitForClient.get(), "speStoreFrontWaitForClient"},
          {chkUserCreate.get(), "chkUserCreate"},
          {edtUserUsername.get(), "edtUserUsername"},
          {chkRestrictKioskUser.get(), "chkRestrictKioskUser"},
          {chkAutologonUseSysinternals.get(), "chkAutologonUseSysinternals"},
          {chkAutologonEnable.get(), "chkAutologonEnable"},
          {edtAutologonUsername.get(), "edtAutologonUsername"},
          {rgShellSelect.get(), "rgShellSelect"}};
}

void SetupWizardView::GreySetByPolicy() {
  for (const auto& [control, name] : PolicyControls()) {
    if (wizard_.SetByPolicy(name)) control->SetEnabled(false);
  }
}

}  // namespace lanthe::win32
