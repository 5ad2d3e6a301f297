#include "dialogs/win32/xenapp_launcher_view.h"

#include "dialogs/win32/artwork.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace lanthe::win32 {

namespace {

constexpr UINT_PTR kWaitTimer = 1;
constexpr int kPanelHeight = 38;  // pnlButtons along the bottom edge

// The icon of a shortcut at the list's size; a shortcut without an icon, or whose icon
// file is no icon, gets the standard application icon instead of ending the refresh.
UniqueIcon LoadShortcutIcon(const Text& location) {
  if (!location.empty()) {
    if (HICON icon = static_cast<HICON>(::LoadImageW(nullptr, ToWide(location).c_str(), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                                     LR_LOADFROMFILE))) {
      return UniqueIcon(icon);
    }
  }
  return UniqueIcon(::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION)));
}

}  // namespace

XenAppLauncherView::XenAppLauncherView(TfrmXenAppLauncher& launcher)
    : Form(toolkit::FormOptions{u"XenApp Applications", 406, 97, toolkit::BorderStyle::kSizeable, true, true}),
      launcher_(launcher) {}

void XenAppLauncherView::BuildControls() {
  using toolkit::Bounds;
  lvApplications = std::make_unique<toolkit::ListView>(*this, Bounds{0, 0, 406, 97 - kPanelHeight});
  lvApplications->OnClick = [this](toolkit::ListView& list) { launcher_.lvApplicationsClick(list.SelectedIndex()); };
  const int panel = 97 - kPanelHeight;
  btnRefreshXenAppIcons =
      std::make_unique<toolkit::Button>(*this, u"Refresh XenApp Applications", Bounds{11, panel + 6, 23, 22});
  btnRefreshXenAppIcons->SetPicture(LANTHE_BITMAP_REFRESH);
  SetTooltip(*btnRefreshXenAppIcons, u"Refresh XenApp Applications");
  btnRefreshXenAppIcons->OnClick = [this](toolkit::Button&) {
    launcher_.btnRefreshXenAppIconsClick();
    Render();
  };
  lblStatus = std::make_unique<toolkit::Label>(*this, u"", Bounds{42, panel + 12, 266, 13});
  btnLogOff = std::make_unique<toolkit::Button>(*this, u"Log Off", Bounds{316, panel + 6, 75, 25});
  btnLogOff->OnClick = [this](toolkit::Button&) {
    StopTimer(kWaitTimer);
    SetModalResult(launcher_.btnLogOffClick());
  };
}

int XenAppLauncherView::ShowModal() {
  const bool session = launcher_.State().sessionMode;
  // In session mode no title-bar buttons: only "Log Off" closes the window.
  SetBorderIcons(!session, !session);
  const int result = Form::ShowModal();
  StopTimer(kWaitTimer);
  launcher_.StopWaiting();
  return result;
}

void XenAppLauncherView::Showing() {
  shown_.clear();
  const auto pause = launcher_.FormShow();
  Render();
  Schedule(pause);
}

void XenAppLauncherView::Timer(UINT_PTR id) {
  if (id != kWaitTimer) return;
  StopTimer(kWaitTimer);
  const auto pause = launcher_.ContinueShow();
  Render();
  Schedule(pause);
}

void XenAppLauncherView::Schedule(std::optional<int> pause) {
  if (pause) StartTimer(kWaitTimer, *pause);
}

void XenAppLauncherView::Render() {
  const XenAppLauncherState& state = launcher_.State();
  if (state.items != shown_) {
    lvApplications->Clear();
    for (const auto& item : state.items) lvApplications->AddItem(item.caption, LoadShortcutIcon(item.iconLocation).get());
    shown_ = state.items;
  }
  lblStatus->SetCaption(state.status);
  if (hwnd()) ::SetWindowTextW(hwnd(), ToWide(state.caption).c_str());
}

void XenAppLauncherView::Resized() {
  using toolkit::Bounds;
  const SIZE client = ClientSize96();
  const int panel = client.cy - kPanelHeight;
  lvApplications->SetBounds(Bounds{0, 0, client.cx, panel > 0 ? panel : 0});
  btnRefreshXenAppIcons->SetBounds(Bounds{11, panel + 6, 23, 22});
  lblStatus->SetBounds(Bounds{42, panel + 12, client.cx - 42 - 98, 13});
  // "Log Off" keeps its distance from the bottom right corner.
  btnLogOff->SetBounds(Bounds{client.cx - 90, panel + 6, 75, 25});
}

}  // namespace lanthe::win32
