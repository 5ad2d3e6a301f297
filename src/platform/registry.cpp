#include "platform/registry.h"

namespace lanthe {

std::optional<Text> ReadStringValue(IRegistryKey& key, TextView name) {
  const auto value = key.ReadValue(name);
  if (!value) return std::nullopt;
  return StringValueText(*value);
}

std::optional<Text> StringValueText(const RegistryValue& value) {
  if (value.type != RegistryType::kString && value.type != RegistryType::kExpandString) return std::nullopt;
  Text text;
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    const auto c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::vector<std::uint8_t> StringValueBytes(TextView text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

}  // namespace lanthe
