#include "platform/local_users.h"

namespace lanthe {

void GetLocalUsers(std::vector<Text>& list, TextView serverName, IAccounts& accounts) {
  std::uint32_t resumeHandle = 0;
  for (;;) {
    const UserEnumPage page = accounts.EnumerateUsers(serverName, resumeHandle);
    if (page.status != NetStatus::kSuccess && page.status != NetStatus::kMoreData) return;
    for (const auto& account : page.accounts) list.push_back(account.name + u"," + IntToText(account.privilege));
    if (page.status != NetStatus::kMoreData) return;
  }
}

Text GetWorkstationInfo(int kind, IAccounts& accounts) {
  const auto info = accounts.GetWorkstationInfo();
  if (!info) return Text();
  if (kind == 0) return info->computerName;
  if (kind == 1) return info->domainOrWorkgroup;
  return Text();
}

Text GetLocalComputerName(IAccounts& accounts) { return GetWorkstationInfo(0, accounts); }

Text AccountStatusText(std::uint32_t status, IAccounts& accounts) {
  Text reason;
  switch (status) {
    case NetStatus::kAccessDenied: reason = u"Windows denied access; Lanthe must run as administrator"; break;
    case NetStatus::kPasswordTooShort:
      reason = u"the password does not meet the password policy of this computer (length, complexity or history)";
      break;
    case NetStatus::kBadUsername: reason = u"the user name is not a valid account name"; break;
    case NetStatus::kUserExists: reason = u"an account of that name exists already"; break;
    case NetStatus::kGroupExists: reason = u"a group of that name exists already"; break;
    case NetStatus::kGroupNotFound: reason = u"the local Users group was not found"; break;
    case NetStatus::kNoneMapped: reason = u"Windows could not name the local Users group"; break;
    default: reason = accounts.DescribeStatus(status); break;
  }
  // The system's own texts end with a full stop and a line break.
  while (!reason.empty() && (reason.back() == u'\n' || reason.back() == u'\r' || reason.back() == u'.' ||
                             reason.back() == u' ')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = u"Windows refused it";
  return reason + u" (error " + IntToText(status) + u")";
}

namespace {

bool AccountExists(TextView userName, IAccounts& accounts) {
  std::vector<Text> users;
  GetLocalUsers(users, GetLocalComputerName(accounts), accounts);
  bool exists = false;
  const Text wanted = AsciiUpper(userName);
  for (const auto& entry : users) {
    // Every entry is looked at; there is no early stop.
    if (AsciiUpper(TextView(entry).substr(0, entry.find(u','))) == wanted) exists = true;
  }
  return exists;
}

// The group call names the account with its computer, so that a domain account of
// the same name is never the one added.
std::uint32_t JoinUsersGroup(TextView userName, IAccounts& accounts) {
  const auto group = accounts.UsersGroupName();
  if (!group) return NetStatus::kNoneMapped;
  const Text computer = GetLocalComputerName(accounts);
  const Text account = computer.empty() ? Text(userName) : computer + u"\\" + Text(userName);
  const std::uint32_t status = accounts.AddLocalGroupMember(*group, account);
  return status == NetStatus::kMemberInAlias ? NetStatus::kSuccess : status;
}

}  // namespace

LocalUserOutcome CreateLocalUser(TextView userName, TextView password, IAccounts& accounts,
                                 IMessageBoxes& messages) {
  if (AccountExists(userName, accounts)) return LocalUserOutcome::kExisted;
  const Text quotedName = u"\"" + Text(userName) + u"\"";
  if (const std::uint32_t status = accounts.AddUser(userName, password); status != NetStatus::kSuccess) {
    messages.ShowMessage(u"The limited account " + quotedName + u" could not be created: " +
                         AccountStatusText(status, accounts) + u".");
    return LocalUserOutcome::kNotCreated;
  }
  if (const std::uint32_t status = JoinUsersGroup(userName, accounts); status != NetStatus::kSuccess) {
    // The account exists now, but without the group Windows may not let it log on.
    messages.ShowMessage(u"The limited account " + quotedName +
                         u" was created but could not be made a member of the local Users group: " +
                         AccountStatusText(status, accounts) + u".");
  }
  return LocalUserOutcome::kCreated;
}

}  // namespace lanthe
