#pragma once
// Windows shortcut files (.lnk), as far as the program reads them.

#include <optional>

#include "platform/text.h"

namespace lanthe {

struct Shortcut {
  Text description;   // what the shortcut calls itself
  Text arguments;     // the command-line arguments it starts its target with
  Text iconLocation;  // the file that holds its icon; empty when it names none
  bool operator==(const Shortcut&) const = default;
};

class IShellLinks {
 public:
  virtual ~IShellLinks() = default;
  // Reads a shortcut file; nullopt when no shell-link object can be made for it.
  // A file that does not load gives a shortcut with empty texts.
  virtual std::optional<Shortcut> ReadShortcut(TextView path) = 0;
};

}  // namespace lanthe
