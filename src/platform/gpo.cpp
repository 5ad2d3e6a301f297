#include "platform/gpo.h"

namespace lanthe {

namespace {

Text WriteFailure(TextView valueName) { return u"Failed to set data for '" + Text(valueName) + u"'"; }
Text RemovalFailure(TextView valueName) { return u"Failed to delete '" + Text(valueName) + u"'"; }

}  // namespace

GroupPolicyUnavailable::GroupPolicyUnavailable(std::uint32_t code)
    : Error(u"The local group policy object cannot be used on this computer (error " + HexText(code) + u")."),
      code_(code) {}

TGPO::TGPO(IGroupPolicy& groupPolicy, IRegistry& registry, IWindowList& windows)
    : registry_(registry), windows_(windows) {
  std::uint32_t code = 0;
  object_ = groupPolicy.CreateObject(code);
  if (!object_) throw GroupPolicyUnavailable(code);
}

bool TGPO::Open() {
  if (!openTried_) {
    openTried_ = true;
    opened_ = object_->OpenLocalMachineGPO();
    if (opened_) userSection_ = object_->GetUserRegistryKey();
  }
  return opened_;
}

template <typename Write>
void TGPO::SetPolicy(RegistryRoot root, TextView key, TextView valueName, Write write) {
  if (!Open()) return;
  IRegistryKey* section = nullptr;
  if (root == RegistryRoot::CurrentUser) {
    section = userSection_.get();
  } else {
    if (!machineSection_) machineSection_ = object_->GetMachineRegistryKey();
    section = machineSection_.get();
    machineWritten_ = machineWritten_ || section != nullptr;
  }
  if (!section) return;
  const auto written = [&](std::unique_ptr<IRegistryKey> target) {
    if (!target) return;
    if (write(*target)) {
      changed_ = true;
    } else if (!failure_) {
      failure_ = WriteFailure(valueName);
    }
  };
  // The registry that Windows reads now first, then the section of the object.
  written(registry_.CreateKey(root, key));
  written(section->CreateSubKey(key));
}

void TGPO::SetPolicyBool(TextView key, TextView valueName, bool value) {
  SetPolicy(RegistryRoot::CurrentUser, key, valueName,
            [&](IRegistryKey& k) { return k.WriteDword(valueName, value ? 1 : 0); });
}

void TGPO::SetPolicyString(TextView key, TextView valueName, TextView value) {
  SetPolicy(RegistryRoot::CurrentUser, key, valueName, [&](IRegistryKey& k) { return k.WriteString(valueName, value); });
}

void TGPO::SetMachinePolicyBool(TextView key, TextView valueName, bool value) {
  SetPolicy(RegistryRoot::LocalMachine, key, valueName,
            [&](IRegistryKey& k) { return k.WriteDword(valueName, value ? 1 : 0); });
}

void TGPO::RemovePolicy(TextView key, TextView valueName) {
  if (!Open() || !userSection_) return;
  const auto removed = [&](std::unique_ptr<IRegistryKey> target) {
    if (!target || !target->ReadValue(valueName)) return;  // nothing there: no change
    if (target->DeleteValue(valueName)) {
      changed_ = true;
    } else if (!failure_) {
      failure_ = RemovalFailure(valueName);
    }
  };
  removed(registry_.OpenKey(RegistryRoot::CurrentUser, key));
  removed(userSection_->OpenSubKey(key));
}

void TGPO::SavePolicy() {
  object_->Save(false);
  if (machineWritten_) object_->Save(true);
  if (changed_) windows_.BroadcastSettingChange(kPolicyChangeArea);
  if (failure_) throw Error(*failure_);
}

}  // namespace lanthe
