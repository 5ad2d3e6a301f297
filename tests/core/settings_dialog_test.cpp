#include "dialogs/settings_dialog.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "main_window_rig.h"
#include "platform/error.h"

namespace lanthe {
namespace {

class SettingsDialogTest : public ::testing::Test {
 protected:
  SettingsDialogTest() {
    SetDefaultSettings(defaults, fake.folders, u"C:\\Apps\\lanthe.exe", u"");
    dialog.FormCreate();
  }
  // The main window's part: a copy in, the dialog shown.
  void Show(const TSettings& settings) {
    dialog.DialogSettings = settings;
    dialog.FormShow();
  }

  testing::FakePlatform fake;
  PNAgentStore pnagent{fake.registry, fake.files, fake.codePage};
  TfrmLog frmLog;
  TdlgSettings dialog{fake.files, fake.codePage, pnagent, frmLog};
  TSettings defaults;
};

TEST_F(SettingsDialogTest, OkWithoutChangesStoresTheSameValues) {
  TSettings s = defaults;
  s.CitrixLogOff = 2;
  s.ShutdownDialogDefaultChoice = 3;
  s.RDP.CommandlineParameters = u"/admin ";
  s.BackgroundColor = 0x123456;
  Show(s);
  EXPECT_FALSE(dialog.ApplyEnabled());
  EXPECT_EQ(dialog.btnOkClick(), 1);
  EXPECT_EQ(dialog.DialogSettings, s);
}

TEST_F(SettingsDialogTest, TheKioskPageEditsItsSettings) {
  TSettings s = defaults;
  s.WaitForNetwork = 900;  // a hand-edited file: shown at the limit, kept unless changed
  Show(s);
  EXPECT_FALSE(dialog.Controls.chkLockSecureScreen);
  EXPECT_EQ(dialog.Controls.speWaitForNetwork, 600);
  EXPECT_TRUE(dialog.Controls.chkRunStartupPrograms);
  EXPECT_FALSE(dialog.Controls.chkRestrictKioskUser);
  dialog.btnOkClick();
  EXPECT_EQ(dialog.DialogSettings.WaitForNetwork, 900);

  Show(dialog.DialogSettings);
  dialog.Controls.chkLockSecureScreen = true;
  dialog.Controls.speWaitForNetwork = 45;
  dialog.Controls.chkRunStartupPrograms = false;
  dialog.Controls.chkRestrictKioskUser = true;
  dialog.UpdateApplyBtn();
  EXPECT_TRUE(dialog.ApplyEnabled());
  dialog.btnApplyClick();
  EXPECT_TRUE(dialog.DialogSettings.LockSecureScreen);
  EXPECT_EQ(dialog.DialogSettings.WaitForNetwork, 45);
  EXPECT_FALSE(dialog.DialogSettings.RunStartupPrograms);
  EXPECT_TRUE(dialog.DialogSettings.RestrictKioskUser);
  EXPECT_FALSE(dialog.ApplyEnabled());
}

TEST_F(SettingsDialogTest, TheStoreFrontPageEditsItsGroup) {
  Show(defaults);
  EXPECT_TRUE(dialog.StoreFrontLauncherNoteVisible()) << "no resource: the launcher offers the store";
  dialog.Controls.edtStoreFrontStoreURL = u"https://sf.example/Citrix/Store";
  dialog.Controls.edtStoreFrontResource = u"Office Desktop";
  dialog.Controls.speStoreFrontWaitForClient = 300;
  EXPECT_FALSE(dialog.StoreFrontLauncherNoteVisible());
  dialog.btnOkClick();
  EXPECT_EQ(dialog.DialogSettings.StoreFront,
            (TSettings::StoreFrontGroup{u"https://sf.example/Citrix/Store", u"Office Desktop", u"", 300}));
}

TEST_F(SettingsDialogTest, CitrixLogOffZeroComesBackAsLogoff) {
  TSettings s = defaults;
  s.CitrixLogOff = 0;
  Show(s);
  EXPECT_TRUE(dialog.Controls.radLogoff);
  EXPECT_FALSE(dialog.Controls.radPowerOff);
  dialog.btnOkClick();
  EXPECT_EQ(dialog.DialogSettings.CitrixLogOff, 2);
  s.CitrixLogOff = 1;
  Show(s);
  EXPECT_TRUE(dialog.Controls.radPowerOff);
}

TEST_F(SettingsDialogTest, ConnectionTypeItemsPairWithTheirCodes) {
  const struct {
    int type;
    int item;
  } cases[] = {{1, 0}, {2, 1}, {0, 2}, {3, 3}};
  for (const auto& c : cases) {
    TSettings s = defaults;
    s.ConnectionType = c.type;
    Show(s);
    EXPECT_EQ(dialog.Controls.rgConnectionType, c.item);
    dialog.Controls.rgConnectionType = (c.item + 1) % 4;
    dialog.btnOkClick();
    EXPECT_EQ(dialog.DialogSettings.ConnectionType, kConnectionTypeItems[(c.item + 1) % 4]);
  }
}

TEST_F(SettingsDialogTest, AConnectionTypeWithoutAnItemIsKeptByOk) {
  TSettings s = defaults;
  s.ConnectionType = 7;
  Show(s);
  EXPECT_EQ(dialog.Controls.rgConnectionType, -1) << "no item selected";
  dialog.btnOkClick();
  EXPECT_EQ(dialog.DialogSettings.ConnectionType, 7);
}

TEST_F(SettingsDialogTest, TheHighlightedRowChoosesThePreselection) {
  TSettings s = defaults;
  s.ShutdownDialogDefaultChoice = 0;
  Show(s);
  EXPECT_EQ(dialog.Controls.cblShutdownDialogHighlighted, -1) << "no row on a first showing";
  dialog.btnOkClick();
  EXPECT_EQ(dialog.DialogSettings.ShutdownDialogDefaultChoice, 0) << "OK keeps 0";

  s.ShutdownDialogDefaultChoice = 2;
  Show(s);
  EXPECT_EQ(dialog.Controls.cblShutdownDialogHighlighted, 1);
  s.ShutdownDialogDefaultChoice = 9;
  Show(s);
  EXPECT_EQ(dialog.Controls.cblShutdownDialogHighlighted, 1) << "another value leaves the highlight";
  dialog.Controls.cblShutdownDialogHighlighted = 2;
  dialog.btnOkClick();
  EXPECT_EQ(dialog.DialogSettings.ShutdownDialogDefaultChoice, 3);
}

TEST_F(SettingsDialogTest, CheckMarksChooseTheOfferedActionsAllOffIncluded) {
  Show(defaults);
  EXPECT_EQ(dialog.Controls.cblShutdownDialogChecked, (std::array<bool, 3>{true, true, false}));
  dialog.Controls.cblShutdownDialogChecked = {false, false, false};
  dialog.btnOkClick();
  EXPECT_FALSE(dialog.DialogSettings.ShowShutdown);
  EXPECT_FALSE(dialog.DialogSettings.ShowLogoff);
  EXPECT_FALSE(dialog.DialogSettings.ShowRestart);
}

TEST_F(SettingsDialogTest, TheGroupBoxesAndTheColourFollowTheirCheckBoxes) {
  TSettings s = defaults;
  s.ShowShutdownDialog = false;
  s.UseBackgroundColor = false;
  Show(s);
  EXPECT_FALSE(dialog.ShutdownDialogBoxVisible());
  EXPECT_FALSE(dialog.BackgroundColorEnabled());
  dialog.Controls.chkShowShutdownDialog = true;
  dialog.chkShowShutdownDialogClick();
  dialog.Controls.chkUseBackgroundColor = true;
  dialog.chkUseBackgroundColorClick();
  EXPECT_TRUE(dialog.ShutdownDialogBoxVisible());
  EXPECT_TRUE(dialog.BackgroundColorEnabled());
  EXPECT_TRUE(dialog.ApplyEnabled());
}

TEST_F(SettingsDialogTest, ApplyIsOnExactlyAfterAChangeSinceShowOrTheLastApply) {
  Show(defaults);
  EXPECT_FALSE(dialog.ApplyEnabled());
  dialog.Controls.edtICACommandline = u"-x";
  dialog.UpdateApplyBtn();
  EXPECT_TRUE(dialog.ApplyEnabled());
  dialog.btnApplyClick();
  EXPECT_FALSE(dialog.ApplyEnabled());
  EXPECT_EQ(dialog.DialogSettings.ICA.CommandlineParameters, u"-x");
  dialog.Controls.edtICACommandline = u"-y";
  dialog.UpdateApplyBtn();
  EXPECT_EQ(dialog.btnCancelClick(), 2);
  EXPECT_EQ(dialog.DialogSettings.ICA.CommandlineParameters, u"-x") << "Cancel keeps what Apply stored";
}

TEST_F(SettingsDialogTest, TheFirstPageIsCustomIcaAndLaterShowingsKeepTheLast) {
  EXPECT_EQ(dialog.ActivePage, SettingsPage::kCustomIca);
  dialog.ActivePage = SettingsPage::kRdp;
  Show(defaults);
  EXPECT_EQ(dialog.ActivePage, SettingsPage::kRdp);
}

TEST_F(SettingsDialogTest, TheViewerShowsOneLineAfterEachClosingBracket) {
  fake.registry.AddKey(RegistryRoot::CurrentUser, kPNAgentKey).values[kPNAgentConfigValue] =
      RegistryValue{RegistryType::kBinary, {'<', 'a', '>', 'b'}};
  frmLog.memLog = {u"old"};
  dialog.btnXenAppViewConfigClick();
  EXPECT_EQ(frmLog.memLog, (std::vector<Text>{u"<a>", u"b"}));
  EXPECT_TRUE(frmLog.visible);
  frmLog.btnClearClick();
  EXPECT_TRUE(frmLog.memLog.empty());
}

TEST_F(SettingsDialogTest, WithoutALiveConfigurationTheViewerIsEmpty) {
  dialog.btnXenAppViewConfigClick();
  EXPECT_TRUE(frmLog.memLog.empty());
  EXPECT_TRUE(frmLog.visible);
}

TEST_F(SettingsDialogTest, TheStoredConfigurationAndItsFailures) {
  Show(defaults);
  fake.files.files[u"C:\\Apps\\XenAppSettings.cfg"] = "3C,E9,3E,ZZ,41\r\n";
  EXPECT_THROW(dialog.Button1Click(), Error);
  EXPECT_EQ(frmLog.memLog, std::vector<Text>{u"<\u00E9>"}) << "the lines so far stay";
  EXPECT_FALSE(frmLog.visible) << "not shown by a failed call";

  fake.files.files[u"C:\\Apps\\XenAppSettings.cfg"] = "";
  EXPECT_THROW(dialog.Button1Click(), Error);
  fake.files.files.erase(u"C:\\Apps\\XenAppSettings.cfg");
  EXPECT_THROW(dialog.Button1Click(), Error);

  fake.files.files[u"C:\\Apps\\XenAppSettings.cfg"] = "3C,61,3E,62\r\n";
  dialog.Button1Click();
  EXPECT_EQ(frmLog.memLog, (std::vector<Text>{u"<a>", u"b"}));
  EXPECT_TRUE(frmLog.visible);
}

TEST(SettingsButton, OkOrCancelReplaceTheLiveSettingsThenSaveAndApply) {
  MainWindowRig rig;
  rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  rig.settingsWindow.answers = {[&] {
    rig.dlgSettings.FormShow();
    rig.dlgSettings.Controls.rgConnectionType = 2;  // "Remote Desktop Protocol"
    rig.dlgSettings.Controls.chkRDPFullScreen = false;
    return rig.dlgSettings.btnOkClick();
  }};
  rig.main.btnSettingsClick();
  EXPECT_EQ(rig.main.Settings.ConnectionType, 0);
  EXPECT_FALSE(rig.main.Settings.RDP.FullScreen);
  EXPECT_NE(rig.fake.files.files[u"C:\\Apps\\settings.xml"].find("<FullScreen>0</FullScreen>"), std::string::npos);
  EXPECT_TRUE(rig.host.state.btnRemoteDesktopVisible) << "applied";

  rig.settingsWindow.answers = {[&] {
    rig.dlgSettings.FormShow();
    rig.dlgSettings.Controls.chkReconnect = false;
    rig.dlgSettings.btnApplyClick();
    rig.dlgSettings.Controls.chkDisableTaskman = true;
    return rig.dlgSettings.btnCancelClick();
  }};
  rig.main.btnSettingsClick();
  EXPECT_FALSE(rig.main.Settings.ShowReconnectDialog) << "Apply then Cancel keeps what Apply stored";
  EXPECT_FALSE(rig.main.Settings.DisableTaskManager) << "edits after Apply are lost";
}

}  // namespace
}  // namespace lanthe
