// Local accounts and the workstation's name through the network management calls.

#include <windows.h>
#include <lm.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

UserEnumPage Win32Accounts::EnumerateUsers(TextView serverName, std::uint32_t& resumeHandle) noexcept {
  UserEnumPage page;
  try {
    const std::wstring server = ToWide(serverName);
    LPBYTE raw = nullptr;
    DWORD read = 0;
    DWORD total = 0;
    DWORD resume = resumeHandle;
    // An empty name is the local computer, which the call knows as no name at all.
    page.status =
        ::NetUserEnum(server.empty() ? nullptr : server.c_str(), 1, 0, &raw, 2048, &read, &total, &resume);
    const UniqueNetApiBuffer buffer(raw);
    resumeHandle = resume;
    if ((page.status == NERR_Success || page.status == ERROR_MORE_DATA) && buffer) {
      const auto* users = reinterpret_cast<const USER_INFO_1*>(buffer.get());
      for (DWORD i = 0; i < read; ++i) {
        page.accounts.push_back(UserAccount{FromWide(users[i].usri1_name ? users[i].usri1_name : L""),
                                            static_cast<std::uint32_t>(users[i].usri1_priv)});
      }
    }
  } catch (...) {
    page.status = ERROR_NOT_ENOUGH_MEMORY;
    page.accounts.clear();
  }
  return page;
}

std::optional<WorkstationInfo> Win32Accounts::GetWorkstationInfo() noexcept {
  LPBYTE raw = nullptr;
  if (::NetWkstaGetInfo(nullptr, 100, &raw) != NERR_Success) {
    if (raw) ::NetApiBufferFree(raw);
    return std::nullopt;
  }
  const UniqueNetApiBuffer buffer(raw);
  try {
    const auto* info = reinterpret_cast<const WKSTA_INFO_100*>(buffer.get());
    return WorkstationInfo{FromWide(info->wki100_computername ? info->wki100_computername : L""),
                           FromWide(info->wki100_langroup ? info->wki100_langroup : L"")};
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace lanthe::win32
