// Who besides the administrators may change Lanthe's own files, judged from access
// lists as Windows keeps them.

#include "lockdown/program_folder.h"

#include <gtest/gtest.h>

namespace lanthe {
namespace {

constexpr char16_t kKioskSid[] = u"S-1-5-21-1-2-3-1001";
constexpr char16_t kTrustedInstallerSid[] = u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// icacls' F, M and RX, and the flags of an entry a folder passes on.
constexpr std::uint32_t kFull = FileRight::kAllAccess;
constexpr std::uint32_t kModify = 0x1301BF;
constexpr std::uint32_t kReadRun = 0x1200A9;
constexpr std::uint8_t kPassedOn = AceFlag::kObjectInherit | AceFlag::kContainerInherit;

AccessEntry Allow(TextView sid, std::uint32_t mask, std::uint8_t flags = 0) { return {true, mask, flags, Text(sid)}; }
AccessEntry Deny(TextView sid, std::uint32_t mask, std::uint8_t flags = 0) { return {false, mask, flags, Text(sid)}; }

TEST(ProgramFolder, OnlyTheWatchedTrusteesRightsToChangeTheObjectItselfCount) {
  const std::vector<AccessEntry> administratorsOnly = {
      Allow(kAdministratorsSid, kFull, kPassedOn), Allow(kLocalSystemSid, kFull, kPassedOn),
      Allow(kTrustedInstallerSid, FileRight::kGenericAll), Allow(kUsersSid, kReadRun, kPassedOn)};
  const auto with = [&](std::vector<AccessEntry> more) {
    std::vector<AccessEntry> entries = administratorsOnly;
    entries.insert(entries.end(), more.begin(), more.end());
    return AccessList{true, entries};
  };
  const struct {
    const char* what;
    AccessList list;
    bool folder;
    std::vector<Text> expected;
  } cases[] = {
      {"administrators, SYSTEM and TrustedInstaller alone", with({}), true, {}},
      {"inherited from the root of C:",
       with({Allow(kAuthenticatedUsersSid, kModify, kPassedOn | AceFlag::kInherited)}), true, {u"Authenticated Users"}},
      {"the root's own inherit-only entry",
       with({Allow(kAuthenticatedUsersSid, kModify, kPassedOn | AceFlag::kInheritOnly)}), true, {}},
      {"generic rights", with({Allow(kUsersSid, FileRight::kGenericWrite), Allow(kEveryoneSid, FileRight::kGenericAll)}),
       false, {u"Users", u"Everyone"}},
      {"generic reading and running", with({Allow(kUsersSid, 0x80000000u | 0x20000000u)}), false, {}},
      {"appending or making subfolders, permissions, ownership, deletion",
       with({Allow(kUsersSid, FileRight::kAppendData), Allow(kInteractiveSid, FileRight::kWriteDac),
             Allow(kKioskSid, FileRight::kWriteOwner), Allow(kEveryoneSid, FileRight::kDelete)}),
       true, {u"Users", u"Everyone", u"INTERACTIVE", u"the kiosk account \"kiosk\""}},
      {"deleting a folder's files", with({Allow(kUsersSid, FileRight::kDeleteChild)}), true, {u"Users"}},
      {"FILE_DELETE_CHILD means nothing on a file", with({Allow(kUsersSid, FileRight::kDeleteChild)}), false, {}},
      {"attributes alone", with({Allow(kUsersSid, 0x100 | 0x10)}), false, {}},
      {"a deny entry first takes the rights away",
       with({Deny(kUsersSid, FileRight::kGenericWrite | FileRight::kDelete), Allow(kUsersSid, kModify)}), false, {}},
      {"a deny entry after the grant comes too late",
       with({Allow(kUsersSid, kModify), Deny(kUsersSid, FileRight::kGenericWrite, AceFlag::kInherited)}), false,
       {u"Users"}},
      {"a deny entry of other rights leaves the writing",
       with({Deny(kUsersSid, FileRight::kDelete), Allow(kUsersSid, kModify)}), false, {u"Users"}},
      {"a deny entry for Everyone reaches everybody",
       with({Deny(kEveryoneSid, FileRight::kGenericAll), Allow(kUsersSid, kModify), Allow(kKioskSid, kModify)}), false,
       {}},
      {"the kiosk account is one of the Users, Everyone is not",
       with({Deny(kUsersSid, FileRight::kGenericAll), Allow(kKioskSid, kModify), Allow(kEveryoneSid, kModify)}), false,
       {u"Everyone"}},
      {"a NULL DACL lets everybody do everything", AccessList{false, {}}, false, {u"Everyone"}},
      {"an empty list lets nobody do anything", AccessList{true, {}}, true, {}},
  };
  const std::vector<Trustee> trustees = WatchedTrustees(Text(kKioskSid), u"kiosk");
  for (const auto& c : cases) {
    EXPECT_EQ(TrusteesWhoMayChange(c.list, c.folder, trustees), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace lanthe
