#pragma once
// The real implementations of the platform interfaces on Windows.

#include "platform/win32/handles.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "platform/win32/crash_watcher.h"

namespace lanthe::win32 {

// Keys under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, always opened for full access.
class Win32Registry final : public IRegistry {
 public:
  std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot root, TextView path) noexcept override;
  std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot root, TextView path) noexcept override;
  std::unique_ptr<IRegistryKey> OpenKeyForReading(RegistryRoot root, TextView path) noexcept override;
};

// Takes ownership of a key opened elsewhere (the group-policy object hands out its
// machine and user keys); the key is closed when the result goes away, also when
// the result cannot be made. nullptr for a null key.
std::unique_ptr<IRegistryKey> WrapRegistryKey(HKEY key) noexcept;

class Win32MessageBoxes final : public IMessageBoxes {
 public:
  void ShowMessage(TextView text) noexcept override;
  bool Confirm(TextView question) noexcept override;
  bool AskYesNo(TextView text, TextView caption) noexcept override;
};

class Win32Processes final : public IProcesses {
 public:
  // messages receives the report of a program that cannot be started.
  explicit Win32Processes(IMessageBoxes& messages) noexcept : messages_(messages) {}
  using IProcesses::RunProgram;
  std::uint32_t RunProgram(TextView program, TextView parameters, std::uint16_t showState, bool wait,
                           const std::function<void()>& started) noexcept override;
  bool KillProcessByName(TextView name) noexcept override;
  // ShellExecuteExW with the "runas" verb.
  bool StartElevated(TextView program, TextView parameters) noexcept override;
  std::optional<std::uint32_t> StartCommandLine(TextView commandLine, bool wait) noexcept override;

 private:
  IMessageBoxes& messages_;
};

// The Toolhelp process walk, restricted to the program's own Windows session.
class Win32ClientProcesses final : public IClientProcesses {
 public:
  bool WaitForProcessToAppear(TextView name, std::uint32_t timeoutMs) noexcept override;
  std::uint32_t WaitForProcessesToEnd(TextView name) noexcept override;
};

class Win32FileSystem final : public IFileSystem {
 public:
  bool FileExists(TextView path) noexcept override;
  bool DirectoryExists(TextView path) noexcept override;
  std::optional<std::string> ReadFile(TextView path) noexcept override;
  bool WriteFileAtomic(TextView path, std::string_view bytes,
                       std::optional<Text> backupPath = std::nullopt) noexcept override;
  bool CopyOver(TextView from, TextView to) noexcept override;
  // FindFirstFileW / FindNextFileW on folder\mask.
  std::vector<DirectoryEntry> ListFiles(TextView folder, TextView mask) noexcept override;
};

class Win32IniFiles final : public IIniFiles {
 public:
  Text ReadString(TextView file, TextView section, TextView key, TextView defaultValue) noexcept override;
  bool WriteString(TextView file, TextView section, TextView key, TextView value) noexcept override;
  std::vector<Text> ReadSectionKeys(TextView file, TextView section) noexcept override;
};

// GetSpecialFolder reads the folders a start needs where the shell keeps them and
// asks SHGetFolderPathW (loading the shell) only for the others.
class Win32Folders final : public IFolders {
 public:
  Text GetSpecialFolder(int csidl) noexcept override;
  Text GetWindowsDir() noexcept override;
  Text ExecutablePath() noexcept override;
  bool ChangeCurrentDirectory(TextView folder) noexcept override;
  Text ExpandEnvironment(TextView text) noexcept override;
};

class Win32Identity final : public IIdentity {
 public:
  bool IsAdministrator() noexcept override;
  Text GetCurrentUserName() noexcept override;
  bool IsElevated() noexcept override;
};

class Win32Power final : public IPower {
 public:
  bool ShutdownWindows(std::uint16_t flags) noexcept override;
};

class Win32WindowList final : public IWindowList {
 public:
  std::vector<Text> TopLevelWindowTitles() noexcept override;
  // WM_SETTINGCHANGE to every top-level window, giving up on hung ones.
  void BroadcastSettingChange(TextView area) noexcept override;
};

// The group-policy object (CLSID_GroupPolicyObject through IGroupPolicyObject).
class Win32GroupPolicy final : public IGroupPolicy {
 public:
  std::unique_ptr<IGroupPolicyObject> CreateObject(std::uint32_t& errorCode) noexcept override;
};

// Shortcut files through CLSID_ShellLink with IShellLinkW and IPersistFile. Needs COM
// on the calling thread.
class Win32ShellLinks final : public IShellLinks {
 public:
  std::optional<Shortcut> ReadShortcut(TextView path) noexcept override;
};

// NetUserEnum, NetWkstaGetInfo, GetComputerNameExW, NetUserAdd, NetUserGetInfo,
// NetLocalGroupAddMembers and LogonUserW.
class Win32Accounts final : public IAccounts {
 public:
  UserEnumPage EnumerateUsers(TextView serverName, std::uint32_t& resumeHandle) noexcept override;
  std::optional<WorkstationInfo> GetWorkstationInfo() noexcept override;
  std::optional<Text> ComputerName() noexcept override;
  std::uint32_t AddUser(TextView userName, TextView password) noexcept override;
  std::optional<Text> UsersGroupName() noexcept override;
  std::uint32_t AddLocalGroupMember(TextView groupName, TextView accountName) noexcept override;
  // FormatMessageW from the system's messages, then from netmsg.dll (the NERR_ codes).
  Text DescribeStatus(std::uint32_t status) noexcept override;
  std::optional<UserDetails> GetUserDetails(TextView userName) noexcept override;
  // LookupAccountNameW with "COMPUTER\\name", then ConvertSidToStringSidW.
  std::optional<Text> AccountSid(TextView userName) noexcept override;
  std::uint32_t FindUser(TextView userName) noexcept override;
  std::uint32_t TryLogOn(TextView userName, TextView password) noexcept override;
};

// GetNamedSecurityInfoW with the DACL alone.
class Win32FileSecurity final : public IFileSecurity {
 public:
  std::optional<AccessList> ReadAccessList(TextView path) noexcept override;
};

// The string form of a SID ("S-1-5-32-545", ConvertSidToStringSidW); nullopt when the
// system cannot make one.
std::optional<Text> SidText(PSID sid) noexcept;

// GetAdaptersAddresses, NotifyIpInterfaceChange and NotifyUnicastIpAddressChange from
// the IP helper, GetAddrInfoW from Winsock, each loaded at the first question.
class Win32Network final : public INetwork {
 public:
  bool IsUp() noexcept override;
  std::unique_ptr<INetworkWatch> WatchChanges(std::function<void()> changed) noexcept override;
  std::unique_ptr<INameQuery> Resolve(TextView name, std::function<void()> answered) noexcept override;
};

// A name query whose answer `resolve` gives on a thread of its own (the test build's
// stand-in shares the thread with the real query); nullptr when no thread can be made.
std::unique_ptr<INameQuery> StartNameQuery(std::function<bool()> resolve, std::function<void()> answered) noexcept;
// Whether the name resolves to an address now (GetAddrInfoW): blocks for as long as the
// name servers take. True when Winsock cannot be loaded.
bool ResolvesNow(const std::wstring& name) noexcept;

// SystemParametersInfoW and SetSysColors without writing the profile.
class Win32Desktop final : public IDesktop {
 public:
  bool RemoveWallpaper() noexcept override;
  bool SetDesktopColor(std::uint32_t rgb) noexcept override;
  void SignalShellReady() noexcept override;
  void SwitchOffAccessibilityHotkeys(const std::vector<AccessibilityFeature>& features) noexcept override;
};

// Sets the named event "ShellDesktopSwitchEvent", once per process: the first of the
// client's start, the first window shown and the first message box does it.
void SignalShellReadyOnce() noexcept;
// A program started again after a crash: the log-on screen is long gone.
void ShellReadySignalledBefore() noexcept;

// RegisterEventSourceW and ReportEventW for the source "Lanthe", on a thread of
// their own; what is still queued when the object goes away is written within two
// seconds or dropped.
class Win32EventLog final : public IEventLog {
 public:
  Win32EventLog() noexcept = default;
  ~Win32EventLog() override;
  Win32EventLog(const Win32EventLog&) = delete;
  Win32EventLog& operator=(const Win32EventLog&) = delete;
  using IEventLog::Report;
  void Report(const EventReport& event) noexcept override;
  void Flush() noexcept override;

 private:
  struct Event {
    EventType type;
    std::uint32_t id;
    std::vector<std::wstring> strings;
  };
  // Shared with the writing thread, which may outlive this object when the log
  // service hangs.
  struct Queue {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable drained;
    std::deque<Event> events;
    bool writing = false;
    bool stopping = false;
  };
  static void Write(const std::shared_ptr<Queue>& queue) noexcept;
  static DWORD WINAPI WriterThread(void* queue) noexcept;

  std::shared_ptr<Queue> queue_;
  UniqueHandle worker_;  // the writing thread
};

// OpenEventLogW and ReadEventLogW on the Application log, newest record first.
class Win32EventHistory final : public IEventHistory {
 public:
  std::optional<std::vector<LoggedEvent>> RecentEvents(TextView source, std::size_t most) noexcept override;
};

// GetTickCount64.
class Win32Clock final : public IClock {
 public:
  std::uint64_t NowMilliseconds() noexcept override;
};

// LsaOpenPolicy, LsaStorePrivateData and LsaRetrievePrivateData.
class Win32SecretStore final : public ISecretStore {
 public:
  std::uint32_t StorePrivateData(TextView keyName, TextView data) noexcept override;
  PrivateData ReadPrivateData(TextView keyName) noexcept override;
  std::uint32_t DeletePrivateData(TextView keyName) noexcept override;
};

// Starts the log-on's own programs on a thread of its own, which makes its own services
// (registry, processes, folders, event log), so that nothing it uses goes away under it
// while the program ends.
class Win32StartupPrograms final : public IStartupPrograms {
 public:
  void StartInBackground(bool administrator) noexcept override;
};

// The ANSI code page of the running system (CP_ACP).
class Win32CodePage final : public ICodePage {
 public:
  Text Decode(std::string_view bytes) noexcept override;
  bool TryEncode(TextView text, std::string& out) noexcept override;
};

// The absolute form of a path (GetFullPathNameW), relative ones taken from the
// current directory; the path as given when the system cannot make one.
Text FullPath(TextView path) noexcept;

// One of each, bundled as a Platform. The second constructor takes the identity,
// power, group-policy, secret, network and crash-watcher services from outside (the
// test build puts its seam there); they must outlive this object.
class Win32Platform {
 public:
  Win32Platform() noexcept
      : Win32Platform(ownIdentity_, ownPower_, ownGroupPolicy_, ownSecrets_, ownNetwork_, ownCrashWatcher_) {}
  Win32Platform(IIdentity& identity, IPower& power, IGroupPolicy& groupPolicy, ISecretStore& secrets,
                INetwork& network, ICrashWatcher& crashWatcher) noexcept
      : processes_(messages_),
        identity_(identity),
        power_(power),
        groupPolicy_(groupPolicy),
        secrets_(secrets),
        network_(network),
        crashWatcher_(crashWatcher) {}
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform platform() noexcept {
    return Platform{registry_, processes_,   files_,    ini_,        folders_, identity_, power_,
                    windows_,  messages_,    codePage_, groupPolicy_, accounts_, shellLinks_, secrets_,
                    network_,  desktop_,     events_,   clock_,       startupPrograms_, crashWatcher_,
                    fileSecurity_, eventHistory_, clientProcesses_};
  }

 private:
  Win32MessageBoxes messages_;
  Win32Registry registry_;
  Win32Processes processes_;
  Win32FileSystem files_;
  Win32IniFiles ini_;
  Win32Folders folders_;
  Win32Identity ownIdentity_;
  Win32Power ownPower_;
  Win32WindowList windows_;
  Win32CodePage codePage_;
  Win32GroupPolicy ownGroupPolicy_;
  Win32Accounts accounts_;
  Win32ShellLinks shellLinks_;
  Win32SecretStore ownSecrets_;
  Win32Network ownNetwork_;
  Win32Desktop desktop_;
  Win32Clock clock_;
  Win32StartupPrograms startupPrograms_;
  Win32CrashWatcher ownCrashWatcher_;
  Win32FileSecurity fileSecurity_;
  Win32EventHistory eventHistory_;
  Win32ClientProcesses clientProcesses_;
  Win32EventLog events_;  // last of the own services: it goes first, writing what is queued
  IIdentity& identity_;
  IPower& power_;
  IGroupPolicy& groupPolicy_;
  ISecretStore& secrets_;
  INetwork& network_;
  ICrashWatcher& crashWatcher_;
};

}  // namespace lanthe::win32
