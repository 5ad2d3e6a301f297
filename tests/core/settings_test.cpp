#include "config/settings.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

TEST(SettingsDefaults, MatchTheDocumentedTable) {
  testing::FakeFolders folders;
  TSettings s;
  SetDefaultSettings(s, folders, u"C:\\Apps\\lanthe.exe", u"");

  EXPECT_EQ(s.ProgramDir, u"C:\\Apps\\");
  EXPECT_EQ(s.CitrixLogOff, 1);
  EXPECT_TRUE(s.ShowShutdownDialog);
  EXPECT_TRUE(s.ShowReconnectDialog);
  EXPECT_TRUE(s.ShowShutdown);
  EXPECT_TRUE(s.ShowLogoff);
  EXPECT_FALSE(s.ShowRestart);
  EXPECT_EQ(s.ShutdownDialogDefaultChoice, 4);
  EXPECT_EQ(s.ConnectionType, 1);
  EXPECT_EQ(s.Citrix.ClientPath, u"C:\\Program Files\\Citrix\\ICA Client");
  EXPECT_EQ(s.Citrix.SetupFile, u"XenAppHosted.msi");
  EXPECT_EQ(s.ICA.CommandlineParameters, u"");
  EXPECT_TRUE(s.ICA.CopyICASettings);
  EXPECT_EQ(s.ICA.UserAppSrvIniLocation, u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\appsrv.ini");
  EXPECT_EQ(s.ICA.GlobalAppSrvIniLocation, u"C:\\Apps\\appsrv.ini");
  EXPECT_EQ(s.ICA.Connection, u"");
  EXPECT_FALSE(s.XenApp.CopyXenAppSettings);
  EXPECT_EQ(s.XenApp.DesktopFolder, u"");
  EXPECT_EQ(s.RDP.ClientPath, u"C:\\Windows\\system32");
  EXPECT_EQ(s.RDP.Port, 3389);
  EXPECT_TRUE(s.RDP.FullScreen);
  EXPECT_FALSE(s.RDP.UseRDPFile);
  EXPECT_FALSE(s.Autologon.CreateUser);
  EXPECT_FALSE(s.Autologon.EnableAutologon);
  EXPECT_FALSE(s.Autologon.UseSysinternals);
  EXPECT_EQ(s.AutologonExe, u"autologon.exe");
  EXPECT_FALSE(s.DisableTaskManager);
  EXPECT_FALSE(s.RemoveWallpaper);
  EXPECT_TRUE(s.UseBackgroundColor);
  EXPECT_EQ(s.BackgroundColor, 0);
  EXPECT_EQ(s.CurrentShell, 0);
  EXPECT_EQ(s.LogoFile, u"logo.bmp");
  EXPECT_FALSE(s.DisableScreenSaver);
}

TEST(SettingsDefaults, TheCitrixClientIsLookedForAmongThe32BitProgramsWhereThereAreAny) {
  testing::FakeFolders folders;
  folders.AddProgramFilesX86();
  TSettings s;
  SetDefaultSettings(s, folders, u"C:\\Apps\\lanthe.exe", u"");
  EXPECT_EQ(s.Citrix.ClientPath, u"C:\\Program Files (x86)\\Citrix\\ICA Client");
  EXPECT_EQ(DefaultCitrixClientPath(folders), s.Citrix.ClientPath) << "the settings file's missing value too";
  folders.special[Csidl::kProgramFilesX86] = u"";
  EXPECT_EQ(DefaultCitrixClientPath(folders), u"C:\\Program Files\\Citrix\\ICA Client")
      << "an empty answer counts as none";
}

TEST(SettingsDefaults, FieldsWithoutDefaultKeepWhatTheyHold) {
  testing::FakeFolders folders;
  TSettings s;
  s.ICA.Connection = u"Desktop";
  s.RDP.Connection = u"host1";
  s.RDP.CommandlineParameters = u"/admin ";
  s.RDP.RDPFileLocation = u"office.rdp";
  s.XenApp.PNAgentConfig = u"3C";
  SetDefaultSettings(s, folders, u"C:\\Apps\\lanthe.exe", u"");
  EXPECT_EQ(s.ICA.Connection, u"Desktop");
  EXPECT_EQ(s.RDP.Connection, u"host1");
  EXPECT_EQ(s.RDP.CommandlineParameters, u"/admin ");
  EXPECT_EQ(s.RDP.RDPFileLocation, u"office.rdp");
  EXPECT_EQ(s.XenApp.PNAgentConfig, u"3C");
}

TEST(SettingsDefaults, MissingShellFoldersLeaveTheBareSuffixes) {
  testing::FakeFolders folders;
  folders.special.clear();
  TSettings s;
  SetDefaultSettings(s, folders, u"C:\\Apps\\lanthe.exe", u"PNAgent Apps");
  EXPECT_EQ(s.Citrix.ClientPath, u"\\Citrix\\ICA Client");
  EXPECT_EQ(s.ICA.UserAppSrvIniLocation, u"\\ICAClient\\appsrv.ini");
  EXPECT_EQ(s.RDP.ClientPath, u"");
  EXPECT_EQ(s.XenApp.DesktopFolder, u"\\PNAgent Apps");
}

TEST(SettingsDefaults, DesktopFolderOnlyWhenPNAgentNamesOne) {
  testing::FakeFolders folders;
  TSettings s;
  SetDefaultSettings(s, folders, u"C:\\Apps\\lanthe.exe", u"My Apps");
  EXPECT_EQ(s.XenApp.DesktopFolder, u"C:\\Users\\kiosk\\Desktop\\My Apps");
  SetDefaultSettings(s, folders, u"C:\\Apps\\lanthe.exe", u"");
  EXPECT_EQ(s.XenApp.DesktopFolder, u"") << "no lone backslash";
}

TEST(SettingsDefaults, ProgramDirIsTheFolderOfTheExecutable) {
  testing::FakeFolders folders;
  const struct {
    const char16_t* executable;
    const char16_t* programDir;
    const char16_t* globalIni;
  } cases[] = {
      {u"C:\\Apps\\lanthe.exe", u"C:\\Apps\\", u"C:\\Apps\\appsrv.ini"},
      {u"C:\\lanthe.exe", u"C:\\", u"C:\\appsrv.ini"},
      {u"C:\\Program Files\\Lanthe\\lanthe.exe", u"C:\\Program Files\\Lanthe\\",
       u"C:\\Program Files\\Lanthe\\appsrv.ini"},
      {u"/srv/kiosk/settings.xml", u"/srv/kiosk/", u"/srv/kiosk/appsrv.ini"},
  };
  for (const auto& c : cases) {
    TSettings s;
    SetDefaultSettings(s, folders, c.executable, u"");
    EXPECT_EQ(s.ProgramDir, c.programDir);
    EXPECT_EQ(s.ICA.GlobalAppSrvIniLocation, c.globalIni);
  }
}

TEST(SettingsRecord, CopiesAreWholeAndIndependent) {
  testing::FakeFolders folders;
  TSettings live;
  SetDefaultSettings(live, folders, u"C:\\Apps\\lanthe.exe", u"");
  TSettings copy = live;
  EXPECT_EQ(copy, live);
  copy.RDP.Port = 3390;
  copy.Autologon.Password = u"secret";
  copy.XenApp.DesktopFolder = u"D:\\x";
  EXPECT_EQ(live.RDP.Port, 3389);
  EXPECT_EQ(live.Autologon.Password, u"");
  EXPECT_NE(copy, live);
  live = copy;
  EXPECT_EQ(live, copy);
}

}  // namespace
}  // namespace lanthe
