#include "platform/code_page.h"

#include <array>

namespace lanthe {

namespace {

// Bytes 0x80-0x9F of Windows-1252. The five bytes the code page leaves undefined
// map to the control characters of the same number, as Windows itself maps them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool EncodeChar(char16_t c, char& byte) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    byte = static_cast<char>(c);
    return true;
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) {
      byte = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

}  // namespace

Text Windows1252CodePage::Decode(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  for (char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    out.push_back(u >= 0x80 && u <= 0x9F ? kHighControls[u - 0x80] : static_cast<char16_t>(u));
  }
  return out;
}

bool Windows1252CodePage::TryEncode(TextView text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (char16_t c : text) {
    char byte = 0;
    if (!EncodeChar(c, byte)) return false;
    out.push_back(byte);
  }
  return true;
}

}  // namespace lanthe
