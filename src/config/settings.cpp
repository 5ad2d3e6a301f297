#include "config/settings.h"

#include <algorithm>

namespace lanthe {

Text DefaultCitrixClientPath(IFolders& folders) {
  // The Citrix client is a 32-bit program: on 64-bit Windows it lives in the 32-bit
  // programs' folder, which older systems do not have.
  Text programs = folders.GetSpecialFolder(Csidl::kProgramFilesX86);
  if (programs.empty()) programs = folders.GetSpecialFolder(Csidl::kProgramFiles);
  return programs + u"\\Citrix\\ICA Client";
}

Text XenAppDesktopFolder(IFolders& folders, TextView pnagentDesktopName) {
  if (pnagentDesktopName.empty()) return Text();
  return folders.GetSpecialFolder(Csidl::kDesktop) + u"\\" + Text(pnagentDesktopName);
}

void SetDefaultSettings(TSettings& settings, IFolders& folders, TextView executablePath,
                        TextView pnagentDesktopName) {
  settings.ProgramDir = DirectoryOf(executablePath);
  settings.CitrixLogOff = CitrixLogOff::kPowerOff;
  settings.ShowShutdownDialog = true;
  settings.ShowReconnectDialog = true;
  settings.ShowShutdown = true;
  settings.ShowLogoff = true;
  settings.ShowRestart = false;
  settings.ShutdownDialogDefaultChoice = ExitAction::kShutdown;
  settings.ConnectionType = ConnectionType::kCustomIca;

  settings.Citrix.ClientPath = DefaultCitrixClientPath(folders);
  settings.Citrix.SetupFile = u"XenAppHosted.msi";

  settings.ICA.CommandlineParameters.clear();
  settings.ICA.CopyICASettings = true;
  settings.ICA.UserAppSrvIniLocation = folders.GetSpecialFolder(Csidl::kAppData) + u"\\ICAClient\\appsrv.ini";
  settings.ICA.GlobalAppSrvIniLocation = settings.ProgramDir + u"appsrv.ini";

  settings.XenApp.CommandlineParameters.clear();
  settings.XenApp.CopyXenAppSettings = false;
  settings.XenApp.ServerURL.clear();
  settings.XenApp.Connection.clear();
  settings.XenApp.DesktopFolder = XenAppDesktopFolder(folders, pnagentDesktopName);

  settings.StoreFront.StoreURL.clear();
  settings.StoreFront.Resource.clear();
  settings.StoreFront.CommandlineParameters.clear();
  settings.StoreFront.WaitForClient = kWaitForClientDefault;

  settings.RDP.ClientPath = folders.GetSpecialFolder(Csidl::kSystem);
  settings.RDP.Port = 3389;
  settings.RDP.FullScreen = true;
  settings.RDP.UseRDPFile = false;

  settings.Autologon.CreateUser = false;
  settings.Autologon.Username.clear();
  settings.Autologon.Password.clear();
  settings.Autologon.EnableAutologon = false;
  settings.Autologon.UseSysinternals = false;
  settings.AutologonExe = u"autologon.exe";

  settings.DisableTaskManager = false;
  settings.RemoveWallpaper = false;
  settings.UseBackgroundColor = true;
  settings.BackgroundColor = 0;
  settings.CurrentShell = CurrentShell::kExplorer;
  settings.LogoFile = u"logo.bmp";
  settings.DisableScreenSaver = false;
  settings.LockSecureScreen = false;
  settings.WaitForNetwork = kWaitForNetworkDefault;
  settings.RunStartupPrograms = true;
  settings.RestrictKioskUser = false;
}

std::int32_t EffectiveWaitForNetwork(const TSettings& settings) {
  return std::clamp(settings.WaitForNetwork, 0, kWaitForNetworkMaximum);
}

std::int32_t EffectiveWaitForClient(const TSettings& settings) {
  return std::clamp(settings.StoreFront.WaitForClient, kWaitForClientMinimum, kWaitForClientMaximum);
}

}  // namespace lanthe
