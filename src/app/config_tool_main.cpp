// Entry of lanthe-config, natively and as lanthe-config.exe. Output is UTF-8.

#include <cstdio>
#include <string>
#include <vector>

#include "app/config_tool.h"
#include "platform/code_page.h"
#include "version.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wide.h"
#ifdef LANTHE_TEST_BUILD
#include "platform/win32/test_seam.h"
#endif
#else
#include "platform/posix/posix_platform.h"
#endif

namespace {

void WriteAll(std::FILE* stream, const std::string& bytes) {
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

int Run(const std::vector<lanthe::Text>& arguments, lanthe::ConfigToolContext& context) {
  std::string out;
  std::string err;
  const int code = lanthe::RunConfigTool(arguments, context, out, err);
  WriteAll(stdout, out);
  WriteAll(stderr, err);
  return code;
}

}  // namespace

#ifdef _WIN32

int wmain(int argc, wchar_t** argv) {
  // Bytes go out unchanged; a console shows them as UTF-8.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
  std::vector<lanthe::Text> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(lanthe::win32::FromWide(argv[i]));
  lanthe::win32::Win32FileSystem files;
  lanthe::win32::Win32CodePage codePage;
  lanthe::win32::Win32Folders folders;
#ifdef LANTHE_TEST_BUILD
  // The test build of the tool: the stand-ins of lanthe-test.exe, so that "apply" can be
  // tried under Wine. The shipped tool never has them.
  lanthe::win32::TestSeamIdentity identity;
  lanthe::win32::RecordingPower power;
  lanthe::win32::TestSeamGroupPolicy groupPolicy(identity);
  lanthe::win32::TestSeamSecretStore secrets;
  lanthe::win32::TestSeamNetwork network;
  lanthe::win32::Win32CrashWatcher crashWatcher;
  lanthe::win32::Win32Platform system(identity, power, groupPolicy, secrets, network, crashWatcher);
#else
  lanthe::win32::Win32Platform system;
#endif
  lanthe::Platform platform = system.platform();
  lanthe::ConfigToolContext context{files, codePage, folders,
                                    [](lanthe::TextView path) { return lanthe::win32::FullPath(path); }, &platform,
                                    LANTHE_VERSION_TEXT};
  return Run(arguments, context);
}

#else

int main(int argc, char** argv) {
  std::vector<lanthe::Text> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(lanthe::Utf8ToText(argv[i]));
  lanthe::posix::PosixFileSystem files;
  // Native builds read and write settings files in the code page of western Windows.
  lanthe::Windows1252CodePage codePage;
  lanthe::posix::PosixFolders folders;
  lanthe::ConfigToolContext context{files, codePage, folders, lanthe::posix::AbsolutePath, nullptr,
                                    LANTHE_VERSION_TEXT};
  return Run(arguments, context);
}

#endif
