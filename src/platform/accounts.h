#pragma once
// Local accounts and the computer's own name, through the network management calls,
// and a trial log-on of a local account.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace lanthe {

// Result codes of the enumeration.
namespace NetStatus {
constexpr std::uint32_t kSuccess = 0;             // NERR_Success
constexpr std::uint32_t kAccessDenied = 5;        // ERROR_ACCESS_DENIED
constexpr std::uint32_t kInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
constexpr std::uint32_t kMoreData = 234;          // ERROR_MORE_DATA
constexpr std::uint32_t kNoneMapped = 1332;       // ERROR_NONE_MAPPED
constexpr std::uint32_t kMemberInAlias = 1378;    // ERROR_MEMBER_IN_ALIAS: already a member
constexpr std::uint32_t kNoSuchMember = 1387;     // ERROR_NO_SUCH_MEMBER
constexpr std::uint32_t kBadUsername = 2202;      // NERR_BadUsername
constexpr std::uint32_t kGroupNotFound = 2220;    // NERR_GroupNotFound
constexpr std::uint32_t kUserNotFound = 2221;     // NERR_UserNotFound
constexpr std::uint32_t kGroupExists = 2223;      // NERR_GroupExists
constexpr std::uint32_t kUserExists = 2224;       // NERR_UserExists
constexpr std::uint32_t kPasswordTooShort = 2245; // NERR_PasswordTooShort: the password policy refused it
}  // namespace NetStatus

// Why a trial log-on failed: the Win32 error codes LogonUserW leaves.
namespace LogonStatus {
constexpr std::uint32_t kLogonFailure = 1326;        // ERROR_LOGON_FAILURE: unknown name or wrong password
constexpr std::uint32_t kAccountRestriction = 1327;  // ERROR_ACCOUNT_RESTRICTION
constexpr std::uint32_t kInvalidLogonHours = 1328;   // ERROR_INVALID_LOGON_HOURS
constexpr std::uint32_t kInvalidWorkstation = 1329;  // ERROR_INVALID_WORKSTATION
constexpr std::uint32_t kPasswordExpired = 1330;     // ERROR_PASSWORD_EXPIRED
constexpr std::uint32_t kAccountDisabled = 1331;     // ERROR_ACCOUNT_DISABLED
constexpr std::uint32_t kLogonTypeNotGranted = 1385; // ERROR_LOGON_TYPE_NOT_GRANTED
constexpr std::uint32_t kAccountExpired = 1793;      // ERROR_ACCOUNT_EXPIRED
constexpr std::uint32_t kPasswordMustChange = 1907;  // ERROR_PASSWORD_MUST_CHANGE
constexpr std::uint32_t kAccountLockedOut = 1909;    // ERROR_ACCOUNT_LOCKED_OUT
}  // namespace LogonStatus

struct UserAccount {
  Text name;
  std::uint32_t privilege = 0;  // 0 guest, 1 user, 2 administrator
};

struct UserEnumPage {
  std::uint32_t status = 0;
  std::vector<UserAccount> accounts;  // the entries read by this call
};

// An account as NetUserGetInfo tells it: level 1 the privilege and the flags, level 4
// whether the password has expired.
struct UserDetails {
  std::uint32_t privilege = 0;  // 0 guest, 1 user, 2 administrator
  std::uint32_t flags = 0;      // UF_ flags
  // The password has expired, or must be changed at the next log-on (USER_INFO_4's
  // usri4_password_expired holds both); nullopt when level 4 cannot be read.
  std::optional<bool> passwordExpired;
};

// Account flags (USER_INFO_1's page): the account is disabled (UF_ACCOUNTDISABLE), it
// is locked out after too many wrong passwords (UF_LOCKOUT), its password never
// expires (UF_DONT_EXPIRE_PASSWD).
inline constexpr std::uint32_t kAccountDisabledFlag = 0x2;
inline constexpr std::uint32_t kLockedOutFlag = 0x10;
inline constexpr std::uint32_t kPasswordNeverExpires = 0x10000;

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
  // The local computer's workstation information (level 100); nullopt on failure. It
  // needs the Workstation service: only the wizard's domain or workgroup comes from here.
  virtual std::optional<WorkstationInfo> GetWorkstationInfo() = 0;
  // This computer's NetBIOS name (GetComputerNameExW, ComputerNameNetBIOS), which needs
  // no service; nullopt on failure.
  virtual std::optional<Text> ComputerName() = 0;

  // Adds a local account (NetUserAdd, level 1) with user rights whose password never
  // expires and cannot be changed by its user. The system's status code.
  virtual std::uint32_t AddUser(TextView userName, TextView password) = 0;
  // The name of the built-in Users group (S-1-5-32-545) in the system's language;
  // nullopt when the system cannot name it.
  virtual std::optional<Text> UsersGroupName() = 0;
  // Makes the account ("COMPUTER\name" or "name") a member of the local group
  // (NetLocalGroupAddMembers, level 3). The system's status code; kMemberInAlias when
  // it is a member already.
  virtual std::uint32_t AddLocalGroupMember(TextView groupName, TextView accountName) = 0;
  // The system's own words for a status code; empty when it has none.
  virtual Text DescribeStatus(std::uint32_t status) = 0;
  // The local account of that name (NetUserGetInfo level 1, then level 4); nullopt
  // when there is none (or level 1 cannot be read).
  virtual std::optional<UserDetails> GetUserDetails(TextView userName) = 0;
  // Whether a local account of that name exists, as Windows compares account names
  // (NetUserGetInfo on this computer): kSuccess when it does, kUserNotFound when it
  // does not, any other status when the system cannot tell.
  virtual std::uint32_t FindUser(TextView userName) = 0;
  // Logs the local account on interactively with the password and lets the log-on go
  // again: 0 when it logs on, otherwise the system's error code (LogonStatus). Every
  // failed try counts against the account-lockout policy.
  virtual std::uint32_t TryLogOn(TextView userName, TextView password) = 0;
  // The security identifier of the local user account of that name, as text
  // ("S-1-5-21-..."); nullopt when this computer has no such user account.
  virtual std::optional<Text> AccountSid(TextView userName) = 0;
};

}  // namespace lanthe
