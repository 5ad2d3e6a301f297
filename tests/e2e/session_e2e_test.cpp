// A limited user's log-on with Lanthe as the shell, under Wine with the fake clients:
// which client starts, the reconnect question, the shutdown dialog, the exit actions.

#include <gtest/gtest.h>


#include "harness.h"

namespace lanthe::e2e {
namespace {

const std::wstring kDialog = L"Windows Afsluiten";
const std::wstring kQuestion = L"Connect again?";

// Settings of a Remote Desktop kiosk whose clients are the fakes.
std::string Kiosk(const std::string& more, const char* connectionType = "0") {
  return std::string("<Settings><CurrentShell>1</CurrentShell><ConnectionType>") + connectionType +
         "</ConnectionType>"
         "<RDP><ClientPath>$CLIENTS</ClientPath><Connection>ts01</Connection><Port>3390</Port>"
         "<FullScreen>-1</FullScreen></RDP>"
         "<Citrix><ClientPath>$CLIENTS</ClientPath></Citrix><ICA><Connection>Desktop</Connection></ICA>" +
         more + "</Settings>";
}

std::string Questions(bool reconnect, bool dialog) {
  return std::string("<ShowReconnectDialog>") + (reconnect ? "True" : "False") + "</ShowReconnectDialog>" +
         "<ShowShutdownDialog>" + (dialog ? "True" : "False") + "</ShowShutdownDialog>" +
         "<ShowShutdown>True</ShowShutdown><ShowLogoff>True</ShowLogoff><ShowRestart>True</ShowRestart>";
}

RunOptions Limited(const std::string& settings, std::optional<int> clientExitAfterMs = 300) {
  RunOptions options;
  options.administrator = false;
  options.settingsFile = settings;
  options.clientExitAfterMs = clientExitAfterMs;
  return options;
}

// Answers the reconnect question, failing the test when it does not come.
void AnswerQuestion(const LantheRun& run, bool reconnect) {
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box) << "no reconnect question";
  EXPECT_EQ(box->caption, L"Lanthe session has been closed");
  EXPECT_EQ(box->text, kQuestion);
  Answer(*box, reconnect ? IDYES : IDNO);
}

// Picks an item of the shutdown dialog and presses one of its buttons.
void AnswerDialog(const LantheRun& run, int item, const wchar_t* button) {
  HWND dialog = run.WaitForWindow(kDialog);
  ASSERT_TRUE(dialog) << "no shutdown dialog";
  HWND list = FindControl(dialog, L"ComboBox", L"");
  ASSERT_TRUE(list);
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  Click(FindControl(dialog, L"Button", button));
}

TEST(SessionE2E, RemoteDesktopStartsWithItsCommandLineWhileTheMainWindowHides) {
  LantheRun run(Limited(Kiosk(Questions(false, false) + "<CitrixLogOff>2</CitrixLogOff>"), std::nullopt));
  HWND fake = nullptr;
  for (int i = 0; i < 400 && !fake; ++i) {
    fake = ::FindWindowW(L"LantheFakeClient", nullptr);
    if (!fake) ::Sleep(50);
  }
  ASSERT_TRUE(fake) << "no client window";
  EXPECT_EQ(run.WaitForWindow(L"Lanthe", 0), nullptr) << "the main window is hidden while the client runs";
  ASSERT_EQ(run.ClientCommandLines().size(), 1u);
  EXPECT_EQ(run.ClientCommandLines()[0], L"\"" + run.ClientsFolder() + L"\\mstsc.exe\" /V:ts01:3390 /f");
  ::PostMessageW(fake, WM_CLOSE, 0, 0);
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

TEST(SessionE2E, StoreFrontWaitsForTheIcaClientRatherThanTheSelfServiceProgramThenSignsOut) {
  RunOptions options = Limited(Kiosk(Questions(true, false) + "<CitrixLogOff>2</CitrixLogOff><StoreFront>"
                                     "<StoreURL>https://sf.example.test/Citrix/Store</StoreURL>"
                                     "<Resource>Kiosk Desktop</Resource></StoreFront>", "3"),
                               std::nullopt);
  options.icaClientAfterMs = L"300";
  LantheRun run(options);
  HWND session = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (session = ::FindWindowW(L"LantheFakeClient", L"ICA session (fake wfica32.exe)")); }))
      << "the self-service program started no ICA client";
  EXPECT_FALSE(run.WaitForMessageBox(500)) << "no question while the ICA client runs";
  ::PostMessageW(session, WM_CLOSE, 0, 0);
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box) << "no reconnect question after the ICA client ended";
  EXPECT_EQ(box->text, kQuestion);
  EXPECT_TRUE(ProcessRunning(L"SelfService.exe")) << "the self-service program stays; nobody waits for it";
  Answer(*box, IDNO);
  ASSERT_TRUE(run.WaitForExit());
  const std::wstring self = L"\"" + run.ClientsFolder() + L"\\SelfServicePlugin\\SelfService.exe\" ";
  EXPECT_EQ(run.ClientCommandLines(),
            (std::vector<std::wstring>{
                L"\"" + run.ClientsFolder() + L"\\AuthManager\\storebrowse.exe\" -a \"https://sf.example.test/Citrix/Store\"",
                self + L"-qlaunch \"Kiosk Desktop\"",
                L"\"" + run.ClientsFolder() + L"\\wfica32.exe\" \"Kiosk Desktop\"", self + L"-logoff"}));
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

TEST(SessionE2E, CustomIcaStartsTheConnectionStarter) {
  LantheRun run(Limited(Kiosk(Questions(false, false) + "<CitrixLogOff>1</CitrixLogOff>", "1")));
  ASSERT_TRUE(run.WaitForExit());
  ASSERT_EQ(run.ClientCommandLines().size(), 1u);
  EXPECT_EQ(run.ClientCommandLines()[0], L"\"" + run.ClientsFolder() + L"\\wfcrun32.exe\"  \"Desktop\"");
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 12"});
}

TEST(SessionE2E, ConnectAgainStartsTheSameClientEachTime) {
  LantheRun run(Limited(Kiosk(Questions(true, true))));
  for (int i = 0; i < 3; ++i) AnswerQuestion(run, true);
  AnswerQuestion(run, false);
  AnswerDialog(run, 0, L"Ok");
  ASSERT_TRUE(run.WaitForExit());
  const auto lines = run.ClientCommandLines();
  ASSERT_EQ(lines.size(), 4u);
  for (const auto& line : lines) EXPECT_EQ(line, lines[0]);
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 17"});
}

TEST(SessionE2E, TheShutdownDialogShowsItsChoicesAndRequestsTheChosenOne) {
  LantheRun run(Limited(Kiosk(Questions(false, true))));
  HWND dialog = run.WaitForWindow(kDialog);
  ASSERT_TRUE(dialog);
  HWND list = FindControl(dialog, L"ComboBox", L"");
  ASSERT_TRUE(list);
  EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
  wchar_t item[128] = {};
  ::SendMessageW(list, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(item));
  EXPECT_STREQ(item, L"Opnieuw opstarten");
  EXPECT_TRUE(FindControl(dialog, L"Static", L"Kies een optie:"));
  EXPECT_TRUE(FindControl(dialog, L"Static",
                          L"De sessie be\u00EBndigen en Windows afsluiten, zodat u de computer veilig kunt uitzetten."));
  AnswerDialog(run, 2, L"Ok");
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 18"});
}

TEST(SessionE2E, ACancelledDialogBringsTheQuestionBack) {
  LantheRun run(Limited(Kiosk(Questions(true, true))));
  AnswerQuestion(run, false);
  AnswerDialog(run, 0, L"Cancel");
  AnswerQuestion(run, false);
  AnswerDialog(run, 1, L"Ok");
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

TEST(SessionE2E, EscapeCancelsTheDialogAndEnterConfirmsIt) {
  LantheRun run(Limited(Kiosk(Questions(true, true))));
  AnswerQuestion(run, false);
  const auto press = [&](WPARAM key) {
    HWND dialog = run.WaitForWindow(kDialog);
    ASSERT_TRUE(dialog);
    HWND list = FindControl(dialog, L"ComboBox", L"");
    ::PostMessageW(list, WM_KEYDOWN, key, 1);
    ::PostMessageW(list, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
  };
  press(VK_ESCAPE);
  AnswerQuestion(run, false);  // cancelled: the question comes back
  press(VK_RETURN);
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 17"});
}

TEST(SessionE2E, AutomaticActionsWithoutQuestionOrDialog) {
  for (const char* action : {"1", "2"}) {
    LantheRun run(Limited(Kiosk(Questions(false, false) + "<CitrixLogOff>" + action + "</CitrixLogOff>")));
    ASSERT_TRUE(run.WaitForExit()) << action;
    EXPECT_EQ(run.PowerRequests(),
              std::vector<std::wstring>{std::string(action) == "1" ? L"ShutdownWindows 12" : L"ShutdownWindows 16"});
  }
  LantheRun none(Limited(Kiosk(Questions(false, false) + "<CitrixLogOff>0</CitrixLogOff>")));
  EXPECT_TRUE(none.WaitForWindow(L"Lanthe")) << "nothing happens, and the main window shows";
  EXPECT_FALSE(none.WaitForExit(500));
  EXPECT_TRUE(none.PowerRequests().empty());
}

TEST(SessionE2E, AnUnknownConnectionTypeStartsNoClient) {
  LantheRun run(Limited(Kiosk(Questions(false, false) + "<CitrixLogOff>1</CitrixLogOff>", "7")));
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_TRUE(run.ClientCommandLines().empty());
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 12"});
}

TEST(SessionE2E, DebugModeRequestsNothingAndStillEnds) {
  RunOptions options = Limited(Kiosk(Questions(false, true)));
  options.parameters = L"Debug";
  LantheRun run(options);
  const auto debug = run.WaitForMessageBox();
  ASSERT_TRUE(debug);
  EXPECT_EQ(debug->text, L"Debug is on!");
  Answer(*debug, IDOK);
  AnswerDialog(run, 0, L"Ok");
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
  EXPECT_TRUE(run.PowerRequests().empty());
}

TEST(SessionE2E, AnAdministratorGetsTheMainWindowAndNoClient) {
  RunOptions options = Limited(Kiosk(Questions(true, true)));
  options.administrator = true;
  LantheRun run(options);
  EXPECT_TRUE(run.WaitForWindow(L"Lanthe"));
  EXPECT_FALSE(run.WaitForMessageBox(500));
  EXPECT_TRUE(run.ClientCommandLines().empty());
}

TEST(SessionE2E, TheMainWindowsShutdownButtons) {
  const struct {
    const wchar_t* button;
    const wchar_t* request;
  } cases[] = {{L"Logoff", L"ShutdownWindows 16"}, {L"Shutdown", L"ShutdownWindows 17"},
               {L"Restart", L"ShutdownWindows 18"}};
  for (const auto& c : cases) {
    LantheRun run({});
    HWND window = run.WaitForWindow(L"Lanthe");
    ASSERT_TRUE(window);
    Click(FindControl(window, L"Button", c.button));
    ASSERT_TRUE(run.WaitForExit()) << c.button;
    EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{c.request}) << c.button;
  }
}

TEST(SessionE2E, ARefusedPowerActionIsReportedAndTheUserDecidesAgain) {
  RunOptions options = Limited(Kiosk(Questions(false, true)));
  options.powerActionsAccepted = false;
  LantheRun run(options);
  AnswerDialog(run, 0, L"Ok");
  const auto box = run.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"Lanthe asked Windows to shut down the computer, but Windows refused.");
  Answer(*box, IDOK);
  EXPECT_TRUE(run.WaitForWindow(kDialog)) << "the dialog comes back";
  EXPECT_FALSE(run.WaitForWindow(L"Lanthe", 300)) << "never the main window with its way out";
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
}

TEST(SessionE2E, AShutdownDialogWithNothingToChooseGivesWayToTheAutomaticAction) {
  LantheRun run(Limited(Kiosk("<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>True"
                              "</ShowShutdownDialog><ShowShutdown>False</ShowShutdown><ShowLogoff>False</ShowLogoff>"
                              "<ShowRestart>False</ShowRestart><CitrixLogOff>2</CitrixLogOff>")));
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

HWND WaitForClientWindow() {
  HWND client = nullptr;
  WaitUntil([&] { return (client = ::FindWindowW(L"LantheFakeClient", nullptr)) != nullptr; });
  return client;
}

TEST(SessionE2E, WhileTheClientRunsTheHiddenMainWindowAnswersOtherPrograms) {
  LantheRun run(Limited(Kiosk(Questions(false, false) + "<CitrixLogOff>2</CitrixLogOff>"), std::nullopt));
  HWND client = WaitForClientWindow();
  ASSERT_TRUE(client);
  // The hidden main window is made once the client has had its head start.
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindMainWindow(run)) != nullptr; });
  ASSERT_TRUE(window);
  EXPECT_FALSE(::IsWindowVisible(window));
  DWORD_PTR result = 0;
  EXPECT_NE(::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result), 0)
      << "a broadcast does not hang for the whole session";

  // Windows asks whether the session may end: yes, at once and without a word; the
  // end is cancelled elsewhere, and the session goes on.
  const EndSessionReply reply = QueryEndSession(run, window);
  EXPECT_FALSE(reply.box) << reply.box->text;
  EXPECT_EQ(reply.answer, TRUE);
  EndSession(window, false);
  EXPECT_FALSE(run.WaitForExit(300));
  EXPECT_EQ(run.ClientCommandLines().size(), 1u) << "nothing of the program ran meanwhile";

  ::PostMessageW(client, WM_CLOSE, 0, 0);
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

TEST(SessionE2E, AnOutsideCloseAfterAReconnectEndsTheProgramWithTheSession) {
  LantheRun run(Limited(Kiosk(Questions(true, true)), std::nullopt));
  HWND first = WaitForClientWindow();
  ASSERT_TRUE(first);
  ::PostMessageW(first, WM_CLOSE, 0, 0);
  AnswerQuestion(run, true);
  ASSERT_TRUE(WaitUntil([&] { return run.ClientCommandLines().size() == 2; }));
  HWND second = WaitForClientWindow();
  ASSERT_TRUE(second);
  HWND window = FindMainWindow(run);
  ASSERT_TRUE(window);
  DWORD_PTR result = 0;
  ASSERT_NE(::SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result), 0);
  EXPECT_FALSE(run.WaitForMessageBox(300)) << "the reconnect already opened the close protection";
  ::PostMessageW(second, WM_CLOSE, 0, 0);
  ASSERT_TRUE(run.WaitForExit()) << "no question or dialog keeps it going";
  EXPECT_TRUE(run.PowerRequests().empty());
}

// What Wine cannot show of Windows' end of a session, played by the test build: Windows
// cancelling an accepted power action or leaving the answer to the test, the crash
// watcher starting a crashed or killed program again, and the log-on screen's signal.

constexpr char kDialogOnly[] = "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>True"
                               "</ShowShutdownDialog>";
constexpr char kAutomaticLogOff[] = "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False"
                                    "</ShowShutdownDialog><CitrixLogOff>2</CitrixLogOff>";

// Confirms the dialog's first choice ("Afsluiten").
void ConfirmShutdown(const LantheRun& run) {
  HWND dialog = run.WaitForWindow(kDialog);
  ASSERT_TRUE(dialog) << "no shutdown dialog";
  Click(FindControl(dialog, L"Button", L"Ok"));
  ASSERT_TRUE(WaitUntil([&] { return !run.WaitForWindow(kDialog, 0); }));
}

TEST(SessionEndE2E, ACancelledShutdownBringsTheDialogBack) {
  RunOptions options = Limited(Kiosk(kDialogOnly));
  options.sessionEnd = L"cancel";
  LantheRun run(options);
  ConfirmShutdown(run);
  EXPECT_TRUE(run.WaitForWindow(kDialog)) << "the end-of-session decision again";
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 17"});
  EXPECT_FALSE(run.WaitForExit(0));
}

TEST(SessionEndE2E, AnAutomaticLogOffThatWindowsCancelsThreeTimesGivesTheUserTheDialog) {
  RunOptions options = Limited(Kiosk(kAutomaticLogOff));
  options.sessionEnd = L"cancel";
  LantheRun run(options);
  HWND dialog = run.WaitForWindow(kDialog, 2 * kWaitMs);
  ASSERT_TRUE(dialog) << "after two pauses of a few seconds";
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>(3, L"ShutdownWindows 16"));
  HWND list = FindControl(dialog, L"ComboBox", L"");
  ASSERT_TRUE(list);
  EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 3) << "with its choices";
}

TEST(SessionEndE2E, UntilWindowsAnswersTheProgramWaitsHidden) {
  RunOptions options = Limited(Kiosk(kDialogOnly));
  options.sessionEnd = L"wait";
  LantheRun run(options);
  ConfirmShutdown(run);
  ASSERT_TRUE(WaitUntil([&] { return run.PowerRequests().size() == 1; }));
  EXPECT_FALSE(run.WaitForExit(500)) << "the program stays while Windows decides";
  EXPECT_TRUE(run.VisibleWindows().empty()) << "hidden";
  HWND window = FindMainWindow(run);
  ASSERT_TRUE(window);

  // Another program refused: Windows says the session goes on.
  EXPECT_EQ(QueryEndSession(run, window).answer, TRUE);
  EndSession(window, false);
  ConfirmShutdown(run);
  ASSERT_TRUE(WaitUntil([&] { return run.PowerRequests().size() == 2; }));

  // This time it ends.
  const EndSessionReply reply = QueryEndSession(run, window);
  EXPECT_FALSE(reply.box);
  EXPECT_EQ(reply.answer, TRUE);
  EndSession(window, true);
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.ExitCode(), 0u);
}

TEST(SessionEndE2E, ACrashedProgramIsStartedAgainAndWaitsForTheClientItLeft) {
  RunOptions options = Limited(Kiosk("<ShowReconnectDialog>True</ShowReconnectDialog><ShowShutdownDialog>False"
                                     "</ShowShutdownDialog><CitrixLogOff>2</CitrixLogOff>"),
                               std::nullopt);
  options.restart = true;
  options.crash = true;
  LantheRun run(options);
  ASSERT_TRUE(run.WaitForExit()) << "the crash";
  EXPECT_EQ(run.ExitCode(), 0xC0000005u) << "ended at once by the access violation, with no crash dialog";
  ASSERT_TRUE(run.FollowRestart()) << "started again";
  HWND client = ::FindWindowW(L"LantheFakeClient", nullptr);
  ASSERT_TRUE(client) << "the client lives on";
  EXPECT_FALSE(run.WaitForMessageBox(1000)) << "the program waits for it";
  EXPECT_EQ(run.ClientCommandLines().size(), 1u) << "no second client";

  ::PostMessageW(client, WM_CLOSE, 0, 0);
  const auto question = run.WaitForMessageBox();
  ASSERT_TRUE(question) << "the end-of-session step follows as usual";
  EXPECT_EQ(question->text, L"Connect again?");
  Answer(*question, IDNO);
  ASSERT_TRUE(run.WaitForExit());
  EXPECT_EQ(run.PowerRequests(), std::vector<std::wstring>{L"ShutdownWindows 16"});
}

TEST(SessionEndE2E, AKilledProgramIsStartedAgainThreeTimesThenTheUserIsLoggedOff) {
  RunOptions options = Limited(Kiosk(kAutomaticLogOff), std::nullopt);
  options.restart = true;
  LantheRun run(options);
  ASSERT_TRUE(WaitUntil([] { return ::FindWindowW(L"LantheFakeClient", nullptr) != nullptr; }));
  for (int restart = 1; restart <= 3; ++restart) {
    ASSERT_TRUE(WaitUntil([&] { return run.Watched(); })) << "armed once the client runs";
    run.Kill();
    ASSERT_TRUE(run.FollowRestart()) << "restart " << restart;
  }
  ASSERT_TRUE(WaitUntil([&] { return run.Watched(); }));
  run.Kill();
  EXPECT_FALSE(run.FollowRestart(3000)) << "not a fourth time within ten minutes";
  EXPECT_TRUE(WaitUntil([&] { return run.PowerRequests() == std::vector<std::wstring>{L"ShutdownWindows 16"}; }))
      << "the user is logged off instead";
  EXPECT_EQ(run.ClientCommandLines().size(), 1u);
}

TEST(SessionEndE2E, TheLogOnScreenIsToldWhenTheClientStartsOrAWindowShowsFirst) {
  LantheRun run(Limited(Kiosk(kAutomaticLogOff), std::nullopt));
  ASSERT_TRUE(WaitUntil([] { return ::FindWindowW(L"LantheFakeClient", nullptr) != nullptr; }));
  EXPECT_TRUE(WaitUntil([&] { return run.ShellReadySignalled(); }));

  RunOptions waiting = Limited(Kiosk(std::string(kAutomaticLogOff) + "<WaitForNetwork>30</WaitForNetwork>"));
  waiting.networkUpAfterMs = L"never";
  LantheRun network(waiting);
  ASSERT_TRUE(network.WaitForWindow(L"Korvex NG")) << "the network wait shows first";
  EXPECT_TRUE(network.ShellReadySignalled());
  EXPECT_TRUE(network.ClientCommandLines().empty());
}

}  // namespace
}  // namespace lanthe::e2e
