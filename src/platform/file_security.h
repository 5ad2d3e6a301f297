#pragma once
// Who may do what with a file or folder: its access list (the DACL) as data, so that
// what Lanthe concludes from it is decided, and tested, in the core. Wine enforces no
// access lists, so only a real Windows shows what they are worth.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace lanthe {

// The rights of an access mask as Windows numbers them: the file-specific ones ("File
// Access Rights Constants"), the standard ones and the generic ones (ACCESS_MASK).
namespace FileRight {
constexpr std::uint32_t kWriteData = 0x2;         // FILE_WRITE_DATA; on a folder FILE_ADD_FILE
constexpr std::uint32_t kAppendData = 0x4;        // FILE_APPEND_DATA; on a folder FILE_ADD_SUBDIRECTORY
constexpr std::uint32_t kDeleteChild = 0x40;      // FILE_DELETE_CHILD: a folder's files, whatever their own lists say
constexpr std::uint32_t kDelete = 0x10000;        // DELETE
constexpr std::uint32_t kWriteDac = 0x40000;      // WRITE_DAC: change the permissions
constexpr std::uint32_t kWriteOwner = 0x80000;    // WRITE_OWNER: take ownership
constexpr std::uint32_t kAllAccess = 0x1F01FF;    // FILE_ALL_ACCESS
constexpr std::uint32_t kGenericWriteMapped = 0x120116;  // FILE_GENERIC_WRITE
constexpr std::uint32_t kGenericAll = 0x10000000;    // GENERIC_ALL
constexpr std::uint32_t kGenericWrite = 0x40000000;  // GENERIC_WRITE
}  // namespace FileRight

// The flags of an entry (ACE_HEADER's AceFlags) that matter here.
namespace AceFlag {
constexpr std::uint8_t kObjectInherit = 0x1;
constexpr std::uint8_t kContainerInherit = 0x2;
constexpr std::uint8_t kInheritOnly = 0x8;  // passed on to what the folder holds, not for the folder itself
constexpr std::uint8_t kInherited = 0x10;
}  // namespace AceFlag

// One entry of an access list.
struct AccessEntry {
  bool allow = true;       // ACCESS_ALLOWED_ACE_TYPE; false for ACCESS_DENIED_ACE_TYPE
  std::uint32_t mask = 0;  // the rights, generic ones as stored
  std::uint8_t flags = 0;  // AceFlag bits
  Text trustee;            // the SID in its string form: "S-1-5-32-545"

  bool operator==(const AccessEntry&) const = default;
};

struct AccessList {
  // False for a NULL DACL, which lets everybody do everything; an empty list lets
  // nobody do anything (GetSecurityDescriptorDacl's page tells the two apart).
  bool present = true;
  // In the list's order, which is the order Windows' access check reads them in.
  // Entries of other kinds (object and callback entries) are left out.
  std::vector<AccessEntry> entries;

  bool operator==(const AccessList&) const = default;
};

class IFileSecurity {
 public:
  virtual ~IFileSecurity() = default;
  // The access list of a file or folder; nullopt when it cannot be read (no such
  // path, or no right to read its permissions).
  virtual std::optional<AccessList> ReadAccessList(TextView path) = 0;
};

}  // namespace lanthe
