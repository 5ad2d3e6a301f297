#pragma once
// The registry as the program sees it: keys under the current user's and the local
// machine's root (the machine's also as 32-bit programs see it), and keys handed out
// by the group-policy object, holding string, double-word and binary values.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace lanthe {

// LocalMachine32 is HKEY_LOCAL_MACHINE in its 32-bit view (KEY_WOW64_32KEY): where
// 32-bit programs write, which 64-bit Windows keeps apart for most of SOFTWARE (the
// WOW6432Node that regedit shows). Lanthe is a 64-bit program, so LocalMachine is the
// 64-bit view. Microsoft's "Registry Keys Affected by WOW64" lists which keys differ;
// for the others both roots name the same key.
enum class RegistryRoot { CurrentUser, LocalMachine, LocalMachine32 };

// Value types with the numbers the registry itself uses.
namespace RegistryType {
constexpr std::uint32_t kString = 1;        // REG_SZ
constexpr std::uint32_t kExpandString = 2;  // REG_EXPAND_SZ
constexpr std::uint32_t kBinary = 3;        // REG_BINARY
constexpr std::uint32_t kDword = 4;         // REG_DWORD
}  // namespace RegistryType

struct RegistryValue {
  std::uint32_t type = RegistryType::kBinary;
  std::vector<std::uint8_t> data;
};

// An open key. Closing happens when the object goes away.
class IRegistryKey {
 public:
  virtual ~IRegistryKey() = default;
  // The value's type and bytes; nullopt when the value does not exist or cannot be read.
  virtual std::optional<RegistryValue> ReadValue(TextView name) = 0;
  // Each write reports whether the value was stored.
  virtual bool WriteString(TextView name, TextView value) = 0;
  virtual bool WriteDword(TextView name, std::uint32_t value) = 0;
  virtual bool WriteBinary(TextView name, const std::vector<std::uint8_t>& value) = 0;
  // Removes the value; true when it is gone afterwards (also when it was never there).
  virtual bool DeleteValue(TextView name) = 0;
  // A key below this one, opened for full access and created when missing; nullptr
  // when it can be neither opened nor created.
  virtual std::unique_ptr<IRegistryKey> CreateSubKey(TextView path) = 0;
  // An existing key below this one, opened for full access without creating it;
  // nullptr when it is missing or cannot be opened so. Keys that hand out no sub keys
  // this way answer nullptr.
  virtual std::unique_ptr<IRegistryKey> OpenSubKey(TextView path) {
    static_cast<void>(path);
    return nullptr;
  }
  // The names of the key's values (the default value's is empty), in the registry's
  // order; empty when there are none or they cannot be listed. Keys that are only
  // ever written (the group-policy object's sections) may keep this default.
  virtual std::vector<Text> ValueNames() { return {}; }
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens an existing key for full access without creating it; nullptr when the key
  // does not exist or the user may not open it so. Paths may be written with leading
  // and trailing backslashes ("\SOFTWARE\Citrix\PNAgent\"): they count from the root.
  virtual std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot root, TextView path) = 0;
  // Opens a key for full access, creating it when missing; nullptr on failure.
  virtual std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot root, TextView path) = 0;
  // Opens an existing key only to read it (a limited user reads the policies this
  // way); nullptr when it does not exist or may not be read.
  virtual std::unique_ptr<IRegistryKey> OpenKeyForReading(RegistryRoot root, TextView path) = 0;
};

// A string value's text: REG_SZ and REG_EXPAND_SZ data up to the first NUL, not
// expanded. nullopt when the value is missing or of another type.
std::optional<Text> ReadStringValue(IRegistryKey& key, TextView name);
std::optional<Text> StringValueText(const RegistryValue& value);

// UTF-16 little-endian bytes of a text with its terminating NUL, as string values are stored.
std::vector<std::uint8_t> StringValueBytes(TextView text);

}  // namespace lanthe
