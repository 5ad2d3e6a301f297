#pragma once
// The native implementations used by the native tools. Paths are UTF-8 on disk.

#include "platform/files.h"
#include "platform/folders.h"

namespace lanthe::posix {

class PosixFileSystem final : public IFileSystem {
 public:
  bool FileExists(TextView path) override;
  bool DirectoryExists(TextView path) override;
  std::optional<std::string> ReadFile(TextView path) override;
  bool WriteFileAtomic(TextView path, std::string_view bytes, std::optional<Text> backupPath) override;
  bool CopyOver(TextView from, TextView to) override;
  std::vector<DirectoryEntry> ListFiles(TextView folder, TextView mask) override;
};

// No shell folders exist natively: every special folder is empty, so the defaults
// built from them are their bare suffixes.
class PosixFolders final : public IFolders {
 public:
  Text GetSpecialFolder(int csidl) override;
  Text GetWindowsDir() override;
  Text ExecutablePath() override;
  bool ChangeCurrentDirectory(TextView folder) override;
  Text ExpandEnvironment(TextView text) override;
};

// The absolute form of a path, relative ones taken from the current directory.
Text AbsolutePath(TextView path);

}  // namespace lanthe::posix
