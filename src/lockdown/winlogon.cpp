#include "lockdown/winlogon.h"

#include "platform/error.h"

namespace lanthe {

namespace {

void Write(IRegistryKey& key, TextView name, TextView value) {
  if (!key.WriteString(name, value)) throw Error(u"Failed to set data for '" + Text(name) + u"'");
}

void Delete(IRegistryKey& key, TextView name) {
  if (!key.DeleteValue(name)) throw Error(u"Failed to delete '" + Text(name) + u"'");
}

}  // namespace

AutologonPassword SetAutologon(IRegistry& registry, ISecretStore& secrets, bool enable, TextView userName,
                               TextView password, TextView computerName) {
  auto key = registry.OpenKey(RegistryRoot::LocalMachine, kWinlogonKey);
  if (!key) return AutologonPassword::kNotWritten;
  if (!enable) {
    Write(*key, u"AutoAdminLogon", u"0");
    // A log-on that is off gives its password away nowhere: neither as the secret nor
    // as a plain-text value left from before (the AutoAdminLogon entry's documentation
    // asks for DefaultPassword to go when it is set to 0).
    Delete(*key, u"DefaultPassword");
    const std::uint32_t removed = secrets.DeletePrivateData(u"DefaultPassword");
    if (removed != LsaStatus::kSuccess && removed != LsaStatus::kObjectNameNotFound) {
      throw Error(u"The stored password of the automatic log-on could not be removed (error " + HexText(removed) +
                  u").");
    }
    return AutologonPassword::kRemoved;
  }
  Write(*key, u"DefaultUsername", userName);
  Write(*key, u"DefaultDomainName", computerName);
  // Winlogon counts this down at each automatic log-on and switches the log-on off at
  // 0 (Microsoft's article on AutoLogonCount); images made with an answer file often
  // leave one behind.
  Delete(*key, u"AutoLogonCount");
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

AutologonOwner SwitchOffAutologonOf(IRegistry& registry, ISecretStore& secrets, TextView userName) {
  AutologonOwner owner;
  const auto key = registry.OpenKey(RegistryRoot::LocalMachine, kWinlogonKey);
  if (!key) return owner;
  owner.keyOpened = true;
  owner.userName = ReadStringValue(*key, u"DefaultUsername").value_or(Text());
  if (userName.empty() || !EqualsIgnoreAsciiCase(owner.userName, userName)) return owner;
  SetAutologon(registry, secrets, false, userName, u"", u"");
  owner.switchedOff = true;
  return owner;
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

bool SetShell(IRegistry& registry, TextView shell) {
  auto key = registry.OpenKey(RegistryRoot::LocalMachine, kWinlogonKey);
  if (!key) return false;
  Write(*key, u"shell", shell);
  return true;
}

Text ShellCommandFor(TextView executablePath) {
  if (executablePath.find(u' ') == TextView::npos) return Text(executablePath);
  return u"\"" + Text(executablePath) + u"\"";
}

}  // namespace lanthe
