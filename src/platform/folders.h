#pragma once
// Shell folders and the program's own place.

#include "platform/text.h"

namespace lanthe {

// The shell folders the program asks for (CSIDL numbers).
namespace Csidl {
constexpr int kDesktop = 0;        // CSIDL_DESKTOP
constexpr int kPrograms = 2;       // CSIDL_PROGRAMS: the user's Start menu programs folder
constexpr int kAppData = 26;       // CSIDL_APPDATA
constexpr int kSystem = 37;        // CSIDL_SYSTEM
constexpr int kProgramFiles = 38;  // CSIDL_PROGRAM_FILES
constexpr int kProgramFilesX86 = 42;  // CSIDL_PROGRAM_FILESX86: 32-bit programs on 64-bit Windows
}  // namespace Csidl

class IFolders {
 public:
  virtual ~IFolders() = default;
  // The folder's path without a trailing backslash; empty when the shell cannot give it.
  virtual Text GetSpecialFolder(int csidl) = 0;
  // The Windows directory without a trailing backslash.
  virtual Text GetWindowsDir() = 0;
  // Full path of the running executable.
  virtual Text ExecutablePath() = 0;
  // Makes the folder the process's current directory, against which relative file
  // names resolve; whether it worked.
  virtual bool ChangeCurrentDirectory(TextView folder) = 0;
  // The text with its %VARIABLE% references replaced by the environment's values, as
  // REG_EXPAND_SZ values are read; a reference to no variable stays as it is.
  virtual Text ExpandEnvironment(TextView text) = 0;
};

// The directory part of a path, ending with the separator that precedes the file
// name ("C:\Apps\lanthe.exe" gives "C:\Apps\"); empty when there is no separator.
// Both backslash and slash count as separators.
Text DirectoryOf(TextView path);

}  // namespace lanthe
