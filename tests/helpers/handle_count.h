#pragma once
// How many handles a process holds, for the tests and benchmarks that watch a long run
// for leaks. GetProcessHandleCount is what Windows offers; Wine 8 answers it with 0
// (for any process, the caller included), but its system-wide handle list
// (NtQuerySystemInformation, SystemHandleInformation) names each handle's process.

#include <windows.h>

#include <vector>

namespace lanthe::testing {

inline DWORD HandleCountOf(HANDLE process, DWORD processId) {
  DWORD count = 0;
  if (::GetProcessHandleCount(process, &count) && count > 0) return count;
  // One entry of the list, as Wine (and, with an owner below 65536, Windows) lays it out.
  struct Entry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ULONG access;
  };
  using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  constexpr ULONG kSystemHandleInformation = 16;
  std::vector<ULONG_PTR> buffer(64 * 1024);  // ULONG_PTR: aligned as the entries are
  for (int attempt = 0; attempt < 6; ++attempt) {
    ULONG needed = 0;
    const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
    if (query(kSystemHandleInformation, buffer.data(), bytes, &needed) == 0) {
      const auto entries = static_cast<ULONG>(buffer[0]);
      const auto* entry = reinterpret_cast<const Entry*>(buffer.data() + 1);
      count = 0;
      for (ULONG i = 0; i < entries; ++i) count += entry[i].ownerProcessId == processId;
      return count;
    }
    buffer.resize(buffer.size() * 4);  // the list grew meanwhile, or was larger than thought
  }
  return 0;
}

}  // namespace lanthe::testing
