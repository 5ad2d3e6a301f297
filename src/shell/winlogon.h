#pragma once
// The Winlogon values that make Lanthe (or Explorer) the shell and log the limited
// account on automatically. The key is opened, never created: when it cannot be
// opened (a limited user), nothing is written and nothing is said.

#include "platform/registry.h"

namespace lanthe {

// The Winlogon key that holds the shell and automatic log-on values.
inline constexpr char16_t kWinlogonKey[] = u"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\";

// Enabled: "DefaultUsername", "DefaultPassword" (in plain text) and "AutoAdminLogon"
// "1"; disabled: only "AutoAdminLogon" "0", the name and password stay. A value that
// cannot be written raises an Error.
void SetAutologon(IRegistry& registry, bool enable, TextView userName, TextView password);

// "shell" = the shell command.
void SetShell(IRegistry& registry, TextView shell);

// Whether a Winlogon shell value starts this program: the program's path, in double
// quotes or not, letter case aside.
bool ShellPointsTo(TextView shell, TextView executablePath);

}  // namespace lanthe
