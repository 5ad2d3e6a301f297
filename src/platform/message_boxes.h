#pragma once
// The message boxes the user sees. Plain boxes carry the application title
// "Korvex NG" as their caption.

#include "platform/text.h"

namespace lanthe {

inline constexpr char16_t kApplicationTitle[] = u"Korvex NG";

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  // A plain box with an OK button.
  virtual void ShowMessage(TextView text) = 0;
  // A confirmation with Yes and No; true for Yes.
  virtual bool Confirm(TextView question) = 0;
  // A box with its own caption, Yes and No and no icon; true for Yes.
  virtual bool AskYesNo(TextView text, TextView caption) = 0;
};

}  // namespace lanthe
