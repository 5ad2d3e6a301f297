// The wait for the network: its countdown, and the three ways it ends.

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
  }
  testing::FakeNetwork network;
  TfrmNetworkWait wait{network};
};

TEST_F(NetworkWaitTest, OnlyAWaitOfSomeSecondsWithoutANetworkIsNeeded) {
  EXPECT_TRUE(wait.NeedsToWait(30));
  EXPECT_FALSE(wait.NeedsToWait(0));
  EXPECT_EQ(network.looks, 1) << "no wait: the network is not even asked";
  network.up = true;
  EXPECT_FALSE(wait.NeedsToWait(30));
}

TEST_F(NetworkWaitTest, TheCountdownShowsWholeSecondsRoundedUpUntilTheTimeIsUp) {
  wait.FormShow(10'000);
  EXPECT_EQ(wait.State().lblWaiting, u"Waiting for the network...");
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 3 seconds.");
  EXPECT_EQ(wait.Look(10'500), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 3 seconds.");
  EXPECT_EQ(wait.Look(11'000), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 2 seconds.");
  EXPECT_EQ(wait.Look(12'999), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 1 seconds.");
  EXPECT_FALSE(wait.FormCloseQuery()) << "the frame does not close a running wait";
  EXPECT_EQ(wait.Look(13'000), NetworkWaitEnd::kTimeUp);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 0 seconds.");
  EXPECT_TRUE(wait.FormCloseQuery());
}

TEST_F(NetworkWaitTest, ANetworkThatComesUpEndsTheWaitAtTheNextLook) {
  wait.FormShow(0);
  EXPECT_EQ(wait.Look(500), NetworkWaitEnd::kWaiting);
  network.up = true;
  EXPECT_EQ(wait.Look(1000), NetworkWaitEnd::kNetworkUp);
  EXPECT_EQ(wait.Look(1500), NetworkWaitEnd::kNetworkUp) << "an ended wait stays ended";
}

TEST_F(NetworkWaitTest, StartNowEndsItAndTheNextShowCountsAgain) {
  wait.FormShow(0);
  EXPECT_EQ(wait.btnStartNowClick(), NetworkWaitEnd::kStartNow);
  EXPECT_EQ(wait.Look(500), NetworkWaitEnd::kStartNow);
  wait.WaitSeconds = 600;
  wait.FormShow(5000);
  EXPECT_EQ(wait.End(), NetworkWaitEnd::kWaiting);
  EXPECT_EQ(wait.State().lblCountdown, u"The connection starts in 600 seconds.");
}

}  // namespace
}  // namespace lanthe
