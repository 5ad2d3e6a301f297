#pragma once
// Whether anybody but the administrators may change Lanthe's own files: the program
// folder, lanthe.exe and settings.xml. Administrators run the same lanthe.exe that
// the kiosk account starts, so a kiosk user who may replace it (or rewrite its
// settings) chooses what an administrator runs next. A folder made in the root of C:
// inherits "Authenticated Users: Modify" from there; the MSI's folder under Program
// Files does not.

#include <optional>
#include <vector>

#include "platform/file_security.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace lanthe {

// The well-known SIDs ("Well-known SIDs" in Microsoft's security identifier pages).
inline constexpr char16_t kEveryoneSid[] = u"S-1-1-0";
inline constexpr char16_t kInteractiveSid[] = u"S-1-5-4";
inline constexpr char16_t kAuthenticatedUsersSid[] = u"S-1-5-11";
inline constexpr char16_t kLocalSystemSid[] = u"S-1-5-18";
inline constexpr char16_t kAdministratorsSid[] = u"S-1-5-32-544";
inline constexpr char16_t kUsersSid[] = u"S-1-5-32-545";

// A trustee the check looks for, and how the administrator is told of it.
struct Trustee {
  Text sid;
  Text name;
};

// Users, Authenticated Users, Everyone, INTERACTIVE and, when its SID is known, the
// kiosk account. Administrators, SYSTEM and TrustedInstaller are never looked for.
std::vector<Trustee> WatchedTrustees(const std::optional<Text>& kioskSid, TextView kioskName);

// The names of the trustees to which the list grants, on the object itself, a right
// that changes it: write or append, delete, change its permissions or take it over,
// and for a folder also delete what it holds. Generic rights count as what they stand
// for on files; entries only passed on to what a folder holds do not count. The list
// is read in order, as Windows' access check reads it: a deny entry takes away what
// it names and no earlier entry granted. A trustee's own deny entries count, and those
// of Everyone; an account's also those of the groups every interactive log-on carries
// (Users, Authenticated Users, INTERACTIVE).
std::vector<Text> TrusteesWhoMayChange(const AccessList& list, bool folder, const std::vector<Trustee>& trustees);

// One of Lanthe's files that more than administrators may change.
struct ExposedFile {
  Text path;
  std::vector<Text> trustees;  // their names

  bool operator==(const ExposedFile&) const = default;
};

struct ProgramFolderCheck {
  Text folder;                       // without a separator at the end
  std::vector<ExposedFile> exposed;  // folder, program, settings file, in this order
  std::vector<Text> unreadable;      // paths whose permissions could not be read
};

// Reads and judges the program's folder, and the program and the settings file where
// they exist. kioskUserName: the kiosk account, also looked for by its own
// SID when the system knows it.
ProgramFolderCheck CheckProgramFolder(Platform& platform, TextView programPath, TextView settingsPath,
                                      TextView kioskUserName);

// "C:\Lanthe: Users, Authenticated Users; C:\Lanthe\lanthe.exe: Authenticated Users"
Text ExposedFilesText(const ProgramFolderCheck& check);

// The commands of an administrator's prompt that leave the folder to administrators
// and SYSTEM, with reading and running for Users, and give everything in it the
// folder's permissions.
std::vector<Text> ProgramFolderFixCommands(TextView folder);

// What an administrator's apply says when the check found something.
Text ProgramFolderWarning(const ProgramFolderCheck& check);

}  // namespace lanthe
