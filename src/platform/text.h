#pragma once
// Text helpers shared by every part of the program. Texts are UTF-16 everywhere
// inside the program; UTF-8 appears only at the edges (command-line arguments and
// console output of the native tools, UTF-8 files with a byte-order mark).

#include <cstdint>
#include <string>
#include <string_view>

namespace lanthe {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-8 to UTF-16. Malformed sequences become U+FFFD, one per bad byte.
Text Utf8ToText(std::string_view utf8);
// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD.
std::string TextToUtf8(TextView text);

// ASCII-only letter case: only a-z and A-Z change, every other character stays.
char16_t AsciiUpper(char16_t c);
Text AsciiUpper(TextView text);
bool EqualsIgnoreAsciiCase(TextView a, TextView b);

// Decimal text of a signed 32-bit integer, with "-" when negative.
Text IntToText(std::int64_t value);
// "0x" and eight upper-case hexadecimal digits, as Windows' status codes are written.
Text HexText(std::uint32_t value);

// Plain ASCII literal to Text, for building messages from char strings.
Text Ascii(std::string_view ascii);

}  // namespace lanthe
