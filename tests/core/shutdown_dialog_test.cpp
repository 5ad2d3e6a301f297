#include "dialogs/shutdown_dialog.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace lanthe {
namespace {

TEST(IntegerList, AddReturnsTheIndexAndGetChecksItsBounds) {
  TIntegerList list;
  EXPECT_EQ(list.Add(4), 0);
  EXPECT_EQ(list.Add(2), 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(1), 2);
  EXPECT_THROW(list.Get(2), std::out_of_range);
  EXPECT_THROW(list.Get(-1), std::out_of_range);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ShutdownDialog, HelpTextsLetterForLetter) {
  EXPECT_EQ(ShutdownHelpText(4),
            u"De sessie be\u00EBndigen en Windows afsluiten, zodat u de computer veilig kunt uitzetten.");
  EXPECT_EQ(ShutdownHelpText(2), u"De sessie be\u00EBindigen. De computer blijft gewoon aanstaan.");
  EXPECT_EQ(ShutdownHelpText(3), u"De sessie be\u00EBindigen, Windows afsluiten en daarna opnieuw opstarten.");
}

TEST(ShutdownDialog, AFreshDialogOffersShutdownAndLogoff) {
  TfrmShutdownDialog dialog(u"kiosk");
  dialog.FormShow();
  EXPECT_EQ(dialog.State().items, (std::vector<Text>{u"Afsluiten", u"kiosk afmelden"}));
  EXPECT_EQ(dialog.State().itemIndex, 0);
  EXPECT_EQ(dialog.State().helpText, ShutdownHelpText(4));
  EXPECT_EQ(dialog.ChosenAction, -1);
}

TEST(ShutdownDialog, ChoicesInTheirOrderWithTheDefaultPreselected) {
  const struct {
    bool shutdown, logoff, restart;
    int defaultChoice;
    std::vector<Text> items;
    int selected;
  } cases[] = {
      {true, true, true, 2, {u"Afsluiten", u"kiosk afmelden", u"Opnieuw opstarten"}, 1},
      {true, true, true, 3, {u"Afsluiten", u"kiosk afmelden", u"Opnieuw opstarten"}, 2},
      {true, true, false, 3, {u"Afsluiten", u"kiosk afmelden"}, 0},
      {true, true, true, 0, {u"Afsluiten", u"kiosk afmelden", u"Opnieuw opstarten"}, 0},
      {true, true, true, 1, {u"Afsluiten", u"kiosk afmelden", u"Opnieuw opstarten"}, 0},
      {false, false, true, 4, {u"Opnieuw opstarten"}, 0},
      {false, true, true, 3, {u"kiosk afmelden", u"Opnieuw opstarten"}, 1},
  };
  for (const auto& c : cases) {
    TfrmShutdownDialog dialog(u"kiosk");
    dialog.ShowShutdown = c.shutdown;
    dialog.ShowLogoff = c.logoff;
    dialog.ShowRestart = c.restart;
    dialog.DefaultChoice = c.defaultChoice;
    dialog.FormShow();
    EXPECT_EQ(dialog.State().items, c.items);
    EXPECT_EQ(dialog.State().itemIndex, c.selected) << c.defaultChoice;
    EXPECT_EQ(dialog.State().helpText, ShutdownHelpText(dialog.ChoiceCodes().Get(c.selected)));
  }
}

TEST(ShutdownDialog, OkReturnsTheCodeNotTheIndex) {
  TfrmShutdownDialog dialog(u"kiosk");
  dialog.ShowShutdown = false;
  dialog.FormShow();
  EXPECT_EQ(dialog.btnOkClick(), 1);
  EXPECT_EQ(dialog.ChosenAction, 2);

  dialog.ShowShutdown = true;
  dialog.ShowRestart = true;
  dialog.FormShow();
  dialog.cboxChoiceChange(2);
  EXPECT_EQ(dialog.State().helpText, ShutdownHelpText(3));
  EXPECT_EQ(dialog.btnOkClick(), 1);
  EXPECT_EQ(dialog.ChosenAction, 3);
}

TEST(ShutdownDialog, CancelKeepsTheEarlierChoice) {
  TfrmShutdownDialog dialog(u"kiosk");
  dialog.FormShow();
  dialog.btnOkClick();
  dialog.FormShow();
  EXPECT_EQ(dialog.btnAnnulerenClick(), 2);
  EXPECT_EQ(dialog.ChosenAction, 4);
}

TEST(ShutdownDialog, WithoutAnyChoiceOkDoesNothingAndSaysWhy) {
  TfrmShutdownDialog dialog(u"kiosk");
  dialog.ShowShutdown = false;
  dialog.ShowLogoff = false;
  dialog.ShowRestart = false;
  dialog.FormShow();
  EXPECT_TRUE(dialog.State().items.empty());
  EXPECT_EQ(dialog.State().itemIndex, -1);
  EXPECT_FALSE(dialog.State().okEnabled);
  EXPECT_EQ(dialog.State().helpText, kNoChoiceHelp);
  EXPECT_EQ(dialog.btnOkClick(), 0) << "the dialog stays open";
  EXPECT_EQ(dialog.ChosenAction, -1);
  EXPECT_EQ(dialog.btnAnnulerenClick(), 2);
}

}  // namespace
}  // namespace lanthe
