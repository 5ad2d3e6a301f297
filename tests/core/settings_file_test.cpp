#include "config/settings_file.h"

#include <gtest/gtest.h>

#include "config/pnagent_store.h"
#include "fakes.h"

namespace lanthe {
namespace {

using testing::FakeFileSystem;
using testing::FakeFolders;
using testing::FakeIdentity;
using testing::FakeMessageBoxes;
using testing::FakeRegistry;

constexpr char16_t kPath[] = u"C:\\Apps\\settings.xml";

// What the program writes with nothing but its defaults, the program in C:\Apps.
constexpr char kDefaultFile[] =
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n"
    "<Settings>\r\n"
    "  <CurrentShell>0</CurrentShell>\r\n"
    "  <CitrixLogOff>1</CitrixLogOff>\r\n"
    "  <ShowReconnectDialog>True</ShowReconnectDialog>\r\n"
    "  <ShowShutdownDialog>True</ShowShutdownDialog>\r\n"
    "  <ShowShutdown>True</ShowShutdown>\r\n"
    "  <ShowLogoff>True</ShowLogoff>\r\n"
    "  <ShowRestart>False</ShowRestart>\r\n"
    "  <ShutdownDialogDefaultChoice>4</ShutdownDialogDefaultChoice>\r\n"
    "  <ConnectionType>1</ConnectionType>\r\n"
    "  <Citrix>\r\n"
    "    <ClientPath>C:\\Program Files\\Citrix\\ICA Client</ClientPath>\r\n"
    "    <SetupFile>XenAppHosted.msi</SetupFile>\r\n"
    "  </Citrix>\r\n"
    "  <ICA>\r\n"
    "    <CommandlineParameters/>\r\n"
    "    <CopyICASettings>True</CopyICASettings>\r\n"
    "    <GlobalAppSrvIniLocation>C:\\Apps\\appsrv.ini</GlobalAppSrvIniLocation>\r\n"
    "    <Connection/>\r\n"
    "  </ICA>\r\n"
    "  <XenApp>\r\n"
    "    <CommandlineParameters/>\r\n"
    "    <Connection/>\r\n"
    "    <ServerURL/>\r\n"
    "    <CopyXenAppSettings>False</CopyXenAppSettings>\r\n"
    "  </XenApp>\r\n"
    "  <RDP>\r\n"
    "    <CommandlineParameters/>\r\n"
    "    <Connection/>\r\n"
    "    <ClientPath>C:\\Windows\\system32</ClientPath>\r\n"
    "    <FullScreen>-1</FullScreen>\r\n"
    "    <Port>3389</Port>\r\n"
    "    <UseRDPFile>False</UseRDPFile>\r\n"
    "    <RDPFileLocation/>\r\n"
    "  </RDP>\r\n"
    "  <Autologon>\r\n"
    "    <CreateUser>False</CreateUser>\r\n"
    "    <EnableAutologon>False</EnableAutologon>\r\n"
    "    <UseSysinternals>False</UseSysinternals>\r\n"
    "    <Username/>\r\n"
    "    <Password/>\r\n"
    "  </Autologon>\r\n"
    "  <AutologonExe>autologon.exe</AutologonExe>\r\n"
    "  <DisableTaskManager>False</DisableTaskManager>\r\n"
    "  <RemoveWallpaper>False</RemoveWallpaper>\r\n"
    "  <UseBackgroundColor>True</UseBackgroundColor>\r\n"
    "  <BackgroundColor>0</BackgroundColor>\r\n"
    "</Settings>\r\n";

class SettingsFileTest : public ::testing::Test {
 protected:
  SettingsFileTest() { SetDefaultSettings(settings, folders, u"C:\\Apps\\lanthe.exe", u""); }

  TSettings Defaults() {
    TSettings s;
    SetDefaultSettings(s, folders, u"C:\\Apps\\lanthe.exe", u"");
    return s;
  }

  // Loads the file content as the program does at start and returns the outcome.
  SettingsLoadOutcome LoadText(std::string_view content) {
    files.files[kPath] = std::string(content);
    return LoadSettings(file, settings, messages, nullptr);
  }

  bool Save() { return SaveSettings(file, settings, messages, identity, pnagent); }

  std::string Written() { return files.files[kPath]; }

  FakeFileSystem files;
  FakeFolders folders;
  FakeMessageBoxes messages;
  FakeIdentity identity;
  FakeRegistry registry;
  Windows1252CodePage codePage;
  PNAgentStore pnagent{registry, files, codePage};
  SettingsFile file{files, codePage, folders};
  TSettings settings;
};

TEST(SettingsIntegers, ReadsEveryWrittenForm) {
  const struct {
    const char16_t* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {u"3389", 3389},
      {u" 3390", 3390},
      {u"   -12", -12},
      {u"+7", 7},
      {u"$D3D", 3389},
      {u"$d3d", 3389},
      {u"x10", 16},
      {u"X10", 16},
      {u"0x1F", 31},
      {u"0X1f", 31},
      {u"-$10", -16},
      {u"-0x10", -16},
      {u"007", 7},
      {u"4294967295", -1},
      {u"4294967296", 0},
      {u"2147483648", -2147483647 - 1},
      {u"$FFFFFFFF", -1},
      {u"$100000001", 1},
      {u"", std::nullopt},
      {u" ", std::nullopt},
      {u"abc", std::nullopt},
      {u"12 ", std::nullopt},
      {u"1 2", std::nullopt},
      {u"- 5", std::nullopt},
      {u"$", std::nullopt},
      {u"0x", std::nullopt},
      {u"+", std::nullopt},
      {u"1.5", std::nullopt},
      {u"$G", std::nullopt},
      {u"\t5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSettingsInteger(c.text), c.value) << TextToUtf8(c.text);
}

TEST(SettingsFlags, ReadNumbersAndWordsTheSameInEveryLocale) {
  const struct {
    const char16_t* text;
    std::optional<bool> value;
  } cases[] = {
      {u"True", true},  {u"true", true},   {u"TRUE", true},   {u"False", false}, {u"fAlSe", false},
      {u"-1", true},    {u"1", true},      {u"0", false},     {u"0.0", false},   {u"0.5", true},
      {u".5", true},    {u"1e3", true},    {u"0e9", false},   {u" 1 ", true},    {u"+0", false},
      {u"", std::nullopt},      {u"yes", std::nullopt}, {u"1,5", std::nullopt}, {u" True", std::nullopt},
      {u"1e", std::nullopt},    {u"$1", std::nullopt},  {u"-", std::nullopt},   {u".", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSettingsFlag(c.text), c.value) << TextToUtf8(c.text);
}

TEST(SettingsReaders, FindNamesInAnyCaseAndTakeTheLastDuplicate) {
  const auto document = ParseXml(
      u"<R><fullscreen>0</fullscreen><FULLSCREEN>True</FULLSCREEN>"
      u"<Port>1</Port><Port>2</Port><Deep><Port>9</Port></Deep><Text>&lt;x&gt;</Text></R>");
  ASSERT_TRUE(document && document->root);
  const auto& list = document->root->children;
  EXPECT_TRUE(GetXMLBoolValue(list, u"FullScreen", false));
  EXPECT_EQ(GetXMLIntValue(list, u"port", 0), 2);
  EXPECT_EQ(GetXMLIntValue(list, u"Missing", 42), 42);
  EXPECT_EQ(GetXMLValue(list, u"text", u"d"), u"<x>");
  EXPECT_EQ(GetXMLValue(list, u"Absent", u"d"), u"d");
  EXPECT_EQ(GetXMLIntValue(list, u"Deep", 5), -1) << "only direct children are searched";
}

TEST_F(SettingsFileTest, DefaultsAreWrittenByteForByte) {
  EXPECT_TRUE(Save());
  EXPECT_EQ(Written(), kDefaultFile);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsFileTest, MissingFileOffersTheWizardOnceAndKeepsTheDefaults) {
  int wizardRuns = 0;
  messages.answers = {false};
  EXPECT_EQ(LoadSettings(file, settings, messages, [&] { ++wizardRuns; }), SettingsLoadOutcome::kMissing);
  EXPECT_EQ(messages.confirmations,
            std::vector<Text>{u"No configuration file found. Would you like to start the Setup wizard?"});
  EXPECT_EQ(wizardRuns, 0);
  EXPECT_EQ(settings, Defaults());

  messages.answers = {true};
  LoadSettings(file, settings, messages, [&] { ++wizardRuns; });
  EXPECT_EQ(wizardRuns, 1);
}

TEST_F(SettingsFileTest, EmptyFileGivesTheMissingColumnAtTopLevelOnly) {
  ASSERT_EQ(LoadText(""), SettingsLoadOutcome::kLoaded);
  TSettings expected = Defaults();
  expected.CurrentShell = 0;
  expected.CitrixLogOff = 0;
  expected.ShowReconnectDialog = false;
  expected.ShowShutdownDialog = false;
  expected.ShowShutdown = true;
  expected.ShowLogoff = true;
  expected.ShowRestart = true;
  expected.ShutdownDialogDefaultChoice = 0;
  expected.ConnectionType = 1;
  expected.UseBackgroundColor = false;
  EXPECT_EQ(settings, expected);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsFileTest, SectionsAbsentStayPresentButEmptyReadTheirMissingValues) {
  ASSERT_EQ(LoadText("<Settings/>"), SettingsLoadOutcome::kLoaded);
  EXPECT_TRUE(settings.ICA.CopyICASettings);
  EXPECT_EQ(settings.ICA.GlobalAppSrvIniLocation, u"C:\\Apps\\appsrv.ini");

  settings = Defaults();
  settings.RDP.ClientPath = u"D:\\elsewhere";
  settings.Citrix.ClientPath = u"D:\\citrix";
  ASSERT_EQ(LoadText("<Settings><ICA/><RDP></RDP><Citrix/></Settings>"), SettingsLoadOutcome::kLoaded);
  EXPECT_FALSE(settings.ICA.CopyICASettings);
  EXPECT_EQ(settings.ICA.GlobalAppSrvIniLocation, u"C:\\Apps\\appsrv.ini") << "keeps its current value";
  EXPECT_EQ(settings.RDP.ClientPath, u"C:\\Windows\\system32") << "asked afresh";
  EXPECT_EQ(settings.Citrix.ClientPath, u"C:\\Program Files\\Citrix\\ICA Client") << "asked afresh";
  EXPECT_EQ(settings.RDP.Port, 3389);
  EXPECT_TRUE(settings.RDP.FullScreen);
}

TEST_F(SettingsFileTest, ValuesThatDoNotConvertReadAsMinusOneOrFalse) {
  ASSERT_EQ(LoadText("<Settings><ConnectionType>abc</ConnectionType><ShowRestart>ja</ShowRestart>"
                     "<RDP><Port>$D3D</Port><Fullscreen>True</Fullscreen></RDP>"
                     "<CitrixLogOff></CitrixLogOff></Settings>"),
            SettingsLoadOutcome::kLoaded);
  EXPECT_EQ(settings.ConnectionType, -1);
  EXPECT_FALSE(settings.ShowRestart);
  EXPECT_EQ(settings.RDP.Port, 3389);
  EXPECT_TRUE(settings.RDP.FullScreen);
  EXPECT_EQ(settings.CitrixLogOff, -1) << "empty text is junk, not the default";

  settings = Defaults();
  LoadText("<Settings><RDP><Port> 3390</Port><FullScreen>-1</FullScreen><Port>3391</Port></RDP></Settings>");
  EXPECT_EQ(settings.RDP.Port, 3391);
  EXPECT_TRUE(settings.RDP.FullScreen);
}

TEST_F(SettingsFileTest, AnyRootNameIsReadAndTheNextSaveRenamesIt) {
  LoadText("<Config><ConnectionType>0</ConnectionType><autologonexe>al.exe</autologonexe></Config>");
  EXPECT_EQ(settings.ConnectionType, 0);
  EXPECT_EQ(settings.AutologonExe, u"al.exe");
  Save();
  EXPECT_NE(Written().find("<Settings>\r\n"), std::string::npos);
  EXPECT_EQ(Written().find("Config"), std::string::npos);
}

TEST_F(SettingsFileTest, EveryFieldSurvivesASaveAndALoad) {
  settings.CurrentShell = 1;
  settings.CitrixLogOff = 2;
  settings.ShowReconnectDialog = false;
  settings.ShowShutdownDialog = false;
  settings.ShowShutdown = false;
  settings.ShowLogoff = false;
  settings.ShowRestart = true;
  settings.ShutdownDialogDefaultChoice = 3;
  settings.ConnectionType = 0;
  settings.Citrix.ClientPath = u"D:\\Citrix & Co";
  settings.Citrix.SetupFile = u"<setup>.msi";
  settings.ICA.CommandlineParameters = u"  /param \"x\" ";
  settings.ICA.CopyICASettings = false;
  settings.ICA.GlobalAppSrvIniLocation = u"\\\\server\\share\\appsrv.ini";
  settings.ICA.Connection = u"Desk'top";
  settings.XenApp.CommandlineParameters = u"/silent";
  settings.XenApp.Connection = u"conn";
  settings.XenApp.ServerURL = u"https://apps.example.org/Citrix/PNAgent/config.xml";
  settings.RDP.CommandlineParameters = u"/admin ";
  settings.RDP.Connection = u"host1";
  settings.RDP.ClientPath = u"C:\\Tools";
  settings.RDP.Port = -5;
  settings.RDP.FullScreen = false;
  settings.RDP.UseRDPFile = true;
  settings.RDP.RDPFileLocation = u"office.rdp";
  settings.Autologon.CreateUser = true;
  settings.Autologon.EnableAutologon = true;
  settings.Autologon.UseSysinternals = true;
  settings.Autologon.Username = u"kiosk";
  settings.Autologon.Password = u"p<a>ss&w\"o'rd \u00E9\u20AC\u0416";
  settings.AutologonExe = u"tools\\autologon64.exe";
  settings.DisableTaskManager = true;
  settings.RemoveWallpaper = true;
  settings.UseBackgroundColor = false;
  settings.BackgroundColor = 0x00FF8040;
  settings.LockSecureScreen = true;
  settings.WaitForNetwork = 0;
  settings.RunStartupPrograms = false;
  settings.RestrictKioskUser = true;
  ASSERT_TRUE(Save());
  const TSettings saved = settings;

  settings = Defaults();
  SettingsFile reader{files, codePage, folders};
  ASSERT_EQ(reader.Load(kPath, settings), SettingsLoadOutcome::kLoaded);
  EXPECT_EQ(settings, saved);
  EXPECT_NE(Written().find("<Password>p&lt;a&gt;ss&amp;w&quot;o&apos;rd \xE9&#x20AC;&#x416;</Password>"),
            std::string::npos);
}

TEST_F(SettingsFileTest, LaterElementsAreWrittenOnlyWhenTheyDifferFromTheirDefaults) {
  // A file that uses none of them keeps its bytes through a load and a save.
  ASSERT_EQ(LoadText(kDefaultFile), SettingsLoadOutcome::kLoaded);
  EXPECT_FALSE(settings.LockSecureScreen);
  EXPECT_EQ(settings.WaitForNetwork, 30);
  EXPECT_TRUE(settings.RunStartupPrograms);
  EXPECT_FALSE(settings.RestrictKioskUser);
  ASSERT_TRUE(Save());
  EXPECT_EQ(Written(), kDefaultFile);

  settings.LockSecureScreen = true;
  settings.WaitForNetwork = 120;
  settings.RunStartupPrograms = false;
  settings.RestrictKioskUser = true;
  ASSERT_TRUE(Save());
  std::string expected = kDefaultFile;
  expected.insert(expected.rfind("</Settings>"),
                  "  <LockSecureScreen>True</LockSecureScreen>\r\n  <WaitForNetwork>120</WaitForNetwork>\r\n"
                  "  <RunStartupPrograms>False</RunStartupPrograms>\r\n"
                  "  <RestrictKioskUser>True</RestrictKioskUser>\r\n");
  EXPECT_EQ(Written(), expected) << "after every earlier element";

  settings.LockSecureScreen = false;
  settings.RunStartupPrograms = true;
  settings.RestrictKioskUser = false;
  ASSERT_TRUE(Save());
  EXPECT_EQ(Written().find("LockSecureScreen"), std::string::npos);
  EXPECT_EQ(Written().find("RunStartupPrograms"), std::string::npos);
  EXPECT_EQ(Written().find("RestrictKioskUser"), std::string::npos);
  EXPECT_NE(Written().find("<WaitForNetwork>120</WaitForNetwork>"), std::string::npos);
}

TEST_F(SettingsFileTest, LaterElementsAreReadByTheRulesOfTheOthers) {
  ASSERT_EQ(LoadText("<Settings><lockSECUREscreen>-1</lockSECUREscreen><WaitForNetwork>5</WaitForNetwork>"
                     "<waitfornetwork>$10</waitfornetwork></Settings>"),
            SettingsLoadOutcome::kLoaded);
  EXPECT_TRUE(settings.LockSecureScreen) << "names in any case, flags as numbers";
  EXPECT_EQ(settings.WaitForNetwork, 16) << "the last one counts, in the file's integer forms";

  const struct {
    const char* stored;
    std::int32_t effective;
  } cases[] = {{"0", 0}, {"600", 600}, {"601", 600}, {"-5", 0}, {"x", 0}, {"99999999", 600}};
  for (const auto& c : cases) {
    ASSERT_EQ(LoadText(std::string("<Settings><WaitForNetwork>") + c.stored + "</WaitForNetwork></Settings>"),
              SettingsLoadOutcome::kLoaded);
    EXPECT_EQ(EffectiveWaitForNetwork(settings), c.effective) << c.stored << ": the nearest limit is used";
  }
  settings.RunStartupPrograms = false;
  settings.RestrictKioskUser = true;
  ASSERT_EQ(LoadText("<Settings/>"), SettingsLoadOutcome::kLoaded);
  EXPECT_EQ(settings.WaitForNetwork, 30) << "missing: the default";
  EXPECT_TRUE(settings.RunStartupPrograms) << "missing: the default";
  EXPECT_FALSE(settings.RestrictKioskUser) << "missing: the default";
}

TEST_F(SettingsFileTest, WhiteSpaceOnlyTextComesBackEmpty) {
  settings.Autologon.Password = u"   ";
  settings.ICA.Connection = u" Desktop ";
  Save();
  EXPECT_NE(Written().find("<Password>   </Password>"), std::string::npos);
  settings = Defaults();
  SettingsFile reader{files, codePage, folders};
  reader.Load(kPath, settings);
  EXPECT_EQ(settings.Autologon.Password, u"");
  EXPECT_EQ(settings.ICA.Connection, u" Desktop ");
}

TEST_F(SettingsFileTest, CharactersTheCodePageLacksSurviveAsReferences) {
  testing::AsciiCodePage ascii;
  SettingsFile asciiFile{files, ascii, folders};
  settings.Autologon.Password = u"\u00E9t\u00E9 \u0142";
  asciiFile.Rebuild(settings);
  ASSERT_TRUE(asciiFile.Write(kPath));
  EXPECT_NE(Written().find("<Password>&#xE9;t&#xE9; &#x142;</Password>"), std::string::npos);
  TSettings back = Defaults();
  SettingsFile reader{files, ascii, folders};
  ASSERT_EQ(reader.Load(kPath, back), SettingsLoadOutcome::kLoaded);
  EXPECT_EQ(back.Autologon.Password, settings.Autologon.Password);
}

TEST_F(SettingsFileTest, ByteOrderMarksSelectTheEncoding) {
  // "Fenêtre" as the RDP connection in each encoding.
  const struct {
    std::string bytes;
    const char* what;
  } cases[] = {
      {"<Settings><RDP><Connection>Fen\xEAtre</Connection></RDP></Settings>", "ANSI"},
      {"\xEF\xBB\xBF<Settings><RDP><Connection>Fen\xC3\xAAtre</Connection></RDP></Settings>", "UTF-8"},
      {testing::Utf16LeFile(u"<Settings><RDP><Connection>Fen\u00EAtre</Connection></RDP></Settings>"),
       "UTF-16"},
  };
  for (const auto& c : cases) {
    settings = Defaults();
    ASSERT_EQ(LoadText(c.bytes), SettingsLoadOutcome::kLoaded) << c.what;
    EXPECT_EQ(settings.RDP.Connection, u"Fen\u00EAtre") << c.what;
  }
}

TEST_F(SettingsFileTest, TruncatedFileCountsWhatWasRead) {
  std::string truncated(kDefaultFile);
  truncated.resize(truncated.find("<Port>3389</Port>") + 8);
  settings.ConnectionType = 7;
  ASSERT_EQ(LoadText(truncated), SettingsLoadOutcome::kLoaded);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(settings.ConnectionType, 1);
  EXPECT_EQ(settings.RDP.Port, -1) << "a value element without its end tag reads as empty";
  EXPECT_EQ(settings.RDP.UseRDPFile, false);
  EXPECT_EQ(settings.AutologonExe, u"autologon.exe") << "elements never reached take their missing value";
}

TEST_F(SettingsFileTest, RejectedFileIsReportedAndTheDefaultsStay) {
  settings.RDP.Port = 1234;
  const TSettings before = settings;
  ASSERT_EQ(LoadText("<Settings><RDP><Port>1</Port></RDX></Settings>"), SettingsLoadOutcome::kRejected);
  EXPECT_EQ(messages.shown, std::vector<Text>{u"Error Loading File: C:\\Apps\\settings.xml"});
  EXPECT_EQ(settings, before) << "no value is read";

  files.unreadable.insert(kPath);
  messages.shown.clear();
  EXPECT_EQ(LoadSettings(file, settings, messages, nullptr), SettingsLoadOutcome::kRejected);
  EXPECT_EQ(messages.shown, std::vector<Text>{u"Error Loading File: C:\\Apps\\settings.xml"});
}

TEST_F(SettingsFileTest, FirstSaveAfterARejectedLoadKeepsTheDamagedFile) {
  const std::string damaged = "<Settings><Autologon><Password>hand typed</Passwrd></Autologon></Settings>";
  LoadText(damaged);
  ASSERT_TRUE(Save());
  EXPECT_EQ(files.files[Text(kPath) + u".bak"], damaged);
  EXPECT_EQ(Written(), kDefaultFile);

  // Only the first save: later saves do not overwrite the backup with good files.
  settings.RDP.Port = 3390;
  ASSERT_TRUE(Save());
  EXPECT_EQ(files.files[Text(kPath) + u".bak"], damaged);
}

TEST_F(SettingsFileTest, GoodFilesAreReplacedWithoutABackup) {
  LoadText(kDefaultFile);
  Save();
  EXPECT_EQ(files.files.count(Text(kPath) + u".bak"), 0u);
}

TEST_F(SettingsFileTest, BackupIsKeptUntilASaveSucceeds) {
  LoadText("junk");
  files.failWrites = true;
  EXPECT_FALSE(Save());
  files.failWrites = false;
  ASSERT_TRUE(Save());
  EXPECT_EQ(files.files[Text(kPath) + u".bak"], "junk");
}

TEST_F(SettingsFileTest, FailedWriteIsReportedAndLeavesTheOldFile) {
  LoadText(kDefaultFile);
  files.failWrites = true;
  settings.RDP.Port = 1;
  EXPECT_FALSE(Save());
  EXPECT_EQ(messages.shown, std::vector<Text>{u"Unable to save settings to file: C:\\Apps\\settings.xml"});
  EXPECT_EQ(Written(), kDefaultFile);
}

TEST_F(SettingsFileTest, LimitedUserWritesNothingButStoresThePNAgentConfiguration) {
  identity.administrator = false;
  settings.XenApp.CopyXenAppSettings = true;
  registry.AddKey(RegistryRoot::CurrentUser, kPNAgentKey).values[kPNAgentConfigValue] =
      RegistryValue{RegistryType::kBinary, {0x3C, 0x61, 0x3E}};
  EXPECT_FALSE(Save());
  EXPECT_EQ(files.files.count(kPath), 0u);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(files.files[u"C:\\Apps\\XenAppSettings.cfg"], "3C,61,3E\r\n");
  EXPECT_EQ(settings.XenApp.PNAgentConfig, u"3C,61,3E");
}

TEST_F(SettingsFileTest, PNAgentConfigurationIsNotTouchedUnlessAskedFor) {
  registry.AddKey(RegistryRoot::CurrentUser, kPNAgentKey).values[kPNAgentConfigValue] =
      RegistryValue{RegistryType::kBinary, {0x3C}};
  Save();
  EXPECT_EQ(files.files.count(u"C:\\Apps\\XenAppSettings.cfg"), 0u);
}

TEST_F(SettingsFileTest, DeclarationAndCommentsOfTheLoadedFileSurviveEverySave) {
  LoadText("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
           "<!-- deployed by the fleet script -->\r\n<Settings><CurrentShell>1</CurrentShell></Settings>\r\n"
           "<!-- trailing comments are not kept -->");
  Save();
  Save();
  const std::string expectedStart =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<!-- deployed by the fleet script -->\r\n<Settings>\r\n  <CurrentShell>1</CurrentShell>\r\n";
  EXPECT_EQ(Written().substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(Written().find("trailing"), std::string::npos);
}

TEST_F(SettingsFileTest, UnknownElementsAreIgnoredAndDroppedOnSave) {
  LoadText("<Settings><Future>1</Future><ICA><Extra>x</Extra><Connection>Desk</Connection></ICA></Settings>");
  EXPECT_EQ(settings.ICA.Connection, u"Desk");
  Save();
  EXPECT_EQ(Written().find("Future"), std::string::npos);
  EXPECT_EQ(Written().find("Extra"), std::string::npos);
}

}  // namespace
}  // namespace lanthe
