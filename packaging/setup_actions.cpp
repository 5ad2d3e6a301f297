// The installer's own action: when Lanthe is removed while the Winlogon shell starts
// it, the shell becomes Explorer again, so that no workstation is left without one.
// Runs deferred, with the install folder as its CustomActionData, and says what it did
// in the install log.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "lockdown/winlogon.h"

namespace {

constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

class MsiRecord {
 public:
  explicit MsiRecord(unsigned fields) : handle_(::MsiCreateRecord(fields)) {}
  ~MsiRecord() {
    if (handle_) ::MsiCloseHandle(handle_);
  }
  MsiRecord(const MsiRecord&) = delete;
  MsiRecord& operator=(const MsiRecord&) = delete;
  MSIHANDLE get() const { return handle_; }

 private:
  MSIHANDLE handle_;
};

void Log(MSIHANDLE install, const std::wstring& text) {
  MsiRecord record(1);
  ::MsiRecordSetStringW(record.get(), 0, text.c_str());
  ::MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
  DWORD size = 0;
  wchar_t empty[1] = L"";
  ::MsiGetPropertyW(install, name, empty, &size);
  std::wstring value(size + 1, L'\0');
  size = static_cast<DWORD>(value.size());
  if (::MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return std::wstring();
  value.resize(size);
  return value;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall RestoreShell(MSIHANDLE install) {
  try {
    std::wstring folder = Property(install, L"CustomActionData");
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    const std::wstring program = folder + L"lanthe.exe";

    lanthe::win32::UniqueKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY,
                        key.put()) != ERROR_SUCCESS) {
      Log(install, L"Lanthe: the Winlogon key could not be opened; the shell is left as it is.");
      return ERROR_SUCCESS;
    }
    wchar_t shell[1024] = {};
    DWORD size = sizeof shell - sizeof(wchar_t);
    DWORD type = 0;
    const bool read = ::RegQueryValueExW(key.get(), L"shell", nullptr, &type, reinterpret_cast<BYTE*>(shell), &size) ==
                          ERROR_SUCCESS &&
                      (type == REG_SZ || type == REG_EXPAND_SZ);
    if (read && lanthe::ShellPointsTo(lanthe::win32::FromWide(shell), lanthe::win32::FromWide(program))) {
      const wchar_t explorer[] = L"Explorer.exe";
      const bool written = ::RegSetValueExW(key.get(), L"shell", 0, REG_SZ, reinterpret_cast<const BYTE*>(explorer),
                                            sizeof explorer) == ERROR_SUCCESS;
      Log(install, written ? L"Lanthe: the Windows shell was " + std::wstring(shell) +
                                 L"; it is Explorer.exe again, so that the workstation keeps a shell."
                           : L"Lanthe: the Windows shell is " + std::wstring(shell) +
                                 L" and could not be set back to Explorer.exe.");
    } else {
      Log(install, L"Lanthe: the Windows shell is " + std::wstring(read ? shell : L"(not set)") +
                       L", not this Lanthe; it is left as it is.");
    }
  } catch (...) {
    Log(install, L"Lanthe: the Windows shell could not be checked.");
  }
  // Never stops the uninstall.
  return ERROR_SUCCESS;
}
