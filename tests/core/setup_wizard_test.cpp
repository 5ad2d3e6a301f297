#include "wizard/setup_wizard.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "main_window_rig.h"
#include "shell/launchers.h"

namespace lanthe {
namespace {

constexpr char16_t kCitrix[] = u"C:\\Program Files\\Citrix\\ICA Client";
constexpr char16_t kAppSrv[] = u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\appsrv.ini";
constexpr char16_t kMstsc[] = u"C:\\Windows\\system32\\mstsc.exe";
constexpr char16_t kSelfService[] = u"C:\\Program Files\\Citrix\\ICA Client\\SelfServicePlugin\\SelfService.exe";
constexpr char16_t kStoreBrowse[] = u"C:\\Program Files\\Citrix\\ICA Client\\AuthManager\\storebrowse.exe";

// The wizard as the program has it: attached to the main window's record (which holds
// the defaults of C:\Apps\lanthe.exe) and to the XenApp launcher.
class WizardTest : public ::testing::Test {
 protected:
  WizardTest() { rig.main.FormCreate(u"C:\\Apps\\lanthe.exe"); }

  // Everything every connection type needs, so that the download page is passed over.
  void InstallEverything() {
    fake.files.files[Text(kCitrix) + u"\\pn.exe"] = "";
    fake.files.files[Text(kCitrix) + u"\\pnagent.exe"] = "";
    fake.files.files[kSelfService] = fake.files.files[kStoreBrowse] = "";
    fake.files.directories.insert(kCitrix);
    fake.files.files[u"XenAppHosted.msi"] = "";
    fake.files.files[u"autologon.exe"] = "";
    fake.files.files[kMstsc] = "";
    SetIcaConnections({u"Desktop"});
  }
  void SetIcaConnections(std::vector<Text> names) {
    fake.files.files[kAppSrv] = "";
    auto& section = fake.ini.files[kAppSrv][u"ApplicationServers"];
    section.clear();
    for (auto& name : names) section.emplace_back(std::move(name), u"");
  }
  // Shows the wizard with the record as it is and picks the connection type.
  void Open(int connectionType) {
    wizard.Clear();
    wizard.FormShow();
    wizard.btnNextClick();
    wizard.rgConnectionTypeClick(connectionType);
  }
  // The pages passed on the way to the last page (forward) or the first (back).
  std::vector<int> Walk(bool forward) {
    const int end = forward ? WizardPage::kFinish : WizardPage::kWelcome;
    std::vector<int> pages{wizard.State().page};
    while (wizard.State().page != end && pages.size() <= 20) {
      forward ? wizard.btnNextClick() : wizard.btnBackClick();
      pages.push_back(wizard.State().page);
    }
    return pages;
  }
  std::vector<int> WalkForward() { return Walk(true); }
  std::vector<int> WalkBack() { return Walk(false); }
  void GoTo(int page) {
    while (wizard.State().page < page) wizard.btnNextClick();
    ASSERT_EQ(wizard.State().page, page);
  }
  std::vector<Text> Statuses() const {
    std::vector<Text> statuses;
    for (const auto& row : wizard.State().lvCheck) statuses.push_back(row.first);
    return statuses;
  }
  void SetPNAgent(TextView serverUrl, const std::string& desktopName) {
    auto& values = fake.registry.AddKey(RegistryRoot::CurrentUser, kPNAgentKey).values;
    values[kPNAgentServerURLValue] = RegistryValue{RegistryType::kString, StringValueBytes(serverUrl)};
    const std::string doc = "<C><A><Key>DesktopName</Key><Value>" + desktopName + "</Value></A></C>";
    values[kPNAgentConfigValue] = RegistryValue{RegistryType::kBinary, std::vector<std::uint8_t>(doc.begin(), doc.end())};
  }

  MainWindowRig rig;
  testing::FakePlatform& fake = rig.fake;
  TSettings& global = rig.main.Settings;
  TfrmSetupWizard& wizard = rig.frmSetupWizard;
};

// ---- navigation -------------------------------------------------------------------

TEST_F(WizardTest, EachConnectionTypeVisitsItsOwnPagesBothWays) {
  InstallEverything();
  const struct {
    int type;
    std::vector<int> forward;
  } cases[] = {
      {ConnectionType::kRemoteDesktop, {1, 2, 6, 8, 9, 10, 11}},
      {ConnectionType::kCustomIca, {1, 2, 4, 8, 9, 10, 11}},
      {ConnectionType::kXenApp, {1, 2, 5, 8, 9, 10, 11}},
      {ConnectionType::kStoreFront, {1, 2, 7, 8, 9, 10, 11}},
  };
  for (const auto& c : cases) {
    global.RDP.Connection = u"host1";  // Next stays enabled on the RDP page
    global.StoreFront.StoreURL = u"https://sf.example";  // and on the StoreFront page
    Open(c.type);
    EXPECT_EQ(WalkForward(), c.forward) << c.type;
    std::vector<int> back(c.forward.rbegin(), c.forward.rend());
    back.push_back(0);
    EXPECT_EQ(WalkBack(), back) << c.type;
  }
}

TEST_F(WizardTest, DownloadPageOnlyWhenSomethingIsMissing) {
  InstallEverything();
  fake.files.files.erase(u"autologon.exe");
  Open(ConnectionType::kCustomIca);
  EXPECT_EQ(WalkForward(), (std::vector<int>{1, 2, 3, 4, 8, 9, 10, 11}));
  EXPECT_EQ(WalkBack(), (std::vector<int>{11, 10, 9, 8, 4, 3, 2, 1, 0}));
}

TEST_F(WizardTest, PassingTheDownloadPageBackwardsRebuildsTheCheckList) {
  InstallEverything();
  Open(ConnectionType::kCustomIca);
  GoTo(WizardPage::kCheck);
  EXPECT_EQ(Statuses(), (std::vector<Text>{kFound, kFound, kFound, kFound, kFound}));
  wizard.btnNextClick();
  EXPECT_EQ(wizard.State().page, WizardPage::kICAClient);
  fake.files.files.erase(u"autologon.exe");  // meanwhile the tool went away
  wizard.btnBackClick();
  // The download page now applies, so Back stops there; once more reaches the list.
  EXPECT_EQ(wizard.State().page, WizardPage::kDownload);
  fake.files.files[u"autologon.exe"] = "";
  wizard.btnNextClick();
  fake.files.files.erase(Text(kCitrix) + u"\\pn.exe");
  wizard.btnBackClick();
  EXPECT_EQ(wizard.State().page, WizardPage::kDownload);
  fake.files.files[Text(kCitrix) + u"\\pn.exe"] = "";
  wizard.btnBackClick();
  EXPECT_EQ(wizard.State().page, WizardPage::kCheck);
  fake.files.directories.clear();
  wizard.btnNextClick();  // to page 4 (nothing the download page checks is missing)
  wizard.btnBackClick();
  EXPECT_EQ(wizard.State().page, WizardPage::kCheck);
  EXPECT_EQ(Statuses(), (std::vector<Text>{kFound, kNotFound, kFound, kFound, kFound}));
}

TEST_F(WizardTest, ButtonsAndTitlesFollowThePage) {
  InstallEverything();
  Open(ConnectionType::kXenApp);
  wizard.btnBackClick();
  for (int page : {0, 1, 2, 5, 8, 9, 10, 11}) {
    const WizardState& s = wizard.State();
    ASSERT_EQ(s.page, page);
    EXPECT_EQ(s.btnBackEnabled, page != 0) << page;
    EXPECT_EQ(s.btnNextVisible, page != 11) << page;
    EXPECT_EQ(s.btnNextEnabled, page != 11) << page;
    EXPECT_EQ(s.btnFinishVisible, page == 11) << page;
    EXPECT_EQ(s.lblTitle, PageTitles[static_cast<std::size_t>(page)].title) << page;
    EXPECT_EQ(s.lblSubtitle, PageTitles[static_cast<std::size_t>(page)].subtitle) << page;
    wizard.btnNextClick();
  }
  EXPECT_EQ(wizard.State().page, 11);  // never past the last page
  EXPECT_EQ(PageTitles[9].title, Text(PageTitles[9].subtitle));
  EXPECT_EQ(Text(PageTitles[0].subtitle), u"Welcome to the Korvex-NG Setup wizard");
  wizard.Clear();
  wizard.btnBackClick();
  EXPECT_EQ(wizard.State().page, 0);  // nor before the first
}

TEST_F(WizardTest, CancelLeavesTheRecordAndFinishWritesItBack) {
  InstallEverything();
  SetIcaConnections({u"Desktop", u"Mail"});
  global.ICA.Connection = u"Gone";
  const TSettings before = global;
  Open(ConnectionType::kRemoteDesktop);
  wizard.edtRDPConnectionChange(u"elsewhere");
  EXPECT_EQ(wizard.btnCancelClick(), 2);
  EXPECT_EQ(global, before);

  // Nothing touched: the values come back unchanged, but for a stored ICA connection
  // that appsrv.ini no longer lists, which becomes its first one.
  wizard.Clear();
  WalkForward();
  EXPECT_EQ(wizard.btnFinishClick(), 1);
  TSettings expected = before;
  expected.ICA.Connection = u"Desktop";
  EXPECT_EQ(global, expected);
}

TEST_F(WizardTest, EachShowingStartsAfreshOnPageZero) {
  InstallEverything();
  Open(ConnectionType::kXenApp);
  GoTo(WizardPage::kCreateUser);
  wizard.chkUserCreateClick(true);
  wizard.edtUserUsernameChange(u"cancelled");
  wizard.Clear();
  wizard.FormShow();
  EXPECT_EQ(wizard.State().page, WizardPage::kWelcome);
  EXPECT_FALSE(wizard.State().btnBackEnabled);
  EXPECT_EQ(wizard.WizardSettings, global);
  EXPECT_EQ(wizard.State().rgConnectionType, global.ConnectionType);
}

TEST_F(WizardTest, ConnectionTypeChoiceDecidesTheNextPassAndKeepsOldFields) {
  InstallEverything();
  Open(ConnectionType::kCustomIca);
  GoTo(WizardPage::kICAClient);
  wizard.chkCopyICASettingsClick(false);
  WalkBack();
  wizard.btnNextClick();
  wizard.rgConnectionTypeClick(ConnectionType::kRemoteDesktop);
  EXPECT_EQ(wizard.WizardSettings.ConnectionType, ConnectionType::kRemoteDesktop);
  wizard.btnNextClick();
  wizard.btnNextClick();
  EXPECT_EQ(wizard.State().page, WizardPage::kRDPClient);
  EXPECT_FALSE(wizard.WizardSettings.ICA.CopyICASettings);
}

TEST_F(WizardTest, ConnectionTypeWithoutAnItemIsHeldWithinTheGroup) {
  global.ConnectionType = 7;
  wizard.Clear();
  EXPECT_EQ(wizard.State().rgConnectionType, 3);
  EXPECT_EQ(wizard.WizardSettings.ConnectionType, 3);
  global.ConnectionType = -1;
  wizard.Clear();
  EXPECT_EQ(wizard.State().rgConnectionType, -1);
  EXPECT_TRUE(RequirementRows(-1).empty());
}

// ---- requirement list and download page -------------------------------------------

TEST_F(WizardTest, RequirementRowsAndStatusesPerType) {
  fake.files.files[Text(kCitrix) + u"\\pn.exe"] = "";
  fake.files.directories.insert(kCitrix);
  fake.files.files[kAppSrv] = "";
  Open(ConnectionType::kCustomIca);
  wizard.btnNextClick();
  const auto& rows = wizard.State().lvCheck;
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], (std::pair<Text, Text>{kNotRequired, u"Citrix Client setup file"}));
  EXPECT_EQ(rows[3], (std::pair<Text, Text>{kFound, u"Citrix Connection File (Appsrv.ini)"}));
  EXPECT_EQ(Statuses(), (std::vector<Text>{kNotRequired, kFound, kFound, kFound, kNotFound}));

  Open(ConnectionType::kXenApp);
  wizard.btnNextClick();
  // pnagent.exe is missing, so the setup file is needed.
  EXPECT_EQ(Statuses(), (std::vector<Text>{kNotFound, kFound, kNotFound, kNotFound}));
  EXPECT_EQ(wizard.State().lvCheck[2].second, u"Citrix pnagent.exe");

  fake.files.files[kMstsc] = "";
  Open(ConnectionType::kRemoteDesktop);
  wizard.btnNextClick();
  EXPECT_EQ(wizard.State().lvCheck, (std::vector<std::pair<Text, Text>>{
                                        {kFound, u"Remote Desktop Connection (mstsc.exe)"},
                                        {kNotFound, u"Sysinternals Autologon.exe"}}));

  // StoreFront: the setup file is needed until both of the Workspace app's programs are there.
  fake.files.files[kSelfService] = "";
  Open(ConnectionType::kStoreFront);
  wizard.btnNextClick();
  EXPECT_EQ(Statuses(), (std::vector<Text>{kNotFound, kFound, kFound, kNotFound, kNotFound}));
}

TEST_F(WizardTest, DownloadPageShowsWhatIsMissing) {
  const auto download = [&](int type) {
    Open(type);
    GoTo(WizardPage::kCheck);
    wizard.btnNextClick();
    return wizard.State();
  };
  // Custom ICA: setup file there, pn.exe and the tool missing.
  fake.files.files[u"XenAppHosted.msi"] = "";
  WizardState s = download(ConnectionType::kCustomIca);
  EXPECT_EQ(s.page, WizardPage::kDownload);
  EXPECT_FALSE(s.lblCitrixClientVisible);
  EXPECT_TRUE(s.BtnRunCitrixSetupVisible);
  EXPECT_TRUE(s.lblSysInternalsVisible);
  EXPECT_EQ(s.lblSysInternalsTop, 3);
  EXPECT_EQ(s.urlSysInternalsTop, 39);

  // Nothing at all: everything shows, the tool's text below the Citrix one.
  fake.files.files.clear();
  s = download(ConnectionType::kCustomIca);
  EXPECT_TRUE(s.lblCitrixClientVisible);
  EXPECT_TRUE(s.BtnRunCitrixSetupVisible);
  EXPECT_EQ(s.lblSysInternalsTop, 123);
  EXPECT_EQ(s.urlSysInternalsTop, 159);

  // Remote Desktop needs no Citrix software: only the tool, at the top.
  s = download(ConnectionType::kRemoteDesktop);
  EXPECT_EQ(s.page, WizardPage::kDownload);
  EXPECT_FALSE(s.lblCitrixClientVisible);
  EXPECT_FALSE(s.BtnRunCitrixSetupVisible);
  EXPECT_TRUE(s.lblSysInternalsVisible);
  EXPECT_EQ(s.lblSysInternalsTop, 3);

  // XenApp: nothing installed shows the Citrix part too.
  s = download(ConnectionType::kXenApp);
  EXPECT_TRUE(s.lblCitrixClientVisible);
  EXPECT_TRUE(s.BtnRunCitrixSetupVisible);
  // pnagent.exe installed: no setup file needed; with the tool there, no page at all.
  fake.files.files[Text(kCitrix) + u"\\pnagent.exe"] = "";
  s = download(ConnectionType::kXenApp);
  EXPECT_FALSE(s.lblCitrixClientVisible);
  EXPECT_FALSE(s.BtnRunCitrixSetupVisible);

  // StoreFront: the Workspace app is offered; with its two programs nothing is missing.
  s = download(ConnectionType::kStoreFront);
  EXPECT_TRUE(s.BtnRunCitrixSetupVisible);
  EXPECT_NE(s.lblCitrixClient.find(u"Citrix Workspace app"), Text::npos);
  fake.files.files[kSelfService] = fake.files.files[kStoreBrowse] = "";
  fake.files.files[u"autologon.exe"] = "";
  EXPECT_EQ(download(ConnectionType::kXenApp).page, WizardPage::kXenAppClient);
  EXPECT_EQ(download(ConnectionType::kRemoteDesktop).page, WizardPage::kRDPClient);
  EXPECT_EQ(download(ConnectionType::kStoreFront).page, WizardPage::kStoreFrontClient);
}

// ---- the ICA page -----------------------------------------------------------------

TEST_F(WizardTest, IcaConnectionSelectionIsExactAndStored) {
  InstallEverything();
  SetIcaConnections({u"Desktop", u"Mail"});
  global.ICA.Connection = u"Mail";
  Open(ConnectionType::kCustomIca);
  GoTo(WizardPage::kICAClient);
  EXPECT_EQ(wizard.State().cboxIcaConnectionItems, (std::vector<Text>{u"Desktop", u"Mail"}));
  EXPECT_EQ(wizard.State().cboxIcaConnectionIndex, 1);
  EXPECT_TRUE(wizard.State().btnNextEnabled);
  EXPECT_EQ(wizard.WizardSettings.ICA.Connection, u"Mail");

  global.ICA.Connection = u"mail";
  Open(ConnectionType::kCustomIca);
  GoTo(WizardPage::kICAClient);
  EXPECT_EQ(wizard.State().cboxIcaConnectionIndex, 0);
  EXPECT_EQ(wizard.WizardSettings.ICA.Connection, u"Desktop");
  wizard.cboxIcaConnectionChange(1);
  EXPECT_EQ(wizard.WizardSettings.ICA.Connection, u"Mail");
}

TEST_F(WizardTest, MissingAppsrvIniIsToldEveryTimeAndBlocksNext) {
  InstallEverything();
  fake.files.files.erase(kAppSrv);
  global.ICA.Connection = u"Kept";
  Open(ConnectionType::kCustomIca);
  GoTo(WizardPage::kICAClient);
  const Text message = u"Appsrv.ini not found (" + Text(kAppSrv) + u")";
  EXPECT_EQ(fake.messages.shown, std::vector<Text>{message});
  const WizardState& s = wizard.State();
  EXPECT_TRUE(s.cboxIcaConnectionItems.empty());
  EXPECT_FALSE(s.cboxIcaConnectionEnabled);
  EXPECT_FALSE(s.btnTestICAConnectionEnabled);
  EXPECT_FALSE(s.btnNextEnabled);
  EXPECT_EQ(wizard.WizardSettings.ICA.Connection, u"Kept");
  wizard.btnRefreshICAConnectionsClick();
  EXPECT_EQ(fake.messages.shown.size(), 2u);
  EXPECT_TRUE(wizard.EnumerateIcaConnections(true).empty());
  EXPECT_EQ(fake.messages.shown.size(), 2u);  // suppressed

  // A file without connections: the same, but silent.
  SetIcaConnections({});
  wizard.btnRefreshICAConnectionsClick();
  EXPECT_EQ(fake.messages.shown.size(), 2u);
  EXPECT_FALSE(wizard.State().btnNextEnabled);
}

TEST_F(WizardTest, ProgramNeighborhoodRefillsTheListAfterItCloses) {
  InstallEverything();
  Open(ConnectionType::kCustomIca);
  GoTo(WizardPage::kICAClient);
  fake.processes.onRun = [&](const testing::FakeProcesses::Run&) { SetIcaConnections({u"Desktop", u"New"}); };
  wizard.btnOpenPNClick();
  ASSERT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), u"\"" + Text(kCitrix) + u"\\pn.exe\" ");
  EXPECT_TRUE(fake.processes.runs[0].wait);
  EXPECT_EQ(fake.processes.runs[0].showState, ShowState::kNormal);
  EXPECT_EQ(wizard.State().cboxIcaConnectionItems, (std::vector<Text>{u"Desktop", u"New"}));

  fake.files.files.erase(Text(kCitrix) + u"\\pn.exe");
  wizard.btnOpenPNClick();
  EXPECT_EQ(fake.messages.shown.back(), u"File not found: " + Text(kCitrix) + u"\\pn.exe");
  EXPECT_EQ(fake.processes.runs.size(), 1u);
}

TEST_F(WizardTest, IcaTestStartsProgramNeighborhoodWithTheConnection) {
  InstallEverything();
  global.ICA.CommandlineParameters = u"-x";
  Open(ConnectionType::kCustomIca);
  GoTo(WizardPage::kICAClient);
  wizard.btnTestICAConnectionClick();
  ASSERT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.processes.runs[0].program, u"\"" + Text(kCitrix) + u"\\pn.exe\"");
  EXPECT_EQ(fake.processes.runs[0].parameters, u"-x/APP \"Desktop\"");
  EXPECT_TRUE(fake.processes.runs[0].wait);
}

// ---- the XenApp page --------------------------------------------------------------

TEST_F(WizardTest, XenAppPageTakesTheAddressFromPNAgentWhenNoneIsStored) {
  InstallEverything();
  SetPNAgent(u"https://xenapp.example/config.xml", "Apps");
  global.XenApp.DesktopFolder = u"C:\\Users\\kiosk\\Desktop\\Old Apps";
  Open(ConnectionType::kXenApp);
  GoTo(WizardPage::kXenAppClient);
  EXPECT_EQ(wizard.State().edtXenAppServerURL, u"https://xenapp.example/config.xml");
  EXPECT_EQ(wizard.State().edtXenAppDesktopFolder, u"Old Apps");
  wizard.edtXenAppServerURLChange(u"typed");
  EXPECT_EQ(wizard.WizardSettings.XenApp.ServerURL, global.XenApp.ServerURL);  // never stored

  global.XenApp.ServerURL = u"https://stored.example";
  Open(ConnectionType::kXenApp);
  GoTo(WizardPage::kXenAppClient);
  EXPECT_EQ(wizard.State().edtXenAppServerURL, u"https://stored.example");
  wizard.btnRefreshXenAppURLClick();
  EXPECT_EQ(wizard.State().edtXenAppServerURL, u"https://xenapp.example/config.xml");
  EXPECT_EQ(wizard.WizardSettings.XenApp.ServerURL, u"https://stored.example");

  wizard.btnRefreshXenAppDesktopFolderClick();
  EXPECT_EQ(wizard.State().edtXenAppDesktopFolder, u"Apps");
  EXPECT_EQ(wizard.WizardSettings.XenApp.DesktopFolder, u"C:\\Users\\kiosk\\Desktop\\Apps");
  SetPNAgent(u"", "");
  wizard.btnRefreshXenAppDesktopFolderClick();
  EXPECT_EQ(wizard.State().edtXenAppDesktopFolder, u"");
  EXPECT_EQ(wizard.WizardSettings.XenApp.DesktopFolder, u"C:\\Users\\kiosk\\Desktop\\");
}

TEST_F(WizardTest, XenAppButtonsStartPNAgentAndTheTestShowsTheLauncherWithACloseBox) {
  InstallEverything();
  global.XenApp.CommandlineParameters = u"/qlaunch";
  Open(ConnectionType::kXenApp);
  GoTo(WizardPage::kXenAppClient);
  wizard.btnStartXenAppClientClick();
  ASSERT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), u"\"" + Text(kCitrix) + u"\\pnagent.exe\" /qlaunch");
  EXPECT_TRUE(fake.processes.runs[0].wait);
  EXPECT_EQ(fake.messages.shown, std::vector<Text>{u"return"});
  EXPECT_TRUE(rig.launcherWindow.shows.empty());

  rig.frmXenAppLauncher.SetSessionMode(true);
  wizard.btnRefreshXenAppDesktopFolderClick();
  wizard.btnXenAppTestClick();
  EXPECT_EQ(fake.processes.runs.size(), 2u);
  EXPECT_EQ(fake.messages.shown.back(), u"Return");
  ASSERT_EQ(rig.launcherWindow.shows.size(), 1u);
  EXPECT_EQ(rig.launcherWindow.sessionModes[0], false);
  EXPECT_EQ(rig.launcherWindow.shows[0], wizard.WizardSettings);
}

// ---- the StoreFront page ----------------------------------------------------------

TEST_F(WizardTest, StoreFrontPageNeedsAStoreAndItsTestLaunchesTheResourceOrShowsTheLauncher) {
  InstallEverything();
  global.StoreFront.Resource = u"Office Desktop";
  global.StoreFront.WaitForClient = 9999;  // a hand-edited file: shown at the limit, kept unless changed
  Open(ConnectionType::kStoreFront);
  GoTo(WizardPage::kStoreFrontClient);
  EXPECT_EQ(wizard.State().speStoreFrontWaitForClient, kWaitForClientMaximum);
  EXPECT_FALSE(wizard.State().btnNextEnabled || wizard.State().btnStoreFrontTestEnabled) << "no store yet";
  wizard.edtStoreFrontStoreURLChange(u"https://sf.example/Citrix/Store");
  EXPECT_TRUE(wizard.State().btnNextEnabled && wizard.State().btnStoreFrontTestEnabled);
  wizard.speStoreFrontWaitForClientChange(kWaitForClientMaximum);
  EXPECT_EQ(wizard.WizardSettings.StoreFront.WaitForClient, 9999) << "unchanged";

  wizard.btnStoreFrontTestClick();
  ASSERT_EQ(fake.processes.runs.size(), 2u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), AddStoreCommandLine(wizard.WizardSettings).Whole());
  EXPECT_TRUE(fake.processes.runs[0].wait) << "the store is known before the launch";
  EXPECT_EQ(fake.processes.runs[1].CommandLine(), StoreFrontLaunchCommandLine(wizard.WizardSettings).Whole());
  EXPECT_FALSE(fake.processes.runs[1].wait) << "the self-service program may stay";
  EXPECT_EQ(fake.messages.shown, std::vector<Text>{u"Return"});
  EXPECT_TRUE(rig.launcherWindow.shows.empty());

  wizard.edtStoreFrontResourceChange(u"");
  EXPECT_TRUE(wizard.State().lblStoreFrontLauncherNoteVisible);
  wizard.btnStoreFrontTestClick();
  EXPECT_EQ(fake.processes.runs.size(), 3u) << "only the store is added";
  ASSERT_EQ(rig.launcherWindow.shows.size(), 1u);
  EXPECT_EQ(rig.launcherWindow.sessionModes[0], false);
  EXPECT_EQ(rig.launcherWindow.shows[0], wizard.WizardSettings);
}

// ---- the Remote Desktop page ------------------------------------------------------

TEST_F(WizardTest, RdpFilesSortedWithoutCaseAndSelectedExactly) {
  InstallEverything();
  fake.files.files[u"C:\\Apps\\b.rdp"] = "";
  fake.files.files[u"C:\\Apps\\A.rdp"] = "";
  fake.files.files[u"C:\\Apps\\hidden.rdp"] = "";
  fake.files.hiddenFiles.insert(u"C:\\Apps\\hidden.rdp");
  global.RDP.UseRDPFile = true;
  global.RDP.RDPFileLocation = u"b.rdp";
  Open(ConnectionType::kRemoteDesktop);
  GoTo(WizardPage::kRDPClient);
  const WizardState& s = wizard.State();
  EXPECT_EQ(s.cboxRDPFilesItems, (std::vector<Text>{u"A.rdp", u"b.rdp"}));
  EXPECT_EQ(s.cboxRDPFilesIndex, 1);
  EXPECT_TRUE(s.btnNextEnabled);
  EXPECT_TRUE(s.btnTestRDPConnectionEnabled);
  EXPECT_TRUE(s.gboxRDPFileVisible);
  EXPECT_FALSE(s.gboxRemoteComputerVisible);
  // Relative names in the settings are looked for in the program folder from now on.
  EXPECT_EQ(fake.folders.currentDirectory, u"C:\\Apps\\");

  global.RDP.RDPFileLocation = u"B.rdp";
  Open(ConnectionType::kRemoteDesktop);
  GoTo(WizardPage::kRDPClient);
  EXPECT_EQ(wizard.State().cboxRDPFilesIndex, -1);
  EXPECT_FALSE(wizard.State().btnNextEnabled);
  EXPECT_FALSE(wizard.State().btnTestRDPConnectionEnabled);
  wizard.cboxRDPFilesChange(-1);  // nothing selected: nothing happens
  EXPECT_FALSE(wizard.State().btnNextEnabled);
  wizard.cboxRDPFilesChange(0);
  EXPECT_TRUE(wizard.State().btnNextEnabled);
  EXPECT_EQ(wizard.WizardSettings.RDP.RDPFileLocation, u"A.rdp");
}

TEST_F(WizardTest, NoRdpFileMeansAnEmptyDisabledList) {
  InstallEverything();
  global.RDP.UseRDPFile = true;
  Open(ConnectionType::kRemoteDesktop);
  GoTo(WizardPage::kRDPClient);
  EXPECT_TRUE(wizard.State().cboxRDPFilesItems.empty());
  EXPECT_FALSE(wizard.State().cboxRDPFilesEnabled);
  EXPECT_FALSE(wizard.State().btnNextEnabled);
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(WizardTest, RemoteComputerNameEnablesNextAndTest) {
  InstallEverything();
  global.RDP.Connection = u"";
  global.RDP.Port = 3390;
  Open(ConnectionType::kRemoteDesktop);
  GoTo(WizardPage::kRDPClient);
  EXPECT_TRUE(wizard.State().gboxRemoteComputerVisible);
  EXPECT_EQ(wizard.State().speRDPPort, 3390);
  EXPECT_FALSE(wizard.State().btnNextEnabled);
  EXPECT_FALSE(wizard.State().btnTestRDPConnectionEnabled);
  wizard.edtRDPConnectionChange(u"h");
  EXPECT_TRUE(wizard.State().btnNextEnabled);
  EXPECT_TRUE(wizard.State().btnTestRDPConnectionEnabled);
  wizard.edtRDPConnectionChange(u"");
  EXPECT_FALSE(wizard.State().btnNextEnabled);

  // Switching to a file and back swaps the group boxes and reloads each side.
  wizard.edtRDPConnectionChange(u"host1");
  wizard.chkUseRDPFileClick(true);
  EXPECT_TRUE(wizard.State().gboxRDPFileVisible);
  EXPECT_FALSE(wizard.State().btnNextEnabled);
  wizard.chkUseRDPFileClick(false);
  EXPECT_FALSE(wizard.State().gboxRDPFileVisible);
  EXPECT_EQ(wizard.State().edtRDPConnection, u"host1");
  EXPECT_TRUE(wizard.State().btnNextEnabled);
}

TEST_F(WizardTest, RdpTestCommandLines) {
  InstallEverything();
  global.RDP.Connection = u"host1";
  global.RDP.CommandlineParameters = u"";
  Open(ConnectionType::kRemoteDesktop);
  GoTo(WizardPage::kRDPClient);
  wizard.btnTestRDPConnectionClick();
  wizard.chkRDPFullScreenClick(false);
  wizard.speRDPPortChange(3390);
  wizard.btnTestRDPConnectionClick();
  fake.files.files[u"C:\\Apps\\office.rdp"] = "";
  wizard.chkUseRDPFileClick(true);
  wizard.cboxRDPFilesChange(0);
  wizard.chkRDPFullScreenClick(true);
  wizard.btnTestRDPConnectionClick();
  ASSERT_EQ(fake.processes.runs.size(), 3u);
  const Text program = u"\"" + Text(kMstsc) + u"\"";
  EXPECT_EQ(fake.processes.runs[0].program, program);
  EXPECT_EQ(fake.processes.runs[0].parameters, u"/V:host1:3389 /f");
  EXPECT_EQ(fake.processes.runs[1].parameters, u"/V:host1:3390");
  EXPECT_EQ(fake.processes.runs[2].parameters, u"\"C:\\Apps\\office.rdp\"  /f");
  for (const auto& run : fake.processes.runs) EXPECT_TRUE(run.wait);
}

TEST_F(WizardTest, RemoteDesktopClientRefreshesTheFilesAfterItCloses) {
  InstallEverything();
  global.RDP.UseRDPFile = true;
  Open(ConnectionType::kRemoteDesktop);
  GoTo(WizardPage::kRDPClient);
  fake.processes.onRun = [&](const testing::FakeProcesses::Run&) { fake.files.files[u"C:\\Apps\\saved.rdp"] = ""; };
  wizard.btnRunRDPClientClick();
  ASSERT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), u"\"" + Text(kMstsc) + u"\" ");
  EXPECT_EQ(wizard.State().cboxRDPFilesItems, std::vector<Text>{u"saved.rdp"});

  fake.files.files.erase(kMstsc);
  wizard.btnRunRDPClientClick();
  EXPECT_EQ(fake.messages.shown, std::vector<Text>{u"File not found: " + Text(kMstsc)});
  EXPECT_EQ(fake.processes.runs.size(), 1u);
}

// ---- user, autologon and shell ----------------------------------------------------

TEST_F(WizardTest, UserAndAutologonPagesShareNameAndPassword) {
  InstallEverything();
  Open(ConnectionType::kXenApp);
  GoTo(WizardPage::kCreateUser);
  EXPECT_FALSE(wizard.State().userEditsEnabled);
  wizard.chkUserCreateClick(true);
  EXPECT_TRUE(wizard.State().userEditsEnabled);
  wizard.edtUserUsernameChange(u"kiosk2");
  wizard.edtUserPasswordChange(u"secret");
  wizard.btnNextClick();
  EXPECT_EQ(wizard.State().edtAutologonUsername, u"kiosk2");
  EXPECT_EQ(wizard.State().edtAutologonPassword, u"secret");
  // The wizard creates that user, so it is the autologon account: its edits stay locked.
  wizard.chkAutologonEnableClick(true);
  EXPECT_FALSE(wizard.State().autologonEditsEnabled);
  EXPECT_TRUE(wizard.WizardSettings.Autologon.EnableAutologon);

  wizard.btnBackClick();
  wizard.chkUserCreateClick(false);
  wizard.btnNextClick();
  EXPECT_TRUE(wizard.State().chkAutologonEnable);
  EXPECT_TRUE(wizard.State().autologonEditsEnabled);
  wizard.edtAutologonUsernameChange(u"other");
  wizard.btnBackClick();
  EXPECT_EQ(wizard.State().edtUserUsername, u"other");
}

TEST_F(WizardTest, ANewSetUpTicksTheKioskRestrictionsAndALaterOneShowsTheStoredValue) {
  InstallEverything();
  std::vector<bool> shown;
  const auto walk = [&](bool tick) {
    return [&, tick] {
      wizard.FormShow();
      wizard.btnNextClick();
      wizard.rgConnectionTypeClick(ConnectionType::kRemoteDesktop);
      GoTo(WizardPage::kCreateUser);
      shown.push_back(wizard.State().chkRestrictKioskUser);
      wizard.chkRestrictKioskUserClick(tick);
      return wizard.btnFinishClick();
    };
  };
  // The first start finds no settings file, and the wizard is offered.
  fake.messages.answers = {true};
  rig.wizardWindow.answers.push_back(walk(true));
  rig.main.ApplicationStart();
  rig.wizardWindow.answers.push_back(walk(false));
  rig.main.btnSetupWizardClick();
  rig.wizardWindow.answers.push_back(walk(false));
  rig.main.btnSetupWizardClick();
  EXPECT_EQ(shown, (std::vector<bool>{true, true, false})) << "ticked for a new set-up, then as stored";
  EXPECT_EQ(fake.files.files[u"C:\\Apps\\settings.xml"].find("RestrictKioskUser"), std::string::npos);

}

TEST_F(WizardTest, SysinternalsChoiceSwapsTheGroupsAndKeepsTheEnableFlag) {
  InstallEverything();
  global.Autologon.EnableAutologon = true;
  Open(ConnectionType::kXenApp);
  GoTo(WizardPage::kAutologon);
  EXPECT_TRUE(wizard.State().gboxAutologonConfigureVisible);
  EXPECT_FALSE(wizard.State().gboxAutoLogonSysinternalsVisible);
  EXPECT_TRUE(wizard.State().autologonEditsEnabled);
  wizard.chkAutologonUseSysinternalsClick(true);
  EXPECT_FALSE(wizard.State().gboxAutologonConfigureVisible);
  EXPECT_TRUE(wizard.State().gboxAutoLogonSysinternalsVisible);
  EXPECT_TRUE(wizard.WizardSettings.Autologon.UseSysinternals);
  EXPECT_TRUE(wizard.WizardSettings.Autologon.EnableAutologon);
  wizard.chkAutologonUseSysinternalsClick(false);
  EXPECT_TRUE(wizard.State().gboxAutologonConfigureVisible);
  EXPECT_TRUE(wizard.State().autologonEditsEnabled);
}

TEST_F(WizardTest, AutologonToolAndCitrixSetupStarts) {
  wizard.Clear();
  wizard.btnOpenAutologonClick();
  EXPECT_EQ(fake.messages.shown, std::vector<Text>{u"File not found: autologon.exe"});
  EXPECT_TRUE(fake.processes.runs.empty());
  fake.files.files[u"autologon.exe"] = "";
  wizard.btnOpenAutologonClick();
  wizard.BtnRunCitrixSetupClick();
  ASSERT_EQ(fake.processes.runs.size(), 2u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), u"\"autologon.exe\" ");
  EXPECT_TRUE(fake.processes.runs[0].wait);
  EXPECT_EQ(fake.processes.runs[1].CommandLine(), u"msiexec /i XenAppHosted.msi ");
  EXPECT_FALSE(fake.processes.runs[1].wait);  // the wizard stays usable meanwhile
  wizard.WizardSettings.Citrix.SetupFile = u"C:\\Setup\\CitrixWorkspaceApp.EXE";
  wizard.BtnRunCitrixSetupClick();
  EXPECT_EQ(fake.processes.runs.back().CommandLine(), u"\"C:\\Setup\\CitrixWorkspaceApp.EXE\" ");
}

TEST_F(WizardTest, LinksOpenTheirOwnAddress) {
  std::vector<Text> opened;
  wizard.OpenLink = [&](TextView link) { opened.emplace_back(link); };
  wizard.urlCitrixDownloadLinkClick(kCitrixDownloadUrl);
  wizard.urlCitrixDownloadLinkClick(kAutologonDownloadUrl);
  EXPECT_EQ(opened, (std::vector<Text>{kCitrixDownloadUrl, kAutologonDownloadUrl}));
  EXPECT_TRUE(fake.processes.runs.empty());
}

TEST_F(WizardTest, ShellPageSelectsAndStoresTheShell) {
  InstallEverything();
  global.CurrentShell = CurrentShell::kExplorer;
  Open(ConnectionType::kXenApp);
  GoTo(WizardPage::kConfigureShell);
  EXPECT_EQ(wizard.State().rgShellSelect, 0);
  wizard.rgShellSelectClick(1);
  wizard.btnNextClick();
  EXPECT_EQ(wizard.btnFinishClick(), 1);
  EXPECT_EQ(global.CurrentShell, CurrentShell::kLanthe);
  EXPECT_EQ(global.ConnectionType, ConnectionType::kXenApp);
}

TEST_F(WizardTest, FinishTakesAnAccountWithAnyCharacters) {
  InstallEverything();
  Open(ConnectionType::kXenApp);
  GoTo(WizardPage::kCreateUser);
  wizard.chkUserCreateClick(true);
  wizard.edtUserUsernameChange(u"ki\"osk");
  GoTo(WizardPage::kFinish);
  EXPECT_EQ(wizard.btnFinishClick(), 1);
  EXPECT_EQ(global.Autologon.Username, u"ki\"osk");
  EXPECT_TRUE(fake.messages.shown.empty());
}

// ---- from the main window ---------------------------------------------------------

TEST_F(WizardTest, MainWindowSavesAndAppliesOnlyAfterFinish) {
  InstallEverything();
  rig.fake.identity.administrator = true;
  const auto walk = [&](bool finish) {
    return [this, finish] {
      wizard.FormShow();
      wizard.btnNextClick();
      wizard.rgConnectionTypeClick(ConnectionType::kXenApp);
      while (wizard.State().page != WizardPage::kFinish) {
        if (wizard.State().page == WizardPage::kConfigureShell) wizard.rgShellSelectClick(1);
        wizard.btnNextClick();
      }
      return finish ? wizard.btnFinishClick() : wizard.btnCancelClick();
    };
  };
  rig.wizardWindow.answers.push_back(walk(false));
  rig.main.btnSetupWizardClick();
  EXPECT_EQ(fake.files.files.count(u"C:\\Apps\\settings.xml"), 0u);
  EXPECT_EQ(global.ConnectionType, ConnectionType::kCustomIca);

  rig.wizardWindow.answers.push_back(walk(true));
  rig.main.btnSetupWizardClick();
  EXPECT_EQ(global.ConnectionType, ConnectionType::kXenApp);
  ASSERT_EQ(fake.files.files.count(u"C:\\Apps\\settings.xml"), 1u);
  EXPECT_NE(fake.files.files[u"C:\\Apps\\settings.xml"].find("<ConnectionType>2</ConnectionType>"), std::string::npos);
  EXPECT_NE(fake.registry.Value(RegistryRoot::LocalMachine, kWinlogonKey, u"shell"), nullptr);
}

}  // namespace
}  // namespace lanthe
