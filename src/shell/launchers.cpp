#include "shell/launchers.h"

namespace lanthe {

namespace {

Text Quoted(TextView text) { return u"\"" + Text(text) + u"\""; }

Text ClientProgram(TextView folder, TextView program) { return Quoted(Text(folder) + u"\\" + Text(program)); }

}  // namespace

CommandLine RdpCommandLine(const TSettings& settings) {
  Text parameters;
  if (settings.RDP.UseRDPFile) {
    // ProgramDir ends with a backslash: the file name follows it directly.
    parameters = Quoted(settings.ProgramDir + settings.RDP.RDPFileLocation) + u" " + settings.RDP.CommandlineParameters;
  } else {
    parameters = settings.RDP.CommandlineParameters + u"/V:" + settings.RDP.Connection + u":" +
                 IntToText(settings.RDP.Port);
  }
  if (settings.RDP.FullScreen) parameters += u" /f";
  return {ClientProgram(settings.RDP.ClientPath, u"mstsc.exe"), parameters};
}

CommandLine CitrixCommandLine(const TSettings& settings) {
  return {ClientProgram(settings.Citrix.ClientPath, u"wfcrun32.exe"),
          settings.ICA.CommandlineParameters + u" " + Quoted(settings.ICA.Connection)};
}

CommandLine IcaTestCommandLine(const TSettings& settings) {
  return {ClientProgram(settings.Citrix.ClientPath, u"pn.exe"),
          settings.ICA.CommandlineParameters + u"/APP " + Quoted(settings.ICA.Connection)};
}

Text ProgramNeighborhoodPath(const TSettings& settings) { return settings.Citrix.ClientPath + u"\\pn.exe"; }

CommandLine ProgramNeighborhoodCommandLine(const TSettings& settings) {
  return {Quoted(ProgramNeighborhoodPath(settings)), u""};
}

Text RemoteDesktopClientPath(const TSettings& settings) { return settings.RDP.ClientPath + u"\\mstsc.exe"; }

CommandLine RemoteDesktopClientCommandLine(const TSettings& settings) {
  return {Quoted(RemoteDesktopClientPath(settings)), u""};
}

CommandLine PNAgentCommandLine(const TSettings& settings) {
  return {ClientProgram(settings.Citrix.ClientPath, u"pnagent.exe"), settings.XenApp.CommandlineParameters};
}

Text SelfServicePath(const TSettings& settings) {
  return settings.Citrix.ClientPath + u"\\SelfServicePlugin\\SelfService.exe";
}

Text StoreBrowsePath(const TSettings& settings) {
  return settings.Citrix.ClientPath + u"\\AuthManager\\storebrowse.exe";
}

// "-a" adds a store by its URL for the current user: Citrix's "Storebrowse" page of the
// Workspace app for Windows (docs.citrix.com/en-us/citrix-workspace-app-for-windows/store-browse.html).
CommandLine AddStoreCommandLine(const TSettings& settings) {
  return {Quoted(StoreBrowsePath(settings)), u"-a " + Quoted(settings.StoreFront.StoreURL)};
}

// "-qlaunch" starts a resource by its display name, authenticating first when needed:
// Citrix's article "Driving the Citrix Receiver Self-Service Plug-in Programmatically"
// (CTX200337), which lists the self-service program's switches.
namespace {
Text StoredParametersAndBlank(const TSettings& settings) {
  Text parameters = settings.StoreFront.CommandlineParameters;
  if (!parameters.empty() && parameters.back() != u' ') parameters += u' ';
  return parameters;
}
}  // namespace

CommandLine StoreFrontLaunchCommandLine(const TSettings& settings) {
  return {Quoted(SelfServicePath(settings)),
          StoredParametersAndBlank(settings) + u"-qlaunch " + Quoted(settings.StoreFront.Resource)};
}

// "-ipoll" asks the store for the user's resources interactively (signing in when
// needed), from the same article (CTX200337).
CommandLine StoreFrontRefreshCommandLine(const TSettings& settings) {
  return {Quoted(SelfServicePath(settings)), StoredParametersAndBlank(settings) + u"-ipoll"};
}

// "-logoff" logs the user off every store, from the same article (CTX200337); its
// "-terminate" would also end the self-service program, which the exit action that
// follows ends anyway.
CommandLine StoreSignOutCommandLine(const TSettings& settings) {
  return {Quoted(SelfServicePath(settings)), u"-logoff"};
}

void HandOverConnectionFile(const TSettings& settings, IFileSystem& files, IIniFiles& ini, IFolders& folders,
                            IMessageBoxes& messages) {
  const Text& user = settings.ICA.UserAppSrvIniLocation;
  const Text& shared = settings.ICA.GlobalAppSrvIniLocation;
  if (!settings.ICA.CopyICASettings || !files.FileExists(user)) return;
  const Text failed = u"File copy " + shared + u" to " + user + u" failed!";
  // Only from the shared copy to the user, never back.
  if (!files.CopyOver(shared, user)) messages.ShowMessage(failed);
  if (!files.FileExists(user)) return;
  // The user's own folders replace whatever folders the shared copy carried.
  const Text appData = folders.GetSpecialFolder(Csidl::kAppData);
  const struct {
    const char16_t* key;
    Text value;
  } paths[] = {{u"LogFileWin32", appData + u"\\ICAClient\\wfcwin32.log"},
               {u"PersistentCachePath", appData + u"\\ICAClient\\Cache"}};
  for (const auto& path : paths) {
    if (ini.ReadString(user, u"WFClient", path.key, u"").empty()) continue;
    if (!ini.WriteString(user, u"WFClient", path.key, path.value)) {
      messages.ShowMessage(failed);
      return;
    }
  }
}

}  // namespace lanthe
