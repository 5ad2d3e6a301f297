#pragma once
// The policies that lock a kiosk down, as data: the user policies for the kiosk
// account, the machine policies, and where earlier versions put the user policies.
// ApplyPolicies brings them to the machine; lanthe-config status reads them back.
//
// The user policies go into the local group-policy object that Windows keeps for the
// kiosk account alone, or, when it has none (no such local account, or a domain
// account), into the one for every user who is not an administrator. Administrators
// keep their Task Manager and their Ctrl+Alt+Del screen.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "platform/accounts.h"
#include "platform/gpo.h"
#include "platform/registry.h"

namespace lanthe {

// A policy value: a REG_DWORD or a REG_SZ below the root of the user's (or the
// machine's) registry.
struct PolicyValue {
  Text key;
  Text name;
  PolicyData data;
  bool operator==(const PolicyValue&) const = default;
};

// The object Windows keeps for all non-administrators, under the SID of the built-in
// Users group.
inline constexpr char16_t kNonAdministratorsSid[] = u"S-1-5-32-545";

// Every user policy of the kiosk account, each with the value the settings ask for
// (a switch is written 1 or 0, never left out, so that switching it off takes).
std::vector<PolicyValue> KioskUserPolicies(const TSettings& settings);
// The machine policies, for every user of the machine.
std::vector<PolicyValue> MachinePolicies(const TSettings& settings);
// (key, name) of the user policies that earlier versions wrote into the machine
// object's user half and into the administrator's own registry.
std::vector<std::pair<Text, Text>> EarlierUserPolicies();

// Which object holds the kiosk account's user policies.
enum class KioskPolicyObject { kNone, kAccount, kNonAdministrators };

struct PoliciesApplied {
  KioskPolicyObject kioskObject = KioskPolicyObject::kNone;
  bool changed = false;                // a value was written or removed: worth the change broadcast
  std::optional<Text> failure;         // the first value that could not be written or removed
};

// An administrator's apply: the kiosk account's object (or the non-administrators')
// gets the user policies, the machine's object the machine policies, and the values
// of earlier versions go from the machine object's user half and the running user's
// own registry. One open, the writes, one save and one release per object. Raises
// GroupPolicyUnavailable when the system has no group-policy object.
PoliciesApplied ApplyPolicies(IGroupPolicy& groupPolicy, IRegistry& registry, IAccounts& accounts,
                              const TSettings& settings);

// What an uninstall took away: every value of KioskUserPolicies from the object that
// ApplyPolicies writes them to, every value of MachinePolicies from the machine's
// registry and its object's machine section, and every value of EarlierUserPolicies
// from the machine object's user half (and the running user's own registry). Values
// someone else set under the same names go as well: they are Lanthe's. One open, one
// save and one release per object. Raises GroupPolicyUnavailable when the system has
// no group-policy object.
struct PoliciesRemoved {
  KioskPolicyObject kioskObject = KioskPolicyObject::kNone;  // the object the kiosk's values left
  bool machineObject = false;                                // the machine's object was opened
  bool changed = false;                                      // a value was removed
  std::optional<Text> failure;                               // the first value that stayed
};
PoliciesRemoved RemovePolicies(IGroupPolicy& groupPolicy, IRegistry& registry, IAccounts& accounts,
                               const TSettings& settings);

// The kiosk account's user policies as the object holds them: for each of
// KioskUserPolicies the value found (nullopt when missing). nullopt when neither object
// can be opened to read (a program without full rights).
struct KioskPoliciesFound {
  KioskPolicyObject object = KioskPolicyObject::kNone;
  std::vector<std::optional<PolicyData>> values;
};
std::optional<KioskPoliciesFound> ReadKioskPolicies(IGroupPolicy& groupPolicy, IRegistry& registry,
                                                    IAccounts& accounts, const TSettings& settings);

}  // namespace lanthe
