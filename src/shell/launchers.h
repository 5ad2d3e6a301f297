#pragma once
// The command lines of the remote clients and the hand-over of the Citrix
// connection file. Each command line is a program part (quoted by the builder where
// it is a path) and a parameter part; RunProgram joins them with one blank.

#include "config/settings.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/message_boxes.h"
#include "platform/text.h"

namespace lanthe {

struct CommandLine {
  Text program;
  Text parameters;
  // What the started program sees: the program part, one blank, the parameter part.
  Text Whole() const { return program + u" " + parameters; }
  bool operator==(const CommandLine&) const = default;
};

// mstsc.exe: an .rdp file from the program folder, or "/V:" with computer and port;
// " /f" for full screen. Stored parameters stand in front of "/V:" without a blank of
// their own, so they must end with one.
CommandLine RdpCommandLine(const TSettings& settings);

// wfcrun32.exe with the stored parameters, a blank and the quoted connection name.
CommandLine CitrixCommandLine(const TSettings& settings);

// The connection test of a Custom ICA connection: Program Neighborhood (pn.exe) with
// "/APP " and the quoted connection name, directly after the stored parameters.
CommandLine IcaTestCommandLine(const TSettings& settings);

// Program Neighborhood without parameters, and its unquoted path.
CommandLine ProgramNeighborhoodCommandLine(const TSettings& settings);
Text ProgramNeighborhoodPath(const TSettings& settings);

// The Remote Desktop client (mstsc.exe in RDP.ClientPath) without parameters, and its
// unquoted path: the "Remote Desktop" button's counterpart of Program Neighborhood.
CommandLine RemoteDesktopClientCommandLine(const TSettings& settings);
Text RemoteDesktopClientPath(const TSettings& settings);

// pnagent.exe with the stored XenApp parameters.
CommandLine PNAgentCommandLine(const TSettings& settings);

// The Workspace app's programs for a StoreFront store, below Citrix.ClientPath: the
// self-service program that launches a store's resources and signs the user out of
// the store, the tool that adds a store for the current user, and the ICA client whose
// processes are the session. The paths are unquoted.
Text SelfServicePath(const TSettings& settings);
Text StoreBrowsePath(const TSettings& settings);
inline constexpr char16_t kIcaClientProgramName[] = u"wfica32.exe";

// storebrowse.exe adding StoreFront.StoreURL to the stores the Workspace app knows.
CommandLine AddStoreCommandLine(const TSettings& settings);
// SelfService.exe with the stored StoreFront parameters, "-qlaunch" and the quoted
// resource: the published desktop or application of the session.
CommandLine StoreFrontLaunchCommandLine(const TSettings& settings);
// SelfService.exe with the stored StoreFront parameters and "-ipoll": it authenticates
// the user and refreshes the store's applications, writing their shortcuts.
CommandLine StoreFrontRefreshCommandLine(const TSettings& settings);
// SelfService.exe signing the user out of the stores, so that the next person at the
// kiosk authenticates again.
CommandLine StoreSignOutCommandLine(const TSettings& settings);

// Before a Custom ICA session: when the settings ask for it and the user has an
// appsrv.ini, the shared copy replaces it and its log and cache paths are pointed at
// the user's own profile (only those keys that hold a value). A failure is reported
// with "File copy <shared> to <user's> failed!"; the session starts all the same.
void HandOverConnectionFile(const TSettings& settings, IFileSystem& files, IIniFiles& ini, IFolders& folders,
                            IMessageBoxes& messages);

}  // namespace lanthe
