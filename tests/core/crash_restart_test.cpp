// What the crash watcher and the program it starts again tell each other, and when the
// watcher gives up.

#include "platform/crash_restart.h"

#include <gtest/gtest.h>

namespace lanthe {
namespace {

TEST(CrashRestart, OrdersSurviveTheCommandLineAndDamagedOnesAreRefused) {
  const WatchOrders orders{184, 188, RestartState{192, {1000, 2000}}, u"\"C:\\Program Files\\Lanthe\\lanthe.exe\"  Debug"};
  const Text parameters = WatcherParameters(orders);
  EXPECT_EQ(parameters, u"/watch 184 188 192 1000,2000 \"C:\\Program Files\\Lanthe\\lanthe.exe\"  Debug");
  EXPECT_EQ(ParseWatcherParameters(parameters), orders) << "the command line comes back blank for blank";
  EXPECT_EQ(ParseWatcherParameters(u"/watch 1 2 0 - lanthe.exe")->state, RestartState{});
  for (const char16_t* damaged : {u"", u"Debug", u"/watch", u"/watch 1 2 0 -", u"/watch 1 2 0 - ", u"/watch 0 2 0 - x",
                                  u"/watch 1 2 x - lanthe.exe", u"/watch 1 2 0 1,,2 lanthe.exe", u"/WATCH 1 2 0 - x"}) {
    EXPECT_FALSE(ParseWatcherParameters(damaged)) << TextToUtf8(damaged);
  }
  EXPECT_EQ(ParseRestartVariable(u"196 5,6"), (RestartState{196, {5, 6}}));
  EXPECT_FALSE(ParseRestartVariable(u"196 5,6 more"));
  EXPECT_FALSE(ParseRestartVariable(u"-1 -"));
}

TEST(CrashRestart, ThreeRestartsInTenMinutesThenALogOff) {
  const std::uint64_t minute = 60'000;
  const struct {
    std::vector<std::uint64_t> before;
    std::uint64_t now;
    AfterAbnormalEnd decision;
    std::vector<std::uint64_t> after;
  } cases[] = {
      {{}, 100 * minute, AfterAbnormalEnd::kStartAgain, {100 * minute}},
      {{91 * minute, 95 * minute}, 100 * minute, AfterAbnormalEnd::kStartAgain,
       {91 * minute, 95 * minute, 100 * minute}},
      {{91 * minute, 95 * minute, 99 * minute}, 100 * minute, AfterAbnormalEnd::kLogOff,
       {91 * minute, 95 * minute, 99 * minute}},
      {{90 * minute, 95 * minute, 99 * minute}, 100 * minute, AfterAbnormalEnd::kStartAgain,
       {95 * minute, 99 * minute, 100 * minute}},
      // A tick count from before a restart of the machine is no restart of this log-on.
      {{200 * minute, 201 * minute, 202 * minute}, 3 * minute, AfterAbnormalEnd::kStartAgain, {3 * minute}},
  };
  for (const auto& c : cases) {
    std::vector<std::uint64_t> restarts = c.before;
    EXPECT_EQ(DecideAfterAbnormalEnd(restarts, c.now), c.decision) << c.before.size();
    EXPECT_EQ(restarts, c.after);
  }
  EXPECT_EQ(EventText(RestartedEvent(0xC0000005, 2)),
            u"Lanthe ended abnormally (exit code 0xC0000005) while it ran the session; it was started again "
            u"(restart 2 of at most 3 in 10 minutes).");
  EXPECT_EQ(EventText(RestartGivenUpEvent(1, false)),
            u"Lanthe ended abnormally (exit code 1) while it ran the session, and had been started again 3 times "
            u"within 10 minutes: the user is logged off.");
}

}  // namespace
}  // namespace lanthe
