#pragma once
// The workstation lockdown: what an administrator's apply does to the machine, step
// by step: the limited account, automatic log-on, the shell, the policies (the kiosk
// account's policy object and the machine's), and who may change Lanthe's own files.
// lanthe.exe's start and "lanthe-config apply" run the same steps; each says through
// an ILockdownReport what it did and what could not be done.

#include <optional>
#include <set>
#include <utility>

#include "config/settings.h"
#include "lockdown/policies.h"
#include "platform/platform.h"

namespace lanthe {

// What an apply tells an administrator. The main window shows the kinds marked once
// only the first time in a run (the event log gets every one); lanthe-config prints
// them all.
enum class LockdownNotice {
  kFailed,                  // a step raised an error
  kAccount,                 // the limited account could not be made, or is missing
  kPasswordRefused,         // the stored password does not log the account on
  kPasswordEmpty,           // once
  kPasswordInPlainText,     // once
  kPoliciesUnavailable,     // once
  kKioskPoliciesUnwritten,  // once
  kProgramFolderWritable,   // once
};
bool ToldOnce(LockdownNotice notice);

class ILockdownReport {
 public:
  virtual ~ILockdownReport() = default;
  // A step that held: its name ("account", "autologon", "shell", "policies",
  // "folder") and what it found or did.
  virtual void Done(TextView step, TextView what) = 0;
  // Something an administrator has to act on; the step goes on where it can.
  virtual void Tell(TextView step, LockdownNotice notice, TextView text) = 0;
};

class WorkstationLockdown {
 public:
  WorkstationLockdown(Platform& platform, ILockdownReport& report) : platform_(platform), report_(report) {}

  // Makes the limited account when the settings ask for it, and checks the account
  // of the automatic log-on: whether automatic log-on may be written (the account is
  // there, made just now or found, or the system cannot tell; switching it off needs
  // no account). An existing account's stored password is tried once per
  // (account, password) and run: a failed try counts against the lockout policy.
  bool PrepareAccount(const TSettings& settings);
  // The Winlogon values of automatic log-on (on or off). A value that cannot be
  // written raises an Error.
  void SetAutologon(const TSettings& settings);
  // "shell" = the command. A value that cannot be written raises an Error.
  void SetShell(TextView shellCommand);
  // The kiosk account's and the machine's policies, and the change broadcast. A value
  // that cannot be written raises an Error, after every object has been saved.
  void ApplyPolicies(const TSettings& settings);
  // Whether anybody but administrators may change the program's folder, the program
  // or the settings file.
  void CheckProgramFolder(const TSettings& settings, TextView programPath);
  // Registers the event source "Lanthe" with the program as its message file, as the
  // installer does, when it is missing (a zip install) or its message file is gone.
  void RegisterEventSource(TextView programPath);

  // Every step, in this order, each whatever became of the one before (lanthe-config
  // apply): account, automatic log-on (unless the account is missing), shell (when
  // one is given), policies, program folder, event source. Whether no step raised.
  bool ApplyAll(const TSettings& settings, const std::optional<Text>& shellCommand, TextView programPath);

  // The installer's start-up task (APPLYATSTARTUP=1): its definition, running
  // configProgram with "apply", written to definitionFile and registered from there,
  // replacing an earlier one ("task").
  void RegisterStartupTask(TextView configProgram, TextView definitionFile);

  // An uninstall's steps, each whatever became of the one before: automatic log-on off
  // when it logs on the settings' account ("autologon"), the policy values Lanthe
  // writes removed ("policies"), the start-up task removed ("task"), and what stays: the
  // account with its files, and the files beside the program ("account"). Whether no
  // step raised.
  bool RemoveAll(const TSettings& settings);

 private:
  // Runs one step; an exception is told as the step's failure. Whether none came.
  template <typename Run>
  bool Step(TextView name, const Run& run);
  void SwitchOffAutologon(const TSettings& settings);
  void RemovePolicies(const TSettings& settings);
  void RemoveStartupTask();

  Platform& platform_;
  ILockdownReport& report_;
  std::set<std::pair<Text, Text>> triedLogOns_;  // (user, password) of each trial log-on
};

}  // namespace lanthe
