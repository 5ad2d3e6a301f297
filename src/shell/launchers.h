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

// Before a Custom ICA session: when the settings ask for it and the user has an
// appsrv.ini, the shared copy replaces it and its log and cache paths are pointed at
// the user's own profile (only those keys that hold a value). A failure is reported
// with "File copy <shared> to <user's> failed!"; the session starts all the same.
void HandOverConnectionFile(const TSettings& settings, IFileSystem& files, IIniFiles& ini, IFolders& folders,
                            IMessageBoxes& messages);

}  // namespace lanthe
