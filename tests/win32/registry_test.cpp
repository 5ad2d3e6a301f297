// Registry keys and values, against the real registry below
// HKEY_CURRENT_USER\Software\LantheTests\<unique> (and the same below
// HKEY_LOCAL_MACHINE), removed again after each test.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() : base_(L"Software\\LantheTests\\" + UniqueName(L"run-")) {}
  ~RegistryTest() override {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      ::RegDeleteTreeW(root, base_.c_str());
      // The shared parent goes when no other run uses it.
      ::RegDeleteKeyW(root, L"Software\\LantheTests");
    }
    // The machine's 32-bit view, which RegDeleteTreeW on the root does not reach.
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, base_.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &raw) == ERROR_SUCCESS) {
      ::RegDeleteTreeW(raw, nullptr);
      ::RegCloseKey(raw);
    }
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, base_.c_str(), KEY_WOW64_32KEY, 0);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\LantheTests", KEY_WOW64_32KEY, 0);
  }

  // Path below the test's own key.
  std::wstring Path(const std::wstring& below = L"") const { return below.empty() ? base_ : base_ + L"\\" + below; }
  static bool Exists(HKEY root, const std::wstring& path, REGSAM view = 0) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &raw) != ERROR_SUCCESS) return false;
    ::RegCloseKey(raw);
    return true;
  }
  // A value read straight from the registry: type and bytes.
  static std::optional<RegistryValue> Raw(HKEY root, const std::wstring& path, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegGetValueW(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    RegistryValue value;
    value.type = type;
    value.data.resize(size);
    if (::RegGetValueW(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                       size ? value.data.data() : nullptr, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    value.data.resize(size);
    return value;
  }

  Win32Registry registry_;
  std::wstring base_;
};

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
  auto key = registry_.CreateKey(RegistryRoot::CurrentUser, T(Path()));
  ASSERT_NE(key, nullptr);

  const std::vector<std::uint8_t> binary = {0x00, 0x01, 0x00, 0xFF, 0x00};
  std::vector<std::uint8_t> large(100000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
  EXPECT_TRUE(key->WriteString(u"Text", u"Server \u00e9\u20ac"));
  EXPECT_TRUE(key->WriteString(u"Empty", u""));
  EXPECT_TRUE(key->WriteString(u"", u"default value"));
  EXPECT_TRUE(key->WriteDword(u"Number", 0xFEDCBA98u));
  EXPECT_TRUE(key->WriteBinary(u"Binary", binary));
  EXPECT_TRUE(key->WriteBinary(u"NoBytes", {}));
  EXPECT_TRUE(key->WriteBinary(u"Large", large));

  struct Row {
    const wchar_t* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  const Row rows[] = {
      {L"Text", RegistryType::kString, StringValueBytes(u"Server \u00e9\u20ac")},
      {L"Empty", RegistryType::kString, StringValueBytes(u"")},
      {L"", RegistryType::kString, StringValueBytes(u"default value")},
      {L"Number", RegistryType::kDword, {0x98, 0xBA, 0xDC, 0xFE}},
      {L"Binary", RegistryType::kBinary, binary},
      {L"NoBytes", RegistryType::kBinary, {}},
      {L"Large", RegistryType::kBinary, large},
  };
  for (const auto& row : rows) {
    // What the registry holds, and what ReadValue gives back.
    const auto stored = Raw(HKEY_CURRENT_USER, Path(), row.name);
    ASSERT_TRUE(stored.has_value()) << "value " << row.name;
    EXPECT_EQ(stored->type, row.type) << "value " << row.name;
    EXPECT_EQ(stored->data, row.data) << "value " << row.name;
    const auto read = key->ReadValue(T(row.name));
    ASSERT_TRUE(read.has_value()) << "value " << row.name;
    EXPECT_EQ(read->type, row.type) << "value " << row.name;
    EXPECT_EQ(read->data, row.data) << "value " << row.name;
  }
  EXPECT_EQ(ReadStringValue(*key, u"Text"), std::optional<Text>(u"Server \u00e9\u20ac"));
}

TEST_F(RegistryTest, ReadsValuesWrittenByOthers) {
  HKEY raw = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw,
                              nullptr),
            ERROR_SUCCESS);
  const UniqueKey created(raw);
  const wchar_t expand[] = L"%SystemRoot%\\x";
  ASSERT_EQ(::RegSetValueExW(created.get(), L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand),
                             sizeof expand),
            ERROR_SUCCESS);
  auto key = registry_.OpenKey(RegistryRoot::CurrentUser, T(Path()));
  ASSERT_NE(key, nullptr);
  const auto value = key->ReadValue(u"Expand");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, RegistryType::kExpandString);
  EXPECT_EQ(value->data, StringValueBytes(u"%SystemRoot%\\x"));
}

TEST_F(RegistryTest, MissingValueIsNullopt) {
  auto key = registry_.CreateKey(RegistryRoot::CurrentUser, T(Path()));
  ASSERT_NE(key, nullptr);
  EXPECT_FALSE(key->ReadValue(u"Missing").has_value());
  EXPECT_FALSE(key->ReadValue(u"").has_value());
}

TEST_F(RegistryTest, OpenKeyDoesNotCreate) {
  EXPECT_EQ(registry_.OpenKey(RegistryRoot::CurrentUser, T(Path(L"Missing"))), nullptr);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, Path(L"Missing")));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, Path()));

  EXPECT_NE(registry_.CreateKey(RegistryRoot::CurrentUser, T(Path(L"Made\\Deeper"))), nullptr);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, Path(L"Made\\Deeper")));
  EXPECT_NE(registry_.OpenKey(RegistryRoot::CurrentUser, T(Path(L"Made\\Deeper"))), nullptr);
}

TEST_F(RegistryTest, PathsCountFromTheRootWhateverTheirBackslashes) {
  ASSERT_NE(registry_.CreateKey(RegistryRoot::CurrentUser, T(L"\\" + Path(L"Agent") + L"\\")), nullptr);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, Path(L"Agent")));

  const std::wstring spellings[] = {Path(L"Agent"), L"\\" + Path(L"Agent"), Path(L"Agent") + L"\\",
                                    L"\\\\" + Path(L"Agent") + L"\\\\"};
  for (const auto& spelling : spellings) {
    auto key = registry_.OpenKey(RegistryRoot::CurrentUser, T(spelling));
    ASSERT_NE(key, nullptr) << spelling;
    EXPECT_TRUE(key->WriteDword(u"Seen", 1));
  }
  EXPECT_TRUE(Raw(HKEY_CURRENT_USER, Path(L"Agent"), L"Seen").has_value());
}

TEST_F(RegistryTest, RootsAreKeptApart) {
  auto machine = registry_.CreateKey(RegistryRoot::LocalMachine, T(Path()));
  ASSERT_NE(machine, nullptr);
  EXPECT_TRUE(machine->WriteString(u"Where", u"machine"));
  EXPECT_TRUE(Raw(HKEY_LOCAL_MACHINE, Path(), L"Where").has_value());
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, Path()));
  EXPECT_EQ(registry_.OpenKey(RegistryRoot::CurrentUser, T(Path())), nullptr);
  auto again = registry_.OpenKey(RegistryRoot::LocalMachine, T(Path()));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(ReadStringValue(*again, u"Where"), std::optional<Text>(u"machine"));
}

TEST_F(RegistryTest, SubKeysAreCreatedOrOpenedBelowTheKey) {
  auto key = registry_.CreateKey(RegistryRoot::CurrentUser, T(Path()));
  ASSERT_NE(key, nullptr);
  auto sub = key->CreateSubKey(u"Policies\\Network");
  ASSERT_NE(sub, nullptr);
  EXPECT_TRUE(sub->WriteDword(u"Value", 42));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, Path(L"Policies\\Network")));

  // An existing sub-key is opened, not emptied; backslashes around the path do not matter.
  auto same = key->CreateSubKey(u"\\Policies\\Network\\");
  ASSERT_NE(same, nullptr);
  const auto value = same->ReadValue(u"Value");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->data, (std::vector<std::uint8_t>{42, 0, 0, 0}));
}

TEST_F(RegistryTest, ValueNamesAndTheMachines32BitView) {
  // Where 32-bit programs write: apart from the 64-bit view, children included.
  auto key = registry_.CreateKey(RegistryRoot::LocalMachine32, T(Path()));
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->ValueNames().empty());
  for (const char16_t* name : {u"Agent", u"", u"!Later"}) EXPECT_TRUE(key->WriteString(name, u"x"));
  EXPECT_TRUE(key->WriteDword(u"Number", 1));
  ASSERT_NE(key->CreateSubKey(u"Child"), nullptr);
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, Path(L"Child"), KEY_WOW64_32KEY));
  EXPECT_EQ(registry_.OpenKey(RegistryRoot::LocalMachine, T(Path())), nullptr);
  auto read = registry_.OpenKeyForReading(RegistryRoot::LocalMachine32, T(Path()));
  ASSERT_NE(read, nullptr);
  auto names = read->ValueNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<Text>{u"", u"!Later", u"Agent", u"Number"}));
}

TEST_F(RegistryTest, WrappedKeyIsUsedAndClosed) {
  HKEY raw = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw,
                              nullptr),
            ERROR_SUCCESS);
  {
    auto key = WrapRegistryKey(raw);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->WriteString(u"Wrapped", u"yes"));
    EXPECT_EQ(ReadStringValue(*key, u"Wrapped"), std::optional<Text>(u"yes"));
    EXPECT_NE(key->CreateSubKey(u"Child"), nullptr);
  }
  // The handle is closed with the object.
  EXPECT_EQ(::RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, Path(L"Child")));
  EXPECT_EQ(WrapRegistryKey(nullptr), nullptr);
}

}  // namespace
}  // namespace lanthe::win32
