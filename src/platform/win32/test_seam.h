#pragma once
// Stand-ins for the services a test of the whole program cannot use for real. They
// are linked into the test build lanthe-test.exe and into the tests, never into the
// shipped lanthe.exe.
//
// LANTHE_TEST_ADMINISTRATOR  "1": the user counts as an administrator, "0": not;
//                            unset (or anything else): the real answer.
// LANTHE_TEST_ELEVATED       "1": the program runs with full rights, "0": filtered;
//                            unset: the real answer.
// LANTHE_TEST_GROUP_POLICY   "registry": a stand-in for the group-policy object (which
//                            Wine lacks) keeps its user section under
//                            HKEY_CURRENT_USER\Software\Lanthe Test Group Policy\User (its
//                            machine section beside it in "Machine") and counts its saves
//                            there in "Saves" and "MachineSaves"; the object of a local user
//                            or group keeps its user section in "Users\<SID>" and counts its
//                            saves there in "Saves". It opens only for an administrator.
//                            Unset: the real object.
// LANTHE_TEST_POWER_LOG      file to which every requested power action is appended
//                            as an ASCII line "ShutdownWindows <flags>\r\n".
// LANTHE_TEST_SESSION_END    what Windows does after a recorded power action. Unset:
//                            it ends the session, as a Windows that accepted the action
//                            (every window of the thread gets WM_QUERYENDSESSION, then
//                            WM_ENDSESSION TRUE); "cancel": the same, but WM_ENDSESSION
//                            FALSE; "wait": nothing, the messages come from outside.
// LANTHE_TEST_RESTART        "1": the crash watcher is armed (tests end the program by
//                            killing it, which must not start it again otherwise).
// LANTHE_TEST_CRASH          file: when it does not exist, the program makes it and then
//                            crashes with an access violation right after its client has
//                            started and the watcher is armed.
// LANTHE_TEST_LSA            "registry": a stand-in for the local security authority's
//                            private data (which Wine cannot store) keeps each secret as
//                            a string value under HKEY_CURRENT_USER\Software\Lanthe Test
//                            LSA, and deletes that value to delete the secret. Unset: the
//                            real store.
// LANTHE_TEST_START_STAMP    file to which the first program start appends one ASCII
//                            line "<process created> <program's first line> <right
//                            before its CreateProcessW> <frequency>\r\n" in performance
//                            counter readings (the benchmark's view of Lanthe's own time).
// LANTHE_TEST_NETWORK_UP_AFTER_MS  N: the network counts as down until N milliseconds
//                            after the program first asks, then as up, and the change
//                            events come then, as Windows sends them; "never": always
//                            down. Unset: the real answers and events.
// LANTHE_TEST_NAME_RESOLVES_AFTER_MS  N: a server's name resolves from N milliseconds
//                            after the program first asks about the network; a query
//                            before then waits, as one to a silent name server does,
//                            until then or for at most 2 seconds ("not found"); "never":
//                            no name resolves. Unset: every name resolves at once (the
//                            tests' servers are invented names). Queries run on a thread
//                            of their own, as the real ones do.
// LANTHE_TEST_NETWORK_STAMP  file to which one ASCII line "<network, and name, came up>
//                            <frequency>\r\n" in performance counter readings is appended
//                            when the two above make the network come up later (the
//                            benchmark's view of the reaction to the network).

#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

class TestSeamIdentity final : public IIdentity {
 public:
  bool IsAdministrator() noexcept override;
  Text GetCurrentUserName() noexcept override;
  bool IsElevated() noexcept override;

 private:
  Win32Identity real_;
};

// The real group-policy object, or the stand-in that LANTHE_TEST_GROUP_POLICY asks for.
class TestSeamGroupPolicy final : public IGroupPolicy {
 public:
  explicit TestSeamGroupPolicy(IIdentity& identity) : identity_(identity) {}
  std::unique_ptr<IGroupPolicyObject> CreateObject(std::uint32_t& errorCode) noexcept override;

 private:
  IIdentity& identity_;
  Win32GroupPolicy real_;
};

inline constexpr wchar_t kTestGroupPolicyKey[] = L"Software\\Lanthe Test Group Policy";

// The real secret store, or the stand-in that LANTHE_TEST_LSA asks for.
class TestSeamSecretStore final : public ISecretStore {
 public:
  std::uint32_t StorePrivateData(TextView keyName, TextView data) noexcept override;
  PrivateData ReadPrivateData(TextView keyName) noexcept override;
  std::uint32_t DeletePrivateData(TextView keyName) noexcept override;

 private:
  Win32SecretStore real_;
};

inline constexpr wchar_t kTestSecretsKey[] = L"Software\\Lanthe Test LSA";

// The real crash watcher, armed only when LANTHE_TEST_RESTART is "1", and the crash
// LANTHE_TEST_CRASH asks for.
class TestSeamCrashWatcher final : public ICrashWatcher {
 public:
  bool Restarted() noexcept override { return real_.Restarted(); }
  std::optional<std::uint32_t> WaitForEarlierClient() noexcept override { return real_.WaitForEarlierClient(); }
  void Arm() noexcept override;
  void Disarm() noexcept override { real_.Disarm(); }

 private:
  Win32CrashWatcher real_;
};

// The real network, or one that comes up, and whose names resolve, when
// LANTHE_TEST_NETWORK_UP_AFTER_MS and LANTHE_TEST_NAME_RESOLVES_AFTER_MS say.
class TestSeamNetwork final : public INetwork {
 public:
  TestSeamNetwork() noexcept;
  bool IsUp() noexcept override;
  std::unique_ptr<INetworkWatch> WatchChanges(std::function<void()> changed) noexcept override;
  std::unique_ptr<INameQuery> Resolve(TextView name, std::function<void()> answered) noexcept override;

  // Shared with the thread that plays the system's events and with the queries.
  struct Timeline;

 private:
  Win32Network real_;
  std::shared_ptr<Timeline> timeline_;
};

// Takes the performance counter at the program's start and has the first program
// start write the stamp of LANTHE_TEST_START_STAMP.
void StampProgramStart() noexcept;

// Records power actions instead of requesting them, then plays Windows' answer that
// LANTHE_TEST_SESSION_END asks for. Never calls ExitWindowsEx.
class RecordingPower final : public IPower {
 public:
  // True when the line was appended; false (nothing recorded) without a log file.
  bool ShutdownWindows(std::uint16_t flags) noexcept override;
};

}  // namespace lanthe::win32
