#pragma once
// The start-up task that applies the settings without a person: "lanthe-config apply"
// as SYSTEM at every start of Windows. The installer registers it (APPLYATSTARTUP=1)
// and the uninstall removes it, both through schtasks.exe. The task is made from a
// definition file ("/xml"): only the schema names the principal by its SID and the run
// level exactly, and it is the one form of /create that Wine's schtasks.exe takes too.

#include "platform/text.h"

namespace lanthe {

inline constexpr char16_t kApplyTaskName[] = u"Lanthe apply";

// The task's definition in the Task Scheduler's schema (learn.microsoft.com: "Task
// Scheduler Schema", "Boot Trigger Example (XML)"): a BootTrigger; the principal
// S-1-5-18 (SYSTEM, in any language) at RunLevel HighestAvailable; one Exec action,
// configProgram with the argument "apply". Declared UTF-16, as written to the file.
Text ApplyTaskDefinition(TextView configProgram);

// The file schtasks.exe reads: the definition in UTF-16 little endian with its
// byte-order mark.
std::string ApplyTaskDefinitionFile(TextView configProgram);

// The command lines of schtasks.exe in systemFolder (from the search path when empty)
// that register the task from definitionFile, replacing one of the same name ("schtasks
// create"), and remove it without a question ("schtasks delete", /f).
Text CreateApplyTaskCommand(TextView systemFolder, TextView definitionFile);
Text DeleteApplyTaskCommand(TextView systemFolder);

}  // namespace lanthe
