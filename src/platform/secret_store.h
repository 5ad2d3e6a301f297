#pragma once
// The Local Security Authority's private data: where Windows keeps secrets such as the
// password of the automatic log-on, readable only by the system.

#include <cstdint>

#include "platform/text.h"

namespace lanthe {

namespace LsaStatus {
constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kObjectNameNotFound = 0xC0000034;  // STATUS_OBJECT_NAME_NOT_FOUND
constexpr std::uint32_t kAccessDenied = 0xC0000022;        // STATUS_ACCESS_DENIED
constexpr std::uint32_t kInvalidParameter = 0xC000000D;    // STATUS_INVALID_PARAMETER
constexpr std::uint32_t kNoMemory = 0xC0000017;            // STATUS_NO_MEMORY
}  // namespace LsaStatus

// Whether private data is stored, as far as the caller may know: reading it needs full
// administrator rights (an elevated program, or SYSTEM).
enum class SecretState { kStored, kNotStored, kCannotTell };

struct PrivateData {
  SecretState state = SecretState::kCannotTell;
  Text data;  // when stored
};

class ISecretStore {
 public:
  virtual ~ISecretStore() = default;
  // Stores data as the local policy's private data of that name (LsaOpenPolicy with
  // POLICY_CREATE_SECRET, then LsaStorePrivateData). The status the system gave.
  virtual std::uint32_t StorePrivateData(TextView keyName, TextView data) = 0;
  // The private data of that name (LsaRetrievePrivateData): kStored with the data
  // when it holds any; kNotStored when none, or empty data, is stored under the name;
  // kCannotTell when the policy or the data may not be read (access denied: a program
  // without full rights) or the system gives another failure.
  virtual PrivateData ReadPrivateData(TextView keyName) = 0;
  // Removes the private data of that name and its key (LsaStorePrivateData without
  // data). The status the system gave; kObjectNameNotFound when none was stored.
  virtual std::uint32_t DeletePrivateData(TextView keyName) = 0;
};

}  // namespace lanthe
