// Starting and ending programs, against the real system with the probe program.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "platform/processes.h"
#include "platform/win32/shared_functions.h"
#include "platform/win32/win32_platform.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

class RecordingMessages final : public IMessageBoxes {
 public:
  void ShowMessage(TextView text) override { shown.emplace_back(text); }
  bool Confirm(TextView question) override {
    shown.emplace_back(question);
    return false;
  }
  bool AskYesNo(TextView text, TextView) override {
    shown.emplace_back(text);
    return false;
  }
  std::vector<Text> shown;
};

// A copy of the probe under a name of its own, so that tests can find and end
// exactly the processes they started.
class VictimProgram {
 public:
  VictimProgram() : name_(UniqueName(L"lanthe-victim-") + L".exe"), path_(folder_.file(name_)) {
    copied_ = ::CopyFileW(ProbePath().c_str(), path_.c_str(), FALSE) != FALSE;
  }
  ~VictimProgram() {
    for (auto& process : started_) EndProcess(process);
    // Also what a test started by other means.
    if (CountProcesses(name_) > 0) {
      KillProcessByName(T(name_));
      WaitUntil([&] { return CountProcesses(name_) == 0; });
    }
  }
  bool copied() const { return copied_; }
  const std::wstring& name() const { return name_; }
  const std::wstring& path() const { return path_; }
  // Starts a copy sleeping for a minute; its process handle, null when not started.
  HANDLE StartSleeping() {
    started_.push_back(StartProcess(Quoted(path_) + L" sleep 60000"));
    return started_.back().process();
  }

 private:
  TempFolder folder_;
  std::wstring name_;
  std::wstring path_;
  bool copied_ = false;
  std::vector<UniqueProcessInformation> started_;
};

bool Running(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }
bool Ends(HANDLE process) { return ::WaitForSingleObject(process, 20000) == WAIT_OBJECT_0; }

// ---- RunProgram -----------------------------------------------------------------

TEST(RunProgram, PutsExactlyOneBlankBetweenProgramAndParameters) {
  struct Row {
    const wchar_t* parameters;
  };
  const Row rows[] = {{L""}, {L"a"}, {L"two  blanks"}, {L" leading"}, {L"\"quoted arg\" x\t"}};
  for (const auto& row : rows) {
    TempFolder folder;
    const std::wstring record = folder.file(L"command line.bin");
    // The program part as callers build it: quoted by them, with arguments of its own.
    const std::wstring program = Quoted(ProbePath()) + L" record " + Quoted(record);
    RecordingMessages messages;
    EXPECT_EQ(RunProgram(T(program), T(row.parameters), ShowState::kHidden, true, messages), 0u);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ReadRecordedCommandLine(record), program + L" " + row.parameters) << "parameters: " << row.parameters;
  }
}

TEST(RunProgram, WaitingReturnsTheFullExitCode) {
  const std::uint32_t codes[] = {0, 7, 70000, 4000000000u};
  for (const auto code : codes) {
    RecordingMessages messages;
    EXPECT_EQ(RunProgram(T(Quoted(ProbePath())), T(L"exit " + std::to_wstring(code)), ShowState::kHidden,
                         true, messages),
              code);
    EXPECT_TRUE(messages.shown.empty());
  }
}

TEST(RunProgram, HandsTheShowStateToTheProgram) {
  const std::uint16_t states[] = {ShowState::kHidden, ShowState::kNormal, SW_SHOWMINNOACTIVE};
  for (const auto state : states) {
    RecordingMessages messages;
    EXPECT_EQ(RunProgram(T(Quoted(ProbePath())), u"showstate", state, true, messages), state);
  }
}

TEST(RunProgram, ReportsAProgramThatCannotBeStartedAndDoesNotWait) {
  struct Row {
    const char16_t* program;
    const char16_t* parameters;
    const char16_t* message;
  };
  const Row rows[] = {
      {u"\"C:\\no such folder\\lanthe-missing.exe\"", u"/accepteula x",
       u"Failed to excecute program \"C:\\no such folder\\lanthe-missing.exe\" /accepteula x \r\n"
       u"to use this functionality download autologon.exe from Sysinternals\r\n"
       u"and copy it into the Lanthe programm directory"},
      {u"lanthe-missing-program", u"",
       u"Failed to excecute program lanthe-missing-program  \r\n"
       u"to use this functionality download autologon.exe from Sysinternals\r\n"
       u"and copy it into the Lanthe programm directory"},
  };
  for (const auto& row : rows) {
    RecordingMessages messages;
    EXPECT_EQ(RunProgram(row.program, row.parameters, ShowState::kNormal, true, messages), 0u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], row.message);
  }
}

TEST(RunProgram, WithoutWaitingReturnsWhileTheProgramStillRuns) {
  VictimProgram victim;
  ASSERT_TRUE(victim.copied());
  RecordingMessages messages;
  EXPECT_EQ(RunProgram(T(Quoted(victim.path())), u"sleep 60000", ShowState::kHidden, false, messages), 0u);
  EXPECT_TRUE(messages.shown.empty());
  // The child sleeps for a minute: it must still be there when the call is back.
  EXPECT_EQ(CountProcesses(victim.name()), 1);
  EXPECT_TRUE(KillProcessByName(T(victim.name())));
  EXPECT_TRUE(WaitUntil([&] { return CountProcesses(victim.name()) == 0; }));
}

// A window of the waiting thread that counts what reaches it.
struct Listener {
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Listener*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_APP) return ++self->sent;
    if (self && message == WM_APP + 1) ++self->posted;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  Listener() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LantheWaitListener";
    ::RegisterClassW(&windowClass);
    window = ::CreateWindowExW(0, windowClass.lpszClassName, L"waiting", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Listener() { ::DestroyWindow(window); }
  HWND window = nullptr;
  int sent = 0;
  int posted = 0;
};

TEST(RunProgram, WaitingAnswersSentMessagesButRunsNothingPosted) {
  Listener listener;
  ASSERT_TRUE(listener.window);
  // Another program's broadcast, as a thread of our own sees it: sent while the wait
  // goes on, then a posted message that must wait until the program has ended.
  LRESULT answer = 0;
  bool answered = false;
  int postedDuringWait = -1;
  std::thread other([&] {
    ::Sleep(300);
    DWORD_PTR result = 0;
    answered = ::SendMessageTimeoutW(listener.window, WM_APP, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
    answer = static_cast<LRESULT>(result);
    ::PostMessageW(listener.window, WM_APP + 1, 0, 0);
    ::Sleep(200);
    postedDuringWait = listener.posted;
  });
  RecordingMessages messages;
  EXPECT_EQ(RunProgram(T(Quoted(ProbePath())), u"sleep 1500", ShowState::kHidden, true, messages), 0u);
  other.join();
  EXPECT_TRUE(answered) << "the sent message was answered within 2 s";
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(postedDuringWait, 0) << "posted messages stay queued during the wait";
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  EXPECT_EQ(listener.posted, 1) << "and are there afterwards";
}

HANDLE g_aboutToStart = nullptr;  // set right before RunProgram's CreateProcessW

TEST(RunProgram, TheClientsHeadStartAnswersSentMessagesOnAThreadWithWindowsAndEndsWithTheProgram) {
  Listener listener;
  ASSERT_TRUE(listener.window);
  const UniqueHandle aboutToStart(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_aboutToStart = aboutToStart.get();
  g_beforeProgramStart = []() noexcept { ::SetEvent(g_aboutToStart); };
  std::atomic<bool> started{false};
  bool answered = false;
  bool answeredInTheHeadStart = false;
  std::thread other([&] {
    if (::WaitForSingleObject(g_aboutToStart, 10000) != WAIT_OBJECT_0) return;
    DWORD_PTR result = 0;
    answered = ::SendMessageTimeoutW(listener.window, WM_APP, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
    answeredInTheHeadStart = !started;
  });
  RecordingMessages messages;
  RunProgram(T(Quoted(ProbePath())), u"sleep 1500", ShowState::kHidden, true, messages, [&] { started = true; });
  other.join();
  g_beforeProgramStart = nullptr;
  EXPECT_TRUE(started);
  EXPECT_TRUE(answered);
  EXPECT_TRUE(answeredInTheHeadStart) << "a reconnect's hidden window is not dead for the head start";

  // A program that ends at once ends the head start with it.
  int calls = 0;
  EXPECT_EQ(RunProgram(T(Quoted(ProbePath())), u"exit 7", ShowState::kHidden, true, messages, [&] { ++calls; }), 7u);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(messages.shown.empty());
}

TEST(RunProgram, Win32ProcessesReportsThroughItsMessageBoxes) {
  RecordingMessages messages;
  Win32Processes processes(messages);
  processes.RunProgram(u"lanthe-missing-program", u"x", ShowState::kNormal, false);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].rfind(u"Failed to excecute program lanthe-missing-program x \r\n", 0), 0u);
  EXPECT_EQ(processes.RunProgram(T(Quoted(ProbePath())), u"exit 5", ShowState::kHidden, true), 5u);
}

// ---- KillProcessByName ------------------------------------------------------------

TEST(KillProcessByName, EndsEveryMatchLetterCaseAside) {
  VictimProgram victim;
  ASSERT_TRUE(victim.copied());
  HANDLE first = victim.StartSleeping();
  HANDLE second = victim.StartSleeping();
  ASSERT_TRUE(first && second);

  std::wstring upper = victim.name();
  ::CharUpperW(upper.data());
  EXPECT_TRUE(KillProcessByName(T(upper)));
  EXPECT_TRUE(Ends(first));
  EXPECT_TRUE(Ends(second));
  DWORD code = 99;
  ::GetExitCodeProcess(first, &code);
  EXPECT_EQ(code, 0u);
}

TEST(KillProcessByName, NamesThatMatchNothingEndNothing) {
  VictimProgram victim;
  ASSERT_TRUE(victim.copied());
  HANDLE process = victim.StartSleeping();
  ASSERT_TRUE(process);
  ASSERT_EQ(CountProcesses(victim.name()), 1);

  const std::wstring stem = victim.name().substr(0, victim.name().size() - 4);
  const std::wstring names[] = {
      UniqueName(L"lanthe-nothing-") + L".exe",
      // The system reports bare image names, so a full path never matches, not
      // even one that differs only in the folder.
      L"C:\\elsewhere\\" + victim.name(),
      stem,
      victim.name() + L"x",
  };
  for (const auto& name : names) {
    EXPECT_FALSE(KillProcessByName(T(name))) << "name: " << name;
    EXPECT_TRUE(Running(process)) << "name: " << name;
  }
  EXPECT_TRUE(KillProcessByName(T(victim.name())));
  EXPECT_TRUE(Ends(process));
}

TEST(KillProcessByName, Win32ProcessesEndsByName) {
  VictimProgram victim;
  ASSERT_TRUE(victim.copied());
  HANDLE process = victim.StartSleeping();
  ASSERT_TRUE(process);
  RecordingMessages messages;
  Win32Processes processes(messages);
  EXPECT_TRUE(processes.KillProcessByName(T(victim.name())));
  EXPECT_TRUE(Ends(process));
  EXPECT_FALSE(processes.KillProcessByName(T(victim.name())));
}

}  // namespace
}  // namespace lanthe::win32
