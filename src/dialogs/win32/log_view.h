#pragma once
// The viewer frmLog on screen: a tool window with the lines and "Clear Log".

#include <memory>

#include "dialogs/settings_dialog.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace lanthe::win32 {

class LogView final : public toolkit::Form {
 public:
  explicit LogView(TfrmLog& frmLog);
  // Shows the lines of frmLog. With show, the window itself too when frmLog is
  // visible, beside the given window; a call that failed renders without show, so
  // that it never brings back a viewer the user closed.
  void Render(HWND beside, bool show);

 protected:
  void BuildControls() override;
  void Resized() override;
  void Closed() override;

 private:
  TfrmLog& frmLog_;
  std::unique_ptr<toolkit::Memo> memLog;
  std::unique_ptr<toolkit::Button> btnClear;
};

}  // namespace lanthe::win32
