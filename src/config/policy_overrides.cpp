#include "config/policy_overrides.h"

#include <algorithm>

namespace lanthe {

bool HasPolicy(const SettingsField& field) { return field.recordName != "Autologon.Password"; }

std::vector<const SettingsField*> PolicyFields() {
  std::vector<const SettingsField*> fields;
  for (const auto& field : SettingsFields()) {
    if (HasPolicy(field)) fields.push_back(&field);
  }
  return fields;
}

Text PolicyValuePath(const SettingsField& field) {
  Text path = kPolicyKey;
  if (!field.section.empty()) path += u"\\" + Text(field.section);
  return path + u"\\" + Text(field.element);
}

void CopySettingsField(const SettingsField& field, const TSettings& from, TSettings& to) {
  switch (field.kind) {
    case FieldKind::kInteger: field.integer(to) = field.IntegerOf(from); return;
    case FieldKind::kFlagWord:
    case FieldKind::kFlagNumber: field.flag(to) = field.FlagOf(from); return;
    case FieldKind::kText: field.text(to) = field.TextOf(from); return;
  }
}

namespace {

std::optional<std::uint32_t> DwordOf(const RegistryValue& value) {
  if (value.type != RegistryType::kDword || value.data.size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>(value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                    (static_cast<std::uint32_t>(value.data[3]) << 24));
}

Text TextOf(const RegistryValue& value) {
  Text text;
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    const auto c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

// Puts the policy value into settings; false when its type does not fit the field.
bool Take(const SettingsField& field, const RegistryValue& value, IFolders& folders, TSettings& settings) {
  switch (field.kind) {
    case FieldKind::kInteger:
      if (const auto number = DwordOf(value)) {
        field.integer(settings) = static_cast<std::int32_t>(*number);
        return true;
      }
      return false;
    case FieldKind::kFlagWord:
    case FieldKind::kFlagNumber:
      if (const auto number = DwordOf(value)) {
        field.flag(settings) = *number != 0;
        return true;
      }
      return false;
    case FieldKind::kText:
      if (value.type == RegistryType::kString) {
        field.text(settings) = TextOf(value);
        return true;
      }
      if (value.type == RegistryType::kExpandString) {
        field.text(settings) = folders.ExpandEnvironment(TextOf(value));
        return true;
      }
      return false;
  }
  return false;
}

}  // namespace

void PolicyOverrides::Apply(IRegistry& registry, IFolders& folders, TSettings& settings) {
  fields_.clear();
  const auto root = registry.OpenKeyForReading(RegistryRoot::LocalMachine, kPolicyKey);
  std::u16string_view openSection;
  std::unique_ptr<IRegistryKey> section;
  for (const SettingsField* field : PolicyFields()) {
    IRegistryKey* key = root.get();
    if (!field->section.empty()) {
      if (field->section != openSection) {
        openSection = field->section;
        section = registry.OpenKeyForReading(RegistryRoot::LocalMachine, Text(kPolicyKey) + u"\\" + Text(openSection));
      }
      key = section.get();
    }
    if (!key) continue;
    const auto value = key->ReadValue(field->element);
    if (!value) continue;
    TSettings candidate = settings;
    if (!Take(*field, *value, folders, candidate)) continue;
    CopySettingsField(*field, settings, fileValues_);
    CopySettingsField(*field, candidate, policyValues_);
    CopySettingsField(*field, candidate, settings);
    fields_.push_back(field);
  }
}

TSettings PolicyOverrides::FileSettings(const TSettings& effective) const {
  TSettings file = effective;
  for (const SettingsField* field : fields_) CopySettingsField(*field, fileValues_, file);
  return file;
}

void PolicyOverrides::Reapply(TSettings& settings) const {
  for (const SettingsField* field : fields_) CopySettingsField(*field, policyValues_, settings);
}

bool ControlSetByPolicy(const PolicyOverrides* policies, std::span<const PolicyControl> table,
                        std::string_view control) {
  if (!policies || policies->empty()) return false;
  for (const PolicyControl& entry : table) {
    if (entry.control != control) continue;
    std::string_view settings = entry.settings;
    while (!settings.empty()) {
      const auto comma = settings.find(',');
      if (policies->Overridden(settings.substr(0, comma))) return true;
      settings = comma == std::string_view::npos ? std::string_view() : settings.substr(comma + 1);
    }
  }
  return false;
}

bool PolicyOverrides::Overridden(std::string_view recordName) const {
  return std::any_of(fields_.begin(), fields_.end(),
                     [&](const SettingsField* field) { return field->recordName == recordName; });
}

}  // namespace lanthe
