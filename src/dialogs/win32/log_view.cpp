#include "dialogs/win32/log_view.h"

namespace lanthe::win32 {

namespace {
constexpr int kPanelHeight = 41;  // pnlButtons along the bottom edge
}

LogView::LogView(TfrmLog& frmLog)
    : Form(toolkit::FormOptions{u"frmLog", 363, 277, toolkit::BorderStyle::kSizeToolWindow, true, false}),
      frmLog_(frmLog) {
  // The settings dialog that fills it is modal; the viewer is read beside it.
  SetUsableBesideModal(true);
}

void LogView::BuildControls() {
  using toolkit::Bounds;
  memLog = std::make_unique<toolkit::Memo>(*this, Bounds{0, 0, 363, 277 - kPanelHeight});
  btnClear = std::make_unique<toolkit::Button>(*this, u"Clear Log", Bounds{16, 277 - kPanelHeight + 8, 75, 25});
  btnClear->OnClick = [this](toolkit::Button&) {
    frmLog_.btnClearClick();
    memLog->SetLines(frmLog_.memLog);
  };
}

void LogView::Render(HWND beside, bool show) {
  EnsureWindowHandle();
  memLog->SetLines(frmLog_.memLog);
  if (!show || !frmLog_.visible || Visible()) return;
  RECT other{};
  if (beside && ::GetWindowRect(beside, &other)) {
    ::SetWindowPos(hwnd(), nullptr, other.right + 4, other.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
}

void LogView::Closed() { frmLog_.visible = false; }

void LogView::Resized() {
  using toolkit::Bounds;
  const SIZE client = ClientSize96();
  memLog->SetBounds(Bounds{0, 0, client.cx, client.cy - kPanelHeight});
  btnClear->SetBounds(Bounds{16, client.cy - kPanelHeight + 8, 75, 25});
}

}  // namespace lanthe::win32
