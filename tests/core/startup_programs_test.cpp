// The log-on's own programs: which entries start, in which order, which are waited
// for, and when a RunOnce entry goes.

#include "shell/startup_programs.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

constexpr char16_t kOnce[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char16_t kRun[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kPolicy[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr auto kM64 = RegistryRoot::LocalMachine;
constexpr auto kM32 = RegistryRoot::LocalMachine32;
constexpr auto kSz = RegistryType::kString;
constexpr auto kExpand = RegistryType::kExpandString;

// In the order their programs run (the fake lists a key's values by name). runs: the
// started command line, "waited" when waited for, and whether the entry exists
// meanwhile; nullptr when nothing runs. kept: the entry after an administrator's run.
const struct Entry {
  RegistryRoot root;
  const char16_t* key;
  const char16_t* name;
  std::uint32_t type;
  const char16_t* data;
  const char* runs;
  bool kept;
} kEntries[] = {
    {kM64, kOnce, u"!1", kSz, u"m64-deferred.exe", "m64-deferred.exe waited kept", false},
    {kM64, kOnce, u"2", kSz, u"m64-once.exe /x", "m64-once.exe /x waited gone", false},
    {kM32, kOnce, u"1", kSz, u"m32-once.exe", "m32-once.exe waited gone", false},
    {kUser, kOnce, u"*!retry", kSz, u"missing-once.exe", nullptr, true},
    {kUser, kOnce, u"1", kExpand, u" %ProgramFiles%\\Setup\\end.exe /q\t", "C:\\Program Files\\Setup\\end.exe /q waited gone",
     false},
    {kUser, kOnce, u"2 number", RegistryType::kDword, u"x", nullptr, true},
    {kUser, kOnce, u"3 blank", kSz, u"  ", nullptr, true},
    {kM64, kRun, u"1", kSz, u"m64-run.exe", "m64-run.exe kept", true},
    {kM32, kRun, u"Missing", kSz, u"missing-run.exe", nullptr, true},
    {kM32, kRun, u"SSO", kExpand, u"\"%ProgramFiles%\\sso.exe\"", "\"C:\\Program Files\\sso.exe\" kept", true},
    {kUser, kRun, u"1", kSz, u"u-run.exe", "u-run.exe kept", true},
    {kM64, kPolicy, u"1", kSz, u"m-policy.exe", "m-policy.exe kept", true},
    {kUser, kPolicy, u"1", kSz, u"u-policy.exe", "u-policy.exe kept", true},
};

TEST(StartupPrograms, RunOnceWaitsAndGoesRunStartsAndTheMachinesRunOnceNeedsAnAdministrator) {
  const struct {
    const char* who;
    bool administrator;
    bool machineRunOnceWritable;
  } scenarios[] = {{"an administrator", true, true},
                   {"a limited user whom the registry lets write (as Wine does)", false, true},
                   {"an administrator whose filtered token may not write the machine's keys", true, false}};
  for (const auto& scenario : scenarios) {
    SCOPED_TRACE(scenario.who);
    testing::FakeRegistry registry;
    testing::FakeProcesses processes;
    testing::FakeFolders folders;
    testing::FakeEventLog events;
    for (const Entry& entry : kEntries) {
      registry.AddKey(entry.root, entry.key).values[entry.name] = {entry.type, StringValueBytes(entry.data)};
    }
    if (!scenario.machineRunOnceWritable) {
      for (const auto root : {kM64, kM32}) registry.DenyAccess(root, kOnce);
    }
    processes.unstartable = {u"missing-once.exe", u"missing-run.exe"};
    std::vector<std::string> ran;
    processes.onCommandLine = [&](const testing::FakeProcesses::CommandLineStart& start) {
      const std::string command = TextToUtf8(start.commandLine);
      for (const Entry& entry : kEntries) {
        if (!entry.runs || !std::string_view(entry.runs).starts_with(command + " ")) continue;
        const bool exists = registry.Value(entry.root, entry.key, entry.name) != nullptr;
        ran.push_back(command + (start.wait ? " waited" : "") + (exists ? " kept" : " gone"));
      }
    };

    RunLogOnPrograms(registry, processes, folders, events, scenario.administrator);

    std::vector<std::string> expected;
    for (const Entry& entry : kEntries) {
      const bool skipped = entry.root != kUser && entry.key == kOnce &&
                           !(scenario.administrator && scenario.machineRunOnceWritable);
      if (entry.runs && !skipped) expected.push_back(entry.runs);
      EXPECT_EQ(registry.Value(entry.root, entry.key, entry.name) != nullptr, entry.kept || skipped)
          << TextToUtf8(entry.name) << " in " << TextToUtf8(entry.key);
    }
    EXPECT_EQ(ran, expected);
    EXPECT_EQ(events.reported, (std::vector<std::string>{
                                   "warning 1190 The log-on's program \"*!retry\" (HKEY_CURRENT_USER\\Software\\"
                                   "Microsoft\\Windows\\CurrentVersion\\RunOnce) could not be started: missing-once.exe",
                                   "warning 1190 The log-on's program \"Missing\" (HKEY_LOCAL_MACHINE\\Software\\"
                                   "WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run) could not be started: "
                                   "missing-run.exe"}));
  }
}

}  // namespace
}  // namespace lanthe
