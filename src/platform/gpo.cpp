#include "platform/gpo.h"

namespace lanthe {

namespace {

Text WriteFailure(TextView valueName) { return u"Failed to set data for '" + Text(valueName) + u"'"; }
Text RemovalFailure(TextView valueName) { return u"Failed to delete '" + Text(valueName) + u"'"; }

}  // namespace

GroupPolicyUnavailable::GroupPolicyUnavailable(std::uint32_t code)
    : Error(u"The local group policy object cannot be used on this computer (error " + HexText(code) + u")."),
      code_(code) {}

TGPO::TGPO(IGroupPolicy& groupPolicy, IRegistry& registry, std::optional<Text> principalSid)
    : registry_(registry), principal_(std::move(principalSid)) {
  std::uint32_t code = 0;
  object_ = groupPolicy.CreateObject(code);
  if (!object_) throw GroupPolicyUnavailable(code);
}

bool TGPO::Open() {
  if (!openTried_) {
    openTried_ = true;
    opened_ = principal_ ? object_->OpenLocalMachineGPOForPrincipal(*principal_) : object_->OpenLocalMachineGPO();
    if (opened_) userSection_ = object_->GetUserRegistryKey();
  }
  return opened_;
}

void TGPO::Record(bool done, Text failure) {
  if (done) {
    changed_ = true;
  } else if (!failure_) {
    failure_ = std::move(failure);
  }
}

template <typename Write>
void TGPO::SetUserPolicy(TextView key, TextView valueName, Write write) {
  if (!Open() || !userSection_) return;
  auto target = userSection_->CreateSubKey(key);
  Record(target && write(*target), WriteFailure(valueName));
}

void TGPO::SetPolicyBool(TextView key, TextView valueName, bool value) { SetPolicyDword(key, valueName, value ? 1 : 0); }

void TGPO::SetPolicyDword(TextView key, TextView valueName, std::uint32_t value) {
  SetUserPolicy(key, valueName, [&](IRegistryKey& k) { return k.WriteDword(valueName, value); });
}

void TGPO::SetPolicyString(TextView key, TextView valueName, TextView value) {
  SetUserPolicy(key, valueName, [&](IRegistryKey& k) { return k.WriteString(valueName, value); });
}

void TGPO::SetMachinePolicyBool(TextView key, TextView valueName, bool value) {
  if (!Open()) return;
  if (!machineSection_) machineSection_ = object_->GetMachineRegistryKey();
  if (!machineSection_) return;
  machineWritten_ = true;
  // The registry that Windows reads now first, then the section of the object. A key
  // that cannot be made skips its half.
  std::unique_ptr<IRegistryKey> targets[] = {registry_.CreateKey(RegistryRoot::LocalMachine, key),
                                              machineSection_->CreateSubKey(key)};
  for (const auto& target : targets) {
    if (target) Record(target->WriteDword(valueName, value ? 1 : 0), WriteFailure(valueName));
  }
}

void TGPO::RemovePolicy(TextView key, TextView valueName) {
  if (!Open() || !userSection_) return;
  std::unique_ptr<IRegistryKey> targets[] = {registry_.OpenKey(RegistryRoot::CurrentUser, key),
                                              userSection_->OpenSubKey(key)};
  for (const auto& target : targets) {
    if (!target || !target->ReadValue(valueName)) continue;  // nothing there: no change
    Record(target->DeleteValue(valueName), RemovalFailure(valueName));
  }
}

void TGPO::RemoveMachinePolicy(TextView key, TextView valueName) {
  if (!Open()) return;
  if (!machineSection_) machineSection_ = object_->GetMachineRegistryKey();
  if (!machineSection_) return;
  machineWritten_ = true;
  std::unique_ptr<IRegistryKey> targets[] = {registry_.OpenKey(RegistryRoot::LocalMachine, key),
                                              machineSection_->OpenSubKey(key)};
  for (const auto& target : targets) {
    if (!target || !target->ReadValue(valueName)) continue;
    Record(target->DeleteValue(valueName), RemovalFailure(valueName));
  }
}

std::optional<PolicyData> TGPO::ReadPolicy(TextView key, TextView valueName) {
  if (!Open() || !userSection_) return std::nullopt;
  const auto opened = userSection_->OpenSubKey(key);
  if (!opened) return std::nullopt;
  const auto value = opened->ReadValue(valueName);
  if (!value) return std::nullopt;
  if (value->type == RegistryType::kDword && value->data.size() == 4) {
    const auto& d = value->data;
    return PolicyData(static_cast<std::uint32_t>(d[0] | (d[1] << 8) | (d[2] << 16) | (std::uint32_t{d[3]} << 24)));
  }
  if (const auto text = StringValueText(*value)) return PolicyData(*text);
  return std::nullopt;
}

bool TGPO::SavePolicy() {
  object_->Save(false);
  if (machineWritten_) object_->Save(true);
  return changed_;
}

}  // namespace lanthe
