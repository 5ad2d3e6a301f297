#pragma once
// Helpers of the Win32 tests: temporary folders, the probe program, raw file and
// process access that does not go through the code under test.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/handles.h"

namespace lanthe::win32::tests {

// A fresh folder under the temp path, deleted with everything in it at the end
// (read-only files included).
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& path() const { return path_; }
  // path + "\" + name
  std::wstring file(const std::wstring& name) const;
  // Names of the entries in the folder, sorted.
  std::vector<std::wstring> entries() const;

 private:
  std::wstring path_;
};

// Sets an environment variable of this process for the lifetime of the object and
// then restores the old state. A null value removes the variable.
class EnvironmentScope {
 public:
  EnvironmentScope(const wchar_t* name, const wchar_t* value);
  ~EnvironmentScope();
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;

 private:
  std::wstring name_;
  std::wstring old_;
  bool hadValue_ = false;
};

// A name no other running test uses: prefix + process id + a counter.
std::wstring UniqueName(const std::wstring& prefix);

// The folder of this test program, ending with a backslash.
std::wstring ProgramFolder();
// lanthe-probe.exe beside this test program.
std::wstring ProbePath();
std::wstring Quoted(const std::wstring& text);

std::wstring EnvironmentValue(const wchar_t* name);

bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The file's bytes; "<missing>" is not a possible answer, so failure gives that.
std::string ReadBytes(const std::wstring& path);
inline const std::string kMissing = "<missing>";
// A file the probe recorded its command line into (UTF-16LE).
std::wstring ReadRecordedCommandLine(const std::wstring& path);

// Starts a command line directly with CreateProcessW, without a window.
UniqueProcessInformation StartProcess(const std::wstring& commandLine);
// Ends a process started for a test and waits for it.
void EndProcess(UniqueProcessInformation& process);
// Running processes whose toolhelp executable name equals name, letter case aside.
int CountProcesses(const std::wstring& name);

// Polls condition until it holds or the deadline passes; whether it held.
bool WaitUntil(const std::function<bool()>& condition, unsigned timeoutMilliseconds = 20000);

inline Text T(const std::wstring& wide) { return Text(wide.begin(), wide.end()); }
inline std::wstring W(TextView text) { return std::wstring(text.begin(), text.end()); }

}  // namespace lanthe::win32::tests
