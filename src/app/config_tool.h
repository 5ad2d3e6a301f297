#pragma once
// lanthe-config: reads, writes and checks settings files exactly as Lanthe does, for
// administrators who script deployments and for tests.
//
//   lanthe-config show FILE                 the settings Lanthe holds after start-up, as JSON
//   lanthe-config write FILE [Name=Value]   a settings file from the defaults and the values given
//   lanthe-config roundtrip IN OUT          IN loaded and saved again as OUT
//   lanthe-config check FILE                every value Lanthe would read otherwise than it says
//   lanthe-config pnagent FILE              a XenAppSettings.cfg as readable text
//   lanthe-config status [--json] [FILE]    the kiosk's state, one line per check
//   lanthe-config apply [FILE]              an administrator's apply, without a window
//   lanthe-config --version                 "lanthe-config <version>"

#include <functional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace lanthe {

struct ConfigToolContext {
  IFileSystem& files;
  ICodePage& codePage;
  IFolders& folders;
  // Makes a path absolute, so that the folder holding FILE can stand in for the
  // program directory.
  std::function<Text(TextView)> absolutePath;
  // The machine, where the tool runs on Windows: "show --effective" reads the
  // policies from it, "status" looks at the kiosk. Natively there is none.
  Platform* platform = nullptr;
  // The program's version ("0.1.0"), which --version prints: the entry's, the one
  // its version resource carries.
  std::string version = {};
};

namespace ConfigToolExit {
constexpr int kOk = 0;
constexpr int kFailed = 1;  // a rejected or unwritable file, findings of check
constexpr int kUsage = 2;   // a bad command line, an unknown name or a bad value
}  // namespace ConfigToolExit

// Runs one command; arguments exclude the program name. out and err receive UTF-8.
int RunConfigTool(const std::vector<Text>& arguments, ConfigToolContext& context, std::string& out,
                  std::string& err);

}  // namespace lanthe
