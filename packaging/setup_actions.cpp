// The installer's own actions, each deferred and run as the installer's service
// (SYSTEM), with the install folder as its CustomActionData (a deferred action reads no
// other property: "Obtaining Context Information for Deferred Execution Custom
// Actions"). Each says every step in the install log (MsiProcessMessage with
// INSTALLMESSAGE_INFO: a line for the log, shown to nobody) and never fails the install
// or the uninstall: they return ERROR_SUCCESS whatever a step found.
//   RestoreShell       an uninstall: a Winlogon shell that starts this Lanthe becomes
//                      Explorer again, so that no workstation is left without one.
//   RegisterApplyTask  APPLYATSTARTUP=1: the start-up task "Lanthe apply".
//   UndoLockdown       an uninstall: the lockdown's own steps back (automatic log-on,
//                      policies, the start-up task), through the lockdown unit.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "config/policy_overrides.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "lockdown/winlogon.h"
#include "lockdown/workstation.h"
#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

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

// The install folder, ending with a backslash.
std::wstring InstallFolder(MSIHANDLE install) {
  std::wstring folder = Property(install, L"CustomActionData");
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

// Every step of the lockdown unit as a line of the install log.
class InstallLog final : public lanthe::ILockdownReport {
 public:
  explicit InstallLog(MSIHANDLE install) : install_(install) {}
  void Done(lanthe::TextView step, lanthe::TextView what) override { Line(step, what); }
  void Tell(lanthe::TextView step, lanthe::LockdownNotice, lanthe::TextView text) override { Line(step, text); }

 private:
  void Line(lanthe::TextView step, lanthe::TextView text) {
    Log(install_, L"Lanthe: " + lanthe::win32::ToWide(step) + L": " + lanthe::win32::ToWide(text));
  }
  MSIHANDLE install_;
};

// A file name of the temporary folder, made empty by GetTempFileNameW and deleted with
// this object.
class TemporaryFile {
 public:
  TemporaryFile() {
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length > 0 && length <= MAX_PATH && ::GetTempFileNameW(folder, L"lan", 0, name) != 0) path_ = name;
  }
  ~TemporaryFile() {
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// The settings the installed Lanthe applies: the folder's settings.xml, read by the
// program's own loader with the folder as the program directory, and the machine's
// policies over it.
lanthe::TSettings InstalledSettings(MSIHANDLE install, lanthe::Platform& platform, const std::wstring& folder) {
  using namespace lanthe;
  const Text program = win32::FromWide(folder) + u"lanthe.exe";
  const Text file = win32::FromWide(folder) + kSettingsFileName;
  TSettings settings;
  SetDefaultSettings(settings, platform.folders, program, u"");
  constexpr wchar_t kDefaults[] = L"; the defaults count, with the policies over them.";
  switch (SettingsFile(platform.files, platform.codePage, platform.folders).Load(file, settings)) {
    case SettingsLoadOutcome::kMissing:
      Log(install, L"Lanthe: there is no " + win32::ToWide(file) + kDefaults);
      break;
    case SettingsLoadOutcome::kRejected:
      Log(install, L"Lanthe: " + win32::ToWide(file) + L" is damaged" + kDefaults);
      break;
    case SettingsLoadOutcome::kLoaded: break;
  }
  PolicyOverrides().Apply(platform.registry, platform.folders, settings);
  return settings;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall RestoreShell(MSIHANDLE install) {
  try {
    const std::wstring program = InstallFolder(install) + L"lanthe.exe";

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

// Registers the start-up task from a definition written to a temporary file, as
// schtasks.exe /create takes it ("schtasks create": /xml with /f replaces a task of
// that name, so a new install with APPLYATSTARTUP=1 renews it).
extern "C" __declspec(dllexport) UINT __stdcall RegisterApplyTask(MSIHANDLE install) {
  try {
    const std::wstring folder = InstallFolder(install);
    lanthe::win32::Win32Platform machine;
    lanthe::Platform platform = machine.platform();
    InstallLog log(install);
    const TemporaryFile definition;
    if (definition.path().empty()) {
      Log(install, L"Lanthe: task: no temporary file could be made; the start-up task is not registered.");
    } else {
      lanthe::WorkstationLockdown(platform, log)
          .RegisterStartupTask(lanthe::win32::FromWide(folder + L"lanthe-config.exe"),
                               lanthe::win32::FromWide(definition.path()));
    }
  } catch (...) {
    Log(install, L"Lanthe: task: the start-up task could not be registered.");
  }
  return ERROR_SUCCESS;
}

// An uninstall gives the workstation back: each step of the lockdown unit, whatever
// became of the one before, each in the log; the account and the files stay.
extern "C" __declspec(dllexport) UINT __stdcall UndoLockdown(MSIHANDLE install) {
  try {
    const std::wstring folder = InstallFolder(install);
    // The policy objects are COM objects of this thread, released before this scope ends.
    const lanthe::win32::ComScope com;
    lanthe::win32::Win32Platform machine;
    lanthe::Platform platform = machine.platform();
    InstallLog log(install);
    const lanthe::TSettings settings = InstalledSettings(install, platform, folder);
    lanthe::WorkstationLockdown(platform, log).RemoveAll(settings);
  } catch (...) {
    Log(install, L"Lanthe: the lockdown could not be undone.");
  }
  return ERROR_SUCCESS;
}
