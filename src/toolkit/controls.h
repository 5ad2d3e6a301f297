#pragma once
// Controls of the window toolkit. Each is a native child window carrying its
// caption, so that UI-automation tools and screen readers see it. Positions are
// relative to the parent (the form or a group box) at 96 DPI.
//
// Event handlers (OnClick, OnChange) run only for the user's actions, not when the
// program sets a value itself.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/handles.h"
#include "toolkit/form.h"

namespace lanthe::toolkit {

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  HWND hwnd() const { return hwnd_; }
  int Id() const { return id_; }
  Form& OwnerForm() const { return form_; }

  void SetVisible(bool visible);
  bool Visible() const;
  virtual void SetEnabled(bool enabled);
  bool Enabled() const;
  void SetCaption(TextView caption);
  Text Caption() const;
  // A new place, at 96 DPI relative to the parent.
  void SetBounds(Bounds bounds);

  int Tag = 0;

 protected:
  Control(Container& parent, Bounds bounds);
  // Makes the native window; called by each control's constructor.
  void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, TextView caption);
  // A WM_COMMAND notification of this control.
  virtual void Command(WORD) {}
  // A WM_NOTIFY notification of this control; the result goes back to the control.
  virtual LRESULT Notify(const NMHDR*) { return 0; }
  // The form gave the control its font (at creation and when the DPI changed).
  virtual void FontChanged() {}

 private:
  friend class Form;
  Container& parent_;
  Form& form_;
  Bounds bounds_;
  HWND hwnd_ = nullptr;
  int id_ = 0;
};

class Button : public Control {
 public:
  Button(Container& parent, TextView caption, Bounds bounds);
  // What a click does: the user's click, Enter on the default button, Escape on the
  // cancel button, and Click() all run it.
  void Click();
  std::function<void(Button&)> OnClick;
  // A flat button that shows a picture from the bitmap resources instead of text
  // (the caption stays, for screen readers).
  void SetPicture(int bitmapResource);

 protected:
  void Command(WORD notification) override;

 private:
  win32::UniqueBitmap picture_;
};

class CheckBox : public Control {
 public:
  // wordWrap: a caption longer than the width goes on in a second line.
  CheckBox(Container& parent, TextView caption, Bounds bounds, bool wordWrap = false);
  bool Checked() const;
  void SetChecked(bool checked);
  std::function<void(CheckBox&)> OnClick;

 protected:
  void Command(WORD notification) override;
};

class Label : public Control {
 public:
  Label(Container& parent, TextView caption, Bounds bounds, bool wordWrap = false);
  // In bold, as titles are; in the form's type face, or in the one named, at the
  // form's size.
  void SetBold(const wchar_t* face = nullptr);

 protected:
  void FontChanged() override;

 private:
  bool bold_ = false;
  std::wstring face_;
  win32::UniqueFont boldFont_;
};

// A link: a click opens its address (OnClick receives it).
class LinkLabel : public Control {
 public:
  LinkLabel(Container& parent, TextView address, Bounds bounds);
  std::function<void(LinkLabel&, TextView)> OnClick;

 protected:
  LRESULT Notify(const NMHDR* header) override;

 private:
  Text address_;
};

// A number box with up and down arrows, within a range.
class SpinEdit : public Control {
 public:
  SpinEdit(Container& parent, Bounds bounds, int minimum, int maximum);
  int Value() const;
  void SetValue(int value);
  // The box and its arrows.
  void SetEnabled(bool enabled) override;
  std::function<void(SpinEdit&)> OnChange;

 protected:
  void Command(WORD notification) override;

 private:
  HWND upDown_ = nullptr;
  bool settingValue_ = false;
};

// A read-only list of rows in columns, with headers.
class ReportList : public Control {
 public:
  // columns: caption and width at 96 DPI; a width of 0 takes what is left.
  ReportList(Container& parent, Bounds bounds, const std::vector<std::pair<Text, int>>& columns);
  void SetRows(const std::vector<std::vector<Text>>& rows);
};

class Edit : public Control {
 public:
  Edit(Container& parent, Bounds bounds);
  Text GetText() const { return Caption(); }
  void SetText(TextView text);
  std::function<void(Edit&)> OnChange;

 protected:
  void Command(WORD notification) override;

 private:
  bool settingText_ = false;
};

// A drop-down list without free text.
class ComboBox : public Control {
 public:
  ComboBox(Container& parent, Bounds bounds);
  void Clear();
  int AddItem(TextView text);
  int Count() const;
  Text Item(int index) const;
  int ItemIndex() const;  // -1 when nothing is selected
  void SetItemIndex(int index);
  std::function<void(ComboBox&)> OnChange;

 protected:
  void Command(WORD notification) override;
};

// A picture from the program's bitmap resources, stretched to its place. With
// transparent, the colour of its first pixel shows the dialog's background instead
// (for bitmaps of 256 colours or fewer).
class Image : public Control {
 public:
  Image(Container& parent, Bounds bounds, int bitmapResource, bool transparent = false);
  // Shows the bitmap file instead; false (the picture stays) when it cannot be read.
  bool LoadFile(TextView path);
  // Shows this picture instead (one of ReadBitmapFile).
  void SetPicture(win32::UniqueBitmap picture);
  // A bitmap file read into memory, or none when it cannot be read.
  static win32::UniqueBitmap ReadBitmapFile(TextView path);

 private:
  win32::UniqueBitmap bitmap_;
};

// A list of large icons, arranged automatically, one selected at a time. Its image
// list holds icons of one size; icons of another size are scaled to it.
class ListView : public Control {
 public:
  ListView(Container& parent, Bounds bounds);
  ~ListView() override;
  void Clear();  // items and images
  // Adds the icon (the list keeps its own copy) and an item showing it.
  int AddItem(TextView caption, HICON icon);
  int Count() const;
  int SelectedIndex() const;  // -1 when nothing is selected
  std::function<void(ListView&)> OnClick;

 protected:
  LRESULT Notify(const NMHDR* header) override;

 private:
  HIMAGELIST images_ = nullptr;
};

// A multi-line text box with both scroll bars.
class Memo : public Control {
 public:
  Memo(Container& parent, Bounds bounds);
  void SetLines(const std::vector<Text>& lines);
  std::vector<Text> Lines() const;
};

// A list of rows with check marks; the row last clicked stays highlighted.
class CheckList : public Control {
 public:
  CheckList(Container& parent, Bounds bounds, const std::vector<Text>& rows);
  bool Checked(int row) const;
  void SetChecked(int row, bool checked);
  int Highlighted() const;  // -1 for none
  void SetHighlighted(int row);
  std::function<void(CheckList&)> OnChange;  // a check mark or the highlight changed

 protected:
  LRESULT Notify(const NMHDR* header) override;

 private:
  bool updating_ = false;
};

// A button that shows a colour; a click offers a palette and "&Other...", which opens
// the colour chooser. Colours are red in the lowest byte, then green, then blue.
class ColorButton : public Control {
 public:
  ColorButton(Container& parent, Bounds bounds);
  COLORREF Color() const { return color_; }
  void SetColor(COLORREF color);
  std::function<void(ColorButton&)> OnChange;

 protected:
  void Command(WORD notification) override;

 private:
  void Paint();
  COLORREF color_ = 0;
  win32::UniqueBitmap swatch_;
};

// A plain container for controls, such as the pages of a page control. A white panel
// has the window colour behind its controls, as title bands have.
class Panel : public Control, public Container {
 public:
  Panel(Container& parent, Bounds bounds, bool white = false);
  HWND ContainerHandle() const override { return hwnd(); }
  Form& OwnerForm() override { return Control::OwnerForm(); }
};

// Tabs on several lines above pages of controls; one page shows at a time.
class PageControl : public Control {
 public:
  PageControl(Container& parent, Bounds bounds, const std::vector<Text>& tabs);
  ~PageControl() override;
  Panel& Page(int index) { return *pages_.at(static_cast<std::size_t>(index)); }
  int ActivePage() const;
  void SetActivePage(int index);
  std::function<void(PageControl&)> OnChange;

 protected:
  LRESULT Notify(const NMHDR* header) override;

 private:
  std::vector<std::unique_ptr<Panel>> pages_;
};

// A group box whose controls are its own child windows.
class GroupBox : public Control, public Container {
 public:
  GroupBox(Container& parent, TextView caption, Bounds bounds);
  HWND ContainerHandle() const override { return hwnd(); }
  Form& OwnerForm() override { return Control::OwnerForm(); }
};

// A group box of radio buttons, one per item, one above the other.
class RadioGroup : public GroupBox {
 public:
  RadioGroup(Container& parent, TextView caption, Bounds bounds, const std::vector<Text>& items);
  ~RadioGroup() override;
  int ItemIndex() const;  // -1 when nothing is selected
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(buttons_.size()); }
  HWND ItemHandle(int index) const;
  // The group and each of its items, so that the items show greyed as well.
  void SetEnabled(bool enabled) override;
  std::function<void(RadioGroup&)> OnClick;

 private:
  class RadioButton;
  std::vector<std::unique_ptr<RadioButton>> buttons_;
};

}  // namespace lanthe::toolkit
