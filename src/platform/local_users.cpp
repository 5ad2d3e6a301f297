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

Text GetLocalComputerName(IAccounts& accounts) { return accounts.ComputerName().value_or(Text()); }

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
    case LogonStatus::kLogonFailure: reason = u"the password is wrong"; break;
    case LogonStatus::kAccountRestriction: reason = u"a restriction of the account forbids it"; break;
    case LogonStatus::kInvalidLogonHours: reason = u"the account may not log on at this time"; break;
    case LogonStatus::kInvalidWorkstation: reason = u"the account may not log on to this computer"; break;
    case LogonStatus::kPasswordExpired: reason = u"the password has expired"; break;
    case LogonStatus::kAccountDisabled: reason = u"the account is disabled"; break;
    case LogonStatus::kLogonTypeNotGranted:
      reason = u"the account has not been granted the right to log on locally";
      break;
    case LogonStatus::kAccountExpired: reason = u"the account has expired"; break;
    case LogonStatus::kPasswordMustChange: reason = u"the password must be changed before the account logs on"; break;
    case LogonStatus::kAccountLockedOut: reason = u"the account is locked out"; break;
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
                                 IMessageBoxes& messages, TextView refusalNote) {
  // The system's own name comparison decides, not an ASCII one of ours: to Windows an
  // accented letter in the other case names the same account.
  if (accounts.FindUser(userName) == NetStatus::kSuccess) return LocalUserOutcome::kExisted;
  const Text quotedName = u"\"" + Text(userName) + u"\"";
  // Missing, or the system could not tell: an account that turns out to be there
  // counts as found.
  const std::uint32_t added = accounts.AddUser(userName, password);
  if (added == NetStatus::kUserExists) return LocalUserOutcome::kExisted;
  if (added != NetStatus::kSuccess) {
    Text text =
        u"The limited account " + quotedName + u" could not be created: " + AccountStatusText(added, accounts) + u".";
    if (!refusalNote.empty()) text += u" " + Text(refusalNote);
    messages.ShowMessage(text);
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
