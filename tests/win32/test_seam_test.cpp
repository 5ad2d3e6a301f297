// The stand-ins of the test build: chosen identity answers and recorded power actions.

#include <gtest/gtest.h>

#include "platform/power.h"
#include "platform/win32/test_seam.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

TEST(TestSeamIdentity, AnswersFromTheEnvironment) {
  struct Row {
    const wchar_t* value;
    bool administrator;
  };
  const Row rows[] = {{L"0", false}, {L"1", true}};
  for (const auto& row : rows) {
    EnvironmentScope scope(L"LANTHE_TEST_ADMINISTRATOR", row.value);
    EXPECT_EQ(TestSeamIdentity().IsAdministrator(), row.administrator) << "value " << row.value;
  }
}

TEST(TestSeamIdentity, WithoutTheVariableGivesTheRealAnswers) {
  // Other values than "0" and "1" count as unset.
  const wchar_t* values[] = {nullptr, L"", L"yes", L"01"};
  for (const auto* value : values) {
    EnvironmentScope scope(L"LANTHE_TEST_ADMINISTRATOR", value);
    EXPECT_EQ(TestSeamIdentity().IsAdministrator(), Win32Identity().IsAdministrator());
  }
  EnvironmentScope scope(L"LANTHE_TEST_ADMINISTRATOR", L"0");
  EXPECT_EQ(TestSeamIdentity().GetCurrentUserName(), Win32Identity().GetCurrentUserName());
}

TEST(RecordingPower, AppendsOneLinePerRequest) {
  TempFolder folder;
  const std::wstring log = folder.file(L"power.log");
  EnvironmentScope scope(L"LANTHE_TEST_POWER_LOG", log.c_str());
  RecordingPower power;
  EXPECT_TRUE(power.ShutdownWindows(ExitWindowsFlags::kShutdown));
  EXPECT_TRUE(power.ShutdownWindows(ExitWindowsFlags::kShutdown));
  EXPECT_TRUE(power.ShutdownWindows(ExitWindowsFlags::kPowerOff));
  EXPECT_TRUE(power.ShutdownWindows(ExitWindowsFlags::kLogOff));
  EXPECT_EQ(ReadBytes(log),
            "ShutdownWindows 17\r\nShutdownWindows 17\r\nShutdownWindows 12\r\nShutdownWindows 16\r\n");
}

TEST(RecordingPower, WithoutALogRecordsNothingAndRefuses) {
  TempFolder folder;
  EnvironmentScope scope(L"LANTHE_TEST_POWER_LOG", nullptr);
  EXPECT_FALSE(RecordingPower().ShutdownWindows(ExitWindowsFlags::kLogOff));

  EnvironmentScope unwritable(L"LANTHE_TEST_POWER_LOG", folder.file(L"missing\\power.log").c_str());
  EXPECT_FALSE(RecordingPower().ShutdownWindows(ExitWindowsFlags::kLogOff));
}

}  // namespace
}  // namespace lanthe::win32
