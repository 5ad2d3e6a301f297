// The StoreFront connection's session: the store added, the resource launched, the
// waits for the ICA client, and the sign-out before the exit action.

#include <algorithm>

#include <gtest/gtest.h>

#include "fakes.h"
#include "main_window_rig.h"

namespace lanthe {
namespace {

constexpr char16_t kAddStore[] = u"run \"C:\\ICA\\AuthManager\\storebrowse.exe\" -a \"https://sf.example.com/Store\"";
constexpr char16_t kLaunch[] = u"start \"C:\\ICA\\SelfServicePlugin\\SelfService.exe\" -qlaunch \"Kiosk Desktop\"";
constexpr char16_t kSignOut[] = u"run \"C:\\ICA\\SelfServicePlugin\\SelfService.exe\" -logoff";

// A limited user's log-on; each step the program takes is one line, in order.
struct StoreFrontKiosk {
  explicit StoreFrontKiosk(const std::string& storeFront, bool reconnectOnce = false,
                           const std::function<void(MainWindowRig&)>& before = {}) {
    fake.identity.administrator = false;
    if (before) before(rig);
    fake.processes.onStart = [this](const testing::FakeProcesses::Run& run) {
      steps.push_back((run.wait ? u"run " : u"start ") + run.CommandLine() +
                      (fake.power.requested.empty() ? u"" : u" after the power request"));
    };
    fake.clientProcesses.onWait = [this](const Text& wait) { steps.push_back(wait); };
    fake.messages.answers = {true, false};
    fake.files.files[u"C:\\Apps\\settings.xml"] =
        std::string("<Settings><ShowReconnectDialog>") + (reconnectOnce ? "True" : "False") +
        "</ShowReconnectDialog><CurrentShell>1</CurrentShell><ConnectionType>3</ConnectionType><CitrixLogOff>2</CitrixLogOff>"
        "<ShowShutdownDialog>False</ShowShutdownDialog><Citrix><ClientPath>C:\\ICA</ClientPath></Citrix>"
        "<StoreFront>" + storeFront + "</StoreFront></Settings>";
    rig.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    rig.main.ApplicationStart();
  }
  MainWindowRig rig;
  testing::FakePlatform& fake = rig.fake;
  std::vector<Text> steps;
};

constexpr char kStore[] = "<StoreURL>https://sf.example.com/Store</StoreURL>";

TEST(StoreFrontSession, TheSessionWaitsForTheIcaClientAndSignsOutOnceBeforeTheExitAction) {
  StoreFrontKiosk kiosk(std::string(kStore) + "<Resource>Kiosk Desktop</Resource><WaitForClient>300</WaitForClient>",
                        /*reconnectOnce=*/true, [](MainWindowRig& rig) { rig.fake.clientProcesses.exitCode = 7; });
  const std::vector<Text> pass = {kAddStore, kLaunch, u"appear wfica32.exe 300000", u"end wfica32.exe"};
  std::vector<Text> expected = pass;
  expected.insert(expected.end(), pass.begin(), pass.end());
  expected.push_back(kSignOut);
  EXPECT_EQ(kiosk.steps, expected) << "the self-service program is not waited for";
  EXPECT_EQ(kiosk.fake.messages.questions.size(), 2u);
  EXPECT_EQ(kiosk.fake.power.requested, std::vector<std::uint16_t>{16});
  // The session's end is the ICA client's, with its own exit code.
  const auto& events = kiosk.fake.events;
  const auto end = std::find(events.ids.begin(), events.ids.end(), EventId::kClientEnd);
  ASSERT_NE(end, events.ids.end());
  const auto& fields = events.fields[static_cast<std::size_t>(end - events.ids.begin())];
  EXPECT_EQ(fields[0], u"wfica32.exe");
  EXPECT_EQ(fields[1], u"7");
}

TEST(StoreFrontSession, WithoutAClientWithinTheLimitTheEndOfSessionFollows) {
  // The limit is kept within 120..3600 seconds; without a store address none is added.
  for (const auto& [limit, wait] : {std::pair{"10", u"appear wfica32.exe 120000"},
                                    std::pair{"99999", u"appear wfica32.exe 3600000"}}) {
    StoreFrontKiosk kiosk(std::string("<Resource>Kiosk Desktop</Resource><WaitForClient>") + limit + "</WaitForClient>",
                          false, [](MainWindowRig& rig) { rig.fake.clientProcesses.appears = false; });
    EXPECT_EQ(kiosk.steps, (std::vector<Text>{kLaunch, wait, kSignOut})) << limit;
    const auto& ids = kiosk.fake.events.ids;
    EXPECT_NE(std::find(ids.begin(), ids.end(), EventId::kClientNotAppeared), ids.end()) << limit;
    EXPECT_EQ(kiosk.fake.power.requested, std::vector<std::uint16_t>{16});
  }
}

TEST(StoreFrontSession, WithoutAResourceTheLauncherOffersTheStoresApplicationsAndItsLogOffSignsOut) {
  StoreFrontKiosk kiosk(kStore, false, [](MainWindowRig& rig) {
    rig.launcherWindow.onShow = [&rig] { rig.frmXenAppLauncher.btnLogOffClick(); };
  });
  EXPECT_EQ(kiosk.steps, (std::vector<Text>{kAddStore, u"start \"C:\\ICA\\SelfServicePlugin\\SelfService.exe\" -ipoll",
                                            kSignOut}))
      << "no ICA client is waited for, and the launcher's log-off is the only sign-out";
  EXPECT_EQ(kiosk.rig.launcherWindow.sessionModes, std::vector<bool>{true});
}

TEST(StoreFrontSession, AProgramStartedAgainAfterACrashWaitsForTheIcaClientStillRunning) {
  StoreFrontKiosk kiosk(std::string(kStore) + "<Resource>Kiosk Desktop</Resource>", false,
                        [](MainWindowRig& rig) { rig.fake.crashWatcher.restarted = true; });
  EXPECT_EQ(kiosk.steps, (std::vector<Text>{u"end wfica32.exe", kSignOut})) << "no second launch";
}

}  // namespace
}  // namespace lanthe
