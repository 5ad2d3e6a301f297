// Top-level window titles and the message boxes. Needs a display (xvfb-run).

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <thread>

#include "platform/message_boxes.h"
#include "platform/win32/shared_functions.h"
#include "platform/win32/win32_platform.h"
#include "box_answerer.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

// A hidden top-level window of this thread, destroyed at the end.
class TestWindow {
 public:
  explicit TestWindow(const std::wstring& title)
      : window_(::CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr)) {}
  ~TestWindow() {
    if (window_) ::DestroyWindow(window_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

bool Contains(const std::vector<Text>& titles, const Text& title) {
  return std::find(titles.begin(), titles.end(), title) != titles.end();
}

std::wstring TitleOfLength(std::size_t length) {
  std::wstring title = UniqueName(L"lanthe-title-") + L"-";
  while (title.size() < length) title.push_back(static_cast<wchar_t>(L'a' + title.size() % 26));
  return title.substr(0, length);
}

TEST(WindowTitles, CallbackCutsTitlesTo256AndSkipsEmptyOnes) {
  struct Row {
    std::size_t length;
    std::size_t kept;
  };
  const Row rows[] = {{1, 1}, {255, 255}, {256, 256}, {257, 256}, {300, 256}};
  for (const auto& row : rows) {
    const std::wstring title = TitleOfLength(row.length);
    TestWindow window(title);
    ASSERT_NE(window.get(), nullptr);
    std::vector<Text> list;
    EXPECT_EQ(EnumWindowTitlesProc(window.get(), reinterpret_cast<LPARAM>(&list)), TRUE);
    EXPECT_EQ(list, std::vector<Text>{T(title.substr(0, row.kept))}) << "length " << row.length;
  }
  TestWindow untitled(L"");
  ASSERT_NE(untitled.get(), nullptr);
  std::vector<Text> list;
  EXPECT_EQ(EnumWindowTitlesProc(untitled.get(), reinterpret_cast<LPARAM>(&list)), TRUE);
  EXPECT_TRUE(list.empty());
}

TEST(WindowTitles, ListsTheDesktopsWindowsWithoutEmptyTitles) {
  const std::wstring longTitle = TitleOfLength(300);
  const std::wstring shortTitle = UniqueName(L"lanthe-short-");
  TestWindow longWindow(longTitle);
  TestWindow shortWindow(shortTitle);
  TestWindow untitled(L"");
  ASSERT_TRUE(longWindow.get() && shortWindow.get() && untitled.get());

  const auto titles = Win32WindowList().TopLevelWindowTitles();
  EXPECT_TRUE(Contains(titles, T(longTitle.substr(0, 256))));
  EXPECT_FALSE(Contains(titles, T(longTitle)));
  EXPECT_TRUE(Contains(titles, T(shortTitle)));
  EXPECT_FALSE(Contains(titles, u""));
}

TEST(WindowTitles, SeesWindowsOfOtherPrograms) {
  const std::wstring title = UniqueName(L"lanthe-probe-window-");
  auto probe = StartProcess(Quoted(ProbePath()) + L" window " + Quoted(title) + L" 60000");
  ASSERT_NE(probe.process(), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return Contains(Win32WindowList().TopLevelWindowTitles(), T(title)); }));
  EndProcess(probe);
}

// ---- Message boxes --------------------------------------------------------------

std::vector<int> Sorted(std::vector<int> values) {
  std::sort(values.begin(), values.end());
  return values;
}

TEST(MessageBoxes, ShowMessageHasTheApplicationTitleAndOk) {
  BoxAnswerer answerer(W(kApplicationTitle), IDOK);
  Win32MessageBoxes().ShowMessage(u"Something to say");
  const auto& seen = answerer.seen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, L"Something to say");
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(seen.icon);
}

TEST(MessageBoxes, ConfirmIsAQuestionAnsweredYesOrNo) {
  for (const int button : {IDYES, IDNO}) {
    BoxAnswerer answerer(W(kApplicationTitle), button);
    const bool answer = Win32MessageBoxes().Confirm(u"Really?");
    const auto& seen = answerer.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(answer, button == IDYES);
    EXPECT_EQ(seen.text, L"Really?");
    EXPECT_EQ(Sorted(seen.buttons), (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(seen.icon);
  }
}

TEST(MessageBoxes, AskYesNoHasItsOwnCaptionAndNoIcon) {
  for (const int button : {IDYES, IDNO}) {
    const std::wstring caption = UniqueName(L"Lanthe question ");
    BoxAnswerer answerer(caption, button);
    const bool answer = Win32MessageBoxes().AskYesNo(u"Continue?", T(caption));
    const auto& seen = answerer.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(answer, button == IDYES);
    EXPECT_EQ(seen.text, L"Continue?");
    EXPECT_EQ(Sorted(seen.buttons), (std::vector<int>{IDYES, IDNO}));
    EXPECT_FALSE(seen.icon);
  }
}

}  // namespace
}  // namespace lanthe::win32
