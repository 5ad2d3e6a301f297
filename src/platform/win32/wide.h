#pragma once
// Text (UTF-16 in char16_t) to and from the wchar_t strings of the Win32 API. On
// this platform wchar_t is 16 bits wide, so the conversion copies code units one by
// one; no pointer is reinterpreted.

#include <cwchar>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace lanthe::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Win32 layer needs a 16-bit wchar_t");

inline std::wstring ToWide(TextView text) { return std::wstring(text.begin(), text.end()); }

inline Text FromWide(std::wstring_view wide) { return Text(wide.begin(), wide.end()); }

// The text of a fixed buffer the system filled: up to the first NUL, at most
// `capacity` characters.
inline Text FromWideBuffer(const wchar_t* buffer, std::size_t capacity) {
  std::size_t length = 0;
  while (length < capacity && buffer[length] != L'\0') ++length;
  return FromWide(std::wstring_view(buffer, length));
}

}  // namespace lanthe::win32
