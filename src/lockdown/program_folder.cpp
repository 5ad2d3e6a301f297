#include "lockdown/program_folder.h"

#include "platform/folders.h"

namespace lanthe {

namespace {

// What an entry's generic rights stand for on a file or folder: the file object's
// generic mapping (FILE_GENERIC_WRITE, FILE_ALL_ACCESS).
std::uint32_t MappedRights(std::uint32_t mask) {
  if (mask & FileRight::kGenericAll) mask |= FileRight::kAllAccess;
  if (mask & FileRight::kGenericWrite) mask |= FileRight::kGenericWriteMapped;
  return mask;
}

// The rights with which somebody can put another program or other settings in place.
// Changing attributes or extended attributes alone replaces nothing.
std::uint32_t ChangeRights(bool folder) {
  std::uint32_t rights = FileRight::kWriteData | FileRight::kAppendData | FileRight::kDelete | FileRight::kWriteDac |
                         FileRight::kWriteOwner;
  // On a folder: delete (and so replace) any file in it, whatever the file's own list says.
  if (folder) rights |= FileRight::kDeleteChild;
  return rights;
}

bool IsWatchedGroup(TextView sid) {
  return sid == kUsersSid || sid == kAuthenticatedUsersSid || sid == kEveryoneSid || sid == kInteractiveSid;
}

// Whether a deny entry for `denied` holds back `trustee`: every token carries
// Everyone, and an account logged on at the kiosk also Users, Authenticated Users and
// INTERACTIVE.
bool DenialReaches(TextView denied, TextView trustee) {
  if (denied == trustee || denied == kEveryoneSid) return true;
  return !IsWatchedGroup(trustee) &&
         (denied == kUsersSid || denied == kAuthenticatedUsersSid || denied == kInteractiveSid);
}

}  // namespace

std::vector<Trustee> WatchedTrustees(const std::optional<Text>& kioskSid, TextView kioskName) {
  std::vector<Trustee> trustees = {{kUsersSid, u"Users"},
                                   {kAuthenticatedUsersSid, u"Authenticated Users"},
                                   {kEveryoneSid, u"Everyone"},
                                   {kInteractiveSid, u"INTERACTIVE"}};
  if (kioskSid) trustees.push_back({*kioskSid, u"the kiosk account \"" + Text(kioskName) + u"\""});
  return trustees;
}

std::vector<Text> TrusteesWhoMayChange(const AccessList& list, bool folder, const std::vector<Trustee>& trustees) {
  // No list at all lets everybody do everything.
  const std::vector<AccessEntry> nullList{{true, FileRight::kGenericAll, 0, kEveryoneSid}};
  const std::vector<AccessEntry>& entries = list.present ? list.entries : nullList;
  std::vector<Text> names;
  for (const Trustee& trustee : trustees) {
    // Windows' access check: the first entry to decide a right decides it.
    std::uint32_t granted = 0;
    std::uint32_t denied = 0;
    for (const AccessEntry& entry : entries) {
      if (entry.flags & AceFlag::kInheritOnly) continue;
      const std::uint32_t rights = MappedRights(entry.mask);
      if (entry.allow) {
        if (entry.trustee == trustee.sid) granted |= rights & ~denied;
      } else if (DenialReaches(entry.trustee, trustee.sid)) {
        denied |= rights & ~granted;
      }
    }
    if (granted & ChangeRights(folder)) names.push_back(trustee.name);
  }
  return names;
}

ProgramFolderCheck CheckProgramFolder(Platform& platform, TextView programPath, TextView settingsPath,
                                      TextView kioskUserName) {
  ProgramFolderCheck check;
  check.folder = DirectoryOf(programPath);
  // "C:\Lanthe\" is named "C:\Lanthe"; a drive's root keeps its separator.
  if (check.folder.size() > 3) check.folder.pop_back();
  const std::optional<Text> kioskSid =
      kioskUserName.empty() ? std::nullopt : platform.accounts.AccountSid(kioskUserName);
  const std::vector<Trustee> trustees = WatchedTrustees(kioskSid, kioskUserName);
  const auto judge = [&](TextView path, bool folder) {
    const std::optional<AccessList> list = platform.fileSecurity.ReadAccessList(path);
    if (!list) {
      check.unreadable.emplace_back(path);
      return;
    }
    std::vector<Text> names = TrusteesWhoMayChange(*list, folder, trustees);
    if (!names.empty()) check.exposed.push_back({Text(path), std::move(names)});
  };
  judge(check.folder, true);
  for (const TextView file : {programPath, settingsPath}) {
    if (platform.files.FileExists(file)) judge(file, false);
  }
  return check;
}

Text ExposedFilesText(const ProgramFolderCheck& check) {
  Text text;
  for (const ExposedFile& file : check.exposed) {
    if (!text.empty()) text += u"; ";
    text += file.path + u": ";
    for (std::size_t i = 0; i < file.trustees.size(); ++i) {
      if (i > 0) text += u", ";
      text += file.trustees[i];
    }
  }
  return text;
}

std::vector<Text> ProgramFolderFixCommands(TextView folder) {
  const Text quoted = u"\"" + Text(folder) + u"\"";
  const Text contents = u"\"" + Text(folder) + (folder.ends_with(u'\\') ? u"*\"" : u"\\*\"");
  // icacls' page: /inheritance:r drops what the folder inherits (from the root of C:,
  // "Authenticated Users: Modify"), /grant:r replaces the explicit rights of the SIDs
  // named (a "*" marks a SID), (OI)(CI) passes them on to files and folders inside;
  // /reset /T then gives everything inside the folder's rights alone, dropping
  // explicit entries of its own. Administrators and SYSTEM: full control; Users:
  // read and run.
  return {u"icacls " + quoted + u" /inheritance:r /grant:r *" + kAdministratorsSid + u":(OI)(CI)F *" +
              kLocalSystemSid + u":(OI)(CI)F *" + kUsersSid + u":(OI)(CI)RX",
          u"icacls " + contents + u" /reset /T"};
}

Text ProgramFolderWarning(const ProgramFolderCheck& check) {
  Text text =
      u"Not only administrators may change Lanthe's files, so a kiosk user could replace lanthe.exe, which "
      u"administrators run too, or change its settings:\r\n";
  for (const ExposedFile& file : check.exposed) {
    text += u"\r\n" + file.path + u": ";
    for (std::size_t i = 0; i < file.trustees.size(); ++i) text += (i > 0 ? u", " : u"") + file.trustees[i];
  }
  text +=
      u"\r\n\r\nInstall Lanthe under Program Files, as its installer does, or leave the folder to administrators "
      u"with these commands in an administrator's command prompt:\r\n";
  for (const Text& command : ProgramFolderFixCommands(check.folder)) text += u"\r\n" + command;
  return text;
}

}  // namespace lanthe
