#pragma once
// Drives the real program from outside, as a user or a screen reader would: it starts
// the test build lanthe-test.exe from a program folder of its own, finds windows and
// controls by their captions, clicks them, answers message boxes, and reads the
// registry and files afterwards. Everything it starts is ended when the run object
// goes away.

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lanthe::e2e {

// The waits are bounds, not measurements: a slow machine only makes them last longer.
constexpr DWORD kWaitMs = 20000;

struct RunOptions {
  bool administrator = true;  // LANTHE_TEST_ADMINISTRATOR
  bool elevated = true;       // LANTHE_TEST_ELEVATED
  std::wstring parameters;    // the command line after the program
  // settings.xml beside the program; none when absent. "$CLIENTS" stands for the
  // folder of the fake clients (mstsc.exe, wfcrun32.exe, pn.exe, pnagent.exe, wfica32.exe,
  // SelfServicePlugin\SelfService.exe, AuthManager\storebrowse.exe).
  std::optional<std::string> settingsFile = std::string("<Settings/>");
  // The fake clients end by themselves after this time; without it they stay until
  // their window is closed.
  std::optional<int> clientExitAfterMs;
  // When false, power actions cannot be recorded, and the program sees them refused.
  bool powerActionsAccepted = true;
  // The test build's stand-in for the group-policy object, which Wine lacks; when
  // false, the program meets Wine's missing object.
  bool groupPolicyStandIn = true;
  // The test build's stand-in for the local security authority's private data, which
  // Wine cannot store; when false, the program meets Wine's refusal.
  bool lsaStandIn = true;
  // When the test build's network comes up, in milliseconds after the program first
  // asks ("never": not at all); nullopt: the machine's real network. Up at once unless
  // a test says otherwise, so that no test waits on the machine it runs on.
  std::optional<std::wstring> networkUpAfterMs = L"0";
  // When a server's name resolves, in milliseconds after the program first asks about
  // the network ("never": not at all); nullopt: every name at once.
  std::optional<std::wstring> nameResolvesAfterMs;

  // PNAgent as the fake pnagent.exe and pnamain.exe play it. With apps, the stored
  // PNAgent configuration names a desktop folder of this run, into which pnamain.exe
  // writes one shortcut per app after pnagentDelayMs; the first pnagentIdleStarts
  // PNAgent starts do nothing.
  std::vector<std::wstring> pnagentApps;
  bool pnagentDesktop = false;  // the desktop folder without apps from pnamain.exe
  int pnagentDelayMs = 10;
  int pnagentIdleStarts = 0;

  // When the fake SelfService.exe starts the ICA client after a "-qlaunch" (milliseconds,
  // or "never"); empty: its own default, a second.
  std::wstring icaClientAfterMs;

  // The user's connection file (appsrv.ini in the roaming application data), written
  // before the start and removed afterwards; left alone when absent.
  std::optional<std::string> appsrvIni;
  // A connection the fake pn.exe adds to that file when it starts, as a user does in
  // Program Neighborhood.
  std::wstring pnAddsConnection;

  // What Windows does after a recorded power action: "" ends the session, "cancel"
  // cancels it, "wait" leaves the messages to the test (LANTHE_TEST_SESSION_END).
  std::wstring sessionEnd;
  // The crash watcher is armed (LANTHE_TEST_RESTART), and with crash the program
  // crashes once, right after its client has started (LANTHE_TEST_CRASH).
  bool restart = false;
  bool crash = false;
};

// What a process holds of the system: handles, GDI objects and USER objects (Wine
// reports no GDI or USER objects: 0).
struct ProcessResources {
  DWORD handles = 0;
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
};

struct ShownBox {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;
};

class LantheRun {
 public:
  explicit LantheRun(const RunOptions& options);
  ~LantheRun();
  LantheRun(const LantheRun&) = delete;
  LantheRun& operator=(const LantheRun&) = delete;

  // The program folder (ends with a backslash) and the program's path in it.
  const std::wstring& Folder() const { return folder_; }
  std::wstring Program() const { return folder_ + L"lanthe.exe"; }
  std::wstring ReadFileText(const std::wstring& name) const;
  // The folder of the fake clients, without a trailing backslash.
  std::wstring ClientsFolder() const { return folder_ + L"clients"; }
  // The command lines the fake clients were started with, in order.
  std::vector<std::wstring> ClientCommandLines() const;
  // The power actions requested, as "ShutdownWindows <flags>" lines.
  std::vector<std::wstring> PowerRequests() const;

  // A visible top-level window of the program with this caption; nullptr after the wait.
  HWND WaitForWindow(const std::wstring& caption, DWORD waitMs = kWaitMs) const;
  // The next message box of the program; nullopt after the wait.
  std::optional<ShownBox> WaitForMessageBox(DWORD waitMs = kWaitMs) const;
  // Every visible top-level window of the program: (class, caption).
  std::vector<std::pair<std::wstring, std::wstring>> VisibleWindows() const;

  // The user's appsrv.ini (the one Lanthe reads by default).
  static std::wstring UserAppsrvIni();

  // The desktop folder PNAgent fills in this run (empty without pnagentApps).
  const std::wstring& ShortcutFolder() const { return shortcutFolder_; }

  bool WaitForExit(DWORD waitMs = kWaitMs) const;
  DWORD ExitCode() const;
  DWORD ProcessId() const { return processId_; }
  // What the program holds now (GetProcessHandleCount, GetGuiResources).
  ProcessResources Resources() const;

  // Whether the program has set the named event "ShellDesktopSwitchEvent", which the
  // run makes before the start as Windows' log-on does.
  bool ShellReadySignalled() const;
  // The program the crash watcher started in place of this one: from now on the run
  // follows it. False when none came within the wait.
  bool FollowRestart(DWORD waitMs = kWaitMs);
  // Ends the program as a kill does (TerminateProcess), and waits until it has ended.
  void Kill() const;
  // Whether a crash watcher (lanthe.exe, started by the program) watches it.
  bool Watched() const;

 private:
  std::wstring folder_;
  std::wstring shortcutFolder_;
  bool ownsAppsrvIni_ = false;
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HANDLE shellReady_ = nullptr;
  bool restart_ = false;
};

// Whether the condition holds, looked at every 50 ms until the wait is over.
bool WaitUntil(const std::function<bool()>& condition, DWORD waitMs = kWaitMs);

// A child window (at any depth) of the given class whose caption, without the "&" of
// its access key, is this one; nullptr when there is none. Group boxes are passed over.
HWND FindControl(HWND window, const std::wstring& className, const std::wstring& caption);
// The first child window (at any depth) of the given class; nullptr when there is none.
HWND FindControlOfClass(HWND window, const std::wstring& className);
// The text a control of another program holds (WM_GETTEXT, which edit boxes answer
// with their contents, not their caption).
std::wstring ControlText(HWND control);
// The captions of all child windows, visible or not, in creation order.
std::vector<std::wstring> ChildCaptions(HWND window, bool visibleOnly);
// Clicks a button of a window or message box the way the user's click does.
void Click(HWND button);
// Answers a message box with one of its buttons (IDOK, IDYES, IDNO, ...).
void Answer(const ShownBox& box, int buttonId);

// Asks the window whether the session may end (WM_QUERYENDSESSION, as Windows does
// before a sign-out) and gives its answer, noting a message box the program shows
// meanwhile (and answering it with OK).
struct EndSessionReply {
  LRESULT answer = TRUE;
  std::optional<ShownBox> box;
};
EndSessionReply QueryEndSession(const LantheRun& run, HWND window);
// Tells the window whether the session ends (WM_ENDSESSION), as Windows does after
// the question; returns when the window has handled it.
void EndSession(HWND window, bool ending);
// The main window of the run ("Lanthe"), visible or not; nullptr when there is none.
HWND FindMainWindow(const LantheRun& run);

// A string or double-word value of this prefix's registry; nullopt when it is missing.
std::optional<std::wstring> RegistryString(HKEY root, const std::wstring& key, const std::wstring& name);
std::optional<DWORD> RegistryDword(HKEY root, const std::wstring& key, const std::wstring& name);
void DeleteRegistryTree(HKEY root, const std::wstring& key);

// The test build's stand-in for the policy object of a local user or group that holds
// the kiosk user's policies ("Software\Lanthe Test Group Policy\Users\<SID>" under
// HKEY_CURRENT_USER), when exactly one such object was written; empty otherwise.
std::wstring KioskPolicyObjectKey();

// Whether a process of that image name runs in this prefix.
bool ProcessRunning(const std::wstring& imageName);

// A shortcut file written as PNAgent writes them.
void WriteShortcut(const std::wstring& path, const std::wstring& description, const std::wstring& arguments);

// The items of a list view of another program, and a click on one of them as the list
// reports it (selected, then NM_CLICK to its parent).
std::vector<std::wstring> ListViewItems(HWND list, int column = 0);
void ClickListViewItem(HWND list, int index);

// The Winlogon "shell" value of this prefix; nullopt when it is missing.
std::optional<std::wstring> WinlogonShell();
void SetWinlogonShell(const std::wstring& value);

}  // namespace lanthe::e2e
