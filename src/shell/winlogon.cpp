#include "shell/winlogon.h"

#include "platform/error.h"

namespace lanthe {

namespace {

void Write(IRegistryKey& key, TextView name, TextView value) {
  if (!key.WriteString(name, value)) throw Error(u"Failed to set data for '" + Text(name) + u"'");
}

}  // namespace

void SetAutologon(IRegistry& registry, bool enable, TextView userName, TextView password) {
  auto key = registry.OpenKey(RegistryRoot::LocalMachine, kWinlogonKey);
  if (!key) return;
  if (enable) {
    Write(*key, u"DefaultUsername", userName);
    Write(*key, u"DefaultPassword", password);
    Write(*key, u"AutoAdminLogon", u"1");
  } else {
    Write(*key, u"AutoAdminLogon", u"0");
  }
}

bool ShellPointsTo(TextView shell, TextView executablePath) {
  while (!shell.empty() && shell.front() == u' ') shell.remove_prefix(1);
  while (!shell.empty() && shell.back() == u' ') shell.remove_suffix(1);
  if (!shell.empty() && shell.front() == u'"') {
    const auto close = shell.find(u'"', 1);
    if (close == TextView::npos) return false;
    shell = shell.substr(1, close - 1);
  }
  return !executablePath.empty() && EqualsIgnoreAsciiCase(shell, executablePath);
}

void SetShell(IRegistry& registry, TextView shell) {
  auto key = registry.OpenKey(RegistryRoot::LocalMachine, kWinlogonKey);
  if (!key) return;
  Write(*key, u"shell", shell);
}

}  // namespace lanthe
