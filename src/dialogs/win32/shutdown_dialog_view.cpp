#include "dialogs/win32/shutdown_dialog_view.h"

#include "dialogs/win32/artwork.h"

namespace lanthe::win32 {

using toolkit::Bounds;

ShutdownDialogView::ShutdownDialogView(TfrmShutdownDialog& dialog)
    : Form(toolkit::FormOptions{u"Windows Afsluiten", 411, 223, toolkit::BorderStyle::kDialog, true, false}),
      dialog_(dialog) {}

void ShutdownDialogView::BuildControls() {
  imgLogo = std::make_unique<toolkit::Image>(*this, Bounds{0, 0, 411, 77}, LANTHE_BITMAP_SHUTDOWN_BANNER);
  imgIcon = std::make_unique<toolkit::Image>(*this, Bounds{20, 87, 32, 32}, LANTHE_BITMAP_SHUTDOWN_ICON, true);
  lblChoice = std::make_unique<toolkit::Label>(*this, u"Kies een optie:", Bounds{65, 95, 251, 13});
  lblHelp = std::make_unique<toolkit::Label>(*this, u"", Bounds{65, 137, 251, 26}, true);
  // Tab order: Ok, Cancel, then the list.
  btnOk = std::make_unique<toolkit::Button>(*this, u"Ok", Bounds{241, 185, 75, 25});
  btnOk->OnClick = [this](toolkit::Button&) {
    if (const int result = dialog_.btnOkClick()) SetModalResult(result);
  };
  btnAnnuleren = std::make_unique<toolkit::Button>(*this, u"Cancel", Bounds{322, 185, 75, 25});
  btnAnnuleren->OnClick = [this](toolkit::Button&) { SetModalResult(dialog_.btnAnnulerenClick()); };
  cboxChoice = std::make_unique<toolkit::ComboBox>(*this, Bounds{65, 110, 251, 21});
  cboxChoice->OnChange = [this](toolkit::ComboBox& box) {
    dialog_.cboxChoiceChange(box.ItemIndex());
    Render(false);
  };
  SetDefaultButton(btnOk.get());
  SetCancelButton(btnAnnuleren.get());
}

void ShutdownDialogView::Showing() {
  dialog_.FormShow();
  Render(true);
  ::SetFocus(cboxChoice->hwnd());
}

void ShutdownDialogView::Render(bool withItems) {
  const ShutdownDialogState& state = dialog_.State();
  if (withItems) {
    cboxChoice->Clear();
    for (const auto& item : state.items) cboxChoice->AddItem(item);
  }
  cboxChoice->SetItemIndex(state.itemIndex);
  lblHelp->SetCaption(state.helpText);
  btnOk->SetEnabled(state.okEnabled);
}

}  // namespace lanthe::win32
