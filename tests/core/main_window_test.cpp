#include "shell/main_window.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "main_window_rig.h"
#include "platform/error.h"
#include "shell/command_line.h"

namespace lanthe {
namespace {

constexpr char16_t kSettingsPath[] = u"C:\\Apps\\settings.xml";

class MainWindowTest : public ::testing::Test {
 protected:

  // The main window created as the entry creates it, with a settings file.
  void Start(std::string_view settingsFile, TextView commandLine = u"C:\\Apps\\lanthe.exe") {
    fake.files.files[kSettingsPath] = std::string(settingsFile);
    main.FormCreate(commandLine);
    main.ApplicationStart();
  }

  std::optional<Text> Shell() {
    const RegistryValue* value = fake.registry.Value(RegistryRoot::LocalMachine, kWinlogonKey, u"shell");
    if (!value) return std::nullopt;
    Text text;
    for (std::size_t i = 0; i + 1 < value->data.size() && (value->data[i] || value->data[i + 1]); i += 2) {
      text.push_back(static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8)));
    }
    return text;
  }

  MainWindowRig rig;
  testing::FakePlatform& fake = rig.fake;
  FakeHost& host = rig.host;
  TfrmMain& main = rig.main;
};

TEST(CommandLine, SplitsAtBlanksWithQuotesGrouping) {
  const struct {
    const char16_t* line;
    std::vector<Text> parts;
  } cases[] = {
      {u"lanthe.exe Debug", {u"lanthe.exe", u"Debug"}},
      {u"\"C:\\Program Files\\Lanthe\\lanthe.exe\"  Debug x", {u"C:\\Program Files\\Lanthe\\lanthe.exe", u"Debug", u"x"}},
      {u"lanthe.exe \"De\"bug", {u"lanthe.exe", u"Debug"}},
      {u"lanthe.exe \"a b\"c", {u"lanthe.exe", u"a bc"}},
      {u"lanthe.exe \"\" Debug", {u"lanthe.exe", u"Debug"}},
      {u"lanthe.exe\tDebug", {u"lanthe.exe", u"Debug"}},
      {u"lanthe.exe \"open", {u"lanthe.exe", u"open"}},
      {u"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.parts) << TextToUtf8(c.line);
  EXPECT_EQ(ParametersAfterProgram(u"\"C:\\A B\\lanthe.exe\"  Debug \"x y\""), u"Debug \"x y\"");
  EXPECT_EQ(ParametersAfterProgram(u"lanthe.exe"), u"");
}

TEST_F(MainWindowTest, DebugOnlyForExactlyDebugAsTheFirstParameter) {
  const struct {
    const char16_t* line;
    bool debug;
  } cases[] = {
      {u"C:\\Apps\\lanthe.exe Debug", true},
      {u"\"C:\\Apps\\lanthe.exe\" \"Debug\"", true},
      {u"C:\\Apps\\lanthe.exe debug", false},
      {u"C:\\Apps\\lanthe.exe DEBUG", false},
      {u"C:\\Apps\\lanthe.exe x Debug", false},
      {u"C:\\Apps\\lanthe.exe Debugx", false},
      {u"C:\\Apps\\lanthe.exe", false},
  };
  for (const auto& c : cases) {
    MainWindowRig local;
    local.main.FormCreate(c.line);
    EXPECT_EQ(local.main.DebugMode, c.debug) << TextToUtf8(c.line);
    EXPECT_EQ(local.fake.messages.shown, c.debug ? std::vector<Text>{u"Debug is on!"} : std::vector<Text>{});
  }
}

TEST_F(MainWindowTest, FormCreateSetsTagsAndDefaults) {
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  EXPECT_FALSE(main.ShutdownRequested);
  EXPECT_EQ(host.state.btnLogoffTag, 2);
  EXPECT_EQ(host.state.btnShutdownTag, 4);
  EXPECT_EQ(host.state.btnRestartTag, 3);
  EXPECT_EQ(main.Settings.ProgramDir, u"C:\\Apps\\");
  EXPECT_EQ(main.Settings.ConnectionType, 1);
}

TEST_F(MainWindowTest, MissingSettingsFileAsksForTheWizardOnce) {
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  main.ApplicationStart();
  EXPECT_EQ(fake.messages.confirmations,
            std::vector<Text>{u"No configuration file found. Would you like to start the Setup wizard?"});
  EXPECT_EQ(main.Settings.CitrixLogOff, 1) << "the defaults stay";
}

TEST_F(MainWindowTest, ConnectionTypeChoosesTheConnectionButton) {
  const struct {
    int connectionType;
    bool pn;
    bool remoteDesktop;
  } cases[] = {{0, false, true}, {1, true, false}, {2, false, false}, {3, false, false}, {7, false, false}, {-1, false, false}};
  for (const auto& c : cases) {
    main.Settings.ConnectionType = c.connectionType;
    main.ApplySettings();
    EXPECT_EQ(host.state.btnPNVisible, c.pn) << c.connectionType;
    EXPECT_EQ(host.state.btnRemoteDesktopVisible, c.remoteDesktop) << c.connectionType;
  }
}

TEST_F(MainWindowTest, ShellSelectionIsKeptWithinTheRadioGroupAndWrittenToWinlogon) {
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  const struct {
    int currentShell;
    int itemIndex;
    std::optional<Text> shell;
  } cases[] = {
      {0, 0, u"Explorer.exe"},
      {1, 1, u"C:\\Apps\\lanthe.exe"},
      {5, 1, u"C:\\Apps\\lanthe.exe"},
      {-1, -1, std::nullopt},
      {-7, -1, std::nullopt},
  };
  for (const auto& c : cases) {
    fake.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).values.clear();
    main.Settings.CurrentShell = c.currentShell;
    main.ApplySettings();
    EXPECT_EQ(host.state.rgCurrentShellItemIndex, c.itemIndex) << c.currentShell;
    EXPECT_EQ(Shell(), c.shell) << c.currentShell;
  }
}

TEST_F(MainWindowTest, ProgramPathWithBlanksIsQuotedAsTheShell) {
  EXPECT_EQ(ShellCommandFor(u"C:\\Program Files\\Lanthe\\lanthe.exe"), u"\"C:\\Program Files\\Lanthe\\lanthe.exe\"");
  EXPECT_EQ(ShellCommandFor(u"C:\\Lanthe\\lanthe.exe"), u"C:\\Lanthe\\lanthe.exe");
  fake.folders.executable = u"C:\\Program Files\\Lanthe\\lanthe.exe";
  main.FormCreate(u"\"C:\\Program Files\\Lanthe\\lanthe.exe\"");
  main.Settings.CurrentShell = 1;
  main.ApplySettings();
  EXPECT_EQ(Shell(), u"\"C:\\Program Files\\Lanthe\\lanthe.exe\"");
}

TEST(ShellValue, PointsToTheProgramQuotedOrNot) {
  const Text exe = u"C:\\Program Files\\Lanthe\\lanthe.exe";
  EXPECT_TRUE(ShellPointsTo(u"\"C:\\Program Files\\Lanthe\\lanthe.exe\"", exe));
  EXPECT_TRUE(ShellPointsTo(u"C:\\Program Files\\Lanthe\\lanthe.exe", exe)) << "as older programs wrote it";
  EXPECT_TRUE(ShellPointsTo(u" \"c:\\program files\\lanthe\\LANTHE.EXE\" ", exe));
  EXPECT_FALSE(ShellPointsTo(u"Explorer.exe", exe));
  EXPECT_FALSE(ShellPointsTo(u"\"D:\\Lanthe\\lanthe.exe\"", exe)) << "another copy of Lanthe";
  EXPECT_FALSE(ShellPointsTo(u"\"C:\\Program Files\\Lanthe\\lanthe.exe", exe)) << "an unclosed quote";
  EXPECT_FALSE(ShellPointsTo(u"", exe));
}

TEST_F(MainWindowTest, DebugModeAndLimitedUsersWriteNoShell) {
  main.FormCreate(u"C:\\Apps\\lanthe.exe Debug");
  main.Settings.CurrentShell = 1;
  main.ApplySettings();
  EXPECT_EQ(Shell(), std::nullopt);
  EXPECT_EQ(host.state.rgCurrentShellItemIndex, 1);

  main.DebugMode = false;
  fake.registry.DenyAccess(RegistryRoot::LocalMachine, kWinlogonKey);
  fake.messages.shown.clear();
  main.ApplySettings();
  EXPECT_EQ(Shell(), std::nullopt);
  EXPECT_TRUE(fake.messages.shown.empty()) << "a closed key is skipped silently";
}

TEST_F(MainWindowTest, AShellValueThatCannotBeWrittenEndsTheApply) {
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  fake.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey).failWrites = true;
  EXPECT_THROW(main.ApplySettings(), Error);
}

TEST_F(MainWindowTest, ClosingIsRefusedForALimitedUserUntilAnExitAction) {
  fake.identity.administrator = false;
  EXPECT_FALSE(main.FormCloseQuery());
  EXPECT_FALSE(main.FormCloseQuery());
  EXPECT_EQ(fake.messages.shown, std::vector<Text>(2, u"You're not allowed to close this window!"));

  main.ShutdownRequested = true;
  const int queries = fake.identity.administratorQueries;
  EXPECT_TRUE(main.FormCloseQuery());
  EXPECT_EQ(fake.identity.administratorQueries, queries) << "no administrator test once an exit action ran";
}

TEST_F(MainWindowTest, ALimitedUserSeesTheWayOutGreyedAndCannotUseIt) {
  fake.identity.administrator = false;
  fake.registry.DenyAccess(RegistryRoot::LocalMachine, kWinlogonKey);
  Start("<Settings><CurrentShell>0</CurrentShell><ConnectionType>0</ConnectionType></Settings>");
  EXPECT_FALSE(host.state.rgCurrentShellEnabled);
  EXPECT_FALSE(host.state.btnExplorerEnabled);
  EXPECT_FALSE(host.state.btnSetupWizardEnabled);
  EXPECT_FALSE(host.state.btnSettingsEnabled);
  EXPECT_TRUE(host.state.btnRemoteDesktopVisible) << "the connection buttons stay";

  // Clicks that reach the handlers all the same (a message sent from outside).
  rig.settingsWindow.answers.push_back([] { return 1; });
  rig.wizardWindow.answers.push_back([] { return 1; });
  main.btnExplorerClick();
  main.btnSettingsClick();
  main.btnSetupWizardClick();
  main.rgCurrentShellClick(1);
  EXPECT_TRUE(fake.processes.runs.empty()) << "no Explorer";
  EXPECT_EQ(rig.settingsWindow.answers.size(), 1u) << "no settings dialog";
  EXPECT_EQ(rig.wizardWindow.answers.size(), 1u) << "no wizard";
  EXPECT_EQ(main.Settings.CurrentShell, 0);

  main.btnTestConnectionClick();
  EXPECT_EQ(fake.processes.runs.size(), 1u) << "the connection test starts the client";
  main.btnShutdownClick(main.State().btnLogoffTag);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{16});
}

TEST_F(MainWindowTest, AnAdministratorHasEveryButton) {
  Start("<Settings/>");
  EXPECT_TRUE(host.state.rgCurrentShellEnabled);
  EXPECT_TRUE(host.state.btnExplorerEnabled);
  EXPECT_TRUE(host.state.btnSetupWizardEnabled);
  EXPECT_TRUE(host.state.btnSettingsEnabled);
}

TEST_F(MainWindowTest, OnlyAnAdministratorIsOfferedTheWizardForAMissingFile) {
  fake.identity.administrator = false;
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  main.ApplicationStart();
  EXPECT_TRUE(fake.messages.confirmations.empty());
}

TEST_F(MainWindowTest, AnAdministratorMayAlwaysClose) {
  EXPECT_TRUE(main.FormCloseQuery());
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(MainWindowTest, ClosingSavesTheSettings) {
  Start("<Settings><ConnectionType>0</ConnectionType></Settings>");
  main.FormClose();
  EXPECT_NE(fake.files.files[kSettingsPath].find("<ConnectionType>0</ConnectionType>"), std::string::npos);
  EXPECT_NE(fake.files.files[kSettingsPath].find("<?xml"), std::string::npos);
}

TEST_F(MainWindowTest, ChoosingTheShellSavesAndApplies) {
  Start("<Settings/>");
  main.rgCurrentShellClick(1);
  EXPECT_EQ(main.Settings.CurrentShell, 1);
  EXPECT_NE(fake.files.files[kSettingsPath].find("<CurrentShell>1</CurrentShell>"), std::string::npos);
  EXPECT_EQ(Shell(), u"C:\\Apps\\lanthe.exe");
  main.rgCurrentShellClick(0);
  EXPECT_EQ(Shell(), u"Explorer.exe");
}

TEST_F(MainWindowTest, ExplorerStartsFromTheWindowsDirectoryWithoutWaiting) {
  main.btnExplorerClick();
  ASSERT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), u"C:\\Windows\\explorer.exe ");
  EXPECT_EQ(fake.processes.runs[0].showState, ShowState::kNormal);
  EXPECT_FALSE(fake.processes.runs[0].wait);
}

TEST_F(MainWindowTest, AnAdministratorWithLantheAsShellGetsTheMainWindowInFront) {
  Start("<Settings><CurrentShell>1</CurrentShell></Settings>");
  EXPECT_EQ(host.events, (std::vector<std::string>{"show", "topmost"}));
  EXPECT_TRUE(fake.processes.runs.empty());
  EXPECT_TRUE(fake.messages.questions.empty());
}

TEST_F(MainWindowTest, NotElevatedAdministratorIsToldOnceAndOfferedAnElevatedStart) {
  fake.identity.elevated = false;
  fake.messages.answers = {false};
  Start("<Settings><ConnectionType>0</ConnectionType></Settings>", u"C:\\Apps\\lanthe.exe Debug");
  ASSERT_EQ(fake.messages.confirmations.size(), 1u);
  EXPECT_NE(fake.messages.confirmations[0].find(u"administrator"), Text::npos);
  EXPECT_TRUE(fake.processes.elevatedStarts.empty());
  EXPECT_EQ(main.Settings.ConnectionType, 0) << "No goes on with the start";

  MainWindowRig other;
  other.fake.identity.elevated = false;
  other.fake.messages.answers = {true};
  other.main.FormCreate(u"\"C:\\Apps\\lanthe.exe\" Debug");
  other.main.ApplicationStart();
  ASSERT_EQ(other.fake.processes.elevatedStarts.size(), 1u);
  EXPECT_EQ(other.fake.processes.elevatedStarts[0].program, u"C:\\Apps\\lanthe.exe");
  EXPECT_EQ(other.fake.processes.elevatedStarts[0].parameters, u"Debug");
  EXPECT_EQ(other.host.events, std::vector<std::string>{"terminate"});
  EXPECT_EQ(other.fake.messages.confirmations.size(), 1u) << "the settings file is left to the elevated program";
}

TEST_F(MainWindowTest, NoElevationQuestionForElevatedOrLimitedUsers) {
  Start("<Settings/>");
  EXPECT_TRUE(fake.messages.confirmations.empty());
  MainWindowRig limited;
  limited.fake.identity.administrator = false;
  limited.fake.identity.elevated = false;
  limited.fake.files.files[kSettingsPath] = "<Settings/>";
  limited.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  limited.main.ApplicationStart();
  EXPECT_TRUE(limited.fake.messages.confirmations.empty());
}

TEST_F(MainWindowTest, EachLaunchButtonStartsItsOwnClientOrSaysItIsMissing) {
  const std::pair<std::int32_t, Text> cases[] = {
      {ConnectionType::kRemoteDesktop, u"C:\\Windows\\system32\\mstsc.exe"},
      {ConnectionType::kCustomIca, u"C:\\Program Files\\Citrix\\ICA Client\\pn.exe"}};
  for (const auto& [connectionType, path] : cases) {
    MainWindowRig rig;
    rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    rig.main.Settings.ConnectionType = connectionType;
    rig.main.Settings.RDP.ClientPath = u"C:\\Windows\\system32";
    rig.main.btnPNClick();
    EXPECT_EQ(rig.fake.messages.shown, std::vector<Text>{u"File not found: " + path});
    rig.fake.files.files[path] = "";
    rig.main.btnPNClick();
    ASSERT_EQ(rig.fake.processes.runs.size(), 1u) << connectionType;
    EXPECT_EQ(rig.fake.processes.runs[0].CommandLine(), u"\"" + path + u"\" ") << "no parameters";
    EXPECT_TRUE(rig.fake.processes.runs[0].wait);
  }
}

}  // namespace
}  // namespace lanthe
