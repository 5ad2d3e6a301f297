#pragma once
// The limited local account: listing the accounts of a computer, the computer's own
// name, and creating the account with the Windows command "net user" when missing.

#include <optional>
#include <vector>

#include "platform/accounts.h"
#include "platform/folders.h"
#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/text.h"

namespace lanthe {

// Appends "name,privilege" for every account of the server (the bare computer name),
// following the enumeration while it reports more data. Entries of earlier calls stay
// when a later call fails.
void GetLocalUsers(std::vector<Text>& list, TextView serverName, IAccounts& accounts);

// Kind 0: the computer name, kind 1: its domain or workgroup; empty for any other
// kind or a failure.
Text GetWorkstationInfo(int kind, IAccounts& accounts);
Text GetLocalComputerName(IAccounts& accounts);

// Why a user name or password cannot be used for the account: the command that
// creates it has both between double quotes, so neither may hold one. The message
// names the field; nullopt when both are fine.
std::optional<Text> AccountTextProblem(TextView userName, TextView password);

// The command that creates the account, with net.exe from the Windows system folder
// (never one found through the search path).
Text NetUserCommand(TextView systemFolder, TextView userName, TextView password);

// True when an account of that name (ASCII letter case aside) exists already, which
// is then left alone; otherwise starts "net user ... /add" hidden, without waiting,
// and returns false. A name or password with a double quote is refused with a message
// and nothing is started.
bool CreateLocalUser(TextView userName, TextView password, IAccounts& accounts, IProcesses& processes,
                     IFolders& folders, IMessageBoxes& messages);

}  // namespace lanthe
