#pragma once
// The local group-policy objects: the machine's own (the user policies that Windows
// applies to every user of the machine, administrators included, and the machine
// policies), and those Windows keeps for one local user or group.

#include <cstdint>
#include <memory>

#include "platform/registry.h"

namespace lanthe {

// One instance of the group-policy object.
class IGroupPolicyObject {
 public:
  virtual ~IGroupPolicyObject() = default;
  // Opens the local machine's object with its registry data loaded; false unless
  // the object reports full success (a program without administrator rights gets false).
  virtual bool OpenLocalMachineGPO() = 0;
  // Opens the object of a local user or group (its SID as text) in the same way; it
  // has a user section only.
  virtual bool OpenLocalMachineGPOForPrincipal(TextView sid) = 0;
  // The registry key of the user or the machine section; nullptr unless the object
  // reports success.
  virtual std::unique_ptr<IRegistryKey> GetUserRegistryKey() = 0;
  virtual std::unique_ptr<IRegistryKey> GetMachineRegistryKey() = 0;
  // Saves the user (or the machine) section as changed by the registry extension. Its
  // outcome is not told.
  virtual void Save(bool machine) = 0;
};

class IGroupPolicy {
 public:
  virtual ~IGroupPolicy() = default;
  // A new instance; nullptr when the system cannot make one (editions without the
  // group-policy component), with the system's error code in errorCode.
  virtual std::unique_ptr<IGroupPolicyObject> CreateObject(std::uint32_t& errorCode) = 0;
};

}  // namespace lanthe
