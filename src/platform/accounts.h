#pragma once
// Local accounts and the computer's own name, through the network management calls.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace lanthe {

// Result codes of the enumeration.
namespace NetStatus {
constexpr std::uint32_t kSuccess = 0;     // NERR_Success
constexpr std::uint32_t kMoreData = 234;  // ERROR_MORE_DATA
}  // namespace NetStatus

struct UserAccount {
  Text name;
  std::uint32_t privilege = 0;  // 0 guest, 1 user, 2 administrator
};

struct UserEnumPage {
  std::uint32_t status = 0;
  std::vector<UserAccount> accounts;  // the entries read by this call
};

struct WorkstationInfo {
  Text computerName;
  Text domainOrWorkgroup;
};

class IAccounts {
 public:
  virtual ~IAccounts() = default;
  // One call of the account enumeration (information level 1, every kind of account,
  // a preferred buffer of 2048 bytes) on the server of that name, continuing at
  // resumeHandle, which the call advances.
  virtual UserEnumPage EnumerateUsers(TextView serverName, std::uint32_t& resumeHandle) = 0;
  // The local computer's workstation information (level 100); nullopt on failure.
  virtual std::optional<WorkstationInfo> GetWorkstationInfo() = 0;
};

}  // namespace lanthe
