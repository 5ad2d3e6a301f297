#include "platform/local_users.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

class LocalUsersTest : public ::testing::Test {
 protected:
  bool Create(TextView name, TextView password) {
    return CreateLocalUser(name, password, accounts, processes, folders, messages);
  }

  testing::FakeAccounts accounts;
  testing::FakeProcesses processes;
  testing::FakeFolders folders;
  testing::FakeMessageBoxes messages;
};

TEST_F(LocalUsersTest, ListsEveryAccountAcrossPagesWithItsPrivilege) {
  accounts.users.clear();
  for (int i = 0; i < 25; ++i) accounts.users.push_back({u"user" + IntToText(i), static_cast<std::uint32_t>(i % 3)});
  accounts.pageSize = 4;
  std::vector<Text> list{u"kept"};
  GetLocalUsers(list, u"KIOSK-01", accounts);
  ASSERT_EQ(list.size(), 26u) << "appended, not cleared";
  EXPECT_EQ(list[1], u"user0,0");
  EXPECT_EQ(list[3], u"user2,2");
  EXPECT_EQ(list.back(), u"user24,0");
  EXPECT_EQ(accounts.calls, 7);
  EXPECT_EQ(accounts.servers.front(), u"KIOSK-01") << "the bare computer name";
}

TEST_F(LocalUsersTest, AFailingPageKeepsWhatWasListedBefore) {
  accounts.users = {{u"a", 1}, {u"b", 1}, {u"c", 1}};
  accounts.pageSize = 1;
  accounts.failAt = 2;
  std::vector<Text> list;
  GetLocalUsers(list, u"", accounts);
  EXPECT_EQ(list, (std::vector<Text>{u"a,1", u"b,1"}));
}

TEST_F(LocalUsersTest, WorkstationInfoByKind) {
  EXPECT_EQ(GetWorkstationInfo(0, accounts), u"KIOSK-01");
  EXPECT_EQ(GetWorkstationInfo(1, accounts), u"WORKGROUP");
  EXPECT_EQ(GetWorkstationInfo(2, accounts), u"");
  EXPECT_EQ(GetLocalComputerName(accounts), u"KIOSK-01");
  accounts.workstation.reset();
  EXPECT_EQ(GetLocalComputerName(accounts), u"");
}

TEST_F(LocalUsersTest, AnExistingAccountInOtherAsciiCaseIsLeftAlone) {
  accounts.users.push_back({u"Kiosk", 1});
  EXPECT_TRUE(Create(u"KIOSK", u"new password"));
  EXPECT_TRUE(processes.runs.empty()) << "its password is not changed";
}

TEST_F(LocalUsersTest, OnlyAsciiLettersAreComparedWithoutCase) {
  accounts.users.push_back({u"\u00E9cole", 1});
  EXPECT_FALSE(Create(u"\u00C9COLE", u"x"));
  EXPECT_EQ(processes.runs.size(), 1u) << "\u00E9 and \u00C9 count as different";
}

TEST_F(LocalUsersTest, TheNetUserCommandFromTheSystemFolderHiddenAndNotWaitedFor) {
  EXPECT_FALSE(Create(u"kiosk", u"s3cret pass"));
  ASSERT_EQ(processes.runs.size(), 1u);
  const auto& run = processes.runs[0];
  EXPECT_EQ(run.program,
            u"\"C:\\Windows\\system32\\net.exe\" user \"kiosk\" \"s3cret pass\" /add /active:yes /expires:never "
            u"/passwordchg:no");
  EXPECT_EQ(run.parameters, u"");
  EXPECT_EQ(run.showState, ShowState::kHidden);
  EXPECT_FALSE(run.wait);
  EXPECT_EQ(accounts.servers.front(), u"KIOSK-01");
}

TEST_F(LocalUsersTest, AnEmptyPasswordGivesTwoQuotes) {
  Create(u"kiosk", u"");
  EXPECT_EQ(processes.runs.at(0).program,
            u"\"C:\\Windows\\system32\\net.exe\" user \"kiosk\" \"\" /add /active:yes /expires:never /passwordchg:no");
}

TEST_F(LocalUsersTest, WithoutTheSystemFolderNetComesFromTheWindowsDirectory) {
  folders.special.erase(Csidl::kSystem);
  Create(u"kiosk", u"x");
  EXPECT_EQ(processes.runs.at(0).program.substr(0, 32), u"\"C:\\Windows\\system32\\net.exe\" us");
}

TEST_F(LocalUsersTest, ADoubleQuoteInNameOrPasswordIsRefusedByName) {
  EXPECT_FALSE(Create(u"ki\"osk", u"x"));
  EXPECT_FALSE(Create(u"kiosk", u"pa\"ss"));
  EXPECT_TRUE(processes.runs.empty()) << "nothing is started";
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_NE(messages.shown[0].find(u"user name"), Text::npos);
  EXPECT_NE(messages.shown[1].find(u"password"), Text::npos);
  EXPECT_EQ(AccountTextProblem(u"kiosk", u"fine"), std::nullopt);
}

TEST_F(LocalUsersTest, AnUnreadableAccountListMeansTheAccountIsCreated) {
  accounts.failAt = 0;
  accounts.users.push_back({u"kiosk", 1});
  EXPECT_FALSE(Create(u"kiosk", u"x"));
  EXPECT_EQ(processes.runs.size(), 1u);
}

}  // namespace
}  // namespace lanthe
