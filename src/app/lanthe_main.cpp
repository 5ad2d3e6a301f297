// Entry of lanthe.exe (and of its test build lanthe-test.exe).

#include <windows.h>

#include <exception>

#include "config/pnagent_store.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

#ifdef LANTHE_TEST_BUILD
#include "platform/win32/test_seam.h"
#endif

namespace {

// Start-up as far as it is built: the defaults and the settings file.
void ApplicationStart(lanthe::Platform& platform) {
  lanthe::PNAgentStore pnagent(platform.registry, platform.files, platform.codePage);
  lanthe::TSettings settings;
  lanthe::SetDefaultSettings(settings, platform.folders, platform.folders.ExecutablePath(),
                             pnagent.GetXenAppDesktopFolder());
  lanthe::SettingsFile file(platform.files, platform.codePage, platform.folders);
  lanthe::LoadSettings(file, settings, platform.messages, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The one GUI thread is the COM apartment of the shell-link and group-policy objects.
  lanthe::win32::ComScope com;
#ifdef LANTHE_TEST_BUILD
  lanthe::win32::TestSeamIdentity identity;
  lanthe::win32::RecordingPower power;
  lanthe::win32::Win32Platform system(identity, power);
#else
  lanthe::win32::Win32Platform system;
#endif
  lanthe::Platform platform = system.platform();
  try {
    ApplicationStart(platform);
  } catch (const std::exception& error) {
    // An error that escapes start-up ends the program after showing its text.
    platform.messages.ShowMessage(lanthe::Utf8ToText(error.what()));
    return 1;
  }
  return 0;
}
