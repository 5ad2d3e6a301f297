// The lockdown's platform side under Wine: accounts, the group-policy object, the
// Winlogon and policy values in the real registry, the change broadcast.

#include <gtest/gtest.h>

#include <windows.h>
#include <lm.h>

#include <string>

#include "platform/gpo.h"
#include "platform/local_users.h"
#include "platform/win32/test_seam.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "lockdown/winlogon.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

std::wstring ReadString(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t value[512] = {};
  DWORD size = sizeof value;
  if (::RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return L"<missing>";
  return value;
}

DWORD ReadDword(HKEY root, const wchar_t* key, const wchar_t* name) {
  DWORD value = 0xDEADBEEF;
  DWORD size = sizeof value;
  ::RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

TEST(Accounts, WineRefusesTheAccountListAndTheListStaysEmpty) {
  Win32Accounts accounts;
  std::uint32_t resume = 0;
  const UserEnumPage page = accounts.EnumerateUsers(GetLocalComputerName(accounts), resume);
  // Windows answers with the accounts; Wine refuses information level 1.
  if (page.status == 124) {
    std::vector<Text> list;
    GetLocalUsers(list, GetLocalComputerName(accounts), accounts);
    EXPECT_TRUE(list.empty());
  } else {
    EXPECT_TRUE(page.status == NetStatus::kSuccess || page.status == NetStatus::kMoreData) << page.status;
  }
}

TEST(Accounts, TheComputerNameIsTheWorkstationsName) {
  Win32Accounts accounts;
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(::GetComputerNameW(name, &size));
  EXPECT_EQ(_wcsicmp(ToWide(GetLocalComputerName(accounts)).c_str(), name), 0);
  EXPECT_EQ(GetWorkstationInfo(7, accounts), u"");
}

TEST(GroupPolicyObject, WithoutTheComponentCreationFailsWithTheSystemsCode) {
  ComScope com;
  Win32GroupPolicy groupPolicy;
  std::uint32_t code = 0;
  auto object = groupPolicy.CreateObject(code);
  if (!object) {
    EXPECT_EQ(code, static_cast<std::uint32_t>(REGDB_E_CLASSNOTREG)) << "Wine has no such class";
    Win32Registry registry;
    EXPECT_THROW(TGPO(groupPolicy, registry), GroupPolicyUnavailable);
  }
}

class LockdownRegistryTest : public ::testing::Test {
 protected:
  static constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  static constexpr wchar_t kSystem[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
  static constexpr wchar_t kDesktop[] = L"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";

  LockdownRegistryTest() {
    for (const wchar_t* name : {L"shell", L"DefaultUsername", L"DefaultDomainName", L"DefaultPassword",
                                L"AutoAdminLogon", L"AutoLogonCount"}) {
      saved_.emplace_back(name, ReadString(HKEY_LOCAL_MACHINE, kWinlogon, name));
    }
  }
  ~LockdownRegistryTest() override {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      for (const auto& [name, value] : saved_) {
        if (value == L"<missing>") {
          ::RegDeleteValueW(key, name.c_str());
        } else {
          ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        }
      }
      ::RegCloseKey(key);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestGroupPolicyKey);
  }

  Win32Registry registry;
  std::vector<std::pair<std::wstring, std::wstring>> saved_;
};

TEST_F(LockdownRegistryTest, WinlogonValuesWithTheirExactNames) {
  Win32Accounts accounts;
  const Text computer = GetLocalComputerName(accounts);
  Win32SecretStore secrets;
  const DWORD count = 2;
  ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoLogonCount", REG_DWORD, &count, sizeof count),
            ERROR_SUCCESS);
  const AutologonPassword stored = SetAutologon(registry, secrets, true, u"kiosk", u"p\u00E4ss", computer);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoLogonCount"), 0xDEADBEEFu) << "the count is gone";
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUsername"), L"kiosk");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultDomainName"), ToWide(computer));
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon"), L"1");
  // Windows keeps the secret; Wine cannot, and the password is then written as text.
  if (stored == AutologonPassword::kSecret) {
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), L"<missing>");
  } else {
    EXPECT_EQ(stored, AutologonPassword::kPlainText);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), L"p\u00E4ss");
  }
  // Switching off removes the password wherever it went; under Wine the real store
  // answers that it holds nothing, which is no failure.
  EXPECT_NO_THROW(SetAutologon(registry, secrets, false, u"other", u"other", u"OTHER"));
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon"), L"0");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), L"<missing>");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUsername"), L"kiosk");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultDomainName"), ToWide(computer));
  SetShell(registry, u"\"C:\\Program Files\\Lanthe\\lanthe.exe\"");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"shell"), L"\"C:\\Program Files\\Lanthe\\lanthe.exe\"");
}

TEST_F(LockdownRegistryTest, WithTheSecretStoredNoPlainTextPasswordIsLeft) {
  EnvironmentScope standIn(L"LANTHE_TEST_LSA", L"registry");
  TestSeamSecretStore secrets;
  Win32SecretStore real;
  SetAutologon(registry, real, true, u"kiosk", u"old", u"KIOSK");  // leaves text under Wine
  EXPECT_EQ(SetAutologon(registry, secrets, true, u"kiosk", u"new \"pw\"", u"KIOSK"), AutologonPassword::kSecret);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"), L"<missing>");
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kTestSecretsKey, L"DefaultPassword"), L"new \"pw\"");
  EXPECT_EQ(secrets.ReadPrivateData(u"DefaultPassword").data, u"new \"pw\"") << "what status tries";
  SetAutologon(registry, secrets, false, u"kiosk", u"", u"KIOSK");
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kTestSecretsKey, L"DefaultPassword"), L"<missing>") << "the secret is gone";
  EXPECT_EQ(secrets.ReadPrivateData(u"DefaultPassword").state, SecretState::kNotStored);
  EXPECT_EQ(secrets.DeletePrivateData(u"DefaultPassword"), LsaStatus::kObjectNameNotFound) << "as the real store says";
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestSecretsKey);
}

TEST(SecretStore, WineCannotStoreTheSecretAndSaysSo) {
  Win32SecretStore secrets;
  const std::uint32_t status = secrets.StorePrivateData(u"LantheTestSecret", u"x");
  // Windows stores it (and this test then removes nothing it cannot see); Wine answers
  // STATUS_OBJECT_NAME_NOT_FOUND.
  EXPECT_TRUE(status == LsaStatus::kSuccess || status == LsaStatus::kObjectNameNotFound) << std::hex << status;
  const std::uint32_t deleted = secrets.DeletePrivateData(u"LantheTestSecret");
  EXPECT_TRUE(deleted == LsaStatus::kSuccess || deleted == LsaStatus::kObjectNameNotFound) << std::hex << deleted;
  EXPECT_EQ(secrets.ReadPrivateData(u"LantheTestSecret").state, SecretState::kNotStored);
}

TEST(Registry, DeletingAValueThatIsThereOrNot) {
  Win32Registry registry;
  const std::wstring path = L"Software\\" + UniqueName(L"LantheDelete");
  auto key = registry.CreateKey(RegistryRoot::CurrentUser, T(path));
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->WriteString(u"Value", u"x"));
  EXPECT_TRUE(key->DeleteValue(u"Value"));
  EXPECT_FALSE(key->ReadValue(u"Value"));
  EXPECT_TRUE(key->DeleteValue(u"Value")) << "gone already counts as gone";
  EXPECT_FALSE(key->OpenSubKey(u"Missing")) << "opened only when there";
  EXPECT_FALSE(key->OpenSubKey(u"Missing")) << "and not made by the first try";
  ASSERT_TRUE(key->CreateSubKey(u"There"));
  auto sub = key->OpenSubKey(u"There");
  ASSERT_TRUE(sub);
  EXPECT_TRUE(sub->WriteString(u"Value", u"y")) << "opened for writing";
  sub.reset();
  key.reset();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
}

TEST(Accounts, AnAccountWithAnyCharactersInItsPasswordIsAddedAndJoinsUsers) {
  Win32Accounts accounts;
  const std::wstring name = UniqueName(L"lk");
  ASSERT_EQ(accounts.AddUser(T(name), u"\"*/x\\ ^&%! 20 characters"), NetStatus::kSuccess);
  LPBYTE raw = nullptr;
  ASSERT_EQ(::NetUserGetInfo(nullptr, name.c_str(), 1, &raw), static_cast<NET_API_STATUS>(NERR_Success));
  const UniqueNetApiBuffer info(raw);
  // Wine keeps neither the privilege nor the flags (Windows does): only the name is
  // looked at here; what is asked for is the core's test.
  EXPECT_EQ(std::wstring(reinterpret_cast<const USER_INFO_1*>(raw)->usri1_name), name);
  EXPECT_EQ(accounts.FindUser(T(name)), NetStatus::kSuccess);
  EXPECT_EQ(accounts.FindUser(T(UniqueName(L"nobody"))), NetStatus::kUserNotFound);
  const auto group = accounts.UsersGroupName();
  ASSERT_TRUE(group) << "the built-in Users group has a name";
  EXPECT_FALSE(group->empty());
  const std::uint32_t joined = accounts.AddLocalGroupMember(*group, GetLocalComputerName(accounts) + u"\\" + T(name));
  EXPECT_TRUE(joined == NetStatus::kSuccess || joined == NetStatus::kMemberInAlias) << joined;
  ::NetUserDel(nullptr, name.c_str());
}

TEST(Accounts, AUsersSidIsItsOwnAndOnlyUsersHaveOne) {
  Win32Accounts accounts;
  const auto own = accounts.AccountSid(T(EnvironmentValue(L"USERNAME")));
  ASSERT_TRUE(own);
  EXPECT_EQ(own->rfind(u"S-1-5-21-", 0), 0u) << TextToUtf8(*own);
  EXPECT_EQ(accounts.AccountSid(T(UniqueName(L"nobody"))), std::nullopt);
  EXPECT_EQ(accounts.AccountSid(*accounts.UsersGroupName()), std::nullopt) << "a group is no account";
  EXPECT_EQ(accounts.AccountSid(u""), std::nullopt);
}

TEST(Accounts, StatusCodesHaveTheSystemsWords) {
  Win32Accounts accounts;
  EXPECT_FALSE(accounts.DescribeStatus(ERROR_ACCESS_DENIED).empty());
  EXPECT_EQ(AccountStatusText(123456, accounts), u"Windows refused it (error 123456)")
      << "a code without words of its own";
}

TEST_F(LockdownRegistryTest, PoliciesReachTheObjectsUserSectionAndAPrincipalsObjectItsOwn) {
  EnvironmentScope standIn(L"LANTHE_TEST_GROUP_POLICY", L"registry");
  EnvironmentScope administrator(L"LANTHE_TEST_ADMINISTRATOR", L"1");
  TestSeamIdentity identity;
  TestSeamGroupPolicy groupPolicy(identity);
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSystem, L"DisableTaskMgr");  // an earlier version's
  {
    TGPO gpo(groupPolicy, registry);
    gpo.SetPolicyBool(T(kSystem), u"DisableTaskMgr", true);
    gpo.SetPolicyString(T(kDesktop), u"ScreenSaveActive", u"1");
    gpo.SavePolicy();
    TGPO kiosk(groupPolicy, registry, Text(u"S-1-5-32-545"));
    kiosk.SetPolicyBool(T(kSystem), u"DisableTaskMgr", true);
    kiosk.SavePolicy();
  }
  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kSystem, L"DisableTaskMgr"), 0xDEADBEEFu) << "the running user's own is not touched";
  const std::wstring section = std::wstring(kTestGroupPolicyKey) + L"\\User\\";
  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, (section + kSystem).c_str(), L"DisableTaskMgr"), 1u);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, (section + kDesktop).c_str(), L"ScreenSaveActive"), L"1");
  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kTestGroupPolicyKey, L"Saves"), 1u);
  const std::wstring users = std::wstring(kTestGroupPolicyKey) + L"\\Users\\S-1-5-32-545";
  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, (users + L"\\" + kSystem).c_str(), L"DisableTaskMgr"), 1u);
  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, users.c_str(), L"Saves"), 1u);
}

LRESULT CALLBACK RecordSettingChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTINGCHANGE && lParam) {
    auto* seen = reinterpret_cast<std::wstring*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (seen) *seen = reinterpret_cast<const wchar_t*>(lParam);
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(PolicyBroadcast, EveryWindowHearsPolicyAndTheCallReturns) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = RecordSettingChange;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"LantheBroadcastListener";
  ::RegisterClassW(&windowClass);
  const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"listener", WS_OVERLAPPED, 0, 0, 10, 10,
                                        nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_TRUE(window);
  std::wstring seen;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));
  Win32WindowList().BroadcastSettingChange(kPolicyChangeArea);
  EXPECT_EQ(seen, L"Policy");
  ::DestroyWindow(window);
}

// The message table builds each event's sentence from its fields exactly as the core
// does: Event Viewer shows what the posix and fake logs print. A field that looks like
// an insert or holds a percent sign is put in as it is.
TEST(EventLog, TheProgramsMessageTableBuildsTheSentenceOfEveryEvent) {
  const UniqueLibrary program(::LoadLibraryExW((ProgramFolder() + L"lanthe.exe").c_str(), nullptr,
                                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(program);
  std::vector<Text> fields;
  for (int i = 1; i <= 9; ++i) fields.push_back(u"f" + IntToText(i) + u" %1 100%% %%" + IntToText(i));
  std::vector<std::wstring> wide;
  for (const Text& field : fields) wide.push_back(ToWide(field));
  std::vector<DWORD_PTR> arguments;
  for (const std::wstring& field : wide) arguments.push_back(reinterpret_cast<DWORD_PTR>(field.c_str()));
  for (const EventMessage& message : EventMessages()) {
    wchar_t shown[1024] = {};
    // FormatMessage's page: FORMAT_MESSAGE_ARGUMENT_ARRAY takes the inserts as an array.
    ASSERT_NE(::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program.get(), message.id,
                               MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), shown, 1024,
                               reinterpret_cast<va_list*>(arguments.data())),
              0u)
        << message.id;
    EXPECT_EQ(FromWide(shown), EventText(message.id, fields) + u"\r\n") << message.id;
  }
}

// Wine keeps no events (its ReadEventLogW answers "end of the log" at once): the
// history is then empty, not a failure. On Windows it holds Lanthe's events only.
TEST(EventLog, TheHistoryIsReadFromTheNewestEventWithoutFailing) {
  Win32EventHistory history;
  const auto events = history.RecentEvents(kEventSource, 5);
  ASSERT_TRUE(events.has_value());
  EXPECT_LE(events->size(), 5u);
  for (const LoggedEvent& event : *events) EXPECT_TRUE(event.id >= 1000 && event.id < 1300) << event.id;
}

}  // namespace
}  // namespace lanthe::win32
