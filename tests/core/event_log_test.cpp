// What Lanthe reports to the Windows Event Log, and in which order.

#include <gtest/gtest.h>

#include "main_window_rig.h"
#include "shell/event_texts.h"

namespace lanthe {
namespace {

constexpr char16_t kSettingsPath[] = u"C:\\Apps\\settings.xml";

class EventLogTest : public ::testing::Test {
 protected:
  EventLogTest() {
    fake.identity.administrator = false;
    main.Version = u"1.2.3";
  }
  void LogOn(const std::string& elements, TextView commandLine = u"C:\\Apps\\lanthe.exe") {
    LogOn(rig, elements, commandLine);
  }
  // A limited user's log-on to a Remote Desktop session on ts01, on any rig.
  static void LogOn(MainWindowRig& on, const std::string& elements, TextView commandLine = u"C:\\Apps\\lanthe.exe") {
    on.fake.identity.administrator = false;
    on.fake.files.files[kSettingsPath] = "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType>"
                                         "<RDP><Connection>ts01</Connection></RDP>" + elements + "</Settings>";
    on.main.FormCreate(commandLine);
    on.main.ApplicationStart();
  }
  const std::vector<std::string>& Events() const { return fake.events.reported; }
  bool Reported(const std::string& line) const {
    return std::find(Events().begin(), Events().end(), line) != Events().end();
  }

  MainWindowRig rig;
  testing::FakePlatform& fake = rig.fake;
  TfrmMain& main = rig.main;
};

TEST_F(EventLogTest, ASessionIsReportedInItsOrder) {
  fake.messages.answers = {true, false};
  fake.processes.onRun = [&](const testing::FakeProcesses::Run&) { fake.clock.now += 65'400; };
  fake.processes.exitCodes = {0, 3};
  std::size_t beforeTheRequest = 0;
  fake.power.onAccepted = [&] {
    beforeTheRequest = Events().size();
    rig.WindowsAnswers(true);
  };
  LogOn("<ShowReconnectDialog>True</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<CitrixLogOff>2</CitrixLogOff>");
  const std::string client = "\"C:\\Windows\\system32\\mstsc.exe\"";
  EXPECT_EQ(Events(),
            (std::vector<std::string>{
                "info 1100 Lanthe 1.2.3 started for kiosk (not an administrator), as the shell; connection type "
                "Remote Desktop.",
                "info 1110 Client started: " + client + " /V:ts01:3389 /f",
                "info 1120 Client ended: " + client + " with exit code 0 after 65 s.",
                "info 1130 The user chose to connect again.",
                "info 1110 Client started: " + client + " /V:ts01:3389 /f",
                "info 1120 Client ended: " + client + " with exit code 3 after 65 s.",
                "info 1140 Exit action: log off; Lanthe asks Windows for it.",
            }));
  EXPECT_EQ(beforeTheRequest, Events().size()) << "the exit action is in the log before Windows is asked";
  EXPECT_EQ(fake.events.fields[2], (std::vector<Text>{Utf8ToText(client), u"0", u"65"})) << "each field on its own";
  EXPECT_EQ(fake.events.fields[0],
            (std::vector<Text>{u"1.2.3", u"kiosk", u"not an administrator", u"as the shell", u"Remote Desktop"}));
}

TEST_F(EventLogTest, AStartWritesNothingBeforeItsClientHasStarted) {
  std::vector<std::size_t> atEachStart;
  fake.processes.onStart = [&](const testing::FakeProcesses::Run&) { atEachStart.push_back(Events().size()); };
  std::vector<std::string> whileRunning;
  fake.processes.onRun = [&](const testing::FakeProcesses::Run&) {
    if (whileRunning.empty()) whileRunning = Events();
  };
  fake.messages.answers = {true, false};
  LogOn("<ShowReconnectDialog>True</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<CitrixLogOff>2</CitrixLogOff>");
  ASSERT_EQ(atEachStart.size(), 2u);
  EXPECT_EQ(atEachStart[0], 0u) << "the start's events wait for the client";
  ASSERT_EQ(whileRunning.size(), 2u) << "then go out in their order";
  EXPECT_EQ(whileRunning[0].rfind("info 1100 ", 0), 0u);
  EXPECT_EQ(whileRunning[1].rfind("info 1110 ", 0), 0u);
  EXPECT_EQ(atEachStart[1], 4u) << "a reconnect's events are not held";

  // A start without a client hands them on when it is over.
  MainWindowRig administrator;
  administrator.fake.files.files[kSettingsPath] = "<Settings><RDP></RDX></Settings>";
  administrator.main.FormCreate(u"C:\\Apps\\lanthe.exe");
  administrator.main.ApplicationStart();
  EXPECT_EQ(administrator.fake.events.ids, (std::vector<std::uint32_t>{EventId::kStart, EventId::kSettingsFileDamaged}));
}

TEST_F(EventLogTest, AClientThatCannotStartHoldsNothingBackBehindIt) {
  fake.processes.startFails = true;
  fake.registry.AddKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent");
  std::vector<std::uint32_t> whileTheLauncherShows;
  rig.launcherWindow.onShow = [&] { whileTheLauncherShows = fake.events.ids; };
  LogOn("<ConnectionType>2</ConnectionType><XenApp><CopyXenAppSettings>False</CopyXenAppSettings></XenApp>"
        "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<CitrixLogOff>2</CitrixLogOff>");
  EXPECT_EQ(whileTheLauncherShows, (std::vector<std::uint32_t>{EventId::kStart, EventId::kClientStartFailed}));
  EXPECT_EQ(std::count(fake.events.ids.begin(), fake.events.ids.end(), EventId::kClientEnd), 0)
      << "no client ended that never started";
  ASSERT_GE(Events().size(), 2u);
  EXPECT_EQ(Events()[1],
            "error 1111 The client could not be started: \"C:\\Program Files\\Citrix\\ICA Client\\pnagent.exe\" ");
}

TEST(HeldEventLog, KeepsWhatIsHeldInOrderAndHandsItOnAtTheLatestWhenItGoes) {
  testing::FakeEventLog log;
  {
    HeldEventLog held(log);
    held.Report(EventType::kInformation, 1, u"passed on");
    held.Hold();
    held.Report(EventType::kWarning, 2, u"kept");
    held.Report(EventType::kError, 3, u"kept too");
    EXPECT_EQ(log.ids, std::vector<std::uint32_t>{1});
    held.Release();
    EXPECT_EQ(log.reported, (std::vector<std::string>{"info 1 passed on", "warning 2 kept", "error 3 kept too"}));
    held.Hold();
    for (int i = 0; i < 100; ++i) held.Report(EventType::kInformation, 4, u"again");
  }
  EXPECT_EQ(log.ids.size(), 3u + 64u) << "released as it goes, a runaway hold kept to its bound";
}

// "lanthe-config status" reads the session's end back from today's fields and from
// the whole texts that earlier versions wrote (a log keeps them for months).
TEST(SessionEndEvent, ReadsBackTheClientsEndAndTheExitActionOfEitherForm) {
  const Text odd = u"C:\\x with exit code 5 after 3 s.\\c.exe";  // a path may hold the texts' words
  const auto event = [](const EventReport& e) { return std::pair{e.id, e.strings}; };
  const struct {
    std::pair<std::uint32_t, std::vector<Text>> logged;
    std::optional<std::string> read;  // "client <program> <code> <seconds>" or "action <name> [refused]"
  } cases[] = {
      {event(ClientEndedEvent(u"\"C:\\a b\\mstsc.exe\"", 0xC000013A, 61'999)),
       "client \"C:\\a b\\mstsc.exe\" 3221225786 61"},
      {event(ClientEndedEvent(odd, 7, 0)), "client " + TextToUtf8(odd) + " 7 0"},
      {event(ExitActionEvent(ExitAction::kRestart, true)), "action restart"},
      {event(ExitActionEvent(ExitAction::kShutdown, false)), "action shut down"},
      {event(ExitActionRefusedEvent(ExitAction::kLogOff)), "action log off refused"},
      {event(ReconnectEvent()), std::nullopt},
      {{EventId::kClientEnd, {u"x", u"99999999999", u"1"}}, std::nullopt},
      {{EventId::kClientEnd, {u"x", u"1"}}, std::nullopt},
      {{EventId::kExitActionAsked, {}}, std::nullopt},
      {{EventId::kClientEnded, {u"Client ended: " + odd + u" with exit code 7 after 0 s."}},
       "client " + TextToUtf8(odd) + " 7 0"},
      {{EventId::kExitAction, {u"Exit action: restart; Lanthe asks Windows for it."}}, "action restart"},
      {{EventId::kExitAction, {u"Exit action: shut down (nothing asked of Windows)."}}, "action shut down"},
      {{EventId::kExitAction, {u"Exit action: log off; Windows refused it."}}, "action log off refused"},
      {{EventId::kExitAction, {u"Client ended: x with exit code 0 after 0 s."}}, std::nullopt},
      {{EventId::kClientEnded, {u"Client ended: x with exit code 99999999999 after 1 s."}}, std::nullopt},
      {{EventId::kClientEnded, {u"Client ended: x with exit code 1 after s."}}, std::nullopt},
      {{EventId::kClientEnded, {}}, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto end = ReadSessionEndEvent(c.logged.first, c.logged.second);
    std::optional<std::string> read;
    if (end && end->clientEnded) {
      read = "client " + TextToUtf8(end->program) + " " + std::to_string(end->exitCode) + " " +
             std::to_string(end->seconds);
    } else if (end) {
      read = "action " + TextToUtf8(end->action) + (end->refused ? " refused" : "");
    }
    EXPECT_EQ(read, c.read) << c.logged.first << " " << TextToUtf8(EventText(c.logged.first, c.logged.second));
  }
}

// What Event Viewer shows is the message with each field put in as it is: a field
// that looks like an insert or holds a percent sign stays so.
TEST(EventText, PutsEachFieldInAsItIs) {
  const struct {
    std::uint32_t id;
    std::vector<Text> fields;
    Text shown;
  } cases[] = {
      {EventId::kClientEnd,
       {u"C:\\100%%\\%2 %1.exe", u"1", u"2"},
       u"Client ended: C:\\100%%\\%2 %1.exe with exit code 1 after 2 s."},
      {EventId::kClientEnd, {u"x.exe", u"1"}, u"x.exe 1"},  // a field missing: the fields as they are
      {4711, {u"a", u"b"}, u"a b"},
  };
  for (const auto& c : cases) EXPECT_EQ(EventText(c.id, c.fields), c.shown) << c.id;
}

TEST_F(EventLogTest, NoPasswordIsEverReported) {
  LogOn("<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<RDP><Connection>ts01</Connection><CommandlineParameters>/u:kiosk /p:Se cret</CommandlineParameters></RDP>"
        "<Autologon><Password>Se cret</Password></Autologon>");
  for (const auto& line : Events()) EXPECT_EQ(line.find("Se cret"), std::string::npos) << line;
  EXPECT_TRUE(std::any_of(Events().begin(), Events().end(),
                          [](const std::string& line) { return line.find("/p:***") != std::string::npos; }));
}

TEST_F(EventLogTest, ARefusedPowerActionIsAWarningAndDebugModeAsksNothing) {
  fake.power.refusals = 1;
  LogOn("<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<CitrixLogOff>1</CitrixLogOff>");
  EXPECT_TRUE(Reported("warning 1142 Exit action: power off; Windows refused it."));
  EXPECT_EQ(std::count(Events().begin(), Events().end(), "info 1140 Exit action: power off; Lanthe asks Windows for it."),
            2)
      << "asked again";

  MainWindowRig debug;
  LogOn(debug, "<ConnectionType>7</ConnectionType><ShowReconnectDialog>False</ShowReconnectDialog>"
        "<ShowShutdownDialog>False</ShowShutdownDialog><CitrixLogOff>2</CitrixLogOff>", u"C:\\Apps\\lanthe.exe Debug");
  const auto& events = debug.fake.events.reported;
  EXPECT_NE(events.front().find("Debug mode is on."), std::string::npos) << events.front();
  EXPECT_EQ(events.back(), "info 1141 Exit action: log off (nothing asked of Windows).");
}

TEST_F(EventLogTest, ADamagedFileAndPolicyOverridesAreReportedAfterTheStart) {
  fake.files.files[kSettingsPath] = "<Settings><A></B></Settings>";
  auto& policy = fake.registry.AddKey(RegistryRoot::LocalMachine, u"Software\\Policies\\Lanthe").values;
  policy[u"ConnectionType"] = RegistryValue{RegistryType::kDword, {7, 0, 0, 0}};
  fake.registry.AddKey(RegistryRoot::LocalMachine, u"Software\\Policies\\Lanthe\\RDP").values[u"Connection"] =
      RegistryValue{RegistryType::kString, StringValueBytes(u"host")};
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  main.ApplicationStart();
  ASSERT_GE(Events().size(), 3u);
  EXPECT_EQ(fake.events.ids[0], EventId::kStart);
  EXPECT_EQ(Events()[1], "warning 1150 The settings file C:\\Apps\\settings.xml is damaged: Lanthe runs with its "
                         "defaults, and the next save keeps the damaged file as C:\\Apps\\settings.xml.bak.");
  EXPECT_EQ(Events()[2], "info 1180 Settings set by policy: ConnectionType, RDP.Connection.");
}

TEST_F(EventLogTest, EveryFailingApplyStepIsReported) {
  fake.identity.administrator = true;
  fake.files.files[u"C:\\Users\\kiosk\\AppData\\Roaming\\ICAClient\\appsrv.ini"] = "ini";
  fake.files.failWrites = true;
  fake.accounts.memberStatus = NetStatus::kAccessDenied;  // a refused account would leave no log-on to write
  fake.secrets.status = LsaStatus::kObjectNameNotFound;
  fake.groupPolicy.available = false;
  main.FormCreate(u"C:\\Apps\\lanthe.exe");
  main.Settings.Autologon.CreateUser = true;
  main.Settings.Autologon.EnableAutologon = true;
  main.Settings.Autologon.Username = u"kiosk";
  main.Settings.Autologon.Password = u"pw";
  main.ApplySettings();
  std::vector<std::string> failures;
  for (const auto& line : Events()) failures.push_back(line.substr(0, line.find(' ', line.find(' ') + 1)));
  EXPECT_EQ(failures, (std::vector<std::string>{"error 1006", "error 1006", "warning 1006", "warning 1006"}))
      << "the copy, the account, the plain-text password, the group policy";
  EXPECT_NE(Events()[0].find("File copy"), std::string::npos);
  EXPECT_NE(Events()[1].find("\"kiosk\" was created but could not be made a member"), std::string::npos);
  EXPECT_NE(Events()[2].find("plain text"), std::string::npos);
  EXPECT_NE(Events()[3].find("policies could not be written"), std::string::npos);
  EXPECT_EQ(fake.messages.shown.size(), 4u) << "and each told on screen as before";
}

TEST_F(EventLogTest, ANetworkWaitThatTimesOutIsAWarning) {
  fake.network.up = false;
  LogOn("<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<WaitForNetwork>4</WaitForNetwork>");
  EXPECT_TRUE(Reported("warning 1170 No network came up within 4 seconds: the client was started without one."));

  // An interface, but a name server that never answers: the event names the server.
  MainWindowRig other;
  other.fake.network.resolves = false;
  LogOn(other, "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False</ShowShutdownDialog>"
        "<WaitForNetwork>4</WaitForNetwork>");
  EXPECT_NE(std::find(other.fake.events.reported.begin(), other.fake.events.reported.end(),
                      "warning 1171 The network came up, but the server ts01 did not answer within 4 seconds: the "
                      "client was started anyway."),
            other.fake.events.reported.end());
  EXPECT_EQ(other.fake.processes.runs.size(), 1u);
}

}  // namespace
}  // namespace lanthe
