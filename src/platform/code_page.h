#pragma once
// The system's ANSI code page, in which the settings file and XenAppSettings.cfg
// are written.

#include <string>
#include <string_view>

#include "platform/text.h"

namespace lanthe {

class ICodePage {
 public:
  virtual ~ICodePage() = default;
  virtual Text Decode(std::string_view bytes) = 0;
  // Encodes text only when every character has an exact form in the code page
  // (no similar-looking substitutes); false otherwise, with out unspecified.
  virtual bool TryEncode(TextView text, std::string& out) = 0;
};

// Windows-1252, the code page of western Windows systems; the native tools use it.
class Windows1252CodePage final : public ICodePage {
 public:
  Text Decode(std::string_view bytes) override;
  bool TryEncode(TextView text, std::string& out) override;
};

}  // namespace lanthe
