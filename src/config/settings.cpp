#include "config/settings.h"

namespace lanthe {

Text DefaultCitrixClientPath(IFolders& folders) {
  return folders.GetSpecialFolder(Csidl::kProgramFiles) + u"\\Citrix\\ICA Client";
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
  settings.XenApp.DesktopFolder =
      pnagentDesktopName.empty()
          ? Text()
          : folders.GetSpecialFolder(Csidl::kDesktop) + u"\\" + Text(pnagentDesktopName);

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
}

}  // namespace lanthe
