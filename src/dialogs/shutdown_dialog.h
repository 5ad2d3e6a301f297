#pragma once
// The end-of-session dialog "Windows Afsluiten": it offers up to three exit actions
// in a drop-down list, with a help line under it, and returns the chosen action to
// the caller; it performs nothing itself. This is its logic; the Win32 view shows
// its state and forwards its events.

#include <cstdint>
#include <vector>

#include "dialogs/int_list.h"
#include "platform/text.h"

namespace lanthe {

// The help lines, letter for letter (the first one has "beëndigen").
inline constexpr char16_t kShutdownHelp[] =
    u"De sessie be\u00EBndigen en Windows afsluiten, zodat u de computer veilig kunt uitzetten.";
inline constexpr char16_t kLogoffHelp[] = u"De sessie be\u00EBindigen. De computer blijft gewoon aanstaan.";
inline constexpr char16_t kRestartHelp[] = u"De sessie be\u00EBindigen, Windows afsluiten en daarna opnieuw opstarten.";
// Shown when every choice is switched off, so that the user knows why OK does nothing.
inline constexpr char16_t kNoChoiceHelp[] =
    u"Er is geen actie beschikbaar. Kies Cancel om terug te gaan.";

struct ShutdownDialogState {
  std::vector<Text> items;  // cboxChoice
  int itemIndex = -1;
  Text helpText;            // lblHelp
  bool okEnabled = true;

  bool operator==(const ShutdownDialogState&) const = default;
};

class TfrmShutdownDialog {
 public:
  // userName: the logged-on user, whose log-off item reads "<name> afmelden".
  explicit TfrmShutdownDialog(Text userName) : userName_(std::move(userName)) {}

  // Switches set by applying the settings, before the dialog is ever shown.
  bool ShowShutdown = true;
  bool ShowLogoff = true;
  bool ShowRestart = false;
  std::int32_t DefaultChoice = 0;
  // The exit action of the last confirmed choice; kept through a later Cancel.
  std::int32_t ChosenAction = -1;

  // Every show rebuilds the list from the switches and preselects DefaultChoice.
  void FormShow();
  void cboxChoiceChange(int itemIndex);
  // OK: the chosen action and the OK result. Without any item nothing happens.
  // Returns the modal result to close with, or 0 to stay open.
  int btnOkClick();
  int btnAnnulerenClick();
  void UpdateHelpText();

  const ShutdownDialogState& State() const { return state_; }
  const TIntegerList& ChoiceCodes() const { return choiceCodes_; }

 private:
  Text userName_;
  TIntegerList choiceCodes_;
  ShutdownDialogState state_;
};

// The help line of an exit action code; empty for a code without one.
Text ShutdownHelpText(std::int32_t code);

}  // namespace lanthe
