#pragma once
// Fakes of the platform interfaces for the core's tests: an in-memory registry and
// file system, scripted message boxes, fixed folders and identity.

#include <cstdint>
#include <deque>
#include <functional>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace lanthe::testing {

class FakeRegistry final : public IRegistry {
 public:
  struct Key {
    std::map<Text, RegistryValue> values;
    bool failWrites = false;
  };

  std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot root, TextView path) override {
    auto it = keys_.find({root, Normalize(path)});
    if (it == keys_.end() || closedKeys_.count({root, Normalize(path)})) return nullptr;
    return std::make_unique<OpenedKey>(*this, root, Normalize(path));
  }

  std::unique_ptr<IRegistryKey> OpenKeyForReading(RegistryRoot root, TextView path) override {
    if (!keys_.count({root, Normalize(path)}) || unreadableKeys_.count({root, Normalize(path)})) return nullptr;
    return std::make_unique<OpenedKey>(*this, root, Normalize(path));
  }

  std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot root, TextView path) override {
    if (closedKeys_.count({root, Normalize(path)})) return nullptr;
    keys_[{root, Normalize(path)}];
    return std::make_unique<OpenedKey>(*this, root, Normalize(path));
  }

  // Test set-up and inspection.
  Key& AddKey(RegistryRoot root, TextView path) { return keys_[{root, Normalize(path)}]; }
  bool HasKey(RegistryRoot root, TextView path) const { return keys_.count({root, Normalize(path)}) > 0; }
  const RegistryValue* Value(RegistryRoot root, TextView path, TextView name) const {
    auto key = keys_.find({root, Normalize(path)});
    if (key == keys_.end()) return nullptr;
    auto value = key->second.values.find(Text(name));
    return value == key->second.values.end() ? nullptr : &value->second;
  }
  // A key that exists but may not be opened (a limited user and a machine-wide key).
  void DenyAccess(RegistryRoot root, TextView path) { closedKeys_.insert({root, Normalize(path)}); }
  // A key that may not even be read.
  void DenyReading(RegistryRoot root, TextView path) { unreadableKeys_.insert({root, Normalize(path)}); }
  int writes = 0;

 private:
  using Id = std::pair<RegistryRoot, Text>;

  static Text Normalize(TextView path) {
    while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    return AsciiUpper(path);
  }

  class OpenedKey final : public IRegistryKey {
   public:
    OpenedKey(FakeRegistry& owner, RegistryRoot root, Text path) : owner_(owner), root_(root), path_(std::move(path)) {}
    std::optional<RegistryValue> ReadValue(TextView name) override {
      auto& values = Self().values;
      auto it = values.find(Text(name));
      if (it == values.end()) return std::nullopt;
      return it->second;
    }
    bool WriteString(TextView name, TextView value) override {
      return Store(name, RegistryValue{RegistryType::kString, StringValueBytes(value)});
    }
    bool WriteDword(TextView name, std::uint32_t value) override {
      std::vector<std::uint8_t> bytes;
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
      return Store(name, RegistryValue{RegistryType::kDword, bytes});
    }
    bool WriteBinary(TextView name, const std::vector<std::uint8_t>& value) override {
      return Store(name, RegistryValue{RegistryType::kBinary, value});
    }
    bool DeleteValue(TextView name) override {
      if (Self().failWrites) return false;
      Self().values.erase(Text(name));
      return true;
    }
    std::unique_ptr<IRegistryKey> CreateSubKey(TextView path) override {
      return owner_.CreateKey(root_, path_ + u"\\" + Text(path));
    }
    // In the order of their names.
    std::vector<Text> ValueNames() override {
      std::vector<Text> names;
      for (const auto& [name, value] : Self().values) names.push_back(name);
      return names;
    }

   private:
    Key& Self() { return owner_.keys_[{root_, path_}]; }
    bool Store(TextView name, RegistryValue value) {
      if (Self().failWrites) return false;
      ++owner_.writes;
      Self().values[Text(name)] = std::move(value);
      return true;
    }
    FakeRegistry& owner_;
    RegistryRoot root_;
    Text path_;
  };

  std::map<Id, Key> keys_;
  std::set<Id> closedKeys_;
  std::set<Id> unreadableKeys_;
};

class FakeFileSystem final : public IFileSystem {
 public:
  bool FileExists(TextView path) override { return files.count(Text(path)) > 0; }
  bool DirectoryExists(TextView path) override { return directories.count(Text(path)) > 0; }
  std::optional<std::string> ReadFile(TextView path) override {
    if (unreadable.count(Text(path))) return std::nullopt;
    auto it = files.find(Text(path));
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool WriteFileAtomic(TextView path, std::string_view bytes, std::optional<Text> backupPath) override {
    ++atomicWrites;
    if (failWrites) return false;
    if (backupPath) {
      auto old = files.find(Text(path));
      if (old != files.end()) files[*backupPath] = old->second;
    }
    files[Text(path)] = std::string(bytes);
    return true;
  }
  bool CopyOver(TextView from, TextView to) override {
    auto it = files.find(Text(from));
    if (it == files.end() || failWrites) return false;
    files[Text(to)] = it->second;
    return true;
  }
  // Files directly in the folder whose name ends with the mask's extension ("*.lnk"),
  // letter case aside, plus the extra entries a test lists for the folder.
  std::vector<DirectoryEntry> ListFiles(TextView folder, TextView mask) override {
    ++listings;
    std::vector<DirectoryEntry> entries;
    const Text prefix = Text(folder) + u"\\";
    const Text extension = AsciiUpper(mask.substr(1));
    for (const auto& [path, bytes] : files) {
      if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
      const Text name = path.substr(prefix.size());
      if (name.find(u'\\') != Text::npos) continue;
      if (name.size() >= extension.size() && AsciiUpper(name.substr(name.size() - extension.size())) == extension) {
        DirectoryEntry entry{name};
        entry.hidden = hiddenFiles.count(path) > 0;
        entry.system = systemFiles.count(path) > 0;
        entries.push_back(entry);
      }
    }
    for (const auto& entry : extraEntries[Text(folder)]) entries.push_back(entry);
    return entries;
  }

  std::map<Text, std::string> files;
  std::set<Text> directories;
  std::set<Text> unreadable;
  std::set<Text> hiddenFiles;
  std::set<Text> systemFiles;
  std::map<Text, std::vector<DirectoryEntry>> extraEntries;
  bool failWrites = false;
  int atomicWrites = 0;
  int listings = 0;
};

// Shortcuts by path; a path listed in broken has no shell-link object.
class FakeShellLinks final : public IShellLinks {
 public:
  std::optional<Shortcut> ReadShortcut(TextView path) override {
    reads.emplace_back(path);
    if (broken.count(Text(path))) return std::nullopt;
    auto it = shortcuts.find(Text(path));
    return it == shortcuts.end() ? Shortcut{} : it->second;
  }
  std::map<Text, Shortcut> shortcuts;
  std::set<Text> broken;
  std::vector<Text> reads;
};

class FakeFolders final : public IFolders {
 public:
  Text GetSpecialFolder(int csidl) override {
    auto it = special.find(csidl);
    return it == special.end() ? Text() : it->second;
  }
  Text GetWindowsDir() override { return windowsDir; }
  Text ExecutablePath() override { return executable; }
  bool ChangeCurrentDirectory(TextView folder) override {
    currentDirectory = Text(folder);
    return true;
  }
  // "%NAME%" from the variables given here; others stay.
  Text ExpandEnvironment(TextView text) override {
    Text result(text);
    for (const auto& [name, value] : environment) {
      const Text reference = u"%" + name + u"%";
      for (auto at = result.find(reference); at != Text::npos; at = result.find(reference, at + value.size())) {
        result.replace(at, reference.size(), value);
      }
    }
    return result;
  }
  std::map<Text, Text> environment = {{u"ProgramFiles", u"C:\\Program Files"}};

  // The folders of a typical machine; tests remove entries to model a shell that
  // cannot give a folder.
  std::map<int, Text> special = {
      {Csidl::kDesktop, u"C:\\Users\\kiosk\\Desktop"},
      {Csidl::kAppData, u"C:\\Users\\kiosk\\AppData\\Roaming"},
      {Csidl::kSystem, u"C:\\Windows\\system32"},
      {Csidl::kProgramFiles, u"C:\\Program Files"},
  };
  // What 64-bit Windows adds: the folder of the 32-bit programs.
  void AddProgramFilesX86() { special[Csidl::kProgramFilesX86] = u"C:\\Program Files (x86)"; }
  Text windowsDir = u"C:\\Windows";
  Text executable = u"C:\\Apps\\lanthe.exe";
  Text currentDirectory;
};

class FakeIdentity final : public IIdentity {
 public:
  bool IsAdministrator() override {
    ++administratorQueries;
    return administrator;
  }
  Text GetCurrentUserName() override { return userName; }
  bool IsElevated() override { return elevated; }

  bool administrator = true;
  bool elevated = true;
  Text userName = u"kiosk";
  int administratorQueries = 0;
};

// Records every box; confirmations are answered from a queue (No when it runs empty).
class FakeMessageBoxes final : public IMessageBoxes {
 public:
  void ShowMessage(TextView text) override { shown.emplace_back(text); }
  bool Confirm(TextView question) override {
    confirmations.emplace_back(question);
    return NextAnswer();
  }
  bool AskYesNo(TextView text, TextView caption) override {
    questions.emplace_back(Text(text), Text(caption));
    return NextAnswer();
  }

  std::vector<Text> shown;
  std::vector<Text> confirmations;
  std::vector<std::pair<Text, Text>> questions;
  std::deque<bool> answers;

 private:
  bool NextAnswer() {
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// Records every program start and every process ended by name. Exit codes come from
// a queue (0 when it runs empty); onRun lets a test act while the "program runs".
class FakeProcesses final : public IProcesses {
 public:
  struct Run {
    Text program;
    Text parameters;
    std::uint16_t showState;
    bool wait;
    Text CommandLine() const { return program + u" " + parameters; }
  };

  using IProcesses::RunProgram;
  std::uint32_t RunProgram(TextView program, TextView parameters, std::uint16_t showState, bool wait,
                           const std::function<void()>& started) override {
    runs.push_back(Run{Text(program), Text(parameters), showState, wait});
    if (startFails) return 0;  // told to the user as the real one does; nothing ran
    if (onStart) onStart(runs.back());
    if (started) started();
    if (onRun) onRun(runs.back());
    if (exitCodes.empty()) return 0;
    const std::uint32_t code = exitCodes.front();
    exitCodes.pop_front();
    return code;
  }
  bool KillProcessByName(TextView name) override {
    killed.emplace_back(name);
    return killResult;
  }
  bool StartElevated(TextView program, TextView parameters) override {
    elevatedStarts.push_back(Run{Text(program), Text(parameters), ShowState::kNormal, false});
    return elevatedStartResult;
  }
  struct CommandLineStart {
    Text commandLine;
    bool wait;
  };
  std::optional<std::uint32_t> StartCommandLine(TextView commandLine, bool wait) override {
    commandLineStarts.push_back(CommandLineStart{Text(commandLine), wait});
    if (startFails || unstartable.count(Text(commandLine))) return std::nullopt;
    if (onCommandLine) onCommandLine(commandLineStarts.back());
    if (commandLineExitCodes.empty()) return 0;
    const std::uint32_t code = commandLineExitCodes.front();
    commandLineExitCodes.pop_front();
    return code;
  }

  std::vector<Run> runs;
  std::vector<Text> killed;
  std::deque<std::uint32_t> exitCodes;
  std::function<void(const Run&)> onStart;  // as the program starts, before the caller hears of it
  std::function<void(const Run&)> onRun;    // while the program runs
  bool killResult = false;
  bool startFails = false;  // no program can be started
  std::vector<Run> elevatedStarts;
  bool elevatedStartResult = true;
  std::vector<CommandLineStart> commandLineStarts;  // every StartCommandLine, started or not
  std::set<Text> unstartable;                        // command lines that cannot be started
  std::function<void(const CommandLineStart&)> onCommandLine;  // while such a program runs
  std::deque<std::uint32_t> commandLineExitCodes;              // of the started ones (0 when it runs empty)
};

// INI files as sections of keys in file order.
class FakeIniFiles final : public IIniFiles {
 public:
  using Section = std::vector<std::pair<Text, Text>>;

  Text ReadString(TextView file, TextView section, TextView key, TextView defaultValue) override {
    if (const auto* entry = Find(file, section, key)) return entry->second;
    return Text(defaultValue);
  }
  bool WriteString(TextView file, TextView section, TextView key, TextView value) override {
    if (failWrites) return false;
    if (auto* entry = Find(file, section, key)) {
      entry->second = Text(value);
    } else {
      files[Text(file)][Text(section)].emplace_back(Text(key), Text(value));
    }
    return true;
  }
  std::vector<Text> ReadSectionKeys(TextView file, TextView section) override {
    std::vector<Text> keys;
    auto f = files.find(Text(file));
    if (f == files.end()) return keys;
    auto s = f->second.find(Text(section));
    if (s == f->second.end()) return keys;
    for (const auto& entry : s->second) keys.push_back(entry.first);
    return keys;
  }

  std::map<Text, std::map<Text, Section>> files;
  bool failWrites = false;

 private:
  std::pair<Text, Text>* Find(TextView file, TextView section, TextView key) {
    auto f = files.find(Text(file));
    if (f == files.end()) return nullptr;
    auto s = f->second.find(Text(section));
    if (s == f->second.end()) return nullptr;
    for (auto& entry : s->second) {
      if (EqualsIgnoreAsciiCase(entry.first, key)) return &entry;
    }
    return nullptr;
  }
};

class FakePower final : public IPower {
 public:
  bool ShutdownWindows(std::uint16_t flags) override {
    requested.push_back(flags);
    if (refusals > 0) {
      --refusals;
      return false;
    }
    if (accept && onAccepted) onAccepted();
    return accept;
  }
  std::vector<std::uint16_t> requested;
  bool accept = true;
  int refusals = 0;  // the first requests that are refused, whatever accept says
  std::function<void()> onAccepted;  // as Windows accepts a request
};

class FakeWindowList final : public IWindowList {
 public:
  std::vector<Text> TopLevelWindowTitles() override {
    ++enumerations;
    return titles;
  }
  void BroadcastSettingChange(TextView area) override { broadcasts.emplace_back(area); }
  std::vector<Text> titles;
  int enumerations = 0;
  std::vector<Text> broadcasts;
};

// The group-policy object: its user and machine sections are keys of the fake
// registry (under HKEY_LOCAL_MACHINE "GPO\User" and "GPO\Machine"), and every call
// is recorded in order.
class FakeGroupPolicy final : public IGroupPolicy {
 public:
  explicit FakeGroupPolicy(FakeRegistry& registry) : registry_(registry) {}

  std::unique_ptr<IGroupPolicyObject> CreateObject(std::uint32_t& errorCode) override {
    calls.push_back("create");
    if (!available) {
      errorCode = 0x80040154;
      return nullptr;
    }
    return std::make_unique<Object>(*this);
  }

  bool available = true;
  bool opens = true;      // the objects open (an administrator)
  bool givesKey = true;   // GetRegistryKey succeeds
  std::set<Text> principalsWithoutObject;  // SIDs whose object does not open (a domain account)
  std::vector<std::string> calls;
  int released = 0;

 private:
  class Object final : public IGroupPolicyObject {
   public:
    explicit Object(FakeGroupPolicy& owner) : owner_(owner) {}
    ~Object() override {
      owner_.calls.push_back("release");
      ++owner_.released;
    }
    bool OpenLocalMachineGPO() override {
      owner_.calls.push_back("open");
      return owner_.opens;
    }
    bool OpenLocalMachineGPOForPrincipal(TextView sid) override {
      owner_.calls.push_back("open " + TextToUtf8(sid));
      principal_ = Text(sid);
      return owner_.opens && !owner_.principalsWithoutObject.count(principal_);
    }
    // The machine's user section is "GPO\User", a principal's "GPO\Users\<SID>".
    std::unique_ptr<IRegistryKey> GetUserRegistryKey() override {
      owner_.calls.push_back("key");
      if (!owner_.givesKey) return nullptr;
      return RecordingKey::Make(owner_, principal_.empty() ? Text(u"GPO\\User") : u"GPO\\Users\\" + principal_);
    }
    std::unique_ptr<IRegistryKey> GetMachineRegistryKey() override {
      owner_.calls.push_back("machine key");
      if (!owner_.givesKey) return nullptr;
      return RecordingKey::Make(owner_, u"GPO\\Machine");
    }
    void Save(bool machine) override { owner_.calls.push_back(machine ? "save machine" : "save"); }

   private:
    FakeGroupPolicy& owner_;
    Text principal_;
  };

  // A key of the object's section (path below HKEY_LOCAL_MACHINE, made when missing):
  // each value written is recorded as "write <name>", each removal as "delete <name>".
  class RecordingKey final : public IRegistryKey {
   public:
    RecordingKey(FakeGroupPolicy& owner, Text path, std::unique_ptr<IRegistryKey> inner)
        : owner_(owner), path_(std::move(path)), inner_(std::move(inner)) {}
    static std::unique_ptr<IRegistryKey> Make(FakeGroupPolicy& owner, const Text& path) {
      auto inner = owner.registry_.CreateKey(RegistryRoot::LocalMachine, path);
      return inner ? std::make_unique<RecordingKey>(owner, path, std::move(inner)) : nullptr;
    }
    std::optional<RegistryValue> ReadValue(TextView name) override { return inner_->ReadValue(name); }
    bool WriteString(TextView name, TextView value) override { return Record(name) && inner_->WriteString(name, value); }
    bool WriteDword(TextView name, std::uint32_t value) override { return Record(name) && inner_->WriteDword(name, value); }
    bool WriteBinary(TextView name, const std::vector<std::uint8_t>& value) override {
      return Record(name) && inner_->WriteBinary(name, value);
    }
    bool DeleteValue(TextView name) override {
      owner_.calls.push_back("delete " + TextToUtf8(name));
      return inner_->DeleteValue(name);
    }
    std::unique_ptr<IRegistryKey> CreateSubKey(TextView path) override {
      return Make(owner_, path_ + u"\\" + Text(path));
    }
    std::unique_ptr<IRegistryKey> OpenSubKey(TextView path) override {
      const Text sub = path_ + u"\\" + Text(path);
      auto inner = owner_.registry_.OpenKey(RegistryRoot::LocalMachine, sub);
      return inner ? std::make_unique<RecordingKey>(owner_, sub, std::move(inner)) : nullptr;
    }

   private:
    bool Record(TextView name) {
      owner_.calls.push_back("write " + TextToUtf8(name));
      return true;
    }
    FakeGroupPolicy& owner_;
    Text path_;
    std::unique_ptr<IRegistryKey> inner_;
  };

  FakeRegistry& registry_;
};

// The private data of the local security authority: stored by name, or refused with
// a status (Wine refuses it always).
class FakeSecretStore final : public ISecretStore {
 public:
  std::uint32_t StorePrivateData(TextView keyName, TextView data) override {
    if (status != LsaStatus::kSuccess) return status;
    secrets[Text(keyName)] = Text(data);
    return status;
  }
  PrivateData ReadPrivateData(TextView keyName) override {
    if (!readable) return {};
    auto it = secrets.find(Text(keyName));
    if (it == secrets.end() || it->second.empty()) return {SecretState::kNotStored, {}};
    return {SecretState::kStored, it->second};
  }
  std::uint32_t DeletePrivateData(TextView keyName) override {
    if (deleteStatus != LsaStatus::kSuccess) return deleteStatus;
    return secrets.erase(Text(keyName)) ? LsaStatus::kSuccess : LsaStatus::kObjectNameNotFound;
  }
  std::map<Text, Text> secrets;
  std::uint32_t status = LsaStatus::kSuccess;
  std::uint32_t deleteStatus = LsaStatus::kSuccess;  // anything else: the removal is refused so
  bool readable = true;  // false: reading is refused, as to a program without full rights
};

// The network: down for the first `downLooks` questions, then up (or always as `up`).
// With `notifies`, it gives a watch, and Change() plays the system's change event. Each
// name query takes the next of `answers` (nullopt: unanswered until AnswerPending),
// then `resolves`.
class FakeNetwork final : public INetwork {
 public:
  struct QueryState {
    std::optional<bool> answer;
    std::function<void()> answered;
    bool dropped = false;
  };
  class Query final : public INameQuery {
   public:
    Query(FakeNetwork& network, std::shared_ptr<QueryState> state) : network_(network), state_(std::move(state)) {
      ++network_.liveQueries;
    }
    ~Query() override {
      state_->dropped = true;
      --network_.liveQueries;
    }
    std::optional<bool> Answer(std::uint32_t) override { return state_->answer; }

   private:
    FakeNetwork& network_;
    std::shared_ptr<QueryState> state_;
  };
  class Watch final : public INetworkWatch {
   public:
    explicit Watch(FakeNetwork& network) : network_(network) {}
    ~Watch() override { network_.onChange = nullptr; }

   private:
    FakeNetwork& network_;
  };

  bool IsUp() override {
    ++looks;
    if (downLooks > 0) {
      --downLooks;
      return false;
    }
    return up;
  }
  std::unique_ptr<INetworkWatch> WatchChanges(std::function<void()> changed) override {
    if (!notifies) return nullptr;
    onChange = std::move(changed);
    return std::make_unique<Watch>(*this);
  }
  std::unique_ptr<INameQuery> Resolve(TextView name, std::function<void()> answered) override {
    queried.emplace_back(name);
    auto state = std::make_shared<QueryState>();
    state->answered = std::move(answered);
    if (answers.empty()) {
      state->answer = resolves;
    } else {
      state->answer = answers.front();
      answers.pop_front();
    }
    if (!state->answer) pending.push_back(state);
    return std::make_unique<Query>(*this, state);
  }
  // The system's word that an interface or an address changed.
  void Change() {
    if (onChange) onChange();
  }
  // The name server's answer to every query still waiting; a dropped query hears none.
  void AnswerPending(bool resolved) {
    for (const auto& state : pending) {
      if (state->dropped) continue;
      state->answer = resolved;
      state->answered();
    }
    pending.clear();
  }
  bool Watched() const { return static_cast<bool>(onChange); }

  bool up = true;
  int downLooks = 0;
  int looks = 0;
  bool notifies = false;
  bool resolves = true;
  std::deque<std::optional<bool>> answers;
  std::vector<Text> queried;
  int liveQueries = 0;
  std::function<void()> onChange;
  std::vector<std::shared_ptr<QueryState>> pending;
};

// Records what the desktop was asked to show.
class FakeDesktop final : public IDesktop {
 public:
  bool RemoveWallpaper() override {
    calls.push_back("no wallpaper");
    return true;
  }
  bool SetDesktopColor(std::uint32_t rgb) override {
    calls.push_back("colour " + std::to_string(rgb));
    return true;
  }
  void SignalShellReady() override { ++shellReadySignals; }
  void SwitchOffAccessibilityHotkeys(const std::vector<AccessibilityFeature>& features) override {
    calls.push_back("hotkeys off " + std::to_string(features.size()));
  }
  int shellReadySignals = 0;
  std::vector<std::string> calls;
};

// Every event reported, in order, as "<type> <id> <text>" (type: info, warning, error;
// the text as Event Viewer shows it), and its fields.
class FakeEventLog final : public IEventLog {
 public:
  using IEventLog::Report;
  void Report(const EventReport& event) override {
    const EventType type = event.type;
    const char* kind = type == EventType::kInformation ? "info" : type == EventType::kWarning ? "warning" : "error";
    reported.push_back(std::string(kind) + " " + std::to_string(event.id) + " " + TextToUtf8(EventText(event)));
    ids.push_back(event.id);
    fields.push_back(event.strings);
  }
  std::vector<std::string> reported;
  std::vector<std::uint32_t> ids;
  std::vector<std::vector<Text>> fields;
};

// The Application log as a test fills it, newest event first, or (nullopt) a log that
// cannot be read.
class FakeEventHistory final : public IEventHistory {
 public:
  std::optional<std::vector<LoggedEvent>> RecentEvents(TextView source, std::size_t most) override {
    sources.emplace_back(source);
    if (!logged) return std::nullopt;
    std::vector<LoggedEvent> events = *logged;
    if (events.size() > most) events.resize(most);
    return events;
  }
  std::optional<std::vector<LoggedEvent>> logged = std::vector<LoggedEvent>{};
  std::vector<Text> sources;
};

// A clock that moves only when a test (or a fake program's run) moves it.
class FakeClock final : public IClock {
 public:
  std::uint64_t NowMilliseconds() override { return now; }
  std::uint64_t now = 1'000'000;
};

// Records each background start of the log-on's own programs (true: as an administrator).
class FakeStartupPrograms final : public IStartupPrograms {
 public:
  void StartInBackground(bool administrator) override { starts.push_back(administrator); }
  std::vector<bool> starts;
};

// The crash watcher: records its arming in order ("arm", "disarm"); a restarted
// program finds the earlier client's exit code when a test gives one.
class FakeCrashWatcher final : public ICrashWatcher {
 public:
  bool Restarted() override { return restarted; }
  std::optional<std::uint32_t> WaitForEarlierClient() override {
    const auto code = earlierClient;
    earlierClient.reset();
    if (code) calls.push_back("wait for earlier client");
    return code;
  }
  void Arm() override { calls.push_back("arm"); }
  void Disarm() override { calls.push_back("disarm"); }
  bool restarted = false;
  std::optional<std::uint32_t> earlierClient;
  std::vector<std::string> calls;
};

// Local accounts served in pages of a given size; the enumeration can be made to fail.
// Names are compared as Windows does, letter case aside beyond ASCII too (here: the
// Latin-1 letters).
class FakeAccounts final : public IAccounts {
 public:
  UserEnumPage EnumerateUsers(TextView serverName, std::uint32_t& resumeHandle) override {
    servers.emplace_back(serverName);
    UserEnumPage page;
    if (failAt && calls == *failAt) {
      ++calls;
      page.status = 124;  // ERROR_INVALID_LEVEL, as Wine answers
      return page;
    }
    ++calls;
    const std::size_t start = resumeHandle;
    const std::size_t end = std::min(users.size(), start + pageSize);
    for (std::size_t i = start; i < end; ++i) page.accounts.push_back(users[i]);
    resumeHandle = static_cast<std::uint32_t>(end);
    page.status = end < users.size() ? NetStatus::kMoreData : NetStatus::kSuccess;
    return page;
  }
  std::optional<WorkstationInfo> GetWorkstationInfo() override {
    if (!workstation) return std::nullopt;
    return workstation;
  }
  std::optional<Text> ComputerName() override { return computerName; }
  std::uint32_t FindUser(TextView userName) override {
    lookups.emplace_back(userName);
    if (lookupFailure) return *lookupFailure;
    for (const auto& user : users) {
      if (SameName(user.name, userName)) return NetStatus::kSuccess;
    }
    return NetStatus::kUserNotFound;
  }
  std::uint32_t TryLogOn(TextView userName, TextView password) override {
    logOns.emplace_back(Text(userName), Text(password));
    return logOnStatus;
  }
  // The SID a test gives, or S-1-5-21-1-2-3-<1000 + the account's place> for the
  // accounts listed.
  std::optional<Text> AccountSid(TextView userName) override {
    if (const auto sid = sids.find(AsciiUpper(userName)); sid != sids.end()) return sid->second;
    for (std::size_t i = 0; i < users.size(); ++i) {
      if (SameName(users[i].name, userName)) return u"S-1-5-21-1-2-3-" + IntToText(1000 + static_cast<int>(i));
    }
    return std::nullopt;
  }
  std::uint32_t AddUser(TextView userName, TextView password) override {
    added.emplace_back(Text(userName), Text(password));
    if (addStatus == NetStatus::kSuccess) users.push_back({Text(userName), 1});
    return addStatus;
  }
  std::optional<Text> UsersGroupName() override { return usersGroup; }
  std::uint32_t AddLocalGroupMember(TextView groupName, TextView accountName) override {
    memberships.emplace_back(Text(groupName), Text(accountName));
    return memberStatus;
  }
  std::optional<UserDetails> GetUserDetails(TextView userName) override {
    for (const auto& user : users) {
      if (SameName(user.name, userName)) {
        auto flags = userFlags.find(AsciiUpper(userName));
        return UserDetails{user.privilege, flags == userFlags.end() ? kPasswordNeverExpires : flags->second,
                           passwordExpired};
      }
    }
    return std::nullopt;
  }
  std::map<Text, std::uint32_t> userFlags;  // by upper-case name; never-expiring when not given
  std::optional<bool> passwordExpired = false;  // of every account (nullopt: level 4 cannot be read)
  std::map<Text, Text> sids;  // by upper-case name
  Text DescribeStatus(std::uint32_t status) override {
    auto it = descriptions.find(status);
    return it == descriptions.end() ? Text() : it->second;
  }

  std::vector<UserAccount> users = {{u"Administrator", 2}, {u"Guest", 0}};
  std::size_t pageSize = 10;
  std::optional<int> failAt;
  std::optional<WorkstationInfo> workstation = WorkstationInfo{u"KIOSK-01", u"WORKGROUP"};
  std::optional<Text> computerName = Text(u"KIOSK-01");
  std::vector<Text> servers;
  int calls = 0;
  std::vector<Text> lookups;                    // every name FindUser was asked for
  std::optional<std::uint32_t> lookupFailure;   // FindUser cannot tell, with this status
  std::uint32_t logOnStatus = 0;                // TryLogOn's answer
  std::vector<std::pair<Text, Text>> logOns;    // (user name, password) of every TryLogOn

  std::uint32_t addStatus = NetStatus::kSuccess;
  std::vector<std::pair<Text, Text>> added;  // (user name, password) of every AddUser
  std::optional<Text> usersGroup = Text(u"Users");
  std::uint32_t memberStatus = NetStatus::kSuccess;
  std::vector<std::pair<Text, Text>> memberships;  // (group, account)
  std::map<std::uint32_t, Text> descriptions;

 private:
  static bool SameName(TextView a, TextView b) {
    const auto fold = [](char16_t c) -> char16_t {
      if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
      return AsciiUpper(c);
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
             return fold(x) == fold(y);
           });
  }
};

// Access lists by path; a path without one cannot be read.
class FakeFileSecurity final : public IFileSecurity {
 public:
  std::optional<AccessList> ReadAccessList(TextView path) override {
    reads.emplace_back(path);
    auto list = lists.find(Text(path));
    if (list == lists.end()) return std::nullopt;
    return list->second;
  }
  std::map<Text, AccessList> lists;
  std::vector<Text> reads;
};

// A code page that has nothing beyond ASCII, to show what happens to characters a
// system's code page lacks.
class AsciiCodePage final : public ICodePage {
 public:
  Text Decode(std::string_view bytes) override { return Text(bytes.begin(), bytes.end()); }
  bool TryEncode(TextView text, std::string& out) override {
    out.clear();
    for (char16_t c : text) {
      if (c >= 0x80) return false;
      out.push_back(static_cast<char>(c));
    }
    return true;
  }
};

// The ICA client's processes as a test lays them out: whether one appears within the
// limit, and what happens while the program waits for them.
class FakeClientProcesses final : public IClientProcesses {
 public:
  bool WaitForProcessToAppear(TextView name, std::uint32_t timeoutMs) override {
    waits.push_back(u"appear " + Text(name) + u" " + IntToText(static_cast<std::int32_t>(timeoutMs)));
    if (onWait) onWait(waits.back());
    return appears;
  }
  std::uint32_t WaitForProcessesToEnd(TextView name) override {
    waits.push_back(u"end " + Text(name));
    if (onWait) onWait(waits.back());
    return exitCode;
  }

  bool appears = true;
  std::uint32_t exitCode = 0;                    // of the last ICA client process
  std::vector<Text> waits;                       // "appear <name> <ms>", "end <name>"
  std::function<void(const Text&)> onWait;       // while the program waits
};

// One fake of every platform interface, bundled as the program sees them.
struct FakePlatform {
  FakeRegistry registry;
  FakeProcesses processes;
  FakeFileSystem files;
  FakeIniFiles ini;
  FakeFolders folders;
  FakeIdentity identity;
  FakePower power;
  FakeWindowList windows;
  FakeMessageBoxes messages;
  Windows1252CodePage codePage;
  FakeGroupPolicy groupPolicy{registry};
  FakeAccounts accounts;
  FakeShellLinks shellLinks;
  FakeSecretStore secrets;
  FakeNetwork network;
  FakeDesktop desktop;
  FakeEventLog events;
  FakeClock clock;
  FakeStartupPrograms startupPrograms;
  FakeCrashWatcher crashWatcher;
  FakeFileSecurity fileSecurity;
  FakeEventHistory eventHistory;
  FakeClientProcesses clientProcesses;

  Platform platform() {
    return Platform{registry, processes, files,    ini,         folders,  identity,   power,
                    windows,  messages,  codePage, groupPolicy, accounts, shellLinks, secrets,
                    network,  desktop,   events,   clock,       startupPrograms, crashWatcher,
                    fileSecurity, eventHistory, clientProcesses};
  }
};

// A file's bytes in UTF-16 little endian with its byte-order mark.
inline std::string Utf16LeFile(TextView text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace lanthe::testing
