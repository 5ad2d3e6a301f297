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
  // Shows the lines of frmLog; the window itself when frmLog is visible, beside the
  // given window.
  void Render(HWND beside);

 protected:
  void BuildControls() override;
  void Resized() override;

 private:
  TfrmLog& frmLog_;
  std::unique_ptr<toolkit::Memo> memLog;
  std::unique_ptr<toolkit::Button> btnClear;
};

}  // namespace lanthe::win32
