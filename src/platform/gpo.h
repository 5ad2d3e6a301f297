#pragma once
// TGPO writes policies into one local group-policy object: the machine's own, whose
// user half reaches every user of the machine (administrators included), or the
// object Windows keeps for one local user or group ("Multiple Local Group Policy
// Objects"), whose user half reaches only them.

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>

#include "platform/error.h"
#include "platform/group_policy.h"
#include "platform/registry.h"

namespace lanthe {

// A policy's data: a REG_DWORD or a REG_SZ.
using PolicyData = std::variant<std::uint32_t, Text>;

// The area named in the change broadcast. Windows programs listen for "Policy".
inline constexpr char16_t kPolicyChangeArea[] = u"Policy";

// Raised when the system cannot make the group-policy object (editions without the
// group-policy component); code is the system's error code.
class GroupPolicyUnavailable : public Error {
 public:
  explicit GroupPolicyUnavailable(std::uint32_t code);
  std::uint32_t code() const { return code_; }

 private:
  std::uint32_t code_;
};

// One TGPO opens its object once, at its first use, and keeps it open for the writes
// that follow and for the save: opening an object that is open already is not
// something Windows promises to keep the earlier writes through.
class TGPO {
 public:
  // Makes the group-policy object; raises GroupPolicyUnavailable when it cannot.
  // principalSid: the object of that local user or group ("S-1-5-..."); none: the
  // machine's own object.
  TGPO(IGroupPolicy& groupPolicy, IRegistry& registry, std::optional<Text> principalSid = std::nullopt);

  // Whether the object is open, with its registry data (opened at the first call); a
  // program without full administrator rights gets false.
  bool Open();

  // User policies go into the object's user section only: Windows brings them into
  // the users' own registry when they log on. Keys are paths below the root of the
  // user's registry, without a leading backslash; a missing key is made. Nothing is
  // written when the object cannot be opened or gives no user section. A value that
  // cannot be written does not stop the writes after it: Failure() names it.
  void SetPolicyBool(TextView key, TextView valueName, bool value);
  void SetPolicyDword(TextView key, TextView valueName, std::uint32_t value);
  void SetPolicyString(TextView key, TextView valueName, TextView value);
  // A machine policy (the machine's object only): the value lands in the machine's
  // registry (key below HKEY_LOCAL_MACHINE), which Windows reads now, and in the
  // object's machine section.
  void SetMachinePolicyBool(TextView key, TextView valueName, bool value);
  // Removes a user policy value from the object's user section and from the running
  // user's own registry, wherever it is (earlier versions wrote both); no key is made
  // or removed. Nothing at all when the object cannot be opened or gives no user
  // section.
  void RemovePolicy(TextView key, TextView valueName);
  // Removes a machine policy (the machine's object only) from the machine's registry
  // and from the object's machine section, as SetMachinePolicyBool put it there; no key
  // is made or removed.
  void RemoveMachinePolicy(TextView key, TextView valueName);
  // Saves the user section (and the machine section when a machine policy was
  // written) and says whether a value was written or removed.
  bool SavePolicy();
  // A user policy as the object's user section holds it; nullopt when it is missing,
  // of another type, or the object cannot be opened.
  std::optional<PolicyData> ReadPolicy(TextView key, TextView valueName);
  // The message of the first value that could not be written or removed, if any.
  const std::optional<Text>& Failure() const { return failure_; }

 private:
  template <typename Write>
  void SetUserPolicy(TextView key, TextView valueName, Write write);
  void Record(bool done, Text failure);

  std::unique_ptr<IGroupPolicyObject> object_;
  IRegistry& registry_;
  std::optional<Text> principal_;
  bool openTried_ = false;
  bool opened_ = false;
  std::unique_ptr<IRegistryKey> userSection_;     // null when the object gave none
  std::unique_ptr<IRegistryKey> machineSection_;  // asked for at the first machine policy
  bool machineWritten_ = false;
  // The change broadcast waits on every top-level window: only a change is worth it.
  bool changed_ = false;
  std::optional<Text> failure_;  // the first write or removal that failed, as its message
};

}  // namespace lanthe
