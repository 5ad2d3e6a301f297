#pragma once
// The shutdown dialog "Windows Afsluiten" on screen. Events go to
// TfrmShutdownDialog; its state is rendered here.

#include <memory>

#include "dialogs/shutdown_dialog.h"
#include "shell/main_window.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace lanthe::win32 {

class ShutdownDialogView final : public toolkit::Form, public IModalWindow {
 public:
  explicit ShutdownDialogView(TfrmShutdownDialog& dialog);
  int ShowModal() override { return Form::ShowModal(); }

 protected:
  void BuildControls() override;
  void Showing() override;

 private:
  // The list itself only when the dialog is shown; selection and help line always.
  void Render(bool withItems);

  TfrmShutdownDialog& dialog_;
  std::unique_ptr<toolkit::Image> imgLogo;
  std::unique_ptr<toolkit::Image> imgIcon;
  std::unique_ptr<toolkit::Label> lblChoice;
  std::unique_ptr<toolkit::Label> lblHelp;
  std::unique_ptr<toolkit::Button> btnOk;
  std::unique_ptr<toolkit::Button> btnAnnuleren;
  std::unique_ptr<toolkit::ComboBox> cboxChoice;
};

}  // namespace lanthe::win32
