// What Wine cannot show of Windows' end of a session, played by the test build: Windows
// cancelling an accepted power action or leaving the answer to the test, the crash
// watcher starting a crashed or killed program again, and the log-on screen's signal.

#include <gtest/gtest.h>

#include "harness.h"

namespace lanthe::e2e {
namespace {

const std::wstring kDialog = L"Windows Afsluiten";

std::string Kiosk(const std::string& more) {
  return "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType>"
         "<RDP><ClientPath>$CLIENTS</ClientPath><Connection>ts01</Connection></RDP>" +
         more + "</Settings>";
}

constexpr char kDialogOnly[] = "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>True"
                               "</ShowShutdownDialog>";
constexpr char kAutomaticLogOff[] = "<ShowReconnectDialog>False</ShowReconnectDialog><ShowShutdownDialog>False"
                                    "</ShowShutdownDialog><CitrixLogOff>2</CitrixLogOff>";

RunOptions Limited(const std::string& settings, std::optional<int> clientExitAfterMs = 300) {
  RunOptions options;
  options.administrator = false;
  options.settingsFile = settings;
  options.clientExitAfterMs = clientExitAfterMs;
  return options;
}

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
