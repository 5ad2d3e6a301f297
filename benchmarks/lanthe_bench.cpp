// Benchmarks of Lanthe under Wine (or on Windows): how soon the remote client starts
// after log-on, what Lanthe holds in memory and spends in CPU while a session runs,
// and how long the settings file takes to read and write. It prints figures, each
// beside its floor; it never fails because a machine is slow.
//
//   lanthe-bench [runs] [section]   runs of each measurement (default 20); a section
//   alone: start, windows, network, sessions, or cycles [N] (N reconnect cycles of one
//   process, default 200: only when asked, it takes minutes)
//
// It runs the test build (as a limited user, Lanthe as the shell, Remote Desktop with
// the fake mstsc.exe) from a folder of its own next to this program's folder.

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/settings.h"
#include "handle_count.h"
#include "config/settings_file.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace {

namespace fs = std::filesystem;

std::wstring ThisFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path().wstring() + L"\\";
}

double Milliseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The value below which a share of the values lies (nearest rank).
double Quantile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(rank, values.size() - 1)];
}

std::wstring EnvironmentValue(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

// A started program, ended when the object goes.
class Started {
 public:
  Started(const std::wstring& commandLine, const std::wstring& folder) {
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
      ::CloseHandle(info.hThread);
      process_ = info.hProcess;
      id_ = info.dwProcessId;
    }
  }
  ~Started() {
    if (!process_) return;
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) ::TerminateProcess(process_, 1);
    ::WaitForSingleObject(process_, 10000);
    ::CloseHandle(process_);
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;
  bool ok() const { return process_ != nullptr; }
  HANDLE handle() const { return process_; }
  DWORD id() const { return id_; }
  bool WaitForExit(DWORD ms) const { return ::WaitForSingleObject(process_, ms) == WAIT_OBJECT_0; }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

void KillByName(const wchar_t* name) {
  std::wstring command = L"taskkill /f /im " + std::wstring(name);
  Started kill(command, L"C:\\");
  kill.WaitForExit(10000);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > ms) return false;
    ::Sleep(10);
  }
  return true;
}

std::vector<LONGLONG> ReadStamps(const std::wstring& file) {
  std::vector<LONGLONG> stamps;
  std::ifstream in{fs::path(file)};
  for (LONGLONG value; in >> value;) stamps.push_back(value);
  return stamps;
}

double CpuMilliseconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  const auto ticks = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

struct Memory {
  double peakWorkingSetKb = 0;
  double privateKb = 0;
};

// The peak working set as the system counts it; the private bytes as the committed
// private pages of the address space (Wine leaves the system's private-usage counter
// of another process at zero, so the pages are counted here, the same way on both).
Memory MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(process, &counters, sizeof counters);
  SIZE_T privateBytes = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* address = nullptr; ::VirtualQueryEx(process, address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) privateBytes += region.RegionSize;
  }
  return {counters.PeakWorkingSetSize / 1024.0, privateBytes / 1024.0};
}

// The visible top-level window of a process with that caption (any caption when
// none is given), or none.
HWND TopWindow(DWORD processId, const wchar_t* caption) {
  struct Search {
    DWORD id;
    const wchar_t* caption;
    HWND found;
  } search{processId, caption, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        wchar_t text[256] = {};
        ::GetWindowTextW(window, text, 256);
        if (owner != s.id || !::IsWindowVisible(window) || (s.caption && wcscmp(text, s.caption) != 0)) return TRUE;
        s.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool HasWindow(DWORD processId, const wchar_t* caption) { return TopWindow(processId, caption) != nullptr; }

// A child window of any depth with that caption, or none.
HWND ChildWindow(HWND parent, const wchar_t* caption) {
  struct Search {
    const wchar_t* caption;
    HWND found;
  } search{caption, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        wchar_t text[256] = {};
        ::GetWindowTextW(window, text, 256);
        if (wcscmp(text, s.caption) != 0) return TRUE;
        s.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A child window of any depth of that class, or none.
HWND ChildOfClass(HWND parent, const wchar_t* className) {
  struct Search {
    const wchar_t* name;
    HWND found;
  } search{className, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (wcscmp(name, s.name) != 0) return TRUE;
        s.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Answers a message box with one of its buttons, as a click on it does.
void Answer(HWND box, int button) {
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
}

// Xvfb has no window manager, and Wine waits up to two seconds for one to withdraw each
// window it counts as managed when that window is hidden or closed: time that neither
// Windows nor Wine with a window manager spends. While the object lives, the programs'
// windows are unmanaged (Wine's per-program X11 setting), so that a measure that spans
// a hidden window (the network wait's, a closed question) shows Lanthe's own time.
class UnmanagedWindows {
 public:
  explicit UnmanagedWindows(std::vector<std::wstring> programs) : programs_(std::move(programs)) {
    for (const std::wstring& program : programs_) {
      HKEY key = nullptr;
      if (::RegCreateKeyExW(HKEY_CURRENT_USER, (kAppDefaults + program + L"\\X11 Driver").c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        continue;
      }
      ::RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 2 * sizeof(wchar_t));
      ::RegCloseKey(key);
    }
  }
  ~UnmanagedWindows() {
    for (const std::wstring& program : programs_) ::RegDeleteTreeW(HKEY_CURRENT_USER, (kAppDefaults + program).c_str());
  }
  UnmanagedWindows(const UnmanagedWindows&) = delete;
  UnmanagedWindows& operator=(const UnmanagedWindows&) = delete;

 private:
  inline static const std::wstring kAppDefaults = L"Software\\Wine\\AppDefaults\\";
  std::vector<std::wstring> programs_;
};

// PNAgent's stored configuration, as PNAgent keeps it.
void SetPNAgentConfiguration(const std::string& document) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Citrix\\PNAgent", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return;
  }
  ::RegSetValueExW(key, L"Configuration Model 000", 0, REG_BINARY, reinterpret_cast<const BYTE*>(document.data()),
                   static_cast<DWORD>(document.size()));
  ::RegCloseKey(key);
}

// What a click on a button sends to its parent (a BM_CLICK from another program can
// take Wine seconds to deliver).
void Click(HWND button) {
  ::PostMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// Whether the condition came to hold within 30 s, looked at every millisecond.
bool WaitFast(const std::function<bool()>& condition) {
  const DWORD began = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - began > 30000) return false;
    ::Sleep(1);
  }
  return true;
}

// Milliseconds until the condition holds, looked at every millisecond; none after 30 s.
std::optional<double> TimeUntil(LONGLONG start, const std::function<bool()>& condition) {
  const DWORD began = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - began > 30000) return std::nullopt;
    ::Sleep(1);
  }
  return Milliseconds(Now() - start);
}

class Bench {
 public:
  explicit Bench(int runs) : runs_(runs) {
    root_ = ThisFolder() + L"bench-kiosk\\";
    std::error_code ignored;
    fs::remove_all(fs::path(root_), ignored);  // what an interrupted run left
    fs::create_directories(fs::path(root_ + L"clients"));
    const std::wstring bin = ThisFolder();
    // Every program the runs use, named when one is missing (a build that left it out).
    for (const std::wstring program : {L"lanthe-test.exe", L"lanthe-bench-launcher.exe", L"lanthe-bench-message-box.exe",
                                       L"fake-clients\\mstsc.exe", L"fake-clients\\wfcrun32.exe",
                                       L"fake-clients\\pnagent.exe", L"fake-clients\\pnamain.exe"}) {
      if (!fs::exists(fs::path(bin + program))) throw std::runtime_error("missing " + fs::path(bin + program).string());
    }
    fs::copy_file(bin + L"lanthe-test.exe", root_ + L"lanthe.exe", fs::copy_options::overwrite_existing);
    for (const wchar_t* client : {L"mstsc.exe", L"wfcrun32.exe", L"pnagent.exe", L"pnamain.exe"}) {
      fs::copy_file(bin + L"fake-clients\\" + client, root_ + L"clients\\" + client, fs::copy_options::overwrite_existing);
    }
    ::SetEnvironmentVariableW(L"LANTHE_TEST_ADMINISTRATOR", L"0");
    ::SetEnvironmentVariableW(L"LANTHE_TEST_GROUP_POLICY", L"registry");
    ::SetEnvironmentVariableW(L"LANTHE_TEST_POWER_LOG", (root_ + L"power.log").c_str());
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_LOG", (root_ + L"clients.log").c_str());
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_STAMP", Stamp().c_str());
    ::SetEnvironmentVariableW(L"LANTHE_TEST_START_STAMP", OwnStamp().c_str());
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_END_STAMP", EndStamp().c_str());
    // The shared connection file that a Custom ICA start hands over to the user.
    std::ofstream(fs::path(root_ + L"appsrv.ini"), std::ios::binary) << "[ApplicationServers]\r\nDesktop=\r\n";
  }
  ~Bench() {
    std::error_code ignored;
    fs::remove_all(fs::path(root_), ignored);
  }

  // One connection type's start, Lanthe against the floors; clientLine: the client's
  // command line as Lanthe starts it.
  void StartToClient(const char* name, int connectionType, const std::string& more, const std::wstring& client) {
    // Each session ends at once with a log-off, recorded, so that Lanthe ends by itself.
    WriteSettings(connectionType, "<CitrixLogOff>2</CitrixLogOff>" + more);
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS", L"1");
    // As the shipped program does, the crash watcher is started behind the client (the
    // test build arms it only when asked: tests end the program by killing it). Each
    // start here ends by itself, normally.
    ::SetEnvironmentVariableW(L"LANTHE_TEST_RESTART", L"1");
    const std::wstring launcher = L"\"" + ThisFolder() + L"lanthe-bench-launcher.exe\" ";
    // One start of each first: the first GUI program of a session also starts the
    // desktop (under Wine, its explorer.exe), which no later start pays for. Then the
    // three in turn, so that a machine's slow minute weighs on all of them alike.
    const std::wstring lines[] = {L"\"" + root_ + L"lanthe.exe\"", launcher + client, launcher + L"--window " + client};
    TimeToClient(lines[0]);
    TimeToClient(lines[2]);
    std::vector<double> times[3];
    std::vector<double> fromProcess;
    std::vector<double> fromProgram;
    for (int i = 0; i < runs_; ++i) {
      for (int which = 0; which < 3; ++which) {
        if (which == 0) fs::remove(fs::path(OwnStamp()));
        if (const auto time = TimeToClient(lines[which])) times[which].push_back(*time);
        if (which == 0) ReadOwnPart(fromProcess, fromProgram);
      }
    }
    const std::vector<double>& lanthe = times[0];
    const std::vector<double>& floor = times[1];
    const std::vector<double>& windowFloor = times[2];
    std::printf("start to client, %-15s (ms, median of %d)   Lanthe %8.1f   floor %8.1f   ratio %.2f\n", name, runs_,
                Median(lanthe), Median(floor), Ratio(Median(lanthe), Median(floor)));
    std::printf("    floor with one window %.1f ms: Lanthe's ratio to it %.2f\n", Median(windowFloor),
                Ratio(Median(lanthe), Median(windowFloor)));
    std::printf("    Lanthe min %.1f max %.1f; floor min %.1f max %.1f\n", Min(lanthe), Max(lanthe), Min(floor),
                Max(floor));
    // Wine's process starts fall into a fast and a slow group: the quartiles show where.
    std::printf("    quartiles: Lanthe %.1f %.1f %.1f; floor %.1f %.1f %.1f\n", Quantile(lanthe, 0.25),
                Median(lanthe), Quantile(lanthe, 0.75), Quantile(floor, 0.25), Median(floor), Quantile(floor, 0.75));
    std::printf("    Lanthe's own measure: process start to CreateProcessW %.1f ms, first line to it %.1f ms\n",
                Median(fromProcess), Median(fromProgram));
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS", nullptr);
    ::SetEnvironmentVariableW(L"LANTHE_TEST_RESTART", nullptr);
  }

  void StartToClient() {
    StartToClient("Remote Desktop", lanthe::ConnectionType::kRemoteDesktop, "",
                  L"\"" + root_ + L"clients\\mstsc.exe\" /V:bench:3389 /f");
    StartToClient("Custom ICA", lanthe::ConnectionType::kCustomIca, "<ICA><Connection>Desktop</Connection></ICA>",
                  L"\"" + root_ + L"clients\\wfcrun32.exe\"  \"Desktop\"");
  }

  // An administrator's windows: from the start to the main window, and from a click to
  // the settings dialog and to the setup wizard, each the first of its process. With
  // LANTHE_BENCH_BEFORE naming another build of the test program, that one is measured
  // beside it, in turn.
  void AdministratorsWindows() {
    std::ofstream(fs::path(root_ + L"settings.xml"), std::ios::binary)
        << "<Settings><CurrentShell>0</CurrentShell><ConnectionType>0</ConnectionType><RDP><ClientPath>"
        << fs::path(root_ + L"clients").string() << "</ClientPath><Connection>bench</Connection></RDP></Settings>";
    ::SetEnvironmentVariableW(L"LANTHE_TEST_ADMINISTRATOR", L"1");
    ::SetEnvironmentVariableW(L"LANTHE_TEST_ELEVATED", L"1");
    std::vector<std::pair<std::wstring, std::wstring>> programs{{L"this build", root_ + L"lanthe.exe"}};
    const std::wstring before = EnvironmentValue(L"LANTHE_BENCH_BEFORE");
    if (!before.empty()) {
      fs::copy_file(fs::path(before), fs::path(root_ + L"lanthe-before.exe"), fs::copy_options::overwrite_existing);
      programs.emplace_back(L"before", root_ + L"lanthe-before.exe");
    }
    std::vector<std::array<std::vector<double>, 3>> times(programs.size());
    const int runs = std::max(1, runs_ / 2);
    for (int i = 0; i <= runs; ++i) {
      for (std::size_t which = 0; which < programs.size(); ++which) {
        const auto settings = OpenWindow(programs[which].second, L"Settings", L"Settings");
        const auto wizard = OpenWindow(programs[which].second, L"Setup Wizard", L"Setup Wizard");
        if (i == 0) continue;  // the first round starts Wine's desktop
        if (settings) times[which][0].push_back((*settings)[0]);
        if (wizard) times[which][0].push_back((*wizard)[0]);
        if (settings) times[which][1].push_back((*settings)[1]);
        if (wizard) times[which][2].push_back((*wizard)[1]);
      }
    }
    for (std::size_t which = 0; which < programs.size(); ++which) {
      std::printf("administrator's windows, %-10ls (ms, median of %d)   main window %6.1f   settings %6.1f   "
                  "wizard %6.1f\n",
                  programs[which].first.c_str(), runs, Median(times[which][0]), Median(times[which][1]),
                  Median(times[which][2]));
    }
    ::SetEnvironmentVariableW(L"LANTHE_TEST_ADMINISTRATOR", L"0");
    ::SetEnvironmentVariableW(L"LANTHE_TEST_ELEVATED", nullptr);
  }

  void MemoryAndCpuWhileWaiting() {
    WriteSettings(lanthe::ConnectionType::kRemoteDesktop, "<CitrixLogOff>2</CitrixLogOff>");
    fs::remove(fs::path(Stamp()));
    Started lanthe(L"\"" + root_ + L"lanthe.exe\"", root_);
    if (!WaitUntil([&] { return !ReadStamps(Stamp()).empty(); }, 30000)) {
      std::printf("memory: the client did not start\n");
      return;
    }
    ::Sleep(1000);  // settled: Lanthe waits for the client
    const Memory waiting = MemoryOf(lanthe.handle());
    const double before = CpuMilliseconds(lanthe.handle());
    ::Sleep(10000);
    const double cpu = CpuMilliseconds(lanthe.handle()) - before;
    KillByName(L"mstsc.exe");
    lanthe.WaitForExit(10000);

    Started box(L"\"" + ThisFolder() + L"lanthe-bench-message-box.exe\"", ThisFolder());
    WaitUntil([&] { return HasWindow(box.id(), L"Floor"); }, 30000);
    ::Sleep(1000);
    const Memory floor = MemoryOf(box.handle());
    std::printf("peak working set (KB)                Lanthe %8.0f   floor %8.0f   ratio %.2f\n",
                waiting.peakWorkingSetKb, floor.peakWorkingSetKb, Ratio(waiting.peakWorkingSetKb, floor.peakWorkingSetKb));
    std::printf("private bytes (KB)                   Lanthe %8.0f   floor %8.0f   ratio %.2f\n", waiting.privateKb,
                floor.privateKb, Ratio(waiting.privateKb, floor.privateKb));
    std::printf("CPU while waiting 10 s for the client (ms)   %.1f   (%.1f ms from the start until then)\n", cpu,
                before);
  }

  void CpuWhileLauncherWaits() {
    // PNAgent names a desktop folder but never fills it: the launcher keeps waiting.
    const std::string document =
        "<Configuration><User Blob><Key>DesktopName</Key><Value>Lanthe Bench Apps</Value></User Blob></Configuration>";
    SetPNAgentConfiguration(document);
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_PNAGENT_APPS", L"");
    WriteSettings(lanthe::ConnectionType::kXenApp, "<CitrixLogOff>2</CitrixLogOff>");
    Started lanthe(L"\"" + root_ + L"lanthe.exe\"", root_);
    if (!WaitUntil([&] { return HasWindow(lanthe.id(), L"XenApp Applications"); }, 30000)) {
      std::printf("launcher: the window did not show\n");
    } else {
      const double before = CpuMilliseconds(lanthe.handle());
      ::Sleep(10000);
      std::printf("CPU while the XenApp launcher waits 10 s for shortcuts (ms)   %.1f\n",
                  CpuMilliseconds(lanthe.handle()) - before);
    }
    KillByName(L"pnamain.exe");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Citrix\\PNAgent", L"Configuration Model 000");
  }

  // The reaction to the network: Lanthe starts without one (the test build's network
  // comes up 300 ms after its first question, with the change event Windows sends then),
  // shows its wait, and starts the client once the interface is up and the server's
  // name resolves. Beside it, in turn, a start whose network is up at once.
  void NetworkToClient() {
    // The wait's window hides before the client starts; the client's closes before it ends.
    const UnmanagedWindows unmanaged({L"lanthe.exe", L"mstsc.exe"});
    WriteSettings(lanthe::ConnectionType::kRemoteDesktop, "<CitrixLogOff>2</CitrixLogOff>");
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS", L"1");
    ::SetEnvironmentVariableW(L"LANTHE_TEST_NETWORK_STAMP", NetworkStamp().c_str());
    struct Case {
      const wchar_t* interfaceAfter;
      const wchar_t* nameAfter;
    };
    const Case cases[] = {{nullptr, nullptr}, {L"300", nullptr}, {L"300", L"700"}};
    std::vector<double> start;
    std::vector<double> reaction[2];
    for (int i = 0; i <= runs_; ++i) {
      for (int which = 0; which < 3; ++which) {
        ::SetEnvironmentVariableW(L"LANTHE_TEST_NETWORK_UP_AFTER_MS", cases[which].interfaceAfter);
        ::SetEnvironmentVariableW(L"LANTHE_TEST_NAME_RESOLVES_AFTER_MS", cases[which].nameAfter);
        fs::remove(fs::path(OwnStamp()));
        fs::remove(fs::path(NetworkStamp()));
        // The first round starts Wine's desktop and the wait's first window.
        if (!TimeToClient(LantheLine()) || i == 0) continue;
        const std::vector<LONGLONG> own = ReadStamps(OwnStamp());
        const std::vector<LONGLONG> network = ReadStamps(NetworkStamp());
        if (own.size() < 4) continue;
        if (which == 0) {
          start.push_back(Milliseconds(own[2] - own[0]));
        } else if (!network.empty()) {
          reaction[which - 1].push_back(Milliseconds(own[2] - network[0]));
        }
      }
    }
    for (const wchar_t* variable : {L"LANTHE_TEST_NETWORK_UP_AFTER_MS", L"LANTHE_TEST_NAME_RESOLVES_AFTER_MS",
                                    L"LANTHE_TEST_NETWORK_STAMP", L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS"}) {
      ::SetEnvironmentVariableW(variable, nullptr);
    }
    if (reaction[0].empty()) std::fprintf(stderr, "lanthe-bench: network: no client started after the network\n");
    std::printf("network up to client (ms, median of %d)   Lanthe %8.1f   its start to client %8.1f   ratio %.2f\n",
                runs_, Median(reaction[0]), Median(start), Ratio(Median(reaction[0]), Median(start)));
    std::printf("    from the network's change event and from the process's start, to the client's CreateProcessW\n");
    std::printf("    quartiles: network up to client %.1f %.1f %.1f; start to client %.1f %.1f %.1f\n",
                Quantile(reaction[0], 0.25), Median(reaction[0]), Quantile(reaction[0], 0.75),
                Quantile(start, 0.25), Median(start), Quantile(start, 0.75));
    std::printf("    the server's name 400 ms after the interface: %.1f ms from the name to the client\n",
                Median(reaction[1]));
  }

  // What a kiosk user waits for between sessions: from the client's end to the
  // reconnect question (the floor shows one message box when its client has ended),
  // and from a XenApp start to the launcher window with its icons (the floor shows one
  // window).
  void BetweenSessions() {
    WriteSettings(lanthe::ConnectionType::kRemoteDesktop, "<CitrixLogOff>2</CitrixLogOff>", true);
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS", L"200");
    const std::wstring client = L"\"" + root_ + L"clients\\mstsc.exe\" /V:bench:3389 /f";
    const std::wstring lines[] = {LantheLine(), Launcher() + L"--ask " + client};
    const wchar_t* captions[] = {L"Lanthe session has been closed", L"Floor"};
    std::vector<double> question[2];
    for (int i = 0; i <= runs_; ++i) {
      for (int which = 0; which < 2; ++which) {
        fs::remove(fs::path(EndStamp()));
        Started program(lines[which], root_);
        HWND box = nullptr;
        const bool shown = WaitFast([&] { return (box = TopWindow(program.id(), captions[which])) != nullptr; });
        const LONGLONG seen = Now();
        const std::vector<LONGLONG> ends = ReadStamps(EndStamp());
        if (shown && !ends.empty() && i > 0) question[which].push_back(Milliseconds(seen - ends.back()));
        if (box) Answer(box, IDNO);  // Lanthe's automatic log-off follows, recorded
        program.WaitForExit(30000);
        ::Sleep(300);
      }
    }
    std::printf("client's end to the reconnect question (ms, median of %d)   Lanthe %8.1f   floor with one box %8.1f   "
                "ratio %.2f\n",
                runs_, Median(question[0]), Median(question[1]), Ratio(Median(question[0]), Median(question[1])));

    // PNAgent's configuration names a desktop folder, which the fake fills at once.
    const std::string document =
        "<Configuration><User Blob><Key>DesktopName</Key><Value>Lanthe Bench Icons</Value></User Blob></Configuration>";
    SetPNAgentConfiguration(document);
    wchar_t desktop[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
    const std::wstring folder = std::wstring(desktop) + L"\\Lanthe Bench Icons";
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_PNAGENT_APPS", L"Word,Excel,Mail");
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_PNAGENT_FOLDER", folder.c_str());
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_PNAGENT_DELAY_MS", L"0");
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS", L"500");  // the floor's client
    WriteSettings(lanthe::ConnectionType::kXenApp, "<CitrixLogOff>2</CitrixLogOff>");
    std::vector<double> icons[2];
    for (int i = 0; i <= runs_; ++i) {
      for (int which = 0; which < 2; ++which) {
        std::error_code ignored;
        fs::remove_all(fs::path(folder), ignored);
        const LONGLONG start = Now();
        Started program(which == 0 ? LantheLine() : Launcher() + L"--window --show " + client, root_);
        const auto time = TimeUntil(start, [&] {
          if (which == 1) return HasWindow(program.id(), L"Floor");
          const HWND launcher = TopWindow(program.id(), L"XenApp Applications");
          const HWND list = launcher ? ChildOfClass(launcher, L"SysListView32") : nullptr;
          DWORD_PTR count = 0;
          return list && ::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 1000, &count) && count >= 3;
        });
        if (time && i > 0) icons[which].push_back(*time);
        ::Sleep(200);
        if (which == 0) KillByName(L"pnamain.exe");
      }
    }
    std::error_code ignored;
    fs::remove_all(fs::path(folder), ignored);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Citrix\\PNAgent", L"Configuration Model 000");
    for (const wchar_t* variable : {L"LANTHE_FAKE_PNAGENT_APPS", L"LANTHE_FAKE_PNAGENT_FOLDER",
                                    L"LANTHE_FAKE_PNAGENT_DELAY_MS", L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS"}) {
      ::SetEnvironmentVariableW(variable, nullptr);
    }
    std::printf("XenApp start to the launcher's icons (ms, median of %d)   Lanthe %8.1f   floor with one window %8.1f   "
                "ratio %.2f\n",
                runs_, Median(icons[0]), Median(icons[1]), Ratio(Median(icons[0]), Median(icons[1])));
  }

  // Months of sessions: one process answers the reconnect question Yes again and again.
  // What it holds at cycle 5 and at the last, each read while the question shows.
  void ReconnectCycles(int cycles) {
    const UnmanagedWindows unmanaged({L"lanthe.exe", L"mstsc.exe"});  // four seconds a cycle otherwise
    WriteSettings(lanthe::ConnectionType::kRemoteDesktop, "<CitrixLogOff>2</CitrixLogOff>", true);
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS", L"50");
    Started lanthe(LantheLine(), root_);
    struct Held {
      DWORD handles = 0;
      DWORD gdi = 0;
      DWORD user = 0;
      double privateKb = 0;
    };
    const auto held = [&] {
      Held h;
      h.handles = lanthe::testing::HandleCountOf(lanthe.handle(), lanthe.id());
      h.gdi = ::GetGuiResources(lanthe.handle(), GR_GDIOBJECTS);
      h.user = ::GetGuiResources(lanthe.handle(), GR_USEROBJECTS);
      h.privateKb = MemoryOf(lanthe.handle()).privateKb;
      return h;
    };
    Held first;
    Held last;
    const LONGLONG began = Now();
    for (int cycle = 1; cycle <= cycles; ++cycle) {
      HWND box = nullptr;
      if (!WaitUntil([&] { return (box = TopWindow(lanthe.id(), L"Lanthe session has been closed")) != nullptr; },
                     30000)) {
        std::fprintf(stderr, "lanthe-bench: cycles: no reconnect question in cycle %d\n", cycle);
        return;
      }
      if (cycle == 5) first = held();
      if (cycle == cycles) last = held();
      Answer(box, cycle == cycles ? IDNO : IDYES);
      WaitUntil([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }, 30000);
    }
    lanthe.WaitForExit(30000);
    ::SetEnvironmentVariableW(L"LANTHE_FAKE_CLIENT_EXIT_AFTER_MS", nullptr);
    std::printf("%d reconnect cycles of one process, cycle 5 -> %d (%.0f s)   handles %lu -> %lu   GDI objects %lu -> "
                "%lu   USER objects %lu -> %lu   private bytes (KB) %.0f -> %.0f\n",
                cycles, cycles, Milliseconds(Now() - began) / 1000, first.handles, last.handles, first.gdi, last.gdi,
                first.user, last.user, first.privateKb, last.privateKb);
  }

  void SettingsFileTimes() {
    lanthe::win32::Win32FileSystem files;
    lanthe::win32::Win32CodePage codePage;
    lanthe::win32::Win32Folders folders;
    lanthe::TSettings settings;
    const std::wstring path = root_ + L"settings.xml";
    lanthe::SetDefaultSettings(settings, folders, lanthe::win32::FromWide(root_ + L"lanthe.exe"), u"");
    const lanthe::Text file = lanthe::win32::FromWide(path);

    lanthe::SettingsFile writer(files, codePage, folders);
    writer.Rebuild(settings);
    writer.Write(file);
    MeasureFile("default file", file, settings, files, codePage, folders);

    // 10,000 elements no version of Lanthe reads, and 1 MB of text among them.
    std::string big = writer.Serialize();
    std::string unknown;
    const std::string text(100, 'x');
    for (int i = 0; i < 10000; ++i) unknown += "  <Unknown" + std::to_string(i) + ">" + text + "</Unknown" + std::to_string(i) + ">\r\n";
    big.insert(big.rfind("</Settings>"), unknown);
    std::ofstream(fs::path(path), std::ios::binary) << big;
    MeasureFile("10,000 unknown elements, 1 MB", file, settings, files, codePage, folders);
  }

 private:
  std::wstring Stamp() const { return root_ + L"stamps.txt"; }
  std::wstring OwnStamp() const { return root_ + L"start.txt"; }
  std::wstring EndStamp() const { return root_ + L"ends.txt"; }
  std::wstring NetworkStamp() const { return root_ + L"network.txt"; }
  std::wstring LantheLine() const { return L"\"" + root_ + L"lanthe.exe\""; }
  std::wstring Launcher() const { return L"\"" + ThisFolder() + L"lanthe-bench-launcher.exe\" "; }

  // Lanthe's own stamp of its last start: from the process's start and from its first
  // line to its CreateProcessW of the client.
  void ReadOwnPart(std::vector<double>& fromProcess, std::vector<double>& fromProgram) const {
    const std::vector<LONGLONG> s = ReadStamps(OwnStamp());
    if (s.size() < 4 || s[3] <= 0) return;
    fromProcess.push_back(static_cast<double>(s[2] - s[0]) * 1000.0 / static_cast<double>(s[3]));
    fromProgram.push_back(static_cast<double>(s[2] - s[1]) * 1000.0 / static_cast<double>(s[3]));
  }

  void WriteSettings(int connectionType, const std::string& more, bool reconnectQuestion = false) {
    std::ofstream(fs::path(root_ + L"settings.xml"), std::ios::binary)
        << "<Settings><CurrentShell>1</CurrentShell><ConnectionType>" << connectionType << "</ConnectionType>"
        << "<ShowReconnectDialog>" << (reconnectQuestion ? "True" : "False") << "</ShowReconnectDialog>"
        << "<ShowShutdownDialog>False</ShowShutdownDialog>" << more
        << "<RDP><ClientPath>" << fs::path(root_ + L"clients").string() << "</ClientPath><Connection>bench</Connection>"
        << "<Port>3389</Port><FullScreen>-1</FullScreen></RDP><Citrix><ClientPath>"
        << fs::path(root_ + L"clients").string() << "</ClientPath></Citrix></Settings>";
  }

  // One start of an administrator's Lanthe: the time to its main window, and from a
  // click on the button to the window it opens. Each window is the first of a process
  // of its own: under Xvfb, with no window manager, Wine may wait up to two seconds for
  // a closed window to be withdrawn, which the next window would pay.
  std::optional<std::array<double, 2>> OpenWindow(const std::wstring& program, const wchar_t* button,
                                                  const wchar_t* caption) {
    Started lanthe(L"\"" + program + L"\"", root_);
    if (!lanthe.ok()) return std::nullopt;
    HWND main = nullptr;
    const auto shown = TimeUntil(Now(), [&] { return (main = TopWindow(lanthe.id(), L"Lanthe")) != nullptr; });
    const HWND control = shown ? ChildWindow(main, button) : nullptr;
    if (!control) return std::nullopt;
    const LONGLONG clicked = Now();
    Click(control);
    const auto opened = TimeUntil(clicked, [&] { return TopWindow(lanthe.id(), caption) != nullptr; });
    if (!opened) return std::nullopt;
    ::Sleep(200);  // painted and settled before it is ended
    return std::array<double, 2>{*shown, *opened};
  }

  // Starts the command line once: the milliseconds from the start to the client's
  // first instruction, or none when the client did not start.
  std::optional<double> TimeToClient(const std::wstring& commandLine) {
    fs::remove(fs::path(Stamp()));
    const LONGLONG start = Now();
    Started program(commandLine, root_);
    if (!program.ok()) return std::nullopt;
    if (!WaitUntil([&] { return !ReadStamps(Stamp()).empty(); }, 30000)) return std::nullopt;
    const double time = Milliseconds(ReadStamps(Stamp()).front() - start);
    program.WaitForExit(30000);
    // What the run left to Wine's own processes (a desktop that repaints, a server that
    // cleans up) settles before the next run is timed, whichever program that is.
    ::Sleep(300);
    return time;
  }

  void MeasureFile(const char* what, const lanthe::Text& file, lanthe::TSettings defaults, lanthe::IFileSystem& files,
                   lanthe::ICodePage& codePage, lanthe::IFolders& folders) {
    std::vector<double> loads;
    std::vector<double> saves;
    const std::string original = files.ReadFile(file).value_or("");
    for (int i = 0; i < 20; ++i) {
      lanthe::TSettings settings = defaults;
      lanthe::SettingsFile document(files, codePage, folders);
      LONGLONG start = Now();
      document.Load(file, settings);
      loads.push_back(Milliseconds(Now() - start));
      start = Now();
      document.Rebuild(settings);
      document.Write(file);
      saves.push_back(Milliseconds(Now() - start));
      files.WriteFileAtomic(file, original);  // the same file for every round
    }
    std::printf("settings file, %-32s load %7.2f ms   save %7.2f ms (medians of 20)\n", what, Median(loads),
                Median(saves));
  }

  static double Ratio(double value, double floor) { return floor > 0 ? value / floor : 0.0; }
  static double Min(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
  static double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

  int runs_;
  std::wstring root_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 20;
  // A second argument picks one section: "start", "windows", "network", "sessions", or
  // "cycles" with the number of cycles after it.
  const std::wstring only = argc > 2 ? argv[2] : L"";
  try {
    Bench bench(runs);
    if (only.empty() || only == L"start") bench.StartToClient();
    if (only.empty() || only == L"windows") bench.AdministratorsWindows();
    if (only.empty() || only == L"network") bench.NetworkToClient();
    if (only.empty() || only == L"sessions") bench.BetweenSessions();
    if (only == L"cycles") bench.ReconnectCycles(argc > 3 ? std::max(6, _wtoi(argv[3])) : 200);
    if (!only.empty()) return 0;
    bench.MemoryAndCpuWhileWaiting();
    bench.CpuWhileLauncherWaits();
    bench.SettingsFileTimes();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lanthe-bench: %s\n", error.what());
    return 2;
  }
  return 0;
}
