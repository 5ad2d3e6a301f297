#pragma once
// Forms: top-level windows whose controls are real native child windows, laid out
// from positions given at 96 DPI and scaled to the screen's DPI, in Tahoma 8 pt.
//
// A form is a class: it builds its controls in BuildControls and handles its events
// in member functions. The static window procedure only finds the form and hands the
// message on.

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/text.h"
#include "platform/win32/handles.h"

namespace lanthe::toolkit {

class Control;
class Button;

// Modal results.
namespace ModalResult {
constexpr int kNone = 0;
constexpr int kOk = 1;
constexpr int kCancel = 2;
}  // namespace ModalResult

enum class BorderStyle {
  kSingle,      // fixed size, caption, system menu, minimize box
  kDialog,      // fixed dialog frame, no icon, no minimize box
  kSizeable,    // resizable frame
  kSizeToolWindow,  // resizable tool window (small caption, no task-bar button)
};

struct FormOptions {
  Text caption;
  int clientWidth = 0;   // at 96 DPI
  int clientHeight = 0;  // at 96 DPI
  BorderStyle border = BorderStyle::kSingle;
  bool systemMenu = true;
  bool maximizeBox = false;
};

// Where controls can be put: a form or a group box.
class Container {
 public:
  virtual ~Container() = default;
  virtual HWND ContainerHandle() const = 0;
  virtual class Form& OwnerForm() = 0;
};

class Form : public Container {
 public:
  explicit Form(FormOptions options);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Makes the window (hidden) and its controls. owner: the form that owns this one
  // (the main form for every other form), or none. controlsOnFirstShow: the window
  // now, its controls when it first shows (a window that may stay hidden all day).
  void CreateWindowHandle(Form* owner = nullptr, bool controlsOnFirstShow = false);
  // The window and its controls, put off until the form is first shown (or
  // EnsureWindowHandle is called): windows that may never show cost nothing at start-up.
  void CreateWindowHandleOnFirstUse(Form* owner = nullptr);
  // Makes now what was put off: the window and its controls.
  void EnsureWindowHandle();
  // Makes the window alone, its controls still put off until it first shows (a hidden
  // main window that must answer other programs' messages).
  void EnsureWindow();
  HWND hwnd() const { return hwnd_; }

  // Shows the window: FormShow first, centred on the screen the first time.
  void Show();
  void Hide();
  bool Visible() const;
  // Shows the form modally: every other window of the program is disabled until the
  // modal result is set; returns it.
  int ShowModal();
  void SetModalResult(int result) { modalResult_ = result; }
  bool Modal() const { return modal_; }
  // The close sequence of every way of closing: the close query, then the close
  // handler, then a modal form ends with Cancel, the main form ends the program and
  // any other form hides.
  void Close();

  // A tool window that stays usable while another form is shown modally (a viewer
  // that a modal dialog fills); every other window is disabled for the modal run.
  void SetUsableBesideModal(bool usable) { usableBesideModal_ = usable; }
  bool UsableBesideModal() const { return usableBesideModal_; }

  // Title-bar buttons: the system menu (with the close box) and the maximize box.
  void SetBorderIcons(bool systemMenu, bool maximizeBox);

  // Enter clicks the default button, Escape the cancel button.
  void SetDefaultButton(Button* button) { defaultButton_ = button; }
  void SetCancelButton(Button* button) { cancelButton_ = button; }

  int Dpi() const { return dpi_; }
  int Scale(int pixels96) const { return ::MulDiv(pixels96, dpi_, 96); }
  int Unscale(int pixels) const { return ::MulDiv(pixels, 96, dpi_); }
  // The client area's size at 96 DPI.
  SIZE ClientSize96() const;

  // A timer of this form: Timer(id) runs after the time, again and again until stopped.
  void StartTimer(UINT_PTR id, int milliseconds);
  void StopTimer(UINT_PTR id);

  // A tooltip for one of the form's controls.
  void SetTooltip(const Control& control, TextView text);

  HWND ContainerHandle() const override { return hwnd_; }
  Form& OwnerForm() override { return *this; }

  // The form that owns a window of this program, or nullptr.
  static Form* FromHandle(HWND window);

 protected:
  virtual void BuildControls() = 0;
  // The close query: false keeps the window open.
  virtual bool CloseQuery() { return true; }
  // Runs when a close goes ahead.
  virtual void Closed() {}
  // Runs on every show, before the window becomes visible.
  virtual void Showing() {}
  // Runs when a timer of the form is due.
  virtual void Timer(UINT_PTR) {}
  // Runs when the client area changed its size; controls may be moved here.
  virtual void Resized() {}
  // Windows asks whether the session may end (the answer is always yes), and says
  // whether it ends. Both run inside Windows' sent message: nothing may be shown here.
  virtual void SessionEndQueried() {}
  virtual void SessionEnding(bool /*ending*/) {}
  // Any message the form does not handle itself; the default is DefWindowProc.
  virtual LRESULT HandleOther(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // The common controls, then the form's own controls.
  void MakeControls();
  friend class Control;
  int Register(Control* control);
  void Unregister(Control* control);
  Control* FindControl(int id) const;
  void ApplyLayout();
  void RebuildFont();
  DWORD Style() const;
  DWORD ExStyle() const;
  void Centre();
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  FormOptions options_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  win32::UniqueFont font_;
  std::vector<Control*> controls_;  // in creation order, which is the tab order
  int nextId_ = 1000;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
  bool modal_ = false;
  int modalResult_ = ModalResult::kNone;
  bool shownOnce_ = false;
  bool usableBesideModal_ = false;
  bool createOnFirstUse_ = false;
  bool controlsPending_ = false;
  Form* owner_ = nullptr;
  HWND tooltips_ = nullptr;  // a child of the form: destroyed with it
};

}  // namespace lanthe::toolkit
