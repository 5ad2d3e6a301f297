#include "toolkit/controls.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <iterator>

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

CheckBox::CheckBox(Container& parent, TextView caption, Bounds bounds, bool wordWrap) : Control(parent, bounds) {
  CreateHandle(L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX | (wordWrap ? BS_MULTILINE | BS_TOP : 0), 0, caption);
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

void Label::SetBold(const wchar_t* face) {
  bold_ = true;
  face_ = face ? face : L"";
  FontChanged();
}

void Label::FontChanged() {
  if (!bold_) return;
  LOGFONTW font{};
  const HFONT current = reinterpret_cast<HFONT>(::SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  if (!current || !::GetObjectW(current, sizeof font, &font) || font.lfWeight == FW_BOLD) return;
  font.lfWeight = FW_BOLD;
  if (!face_.empty()) {
    std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), L'\0');
    face_.copy(font.lfFaceName, LF_FACESIZE - 1);
  }
  win32::UniqueFont bold(::CreateFontIndirectW(&font));
  ::SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(bold.get()), TRUE);
  boldFont_ = std::move(bold);
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

// ---- Memo ---------------------------------------------------------------------

Memo::Memo(Container& parent, Bounds bounds) : Control(parent, bounds) {
  CreateHandle(L"EDIT", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                            ES_WANTRETURN,
               WS_EX_CLIENTEDGE, u"");
}

void Memo::SetLines(const std::vector<Text>& lines) {
  Text text;
  for (const auto& line : lines) text += line + u"\r\n";
  SetCaption(text);
}

std::vector<Text> Memo::Lines() const {
  std::vector<Text> lines;
  const Text text = Caption();
  std::size_t start = 0;
  for (std::size_t end = text.find(u"\r\n"); end != Text::npos; end = text.find(u"\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// ---- CheckList ----------------------------------------------------------------

CheckList::CheckList(Container& parent, Bounds bounds, const std::vector<Text>& rows) : Control(parent, bounds) {
  CreateHandle(WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
               WS_EX_CLIENTEDGE, u"");
  ListView_SetExtendedListViewStyle(hwnd(), LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = OwnerForm().Scale(bounds.width) - ::GetSystemMetrics(SM_CXVSCROLL);
  ::SendMessageW(hwnd(), LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  updating_ = true;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::wstring text = win32::ToWide(rows[i]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = text.data();
    ::SendMessageW(hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  updating_ = false;
}

bool CheckList::Checked(int row) const { return ListView_GetCheckState(hwnd(), row) != FALSE; }

void CheckList::SetChecked(int row, bool checked) {
  updating_ = true;
  ListView_SetCheckState(hwnd(), row, checked ? TRUE : FALSE);
  updating_ = false;
}

int CheckList::Highlighted() const { return ListView_GetNextItem(hwnd(), -1, LVNI_SELECTED); }

void CheckList::SetHighlighted(int row) {
  updating_ = true;
  ListView_SetItemState(hwnd(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row >= 0) ListView_SetItemState(hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  updating_ = false;
}

LRESULT CheckList::Notify(const NMHDR* header) {
  if (header->code == LVN_ITEMCHANGED && !updating_ && OnChange) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change->uChanged & LVIF_STATE) Application::Guard([this] { OnChange(*this); });
  }
  return 0;
}

// ---- ColorButton --------------------------------------------------------------

namespace {

struct PaletteColor {
  const wchar_t* name;
  COLORREF color;
};
constexpr PaletteColor kPalette[] = {
    {L"Black", RGB(0, 0, 0)},          {L"Maroon", RGB(128, 0, 0)},  {L"Green", RGB(0, 128, 0)},
    {L"Olive", RGB(128, 128, 0)},      {L"Navy", RGB(0, 0, 128)},    {L"Purple", RGB(128, 0, 128)},
    {L"Teal", RGB(0, 128, 128)},       {L"Gray", RGB(128, 128, 128)}, {L"Silver", RGB(192, 192, 192)},
    {L"Red", RGB(255, 0, 0)},          {L"Lime", RGB(0, 255, 0)},    {L"Yellow", RGB(255, 255, 0)},
    {L"Blue", RGB(0, 0, 255)},         {L"Fuchsia", RGB(255, 0, 255)}, {L"Aqua", RGB(0, 255, 255)},
    {L"White", RGB(255, 255, 255)},
};
constexpr UINT kOtherColor = 1000;

}  // namespace

ColorButton::ColorButton(Container& parent, Bounds bounds) : Control(parent, bounds) {
  CreateHandle(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP, 0, u"Background Color");
  Paint();
}

void ColorButton::SetColor(COLORREF color) {
  color_ = color & 0xFFFFFF;
  Paint();
}

void ColorButton::Paint() {
  // A swatch of the colour with a dark frame, as the button's picture.
  const int width = OwnerForm().Scale(40);
  const int height = OwnerForm().Scale(12);
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  win32::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, width, height));
  const HGDIOBJ old = ::SelectObject(memory, bitmap.get());
  const RECT all{0, 0, width, height};
  const win32::UniqueBrush fill(::CreateSolidBrush(color_));
  ::FillRect(memory, &all, fill.get());
  ::FrameRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  ::SendMessageW(hwnd(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get()));
  swatch_ = std::move(bitmap);
}

void ColorButton::Command(WORD notification) {
  if (notification != BN_CLICKED) return;
  const HMENU menu = ::CreatePopupMenu();
  for (std::size_t i = 0; i < std::size(kPalette); ++i) {
    ::AppendMenuW(menu, MF_STRING | (kPalette[i].color == color_ ? MF_CHECKED : 0), i + 1, kPalette[i].name);
  }
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kOtherColor, L"&Other...");
  RECT place{};
  ::GetWindowRect(hwnd(), &place);
  const UINT chosen = static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, place.left, place.bottom,
                                                         0, OwnerForm().hwnd(), nullptr));
  ::DestroyMenu(menu);
  COLORREF picked = color_;
  if (chosen >= 1 && chosen <= std::size(kPalette)) {
    picked = kPalette[chosen - 1].color;
  } else if (chosen == kOtherColor) {
    static COLORREF custom[16] = {};
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = OwnerForm().hwnd();
    dialog.rgbResult = color_;
    dialog.lpCustColors = custom;
    dialog.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (!::ChooseColorW(&dialog)) return;
    picked = dialog.rgbResult;
  } else {
    return;
  }
  SetColor(picked);
  if (OnChange) Application::Guard([this] { OnChange(*this); });
}

// ---- Panel --------------------------------------------------------------------

namespace {

// A white panel paints white and gives its labels a white background; the rest goes
// to the form like any container's.
LRESULT CALLBACK WhitePanel(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR form) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT inside{};
      ::GetClientRect(window, &inside);
      ::FillRect(reinterpret_cast<HDC>(wParam), &inside, ::GetSysColorBrush(COLOR_WINDOW));
      return 1;
    }
    case WM_PAINT: {
      // A static control paints its inside with the brush its parent gives; this one
      // is white whatever the form's colour.
      PAINTSTRUCT paint{};
      const HDC dc = ::BeginPaint(window, &paint);
      ::FillRect(dc, &paint.rcPaint, ::GetSysColorBrush(COLOR_WINDOW));
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    default:
      return ForwardToForm(window, message, wParam, lParam, id, form);
  }
}

}  // namespace

Panel::Panel(Container& parent, Bounds bounds, bool white) : Control(parent, bounds) {
  CreateHandle(L"STATIC", 0, WS_EX_CONTROLPARENT, u"");
  ::SetWindowSubclass(hwnd(), white ? WhitePanel : ForwardToForm, 1, reinterpret_cast<DWORD_PTR>(OwnerForm().hwnd()));
}

// ---- LinkLabel ----------------------------------------------------------------

LinkLabel::LinkLabel(Container& parent, TextView address, Bounds bounds) : Control(parent, bounds), address_(address) {
  CreateHandle(WC_LINK, WS_TABSTOP, 0, u"<a>" + address_ + u"</a>");
}

LRESULT LinkLabel::Notify(const NMHDR* header) {
  if ((header->code == NM_CLICK || header->code == NM_RETURN) && OnClick) {
    Application::Guard([this] { OnClick(*this, address_); });
  }
  return 0;
}

// ---- SpinEdit -----------------------------------------------------------------

SpinEdit::SpinEdit(Container& parent, Bounds bounds, int minimum, int maximum) : Control(parent, bounds) {
  CreateHandle(L"EDIT", WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, u"");
  upDown_ = ::CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                              WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                              0, 0, 0, 0, ::GetParent(hwnd()), nullptr, Application::Instance(), nullptr);
  ::SendMessageW(upDown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd()), 0);
  ::SendMessageW(upDown_, UDM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}

int SpinEdit::Value() const {
  BOOL failed = FALSE;
  const int value = static_cast<int>(::SendMessageW(upDown_, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
  return value;
}

void SpinEdit::SetValue(int value) {
  settingValue_ = true;
  ::SendMessageW(upDown_, UDM_SETPOS32, 0, value);
  settingValue_ = false;
}

void SpinEdit::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  ::EnableWindow(upDown_, enabled ? TRUE : FALSE);
}

void SpinEdit::Command(WORD notification) {
  if (notification == EN_CHANGE && !settingValue_ && OnChange) Application::Guard([this] { OnChange(*this); });
}

// ---- ReportList ---------------------------------------------------------------

ReportList::ReportList(Container& parent, Bounds bounds, const std::vector<std::pair<Text, int>>& columns)
    : Control(parent, bounds) {
  CreateHandle(WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER, WS_EX_CLIENTEDGE, u"");
  int used = 0;
  for (const auto& column : columns) used += column.second;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    std::wstring caption = win32::ToWide(columns[i].first);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = caption.data();
    const int width = columns[i].second ? columns[i].second : bounds.width - used - 4;
    column.cx = OwnerForm().Scale(width > 0 ? width : 50);
    ::SendMessageW(hwnd(), LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void ReportList::SetRows(const std::vector<std::vector<Text>>& rows) {
  ListView_DeleteAllItems(hwnd());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      std::wstring text = win32::ToWide(rows[r][c]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      ::SendMessageW(hwnd(), c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
    }
  }
}

// ---- PageControl --------------------------------------------------------------

PageControl::PageControl(Container& parent, Bounds bounds, const std::vector<Text>& tabs) : Control(parent, bounds) {
  CreateHandle(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE, 0, u"");
  for (std::size_t i = 0; i < tabs.size(); ++i) {
    std::wstring text = win32::ToWide(tabs[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    ::SendMessageW(hwnd(), TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  // The pages lie over the tab control's display area, as siblings above it.
  RECT area{0, 0, OwnerForm().Scale(bounds.width), OwnerForm().Scale(bounds.height)};
  TabCtrl_AdjustRect(hwnd(), FALSE, &area);
  const Bounds page{bounds.left + OwnerForm().Unscale(area.left), bounds.top + OwnerForm().Unscale(area.top),
                    OwnerForm().Unscale(area.right - area.left), OwnerForm().Unscale(area.bottom - area.top)};
  for (std::size_t i = 0; i < tabs.size(); ++i) pages_.push_back(std::make_unique<Panel>(parent, page));
  SetActivePage(0);
}

PageControl::~PageControl() = default;

int PageControl::ActivePage() const { return TabCtrl_GetCurSel(hwnd()); }

void PageControl::SetActivePage(int index) {
  TabCtrl_SetCurSel(hwnd(), index);
  for (std::size_t i = 0; i < pages_.size(); ++i) pages_[i]->SetVisible(static_cast<int>(i) == index);
}

LRESULT PageControl::Notify(const NMHDR* header) {
  if (header->code == TCN_SELCHANGE) {
    SetActivePage(ActivePage());
    if (OnChange) Application::Guard([this] { OnChange(*this); });
  }
  return 0;
}

win32::UniqueBitmap Image::ReadBitmapFile(TextView path) {
  return win32::UniqueBitmap(static_cast<HBITMAP>(
      ::LoadImageW(nullptr, win32::ToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
}

void Image::SetPicture(win32::UniqueBitmap picture) {
  if (!picture) return;
  ::SendMessageW(hwnd(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.get()));
  bitmap_ = std::move(picture);
}

bool Image::LoadFile(TextView path) {
  win32::UniqueBitmap picture = ReadBitmapFile(path);
  if (!picture) return false;
  SetPicture(std::move(picture));
  return true;
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

void RadioGroup::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  for (const auto& button : buttons_) button->SetEnabled(enabled);
}

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
