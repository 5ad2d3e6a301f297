#include "app/config_tool.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/settings_fields.h"
#include "fakes.h"

namespace lanthe {
namespace {

class ConfigToolTest : public ::testing::Test {
 protected:
  ConfigToolTest() {
    folders.special.clear();  // as natively: no shell folders
  }

  int Run(std::vector<Text> arguments) {
    out.clear();
    err.clear();
    return RunConfigTool(arguments, context, out, err);
  }

  std::string& File(const char16_t* path) { return files.files[path]; }

  testing::FakeFileSystem files;
  testing::FakeFolders folders;
  Windows1252CodePage codePage;
  ConfigToolContext context{files, codePage, folders, [](TextView path) {
                              return path.substr(0, 1) == u"/" ? Text(path) : u"/work/" + Text(path);
                            }};
  std::string out;
  std::string err;
};

constexpr char kDefaultsJson[] =
    "{\"CurrentShell\":0,\"CitrixLogOff\":1,\"ShowReconnectDialog\":true,\"ShowShutdownDialog\":true,"
    "\"ShowShutdown\":true,\"ShowLogoff\":true,\"ShowRestart\":false,\"ShutdownDialogDefaultChoice\":4,"
    "\"ConnectionType\":1,\"Citrix\":{\"ClientPath\":\"\\\\Citrix\\\\ICA Client\",\"SetupFile\":\"XenAppHosted.msi\"},"
    "\"ICA\":{\"CommandlineParameters\":\"\",\"CopyICASettings\":true,\"GlobalAppSrvIniLocation\":"
    "\"/work/appsrv.ini\",\"Connection\":\"\"},\"XenApp\":{\"CommandlineParameters\":\"\",\"Connection\":\"\","
    "\"ServerURL\":\"\",\"CopyXenAppSettings\":false},\"RDP\":{\"CommandlineParameters\":\"\",\"Connection\":\"\","
    "\"ClientPath\":\"\",\"FullScreen\":true,\"Port\":3389,\"UseRDPFile\":false,\"RDPFileLocation\":\"\"},"
    "\"Autologon\":{\"CreateUser\":false,\"EnableAutologon\":false,\"UseSysinternals\":false,\"Username\":\"\","
    "\"Password\":\"\"},\"AutologonExe\":\"autologon.exe\",\"DisableTaskManager\":false,\"RemoveWallpaper\":false,"
    "\"UseBackgroundColor\":true,\"BackgroundColor\":0,\"LockSecureScreen\":false,\"WaitForNetwork\":30,"
    "\"RunStartupPrograms\":true,\"RestrictKioskUser\":false,"
    "\"StoreFront\":{\"StoreURL\":\"\",\"Resource\":\"\",\"CommandlineParameters\":\"\",\"WaitForClient\":180}}\n";

TEST_F(ConfigToolTest, ShowOfAMissingFileGivesTheDefaultsWithoutAsking) {
  EXPECT_EQ(Run({u"show", u"settings.xml"}), ConfigToolExit::kOk);
  EXPECT_EQ(out, kDefaultsJson);
  EXPECT_EQ(err, "");
}

TEST_F(ConfigToolTest, ShowReadsLikeTheProgramAndEscapesJson) {
  File(u"/srv/s.xml") =
      "<Settings><ConnectionType>junk</ConnectionType><RDP><Port>$D3E</Port></RDP>"
      "<Autologon><Password>a\"b\\c&#x1;\xE9</Password></Autologon></Settings>";
  EXPECT_EQ(Run({u"show", u"/srv/s.xml"}), ConfigToolExit::kOk);
  EXPECT_NE(out.find("\"ConnectionType\":-1,"), std::string::npos);
  EXPECT_NE(out.find("\"Port\":3390,"), std::string::npos);
  EXPECT_NE(out.find("\"Password\":\"a\\\"b\\\\c\\u0001\xC3\xA9\""), std::string::npos);
  EXPECT_NE(out.find("\"GlobalAppSrvIniLocation\":\"/srv/appsrv.ini\""), std::string::npos)
      << "the folder holding FILE stands in for the program directory";
  EXPECT_NE(out.find("\"CitrixLogOff\":0,"), std::string::npos) << "missing top-level values read as in the file";
}

TEST_F(ConfigToolTest, ShowOfARejectedFileFailsWithTheProgramsMessage) {
  File(u"/work/bad.xml") = "<Settings></Setings>";
  EXPECT_EQ(Run({u"show", u"bad.xml"}), ConfigToolExit::kFailed);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "Error Loading File: /work/bad.xml\n");
}

TEST_F(ConfigToolTest, WriteSetsNamedFieldsOnTopOfTheDefaults) {
  EXPECT_EQ(Run({u"write", u"/k/settings.xml", u"RDP.Port=3390", u"ShowRestart=true", u"connectiontype=0",
                 u"Autologon.Password=p<w>=x", u"RDP.FullScreen=false"}),
            ConfigToolExit::kOk)
      << err;
  const std::string& written = File(u"/k/settings.xml");
  EXPECT_EQ(written.substr(0, 55), "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<Settings>");
  EXPECT_NE(written.find("    <Port>3390</Port>\r\n"), std::string::npos);
  EXPECT_NE(written.find("  <ShowRestart>True</ShowRestart>\r\n"), std::string::npos);
  EXPECT_NE(written.find("  <ConnectionType>0</ConnectionType>\r\n"), std::string::npos);
  EXPECT_NE(written.find("    <Password>p&lt;w&gt;=x</Password>\r\n"), std::string::npos);
  EXPECT_NE(written.find("    <FullScreen>0</FullScreen>\r\n"), std::string::npos);
  EXPECT_NE(written.find("<GlobalAppSrvIniLocation>/k/appsrv.ini</GlobalAppSrvIniLocation>"), std::string::npos);

  EXPECT_EQ(Run({u"show", u"/k/settings.xml"}), ConfigToolExit::kOk);
  EXPECT_NE(out.find("\"Port\":3390"), std::string::npos);
  EXPECT_NE(out.find("\"Password\":\"p<w>=x\""), std::string::npos);
}

TEST_F(ConfigToolTest, WriteRefusesUnknownNamesAndBadValuesAndWritesNothing) {
  const struct {
    const char16_t* assignment;
    const char* complaint;
  } cases[] = {
      {u"RDP.Prot=1", "no setting called \"RDP.Prot\""},
      {u"ProgramDir=/x", "no setting called \"ProgramDir\""},
      {u"RDP.Port=abc", "RDP.Port needs a whole number"},
      {u"RDP.Port=2147483648", "RDP.Port needs a whole number"},
      {u"RDP.Port=", "RDP.Port needs a whole number"},
      {u"ShowRestart=yes", "ShowRestart needs true or false"},
      {u"ShowRestart", "is not of the form Name=Value"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run({u"write", u"/k/s.xml", u"RDP.Port=1", c.assignment}), ConfigToolExit::kUsage);
    EXPECT_NE(err.find(c.complaint), std::string::npos) << err;
    EXPECT_EQ(files.files.count(u"/k/s.xml"), 0u);
  }
  EXPECT_EQ(Run({u"write", u"/k/s.xml", u"RDP.Port=-2147483648"}), ConfigToolExit::kOk) << err;
}

TEST_F(ConfigToolTest, WriteTakesAccountTextsWithAnyCharacter) {
  EXPECT_EQ(Run({u"write", u"/k/s.xml", u"Autologon.Username=ki\"osk", u"Autologon.Password=\"*/x\\ ^&%!"}),
            ConfigToolExit::kOk)
      << err;
  EXPECT_EQ(Run({u"show", u"/k/s.xml"}), ConfigToolExit::kOk);
  EXPECT_NE(out.find(R"("Username":"ki\"osk")"), std::string::npos) << out;
  EXPECT_NE(out.find(R"("Password":"\"*/x\\ ^&%!")"), std::string::npos) << out;
}

TEST_F(ConfigToolTest, WriteReportsAFileThatCannotBeWritten) {
  files.failWrites = true;
  EXPECT_EQ(Run({u"write", u"/ro/s.xml"}), ConfigToolExit::kFailed);
  EXPECT_EQ(err, "Unable to save settings to file: /ro/s.xml\n");
}

TEST_F(ConfigToolTest, RoundtripKeepsDeclarationAndCommentsAndRebuildsTheRest) {
  const std::string in =
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<!-- fleet 7 -->\r\n"
      "<Config><ConnectionType>2</ConnectionType><Unknown/></Config>";
  File(u"/in.xml") = in;
  EXPECT_EQ(Run({u"roundtrip", u"/in.xml", u"/out.xml"}), ConfigToolExit::kOk) << err;
  const std::string& written = File(u"/out.xml");
  EXPECT_EQ(written.substr(0, 86),
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<!-- fleet 7 -->\r\n<Settings>\r\n"
            "  <Curren");
  EXPECT_NE(written.find("<ConnectionType>2</ConnectionType>"), std::string::npos);
  EXPECT_EQ(written.find("Unknown"), std::string::npos);
  EXPECT_EQ(File(u"/in.xml"), in) << "IN is left alone";

  EXPECT_EQ(Run({u"roundtrip", u"/out.xml", u"/again.xml"}), ConfigToolExit::kOk);
  EXPECT_EQ(File(u"/again.xml"), written) << "a file Lanthe wrote comes back byte for byte";
}

TEST_F(ConfigToolTest, CheckListsEverythingReadOtherwiseThanWritten) {
  File(u"/c.xml") =
      "<Settings><ConnectionType>7</ConnectionType><CurrentShell>x</CurrentShell>"
      "<ShowRestart>yes</ShowRestart><CitrixLogOff>0</CitrixLogOff><Mystery/>"
      "<ShutdownDialogDefaultChoice>1</ShutdownDialogDefaultChoice>"
      "<RDP><Port>1</Port><port>2</port><Fullscreen>True</Fullscreen><Extra/></RDP>"
      "<Autologon><Password>   </Password></Autologon></Settings>";
  EXPECT_EQ(Run({u"check", u"/c.xml"}), ConfigToolExit::kFailed);
  const char* expected[] = {
      "unknown element \"Mystery\" in the root",
      "element \"Port\" appears 2 times in section RDP: only the last one counts",
      "unknown element \"Extra\" in section RDP",
      "ConnectionType: 7 is no connection type",
      "CurrentShell: \"x\" is not a whole number: it reads as -1",
      "ShowRestart: \"yes\" is neither a number nor True or False: it reads as False",
      "CitrixLogOff: 0 is no automatic action",
      "ShutdownDialogDefaultChoice: 1 is no choice",
      "Autologon.Password: holds only white space",
  };
  for (const char* line : expected) EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  EXPECT_EQ(out.find("Fullscreen"), std::string::npos) << "a name in other letter case is read all the same";
}

TEST_F(ConfigToolTest, TheLockdownSettingsAreShownWrittenAndChecked) {
  ASSERT_EQ(Run({u"write", u"/k.xml"}), ConfigToolExit::kOk);
  EXPECT_EQ(File(u"/k.xml").find("WaitForNetwork"), std::string::npos) << "defaults are not written";
  EXPECT_EQ(Run({u"show", u"/k.xml"}), ConfigToolExit::kOk);
  EXPECT_NE(out.find("\"LockSecureScreen\":false,\"WaitForNetwork\":30,\"RunStartupPrograms\":true,"
                     "\"RestrictKioskUser\":false,"),
            std::string::npos)
      << out;

  ASSERT_EQ(Run({u"write", u"/k.xml", u"lockSecureScreen=true", u"WaitForNetwork=900", u"RunStartupPrograms=false",
                 u"restrictkioskuser=true"}),
            ConfigToolExit::kOk)
      << err;
  EXPECT_NE(File(u"/k.xml").find("<LockSecureScreen>True</LockSecureScreen>"), std::string::npos);
  EXPECT_NE(File(u"/k.xml").find("<RunStartupPrograms>False</RunStartupPrograms>"), std::string::npos);
  EXPECT_NE(File(u"/k.xml").find("<RestrictKioskUser>True</RestrictKioskUser>"), std::string::npos);
  EXPECT_EQ(Run({u"show", u"/k.xml"}), ConfigToolExit::kOk);
  EXPECT_NE(out.find("\"RestrictKioskUser\":true,"), std::string::npos) << out;
  EXPECT_EQ(Run({u"check", u"/k.xml"}), ConfigToolExit::kFailed);
  EXPECT_NE(out.find("WaitForNetwork: 900 is outside 0 to 600: 600 is used"), std::string::npos) << out;
  File(u"/n.xml") = "<Settings><WaitForNetwork>-3</WaitForNetwork></Settings>";
  EXPECT_EQ(Run({u"check", u"/n.xml"}), ConfigToolExit::kFailed);
  EXPECT_NE(out.find("WaitForNetwork: -3 is outside 0 to 600: 0 is used"), std::string::npos) << out;
}

TEST_F(ConfigToolTest, ShowEffectiveAddsThePoliciesAndNamesWhereTheyCameFrom) {
  File(u"/e.xml") = "<Settings><RDP><Connection>file-host</Connection></RDP></Settings>";
  EXPECT_EQ(Run({u"show", u"--effective", u"/e.xml"}), ConfigToolExit::kOk);
  const std::string plain = out;
  EXPECT_EQ(Run({u"show", u"/e.xml"}), ConfigToolExit::kOk);
  EXPECT_EQ(plain, out) << "without a registry (natively) the same as show";

  testing::FakePlatform machine;
  machine.registry.AddKey(RegistryRoot::LocalMachine, u"Software\\Policies\\Lanthe\\RDP").values[u"Connection"] =
      RegistryValue{RegistryType::kString, StringValueBytes(u"policy-host")};
  Platform platform = machine.platform();
  context.platform = &platform;
  EXPECT_EQ(Run({u"show", u"--effective", u"/e.xml"}), ConfigToolExit::kOk);
  EXPECT_NE(out.find("\"Connection\":\"policy-host\""), std::string::npos) << out;
  EXPECT_NE(out.find(",\"PolicyOverrides\":{\"RDP.Connection\":"
                     "\"HKEY_LOCAL_MACHINE\\\\Software\\\\Policies\\\\Lanthe\\\\RDP\\\\Connection\"}}\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(Run({u"show", u"/e.xml"}), ConfigToolExit::kOk);
  EXPECT_NE(out.find("file-host"), std::string::npos) << "show alone is the file's";

  File(u"/bad.xml") = "<Settings><A></B></Settings>";
  EXPECT_EQ(Run({u"show", u"--effective", u"/bad.xml"}), ConfigToolExit::kFailed);
  EXPECT_NE(out.find("policy-host"), std::string::npos) << "a damaged file still gets the policies";
  EXPECT_NE(err.find("Error Loading File: /bad.xml"), std::string::npos);
}

TEST_F(ConfigToolTest, PoliciesListsEveryValueTheLoaderReads) {
  EXPECT_EQ(Run({u"policies"}), ConfigToolExit::kOk);
  EXPECT_EQ(out.substr(0, 61), "Software\\Policies\\Lanthe\\CurrentShell\tREG_DWORD\tCurrentShell\n");
  EXPECT_NE(out.find("Software\\Policies\\Lanthe\\RDP\\Connection\tREG_SZ\tRDP.Connection\n"), std::string::npos);
  EXPECT_NE(out.find("Software\\Policies\\Lanthe\\WaitForNetwork\tREG_DWORD\tWaitForNetwork\n"), std::string::npos);
  EXPECT_EQ(out.find("Password"), std::string::npos) << "no policy for the password";
  EXPECT_EQ(static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')), SettingsFields().size() - 1);
}

TEST_F(ConfigToolTest, CheckOfAFileLantheWroteFindsNothing) {
  ASSERT_EQ(Run({u"write", u"/w.xml", u"CitrixLogOff=2"}), ConfigToolExit::kOk);
  EXPECT_EQ(Run({u"check", u"/w.xml"}), ConfigToolExit::kOk);
  EXPECT_EQ(out, "");
}

TEST_F(ConfigToolTest, CheckOfAMissingOrRejectedFileFails) {
  EXPECT_EQ(Run({u"check", u"/none.xml"}), ConfigToolExit::kFailed);
  EXPECT_EQ(err, "No configuration file found: /none.xml\n");
  File(u"/r.xml") = "<Settings><A></B></Settings>";
  EXPECT_EQ(Run({u"check", u"/r.xml"}), ConfigToolExit::kFailed);
  EXPECT_NE(err.find("Error Loading File: /r.xml\n"), std::string::npos);
  EXPECT_NE(err.find("an end tag that does not match"), std::string::npos);
}

TEST_F(ConfigToolTest, PNAgentPrintsOneLinePerClosingBracket) {
  File(u"/x.cfg") = "3C,61,3E,62,E9\r\nsecond line ignored\r\n";
  EXPECT_EQ(Run({u"pnagent", u"/x.cfg"}), ConfigToolExit::kOk);
  EXPECT_EQ(out, "<a>\nb\xC3\xA9\n");

  File(u"/bad.cfg") = "3C,3E,QQ\r\n";
  EXPECT_EQ(Run({u"pnagent", u"/bad.cfg"}), ConfigToolExit::kFailed);
  EXPECT_EQ(out, "<>\n");
  EXPECT_NE(err.find("not a hexadecimal number"), std::string::npos);

  File(u"/empty.cfg") = "";
  EXPECT_EQ(Run({u"pnagent", u"/empty.cfg"}), ConfigToolExit::kFailed);
  EXPECT_EQ(Run({u"pnagent", u"/missing.cfg"}), ConfigToolExit::kFailed);
}

TEST_F(ConfigToolTest, BadCommandLinesShowTheUsage) {
  for (const auto& arguments : std::vector<std::vector<Text>>{{}, {u"show"}, {u"frobnicate", u"x"}, {u"check", u"a", u"b"}}) {
    EXPECT_EQ(Run(arguments), ConfigToolExit::kUsage);
    EXPECT_NE(err.find("usage: lanthe-config show [--effective] FILE"), std::string::npos);
  }
}

}  // namespace
}  // namespace lanthe
