#include "wizard/setup_wizard.h"

#include <algorithm>

#include "dialogs/xenapp_launcher.h"
#include "shell/launchers.h"
#include "shell/main_window.h"

namespace lanthe {

const std::array<PageTitle, WizardPage::kCount> PageTitles = {{
    {u"Welcome", u"Welcome to the Korvex-NG Setup wizard"},
    {u"Select Connection Type", u"Select the connection type"},
    {u"Check requirements", u"Check for required software"},
    {u"Download software", u"Download the required software"},
    {u"Configure Citrix Client", u"Configure the Custom ICA Connection"},
    {u"Configure XenApp Client", u"Configure the XenApp Connection"},
    {u"Configure RDP Client", u"Configure the Remote Desktop Connection"},
    {u"Configure StoreFront", u"Configure the Citrix StoreFront Connection"},
    {u"Configure Korvex User", u"Configure the Korvex User"},
    {u"Configure Autologon", u"Configure Autologon"},
    {u"Configure Shell", u"Enable Korvex"},
    {u"Completed", u"Completing the Setup Wizard"},
}};

namespace {

Text Join(TextView folder, TextView name) { return Text(folder) + u"\\" + Text(name); }

Text Quoted(TextView text) { return u"\"" + Text(text) + u"\""; }

// What the download page asks for: the old client with Program Neighborhood and
// PNAgent, or the Workspace app, which StoreFront stores are reached with.
constexpr char16_t kCitrixClientDownload[] =
    u"Download and install the \r\nCitrix XenApp Plugin (Client) - Version 11.000 or higher\r\n"
    u"- Select the Program Neighborhood during the installation";
constexpr char16_t kWorkspaceAppDownload[] =
    u"Download and install the \r\nCitrix Workspace app for Windows\r\n"
    u"- Install it for all users of the computer";

// The Workspace app's two programs that a StoreFront session starts.
bool WorkspaceAppFound(IFileSystem& files, const TSettings& settings) {
  return files.FileExists(SelfServicePath(settings)) && files.FileExists(StoreBrowsePath(settings));
}

}  // namespace

std::vector<Text> RequirementRows(int connectionType) {
  switch (connectionType) {
    case ConnectionType::kRemoteDesktop:
      return {u"Remote Desktop Connection (mstsc.exe)", u"Sysinternals Autologon.exe"};
    case ConnectionType::kCustomIca:
      return {u"Citrix Client setup file", u"Citrix Client installation directory", u"Citrix pn.exe",
              u"Citrix Connection File (Appsrv.ini)", u"Sysinternals Autologon.exe"};
    case ConnectionType::kXenApp:
      return {u"Citrix Client setup file", u"Citrix Client installation directory", u"Citrix pnagent.exe",
              u"Sysinternals Autologon.exe"};
    case ConnectionType::kStoreFront:
      return {u"Citrix Client setup file", u"Citrix Client installation directory", u"Citrix SelfService.exe",
              u"Citrix storebrowse.exe", u"Sysinternals Autologon.exe"};
    default:
      return {};
  }
}

TfrmSetupWizard::TfrmSetupWizard(Platform& platform, PNAgentStore& pnagent) : platform_(platform), pnagent_(pnagent) {}

void TfrmSetupWizard::UpdateButtonsAndTitle() {
  const int i = state_.page;
  state_.btnBackEnabled = i != WizardPage::kWelcome;
  state_.btnNextVisible = i != WizardPage::kFinish;
  state_.btnNextEnabled = state_.btnNextVisible;
  state_.btnFinishVisible = i == WizardPage::kFinish;
  state_.lblTitle = PageTitles[static_cast<std::size_t>(i)].title;
  state_.lblSubtitle = PageTitles[static_cast<std::size_t>(i)].subtitle;
}

namespace {

// The controls and the settings each one edits.
constexpr PolicyControl kPolicyControls[] = {
    {"rgConnectionType", "ConnectionType"},
    {"cboxIcaConnection", "ICA.Connection"},
    {"chkCopyICASettings", "ICA.CopyICASettings"},
    {"edtXenAppServerURL", "XenApp.ServerURL"},
    {"chkXenAppCopySettings", "XenApp.CopyXenAppSettings"},
    {"chkUseRDPFile", "RDP.UseRDPFile"},
    {"edtRDPConnection", "RDP.Connection"},
    {"speRDPPort", "RDP.Port"},
    {"cboxRDPFiles", "RDP.RDPFileLocation"},
    {"chkRDPFullScreen", "RDP.FullScreen"},
    {"edtStoreFrontStoreURL", "StoreFront.StoreURL"},
    {"edtStoreFrontResource", "StoreFront.Resource"},
    {"edtStoreFrontCommandline", "StoreFront.CommandlineParameters"},
    {"speStoreFrontWaitForClient", "StoreFront.WaitForClient"},
    {"chkUserCreate", "Autologon.CreateUser"},
    {"edtUserUsername", "Autologon.Username"},
    {"chkRestrictKioskUser", "RestrictKioskUser"},
    {"chkAutologonUseSysinternals", "Autologon.UseSysinternals"},
    {"chkAutologonEnable", "Autologon.EnableAutologon"},
    {"edtAutologonUsername", "Autologon.Username"},
    {"rgShellSelect", "CurrentShell"},
};

}  // namespace

bool TfrmSetupWizard::SetByPolicy(std::string_view control) const {
  return ControlSetByPolicy(policies_, kPolicyControls, control);
}

void TfrmSetupWizard::Clear() {
  state_.page = WizardPage::kWelcome;
  UpdateButtonsAndTitle();
  if (live_) WizardSettings = *live_;
  // A policy's value is shown as it is, greyed.
  if (newSetUp_ && !SetByPolicy("chkRestrictKioskUser")) WizardSettings.RestrictKioskUser = true;
  // Selecting the item runs the group's click handler, which stores the selection; a
  // code without an item is held within the group's items, as radio groups do.
  state_.rgConnectionType = std::clamp(WizardSettings.ConnectionType, -1, ConnectionType::kStoreFront);
  if (state_.rgConnectionType >= 0) rgConnectionTypeClick(state_.rgConnectionType);
}

void TfrmSetupWizard::PageNext(bool forward) {
  // A page that does not apply is passed over in the same direction; page 0 and the
  // last page always apply, so this never wraps around.
  for (;;) {
    const int next = state_.page + (forward ? 1 : -1);
    if (next < WizardPage::kWelcome || next > WizardPage::kFinish) return;
    state_.page = next;
    UpdateButtonsAndTitle();
    if (EnterPage()) return;
  }
}

bool TfrmSetupWizard::EnterPage() {
  TSettings& s = WizardSettings;
  switch (state_.page) {
    case WizardPage::kCheck:
      RefreshRequirementsList();
      return true;
    case WizardPage::kDownload:
      return DownloadCheck();
    case WizardPage::kICAClient:
      if (state_.rgConnectionType != ConnectionType::kCustomIca) return false;
      state_.chkCopyICASettings = s.ICA.CopyICASettings;
      RefreshICAConnections();
      return true;
    case WizardPage::kXenAppClient:
      if (state_.rgConnectionType != ConnectionType::kXenApp) return false;
      state_.edtXenAppServerURL = s.XenApp.ServerURL;
      if (state_.edtXenAppServerURL.empty()) state_.edtXenAppServerURL = pnagent_.GetPNAgentServerURL();
      state_.edtXenAppDesktopFolder = LastComponent(s.XenApp.DesktopFolder);
      state_.chkXenAppCopySettings = s.XenApp.CopyXenAppSettings;
      return true;
    case WizardPage::kRDPClient:
      if (state_.rgConnectionType != ConnectionType::kRemoteDesktop) return false;
      state_.chkRDPFullScreen = s.RDP.FullScreen;
      state_.chkUseRDPFile = s.RDP.UseRDPFile;
      ApplyRDPFileChoice();
      return true;
    case WizardPage::kStoreFrontClient:
      if (state_.rgConnectionType != ConnectionType::kStoreFront) return false;
      state_.edtStoreFrontStoreURL = s.StoreFront.StoreURL;
      state_.edtStoreFrontResource = s.StoreFront.Resource;
      state_.edtStoreFrontCommandline = s.StoreFront.CommandlineParameters;
      state_.speStoreFrontWaitForClient = EffectiveWaitForClient(s);
      UpdateStoreFrontButtons();
      return true;
    case WizardPage::kCreateUser:
      state_.chkUserCreate = s.Autologon.CreateUser;
      state_.edtUserUsername = s.Autologon.Username;
      state_.edtUserPassword = s.Autologon.Password;
      state_.userEditsEnabled = state_.chkUserCreate;
      state_.chkRestrictKioskUser = s.RestrictKioskUser;
      return true;
    case WizardPage::kAutologon:
      state_.chkAutologonUseSysinternals = s.Autologon.UseSysinternals;
      state_.chkAutologonEnable = s.Autologon.EnableAutologon;
      state_.edtAutologonUsername = s.Autologon.Username;
      state_.edtAutologonPassword = s.Autologon.Password;
      UpdateAutologonDisplay();
      return true;
    case WizardPage::kConfigureShell:
      state_.rgShellSelect = std::clamp(s.CurrentShell, -1, 1);
      if (state_.rgShellSelect >= 0) rgShellSelectClick(state_.rgShellSelect);
      return true;
    default:
      return true;
  }
}

void TfrmSetupWizard::ApplyRDPFileChoice() {
  if (state_.chkUseRDPFile) {
    RefreshRDPFiles();
  } else {
    RefreshRDPConnection();
  }
  state_.gboxRDPFileVisible = state_.chkUseRDPFile;
  state_.gboxRemoteComputerVisible = !state_.chkUseRDPFile;
}

void TfrmSetupWizard::SaveResult() {
  if (live_) *live_ = WizardSettings;
}

int TfrmSetupWizard::btnFinishClick() {
  SaveResult();
  return 1;
}

// ---- bindings -------------------------------------------------------------------

void TfrmSetupWizard::rgConnectionTypeClick(int index) {
  state_.rgConnectionType = index;
  WizardSettings.ConnectionType = index;
}

void TfrmSetupWizard::rgShellSelectClick(int index) {
  state_.rgShellSelect = index;
  WizardSettings.CurrentShell = index;
}

void TfrmSetupWizard::cboxIcaConnectionChange(int index) {
  state_.cboxIcaConnectionIndex = index;
  if (index >= 0 && index < static_cast<int>(state_.cboxIcaConnectionItems.size())) {
    WizardSettings.ICA.Connection = state_.cboxIcaConnectionItems[static_cast<std::size_t>(index)];
  }
}

void TfrmSetupWizard::chkCopyICASettingsClick(bool checked) {
  state_.chkCopyICASettings = checked;
  WizardSettings.ICA.CopyICASettings = checked;
}

void TfrmSetupWizard::chkXenAppCopySettingsClick(bool checked) {
  state_.chkXenAppCopySettings = checked;
  WizardSettings.XenApp.CopyXenAppSettings = checked;
}

void TfrmSetupWizard::edtRDPConnectionChange(TextView text) {
  state_.edtRDPConnection = Text(text);
  WizardSettings.RDP.Connection = Text(text);
  state_.btnTestRDPConnectionEnabled = state_.btnNextEnabled = !text.empty();
}

void TfrmSetupWizard::speRDPPortChange(int value) {
  state_.speRDPPort = value;
  WizardSettings.RDP.Port = value;
}

void TfrmSetupWizard::chkRDPFullScreenClick(bool checked) {
  state_.chkRDPFullScreen = checked;
  WizardSettings.RDP.FullScreen = checked;
}

void TfrmSetupWizard::edtStoreFrontStoreURLChange(TextView text) {
  state_.edtStoreFrontStoreURL = Text(text);
  WizardSettings.StoreFront.StoreURL = Text(text);
  UpdateStoreFrontButtons();
}

void TfrmSetupWizard::edtStoreFrontResourceChange(TextView text) {
  state_.edtStoreFrontResource = Text(text);
  WizardSettings.StoreFront.Resource = Text(text);
  UpdateStoreFrontButtons();
}

void TfrmSetupWizard::edtStoreFrontCommandlineChange(TextView text) {
  state_.edtStoreFrontCommandline = Text(text);
  WizardSettings.StoreFront.CommandlineParameters = Text(text);
}

void TfrmSetupWizard::speStoreFrontWaitForClientChange(int value) {
  state_.speStoreFrontWaitForClient = value;
  // A stored value outside the range stays unless the spin editor changed it, so that
  // a file without the element gets none.
  if (value != EffectiveWaitForClient(WizardSettings)) WizardSettings.StoreFront.WaitForClient = value;
}

// Without a store there is nothing to test or to go on with; without a resource the
// session offers the store's applications, which the note says.
void TfrmSetupWizard::UpdateStoreFrontButtons() {
  state_.btnStoreFrontTestEnabled = state_.btnNextEnabled = !state_.edtStoreFrontStoreURL.empty();
  state_.lblStoreFrontLauncherNoteVisible = state_.edtStoreFrontResource.empty();
}

void TfrmSetupWizard::chkUseRDPFileClick(bool checked) {
  state_.chkUseRDPFile = checked;
  WizardSettings.RDP.UseRDPFile = checked;
  ApplyRDPFileChoice();
}

void TfrmSetupWizard::cboxRDPFilesChange(int index) {
  if (index < 0 || index >= static_cast<int>(state_.cboxRDPFilesItems.size())) return;
  state_.cboxRDPFilesIndex = index;
  WizardSettings.RDP.RDPFileLocation = state_.cboxRDPFilesItems[static_cast<std::size_t>(index)];
  state_.btnTestRDPConnectionEnabled = state_.btnNextEnabled = true;
}

void TfrmSetupWizard::chkUserCreateClick(bool checked) {
  state_.chkUserCreate = checked;
  state_.userEditsEnabled = checked;
  WizardSettings.Autologon.CreateUser = checked;
}

// Both pages edit the same two fields.
void TfrmSetupWizard::edtUserUsernameChange(TextView text) {
  state_.edtUserUsername = Text(text);
  WizardSettings.Autologon.Username = Text(text);
}

void TfrmSetupWizard::edtUserPasswordChange(TextView text) {
  state_.edtUserPassword = Text(text);
  WizardSettings.Autologon.Password = Text(text);
}

void TfrmSetupWizard::chkRestrictKioskUserClick(bool checked) {
  state_.chkRestrictKioskUser = checked;
  WizardSettings.RestrictKioskUser = checked;
}

void TfrmSetupWizard::edtAutologonUsernameChange(TextView text) {
  state_.edtAutologonUsername = Text(text);
  WizardSettings.Autologon.Username = Text(text);
}

void TfrmSetupWizard::edtAutologonPasswordChange(TextView text) {
  state_.edtAutologonPassword = Text(text);
  WizardSettings.Autologon.Password = Text(text);
}

void TfrmSetupWizard::chkAutologonEnableClick(bool checked) {
  state_.chkAutologonEnable = checked;
  WizardSettings.Autologon.EnableAutologon = checked;
  // Creating the user makes it the autologon account: its name and password are
  // then those of the user page.
  state_.autologonEditsEnabled = checked && !WizardSettings.Autologon.CreateUser;
}

void TfrmSetupWizard::UpdateAutologonDisplay() {
  const bool sysinternals = state_.chkAutologonUseSysinternals;
  state_.gboxAutoLogonSysinternalsVisible = sysinternals;
  state_.gboxAutologonConfigureVisible = !sysinternals;
  if (!sysinternals) chkAutologonEnableClick(state_.chkAutologonEnable);
}

void TfrmSetupWizard::chkAutologonUseSysinternalsClick(bool checked) {
  state_.chkAutologonUseSysinternals = checked;
  WizardSettings.Autologon.UseSysinternals = checked;
  UpdateAutologonDisplay();
}

// ---- requirements and discovery -------------------------------------------------

void TfrmSetupWizard::RefreshRequirementsList() {
  const TSettings& s = WizardSettings;
  IFileSystem& files = platform_.files;
  const bool pn = files.FileExists(Join(s.Citrix.ClientPath, u"pn.exe"));
  const bool pnagent = files.FileExists(Join(s.Citrix.ClientPath, u"pnagent.exe"));
  const bool setup = files.FileExists(s.Citrix.SetupFile);
  const bool directory = files.DirectoryExists(s.Citrix.ClientPath);
  const bool autologon = files.FileExists(s.AutologonExe);
  // (found, required) per row, in the rows' order.
  std::vector<std::pair<bool, bool>> checks;
  switch (state_.rgConnectionType) {
    case ConnectionType::kRemoteDesktop:
      checks = {{files.FileExists(Join(s.RDP.ClientPath, u"mstsc.exe")), true}, {autologon, true}};
      break;
    case ConnectionType::kCustomIca:
      checks = {{setup, !pn}, {directory, true}, {pn, true}, {files.FileExists(s.ICA.UserAppSrvIniLocation), true},
                {autologon, true}};
      break;
    case ConnectionType::kXenApp:
      checks = {{setup, !pnagent}, {directory, true}, {pnagent, true}, {autologon, true}};
      break;
    case ConnectionType::kStoreFront: {
      const bool selfService = files.FileExists(SelfServicePath(s));
      const bool storeBrowse = files.FileExists(StoreBrowsePath(s));
      checks = {{setup, !(selfService && storeBrowse)}, {directory, true}, {selfService, true}, {storeBrowse, true},
                {autologon, true}};
      break;
    }
    default:
      break;
  }
  const std::vector<Text> rows = RequirementRows(state_.rgConnectionType);
  state_.lvCheck.clear();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto [found, required] = checks[i];
    state_.lvCheck.emplace_back(found ? kFound : (required ? kNotFound : kNotRequired), rows[i]);
  }
}

bool TfrmSetupWizard::DownloadCheck() {
  const TSettings& s = WizardSettings;
  IFileSystem& files = platform_.files;
  const bool autologonFound = files.FileExists(s.AutologonExe);
  bool setupFound = true;
  bool clientFound = true;
  state_.lblCitrixClient = kCitrixClientDownload;
  switch (s.ConnectionType) {
    case ConnectionType::kCustomIca:
      setupFound = files.FileExists(s.Citrix.SetupFile);
      clientFound = files.FileExists(Join(s.Citrix.ClientPath, u"pn.exe"));
      break;
    case ConnectionType::kXenApp: {
      // XenApp needs pnagent.exe, and the setup file only while it is not installed.
      clientFound = files.FileExists(Join(s.Citrix.ClientPath, u"pnagent.exe"));
      setupFound = clientFound || files.FileExists(s.Citrix.SetupFile);
      break;
    }
    case ConnectionType::kStoreFront:
      // As XenApp: the Workspace app's programs, and the setup file only without them.
      clientFound = WorkspaceAppFound(files, s);
      setupFound = clientFound || files.FileExists(s.Citrix.SetupFile);
      state_.lblCitrixClient = kWorkspaceAppDownload;
      break;
    default:
      break;  // Remote Desktop needs no Citrix software at all
  }
  state_.lblCitrixClientVisible = !setupFound;
  state_.BtnRunCitrixSetupVisible = !clientFound;
  state_.lblSysInternalsVisible = !autologonFound;
  state_.lblSysInternalsTop = setupFound ? 3 : 123;
  state_.urlSysInternalsTop = setupFound ? 39 : 159;
  return !(setupFound && clientFound && autologonFound);
}

std::vector<Text> TfrmSetupWizard::EnumerateIcaConnections(bool suppressMessage) {
  const Text& file = WizardSettings.ICA.UserAppSrvIniLocation;
  if (platform_.files.FileExists(file)) return platform_.ini.ReadSectionKeys(file, u"ApplicationServers");
  if (!suppressMessage) platform_.messages.ShowMessage(u"Appsrv.ini not found (" + file + u")");
  return {};
}

void TfrmSetupWizard::RefreshICAConnections() {
  state_.cboxIcaConnectionItems = EnumerateIcaConnections(false);
  state_.cboxIcaConnectionIndex = -1;
  const bool any = !state_.cboxIcaConnectionItems.empty();
  state_.cboxIcaConnectionEnabled = state_.btnTestICAConnectionEnabled = state_.btnNextEnabled = any;
  if (!any) return;  // ICA.Connection keeps its value
  state_.cboxIcaConnectionIndex = 0;
  for (std::size_t i = 0; i < state_.cboxIcaConnectionItems.size(); ++i) {
    if (state_.cboxIcaConnectionItems[i] == WizardSettings.ICA.Connection) {
      state_.cboxIcaConnectionIndex = static_cast<int>(i);
    }
  }
  WizardSettings.ICA.Connection = state_.cboxIcaConnectionItems[static_cast<std::size_t>(state_.cboxIcaConnectionIndex)];
}

void TfrmSetupWizard::RefreshRDPConnection() {
  state_.edtRDPConnection = WizardSettings.RDP.Connection;
  state_.speRDPPort = WizardSettings.RDP.Port;
  state_.btnTestRDPConnectionEnabled = state_.btnNextEnabled = !state_.edtRDPConnection.empty();
}

void TfrmSetupWizard::RefreshRDPFiles() {
  TSettings& s = WizardSettings;
  state_.cboxRDPFilesItems.clear();
  state_.cboxRDPFilesIndex = -1;
  Text folder = s.ProgramDir;
  while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  for (const auto& entry : platform_.files.ListFiles(folder, u"*.rdp")) {
    if (!entry.directory && !entry.hidden && !entry.system) state_.cboxRDPFilesItems.push_back(entry.name);
  }
  std::stable_sort(state_.cboxRDPFilesItems.begin(), state_.cboxRDPFilesItems.end(),
                   [](const Text& a, const Text& b) { return AsciiUpper(a) < AsciiUpper(b); });
  // From now on relative names in the settings (the setup file, the Autologon tool)
  // are looked for in the program directory.
  platform_.folders.ChangeCurrentDirectory(s.ProgramDir);
  state_.cboxRDPFilesEnabled = !state_.cboxRDPFilesItems.empty();
  // Only the stored name itself, in its exact letter case, is selected.
  for (std::size_t i = 0; i < state_.cboxRDPFilesItems.size(); ++i) {
    if (state_.cboxRDPFilesItems[i] == s.RDP.RDPFileLocation) state_.cboxRDPFilesIndex = static_cast<int>(i);
  }
  state_.btnTestRDPConnectionEnabled = state_.btnNextEnabled = state_.cboxRDPFilesIndex >= 0;
}

void TfrmSetupWizard::btnRefreshXenAppURLClick() { state_.edtXenAppServerURL = pnagent_.GetPNAgentServerURL(); }

void TfrmSetupWizard::btnRefreshXenAppDesktopFolderClick() {
  const Text folder = platform_.folders.GetSpecialFolder(Csidl::kDesktop) + u"\\" + pnagent_.GetXenAppDesktopFolder();
  state_.edtXenAppDesktopFolder = LastComponent(folder);
  WizardSettings.XenApp.DesktopFolder = folder;
}

Text TfrmSetupWizard::LastComponent(TextView path) const {
  const auto slash = path.find_last_of(u'\\');
  return Text(slash == TextView::npos ? path : path.substr(slash + 1));
}

// ---- actions and tests ----------------------------------------------------------

void TfrmSetupWizard::RunAndWait(TextView program, TextView parameters) {
  platform_.processes.RunProgram(program, parameters, ShowState::kNormal, true);
}

void TfrmSetupWizard::BtnRunCitrixSetupClick() {
  // Not waited for: the wizard stays usable while the installer runs. The Workspace
  // app, which a StoreFront store needs, comes as an installer program rather than a
  // package: that one starts by itself.
  const Text& setup = WizardSettings.Citrix.SetupFile;
  const bool program = setup.size() >= 4 && AsciiUpper(setup.substr(setup.size() - 4)) == u".EXE";
  platform_.processes.RunProgram(program ? Quoted(setup) : u"msiexec /i " + setup, u"", ShowState::kNormal, false);
}

void TfrmSetupWizard::btnOpenPNClick() {
  const Text path = ProgramNeighborhoodPath(WizardSettings);
  if (!platform_.files.FileExists(path)) {
    platform_.messages.ShowMessage(u"File not found: " + path);
    return;
  }
  RunAndWait(Quoted(path), u"");
  RefreshICAConnections();  // a connection made in Program Neighborhood shows at once
}

void TfrmSetupWizard::btnTestICAConnectionClick() {
  const CommandLine test = IcaTestCommandLine(WizardSettings);
  RunAndWait(test.program, test.parameters);
}

void TfrmSetupWizard::btnStartXenAppClientClick() {
  const CommandLine pnagent = PNAgentCommandLine(WizardSettings);
  RunAndWait(pnagent.program, pnagent.parameters);
  platform_.messages.ShowMessage(u"return");
}

void TfrmSetupWizard::btnXenAppTestClick() {
  const CommandLine pnagent = PNAgentCommandLine(WizardSettings);
  RunAndWait(pnagent.program, pnagent.parameters);
  platform_.messages.ShowMessage(u"Return");
  if (!launcher_ || !launcherWindow_) return;
  launcher_->SetSessionMode(false);  // with a close box, unlike in a session
  launcher_->LauncherSettings = WizardSettings;
  launcherWindow_->ShowModal();
}

void TfrmSetupWizard::btnRunRDPClientClick() {
  const Text path = Join(WizardSettings.RDP.ClientPath, u"mstsc.exe");
  if (!platform_.files.FileExists(path)) {
    platform_.messages.ShowMessage(u"File not found: " + path);
    return;
  }
  RunAndWait(Quoted(path), u"");
  RefreshRDPFiles();  // an .rdp file saved from the client shows at once
}

void TfrmSetupWizard::btnTestRDPConnectionClick() {
  const CommandLine test = RdpCommandLine(WizardSettings);
  RunAndWait(test.program, test.parameters);
}

void TfrmSetupWizard::btnStoreFrontTestClick() {
  // The store is added first and waited for, so that the launch finds it: storebrowse
  // answers "-a" with the store's full URL or an error once it is done (Citrix's
  // "Storebrowse" page). The self-service program may stay running after the launch
  // (it is the Workspace app's window), so the test does not wait for it, as the
  // session does not.
  const CommandLine addStore = AddStoreCommandLine(WizardSettings);
  RunAndWait(addStore.program, addStore.parameters);
  if (!WizardSettings.StoreFront.Resource.empty()) {
    const CommandLine launch = StoreFrontLaunchCommandLine(WizardSettings);
    platform_.processes.RunProgram(launch.program, launch.parameters, ShowState::kNormal, false);
  }
  platform_.messages.ShowMessage(u"Return");
  if (!WizardSettings.StoreFront.Resource.empty() || !launcher_ || !launcherWindow_) return;
  launcher_->SetSessionMode(false);
  launcher_->LauncherSettings = WizardSettings;
  launcherWindow_->ShowModal();
}

void TfrmSetupWizard::btnOpenAutologonClick() {
  const Text& tool = WizardSettings.AutologonExe;
  if (!platform_.files.FileExists(tool)) {
    platform_.messages.ShowMessage(u"File not found: " + tool);
    return;
  }
  RunAndWait(Quoted(tool), u"");
}

void TfrmSetupWizard::urlCitrixDownloadLinkClick(TextView link) {
  if (OpenLink) OpenLink(link);
}

}  // namespace lanthe
