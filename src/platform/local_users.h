#pragma once
// The limited local account: listing the accounts of a computer, the computer's own
// name, and creating the account through the network-management calls when missing.

#include <optional>
#include <vector>

#include "platform/accounts.h"
#include "platform/message_boxes.h"
#include "platform/text.h"

namespace lanthe {

// Appends "name,privilege" for every account of the server (the bare computer name),
// following the enumeration while it reports more data. Entries of earlier calls stay
// when a later call fails.
void GetLocalUsers(std::vector<Text>& list, TextView serverName, IAccounts& accounts);

// Kind 0: the computer name, kind 1: its domain or workgroup; empty for any other
// kind or a failure.
Text GetWorkstationInfo(int kind, IAccounts& accounts);
// This computer's NetBIOS name; empty when the system cannot tell it.
Text GetLocalComputerName(IAccounts& accounts);

enum class LocalUserOutcome {
  kExisted,     // an account of that name was there already and is left alone
  kCreated,     // made, and a member of the local Users group
  kNotCreated,  // the system refused it; the administrator has been told why
};

// Why the system refused an account call or a trial log-on, in words an
// administrator can act on, with the status code.
Text AccountStatusText(std::uint32_t status, IAccounts& accounts);

// Leaves an account of that name (as Windows compares account names) alone. Otherwise
// adds it with user rights and a password that never expires (the user name and
// password go to the system as they are, any character included), and makes sure it
// is a member of the local Users group. When the system cannot tell whether the
// account exists, the addition is tried and "exists already" counts as existing. A
// refusal is shown in one plain message box that names the account and the reason,
// followed by refusalNote when one is given.
LocalUserOutcome CreateLocalUser(TextView userName, TextView password, IAccounts& accounts,
                                 IMessageBoxes& messages, TextView refusalNote = TextView());

}  // namespace lanthe
