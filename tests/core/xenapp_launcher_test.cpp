#include "dialogs/xenapp_launcher.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

constexpr char16_t kFolder[] = u"C:\\Users\\kiosk\\Desktop\\XenApp";

TEST(ShortcutFiles, OnlyShortcutsSortedWithoutCase) {
  const std::vector<DirectoryEntry> entries = {
      {u"Word.lnk"},     {u"excel.lnk"},     {u"CAPS.LNK"},          {u"x.lnk.bak"},  {u"lnkfile.txt"},
      {u"Notes.lnkx"},   {u"folder.lnk", true}, {u"hidden.lnk", false, true}, {u"system.lnk", false, false, true},
      {u"Access.lNk"},
  };
  EXPECT_EQ(ShortcutFileNames(entries), (std::vector<Text>{u"Access.lNk", u"CAPS.LNK", u"excel.lnk", u"Word.lnk"}));
}

class LauncherTest : public ::testing::Test {
 protected:
  LauncherTest() {
    SetDefaultSettings(global, fake.folders, u"C:\\Apps\\lanthe.exe", u"");
    global.XenApp.CommandlineParameters = u"/global";
    launcher.AttachGlobalSettings(global);
    launcher.LauncherSettings = global;
    launcher.LauncherSettings.XenApp.DesktopFolder = kFolder;
    launcher.LauncherSettings.XenApp.CommandlineParameters = u" /copy";
    fake.files.directories.insert(kFolder);
  }

  void AddShortcut(const Text& name, Shortcut shortcut) {
    const Text path = Text(kFolder) + u"\\" + name;
    fake.files.files[path] = "lnk";
    fake.shellLinks.shortcuts[path] = std::move(shortcut);
  }
  // PNAgent with a desktop name: the launcher keeps waiting for shortcuts.
  void GiveDesktopName() {
    fake.registry.AddKey(RegistryRoot::CurrentUser, kPNAgentKey).values[kPNAgentConfigValue] = RegistryValue{
        RegistryType::kBinary, [] {
          const std::string doc = "<C><A><Key>DesktopName</Key><Value>XenApp</Value></A></C>";
          return std::vector<std::uint8_t>(doc.begin(), doc.end());
        }()};
  }
  // Runs the show's steps; returns the pauses between them.
  std::vector<int> RunShow(int maxSteps = 50) {
    std::vector<int> pauses;
    for (auto pause = launcher.FormShow(); pause && maxSteps-- > 0; pause = launcher.ContinueShow()) {
      pauses.push_back(*pause);
      if (onPause) onPause(pauses.size());
    }
    return pauses;
  }

  testing::FakePlatform fake;
  Platform platform = fake.platform();
  PNAgentStore pnagent{fake.registry, fake.files, fake.codePage};
  TSettings global;
  TfrmXenAppLauncher launcher{platform, pnagent};
  std::function<void(std::size_t)> onPause;
};

TEST_F(LauncherTest, ItemsAreTheShortcutsDescriptionsArgumentsAndIcons) {
  AddShortcut(u"b.lnk", {u"Word 2016", u"/QLaunch \"Farm:Word\"", u"C:\\icons\\word.ico"});
  AddShortcut(u"a.lnk", {u"Excel", u"/QLaunch \"Farm:Excel\"", u""});
  launcher.RefreshApplications();
  EXPECT_EQ(launcher.State().items,
            (std::vector<LauncherItem>{{u"Excel", u"/QLaunch \"Farm:Excel\"", u""},
                                       {u"Word 2016", u"/QLaunch \"Farm:Word\"", u"C:\\icons\\word.ico"}}));
  EXPECT_EQ(fake.shellLinks.reads.front(), Text(kFolder) + u"\\a.lnk") << "full path: folder, backslash, name";
}

TEST_F(LauncherTest, AMissingFolderGivesAnEmptyListAndShortcutsWithoutObjectAreSkipped) {
  AddShortcut(u"a.lnk", {u"A", u"", u""});
  AddShortcut(u"b.lnk", {u"B", u"", u""});
  fake.shellLinks.broken.insert(Text(kFolder) + u"\\a.lnk");
  launcher.RefreshApplications();
  ASSERT_EQ(launcher.State().items.size(), 1u);
  EXPECT_EQ(launcher.State().items[0].caption, u"B");
  launcher.LauncherSettings.XenApp.DesktopFolder = u"";
  launcher.RefreshApplications();
  EXPECT_TRUE(launcher.State().items.empty());
}

TEST_F(LauncherTest, WithoutADesktopNameOneMoreLookAfterFiveSeconds) {
  int listingsAtStart = 0;
  onPause = [&](std::size_t) { listingsAtStart = fake.files.listings; };
  EXPECT_EQ(RunShow(), std::vector<int>{5000});
  EXPECT_EQ(fake.files.listings, listingsAtStart + 1);
  EXPECT_FALSE(launcher.State().loading);
  EXPECT_EQ(launcher.State().status, kNoApplications);
  EXPECT_TRUE(fake.processes.runs.empty());
}

TEST_F(LauncherTest, ShortcutsPresentAtShowTimeStillWaitTheFirstFiveSecondsAndThoseWrittenMeanwhileCount) {
  GiveDesktopName();
  AddShortcut(u"a.lnk", {u"A", u"", u""});
  onPause = [&](std::size_t) { AddShortcut(u"b.lnk", {u"B", u"", u""}); };  // PNAgent still writing
  EXPECT_EQ(RunShow(), std::vector<int>{5000});
  EXPECT_EQ(launcher.State().items.size(), 2u);
  EXPECT_EQ(fake.windows.enumerations, 0) << "no pass runs";
  EXPECT_EQ(launcher.State().status, u"");
}

TEST_F(LauncherTest, WhilePNAgentRunsTheLauncherPollsEveryHalfSecond) {
  GiveDesktopName();
  fake.windows.titles = {u"Other", u"citrix xenapp"};
  onPause = [&](std::size_t pauses) {
    if (pauses == 4) AddShortcut(u"late.lnk", {u"Late", u"", u""});
  };
  EXPECT_EQ(RunShow(), (std::vector<int>{5000, 500, 0, 500, 0, 0}));
  EXPECT_EQ(launcher.State().items.size(), 1u);
  EXPECT_TRUE(fake.processes.runs.empty()) << "a window titled Citrix XenApp (any case) means PNAgent runs";
}

TEST_F(LauncherTest, WithoutTheCitrixXenAppWindowPNAgentIsRestartedFromTheLiveSettings) {
  GiveDesktopName();
  onPause = [&](std::size_t pauses) {
    if (pauses == 3) fake.windows.titles = {u"Citrix XenApp"};
    if (pauses == 4) AddShortcut(u"a.lnk", {u"A", u"", u""});
  };
  EXPECT_EQ(RunShow(), (std::vector<int>{5000, 500, 5000, 500, 0, 0}));
  EXPECT_EQ(fake.processes.killed, std::vector<Text>{u"pnamain.exe"});
  ASSERT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), u"\"C:\\Program Files\\Citrix\\ICA Client\\pnagent.exe\" /global");
  EXPECT_FALSE(fake.processes.runs[0].wait);
  EXPECT_EQ(fake.processes.runs[0].showState, ShowState::kNormal);
}

TEST_F(LauncherTest, LogOffEndsTheSessionAndTheWaitAtAnyTime) {
  GiveDesktopName();
  ASSERT_TRUE(launcher.FormShow());
  EXPECT_TRUE(launcher.State().loading);
  EXPECT_EQ(launcher.State().status, kLoadingApplications);
  EXPECT_EQ(launcher.btnLogOffClick(), 2);
  EXPECT_EQ(fake.processes.killed, std::vector<Text>{u"pnamain.exe"});
  EXPECT_EQ(launcher.ContinueShow(), std::nullopt) << "the wait is over";
  EXPECT_FALSE(launcher.State().loading);
}

TEST_F(LauncherTest, AClickStartsTheApplicationWithTheCopysParametersRightBehind) {
  AddShortcut(u"a.lnk", {u"A", u"/QLaunch \"Farm:A\"", u""});
  launcher.RefreshApplications();
  launcher.lvApplicationsClick(-1);
  EXPECT_TRUE(fake.processes.runs.empty());
  launcher.LauncherSettings.XenApp.CommandlineParameters = u"/x";
  launcher.lvApplicationsClick(0);
  ASSERT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.processes.runs[0].parameters, u"/QLaunch \"Farm:A\"/x") << "nothing between the two";
  EXPECT_EQ(fake.processes.runs[0].program, u"\"C:\\Program Files\\Citrix\\ICA Client\\pnagent.exe\"");
  EXPECT_TRUE(fake.processes.runs[0].wait);
}

TEST_F(LauncherTest, SessionModeIsOffWhenCreatedAndStaysUntilChanged) {
  launcher.FormCreate();
  EXPECT_FALSE(launcher.State().sessionMode);
  launcher.SetSessionMode(true);
  launcher.RefreshApplications();
  EXPECT_TRUE(launcher.State().sessionMode);
}

TEST_F(LauncherTest, AStoreLauncherListsTheWorkspaceAppsStartMenuFolderUntilShortcutsCome) {
  fake.folders.special[Csidl::kPrograms] = u"C:\\P";
  const auto startMenuDir = [&](RegistryRoot root, TextView value) {
    fake.registry.AddKey(root, u"Software\\Citrix\\Dazzle").values[u"StartMenuDir"] =
        RegistryValue{RegistryType::kString, StringValueBytes(value)};
  };
  EXPECT_EQ(StoreShortcutFolder(fake.registry, fake.folders), u"C:\\P");
  startMenuDir(RegistryRoot::LocalMachine32, u"Machine");
  startMenuDir(RegistryRoot::CurrentUser, u"\\Apps");  // the user's first, a leading backslash or not
  const Text folder = u"C:\\P\\Apps";
  EXPECT_EQ(StoreShortcutFolder(fake.registry, fake.folders), folder);

  global.ConnectionType = ConnectionType::kStoreFront;
  global.Citrix.ClientPath = u"C:\\ICA";
  launcher.LauncherSettings = global;
  fake.files.directories.insert(folder);
  onPause = [&](std::size_t pauses) {  // the user signs in meanwhile; then the shortcuts come
    if (pauses == 3) fake.files.files[folder + u"\\Desk.lnk"] = "lnk";
  };
  EXPECT_EQ(RunShow(), (std::vector<int>{5000, 5000, 5000}));
  ASSERT_EQ(launcher.State().items.size(), 1u);
  EXPECT_EQ(fake.windows.enumerations, 0) << "no PNAgent to look for";
  fake.shellLinks.shortcuts[folder + u"\\Desk.lnk"] = {u"Desk", u"-launch -reg \"x\"", u""};
  launcher.RefreshApplications();
  launcher.lvApplicationsClick(0);
  EXPECT_EQ(launcher.btnLogOffClick(), 2);
  const Text self = u"\"C:\\ICA\\SelfServicePlugin\\SelfService.exe\" ";
  ASSERT_EQ(fake.processes.runs.size(), 2u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), self + u"-launch -reg \"x\"");
  EXPECT_FALSE(fake.processes.runs[0].wait) << "the self-service program may stay";
  EXPECT_EQ(fake.processes.runs[1].CommandLine(), self + u"-logoff");
  EXPECT_TRUE(fake.processes.killed.empty()) << "no pnamain.exe to end";
}

}  // namespace
}  // namespace lanthe
