#pragma once
// The setup wizard: twelve pages in which an administrator picks the connection type,
// checks and obtains the required software, configures the connection, the limited
// user, automatic log-on and the shell, on a working copy of the settings that
// replaces the live record only on Finish. This is the logic: the pages, the order in
// which each connection type visits them, what every control shows, and the buttons'
// actions. The Win32 view shows the state and forwards the events.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "config/pnagent_store.h"
#include "config/policy_overrides.h"
#include "config/settings.h"
#include "platform/platform.h"

namespace lanthe {

class IModalWindow;
class TfrmXenAppLauncher;

// The pages in order.
namespace WizardPage {
constexpr int kWelcome = 0;
constexpr int kConnectionType = 1;
constexpr int kCheck = 2;
constexpr int kDownload = 3;
constexpr int kICAClient = 4;
constexpr int kXenAppClient = 5;
constexpr int kRDPClient = 6;
constexpr int kStoreFrontClient = 7;
constexpr int kCreateUser = 8;
constexpr int kAutologon = 9;
constexpr int kConfigureShell = 10;
constexpr int kFinish = 11;
constexpr int kCount = 12;
}  // namespace WizardPage

struct PageTitle {
  const char16_t* title;
  const char16_t* subtitle;
};
extern const std::array<PageTitle, WizardPage::kCount> PageTitles;

// The download addresses the two links of the Download page open.
// The Citrix client for Windows is now called the Workspace app; this is its download page.
inline constexpr char16_t kCitrixDownloadUrl[] = u"https://www.citrix.com/downloads/workspace-app/";
inline constexpr char16_t kAutologonDownloadUrl[] = u"https://live.sysinternals.com/Autologon.exe";

inline constexpr char16_t kFound[] = u"Found";
inline constexpr char16_t kNotFound[] = u"Not found";
inline constexpr char16_t kNotRequired[] = u"Not required";

// What every control of the wizard shows.
struct WizardState {
  int page = WizardPage::kWelcome;
  bool btnBackEnabled = false;
  bool btnNextVisible = true;
  bool btnNextEnabled = true;
  bool btnFinishVisible = false;
  Text lblTitle;
  Text lblSubtitle;

  int rgConnectionType = -1;

  std::vector<std::pair<Text, Text>> lvCheck;  // status, item

  bool lblCitrixClientVisible = true;   // with urlCitrixDownload
  Text lblCitrixClient;                 // which Citrix client to download
  bool BtnRunCitrixSetupVisible = true;
  bool lblSysInternalsVisible = true;   // with urlSysInternals
  int lblSysInternalsTop = 123;
  int urlSysInternalsTop = 159;

  std::vector<Text> cboxIcaConnectionItems;
  int cboxIcaConnectionIndex = -1;
  bool cboxIcaConnectionEnabled = true;
  bool btnTestICAConnectionEnabled = true;
  bool chkCopyICASettings = false;

  Text edtXenAppServerURL;
  Text edtXenAppDesktopFolder;
  bool chkXenAppCopySettings = false;

  Text edtStoreFrontStoreURL;
  Text edtStoreFrontResource;
  Text edtStoreFrontCommandline;
  int speStoreFrontWaitForClient = kWaitForClientDefault;
  bool btnStoreFrontTestEnabled = true;
  bool lblStoreFrontLauncherNoteVisible = true;

  bool chkUseRDPFile = false;
  bool gboxRDPFileVisible = false;
  bool gboxRemoteComputerVisible = true;
  Text edtRDPConnection;
  int speRDPPort = 3389;
  std::vector<Text> cboxRDPFilesItems;
  int cboxRDPFilesIndex = -1;
  bool cboxRDPFilesEnabled = true;
  bool btnTestRDPConnectionEnabled = true;
  bool chkRDPFullScreen = false;

  bool chkUserCreate = false;
  Text edtUserUsername;
  Text edtUserPassword;
  bool userEditsEnabled = false;
  bool chkRestrictKioskUser = false;

  bool chkAutologonUseSysinternals = false;
  bool chkAutologonEnable = false;
  Text edtAutologonUsername;
  Text edtAutologonPassword;
  bool autologonEditsEnabled = false;
  bool gboxAutoLogonSysinternalsVisible = false;
  bool gboxAutologonConfigureVisible = true;

  int rgShellSelect = -1;

  bool operator==(const WizardState&) const = default;
};

// The rows of the Check page for a connection type (none for no selection).
std::vector<Text> RequirementRows(int connectionType);

class TfrmSetupWizard {
 public:
  TfrmSetupWizard(Platform& platform, PNAgentStore& pnagent);

  // The live settings record, which Clear copies and SaveResult replaces.
  void AttachLiveSettings(TSettings& live) { live_ = &live; }
  // The settings set by policy in this run: their controls are greyed.
  void AttachPolicies(const PolicyOverrides& policies) { policies_ = &policies; }
  // Whether the control (by its name: "rgShellSelect") edits a setting set by policy.
  bool SetByPolicy(std::string_view control) const;
  bool AnySetByPolicy() const { return policies_ && !policies_->empty(); }
  // The XenApp launcher that "Test Applications" shows.
  void AttachLauncher(TfrmXenAppLauncher& launcher, IModalWindow& window) {
    launcher_ = &launcher;
    launcherWindow_ = &window;
  }
  // Whether the coming showings set the computer up anew (the wizard was offered
  // because there is no settings file): what a new kiosk should have is then ticked
  // from the start instead of showing the record's value.
  void SetNewSetUp(bool newSetUp) { newSetUp_ = newSetUp; }
  // Opens a link in the user's browser (the view's OpenLink).
  std::function<void(TextView)> OpenLink;

  TSettings WizardSettings;

  void FormCreate() { Clear(); }
  void FormShow() { Clear(); }
  void Clear();
  void PageNext(bool forward);
  void SaveResult();

  void btnNextClick() { PageNext(true); }
  void btnBackClick() { PageNext(false); }
  // Returns the modal result to close with, or 0 to stay open (a user name or
  // password that the account cannot be made with is refused here, before anything
  // is saved).
  int btnFinishClick();
  int btnCancelClick() { return 2; }

  // The bindings from controls to the copy.
  void rgConnectionTypeClick(int index);
  void rgShellSelectClick(int index);
  void cboxIcaConnectionChange(int index);
  void chkCopyICASettingsClick(bool checked);
  void chkXenAppCopySettingsClick(bool checked);
  void edtXenAppServerURLChange(TextView text) { state_.edtXenAppServerURL = Text(text); }  // not stored
  void edtRDPConnectionChange(TextView text);
  void speRDPPortChange(int value);
  void chkRDPFullScreenClick(bool checked);
  void edtStoreFrontStoreURLChange(TextView text);
  void edtStoreFrontResourceChange(TextView text);
  void edtStoreFrontCommandlineChange(TextView text);
  void speStoreFrontWaitForClientChange(int value);
  void chkUseRDPFileClick(bool checked);
  void cboxRDPFilesChange(int index);
  void chkUserCreateClick(bool checked);
  void edtUserUsernameChange(TextView text);
  void edtUserPasswordChange(TextView text);
  void chkRestrictKioskUserClick(bool checked);
  void edtAutologonUsernameChange(TextView text);
  void edtAutologonPasswordChange(TextView text);
  void chkAutologonEnableClick(bool checked);
  void chkAutologonUseSysinternalsClick(bool checked);

  // Requirements and discovery.
  void RefreshRequirementsList();
  // Decides what the Download page shows; false when nothing is missing (the page is
  // then passed over).
  bool DownloadCheck();
  std::vector<Text> EnumerateIcaConnections(bool suppressMessage);
  void RefreshICAConnections();
  void RefreshRDPFiles();
  void RefreshRDPConnection();
  void btnRefreshICAConnectionsClick() { RefreshICAConnections(); }
  void btnRefreshRDPFilesClick() { RefreshRDPFiles(); }
  void btnRefreshXenAppURLClick();
  void btnRefreshXenAppDesktopFolderClick();

  // Actions and tests.
  void BtnRunCitrixSetupClick();
  void btnOpenPNClick();
  void btnTestICAConnectionClick();
  void btnStartXenAppClientClick();
  void btnXenAppTestClick();
  void btnRunRDPClientClick();
  void btnTestRDPConnectionClick();
  // Adds the store and starts the resource as a session does, then says "Return";
  // without a resource the launcher then offers the store's applications, as the
  // XenApp test does.
  void btnStoreFrontTestClick();
  void btnOpenAutologonClick();
  void urlCitrixDownloadLinkClick(TextView link);
  void UpdateAutologonDisplay();

  const WizardState& State() const { return state_; }

 private:
  const PolicyOverrides* policies_ = nullptr;
  void UpdateButtonsAndTitle();
  // Runs the entry action of the current page; false when the page is passed over.
  bool EnterPage();
  void ApplyRDPFileChoice();
  void UpdateStoreFrontButtons();
  void RunAndWait(TextView program, TextView parameters);
  Text LastComponent(TextView path) const;

  Platform& platform_;
  PNAgentStore& pnagent_;
  TSettings* live_ = nullptr;
  TfrmXenAppLauncher* launcher_ = nullptr;
  IModalWindow* launcherWindow_ = nullptr;
  WizardState state_;
  bool newSetUp_ = false;
};

}  // namespace lanthe
