// Whether an interface is up, through the IP helper's adapter list. The helper is
// loaded when first asked: a start whose network is up asks once.

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include <vector>

#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

namespace {

using GetAdaptersAddressesFn = ULONG(WINAPI*)(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG);

GetAdaptersAddressesFn AdapterListFunction() noexcept {
  static const UniqueLibrary helper(::LoadLibraryExW(L"iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  static const auto function = helper ? reinterpret_cast<GetAdaptersAddressesFn>(reinterpret_cast<void*>(
                                            ::GetProcAddress(helper.get(), "GetAdaptersAddresses")))
                                      : nullptr;
  return function;
}

}  // namespace

bool Win32Network::IsUp() noexcept {
  const GetAdaptersAddressesFn list = AdapterListFunction();
  // Without a way to tell, the session is not held up.
  if (!list) return true;
  try {
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
      buffer.resize(size);
      result = list(AF_UNSPEC, kFlags, nullptr, reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data()), &size);
    }
    if (result == ERROR_NO_DATA) return false;
    if (result != ERROR_SUCCESS) return true;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
         adapter = adapter->Next) {
      if (adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK || adapter->IfType == IF_TYPE_TUNNEL) continue;
      if (adapter->OperStatus != IfOperStatusUp) continue;
      if (adapter->FirstUnicastAddress) return true;
    }
    return false;
  } catch (...) {
    return true;
  }
}

}  // namespace lanthe::win32
