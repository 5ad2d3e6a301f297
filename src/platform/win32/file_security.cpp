// The access lists of files and folders, read as data for the core to judge.

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

std::optional<Text> SidText(PSID sid) noexcept {
  if (!sid || !::IsValidSid(sid)) return std::nullopt;
  wchar_t* raw = nullptr;
  // The string comes from LocalAlloc (ConvertSidToStringSidW's page).
  if (!::ConvertSidToStringSidW(sid, &raw) || !raw) return std::nullopt;
  const UniqueLocal text(raw);
  try {
    return FromWide(raw);
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<AccessList> Win32FileSecurity::ReadAccessList(TextView path) noexcept {
  try {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    // The DACL alone needs only READ_CONTROL, which a limited user has on the program
    // folder; the owner and the SACL are not asked for. The DACL pointer points into
    // the descriptor, which the caller frees with LocalFree (GetNamedSecurityInfoW's page).
    const DWORD status = ::GetNamedSecurityInfoW(ToWide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                                 nullptr, nullptr, &dacl, nullptr, &raw);
    const UniqueLocal descriptor(raw);
    if (status != ERROR_SUCCESS || !descriptor) return std::nullopt;
    AccessList list;
    // No DACL at all: everybody may do everything.
    if (!dacl) {
      list.present = false;
      return list;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
      void* ace = nullptr;
      if (!::GetAce(dacl, i, &ace) || !ace) return std::nullopt;
      const auto* header = static_cast<const ACE_HEADER*>(ace);
      // ACCESS_ALLOWED_ACE and ACCESS_DENIED_ACE share their layout: header, mask, SID.
      if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) continue;
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      const std::optional<Text> trustee = SidText(&allowed->SidStart);
      if (!trustee) return std::nullopt;
      list.entries.push_back(AccessEntry{header->AceType == ACCESS_ALLOWED_ACE_TYPE,
                                         static_cast<std::uint32_t>(allowed->Mask),
                                         static_cast<std::uint8_t>(header->AceFlags), *trustee});
    }
    return list;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace lanthe::win32
