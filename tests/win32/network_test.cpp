// The network against the real system under Wine, and the test build's stand-in: name
// queries on threads of their own that never call back once dropped, a wait for an
// answer that goes on answering the thread's windows, and the stand-in's timeline of
// change events, names and stamp.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/win32/test_seam.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

DWORD HandleCount() {
  DWORD count = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &count);
  return count;
}

TEST(Win32Network, NamesResolveOnAThreadOfTheirOwn) {
  Win32Network network;
  std::atomic<int> calls{0};
  const auto localhost = network.Resolve(u"localhost", [&] { ++calls; });
  const auto invented = network.Resolve(u"lanthe-no-such-server.invalid", [&] { ++calls; });
  ASSERT_TRUE(localhost && invented);
  EXPECT_EQ(localhost->Answer(30000), std::optional<bool>(true));
  EXPECT_EQ(invented->Answer(30000), std::optional<bool>(false));
  EXPECT_TRUE(WaitUntil([&] { return calls == 2; }, 5000)) << "each answer calls back once";
}

TEST(Win32Network, ADroppedQueryNeverCallsBackAndNothingIsLeft) {
  const DWORD before = HandleCount();
  std::atomic<int> calls{0};
  for (int i = 0; i < 20; ++i) {
    auto query = StartNameQuery([] { ::Sleep(50); return true; }, [&] { ++calls; });
    ASSERT_TRUE(query);
    query.reset();  // before the answer
  }
  auto kept = StartNameQuery([] { return false; }, [&] { ++calls; });
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->Answer(10000), std::optional<bool>(false));
  ::Sleep(300);  // the dropped ones have answered into the void
  EXPECT_EQ(calls, 1);
  kept.reset();
  // Watches of the real system, made and cancelled (Wine gives them or not).
  for (int i = 0; i < 20; ++i) Win32Network().WatchChanges([] {});
  EXPECT_LE(HandleCount(), before + 2) << "threads, events and registrations are all given back";
}

TEST(Win32Network, WaitingForAnAnswerGoesOnAnsweringTheThreadsWindows) {
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  auto query = StartNameQuery([] { ::Sleep(1500); return true; }, [] {});
  ASSERT_TRUE(query);
  std::atomic<bool> answered{false};
  std::thread other([&] {
    DWORD_PTR result = 0;
    answered = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
  });
  EXPECT_EQ(query->Answer(10000), std::optional<bool>(true));
  other.join();
  EXPECT_TRUE(answered) << "the sent message was handled during the wait";
  ::DestroyWindow(window);
}

TEST(TestSeamNetwork, PlaysTheInterfaceTheNameAndTheStampAsToldFromTheFirstQuestion) {
  TempFolder folder;
  const std::wstring stamp = folder.file(L"network.txt");
  EnvironmentScope up(L"LANTHE_TEST_NETWORK_UP_AFTER_MS", L"300");
  EnvironmentScope name(L"LANTHE_TEST_NAME_RESOLVES_AFTER_MS", L"900");
  EnvironmentScope file(L"LANTHE_TEST_NETWORK_STAMP", stamp.c_str());
  TestSeamNetwork network;
  EXPECT_FALSE(network.IsUp());
  const UniqueHandle changed(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const auto watch = network.WatchChanges([&] { ::SetEvent(changed.get()); });
  ASSERT_TRUE(watch);
  const auto early = network.Resolve(u"ts01", [] {});
  ASSERT_TRUE(early);
  ASSERT_EQ(::WaitForSingleObject(changed.get(), 10000), WAIT_OBJECT_0) << "the change event comes";
  EXPECT_TRUE(network.IsUp());
  EXPECT_EQ(ReadBytes(stamp), kMissing) << "the name is not there yet";
  EXPECT_EQ(early->Answer(10000), std::optional<bool>(true)) << "a waiting query is answered when the name comes";
  EXPECT_TRUE(WaitUntil([&] { return ReadBytes(stamp) != kMissing; }, 10000));
  const std::string stamps = ReadBytes(stamp);
  EXPECT_EQ(std::count(stamps.begin(), stamps.end(), '\n'), 1) << "one stamp, once both are there";

  EnvironmentScope never(L"LANTHE_TEST_NAME_RESOLVES_AFTER_MS", L"never");
  TestSeamNetwork silent;
  EXPECT_EQ(silent.Resolve(u"ts01", [] {})->Answer(10000), std::optional<bool>(false)) << "after the query's wait";

  EnvironmentScope unset(L"LANTHE_TEST_NAME_RESOLVES_AFTER_MS", nullptr);
  TestSeamNetwork invented;
  EXPECT_EQ(invented.Resolve(u"ts01", [] {})->Answer(10000), std::optional<bool>(true)) << "invented names resolve";
}

}  // namespace
}  // namespace lanthe::win32
