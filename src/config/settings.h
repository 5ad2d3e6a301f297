#pragma once
// The settings record: every piece of configuration the program has, its defaults,
// and the integer codes that the whole program shares.

#include <cstdint>

#include "platform/folders.h"
#include "platform/text.h"

namespace lanthe {

// Which remote connection the session cycle starts.
namespace ConnectionType {
constexpr std::int32_t kRemoteDesktop = 0;  // mstsc.exe
constexpr std::int32_t kCustomIca = 1;      // wfcrun32.exe
constexpr std::int32_t kXenApp = 2;         // pnagent.exe and the launcher window
constexpr std::int32_t kStoreFront = 3;     // the Workspace app's SelfService.exe and wfica32.exe
}  // namespace ConnectionType

// Which program is the Winlogon shell.
namespace CurrentShell {
constexpr std::int32_t kExplorer = 0;
constexpr std::int32_t kLanthe = 1;
}  // namespace CurrentShell

// The automatic action at the end of a session when the shutdown dialog is off;
// any other value does nothing.
namespace CitrixLogOff {
constexpr std::int32_t kPowerOff = 1;
constexpr std::int32_t kLogOff = 2;
}  // namespace CitrixLogOff

// Exit actions. 2, 3 and 4 are also the shutdown dialog's choice codes and the
// values of ShutdownDialogDefaultChoice.
namespace ExitAction {
constexpr std::int32_t kReconnect = 0;
constexpr std::int32_t kPowerOff = 1;
constexpr std::int32_t kLogOff = 2;
constexpr std::int32_t kRestart = 3;
constexpr std::int32_t kShutdown = 4;
}  // namespace ExitAction

// A plain value record: copies are whole and share nothing. A fresh record is
// zero-filled (empty texts, 0, false); SetDefaultSettings gives it its defaults.
struct TSettings {
  struct CitrixGroup {
    Text ClientPath;  // folder of wfcrun32.exe, pnagent.exe and pn.exe
    Text SetupFile;   // installer used by the setup wizard
    bool operator==(const CitrixGroup&) const = default;
  };
  struct ICAGroup {
    Text CommandlineParameters;  // written ahead of the quoted connection name
    bool CopyICASettings = false;
    Text UserAppSrvIniLocation;  // the current user's appsrv.ini; not in the settings file
    Text GlobalAppSrvIniLocation;
    Text Connection;
    bool operator==(const ICAGroup&) const = default;
  };
  struct XenAppGroup {
    Text CommandlineParameters;
    bool CopyXenAppSettings = false;
    Text ServerURL;
    Text PNAgentConfig;  // text form of PNAgent's configuration; not in the settings file
    Text Connection;
    Text DesktopFolder;  // where PNAgent puts its shortcuts; not in the settings file
    bool operator==(const XenAppGroup&) const = default;
  };
  // A StoreFront store reached through the Workspace app. Every element is written to
  // the settings file only when it differs from its default.
  struct StoreFrontGroup {
    Text StoreURL;               // the store's address
    Text Resource;               // the published desktop or application; empty: the launcher offers all
    Text CommandlineParameters;  // written ahead of SelfService.exe's launch switch
    std::int32_t WaitForClient = 0;  // seconds for the ICA client to appear after the launch
    bool operator==(const StoreFrontGroup&) const = default;
  };
  struct RDPGroup {
    Text CommandlineParameters;
    Text Connection;
    Text ClientPath;  // folder of mstsc.exe
    std::int32_t Port = 0;
    bool FullScreen = false;
    bool UseRDPFile = false;
    Text RDPFileLocation;
    bool operator==(const RDPGroup&) const = default;
  };
  struct AutologonGroup {
    bool CreateUser = false;
    Text Username;
    Text Password;  // plain text, in memory and in the file
    bool EnableAutologon = false;
    bool UseSysinternals = false;
    bool operator==(const AutologonGroup&) const = default;
  };

  Text ProgramDir;  // always ends with a separator; not in the settings file
  std::int32_t CitrixLogOff = 0;
  bool ShowShutdownDialog = false;
  bool ShowReconnectDialog = false;
  bool ShowShutdown = false;
  bool ShowLogoff = false;
  bool ShowRestart = false;
  std::int32_t ShutdownDialogDefaultChoice = 0;
  std::int32_t ConnectionType = 0;
  CitrixGroup Citrix;
  ICAGroup ICA;
  XenAppGroup XenApp;
  RDPGroup RDP;
  StoreFrontGroup StoreFront;
  AutologonGroup Autologon;
  Text AutologonExe;
  bool DisableTaskManager = false;
  bool RemoveWallpaper = false;
  bool UseBackgroundColor = false;
  std::int32_t BackgroundColor = 0;  // red in the lowest byte, then green, then blue
  std::int32_t CurrentShell = 0;
  Text LogoFile;  // not in the settings file
  bool DisableScreenSaver = false;  // not in the settings file; nothing sets it
  // Kiosk lockdown beyond the task manager. Both are written to the settings file only
  // when they differ from their defaults.
  bool LockSecureScreen = false;  // no Lock, Switch user, Sign out, Change a password on Ctrl+Alt+Del
  std::int32_t WaitForNetwork = 0;  // seconds, 0 to 600: the longest wait for a network; 0 = none
  // Start the log-on's own programs (the Run and RunOnce entries) when Lanthe is the
  // shell; written to the settings file only when false.
  bool RunStartupPrograms = false;
  // Close the kiosk account's remaining ways out (Control Panel, Run, the registry
  // editor, the command prompt, error-report dialogs, the accessibility hotkeys);
  // written to the settings file only when true.
  bool RestrictKioskUser = false;

  bool operator==(const TSettings&) const = default;
};

// The range of WaitForNetwork, and the value the program uses for any stored one: the
// nearest limit for a value outside it.
inline constexpr std::int32_t kWaitForNetworkDefault = 30;
inline constexpr std::int32_t kWaitForNetworkMaximum = 600;
std::int32_t EffectiveWaitForNetwork(const TSettings& settings);

// The range of StoreFront.WaitForClient: a person may be typing credentials before the
// ICA client appears, so the wait is never shorter than two minutes.
inline constexpr std::int32_t kWaitForClientDefault = 180;
inline constexpr std::int32_t kWaitForClientMinimum = 120;
inline constexpr std::int32_t kWaitForClientMaximum = 3600;
std::int32_t EffectiveWaitForClient(const TSettings& settings);

// Fills the record with its defaults. The program directory is that of
// executablePath; pnagentDesktopName is PNAgent's desktop-folder name (empty when
// PNAgent has none). Fields without a default keep what they hold.
void SetDefaultSettings(TSettings& settings, IFolders& folders, TextView executablePath,
                        TextView pnagentDesktopName);

// The default folder of the Citrix client: the 32-bit programs' folder (Program Files
// where the system has none) followed by "\Citrix\ICA Client".
Text DefaultCitrixClientPath(IFolders& folders);

// The folder PNAgent fills with the published applications' shortcuts: the Desktop,
// "\" and PNAgent's desktop-folder name; empty when PNAgent has none.
Text XenAppDesktopFolder(IFolders& folders, TextView pnagentDesktopName);

}  // namespace lanthe
