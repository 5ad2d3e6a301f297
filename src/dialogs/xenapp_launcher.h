#pragma once
// The "XenApp Applications" window: PNAgent places one shortcut per published
// application into a folder on the user's desktop; the locked-down user has no
// desktop, so the launcher shows those shortcuts as icons. A click starts the
// application through pnagent.exe, "Log Off" ends the XenApp session. When shown it
// waits for PNAgent's shortcuts, restarting PNAgent while no window titled
// "Citrix XenApp" exists.
//
// With a StoreFront connection and no resource, the same window lists the shortcuts
// that the Workspace app's self-service program writes into the Start menu for the
// store's applications; a click hands the shortcut's arguments to SelfService.exe,
// "Log Off" signs the user out of the store. Its wait only looks for shortcuts.
//
// The waiting is a sequence of steps with pauses between them, which the window
// runs from a timer: it stays responsive (it repaints, and "Log Off" ends the wait at
// any time) while the order of refreshes, pauses and restarts stays the same.

#include <optional>
#include <vector>

#include "config/pnagent_store.h"
#include "config/settings.h"
#include "platform/platform.h"

namespace lanthe {

struct LauncherItem {
  Text caption;       // the shortcut's description
  Text arguments;     // its command-line arguments
  Text iconLocation;  // the file holding its icon; empty when it names none
  bool operator==(const LauncherItem&) const = default;
};

struct XenAppLauncherState {
  std::vector<LauncherItem> items;
  bool sessionMode = false;  // no title-bar buttons: only "Log Off" closes the window
  bool loading = false;      // waiting for PNAgent's shortcuts
  Text status;               // what the user reads above the buttons
  Text caption = u"XenApp Applications";
  bool operator==(const XenAppLauncherState&) const = default;
};

inline constexpr char16_t kLoadingApplications[] = u"Loading the XenApp applications...";
inline constexpr char16_t kNoApplications[] = u"No XenApp applications are available.";
inline constexpr char16_t kLoadingStoreApplications[] = u"Loading the store's applications...";
inline constexpr char16_t kNoStoreApplications[] = u"No applications are available.";

// Where the Workspace app puts the store's Start menu shortcuts: the user's Start menu
// programs folder, or its subfolder StartMenuDir when the Workspace app's settings
// (HKEY_CURRENT_USER, then the machine's, key Software\Citrix\Dazzle) name one.
Text StoreShortcutFolder(IRegistry& registry, IFolders& folders);

// The shortcut files of a folder listing that the launcher shows: no folders, hidden
// or system files, only names whose extension in capitals is ".LNK", sorted by name
// without regard to letter case.
std::vector<Text> ShortcutFileNames(std::vector<DirectoryEntry> entries);

class TfrmXenAppLauncher {
 public:
  TfrmXenAppLauncher(Platform& platform, PNAgentStore& pnagent);

  // The live settings, from which pnagent.exe's folder and the parameters of a
  // restart are taken.
  void AttachGlobalSettings(const TSettings& settings) { global_ = &settings; }
  // The launcher's own copy: the folder it lists and the parameters of a click.
  TSettings LauncherSettings;

  void FormCreate() { SetSessionMode(false); }
  void SetSessionMode(bool value) { state_.sessionMode = value; }
  void RefreshApplications();

  // The show: the first refresh, then the steps of the wait. Each returns the pause
  // in milliseconds before the next step, or nullopt when the wait is over.
  std::optional<int> FormShow();
  std::optional<int> ContinueShow();

  // A click with this item selected (-1: none) starts its application and waits.
  void lvApplicationsClick(int selectedIndex);
  // Ends the XenApp session and the wait; the window closes with this modal result.
  int btnLogOffClick();
  // The window closed: whatever the wait had still to do is dropped.
  void StopWaiting();
  void btnRefreshXenAppIconsClick() { RefreshApplications(); }

  const XenAppLauncherState& State() const { return state_; }

 private:
  enum class Phase { kDone, kLastRefresh, kPass, kAfterShortPause, kStorePoll };
  bool Store() const;
  Text ShortcutFolder();
  std::optional<int> CheckPNAgent();
  void Finish();

  Platform& platform_;
  PNAgentStore& pnagent_;
  const TSettings* global_ = nullptr;
  XenAppLauncherState state_;
  Phase phase_ = Phase::kDone;
  bool pnagentWindowSeen_ = false;
};

}  // namespace lanthe
