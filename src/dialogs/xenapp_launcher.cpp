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
// The Workspace app's settings of its shortcuts: CTX211893 ("Controlling Shortcut
// behavior in Receiver") names the key, Citrix's shortcut settings name StartMenuDir as
// the Start menu folder the shortcuts go to. The desktop's shortcuts (DesktopDir) are
// left aside: the Start menu's are made by default.
constexpr char16_t kDazzleKey[] = u"Software\\Citrix\\Dazzle";

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

Text StoreShortcutFolder(IRegistry& registry, IFolders& folders) {
  const Text programs = folders.GetSpecialFolder(Csidl::kPrograms);
  for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine32, RegistryRoot::LocalMachine}) {
    const auto key = registry.OpenKeyForReading(root, kDazzleKey);
    if (!key) continue;
    const auto folder = ReadStringValue(*key, u"StartMenuDir");
    if (!folder) continue;
    // The setting may be written with or without a leading backslash.
    const Text sub = !folder->empty() && folder->front() == u'\\' ? folder->substr(1) : *folder;
    return sub.empty() ? programs : programs + u"\\" + sub;
  }
  return programs;
}

TfrmXenAppLauncher::TfrmXenAppLauncher(Platform& platform, PNAgentStore& pnagent)
    : platform_(platform), pnagent_(pnagent) {}

bool TfrmXenAppLauncher::Store() const { return LauncherSettings.ConnectionType == ConnectionType::kStoreFront; }

Text TfrmXenAppLauncher::ShortcutFolder() {
  return Store() ? StoreShortcutFolder(platform_.registry, platform_.folders) : LauncherSettings.XenApp.DesktopFolder;
}

void TfrmXenAppLauncher::RefreshApplications() {
  state_.items.clear();
  const Text folder = ShortcutFolder();
  if (!platform_.files.DirectoryExists(folder)) return;
  for (const auto& name : ShortcutFileNames(platform_.files.ListFiles(folder, u"*.lnk"))) {
    const auto shortcut = platform_.shellLinks.ReadShortcut(folder + u"\\" + name);
    if (!shortcut) continue;  // no shell-link object for it: skipped
    state_.items.push_back(LauncherItem{shortcut->description, shortcut->arguments, shortcut->iconLocation});
  }
}

std::optional<int> TfrmXenAppLauncher::FormShow() {
  state_.caption = Store() ? u"Applications" : u"XenApp Applications";
  RefreshApplications();
  state_.loading = true;
  if (Store()) {
    // The self-service program writes the shortcuts once the user has authenticated,
    // which may take long: the window looks until they are there, or until "Log Off".
    state_.status = kLoadingStoreApplications;
    phase_ = Phase::kStorePoll;
    return kFirstWaitMs;
  }
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
    case Phase::kStorePoll:
      RefreshApplications();
      if (state_.items.empty()) return kRestartWaitMs;
      Finish();
      return std::nullopt;
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
  state_.status = state_.items.empty() ? Text(Store() ? kNoStoreApplications : kNoApplications) : Text();
}

void TfrmXenAppLauncher::lvApplicationsClick(int selectedIndex) {
  if (selectedIndex < 0 || selectedIndex >= static_cast<int>(state_.items.size())) return;
  if (Store()) {
    // The self-service program's shortcuts start it with the resource's arguments; it
    // may stay running, so it is not waited for.
    platform_.processes.RunProgram(u"\"" + SelfServicePath(*global_) + u"\"",
                                   state_.items[static_cast<std::size_t>(selectedIndex)].arguments, ShowState::kNormal,
                                   false);
    return;
  }
  // The shortcut's arguments directly followed by the copy's parameters.
  const Text parameters =
      state_.items[static_cast<std::size_t>(selectedIndex)].arguments + LauncherSettings.XenApp.CommandlineParameters;
  const CommandLine pnagent = PNAgentCommandLine(*global_);
  platform_.processes.RunProgram(pnagent.program, parameters, ShowState::kNormal, true);
}

int TfrmXenAppLauncher::btnLogOffClick() {
  if (Store()) {
    const CommandLine signOut = StoreSignOutCommandLine(*global_);
    platform_.processes.RunProgram(signOut.program, signOut.parameters, ShowState::kHidden, true);
  } else {
    platform_.processes.KillProcessByName(kPNAgentSession);
  }
  StopWaiting();
  return 2;
}

void TfrmXenAppLauncher::StopWaiting() {
  phase_ = Phase::kDone;
  state_.loading = false;
}

}  // namespace lanthe
