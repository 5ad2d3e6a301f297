#include "dialogs/shutdown_dialog.h"

#include "config/settings.h"

namespace lanthe {

Text ShutdownHelpText(std::int32_t code) {
  switch (code) {
    case ExitAction::kShutdown: return kShutdownHelp;
    case ExitAction::kLogOff: return kLogoffHelp;
    case ExitAction::kRestart: return kRestartHelp;
    default: return Text();
  }
}

void TfrmShutdownDialog::FormShow() {
  choiceCodes_.Clear();
  state_.items.clear();
  const auto add = [this](Text text, std::int32_t code) {
    state_.items.push_back(std::move(text));
    choiceCodes_.Add(code);
  };
  if (ShowShutdown) add(u"Afsluiten", ExitAction::kShutdown);
  if (ShowLogoff) add(userName_ + u" afmelden", ExitAction::kLogOff);
  if (ShowRestart) add(u"Opnieuw opstarten", ExitAction::kRestart);

  state_.itemIndex = state_.items.empty() ? -1 : 0;
  for (int i = 0; i < choiceCodes_.Count(); ++i) {
    if (choiceCodes_.Get(i) == DefaultChoice) state_.itemIndex = i;
  }
  state_.okEnabled = !state_.items.empty();
  if (state_.items.empty()) state_.helpText = kNoChoiceHelp;
  UpdateHelpText();
}

void TfrmShutdownDialog::UpdateHelpText() {
  if (state_.itemIndex < 0 || state_.itemIndex >= choiceCodes_.Count()) return;
  const Text help = ShutdownHelpText(choiceCodes_.Get(state_.itemIndex));
  if (!help.empty()) state_.helpText = help;
}

void TfrmShutdownDialog::cboxChoiceChange(int itemIndex) {
  state_.itemIndex = itemIndex;
  UpdateHelpText();
}

int TfrmShutdownDialog::btnOkClick() {
  if (state_.itemIndex < 0 || state_.itemIndex >= choiceCodes_.Count()) return 0;
  ChosenAction = choiceCodes_.Get(state_.itemIndex);
  return 1;
}

int TfrmShutdownDialog::btnAnnulerenClick() { return 2; }

}  // namespace lanthe
