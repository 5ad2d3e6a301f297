#include "shell/winlogon.h"

#include "platform/error.h"

namespace lanthe {

namespace {

void Write(IRegistryKey& key, TextView name, TextView value) {
  if (!key.WriteString(name, value)) throw Error(u"Failed to set data for '" + Text(name) + u"'");
}

}  // namespace

AutologonPassword SetAutologon(IRegistry& registry, ISecretStore& secrets, bool enable, TextView userName,
                               TextView password, TextView computerName) {
  auto key = registry.OpenKey(RegistryRoot::LocalMachine, kWinlogonKey);
  if (!key) return AutologonPassword::kNotWritten;
  if (!enable) {
    Write(*key, u"AutoAdminLogon", u"0");
    return AutologonPassword::kNotWritten;
  }
  Write(*key, u"DefaultUsername", userName);
  Write(*key, u"DefaultDomainName", computerName);
  // Winlogon prefers a plain-text value to the secret: one left behind (perhaps with an
  // older password) must go, and where it cannot go it must at least be the same.
  AutologonPassword stored = AutologonPassword::kSecret;
  if (secrets.StorePrivateData(u"DefaultPassword", password) != LsaStatus::kSuccess ||
      !key->DeleteValue(u"DefaultPassword")) {
    Write(*key, u"DefaultPassword", password);
    stored = AutologonPassword::kPlainText;
  }
  Write(*key, u"AutoAdminLogon", u"1");
  return stored;
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
