#pragma once
// Files and INI files.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace lanthe {

// An entry of a folder listing.
struct DirectoryEntry {
  Text name;
  bool directory = false;
  bool hidden = false;
  bool system = false;
  bool operator==(const DirectoryEntry&) const = default;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // True for an existing file that is not a directory.
  virtual bool FileExists(TextView path) = 0;
  virtual bool DirectoryExists(TextView path) = 0;
  // The whole file's bytes; nullopt when it cannot be opened or read.
  virtual std::optional<std::string> ReadFile(TextView path) = 0;
  // Writes the bytes to a temporary file in the same folder and then puts it in the
  // place of path in one step, so that a failed or interrupted write leaves the old
  // file whole. With a backup path, the old file (when there is one) is kept under
  // that name. Reports whether the new file is in place.
  virtual bool WriteFileAtomic(TextView path, std::string_view bytes,
                               std::optional<Text> backupPath = std::nullopt) = 0;
  // Copies a file, replacing one that exists already. Reports success.
  virtual bool CopyOver(TextView from, TextView to) = 0;
  // The entries of a folder whose names match the mask ("*.lnk") as the platform
  // matches it, in the platform's order; empty when the folder cannot be listed.
  virtual std::vector<DirectoryEntry> ListFiles(TextView folder, TextView mask) = 0;
};

// INI files (sections in square brackets, key=value lines) through the platform's
// profile functions.
class IIniFiles {
 public:
  virtual ~IIniFiles() = default;
  virtual Text ReadString(TextView file, TextView section, TextView key, TextView defaultValue) = 0;
  // Reports whether the value was written.
  virtual bool WriteString(TextView file, TextView section, TextView key, TextView value) = 0;
  // The key names of a section in file order; empty when the file or section is missing.
  virtual std::vector<Text> ReadSectionKeys(TextView file, TextView section) = 0;
};

}  // namespace lanthe
