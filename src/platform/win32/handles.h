#pragma once
// Owners for the handles, keys, SIDs and buffers the Win32 layer gets from the
// system. One template holds a value and knows its empty value and how to let it
// go; each kind of resource is one traits struct and one alias below.

#include <windows.h>
#include <lm.h>
#include <ntsecapi.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <utility>

namespace lanthe::win32 {

// Traits: `Type`, `static Type Empty() noexcept`, `static void Close(Type) noexcept`.
template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() noexcept = default;
  explicit UniqueResource(Type value) noexcept : value_(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  Type get() const noexcept { return value_; }
  bool valid() const noexcept { return value_ != Traits::Empty(); }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership without closing.
  Type release() noexcept { return std::exchange(value_, Traits::Empty()); }

  void reset(Type value = Traits::Empty()) noexcept {
    const Type old = std::exchange(value_, value);
    if (old != Traits::Empty()) Traits::Close(old);
  }

  // For out-parameters: closes what is held and hands out the slot to fill.
  Type* put() noexcept {
    reset();
    return &value_;
  }

 private:
  Type value_ = Traits::Empty();
};

namespace traits {

// Process, thread, token, event handles: NULL when absent.
struct KernelHandle {
  using Type = HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::CloseHandle(h); }
};

// File and toolhelp snapshot handles: INVALID_HANDLE_VALUE when absent.
struct FileHandle {
  using Type = HANDLE;
  static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct RegistryKey {
  using Type = HKEY;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type key) noexcept { ::RegCloseKey(key); }
};

struct FindHandle {
  using Type = HANDLE;
  static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { ::FindClose(h); }
};

// SIDs made by AllocateAndInitializeSid.
struct AllocatedSid {
  using Type = PSID;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type sid) noexcept { ::FreeSid(sid); }
};

struct NetApiBuffer {
  using Type = LPBYTE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type buffer) noexcept { ::NetApiBufferFree(buffer); }
};

// Policy handles of the local security authority.
struct LsaHandle {
  using Type = LSA_HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type handle) noexcept { ::LsaClose(handle); }
};

// Buffers the system allocated with LocalAlloc (FormatMessageW's, for example).
struct LocalMemory {
  using Type = HLOCAL;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type memory) noexcept { ::LocalFree(memory); }
};

// Modules loaded with LoadLibraryExW.
struct Library {
  using Type = HMODULE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type module) noexcept { ::FreeLibrary(module); }
};

// Event sources opened with RegisterEventSourceW.
struct EventSource {
  using Type = HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type source) noexcept { ::DeregisterEventSource(source); }
};

// Event logs opened for reading with OpenEventLogW.
struct EventLogHandle {
  using Type = HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type log) noexcept { ::CloseEventLog(log); }
};

struct Icon {
  using Type = HICON;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type icon) noexcept { ::DestroyIcon(icon); }
};

template <typename Object>
struct GdiObject {
  using Type = Object;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type object) noexcept { ::DeleteObject(object); }
};

}  // namespace traits

using UniqueHandle = UniqueResource<traits::KernelHandle>;
using UniqueFile = UniqueResource<traits::FileHandle>;
using UniqueSnapshot = UniqueResource<traits::FileHandle>;
using UniqueKey = UniqueResource<traits::RegistryKey>;
using UniqueFind = UniqueResource<traits::FindHandle>;
using UniqueSid = UniqueResource<traits::AllocatedSid>;
using UniqueNetApiBuffer = UniqueResource<traits::NetApiBuffer>;
using UniqueIcon = UniqueResource<traits::Icon>;
using UniqueLsaHandle = UniqueResource<traits::LsaHandle>;
using UniqueLocal = UniqueResource<traits::LocalMemory>;
using UniqueLibrary = UniqueResource<traits::Library>;
using UniqueEventSource = UniqueResource<traits::EventSource>;
using UniqueEventLog = UniqueResource<traits::EventLogHandle>;
template <typename Object>
using UniqueGdi = UniqueResource<traits::GdiObject<Object>>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueBitmap = UniqueGdi<HBITMAP>;

// Both handles CreateProcessW hands back.
class UniqueProcessInformation {
 public:
  UniqueProcessInformation() noexcept = default;
  ~UniqueProcessInformation() { reset(); }
  UniqueProcessInformation(UniqueProcessInformation&& other) noexcept
      : info_(std::exchange(other.info_, PROCESS_INFORMATION{})) {}
  UniqueProcessInformation& operator=(UniqueProcessInformation&& other) noexcept {
    if (this != &other) {
      reset();
      info_ = std::exchange(other.info_, PROCESS_INFORMATION{});
    }
    return *this;
  }
  UniqueProcessInformation(const UniqueProcessInformation&) = delete;
  UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;

  PROCESS_INFORMATION* put() noexcept {
    reset();
    return &info_;
  }
  HANDLE process() const noexcept { return info_.hProcess; }
  HANDLE thread() const noexcept { return info_.hThread; }
  DWORD processId() const noexcept { return info_.dwProcessId; }

  void closeThread() noexcept {
    if (info_.hThread) ::CloseHandle(std::exchange(info_.hThread, nullptr));
  }
  void reset() noexcept {
    closeThread();
    if (info_.hProcess) ::CloseHandle(std::exchange(info_.hProcess, nullptr));
    info_ = PROCESS_INFORMATION{};
  }

 private:
  PROCESS_INFORMATION info_{};
};

// COM for the program's one GUI thread, set up by the first call that needs it (a
// group-policy object, a shell link) and kept until the program ends: a start that
// needs no COM object never loads it.
void EnsureCom() noexcept;

// COM for this thread as a single-threaded apartment, for as long as the object
// lives. When the thread already runs in another apartment model, COM stays as it
// was and is not uninitialised here either.
class ComScope {
 public:
  // flags: the COINIT_ flags, a single-threaded apartment among them.
  explicit ComScope(DWORD flags = COINIT_APARTMENTTHREADED) noexcept : result_(::CoInitializeEx(nullptr, flags)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

  bool initialized() const noexcept { return SUCCEEDED(result_); }
  HRESULT result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

}  // namespace lanthe::win32
