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

std::optional<Text> AccountTextProblem(TextView userName, TextView password) {
  const auto problem = [](const char16_t* field) {
    return Text(u"The ") + field +
           u" of the limited account contains a double quote (\"), which the command that creates the "
           u"account cannot carry. Choose a " +
           field + u" without double quotes.";
  };
  if (userName.find(u'"') != TextView::npos) return problem(u"user name");
  if (password.find(u'"') != TextView::npos) return problem(u"password");
  return std::nullopt;
}

Text NetUserCommand(TextView systemFolder, TextView userName, TextView password) {
  return u"\"" + Text(systemFolder) + u"\\net.exe\" user \"" + Text(userName) + u"\" \"" + Text(password) +
         u"\" /add /active:yes /expires:never /passwordchg:no";
}

bool CreateLocalUser(TextView userName, TextView password, IAccounts& accounts, IProcesses& processes,
                     IFolders& folders, IMessageBoxes& messages) {
  std::vector<Text> users;
  GetLocalUsers(users, GetLocalComputerName(accounts), accounts);
  bool exists = false;
  const Text wanted = AsciiUpper(userName);
  for (const auto& entry : users) {
    // Every entry is looked at; there is no early stop.
    if (AsciiUpper(TextView(entry).substr(0, entry.find(u','))) == wanted) exists = true;
  }
  if (exists) return true;
  if (const auto problem = AccountTextProblem(userName, password)) {
    messages.ShowMessage(*problem);
    return false;
  }
  Text system = folders.GetSpecialFolder(Csidl::kSystem);
  if (system.empty()) system = folders.GetWindowsDir() + u"\\system32";
  processes.RunProgram(NetUserCommand(system, userName, password), u"", ShowState::kHidden, false);
  return false;
}

}  // namespace lanthe
