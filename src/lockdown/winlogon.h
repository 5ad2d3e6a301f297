#pragma once
// The Winlogon values that make Lanthe (or Explorer) the shell and log the limited
// account on automatically. The key is opened, never created: when it cannot be
// opened (a limited user), nothing is written and nothing is said.

#include "platform/registry.h"
#include "platform/secret_store.h"

namespace lanthe {

// The Winlogon key that holds the shell and automatic log-on values.
inline constexpr char16_t kWinlogonKey[] = u"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\";

// Where the password of the automatic log-on was put.
enum class AutologonPassword {
  kNotWritten,    // the key could not be opened: nothing was written
  kRemoved,       // automatic log-on is off, and its password gone
  kSecret,        // the system's private data "DefaultPassword"; no registry value is left
  kPlainText,     // the registry value "DefaultPassword", readable by administrators
};

// Enabled: "DefaultUsername", "DefaultDomainName" (the computer, so that no domain
// left from an earlier log-on is asked), the password and "AutoAdminLogon" "1"; a
// count of automatic log-ons ("AutoLogonCount") is removed. The password goes into
// the system's private data "DefaultPassword" and the plain-text value of that name
// is removed; when the system cannot store it there, it is written as the plain-text
// value. Disabled: "AutoAdminLogon" "0", and the password goes, as the secret and as
// a plain-text value; the account's name stays. A value that cannot be written or
// removed, and a secret the system refuses to remove, raise an Error.
AutologonPassword SetAutologon(IRegistry& registry, ISecretStore& secrets, bool enable, TextView userName,
                               TextView password, TextView computerName);

// An uninstall's automatic log-on: switched off as SetAutologon switches it off
// ("AutoAdminLogon" "0", the secret and any plain-text password removed) when
// "DefaultUsername" names userName (letter case aside), whether it was on or not;
// another account's, or none, is left alone. Raises an Error as SetAutologon does.
struct AutologonOwner {
  bool keyOpened = false;   // false: nothing was read or written
  Text userName;            // "DefaultUsername" as found; empty when there is none
  bool switchedOff = false;
};
AutologonOwner SwitchOffAutologonOf(IRegistry& registry, ISecretStore& secrets, TextView userName);

// "shell" = the shell command; false when the key could not be opened.
bool SetShell(IRegistry& registry, TextView shell);

// The shell value for the program itself: its path, in double quotes when it holds a
// blank, because Windows reads an unquoted "C:\Program Files\Lanthe\lanthe.exe" as
// the program C:\Program.exe with parameters.
Text ShellCommandFor(TextView executablePath);

// Whether a Winlogon shell value starts this program: the program's path, in double
// quotes or not, letter case aside.
bool ShellPointsTo(TextView shell, TextView executablePath);

}  // namespace lanthe
