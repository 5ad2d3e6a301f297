#include "shell/startup_programs.h"

#include <optional>

namespace lanthe {

namespace {

constexpr char16_t kSoftware[] = u"Software";
constexpr char16_t kRunOnce[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char16_t kRun[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kPolicyRun[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";

struct RunKey {
  RegistryRoot root;
  const char16_t* path;
};

// The order of Microsoft's "Run and RunOnce Registry Keys": the machine's RunOnce
// entries, then the user's, then the Run entries. 32-bit agents (the Citrix client's
// among them) register in the machine's 32-bit view.
constexpr RunKey kMachineRunOnceKeys[] = {{RegistryRoot::LocalMachine, kRunOnce},
                                          {RegistryRoot::LocalMachine32, kRunOnce}};
constexpr RunKey kUserRunOnceKey = {RegistryRoot::CurrentUser, kRunOnce};
constexpr RunKey kRunKeys[] = {{RegistryRoot::LocalMachine, kRun},
                               {RegistryRoot::LocalMachine32, kRun},
                               {RegistryRoot::CurrentUser, kRun},
                               {RegistryRoot::LocalMachine, kPolicyRun},
                               {RegistryRoot::CurrentUser, kPolicyRun}};

// The key as regedit shows it, for the event's text.
Text KeyName(const RunKey& key) {
  const TextView path = key.path;
  switch (key.root) {
    case RegistryRoot::CurrentUser: return u"HKEY_CURRENT_USER\\" + Text(path);
    case RegistryRoot::LocalMachine: return u"HKEY_LOCAL_MACHINE\\" + Text(path);
    case RegistryRoot::LocalMachine32:
      return u"HKEY_LOCAL_MACHINE\\Software\\WOW6432Node" + Text(path.substr(TextView(kSoftware).size()));
  }
  return Text(path);
}

// The command a value holds: a string, expanded when it is REG_EXPAND_SZ, without the
// blanks around it; nullopt for a value of another type or with no command.
std::optional<Text> CommandOf(IRegistryKey& key, TextView name, IFolders& folders) {
  const auto value = key.ReadValue(name);
  if (!value) return std::nullopt;
  auto command = StringValueText(*value);
  if (!command) return std::nullopt;
  if (value->type == RegistryType::kExpandString) command = folders.ExpandEnvironment(*command);
  const auto first = command->find_first_not_of(u" \t");
  if (first == Text::npos) return std::nullopt;
  return command->substr(first, command->find_last_not_of(u" \t") - first + 1);
}

// "!" before a RunOnce value's name (after any "*", which asks for Safe mode too)
// keeps the value until its program has finished.
bool DeletedAfterwards(TextView name) {
  for (const char16_t c : name) {
    if (c != u'*') return c == u'!';
  }
  return false;
}

class LogOnPrograms {
 public:
  LogOnPrograms(IRegistry& registry, IProcesses& processes, IFolders& folders, IEventLog& events)
      : registry_(registry), processes_(processes), folders_(folders), events_(events) {}

  // Each entry is gone before its program starts, so that one which restarts the
  // machine or never ends does not run again at every log-on; an entry that cannot be
  // deleted does not run at all. A "!" entry whose program could not be started stays
  // for the next log-on.
  void RunOnce(const RunKey& runKey) {
    const auto key = registry_.OpenKey(runKey.root, runKey.path);
    if (!key) return;
    for (const Text& name : key->ValueNames()) {
      const auto command = CommandOf(*key, name, folders_);
      if (!command) continue;
      const bool afterwards = DeletedAfterwards(name);
      if (!afterwards && !key->DeleteValue(name)) continue;
      if (Start(runKey, name, *command, true) && afterwards) key->DeleteValue(name);
    }
  }

  void Run(const RunKey& runKey) {
    const auto key = registry_.OpenKeyForReading(runKey.root, runKey.path);
    if (!key) return;
    for (const Text& name : key->ValueNames()) {
      if (const auto command = CommandOf(*key, name, folders_)) Start(runKey, name, *command, false);
    }
  }

 private:
  bool Start(const RunKey& key, TextView name, TextView command, bool wait) {
    if (processes_.StartCommandLine(command, wait)) return true;
    events_.Report(MakeEvent(EventId::kStartupProgramNotStarted,
                             {name.empty() ? Text(u"(Default)") : Text(name), KeyName(key), Text(command)}));
    return false;
  }

  IRegistry& registry_;
  IProcesses& processes_;
  IFolders& folders_;
  IEventLog& events_;
};

}  // namespace

void RunLogOnPrograms(IRegistry& registry, IProcesses& processes, IFolders& folders, IEventLog& events,
                      bool administrator) {
  LogOnPrograms programs(registry, processes, folders, events);
  // Only who may delete the machine's entries runs them: a limited user cannot, and
  // an entry that stayed would run again at every log-on.
  if (administrator) {
    for (const RunKey& key : kMachineRunOnceKeys) programs.RunOnce(key);
  }
  programs.RunOnce(kUserRunOnceKey);
  for (const RunKey& key : kRunKeys) programs.Run(key);
}

}  // namespace lanthe
