#include "platform/gpo.h"

namespace lanthe {

namespace {

Text WriteFailure(TextView valueName) { return u"Failed to set data for '" + Text(valueName) + u"'"; }

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

IRegistryKey* TGPO::UserSection() {
  if (!openTried_) {
    openTried_ = true;
    if (object_->OpenLocalMachineGPO()) userSection_ = object_->GetUserRegistryKey();
  }
  return userSection_.get();
}

template <typename Write>
void TGPO::SetPolicy(TextView key, TextView valueName, Write write) {
  IRegistryKey* userSection = UserSection();
  if (!userSection) return;
  const auto written = [&](std::unique_ptr<IRegistryKey> target) {
    if (!target || write(*target)) return;
    if (!failedValue_) failedValue_ = Text(valueName);
  };
  // The current user's own registry first, then the user section of the object.
  written(registry_.CreateKey(RegistryRoot::CurrentUser, key));
  written(userSection->CreateSubKey(key));
}

void TGPO::SetPolicyBool(TextView key, TextView valueName, bool value) {
  SetPolicy(key, valueName, [&](IRegistryKey& k) { return k.WriteDword(valueName, value ? 1 : 0); });
}

void TGPO::SetPolicyString(TextView key, TextView valueName, TextView value) {
  SetPolicy(key, valueName, [&](IRegistryKey& k) { return k.WriteString(valueName, value); });
}

void TGPO::SavePolicy() {
  object_->Save();
  windows_.BroadcastSettingChange(kPolicyChangeArea);
  if (failedValue_) throw Error(WriteFailure(*failedValue_));
}

}  // namespace lanthe
