#include "test_support.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>

namespace lanthe::win32::tests {

namespace {

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data{};
  UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(find.get(), &data));
  }
  find.reset();
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring UniqueName(const std::wstring& prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
}

TempFolder::TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  path_ = std::wstring(temp) + UniqueName(L"lanthe-win32-tests-");
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { DeleteTree(path_); }

std::wstring TempFolder::file(const std::wstring& name) const { return path_ + L"\\" + name; }

std::vector<std::wstring> TempFolder::entries() const {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  UniqueFind find(::FindFirstFileW((path_ + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

EnvironmentScope::EnvironmentScope(const wchar_t* name, const wchar_t* value) : name_(name) {
  hadValue_ = ::GetEnvironmentVariableW(name, nullptr, 0) != 0;
  old_ = EnvironmentValue(name);
  ::SetEnvironmentVariableW(name, value);
}

EnvironmentScope::~EnvironmentScope() {
  ::SetEnvironmentVariableW(name_.c_str(), hadValue_ ? old_.c_str() : nullptr);
}

std::wstring EnvironmentValue(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring value(size, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

std::wstring ProgramFolder() {
  wchar_t path[32768] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, 32768);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring ProbePath() { return ProgramFolder() + L"lanthe-probe.exe"; }

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  const UniqueFile file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
  const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return kMissing;
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  return bytes;
}

std::wstring ReadRecordedCommandLine(const std::wstring& path) {
  const std::string bytes = ReadBytes(path);
  if (bytes == kMissing) return L"<no record>";
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return text;
}

UniqueProcessInformation StartProcess(const std::wstring& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring buffer = commandLine;
  UniqueProcessInformation process;
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, process.put())) {
    process.reset();
  }
  return process;
}

void EndProcess(UniqueProcessInformation& process) {
  if (process.process() && ::WaitForSingleObject(process.process(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process.process(), 99);
    ::WaitForSingleObject(process.process(), 10000);
  }
  process.reset();
}

int CountProcesses(const std::wstring& name) {
  const UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return -1;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::lstrcmpiW(entry.szExeFile, name.c_str()) == 0) ++count;
  }
  return count;
}

bool WaitUntil(const std::function<bool()>& condition, unsigned timeoutMilliseconds) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMilliseconds;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(20);
  }
}

}  // namespace lanthe::win32::tests
