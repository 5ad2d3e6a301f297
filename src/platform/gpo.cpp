#include "platform/gpo.h"

namespace lanthe {

namespace {

Text Hex(std::uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  Text text = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kDigits[(value >> shift) & 0xF]);
  return text;
}

void WriteOrRaise(bool written, TextView valueName) {
  if (!written) throw Error(u"Failed to set data for '" + Text(valueName) + u"'");
}

}  // namespace

GroupPolicyUnavailable::GroupPolicyUnavailable(std::uint32_t code)
    : Error(u"The local group policy object cannot be used on this computer (error " + Hex(code) + u")."),
      code_(code) {}

TGPO::TGPO(IGroupPolicy& groupPolicy, IRegistry& registry, IWindowList& windows)
    : registry_(registry), windows_(windows) {
  std::uint32_t code = 0;
  object_ = groupPolicy.CreateObject(code);
  if (!object_) throw GroupPolicyUnavailable(code);
}

template <typename Write>
void TGPO::SetPolicy(TextView key, TextView valueName, Write write) {
  if (!object_->OpenLocalMachineGPO()) return;
  auto userSection = object_->GetUserRegistryKey();
  if (!userSection) return;
  // The current user's own registry first, then the user section of the object.
  if (auto own = registry_.CreateKey(RegistryRoot::CurrentUser, key)) WriteOrRaise(write(*own), valueName);
  if (auto policy = userSection->CreateSubKey(key)) WriteOrRaise(write(*policy), valueName);
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
}

}  // namespace lanthe
