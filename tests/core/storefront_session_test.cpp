// The StoreFront connection's session: the store added, the resource launched, the
// waits for the ICA client, and the sign-out before the exit action.

#include <gtest/gtest.h>

#include "fakes.h"
#include "main_window_rig.h"

namespace lanthe {
namespace {

constexpr char16_t kSettingsPath[] = u"C:\\Apps\\settings.xml";
constexpr char16_t kAddStore[] = u"\"C:\\ICA\\AuthManager\\storebrowse.exe\" -a \"https://sf.example.com/Citrix/Store\"";
constexpr char16_t kLaunch[] = u"\"C:\\ICA\\SelfServicePlugin\\SelfService.exe\" -qlaunch \"Kiosk Desktop\"";
constexpr char16_t kSignOut[] = u"\"C:\\ICA\\SelfServicePlugin\\SelfService.exe\" -logoff";

class StoreFrontSessionTest : public ::testing::Test {
 protected:
  StoreFrontSessionTest() {
    fake.identity.administrator = false;
    // One line per step, in the order the program takes them.
    fake.processes.onStart = [this](const testing::FakeProcesses::Run& run) {
      steps.push_back((run.wait ? u"run " : u"start ") + run.CommandLine() +
                      (fake.power.requested.empty() ? u"" : u" after the power request"));
    };
    fake.clientProcesses.onWait = [this](const Text& wait) { steps.push_back(wait); };
  }

  void LogOn(const std::string& storeFront, const std::string& more) {
    fake.files.files[kSettingsPath] =
        "<Settings><CurrentShell>1</CurrentShell><ConnectionType>3</ConnectionType>"
        "<Citrix><ClientPath>C:\\ICA</ClientPath></Citrix><StoreFront>"
        "<StoreURL>https://sf.example.com/Citrix/Store</StoreURL>" + storeFront + "</StoreFront>" + more +
        "</Settings>";
    main.FormCreate(u"C:\\Apps\\lanthe.exe");
    main.ApplicationStart();
  }

  MainWindowRig rig;
  testing::FakePlatform& fake = rig.fake;
  TfrmMain& main = rig.main;
  std::vector<Text> steps;
};

TEST_F(StoreFrontSessionTest, TheSessionWaitsForTheIcaClientAndSignsOutBeforeTheExitAction) {
  fake.messages.answers = {true, false};  // one reconnect, then the automatic log-off
  LogOn("<Resource>Kiosk Desktop</Resource><WaitForClient>300</WaitForClient>",
        "<ShowReconnectDialog>True</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<CitrixLogOff>2</CitrixLogOff>");
  const std::vector<Text> pass = {u"run " + Text(kAddStore), u"start " + Text(kLaunch),
                                  u"appear wfica32.exe 300000", u"end wfica32.exe"};
  std::vector<Text> expected = pass;
  expected.insert(expected.end(), pass.begin(), pass.end());
  expected.push_back(u"run " + Text(kSignOut));
  EXPECT_EQ(steps, expected) << "the self-service program is not waited for; the sign-out comes once, "
                                "before Windows is asked";
  EXPECT_EQ(fake.messages.questions.size(), 2u);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{16});
  EXPECT_EQ(fake.processes.runs[0].showState, ShowState::kHidden);
  EXPECT_EQ(fake.processes.runs[1].showState, ShowState::kNormal);
}

TEST_F(StoreFrontSessionTest, WithoutAClientWithinTheLimitTheEndOfSessionFollows) {
  // The limit is kept within 120..3600 seconds; no ICA client means no wait for its end.
  const struct {
    const char* limit;
    const char16_t* wait;
  } cases[] = {{"10", u"appear wfica32.exe 120000"}, {"99999", u"appear wfica32.exe 3600000"}};
  for (const auto& c : cases) {
    MainWindowRig local;
    local.fake.identity.administrator = false;
    local.fake.clientProcesses.appears = false;
    local.fake.files.files[kSettingsPath] =
        std::string("<Settings><CurrentShell>1</CurrentShell><ConnectionType>3</ConnectionType><StoreFront>"
                    "<Resource>Desk</Resource><WaitForClient>") + c.limit + "</WaitForClient></StoreFront>"
        "<ShowReconnectDialog>True</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<CitrixLogOff>1</CitrixLogOff></Settings>";
    local.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    local.main.ApplicationStart();
    EXPECT_EQ(local.fake.clientProcesses.waits, std::vector<Text>{c.wait}) << c.limit;
    ASSERT_EQ(local.fake.processes.runs.size(), 2u) << "no store to add: the launch and the sign-out";
    EXPECT_NE(local.fake.processes.runs[1].parameters.find(u"-logoff"), Text::npos);
    EXPECT_EQ(local.fake.messages.questions.size(), 1u);
    EXPECT_EQ(local.fake.power.requested, std::vector<std::uint16_t>{12});
  }
}

TEST_F(StoreFrontSessionTest, ASelfServiceProgramThatCannotStartIsNeitherWaitedForNorSignedOut) {
  fake.processes.startFails = true;
  LogOn("<Resource>Kiosk Desktop</Resource>",
        "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_TRUE(fake.clientProcesses.waits.empty());
  EXPECT_EQ(fake.processes.runs.size(), 2u) << "the store added and the launch tried, nothing more";
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{16});
}

TEST_F(StoreFrontSessionTest, WithoutAResourceTheLauncherOffersTheStoresApplicationsAndItsLogOffSignsOut) {
  rig.launcherWindow.onShow = [this] { rig.frmXenAppLauncher.btnLogOffClick(); };
  LogOn("", "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
            "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_EQ(steps, (std::vector<Text>{u"run " + Text(kAddStore),
                                      u"start \"C:\\ICA\\SelfServicePlugin\\SelfService.exe\" -ipoll",
                                      u"run " + Text(kSignOut)}))
      << "no ICA client is waited for, and the launcher's log-off is the only sign-out";
  ASSERT_EQ(rig.launcherWindow.sessionModes, std::vector<bool>{true});
  EXPECT_EQ(rig.launcherWindow.shows[0].ConnectionType, ConnectionType::kStoreFront);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{16});
}

TEST_F(StoreFrontSessionTest, TheConnectionTestRunsTheSessionAndLeavesNobodySignedIn) {
  fake.identity.administrator = true;
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  main.Settings.ConnectionType = ConnectionType::kStoreFront;
  main.Settings.Citrix.ClientPath = u"C:\\ICA";
  main.Settings.StoreFront.StoreURL = u"https://sf.example.com/Citrix/Store";
  main.Settings.StoreFront.Resource = u"Kiosk Desktop";
  main.btnTestConnectionClick();
  EXPECT_EQ(steps, (std::vector<Text>{u"run " + Text(kAddStore), u"start " + Text(kLaunch),
                                      u"appear wfica32.exe 180000", u"end wfica32.exe", u"run " + Text(kSignOut)}));
  EXPECT_TRUE(rig.host.events.empty()) << "a test neither hides nor shows the window";
  EXPECT_TRUE(fake.power.requested.empty());
}

}  // namespace
}  // namespace lanthe
