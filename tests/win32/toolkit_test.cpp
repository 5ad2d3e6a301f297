// The window toolkit with real windows: handlers and their errors, radio groups,
// modal forms, layout at the screen's DPI.

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "box_answerer.h"
#include "platform/error.h"
#include "test_support.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace lanthe::toolkit {
namespace {

using win32::tests::BoxAnswerer;

class TestForm final : public Form {
 public:
  TestForm() : Form(FormOptions{u"Toolkit test", 300, 200, BorderStyle::kDialog, true, false}) {}

  std::unique_ptr<Button> ok;
  std::unique_ptr<Button> broken;
  std::unique_ptr<GroupBox> group;
  std::unique_ptr<Button> inGroup;
  std::unique_ptr<RadioGroup> radios;
  int okClicks = 0;
  int groupClicks = 0;
  std::vector<int> radioClicks;

 protected:
  void BuildControls() override {
    ok = std::make_unique<Button>(*this, u"OK", Bounds{10, 10, 75, 25});
    ok->OnClick = [this](Button&) {
      ++okClicks;
      SetModalResult(ModalResult::kOk);
    };
    broken = std::make_unique<Button>(*this, u"Broken", Bounds{90, 10, 75, 25});
    broken->OnClick = [](Button&) { throw Error(u"Something went wrong in a handler"); };
    group = std::make_unique<GroupBox>(*this, u"Group", Bounds{10, 40, 150, 60});
    inGroup = std::make_unique<Button>(*group, u"Inside", Bounds{10, 20, 75, 25});
    inGroup->OnClick = [this](Button&) { ++groupClicks; };
    radios = std::make_unique<RadioGroup>(*this, u"Choice", Bounds{170, 40, 120, 97},
                                          std::vector<Text>{u"First", u"Second"});
    radios->OnClick = [this](RadioGroup& g) { radioClicks.push_back(g.ItemIndex()); };
    SetDefaultButton(ok.get());
  }
};

class ToolkitTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application::Initialize(::GetModuleHandleW(nullptr));
    Application::SetTitle(u"Korvex NG");
  }
  ToolkitTest() { form.CreateWindowHandle(); }

  // What the user's click on a control sends to its parent.
  static void UserClick(HWND control) {
    ::SendMessageW(control, BM_CLICK, 0, 0);
  }

  TestForm form;
};

TEST_F(ToolkitTest, ControlsAreNativeChildrenWithTheirCaptions) {
  EXPECT_EQ(::GetParent(form.ok->hwnd()), form.hwnd());
  EXPECT_EQ(::GetParent(form.inGroup->hwnd()), form.group->hwnd()) << "group boxes hold their controls";
  EXPECT_EQ(form.inGroup->Caption(), u"Inside");
  wchar_t text[64] = {};
  ::GetWindowTextW(form.radios->ItemHandle(1), text, 64);
  EXPECT_STREQ(text, L"Second");
}

TEST_F(ToolkitTest, LayoutScalesThe96DpiPlacesToTheScreen) {
  RECT client{};
  ::GetClientRect(form.hwnd(), &client);
  EXPECT_EQ(client.right, form.Scale(300));
  EXPECT_EQ(client.bottom, form.Scale(200));
  RECT inside{};
  ::GetWindowRect(form.inGroup->hwnd(), &inside);
  ::MapWindowPoints(nullptr, form.group->hwnd(), reinterpret_cast<POINT*>(&inside), 2);
  EXPECT_EQ(inside.left, form.Scale(10));
  EXPECT_EQ(inside.top, form.Scale(20));
  EXPECT_EQ(inside.right - inside.left, form.Scale(75));
  const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(form.ok->hwnd(), WM_GETFONT, 0, 0));
  LOGFONTW described{};
  ASSERT_TRUE(font && ::GetObjectW(font, sizeof described, &described));
  EXPECT_STREQ(described.lfFaceName, L"Tahoma");
  EXPECT_EQ(described.lfHeight, -::MulDiv(8, form.Dpi(), 72));
}

TEST_F(ToolkitTest, ClicksInsideAGroupBoxReachTheirHandler) {
  UserClick(form.inGroup->hwnd());
  EXPECT_EQ(form.groupClicks, 1);
}

TEST_F(ToolkitTest, AnErrorInAHandlerIsShownAndTheProgramGoesOn) {
  BoxAnswerer answerer(L"Korvex NG", IDOK);
  UserClick(form.broken->hwnd());
  const auto& seen = answerer.seen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, L"Something went wrong in a handler");
  EXPECT_TRUE(seen.icon) << "the standard error box has the error icon";
  UserClick(form.inGroup->hwnd());
  EXPECT_EQ(form.groupClicks, 1) << "handlers still run afterwards";
}

TEST_F(ToolkitTest, RadioGroupReportsOnlyTheUsersChoice) {
  form.radios->SetItemIndex(1);
  EXPECT_EQ(form.radios->ItemIndex(), 1);
  EXPECT_TRUE(form.radioClicks.empty()) << "setting the selection is no click";
  UserClick(form.radios->ItemHandle(0));
  EXPECT_EQ(form.radioClicks, std::vector<int>{0});
  EXPECT_EQ(form.radios->ItemIndex(), 0);
  form.radios->SetItemIndex(-1);
  EXPECT_EQ(form.radios->ItemIndex(), -1);
}

TEST_F(ToolkitTest, ModalFormDisablesTheOthersAndReturnsItsResult) {
  TestForm other;
  other.CreateWindowHandle();
  other.Show();
  // The default button answers Enter; here it is clicked once the form is up.
  std::thread clicker([&] {
    win32::tests::WaitUntil([&] { return form.Visible(); });
    EXPECT_FALSE(::IsWindowEnabled(other.hwnd())) << "the other form is disabled while the modal one shows";
    ::PostMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(form.ok->Id(), BN_CLICKED),
                   reinterpret_cast<LPARAM>(form.ok->hwnd()));
  });
  const int result = form.ShowModal();
  clicker.join();
  EXPECT_EQ(result, ModalResult::kOk);
  EXPECT_EQ(form.okClicks, 1);
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(::IsWindowEnabled(other.hwnd()));
}

TEST_F(ToolkitTest, ClosingAModalFormGivesCancel) {
  std::thread closer([&] {
    win32::tests::WaitUntil([&] { return form.Visible(); });
    ::PostMessageW(form.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(form.ShowModal(), ModalResult::kCancel);
  closer.join();
}

TEST_F(ToolkitTest, BorderIconsCanBeTakenAwayAndGivenBack) {
  form.SetBorderIcons(false, false);
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWL_STYLE) & WS_SYSMENU, 0);
  form.SetBorderIcons(true, true);
  EXPECT_NE(::GetWindowLongPtrW(form.hwnd(), GWL_STYLE) & WS_SYSMENU, 0);
  EXPECT_NE(::GetWindowLongPtrW(form.hwnd(), GWL_STYLE) & WS_MAXIMIZEBOX, 0);
}

}  // namespace
}  // namespace lanthe::toolkit
