// The network as the IP helper and Winsock see it: whether an interface is up, the
// system's change events, and whether a name resolves. Both DLLs are loaded at the
// first question (a start whose network is up asks once) and stay loaded: a query's
// thread may still be inside Winsock when the program ends.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

#include <mutex>
#include <optional>
#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

namespace {

template <typename Function>
Function Find(HMODULE module, const char* name) noexcept {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

struct IpHelper {
  using GetAdaptersAddressesFn = ULONG(WINAPI*)(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG);
  using NotifyIpInterfaceChangeFn = DWORD(WINAPI*)(ADDRESS_FAMILY, PIPINTERFACE_CHANGE_CALLBACK, PVOID, BOOLEAN,
                                                   HANDLE*);
  using NotifyUnicastIpAddressChangeFn = DWORD(WINAPI*)(ADDRESS_FAMILY, PUNICAST_IPADDRESS_CHANGE_CALLBACK, PVOID,
                                                        BOOLEAN, HANDLE*);
  using CancelMibChangeNotify2Fn = DWORD(WINAPI*)(HANDLE);
  GetAdaptersAddressesFn adapters;
  NotifyIpInterfaceChangeFn notifyInterfaces;
  NotifyUnicastIpAddressChangeFn notifyAddresses;
  CancelMibChangeNotify2Fn cancel;
};

const IpHelper& Helper() noexcept {
  static const HMODULE module = ::LoadLibraryExW(L"iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  static const IpHelper helper{Find<IpHelper::GetAdaptersAddressesFn>(module, "GetAdaptersAddresses"),
                               Find<IpHelper::NotifyIpInterfaceChangeFn>(module, "NotifyIpInterfaceChange"),
                               Find<IpHelper::NotifyUnicastIpAddressChangeFn>(module, "NotifyUnicastIpAddressChange"),
                               Find<IpHelper::CancelMibChangeNotify2Fn>(module, "CancelMibChangeNotify2")};
  return helper;
}

struct Winsock {
  using StartupFn = int(WSAAPI*)(WORD, LPWSADATA);
  using CleanupFn = int(WSAAPI*)();
  using GetAddrInfoWFn = INT(WSAAPI*)(PCWSTR, PCWSTR, const ADDRINFOW*, PADDRINFOW*);
  using FreeAddrInfoWFn = VOID(WSAAPI*)(PADDRINFOW);
  StartupFn startup;
  CleanupFn cleanup;
  GetAddrInfoWFn getAddrInfo;
  FreeAddrInfoWFn freeAddrInfo;
  bool usable() const noexcept { return startup && cleanup && getAddrInfo && freeAddrInfo; }
};

const Winsock& Sockets() noexcept {
  static const HMODULE module = ::LoadLibraryExW(L"ws2_32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  static const Winsock sockets{Find<Winsock::StartupFn>(module, "WSAStartup"),
                               Find<Winsock::CleanupFn>(module, "WSACleanup"),
                               Find<Winsock::GetAddrInfoWFn>(module, "GetAddrInfoW"),
                               Find<Winsock::FreeAddrInfoWFn>(module, "FreeAddrInfoW")};
  return sockets;
}

// A registration of NotifyIpInterfaceChange or NotifyUnicastIpAddressChange.
struct MibNotification {
  using Type = HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type handle) noexcept {
    if (Helper().cancel) Helper().cancel(handle);
  }
};
using UniqueMibNotification = UniqueResource<MibNotification>;

// Both registrations, calling `changed` from the system's thread. The callbacks are
// serialised, and CancelMibChangeNotify2 returns only once a running one is over (its
// page: it must not be called from the callback, which would deadlock), so nothing is
// called after the watch has gone. `changed` only posts: the window's thread, which
// cancels, is never waited for by it.
class Win32NetworkWatch final : public INetworkWatch {
 public:
  explicit Win32NetworkWatch(std::function<void()> changed) noexcept : changed_(std::move(changed)) {}
  ~Win32NetworkWatch() override {
    addresses_.reset();
    interfaces_.reset();
  }
  Win32NetworkWatch(const Win32NetworkWatch&) = delete;
  Win32NetworkWatch& operator=(const Win32NetworkWatch&) = delete;

  // Both, or none: an interface without its address change (a DHCP lease) is half the story.
  bool Start() noexcept {
    const IpHelper& helper = Helper();
    if (!helper.notifyInterfaces || !helper.notifyAddresses || !helper.cancel) return false;
    return helper.notifyInterfaces(AF_UNSPEC, &InterfaceChanged, this, FALSE, interfaces_.put()) == NO_ERROR &&
           helper.notifyAddresses(AF_UNSPEC, &AddressChanged, this, FALSE, addresses_.put()) == NO_ERROR;
  }

 private:
  static VOID NETIOAPI_API_ InterfaceChanged(PVOID context, PMIB_IPINTERFACE_ROW, MIB_NOTIFICATION_TYPE) {
    static_cast<Win32NetworkWatch*>(context)->Changed();
  }
  static VOID NETIOAPI_API_ AddressChanged(PVOID context, PMIB_UNICASTIPADDRESS_ROW, MIB_NOTIFICATION_TYPE) {
    static_cast<Win32NetworkWatch*>(context)->Changed();
  }
  void Changed() noexcept {
    try {
      changed_();
    } catch (...) {
    }
  }

  std::function<void()> changed_;
  UniqueMibNotification interfaces_;
  UniqueMibNotification addresses_;
};

// What a query and its thread share; whichever of them goes last frees it.
struct QueryShared {
  std::mutex mutex;
  std::optional<bool> answer;
  bool dropped = false;
  std::function<bool()> resolve;
  std::function<void()> answered;
  UniqueHandle done;  // set with the answer
};

DWORD WINAPI QueryThread(void* parameter) noexcept {
  const std::unique_ptr<std::shared_ptr<QueryShared>> owned(static_cast<std::shared_ptr<QueryShared>*>(parameter));
  QueryShared& shared = **owned;
  bool resolved = false;
  try {
    resolved = shared.resolve();
  } catch (...) {
  }
  // The answer is given under the lock: a query that goes away meanwhile waits for
  // the callback (which only posts) and then hears nothing more.
  const std::lock_guard<std::mutex> lock(shared.mutex);
  shared.answer = resolved;
  ::SetEvent(shared.done.get());
  if (!shared.dropped && shared.answered) {
    try {
      shared.answered();
    } catch (...) {
    }
  }
  return 0;
}

// Waits for the event; a thread with windows goes on answering what other threads
// send them. A process that has not loaded user32 has no windows: no need to load it.
void WaitAnsweringSentMessages(HANDLE event, DWORD milliseconds) noexcept {
  if (!::GetModuleHandleW(L"user32.dll")) {
    ::WaitForSingleObject(event, milliseconds);
    return;
  }
  const ULONGLONG until = ::GetTickCount64() + milliseconds;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= until) return;
    const DWORD result =
        ::MsgWaitForMultipleObjectsEx(1, &event, static_cast<DWORD>(until - now), QS_SENDMESSAGE, 0);
    if (result != WAIT_OBJECT_0 + 1) return;  // the answer, the time, or a failure
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // handles the sent ones
  }
}

class Win32NameQuery final : public INameQuery {
 public:
  explicit Win32NameQuery(std::shared_ptr<QueryShared> shared) noexcept : shared_(std::move(shared)) {}
  ~Win32NameQuery() override {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->dropped = true;
  }
  Win32NameQuery(const Win32NameQuery&) = delete;
  Win32NameQuery& operator=(const Win32NameQuery&) = delete;

  std::optional<bool> Answer(std::uint32_t waitMs) noexcept override {
    if (waitMs > 0) WaitAnsweringSentMessages(shared_->done.get(), waitMs);
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->answer;
  }

 private:
  std::shared_ptr<QueryShared> shared_;
};

}  // namespace

std::unique_ptr<INameQuery> StartNameQuery(std::function<bool()> resolve, std::function<void()> answered) noexcept {
  try {
    auto shared = std::make_shared<QueryShared>();
    shared->resolve = std::move(resolve);
    shared->answered = std::move(answered);
    shared->done.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!shared->done) return nullptr;
    auto parameter = std::make_unique<std::shared_ptr<QueryShared>>(shared);
    // A small stack, as the event log's writer: Wine counts the whole reservation as
    // committed memory.
    const UniqueHandle thread(::CreateThread(nullptr, 256 * 1024, QueryThread, parameter.get(),
                                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) return nullptr;
    parameter.release();  // the thread owns it now
    return std::make_unique<Win32NameQuery>(std::move(shared));
  } catch (...) {
    return nullptr;
  }
}

bool ResolvesNow(const std::wstring& name) noexcept {
  const Winsock& sockets = Sockets();
  if (!sockets.usable()) return true;
  // Each query starts and ends Winsock for itself: its thread may outlive the one that
  // asked, and the last WSACleanup of a process cancels every thread's calls (the page
  // of WSACleanup).
  WSADATA data{};
  if (sockets.startup(MAKEWORD(2, 2), &data) != 0) return false;  // the network's subsystem is not ready
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  ADDRINFOW* addresses = nullptr;
  // GetAddrInfoW blocks until the name servers answer or give up (its page): seconds
  // when none answers. Hence its own thread.
  const INT status = sockets.getAddrInfo(name.c_str(), nullptr, &hints, &addresses);
  if (status == 0 && addresses) sockets.freeAddrInfo(addresses);
  sockets.cleanup();
  return status == 0;
}

bool Win32Network::IsUp() noexcept {
  const auto list = Helper().adapters;
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

std::unique_ptr<INetworkWatch> Win32Network::WatchChanges(std::function<void()> changed) noexcept {
  try {
    auto watch = std::make_unique<Win32NetworkWatch>(std::move(changed));
    if (!watch->Start()) return nullptr;
    return watch;
  } catch (...) {
    return nullptr;
  }
}

std::unique_ptr<INameQuery> Win32Network::Resolve(TextView name, std::function<void()> answered) noexcept {
  try {
    if (!Sockets().usable()) return nullptr;
    return StartNameQuery([wide = ToWide(name)] { return ResolvesNow(wide); }, std::move(answered));
  } catch (...) {
    return nullptr;
  }
}

}  // namespace lanthe::win32
