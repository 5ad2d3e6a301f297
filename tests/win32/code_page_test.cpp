// The system's ANSI code page; Wine's default here is Windows-1252.

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/code_page.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {
namespace {

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::GetACP(), 1252u) << "these cases are written for Windows-1252"; }
  Win32CodePage codePage_;
};

TEST_F(CodePageTest, DecodesAnsiBytes) {
  EXPECT_EQ(codePage_.Decode("\x41\xE9\x80"), u"A\u00e9\u20ac");
  EXPECT_EQ(codePage_.Decode(""), u"");
  EXPECT_EQ(codePage_.Decode(std::string("a\0b", 3)), Text(u"a\0b", 3));
}

TEST_F(CodePageTest, AgreesWithTheBuiltInTableOnEveryByte) {
  // The settings code falls back to the built-in table where there is no system.
  Windows1252CodePage table;
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(codePage_.Decode(byte), table.Decode(byte)) << "byte " << b;
    std::string encoded;
    const Text text = table.Decode(byte);
    EXPECT_TRUE(codePage_.TryEncode(text, encoded)) << "byte " << b;
    EXPECT_EQ(encoded, byte) << "byte " << b;
  }
}

TEST_F(CodePageTest, EncodesOnlyExactCharacters) {
  struct Row {
    Text text;
    bool encodes;
    const char* bytes;
  };
  const Row rows[] = {
      {u"", true, ""},
      {u"Caf\u00e9 \u20ac", true, "Caf\xE9 \x80"},
      {u"\u0416", false, nullptr},       // Cyrillic Zhe
      {u"a\u0416b", false, nullptr},
      {u"\u0100", false, nullptr},       // A with macron: best fit would give "A"
      {u"\u221E", false, nullptr},       // infinity: best fit would give "8"
      {Text(1, char16_t{0xD800}), false, nullptr},  // a lone surrogate
  };
  for (const auto& row : rows) {
    std::string out = "left over";
    EXPECT_EQ(codePage_.TryEncode(row.text, out), row.encodes) << "row " << (&row - rows);
    if (row.encodes) {
      EXPECT_EQ(out, row.bytes);
    }
  }
}

}  // namespace
}  // namespace lanthe::win32
