#include "toolkit/controls.h"

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "toolkit/application.h"

namespace lanthe::toolkit {

namespace {

// A group box is a BUTTON window, which keeps the notifications of its child
// controls to itself; they go on to the form.
LRESULT CALLBACK ForwardToForm(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR form) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return ::SendMessageW(reinterpret_cast<HWND>(form), message, wParam, lParam);
    case WM_ERASEBKGND: {
      // The form paints around its children only: the group box fills its own inside.
      RECT inside{};
      ::GetClientRect(window, &inside);
      ::FillRect(reinterpret_cast<HDC>(wParam), &inside, ::GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    default:
      return ::DefSubclassProc(window, message, wParam, lParam);
  }
}

// The height of Tahoma 8 pt text at 96 DPI, by which radio groups space their items.
constexpr int kTextHeight96 = 13;

}  // namespace

// ---- Control ------------------------------------------------------------------

Control::Control(Container& parent, Bounds bounds)
    : parent_(parent), form_(parent.OwnerForm()), bounds_(bounds), id_(form_.Register(this)) {}

Control::~Control() {
  form_.Unregister(this);
  if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

void Control::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, TextView caption) {
  const std::wstring text = win32::ToWide(caption);
  hwnd_ = ::CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style,
                            form_.Scale(bounds_.left), form_.Scale(bounds_.top), form_.Scale(bounds_.width),
                            form_.Scale(bounds_.height), parent_.ContainerHandle(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), Application::Instance(), nullptr);
  if (form_.font_) ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.font_.get()), FALSE);
}

void Control::SetBounds(Bounds bounds) {
  bounds_ = bounds;
  ::SetWindowPos(hwnd_, nullptr, form_.Scale(bounds.left), form_.Scale(bounds.top), form_.Scale(bounds.width),
                 form_.Scale(bounds.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetVisible(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

bool Control::Visible() const { return (::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Control::SetEnabled(bool enabled) { ::EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

bool Control::Enabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }

void Control::SetCaption(TextView caption) { ::SetWindowTextW(hwnd_, win32::ToWide(caption).c_str()); }

Text Control::Caption() const {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
  return win32::FromWide(text);
}

// ---- Button -------------------------------------------------------------------

Button::Button(Container& parent, TextView caption, Bounds bounds) : Control(parent, bounds) {
  CreateHandle(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, caption);
}

void Button::Click() {
  if (OnClick) Application::Guard([this] { OnClick(*this); });
}

void Button::Command(WORD notification) {
  if (notification == BN_CLICKED) Click();
}

void Button::SetPicture(int bitmapResource) {
  picture_.reset(static_cast<HBITMAP>(::LoadImageW(Application::Instance(), MAKEINTRESOURCEW(bitmapResource),
                                                   IMAGE_BITMAP, 0, 0, LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS)));
  LONG_PTR style = ::GetWindowLongPtrW(hwnd(), GWL_STYLE);
  ::SetWindowLongPtrW(hwnd(), GWL_STYLE, style | BS_BITMAP | BS_FLAT);
  ::SendMessageW(hwnd(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
}

// ---- ListView -----------------------------------------------------------------

ListView::ListView(Container& parent, Bounds bounds) : Control(parent, bounds) {
  CreateHandle(WC_LISTVIEWW, WS_TABSTOP | LVS_ICON | LVS_AUTOARRANGE | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
               WS_EX_CLIENTEDGE, u"");
  images_ = ::ImageList_Create(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), ILC_COLOR32 | ILC_MASK,
                               4, 4);
  ListView_SetImageList(hwnd(), images_, LVSIL_NORMAL);
}

ListView::~ListView() {
  if (hwnd() && ::IsWindow(hwnd())) ListView_SetImageList(hwnd(), nullptr, LVSIL_NORMAL);
  if (images_) ::ImageList_Destroy(images_);
}

void ListView::Clear() {
  ListView_DeleteAllItems(hwnd());
  ::ImageList_RemoveAll(images_);
}

int ListView::AddItem(TextView caption, HICON icon) {
  const int image = icon ? ::ImageList_AddIcon(images_, icon) : -1;
  std::wstring text = win32::ToWide(caption);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = Count();
  item.pszText = text.data();
  item.iImage = image;
  return static_cast<int>(::SendMessageW(hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

int ListView::Count() const { return ListView_GetItemCount(hwnd()); }

int ListView::SelectedIndex() const { return ListView_GetNextItem(hwnd(), -1, LVNI_SELECTED); }

LRESULT ListView::Notify(const NMHDR* header) {
  if (header->code == NM_CLICK && OnClick) Application::Guard([this] { OnClick(*this); });
  return 0;
}

// ---- CheckBox -----------------------------------------------------------------

CheckBox::CheckBox(Container& parent, TextView caption, Bounds bounds) : Control(parent, bounds) {
  CreateHandle(L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0, caption);
}

bool CheckBox::Checked() const { return ::SendMessageW(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) {
  ::SendMessageW(hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBox::Command(WORD notification) {
  if (notification == BN_CLICKED && OnClick) Application::Guard([this] { OnClick(*this); });
}

// ---- Label --------------------------------------------------------------------

Label::Label(Container& parent, TextView caption, Bounds bounds, bool wordWrap) : Control(parent, bounds) {
  CreateHandle(L"STATIC", wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP, 0, caption);
}

// ---- Edit ---------------------------------------------------------------------

Edit::Edit(Container& parent, Bounds bounds) : Control(parent, bounds) {
  CreateHandle(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, u"");
}

void Edit::SetText(TextView text) {
  settingText_ = true;
  SetCaption(text);
  settingText_ = false;
}

void Edit::Command(WORD notification) {
  if (notification == EN_CHANGE && !settingText_ && OnChange) Application::Guard([this] { OnChange(*this); });
}

// ---- ComboBox -----------------------------------------------------------------

ComboBox::ComboBox(Container& parent, Bounds bounds) : Control(parent, bounds) {
  CreateHandle(L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, u"");
  // The list drops below the box; the height given is that of the box.
  ::SendMessageW(hwnd(), CB_SETMINVISIBLE, 8, 0);
}

void ComboBox::Clear() { ::SendMessageW(hwnd(), CB_RESETCONTENT, 0, 0); }

int ComboBox::AddItem(TextView text) {
  const std::wstring item = win32::ToWide(text);
  return static_cast<int>(::SendMessageW(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str())));
}

int ComboBox::Count() const { return static_cast<int>(::SendMessageW(hwnd(), CB_GETCOUNT, 0, 0)); }

Text ComboBox::Item(int index) const {
  const LRESULT length = ::SendMessageW(hwnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return Text();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::SendMessageW(hwnd(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return win32::FromWide(text);
}

int ComboBox::ItemIndex() const { return static_cast<int>(::SendMessageW(hwnd(), CB_GETCURSEL, 0, 0)); }

void ComboBox::SetItemIndex(int index) { ::SendMessageW(hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ComboBox::Command(WORD notification) {
  if (notification == CBN_SELCHANGE && OnChange) Application::Guard([this] { OnChange(*this); });
}

// ---- Image --------------------------------------------------------------------

Image::Image(Container& parent, Bounds bounds, int bitmapResource, bool transparent) : Control(parent, bounds) {
  CreateHandle(L"STATIC", SS_BITMAP | SS_REALSIZECONTROL, 0, u"");
  const UINT flags = transparent ? (LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS) : LR_CREATEDIBSECTION;
  bitmap_.reset(static_cast<HBITMAP>(
      ::LoadImageW(Application::Instance(), MAKEINTRESOURCEW(bitmapResource), IMAGE_BITMAP, 0, 0, flags)));
  if (bitmap_) ::SendMessageW(hwnd(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_.get()));
}

// ---- GroupBox -----------------------------------------------------------------

GroupBox::GroupBox(Container& parent, TextView caption, Bounds bounds) : Control(parent, bounds) {
  CreateHandle(L"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT, caption);
  ::SetWindowSubclass(hwnd(), ForwardToForm, 1, reinterpret_cast<DWORD_PTR>(OwnerForm().hwnd()));
}

// ---- RadioGroup ---------------------------------------------------------------

class RadioGroup::RadioButton final : public Control {
 public:
  RadioButton(RadioGroup& group, TextView caption, Bounds bounds, bool first)
      : Control(group, bounds), group_(group) {
    CreateHandle(L"BUTTON", BS_AUTORADIOBUTTON | (first ? WS_GROUP : 0), 0, caption);
  }
  bool Checked() const { return ::SendMessageW(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool checked) {
    ::SendMessageW(hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    // Tab stops at the selected item, as in every radio group.
    LONG_PTR style = ::GetWindowLongPtrW(hwnd(), GWL_STYLE);
    style = checked ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    ::SetWindowLongPtrW(hwnd(), GWL_STYLE, style);
  }

 protected:
  void Command(WORD notification) override {
    if (notification != BN_CLICKED) return;
    for (const auto& button : group_.buttons_) button->SetChecked(button.get() == this);
    if (group_.OnClick) Application::Guard([this] { group_.OnClick(group_); });
  }

 private:
  RadioGroup& group_;
};

RadioGroup::RadioGroup(Container& parent, TextView caption, Bounds bounds, const std::vector<Text>& items)
    : GroupBox(parent, caption, bounds) {
  if (items.empty()) return;
  // Items share the height below the caption evenly, as radio groups always did.
  const int count = static_cast<int>(items.size());
  const int space = bounds.height - kTextHeight96 - 5;
  const int itemHeight = space / count;
  const int topMargin = kTextHeight96 + 1 + (space % count) / 2;
  for (int i = 0; i < count; ++i) {
    buttons_.push_back(std::make_unique<RadioButton>(
        *this, items[static_cast<std::size_t>(i)], Bounds{8, topMargin + i * itemHeight, bounds.width - 10 - 8, itemHeight},
        i == 0));
  }
  SetItemIndex(-1);
}

RadioGroup::~RadioGroup() = default;

HWND RadioGroup::ItemHandle(int index) const { return buttons_.at(static_cast<std::size_t>(index))->hwnd(); }

int RadioGroup::ItemIndex() const {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i]->Checked()) return static_cast<int>(i);
  }
  return -1;
}

void RadioGroup::SetItemIndex(int index) {
  for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->SetChecked(static_cast<int>(i) == index);
  // Without a selection the first item takes the tab stop.
  if (index < 0 && !buttons_.empty()) {
    const HWND first = buttons_.front()->hwnd();
    ::SetWindowLongPtrW(first, GWL_STYLE, ::GetWindowLongPtrW(first, GWL_STYLE) | WS_TABSTOP);
  }
}

}  // namespace lanthe::toolkit
