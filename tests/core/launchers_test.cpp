#include "shell/launchers.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

TSettings Defaults() {
  testing::FakeFolders folders;
  TSettings settings;
  SetDefaultSettings(settings, folders, u"C:\\Apps\\lanthe.exe", u"");
  return settings;
}

TEST(RemoteDesktopCommandLine, EveryFormOfTheParameters) {
  const struct {
    const char16_t* parameters;
    bool useFile;
    bool fullScreen;
    int port;
    const char16_t* expected;
  } cases[] = {
      {u"", false, true, 3389, u"/V:host1:3389 /f"},
      {u"", false, false, 3389, u"/V:host1:3389"},
      {u"/admin ", false, true, 3390, u"/admin /V:host1:3390 /f"},
      {u"/admin", false, false, 3389, u"/admin/V:host1:3389"},  // no blank of its own: none added
      {u"", false, false, 0, u"/V:host1:0"},
      {u"", false, false, -1, u"/V:host1:-1"},
      {u"", true, true, 3389, u"\"C:\\Apps\\office.rdp\"  /f"},
      {u"", true, false, 3389, u"\"C:\\Apps\\office.rdp\" "},
      {u"/admin", true, false, 3389, u"\"C:\\Apps\\office.rdp\" /admin"},
  };
  for (const auto& c : cases) {
    TSettings s = Defaults();
    s.RDP.Connection = u"host1";
    s.RDP.CommandlineParameters = c.parameters;
    s.RDP.UseRDPFile = c.useFile;
    s.RDP.RDPFileLocation = u"office.rdp";
    s.RDP.FullScreen = c.fullScreen;
    s.RDP.Port = c.port;
    const CommandLine line = RdpCommandLine(s);
    EXPECT_EQ(line.program, u"\"C:\\Windows\\system32\\mstsc.exe\"");
    EXPECT_EQ(line.parameters, c.expected) << TextToUtf8(c.expected);
  }
}

TEST(CitrixCommandLines, ConnectionNamesInQuotes) {
  TSettings s = Defaults();
  s.ICA.Connection = u"Desktop";
  const CommandLine session = CitrixCommandLine(s);
  EXPECT_EQ(session.Whole(), u"\"C:\\Program Files\\Citrix\\ICA Client\\wfcrun32.exe\"  \"Desktop\"")
      << "two blanks: RunProgram's and the parameter part's";
  EXPECT_EQ(IcaTestCommandLine(s).Whole(), u"\"C:\\Program Files\\Citrix\\ICA Client\\pn.exe\" /APP \"Desktop\"");

  s.ICA.CommandlineParameters = u"-x";
  EXPECT_EQ(CitrixCommandLine(s).parameters, u"-x \"Desktop\"");
  EXPECT_EQ(IcaTestCommandLine(s).parameters, u"-x/APP \"Desktop\"") << "no blank before /APP";

  EXPECT_EQ(ProgramNeighborhoodCommandLine(s).Whole(), u"\"C:\\Program Files\\Citrix\\ICA Client\\pn.exe\" ");
  EXPECT_EQ(ProgramNeighborhoodPath(s), u"C:\\Program Files\\Citrix\\ICA Client\\pn.exe");
  s.XenApp.CommandlineParameters = u"/qlaunch";
  EXPECT_EQ(PNAgentCommandLine(s).Whole(), u"\"C:\\Program Files\\Citrix\\ICA Client\\pnagent.exe\" /qlaunch");
}

class HandOverTest : public ::testing::Test {
 protected:
  HandOverTest() {
    settings.ICA.UserAppSrvIniLocation = kUser;
    settings.ICA.GlobalAppSrvIniLocation = kShared;
    files.files[kShared] = "[WFClient]";
  }
  void HandOver() { HandOverConnectionFile(settings, files, ini, folders, messages); }
  Text Value(const char16_t* key) { return ini.ReadString(kUser, u"WFClient", key, u"<absent>"); }

  static constexpr char16_t kUser[] = u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\appsrv.ini";
  static constexpr char16_t kShared[] = u"C:\\Apps\\appsrv.ini";
  TSettings settings = Defaults();
  testing::FakeFileSystem files;
  testing::FakeIniFiles ini;
  testing::FakeFolders folders;
  testing::FakeMessageBoxes messages;
};

TEST_F(HandOverTest, SharedCopyReplacesTheUsersFileAndItsPathsPointHome) {
  files.files[kUser] = "old";
  ini.WriteString(kUser, u"WFClient", u"LogFileWin32", u"C:\\Users\\admin\\AppData\\Roaming\\ICAClient\\wfcwin32.log");
  ini.WriteString(kUser, u"WFClient", u"PersistentCachePath", u"C:\\Users\\admin\\Cache");
  HandOver();
  EXPECT_EQ(files.files[kUser], "[WFClient]") << "from the shared copy to the user";
  EXPECT_EQ(files.files[kShared], "[WFClient]") << "never back";
  EXPECT_EQ(Value(u"LogFileWin32"), u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\wfcwin32.log");
  EXPECT_EQ(Value(u"PersistentCachePath"), u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\Cache");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(HandOverTest, KeysWithoutAValueStayAsTheyAre) {
  files.files[kUser] = "old";
  ini.WriteString(kUser, u"WFClient", u"LogFileWin32", u"");
  HandOver();
  EXPECT_EQ(Value(u"LogFileWin32"), u"");
  EXPECT_EQ(Value(u"PersistentCachePath"), u"<absent>") << "an absent key stays absent";
}

TEST_F(HandOverTest, NothingWithoutTheUsersFileOrWhenSwitchedOff) {
  HandOver();
  EXPECT_EQ(files.files.count(kUser), 0u);
  EXPECT_TRUE(messages.shown.empty());
  files.files[kUser] = "old";
  settings.ICA.CopyICASettings = false;
  HandOver();
  EXPECT_EQ(files.files[kUser], "old");
}

TEST_F(HandOverTest, FailuresAreReportedAndTheEditsStillTried) {
  files.files[kUser] = "old";
  files.failWrites = true;
  ini.WriteString(kUser, u"WFClient", u"LogFileWin32", u"elsewhere");
  HandOver();
  const Text failed = u"File copy C:\\Apps\\appsrv.ini to " + Text(kUser) + u" failed!";
  EXPECT_EQ(messages.shown, std::vector<Text>{failed});
  EXPECT_EQ(Value(u"LogFileWin32"), u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\wfcwin32.log")
      << "the user's own file is still pointed home";

  messages.shown.clear();
  files.failWrites = false;
  ini.failWrites = true;
  HandOver();
  EXPECT_EQ(messages.shown, std::vector<Text>{failed}) << "an edit that fails says the same, once";
}

}  // namespace
}  // namespace lanthe
