#pragma once
// The application object of the window toolkit: its title (the caption of every
// plain message box), the message loop, termination and the standard error box.
//
// Errors raised inside an event handler are caught at the handler's boundary
// (Guard), shown in the standard error box, and the loop goes on.

#include <windows.h>

#include <exception>
#include <functional>
#include <stdexcept>
#include <utility>

#include "platform/text.h"

namespace lanthe::toolkit {

class Form;

namespace Application {

// Remembers the program's instance. Call once, first. Nothing of the user interface
// is loaded until the first window is made.
void Initialize(HINSTANCE instance);
// Loads the common controls (with the themes of the manifest's version 6); the first
// form's controls do it.
void EnsureCommonControls();
HINSTANCE Instance();

void SetTitle(TextView title);
const Text& Title();

// The first form whose window is made becomes the main form: closing it ends the program.
Form* MainForm();
void SetMainForm(Form* form);

// Asks the message loop to end. Messages already waiting are still handled.
void Terminate();
bool TerminateRequested();

// Runs the message loop until Terminate or until the main form closes. The main form
// is made visible at the start, unless termination was requested already.
void Run();

// Hands one message to the form it belongs to (keyboard navigation of dialogs
// included) or dispatches it.
void Dispatch(MSG& message);

// Handles every message of this thread, without using the processor in between,
// until done says so or the time is up; whether done said so. A quit message ends
// it early and is left for the message loop.
bool RunMessagesUntil(const std::function<bool()>& done, DWORD milliseconds);

// The standard error box: the error's text, the application title, an error icon.
void ShowException(const std::exception& error) noexcept;

// Runs a handler; an error it raises is shown in the standard error box.
// Returns false when the handler raised.
template <typename Handler>
bool Guard(Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
    return true;
  } catch (const std::exception& error) {
    ShowException(error);
  } catch (...) {
    ShowException(std::runtime_error("Unknown error"));
  }
  return false;
}

}  // namespace Application

}  // namespace lanthe::toolkit
