#pragma once
// TGPO writes user policies: each value lands in the current user's registry and in
// the user section of the machine's local group-policy object, which is then saved
// and, when anything changed, announced to the running programs.

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/error.h"
#include "platform/group_policy.h"
#include "platform/registry.h"
#include "platform/window_list.h"

namespace lanthe {

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

// One TGPO opens the machine's object once, at its first write, and keeps it open
// for the writes that follow and for the save: opening an object that is open
// already is not something Windows promises to keep the earlier writes through.
class TGPO {
 public:
  // Makes the group-policy object; raises GroupPolicyUnavailable when it cannot.
  TGPO(IGroupPolicy& groupPolicy, IRegistry& registry, IWindowList& windows);

  // Keys are paths below the root of the user's registry, without a leading backslash.
  // Nothing is written at all, not even for the current user, when the object cannot
  // be opened (a program without administrator rights). A key that cannot be opened
  // or made skips that half. A value that cannot be written does not stop the writes
  // after it: SavePolicy raises its Error once the object has been saved.
  void SetPolicyBool(TextView key, TextView valueName, bool value);
  void SetPolicyString(TextView key, TextView valueName, TextView value);
  // A machine policy, in the same way: the value lands in the machine's registry
  // (key below HKEY_LOCAL_MACHINE) and in the object's machine section.
  void SetMachinePolicyBool(TextView key, TextView valueName, bool value);
  // Removes a user policy value from the current user's registry and from the
  // object's user section, wherever it is; no key is made or removed. Like the
  // writes: nothing at all when the object cannot be opened or gives no user section.
  void RemovePolicy(TextView key, TextView valueName);
  // Saves the user section (and the machine section when a machine policy was
  // written), tells the running programs that policies changed when a value was
  // written or removed, then raises an Error naming the first value that could not be
  // written or removed, if any.
  void SavePolicy();

 private:
  template <typename Write>
  void SetPolicy(RegistryRoot root, TextView key, TextView valueName, Write write);
  bool Open();

  std::unique_ptr<IGroupPolicyObject> object_;
  IRegistry& registry_;
  IWindowList& windows_;
  bool openTried_ = false;
  bool opened_ = false;
  std::unique_ptr<IRegistryKey> userSection_;     // null when the object gave none
  std::unique_ptr<IRegistryKey> machineSection_;  // asked for at the first machine policy
  bool machineWritten_ = false;
  // The broadcast waits on every top-level window: only a change is worth it.
  bool changed_ = false;
  std::optional<Text> failure_;                // the first write or removal that failed, as its message
};

}  // namespace lanthe
