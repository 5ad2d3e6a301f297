#include "platform/local_users.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

class LocalUsersTest : public ::testing::Test {
 protected:
  LocalUserOutcome Create(TextView name, TextView password) {
    return CreateLocalUser(name, password, accounts, messages);
  }

  testing::FakeAccounts accounts;
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
  EXPECT_EQ(GetLocalComputerName(accounts), u"KIOSK-01") << "the name needs no Workstation service";
  accounts.computerName.reset();
  EXPECT_EQ(GetLocalComputerName(accounts), u"");
}

TEST_F(LocalUsersTest, AnExistingAccountInOtherAsciiCaseIsLeftAlone) {
  accounts.users.push_back({u"Kiosk", 1});
  EXPECT_EQ(Create(u"KIOSK", u"new password"), LocalUserOutcome::kExisted);
  EXPECT_TRUE(accounts.added.empty()) << "its password is not changed";
  EXPECT_TRUE(accounts.memberships.empty());
  EXPECT_EQ(accounts.lookups, std::vector<Text>{u"KIOSK"}) << "the system is asked for the name as it is";
  EXPECT_EQ(accounts.calls, 0) << "no account list";
}

TEST_F(LocalUsersTest, TheSystemsNameComparisonDecidesBeyondAscii) {
  accounts.users.push_back({u"\u00E9cole", 1});
  EXPECT_EQ(Create(u"\u00C9COLE", u"x"), LocalUserOutcome::kExisted);
  EXPECT_TRUE(accounts.added.empty()) << "to Windows \u00E9 and \u00C9 name the same account";
}

TEST_F(LocalUsersTest, AnyCharacterReachesTheSystemAsItIsAndTheAccountJoinsUsers) {
  const char16_t* passwords[] = {u"pa\"ss", u"*", u"/add", u"trailing\\", u"  blanks  inside ", u"^&%!",
                                 u"20characterPassword!", u""};
  for (const char16_t* password : passwords) {
    testing::FakeAccounts fresh;
    EXPECT_EQ(CreateLocalUser(u"ki\"osk one", password, fresh, messages), LocalUserOutcome::kCreated);
    ASSERT_EQ(fresh.added.size(), 1u);
    EXPECT_EQ(fresh.added[0], std::make_pair(Text(u"ki\"osk one"), Text(password))) << TextToUtf8(password);
    EXPECT_EQ(fresh.memberships, (std::vector<std::pair<Text, Text>>{{u"Users", u"KIOSK-01\\ki\"osk one"}}));
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LocalUsersTest, TheUsersGroupIsTheOneTheSystemNamesAndAMembershipAlreadyThereIsFine) {
  accounts.usersGroup = u"Benutzer";
  accounts.memberStatus = NetStatus::kMemberInAlias;
  accounts.computerName.reset();
  EXPECT_EQ(Create(u"kiosk", u"x"), LocalUserOutcome::kCreated);
  EXPECT_EQ(accounts.memberships, (std::vector<std::pair<Text, Text>>{{u"Benutzer", u"kiosk"}}))
      << "without a computer name the bare account name";
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LocalUsersTest, ARefusedAccountIsToldOnceWithTheAccountAndTheReason) {
  const struct {
    std::uint32_t status;
    const char16_t* reason;
  } cases[] = {
      {NetStatus::kPasswordTooShort, u"the password does not meet the password policy of this computer"},
      {NetStatus::kAccessDenied, u"Lanthe must run as administrator"},
      {4321, u"The system's own words (error 4321)"},
      {4322, u"Windows refused it (error 4322)"},
  };
  for (const auto& c : cases) {
    testing::FakeAccounts refusing;
    testing::FakeMessageBoxes boxes;
    refusing.addStatus = c.status;
    refusing.descriptions[4321] = u"The system's own words.\r\n";
    EXPECT_EQ(CreateLocalUser(u"kiosk", u"x", refusing, boxes), LocalUserOutcome::kNotCreated);
    ASSERT_EQ(boxes.shown.size(), 1u) << c.status;
    EXPECT_NE(boxes.shown[0].find(u"The limited account \"kiosk\" could not be created: "), Text::npos);
    EXPECT_NE(boxes.shown[0].find(c.reason), Text::npos) << TextToUtf8(boxes.shown[0]);
    EXPECT_NE(boxes.shown[0].find(u"(error " + IntToText(c.status) + u")"), Text::npos);
    EXPECT_TRUE(refusing.memberships.empty()) << "no group for an account that is not there";
  }
}

TEST_F(LocalUsersTest, AMembershipThatFailsIsToldButTheAccountIsThere) {
  accounts.memberStatus = NetStatus::kAccessDenied;
  EXPECT_EQ(Create(u"kiosk", u"x"), LocalUserOutcome::kCreated);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(u"\"kiosk\" was created but could not be made a member of the local Users group"),
            Text::npos);

  testing::FakeAccounts unnamed;
  testing::FakeMessageBoxes boxes;
  unnamed.usersGroup.reset();
  EXPECT_EQ(CreateLocalUser(u"kiosk", u"x", unnamed, boxes), LocalUserOutcome::kCreated);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].find(u"(error 1332)"), Text::npos);
  EXPECT_TRUE(unnamed.memberships.empty());
}

TEST_F(LocalUsersTest, AnAccountThatCannotBeLookedUpIsTriedAndExistsWhenTheSystemSaysSo) {
  accounts.lookupFailure = NetStatus::kAccessDenied;
  accounts.users.push_back({u"kiosk", 1});
  accounts.addStatus = NetStatus::kUserExists;
  EXPECT_EQ(Create(u"kiosk", u"x"), LocalUserOutcome::kExisted);
  EXPECT_EQ(accounts.added.size(), 1u);
  EXPECT_TRUE(messages.shown.empty()) << "an account that is there is no refusal";
  EXPECT_TRUE(accounts.memberships.empty()) << "and is left alone";

  testing::FakeAccounts unknown;
  unknown.lookupFailure = NetStatus::kAccessDenied;
  EXPECT_EQ(CreateLocalUser(u"kiosk", u"x", unknown, messages), LocalUserOutcome::kCreated);
  EXPECT_EQ(unknown.memberships.size(), 1u);
}

}  // namespace
}  // namespace lanthe
