#include "platform/win32/win32_platform.h"

#include <atomic>
#include <climits>
#include <string>
#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/shared_functions.h"
#include "platform/win32/wide.h"

#include <shellapi.h>

namespace lanthe::win32 {

namespace {

// Runs body and turns any exception into the failure value. Only the text and
// buffer allocations can throw here; the system calls report through return codes.
template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// ---- Registry ---------------------------------------------------------------

HKEY RootKey(RegistryRoot root) noexcept {
  return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// Microsoft's "Accessing an Alternate Registry View": the flag goes with every key
// opened or created below one of that view, not only with the first.
REGSAM ViewOf(RegistryRoot root) noexcept { return root == RegistryRoot::LocalMachine32 ? KEY_WOW64_32KEY : 0; }

// "\SOFTWARE\Citrix\PNAgent\" names the same key as "SOFTWARE\Citrix\PNAgent": the
// registry functions refuse a leading backslash, and a trailing one is not part of
// the name either.
TextView TrimBackslashes(TextView path) noexcept {
  while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  return path;
}

std::unique_ptr<IRegistryKey> OwnKey(HKEY raw, REGSAM view = 0) noexcept;

class Win32RegistryKey final : public IRegistryKey {
 public:
  Win32RegistryKey(UniqueKey key, REGSAM view) noexcept : key_(std::move(key)), view_(view) {}

  std::optional<RegistryValue> ReadValue(TextView name) noexcept override {
    return Guarded<std::optional<RegistryValue>>(std::nullopt, [&]() -> std::optional<RegistryValue> {
      const std::wstring valueName = ToWide(name);
      DWORD type = 0;
      DWORD size = 0;
      if (::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS) {
        return std::nullopt;
      }
      // Between the two calls the value may grow; then ask again with the new size.
      RegistryValue value;
      for (int attempt = 0; attempt < 8; ++attempt) {
        value.data.resize(size);
        BYTE none = 0;
        BYTE* data = value.data.empty() ? &none : value.data.data();
        DWORD got = size;
        const LSTATUS status =
            ::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, data, &got);
        if (status == ERROR_SUCCESS) {
          value.data.resize(got);
          value.type = type;
          return value;
        }
        if (status != ERROR_MORE_DATA) return std::nullopt;
        size = got;
      }
      return std::nullopt;
    });
  }

  bool WriteString(TextView name, TextView value) noexcept override {
    return Guarded(false, [&] {
      const std::wstring text = ToWide(value);
      const auto bytes = (text.size() + 1) * sizeof(wchar_t);
      return Write(name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    });
  }

  bool WriteDword(TextView name, std::uint32_t value) noexcept override {
    const DWORD data = value;
    return Write(name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  }

  bool WriteBinary(TextView name, const std::vector<std::uint8_t>& value) noexcept override {
    return Write(name, REG_BINARY, value.data(), value.size());
  }

  bool DeleteValue(TextView name) noexcept override {
    return Guarded(false, [&] {
      const LSTATUS status = ::RegDeleteValueW(key_.get(), ToWide(name).c_str());
      return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    });
  }

  std::unique_ptr<IRegistryKey> CreateSubKey(TextView path) noexcept override {
    return Guarded<std::unique_ptr<IRegistryKey>>(nullptr, [&]() -> std::unique_ptr<IRegistryKey> {
      const std::wstring subKey = ToWide(TrimBackslashes(path));
      HKEY raw = nullptr;
      if (::RegCreateKeyExW(key_.get(), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS | view_, nullptr, &raw, nullptr) != ERROR_SUCCESS) {
        return nullptr;
      }
      return OwnKey(raw, view_);
    });
  }

  std::vector<Text> ValueNames() noexcept override {
    return Guarded(std::vector<Text>(), [&] {
      std::vector<Text> names;
      // Room for the longest name the registry allows (16,383 characters, Microsoft's
      // "Registry Element Size Limits") and its NUL.
      std::wstring name(16384, L'\0');
      for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS status =
            ::RegEnumValueW(key_.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS at the end
        names.push_back(FromWide(std::wstring_view(name.data(), length)));
      }
      return names;
    });
  }

  std::unique_ptr<IRegistryKey> OpenSubKey(TextView path) noexcept override {
    return Guarded<std::unique_ptr<IRegistryKey>>(nullptr, [&]() -> std::unique_ptr<IRegistryKey> {
      const std::wstring subKey = ToWide(TrimBackslashes(path));
      HKEY raw = nullptr;
      if (::RegOpenKeyExW(key_.get(), subKey.c_str(), 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) return nullptr;
      return OwnKey(raw);
    });
  }

 private:
  bool Write(TextView name, DWORD type, const BYTE* data, std::size_t size) noexcept {
    if (size > MAXDWORD) return false;
    return Guarded(false, [&] {
      const std::wstring valueName = ToWide(name);
      // An empty binary value still needs a pointer to somewhere.
      const BYTE none = 0;
      return ::RegSetValueExW(key_.get(), valueName.c_str(), 0, type, data ? data : &none,
                              static_cast<DWORD>(size)) == ERROR_SUCCESS;
    });
  }

  UniqueKey key_;
  REGSAM view_;  // KEY_WOW64_32KEY for a key of the 32-bit view, else 0
};

std::unique_ptr<IRegistryKey> OwnKey(HKEY raw, REGSAM view) noexcept {
  UniqueKey key(raw);
  if (!key) return nullptr;
  // When the object cannot be made, key still owns the handle and closes it.
  return Guarded<std::unique_ptr<IRegistryKey>>(
      nullptr, [&] { return std::make_unique<Win32RegistryKey>(std::move(key), view); });
}

std::unique_ptr<IRegistryKey> OpenRootKey(RegistryRoot root, TextView path, bool create,
                                          REGSAM access = KEY_ALL_ACCESS) noexcept {
  return Guarded<std::unique_ptr<IRegistryKey>>(nullptr, [&]() -> std::unique_ptr<IRegistryKey> {
    const std::wstring subKey = ToWide(TrimBackslashes(path));
    const REGSAM view = ViewOf(root);
    HKEY raw = nullptr;
    const LSTATUS status =
        create ? ::RegCreateKeyExW(RootKey(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS | view, nullptr, &raw, nullptr)
               : ::RegOpenKeyExW(RootKey(root), subKey.c_str(), 0, access | view, &raw);
    if (status != ERROR_SUCCESS) return nullptr;
    return OwnKey(raw, view);
  });
}

// ---- Files ------------------------------------------------------------------

DWORD Attributes(const std::wstring& path) noexcept { return ::GetFileAttributesW(path.c_str()); }

bool IsFile(const std::wstring& path) noexcept {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Creates (or truncates) path and writes the bytes through to the disk.
bool WriteNewFile(const std::wstring& path, std::string_view bytes) noexcept {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  if (!::FlushFileBuffers(file.get())) return false;
  return ::CloseHandle(file.release()) != FALSE;
}

// A name beside path that no other write of this or another process uses at the
// same time.
std::wstring SideName(const std::wstring& path, const wchar_t* suffix) {
  static std::atomic<unsigned> counter{0};
  return path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
         std::to_wstring(counter.fetch_add(1)) + suffix;
}

// Deletes the temporary file on every path that does not put it in place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::wstring& path) noexcept : path_(path) {}
  ~TemporaryFile() {
    if (!placed_) ::DeleteFileW(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  void placed() noexcept { placed_ = true; }

 private:
  const std::wstring& path_;
  bool placed_ = false;
};

// ReplaceFileW failed part way. Depending on the step, the old content is still
// under the target's name or (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) already under the
// backup's; bring it back to the target's name.
void RestoreAfterFailedReplace(const std::wstring& target, const std::wstring& backup,
                               bool ownBackup) noexcept {
  if (!IsFile(target) && IsFile(backup)) {
    if (ownBackup) {
      ::MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    } else {
      // The caller asked for the backup, so it stays as well.
      ::CopyFileW(backup.c_str(), target.c_str(), TRUE);
    }
  }
  if (ownBackup && IsFile(target)) ::DeleteFileW(backup.c_str());
}

// Puts the written temporary file in place of an existing target.
//
// ReplaceFileW always gets a backup name, our own one when the caller wants none:
// without one, ERROR_UNABLE_TO_MOVE_REPLACEMENT leaves no file under the target's
// name at all, with one the old file survives every failure.
//
// Only a file system that cannot replace files at all (some network redirectors
// answer "not supported") gets the plain move instead. Refusals such as access
// denied stay failures: MoveFileExW could overrule a read-only settings file, which
// must then stay as it is.
bool ReplaceExisting(const std::wstring& target, const std::wstring& temporary,
                     const std::optional<Text>& backupPath) {
  const bool ownBackup = !backupPath.has_value();
  const std::wstring backup = ownBackup ? SideName(target, L".bak") : ToWide(*backupPath);
  if (::ReplaceFileW(target.c_str(), temporary.c_str(), backup.c_str(),
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    if (ownBackup) ::DeleteFileW(backup.c_str());
    return true;
  }
  const DWORD error = ::GetLastError();
  RestoreAfterFailedReplace(target, backup, ownBackup);
  if (error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION) return false;

  const DWORD attributes = Attributes(target);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return false;
  }
  if (!ownBackup && !::CopyFileW(target.c_str(), backup.c_str(), FALSE)) return false;
  return ::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace

// ---- Registry -----------------------------------------------------------------

std::unique_ptr<IRegistryKey> Win32Registry::OpenKey(RegistryRoot root, TextView path) noexcept {
  return OpenRootKey(root, path, false);
}

std::unique_ptr<IRegistryKey> Win32Registry::CreateKey(RegistryRoot root, TextView path) noexcept {
  return OpenRootKey(root, path, true);
}

std::unique_ptr<IRegistryKey> Win32Registry::OpenKeyForReading(RegistryRoot root, TextView path) noexcept {
  return OpenRootKey(root, path, false, KEY_READ);
}

std::unique_ptr<IRegistryKey> WrapRegistryKey(HKEY key) noexcept { return OwnKey(key); }

// ---- Message boxes ------------------------------------------------------------

namespace {
int ShowBox(TextView text, TextView caption, UINT type) noexcept {
  // A box shown first must not wait behind Windows' log-on screen.
  SignalShellReadyOnce();
  return Guarded(0, [&] {
    const std::wstring body = ToWide(text);
    const std::wstring title = ToWide(caption);
    return ::MessageBoxW(::GetActiveWindow(), body.c_str(), title.c_str(), type);
  });
}
}  // namespace

void Win32MessageBoxes::ShowMessage(TextView text) noexcept {
  ShowBox(text, kApplicationTitle, MB_OK);
}

bool Win32MessageBoxes::Confirm(TextView question) noexcept {
  return ShowBox(question, kApplicationTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool Win32MessageBoxes::AskYesNo(TextView text, TextView caption) noexcept {
  return ShowBox(text, caption, MB_YESNO) == IDYES;
}

// ---- Processes ----------------------------------------------------------------

std::uint32_t Win32Processes::RunProgram(TextView program, TextView parameters, std::uint16_t showState, bool wait,
                                         const std::function<void()>& started) noexcept {
  return win32::RunProgram(program, parameters, showState, wait, messages_, started);
}

bool Win32Processes::KillProcessByName(TextView name) noexcept { return win32::KillProcessByName(name); }

std::optional<std::uint32_t> Win32Processes::StartCommandLine(TextView commandLine, bool wait) noexcept {
  return win32::StartCommandLine(commandLine, wait);
}

bool Win32Processes::StartElevated(TextView program, TextView parameters) noexcept {
  return Guarded(false, [&] {
    // ShellExecuteExW may hand the verb to shell extensions activated through COM; its
    // page asks for a single-threaded apartment without OLE1 DDE on the calling thread.
    const ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring file = ToWide(program);
    const std::wstring arguments = ToWide(parameters);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExW(&info) != FALSE;
  });
}

// ---- Files --------------------------------------------------------------------

bool Win32FileSystem::FileExists(TextView path) noexcept {
  return Guarded(false, [&] { return IsFile(ToWide(path)); });
}

bool Win32FileSystem::DirectoryExists(TextView path) noexcept {
  return Guarded(false, [&] {
    const DWORD attributes = Attributes(ToWide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  });
}

std::optional<std::string> Win32FileSystem::ReadFile(TextView path) noexcept {
  return Guarded<std::optional<std::string>>(std::nullopt, [&]() -> std::optional<std::string> {
    // Others may have the file open for writing or even renaming: reading still works.
    const UniqueFile file(::CreateFileW(ToWide(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 && size.QuadPart < INT_MAX) {
      bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    // Read to the end rather than to the size seen at the start: the file may grow.
    constexpr DWORD kChunk = 64 * 1024;
    for (;;) {
      const std::size_t old = bytes.size();
      bytes.resize(old + kChunk);
      DWORD got = 0;
      if (!::ReadFile(file.get(), bytes.data() + old, kChunk, &got, nullptr)) return std::nullopt;
      bytes.resize(old + got);
      if (got == 0) return bytes;
    }
  });
}

bool Win32FileSystem::WriteFileAtomic(TextView path, std::string_view bytes,
                                      std::optional<Text> backupPath) noexcept {
  return Guarded(false, [&] {
    const std::wstring target = ToWide(path);
    const std::wstring temporary = SideName(target, L".tmp");
    TemporaryFile cleanup(temporary);
    if (!WriteNewFile(temporary, bytes)) return false;
    bool placed = false;
    if (IsFile(target)) {
      placed = ReplaceExisting(target, temporary, backupPath);
    } else {
      // Nothing to keep: a backup of a missing file is no file either.
      placed = ::MoveFileExW(temporary.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    if (placed) cleanup.placed();
    return placed;
  });
}

bool Win32FileSystem::CopyOver(TextView from, TextView to) noexcept {
  return Guarded(false, [&] { return ::CopyFileW(ToWide(from).c_str(), ToWide(to).c_str(), FALSE) != FALSE; });
}

std::vector<DirectoryEntry> Win32FileSystem::ListFiles(TextView folder, TextView mask) noexcept {
  return Guarded(std::vector<DirectoryEntry>(), [&] {
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAW data{};
    const std::wstring pattern = ToWide(folder) + L"\\" + ToWide(mask);
    const UniqueFind find(::FindFirstFileW(pattern.c_str(), &data));
    if (!find) return entries;
    do {
      DirectoryEntry entry{FromWideBuffer(data.cFileName, MAX_PATH)};
      entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      entry.hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
      entry.system = (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
      entries.push_back(std::move(entry));
    } while (::FindNextFileW(find.get(), &data));
    return entries;
  });
}

// ---- INI files ----------------------------------------------------------------

Text Win32IniFiles::ReadString(TextView file, TextView section, TextView key,
                               TextView defaultValue) noexcept {
  return Guarded(Text(defaultValue.begin(), defaultValue.end()), [&] {
    const std::wstring fileName = ToWide(file);
    const std::wstring sectionName = ToWide(section);
    const std::wstring keyName = ToWide(key);
    const std::wstring fallback = ToWide(defaultValue);
    // A value that fills the buffer up to its last place may have been cut: grow.
    std::wstring buffer(1024, L'\0');
    for (;;) {
      const DWORD length =
          ::GetPrivateProfileStringW(sectionName.c_str(), keyName.c_str(), fallback.c_str(), buffer.data(),
                                     static_cast<DWORD>(buffer.size()), fileName.c_str());
      if (length + 1 < buffer.size() || buffer.size() >= (1u << 24)) {
        buffer.resize(length);
        return FromWide(buffer);
      }
      buffer.assign(buffer.size() * 2, L'\0');
    }
  });
}

bool Win32IniFiles::WriteString(TextView file, TextView section, TextView key, TextView value) noexcept {
  return Guarded(false, [&] {
    return ::WritePrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(), ToWide(value).c_str(),
                                        ToWide(file).c_str()) != FALSE;
  });
}

std::vector<Text> Win32IniFiles::ReadSectionKeys(TextView file, TextView section) noexcept {
  return Guarded(std::vector<Text>(), [&] {
    const std::wstring fileName = ToWide(file);
    const std::wstring sectionName = ToWide(section);
    // With no key name the result is every key name, each ended by a NUL, the list by
    // a second NUL; a cut list comes back as buffer size - 2.
    std::wstring buffer(4096, L'\0');
    DWORD length = 0;
    for (;;) {
      length = ::GetPrivateProfileStringW(sectionName.c_str(), nullptr, L"", buffer.data(),
                                          static_cast<DWORD>(buffer.size()), fileName.c_str());
      if (length + 2 != buffer.size() || buffer.size() >= (1u << 24)) break;
      buffer.assign(buffer.size() * 2, L'\0');
    }
    std::vector<Text> keys;
    std::size_t start = 0;
    while (start < length) {
      std::size_t end = buffer.find(L'\0', start);
      if (end == std::wstring::npos || end > length) end = length;
      if (end == start) break;
      keys.push_back(FromWide(std::wstring_view(buffer).substr(start, end - start)));
      start = end + 1;
    }
    return keys;
  });
}

// ---- Folders ------------------------------------------------------------------

namespace {

// A REG_SZ or REG_EXPAND_SZ value, expanded; empty when it is missing or holds an
// unexpanded reference.
Text ExpandedRegistryString(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value;
  // REG_EXPAND_SZ comes back expanded.
  if (::RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return Text();
  }
  const Text text = FromWideBuffer(value, MAX_PATH);
  return text.find(u'%') == Text::npos ? text : Text();
}

// The folders a start asks for, read where the shell itself keeps them (the user's
// shell folders, redirected ones included, and the machine's program folders), so
// that a start does not load the shell for them; nullopt for any other folder.
std::optional<Text> StartFolder(int csidl) {
  constexpr wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  switch (csidl) {
    case Csidl::kSystem: {
      wchar_t system[MAX_PATH] = {};
      const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
      if (length == 0 || length >= MAX_PATH) return std::nullopt;
      return FromWideBuffer(system, MAX_PATH);
    }
    case Csidl::kDesktop: return ExpandedRegistryString(HKEY_CURRENT_USER, kUserShellFolders, L"Desktop");
    case Csidl::kAppData: return ExpandedRegistryString(HKEY_CURRENT_USER, kUserShellFolders, L"AppData");
    case Csidl::kProgramFiles: return ExpandedRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, L"ProgramFilesDir");
    case Csidl::kProgramFilesX86:
      return ExpandedRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, L"ProgramFilesDir (x86)");
    default: return std::nullopt;
  }
}

}  // namespace

Text Win32Folders::GetSpecialFolder(int csidl) noexcept {
  try {
    if (const auto folder = StartFolder(csidl); folder && !folder->empty()) {
      Text path = *folder;
      while (path.size() > 3 && path.back() == u'\\') path.pop_back();
      return path;
    }
  } catch (...) {
  }
  // Anything else, or a value missing there: the shell's own answer.
  return win32::GetSpecialFolder(csidl);
}

Text Win32Folders::GetWindowsDir() noexcept { return win32::GetWindowsDir(); }

Text Win32Folders::ExecutablePath() noexcept {
  return Guarded(Text(), [] {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length =
          ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length == 0) return Text();
      // A path that fills the whole buffer was cut.
      if (length < buffer.size()) {
        buffer.resize(length);
        return FromWide(buffer);
      }
      if (buffer.size() >= 32768) return Text();
      buffer.assign(buffer.size() * 2, L'\0');
    }
  });
}

bool Win32Folders::ChangeCurrentDirectory(TextView folder) noexcept {
  return Guarded(false, [&] { return ::SetCurrentDirectoryW(ToWide(folder).c_str()) != FALSE; });
}

Text Win32Folders::ExpandEnvironment(TextView text) noexcept {
  return Guarded(Text(text), [&] {
    const std::wstring source = ToWide(text);
    std::wstring expanded(source.size() + 64, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
      const DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
      if (needed == 0) return Text(text);
      if (needed <= expanded.size()) return FromWideBuffer(expanded.data(), needed);
      expanded.assign(needed, L'\0');
    }
    return Text(text);
  });
}

Text FullPath(TextView path) noexcept {
  return Guarded(Text(path.begin(), path.end()), [&] {
    const std::wstring given = ToWide(path);
    if (given.empty()) return Text();
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
      const DWORD length = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
      if (length == 0) return Text(path.begin(), path.end());
      // Too small: length is the size needed, terminator included.
      if (length < buffer.size()) {
        buffer.resize(length);
        return FromWide(buffer);
      }
      buffer.assign(length, L'\0');
    }
    return Text(path.begin(), path.end());
  });
}

// ---- Identity, power, windows -------------------------------------------------

bool Win32Identity::IsAdministrator() noexcept { return win32::IsAdministrator(); }

Text Win32Identity::GetCurrentUserName() noexcept { return win32::GetCurrentUserName(); }

bool Win32Identity::IsElevated() noexcept {
  HANDLE raw = nullptr;
  // When the token cannot be asked, nothing says the program is filtered.
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return true;
  const UniqueHandle token(raw);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  // Systems without user account control do not know this class: nothing is filtered there.
  if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return true;
  return elevation.TokenIsElevated != 0;
}

bool Win32Power::ShutdownWindows(std::uint16_t flags) noexcept { return win32::ShutdownWindows(flags); }

std::vector<Text> Win32WindowList::TopLevelWindowTitles() noexcept {
  std::vector<Text> titles;
  ::EnumWindows(EnumWindowTitlesProc, reinterpret_cast<LPARAM>(&titles));
  return titles;
}

void Win32WindowList::BroadcastSettingChange(TextView area) noexcept {
  try {
    const std::wstring text = ToWide(area);
    // With a time limit and giving up on hung windows: one hung program must not
    // hang the shell.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(text.c_str()),
                          SMTO_ABORTIFHUNG | SMTO_NORMAL, 5000, &ignored);
  } catch (...) {
  }
}

// ---- COM ------------------------------------------------------------------------

void EnsureCom() noexcept {
  static const ComScope com;
}

// ---- Code page ----------------------------------------------------------------

Text Win32CodePage::Decode(std::string_view bytes) noexcept {
  if (bytes.empty() || bytes.size() > INT_MAX) return Text();
  return Guarded(Text(), [&] {
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return Text();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), length) != length) return Text();
    return FromWide(wide);
  });
}

bool Win32CodePage::TryEncode(TextView text, std::string& out) noexcept {
  return Guarded(false, [&] {
    out.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const std::wstring wide = ToWide(text);
    const int size = static_cast<int>(wide.size());
    // UTF-8 as the system code page takes neither the flag nor the used-default
    // report; the round trip below catches what it cannot encode.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const usedDefaultReport = utf8 ? nullptr : &usedDefault;
    const int length =
        ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, usedDefaultReport);
    if (length <= 0 || usedDefault) return false;
    out.assign(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, out.data(), length, nullptr,
                              usedDefaultReport) != length ||
        usedDefault) {
      return false;
    }
    // Some code pages ignore WC_NO_BEST_FIT_CHARS; only an exact round trip counts.
    return Decode(out) == text;
  });
}

}  // namespace lanthe::win32
