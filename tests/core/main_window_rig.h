#pragma once
// The main window with fakes around it: the platform, its view, and the shutdown
// dialog answered by script.

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/shutdown_dialog.h"
#include "fakes.h"
#include "shell/main_window.h"

namespace lanthe {

class FakeHost final : public IMainWindowHost {
 public:
  void RenderMainWindow(const MainWindowState& s) override { state = s; ++renders; }
  void ShowMainWindow() override { events.push_back("show"); }
  void HideMainWindow() override { events.push_back("hide"); }
  void TopMostWindow() override { events.push_back("topmost"); }
  void TerminateApplication() override {
    events.push_back("terminate");
    terminated = true;
  }
  bool TerminationRequested() override { return terminated; }
  void EnsureMainWindow() override { ++windowsEnsured; }
  // Each run of the messages hands on what arrives meanwhile, when something does.
  bool RunMessagesUntil(const std::function<bool()>& done, std::uint32_t milliseconds) override {
    waits.push_back(milliseconds);
    if (!arriving.empty()) {
      const auto message = arriving.front();
      arriving.pop_front();
      message();
    }
    return done();
  }

  MainWindowState state;
  bool terminated = false;
  int windowsEnsured = 0;
  int renders = 0;
  std::vector<std::string> events;
  std::deque<std::function<void()>> arriving;  // what Windows sends, one run of the messages each
  std::vector<std::uint32_t> waits;            // the time limit of each run
};

// The launcher window as the main window sees it: each show records the launcher's
// settings copy and session mode, and closes with Cancel.
class FakeLauncherWindow final : public IModalWindow {
 public:
  explicit FakeLauncherWindow(TfrmXenAppLauncher& launcher) : launcher_(launcher) {}
  int ShowModal() override {
    shows.push_back(launcher_.LauncherSettings);
    sessionModes.push_back(launcher_.State().sessionMode);
    if (onShow) onShow();
    return 2;
  }
  std::vector<TSettings> shows;
  std::vector<bool> sessionModes;
  std::function<void()> onShow;

 private:
  TfrmXenAppLauncher& launcher_;
};

// Any modal window: each show runs the next scripted answer and gives its result.
class ScriptedWindow final : public IModalWindow {
 public:
  int ShowModal() override {
    if (answers.empty()) return 2;
    auto answer = answers.front();
    answers.pop_front();
    return answer();
  }
  std::deque<std::function<int()>> answers;
};

// The shutdown dialog as the session cycle sees it: each show runs the next scripted
// answer, which may pick an item, and gives its result.
class FakeModalWindow final : public IModalWindow {
 public:
  explicit FakeModalWindow(TfrmShutdownDialog& dialog) : dialog_(dialog) {}
  int ShowModal() override {
    ++shows;
    dialog_.FormShow();
    if (answers.empty()) return 2;
    auto answer = answers.front();
    answers.pop_front();
    return answer(dialog_);
  }
  std::deque<std::function<int(TfrmShutdownDialog&)>> answers;
  int shows = 0;

 private:
  TfrmShutdownDialog& dialog_;
};

// The network wait as the session cycle sees it: each show records the longest wait
// and plays the window's looks on the fake clock, as the view does: one at once, then
// each when the wait says the next is due.
class NetworkWaitWindow final : public IModalWindow {
 public:
  NetworkWaitWindow(TfrmNetworkWait& wait, testing::FakeClock& clock) : wait_(wait), clock_(clock) {}
  int ShowModal() override {
    shows.push_back(wait_.WaitSeconds);
    wait_.FormShow(clock_.now);
    countdowns.push_back(wait_.State().lblCountdown);
    while (wait_.Look(clock_.now) == NetworkWaitEnd::kWaiting) {
      labels.push_back(wait_.State().lblWaiting);
      if (startNowAfterLooks && --*startNowAfterLooks == 0) wait_.btnStartNowClick();
      clock_.now = std::max(clock_.now + 1, wait_.NextLookMs(clock_.now));
    }
    ends.push_back(wait_.End());
    return 1;
  }
  std::vector<std::int32_t> shows;
  std::vector<Text> countdowns;
  std::vector<Text> labels;  // the first line at each look that went on waiting
  std::vector<NetworkWaitEnd> ends;
  std::optional<int> startNowAfterLooks;

 private:
  TfrmNetworkWait& wait_;
  testing::FakeClock& clock_;
};

// Every window of the program with fakes around it.
struct MainWindowRig {
  MainWindowRig() {
    fake.registry.AddKey(RegistryRoot::LocalMachine, kWinlogonKey);
    fake.power.onAccepted = [this] { WindowsAnswers(true); };
  }
  testing::FakePlatform fake;
  Platform platform = fake.platform();
  FakeHost host;
  TfrmShutdownDialog frmShutdownDialog{u"kiosk"};
  FakeModalWindow shutdownWindow{frmShutdownDialog};
  PNAgentStore pnagent{fake.registry, fake.files, fake.codePage};
  TfrmXenAppLauncher frmXenAppLauncher{platform, pnagent};
  FakeLauncherWindow launcherWindow{frmXenAppLauncher};
  TfrmLog frmLog;
  TdlgSettings dlgSettings{fake.files, fake.codePage, pnagent, frmLog};
  ScriptedWindow settingsWindow;
  TfrmSetupWizard frmSetupWizard{platform, pnagent};
  ScriptedWindow wizardWindow;
  TfrmNetworkWait frmNetworkWait{fake.network};
  NetworkWaitWindow networkWaitWindow{frmNetworkWait, fake.clock};
  OperatorWindows windows{frmShutdownDialog, shutdownWindow, frmXenAppLauncher, launcherWindow,
                          dlgSettings,       settingsWindow, frmSetupWizard,    wizardWindow,
                          frmNetworkWait,    networkWaitWindow};
  TfrmMain main{platform, host, windows, pnagent};
  // A Windows that ends the session once it has accepted a power action.
  void WindowsAnswers(bool ending) {
    host.arriving.push_back([this, ending] {
      main.FormQueryEndSession();
      main.FormEndSession(ending);
    });
  }
};

}  // namespace lanthe
