#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/folders.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace lanthe {
namespace {

TEST(ProcessNames, MatchTheFileNameOrTheWholeFieldInAnyCase) {
  const struct {
    const char16_t* field;
    const char16_t* name;
    bool matches;
  } cases[] = {
      {u"pnamain.exe", u"PNAMAIN.EXE", true},
      {u"PNAMain.exe", u"pnamain.exe", true},
      {u"C:\\Program Files\\Citrix\\pnamain.exe", u"pnamain.exe", true},
      {u"C:pnamain.exe", u"pnamain.exe", true},
      {u"C:\\Program Files\\Citrix\\pnamain.exe", u"c:\\program files\\citrix\\PNAMAIN.exe", true},
      {u"C:\\Program Files\\Citrix\\pnamain.exe", u"D:\\Citrix\\pnamain.exe", false},
      {u"pnamain.exe", u"C:\\Program Files\\Citrix\\pnamain.exe", false},
      {u"pnamain.exe.bak", u"pnamain.exe", false},
      {u"xpnamain.exe", u"pnamain.exe", false},
      {u"pnamain.exe", u"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProcessNameMatches(c.field, c.name), c.matches) << TextToUtf8(c.field) << " / " << TextToUtf8(c.name);
  }
}

TEST(TextConversion, Utf8BothWays) {
  EXPECT_EQ(Utf8ToText("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), u"caf\u00E9 \u20AC \U0001F600");
  EXPECT_EQ(TextToUtf8(u"caf\u00E9 \u20AC \U0001F600"), "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
  // Malformed input: one replacement character per bad byte, never a crash.
  EXPECT_EQ(Utf8ToText("a\xFF" "b\xC3"), u"a\uFFFDb\uFFFD");
  EXPECT_EQ(Utf8ToText("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD") << "overlong";
  EXPECT_EQ(Utf8ToText("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "surrogate";
  EXPECT_EQ(TextToUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(TextConversion, IntegersAndCase) {
  EXPECT_EQ(IntToText(0), u"0");
  EXPECT_EQ(IntToText(-2147483648LL), u"-2147483648");
  EXPECT_EQ(IntToText(3389), u"3389");
  EXPECT_EQ(AsciiUpper(u"straße \u00E9a"), u"STRAßE \u00E9A") << "only ASCII letters change";
  EXPECT_TRUE(EqualsIgnoreAsciiCase(u"Kiosk", u"KIOSK"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"\u00E9", u"\u00C9"));
}

TEST(Windows1252, DecodesAndEncodesExactly) {
  Windows1252CodePage codePage;
  EXPECT_EQ(codePage.Decode("A\xE9\x80\x81\x9F"), u"A\u00E9\u20AC\u0081\u0178");
  std::string out;
  EXPECT_TRUE(codePage.TryEncode(u"A\u00E9\u20AC\u0178", out));
  EXPECT_EQ(out, "A\xE9\x80\x9F");
  EXPECT_FALSE(codePage.TryEncode(u"\u0416", out));
  EXPECT_FALSE(codePage.TryEncode(u"\u0080", out)) << "byte 0x80 is the euro sign";
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    ASSERT_TRUE(codePage.TryEncode(codePage.Decode(one), out));
    EXPECT_EQ(out, one) << b;
  }
}

TEST(Paths, DirectoryOfKeepsTheSeparator) {
  EXPECT_EQ(DirectoryOf(u"C:\\Apps\\lanthe.exe"), u"C:\\Apps\\");
  EXPECT_EQ(DirectoryOf(u"/srv/kiosk/settings.xml"), u"/srv/kiosk/");
  EXPECT_EQ(DirectoryOf(u"settings.xml"), u"");
}

TEST(RegistryStrings, StoredWithTheirTerminatorAndReadUpToIt) {
  const auto bytes = StringValueBytes(u"Ab");
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'A', 0, 'b', 0, 0, 0}));
}

}  // namespace
}  // namespace lanthe
