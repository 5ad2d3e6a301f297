#include "lockdown/policies.h"

#include "platform/gpo.h"

namespace lanthe {

namespace {

constexpr char16_t kSystemPolicies[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr char16_t kExplorerPolicies[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
// Where Windows reads the screen-saver policy, and where versions before put it.
constexpr char16_t kScreenSaverPolicies[] = u"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
constexpr char16_t kMisplacedScreenSaverPolicies[] = u"Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
// The command prompt's policy (Policy CSP, ADMX_ShellCommandPromptRegEditTools/DisableCMD):
// 1 refuses the prompt and batch files, 2 the prompt only.
constexpr char16_t kWindowsSystemPolicies[] = u"Software\\Policies\\Microsoft\\Windows\\System";
constexpr std::uint32_t kPromptRefusedBatchFilesRun = 2;
// Windows Error Reporting's "DontShowUI" as a policy ("WER Settings"): no dialog of a
// crashing program, with its links into Windows.
constexpr char16_t kErrorReportingPolicies[] = u"Software\\Policies\\Microsoft\\Windows\\Windows Error Reporting";

PolicyValue Switch(TextView key, TextView name, bool on) { return PolicyValue{Text(key), Text(name), on ? 1u : 0u}; }

// The object the kiosk account's policies go to, opened: its own, or the one of every
// non-administrator; nullopt when neither opens.
struct KioskObject {
  TGPO gpo;
  KioskPolicyObject which;
};

std::optional<KioskObject> OpenKioskObject(IGroupPolicy& groupPolicy, IRegistry& registry, IAccounts& accounts,
                                           const TSettings& settings) {
  if (!settings.Autologon.Username.empty()) {
    if (const auto sid = accounts.AccountSid(settings.Autologon.Username)) {
      KioskObject own{TGPO(groupPolicy, registry, *sid), KioskPolicyObject::kAccount};
      if (own.gpo.Open()) return own;
    }
  }
  // No such local account, or one whose object does not open (a domain account).
  KioskObject everyone{TGPO(groupPolicy, registry, Text(kNonAdministratorsSid)), KioskPolicyObject::kNonAdministrators};
  if (everyone.gpo.Open()) return everyone;
  return std::nullopt;
}

void Write(TGPO& gpo, const PolicyValue& value) {
  if (const auto* number = std::get_if<std::uint32_t>(&value.data)) {
    gpo.SetPolicyDword(value.key, value.name, *number);
  } else {
    gpo.SetPolicyString(value.key, value.name, std::get<Text>(value.data));
  }
}

}  // namespace

std::vector<PolicyValue> KioskUserPolicies(const TSettings& s) {
  const bool lock = s.LockSecureScreen;
  const bool restrict = s.RestrictKioskUser;
  return {
      Switch(kSystemPolicies, u"DisableTaskMgr", s.DisableTaskManager),
      PolicyValue{kScreenSaverPolicies, u"ScreenSaveActive", Text(s.DisableScreenSaver ? u"0" : u"1")},
      // The Ctrl+Alt+Del screen: Lock, Change a password and Sign out (Switch user is
      // the machine's).
      Switch(kSystemPolicies, u"DisableLockWorkstation", lock),
      Switch(kSystemPolicies, u"DisableChangePassword", lock),
      Switch(kExplorerPolicies, u"NoLogoff", lock),
      // The kiosk account's other ways out: Control Panel and Settings, Run, the
      // registry editor, the command prompt, and error dialogs.
      Switch(kExplorerPolicies, u"NoControlPanel", restrict),
      Switch(kExplorerPolicies, u"NoRun", restrict),
      Switch(kSystemPolicies, u"DisableRegistryTools", restrict),
      PolicyValue{kWindowsSystemPolicies, u"DisableCMD", restrict ? kPromptRefusedBatchFilesRun : 0u},
      Switch(kErrorReportingPolicies, u"DontShowUI", restrict),
  };
}

std::vector<PolicyValue> MachinePolicies(const TSettings& s) {
  return {Switch(kSystemPolicies, u"HideFastUserSwitching", s.LockSecureScreen)};
}

std::vector<std::pair<Text, Text>> EarlierUserPolicies() {
  return {{kSystemPolicies, u"DisableTaskMgr"},
          {kScreenSaverPolicies, u"ScreenSaveActive"},
          {kMisplacedScreenSaverPolicies, u"ScreenSaveActive"},
          {kSystemPolicies, u"DisableLockWorkstation"},
          {kSystemPolicies, u"DisableChangePassword"},
          {kExplorerPolicies, u"NoLogoff"}};
}

PoliciesApplied ApplyPolicies(IGroupPolicy& groupPolicy, IRegistry& registry, IAccounts& accounts,
                              const TSettings& settings) {
  PoliciesApplied applied;
  const auto saved = [&](TGPO& gpo) {
    applied.changed = gpo.SavePolicy() || applied.changed;
    if (!applied.failure) applied.failure = gpo.Failure();
  };
  if (auto kiosk = OpenKioskObject(groupPolicy, registry, accounts, settings)) {
    applied.kioskObject = kiosk->which;
    for (const PolicyValue& value : KioskUserPolicies(settings)) Write(kiosk->gpo, value);
    saved(kiosk->gpo);
  }
  TGPO machine(groupPolicy, registry);
  for (const PolicyValue& value : MachinePolicies(settings)) {
    machine.SetMachinePolicyBool(value.key, value.name, std::get<std::uint32_t>(value.data) != 0);
  }
  // What reached every user, administrators included, goes.
  for (const auto& [key, name] : EarlierUserPolicies()) machine.RemovePolicy(key, name);
  saved(machine);
  return applied;
}

PoliciesRemoved RemovePolicies(IGroupPolicy& groupPolicy, IRegistry& registry, IAccounts& accounts,
                               const TSettings& settings) {
  PoliciesRemoved removed;
  const auto saved = [&](TGPO& gpo) {
    removed.changed = gpo.SavePolicy() || removed.changed;
    if (!removed.failure) removed.failure = gpo.Failure();
  };
  if (auto kiosk = OpenKioskObject(groupPolicy, registry, accounts, settings)) {
    removed.kioskObject = kiosk->which;
    for (const PolicyValue& value : KioskUserPolicies(settings)) kiosk->gpo.RemovePolicy(value.key, value.name);
    saved(kiosk->gpo);
  }
  TGPO machine(groupPolicy, registry);
  removed.machineObject = machine.Open();
  for (const PolicyValue& value : MachinePolicies(settings)) machine.RemoveMachinePolicy(value.key, value.name);
  for (const auto& [key, name] : EarlierUserPolicies()) machine.RemovePolicy(key, name);
  saved(machine);
  return removed;
}

std::optional<KioskPoliciesFound> ReadKioskPolicies(IGroupPolicy& groupPolicy, IRegistry& registry,
                                                    IAccounts& accounts, const TSettings& settings) {
  auto kiosk = OpenKioskObject(groupPolicy, registry, accounts, settings);
  if (!kiosk) return std::nullopt;
  KioskPoliciesFound found{kiosk->which, {}};
  for (const PolicyValue& value : KioskUserPolicies(settings)) {
    found.values.push_back(kiosk->gpo.ReadPolicy(value.key, value.name));
  }
  return found;
}

}  // namespace lanthe
