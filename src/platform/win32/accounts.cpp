// Local accounts and the computer's name through the network management and system
// information calls, trial log-ons, and the local security authority's private data.

#include <windows.h>
#include <lm.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

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

std::optional<Text> Win32Accounts::ComputerName() noexcept {
  try {
    // The NetBIOS name is what Winlogon and the account calls know the computer by;
    // unlike NetWkstaGetInfo, this call needs no Workstation service.
    std::wstring name(MAX_COMPUTERNAME_LENGTH + 1, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD size = static_cast<DWORD>(name.size());
      if (::GetComputerNameExW(ComputerNameNetBIOS, name.data(), &size)) {
        if (size == 0) return std::nullopt;
        return FromWide(std::wstring_view(name.data(), size));
      }
      // Too small: size now holds the length needed, its terminating NUL included.
      if (::GetLastError() != ERROR_MORE_DATA || size <= name.size()) return std::nullopt;
      name.assign(size, L'\0');
    }
    return std::nullopt;
  } catch (...) {
    return std::nullopt;
  }
}

std::uint32_t Win32Accounts::FindUser(TextView userName) noexcept {
  try {
    LPBYTE raw = nullptr;
    // Level 0 (the name alone) asks for the least; NERR_UserNotFound is NetUserGetInfo's
    // documented answer for an account that is not there.
    const NET_API_STATUS status = ::NetUserGetInfo(nullptr, ToWide(userName).c_str(), 0, &raw);
    const UniqueNetApiBuffer buffer(raw);
    return status;
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

namespace {

// A copy of a password that is wiped before its memory goes back.
class SecretText {
 public:
  explicit SecretText(TextView text) : text_(ToWide(text)) {}
  ~SecretText() { ::SecureZeroMemory(text_.data(), text_.size() * sizeof(wchar_t)); }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
  wchar_t* data() noexcept { return text_.data(); }
  std::size_t size() const noexcept { return text_.size(); }

 private:
  std::wstring text_;
};

}  // namespace

std::uint32_t Win32Accounts::AddUser(TextView userName, TextView password) noexcept {
  try {
    std::wstring name = ToWide(userName);
    SecretText secret(password);
    USER_INFO_1 user{};
    user.usri1_name = name.data();
    user.usri1_password = secret.data();
    user.usri1_priv = USER_PRIV_USER;
    // Without UF_DONT_EXPIRE_PASSWD the local policy lets the password expire after
    // 42 days, and the automatic log-on fails from then on.
    user.usri1_flags = UF_SCRIPT | UF_DONT_EXPIRE_PASSWD | UF_PASSWD_CANT_CHANGE;
    DWORD badParameter = 0;
    return ::NetUserAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&user), &badParameter);
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

std::uint32_t Win32Accounts::TryLogOn(TextView userName, TextView password) noexcept {
  try {
    const std::wstring name = ToWide(userName);
    SecretText secret(password);
    HANDLE raw = nullptr;
    // "." takes the account from the local account database only (LogonUserW's page);
    // an interactive log-on is what Winlogon does with these values.
    if (!::LogonUserW(name.c_str(), L".", secret.data(), LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &raw)) {
      const DWORD error = ::GetLastError();
      return error == 0 ? LogonStatus::kLogonFailure : error;
    }
    const UniqueHandle token(raw);
    return 0;
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

std::optional<Text> Win32Accounts::UsersGroupName() noexcept {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID raw = nullptr;
  if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0,
                                  0, 0, &raw)) {
    return std::nullopt;
  }
  const UniqueSid users(raw);
  wchar_t name[256] = {};
  wchar_t domain[256] = {};
  DWORD nameLength = 256;
  DWORD domainLength = 256;
  SID_NAME_USE use{};
  if (!::LookupAccountSidW(nullptr, users.get(), name, &nameLength, domain, &domainLength, &use)) {
    return std::nullopt;
  }
  try {
    const Text group = FromWideBuffer(name, 256);
    if (group.empty()) return std::nullopt;
    return group;
  } catch (...) {
    return std::nullopt;
  }
}

std::uint32_t Win32Accounts::AddLocalGroupMember(TextView groupName, TextView accountName) noexcept {
  try {
    const std::wstring group = ToWide(groupName);
    std::wstring account = ToWide(accountName);
    LOCALGROUP_MEMBERS_INFO_3 member{};
    member.lgrmi3_domainandname = account.data();
    return ::NetLocalGroupAddMembers(nullptr, group.c_str(), 3, reinterpret_cast<LPBYTE>(&member), 1);
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

Text Win32Accounts::DescribeStatus(std::uint32_t status) noexcept {
  const auto describe = [status](DWORD source, HMODULE module) -> Text {
    wchar_t* raw = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | source, module, status,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    if (length == 0 || !raw) return Text();
    const UniqueLocal buffer(raw);
    return FromWide(std::wstring_view(raw, length));
  };
  try {
    Text text = describe(FORMAT_MESSAGE_FROM_SYSTEM, nullptr);
    if (text.empty()) {
      // The network-management codes (2100 and above) have their texts in netmsg.dll.
      const UniqueLibrary netmsg(::LoadLibraryExW(L"netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
      if (netmsg) text = describe(FORMAT_MESSAGE_FROM_HMODULE, netmsg.get());
    }
    return text;
  } catch (...) {
    return Text();
  }
}

std::optional<UserDetails> Win32Accounts::GetUserDetails(TextView userName) noexcept {
  try {
    LPBYTE raw = nullptr;
    const NET_API_STATUS status = ::NetUserGetInfo(nullptr, ToWide(userName).c_str(), 1, &raw);
    const UniqueNetApiBuffer buffer(raw);
    if (status != NERR_Success || !buffer) return std::nullopt;
    const auto* user = reinterpret_cast<const USER_INFO_1*>(buffer.get());
    UserDetails details;
    details.privilege = static_cast<std::uint32_t>(user->usri1_priv);
    details.flags = static_cast<std::uint32_t>(user->usri1_flags);
    // Level 4 asks for more than level 1 and may be refused where level 1 is not
    // (NetUserGetInfo's page); its usri4_password_expired is nonzero both for an expired
    // password and for one that must be changed at the next log-on (USER_INFO_4's page,
    // and "Forcing a User to Change the Logon Password").
    LPBYTE rawFour = nullptr;
    const NET_API_STATUS four = ::NetUserGetInfo(nullptr, ToWide(userName).c_str(), 4, &rawFour);
    const UniqueNetApiBuffer bufferFour(rawFour);
    if (four == NERR_Success && bufferFour) {
      details.passwordExpired = reinterpret_cast<const USER_INFO_4*>(bufferFour.get())->usri4_password_expired != 0;
    }
    return details;
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<Text> Win32Accounts::AccountSid(TextView userName) noexcept {
  try {
    const auto computer = ComputerName();
    if (!computer || userName.empty()) return std::nullopt;
    // "domain\user" with this computer's name: the local account, never a domain one
    // of the same name (LookupAccountNameW's page).
    const std::wstring qualified = ToWide(*computer) + L"\\" + ToWide(userName);
    DWORD sidSize = 0;
    DWORD domainSize = 0;
    SID_NAME_USE use{};
    ::LookupAccountNameW(nullptr, qualified.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
    if (sidSize == 0 || domainSize == 0) return std::nullopt;
    std::vector<std::byte> sid(sidSize);
    std::wstring domain(domainSize, L'\0');
    if (!::LookupAccountNameW(nullptr, qualified.c_str(), sid.data(), &sidSize, domain.data(), &domainSize, &use) ||
        use != SidTypeUser) {
      return std::nullopt;
    }
    return SidText(sid.data());
  } catch (...) {
    return std::nullopt;
  }
}

PrivateData Win32SecretStore::ReadPrivateData(TextView keyName) noexcept {
  try {
    LSA_OBJECT_ATTRIBUTES attributes{};
    LSA_HANDLE raw = nullptr;
    // A program without full rights is refused here (STATUS_ACCESS_DENIED), which says
    // nothing about what is stored: only "not found" means that nothing is.
    if (::LsaOpenPolicy(nullptr, &attributes, POLICY_GET_PRIVATE_INFORMATION, &raw) != 0) return {};
    const UniqueLsaHandle policy(raw);
    std::wstring name = ToWide(keyName);
    if ((name.size() + 1) * sizeof(wchar_t) > 0xFFFF) return {};
    LSA_UNICODE_STRING nameString{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                                  static_cast<USHORT>((name.size() + 1) * sizeof(wchar_t)), name.data()};
    PLSA_UNICODE_STRING data = nullptr;
    const NTSTATUS status = ::LsaRetrievePrivateData(policy.get(), &nameString, &data);
    if (static_cast<std::uint32_t>(status) == LsaStatus::kObjectNameNotFound) return {SecretState::kNotStored, {}};
    if (status != 0 || !data) return {};
    PrivateData result{data->Length > 0 ? SecretState::kStored : SecretState::kNotStored, {}};
    try {
      if (data->Buffer) result.data = FromWide(std::wstring_view(data->Buffer, data->Length / sizeof(wchar_t)));
    } catch (...) {
      result = {};
    }
    // The system's copy of the secret is wiped before its memory goes back.
    if (data->Buffer) ::SecureZeroMemory(data->Buffer, data->MaximumLength);
    ::LsaFreeMemory(data);
    return result;
  } catch (...) {
    return {};
  }
}

namespace {

// Stores data (nullptr: deletes what is stored, and the name itself, as
// LsaStorePrivateData's page says) under the name; the call's NTSTATUS.
std::uint32_t StoreSecret(TextView keyName, SecretText* data) {
  LSA_OBJECT_ATTRIBUTES attributes{};  // reserved: all zero
  LSA_HANDLE raw = nullptr;
  const NTSTATUS opened = ::LsaOpenPolicy(nullptr, &attributes, POLICY_CREATE_SECRET, &raw);
  if (opened != 0) return static_cast<std::uint32_t>(opened);
  const UniqueLsaHandle policy(raw);
  std::wstring name = ToWide(keyName);
  if ((name.size() + 1) * sizeof(wchar_t) > 0xFFFF || (data && (data->size() + 1) * sizeof(wchar_t) > 0xFFFF)) {
    return LsaStatus::kInvalidParameter;
  }
  LSA_UNICODE_STRING nameString{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                                static_cast<USHORT>((name.size() + 1) * sizeof(wchar_t)), name.data()};
  if (!data) return static_cast<std::uint32_t>(::LsaStorePrivateData(policy.get(), &nameString, nullptr));
  LSA_UNICODE_STRING dataString{static_cast<USHORT>(data->size() * sizeof(wchar_t)),
                                static_cast<USHORT>((data->size() + 1) * sizeof(wchar_t)), data->data()};
  return static_cast<std::uint32_t>(::LsaStorePrivateData(policy.get(), &nameString, &dataString));
}

}  // namespace

std::uint32_t Win32SecretStore::DeletePrivateData(TextView keyName) noexcept {
  try {
    return StoreSecret(keyName, nullptr);
  } catch (...) {
    return LsaStatus::kNoMemory;
  }
}

std::uint32_t Win32SecretStore::StorePrivateData(TextView keyName, TextView data) noexcept {
  try {
    SecretText secret(data);
    return StoreSecret(keyName, &secret);
  } catch (...) {
    return LsaStatus::kNoMemory;
  }
}

}  // namespace lanthe::win32
