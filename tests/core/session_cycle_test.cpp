// The session cycle and the exit actions of the main window: which client starts,
// the order of questions, saves and power requests, and how every decision ends.

#include <gtest/gtest.h>

#include "fakes.h"
#include "main_window_rig.h"
#include "shell/launchers.h"

namespace lanthe {
namespace {

constexpr char16_t kSettingsPath[] = u"C:\\Apps\\settings.xml";
constexpr char16_t kRdp[] = u"\"C:\\Windows\\system32\\mstsc.exe\" /V:ts01:3389 /f";

int Choose(TfrmShutdownDialog& dialog, int item) {
  dialog.cboxChoiceChange(item);
  return dialog.btnOkClick();
}

class SessionCycleTest : public ::testing::Test {
 protected:
  SessionCycleTest() { fake.identity.administrator = false; }

  // A limited user's log-on with Lanthe as the shell and these settings elements.
  void LogOn(const std::string& elements, TextView commandLine = u"C:\\Apps\\lanthe.exe") {
    fake.files.files[kSettingsPath] = "<Settings><CurrentShell>1</CurrentShell>" + elements + "</Settings>";
    main.FormCreate(commandLine);
    main.ApplicationStart();
  }

  std::vector<Text> CommandLines() const {
    std::vector<Text> lines;
    for (const auto& run : fake.processes.runs) lines.push_back(run.CommandLine());
    return lines;
  }

  int Questions() const { return static_cast<int>(fake.messages.questions.size()); }

  static std::string Rdp(const std::string& more = "") {
    return "<ConnectionType>0</ConnectionType><RDP><Connection>ts01</Connection><Port>3389</Port>"
           "<FullScreen>-1</FullScreen></RDP>" + more;
  }
  static std::string Flags(bool reconnect, bool dialog) {
    return std::string("<ShowReconnectDialog>") + (reconnect ? "True" : "False") + "</ShowReconnectDialog>" +
           "<ShowShutdownDialog>" + (dialog ? "True" : "False") + "</ShowShutdownDialog>";
  }

  MainWindowRig rig;
  testing::FakePlatform& fake = rig.fake;
  FakeHost& host = rig.host;
  TfrmMain& main = rig.main;
};

TEST_F(SessionCycleTest, RemoteDesktopSessionEndsWithTheChosenShutdown) {
  fake.messages.answers = {false};
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return Choose(d, 0); }};
  LogOn(Rdp(Flags(true, true)) + "<ShowShutdown>True</ShowShutdown><ShowLogoff>True</ShowLogoff>");

  ASSERT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), kRdp);
  EXPECT_TRUE(fake.processes.runs[0].wait);
  EXPECT_EQ(fake.processes.runs[0].showState, ShowState::kNormal);
  ASSERT_EQ(Questions(), 1);
  EXPECT_EQ(fake.messages.questions[0], std::make_pair(Text(u"Connect again?"), Text(u"Lanthe session has been closed")));
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{17});
  EXPECT_EQ(host.events, (std::vector<std::string>{"hide", "hide", "terminate"}))
      << "hidden while Windows ends the session, which ends the program";
  EXPECT_TRUE(main.ShutdownRequested);
  EXPECT_EQ(fake.files.atomicWrites, 0) << "a limited user's saves write nothing";
}

TEST_F(SessionCycleTest, ReconnectStartsTheSameClientAgainAsOftenAsAsked) {
  fake.messages.answers = {true, true, true, false};
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return Choose(d, 1); }};
  LogOn(Rdp(Flags(true, true)));
  EXPECT_EQ(CommandLines(), std::vector<Text>(4, kRdp));
  EXPECT_EQ(Questions(), 4);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{16}) << "the log-off choice";
  EXPECT_EQ(host.events, (std::vector<std::string>{"hide", "hide", "hide", "hide", "hide", "terminate"}))
      << "the main window stays hidden between the sessions";
}

TEST_F(SessionCycleTest, AThousandReconnectsInOneLogOn) {
  fake.messages.answers = std::deque<bool>(1000, true);
  fake.messages.answers.push_back(false);
  LogOn(Rdp(Flags(true, false)) + "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_EQ(fake.processes.runs.size(), 1001u);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{16});
}

TEST_F(SessionCycleTest, ACancelledDialogBringsTheQuestionBack) {
  fake.messages.answers = {false, false, false};
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return d.btnAnnulerenClick(); },
                                [](TfrmShutdownDialog& d) { return d.btnAnnulerenClick(); },
                                [](TfrmShutdownDialog& d) { return Choose(d, 0); }};
  LogOn(Rdp(Flags(true, true)));
  EXPECT_EQ(Questions(), 3);
  EXPECT_EQ(rig.shutdownWindow.shows, 3);
  EXPECT_EQ(fake.processes.runs.size(), 1u);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{17});
}

TEST_F(SessionCycleTest, WithoutTheQuestionTheDialogComesBackUntilConfirmed) {
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return d.btnAnnulerenClick(); },
                                [](TfrmShutdownDialog& d) { return Choose(d, 0); }};
  LogOn(Rdp(Flags(false, true)) + "<ShowShutdown>False</ShowShutdown><ShowRestart>True</ShowRestart>");
  EXPECT_EQ(Questions(), 0);
  EXPECT_EQ(rig.shutdownWindow.shows, 2);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{16}) << "the first item is the log-off choice";
}

TEST_F(SessionCycleTest, TheDialogOffersWhatTheSettingsSay) {
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return Choose(d, 1); }};
  LogOn(Rdp(Flags(false, true)) +
        "<ShowShutdown>True</ShowShutdown><ShowLogoff>False</ShowLogoff><ShowRestart>True</ShowRestart>"
        "<ShutdownDialogDefaultChoice>3</ShutdownDialogDefaultChoice>");
  EXPECT_EQ(rig.frmShutdownDialog.State().items, (std::vector<Text>{u"Afsluiten", u"Opnieuw opstarten"}));
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{18});
}

TEST_F(SessionCycleTest, AutomaticActionWhenBothQuestionsAreOff) {
  const struct {
    const char* citrixLogOff;
    std::vector<std::uint16_t> flags;
    bool terminates;
  } cases[] = {{"1", {12}, true}, {"2", {16}, true}, {"0", {}, false}, {"9", {}, false}};
  for (const auto& c : cases) {
    MainWindowRig local;
    local.fake.identity.administrator = false;
    local.fake.files.files[kSettingsPath] = "<Settings><CurrentShell>1</CurrentShell>" + Rdp(Flags(false, false)) +
                                            "<CitrixLogOff>" + c.citrixLogOff + "</CitrixLogOff></Settings>";
    local.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    local.main.ApplicationStart();
    EXPECT_EQ(local.fake.power.requested, c.flags) << c.citrixLogOff;
    EXPECT_TRUE(local.fake.messages.questions.empty());
    const bool terminated = !local.host.events.empty() && local.host.events.back() == "terminate";
    EXPECT_EQ(terminated, c.terminates) << c.citrixLogOff;
    EXPECT_EQ(local.main.ShutdownRequested, c.terminates) << "no exit action, no opened close protection";
  }
}

TEST_F(SessionCycleTest, AnUnknownConnectionTypeStartsNothing) {
  fake.messages.answers = {false};
  LogOn("<ConnectionType>7</ConnectionType>" + Flags(true, false) + "<CitrixLogOff>1</CitrixLogOff>");
  EXPECT_TRUE(fake.processes.runs.empty());
  EXPECT_EQ(Questions(), 1) << "the end-of-session step follows at once";
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{12});
}

TEST_F(SessionCycleTest, DebugModeRequestsNothingButStillEnds) {
  fake.messages.answers = {true, false};
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return Choose(d, 0); }};
  LogOn(Rdp(Flags(true, true)), u"C:\\Apps\\lanthe.exe Debug");
  EXPECT_EQ(fake.processes.runs.size(), 2u) << "a reconnect still runs the cycle again";
  EXPECT_TRUE(fake.power.requested.empty());
  EXPECT_EQ(host.events.back(), "terminate");
}

TEST_F(SessionCycleTest, ARefusedPowerActionIsToldAndTheUserDecidesAgain) {
  fake.power.refusals = 1;
  fake.messages.answers = {false, false};
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return Choose(d, 0); },
                                [](TfrmShutdownDialog& d) { return Choose(d, 1); }};
  LogOn(Rdp(Flags(true, true)));
  EXPECT_EQ(fake.power.requested, (std::vector<std::uint16_t>{17, 16}));
  EXPECT_EQ(fake.messages.shown, std::vector<Text>{u"Lanthe asked Windows to shut down the computer, but Windows refused."});
  EXPECT_EQ(Questions(), 2) << "the reconnect question comes back first";
  EXPECT_EQ(fake.processes.runs.size(), 1u) << "no new session";
  EXPECT_EQ(host.events, (std::vector<std::string>{"hide", "hide", "terminate"})) << "never the main window";
}

TEST_F(SessionCycleTest, ARefusedAutomaticActionIsTriedAgainAfterEachMessage) {
  fake.power.refusals = 2;
  LogOn(Rdp(Flags(false, false)) + "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_EQ(fake.power.requested, (std::vector<std::uint16_t>{16, 16, 16}));
  EXPECT_EQ(fake.messages.shown, std::vector<Text>(2, u"Lanthe asked Windows to log off, but Windows refused."));
  EXPECT_EQ(host.events, (std::vector<std::string>{"hide", "hide", "terminate"}));
}

TEST_F(SessionCycleTest, AShutdownDialogWithNothingToChooseIsSkippedForTheAutomaticAction) {
  LogOn(Rdp(Flags(false, true)) +
        "<ShowShutdown>False</ShowShutdown><ShowLogoff>False</ShowLogoff><ShowRestart>False</ShowRestart>"
        "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_EQ(rig.shutdownWindow.shows, 0);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{16});
  EXPECT_EQ(host.events.back(), "terminate");
}

TEST_F(SessionCycleTest, TheCycleStopsOnceTheProgramIsToldToEnd) {
  // After a reconnect the close protection is open; a close from outside during the
  // second session is let through and ends the program. Modal windows then return at
  // once, which must not keep the decision going round.
  fake.messages.answers = {true};
  fake.processes.onRun = [&](const testing::FakeProcesses::Run&) {
    if (fake.processes.runs.size() == 2) host.terminated = true;
  };
  LogOn(Rdp(Flags(true, true)));
  EXPECT_EQ(fake.processes.runs.size(), 2u);
  EXPECT_EQ(Questions(), 1) << "nothing is asked after the second session";
  EXPECT_EQ(rig.shutdownWindow.shows, 0);
  EXPECT_TRUE(fake.power.requested.empty());
}

TEST_F(SessionCycleTest, ADialogThatEndsTheProgramStopsTheQuestions) {
  fake.messages.answers = {false};
  rig.shutdownWindow.answers = {[&](TfrmShutdownDialog& d) {
    host.terminated = true;  // the program was told to end while the dialog showed
    return d.btnAnnulerenClick();
  }};
  LogOn(Rdp(Flags(true, true)));
  EXPECT_EQ(Questions(), 1);
  EXPECT_EQ(rig.shutdownWindow.shows, 1);
  EXPECT_TRUE(fake.power.requested.empty());
}

TEST_F(SessionCycleTest, CustomIcaHandsTheConnectionFileOverAndStartsTheConnection) {
  const Text user = u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\appsrv.ini";
  fake.files.files[user] = "mine";
  fake.files.files[u"C:\\Apps\\appsrv.ini"] = "shared";
  LogOn("<ConnectionType>1</ConnectionType><ICA><Connection>Desktop</Connection><CopyICASettings>True</CopyICASettings>"
        "</ICA>" + Flags(false, false));
  EXPECT_EQ(fake.files.files[user], "shared");
  EXPECT_EQ(CommandLines(), std::vector<Text>{u"\"C:\\Program Files\\Citrix\\ICA Client\\wfcrun32.exe\"  \"Desktop\""});
}

TEST_F(SessionCycleTest, XenAppStartsPNAgentThenTheLauncherInSessionMode) {
  fake.registry.AddKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent");
  fake.files.files[u"C:\\Apps\\XenAppSettings.cfg"] = "3C\r\n";
  LogOn("<ConnectionType>2</ConnectionType><XenApp><CommandlineParameters>/silent</CommandlineParameters>"
        "<CopyXenAppSettings>False</CopyXenAppSettings></XenApp>" + Flags(false, false) + "<CitrixLogOff>1</CitrixLogOff>");
  EXPECT_EQ(CommandLines(), std::vector<Text>{u"\"C:\\Program Files\\Citrix\\ICA Client\\pnagent.exe\" /silent"});
  EXPECT_TRUE(fake.processes.runs[0].wait) << "pnagent.exe is waited for";
  ASSERT_EQ(rig.launcherWindow.shows.size(), 1u) << "then the launcher window";
  EXPECT_EQ(rig.launcherWindow.shows[0].XenApp.CommandlineParameters, u"/silent") << "a whole copy of the settings";
  EXPECT_EQ(rig.launcherWindow.sessionModes, std::vector<bool>{true});
  EXPECT_EQ(fake.registry.Value(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent", u"Configuration Model 000"),
            nullptr)
      << "no configuration restored without CopyXenAppSettings";
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{12}) << "the end-of-session step follows";
}

TEST_F(SessionCycleTest, XenAppRestoresTheStoredConfigurationBeforePNAgentStarts) {
  fake.registry.AddKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent");
  fake.files.files[u"C:\\Apps\\XenAppSettings.cfg"] = "3C,3E\r\n";
  bool restoredFirst = false;
  fake.processes.onRun = [&](const testing::FakeProcesses::Run&) {
    const auto* config = fake.registry.Value(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent", u"Configuration Model 000");
    const auto* url = fake.registry.Value(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent", u"ServerURLCopy");
    restoredFirst = config && config->data == std::vector<std::uint8_t>{0x3C, 0x3E} && url;
  };
  LogOn("<ConnectionType>2</ConnectionType><XenApp><CopyXenAppSettings>True</CopyXenAppSettings>"
        "<ServerURL>https://apps.example.org/config.xml</ServerURL></XenApp>" + Flags(false, false));
  EXPECT_TRUE(restoredFirst);
  EXPECT_EQ(main.Settings.XenApp.PNAgentConfig, u"3C,3E");
}

TEST_F(SessionCycleTest, TheLauncherListsTheDesktopFolderOfTheRestoredConfiguration) {
  const auto hex = [](std::string_view text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
      if (!out.empty()) out += ",";
      out += digits[c >> 4];
      out += digits[c & 15];
    }
    return out;
  };
  auto& key = fake.registry.AddKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent");
  const std::string old = "<C><User Blob><Key>DesktopName</Key><Value>Old</Value></User Blob></C>";
  key.values[u"Configuration Model 000"] = RegistryValue{RegistryType::kBinary, std::vector<std::uint8_t>(old.begin(), old.end())};
  fake.files.files[u"C:\\Apps\\XenAppSettings.cfg"] =
      hex("<C><User Blob><Key>DesktopName</Key><Value>Published</Value></User Blob></C>") + "\r\n";
  LogOn("<ConnectionType>2</ConnectionType><XenApp><CopyXenAppSettings>True</CopyXenAppSettings></XenApp>" +
        Flags(false, false));
  ASSERT_EQ(rig.launcherWindow.shows.size(), 1u);
  EXPECT_EQ(rig.launcherWindow.shows[0].XenApp.DesktopFolder, u"C:\\Users\\kiosk\\Desktop\\Published");
  EXPECT_EQ(main.Settings.XenApp.DesktopFolder, u"C:\\Users\\kiosk\\Desktop\\Published");
}

TEST_F(SessionCycleTest, TheXenAppTestRestoresOnlyForALimitedUser) {
  fake.registry.AddKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent");
  fake.files.files[u"C:\\Apps\\XenAppSettings.cfg"] = "3C\r\n";
  fake.identity.administrator = true;
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  main.Settings.ConnectionType = 2;
  main.Settings.XenApp.CopyXenAppSettings = true;
  main.btnTestConnectionClick();
  const auto config = [&] {
    return fake.registry.Value(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent", u"Configuration Model 000");
  };
  EXPECT_EQ(config(), nullptr) << "an administrator's test leaves the configuration alone";
  EXPECT_EQ(rig.launcherWindow.sessionModes, std::vector<bool>{true});
  fake.identity.administrator = false;
  main.btnTestConnectionClick();
  EXPECT_NE(config(), nullptr);
  EXPECT_EQ(fake.processes.runs.size(), 2u);
}

TEST_F(SessionCycleTest, AnAdministratorIsNeverSentIntoTheCycle) {
  fake.identity.administrator = true;
  LogOn(Rdp(Flags(true, true)));
  EXPECT_TRUE(fake.processes.runs.empty());
  EXPECT_EQ(Questions(), 0);
  EXPECT_EQ(host.events, (std::vector<std::string>{"show", "topmost"}));
}

TEST_F(SessionCycleTest, WithoutANetworkTheWindowWaitsBeforeEachClientStart) {
  fake.network.up = false;
  fake.network.downLooks = 0;
  fake.messages.answers = {true, false};
  LogOn(Rdp(Flags(true, false)) + "<CitrixLogOff>2</CitrixLogOff><WaitForNetwork>5</WaitForNetwork>");
  EXPECT_EQ(rig.networkWaitWindow.shows, (std::vector<std::int32_t>{5, 5})) << "before the reconnect's start too";
  EXPECT_EQ(rig.networkWaitWindow.countdowns[0], u"The connection starts in 5 seconds.");
  EXPECT_EQ(rig.networkWaitWindow.ends[0], NetworkWaitEnd::kTimeUp);
  EXPECT_EQ(fake.processes.runs.size(), 2u) << "the client starts all the same, as before";
  EXPECT_EQ(fake.processes.runs[0].CommandLine(), kRdp);
}

TEST_F(SessionCycleTest, TheWaitEndsWhenTheNetworkComesUpOrOnStartNow) {
  fake.network.downLooks = 3;  // the question before the window, then two looks
  LogOn(Rdp(Flags(false, false)) + "<CitrixLogOff>2</CitrixLogOff>");
  ASSERT_EQ(rig.networkWaitWindow.shows, std::vector<std::int32_t>{30}) << "30 seconds by default";
  EXPECT_EQ(rig.networkWaitWindow.ends[0], NetworkWaitEnd::kNetworkUp);

  MainWindowRig other;
  other.fake.identity.administrator = false;
  other.fake.network.up = false;
  other.networkWaitWindow.startNowAfterLooks = 2;
  other.fake.files.files[kSettingsPath] = "<Settings><CurrentShell>1</CurrentShell>" + Rdp(Flags(false, false)) +
                                          "<CitrixLogOff>2</CitrixLogOff><WaitForNetwork>900</WaitForNetwork></Settings>";
  other.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  other.main.ApplicationStart();
  EXPECT_EQ(other.networkWaitWindow.shows, std::vector<std::int32_t>{600}) << "the nearest limit";
  EXPECT_EQ(other.networkWaitWindow.ends[0], NetworkWaitEnd::kStartNow);
  EXPECT_EQ(other.fake.processes.runs.size(), 1u);
}

TEST_F(SessionCycleTest, NoWaitWithTheNetworkUpOrSwitchedOffOrWithoutAClient) {
  LogOn(Rdp(Flags(false, false)) + "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_TRUE(rig.networkWaitWindow.shows.empty()) << "the network is up";
  EXPECT_EQ(fake.network.looks, 1) << "one look, no window";
  EXPECT_EQ(fake.network.queried, std::vector<Text>{u"ts01"}) << "and the server's name, which resolves";

  for (const std::string more : {"<WaitForNetwork>0</WaitForNetwork><ConnectionType>0</ConnectionType>",
                                 "<ConnectionType>7</ConnectionType>"}) {
    MainWindowRig other;
    other.fake.identity.administrator = false;
    other.fake.network.up = false;
    other.fake.files.files[kSettingsPath] =
        "<Settings><CurrentShell>1</CurrentShell>" + Flags(false, false) + "<CitrixLogOff>2</CitrixLogOff>" + more +
        "</Settings>";
    other.main.FormCreate(u"C:\\Apps\\lanthe.exe");
    other.main.ApplicationStart();
    EXPECT_TRUE(other.networkWaitWindow.shows.empty()) << more;
    EXPECT_EQ(other.fake.network.looks, 0) << more;
  }
}

TEST_F(SessionCycleTest, TheConnectionTestAndTheButtonsNeverWait) {
  fake.identity.administrator = true;
  fake.network.up = false;
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  main.Settings.ConnectionType = 0;
  main.btnTestConnectionClick();
  main.btnPNClick();
  EXPECT_TRUE(rig.networkWaitWindow.shows.empty());
  EXPECT_EQ(fake.network.looks, 0);
}

TEST_F(SessionCycleTest, TheDesktopBehindTheClientIsSetOncePerCycleAfterTheClientsStart) {
  std::vector<std::string> atTheStart{"not started"};
  std::vector<std::string> whileRunning;
  fake.processes.onStart = [&](const testing::FakeProcesses::Run&) {
    if (atTheStart == std::vector<std::string>{"not started"}) atTheStart = fake.desktop.calls;
  };
  fake.processes.onRun = [&](const testing::FakeProcesses::Run&) {
    if (whileRunning.empty()) whileRunning = fake.desktop.calls;
  };
  fake.messages.answers = {true, false};
  LogOn(Rdp(Flags(true, false)) + "<CitrixLogOff>2</CitrixLogOff><RemoveWallpaper>True</RemoveWallpaper>"
                                  "<UseBackgroundColor>True</UseBackgroundColor><BackgroundColor>4227327</BackgroundColor>");
  EXPECT_EQ(fake.desktop.calls, (std::vector<std::string>{"no wallpaper", "colour 4227327"})) << "once, not per pass";
  EXPECT_TRUE(atTheStart.empty()) << "nothing before the client's start";
  EXPECT_EQ(whileRunning, fake.desktop.calls) << "set while the client runs";
  EXPECT_EQ(host.windowsEnsured, 3) << "the main window is made for each client, and for the log-off";

  const struct {
    const char* elements;
    const char16_t* commandLine;
    bool administrator;
    std::vector<std::string> calls;
  } cases[] = {
      {"<RemoveWallpaper>False</RemoveWallpaper><UseBackgroundColor>False</UseBackgroundColor>", u"lanthe.exe", false,
       {}},
      {"<UseBackgroundColor>True</UseBackgroundColor><BackgroundColor>-1</BackgroundColor>", u"lanthe.exe Debug", false,
       {"colour 16777215"}},
      {"<RemoveWallpaper>True</RemoveWallpaper><UseBackgroundColor>False</UseBackgroundColor>", u"lanthe.exe", true,
       {"no wallpaper"}},
  };
  for (const auto& c : cases) {
    MainWindowRig other;
    other.fake.identity.administrator = c.administrator;
    other.fake.files.files[kSettingsPath] = "<Settings><CurrentShell>1</CurrentShell>" + Rdp(Flags(false, false)) +
                                            "<CitrixLogOff>0</CitrixLogOff>" + c.elements + "</Settings>";
    other.main.FormCreate(c.commandLine);
    other.main.ApplicationStart();
    EXPECT_EQ(other.fake.desktop.calls, c.calls) << c.elements;
  }
  MainWindowRig explorer;
  explorer.fake.files.files[kSettingsPath] = "<Settings><RemoveWallpaper>True</RemoveWallpaper></Settings>";
  explorer.main.FormCreate(u"lanthe.exe");
  explorer.main.ApplicationStart();
  EXPECT_TRUE(explorer.fake.desktop.calls.empty()) << "not without the session cycle";
}

TEST_F(SessionCycleTest, TheGroupPolicyStepIsAnAdministratorsAndWaitsForTheStartsEnd) {
  fake.groupPolicy.opens = false;  // a limited user
  LogOn(Rdp(Flags(false, false)) + "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_TRUE(fake.groupPolicy.calls.empty()) << "a limited user's start opens no object";
  EXPECT_TRUE(fake.windows.broadcasts.empty()) << "and with nothing written, no window is kept waiting";

  MainWindowRig administrator;
  administrator.fake.files.files[kSettingsPath] = "<Settings/>";
  administrator.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  administrator.main.ApplicationStart();
  EXPECT_EQ(administrator.fake.windows.broadcasts, std::vector<Text>{u"Policy"}) << "at the end of a start without a client";
  administrator.main.ApplySettings();
  EXPECT_EQ(administrator.fake.windows.broadcasts.size(), 2u) << "later applies write the policies at once";
}

class ExitActionTest : public SessionCycleTest {
 protected:
  ExitActionTest() {
    fake.identity.administrator = true;
    fake.files.files[kSettingsPath] = "<Settings/>";
    main.FormCreate(u"C:\\Apps\\lanthe.exe");
    main.ApplicationStart();
    fake.files.atomicWrites = 0;
  }
};

TEST_F(ExitActionTest, ShutdownButtonsSaveFlagAndRequestTheirAction) {
  const struct {
    int tag;
    std::uint16_t flags;
  } cases[] = {{main.State().btnLogoffTag, 16}, {main.State().btnShutdownTag, 17}, {main.State().btnRestartTag, 18}};
  for (const auto& c : cases) {
    fake.power.requested.clear();
    fake.files.atomicWrites = 0;
    host.events.clear();
    main.btnShutdownClick(c.tag);
    EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{c.flags});
    EXPECT_EQ(fake.files.atomicWrites, 3) << "the button saves, the exit action and the session's end once more";
    EXPECT_EQ(host.events, (std::vector<std::string>{"hide", "terminate"}));
    EXPECT_TRUE(main.ShutdownRequested);
  }
}

TEST_F(ExitActionTest, ARefusedButtonActionLeavesTheMainWindowAsItIs) {
  fake.power.accept = false;
  host.events.clear();
  main.btnShutdownClick(main.State().btnRestartTag);
  EXPECT_EQ(fake.power.requested, std::vector<std::uint16_t>{18});
  EXPECT_EQ(fake.messages.shown, std::vector<Text>{u"Lanthe asked Windows to restart the computer, but Windows refused."});
  EXPECT_TRUE(host.events.empty()) << "the program goes on";
  EXPECT_TRUE(main.ShutdownRequested) << "the window may now be closed";
}

TEST_F(ExitActionTest, CodesOutsideTheTable) {
  EXPECT_EQ(main.ExitApplication(5), ExitOutcome::kTerminating);
  EXPECT_TRUE(fake.power.requested.empty());
  EXPECT_EQ(host.events.back(), "terminate") << "5 is greater than 0";
  EXPECT_EQ(fake.files.atomicWrites, 1);

  host.events.clear();
  MainWindowRig other;
  EXPECT_EQ(other.main.ExitApplication(-1), ExitOutcome::kGoesOn);
  EXPECT_TRUE(other.main.ShutdownRequested);
  EXPECT_TRUE(other.host.events.empty()) << "the program goes on";
}

TEST_F(ExitActionTest, ConnectionTestAndProgramNeighborhood) {
  main.Settings.ConnectionType = 0;
  main.Settings.RDP.Connection = u"ts01";
  main.btnTestConnectionClick();
  main.Settings.ConnectionType = 1;
  main.Settings.ICA.Connection = u"Desktop";
  main.btnTestConnectionClick();
  main.Settings.ConnectionType = 7;
  main.btnTestConnectionClick();
  EXPECT_EQ(CommandLines(),
            (std::vector<Text>{kRdp, u"\"C:\\Program Files\\Citrix\\ICA Client\\pn.exe\" /APP \"Desktop\""}));
  EXPECT_TRUE(fake.processes.runs[1].wait);
  EXPECT_TRUE(host.events.empty() || host.events.back() != "hide") << "a test does not hide the window";

  main.btnPNClick();
  EXPECT_EQ(fake.messages.shown, std::vector<Text>{u"File not found: C:\\Program Files\\Citrix\\ICA Client\\pn.exe"});
  fake.files.files[u"C:\\Program Files\\Citrix\\ICA Client\\pn.exe"] = "";
  main.btnPNClick();
  EXPECT_EQ(CommandLines().back(), u"\"C:\\Program Files\\Citrix\\ICA Client\\pn.exe\" ");
}


// Windows' end of the session: what Windows sends after an accepted power action, and
// while a session runs, as the program's messages bring it.
class SessionEndTest : public SessionCycleTest {
 protected:
  std::vector<std::string> Warnings() const {
    std::vector<std::string> warnings;
    for (const auto& line : fake.events.reported) {
      if (line.rfind("warning", 0) == 0) warnings.push_back(line);
    }
    return warnings;
  }
};

TEST_F(SessionEndTest, ACancelledAutomaticActionIsAskedAgainAfterAPauseAndAfterThreeTheUserChooses) {
  // Windows cancels twice, then says nothing at all (it stopped asking at a program
  // that refused), then ends the session for the user's own choice.
  int requests = 0;
  fake.power.onAccepted = [&] {
    ++requests;
    if (requests <= 2) rig.WindowsAnswers(false);
    if (requests == 4) rig.WindowsAnswers(true);
  };
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return Choose(d, 0); }};
  LogOn(Rdp(Flags(false, false)) + "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_EQ(fake.power.requested, (std::vector<std::uint16_t>{16, 16, 16, 17}));
  EXPECT_EQ(host.waits, (std::vector<std::uint32_t>{60'000, 5'000, 60'000, 5'000, 60'000, 60'000}))
      << "Windows' answer, a pause before the automatic action again, and no pause before the user's choice";
  EXPECT_EQ(rig.shutdownWindow.shows, 1) << "the dialog, although it is switched off";
  EXPECT_EQ(Warnings(), (std::vector<std::string>{
                            "warning 1200 Windows accepted the exit action log off, but the end of the session was "
                            "cancelled (by another program or by the user): the end-of-session step runs again.",
                            "warning 1200 Windows accepted the exit action log off, but the end of the session was "
                            "cancelled (by another program or by the user): the end-of-session step runs again.",
                            "warning 1201 Windows accepted the exit action log off, but did not end the session "
                            "within 60 s: the end-of-session step runs again.",
                        }));
  EXPECT_EQ(host.events.back(), "terminate");
  EXPECT_EQ(fake.processes.runs.size(), 1u) << "no new session";
}

TEST_F(SessionEndTest, AQuestionWithoutAnAnswerGivesTheOthersAsLongAgain) {
  fake.power.onAccepted = [&] {
    host.arriving.push_back([&] { main.FormQueryEndSession(); });
    host.arriving.push_back([] {});
    host.arriving.push_back([] {});  // the pause before the action again
    rig.WindowsAnswers(true);
  };
  LogOn(Rdp(Flags(false, false)) + "<CitrixLogOff>1</CitrixLogOff>");
  EXPECT_EQ(host.waits, (std::vector<std::uint32_t>{60'000, 60'000, 5'000, 60'000}));
  EXPECT_EQ(fake.power.requested, (std::vector<std::uint16_t>{12, 12}));
}

TEST_F(SessionEndTest, TheCrashWatcherGuardsTheCycleButNeverWindowsEnd) {
  rig.shutdownWindow.answers = {[](TfrmShutdownDialog& d) { return Choose(d, 0); },
                                [](TfrmShutdownDialog& d) { return Choose(d, 0); }};
  fake.power.onAccepted = [&] {
    rig.WindowsAnswers(fake.power.requested.size() == 2);
    fake.crashWatcher.calls.push_back("requested");
  };
  LogOn(Rdp(Flags(false, true)));
  EXPECT_EQ(fake.crashWatcher.calls,
            (std::vector<std::string>{"arm", "disarm", "requested", "disarm", "arm", "disarm", "requested",
                                      "disarm", "disarm"}))
      << "armed with the client, down before each request and each question, up after a cancel";

  MainWindowRig administrator;
  administrator.fake.files.files[kSettingsPath] = "<Settings><CurrentShell>1</CurrentShell></Settings>";
  administrator.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  administrator.main.ApplicationStart();
  administrator.main.btnShutdownClick(administrator.main.State().btnRestartTag);
  EXPECT_EQ(administrator.fake.crashWatcher.calls, (std::vector<std::string>{"disarm", "disarm", "disarm"}))
      << "never armed for an administrator";
}

TEST_F(SessionEndTest, WindowsEndsTheSessionWhileTheClientRuns) {
  // Windows Update's restart: the question is answered yes without a word, the end
  // saves quietly and nothing more follows the client.
  fake.processes.onRun = [&](const testing::FakeProcesses::Run&) {
    main.FormQueryEndSession();
    EXPECT_TRUE(fake.messages.shown.empty());
    main.FormEndSession(true);
  };
  LogOn(Rdp(Flags(true, true)));
  EXPECT_EQ(Questions(), 0);
  EXPECT_EQ(rig.shutdownWindow.shows, 0);
  EXPECT_TRUE(fake.power.requested.empty());
  EXPECT_EQ(host.events.back(), "terminate");
  EXPECT_EQ(fake.crashWatcher.calls, (std::vector<std::string>{"arm", "disarm", "disarm"}));

  // A cancelled end leaves the session as it was, the watcher up again.
  MainWindowRig other;
  other.fake.identity.administrator = false;
  other.fake.processes.onRun = [&](const testing::FakeProcesses::Run&) {
    other.main.FormQueryEndSession();
    other.main.FormEndSession(false);
  };
  other.fake.files.files[kSettingsPath] =
      "<Settings><CurrentShell>1</CurrentShell>" + Rdp(Flags(false, false)) + "<CitrixLogOff>2</CitrixLogOff></Settings>";
  other.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  other.main.ApplicationStart();
  EXPECT_EQ(other.fake.power.requested, std::vector<std::uint16_t>{16}) << "the session's end follows the client";
  EXPECT_EQ(other.fake.crashWatcher.calls.front(), "arm");
  EXPECT_EQ(other.fake.crashWatcher.calls.at(2), "arm");

  // An administrator's end saves what a close saves, and a failing save shows nothing.
  MainWindowRig administrator;
  administrator.fake.files.files[kSettingsPath] = "<Settings/>";
  administrator.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  administrator.main.ApplicationStart();
  administrator.fake.files.atomicWrites = 0;
  administrator.fake.files.failWrites = true;
  administrator.main.FormQueryEndSession();
  administrator.main.FormEndSession(true);
  EXPECT_EQ(administrator.fake.files.atomicWrites, 1);
  EXPECT_TRUE(administrator.fake.messages.shown.empty());
  EXPECT_EQ(administrator.fake.events.ids.back(), EventId::kApplyFailed) << "the failure goes to the log instead";
  EXPECT_TRUE(administrator.host.terminated);
}

TEST_F(SessionEndTest, AnAdministratorsCancelledRestartBringsTheMainWindowBack) {
  fake.identity.administrator = true;
  LogOn("");
  host.events.clear();
  fake.power.onAccepted = [&] { rig.WindowsAnswers(false); };
  main.btnShutdownClick(main.State().btnRestartTag);
  EXPECT_EQ(host.events, (std::vector<std::string>{"hide", "show", "topmost"}));
  EXPECT_FALSE(host.terminated);
}

TEST_F(SessionEndTest, AProgramStartedAgainAfterACrashWaitsForTheClientItFound) {
  fake.crashWatcher.restarted = true;
  fake.crashWatcher.earlierClient = 3;
  fake.messages.answers = {true, false};
  LogOn(Rdp(Flags(true, false)) + "<CitrixLogOff>2</CitrixLogOff><RemoveWallpaper>True</RemoveWallpaper>");
  EXPECT_EQ(CommandLines(), std::vector<Text>{kRdp}) << "the earlier client, then one started by the reconnect";
  EXPECT_EQ(fake.crashWatcher.calls.front(), "arm") << "guarded while it waits";
  EXPECT_EQ(fake.crashWatcher.calls.at(1), "wait for earlier client");
  EXPECT_EQ(Questions(), 2);
  EXPECT_TRUE(fake.desktop.calls.empty()) << "the log-on's steps are not repeated";
  EXPECT_EQ(fake.desktop.shellReadySignals, 0);
  EXPECT_TRUE(fake.startupPrograms.starts.empty());
  EXPECT_NE(fake.events.reported[0].find("started again after an abnormal end"), std::string::npos);

  MainWindowRig firstStart;
  firstStart.fake.identity.administrator = false;
  firstStart.fake.files.files[kSettingsPath] =
      "<Settings><CurrentShell>1</CurrentShell>" + Rdp(Flags(false, false)) + "<CitrixLogOff>2</CitrixLogOff></Settings>";
  firstStart.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  firstStart.main.ApplicationStart();
  EXPECT_EQ(firstStart.fake.desktop.shellReadySignals, 1);
  EXPECT_EQ(firstStart.fake.startupPrograms.starts, std::vector<bool>{false}) << "the log-on's programs, as a limited user";
}

}  // namespace
}  // namespace lanthe
