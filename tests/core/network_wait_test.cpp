// The wait for the network: the server it waits for, its countdown, how the system's
// change events and the name's answers end it, and the three ways it ends.

#include "shell/network_wait.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

class NetworkWaitTest : public ::testing::Test {
 protected:
  NetworkWaitTest() {
    network.up = false;
    wait.WaitSeconds = 3;
    wait.SetWake([this] { ++wakes; });
  }
  testing::FakeNetwork network;
  TfrmNetworkWait wait{network};
  int wakes = 0;
};

TEST(ServerToWaitFor, TheConnectionsServerNameWithoutPortOrPath) {
  struct Row {
    std::int32_t type;
    const char16_t* rdp;
    bool rdpFile;
    const char16_t* url;
    const char16_t* server;
  };
  const Row rows[] = {
      {ConnectionType::kRemoteDesktop, u"ts01", false, u"http://xa", u"ts01"},
      {ConnectionType::kRemoteDesktop, u" ts01.example.com:3390 ", false, u"", u"ts01.example.com"},
      {ConnectionType::kRemoteDesktop, u"[fe80::1]:3389", false, u"", u"fe80::1"},
      {ConnectionType::kRemoteDesktop, u"fe80::1", false, u"", u"fe80::1"},
      {ConnectionType::kRemoteDesktop, u"ts01", true, u"", u""},  // the server is in the .rdp file
      {ConnectionType::kRemoteDesktop, u"", false, u"", u""},
      {ConnectionType::kXenApp, u"ts01", false, u"https://kiosk@xa.example.com:8443/Citrix/PNAgent/config.xml",
       u"xa.example.com"},
      {ConnectionType::kXenApp, u"", false, u"xa.example.com/Citrix/PNAgent/config.xml", u"xa.example.com"},
      {ConnectionType::kXenApp, u"", false, u"http://[2001:db8::5]/config.xml?x=1", u"2001:db8::5"},
      {ConnectionType::kXenApp, u"", false, u"", u""},
      {ConnectionType::kCustomIca, u"ts01", false, u"http://xa", u""},  // the server is in appsrv.ini
      {ConnectionType::kStoreFront, u"ts01", false, u"https://sf.example.com:443/Citrix/Store/discovery",
       u"sf.example.com"},
      {7, u"ts01", false, u"http://xa", u""},
  };
  for (const Row& row : rows) {
    TSettings settings;
    settings.ConnectionType = row.type;
    settings.RDP.Connection = row.rdp;
    settings.RDP.UseRDPFile = row.rdpFile;
    settings.XenApp.ServerURL = row.url;
    settings.StoreFront.StoreURL = row.url;
    EXPECT_EQ(ServerToWaitFor(settings), row.server) << TextToUtf8(row.rdp) << " " << TextToUtf8(row.url);
  }
}

TEST_F(NetworkWaitTest, AWaitIsNeededWithoutAnInterfaceOrWithAServerThatDoesNotAnswerAtOnce) {
  struct Row {
    const char* what;
    std::int32_t seconds;
    bool up;
    const char16_t* server;
    std::optional<bool> answer;
    bool needed;
    std::size_t queries;
    int liveQueries;  // kept for the window's wait
  };
  const Row rows[] = {
      {"switched off", 0, false, u"ts01", false, false, 0, 0},
      {"no interface", 30, false, u"ts01", true, true, 0, 0},
      {"no server named", 30, true, u"", false, false, 0, 0},
      {"the name resolves", 30, true, u"ts01", true, false, 1, 0},
      {"the name does not resolve", 30, true, u"ts01", false, true, 1, 0},
      {"no answer yet", 30, true, u"ts01", std::nullopt, true, 1, 1},
  };
  for (const Row& row : rows) {
    testing::FakeNetwork net;
    net.up = row.up;
    net.answers = {row.answer};
    TfrmNetworkWait w(net);
    EXPECT_EQ(w.NeedsToWait(row.seconds, row.server, 0), row.needed) << row.what;
    EXPECT_EQ(net.looks, row.seconds > 0 ? 1 : 0) << row.what;
    EXPECT_EQ(net.queried.size(), row.queries) << row.what;
    EXPECT_EQ(net.liveQueries, row.liveQueries) << row.what;
  }
}

TEST_F(NetworkWaitTest, TheCountdownShowsWholeSecondsRoundedUpUntilTheTimeIsUp) {
  wait.FormShow(10'000);
  EXPECT_EQ(wait.State().lblWaiting, u"Waiting for the network...");
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 3 seconds.");
  EXPECT_EQ(wait.Look(10'500), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 3 seconds.");
  EXPECT_EQ(wait.NextLookMs(10'500), 11'000u) << "the next second, or the next look without change events";
  EXPECT_EQ(wait.Look(11'000), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 2 seconds.");
  EXPECT_EQ(wait.Look(12'999), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 1 seconds.");
  EXPECT_FALSE(wait.FormCloseQuery()) << "the frame does not close a running wait";
  EXPECT_EQ(wait.Look(13'000), NetworkWaitEnd::kTimeUp);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 0 seconds.");
  EXPECT_TRUE(wait.FormCloseQuery());
  EXPECT_EQ(wait.UnansweredServer(), u"") << "the interface was missing";
}

TEST_F(NetworkWaitTest, WithoutChangeEventsEveryLookAsksAndTheLooksComeTwiceASecond) {
  ASSERT_TRUE(wait.NeedsToWait(3, u"", 0));
  wait.FormShow(0);
  EXPECT_EQ(wait.NextLookMs(0), 500u);
  EXPECT_EQ(wait.Look(500), NetworkWaitEnd::kWaiting);
  network.up = true;
  EXPECT_EQ(wait.Look(1000), NetworkWaitEnd::kNetworkUp);
  EXPECT_EQ(wait.Look(1500), NetworkWaitEnd::kNetworkUp) << "an ended wait stays ended";
}

TEST_F(NetworkWaitTest, AChangeEventWakesTheWindowAndTheServerIsTriedAtOnceThenOnceASecond) {
  network.notifies = true;
  network.answers = {std::nullopt, std::nullopt};  // the queries wait for a silent name server
  ASSERT_TRUE(wait.NeedsToWait(30, u"ts01", 0));
  wait.FormShow(0);
  EXPECT_TRUE(network.Watched());
  EXPECT_EQ(wait.Look(0), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(network.looks, 2) << "asked again once the watch runs";
  EXPECT_EQ(wait.NextLookMs(0), 1000u) << "no looks between events but the countdown's";
  EXPECT_EQ(wait.Look(400), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(network.looks, 2) << "no change, no question";
  EXPECT_TRUE(network.queried.empty()) << "no name without an interface";

  // The cable: an interface comes up. The name server does not answer yet.
  network.up = true;
  network.Change();
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(wait.Look(700), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(network.queried, std::vector<Text>{u"ts01"}) << "tried at the change";
  EXPECT_EQ(wait.State().lblWaiting, u"Waiting for the server ts01...");
  EXPECT_EQ(wait.NextLookMs(700), 1000u) << "the countdown; the try is waited for";

  // The lease's address: a change within the second of the try waits for the second.
  network.Change();
  EXPECT_EQ(wait.Look(800), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(network.queried.size(), 1u);
  EXPECT_EQ(wait.Look(1000), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.NextLookMs(1000), 1700u) << "the second since the try";
  EXPECT_EQ(wait.Look(1700), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(network.queried.size(), 2u) << "then tried again, beside the unanswered one";
  EXPECT_EQ(network.liveQueries, 2);
  EXPECT_EQ(wait.Look(2800), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(network.queried.size(), 2u) << "unanswered tries are not repeated without a change";

  // The name server answers: each answer wakes the window, the next look ends the wait.
  network.AnswerPending(true);
  EXPECT_EQ(wakes, 4);
  EXPECT_EQ(wait.Look(2900), NetworkWaitEnd::kNetworkUp);
  EXPECT_FALSE(network.Watched()) << "the watch ends with the wait";
  EXPECT_EQ(network.liveQueries, 0);
}

TEST_F(NetworkWaitTest, ANameThatDoesNotResolveIsTriedOnceASecondUntilItDoesOrTheTimeIsUp) {
  network.up = true;
  network.notifies = true;
  network.resolves = false;
  wait.WaitSeconds = 4;
  ASSERT_TRUE(wait.NeedsToWait(4, u"ts01", 0));
  wait.FormShow(0);
  for (std::uint64_t now = 0; now < 2000; now += 100) EXPECT_EQ(wait.Look(now), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(network.queried.size(), 2u) << "at 0 and at 1000";
  EXPECT_EQ(wait.NextLookMs(1900), 2000u);
  network.resolves = true;
  EXPECT_EQ(wait.Look(2000), NetworkWaitEnd::kNetworkUp);

  network.resolves = false;
  ASSERT_TRUE(wait.NeedsToWait(4, u"ts01", 5000));
  wait.FormShow(5000);
  EXPECT_EQ(wait.Look(9000), NetworkWaitEnd::kTimeUp);
  EXPECT_EQ(wait.UnansweredServer(), u"ts01");
  EXPECT_EQ(network.liveQueries, 0);
}

TEST_F(NetworkWaitTest, StartNowEndsItAndTheNextShowCountsAgain) {
  network.notifies = true;
  wait.NeedsToWait(3, u"", 0);
  wait.FormShow(0);
  EXPECT_EQ(wait.btnStartNowClick(), NetworkWaitEnd::kStartNow);
  EXPECT_FALSE(network.Watched());
  EXPECT_EQ(wait.Look(500), NetworkWaitEnd::kStartNow);
  wait.WaitSeconds = 600;
  wait.FormShow(5000);
  EXPECT_EQ(wait.End(), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 600 seconds.");
}

}  // namespace
}  // namespace lanthe
