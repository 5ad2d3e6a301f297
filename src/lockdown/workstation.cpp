#include "lockdown/workstation.h"

#include "config/settings_file.h"
#include "lockdown/program_folder.h"
#include "lockdown/startup_task.h"
#include "lockdown/winlogon.h"
#include "platform/error.h"
#include "platform/local_users.h"

namespace lanthe {

namespace {

constexpr char16_t kPasswordInPlainText[] =
    u"Windows could not keep the password of the automatic log-on as a protected secret, so it is stored "
    u"in plain text in the registry value \"DefaultPassword\" under HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
    u"Windows NT\\CurrentVersion\\Winlogon, where every administrator of this computer can read it.";

// Added to the refusal of the automatic log-on's account: what the refusal leaves undone.
constexpr char16_t kAutologonLeftAsItWas[] = u"Automatic log-on was left as it was.";

Text AutologonAccountMissing(TextView userName) {
  return u"Automatic log-on was left as it was: there is no local account \"" + Text(userName) +
         u"\" on this computer. Create the account, or tick \"Create User\" in the setup wizard.";
}

Text AutologonPasswordRefused(TextView userName, std::uint32_t status, IAccounts& accounts) {
  return u"Automatic log-on will fail: Windows does not log the account \"" + Text(userName) +
         u"\" on with the stored password: " + AccountStatusText(status, accounts) + u".";
}

// Windows lets an automatic log-on without a password happen once, then turns the
// automatic log-on off.
Text AutologonPasswordEmpty(TextView userName) {
  return u"The automatic log-on of \"" + Text(userName) +
         u"\" has an empty password. Windows may turn automatic log-on off after one such log-on: give the "
         u"account a password, in Windows and in the settings.";
}

Text Quoted(TextView text) { return u"\"" + Text(text) + u"\""; }

// The account step's messages, as CreateLocalUser gives them, go to the report.
class AccountMessages final : public IMessageBoxes {
 public:
  explicit AccountMessages(ILockdownReport& report) : report_(report) {}
  void ShowMessage(TextView text) override { report_.Tell(u"account", LockdownNotice::kAccount, text); }
  bool Confirm(TextView) override { return false; }
  bool AskYesNo(TextView, TextView) override { return false; }

 private:
  ILockdownReport& report_;
};

}  // namespace

bool ToldOnce(LockdownNotice notice) {
  switch (notice) {
    case LockdownNotice::kFailed:
    case LockdownNotice::kAccount:
    case LockdownNotice::kPasswordRefused: return false;
    default: return true;
  }
}

bool WorkstationLockdown::PrepareAccount(const TSettings& settings) {
  const auto& logon = settings.Autologon;
  const bool enable = logon.EnableAutologon;
  std::uint32_t found = NetStatus::kSuccess;
  if (logon.CreateUser) {
    AccountMessages messages(report_);
    switch (CreateLocalUser(logon.Username, logon.Password, platform_.accounts, messages,
                            enable ? TextView(kAutologonLeftAsItWas) : TextView())) {
      case LocalUserOutcome::kCreated:
        report_.Done(u"account", u"the limited account " + Quoted(logon.Username) + u" was made");
        return true;  // with the password just given
      case LocalUserOutcome::kNotCreated: return !enable;
      case LocalUserOutcome::kExisted: break;
    }
  } else if (enable) {
    found = platform_.accounts.FindUser(logon.Username);
  } else {
    report_.Done(u"account", u"no account is asked for");
    return true;
  }
  if (found == NetStatus::kUserNotFound) {
    report_.Tell(u"account", LockdownNotice::kAccount, AutologonAccountMissing(logon.Username));
    return false;
  }
  report_.Done(u"account", u"the account " + Quoted(logon.Username) + u" is there");
  // An empty password is warned of where it is written. Every failed try counts
  // against the account-lockout policy: each pair is tried once per run.
  if (!enable || found != NetStatus::kSuccess || logon.Password.empty() ||
      !triedLogOns_.emplace(logon.Username, logon.Password).second) {
    return true;
  }
  if (const std::uint32_t status = platform_.accounts.TryLogOn(logon.Username, logon.Password); status != 0) {
    report_.Tell(u"account", LockdownNotice::kPasswordRefused,
                 AutologonPasswordRefused(logon.Username, status, platform_.accounts));
  }
  return true;
}

void WorkstationLockdown::SetAutologon(const TSettings& settings) {
  const auto& logon = settings.Autologon;
  // The computer's name is asked for only when it is written.
  const AutologonPassword stored =
      lanthe::SetAutologon(platform_.registry, platform_.secrets, logon.EnableAutologon, logon.Username,
                           logon.Password, logon.EnableAutologon ? GetLocalComputerName(platform_.accounts) : Text());
  if (stored == AutologonPassword::kNotWritten) return;  // a limited user's start: nothing to say
  if (stored == AutologonPassword::kRemoved) {
    report_.Done(u"autologon", u"automatic log-on is off, and no password is stored");
    return;
  }
  report_.Done(u"autologon", Quoted(logon.Username) + u" logs on automatically" +
                                 (stored == AutologonPassword::kSecret ? u"; the password is a protected secret" : u""));
  if (logon.Password.empty()) {
    report_.Tell(u"autologon", LockdownNotice::kPasswordEmpty, AutologonPasswordEmpty(logon.Username));
  }
  if (stored == AutologonPassword::kPlainText) {
    report_.Tell(u"autologon", LockdownNotice::kPasswordInPlainText, kPasswordInPlainText);
  }
}

void WorkstationLockdown::SetShell(TextView shellCommand) {
  if (lanthe::SetShell(platform_.registry, shellCommand)) {
    report_.Done(u"shell", u"the Winlogon shell is " + Text(shellCommand));
  }
}

void WorkstationLockdown::ApplyPolicies(const TSettings& settings) {
  PoliciesApplied applied;
  try {
    applied = lanthe::ApplyPolicies(platform_.groupPolicy, platform_.registry, platform_.accounts, settings);
  } catch (const GroupPolicyUnavailable& error) {
    // Windows editions without the group-policy component (and Wine) cannot make the
    // object.
    report_.Tell(u"policies", LockdownNotice::kPoliciesUnavailable,
                 u"The task-manager and screen-saver policies could not be written. " + error.message());
    return;
  }
  if (applied.changed) platform_.windows.BroadcastSettingChange(kPolicyChangeArea);
  switch (applied.kioskObject) {
    case KioskPolicyObject::kAccount:
      report_.Done(u"policies", u"the kiosk user's policies are in the policy object of " +
                                    Quoted(settings.Autologon.Username));
      break;
    case KioskPolicyObject::kNonAdministrators:
      report_.Done(u"policies", u"the kiosk user's policies are in the policy object of every non-administrator");
      break;
    case KioskPolicyObject::kNone:
      // An administrator without full rights was offered them at the start.
      if (platform_.identity.IsElevated()) {
        report_.Tell(u"policies", LockdownNotice::kKioskPoliciesUnwritten,
                     u"The kiosk account's policies (Task Manager, the Ctrl+Alt+Del screen and the other "
                     u"restrictions) could not be written: neither the local group-policy object of " +
                         Quoted(settings.Autologon.Username) + u" nor the one of all non-administrators could be "
                                                              u"opened.");
      }
      break;
  }
  if (applied.failure) throw Error(*applied.failure);
}

void WorkstationLockdown::CheckProgramFolder(const TSettings& settings, TextView programPath) {
  const ProgramFolderCheck check =
      lanthe::CheckProgramFolder(platform_, programPath, SettingsFilePath(settings), settings.Autologon.Username);
  // Permissions that cannot be read tell nothing; "lanthe-config status" names them.
  if (check.exposed.empty()) {
    report_.Done(u"folder", u"only administrators may change " + check.folder);
  } else {
    report_.Tell(u"folder", LockdownNotice::kProgramFolderWritable, ProgramFolderWarning(check));
  }
}

void WorkstationLockdown::RegisterEventSource(TextView programPath) {
  constexpr char16_t kSource[] = u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Lanthe";
  // A message file that is gone (a zip install moved or deleted) leaves Event Viewer
  // without the sentences, which it builds from the events' fields: it counts as missing.
  if (const auto known = platform_.registry.OpenKeyForReading(RegistryRoot::LocalMachine, kSource)) {
    if (const auto file = ReadStringValue(*known, u"EventMessageFile");
        file && !file->empty() && (file->find(u'%') != Text::npos || platform_.files.FileExists(*file))) {
      report_.Done(u"event source", u"\"Lanthe\" is registered, with " + *file);
      return;
    }
  }
  // "Event Sources": EventMessageFile may be REG_SZ or REG_EXPAND_SZ (the MSI writes
  // the latter), TypesSupported is a REG_DWORD mask of the event types.
  const auto key = platform_.registry.CreateKey(RegistryRoot::LocalMachine, kSource);
  constexpr std::uint32_t kErrorWarningInformation = 7;
  if (!key || !key->WriteString(u"EventMessageFile", programPath) ||
      !key->WriteDword(u"TypesSupported", kErrorWarningInformation)) {
    report_.Tell(u"event source", LockdownNotice::kFailed,
                 u"The event source \"Lanthe\" could not be registered: Lanthe's events go unlogged.");
    return;
  }
  report_.Done(u"event source", u"\"Lanthe\" is registered now, with " + Text(programPath));
}

template <typename Run>
bool WorkstationLockdown::Step(TextView name, const Run& run) {
  try {
    run();
    return true;
  } catch (const std::exception& error) {
    report_.Tell(name, LockdownNotice::kFailed, ErrorText(error));
    return false;
  }
}

bool WorkstationLockdown::ApplyAll(const TSettings& settings, const std::optional<Text>& shellCommand,
                                   TextView programPath) {
  bool held = true;
  bool accountReady = true;
  held &= Step(u"account", [&] { accountReady = PrepareAccount(settings); });
  if (accountReady) held &= Step(u"autologon", [&] { SetAutologon(settings); });
  if (shellCommand) held &= Step(u"shell", [&] { SetShell(*shellCommand); });
  held &= Step(u"policies", [&] { ApplyPolicies(settings); });
  held &= Step(u"folder", [&] { CheckProgramFolder(settings, programPath); });
  held &= Step(u"event source", [&] { RegisterEventSource(programPath); });
  return held;
}

void WorkstationLockdown::RegisterStartupTask(TextView configProgram, TextView definitionFile) {
  const Text task = Quoted(kApplyTaskName);
  if (!platform_.files.WriteFileAtomic(definitionFile, ApplyTaskDefinitionFile(configProgram))) {
    report_.Tell(u"task", LockdownNotice::kFailed,
                 u"The start-up task " + task + u" was not registered: its definition could not be written to " +
                     Text(definitionFile) + u".");
    return;
  }
  const auto exitCode = platform_.processes.StartCommandLine(
      CreateApplyTaskCommand(platform_.folders.GetSpecialFolder(Csidl::kSystem), definitionFile), true);
  if (exitCode == 0u) {
    report_.Done(u"task", u"the start-up task " + task + u" runs " + Quoted(configProgram) +
                              u" apply as SYSTEM at every start of Windows");
  } else {
    report_.Tell(u"task", LockdownNotice::kFailed,
                 u"The start-up task " + task + u" was not registered: " +
                     (exitCode ? u"schtasks.exe ended with exit code " + IntToText(*exitCode) + u"."
                               : Text(u"schtasks.exe could not be started.")));
  }
}

void WorkstationLockdown::SwitchOffAutologon(const TSettings& settings) {
  const Text& account = settings.Autologon.Username;
  const AutologonOwner owner = SwitchOffAutologonOf(platform_.registry, platform_.secrets, account);
  if (!owner.keyOpened) {
    report_.Tell(u"autologon", LockdownNotice::kFailed,
                 u"The Winlogon key could not be opened: automatic log-on is left as it is.");
  } else if (owner.switchedOff) {
    report_.Done(u"autologon", u"automatic log-on of " + Quoted(account) +
                                   u" is off (AutoAdminLogon 0), and its stored password is gone");
  } else {
    report_.Done(u"autologon", u"automatic log-on is left as it is: it is for " +
                                   (owner.userName.empty() ? Text(u"no account") : Quoted(owner.userName)) +
                                   u", not for the account of settings.xml" +
                                   (account.empty() ? Text(u" (none)") : u" (" + Quoted(account) + u")"));
  }
}

void WorkstationLockdown::RemovePolicies(const TSettings& settings) {
  PoliciesRemoved removed;
  try {
    removed = lanthe::RemovePolicies(platform_.groupPolicy, platform_.registry, platform_.accounts, settings);
  } catch (const GroupPolicyUnavailable& error) {
    report_.Tell(u"policies", LockdownNotice::kPoliciesUnavailable,
                 u"The policy values Lanthe wrote could not be removed: " + error.message());
    return;
  }
  if (removed.changed) platform_.windows.BroadcastSettingChange(kPolicyChangeArea);
  switch (removed.kioskObject) {
    case KioskPolicyObject::kAccount:
      report_.Done(u"policies", u"the kiosk user's policies are gone from the policy object of " +
                                    Quoted(settings.Autologon.Username));
      break;
    case KioskPolicyObject::kNonAdministrators:
      report_.Done(u"policies", u"the kiosk user's policies are gone from the policy object of every "
                                u"non-administrator");
      break;
    case KioskPolicyObject::kNone:
      report_.Tell(u"policies", LockdownNotice::kKioskPoliciesUnwritten,
                   u"The kiosk user's policies stay: neither the policy object of " +
                       Quoted(settings.Autologon.Username) +
                       u" nor the one of all non-administrators could be opened.");
      break;
  }
  if (removed.machineObject) {
    report_.Done(u"policies", u"the machine's policies and those of earlier versions for every user are gone");
  } else {
    report_.Tell(u"policies", LockdownNotice::kPoliciesUnavailable,
                 u"The machine's policies stay: the machine's policy object could not be opened.");
  }
  if (removed.failure) throw Error(*removed.failure);
}

void WorkstationLockdown::RemoveStartupTask() {
  const Text task = Quoted(kApplyTaskName);
  const auto exitCode = platform_.processes.StartCommandLine(
      DeleteApplyTaskCommand(platform_.folders.GetSpecialFolder(Csidl::kSystem)), true);
  if (!exitCode) {
    report_.Tell(u"task", LockdownNotice::kFailed,
                 u"schtasks.exe could not be started: a start-up task " + task + u" stays.");
  } else if (*exitCode == 0) {
    report_.Done(u"task", u"the start-up task " + task + u" is removed");
  } else {
    // schtasks.exe says the same for a task that is not there and for one it may not
    // remove: the one exit code 1.
    report_.Done(u"task", u"no start-up task " + task + u" was removed (schtasks.exe ended with exit code " +
                              IntToText(*exitCode) + u": there is none, or Windows kept it)");
  }
}

bool WorkstationLockdown::RemoveAll(const TSettings& settings) {
  bool held = true;
  held &= Step(u"autologon", [&] { SwitchOffAutologon(settings); });
  held &= Step(u"policies", [&] { RemovePolicies(settings); });
  held &= Step(u"task", [&] { RemoveStartupTask(); });
  const Text& account = settings.Autologon.Username;
  report_.Done(u"account", (account.empty() ? Text(u"no kiosk account is named; ")
                                            : u"the account " + Quoted(account) + u" and its files stay; ") +
                               u"settings.xml and the other files Lanthe wrote stay in " + settings.ProgramDir);
  return held;
}

}  // namespace lanthe
