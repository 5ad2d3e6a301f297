#include "dialogs/xenapp_launcher.h"

#include <algorithm>

#include "shell/launchers.h"

namespace lanthe {

namespace {

constexpr int kFirstWaitMs = 5000;
constexpr int kShortPauseMs = 500;
constexpr int kRestartWaitMs = 5000;
constexpr char16_t kPNAgentWindow[] = u"Citrix XenApp";
constexpr char16_t kPNAgentSession[] = u"pnamain.exe";

Text Extension(TextView name) {
  const auto dot = name.find_last_of(u'.');
  return dot == TextView::npos ? Text() : Text(name.substr(dot));
}

}  // namespace

std::vector<Text> ShortcutFileNames(std::vector<DirectoryEntry> entries) {
  std::vector<Text> names;
  for (const auto& entry : entries) {
    if (entry.directory || entry.hidden || entry.system) continue;
    // The platform's "*.lnk" also matches longer extensions through short names.
    if (AsciiUpper(Extension(entry.name)) != u".LNK") continue;
    names.push_back(entry.name);
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const Text& a, const Text& b) { return AsciiUpper(a) < AsciiUpper(b); });
  return names;
}

TfrmXenAppLauncher::TfrmXenAppLauncher(Platform& platform, PNAgentStore& pnagent)
    : platform_(platform), pnagent_(pnagent) {}

void TfrmXenAppLauncher::RefreshApplications() {
  state_.items.clear();
  const Text& folder = LauncherSettings.XenApp.DesktopFolder;
  if (!platform_.files.DirectoryExists(folder)) return;
  for (const auto& name : ShortcutFileNames(platform_.files.ListFiles(folder, u"*.lnk"))) {
    const auto shortcut = platform_.shellLinks.ReadShortcut(folder + u"\\" + name);
    if (!shortcut) continue;  // no shell-link object for it: skipped
    state_.items.push_back(LauncherItem{shortcut->description, shortcut->arguments, shortcut->iconLocation});
  }
}

std::optional<int> TfrmXenAppLauncher::FormShow() {
  RefreshApplications();
  state_.loading = true;
  state_.status = kLoadingApplications;
  // Without a desktop name PNAgent puts no shortcuts anywhere: one more look, then done.
  phase_ = pnagent_.GetXenAppDesktopFolder().empty() ? Phase::kLastRefresh : Phase::kPass;
  return kFirstWaitMs;
}

std::optional<int> TfrmXenAppLauncher::ContinueShow() {
  switch (phase_) {
    case Phase::kDone:
      return std::nullopt;
    case Phase::kLastRefresh:
      RefreshApplications();
      Finish();
      return std::nullopt;
    case Phase::kPass: {
      if (!state_.items.empty()) {
        // PNAgent writes its shortcuts one after another: what it wrote since the last
        // look is listed too.
        RefreshApplications();
        if (!state_.items.empty()) {
          Finish();
          return std::nullopt;
        }
      }
      RefreshApplications();
      const auto titles = platform_.windows.TopLevelWindowTitles();
      pnagentWindowSeen_ = std::any_of(titles.begin(), titles.end(),
                                       [](const Text& title) { return EqualsIgnoreAsciiCase(title, kPNAgentWindow); });
      if (state_.items.empty()) {
        phase_ = Phase::kAfterShortPause;
        return kShortPauseMs;
      }
      return CheckPNAgent();
    }
    case Phase::kAfterShortPause:
      return CheckPNAgent();
  }
  return std::nullopt;
}

std::optional<int> TfrmXenAppLauncher::CheckPNAgent() {
  phase_ = Phase::kPass;
  if (pnagentWindowSeen_) return 0;
  // PNAgent is taken as not running: its session ends and it starts again, from the
  // live settings.
  platform_.processes.KillProcessByName(kPNAgentSession);
  const CommandLine pnagent = PNAgentCommandLine(*global_);
  platform_.processes.RunProgram(pnagent.program, pnagent.parameters, ShowState::kNormal, false);
  return kRestartWaitMs;
}

void TfrmXenAppLauncher::Finish() {
  phase_ = Phase::kDone;
  state_.loading = false;
  state_.status = state_.items.empty() ? Text(kNoApplications) : Text();
}

void TfrmXenAppLauncher::lvApplicationsClick(int selectedIndex) {
  if (selectedIndex < 0 || selectedIndex >= static_cast<int>(state_.items.size())) return;
  // The shortcut's arguments directly followed by the copy's parameters.
  const Text parameters =
      state_.items[static_cast<std::size_t>(selectedIndex)].arguments + LauncherSettings.XenApp.CommandlineParameters;
  const CommandLine pnagent = PNAgentCommandLine(*global_);
  platform_.processes.RunProgram(pnagent.program, parameters, ShowState::kNormal, true);
}

int TfrmXenAppLauncher::btnLogOffClick() {
  platform_.processes.KillProcessByName(kPNAgentSession);
  StopWaiting();
  return 2;
}

void TfrmXenAppLauncher::StopWaiting() {
  phase_ = Phase::kDone;
  state_.loading = false;
}

}  // namespace lanthe
