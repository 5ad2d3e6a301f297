#include "config/pnagent_store.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(PNAgentTextForm, BytesAndTextAreInverse) {
  const Bytes cases[] = {{}, {0x00, 0xFF, 0x10}, {0x3C, 0x3F, 0x78}, {0x0A}};
  for (const auto& bytes : cases) {
    const Text text = PNAgentBytesToText(bytes);
    EXPECT_EQ(PNAgentTextToBytes(text), bytes) << TextToUtf8(text);
  }
  EXPECT_EQ(PNAgentBytesToText({0x00, 0xFF, 0x10}), u"00,FF,10");
  EXPECT_EQ(PNAgentBytesToText({}), u"");
}

TEST(PNAgentTextForm, ReadsItemsLikeAStringList) {
  using namespace std::literals;
  const struct {
    std::u16string_view text;
    std::optional<Bytes> bytes;
  } cases[] = {
      {u"", Bytes{}},
      {u"   ", Bytes{}},
      {u"3C, 3F,\t78", Bytes{0x3C, 0x3F, 0x78}},
      {u"3C 3F", Bytes{0x3C, 0x3F}},
      {u" 3c,ff ", Bytes{0x3C, 0xFF}},
      {u"\"3C\",\"4\"\"\"", std::nullopt},
      {u"\"3C\",\"41\"", Bytes{0x3C, 0x41}},
      {u"1FF", Bytes{0xFF}},
      {u"123456789AB", Bytes{0xAB}},
      {u"3C,", std::nullopt},
      {u"3C,,3F", std::nullopt},
      {u"3G", std::nullopt},
      {u"-1", std::nullopt},
      {u"0x1F", std::nullopt},
      {u"$1F", std::nullopt},
      {u"3C\u00003F"sv, Bytes{0x3C}},
  };
  for (const auto& c : cases) EXPECT_EQ(PNAgentTextToBytes(c.text), c.bytes) << TextToUtf8(c.text);
}

TEST(PNAgentTextForm, ViewerLinesEndAfterEachClosingBracket) {
  const auto lines = PNAgentTextToLines(u"3C,61,3E,62");
  EXPECT_TRUE(lines.ok);
  EXPECT_EQ(lines.lines, (std::vector<Text>{u"<a>", u"b"}));

  const auto high = PNAgentTextToLines(u"E9,FF");
  EXPECT_EQ(high.lines, std::vector<Text>{u"\u00E9\u00FF"}) << "bytes are characters of the same code";

  EXPECT_TRUE(PNAgentTextToLines(u"").lines.empty());
  EXPECT_TRUE(PNAgentTextToLines(u"").ok);

  const auto bad = PNAgentTextToLines(u"3C,3E,ZZ,41");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.lines, std::vector<Text>{u"<>"}) << "the lines decoded before the bad piece stay";
}

TEST(PNAgentDesktopName, FoundInTheConfigurationDocument) {
  const struct {
    const char* document;
    const char16_t* name;
  } cases[] = {
      {"<Config><Item><Key>DesktopName</Key><Value>Apps</Value></Item></Config>", u"Apps"},
      {"<?xml version=\"1.0\"?><Config><User Blob><Key>DesktopName</Key><Value>In Blob</Value></User Blob></Config>",
       u"In Blob"},
      {"<Config><Primary Server Blob><Key>DesktopName</Key><Value>P</Value></Primary Server Blob></Config>", u"P"},
      {"<Config><A><Key>DesktopName</Key><Value>First</Value></A><B><Key>DesktopName</Key><Value>Second</Value></B>"
       "</Config>",
       u"Second"},
      {"<Config><A><Key>desktopname</Key><Value>x</Value></A></Config>", u""},
      {"<Config><A><Key>DesktopName</Key></A><B><Value>lonely</Value></B></Config>", u""},
      {"<Config><A><KEY>DesktopName</KEY><VALUE>Case &amp; names</VALUE></A></Config>", u"Case & names"},
      {"<Config><A><Key>DesktopName</Key><Value>Caf\xE9</Value></A></Config>", u"Caf\u00E9"},
      {"<Config><A><Key>DesktopName</Key><Value>Nul</Value></A></Config>\0\0", u"Nul"},
      {"<Config><A><Key>DesktopName</Key><Value>x</Value></A></Confog>", u""},
      {"", u""},
  };
  for (const auto& c : cases) {
    Bytes bytes = Of(c.document);
    if (std::string_view(c.document).find("Nul") != std::string_view::npos) bytes.insert(bytes.end(), {0, 0});
    EXPECT_EQ(FindPNAgentDesktopName(bytes), c.name) << c.document;
  }
}

class PNAgentStoreTest : public ::testing::Test {
 protected:
  PNAgentStoreTest() { settings.ProgramDir = u"C:\\Apps\\"; }

  testing::FakeRegistry::Key& Key() { return registry.AddKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent"); }
  const RegistryValue* Config() {
    return registry.Value(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent", kPNAgentConfigValue);
  }

  testing::FakeRegistry registry;
  testing::FakeFileSystem files;
  Windows1252CodePage codePage;
  PNAgentStore store{registry, files, codePage};
  TSettings settings;
};

TEST_F(PNAgentStoreTest, WithoutTheKeyNothingIsReadOrWritten) {
  EXPECT_EQ(store.ReadPNAgentConfig(), u"");
  EXPECT_EQ(store.GetPNAgentServerURL(), u"");
  EXPECT_EQ(store.GetXenAppDesktopFolder(), u"");
  store.SetPNAgentServerURL(u"https://x");
  EXPECT_TRUE(store.WritePNAgentConfig(u"3C"));
  files.files[u"C:\\Apps\\XenAppSettings.cfg"] = "3C,3E\r\n";
  store.LoadXenAppSettings(settings);
  EXPECT_EQ(settings.XenApp.PNAgentConfig, u"3C,3E") << "the file is still read";
  EXPECT_FALSE(registry.HasKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent")) << "never created";
  EXPECT_EQ(registry.writes, 0);
}

TEST_F(PNAgentStoreTest, ServerURLRoundTrip) {
  Key();
  store.SetPNAgentServerURL(u"https://apps.example.org/config.xml");
  EXPECT_EQ(store.GetPNAgentServerURL(), u"https://apps.example.org/config.xml");
}

TEST_F(PNAgentStoreTest, ConfigurationValueTypes) {
  Key().values[kPNAgentConfigValue] = RegistryValue{RegistryType::kBinary, {0x3C, 0x3E}};
  EXPECT_EQ(store.ReadPNAgentConfig(), u"3C,3E");
  Key().values[kPNAgentConfigValue] = RegistryValue{11 /* REG_QWORD */, {1, 2}};
  EXPECT_EQ(store.ReadPNAgentConfig(), u"01,02") << "any type but text and double word holds bytes";
  for (std::uint32_t refused : {RegistryType::kString, RegistryType::kExpandString, RegistryType::kDword}) {
    Key().values[kPNAgentConfigValue] = RegistryValue{refused, {0x41, 0, 0, 0}};
    EXPECT_EQ(store.ReadPNAgentConfig(), u"");
    EXPECT_FALSE(store.TryReadPNAgentConfig());
    EXPECT_EQ(store.GetXenAppDesktopFolder(), u"");
  }
  Key().values[kPNAgentConfigValue] = RegistryValue{RegistryType::kBinary, {}};
  EXPECT_EQ(store.ReadPNAgentConfig(), u"");
}

TEST_F(PNAgentStoreTest, WriteConvertsEverythingBeforeTouchingTheRegistry) {
  Key().values[kPNAgentConfigValue] = RegistryValue{RegistryType::kBinary, {0x01}};
  EXPECT_FALSE(store.WritePNAgentConfig(u"3C,3E,"));
  EXPECT_FALSE(store.WritePNAgentConfig(u"3C,XY"));
  EXPECT_EQ(Config()->data, Bytes{0x01});
  EXPECT_TRUE(store.WritePNAgentConfig(u"3C, 3E"));
  EXPECT_EQ(Config()->data, (Bytes{0x3C, 0x3E}));
  EXPECT_EQ(Config()->type, RegistryType::kBinary);
  EXPECT_TRUE(store.WritePNAgentConfig(u""));
  EXPECT_TRUE(Config()->data.empty()) << "empty text writes a value of zero bytes";
}

TEST_F(PNAgentStoreTest, DesktopFolderNameFromTheLiveConfiguration) {
  Key().values[kPNAgentConfigValue] =
      RegistryValue{RegistryType::kBinary, Of("<C><User Blob><Key>DesktopName</Key><Value>Apps</Value></User Blob></C>")};
  EXPECT_EQ(store.GetXenAppDesktopFolder(), u"Apps");
}

TEST_F(PNAgentStoreTest, SaveWritesTheFileOnlyForANonEmptyConfiguration) {
  files.files[u"C:\\Apps\\XenAppSettings.cfg"] = "AA\r\n";
  Key().values[kPNAgentConfigValue] = RegistryValue{RegistryType::kBinary, {}};
  settings.XenApp.PNAgentConfig = u"old";
  EXPECT_FALSE(store.SaveXenAppSettings(settings));
  EXPECT_EQ(settings.XenApp.PNAgentConfig, u"");
  EXPECT_EQ(files.files[u"C:\\Apps\\XenAppSettings.cfg"], "AA\r\n") << "left as it was";

  Key().values[kPNAgentConfigValue] = RegistryValue{RegistryType::kBinary, {0x3C, 0x61}};
  EXPECT_TRUE(store.SaveXenAppSettings(settings));
  EXPECT_EQ(files.files[u"C:\\Apps\\XenAppSettings.cfg"], "3C,61\r\n");
  EXPECT_EQ(settings.XenApp.PNAgentConfig, u"3C,61");
}

TEST_F(PNAgentStoreTest, SaveOfAnUnwritableProgramFolderIsNoError) {
  Key().values[kPNAgentConfigValue] = RegistryValue{RegistryType::kBinary, {0x3C}};
  files.failWrites = true;
  EXPECT_FALSE(store.SaveXenAppSettings(settings));
  EXPECT_EQ(settings.XenApp.PNAgentConfig, u"3C");
}

TEST_F(PNAgentStoreTest, LoadTakesTheFirstLineInAnyEncoding) {
  Key();
  const std::string cases[] = {"3C,3E\r\nignored", "3C,3E\nx", "3C,3E\rx", "3C,3E", "\xEF\xBB\xBF" "3C,3E\r\n",
                               testing::Utf16LeFile(u"3C,3E\r\n")};
  for (const auto& content : cases) {
    registry.AddKey(RegistryRoot::CurrentUser, u"SOFTWARE\\Citrix\\PNAgent").values.clear();
    files.files[u"C:\\Apps\\XenAppSettings.cfg"] = content;
    EXPECT_TRUE(store.LoadXenAppSettings(settings));
    EXPECT_EQ(settings.XenApp.PNAgentConfig, u"3C,3E");
    ASSERT_NE(Config(), nullptr);
    EXPECT_EQ(Config()->data, (Bytes{0x3C, 0x3E}));
  }
}

TEST_F(PNAgentStoreTest, LoadOfAMissingEmptyOrDamagedFileKeepsTheRegistryValue) {
  Key().values[kPNAgentConfigValue] = RegistryValue{RegistryType::kBinary, {0x42}};
  settings.XenApp.PNAgentConfig = u"42";
  EXPECT_FALSE(store.LoadXenAppSettings(settings));
  for (const char* content : {"", "\r\n3C", "3C,,3E\r\n", "not hex\r\n"}) {
    files.files[u"C:\\Apps\\XenAppSettings.cfg"] = content;
    EXPECT_FALSE(store.LoadXenAppSettings(settings)) << content;
  }
  EXPECT_EQ(Config()->data, Bytes{0x42});
  EXPECT_EQ(settings.XenApp.PNAgentConfig, u"42");
}

}  // namespace
}  // namespace lanthe
